// The link as the page shows it: the connection pill, Connect and
// Disconnect, and what the page asks for as soon as the plug-in hears it.
import { Command as C } from './commands.js';
import { Connection } from './connection.js';
import { BridgePort, bridgeUrl, chooseSerialPort, describePort, webSerialAvailable } from './link.js';
import { pagers } from './listview.js';
import { app, params, send, session, viaBridge } from './remote.js';
import { $, toast } from './ui.js';

const linkNames = {
    idle: 'Not connected',
    connecting: 'Connecting…',
    open: 'Connected',
    lost: 'Link lost',
    reconnecting: 'Reconnecting…',
    closed: 'Not connected',
};

export function showLinkState(state) {
    const pill = $('#link-state');
    pill.dataset.state = state;
    pill.textContent = linkNames[state] ?? state;
    const active = app.connection !== null && state !== 'closed';
    $('#connect').hidden = active;
    $('#mini').hidden = !active || app.currentScreen === 'now';
}

export function start(port) {
    const running = new Connection(session, port);
    app.connection = running;
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
        toast('This browser cannot open serial ports. Use Chrome or Edge on a computer, over HTTPS or on localhost.', true);
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
    send(C.statusOn);
    send(C.version);
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
