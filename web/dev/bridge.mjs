// The dev bridge: serves the page on localhost and stands in for the serial
// port. A pseudo-terminal, linked where the plug-in opens its port (a COM
// port of a Wine prefix), is joined to a WebSocket at /link; the page's
// bridge port (link.js) turns that WebSocket into the readable and writable
// streams a Web Serial port has. Bytes go through unchanged both ways.
//
//   node dev/bridge.mjs --pty-link PATH [--port 8080] [--host 127.0.0.1]
//                       [--control-in FIFO --control-out FIFO [--host-wait SECONDS]]
//
// With a test host's control channel (tools/demo.sh --web), what the host
// says is shown, typed lines go to it as orders (state, log, volume 40, ...),
// and the end of input (Ctrl-D) makes it quit. A host that has not opened
// the channel within --host-wait seconds (150) did not start: the bridge
// ends with status 1. It also ends on SIGTERM and SIGINT, and when the
// program that started it has gone.
//
// The pseudo-terminal is made by socat (Debian package socat); nothing else
// is needed beyond node and the ws package.
import { spawn } from 'node:child_process';
import { constants as fsConstants, createReadStream, createWriteStream, promises as fs, openSync, closeSync } from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { WebSocketServer } from 'ws';

export const webRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');

const types = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.mjs': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.json': 'application/json',
    '.webmanifest': 'application/manifest+json',
    '.svg': 'image/svg+xml',
    '.png': 'image/png',
};

// Only the page's own files: not the tests, the tools or the packages.
const hidden = new Set(['node_modules', 'dev', 'test', 'screenshots', 'package.json', 'package-lock.json']);

async function serveFile(root, request, response) {
    let name;
    try {
        name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    } catch {
        name = null;
    }
    if (name === '/') name = '/index.html';
    const parts = name === null ? [] : name.split('/').filter(Boolean);
    const type = name === null ? undefined : types[path.extname(name)];
    if (type === undefined || parts.length === 0 || hidden.has(parts[0]) || parts.some((part) => part.startsWith('.'))) {
        response.writeHead(404, { 'content-type': 'text/plain' }).end('not found\n');
        return;
    }
    const file = path.join(root, ...parts);
    try {
        const body = await fs.readFile(file);
        // The service worker keeps its own copy; the server says nothing of caching.
        response.writeHead(200, { 'content-type': type, 'cache-control': 'no-cache' }).end(body);
    } catch {
        response.writeHead(404, { 'content-type': 'text/plain' }).end('not found\n');
    }
}

async function waitForLink(link, process, timeoutMs = 10000) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
        try {
            await fs.lstat(link);
            return;
        } catch {
            if (process.exitCode !== null) throw new Error(`socat ended (status ${process.exitCode}) before it made ${link}`);
            if (Date.now() > deadline) throw new Error(`socat did not make ${link} within ${timeoutMs} ms`);
            await new Promise((resolve) => setTimeout(resolve, 50));
        }
    }
}

// Starts the bridge; resolves once the line is linked and the server listens.
export async function startBridge({ ptyLink, host = '127.0.0.1', port = 0, root = webRoot, log = () => {} }) {
    await fs.rm(ptyLink, { force: true });
    const socat = spawn('socat', [`PTY,link=${ptyLink},rawer`, 'STDIO'], { stdio: ['pipe', 'pipe', 'pipe'] });
    const socatError = new Promise((resolve) => socat.on('error', resolve));
    let socatLog = '';
    socat.stderr.on('data', (chunk) => {
        socatLog += chunk;
    });
    const started = await Promise.race([waitForLink(ptyLink, socat).then(() => null), socatError]);
    if (started instanceof Error) {
        throw new Error(started.code === 'ENOENT' ? 'socat is not installed (apt-get install socat)' : `socat: ${started.message}`);
    }
    // Our own hold on the line keeps it raw and readable while the plug-in
    // has it closed (before its start, after its quit).
    const keeper = openSync(ptyLink, fsConstants.O_RDWR | fsConstants.O_NOCTTY);

    let client = null;
    const counts = { toPlugin: 0, fromPlugin: 0, clients: 0 };
    socat.stdout.on('data', (bytes) => {
        counts.fromPlugin += bytes.length;
        // Nobody listening: the bytes are lost, as on a serial line.
        if (client?.readyState === 1) client.send(bytes);
    });

    const server = http.createServer((request, response) => {
        serveFile(root, request, response).catch(() => response.destroy());
    });
    // While the line is held down (a test of a lost link), no page gets through.
    let lineDown = false;
    const sockets = new WebSocketServer({ server, path: '/link', verifyClient: (info, answer) => answer(!lineDown, 503) });
    sockets.on('connection', (socket) => {
        // One port, one user: a new page takes the line over from an old one.
        if (client !== null) client.close(4000, 'taken over by another page');
        client = socket;
        counts.clients += 1;
        log(`page connected (${counts.clients})`);
        socket.on('message', (data) => {
            if (client !== socket) return;
            const bytes = Buffer.isBuffer(data) ? data : Buffer.from(data);
            counts.toPlugin += bytes.length;
            socat.stdin.write(bytes);
        });
        socket.on('close', () => {
            if (client === socket) client = null;
            log('page disconnected');
        });
    });
    await new Promise((resolve, reject) => {
        server.once('error', reject);
        server.listen(port, host, resolve);
    });
    const address = server.address();
    const url = `http://${host === '127.0.0.1' ? 'localhost' : host}:${address.port}`;

    return {
        url,
        port: address.port,
        counts,
        socatLog: () => socatLog,
        // Ends the page's link as a lost Bluetooth connection would.
        dropClient() {
            client?.terminate();
            client = null;
        },
        // Down: the page's link ends and no page gets through until up again.
        holdLine(down) {
            lineDown = down;
            if (down) this.dropClient();
        },
        async close() {
            client?.terminate();
            for (const socket of sockets.clients) socket.terminate();
            await new Promise((resolve) => sockets.close(resolve));
            // A browser's idle keep-alive connection would hold the server open.
            server.closeAllConnections();
            await new Promise((resolve) => server.close(resolve));
            socat.stdin.end();
            socat.kill();
            try {
                closeSync(keeper);
            } catch {
                // already closed
            }
            await fs.rm(ptyLink, { force: true });
        },
    };
}

