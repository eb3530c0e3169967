#include "protocol/command_table.h"

#include <array>

#include "protocol/equalizer.h"
#include "protocol/playback.h"
#include "protocol/sleep_timer.h"
#include "protocol/status.h"

namespace commands {

// The folder, playlist-file, current-playlist and media-library commands
// come with their lists; until then their numbers are accepted and ignored,
// exactly as an unknown number is.
int notYetAvailable(const char*) { return 0; }

int nothing(const char*) { return 0; }

}  // namespace commands

namespace {

using namespace commands;

constexpr std::array<Command, lastCommandNumber> allCommands{{
    {1, "listFolder", notYetAvailable},
    {2, "playFile", playFile},
    {3, "enqueueFile", enqueueFile},
    {4, "listPlaylistFiles", notYetAvailable},
    {5, "playPlaylistFile", notYetAvailable},
    {6, "reportEqualizer", reportEqualizer},
    {7, "listCurrentPlaylist", notYetAvailable},
    {8, "playEntry", playEntry},
    {9, "setEqualizerBand", setEqualizerBand},
    {10, "none", nothing},
    {11, "setVolume", setVolume},
    {12, "previousTrack", previousTrack},
    {13, "nextTrack", nextTrack},
    {14, "play", play},
    {15, "pause", pause},
    {16, "backFiveSeconds", backFiveSeconds},
    {17, "forwardFiveSeconds", forwardFiveSeconds},
    {18, "statusPushOn", statusPushOn},
    {19, "none", nothing},
    {20, "listDrives", notYetAvailable},
    {21, "statusPushOff", statusPushOff},
    {22, "clearPlaylist", clearPlaylist},
    {23, "savePlaylist", notYetAvailable},
    {24, "volumeUp", volumeUp},
    {25, "volumeDown", volumeDown},
    {26, "none", nothing},
    {27, "reportVersion", reportVersion},
    {28, "setSleepTimer", setSleepTimer},
    {29, "cancelSleepTimer", cancelSleepTimer},
    {30, "listAlbums", notYetAvailable},
    {31, "listArtists", notYetAvailable},
    {32, "listGenres", notYetAvailable},
    {33, "listAlbumTitles", notYetAvailable},
    {34, "listArtistAlbums", notYetAvailable},
    {35, "listGenreAlbums", notYetAvailable},
    {36, "playResult", notYetAvailable},
    {37, "listGenreTitles", notYetAvailable},
    {38, "listArtistTitles", notYetAvailable},
    {39, "listTitles", notYetAvailable},
    {40, "playGenre", notYetAvailable},
    {41, "playArtist", notYetAvailable},
    {42, "playAlbum", notYetAvailable},
    {43, "listArtistAlbumTitles", notYetAvailable},
    {44, "listGenreAlbumTitles", notYetAvailable},
    {45, "playArtistAlbum", notYetAvailable},
    {46, "playGenreAlbum", notYetAvailable},
    {47, "enqueueGenre", notYetAvailable},
    {48, "enqueueArtist", notYetAvailable},
    {49, "enqueueAlbum", notYetAvailable},
    {50, "enqueueArtistAlbum", notYetAvailable},
    {51, "enqueueGenreAlbum", notYetAvailable},
    {52, "enqueueResult", notYetAvailable},
    {53, "nextPage", nothing},
    {54, "previousPage", nothing},
    {55, "listLibraryPlaylists", notYetAvailable},
    {56, "enqueueLibraryPlaylist", nothing},
    {57, "seek", seek},
    {58, "applyEqualizerPreset", applyEqualizerPreset},
    {59, "reportSleepTimer", reportSleepTimer},
    {60, "passNumber", passNumber},
    {61, "toggleShuffle", toggleShuffle},
    {62, "toggleRepeat", toggleRepeat},
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
    if (number < firstCommandNumber || number > lastCommandNumber) return nullptr;
    return &allCommands[number - firstCommandNumber];
}
