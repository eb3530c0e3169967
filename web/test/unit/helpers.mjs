// Shared by the unit tests: bytes of reply lines, a session on a recording
// transport, and a fake serial port whose link can be dropped.
import { Session } from '../../protocol.js';

// Single-byte text as bytes (every character below 256).
export function bytesOf(text) {
    return Uint8Array.from(text, (character) => character.charCodeAt(0));
}

export function textOf(bytes) {
    return String.fromCharCode(...bytes);
}

// A session whose sent lines are recorded as text and whose events are kept.
export function recordingSession() {
    const session = new Session();
    const sent = [];
    const events = [];
    session.linkUp((bytes) => {
        sent.push(textOf(bytes));
        return Promise.resolve();
    });
    session.on('event', (event) => events.push(event));
    const feed = (...lines) => session.receive(bytesOf(lines.map((line) => `${line}\n`).join('')));
    return { session, sent, events, feed };
}

// A port with the shape of Web Serial's: open() gives fresh streams; drop()
// ends them as a lost device does; reads are fed with give().
export class FakePort {
    constructor() {
        this.opens = 0;
        this.refuseOpens = 0;
        this.written = [];
        this.readable = null;
        this.writable = null;
        this.openWaiters = [];
        this.holdWrites = false;
    }

    async open() {
        if (this.readable) throw new Error('already open');
        if (this.refuseOpens > 0) {
            this.refuseOpens -= 1;
            throw new Error('not available');
        }
        this.opens += 1;
        this.readable = new ReadableStream({
            start: (controller) => {
                this.controller = controller;
            },
        });
        this.writable = new WritableStream({
            write: (chunk) => {
                if (this.holdWrites) return new Promise(() => {}); // never finishes: the link is stuck
                this.written.push(textOf(chunk));
                return undefined;
            },
        });
        for (const waiter of this.openWaiters.splice(0)) waiter();
    }

    whenOpened(count) {
        return new Promise((resolve) => {
            const check = () => (this.opens >= count ? resolve() : this.openWaiters.push(check));
            check();
        });
    }

    give(text) {
        this.controller.enqueue(bytesOf(text));
    }

    // The device is gone: its stream fails and the port has no streams.
    drop() {
        const controller = this.controller;
        this.readable = null;
        this.writable = null;
        this.holdWrites = false;
        controller.error(new Error('The device has been lost.'));
    }

    async close() {
        this.readable = null;
        this.writable = null;
    }
}

export const tick = (ms = 0) => new Promise((resolve) => setTimeout(resolve, ms));

export async function until(condition, what, timeoutMs = 2000) {
    const deadline = Date.now() + timeoutMs;
    while (!condition()) {
        if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
        await tick(5);
    }
}
