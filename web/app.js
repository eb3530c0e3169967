// The page: screens for now playing, the library, folders, the playlist, the
// equalizer and the sleep timer, over the protocol module. Everything the
// plug-in says arrives as an event of the session; everything the page asks
// goes out through send().
import { BridgePort, bridgeUrl, chooseSerialPort, describePort, rememberedSerialPort, webSerialAvailable } from './link.js';
import { PagedList } from './pager.js';
import { bandArgument, Charset, Command as C, Connection, Session, sleepTimerArgument } from './protocol.js';

const $ = (selector, root = document) => root.querySelector(selector);
const $$ = (selector, root = document) => [...root.querySelectorAll(selector)];

const params = new URLSearchParams(location.search);
const viaBridge = params.has('bridge');
const storedCharset = localStorage.getItem('quillon.charset') ?? 'windows-1252';

const session = new Session({ charset: new Charset(storedCharset) });
let connection = null;

// ---- small helpers ------------------------------------------------------------------

function toast(text, bad = false) {
    const box = document.createElement('div');
    box.className = bad ? 'toast bad' : 'toast';
    box.textContent = text;
    $('#toasts').append(box);
    setTimeout(() => box.remove(), bad ? 5000 : 3000);
}

// Sends a command line; a line that cannot go out is said, not thrown.
// False when it did not go out.
function send(number, argument = '') {
    try {
        session.send(number, String(argument));
        return true;
    } catch (error) {
        toast(error.message, true);
        return false;
    }
}

// A list keeps the conversation to itself, and the plug-in pushes nothing
// while it waits: after something starts playing from a list, the status is
// asked for, which ends the list (the pager opens it again when needed).
function played(sent) {
    if (sent) send(C.statusOn);
}

// Numbers that mean one thing at top level and another inside some list:
// the list is ended first (27 ends any list and is answered harmlessly).
function leaveList(...numbers) {
    if (session.openList !== null && numbers.includes(session.openList.number)) send(C.version);
}

function clock(ms) {
    if (!(ms >= 0)) return '–:––';
    const seconds = Math.floor(ms / 1000);
    const hours = Math.floor(seconds / 3600);
    const minutes = Math.floor((seconds % 3600) / 60);
    const rest = String(seconds % 60).padStart(2, '0');
    return hours > 0 ? `${hours}:${String(minutes).padStart(2, '0')}:${rest}` : `${minutes}:${rest}`;
}

// One of the page's icons (the sprite in index.html).
function icon(name) {
    const svg = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
    svg.setAttribute('class', 'icon');
    svg.setAttribute('aria-hidden', 'true');
    const use = document.createElementNS('http://www.w3.org/2000/svg', 'use');
    use.setAttribute('href', `#i-${name}`);
    svg.append(use);
    return svg;
}

function element(tag, attributes = {}, ...children) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes)) {
        if (key === 'class') node.className = value;
        else if (key.startsWith('on')) node.addEventListener(key.slice(2), value);
        else node.setAttribute(key, value);
    }
    node.append(...children);
    return node;
}

// ---- the link -----------------------------------------------------------------------

const linkNames = {
    idle: 'Not connected',
    connecting: 'Connecting…',
    open: 'Connected',
    lost: 'Link lost',
    reconnecting: 'Reconnecting…',
    closed: 'Not connected',
};

function showLinkState(state) {
    const pill = $('#link-state');
    pill.dataset.state = state;
    pill.textContent = linkNames[state] ?? state;
    const active = connection !== null && state !== 'closed';
    $('#connect').hidden = active;
    $('#mini').hidden = !active || currentScreen === 'now';
}

function start(port) {
    const running = new Connection(session, port);
    connection = running;
    running.on('state', ({ state }) => showLinkState(state));
    running.on('problem', ({ error }) => console.debug('link:', error?.message ?? error));
    running.run().then(() => {
        if (connection === running) connection = null;
        showLinkState('closed');
    });
    console.debug(`connecting to the ${describePort(port)}`);
}

async function connect() {
    if (connection !== null) return;
    if (viaBridge) {
        start(new BridgePort(params.get('bridge') || bridgeUrl(location)));
        return;
    }
    if (!webSerialAvailable()) {
        toast('This browser cannot open serial ports. Use Chrome or Edge on a computer, over HTTPS or on localhost.', true);
        return;
    }
    try {
        start(await chooseSerialPort());
    } catch (error) {
        if (error.name !== 'NotFoundError') toast(error.message, true); // NotFoundError: the chooser was cancelled
    }
}

