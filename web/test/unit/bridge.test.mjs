// The dev bridge as tools/demo.sh runs it: with the test host's control
// FIFOs that no host ever opens (a host that failed to start), it ends on
// SIGTERM and, after its wait for the host, by itself.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

const bridge = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..', 'dev', 'bridge.mjs');
const noSocat = spawnSync('socat', ['-V']).error ? 'socat is not installed' : false;

// Starts the bridge on FIFOs nobody opens; resolves once it serves, with a
// promise of its exit status.
async function startWithoutHost(extra = []) {
    const dir = mkdtempSync(path.join(os.tmpdir(), 'quillon-bridge-'));
    for (const name of ['to-host', 'from-host']) spawnSync('mkfifo', [path.join(dir, name)]);
    const child = spawn(process.execPath, [bridge, '--pty-link', path.join(dir, 'com7'), '--port', '0', '--control-in', path.join(dir, 'to-host'), '--control-out', path.join(dir, 'from-host'), ...extra], {
        stdio: ['pipe', 'pipe', 'pipe'],
    });
    let said = '';
    child.stderr.on('data', (chunk) => (said += chunk));
    const ended = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal, said })));
    await new Promise((resolve, reject) => {
        child.stdout.on('data', (chunk) => String(chunk).includes('web remote:') && resolve());
        ended.then(({ code }) => reject(new Error(`the bridge ended (${code}) before it served: ${said}`)));
    });
    const within = (ms) =>
        Promise.race([ended, new Promise((resolve) => setTimeout(() => resolve(null), ms))]).finally(() => {
            child.kill('SIGKILL');
            rmSync(dir, { recursive: true, force: true });
        });
    return { child, within };
}

test('without a test host the bridge ends on SIGTERM, and by itself after its wait', { skip: noSocat }, async () => {
    const first = await startWithoutHost();
    first.child.kill('SIGTERM');
    assert.deepEqual(await first.within(5000), { code: 143, signal: null, said: '' });

    const second = await startWithoutHost(['--host-wait', '1']);
    const ended = await second.within(6000);
    assert.equal(ended?.code, 1);
    assert.match(ended.said, /did not open its control channel within 1 s/);
});
