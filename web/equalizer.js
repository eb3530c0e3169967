// The equalizer screen: ten bands and the presets, drawn as their curves.
import { Command as C, equalizerPresets } from './commands.js';
import { bandArgument } from './protocol.js';
import { send, session } from './remote.js';
import { $, element, toast } from './ui.js';

export function buildEqualizer() {
    const bands = $('#bands');
    for (let band = 0; band < 10; ++band) {
        const slider = element('input', { id: `band-${band}`, type: 'range', min: '0', max: '63', value: '32', 'aria-label': `Band ${band + 1}` });
        slider.addEventListener('input', () => {
            $(`#band-value-${band}`).textContent = slider.value;
        });
        slider.addEventListener('change', () => {
            try {
                send(C.setBand, bandArgument(band, Number(slider.value)));
            } catch (error) {
                toast(error.message, true);
            }
        });
        bands.append(element('div', { class: 'band' }, element('output', { id: `band-value-${band}` }, '32'), slider, element('span', {}, String(band + 1))));
    }
    const svg = 'http://www.w3.org/2000/svg';
    equalizerPresets.forEach((values, index) => {
        const curve = document.createElementNS(svg, 'svg');
        curve.setAttribute('viewBox', '0 0 90 63');
        curve.setAttribute('preserveAspectRatio', 'none');
        curve.setAttribute('aria-hidden', 'true');
        const line = document.createElementNS(svg, 'polyline');
        line.setAttribute('points', values.map((value, band) => `${band * 10},${63 - value}`).join(' '));
        curve.append(line);
        const button = element('button', { type: 'button', 'aria-label': `Preset ${index + 1}` }, curve, element('span', {}, `Preset ${index + 1}`));
        button.addEventListener('click', () => {
            send(C.preset, index);
            send(C.equalizer); // the plug-in does not answer a preset; the bands are read back
        });
        $('#presets').append(button);
    });
    known(false);
}

// Until the player has said what its bands are (and again once the link is
// gone) the screen says it does not know, and the controls wait.
function known(yes) {
    $('#eq-note').hidden = yes;
    for (const control of document.querySelectorAll('#bands input, #presets button')) control.disabled = !yes;
    if (!yes) for (const label of document.querySelectorAll('#bands output')) label.textContent = '–';
}

session.on('link', ({ up }) => up || known(false));

// The bands as the player reports them (a slider in the user's hand keeps its place).
session.on('event', (event) => {
    if (event.type !== 'equalizer') return;
    known(true);
    event.bands.forEach((value, band) => {
        const slider = $(`#band-${band}`);
        if (slider && document.activeElement !== slider) slider.value = String(value);
        const label = $(`#band-value-${band}`);
        if (label) label.textContent = String(value);
    });
});
