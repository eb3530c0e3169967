// One paged list as the page shows it, with no page in it: which pages of
// the plug-in's list are held, and the 53 and 54 lines that bring the next
// or the earlier one when the reader scrolls there.
//
// The plug-in sends a list a page at a time and keeps its own place in it:
// 53 sends the page after the one it sent last, 54 the page before. The page
// holds a window of a few pages (a phone need not keep 100,000 titles), so
// scrolling past either end of the window asks for the page beyond it, and
// walks the plug-in's place there first when it was left at the other end.
// When another command has ended the list meanwhile, the list is asked for
// again and walked to the page wanted.

import { Command } from './commands.js';
import { Emitter } from './events.js';

// How long a page turn may go unanswered before the list counts as ended.
const turnPatienceMs = 5000;

// The page a jump (102) lands on, as the ordinal of the pages: far from 0, so
// that the pages before it (54 from there) have ordinals of their own.
export const jumpAnchor = 1_000_000;

export class PagedList extends Emitter {
    // `steps()` gives the command lines that open the list, as [number,
    // argument] pairs, the opener last (a list of an artist's album first
    // needs the artist chosen).
    // `anchor`: jumpAnchor when the last step is a jump, whose position line
    // brings the first page shown; 0 when the list is shown from its top.
    constructor(session, steps, { windowPages = 3, anchor = 0 } = {}) {
        super();
        this.session = session;
        this.steps = steps;
        this.windowPages = windowPages;
        this.anchor = anchor;
        this.list = null;
        this.pages = new Map(); // ordinal -> { start, items, next }
        this.lo = 0;
        this.hi = 0;
        this.cursor = 0; // the page the plug-in sent last
        this.turns = []; // ordinals the coming position lines stand for
        this.receiving = null; // the page the coming items belong to, or null to pass them by
        this.opening = false;
        this.allTracks = false;
        this.began = false;
        this.timer = null;
        this.closed = false;
        this.unsubscribe = session.on('event', (event) => this.take(event));
    }

    close() {
        this.closed = true;
        this.unsubscribe();
        clearTimeout(this.timer);
    }

    get busy() {
        return this.opening || this.turns.length > 0;
    }

    // The held pages in order, for the view.
    view() {
        const pages = [];
        for (let ordinal = this.lo; ordinal <= this.hi; ++ordinal) {
            const page = this.pages.get(ordinal);
            if (page) pages.push({ ordinal, start: page.start, items: page.items });
        }
        const last = this.pages.get(this.hi);
        return {
            pages,
            began: this.began,
            allTracks: this.allTracks,
            hasMore: Boolean(last && last.next > 0),
            hasEarlier: !this.atStart(),
            busy: this.busy,
        };
    }

    changed() {
        this.emit('change', this.view());
    }

    // Opens the list at the page `at` (0, the first, unless the reader is
    // coming back to a place further down).
    open(at = this.anchor) {
        this.pages.clear();
        this.lo = this.hi = at;
        this.began = false;
        this.allTracks = false;
        this.walk(at);
    }

    // A jump (102 with `prefix`) in the list shown: while the list is open it
    // goes out alone, and the plug-in sends the page from its target without
    // asking the host again; otherwise the list is asked for anew with the
    // jump behind it. `steps` open the list at the jump from now on.
    jumpTo(steps, prefix) {
        this.steps = steps;
        this.anchor = jumpAnchor;
        this.pages.clear();
        this.lo = this.hi = this.cursor = jumpAnchor;
        if (this.busy || this.list === null || !this.session.isOpen(this.list)) {
            this.list = null;
            this.walk(jumpAnchor);
            return;
        }
        try {
            this.session.send(Command.jumpToLetter, prefix);
            this.opening = true;
        } catch (error) {
            this.list = null;
            this.emit('problem', { error });
        }
        this.arm();
        this.changed();
    }

    // The reader reached the end of the held pages.
    more() {
        const last = this.pages.get(this.hi);
        if (this.busy || this.closed || !last || !(last.next > 0)) return false;
        const target = this.hi + 1;
        this.hi = target;
        this.lo = Math.max(this.lo, target - this.windowPages + 1);
        this.walk(target);
        return true;
    }

