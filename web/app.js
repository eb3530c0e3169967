// The page: screens for now playing, the library, folders, the playlist, the
// equalizer and the sleep timer, over the protocol module. Everything the
// plug-in says arrives as an event of the session; everything the page asks
// goes out through send(). This module switches the screens and wires them up.
import { Command as C } from './commands.js';
import { buildEqualizer } from './equalizer.js';
import { filesBrowse, filesNav, filesShow, playlistNav, playlistShow, savePlaylist } from './files.js';
import { libraryBrowse, libraryNav, libraryShow } from './library.js';
import { rememberedSerialPort } from './link.js';
import { connect, disconnect, showLinkState, start } from './linkview.js';
import { ListView } from './listview.js';
import { renderNow } from './now.js';
import { Charset } from './protocol.js';
import { app, send, session, storedCharset, viaBridge } from './remote.js';
import { setSleepTimer, sleep } from './sleep.js';
import { $, $$ } from './ui.js';

const screens = (app.screens = {
    now: {
        shown() {
            // 18 answers with the volume and what plays (and ends a list the
            // other screens left open; their pagers open it again).
            if (session.connected) send(C.statusOn);
        },
    },
    library: {
        shown() {
            if (libraryNav.trail.length === 0) libraryBrowse('artists');
            else if (!libraryNav.view.pager?.list && session.connected) libraryShow();
        },
    },
    files: {
        shown() {
            if (filesNav.trail.length === 0) filesBrowse('folders');
            else if (!filesNav.view.pager?.list && session.connected) filesShow();
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
}

function wire() {
    libraryNav.view = new ListView($('#library-list'), 'Nothing here');
    filesNav.view = new ListView($('#files-list'), 'Nothing here');
    playlistNav.view = new ListView($('#playlist-list'), 'The playlist is empty');
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
    $('#playlist-refresh').addEventListener('click', () => playlistNav.view.reload());
    $('#playlist-clear').addEventListener('click', () => {
        if (!confirm('Clear the playlist on the PC?')) return;
        send(C.clearPlaylist);
        playlistNav.view.reload();
    });
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
    charset.addEventListener('change', () => {
        session.charset = new Charset(charset.value);
        localStorage.setItem('quillon.charset', charset.value);
    });
    showLinkState('idle');

    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch((error) => console.debug('no offline copy:', error.message));
    // A port allowed before opens again without the chooser.
    if (!viaBridge) rememberedSerialPort().then((port) => port && app.connection === null && start(port)).catch(() => {});
}

wire();