async function disconnect() {
    const running = connection;
    connection = null;
    await running?.stop();
    showLinkState('closed');
}

// What the page wants to know as soon as the plug-in hears it.
session.on('link', ({ up }) => {
    if (!up) {
        pagers.forEach((view) => view.linkLost());
        return;
    }
    send(C.statusOn);
    send(C.version);
    send(C.sleepTimerState);
    send(C.equalizer);
    screens[currentScreen]?.shown?.();
});

if ('serial' in navigator) {
    // A Bluetooth or USB port that comes back: try it now rather than later.
    navigator.serial.addEventListener('connect', (event) => {
        if (connection && connection.state !== 'open') {
            if (!(connection.port instanceof BridgePort)) connection.port = event.target;
            connection.retryNow();
        }
    });
}

// ---- now playing ----------------------------------------------------------------

const stateNames = { 0: 'Stopped', 1: 'Playing', 3: 'Paused' };
const now = { state: 0, title: '', lengthMs: 0, positionMs: 0, at: 0, seen: false };
let seeking = false;
let changingVolume = false;

function shownPosition() {
    const elapsed = now.state === 1 ? performance.now() - now.at : 0;
    const position = now.positionMs + elapsed;
    return now.lengthMs > 0 ? Math.min(position, now.lengthMs) : position;
}

function renderNow() {
    $('#now-state').textContent = stateNames[now.state] ?? `State ${now.state}`;
    $('#now-title').textContent = now.seen ? now.title || '(no title)' : 'Nothing playing';
    $('#mini-title').textContent = now.seen ? `${stateNames[now.state] ?? ''} · ${now.title}` : '';
    $('#now-format').textContent =
        now.seen && now.sampleRate > 0 ? `${now.sampleRate} kHz · ${now.channels === 1 ? 'mono' : now.channels === 2 ? 'stereo' : `${now.channels} channels`}` : '';
    $('#shuffle').setAttribute('aria-pressed', String(Boolean(now.shuffle)));
    $('#repeat').setAttribute('aria-pressed', String(Boolean(now.repeat)));
    $('#play').classList.toggle('active', now.state === 1);
    const seek = $('#seek');
    seek.max = String(Math.max(0, now.lengthMs));
    $('#now-length').textContent = clock(now.lengthMs);
    tickPosition();
}

function tickPosition() {
    if (seeking) return;
    const position = shownPosition();
    $('#seek').value = String(position);
    $('#now-position').textContent = clock(position);
}

setInterval(tickPosition, 500);

$('#seek').addEventListener('input', () => {
    seeking = true;
    $('#now-position').textContent = clock(Number($('#seek').value));
});
$('#seek').addEventListener('change', () => {
    seeking = false;
    const target = Number($('#seek').value);
    send(C.seek, Math.round(target));
    now.positionMs = target;
    now.at = performance.now();
});

$('#volume').addEventListener('input', () => {
    changingVolume = true;
    $('#volume-value').textContent = $('#volume').value;
});
$('#volume').addEventListener('change', () => {
    changingVolume = false;
    send(C.setVolume, $('#volume').value);
});

// Buttons that are one command line each (transport, volume steps, toggles).
document.addEventListener('click', (event) => {
    const button = event.target.closest('button[data-command]');
    if (button) send(Number(button.dataset.command));
});

// ---- replies -----------------------------------------------------------------------

let sleepSetting = null;

const replies = {
    nowPlaying(event) {
        Object.assign(now, event, { at: performance.now(), seen: true });
        renderNow();
    },
    volume({ volume }) {
        if (!changingVolume) $('#volume').value = String(volume);
        $('#volume-value').textContent = String(volume);
    },
    version({ text, version }) {
        // The host reports its version as hex digits: 0x5666 is 5.666.
        const hex = version !== null && version > 0 ? version.toString(16) : '';
        $('#version').textContent = hex.length > 1 ? `Winamp ${hex[0]}.${hex.slice(1)} is running` : text;
    },
    equalizer({ bands }) {
        bands.forEach((value, band) => {
            const slider = $(`#band-${band}`);
            if (slider && document.activeElement !== slider) slider.value = String(value);
            const label = $(`#band-value-${band}`);
            if (label) label.textContent = String(value);
        });
    },
    sleepTimer(event) {
        const state = $('#sleep-state');
        if (event.failed) {
            state.textContent = 'could not be set';
            toast('The player could not set the timer', true);
        } else if (event.armed) {
            state.textContent = sleepSetting ? `on: ${sleepSetting}` : 'on';
        } else {
            state.textContent = 'off';
        }
        state.dataset.armed = String(Boolean(event.armed));
    },
    playlistSaved({ name }) {
        toast(`Saved “${name}” in My Music`);
    },
    playlistExists({ name }) {
        toast(`“${name}” already exists in My Music: choose another name`, true);
    },
    endOfConversation() {
        toast('The player ended the conversation (it is closing)', true);
    },
    malformed({ line, why }) {
        console.debug(`ignored a line (${why}):`, line);
    },
};

