// Renders icons/icon.svg into the PNG icons the manifest names, with Debian's
// chromium: node dev/make-icons.mjs
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const browser = await chromium.launch({ executablePath: process.env.QUILLON_CHROMIUM ?? '/usr/bin/chromium', args: ['--no-sandbox', '--disable-gpu'] });
try {
    for (const size of [192, 512]) {
        const page = await browser.newPage({ viewport: { width: size, height: size } });
        await page.goto(`file://${path.join(root, 'icons', 'icon.svg')}`);
        await page.screenshot({ path: path.join(root, 'icons', `icon-${size}.png`) });
        await page.close();
    }
} finally {
    await browser.close();
}
