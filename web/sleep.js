// The sleep timer screen.
import { Command as C } from './commands.js';
import { sleepTimerArgument } from './protocol.js';
import { send, session } from './remote.js';
import { $, toast } from './ui.js';

// What the page last asked the timer for, shown while it is armed.
export const sleep = { setting: null };

export function setSleepTimer(form) {
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
    // Powering the PC off ends whatever runs on it: asked once more.
    if (action === 'powerOff' && !confirm(`Power the PC off after ${count} ${unit === 'tracks' ? 'track' : 'minute'}${count === 1 ? '' : 's'}? Unsaved work on the PC will be lost.`)) return;
    const plural = count === 1 ? unit.slice(0, -1) : unit;
    sleep.setting = `${action === 'powerOff' ? 'power off' : 'stop'} after ${count} ${plural}${fade ? `, fading to ${Math.round(factor * 100)} % every ${every} min` : ''}`;
    if (send(C.setSleepTimer, argument)) $('#sleep-note').textContent = `Asked for: ${sleep.setting}`;
}

session.on('event', (event) => {
    if (event.type !== 'sleepTimer') return;
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
});

// Without the link the timer's state is not known.
session.on('link', ({ up }) => {
    if (up) return;
    const state = $('#sleep-state');
    state.textContent = 'unknown';
    delete state.dataset.armed;
    $('#sleep-note').textContent = '';
});
