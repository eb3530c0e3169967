// The world of a browser test: a private 64-bit Wine prefix with its 32-bit
// side (as on 64-bit Windows), the release's 32-bit plug-in DLL in the 32-bit
// Windows test host under Wine's 32-bit loader, its port COM7 linked to the dev
// bridge's pseudo-terminal, and the host's control channel (orders such as
// "log" and "state") on its standard input and output.
import { spawn, spawnSync } from 'node:child_process';
import { accessSync, closeSync, constants, existsSync, mkdirSync, openSync, promises as fs } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';

export const repoRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..', '..');

function executable(file) {
    try {
        accessSync(file, constants.X_OK);
        return true;
    } catch {
        return false;
    }
}

function firstExecutable(candidates) {
    return candidates.find((file) => file && executable(file)) ?? null;
}

// The DLL is the release's (tools/run-web-tests.sh unpacks it from the zip
// into the run's folder), the test host the win32 build's.
export function winePaths() {
    const win32 = process.env.QUILLON_TESTHOST_DIR ?? path.join(repoRoot, 'build', 'win32');
    const work = path.resolve(process.env.QUILLON_WEB_E2E_DIR ?? path.join(repoRoot, 'build', 'web-e2e'));
    const wine = firstExecutable([process.env.QUILLON_WINE, '/usr/lib/wine/wine']);
    const wine64 = firstExecutable([process.env.QUILLON_WINE64, '/usr/lib/wine/wine64']);
    const wineserver = firstExecutable([process.env.QUILLON_WINESERVER, '/usr/lib/wine/wineserver']);
    return {
        dll: process.env.QUILLON_DLL ?? path.join(work, 'shipped', 'ml_quillon.dll'),
        testhost: path.join(win32, 'quillon-testhost.exe'),
        work,
        prefix: path.join(work, 'prefix'),
        wine,
        wine64,
        wineserver,
    };
}

// Why the run cannot happen here; null when it can.
export function missingPiece(paths = winePaths()) {
    if (!existsSync(paths.dll)) return `${paths.dll} is not there (tools/run-web-tests.sh unpacks it from the release)`;
    if (!existsSync(paths.testhost)) return `${paths.testhost} is not built (build the win32 preset first)`;
    if (!paths.wine) return "Wine's 32-bit loader /usr/lib/wine/wine is not installed (wine32:i386)";
    if (!paths.wine64) return 'wine64 is not installed';
    if (!paths.wineserver) return 'no wineserver found';
    if (!executable('/usr/bin/socat') && spawnSync('socat', ['-V']).error) return 'socat is not installed';
    return null;
}

function wineEnvironment(paths) {
    const environment = { ...process.env, WINEPREFIX: paths.prefix, WINEDEBUG: '-all', WINEDLLOVERRIDES: 'mscoree,mshtml=' };
    delete environment.DISPLAY;
    return environment;
}

// Wine's own processes outlive the command that started them and would hold
// a pipe open: what they say goes to a log file of the run instead.
function logFile(paths) {
    mkdirSync(paths.work, { recursive: true });
    return openSync(path.join(paths.work, 'wine.log'), 'a');
}

function run(paths, command, args, what, timeoutMs = 180000) {
    const log = logFile(paths);
    try {
        const result = spawnSync(command, args, { env: wineEnvironment(paths), stdio: ['ignore', log, log], timeout: timeoutMs });
        if (result.error) throw new Error(`${what}: ${result.error.message}`);
        if (result.status !== 0) throw new Error(`${what} failed (status ${result.status}); see ${path.join(paths.work, 'wine.log')}`);
        return result;
    } finally {
        closeSync(log);
    }
}

// Stops every Wine process of the prefix. wineserver -k answers 1 when no
// server was running for it, which is no failure.
export function stopWine(paths) {
    const log = logFile(paths);
    try {
        const result = spawnSync(paths.wineserver, ['-k'], { env: wineEnvironment(paths), stdio: ['ignore', log, log], timeout: 60000 });
        if (result.error) throw new Error(`wineserver -k: ${result.error.message}`);
        if (result.status !== 0 && result.status !== 1) throw new Error(`wineserver -k failed (status ${result.status})`);
    } finally {
        closeSync(log);
    }
}

// Makes the prefix once, by wine64, so that it has its 32-bit side; a prefix
// whose making was cut short, or one without that side, is made anew.
export async function makePrefix(paths) {
    const ready = path.join(paths.prefix, '.quillon-web-ready');
    const wow64 = path.join(paths.prefix, 'drive_c', 'windows', 'syswow64', 'kernel32.dll');
    if (existsSync(ready) && existsSync(wow64)) return;
    stopWine(paths);
    await fs.rm(paths.prefix, { recursive: true, force: true });
    await fs.mkdir(paths.prefix, { recursive: true });
    run(paths, paths.wine64, ['wineboot', '-i'], 'wineboot -i');
    run(paths, paths.wineserver, ['-w'], 'waiting for wineboot');
    run(paths, paths.wine64, ['reg', 'add', 'HKCU\\Software\\Wine\\Drivers', '/v', 'Graphics', '/d', 'null', '/f'], 'selecting the null display driver');
    run(paths, paths.wineserver, ['-w'], 'waiting for the registry');
    const userReg = await fs.readFile(path.join(paths.prefix, 'user.reg'), 'utf8');
    if (!/^"Graphics"="null"/m.test(userReg)) throw new Error('the null display driver is not in user.reg');
    if (!existsSync(wow64)) throw new Error(`the prefix has no 32-bit side: ${wow64} is missing`);
    await fs.writeFile(ready, '');
}

