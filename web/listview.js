// One paged list on screen (a scrolling box over a PagedList), its rows and
// the trail of levels above it.
import { webSerialAvailable } from './link.js';
import { requested } from './now.js';
import { PagedList } from './pager.js';
import { app, session, viaBridge } from './remote.js';
import { $, element, icon, toast } from './ui.js';

// Taps that began before a list changed level (the second tap of a double
// tap, a finger still down) must not land on the new level: a list takes
// taps again once the finger has lifted and this long has passed.
const settleMs = 400;
const pointer = { down: false, downAt: -Infinity };
document.addEventListener('pointerdown', () => Object.assign(pointer, { down: true, downAt: performance.now() }), true);
for (const type of ['pointerup', 'pointercancel']) document.addEventListener(type, () => (pointer.down = false), true);

// Shows one paged list in a scrolling box: renders the held pages, keeps the
// reader's place when pages come and go above, and asks for more near either end.
export class ListView {
    constructor(container, emptyText) {
        this.container = container;
        this.emptyText = emptyText;
        this.head = element('div', { class: 'list-head' });
        this.box = element('div', { class: 'list-pages' });
        this.status = element('div', { class: 'list-status' });
        // Without the link the list says so at its top, over the rows it holds.
        this.note = element('div', { class: 'list-note', hidden: '' });
        // A list role only while there are items in it.
        this.items = element('div', { class: 'list-items' }, this.head, this.box);
        container.style.position = 'relative';
        container.replaceChildren(this.note, this.items, this.status);
        this.pager = null;
        this.rendered = new Map();
        this.renderItem = null;
        this.checking = false;
        this.shownAt = -Infinity;
        container.addEventListener('scroll', () => this.scheduleCheck(), { passive: true });
        container.addEventListener('click', (event) => this.guard(event), true);
        pagers.add(this);
    }

    // Lets a tap through only when it began after the list settled.
    guard(event) {
        const began = event.detail > 0 ? pointer.downAt : performance.now();
        if (began >= this.shownAt + settleMs) return;
        event.stopPropagation();
        event.preventDefault();
    }

    settle() {
        this.shownAt = performance.now();
        this.container.dataset.settling = 'true';
        clearTimeout(this.settleTimer);
        const done = () => {
            if (pointer.down) document.addEventListener('pointerup', done, { once: true, capture: true });
            else delete this.container.dataset.settling;
        };
        this.settleTimer = setTimeout(done, settleMs);
    }

    // A new level: the list starts at its top and takes no taps until it
    // settled; with keepPlace, the same list is asked for again and shown
    // where the reader left it.
    show(steps, renderItem, head = null, { keepPlace = false, anchor = 0 } = {}) {
        const first = keepPlace ? this.rendered.get(this.pager?.lo) : undefined;
        const at = first ? this.pager.lo : anchor;
        this.returnTo = first ? { ordinal: at, count: first.count, offset: this.container.scrollTop - first.node.offsetTop } : null;
        this.settle();
        this.pager?.close();
        this.rendered.clear();
        this.box.replaceChildren();
        this.head.replaceChildren();
        this.headRow = head;
        this.renderItem = renderItem;
        this.container.scrollTop = 0;
        this.pager = new PagedList(session, steps, { anchor });
        this.pager.on('change', (view) => this.render(view));
        this.pager.on('problem', ({ error }) => toast(error.message, true));
        if (session.connected) this.pager.open(at);
        else this.render(this.pager.view());
    }

    // The list shown, moved to a jump: drawn anew from the jump's page.
    jump(steps, prefix) {
        if (!this.pager) return;
        this.settle();
        this.rendered.clear();
        this.box.replaceChildren();
        this.container.scrollTop = 0;
        this.pager.jumpTo(steps, prefix);
    }

    // The same list in another code page: the held items are read anew and
    // drawn again; the level gives the rows that act on the new names.
    recode(level, recode) {
        if (!this.pager) return;
        for (const page of this.pager.pages.values())
            for (const item of page.items) for (const key of ['text', 'label']) if (typeof item[key] === 'string') item[key] = recode(item[key]);
        this.pager.steps = level.steps;
        this.renderItem = level.item;
        this.headRow = level.head ?? null;
        this.rendered.clear();
        this.box.replaceChildren();
        this.head.replaceChildren();
        this.render(this.pager.view());
    }

