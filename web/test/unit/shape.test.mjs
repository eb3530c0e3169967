// The shape of the page's code: modules of a few hundred lines, and markup
// that names commands rather than writing their numbers.
import assert from 'node:assert/strict';
import { readdirSync, readFileSync } from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { commandNamed } from '../../commands.js';

const web = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');

function modules(folder) {
    return readdirSync(folder, { withFileTypes: true }).flatMap((entry) => {
        const file = path.join(folder, entry.name);
        if (entry.isDirectory()) return entry.name === 'node_modules' ? [] : modules(file);
        return /\.(m?js|css|html)$/.test(entry.name) ? [file] : [];
    });
}

test('no module of the web remote is over 400 lines', () => {
    const long = modules(web)
        .map((file) => [path.relative(web, file), readFileSync(file, 'utf8').split('\n').length - 1])
        .filter(([, lines]) => lines > 400);
    assert.deepEqual(long, []);
});

test('the markup names its commands, and every name is a command', () => {
    const html = readFileSync(path.join(web, 'index.html'), 'utf8');
    const named = [...html.matchAll(/data-command="([^"]*)"/g)].map((match) => match[1]);
    assert.ok(named.length >= 8);
    for (const name of named) {
        assert.doesNotMatch(name, /^\d+$/);
        assert.equal(Number.isInteger(commandNamed(name)), true, name);
    }
});
