// The checks of how the page behaves in a user's hands: taps, lists, Back,
// the layout at phone sizes, accessibility, and the state it shows after
// Clear, Disconnect and the player's end. Each registers its test in the
// suite of remote.test.mjs, in the order of the run.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { accessibility, browse, linkState, longFolder, longTitles, open, overflow, phone, play, row, settled, sizes, w } from './page.mjs';

// Two taps on one spot, the second as soon as the first has brought the next
// level (a double tap on a quick link).
async function doubleTap(selector, arrived) {
    const box = await w.page.locator(selector).boundingBox();
    const x = box.x + box.width / 2;
    const y = box.y + box.height / 2;
    await w.page.mouse.click(x, y);
    await w.page.waitForFunction(arrived, null, { polling: 'raf' });
    await w.page.mouse.click(x, y);
}

export function tapsAndLists() {
    test('taps are safe: a double tap acts once, an enqueue says it was sent and goes once', async () => {
        const libraryRuns = async () => (await w.host.requests()).filter((request) => request.startsWith('library run') || request.startsWith('user 10'));
        await w.page.click('#library-crumbs button:text-is("Artists")');
        await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 4);
        await settled('library-list');
        await w.host.requests();
        // An artist: its albums open; the second tap, once they are there,
        // does not open "All tracks".
        await doubleTap(row('library-list', 'Ada Lark'), () => document.querySelectorAll('#library-list .item').length === 3);
        await settled('library-list');
        assert.deepEqual(await libraryRuns(), ['library run artist == "Ada Lark" & album != "" & !album isempty']);
        // An album: its titles open; the second tap plays nothing.
        await doubleTap(row('library-list', 'Long Night'), () => document.querySelectorAll('#library-list .item').length === 50);
        await settled('library-list');
        assert.deepEqual(await libraryRuns(), ['library run artist == "Ada Lark" & album == "Long Night"']);
        // A title: it plays once.
        await w.page.dblclick('[aria-label="Play Track 003"]');
        await w.host.requestsUntil((request) => request === 'user 102 0');
        await new Promise((resolve) => setTimeout(resolve, 500));
        const adds = [...(await w.host.requests())].filter((request) => request.startsWith('user 100'));
        assert.ok(adds.length === 0, adds.join('\n'));
        // An enqueue says "sent" and reaches the host once.
        await w.page.click('#library-crumbs button:text-is("Ada Lark")');
        await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 3);
        await settled('library-list');
        await w.host.requests();
        await w.page.dblclick('[aria-label="Enqueue Paper Moons"]');
        await w.page.waitForSelector('.toast:has-text("Enqueue sent: Paper Moons")');
        await new Promise((resolve) => setTimeout(resolve, 700));
        assert.equal((await w.host.requests()).filter((request) => request.startsWith('library play enqueue=1')).length, 1);
    });

    test('with a list open the page sends nothing of its own; Back goes up one level', async () => {
        // 45 is the albums list's own: the list stays open, and the plug-in says what plays from there (103).
        await w.page.click('[aria-label="Play Paper Moons"]');
        await w.host.requestsUntil((request) => request.startsWith('library play enqueue=0'));
        await w.page.waitForFunction(() => document.querySelector('#mini-title').textContent === 'Playing · Lantern');
        assert.equal(await w.page.isHidden('#mini-stale'), true);
        await w.host.requests();
        await new Promise((resolve) => setTimeout(resolve, 2500));
        // Nothing but the queries of the plug-in's own now-playing lines.
        assert.deepEqual((await w.host.requests()).filter((request) => !/^user (104|105|125|126|212|250|251) /.test(request)), []);
        // Back: one level up at a time, on the page, still connected.
        await open('library-list', 'Paper Moons');
        await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 3);
        const url = w.page.url();
        await w.page.goBack();
        await w.page.waitForFunction(() => document.querySelector('#library-crumbs [aria-current=true]')?.textContent === 'Ada Lark');
        await w.page.goBack();
        await w.page.waitForFunction(() => document.querySelector('#library-crumbs [aria-current=true]')?.textContent === 'Artists');
        await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 4);
        assert.equal(w.page.url(), url);
        assert.equal(await w.page.textContent('#link-state'), 'Connected');
    });
}

