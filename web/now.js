// The now-playing screen and the mini player. What they show is what the
// player last said, and they say so when that may no longer hold: "Unknown"
// while the link is down or after the player ended the conversation, and
// "may be out of date" while a list is open, unless the plug-in sends the
// status lines while a list waits (103).
import { Command as C, commandNamed } from './commands.js';
import { app, send, session } from './remote.js';
import { $, clock, toast } from './ui.js';

const stateNames = { 0: 'Stopped', 1: 'Playing', 3: 'Paused' };
// known: false while the page cannot know (no link, or the player ended the
// conversation); `why` then says which. title null: the player has no
// current entry (its playlist is empty).
const now = { known: false, why: 'Not connected', state: 0, title: null, lengthMs: 0, positionMs: 0, at: 0, volume: null };
let seeking = false;
let changingVolume = false;
// One volume button press moves the volume this much (of 0 to 255).
export const volumeStep = 8;

function shownPosition() {
    if (!now.known) return 0;
    const elapsed = now.state === 1 ? performance.now() - now.at : 0;
    const position = now.positionMs + elapsed;
    return now.lengthMs > 0 ? Math.min(position, now.lengthMs) : position;
}

function stateText() {
    if (!now.known) return 'Unknown';
    return stateNames[now.state] ?? `State ${now.state}`;
}

function titleText() {
    if (!now.known) return now.why;
    if (now.title === null) return 'Nothing on the playlist';
    return now.title || '(no title)';
}

export function renderNow() {
    $('#now-state').textContent = stateText();
    $('#now-title-text').textContent = titleText();
    $('#now-title-text').title = titleText();
    $('#mini-title').textContent = asked ?? `${stateText()} · ${titleText()}`;
    $('#now-format').textContent =
        now.known && now.title !== null && now.sampleRate > 0
            ? `${now.sampleRate} kHz · ${now.channels === 1 ? 'mono' : now.channels === 2 ? 'stereo' : `${now.channels} channels`}`
            : '';
    $('#shuffle').setAttribute('aria-pressed', String(now.known && Boolean(now.shuffle)));
    $('#repeat').setAttribute('aria-pressed', String(now.known && Boolean(now.repeat)));
    $('#play').classList.toggle('active', now.known && now.state === 1);
    const seek = $('#seek');
    seek.max = String(now.known ? Math.max(0, now.lengthMs) : 0);
    $('#now-length').textContent = now.known ? clock(now.lengthMs) : '–:––';
    const volume = $('#volume');
    if (!changingVolume) volume.value = String(now.volume ?? 0);
    $('#volume-value').textContent = now.volume === null ? '–' : String(now.volume);
    volume.setAttribute('aria-valuetext', now.volume === null ? 'unknown' : `${Math.round((now.volume / 255) * 100)} %`);
    for (const button of document.querySelectorAll('[data-volume-step]')) button.disabled = now.volume === null;
    tickPosition();
    markStale();
}

function tickPosition() {
    if (seeking) return;
    const position = shownPosition();
    const seek = $('#seek');
    seek.value = String(position);
    seek.setAttribute('aria-valuetext', now.known ? `${clock(position)} of ${clock(now.lengthMs)}` : 'unknown');
    $('#now-position').textContent = now.known ? clock(position) : '–:––';
}

setInterval(tickPosition, 500);

// While a list is open the player's pushes wait, unless the plug-in was
// asked for them there (103): the mini player says so.
export function markStale() {
    const stale = session.openList !== null && now.known && !session.listPushes;
    $('#mini').classList.toggle('stale', stale);
    $('#mini-stale').hidden = !stale;
}

// Asks the player what it is doing: 18 answers with the volume and the
// now-playing line, which the player leaves out when it has no current
// entry; the version line behind it tells that it was left out.
let titleCheck = null;
export function askStatus() {
    if (!session.connected) return;
    app.statusOwed = false;
    if (send(C.statusOn)) titleCheck = { after: session.versionAsks, title: false };
    send(C.version);
}

// After an action whose effect no push reports (Clear, a jump, a play from
// a list): the player is asked again, but never while a list is open, as
// any command would end it; then it is asked once the list has ended. With
// 103 the list's wait reports it.
export function recheck() {
    if (session.listPushes && session.openList !== null) return;
    app.statusOwed = true;
    if (session.openList === null) askStatus();
    markStale();
}

export function played(sent) {
    if (sent) recheck();
    return sent;
}