    reload() {
        if (!this.pager) return;
        this.pager.list = null;
        this.rendered.clear();
        this.box.replaceChildren();
        if (session.connected) this.pager.open();
    }

    linkLost() {
        // The plug-in's list is gone with the link; the list is asked for
        // again once it is back.
        if (!this.pager) return;
        this.pager.list = null;
        this.render(this.pager.view());
    }

    render(view) {
        if (view.allTracks && this.headRow && this.head.childElementCount === 0) this.head.append(this.headRow());
        const wanted = new Set(view.pages.map((page) => page.ordinal));
        // The first page that stays and shows on screen is the reader's
        // anchor: a page coming in above it (scrolling up, or the page before
        // a jump) grows without moving what the reader sees.
        const scrollTop = this.container.scrollTop;
        const shown = (ordinal) => {
            const node = this.rendered.get(ordinal)?.node;
            return node !== undefined && node.offsetTop + node.offsetHeight > scrollTop;
        };
        const ordinals = view.pages.map((page) => page.ordinal);
        const anchorOrdinal = ordinals.find(shown) ?? ordinals.find((ordinal) => this.rendered.has(ordinal));
        const anchor = anchorOrdinal === undefined ? null : this.rendered.get(anchorOrdinal).node;
        const anchorOffset = anchor ? anchor.offsetTop - this.container.scrollTop : 0;
        for (const [ordinal, held] of this.rendered) {
            if (!wanted.has(ordinal)) {
                held.node.remove();
                this.rendered.delete(ordinal);
            }
        }
        let previous = null;
        for (const page of view.pages) {
            let held = this.rendered.get(page.ordinal);
            if (!held) {
                held = { node: element('div', { class: 'page', 'data-page': String(page.ordinal), 'data-start': String(page.start) }), count: 0 };
                this.rendered.set(page.ordinal, held);
                if (previous) previous.after(held.node);
                else this.box.prepend(held.node);
            }
            for (; held.count < page.items.length; ++held.count) held.node.append(this.renderItem(page.items[held.count]));
            previous = held.node;
        }
        if (anchor && anchor.isConnected) this.container.scrollTop = anchor.offsetTop - anchorOffset;
        const back = this.returnTo && this.rendered.get(this.returnTo.ordinal);
        if (back && back.count >= this.returnTo.count) {
            this.container.scrollTop = back.node.offsetTop + this.returnTo.offset;
            this.returnTo = null;
        }
        const count = view.pages.reduce((sum, page) => sum + page.items.length, 0);
        if (count > 0 || this.head.childElementCount > 0) this.items.setAttribute('role', 'list');
        else this.items.removeAttribute('role');
        this.note.hidden = session.connected;
        if (!session.connected) {
            this.notConnected();
            this.status.textContent = '';
        } else if (view.busy || !view.began) this.status.textContent = 'Loading…';
        else if (count === 0 && !view.allTracks) this.status.textContent = this.emptyText;
        else this.status.textContent = view.hasMore ? 'More below' : '';
        this.scheduleCheck();
    }

    refreshStatus() {
        if (this.pager) this.render(this.pager.view());
    }

    // Not connected: the way to connect (or to try again now) is right here,
    // where the browser can open a port at all.
    notConnected() {
        const retry = app.connection !== null;
        if (!viaBridge && !webSerialAvailable()) {
            this.note.replaceChildren(element('span', {}, 'Not connected: this browser cannot open serial ports.'));
            return;
        }
        this.note.replaceChildren(
            element('span', {}, retry ? 'Not connected: the page is trying again. ' : 'Not connected. '),
            element('button', { type: 'button', class: 'primary', 'data-connect': '', 'data-tap': 'once' }, retry ? 'Retry now' : 'Connect'),
        );
    }

    scheduleCheck() {
        if (this.checking) return;
        this.checking = true;
        requestAnimationFrame(() => {
            this.checking = false;
            this.check();
        });
    }

    check() {
        const pager = this.pager;
        if (!pager || pager.busy || !session.connected || this.container.offsetParent === null) return;
        const { scrollTop, clientHeight, scrollHeight } = this.container;
        const margin = Math.max(200, clientHeight / 2);
        if (scrollTop + clientHeight >= scrollHeight - margin && pager.more()) return;
        if (scrollTop <= margin) pager.earlier();
    }
}