export function layout() {
    test('layout holds at phone sizes with long titles on every screen; axe finds nothing serious', async () => {
        // Long names in every list: the library, the folders, the playlist.
        for (const title of longTitles) {
            w.host.order(`add C:\\lib\\long.mp3|${title}`);
            await w.host.waitFor((line) => line.startsWith('add ok'));
        }
        const visit = {
            library: async () => {
                await w.page.click('[data-go=library]');
                await browse('library', 'artists');
                await open('library-list', 'Bo Fenn');
                await open('library-list', 'Long Names');
                await w.page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 3);
            },
            files: async () => {
                await w.page.click('[data-go=files]');
                await browse('files', 'folders');
                await settled('files-list');
                await w.page.click('#files-list .item[data-kind=drive] .label:has-text("C:")');
                for (const folder of ['quillon-web', 'music', longFolder]) await open('files-list', folder);
                await w.page.waitForSelector('#files-list .item[data-kind=file]');
            },
            playlist: async () => {
                await w.page.click('[data-go=playlist]');
                await w.page.click('#playlist-refresh');
                await w.page.waitForFunction((title) => [...document.querySelectorAll('#playlist-list .name')].some((name) => name.textContent === title), longTitles[2]);
            },
            eq: () => w.page.click('[data-go=eq]'),
            sleep: () => w.page.click('[data-go=sleep]'),
            now: () => w.page.click('[data-go=now]'),
        };
        for (const size of sizes) {
            await w.page.setViewportSize(size);
            for (const title of longTitles) {
                await play(title);
                for (const [screen, go] of Object.entries(visit)) {
                    await go();
                    assert.deepEqual(await overflow(), [], `${screen} at ${size.width}×${size.height} playing ${title.length} characters`);
                }
                // Now: every control is on screen, whatever the title.
                if (size.height > size.width) {
                    const bottom = await w.page.$eval('.toggles', (node) => node.getBoundingClientRect().bottom);
                    assert.ok(bottom <= size.height, `the controls end at ${bottom}`);
                }
            }
            // The whole title is a tap away.
            await w.page.click('#now-title');
            assert.equal(await w.page.$eval('#now-title-text', (node) => node.scrollHeight <= node.clientHeight + 1), true);
            await w.page.click('#now-title');
            if (size.width > size.height) {
                await visit.library();
                const rows = await w.page.$eval('#library-list', (list) => {
                    const box = list.getBoundingClientRect();
                    return [...list.querySelectorAll('.item')].filter((row) => row.getBoundingClientRect().bottom <= box.bottom).length;
                });
                assert.ok(rows > 2, `${rows} rows in landscape`);
            }
        }
        await w.page.setViewportSize(phone);
        // A long name in a list is cut; a tap on its label shows all of it.
        await visit.library();
        const row = `#library-list .item:has(.name:text-is("${longTitles[1]}"))`;
        assert.equal(await w.page.$eval(`${row} .name`, (node) => node.scrollWidth > node.clientWidth), true);
        await settled('library-list');
        await w.page.click(`${row} .label`);
        assert.equal(await w.page.$eval(`${row} .name`, (node) => node.scrollWidth <= node.clientWidth && node.offsetHeight > 40), true);
        for (const [screen, go] of Object.entries(visit)) {
            await go();
            await accessibility(screen);
        }
    });
}

export function clearTruth(foldersMissing) {
    test('after Clear the page shows what the host holds', { skip: foldersMissing }, async () => {
        await w.page.click('[data-go=playlist]');
        await w.page.click('#playlist-clear');
        await w.page.waitForSelector('#playlist-list .list-status:text("The playlist is empty")');
        await w.page.click('[data-go=now]');
        const state = await w.host.state();
        assert.equal(state.play, '0');
        assert.equal(state.playlist, '');
        await w.page.waitForFunction(() => document.querySelector('#now-title-text').textContent === 'Nothing on the playlist');
        assert.equal(await w.page.textContent('#now-state'), 'Stopped');
    });
}

export function unknownState() {
    test('after Disconnect and after the player ends, the state is unknown', async () => {
        await w.page.click('#connect');
        await linkState('Connected');
        await w.page.click('[data-go=now]');
        await w.page.waitForFunction(() => document.querySelector('#now-state').textContent !== 'Unknown');
        await w.page.click('.settings summary');
        await w.page.click('#disconnect');
        await linkState('Not connected');
        assert.equal(await w.page.textContent('#now-state'), 'Unknown');
        assert.equal(await w.page.textContent('#now-position'), '–:––');
        // Every screen says it does not know.
        await w.page.click('[data-go=eq]');
        await w.page.waitForSelector('#eq-note:visible');
        assert.deepEqual([...new Set(await w.page.$$eval('#bands output', (nodes) => nodes.map((node) => node.textContent)))], ['–']);
        await w.page.click('[data-go=sleep]');
        assert.equal(await w.page.textContent('#sleep-state'), 'unknown');
        await w.page.click('[data-go=playlist]');
        await w.page.waitForSelector('#playlist-list .list-note:visible');
        // Where a list says it is not connected, it has the way to connect.
        await w.page.click('[data-go=files]');
        await browse('files', 'playlistFiles');
        await settled('files-list');
        await w.page.click('#files-list [data-connect]:text-is("Connect")');
        await linkState('Connected');
        await w.page.waitForSelector('#files-list .item[data-kind=playlistFile]');
        await w.page.click('[data-go=now]');
        await w.page.waitForFunction(() => document.querySelector('#now-state').textContent !== 'Unknown');
        await w.host.quit();
        await w.page.waitForFunction(() => document.querySelector('#now-title-text').textContent === 'The player ended the conversation');
        assert.equal(await w.page.textContent('#now-state'), 'Unknown');
    });
}
