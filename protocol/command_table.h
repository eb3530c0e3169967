// The phone's whole vocabulary: one row per command number, 1 to 62, and the
// extensions from 101 on (searching the library, jumping to a letter, status
// lines while a list waits, the PC's code page). A row
// says everything about its command: the number, the action, what it reads
// from the rest of the line, and, where two numbers share an action, whether
// it plays or enqueues.
#pragma once

#include <cstdint>

class Reply;
struct PluginContext;

// Play replaces the playlist and starts it; enqueue adds to its end.
enum class PickMode { play, enqueue };

// What a command reads from the rest of its line.
enum class Argument { none, number, text };

struct Request {
    // The plug-in's records, which the action reads and writes.
    PluginContext& context;
    // Rows that take a text: the rest of the command line after the first
    // blank; the empty text for the others, which ignore what follows.
    const char* text;
    // The text read as a decimal number, for rows that take a number.
    std::int32_t number;
    PickMode mode;
};

// Every action, at top level and inside a list, runs through one signature.
using Handler = void (*)(const Request& request, Reply& reply);

struct Command {
    int number;
    Handler action;
    Argument argument = Argument::none;
    PickMode mode = PickMode::play;
};

constexpr int firstCommandNumber = 1;
constexpr int lastCommandNumber = 62;

// The page turns: nothing at top level, the next and the previous page inside
// a list.
constexpr int nextPageCommand = 53;
constexpr int previousPageCommand = 54;

// The extensions, far above the original numbers so that no later revision of
// the phone's protocol collides with them. A search lists the library's
// matches; a jump moves a library list to the item a prefix names, and does
// nothing outside one; the third lets the now-playing and volume lines reach
// the phone while a list waits; the code page tells the phone how the PC
// writes texts.
constexpr int searchCommand = 101;
constexpr int jumpCommand = 102;
constexpr int listPushesCommand = 103;
constexpr int codePageCommand = 104;

// The row of `number`, or nullptr for a number without one (0, negatives, the
// unused 10, 19 and 26, 63 to 100, and past the extensions).
const Command* findCommand(int number);

// What an action of `argument`'s shape and `mode` is handed for the rest of
// its command line.
Request requestFor(PluginContext& context, Argument argument, PickMode mode, const char* rest);

// Runs the row's action on the rest of its command line.
void runCommand(const Command& command, const char* rest, PluginContext& context, Reply& reply);

namespace commands {

// 53, 54, 56 and 102 act only inside a list, where the list gives them their
// meaning (the page turns, a jump, the library playlists' enqueue); at top
// level the line is taken and nothing happens.
void onlyInsideList(const Request& request, Reply& reply);

}  // namespace commands
