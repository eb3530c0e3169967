// The page in Debian's headless chromium, at a phone's size, talking through
// the dev bridge to the real 64-bit plug-in DLL in the test host under Wine.
// Each step checks what the page shows and what the host received; the main
// screens are photographed at a phone's size.
import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, promises as fs } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { chromium } from 'playwright-core';

import { startBridge } from '../../dev/bridge.mjs';
import { clearTruth, layout, tapsAndLists, unknownState } from './checks.mjs';
import { searchAndJump } from './finding.mjs';
import { equalizerAndSleep } from './player.mjs';
import { backAndReload, beforeConnecting, indexAtSmallSizes, lostLink, togglesAndSteps } from './hands.mjs';
import { pushesInLists } from './pushes.mjs';
import { accessibility, browse, chromiumPath, libraryText, linkState, longFolder, longTitles, names, open, phone, scrollList, settled, shot, shots, w } from './page.mjs';
import { driveC, HostRun, makePrefix, missingPiece, privateMusicFolder, repoRoot, stopWine, winePaths } from './wine.mjs';

const paths = winePaths();
const missing = missingPiece(paths);
const chromiumMissing = await fs.access(chromiumPath).then(
    () => null,
    () => `${chromiumPath} is not installed`,
);
// tools/run-web-tests.sh installs and builds everything: there a missing
// piece is a failure, not a reason to skip.
if ((missing ?? chromiumMissing) && process.env.QUILLON_WEB_REQUIRE === '1') throw new Error(missing ?? chromiumMissing);
// Drives, folders and the current playlist (1, 7, 20) come with the files
// layer of the plug-in; a build with it must pass those steps.
const withFolders = process.env.QUILLON_WEB_FOLDERS ? process.env.QUILLON_WEB_FOLDERS === '1' : existsSync(path.join(repoRoot, 'files'));
const foldersMissing = withFolders ? false : 'this build of the plug-in has no drive list, folders or playlist view (1, 7, 20)';

let bridge = null;
let host = null;
let context = null;
let page = null;

const skipAll = missing ?? chromiumMissing;

