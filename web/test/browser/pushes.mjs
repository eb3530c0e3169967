// What plays, while a list is open: the plug-in's status lines inside lists
// (103), against the plug-in under Wine, and the same page against a plug-in
// that ignores 103; registered in the suite of remote.test.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { linkState, settled, w } from './page.mjs';

const text = (selector) => w.page.textContent(selector);
const waitText = (selector, wanted) => w.page.waitForFunction(([s, t]) => document.querySelector(s)?.textContent === t, [selector, wanted]);

// Searches the library for "Track 12" and plays its third match, "Track 120".
async function playFromSearch() {
    await w.page.click('[data-go=library]');
    await w.page.fill('#library-search input', 'Track 12');
    await w.page.press('#library-search input', 'Enter');
    await waitText('#library-list .item:nth-child(3) .name', 'Track 120 - Ada Lark');
    await settled('library-list');
    await w.host.requests();
    await w.page.click('[aria-label="Play Track 120 - Ada Lark"]');
    await w.page.waitForSelector('.toast:has-text("Playing “Track 120 - Ada Lark” requested")');
    return w.host.requestsUntil((request) => request === 'user 102 0');
}

// Disconnect (in the settings on Now), `between`, and Connect again.
async function reconnect(between) {
    await w.page.click('[data-go=now]');
    await w.page.click('.settings summary');
    await w.page.click('#disconnect');
    await w.page.click('.settings summary');
    await linkState('Not connected');
    await between();
    await w.page.click('#connect');
    await linkState('Connected');
}

export function pushesInLists() {
    test('while a list is open: a play from a search shows in the mini player, and so does the volume', async () => {
        await playFromSearch();
        await waitText('#mini-title', 'Playing · Track 120');
        assert.equal(await w.page.isHidden('#mini-stale'), true);
        w.host.order('volume 150');
        await waitText('#volume-value', '150');
        // The list stayed open all along: no 27 ended it, no query opened it again.
        const asked = await w.host.requests();
        assert.deepEqual(asked.filter((request) => request === 'user 0 0' || request.startsWith('library run')), []);
    });

    test('while the playlist is open: a jump marks the entry that plays, and Playing entry goes back to it', async () => {
        for (const title of ['Alder', 'Birch', 'Cedar']) {
            w.host.order(`add C:\\lib\\${title}.mp3|${title}`);
            await w.host.waitFor((line) => line.startsWith('add ok'));
        }
        await w.page.click('[data-go=playlist]');
        await w.page.click('#playlist-refresh');
        await w.page.waitForFunction(() => document.querySelectorAll('#playlist-list .item').length >= 3);
        await settled('playlist-list');
        const third = (await w.page.locator('#playlist-list .item .name').allTextContents())[2];
        await w.page.click('#playlist-list .item:nth-child(3) .act');
        await w.page.waitForSelector('#playlist-list .item:nth-child(3)[aria-current=true]');
        await waitText('#mini-title', `Playing · ${third}`);
        await w.page.$eval('#playlist-list', (box) => (box.scrollTop = box.scrollHeight));
        await w.page.click('#playlist-playing');
        const shown = await w.page.$eval('#playlist-list', (box) => {
            const row = box.querySelector('.item.current').getBoundingClientRect();
            const view = box.getBoundingClientRect();
            return row.top >= view.top && row.bottom <= view.bottom;
        });
        assert.equal(shown, true);
    });

    test('against a plug-in that ignores 103: the mini player says it may be out of date', async () => {
        // The bridge's socket drops every 103 line: the plug-in never hears one.
        await reconnect(() =>
            w.page.routeWebSocket(/.*/, (socket) => {
                const server = socket.connectToServer();
                socket.onMessage((message) => {
                    if (!Buffer.from(message).toString('latin1').startsWith('103 ')) server.send(message);
                });
                server.onMessage((message) => socket.send(message));
            }),
        );
        try {
            await w.page.waitForFunction(() => !document.querySelector('#mini-title').textContent.startsWith('Unknown'));
            const before = await text('#mini-title');
            await playFromSearch();
            await w.page.waitForSelector('#mini-stale:not([hidden])');
            // The request is shown until the player says what plays, which it
            // does only once the list has ended.
            await w.page.waitForFunction((shown) => document.querySelector('#mini-title').textContent === shown, before, { timeout: 8000 });
        } finally {
            await reconnect(() => w.page.unrouteAll());
        }
    });
}