// What a tap asked the player for, shown in the mini player at once and
// until the player reports (or a few seconds, if it never does).
let asked = null;
let askedTimer = null;
export function requested(text) {
    asked = text;
    clearTimeout(askedTimer);
    askedTimer = setTimeout(() => {
        asked = null;
        renderNow();
    }, 4000);
    renderNow();
}

// 103 1, sent right after a 27: a plug-in that knows it answers with the
// volume line before the answer to the line after it; an older one is silent.
let listPushProbe = null;
export function askListPushes() {
    if (send(C.listPushes, 1)) listPushProbe = { after: session.versionAsks };
}

function probeAnswered(event) {
    if (listPushProbe === null || session.versionAnswers < listPushProbe.after) return;
    if (['version', 'nowPlaying', 'listEmpty', 'malformed'].includes(event.type)) return;
    session.listPushes = event.type === 'volume';
    // A 27 sent since the probe (the screen shown asks the player) switched them off.
    if (session.listPushes && session.versionAsks > listPushProbe.after) send(C.listPushes, 1);
    listPushProbe = null;
    markStale();
}

session.on('sent', () => {
    markStale();
    // A command that ended the list: once the page's own lines are out, the
    // player is asked what was owed.
    if (app.statusOwed && session.openList === null)
        queueMicrotask(() => {
            if (app.statusOwed && session.openList === null) askStatus();
        });
});

$('#now-title').addEventListener('click', () => {
    const title = $('#now-title');
    const open = title.getAttribute('aria-expanded') !== 'true';
    title.setAttribute('aria-expanded', String(open));
});

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

// The volume steps go out as 11 with the known volume moved by a step: 24
// and 25 would move the player's volume without the plug-in learning the
// new one, while 11 answers with it.
// A step taken before the player answered the one before builds on the
// volume asked for, so that three quick taps are three steps.
const volumeAsked = { value: null, unanswered: 0 };
document.addEventListener('click', (event) => {
    const step = event.target.closest('button[data-volume-step]');
    if (!step || now.volume === null) return;
    const from = volumeAsked.unanswered > 0 ? volumeAsked.value : now.volume;
    const to = Math.min(255, Math.max(0, from + Number(step.dataset.volumeStep) * volumeStep));
    if (send(C.setVolume, to)) Object.assign(volumeAsked, { value: to, unanswered: volumeAsked.unanswered + 1 });
});

// Buttons that are one command line each (transport, toggles), named in the markup.
document.addEventListener('click', (event) => {
    const button = event.target.closest('button[data-command]');
    if (button) send(commandNamed(button.dataset.command));
});

// The title that plays, or null when none is known.
export function nowTitle() {
    return now.known ? now.title : null;
}

export function forget(why) {
    Object.assign(now, { known: false, why, volume: null });
    volumeAsked.unanswered = 0;
    titleCheck = null;
    renderNow();
}

// Texts on screen in another code page (the user chose another one).
export function recodeNow(recode) {
    if (typeof now.title === 'string') now.title = recode(now.title);
    renderNow();
}

const replies = {
    nowPlaying(event) {
        if (titleCheck) titleCheck.title = true;
        asked = null;
        Object.assign(now, event, { at: performance.now(), known: true });
        renderNow();
    },
    volume({ volume }) {
        now.volume = volume;
        volumeAsked.unanswered = Math.max(0, volumeAsked.unanswered - 1);
        renderNow();
    },
    version({ text, version }) {
        // The host reports its version as hex digits: 0x5666 is 5.666.
        const hex = version !== null && version > 0 ? version.toString(16) : '';
        $('#version').textContent = hex.length > 1 ? `Winamp ${hex[0]}.${hex.slice(1)} is running` : text;
        if (titleCheck && session.versionAnswers > titleCheck.after) {
            // No now-playing line came: the player has no current entry.
            if (!titleCheck.title) Object.assign(now, { known: true, state: 0, title: null, lengthMs: 0, positionMs: 0, at: performance.now() });
            titleCheck = null;
            renderNow();
        }
    },
    endOfConversation() {
        forget('The player ended the conversation');
        toast('The player ended the conversation (it is closing)', true);
    },
    listBegin: markStale,
    listEmpty: markStale,
    malformed({ line, why }) {
        console.debug(`ignored a line (${why}):`, line);
    },
};

session.on('event', (event) => {
    probeAnswered(event);
    replies[event.type]?.(event);
});
session.on('link', ({ up }) => {
    if (up) return;
    listPushProbe = null;
    forget('Not connected');
});
