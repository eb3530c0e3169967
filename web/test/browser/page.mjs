// What the browser tests share: the test library and the long names, the
// world they run in (the page, the host, the bridge), and the steps and
// checks every test uses.
import assert from 'node:assert/strict';
import path from 'node:path';

import { repoRoot } from './wine.mjs';

// The page, the test host, the bridge and the browser context of the run.
export const w = { page: null, host: null, bridge: null, context: null };

export const chromiumPath = process.env.QUILLON_CHROMIUM ?? '/usr/bin/chromium';
// The screens go under build/ on every run; QUILLON_WEB_SCREENSHOTS=web/screenshots
// refreshes the committed ones.
export const shots = path.resolve(repoRoot, process.env.QUILLON_WEB_SCREENSHOTS ?? path.join('build', 'web-e2e', 'screenshots'));
export const phone = { width: 390, height: 844 };

// The test library: FILE|TITLE|ALBUM|ARTIST|GENRE, one record a line, in the
// PC's code page (windows-1252: ë is one byte).
export function libraryText() {
    const lines = [];
    for (let n = 1; n <= 180; ++n) {
        const title = `Track ${String(n).padStart(3, '0')}`;
        lines.push(`C:\\lib\\Ada Lark\\Long Night\\${title}.mp3|${title}|Long Night|Ada Lark|Ambient`);
    }
    for (const title of ['Lantern', 'Paper Moon', 'Tin Roof']) lines.push(`C:\\lib\\Ada Lark\\Paper Moons\\${title}.mp3|${title}|Paper Moons|Ada Lark|Folk`);
    for (const title of ['Last Tram', 'Neon Rain']) lines.push(`C:\\lib\\Bo Fenn\\Night Bus\\${title}.mp3|${title}|Night Bus|Bo Fenn|Jazz`);
    lines.push("C:\\lib\\Cy Moss\\Zoë's Garden\\Moss.mp3|Moss|Zoë's Garden|Cy Moss|Folk");
    longTitles.forEach((title, n) => lines.push(`C:\\lib\\Bo Fenn\\Long Names\\long${n}.mp3|${title}|Long Names|Bo Fenn|Jazz`));
    return `${lines.join('\n')}\n`;
}

// Titles of the lengths a user meets: 40 and 190 characters, and 1,000 bytes
// of one unbroken word.
export const longTitles = [
    'The Quillons - Paper Lanterns (Acoustic)',
    'An Extremely Long Title of a Live Recording '.repeat(5).slice(0, 190),
    'Unbroken'.repeat(125),
];
export const longFolder = 'A Folder Whose Name Goes On '.repeat(7).slice(0, 190);
export const sizes = [
    { width: 320, height: 568 },
    { width: 390, height: 844 },
    { width: 844, height: 390 },
];
export const axeSource = path.join(repoRoot, 'web', 'node_modules', 'axe-core', 'axe.min.js');


export async function shot(name) {
    // Notes of earlier steps would hide the screen.
    await w.page.$$eval('.toast', (notes) => notes.forEach((note) => note.remove()));
    await w.page.screenshot({ path: path.join(shots, `${name}.png`) });
}

export function list(id) {
    return w.page.locator(`#${id} .item .name`);
}

export async function names(id) {
    return list(id).allTextContents();
}

export async function scrollList(id, where) {
    await w.page.$eval(`#${id}`, (box, to) => {
        box.scrollTop = to === 'bottom' ? box.scrollHeight : 0;
        box.dispatchEvent(new Event('scroll'));
    }, where);
}

// A list takes taps once it has settled after a change of level.
export async function settled(id) {
    await w.page.waitForSelector(`#${id}:not([data-settling])`);
}

// The label of the row named `name`: its name is what it shows.
export function row(id, name) {
    return `#${id} .item .label:has(.name:text-is(${JSON.stringify(name)}))`;
}

export async function open(id, name) {
    await settled(id);
    await w.page.click(row(id, name));
}

// A list of a screen ('library' or 'files') from its top: chosen in the
// header row, or its first crumb when it is chosen already.
export async function browse(screen, list) {
    const select = `#${screen}-browse`;
    const top = `#${screen}-crumbs button >> nth=0`;
    if (await w.page.isHidden(select)) await w.page.click(top);
    else if ((await w.page.inputValue(select)) === list && (await w.page.isVisible(top))) await w.page.click(top);
    if ((await w.page.inputValue(select)) !== list) await w.page.selectOption(select, list);
}

// What leaves the screen sideways: the document wider than the viewport, or
// a control (outside a list's own scrolling) that is not wholly on screen.
export async function overflow() {
    return w.page.evaluate(() => {
        const width = document.documentElement.clientWidth;
        const out = [];
        if (document.documentElement.scrollWidth > width) out.push(`document ${document.documentElement.scrollWidth} > ${width}`);
        for (const control of document.querySelectorAll('button, input, select, output, #link-state, .mini-title, .item .name')) {
            const box = control.getBoundingClientRect();
            if (box.width === 0 || control.closest('[hidden]')) continue;
            if (box.left < -0.5 || box.right > width + 0.5) out.push(`${control.outerHTML.slice(0, 80)} at ${Math.round(box.left)}..${Math.round(box.right)}`);
        }
        return out;
    });
}

// No serious or critical finding of axe-core (WCAG 2.2 A and AA, contrast
// included, and whether an accessible name holds the visible text).
export async function accessibility(where, page = w.page) {
    if (!(await page.evaluate(() => 'axe' in window))) await page.addScriptTag({ path: axeSource });
    const found = await page.evaluate(async () => {
        const result = await window.axe.run(document, {
            runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa'],
            rules: { 'label-content-name-mismatch': { enabled: true } },
        });
        return result.violations
            .filter((violation) => ['serious', 'critical'].includes(violation.impact))
            .map((violation) => `${violation.id}: ${violation.nodes.map((node) => node.target.join(' ')).join(', ')}`);
    });
    assert.deepEqual(found, [], where);
}

export async function play(title) {
    w.host.order(`add C:\\lib\\long.mp3|${title}`);
    const added = await w.host.waitFor((line) => line.startsWith('add ok'));
    w.host.order(`track ${Number(added.split(' ')[2]) - 1}`);
    await w.host.waitFor((line) => line === 'track ok');
    // A change made while the plug-in builds a line goes unreported; going
    // to Now asks the player.
    await w.page.click('[data-go=now]');
    // The plug-in cuts a title too long for its line.
    await w.page
        .waitForFunction((text) => document.querySelector('#now-title-text').textContent.startsWith(text), title.slice(0, 500), { timeout: 10000 })
        .catch(async (error) => {
            throw new Error(`${error.message}: showing ${await w.page.textContent('#now-title-text')}; ${(await w.host.requests()).join(' / ')}; ${JSON.stringify(await w.host.state()).slice(0, 200)}`);
        });
}

export async function linkState(text, timeout = 20000) {
    await w.page.waitForFunction((expected) => document.querySelector('#link-state').textContent === expected, text, { timeout });
}
