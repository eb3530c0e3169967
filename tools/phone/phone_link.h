// The phone's side of the serial link: open a serial device in raw mode, send
// command lines, read reply lines with time-outs, and decode the reply lines
// the plug-in sends. Used by the interactive console and by the end-to-end
// tests alike.
#pragma once

#include <string>
#include <vector>

namespace phone {

// Opens a serial device or pseudo-terminal for reading and writing in raw mode
// (no echo, no line editing, no CR/LF translation). -1 when it cannot be opened.
int openSerialDevice(const char* path);

// Puts an open terminal into raw mode; false when it is not a terminal.
bool makeRaw(int fd);

// Writes every byte, waiting for the device when it is busy.
bool writeAll(int fd, const char* data, std::size_t size);

// Sends `text` followed by one LF.
bool sendLine(int fd, const std::string& text);

enum class ReadResult { line, timeout, closed };

// Collects bytes from the device and hands them out line by line. A reply line
// is its text without the LF; bytes after the last LF wait for the next read.
struct LineReader {
    int fd = -1;
    std::string pending;
};

// Waits at most `timeoutMs` for one complete line.
ReadResult readLine(LineReader& reader, std::string& line, int timeoutMs);

// Every line that arrives within `quietMs` of the previous one (or of the call),
// at most `limitMs` in all.
std::vector<std::string> readLinesUntilQuiet(LineReader& reader, int quietMs, int limitMs);

// ---- decoding ---------------------------------------------------------------

struct NowPlaying {
    int playState = 0;  // 0 stopped, 1 playing, 3 paused
    std::string title;
    int sampleRate = 0;
    int channels = 0;
    int lengthMs = 0;
    int positionMs = 0;
    int shuffle = 0;
    int repeat = 0;
};

// "J" and eight fields, each followed by ':'.
bool decodeNowPlaying(const std::string& line, NowPlaying& out);
// "Q" and a signed decimal number.
bool decodeVolume(const std::string& line, int& volume);
// "I" and ten signed decimal numbers, each followed by ':'.
bool decodeEqualizer(const std::string& line, int values[10]);

// What a list line says, for lines of the lists 'B', 'F' and 'P' (and the
// current playlist's opening 'N').
struct ListLine {
    enum Kind { notList, begins, item, next, position, previous } kind = notList;
    char listCode = 0;
    char itemCode = 0;
    std::string text;  // item text
    int number = 0;    // Next: records remaining; position: the record index
};
ListLine decodeListLine(const std::string& line);

// One line for people: the reply decoded by its code.
std::string describeReply(const std::string& line);

// Follows the lists on the line, so that each item can be shown with the
// index the plug-in counts it by: the record index of the list, from 0 at the
// header and from the record a position line names after a page turn. That
// is the number that picks a title (36, 52) or a playlist entry (8). Artists,
// albums and genres are shown without one: those lists skip repeated names,
// so their items are not their records, and they are picked by name. The
// "All Tracks" line that opens the albums of an artist or a genre (34, 35)
// is not a record and gets no index.
class ListFollower {
public:
    // A command line the phone sent; what it opens decides how a list reads.
    void sent(const std::string& commandLine);
    // The reply described for people, as describeReply does, list lines with
    // their index.
    std::string describe(const std::string& reply);

private:
    int lastCommand_ = 0;
    int nextIndex_ = 0;
    bool allTracksMayFollow_ = false;
};

// The interactive console's paging keys: a typed "n" sends 53 (next page), a
// typed "p" sends 54 (previous page). Command lines begin with a number, so
// neither can be mistaken for one.
constexpr char nextPageKey = 'n';
constexpr char previousPageKey = 'p';
// The command line that a typed line stands for: "n" and "p" turn pages,
// "find WORDS" searches the library (101 WORDS) and "jump PREFIX" jumps a
// library list to a letter (102 PREFIX); other lines go as typed.
std::string commandForTyped(const std::string& typed);

}  // namespace phone