session.on('event', (event) => replies[event.type]?.(event));

// ---- lists -------------------------------------------------------------------------

// Shows one paged list in a scrolling box: renders the held pages, keeps the
// reader's place when pages come and go above, and asks for more near either end.
class ListView {
    constructor(container, emptyText) {
        this.container = container;
        this.emptyText = emptyText;
        this.head = element('div', { class: 'list-head' });
        this.box = element('div', { class: 'list-pages' });
        this.status = element('div', { class: 'list-status' });
        container.style.position = 'relative';
        container.replaceChildren(this.head, this.box, this.status);
        this.pager = null;
        this.rendered = new Map();
        this.renderItem = null;
        this.checking = false;
        container.addEventListener('scroll', () => this.scheduleCheck(), { passive: true });
        pagers.add(this);
    }

    show(steps, renderItem, head = null) {
        this.pager?.close();
        this.rendered.clear();
        this.box.replaceChildren();
        this.head.replaceChildren();
        this.headRow = head;
        this.renderItem = renderItem;
        this.container.scrollTop = 0;
        this.pager = new PagedList(session, steps);
        this.pager.on('change', (view) => this.render(view));
        this.pager.on('problem', ({ error }) => toast(error.message, true));
        if (session.connected) this.pager.open();
        else this.render(this.pager.view());
    }

    reload() {
        if (!this.pager) return;
        this.pager.list = null;
        this.rendered.clear();
        this.box.replaceChildren();
        if (session.connected) this.pager.open();
    }

    linkLost() {
        // The plug-in's list is gone with the link; the next scroll opens it again.
        if (this.pager) this.pager.list = null;
    }

    render(view) {
        if (view.allTracks && this.headRow && this.head.childElementCount === 0) this.head.append(this.headRow());
        const wanted = new Set(view.pages.map((page) => page.ordinal));
        // The first page that stays is the reader's anchor.
        const anchorOrdinal = view.pages.map((page) => page.ordinal).find((ordinal) => this.rendered.has(ordinal));
        const anchor = anchorOrdinal === undefined ? null : this.rendered.get(anchorOrdinal).node;
        const anchorOffset = anchor ? anchor.offsetTop - this.container.scrollTop : 0;
        for (const [ordinal, held] of this.rendered) {
            if (!wanted.has(ordinal)) {
                held.node.remove();
                this.rendered.delete(ordinal);
            }
        }
        let previous = null;
        for (const page of view.pages) {
            let held = this.rendered.get(page.ordinal);
            if (!held) {
                held = { node: element('div', { class: 'page', 'data-page': String(page.ordinal), 'data-start': String(page.start) }), count: 0 };
                this.rendered.set(page.ordinal, held);
                if (previous) previous.after(held.node);
                else this.box.prepend(held.node);
            }
            for (; held.count < page.items.length; ++held.count) held.node.append(this.renderItem(page.items[held.count]));
            previous = held.node;
        }
        if (anchor && anchor.isConnected) this.container.scrollTop = anchor.offsetTop - anchorOffset;
        const count = view.pages.reduce((sum, page) => sum + page.items.length, 0);
        if (!session.connected && !view.began) this.status.textContent = 'Connect to see this list';
        else if (view.busy || !view.began) this.status.textContent = 'Loading…';
        else if (count === 0 && !view.allTracks) this.status.textContent = this.emptyText;
        else this.status.textContent = view.hasMore ? 'More below' : '';
        this.scheduleCheck();
    }

    scheduleCheck() {
        if (this.checking) return;
        this.checking = true;
        requestAnimationFrame(() => {
            this.checking = false;
            this.check();
        });
    }

