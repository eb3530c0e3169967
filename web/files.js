// The folders screen (drives, folders, files, and My Music's playlist
// files) and the current playlist screen.
import { Command as C } from './commands.js';
import { crumbs, itemRow } from './listview.js';
import { leaveList, played, send } from './remote.js';
import { $, $$ } from './ui.js';

export const filesNav = { view: null, trail: [] };

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

export function filesShow() {
    const level = filesNav.trail.at(-1);
    crumbs($('#files-crumbs'), filesNav.trail, (depth) => {
        filesNav.trail = filesNav.trail.slice(0, depth + 1);
        filesShow();
    });
    filesNav.view.show(level.steps, level.item);
}

function filesPush(level) {
    filesNav.trail.push(level);
    filesShow();
}

export function filesBrowse(kind) {
    $$('[data-files]').forEach((tab) => tab.setAttribute('aria-selected', String(tab.dataset.files === kind)));
    filesNav.trail = [files[kind === 'folders' ? 'drives' : 'playlistFiles']()];
    filesShow();
}

export function savePlaylist(form) {
    const name = form.elements.name.value.trim();
    if (!name) return;
    if (send(C.savePlaylist, name)) form.reset();
}

// ---- the current playlist

export const playlistNav = { view: null };

export function playlistShow() {
    playlistNav.view.show(
        () => [[C.currentPlaylist, '']],
        (event) => itemRow({ kind: 'playlistEntry', name: event.text, index: event.index, play: () => played(send(C.jump, event.index)) }),
    );
}
