// The library screen: artists, albums, genres, titles and the library's
// playlists, drilled down level by level, with play and enqueue at each.
import { Command as C } from './commands.js';
import { LetterIndex } from './letters.js';
import { crumbs, itemRow } from './listview.js';
import { played } from './now.js';
import { jumpAnchor } from './pager.js';
import { placeChanged } from './places.js';
import { leaveList, send, session } from './remote.js';
import { $ } from './ui.js';

// Before picking a title by its index, the results it indexes must be the
// plug-in's: the list is asked for again when another list came since.
function pickTitle(level, event, mode) {
    const [number, argument, context] = level.browse;
    if (!session.holdsBrowseResults(number, argument, context)) for (const [n, a] of level.steps(session)) send(n, a);
    const sent = send(mode === 0 ? C.playTitle : C.enqueueTitle, event.index);
    if (mode === 0) played(sent);
    return sent;
}

function chooseArtist(artist) {
    if (session.selectedArtist !== artist) send(C.albumsOfArtist, artist);
}

function chooseGenre(genre) {
    if (session.selectedGenre !== genre) send(C.albumsOfGenre, genre);
}

function titlesLevel(label, steps, browse) {
    const level = {
        label,
        steps,
        browse,
        item: (event) =>
            itemRow({
                kind: 'title',
                name: event.text,
                index: event.index,
                play: () => pickTitle(level, event, 0),
                enqueue: () => pickTitle(level, event, 1),
            }),
    };
    return level;
}

