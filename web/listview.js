// One paged list on screen (a scrolling box over a PagedList), its rows and
// the trail of levels above it.
import { PagedList } from './pager.js';
import { session } from './remote.js';
import { $, element, icon, toast } from './ui.js';

// Shows one paged list in a scrolling box: renders the held pages, keeps the
// reader's place when pages come and go above, and asks for more near either end.
export class ListView {
    constructor(container, emptyText) {
        this.container = container;
        this.emptyText = emptyText;
        this.head = element('div', { class: 'list-head' });
        this.box = element('div', { class: 'list-pages' });
        this.status = element('div', { class: 'list-status' });
        container.style.position = 'relative';
        container.replaceChildren(this.head, this.box, this.status);
        this.pager = null;
        this.rendered = new Map();
        this.renderItem = null;
        this.checking = false;
        container.addEventListener('scroll', () => this.scheduleCheck(), { passive: true });
        pagers.add(this);
    }

    show(steps, renderItem, head = null) {
        this.pager?.close();
        this.rendered.clear();
        this.box.replaceChildren();
        this.head.replaceChildren();
        this.headRow = head;
        this.renderItem = renderItem;
        this.container.scrollTop = 0;
        this.pager = new PagedList(session, steps);
        this.pager.on('change', (view) => this.render(view));
        this.pager.on('problem', ({ error }) => toast(error.message, true));
        if (session.connected) this.pager.open();
        else this.render(this.pager.view());
    }

    reload() {
        if (!this.pager) return;
        this.pager.list = null;
        this.rendered.clear();
        this.box.replaceChildren();
        if (session.connected) this.pager.open();
    }

    linkLost() {
        // The plug-in's list is gone with the link; the next scroll opens it again.
        if (this.pager) this.pager.list = null;
    }

    render(view) {
        if (view.allTracks && this.headRow && this.head.childElementCount === 0) this.head.append(this.headRow());
        const wanted = new Set(view.pages.map((page) => page.ordinal));
        // The first page that stays is the reader's anchor.
        const anchorOrdinal = view.pages.map((page) => page.ordinal).find((ordinal) => this.rendered.has(ordinal));
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
        const count = view.pages.reduce((sum, page) => sum + page.items.length, 0);
        if (!session.connected && !view.began) this.status.textContent = 'Connect to see this list';
        else if (view.busy || !view.began) this.status.textContent = 'Loading…';
        else if (count === 0 && !view.allTracks) this.status.textContent = this.emptyText;
        else this.status.textContent = view.hasMore ? 'More below' : '';
        this.scheduleCheck();
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

// One row: a label that opens or plays, and play and enqueue buttons.
export function itemRow({ kind, name, open, play, enqueue, index = null }) {
    const label = element(
        'button',
        { type: 'button', class: 'label', 'aria-label': `${open ? 'Open' : 'Play'} ${name}` },
        element('span', { class: 'kind' }, index !== null ? `${kindNames[kind] ?? kind} ${index + 1}` : kindNames[kind] ?? kind),
        element('span', { class: 'name' }, name || '(no name)'),
    );
    label.addEventListener('click', open ?? play ?? (() => {}));
    const row = element('div', { class: 'item', role: 'listitem', 'data-kind': kind }, label);
    if (play) row.append(element('button', { type: 'button', class: 'act', 'aria-label': `Play ${name}`, onclick: play }, icon('play')));
    if (enqueue) row.append(element('button', { type: 'button', class: 'act', 'aria-label': `Enqueue ${name}`, onclick: enqueue }, icon('add')));
    return row;
}

export function crumbs(box, trail, go) {
    box.replaceChildren();
    trail.forEach((level, depth) => {
        if (depth > 0) box.append(element('span', { class: 'sep', 'aria-hidden': 'true' }, '›'));
        const last = depth === trail.length - 1;
        box.append(element('button', { type: 'button', 'aria-current': String(last), onclick: () => go(depth) }, level.label));
    });
}