// ---- the command line (tools/demo.sh --web) ------------------------------------

function parseArguments(argv) {
    const options = { port: 8080, host: '127.0.0.1', hostWait: 150 };
    for (let i = 0; i < argv.length; i += 2) {
        const value = argv[i + 1];
        switch (argv[i]) {
            case '--pty-link':
                options.ptyLink = value;
                break;
            case '--port':
                options.port = Number(value);
                break;
            case '--host':
                options.host = value;
                break;
            case '--control-in':
                options.controlIn = value;
                break;
            case '--control-out':
                options.controlOut = value;
                break;
            case '--host-wait':
                options.hostWait = Number(value);
                if (!(options.hostWait > 0)) return null;
                break;
            default:
                return null;
        }
        if (value === undefined) return null;
    }
    return options.ptyLink ? options : null;
}

async function main() {
    const options = parseArguments(process.argv.slice(2));
    if (options === null) {
        console.error('usage: node dev/bridge.mjs --pty-link PATH [--port 8080] [--host 127.0.0.1] [--control-in FIFO --control-out FIFO]');
        process.exit(2);
    }
    const say = (line) => console.log(line);
    const bridge = await startBridge({ ...options, log: (line) => say(`bridge| ${line}`) });
    let toHost = null;
    let control = null;
    let ending = false;
    const finish = async (status) => {
        if (ending) return;
        ending = true;
        await bridge.close();
        // An open of a FIFO whose other end nobody opened waits in a thread
        // that the exit would wait for: the other ends are opened here, for
        // a moment, so that those opens return.
        if (control) control.release();
        process.exit(status);
    };
    process.on('SIGINT', () => finish(130));
    process.on('SIGTERM', () => finish(143));
    // Announced only once the signals are handled: whoever reads the line may
    // send one at once.
    say(`line ${options.ptyLink} ready`);
    say(`web remote: ${bridge.url}/?bridge (open it in Chrome or Edge, then Connect)`);
    for (const until = Date.now() + 300; Date.now() < until; );
    // The program that started the bridge (tools/demo.sh) has gone.
    const parent = process.ppid;
    setInterval(() => {
        try {
            process.kill(parent, 0);
        } catch {
            say('the program that started the bridge has ended');
            finish(1);
        }
    }, 1000).unref();
    if (options.controlIn && options.controlOut) {
        control = controlChannel(options);
        const opened = { in: false, out: false };
        setTimeout(() => {
            if (opened.in && opened.out) return;
            console.error(`bridge: the test host did not open its control channel within ${options.hostWait} s: it did not start`);
            finish(1);
        }, options.hostWait * 1000).unref();
        // The same order as the test host's side opens them. The host speaks
        // the PC's code page: its lines go to the terminal byte for byte.
        toHost = control.toHost;
        toHost.on('open', () => (opened.in = true));
        toHost.on('error', (error) => say(`the test host's input: ${error.message}`));
        const fromHost = control.fromHost;
        fromHost.on('open', () => (opened.out = true));
        eachLine(fromHost, (line) => process.stdout.write(Buffer.concat([Buffer.from('host| '), line, Buffer.from('\n')])));
        fromHost.on('end', () => {
            say('test host ended');
            finish(0);
        });
    }
    // Typed lines go to the host as they were typed, byte for byte.
    eachLine(process.stdin, (line) => {
        if (toHost === null) say('no test host attached');
        else toHost.write(Buffer.concat([line[0] === 0x3a ? line.subarray(1) : line, Buffer.from('\n')]));
    });
    process.stdin.on('end', () => {
        if (toHost === null) finish(0);
        else toHost.write('quit\n'); // the host's end closes the control channel
    });
}

// The test host's control channel: two FIFOs, opened as streams. release()
// lets opens that still wait for the other end return.
function controlChannel({ controlIn, controlOut }) {
    const toHost = createWriteStream(controlIn);
    const fromHost = createReadStream(controlOut);
    return {
        toHost,
        fromHost,
        release() {
            for (const [file, flags, stream] of [
                [controlIn, fsConstants.O_RDONLY, toHost],
                [controlOut, fsConstants.O_WRONLY, fromHost],
            ]) {
                if (stream.pending === false) continue;
                try {
                    closeSync(openSync(file, flags | fsConstants.O_NONBLOCK));
                } catch {
                    // gone, or opened meanwhile
                }
            }
        },
    };
}

// Calls `take` with each line (its bytes, without the LF) read from `stream`.
function eachLine(stream, take) {
    let held = Buffer.alloc(0);
    stream.on('data', (chunk) => {
        held = Buffer.concat([held, chunk]);
        for (let at = held.indexOf(0x0a); at >= 0; at = held.indexOf(0x0a)) {
            take(held.subarray(0, at));
            held = held.subarray(at + 1);
        }
    });
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
    main().catch((error) => {
        console.error(`bridge: ${error.message}`);
        process.exit(1);
    });
}
