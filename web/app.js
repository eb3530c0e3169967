// The page: screens for now playing, the library, folders, the playlist, the
// equalizer and the sleep timer, over the protocol module. Everything the
// plug-in says arrives as an event of the session; everything the page asks
// goes out through send(). This module switches the screens and wires them up.
import { Command as C } from './commands.js';
import { buildEqualizer } from './equalizer.js';
import { filesBack, filesBrowse, filesNav, filesPlace, filesRecode, filesRestore, filesShow, playlistClear, playlistNav, playlistShow, savePlaylist } from './files.js';
import { libraryBack, libraryBrowse, libraryLetters, libraryNav, libraryPlace, libraryRecode, libraryRestore, libraryShow } from './library.js';
import { rememberedSerialPort } from './link.js';
import { connectOrRetry, disconnect, explainMissingSerial, showLinkState, start } from './linkview.js';
import { ListView } from './listview.js';
import { askStatus, recodeNow, renderNow } from './now.js';
import { placeChanged, placeScreen, placesFor, restorePlace } from './places.js';
import { Charset, chooseCharset } from './protocol.js';
import { app, send, session, storedCharset, viaBridge } from './remote.js';
import { setSleepTimer, sleep } from './sleep.js';
import './taps.js';
import { $, $$ } from './ui.js';

const screens = (app.screens = {
    now: {
        shown() {
            // Asking ends a list the other screens left open; their pagers
            // open it again when needed.
            askStatus();
        },
    },
    library: {
        shown() {
            const pager = libraryNav.view.pager;
            if (libraryNav.trail.length === 0) libraryBrowse('artists');
            else if (!pager || (!pager.list && session.connected)) libraryShow();
        },
    },
    files: {
        shown() {
            const pager = filesNav.view.pager;
            if (filesNav.trail.length === 0) filesBrowse('folders');
            else if (!pager || (!pager.list && session.connected)) filesShow();
        },
    },
    playlist: {
        shown() {
            // Back where the reader left it: the list as it stands when it is
            // still open, else asked for again at the page the reader was on.
            const view = playlistNav.view;
            if (view.pager && session.isOpen(view.pager.list)) return;
            if (session.connected || !view.pager) playlistShow({ keepPlace: true });
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
});

function go(name) {
    app.currentScreen = name;
    $$('.screen').forEach((screen) => {
        screen.hidden = screen.dataset.screen !== name;
    });
    $$('[data-go]').forEach((tab) => {
        if (tab.dataset.go === name) tab.setAttribute('aria-current', 'page');
        else tab.removeAttribute('aria-current');
    });
    $('#mini').hidden = name === 'now' || app.connection === null;
    screens[name].shown?.();
    placeChanged();
}

placesFor(() => app.currentScreen, go);
placeScreen('library', { depth: () => Math.max(0, libraryNav.trail.length - 1), up: libraryBack, place: libraryPlace, restore: libraryRestore });
placeScreen('files', { depth: () => Math.max(0, filesNav.trail.length - 1), up: filesBack, place: filesPlace, restore: filesRestore });

// The user chose the PC's code page, or the PC told it: what is on screen is
// read anew. Only the user's choice is kept for later.
function changeCharset(label, chosen = true) {
    const before = session.charset;
    const after = new Charset(label);
    session.charset = after;
    if (chosen) localStorage.setItem('quillon.charset', label);
    const recode = (text) => {
        const bytes = before.encode(text);
        return bytes === null ? text : after.decode(bytes);
    };
    recodeNow(recode);
    libraryRecode(recode);
    filesRecode(recode);
    playlistNav.view.recode({ steps: playlistNav.view.pager?.steps, item: playlistNav.view.renderItem }, recode);
}

// 104's answer: the PC's code page, unless the user chose one.
session.on('event', (event) => {
    if (event.type !== 'codePage') return;
    const { label, note } = chooseCharset(event.codePage, localStorage.getItem('quillon.charset'));
    $('#charset-note').textContent = note;
    if (label !== session.charset.label) changeCharset(label, false);
    $('#charset').value = label;
});

function wire() {
    libraryNav.view = new ListView($('#library-list'), 'Nothing here');
    libraryLetters();
    filesNav.view = new ListView($('#files-list'), 'Nothing here');
    playlistNav.view = new ListView($('#playlist-list'), 'The playlist is empty');
    buildEqualizer();
    renderNow();
    explainMissingSerial();

    $('#connect').addEventListener('click', connectOrRetry);
    document.addEventListener('click', (event) => {
        if (event.target.closest('[data-connect]')) connectOrRetry();
    });
    $('#disconnect').addEventListener('click', disconnect);
    $$('[data-go]').forEach((tab) => tab.addEventListener('click', () => go(tab.dataset.go)));
    const choice = (id, browse) =>
        $(id).addEventListener('change', (event) => {
            browse(event.target.value);
            placeChanged();
        });
    choice('#library-browse', libraryBrowse);
    choice('#files-browse', filesBrowse);
    for (const id of ['#save-form-files', '#save-form-playlist']) {
        $(id).addEventListener('submit', (event) => {
            event.preventDefault();
            savePlaylist(event.target);
        });
    }
    $('#playlist-refresh').addEventListener('click', () => playlistNav.view.reload());
    $('#playlist-clear').addEventListener('click', playlistClear);
    $('#sleep-form').addEventListener('submit', (event) => {
        event.preventDefault();
        setSleepTimer(event.target);
    });
    $('#sleep-cancel').addEventListener('click', () => {
        sleep.setting = null;
        $('#sleep-note').textContent = '';
        send(C.cancelSleepTimer);
    });
    const charset = $('#charset');
    charset.value = storedCharset;
    charset.addEventListener('change', () => changeCharset(charset.value));
    showLinkState('idle');
    // Back where a reload left the reader.
    const screen = restorePlace();
    if (screen !== 'now' && screen in screens) go(screen);

    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch((error) => console.debug('no offline copy:', error.message));
    // A port allowed before opens again without the chooser.
    if (!viaBridge) rememberedSerialPort().then((port) => port && app.connection === null && start(port)).catch(() => {});
}

wire();
