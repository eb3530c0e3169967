// The page in a phone user's hands, second round: toggles and steps, the
// letter index at small sizes, a link lost inside a list, the states seen
// before connecting and without Web Serial, Back and a reload. Each
// registers its test in the suite of remote.test.mjs, in the order of the run.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { slide } from './finding.mjs';
import { accessibility, browse, linkState, open, phone, settled, w } from './page.mjs';

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const visible = (selector) => w.page.$$eval(selector, (nodes) => nodes.filter((node) => node.getClientRects().length > 0).length);

export function beforeConnecting() {
    test('before connecting and without Web Serial: what the page says, and axe finds nothing serious', async () => {
        await w.page.goto(`${w.bridge.url}/?bridge`);
        await accessibility('Now, not connected');
        await w.page.click('[data-go=library]');
        await w.page.waitForSelector('#library-list .list-note:has-text("Not connected.") [data-connect]');
        assert.equal(await w.page.getAttribute('#library-list .list-items', 'role'), null, 'no list role without its items');
        await accessibility('the library, not connected');
        await w.page.click('[data-go=now]');

        // A browser without Web Serial: the explanation, and no button that cannot work.
        const bare = await w.context.newPage();
        try {
            await bare.addInitScript(() => delete Navigator.prototype.serial);
            await bare.goto(`${w.bridge.url}/`);
            await bare.waitForSelector('#no-serial:visible');
            for (const screen of ['now', 'library', 'files', 'playlist']) {
                await bare.click(`[data-go=${screen}]`);
                const buttons = await bare.$$eval('#connect, #disconnect, [data-connect]', (nodes) => nodes.filter((node) => node.getClientRects().length > 0).map((node) => node.textContent));
                assert.deepEqual(buttons, [], `${screen} without Web Serial`);
            }
            await bare.waitForSelector('#playlist-list .list-note:has-text("this browser cannot open serial ports")');
            await accessibility('no Web Serial', bare);
        } finally {
            await bare.close();
        }
    });
}

export function togglesAndSteps() {
    test('a double tap on Pause pauses once; three taps on Volume + are three steps', async () => {
        await w.page.click('[data-go=now]');
        assert.equal((await w.host.state()).play, '1');
        await w.host.requests();
        await w.page.dblclick('#pause');
        await w.page.waitForFunction(() => document.querySelector('#now-state').textContent === 'Paused');
        await pause(700);
        assert.deepEqual((await w.host.requests()).filter((request) => request === 'command 40046'), ['command 40046']);
        assert.equal((await w.host.state()).play, '3');
        await w.page.click('#pause');
        await w.page.waitForFunction(() => document.querySelector('#now-state').textContent === 'Playing');

        const before = Number(await w.page.textContent('#volume-value'));
        await w.host.requests();
        // Three taps sooner than the player answers the first.
        await w.page.$eval('[aria-label="Volume up"]', (button) => {
            for (let n = 0; n < 3; ++n) button.click();
        });
        await w.page.waitForFunction((volume) => document.querySelector('#volume-value').textContent === String(volume), before + 24);
        assert.equal((await w.host.state()).volume, String(before + 24));
        assert.deepEqual((await w.host.requests()).filter((request) => request.startsWith('user 122')), [8, 16, 24].map((step) => `user 122 ${before + step}`));
    });
}

export function indexAtSmallSizes() {
    test('the letter index: # to Z on screen at 320 × 568 and 844 × 390, targets of 24 px, the list most of the screen', async () => {
        await w.page.click('[data-go=library]');
        await browse('library', 'artists');
        await w.page.waitForSelector('#library-letters:not([hidden])');
        for (const size of [{ width: 320, height: 568 }, { width: 844, height: 390 }, phone]) {
            await w.page.setViewportSize(size);
            await w.page.waitForTimeout(100);
            const seen = await w.page.evaluate(() => {
                const index = document.querySelector('#library-letters');
                const list = document.querySelector('#library-list').getBoundingClientRect();
                const strip = index.getBoundingClientRect();
                const cells = [...index.querySelectorAll('.letter')].map((cell) => {
                    const box = cell.getBoundingClientRect();
                    return { letter: cell.textContent, width: box.width, height: box.height, inside: box.top >= strip.top - 0.5 && box.bottom <= strip.bottom + 0.5 && box.bottom <= innerHeight && box.right <= innerWidth };
                });
                return { cells, scrolls: index.scrollHeight > index.clientHeight + 1, listHeight: list.height };
            });
            const where = `${size.width}×${size.height}`;
            assert.equal(seen.cells.map((cell) => cell.letter).join(''), '#ABCDEFGHIJKLMNOPQRSTUVWXYZ');
            assert.deepEqual(seen.cells.filter((cell) => !cell.inside).map((cell) => cell.letter), [], `letters off the index at ${where}`);
            assert.deepEqual(seen.cells.filter((cell) => cell.width < 24 || cell.height < 24).map((cell) => `${cell.letter} ${cell.width}×${cell.height}`), [], where);
            assert.equal(seen.scrolls, false, `the index scrolls at ${where}`);
            assert.ok(seen.listHeight >= size.height * 0.55, `the list gets ${seen.listHeight} px of ${size.height} at ${where}`);
        }
        // At the smallest size the finger slides to Z.
        await w.page.setViewportSize({ width: 320, height: 568 });
        await settled('library-list');
        await slide(['A', 'Z']);
        assert.equal(await w.page.getAttribute('#library-letters', 'aria-valuetext'), 'Z');
        await w.page.setViewportSize(phone);
    });
}

