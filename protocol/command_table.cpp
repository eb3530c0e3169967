#include "protocol/command_table.h"

#include <array>

#include "protocol/equalizer.h"
#include "protocol/file_commands.h"
#include "protocol/library_commands.h"
#include "protocol/playback.h"
#include "protocol/sleep_timer.h"
#include "protocol/status.h"

namespace commands {

int nothing(const char*) { return 0; }

}  // namespace commands

namespace {

using namespace commands;

constexpr std::array<Command, lastCommandNumber> allCommands{{
    {1, "listFolder", listFolder},
    {2, "playFile", playFile},
    {3, "enqueueFile", enqueueFile},
    {4, "listPlaylistFiles", listPlaylistFiles},
    {5, "playPlaylistFile", playPlaylistFile},
    {6, "reportEqualizer", reportEqualizer},
    {7, "listCurrentPlaylist", listCurrentPlaylist},
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
    {20, "listDrives", listDrives},
    {21, "statusPushOff", statusPushOff},
    {22, "clearPlaylist", clearPlaylist},
    {23, "savePlaylist", savePlaylist},
    {24, "volumeUp", volumeUp},
    {25, "volumeDown", volumeDown},
    {26, "none", nothing},
    {27, "reportVersion", reportVersion},
    {28, "setSleepTimer", setSleepTimer},
    {29, "cancelSleepTimer", cancelSleepTimer},
    {30, "listAlbums", listAlbums},
    {31, "listArtists", listArtists},
    {32, "listGenres", listGenres},
    {33, "listAlbumTitles", listAlbumTitles},
    {34, "listArtistAlbums", listArtistAlbums},
    {35, "listGenreAlbums", listGenreAlbums},
    {36, "playResult", playResult},
    {37, "listGenreTitles", listGenreTitles},
    {38, "listArtistTitles", listArtistTitles},
    {39, "listTitles", listTitles},
    {40, "playGenre", playGenre},
    {41, "playArtist", playArtist},
    {42, "playAlbum", playAlbum},
    {43, "listArtistAlbumTitles", listArtistAlbumTitles},
    {44, "listGenreAlbumTitles", listGenreAlbumTitles},
    {45, "playArtistAlbum", playArtistAlbum},
    {46, "playGenreAlbum", playGenreAlbum},
    {47, "enqueueGenre", enqueueGenre},
    {48, "enqueueArtist", enqueueArtist},
    {49, "enqueueAlbum", enqueueAlbum},
    {50, "enqueueArtistAlbum", enqueueArtistAlbum},
    {51, "enqueueGenreAlbum", enqueueGenreAlbum},
    {52, "enqueueResult", enqueueResult},
    {53, "nextPage", nothing},
    {54, "previousPage", nothing},
    {55, "listLibraryPlaylists", listLibraryPlaylists},
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