// A Linux path inside the prefix's drive C:.
export function driveC(paths, ...parts) {
    return path.join(paths.prefix, 'drive_c', ...parts);
}

// Wine links the user's My Music to the home folder; a test that saves
// playlists there gets a folder of the prefix's own instead.
export async function privateMusicFolder(paths) {
    const music = driveC(paths, 'users', os.userInfo().username, 'Music');
    const found = await fs.lstat(music).catch(() => null);
    if (found?.isSymbolicLink()) await fs.unlink(music);
    await fs.mkdir(music, { recursive: true });
    return music;
}

// One run of the test host with the plug-in.
export class HostRun {
    constructor(paths) {
        this.paths = paths;
        this.lines = [];
        this.waiters = [];
        this.transcript = '';
        this.ended = false;
    }

    // Starts the test host; resolves when the plug-in's init has returned 0.
    // `programs` may name copies of the test host and the DLL to run.
    async start(options, { testhost = this.paths.testhost, dll = this.paths.dll } = {}) {
        const args = [testhost, ...options, dll];
        // Wine's diagnostics go to the run's log: the processes Wine starts
        // beside the host would keep a pipe of ours open.
        const log = logFile(this.paths);
        this.child = spawn(this.paths.wine, args, { env: wineEnvironment(this.paths), stdio: ['pipe', 'pipe', log], detached: true });
        closeSync(log);
        // The host speaks the PC's code page.
        this.child.stdout.setEncoding('latin1');
        this.exited = new Promise((resolve) => this.child.on('exit', (code) => resolve(code)));
        this.exited.then(() => {
            this.ended = true;
            this.wake();
        });
        readline.createInterface({ input: this.child.stdout }).on('line', (line) => {
            this.transcript += `${line}\n`;
            this.lines.push(line.replace(/\r$/, ''));
            this.wake();
        });
        const init = await this.waitFor((line) => line.startsWith('init ') || line.startsWith('error'), 90000);
        if (init !== 'init 0') throw new Error(`the test host did not start the plug-in: ${init}\n${this.transcript}`);
    }

    wake() {
        for (const waiter of this.waiters.splice(0)) waiter();
    }

    // The first line (taken from what was said since the last take) that
    // matches; throws after the time-out.
    async waitFor(match, timeoutMs = 15000) {
        return (await this.takeThrough(match, timeoutMs)).at(-1);
    }

    // Every line said since the last take, through the first that matches.
    async takeThrough(match, timeoutMs = 15000) {
        const deadline = Date.now() + timeoutMs;
        for (;;) {
            const at = this.lines.findIndex(match);
            if (at >= 0) return this.lines.splice(0, at + 1);
            if (this.ended) throw new Error(`the test host ended\n${this.transcript.slice(-3000)}`);
            const left = deadline - Date.now();
            if (left <= 0) throw new Error(`the test host did not say it within ${timeoutMs} ms`);
            await new Promise((resolve) => {
                const timer = setTimeout(resolve, left);
                this.waiters.push(() => {
                    clearTimeout(timer);
                    resolve();
                });
            });
        }
    }

    order(line) {
        this.child.stdin.write(`${line}\n`);
    }

    // The requests the host received since the last call.
    async requests() {
        this.lines.length = 0;
        this.order('log');
        const said = await this.takeThrough((line) => line.startsWith('log end'));
        return said.filter((line) => line.startsWith('request ')).map((line) => line.slice('request '.length));
    }

    // Polls the request log until `match` finds the request; all the
    // requests seen meanwhile.
    async requestsUntil(match, timeoutMs = 10000) {
        const seen = [];
        const deadline = Date.now() + timeoutMs;
        for (;;) {
            seen.push(...(await this.requests()));
            if (seen.some(match)) return seen;
            if (Date.now() > deadline) throw new Error(`no such request; the host received:\n${seen.join('\n')}`);
            await new Promise((resolve) => setTimeout(resolve, 200));
        }
    }

    async state() {
        this.lines.length = 0;
        this.order('state');
        const line = await this.waitFor((text) => text.startsWith('state '));
        const fields = {};
        const body = line.slice('state '.length);
        const playlistAt = body.indexOf(' playlist=');
        for (const pair of body.slice(0, playlistAt).split(' ')) {
            const [key, value] = pair.split('=');
            fields[key] = value;
        }
        fields.playlist = body.slice(playlistAt + ' playlist='.length);
        return fields;
    }

    async quit() {
        if (this.ended) return;
        this.order('quit');
        const timeout = new Promise((resolve) => setTimeout(() => resolve('timeout'), 20000));
        if ((await Promise.race([this.exited, timeout])) === 'timeout') this.kill();
    }

    // Lets go of the host's pipes, which Wine's other processes may hold.
    release() {
        this.child?.stdin.destroy();
        this.child?.stdout.destroy();
    }

    kill() {
        if (this.ended) return;
        try {
            process.kill(-this.child.pid, 'SIGKILL');
        } catch {
            // it ended meanwhile
        }
    }
}
