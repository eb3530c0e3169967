// Test-side control of the simulated platform (native builds only).
//
// The sim backend implements platform.h in memory: serial lines with a phone end,
// host windows handled on a simulated user-interface thread, a file system that
// keeps insertion order, an INI store, the registry value, the module path, a
// test-driven clock and timers, and fault injection.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

// Forget everything: ports, windows, files, INI, registry, timers, faults,
// message boxes, counters. The user-interface thread keeps running.
void reset();

// ---- the user-interface thread ---------------------------------------------

// Runs `work` on the simulated user-interface thread and waits for it, as a
// posted message. Sends from other threads to windows are handled there too, in
// order, one at a time, while that thread is idle or waits for sent messages
// (platform::waitForSentMessages, which leaves posted work queued).
void runOnUiThread(const std::function<void()>& work);
// Queues `work` as a posted message and returns at once.
void postToUiThread(std::function<void()> work);
bool onUiThread();
// The inline mode, for driving a whole conversation deterministically from one
// thread (the fuzz targets): every thread counts as the user-interface thread,
// so work, sends and posted ticks run at once on the caller; started threads
// wait for runStartedThreads; sleeps and waits move the clock without waiting;
// a read that finds the line empty first asks the feeder (setReadFeeder) for
// more and otherwise returns nothing at once.
void setInlineMode(bool on);
bool inlineModeOn();
// Runs the threads started since the last call, one after the other, on the
// calling thread; the number run.
int runStartedThreads();
// Ends the user-interface thread once its queue is empty (at the end of a
// test program; the next runOnUiThread starts a new one).
void stopUiThread();

// ---- serial lines -----------------------------------------------------------

// Makes a port that platform::openSerialPort(name) opens (matched through its
// device path, so "COM12" opens the line registered as "COM12").
void addSerialPort(const std::string& name);
// The device path the last successful or failed open asked for.
std::string lastOpenedDevicePath();
bool portIsOpen(const std::string& name);

// The phone's end of the line registered under `name`. Bytes sent to a line
// that is not registered are dropped; bytes the plug-in has not read when it
// closes the port are dropped too, as closing a port purges its driver buffer.
class Phone {
public:
    explicit Phone(std::string portName);
    // Bytes the plug-in's next read receives as one burst (a read returns them,
    // up to the size it asked for, as soon as they are there).
    void send(const std::string& bytes);
    // Everything the plug-in wrote so far, and the same with the bytes removed.
    std::string received() const;
    std::string takeReceived();
    // Waits (real time) until `count` complete lines (LF-ended) have been
    // received since the last take; false on time-out. Does not take them.
    bool waitForLines(int count, int timeoutMs = 2000) const;
    // Waits for at least `count` bytes.
    bool waitForBytes(std::size_t count, int timeoutMs = 2000) const;
    // Waits (real time) until the plug-in has begun two reads that found
    // nothing to receive since the call. Every line sent before the call has
    // then been taken, and every status mark made before it has been handled by
    // a full turn of the conversation loop. False on time-out.
    bool waitForQuiet(int timeoutMs = 2000) const;
    // Complete received lines without their LF, taking them.
    std::vector<std::string> takeLines();

private:
    std::string portName_;
};

// How long a read with nothing to receive waits before returning 0 bytes (the
// port's idle time-out): that long in real time, and the simulated clock moves
// on by as much. Default 1000 ms.
void setReadIdleMs(int ms);

// Called (in the inline mode) by a read that finds its line empty; it may send
// bytes with Phone::send, act on the host's side, or raise the stop flag.
void setReadFeeder(std::function<void()> feeder);

// Fault injection on every open port.
void failReads(bool fail);                    // every read fails at once
void readsReturnAtOnce(bool atOnce);          // reads with nothing to receive return 0 bytes at once
void failNextWrites(int count);               // the next `count` write calls fail
// While set, the port's set-up calls report a failure: an open still opens but
// names SetCommTimeouts, and an abort returns false (and aborts all the same).
void failPortSetup(bool fail);
void failOneWriteAfter(int count);            // `count` more write calls succeed, then one fails
void limitWriteSize(std::uint32_t maxBytes);  // each write takes at most this (0: no limit)
void takeNothingOnNextWrites(int count);      // the next `count` writes take 0 bytes
// While held, every write call blocks until holdWrites(false) (for stop-flag tests).
void holdWrites(bool hold);
// Waits (real time) until a write call is blocked by holdWrites; false on time-out.
bool waitForHeldWrite(int timeoutMs = 2000);

std::uint64_t readCallCount();
std::uint64_t writeCallCount();

// ---- host windows -----------------------------------------------------------

