// The now-playing screen and the mini player, and the replies that keep
// them (and the equalizer's and sleep timer's readings) current.
import { Command as C, commandNamed } from './commands.js';
import { send, session } from './remote.js';
import { sleep } from './sleep.js';
import { $, clock, toast } from './ui.js';

const stateNames = { 0: 'Stopped', 1: 'Playing', 3: 'Paused' };
const now = { state: 0, title: '', lengthMs: 0, positionMs: 0, at: 0, seen: false };
let seeking = false;
let changingVolume = false;

function shownPosition() {
    const elapsed = now.state === 1 ? performance.now() - now.at : 0;
    const position = now.positionMs + elapsed;
    return now.lengthMs > 0 ? Math.min(position, now.lengthMs) : position;
}

export function renderNow() {
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

// Buttons that are one command line each (transport, volume steps, toggles),
// named in the markup.
document.addEventListener('click', (event) => {
    const button = event.target.closest('button[data-command]');
    if (button) send(commandNamed(button.dataset.command));
});

// ---- replies

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
            state.textContent = sleep.setting ? `on: ${sleep.setting}` : 'on';
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