    check() {
        const pager = this.pager;
        if (!pager || pager.busy || !session.connected || this.container.offsetParent === null) return;
        const { scrollTop, clientHeight, scrollHeight } = this.container;
        const margin = Math.max(200, clientHeight / 2);
        if (scrollTop + clientHeight >= scrollHeight - margin && pager.more()) return;
        if (scrollTop <= margin) pager.earlier();
    }
}

const pagers = new Set();

const kindNames = {
    artist: 'Artist',
    album: 'Album',
    genre: 'Genre',
    title: 'Title',
    libraryPlaylist: 'Playlist',
    drive: 'Drive',
    cdDrive: 'CD drive',
    folder: 'Folder',
    file: 'File',
    playlistFile: 'Playlist file',
    playlistEntry: 'Entry',
};

// One row: a label that opens or plays, and play and enqueue buttons.
function itemRow({ kind, name, open, play, enqueue, index = null }) {
    const label = element(
        'button',
        { type: 'button', class: 'label', 'aria-label': `${open ? 'Open' : 'Play'} ${name}` },
        element('span', { class: 'kind' }, index !== null ? `${kindNames[kind] ?? kind} ${index + 1}` : kindNames[kind] ?? kind),
        element('span', { class: 'name' }, name || '(no name)'),
    );
    label.addEventListener('click', open ?? play ?? (() => {}));
    const row = element('div', { class: 'item', role: 'listitem', 'data-kind': kind }, label);
    if (play) row.append(element('button', { type: 'button', class: 'act', 'aria-label': `Play ${name}`, onclick: play }, icon('play')));
    if (enqueue) row.append(element('button', { type: 'button', class: 'act', 'aria-label': `Enqueue ${name}`, onclick: enqueue }, icon('add')));
    return row;
}

function crumbs(box, trail, go) {
    box.replaceChildren();
    trail.forEach((level, depth) => {
        if (depth > 0) box.append(element('span', { class: 'sep', 'aria-hidden': 'true' }, '›'));
        const last = depth === trail.length - 1;
        box.append(element('button', { type: 'button', 'aria-current': String(last), onclick: () => go(depth) }, level.label));
    });
}

// ---- library -------------------------------------------------------------------------