const library = {
    artists: () => ({
        label: 'Artists',
        steps: () => [[C.artists, '']],
        item: ({ text }) =>
            itemRow({
                kind: 'artist',
                name: text,
                open: () => libraryPush('albumsOfArtist', text),
                play: () => played(send(C.playArtist, text)),
                enqueue: () => send(C.enqueueArtist, text),
            }),
    }),
    albums: () => ({
        label: 'Albums',
        steps: () => [[C.albums, '']],
        item: ({ text }) =>
            itemRow({
                kind: 'album',
                name: text,
                open: () => libraryPush('titlesOfAlbum', text),
                play: () => played(send(C.playAlbum, text)),
                enqueue: () => send(C.enqueueAlbum, text),
            }),
    }),
    genres: () => ({
        label: 'Genres',
        steps: () => [[C.genres, '']],
        item: ({ text }) =>
            itemRow({
                kind: 'genre',
                name: text,
                open: () => libraryPush('albumsOfGenre', text),
                play: () => played(send(C.playGenre, text)),
                enqueue: () => {
                    leaveList(C.albumsOfGenre); // there 47 enqueues an album
                    send(C.enqueueGenre, text);
                },
            }),
    }),
    titles: () => titlesLevel('Titles', () => [[C.titles, '']], [C.titles, '', null]),
    playlists: () => ({
        label: 'Playlists',
        // Without the catalog file the list sends nothing at all; the version
        // line behind it tells so (and ends the list: a pick opens it again).
        steps: () => [[C.libraryPlaylists, ''], [C.version, '']],
        item: ({ text, index }) => {
            // Picks count only inside the library playlists' own wait.
            const pick = (number) => {
                if (session.openList?.number !== C.libraryPlaylists) send(C.libraryPlaylists);
                const sent = send(number, index);
                if (number === C.playPlaylistFile) played(sent);
            };
            return itemRow({
                kind: 'libraryPlaylist',
                name: text,
                play: () => pick(C.playPlaylistFile),
                enqueue: () => pick(C.enqueueLibraryPlaylist),
            });
        },
    }),
    albumsOfArtist: (artist) => ({
        label: artist,
        steps: () => [[C.albumsOfArtist, artist]],
        head: () =>
            itemRow({
                kind: 'album',
                name: 'All tracks',
                open: () => libraryPush('titlesOfArtist', artist),
                play: () => played(send(C.playArtist, artist)),
                enqueue: () => send(C.enqueueArtist, artist),
            }),
        item: ({ text }) =>
            itemRow({
                kind: 'album',
                name: text,
                open: () => libraryPush('titlesOfArtistAlbum', artist, text),
                play: () => {
                    chooseArtist(artist);
                    played(send(C.playArtistAlbum, text));
                },
                enqueue: () => {
                    chooseArtist(artist);
                    send(C.enqueueArtistAlbum, text);
                },
            }),
    }),
    albumsOfGenre: (genre) => ({
        label: genre,
        steps: () => [[C.albumsOfGenre, genre]],
        head: () =>
            itemRow({
                kind: 'album',
                name: 'All tracks',
                open: () => libraryPush('titlesOfGenre', genre),
                play: () => played(send(C.playGenre, genre)),
                enqueue: () => {
                    leaveList(C.albumsOfGenre);
                    send(C.enqueueGenre, genre);
                },
            }),
        item: ({ text }) =>
            itemRow({
                kind: 'album',
                name: text,
                open: () => libraryPush('titlesOfGenreAlbum', genre, text),
                play: () => {
                    chooseGenre(genre);
                    played(send(C.playGenreAlbum, text));
                },
                enqueue: () => {
                    chooseGenre(genre);
                    // Inside the albums of a genre, 47 enqueues the album; elsewhere 51 does.
                    send(session.openList?.number === C.albumsOfGenre ? C.enqueueGenre : C.enqueueGenreAlbum, text);
                },
            }),
    }),
    search: (words) => titlesLevel(`Search: ${words}`, () => [[C.search, words]], [C.search, words, null]),
    titlesOfArtist: (artist) => titlesLevel(`${artist}: all`, () => [[C.titlesOfArtist, artist]], [C.titlesOfArtist, artist, null]),
    titlesOfAlbum: (album) => titlesLevel(album, () => [[C.titlesOfAlbum, album]], [C.titlesOfAlbum, album, null]),
    titlesOfGenre: (genre) => titlesLevel(`${genre}: all`, () => [[C.titlesOfGenre, genre]], [C.titlesOfGenre, genre, null]),
    titlesOfArtistAlbum: (artist, album) =>
        titlesLevel(
            album,
            (s) => [...(s.selectedArtist === artist ? [] : [[C.albumsOfArtist, artist]]), [C.titlesOfArtistAlbum, album]],
            [C.titlesOfArtistAlbum, album, artist],
        ),
    titlesOfGenreAlbum: (genre, album) =>
        titlesLevel(
            album,
            (s) => [...(s.selectedGenre === genre ? [] : [[C.albumsOfGenre, genre]]), [C.titlesOfGenreAlbum, album]],
            [C.titlesOfGenreAlbum, album, genre],
        ),
};

export const libraryNav = { view: null, trail: [] };

// Up to the level at `depth` (0 the top), as Back does.
export function libraryUp(depth) {
    if (depth >= libraryNav.trail.length - 1) return;
    libraryNav.trail = libraryNav.trail.slice(0, depth + 1);
    libraryShow();
}

function showCrumbs() {
    crumbs($('#library-crumbs'), libraryNav.trail, (depth) => {
        libraryUp(depth);
        placeChanged();
    });
}

export function libraryShow() {
    const level = libraryNav.trail.at(-1);
    showCrumbs();
    $('#library-browse').value = libraryNav.trail[0].kind;
    if (level.kind === 'search') $('#library-search').elements.words.value = level.names[0];
    libraryNav.view.show(level.steps, level.item, level.head ?? null, { anchor: level.letter ? jumpAnchor : 0 });
    if (!level.letter) index?.reset();
    showFinding();
}

// Up one level, as Back does; false at the top.
export function libraryBack() {
    if (libraryNav.trail.length <= 1) return false;
    libraryUp(libraryNav.trail.length - 2);
    return true;
}

