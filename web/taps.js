// Taps a finger makes twice by habit. A button marked data-tap="once" (a
// toggle such as play and pause, shuffle and repeat, or a button that opens
// a list) takes a quick series of taps as one: a tap that comes sooner than
// doubleTapMs after the one before it on the same button does nothing. Step
// buttons (volume, five seconds, next, previous) are not marked: each of
// their taps is a step.
export const doubleTapMs = 500;

const lastTap = new WeakMap();

// On the window, in the capture phase: before any handler of the page sees
// the click.
window.addEventListener(
    'click',
    (event) => {
        const button = event.target.closest?.('[data-tap="once"]');
        if (!button) return;
        const last = lastTap.get(button);
        lastTap.set(button, event.timeStamp);
        if (last === undefined || event.timeStamp - last >= doubleTapMs) return;
        event.stopImmediatePropagation();
        event.preventDefault();
    },
    true,
);