describe('the web remote against the plug-in under Wine', { skip: skipAll ?? false, timeout: 600000 }, () => {
    before(async () => {
        await fs.mkdir(shots, { recursive: true });
        await makePrefix(paths);
        stopWine(paths); // a host left over from an interrupted run
        const home = driveC(paths, 'quillon-web');
        await fs.rm(home, { recursive: true, force: true });
        await fs.mkdir(path.join(home, 'music', 'Road Songs', 'Live'), { recursive: true });
        for (const name of ['01 Open Road.mp3', '02 Night Drive.mp3', 'cover.jpg']) await fs.writeFile(path.join(home, 'music', 'Road Songs', name), '');
        await fs.writeFile(path.join(home, 'music', 'Road Songs', 'Live', 'Encore.ogg'), '');
        await fs.mkdir(path.join(home, 'music', longFolder), { recursive: true });
        await fs.writeFile(path.join(home, 'music', longFolder, `${longTitles[1].slice(0, 120)}.mp3`), '');
        await fs.writeFile(
            path.join(home, 'winamp.ini'),
            '[Quillon Bluetooth remote control]\r\nportName=COM7\r\n[Winamp]\r\nvolume=200\r\nconfig_extlist=mp3:ogg\r\n',
        );
        await fs.writeFile(path.join(home, 'library.txt'), Buffer.from(libraryText(), 'latin1'));
        // The host's folder is its program's: the plug-in copies the playlist
        // the host writes there when it saves one into My Music.
        await fs.mkdir(path.join(home, 'host'), { recursive: true });
        await fs.copyFile(paths.testhost, path.join(home, 'host', 'quillon-testhost.exe'));
        await fs.copyFile(paths.dll, path.join(home, 'host', 'ml_quillon.dll'));
        const music = await privateMusicFolder(paths);
        for (const name of await fs.readdir(music)) await fs.rm(path.join(music, name), { recursive: true, force: true });

        bridge = await startBridge({ ptyLink: path.join(paths.prefix, 'dosdevices', 'com7') });
        host = new HostRun(paths);
        await host.start([
            '--ini', 'C:\\quillon-web\\winamp.ini',
            '--folder', 'C:\\quillon-web\\host',
            '--seed',
            '--notify',
            '--library-file', 'C:\\quillon-web\\library.txt',
        ], { testhost: path.join(home, 'host', 'quillon-testhost.exe'), dll: path.join(home, 'host', 'ml_quillon.dll') });

        const profile = mkdtempSync(path.join(os.tmpdir(), 'quillon-chromium-'));
        context = await chromium.launchPersistentContext(profile, {
            executablePath: chromiumPath,
            headless: true,
            args: [
                '--no-sandbox',
                '--disable-gpu',
                '--disable-quic',
                '--no-first-run',
                '--disable-background-networking',
                '--disable-component-update',
                '--disable-sync',
            ],
            viewport: phone,
            deviceScaleFactor: 1,
            isMobile: true,
            hasTouch: true,
            colorScheme: 'light',
        });
        page = context.pages()[0] ?? (await context.newPage());
        Object.assign(w, { page, host, bridge, context });
        page.on('pageerror', (error) => console.error('page error:', error.message));
        page.on('dialog', (dialog) => dialog.accept());
    });

    after(async () => {
        await context?.close();
        await host?.quit();
        host?.kill();
        host?.release();
        await bridge?.close();
        if (!missing) stopWine(paths);
    });

    beforeConnecting();

    test('connects, shows what plays, and plays', async () => {
        await page.goto(`${bridge.url}/?bridge`);
        await page.click('#connect');
        await linkState('Connected');
        // 104 on connecting: the page learns the prefix's code page.
        await page.waitForFunction(() => document.querySelector('#charset-note').textContent === "The PC's code page: windows-1252");
        assert.equal(await page.inputValue('#charset'), 'windows-1252');
        // 18 on connecting: the volume line, then the now-playing line.
        await page.waitForFunction(() => document.querySelector('#now-title').textContent === 'Morning Tide');
        assert.equal(await page.textContent('#now-state'), 'Stopped');
        assert.equal(await page.textContent('#volume-value'), '200');
        await host.requests();
        await page.click('#play');
        await host.requestsUntil((request) => request === 'command 40045');
        await page.waitForFunction(() => document.querySelector('#now-state').textContent === 'Playing');
        assert.equal((await host.state()).play, '1');
        await page.waitForFunction(() => /Winamp \d/.test(document.querySelector('#version').textContent));
    });

    test('volume: the slider sets it, the steps nudge it', async () => {
        await host.requests();
        await page.locator('#volume').fill('100');
        await host.requestsUntil((request) => request === 'user 122 100');
        await page.waitForFunction(() => document.querySelector('#volume-value').textContent === '100');
        assert.equal((await host.state()).volume, '100');
        // A step goes out as 11 with the known volume and a step more, so
        // that the page learns the player's new volume.
        await page.click('[aria-label="Volume up"]');
        await host.requestsUntil((request) => request === 'user 122 108');
        await page.waitForFunction(() => document.querySelector('#volume-value').textContent === '108');
        await page.click('[aria-label="Volume down"]');
        await page.click('[aria-label="Volume down"]');
        await page.waitForFunction(() => document.querySelector('#volume-value').textContent === '92');
        assert.equal((await host.state()).volume, '92');
        await shot('now-playing');
    });

    togglesAndSteps();

    test('library: artist, album, titles three levels deep, paged forward and back', async () => {
        await host.requests();
        await page.click('[data-go=library]');
        await page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 4);
        assert.deepEqual(await names('library-list'), ['Ada Lark', 'Bo Fenn', 'Cy Moss', 'The Quillons']);
        await accessibility('the artists');
        await open('library-list', 'Ada Lark');
        await page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 3);
        assert.deepEqual(await names('library-list'), ['All tracks', 'Long Night', 'Paper Moons']);
        await accessibility('the albums of an artist');
        await open('library-list', 'Long Night');
        await page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 50);
        await accessibility('the titles of an album');
        const first = await names('library-list');
        assert.equal(first[0], 'Track 001');
        assert.equal(first[49], 'Track 050');
        const queries = (await host.requests()).filter((request) => request.startsWith('library run'));
        assert.deepEqual(queries, [
            'library run artist != "" & !artist isempty',
            'library run artist == "Ada Lark" & album != "" & !album isempty',
            'library run artist == "Ada Lark" & album == "Long Night"',
        ]);
        await shot('library');

        // Forward: each scroll to the end brings the next page; the page
        // keeps three, so the fourth pushes the first out.
        for (const [last, count] of [['Track 100', 100], ['Track 150', 150], ['Track 180', 130]]) {
            await scrollList('library-list', 'bottom');
            await page.waitForFunction(
                ([text, n]) => {
                    const shown = [...document.querySelectorAll('#library-list .item .name')].map((node) => node.textContent);
                    return shown.at(-1) === text && shown.length === n;
                },
                [last, count],
            );
        }
        assert.equal((await names('library-list'))[0], 'Track 051');
        // Back: to the beginning, the first page comes again.
        await scrollList('library-list', 'top');
        // The first page shows before the window has settled on the first
        // three pages; on a busy machine the test saw it in between.
        await page.waitForFunction(() => {
            const shown = [...document.querySelectorAll('#library-list .item .name')].map((node) => node.textContent);
            return shown[0] === 'Track 001' && shown.at(-1) === 'Track 150';
        });
        const back = await names('library-list');
        assert.equal(back.length, 150);
        assert.equal(back.at(-1), 'Track 150');
        // Paging reads the held results again and never asks the host.
        assert.deepEqual((await host.requests()).filter((request) => request.startsWith('library')), []);

        // Play a title by its index in those results.
        await settled('library-list');
        await page.click('[aria-label="Play Track 002"]');
        const played = await host.requestsUntil((request) => request === 'user 102 0');
        const at = played.indexOf('user 101 0');
        assert.deepEqual(played.slice(at, at + 3), ['user 101 0', 'user 100 file=C:\\lib\\Ada Lark\\Long Night\\Track 002.mp3', 'user 102 0']);
        // 36 ends the titles' list: the page then asks what plays.
        await page.waitForFunction(() => document.querySelector('#mini-title').textContent === 'Playing · Track 002');

        // Up one level, enqueue a whole album of the artist.
        await page.click('#library-crumbs button:text-is("Ada Lark")');
        await page.waitForFunction(() => document.querySelectorAll('#library-list .item').length === 3);
        await settled('library-list');
        await page.click('[aria-label="Enqueue Paper Moons"]');
        const enqueued = await host.requestsUntil((request) => request.startsWith('library play'));
        assert.ok(
            enqueued.includes(
                'library play enqueue=1 C:\\lib\\Ada Lark\\Paper Moons\\Lantern.mp3|C:\\lib\\Ada Lark\\Paper Moons\\Paper Moon.mp3|C:\\lib\\Ada Lark\\Paper Moons\\Tin Roof.mp3',
            ),
            enqueued.join('\n'),
        );

        // A name outside ASCII goes back byte for byte.
        await page.click('#library-crumbs button:text-is("Artists")');
        await open('library-list', 'Cy Moss');
        await open('library-list', "Zoë's Garden");
        await page.waitForFunction(() => document.querySelector('#library-list .item .name')?.textContent === 'Moss');
        assert.ok((await host.requests()).includes('library run artist == "Cy Moss" & album == "Zoë\'s Garden"'));
        // Another code page: what is on screen is read anew, and the names
        // still go back as the same bytes.
        await page.click('[data-go=now]');
        await page.click('.settings summary');
        await page.selectOption('#charset', 'windows-1251');
        await page.click('[data-go=library]');
        await page.waitForFunction(() => document.querySelector('#library-crumbs [aria-current=true]')?.textContent === 'Zoл\'s Garden');
        await settled('library-list');
        await host.requests();
        await page.click('[aria-label="Play Moss"]');
        const moss = await host.requestsUntil((request) => request === 'user 102 0');
        assert.ok(moss.includes('library run artist == "Cy Moss" & album == "Zoë\'s Garden"'), moss.join('\n'));
        assert.ok(moss.includes('user 100 file=C:\\lib\\Cy Moss\\Zoë\'s Garden\\Moss.mp3'), moss.join('\n'));
        await page.click('[data-go=now]');
        await page.selectOption('#charset', 'windows-1252');
        await page.click('.settings summary');
        await page.click('[data-go=library]');
    });

    tapsAndLists();

    test('folders: drive, folders, play a file', { skip: foldersMissing }, async () => {
        await host.requests();
        await page.click('[data-go=files]');
        await page.waitForSelector('#files-list .item[data-kind=drive]');
        await settled('files-list');
        await page.click('#files-list .item[data-kind=drive] .label:has-text("C:")');
        for (const folder of ['quillon-web', 'music', 'Road Songs']) {
            await open('files-list', folder);
            await page.waitForFunction((name) => document.querySelector('#files-crumbs [aria-current=true]')?.textContent === name, folder);
        }
        await page.waitForSelector('#files-list .item[data-kind=file]');
        await settled('files-list');
        assert.deepEqual(await names('files-list'), ['Live', '01 Open Road.mp3', '02 Night Drive.mp3']);
        await shot('folders');
        await page.click('[aria-label="Play 01 Open Road.mp3"]');
        const played = await host.requestsUntil((request) => request === 'user 102 0');
        assert.ok(played.includes('user 100 file=C:\\quillon-web\\music\\Road Songs\\01 Open Road.mp3'), played.join('\n'));
        await page.click('[aria-label="Enqueue 02 Night Drive.mp3"]');
        await host.requestsUntil((request) => request === 'user 100 file=C:\\quillon-web\\music\\Road Songs\\02 Night Drive.mp3');
    });

    test('current playlist: entries in order, jump to one', { skip: foldersMissing }, async () => {
        await host.requests();
        await page.click('[data-go=playlist]');
        await page.waitForSelector('#playlist-list .item');
        const entries = await names('playlist-list');
        assert.ok(entries.length >= 2, entries.join('|'));
        await shot('playlist');
        // A row plays from its play button only; the label shows the whole name.
        await settled('playlist-list');
        await page.click('#playlist-list .item:nth-child(2) .label');
        assert.equal(await page.getAttribute('#playlist-list .item:nth-child(2)', 'class'), 'item expanded');
        await page.click('#playlist-list .item:nth-child(2) .act');
        await host.requestsUntil((request) => request === 'user 121 1');
        // The jumped-to entry is marked once the player is asked (the list ended).
        await page.click('[data-go=now]');
        await page.waitForFunction((title) => document.querySelector('#now-title').textContent === title, entries[1]);
        await page.click('[data-go=playlist]');
        await page.waitForSelector('#playlist-list .item:nth-child(2)[aria-current=true]');
        // The playlist keeps its place when the list is asked for again.
        for (let n = 0; n < 20; ++n) {
            host.order(`add C:\\lib\\filler${n}.mp3|Filler ${n}`);
            await host.waitFor((line) => line.startsWith('add ok'));
        }
        await page.click('#playlist-refresh');
        await page.waitForFunction(() => document.querySelectorAll('#playlist-list .item').length >= 20);
        await page.$eval('#playlist-list', (box) => (box.scrollTop = box.scrollHeight));
        const left = await page.$eval('#playlist-list', (box) => box.scrollTop);
        assert.ok(left > 300, `scrolled to ${left}`);
        await page.click('[data-go=now]');
        await page.click('[data-go=playlist]');
        await page.waitForFunction((top) => document.querySelector('#playlist-list').scrollTop === top, left);
    });

    test('playlist files: save the playlist in My Music, find it in the list, play it', { skip: foldersMissing }, async () => {
        // The playlist view is open when the folders screen asks for its lists.
        await page.click('#playlist-refresh');
        await page.waitForSelector('#playlist-list .item');
        await page.click('[data-go=files]');
        await host.requests();
        await page.fill('#save-form-files input', 'Road Trip');
        await page.click('#save-form-files button');
        await page.waitForSelector('.toast:has-text("Saved “Road Trip” in My Music")');
        await host.requestsUntil((request) => request === 'user 120 0');
        await browse('files', 'playlistFiles');
        await page.waitForSelector('#files-list .item[data-kind=playlistFile]');
        await settled('files-list');
        assert.ok((await names('files-list')).includes('Road Trip.m3u'));
        await page.click('[aria-label="Play Road Trip.m3u"]');
        const played = await host.requestsUntil((request) => request === 'user 102 0');
        assert.ok(played.some((request) => /^user 100 file=.*\\Road Trip\.m3u$/.test(request)), played.join('\n'));
        // The same name again is refused, and the page says so.
        await page.fill('#save-form-files input', 'Road Trip');
        await page.click('#save-form-files button');
        await page.waitForSelector('.toast.bad:has-text("“Road Trip” already exists")');
        // A name the file system would refuse is refused with its reason, before it goes out.
        await host.requests();
        await page.fill('#save-form-files input', 'a/b');
        await page.click('#save-form-files button');
        await page.waitForSelector('.toast.bad:has-text("“a/b” cannot be a file name")');
        assert.deepEqual((await host.requests()).filter((request) => request.startsWith('user 120')), []);
    });

    layout();

    equalizerAndSleep();

    searchAndJump();
    indexAtSmallSizes();
    lostLink();

    pushesInLists();

    clearTruth(foldersMissing);

    backAndReload();

    test('a link that drops comes back by itself', async () => {
        await page.click('[data-go=now]');
        bridge.dropClient();
        await page.waitForFunction(() => ['Link lost', 'Reconnecting…'].includes(document.querySelector('#link-state').textContent));
        await linkState('Connected');
        await host.requests();
        await page.click('#play');
        await host.requestsUntil((request) => request === 'command 40045');
    });

    test('once loaded, the page opens without a network', async () => {
        await page.waitForFunction(async () => (await navigator.serviceWorker.ready).active?.state === 'activated');
        await context.setOffline(true);
        try {
            await page.reload();
            await page.waitForSelector('#connect');
            assert.equal(await page.title(), 'Quillon remote');
            assert.equal(await page.evaluate(() => typeof document.querySelector('#bands input')), 'object', 'app.js ran');
        } finally {
            await context.setOffline(false);
        }
    });
    unknownState();
});