// The levels as plain data, kept for a reload, and made again from it.
export function libraryPlace() {
    return { trail: libraryNav.trail.map(({ kind, names, letter }) => ({ kind, names, letter: letter ?? null })) };
}

export function libraryRestore({ trail }) {
    const levels = trail.map(({ kind, names, letter }) => {
        if (!Object.hasOwn(library, kind) || !Array.isArray(names) || !names.every((name) => typeof name === 'string')) throw new Error(`no level ${kind}`);
        const level = makeLevel(kind, ...names);
        return typeof letter === 'string' && letter.length === 1 ? atLetter(level, letter) : level;
    });
    if (levels.length > 0) libraryNav.trail = levels;
}

// A level made from its factory's name and the names it takes, so that it
// can be made again from the same bytes in another code page.
function makeLevel(kind, ...names) {
    return Object.assign(library[kind](...names), { kind, names });
}

// The level opened at a letter: the list, then the jump (102), each time the
// list is asked for.
function atLetter(level, letter) {
    const steps = level.steps;
    return Object.assign(level, { letter, steps: (s) => [...steps(s), [C.jumpToLetter, letter]] });
}

// Search and the letter index, for a plug-in that answers the probe ("101"
// alone, answered "PA"). A lost link leaves them: the probe goes out again
// once the link is back.
export const finding = { known: false };
const lettered = new Set(['artists', 'albums', 'genres', 'titles']);

// At the top of the library the header row has the search box in place of
// the crumbs (the choice of list says where the reader is).
function showFinding() {
    const top = libraryNav.trail.length === 1;
    $('#library-browse').hidden = !top;
    $('#library-search').hidden = !(finding.known && top);
    $('#library-crumbs').hidden = finding.known && top;
    const level = libraryNav.trail.at(-1);
    $('#library-letters').hidden = !(finding.known && top && lettered.has(level?.kind));
}

session.on('event', (event) => {
    if (event.list?.number !== C.search || event.list.argument !== '') return;
    if (event.type !== 'listBegin' && event.type !== 'listEmpty') return;
    finding.known = event.type === 'listBegin';
    showFinding();
});

export function librarySearch(words) {
    if (words.trim() === '') return;
    libraryNav.trail = [makeLevel('search', words)];
    libraryShow();
    placeChanged();
}

export function libraryJump(letter) {
    const level = libraryNav.trail.at(-1);
    if (libraryNav.trail.length !== 1 || !lettered.has(level.kind)) return;
    const jumped = atLetter(makeLevel(level.kind), letter);
    libraryNav.trail = [jumped];
    // Without the link the jump waits in the level: the list asked for again
    // brings it.
    if (session.connected) libraryNav.view.jump(jumped.steps, letter);
    else libraryShow();
    placeChanged();
}

let index = null;

export function libraryLetters() {
    index = new LetterIndex($('#library-letters'), $('#letter-bubble'), {
        jump: libraryJump,
        ready: () => !(session.connected && libraryNav.view.pager?.busy),
    });
    $('#library-search').addEventListener('submit', (event) => {
        event.preventDefault();
        const input = event.target.elements.words;
        librarySearch(input.value);
        input.blur();
    });
}

function libraryPush(kind, ...names) {
    libraryNav.trail.push(makeLevel(kind, ...names));
    libraryShow();
    placeChanged();
}

// Another list: from its top, and the words of an earlier search cleared.
export function libraryBrowse(kind) {
    $('#library-search').elements.words.value = '';
    libraryNav.trail = [makeLevel(kind)];
    libraryShow();
}

// The user chose another code page: every level is made again from its names read anew.
export function libraryRecode(recode) {
    if (libraryNav.trail.length === 0) return;
    libraryNav.trail = libraryNav.trail.map((level) => {
        const made = makeLevel(level.kind, ...level.names.map(recode));
        return level.letter ? atLetter(made, level.letter) : made;
    });
    showCrumbs();
    libraryNav.view.recode(libraryNav.trail.at(-1), recode);
}
