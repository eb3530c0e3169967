// Paging on scroll: the 53 and 54 lines the page sends to hold a window of
// pages, walking the plug-in's place, and asking for the list again when
// another command has ended it. The far side answers as the paged list
// dialogue does: pages of 50 items, "Next " with min(remaining, 50) at a page
// end, after 53 the position and "Previous 50", after 54 the position and
// "Previous 50" unless it is 0.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { jumpAnchor, PagedList } from '../../pager.js';
import { Command, Session } from '../../protocol.js';
import { bytesOf, textOf, tick } from './helpers.mjs';

// The plug-in's side of the all-titles list (39) over `count` records.
function fakePlugin(count) {
    const session = new Session();
    const sent = [];
    let open = false;
    let position = 0;
    const starts = [];
    const reply = (lines) => queueMicrotask(() => session.receive(bytesOf(lines.map((line) => `${line}\n`).join(''))));
    const page = () => {
        const lines = [];
        starts.push(position);
        for (let k = 0; k < 50 && position < count; ++k, ++position) lines.push(`PZTitle ${position}`);
        const left = Math.min(count - position, 50);
        if (left > 0) lines.push(`PSNext ${left}`);
        return lines;
    };
    session.linkUp((bytes) => {
        const line = textOf(bytes).trimEnd();
        sent.push(line);
        const number = Number.parseInt(line, 10);
        if (number === Command.titles) {
            open = true;
            position = 0;
            starts.length = 0;
            reply(['PA', ...page()]);
        } else if (open && number === Command.nextPage && position < count) {
            reply([`PT${position}`, 'PUPrevious 50', ...page()]);
        } else if (open && number === Command.jumpToLetter) {
            // This far side's items are numbers: the prefix names the record.
            position = Number.parseInt(line.slice(4), 10);
            starts.length = 0;
            reply([`PT${position}`, ...(position !== 0 ? ['PUPrevious 50'] : []), ...page()]);
        } else if (open && number === Command.previousPage && starts.at(-1) > 0) {
            const start = starts.pop();
            position = starts.length > 0 ? starts.pop() : Math.max(0, start - 50);
            reply([`PT${position}`, ...(position !== 0 ? ['PUPrevious 50'] : []), ...page()]);
        } else if (![Command.playTitle, Command.enqueueTitle, Command.nextPage, Command.previousPage, Command.jumpToLetter].includes(number)) {
            open = false;
        }
        return Promise.resolve();
    });
    return { session, sent };
}

const shown = (view) => view.pages.flatMap((page) => page.items.map((item) => item.index));
const range = (from, to) => Array.from({ length: to - from }, (_, i) => from + i);

async function settle(list) {
    for (let i = 0; i < 50 && list.busy; ++i) await tick(1);
    assert.equal(list.busy, false, 'the list answered');
}

describe('PagedList', () => {
    test('scrolling down holds at most three pages; back up, the page before comes with 54', async () => {
        const { session, sent } = fakePlugin(180);
        const list = new PagedList(session, () => [[Command.titles, '']]);
        list.open();
        await settle(list);
        assert.deepEqual(shown(list.view()), range(0, 50));
        assert.equal(list.view().hasMore, true);
        assert.equal(list.view().hasEarlier, false);
        for (const expected of [range(0, 100), range(0, 150), range(50, 180)]) {
            assert.ok(list.more());
            await settle(list);
            assert.deepEqual(shown(list.view()), expected);
        }
        assert.deepEqual(sent, ['39', '53', '53', '53']);
        assert.equal(list.view().hasMore, false);
        assert.equal(list.more(), false, 'no 53 after the last page');
        // The plug-in sent page 3 last: page 0 is three steps back.
        assert.ok(list.earlier());
        await settle(list);
        assert.deepEqual(sent.slice(4), ['54', '54', '54']);
        assert.deepEqual(shown(list.view()), range(0, 150));
        assert.equal(list.view().hasEarlier, false);
        // Down again: the plug-in is at page 0, and page 3 is three steps on.
        assert.ok(list.more());
        await settle(list);
        assert.deepEqual(sent.slice(7), ['53', '53', '53']);
        assert.deepEqual(shown(list.view()), range(50, 180));
        list.close();
    });

    test('when another command has ended the list, it is asked for again and walked to the page wanted', async () => {
        const { session, sent } = fakePlugin(180);
        const list = new PagedList(session, () => [[Command.titles, '']]);
        list.open();
        await settle(list);
        list.more();
        await settle(list);
        session.send(Command.setVolume, '80'); // ends the list
        assert.ok(list.more());
        await settle(list);
        assert.deepEqual(sent, ['39', '53', '11 80', '39', '53', '53']);
        assert.deepEqual(shown(list.view()), range(0, 150));
        list.close();
    });

    test('a jump shows the page from its position and scrolls both ways; the list asked for again replays the jump', async () => {
        const { session, sent } = fakePlugin(180);
        const list = new PagedList(session, () => [[Command.titles, ''], [Command.jumpToLetter, '70']], { anchor: jumpAnchor });
        list.open();
        await settle(list);
        assert.deepEqual(shown(list.view()), range(70, 120));
        assert.equal(list.view().hasEarlier, true);
        assert.ok(list.earlier());
        await settle(list);
        assert.deepEqual(shown(list.view()), range(20, 120));
        session.send(Command.setVolume, '80'); // ends the list
        assert.ok(list.more());
        await settle(list);
        assert.deepEqual(sent, ['39', '102 70', '54', '11 80', '39', '102 70', '53']);
        assert.deepEqual(shown(list.view()), range(20, 170));
        assert.ok(list.earlier());
        await settle(list);
        // The plug-in sends 50 from the start; the page before 20 holds 0 to 19.
        assert.deepEqual(shown(list.view()), range(0, 120));
        assert.equal(list.view().hasEarlier, false);
        list.close();
    });

    test('a list of exactly one page offers no more', async () => {
        const { session, sent } = fakePlugin(50);
        const list = new PagedList(session, () => [[Command.titles, '']]);
        list.open();
        await settle(list);
        assert.deepEqual(shown(list.view()), range(0, 50));
        assert.equal(list.more(), false);
        assert.equal(list.earlier(), false);
        assert.deepEqual(sent, ['39']);
        list.close();
    });

    test('an empty list begins and holds nothing', async () => {
        const { session } = fakePlugin(0);
        const list = new PagedList(session, () => [[Command.titles, '']]);
        list.open();
        await settle(list);
        assert.equal(list.view().began, true);
        assert.deepEqual(shown(list.view()), []);
        list.close();
    });

    test('steps before the opener go out first (an artist chosen before the album\'s titles)', async () => {
        const { session, sent } = fakePlugin(10);
        const list = new PagedList(session, () => [[Command.albumsOfArtist, 'A'], [Command.titles, '']]);
        list.open();
        await tick(5);
        assert.deepEqual(sent, ['34 A', '39']);
        list.close();
    });
});
