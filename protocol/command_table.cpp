#include "protocol/command_table.h"

#include <algorithm>
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

void onlyInsideList(const Request&, Reply&) {}

}  // namespace commands

namespace {

using namespace commands;
using enum Argument;
using enum PickMode;

// Every row, in the order of the numbers. 10, 19 and 26 are unused: they have no
// row, at top level or in a list.
constexpr auto allCommands = std::to_array<Command>({
    {1, listFolder, text},
    {2, pickFile, text, play},
    {3, pickFile, text, enqueue},
    {4, listPlaylistFiles},
    {5, playPlaylistFile, text},
    {6, reportEqualizer},
    {7, listCurrentPlaylist},
    {8, playEntry, number},
    {9, setEqualizerBand, text},
    {11, setVolume, number},
    {12, previousTrack},
    {13, nextTrack},
    {14, pressPlay},
    {15, pressPause},
    {16, backFiveSeconds},
    {17, forwardFiveSeconds},
    {18, statusPushOn},
    {20, listDrives},
    {21, statusPushOff},
    {22, clearPlaylist},
    {23, savePlaylist, text},
    {24, volumeUp},
    {25, volumeDown},
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
    {nextPageCommand, onlyInsideList},
    {previousPageCommand, onlyInsideList},
    {55, listLibraryPlaylists},
    {56, onlyInsideList},  // the library playlists: enqueue one
    {57, seek, number},
    {58, applyEqualizerPreset, number},
    {59, reportSleepTimer},
    {60, passNumber, number},
    {61, toggleShuffle},
    {62, toggleRepeat},
    {searchCommand, searchLibrary, text},
    {jumpCommand, onlyInsideList, text},  // the library lists: jump to the prefix
    {listPushesCommand, switchListPushes, text},
    {codePageCommand, reportCodePage},
});

// findCommand halves the table, so the rows must be in order, one per number.
// (Comparing a handler's address with null is not a constant expression under
// the sanitizers, so runCommand checks that at run time instead.)
constexpr bool rowsAreInOrder() {
    for (std::size_t i = 1; i < allCommands.size(); ++i) {
        if (allCommands[i - 1].number >= allCommands[i].number) return false;
    }
    return allCommands.front().number == firstCommandNumber && allCommands.back().number == codePageCommand;
}
static_assert(rowsAreInOrder(), "one row per command number, in order");

}  // namespace

const Command* findCommand(int number) {
    const auto row = std::lower_bound(allCommands.begin(), allCommands.end(), number,
                                      [](const Command& command, int value) { return command.number < value; });
    return row != allCommands.end() && row->number == number ? &*row : nullptr;
}

Request requestFor(PluginContext& context, Argument argument, PickMode mode, const char* rest) {
    return {context, argument == Argument::text ? rest : "", argument == Argument::number ? readDecimal(rest) : 0,
            mode};
}

void runCommand(const Command& command, const char* rest, PluginContext& context, Reply& reply) {
    if (command.action != nullptr) command.action(requestFor(context, command.argument, command.mode, rest), reply);
}
