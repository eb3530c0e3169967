// The phone's whole vocabulary: one row per command number, 1 to 62.
#pragma once

// Every command runs through one signature; `argument` is the rest of the
// command line after the first blank. The result is not used by anyone.
using CommandHandler = int (*)(const char* argument);

struct Command {
    int number;
    const char* name;
    CommandHandler handler;
};

constexpr int firstCommandNumber = 1;
constexpr int lastCommandNumber = 62;

// The row of `number`, or nullptr for a number without one (0, negatives, 63 on).
const Command* findCommand(int number);

namespace commands {

// Numbers with no action at top level: those that act only inside a list and
// the unused ones.
int nothing(const char* argument);

}  // namespace commands
