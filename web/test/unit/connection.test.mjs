// A link that drops and comes back: the session forgets what the plug-in held
// and any half line, the port is opened again, and a line cut by the drop
// cannot run together with the next one.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { Connection } from '../../connection.js';
import { Command, Session } from '../../protocol.js';
import { FakePort, tick, until } from './helpers.mjs';

function connected(port, options = {}) {
    const session = new Session();
    const events = [];
    const states = [];
    const links = [];
    session.on('event', (event) => events.push(event));
    session.on('link', (link) => links.push(link.up));
    const connection = new Connection(session, port, { retryMs: [10, 20], ...options });
    connection.on('state', (state) => states.push(state.state));
    const running = connection.run();
    return { session, connection, events, states, links, running };
}

describe('Connection', () => {
    test('lines flow both ways once the port is open', async () => {
        const port = new FakePort();
        const { session, connection, events, running } = connected(port);
        await until(() => session.connected, 'the link');
        session.send(Command.statusOn);
        port.give('Q100\nJ1:Morning Tide:44:2:200000:0:0:0:\n');
        await until(() => events.length === 2, 'two events');
        assert.deepEqual(events.map((event) => event.type), ['volume', 'nowPlaying']);
        await until(() => port.written.length === 1, 'the write');
        assert.deepEqual(port.written, ['18 \n']);
        await connection.stop();
        await running;
    });

    test('a dropped link is opened again; the half line and the open list are forgotten', async () => {
        const port = new FakePort();
        const { session, connection, events, states, links, running } = connected(port);
        await until(() => session.connected, 'the link');
        const list = session.send(Command.titles);
        port.give('PA\nPZa\nPZb');
        await until(() => events.length === 2, 'header and first item');
        assert.ok(session.isOpen(list));
        port.drop();
        await until(() => links.length === 2, 'the link to go down');
        assert.equal(session.connected, false);
        assert.equal(session.isOpen(list), false);
        assert.ok(states.includes('lost'));
        await port.whenOpened(2);
        await until(() => session.connected, 'the link to come back');
        assert.deepEqual(links, [true, false, true]);
        // "PZb" never ended; what follows the new opening is a fresh line.
        port.give('Q7\n');
        await until(() => events.length === 3, 'the volume line');
        assert.deepEqual(events.map((event) => event.type), ['listBegin', 'listItem', 'volume']);
        assert.equal(events[2].volume, 7);
        await connection.stop();
        await running;
        assert.equal(states.at(-1), 'closed');
    });

    test('a port that cannot be opened is tried again, and retryNow does not wait', async () => {
        const port = new FakePort();
        port.refuseOpens = 2;
        const { session, connection, states, running } = connected(port, { retryMs: [10, 60000] });
        await until(() => states.filter((state) => state === 'reconnecting').length === 1, 'a second try');
        connection.retryNow();
        await until(() => session.connected, 'the link', 1000);
        assert.equal(port.opens, 1);
        await connection.stop();
        await running;
    });

    test('after a write cut by the drop, a line too long to take goes first and LF ends it', async () => {
        const port = new FakePort();
        const { session, connection, running } = connected(port);
        await until(() => session.connected, 'the link');
        port.holdWrites = true;
        session.send(Command.setVolume, '80');
        await tick(5);
        port.drop();
        await port.whenOpened(2);
        await until(() => session.connected, 'the link to come back');
        session.send(Command.statusOn);
        await until(() => port.written.length === 2, 'two writes');
        const [discard, next] = port.written;
        // The plug-in drops a line of more than 1023 bytes before its LF whole.
        assert.ok(discard.length > 1024, `${discard.length} bytes`);
        assert.equal(discard.indexOf('\n'), discard.length - 1);
        assert.match(discard.slice(0, -1), /^ +$/);
        assert.equal(next, '18 \n');
        await connection.stop();
        await running;
    });

    test('without a cut write nothing extra is sent after the link comes back', async () => {
        const port = new FakePort();
        const { session, connection, running } = connected(port);
        await until(() => session.connected, 'the link');
        session.send(Command.play);
        await until(() => port.written.length === 1, 'the write');
        port.drop();
        await port.whenOpened(2);
        await until(() => session.connected, 'the link to come back');
        session.send(Command.pause);
        await until(() => port.written.length === 2, 'the second write');
        assert.deepEqual(port.written, ['14 \n', '15 \n']);
        await connection.stop();
        await running;
    });

    test('a listener that throws does not break the conversation', async () => {
        const port = new FakePort();
        const { session, connection, events, running } = connected(port);
        const thrown = [];
        const report = console.error;
        console.error = (error) => thrown.push(error);
        session.on('event', () => {
            throw new Error('a faulty view');
        });
        await until(() => session.connected, 'the link');
        port.give('Q1\nQ2\n');
        await until(() => events.length === 2, 'both lines');
        await tick(5);
        console.error = report;
        assert.equal(thrown.length, 2);
        assert.equal(thrown[0].message, 'a faulty view');
        assert.equal(session.connected, true);
        await connection.stop();
        await running;
    });
});
