// The page's tables against the plug-in's own: the JSON the vocabulary tool
// prints from the command table and the lists' table, at the path named by
// QUILLON_VOCABULARY (the native build's vocabulary_agrees test runs this file
// with the tool's output; without it the tests are skipped).
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import { browseLists, Command, listOpeners } from '../../commands.js';

const file = process.env.QUILLON_VOCABULARY;
const skip = file ? false : 'QUILLON_VOCABULARY names no vocabulary file (ctest -R vocabulary_agrees sets it)';
const vocabulary = file ? JSON.parse(readFileSync(file, 'utf8')) : { commands: [], lists: [] };
const ascending = (numbers) => [...numbers].sort((a, b) => a - b);

test('every number the page names by name is a row of the command table', { skip }, () => {
    const rows = new Set(vocabulary.commands.map((row) => row.number));
    for (const [name, number] of Object.entries(Command)) assert.ok(rows.has(number), `${name} (${number}) has no row`);
});

test('the lists a command opens: the same openers, codes, numbers taken and waits', { skip }, () => {
    const lists = new Map(vocabulary.lists.map((list) => [list.opener, list]));
    assert.deepEqual(ascending(listOpeners.keys()), ascending(lists.keys()));
    for (const [opener, page] of listOpeners) {
        const list = lists.get(opener);
        assert.deepEqual(
            { code: page.code, takes: ascending(page.takes), waits: page.waits },
            { code: list.code, takes: list.takes, waits: list.waits },
            `the list of ${opener}`,
        );
    }
});

test('the browse lists are the paged library lists', { skip }, () => {
    const library = vocabulary.lists.filter((list) => list.code === 'P' && list.paged).map((list) => list.opener);
    assert.deepEqual(ascending(browseLists), ascending(library));
});
