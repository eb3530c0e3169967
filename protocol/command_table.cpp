#include "protocol/command_table.h"

#include <array>

#include "core/arguments.h"
#include "link/reply.h"
#include "protocol/equalizer.h"
#include "protocol/file_commands.h"
#include "protocol/library_commands.h"
#include "protocol/playback.h"
#include "protocol/sleep_timer.h"
#include "protocol/status.h"

namespace commands {

void nothing(const Request&, Reply&) {}

}  // namespace commands

namespace {

using namespace commands;
using enum Argument;
using enum PickMode;

constexpr std::array<Command, lastCommandNumber> allCommands{{
    {1, listFolder, text},
    {2, pickFile, text, play},
    {3, pickFile, text, enqueue},
    {4, listPlaylistFiles},
    {5, playPlaylistFile, text},
    {6, reportEqualizer},
    {7, listCurrentPlaylist},
    {8, playEntry, number},
    {9, setEqualizerBand, text},
    {10, nothing},
    {11, setVolume, number},
    {12, previousTrack},
    {13, nextTrack},
    {14, pressPlay},
    {15, pressPause},
    {16, backFiveSeconds},
    {17, forwardFiveSeconds},
    {18, statusPushOn},
    {19, nothing},
    {20, listDrives},
    {21, statusPushOff},
    {22, clearPlaylist},
    {23, savePlaylist, text},
    {24, volumeUp},
    {25, volumeDown},
    {26, nothing},
    {27, reportVersion},
    {28, setSleepTimer, text},
    {29, cancelSleepTimer},
    {30, listAlbums},
    {31, listArtists},
    {32, listGenres},
    {33, listAlbumTitles, text},
    {34, listArtistAlbums, text},
    {35, listGenreAlbums, text},
    {36, pickTitle, number, play},
    {37, listGenreTitles, text},
    {38, listArtistTitles, text},
    {39, listTitles},
    {40, pickGenre, text, play},
    {41, pickArtist, text, play},
    {42, pickAlbum, text, play},
    {43, listArtistAlbumTitles, text},
    {44, listGenreAlbumTitles, text},
    {45, pickArtistAlbum, text, play},
    {46, pickGenreAlbum, text, play},
    {47, pickGenre, text, enqueue},
    {48, pickArtist, text, enqueue},
    {49, pickAlbum, text, enqueue},
    {50, pickArtistAlbum, text, enqueue},
    {51, pickGenreAlbum, text, enqueue},
    {52, pickTitle, number, enqueue},
    {nextPageCommand, nothing},
    {previousPageCommand, nothing},
    {55, listLibraryPlaylists},
    {56, nothing},  // inside the library's playlists: enqueue one
    {57, seek, number},
    {58, applyEqualizerPreset, number},
    {59, reportSleepTimer},
    {60, passNumber, number},
    {61, toggleShuffle},
    {62, toggleRepeat},
}};

constexpr std::array<Command, 4> extensionCommands{{
    {searchCommand, searchLibrary, text},
    {jumpCommand, nothing},  // inside a library list: jump to a prefix
    {listPushesCommand, switchListPushes, text},
    {codePageCommand, reportCodePage},
}};

// findCommand indexes the table by number, so the rows must be 1..62 in order.
// (Comparing a handler's address with null is not a constant expression under
// the sanitizers, so the dispatcher checks that at run time instead.)
constexpr bool rowsAreInOrder() {
    for (int i = 0; i < lastCommandNumber; ++i) {
        if (allCommands[i].number != i + firstCommandNumber) return false;
    }
    return true;
}
static_assert(rowsAreInOrder(), "one row per command number, in order");

}  // namespace

const Command* findCommand(int number) {
    if (number >= firstCommandNumber && number <= lastCommandNumber) return &allCommands[number - firstCommandNumber];
    for (const Command& row : extensionCommands)
        if (row.number == number) return &row;
    return nullptr;
}

void runCommand(const Command& command, const char* argument, Reply& reply, const void* list) {
    if (command.action == nullptr) return;
    const Request request{reply.context(), argument, command.argument == Argument::number ? readDecimal(argument) : 0,
                          command.mode, list};
    command.action(request, reply);
}
