// The library screen: artists, albums, genres, titles and the library's
// playlists, drilled down level by level, with play and enqueue at each.
import { Command as C } from './commands.js';
import { crumbs, itemRow } from './listview.js';
import { played } from './now.js';
import { jumpAnchor } from './pager.js';
import { dropLevels, leaveList, pushLevel, send, session } from './remote.js';
import { $, $$ } from './ui.js';

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

export function libraryShow() {
    const level = libraryNav.trail.at(-1);
    crumbs($('#library-crumbs'), libraryNav.trail, (depth) => {
        dropLevels(libraryNav.trail.length - 1 - depth);
        libraryUp(depth);
    });
    libraryNav.view.show(level.steps, level.item, level.head ?? null, { anchor: level.letter ? jumpAnchor : 0 });
    showFinding();
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
// alone, answered "PA").
export const finding = { known: false };
const lettered = new Set(['artists', 'albums', 'genres', 'titles']);

function showFinding() {
    $('#library-search').hidden = !finding.known;
    const level = libraryNav.trail.at(-1);
    $('#library-letters').hidden = !(finding.known && libraryNav.trail.length === 1 && lettered.has(level?.kind));
}

session.on('event', (event) => {
    if (event.list?.number !== C.search || event.list.argument !== '') return;
    if (event.type !== 'listBegin' && event.type !== 'listEmpty') return;
    finding.known = event.type === 'listBegin';
    showFinding();
});
session.on('link', ({ up }) => {
    if (up) return;
    finding.known = false;
    showFinding();
});

export function librarySearch(words) {
    if (words.trim() === '') return;
    dropLevels(libraryNav.trail.length - 1);
    $$('[data-browse]').forEach((tab) => tab.setAttribute('aria-pressed', 'false'));
    libraryNav.trail = [makeLevel('search', words)];
    libraryShow();
}

export function libraryJump(letter) {
    const level = libraryNav.trail.at(-1);
    if (libraryNav.trail.length !== 1 || !lettered.has(level.kind)) return;
    const jumped = atLetter(makeLevel(level.kind), letter);
    libraryNav.trail = [jumped];
    libraryNav.view.jump(jumped.steps, letter);
}

export function libraryLetters() {
    const box = $('#library-letters');
    for (const letter of ['#', ...'ABCDEFGHIJKLMNOPQRSTUVWXYZ']) {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = letter;
        button.setAttribute('aria-label', letter === '#' ? 'Jump to items not beginning with a letter' : `Jump to ${letter}`);
        button.addEventListener('click', () => libraryJump(letter));
        box.append(button);
    }
    $('#library-search').addEventListener('submit', (event) => {
        event.preventDefault();
        const input = event.target.elements.words;
        librarySearch(input.value);
        input.blur();
    });
}

function libraryPush(kind, ...names) {
    libraryNav.trail.push(makeLevel(kind, ...names));
    pushLevel('library', libraryNav.trail.length - 1);
    libraryShow();
}

export function libraryBrowse(kind) {
    dropLevels(libraryNav.trail.length - 1);
    $$('[data-browse]').forEach((tab) => tab.setAttribute('aria-pressed', String(tab.dataset.browse === kind)));
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
    const level = libraryNav.trail.at(-1);
    crumbs($('#library-crumbs'), libraryNav.trail, (depth) => {
        dropLevels(libraryNav.trail.length - 1 - depth);
        libraryUp(depth);
    });
    libraryNav.view.recode(level, recode);
}