// Before picking a title by its index, the results it indexes must be the
// plug-in's: the list is asked for again when another list came since.
function pickTitle(level, event, mode) {
    const [number, argument, context] = level.browse;
    if (!session.holdsBrowseResults(number, argument, context)) for (const [n, a] of level.steps(session)) send(n, a);
    const sent = send(mode === 0 ? C.playTitle : C.enqueueTitle, event.index);
    if (mode === 0) played(sent);
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
                open: () => libraryPush(library.albumsOfArtist(text)),
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
                open: () => libraryPush(library.titlesOfAlbum(text)),
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
                open: () => libraryPush(library.albumsOfGenre(text)),
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
                open: () => libraryPush(library.titlesOfArtist(artist)),
                play: () => played(send(C.playArtist, artist)),
                enqueue: () => send(C.enqueueArtist, artist),
            }),
        item: ({ text }) =>
            itemRow({
                kind: 'album',
                name: text,
                open: () => libraryPush(library.titlesOfArtistAlbum(artist, text)),
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
                open: () => libraryPush(library.titlesOfGenre(genre)),
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
                open: () => libraryPush(library.titlesOfGenreAlbum(genre, text)),
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

let libraryTrail = [];
let libraryView = null;

function libraryShow() {
    const level = libraryTrail.at(-1);
    crumbs($('#library-crumbs'), libraryTrail, (depth) => {
        libraryTrail = libraryTrail.slice(0, depth + 1);
        libraryShow();
    });
    libraryView.show(level.steps, level.item, level.head ?? null);
}

function libraryPush(level) {
    libraryTrail.push(level);
    libraryShow();
}

function libraryBrowse(kind) {
    $$('[data-browse]').forEach((tab) => tab.setAttribute('aria-selected', String(tab.dataset.browse === kind)));
    libraryTrail = [library[kind]()];
    libraryShow();
}

// ---- folders and playlist files ---------------------------------------------------

let filesTrail = [];
let filesView = null;

const files = {
    drives: () => ({
        label: 'Drives',
        steps: () => [[C.drives, '']],
        item: (event) =>
            itemRow({
                kind: event.kind,
                name: event.label ? `${event.label} (${event.drive})` : event.drive,
                open: () => filesPush(files.folder(event.drive, event.drive)),
            }),
    }),
    folder: (path, label) => ({
        label,
        // A folder opened inside the current playlist would nest in it: that
        // view is ended first.
        steps: (s) => [...(s.openList?.number === C.currentPlaylist ? [[C.version, '']] : []), [C.listFolder, path]],
        item: (event) => {
            const full = `${path}\\${event.text}`;
            if (event.kind === 'folder') return itemRow({ kind: 'folder', name: event.text, open: () => filesPush(files.folder(full, event.text)) });
            return itemRow({
                kind: 'file',
                name: event.text,
                play: () => played(send(C.playFile, full)),
                enqueue: () => send(C.enqueueFile, full),
            });
        },
    }),
    playlistFiles: () => ({
        label: 'My Music',
        // The list sends nothing at all when there is no playlist file; the
        // version line that follows tells so.
        steps: () => [[C.listPlaylistFiles, ''], [C.version, '']],
        item: ({ text }) =>
            itemRow({
                kind: 'playlistFile',
                name: text,
                play: () => {
                    leaveList(C.libraryPlaylists); // there 5 picks a library playlist
                    played(send(C.playPlaylistFile, text));
                },
            }),
    }),
};

function filesShow() {
    const level = filesTrail.at(-1);
    crumbs($('#files-crumbs'), filesTrail, (depth) => {
        filesTrail = filesTrail.slice(0, depth + 1);
        filesShow();
    });
    filesView.show(level.steps, level.item);
}

function filesPush(level) {
    filesTrail.push(level);
    filesShow();
}

function filesBrowse(kind) {
    $$('[data-files]').forEach((tab) => tab.setAttribute('aria-selected', String(tab.dataset.files === kind)));
    filesTrail = [files[kind === 'folders' ? 'drives' : 'playlistFiles']()];
    filesShow();
}

function savePlaylist(form) {
    const name = form.elements.name.value.trim();
    if (!name) return;
    if (send(C.savePlaylist, name)) form.reset();
}

// ---- the current playlist ---------------------------------------------------------

let playlistView = null;

function playlistShow() {
    playlistView.show(
        () => [[C.currentPlaylist, '']],
        (event) => itemRow({ kind: 'playlistEntry', name: event.text, index: event.index, play: () => played(send(C.jump, event.index)) }),
    );
}

// ---- equalizer -----------------------------------------------------------------------

// The 17 presets, ten phone-side band values each (higher is louder), as the
// plug-in applies them; drawn on their buttons.
const presets = [
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
];

function buildEqualizer() {
    const bands = $('#bands');
    for (let band = 0; band < 10; ++band) {
        const slider = element('input', { id: `band-${band}`, type: 'range', min: '0', max: '63', value: '32', 'aria-label': `Band ${band + 1}` });
        slider.addEventListener('input', () => {
            $(`#band-value-${band}`).textContent = slider.value;
        });
        slider.addEventListener('change', () => {
            try {
                send(C.setBand, bandArgument(band, Number(slider.value)));
            } catch (error) {
                toast(error.message, true);
            }
        });
        bands.append(element('div', { class: 'band' }, element('output', { id: `band-value-${band}` }, '32'), slider, element('span', {}, String(band + 1))));
    }
    const svg = 'http://www.w3.org/2000/svg';
    presets.forEach((values, index) => {
        const curve = document.createElementNS(svg, 'svg');
        curve.setAttribute('viewBox', '0 0 90 63');
        curve.setAttribute('preserveAspectRatio', 'none');
        curve.setAttribute('aria-hidden', 'true');
        const line = document.createElementNS(svg, 'polyline');
        line.setAttribute('points', values.map((value, band) => `${band * 10},${63 - value}`).join(' '));
        curve.append(line);
        const button = element('button', { type: 'button', 'aria-label': `Preset ${index + 1}` }, curve, element('span', {}, `Preset ${index + 1}`));
        button.addEventListener('click', () => {
            send(C.preset, index);
            send(C.equalizer); // the plug-in does not answer a preset; the bands are read back
        });
        $('#presets').append(button);
    });
}

// ---- sleep timer -------------------------------------------------------------------

function setSleepTimer(form) {
    const data = new FormData(form);
    const count = Math.max(1, Math.floor(Number(data.get('count')) || 0));
    const unit = data.get('mode') === '1' ? 'tracks' : 'minutes';
    const action = data.get('action') === '0' ? 'powerOff' : 'stop';
    const fade = data.get('fade') === 'on';
    const factor = Math.min(99, Math.max(1, Number(data.get('factor')) || 90)) / 100;
    const every = Math.max(1, Math.floor(Number(data.get('every')) || 5));
    let argument;
    try {
        argument = sleepTimerArgument({ action, count, unit, fadeFactor: fade ? factor : 1, fadeEveryMinutes: fade ? every : 0 });
    } catch (error) {
        toast(error.message, true);
        return;
    }
    const plural = count === 1 ? unit.slice(0, -1) : unit;
    sleepSetting = `${action === 'powerOff' ? 'power off' : 'stop'} after ${count} ${plural}${fade ? `, fading to ${Math.round(factor * 100)} % every ${every} min` : ''}`;
    if (send(C.setSleepTimer, argument)) $('#sleep-note').textContent = `Asked for: ${sleepSetting}`;
}

// ---- screens ---------------------------------------------------------------------------

let currentScreen = 'now';

const screens = {
    now: {
        shown() {
            // 18 answers with the volume and what plays (and ends a list the
            // other screens left open; their pagers open it again).
            if (session.connected) send(C.statusOn);
        },
    },
    library: {
        shown() {
            if (libraryTrail.length === 0) libraryBrowse('artists');
            else if (!libraryView.pager?.list && session.connected) libraryShow();
        },
    },
    files: {
        shown() {
            if (filesTrail.length === 0) filesBrowse('folders');
            else if (!filesView.pager?.list && session.connected) filesShow();
        },
    },
    playlist: {
        shown() {
            if (session.connected) playlistShow();
        },
    },
    eq: {
        shown() {
            if (session.connected) send(C.equalizer);
        },
    },
    sleep: {
        shown() {
            if (session.connected) send(C.sleepTimerState);
        },
    },
};

function go(name) {
    currentScreen = name;
    $$('.screen').forEach((screen) => {
        screen.hidden = screen.dataset.screen !== name;
    });
    $$('[data-go]').forEach((tab) => {
        if (tab.dataset.go === name) tab.setAttribute('aria-current', 'page');
        else tab.removeAttribute('aria-current');
    });
    $('#mini').hidden = name === 'now' || connection === null;
    screens[name].shown?.();
}

// ---- wiring ---------------------------------------------------------------------------

function wire() {
    libraryView = new ListView($('#library-list'), 'Nothing here');
    filesView = new ListView($('#files-list'), 'Nothing here');
    playlistView = new ListView($('#playlist-list'), 'The playlist is empty');
    buildEqualizer();
    renderNow();

    $('#connect').addEventListener('click', connect);
    $('#disconnect').addEventListener('click', disconnect);
    $$('[data-go]').forEach((tab) => tab.addEventListener('click', () => go(tab.dataset.go)));
    $$('[data-browse]').forEach((tab) => tab.addEventListener('click', () => libraryBrowse(tab.dataset.browse)));
    $$('[data-files]').forEach((tab) => tab.addEventListener('click', () => filesBrowse(tab.dataset.files)));
    for (const id of ['#save-form-files', '#save-form-playlist']) {
        $(id).addEventListener('submit', (event) => {
            event.preventDefault();
            savePlaylist(event.target);
        });
    }
    $('#playlist-refresh').addEventListener('click', () => playlistView.reload());
    $('#playlist-clear').addEventListener('click', () => {
        if (!confirm('Clear the playlist on the PC?')) return;
        send(C.clearPlaylist);
        playlistView.reload();
    });
    $('#sleep-form').addEventListener('submit', (event) => {
        event.preventDefault();
        setSleepTimer(event.target);
    });
    $('#sleep-cancel').addEventListener('click', () => {
        sleepSetting = null;
        $('#sleep-note').textContent = '';
        send(C.cancelSleepTimer);
    });
    const charset = $('#charset');
    charset.value = storedCharset;
    charset.addEventListener('change', () => {
        session.charset = new Charset(charset.value);
        localStorage.setItem('quillon.charset', charset.value);
    });
    showLinkState('idle');

    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch((error) => console.debug('no offline copy:', error.message));
    // A port allowed before opens again without the chooser.
    if (!viaBridge) rememberedSerialPort().then((port) => port && connection === null && start(port)).catch(() => {});
}

wire();
