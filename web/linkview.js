// The link as the page shows it: the connection pill, Connect and
// Disconnect, and what the page asks for as soon as the plug-in hears it.
import { Command as C } from './commands.js';
import { Connection } from './connection.js';
import { BridgePort, bridgeUrl, chooseSerialPort, describePort, webSerialAvailable } from './link.js';
import { pagers } from './listview.js';
import { askListPushes } from './now.js';
import { app, params, send, session, viaBridge } from './remote.js';
import { $, $$, toast } from './ui.js';

const linkNames = {
    idle: 'Not connected',
    connecting: 'Connecting…',
    open: 'Connected',
    lost: 'Link lost',
    reconnecting: 'Reconnecting…',
    closed: 'Not connected',
    failed: 'Could not connect',
};

// Whether the running connection has ever been open: a first try that
// fails is no lost link.
let everOpen = false;

export function showLinkState(state) {
    if (state === 'open') everOpen = true;
    const shown = !everOpen && (state === 'lost' || state === 'reconnecting') ? 'failed' : state;
    const pill = $('#link-state');
    pill.dataset.state = shown;
    pill.textContent = linkNames[shown] ?? shown;
    const active = app.connection !== null && state !== 'closed';
    const button = $('#connect');
    // Connect when nothing runs; Retry while the page waits to try again;
    // neither where the browser cannot open a port.
    button.hidden = !canConnect() || (active && !['lost', 'reconnecting'].includes(state));
    $('#disconnect').hidden = !canConnect();
    // The player's controls work only over the link.
    for (const control of $$('#screen-now [data-command], #mini [data-command], #seek, #volume')) control.disabled = state !== 'open';
    button.textContent = active ? 'Retry now' : 'Connect';
    $('#mini').hidden = !active || app.currentScreen === 'now';
    pagers.forEach((view) => view.refreshStatus());
}

// The header's button and every Connect or Retry button of the page.
export function connectOrRetry() {
    if (app.connection !== null) app.connection.retryNow();
    else connect();
}

// Where Web Serial is missing the page can reach no player: it says so,
// and keeps saying it.
function canConnect() {
    return viaBridge || webSerialAvailable();
}

export function explainMissingSerial() {
    $('#no-serial').hidden = canConnect();
}

export function start(port) {
    const running = new Connection(session, port);
    app.connection = running;
    everOpen = false;
    running.on('state', ({ state }) => showLinkState(state));
    running.on('problem', ({ error }) => console.debug('link:', error?.message ?? error));
    running.run().then(() => {
        if (app.connection === running) app.connection = null;
        showLinkState('closed');
    });
    console.debug(`connecting to the ${describePort(port)}`);
}

export async function connect() {
    if (app.connection !== null) return;
    if (viaBridge) {
        start(new BridgePort(params.get('bridge') || bridgeUrl(location)));
        return;
    }
    if (!webSerialAvailable()) {
        explainMissingSerial();
        $('#no-serial').scrollIntoView?.();
        return;
    }
    try {
        start(await chooseSerialPort());
    } catch (error) {
        if (error.name !== 'NotFoundError') toast(error.message, true); // NotFoundError: the chooser was cancelled
    }
}

export async function disconnect() {
    const running = app.connection;
    app.connection = null;
    await running?.stop();
    showLinkState('closed');
}

// What the page wants to know as soon as the plug-in hears it.
session.on('link', ({ up }) => {
    if (!up) {
        pagers.forEach((view) => view.linkLost());
        return;
    }
    // The PC's code page first, so that the lines after it read in it.
    send(C.codePage);
    send(C.statusOn);
    // The probe: a plug-in that can search answers "PA" at once; the version
    // line behind it tells when it answered nothing.
    send(C.search);
    send(C.version);
    // After the 27: the status lines while a list waits, if the plug-in knows 103.
    askListPushes();
    send(C.sleepTimerState);
    send(C.equalizer);
    app.screens[app.currentScreen]?.shown?.();
});

if ('serial' in navigator) {
    // A Bluetooth or USB port that comes back: try it now rather than later.
    navigator.serial.addEventListener('connect', (event) => {
        const connection = app.connection;
        if (connection && connection.state !== 'open') {
            if (!(connection.port instanceof BridgePort)) connection.port = event.target;
            connection.retryNow();
        }
    });
}
