// The link under the conversation: a serial port (Web Serial, or the dev
// bridge's stand-in with the same streams) that is opened, read, and opened
// again after it was lost. What it reads goes to the session; what the
// session sends it writes.
import { Emitter } from './events.js';
import { commandLineLimit } from './protocol.js';

// Blanks past the longest line the plug-in takes, then LF.
export function discardLine() {
    return new Uint8Array(commandLineLimit + 2).fill(0x20).fill(0x0a, commandLineLimit + 1);
}

// Runs the link on a serial port: opens it, feeds what it reads to the
// session, writes what the session sends, and when the port is lost (the
// Bluetooth link dropped, the bridge went away) closes it and opens it again,
// waiting longer after each failed try, until stop().
//
// `port` is a Web Serial SerialPort or anything with the same shape: open(),
// close(), and the streams readable and writable once open.
export class Connection extends Emitter {
    constructor(session, port, { baudRate = 115200, retryMs = [500, 1000, 2000, 5000] } = {}) {
        super();
        this.session = session;
        this.port = port;
        this.baudRate = baudRate;
        this.retryMs = retryMs;
        this.state = 'idle';
        this.stopped = false;
        this.writer = null;
        this.writing = Promise.resolve();
        this.lineMayBeCut = false; // a write was under way when the link went
        this.wake = null;
    }

    setState(state, detail = {}) {
        this.state = state;
        this.emit('state', { state, ...detail });
    }

    // Runs until stop(); resolves when it has stopped.
    async run() {
        let failures = 0;
        while (!this.stopped) {
            this.setState(failures === 0 ? 'connecting' : 'reconnecting', { failures });
            let opened = false;
            try {
                await this.port.open({ baudRate: this.baudRate });
                opened = true;
            } catch (error) {
                this.emit('problem', { error });
            }
            if (opened && !this.stopped) {
                failures = 0;
                await this.serve();
            }
            if (opened) await this.closePort();
            if (this.stopped) break;
            this.setState('lost', { failures });
            await this.pause(this.retryMs[Math.min(failures, this.retryMs.length - 1)]);
            failures += 1;
        }
        this.setState('closed');
    }

    // Tries to open again now rather than after the pause (the port came back).
    retryNow() {
        this.wake?.();
    }

    pause(ms) {
        return new Promise((resolve) => {
            const timer = setTimeout(done, ms);
            function done() {
                clearTimeout(timer);
                resolve();
            }
            this.wake = done;
        }).finally(() => {
            this.wake = null;
        });
    }

    async serve() {
        this.writer = this.port.writable.getWriter();
        // A write stuck on the lost link must not hold up the new one.
        this.writing = Promise.resolve();
        if (this.lineMayBeCut) {
            // Part of a line may have reached the plug-in before the link
            // went; it would run together with our next line. A line longer
            // than the plug-in takes is dropped whole, and that partial with
            // it; it goes out before anything the session sends.
            this.lineMayBeCut = false;
            this.write(discardLine());
        }
        this.session.linkUp((bytes) => this.write(bytes));
        this.setState('open');
        try {
            while (!this.stopped && this.port.readable) {
                const reader = this.port.readable.getReader();
                this.reader = reader;
                try {
                    for (;;) {
                        const { value, done } = await reader.read();
                        if (done) break;
                        if (value?.length) this.session.receive(value);
                    }
                    break; // the stream ended: the port is gone
                } catch (error) {
                    // A framing or parity error leaves the port usable with a
                    // fresh stream; a lost device leaves no stream.
                    this.emit('problem', { error });
                } finally {
                    this.reader = null;
                    try {
                        reader.releaseLock();
                    } catch {
                        // already released
                    }
                }
            }
        } finally {
            const writer = this.writer;
            this.writer = null;
            this.session.linkDown();
            try {
                writer.releaseLock();
            } catch {
                // a pending write holds it; closing the port ends that write
            }
        }
    }

    write(bytes) {
        const writer = this.writer;
        this.writing = this.writing.then(async () => {
            if (writer === null || this.writer !== writer) {
                return;
            }
            try {
                await writer.write(bytes);
            } catch (error) {
                this.lineMayBeCut = true;
                this.emit('problem', { error });
                this.reader?.cancel().catch(() => {});
                return;
            }
        });
        // A write that has begun and not finished when the link goes may have
        // been cut: remembered until the link is back.
        const pending = this.writing;
        this.inFlight = pending;
        pending.then(() => {
            if (this.inFlight === pending) this.inFlight = null;
        });
        return pending;
    }

    async closePort() {
        if (this.inFlight) this.lineMayBeCut = true;
        try {
            await this.reader?.cancel();
        } catch {
            // nothing left to cancel
        }
        try {
            await this.port.close();
        } catch {
            // a port that is gone closes itself
        }
    }

    async stop() {
        this.stopped = true;
        this.wake?.();
        try {
            await this.reader?.cancel();
        } catch {
            // nothing to cancel
        }
    }
}
