#include "protocol/command_table.h"

#include <array>

#include "protocol/equalizer.h"
#include "protocol/playback.h"
#include "protocol/sleep_timer.h"
#include "protocol/status.h"

namespace commands {

int nothing(const char*) { return 0; }

}  // namespace commands

namespace {

using namespace commands;

constexpr std::array<Command, lastCommandNumber> allCommands{{
    {1, "listFolder", nothing},
    {2, "playFile", playFile},
    {3, "enqueueFile", enqueueFile},
    {4, "listPlaylistFiles", nothing},
    {5, "playPlaylistFile", nothing},
    {6, "reportEqualizer", reportEqualizer},
    {7, "listCurrentPlaylist", nothing},
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
    {20, "listDrives", nothing},
    {21, "statusPushOff", statusPushOff},
    {22, "clearPlaylist", clearPlaylist},
    {23, "savePlaylist", nothing},
    {24, "volumeUp", volumeUp},
    {25, "volumeDown", volumeDown},
    {26, "none", nothing},
    {27, "reportVersion", reportVersion},
    {28, "setSleepTimer", setSleepTimer},
    {29, "cancelSleepTimer", cancelSleepTimer},
    {30, "listAlbums", nothing},
    {31, "listArtists", nothing},
    {32, "listGenres", nothing},
    {33, "listAlbumTitles", nothing},
    {34, "listArtistAlbums", nothing},
    {35, "listGenreAlbums", nothing},
    {36, "playResult", nothing},
    {37, "listGenreTitles", nothing},
    {38, "listArtistTitles", nothing},
    {39, "listTitles", nothing},
    {40, "playGenre", nothing},
    {41, "playArtist", nothing},
    {42, "playAlbum", nothing},
    {43, "listArtistAlbumTitles", nothing},
    {44, "listGenreAlbumTitles", nothing},
    {45, "playArtistAlbum", nothing},
    {46, "playGenreAlbum", nothing},
    {47, "enqueueGenre", nothing},
    {48, "enqueueArtist", nothing},
    {49, "enqueueAlbum", nothing},
    {50, "enqueueArtistAlbum", nothing},
    {51, "enqueueGenreAlbum", nothing},
    {52, "enqueueResult", nothing},
    {53, "nextPage", nothing},
    {54, "previousPage", nothing},
    {55, "listLibraryPlaylists", nothing},
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
