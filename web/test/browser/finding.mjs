// The library's search (101) and letter index (102) in a user's hands,
// against the plug-in under Wine; registered in the suite of remote.test.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { accessibility, browse, longTitles, names, scrollList, settled, shot, w } from './page.mjs';

// The finger down on the first letter, sliding over the others, lifted on
// the last; `meanwhile` runs with the finger on the second.
export async function slide(letters, meanwhile = async () => {}) {
    const centre = async (letter) => {
        const box = await w.page.locator(`#library-letters .letter:text-is("${letter}")`).boundingBox();
        return [box.x + box.width / 2, box.y + box.height / 2];
    };
    const [first, ...rest] = letters;
    await w.page.mouse.move(...(await centre(first)));
    await w.page.mouse.down();
    for (const [n, letter] of rest.entries()) {
        await w.page.mouse.move(...(await centre(letter)), { steps: 6 });
        if (n === 0) await meanwhile();
    }
    await w.page.mouse.up();
}

export function searchAndJump() {
    test('library: search, play a match from the second page, jump with a letter', async () => {
        await w.page.click('[data-go=library]');
        await browse('library', 'artists');
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

        // A letter of the index: the finger goes down on # and slides to T;
        // the titles from the first that begins with T are at the top, the
        // titles before it above, and no query for it.
        await browse('library', 'titles');
        assert.equal(await w.page.inputValue('#library-search input'), '', 'the search text is cleared with another list');
        await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 50);
        await settled('library-list');
        await w.host.requests();
        await slide(['#', 'M', 'T'], async () => {
            assert.equal(await w.page.textContent('#letter-bubble'), 'M');
            await accessibility('the letter index while sliding');
        });
        assert.equal(await w.page.isHidden('#letter-bubble'), true);
        const firstVisible = () =>
            w.page.evaluate(() => {
                const box = document.querySelector('#library-list');
                const rows = [...box.querySelectorAll('.item')];
                const top = box.getBoundingClientRect().top;
                return rows.find((row) => row.getBoundingClientRect().bottom > top + 1)?.querySelector('.name').textContent;
            });
        const atTop = async (title) => {
            await w.page.waitForFunction((text) => [...document.querySelectorAll('#library-list .item .name')].some((node) => node.textContent === text), title);
            await settled('library-list');
            await w.page.waitForFunction(() => !document.querySelector('#library-list')?.closest('[aria-busy="true"]'));
            assert.equal(await firstVisible(), title);
        };
        await atTop(longTitles[0]);
        assert.deepEqual((await w.host.requests()).filter((request) => request.startsWith('library')), []);
        // The keyboard: the index is one slider; each arrow moves it a letter.
        await w.page.focus('#library-letters');
        for (let n = 0; n < 4; ++n) await w.page.keyboard.press('ArrowUp');
        assert.equal(await w.page.getAttribute('#library-letters', 'aria-valuetext'), 'P');
        await atTop('Paper Lanterns');
        assert.deepEqual((await w.host.requests()).filter((request) => request.startsWith('library')), []);
        await shot('letters');
    });
}
