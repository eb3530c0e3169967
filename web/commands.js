// What the page and the plug-in agree on, in one place: the command numbers
// by name, the lists a command opens and the numbers each list takes while
// it waits, and the equalizer presets. The markup names commands
// (data-command="play"); the code uses Command.play; nothing else writes a
// number of the protocol.

export const Command = Object.freeze({
    listFolder: 1,
    playFile: 2,
    enqueueFile: 3,
    listPlaylistFiles: 4,
    playPlaylistFile: 5, // inside the library playlists: play the picked one
    equalizer: 6,
    currentPlaylist: 7,
    jump: 8,
    setBand: 9,
    setVolume: 11,
    previous: 12,
    next: 13,
    play: 14,
    pause: 15,
    back: 16,
    forward: 17,
    statusOn: 18,
    drives: 20,
    statusOff: 21,
    clearPlaylist: 22,
    savePlaylist: 23,
    volumeUp: 24,
    volumeDown: 25,
    version: 27,
    setSleepTimer: 28,
    cancelSleepTimer: 29,
    albums: 30,
    artists: 31,
    genres: 32,
    titlesOfAlbum: 33,
    albumsOfArtist: 34,
    albumsOfGenre: 35,
    playTitle: 36,
    titlesOfGenre: 37,
    titlesOfArtist: 38,
    titles: 39,
    playGenre: 40,
    playArtist: 41,
    playAlbum: 42,
    titlesOfArtistAlbum: 43,
    titlesOfGenreAlbum: 44,
    playArtistAlbum: 45,
    playGenreAlbum: 46,
    enqueueGenre: 47, // inside the albums of a genre: enqueue the chosen album
    enqueueArtist: 48,
    enqueueAlbum: 49,
    enqueueArtistAlbum: 50,
    enqueueGenreAlbum: 51,
    enqueueTitle: 52,
    nextPage: 53,
    previousPage: 54,
    libraryPlaylists: 55,
    enqueueLibraryPlaylist: 56,
    seek: 57,
    preset: 58,
    sleepTimerState: 59,
    toggleShuffle: 61,
    toggleRepeat: 62,
    // Extensions beyond the original protocol: 101 searches the library (a
    // titles list of the matches; 101 alone is the probe, answered "PA" by a
    // plug-in that knows it); 102 jumps a library list to a prefix; 103 1 has
    // the now-playing and volume lines sent while a list waits, until a 27;
    // 104 asks the PC's code page (answered "C" and its number, nothing by an
    // older plug-in).
    search: 101,
    jumpToLetter: 102,
    listPushes: 103,
    codePage: 104,
});

const C = Command;

// The lists a command opens: the list code of its lines, the numbers it takes
// while it waits at a page end (it stays open for them), whether it waits at
// all, and whether it may send nothing at all (not even its header).
const libraryList = (takes) => ({ code: 'P', takes: [...takes, C.nextPage, C.previousPage, C.jumpToLetter], waits: true });
export const listOpeners = new Map([
    [C.albums, libraryList([C.playAlbum, C.enqueueAlbum])],
    [C.artists, libraryList([C.playArtist, C.enqueueArtist])],
    [C.genres, libraryList([C.playGenre, C.enqueueGenre])],
    [C.titles, libraryList([C.playTitle, C.enqueueTitle])],
    [C.albumsOfArtist, libraryList([C.playArtistAlbum, C.enqueueArtistAlbum])],
    [C.albumsOfGenre, libraryList([C.playGenreAlbum, C.enqueueGenre])],
    [C.titlesOfArtist, libraryList([C.playArtist, C.enqueueArtist])],
    [C.titlesOfAlbum, libraryList([C.playAlbum, C.enqueueAlbum])],
    [C.titlesOfGenre, libraryList([C.playGenre, C.enqueueGenre])],
    [C.titlesOfArtistAlbum, libraryList([C.playArtistAlbum, C.enqueueArtistAlbum])],
    [C.titlesOfGenreAlbum, libraryList([C.playGenreAlbum, C.enqueueGenreAlbum])],
    // A plug-in without search answers nothing at all (the probe, "101" alone).
    [C.search, { ...libraryList([C.playTitle, C.enqueueTitle]), maySendNothing: true }],
    [C.libraryPlaylists, { code: 'P', takes: [C.playPlaylistFile, C.enqueueLibraryPlaylist], waits: true, maySendNothing: true }],
    [C.listFolder, { code: 'B', takes: [C.playFile, C.enqueueFile, C.nextPage, C.previousPage], waits: true }],
    [C.drives, { code: 'B', takes: [], waits: false }],
    [C.listPlaylistFiles, { code: 'B', takes: [], waits: false, maySendNothing: true }],
    [C.currentPlaylist, {
        code: 'F',
        takes: [C.listFolder, C.listPlaylistFiles, C.jump, C.drives, C.clearPlaylist, C.savePlaylist, C.nextPage, C.previousPage],
        waits: true,
    }],
]);

// The library lists, whose results 36 and 52 pick from by record index (a
// search's by its matches).
export const browseLists = new Set([
    C.albums, C.artists, C.genres, C.titles, C.albumsOfArtist, C.albumsOfGenre,
    C.titlesOfArtist, C.titlesOfAlbum, C.titlesOfGenre, C.titlesOfArtistAlbum, C.titlesOfGenreAlbum, C.search,
]);

// The 17 presets, ten phone-side band values each (higher is louder), as the
// plug-in applies them (58 with the preset's index).
export const equalizerPresets = Object.freeze([
    [32, 32, 32, 32, 32, 32, 19, 19, 19, 15],
    [32, 32, 37, 41, 41, 41, 37, 32, 32, 32],
    [47, 43, 35, 31, 31, 21, 19, 19, 31, 31],
    [47, 47, 47, 41, 34, 24, 17, 14, 13, 13],
    [43, 41, 32, 19, 23, 34, 45, 49, 51, 51],
    [15, 15, 15, 24, 36, 49, 57, 57, 57, 59],
    [39, 49, 40, 25, 27, 34, 39, 47, 52, 55],
    [48, 48, 41, 41, 32, 23, 23, 23, 32, 32],
    [23, 32, 38, 40, 41, 41, 38, 36, 36, 35],
    [43, 43, 32, 32, 32, 32, 32, 32, 43, 43],
    [28, 39, 43, 44, 40, 29, 27, 27, 28, 28],
    [32, 32, 30, 21, 32, 42, 42, 32, 32, 32],
    [44, 39, 22, 18, 25, 38, 46, 49, 49, 49],
    [27, 23, 24, 30, 38, 41, 46, 47, 49, 47],
    [39, 34, 29, 27, 29, 38, 45, 47, 49, 51],
    [38, 38, 35, 30, 24, 22, 25, 30, 36, 46],
    [44, 41, 32, 22, 23, 32, 44, 47, 47, 46],
]);

// A command of the markup by its name; throws for a name that is none.
export function commandNamed(name) {
    if (!Object.hasOwn(Command, name)) throw new RangeError(`no command named ${name}`);
    return Command[name];
}

export function opensList(number) {
    return listOpeners.has(number);
}
