// The library's search (101) and letter index (102) in a user's hands,
// against the plug-in under Wine; registered in the suite of remote.test.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { longTitles, names, scrollList, settled, shot, w } from './page.mjs';

export function searchAndJump() {
    test('library: search, play a match from the second page, jump with a letter', async () => {
        await w.page.click('[data-go=library]');
        // The plug-in answered the probe: the search box and the letters show.
        await w.page.waitForSelector('#library-search:not([hidden])');
        await w.host.requests();
        await w.page.fill('#library-search input', 'TRACK 1');
        await w.page.press('#library-search input', 'Enter');
        // Every title with "track" and "1" in its title, artist or album, in title order.
        const matches = [];
        for (let n = 1; n <= 180; ++n) if (String(n).padStart(3, '0').includes('1')) matches.push(`Track ${String(n).padStart(3, '0')} - Ada Lark`);
        await w.page.waitForFunction((first) => document.querySelector('#library-list .item .name')?.textContent === first, matches[0]);
        await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 50);
        assert.deepEqual(await names('library-list'), matches.slice(0, 50));
        assert.deepEqual((await w.host.requests()).filter((request) => request.startsWith('library')), [
            'library release',
            'library run title != "" & !title isempty',
        ]);
        assert.equal(await w.page.isHidden('#library-letters'), true, 'no letters along a search');
        await shot('search');
        await scrollList('library-list', 'bottom');
        await w.page.waitForFunction((n) => document.querySelectorAll('#library-list .item').length === n, Math.min(matches.length, 100));
        await settled('library-list');
        await w.page.click(`[aria-label="Play ${matches[53]}"]`);
        const played = await w.host.requestsUntil((request) => request === 'user 102 0');
        const at = played.indexOf('user 101 0');
        const file = `C:\\lib\\Ada Lark\\Long Night\\${matches[53].slice(0, 'Track 000'.length)}.mp3`;
        assert.deepEqual(played.slice(at, at + 3), ['user 101 0', `user 100 file=${file}`, 'user 102 0']);

        // A letter of the index: the titles from the first that begins with
        // it at the top, the titles before it above, and no query for it.
        await w.page.click('[data-browse=titles]');
        await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 50);
        await settled('library-list');
        await w.host.requests();
        await w.page.click('#library-letters [aria-label="Jump to T"]');
        const firstVisible = () =>
            w.page.evaluate(() => {
                const box = document.querySelector('#library-list');
                const rows = [...box.querySelectorAll('.item')];
                const top = box.getBoundingClientRect().top;
                return rows.find((row) => row.getBoundingClientRect().bottom > top + 1)?.querySelector('.name').textContent;
            });
        await w.page.waitForFunction(
            (title) => [...document.querySelectorAll('#library-list .item .name')].some((node) => node.textContent === title),
            longTitles[0],
        );
        await settled('library-list');
        await w.page.waitForFunction(() => !document.querySelector('#library-list')?.closest('[aria-busy="true"]'));
        assert.equal(await firstVisible(), longTitles[0]);
        assert.deepEqual((await w.host.requests()).filter((request) => request.startsWith('library')), []);
        await shot('letters');
    });
}
