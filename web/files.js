// The folders screen (drives, folders, files, and My Music's playlist
// files) and the current playlist screen.
import { Command as C } from './commands.js';
import { crumbs, itemRow } from './listview.js';
import { nowTitle, played, recheck, requested } from './now.js';
import { placeChanged } from './places.js';
import { leaveList, send, session } from './remote.js';
import { $, $$, toast } from './ui.js';

export const filesNav = { view: null, trail: [] };

const files = {
    drives: () => ({
        label: 'Drives',
        steps: () => [[C.drives, '']],
        item: (event) =>
            itemRow({
                kind: event.kind,
                name: event.label ? `${event.label} (${event.drive})` : event.drive,
                open: () => filesPush('folder', event.drive, event.drive),
            }),
    }),
    folder: (path, label) => ({
        label,
        // A folder opened inside the current playlist would nest in it: that
        // view is ended first.
        steps: (s) => [...(s.openList?.number === C.currentPlaylist ? [[C.version, '']] : []), [C.listFolder, path]],
        item: (event) => {
            const full = `${path}\\${event.text}`;
            if (event.kind === 'folder') return itemRow({ kind: 'folder', name: event.text, open: () => filesPush('folder', full, event.text) });
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
        item: ({ text }) => {
            knownPlaylistFiles.add(text.toLowerCase());
            return itemRow({
                kind: 'playlistFile',
                name: text,
                play: () => {
                    leaveList(C.libraryPlaylists); // there 5 picks a library playlist
                    played(send(C.playPlaylistFile, text));
                },
            });
        },
    }),
};

function showCrumbs() {
    crumbs($('#files-crumbs'), filesNav.trail, (depth) => {
        filesUp(depth);
        placeChanged();
    });
}

export function filesShow() {
    const level = filesNav.trail.at(-1);
    showCrumbs();
    // Below the top the row is the crumbs' alone.
    $('#files-browse').value = filesNav.trail[0].kind === 'drives' ? 'folders' : 'playlistFiles';
    $('#files-browse').hidden = filesNav.trail.length > 1;
    filesNav.view.show(level.steps, level.item);
}

// Up one level, as Back does; false at the top.
export function filesBack() {
    if (filesNav.trail.length <= 1) return false;
    filesUp(filesNav.trail.length - 2);
    return true;
}

export function filesPlace() {
    return { trail: filesNav.trail.map(({ kind, names }) => ({ kind, names })) };
}

export function filesRestore({ trail }) {
    const levels = trail.map(({ kind, names }) => {
        if (!Object.hasOwn(files, kind) || !Array.isArray(names) || !names.every((name) => typeof name === 'string')) throw new Error(`no level ${kind}`);
        return makeLevel(kind, ...names);
    });
    if (levels.length > 0) filesNav.trail = levels;
}

function makeLevel(kind, ...names) {
    return Object.assign(files[kind](...names), { kind, names });
}

function filesPush(kind, ...names) {
    filesNav.trail.push(makeLevel(kind, ...names));
    filesShow();
    placeChanged();
}

export function filesBrowse(kind) {
    filesNav.trail = [makeLevel(kind === 'folders' ? 'drives' : 'playlistFiles')];
    filesShow();
}

// Up to the level at `depth` (0 the top), as Back does.
export function filesUp(depth) {
    if (depth >= filesNav.trail.length - 1) return;
    filesNav.trail = filesNav.trail.slice(0, depth + 1);
    filesShow();
}

export function filesRecode(recode) {
    if (filesNav.trail.length === 0) return;
    filesNav.trail = filesNav.trail.map((level) => makeLevel(level.kind, ...level.names.map(recode)));
    showCrumbs();
    filesNav.view.recode(filesNav.trail.at(-1), recode);
}

// Names the PC's file system would refuse, refused here with the reason:
// the player's own answer to a failed save speaks of an existing file
// whatever the cause.
const forbiddenCharacters = /[\\/:*?"<>|\u0000-\u001f]/;
const reservedNames = /^(con|prn|aux|nul|com[1-9]|lpt[1-9])(\..*)?$/i;
// My Music's path and ".m3u" share the PC's 259 characters with the name.
const longestName = 200;

export function saveProblem(name) {
    if (name === '') return 'Type a name for the playlist first';
    if (forbiddenCharacters.test(name)) return `“${name}” cannot be a file name: it may not hold \\ / : * ? " < > |`;
    if (/[. ]$/.test(name)) return `“${name}” cannot be a file name: it may not end in a dot or a blank`;
    if (reservedNames.test(name)) return `“${name}” cannot be a file name: Windows keeps it for a device`;
    const bytes = session.charset.encode(name);
    if (bytes === null) return `“${name}” has a character the PC's text encoding (${session.charset.label}) does not have`;
    if (bytes.length > longestName) return `The name is too long: at most ${longestName} characters`;
    return null;
}

// Playlist files seen in My Music, to tell an existing name from another failure.
const knownPlaylistFiles = new Set();

export function savePlaylist(form) {
    const name = form.elements.name.value.trim();
    const problem = saveProblem(name);
    if (problem !== null) {
        toast(problem, true);
        return;
    }
    if (send(C.savePlaylist, name)) form.reset();
}

session.on('event', (event) => {
    if (event.type === 'playlistSaved') {
        knownPlaylistFiles.add(`${event.name}.m3u`.toLowerCase());
        toast(`Saved “${event.name}” in My Music`);
    } else if (event.type === 'playlistExists') {
        const exists = knownPlaylistFiles.has(`${event.name}.m3u`.toLowerCase());
        toast(
            exists
                ? `“${event.name}” already exists in My Music: choose another name`
                : `The player could not save “${event.name}” in My Music: the name may be taken, or the folder missing or out of reach`,
            true,
        );
    } else if (event.type === 'nowPlaying') {
        markPlaying();
    }
});

// ---- the current playlist

export const playlistNav = { view: null, jumped: null };

// The entry that plays: the one jumped to when its title is what plays,
// else every entry with that title (the now-playing line has no position).
// "Playing entry" scrolls back to it.
function markPlaying() {
    const title = nowTitle();
    const rows = $$('#playlist-list .item');
    const jumped = rows.find((row) => Number(row.dataset.index) === playlistNav.jumped && row.dataset.title === title);
    for (const row of rows) {
        const playing = jumped ? row === jumped : title !== null && row.dataset.title === title;
        row.classList.toggle('current', playing);
        if (playing) row.setAttribute('aria-current', 'true');
        else row.removeAttribute('aria-current');
    }
    $('#playlist-playing').hidden = !rows.some((row) => row.classList.contains('current'));
}

$('#playlist-playing').addEventListener('click', () => $('#playlist-list .item.current')?.scrollIntoView({ block: 'center' }));

export function playlistShow(options = {}) {
    playlistNav.view.show(
        () => [[C.currentPlaylist, '']],
        (event) => {
            const row = itemRow({
                kind: 'playlistEntry',
                name: event.text,
                index: event.index,
                playName: `entry ${event.index + 1}, ${event.text}`,
                play: () => {
                    playlistNav.jumped = event.index;
                    played(send(C.jump, event.index));
                    markPlaying();
                },
            });
            row.dataset.index = String(event.index);
            row.dataset.title = event.text;
            queueMicrotask(markPlaying);
            return row;
        },
        null,
        options,
    );
}

export function playlistClear() {
    if (!confirm('Clear the playlist on the PC?')) return;
    playlistNav.jumped = null;
    if (send(C.clearPlaylist)) requested('Clear sent');
    playlistNav.view.reload();
    recheck();
}
