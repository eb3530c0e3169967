// The letter index along a list: # and A to Z in a strip the finger slides
// along. The letter under the finger is jumped to and shown large while the
// finger is down. For the keyboard and screen readers the strip is one
// slider that the arrow keys move through, letter by letter.
//
// The strip fills the height it is given with rows of at least 24 px (the
// least a target may measure) and adds columns when 27 rows do not fit, so
// that every letter is on screen without scrolling.
import { element } from './ui.js';

export const letters = ['#', ...'ABCDEFGHIJKLMNOPQRSTUVWXYZ'];
export const smallestTarget = 24;

function spoken(letter) {
    return letter === '#' ? '# (not beginning with a letter)' : letter;
}

export class LetterIndex {
    // `jump(letter)` moves the list; `ready()` says whether the list can take
    // a jump now (one still under way is let finish, and the latest letter
    // asked for goes out after it).
    constructor(box, bubble, { jump, ready = () => true }) {
        this.box = box;
        this.bubble = bubble;
        this.jump = jump;
        this.ready = ready;
        this.value = -1;
        this.wanted = null;
        this.sliding = false;
        this.cells = letters.map((letter) => element('span', { class: 'letter' }, letter));
        Object.entries({
            role: 'slider',
            tabindex: '0',
            'aria-label': 'Jump to a letter',
            'aria-orientation': 'vertical',
            'aria-valuemin': '0',
            'aria-valuemax': String(letters.length - 1),
            'aria-valuenow': '0',
            'aria-valuetext': 'no letter chosen',
        }).forEach(([key, value]) => box.setAttribute(key, value));
        box.replaceChildren(...this.cells);
        box.addEventListener('pointerdown', (event) => this.press(event));
        box.addEventListener('pointermove', (event) => this.sliding && this.choose(this.under(event)));
        for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) box.addEventListener(type, () => this.release());
        box.addEventListener('keydown', (event) => this.key(event));
        new ResizeObserver(() => this.fit()).observe(box);
    }

    // As many rows as fit at the least target height; columns for the rest,
    // as even as they come.
    fit() {
        const height = this.box.clientHeight;
        if (height === 0) return;
        const fitting = Math.max(1, Math.min(letters.length, Math.floor(height / smallestTarget)));
        const rows = Math.ceil(letters.length / Math.ceil(letters.length / fitting));
        this.box.style.gridTemplateRows = `repeat(${rows}, minmax(${smallestTarget}px, 1fr))`;
    }

    press(event) {
        if (event.button > 0) return;
        event.preventDefault();
        this.box.focus({ preventScroll: true });
        this.box.setPointerCapture?.(event.pointerId);
        this.sliding = true;
        this.box.dataset.sliding = 'true';
        this.choose(this.under(event));
    }

    release() {
        if (!this.sliding) return;
        this.sliding = false;
        delete this.box.dataset.sliding;
        this.bubble.hidden = true;
    }

    // The letter nearest the finger, also when it strays off the strip.
    under({ clientX: x, clientY: y }) {
        let best = 0;
        let distance = Infinity;
        this.cells.forEach((cell, index) => {
            const box = cell.getBoundingClientRect();
            const dx = Math.max(box.left - x, 0, x - box.right);
            const dy = Math.max(box.top - y, 0, y - box.bottom);
            const d = dx * dx + dy * dy;
            if (d < distance) [best, distance] = [index, d];
        });
        return best;
    }

    key(event) {
        const last = letters.length - 1;
        const moves = { ArrowDown: 1, ArrowRight: 1, ArrowUp: -1, ArrowLeft: -1, PageDown: 5, PageUp: -5 };
        let to;
        if (event.key in moves) to = Math.max(0, this.value) + (this.value < 0 && moves[event.key] > 0 ? 0 : moves[event.key]);
        else if (event.key === 'Home') to = 0;
        else if (event.key === 'End') to = last;
        else return;
        event.preventDefault();
        this.choose(Math.min(last, Math.max(0, to)));
    }

    choose(index) {
        if (this.sliding) {
            this.bubble.textContent = letters[index];
            this.bubble.hidden = false;
        }
        if (index === this.value) return;
        this.value = index;
        this.box.setAttribute('aria-valuenow', String(index));
        this.box.setAttribute('aria-valuetext', spoken(letters[index]));
        this.cells.forEach((cell, n) => cell.classList.toggle('chosen', n === index));
        this.wanted = letters[index];
        this.flush();
    }

    flush() {
        if (this.wanted === null) return;
        if (!this.ready()) {
            clearTimeout(this.retry);
            this.retry = setTimeout(() => this.flush(), 50);
            return;
        }
        const letter = this.wanted;
        this.wanted = null;
        this.jump(letter);
    }

    // Another list is shown: no letter is chosen in it yet.
    reset() {
        this.wanted = null;
        this.value = -1;
        this.box.setAttribute('aria-valuenow', '0');
        this.box.setAttribute('aria-valuetext', 'no letter chosen');
        this.cells.forEach((cell) => cell.classList.remove('chosen'));
    }
}