    // The reader reached the beginning of the held pages.
    earlier() {
        if (this.busy || this.closed || this.atStart()) return false;
        const target = this.lo - 1;
        this.lo = target;
        this.hi = Math.min(this.hi, target + this.windowPages - 1);
        this.walk(target);
        return true;
    }

    // Whether the first page held is the list's first (after a jump, the
    // one that starts at record 0).
    atStart() {
        const first = this.pages.get(this.lo);
        return first ? first.start === 0 : this.lo === 0;
    }

    // Brings the plug-in's place to the page `target`, opening the list anew
    // when it is no longer open.
    walk(target) {
        this.prune();
        try {
            if (!this.session.isOpen(this.list) || this.list === null) {
                let list = null;
                // The list is the one the steps open; a step that opens
                // none (a version line asked for behind it) leaves it be.
                for (const [number, argument] of this.steps(this.session)) list = this.session.send(number, argument) ?? list;
                this.list = list;
                this.opening = true;
                this.cursor = this.anchor;
                this.turns = [];
            }
            while (this.cursor < target) {
                this.session.send(Command.nextPage);
                this.turns.push(++this.cursor);
            }
            while (this.cursor > target) {
                this.session.send(Command.previousPage);
                this.turns.push(--this.cursor);
            }
        } catch (error) {
            this.opening = false;
            this.turns = [];
            this.list = null;
            this.emit('problem', { error });
        }
        this.arm();
        this.changed();
    }

    arm() {
        clearTimeout(this.timer);
        if (!this.busy) return;
        this.timer = setTimeout(() => {
            // The plug-in did not answer: the list is no longer what we
            // thought; the next scroll asks for it again.
            this.opening = false;
            this.turns = [];
            this.list = null;
            this.changed();
        }, turnPatienceMs);
    }

    prune() {
        for (const ordinal of [...this.pages.keys()]) if (ordinal < this.lo || ordinal > this.hi) this.pages.delete(ordinal);
    }

    // Items go to a page that is wanted and not yet held; a page that is
    // held already (passed again on the way to another) keeps its items.
    startPage(ordinal, start) {
        if (ordinal < this.lo || ordinal > this.hi || this.pages.has(ordinal)) {
            this.receiving = null;
            return;
        }
        this.receiving = { ordinal, start, items: [], next: 0, full: false };
        this.pages.set(ordinal, this.receiving);
    }

    take(event) {
        if (this.list === null || event.list?.id !== this.list.id) return;
        switch (event.type) {
            case 'listEmpty':
                this.finishOpening();
                return;
            case 'listBegin':
                this.began = true;
                if (this.anchor !== 0) {
                    // The first page passes by; the jump's comes next.
                    this.receiving = null;
                    break;
                }
                this.opening = false;
                this.startPage(0, 0);
                break;
            case 'listPosition': {
                const ordinal = this.opening && this.anchor !== 0 ? this.anchor : (this.turns.shift() ?? this.cursor);
                this.opening = false;
                this.startPage(ordinal, event.position);
                break;
            }
            case 'listItem':
                if (event.kind === 'allTracks') this.allTracks = true;
                else if (this.receiving && !this.reachesPageAfter(event)) this.receiving.items.push(event);
                break;
            case 'listNext':
                if (this.receiving) this.receiving.next = event.count;
                break;
            default:
                return;
        }
        this.arm();
        this.changed();
    }

    // Going back from a jump near the top, the plug-in sends a whole page from
    // the list's start, which runs into the page held after it: its items
    // from there on are held already (records by index, names by the first
    // name of the page after).
    reachesPageAfter(event) {
        const page = this.receiving;
        const after = this.pages.get(page.ordinal + 1);
        if (!page.full && after && after.items.length > 0) {
            page.full = event.index !== null && event.index !== undefined ? event.index >= after.start : event.text === after.items[0].text;
        }
        return page.full;
    }

    finishOpening() {
        this.opening = false;
        this.began = true;
        this.arm();
        this.changed();
    }
}