export function lostLink() {
    test('a link lost in a list shows there, and the list comes back with its search', async () => {
        await w.page.click('[data-go=library]');
        await browse('library', 'artists');
        await w.page.fill('#library-search input', 'neon rain');
        await w.page.press('#library-search input', 'Enter');
        await w.page.waitForFunction(() => document.querySelector('#library-list .item .name')?.textContent === 'Neon Rain - Bo Fenn');
        w.bridge.holdLine(true);
        try {
            await w.page.waitForSelector('#library-list .list-note:has-text("Not connected: the page is trying again.") [data-connect]');
            assert.equal(await visible('#library-search'), 1, 'the search box stays');
            assert.equal(await w.page.textContent('#library-list .list-status'), '');
            await accessibility('a lost link');
            await w.host.requests();
        } finally {
            w.bridge.holdLine(false);
        }
        await linkState('Connected');
        await w.page.waitForSelector('#library-list .list-note', { state: 'hidden' });
        await w.page.waitForFunction(() => document.querySelector('#library-list .item .name')?.textContent === 'Neon Rain - Bo Fenn');
        const asked = await w.host.requestsUntil((request) => request.startsWith('library run'));
        assert.ok(asked.includes('library run title != "" & !title isempty'), asked.join('\n'));
    });
}

export function backAndReload() {
    test('Back: up one level, from a screen\'s top to Now, and from Now off the page; a reload comes back to the level', async () => {
        await w.page.click('[data-go=library]');
        await browse('library', 'artists');
        await open('library-list', 'Ada Lark');
        await open('library-list', 'Long Night');
        await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 50);
        await w.page.reload();
        await w.page.waitForSelector('#screen-library:visible');
        const trail = () => w.page.$$eval('#library-crumbs button', (nodes) => nodes.map((node) => node.textContent));
        assert.deepEqual(await trail(), ['Artists', 'Ada Lark', 'Long Night']);
        // The restored level takes taps once it has settled, as any new level.
        await settled('library-list');
        await w.page.click('#library-list [data-connect]');
        await linkState('Connected');
        await w.page.waitForFunction(() => document.querySelector('#library-list .item .name')?.textContent === 'Track 001');
        const current = () => w.page.$eval('#library-crumbs [aria-current=true]', (node) => node.textContent);
        const url = w.page.url();
        await w.page.goBack();
        await w.page.waitForFunction(() => document.querySelector('#library-crumbs [aria-current=true]')?.textContent === 'Ada Lark');
        await w.page.goBack();
        await w.page.waitForFunction(() => document.querySelector('#library-browse').value === 'artists' && document.querySelectorAll('#library-list .item').length === 4);
        await w.page.goBack();
        await w.page.waitForSelector('#screen-now:visible');
        assert.equal(w.page.url(), url);
        assert.equal(await current(), 'Artists');

        // Two levels down the folders, then Now: Back leaves the page.
        await w.page.click('[data-go=files]');
        await browse('files', 'folders');
        await settled('files-list');
        await w.page.click('#files-list .item[data-kind=drive] .label:has-text("C:")');
        await open('files-list', 'quillon-web');
        await w.page.waitForFunction(() => document.querySelector('#files-crumbs [aria-current=true]')?.textContent === 'quillon-web');
        await w.page.click('[data-go=now]');
        await w.page.goBack();
        await w.page.waitForURL((address) => address.href !== url);
        await w.page.goForward();
        await w.page.waitForSelector('#screen-now:visible');
        assert.equal(await w.page.isHidden('#screen-files'), true);
        if ((await w.page.textContent('#link-state')) !== 'Connected') await w.page.click('#connect');
        await linkState('Connected');
    });
}
