// The player's own screens: the equalizer's presets and bands, and the sleep
// timer stopping the player; registered in the suite of remote.test.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { shot, w } from './page.mjs';

export function equalizerAndSleep() {
    test('equalizer: a preset sets the host\'s bands', async () => {
        await w.page.click('[data-go=eq]');
        await w.host.requests();
        // Preset 9 (the tenth): bands 0, 1, 8, 9 at host value 20, the others at 31.
        await w.page.click('[aria-label="Preset 10"]');
        await w.host.requestsUntil((request) => request.startsWith('user 128'));
        await w.page.waitForFunction(() => document.querySelector('#band-value-0').textContent === '43');
        assert.equal((await w.host.state()).bands, '20,20,31,31,31,31,31,31,20,20');
        // One band: phone-side 50 is host-side 63 - 50.
        await w.host.requests();
        await w.page.locator('#band-3').fill('50');
        await w.host.requestsUntil((request) => request === 'user 128 13');
        assert.equal((await w.host.state()).bands, '20,20,31,13,31,31,31,31,20,20');
        await shot('equalizer');
    });

    test('sleep timer: set by tracks, it stops the player when the next track starts', async () => {
        await w.page.click('[data-go=sleep]');
        await w.page.waitForFunction(() => document.querySelector('#sleep-state').textContent === 'off');
        await w.page.fill('#sleep-count', '1');
        await w.page.check('input[name=mode][value="1"]');
        await w.page.check('input[name=action][value="1"]');
        await w.page.click('#sleep-set');
        await w.page.waitForFunction(() => document.querySelector('#sleep-state').textContent === 'on: stop after 1 track');
        await shot('sleep-timer');
        // The earlier steps leave two entries or more on the playlist; from
        // the first, Next starts another file.
        w.host.order('track 0');
        await w.host.waitFor((line) => line === 'track ok');
        await w.host.requests();
        await w.page.click('[data-go=now]');
        await w.page.click('[aria-label="Next track"]');
        const seen = await w.host.requestsUntil((request) => request === 'command 40047');
        assert.ok(seen.indexOf('command 40048') < seen.indexOf('command 40047'), seen.join('\n'));
        await w.page.waitForFunction(() => document.querySelector('#now-state').textContent === 'Stopped');
        await w.page.click('[data-go=sleep]');
        await w.page.click('#sleep-cancel');
        await w.page.waitForFunction(() => document.querySelector('#sleep-state').textContent === 'off');
    });
}