using MessageHandler = std::function<platform::LResult(unsigned int, platform::WParam, platform::LParam)>;
// A window whose own procedure calls `handler`; it belongs to the UI thread.
platform::WindowHandle createWindow(MessageHandler handler);
void destroyWindow(platform::WindowHandle window);

struct MessageBoxRecord {
    platform::WindowHandle owner;
    std::string text;
    std::string caption;
};
std::vector<MessageBoxRecord> messageBoxes();

// Dialogs: the procedure gets WM_INITDIALOG, then `script` runs with the dialog
// handle (it may send WM_COMMAND through sim::dialogCommand) until it ends.
void setDialogScript(std::function<void(platform::WindowHandle dialog)> script);
void dialogCommand(platform::WindowHandle dialog, int id);
// Items of the list box `id` of an open dialog, and its selection (-1: none).
std::vector<std::string> listBoxItems(platform::WindowHandle dialog, int id);
int listBoxSelection(platform::WindowHandle dialog, int id);
void selectListBoxItem(platform::WindowHandle dialog, int id, int index);
int lastDialogTemplate();
// -1 when the dialog procedure ignored the final Cancel and never ended.
platform::IntPtr lastDialogResult();

// ---- timers and clock --------------------------------------------------------

// Runs every live timer's procedure once, on the UI thread, as one tick.
void fireTimers();
// Queues one tick as a posted message (WM_TIMER) and returns at once.
void postTimerTick();
int liveTimerCount();
// The simulated clock (platform::tickCount): it moves on only by the plug-in's
// sleeps and waits, and by these two.
void setTickCount(std::uint32_t ms);
void advanceClock(std::uint32_t ms);
// How often platform::pinModule was called.
int pinnedModuleCount();
// Number of threads started through platform::startThread, and how many ended.
int threadsStarted();
int threadsEnded();
// While set, platform::startThread returns only once the new thread has first
// waited inside the simulation (a read, a send, a held write) or ended, so the
// new thread's first steps happen before its starter's next ones.
void runNewThreadsFirst(bool first);
// Makes platform::startTimer fail (return 0).
void failTimerStart(bool fail);
// The periods of the live timers, in the order they were started.
std::vector<std::uint32_t> liveTimerPeriods();

// ---- menus ---------------------------------------------------------------------

// Menus made by platform::createMenu and not yet destroyed (sub-menus count).
int liveMenuCount();

// ---- settings -------------------------------------------------------------------

// The INI store, keyed by the path the plug-in passes.
void setIniValue(const std::string& path, const std::string& section, const std::string& key, const std::string& value);
bool iniValue(const std::string& path, const std::string& section, const std::string& key, std::string* value);
void setMyMusicFolder(const std::string& folder);  // registry value; "" removes it
void setHostProgramPath(const std::string& path);
// The serial ports platform::presentSerialPorts reports, in this order (as the
// system's serial device map lists them); none after a reset.
void setPresentSerialPorts(const std::vector<std::string>& names);
// The code page platform::readSystemCodePage reports; Windows-1252 after a reset.
void setSystemCodePage(const platform::CodePage& codePage);

// ---- files --------------------------------------------------------------------

// Paths are Windows paths ("C:\Music\a.mp3"), compared without regard to case;
// listings come in insertion order. Parent folders are made as needed.
void addFolder(const std::string& path);
void addFile(const std::string& path, const std::string& contents = "");
// Removes a file, or a folder with everything in it (as another program would).
void removePath(const std::string& path);
bool fileExists(const std::string& path);
std::string fileContents(const std::string& path);
void addDrive(char letter, std::uint32_t type, const std::string& label, bool ready = true);
void failNextCopy();
void failNextFileOpen();          // the next platform::openSharedForReading fails
void failActivityLog(bool fail);  // platform::openActivityLog fails while set
// Keeps a copy of the folders, files and drives as they are now; restoring it
// replaces them (nothing else) with that copy.
void saveFileSystem();
void restoreFileSystem();
// Paths of the files made or rewritten (copies and whole-file writes), in order,
// as the caller spelled them.
std::vector<std::string> writtenFiles();
// Searches started by platform::findFirstFile and not yet closed.
int liveSearchCount();
// Searches platform::findFirstFile ran since the reset, whether they found
// anything or not: each one is a pass over a folder. A pattern too long for a
// path runs none.
std::uint64_t searchesStarted();

// The activity log: whether init created it, and what was written to it.
bool activityLogCreated();
std::string activityLogText();

// ---- power --------------------------------------------------------------------

// Power-off requests are recorded, never performed.
int powerOffRequests();

}  // namespace sim