export const pagers = new Set();

const kindNames = {
    artist: 'Artist',
    album: 'Album',
    genre: 'Genre',
    title: 'Title',
    libraryPlaylist: 'Playlist',
    drive: 'Drive',
    cdDrive: 'CD drive',
    folder: 'Folder',
    file: 'File',
    playlistFile: 'Playlist file',
    playlistEntry: 'Entry',
};

// A row's label opens the level below; a row that opens nothing shows its
// whole name when its label is tapped. A long press on any label does the
// same. Playing is only ever the play button's.
export function itemRow({ kind, name, open, play, enqueue, index = null, playName = null }) {
    const shown = name || '(no name)';
    const label = element(
        'button',
        { type: 'button', class: 'label', title: shown },
        element('span', { class: 'kind' }, index !== null ? `${kindNames[kind] ?? kind} ${index + 1}` : kindNames[kind] ?? kind),
        element('span', { class: 'name' }, shown),
    );
    const row = element('div', { class: 'item', role: 'listitem', 'data-kind': kind }, label);
    if (open) {
        label.addEventListener('click', open);
    } else {
        label.setAttribute('aria-expanded', 'false');
        label.addEventListener('click', () => expand(row));
    }
    if (play) row.append(askingButton('play', `Play ${playName ?? shown}`, `Playing “${shown}” requested`, play));
    if (enqueue) row.append(askingButton('add', `Enqueue ${shown}`, `Enqueue sent: ${shown}`, enqueue));
    return row;
}

function expand(row, open = !row.classList.contains('expanded')) {
    row.classList.toggle('expanded', open);
    const label = row.querySelector('.label');
    if (label.hasAttribute('aria-expanded')) label.setAttribute('aria-expanded', String(open));
}

// A button that asks the player for something says at once what it asked,
// in a note and in the mini player until the player reports, and takes no
// second tap while it says so (a double tap acts once).
function askingButton(shape, label, asked, action) {
    const button = element('button', { type: 'button', class: 'act', 'aria-label': label }, icon(shape));
    button.addEventListener('click', () => {
        if (button.dataset.sent) return;
        if (action() === false) return;
        button.dataset.sent = 'true';
        button.replaceChildren(icon('check'));
        toast(asked);
        requested(asked);
        setTimeout(() => {
            delete button.dataset.sent;
            button.replaceChildren(icon(shape));
        }, 2000);
    });
    return button;
}

// A long press on a row's label shows the whole name; the click that ends
// the press does nothing more.
const longPressMs = 550;
let press = null;
document.addEventListener('pointerdown', (event) => {
    const label = event.target.closest?.('.item .label');
    if (!label) return;
    const at = { x: event.clientX, y: event.clientY };
    press = {
        label,
        at,
        done: false,
        timer: setTimeout(() => {
            press.done = true;
            expand(label.closest('.item'));
        }, longPressMs),
    };
});
const endPress = (event) => {
    if (press && (event.type !== 'pointermove' || Math.hypot(event.clientX - press.at.x, event.clientY - press.at.y) > 10)) clearTimeout(press.timer);
};
for (const type of ['pointerup', 'pointercancel', 'pointermove']) document.addEventListener(type, endPress);
document.addEventListener(
    'click',
    (event) => {
        if (press?.done && event.target.closest?.('.item .label') === press.label) {
            event.stopPropagation();
            event.preventDefault();
        }
        press = null;
    },
    true,
);
document.addEventListener('contextmenu', (event) => {
    if (event.target.closest?.('.item .label')) event.preventDefault();
});

// The trail as buttons: the top, and the two levels above the one shown
// (Back goes up one at a time through all of them).
export function crumbs(box, trail, go) {
    box.replaceChildren();
    trail.forEach((level, depth) => {
        if (depth > 0 && depth < trail.length - 3) return;
        if (depth > 0) box.append(element('span', { class: 'sep', 'aria-hidden': 'true' }, depth === trail.length - 3 && depth > 1 ? '…' : '›'));
        const last = depth === trail.length - 1;
        box.append(element('button', { type: 'button', title: level.label, 'aria-current': String(last), 'data-tap': 'once', onclick: () => go(depth) }, level.label));
    });
}
