// Where the reader is, kept for Back and for a reload. Back goes up one
// level of the screen shown, from a screen's top level to Now, and only
// from Now does it leave the page. A reload comes back to the screen and
// the level it left.
//
// Each step Back can take is an entry of the browser's history, added while
// the user acts (a browser may pass over entries a page adds on its own).
// Entries stay when the reader goes up by the page's own buttons: they are
// further steps Back, and from Now one Back leaves past all of them.
const stored = 'quillon.place';
const screens = new Map(); // name -> { depth(), up(), place(), restore(saved) }
const page = { shown: () => 'now', go: null, leaving: false };
let at = typeof history.state?.quillonStep === 'number' ? history.state.quillonStep : 0;
if (history.state?.quillonStep !== at) history.replaceState({ quillonStep: at }, '');

// `shown()` names the screen shown; `go(name)` shows one.
export function placesFor(shown, go) {
    Object.assign(page, { shown, go });
}

// A screen with levels: `depth()` (0 at its top), `up()` one level (false at
// the top), and its place as plain data to keep and to restore.
export function placeScreen(name, parts) {
    screens.set(name, parts);
}

function stepsBack() {
    const name = page.shown();
    return name === 'now' ? 0 : 1 + (screens.get(name)?.depth() ?? 0);
}

// After the reader moved (a screen, a level): Back gets its steps, and the
// place is kept for a reload.
export function placeChanged() {
    for (const wanted = stepsBack(); at < wanted; ) history.pushState({ quillonStep: ++at }, '');
    keep();
}

function keep() {
    const place = { screen: page.shown() };
    for (const [name, parts] of screens) place[name] = parts.place();
    try {
        sessionStorage.setItem(stored, JSON.stringify(place));
    } catch {
        // no storage: a reload starts on Now
    }
}

// The place kept before a reload, given back to the screens; the name of the
// screen to show, or 'now'.
export function restorePlace() {
    let place = null;
    try {
        place = JSON.parse(sessionStorage.getItem(stored) ?? 'null');
    } catch {
        place = null;
    }
    if (place === null || typeof place !== 'object') return 'now';
    for (const [name, parts] of screens) {
        try {
            if (place[name]) parts.restore(place[name]);
        } catch (error) {
            console.debug(`the place on ${name} is not restored:`, error.message);
        }
    }
    return typeof place.screen === 'string' ? place.screen : 'now';
}

window.addEventListener('popstate', (event) => {
    const step = event.state?.quillonStep;
    if (typeof step !== 'number') return;
    const backs = at - step;
    at = step;
    if (backs <= 0 || page.leaving) return;
    for (let n = 0; n < backs; ++n) {
        const name = page.shown();
        if (name === 'now') {
            // Past every entry of the page: to where the reader came from.
            page.leaving = true;
            setTimeout(() => (page.leaving = false), 1000);
            history.go(-(at + 1));
            return;
        }
        if (!screens.get(name)?.up()) page.go('now');
    }
    keep();
});
