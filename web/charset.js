// Texts on the wire: single bytes in the PC's code page, read and written
// through that code page's table; and which code page the page uses once the
// plug-in has told it the PC's (104).

// The upper half of windows-1252 from 0x80 to 0x9F; the rest of the code
// page is Latin-1. Spelled out because not every platform's decoder has it
// (node's reads the label as Latin-1).
const windows1252High =
    '\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f' +
    '\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178';

function codePageTable(label) {
    const table = [];
    if (label === 'windows-1252') {
        for (let byte = 0; byte < 256; ++byte)
            table.push(byte >= 0x80 && byte < 0xa0 ? windows1252High[byte - 0x80] : String.fromCharCode(byte));
        return table;
    }
    const decoder = new TextDecoder(label);
    for (let byte = 0; byte < 256; ++byte) table.push(decoder.decode(Uint8Array.of(byte)));
    return table;
}

// The plug-in's texts are single bytes in the PC's code page. Each byte is
// read through the code page's table, and encoding is its exact inverse, so
// a name that came from a list goes back byte for byte.
export class Charset {
    constructor(label = 'windows-1252') {
        this.label = label;
        this.table = codePageTable(label);
        this.codes = new Map();
        this.table.forEach((text, byte) => {
            if (text.length === 1 && !this.codes.has(text)) this.codes.set(text, byte);
        });
        if (this.codes.size < 128) throw new RangeError(`${label} is not a single-byte code page`);
    }

    decode(bytes) {
        let text = '';
        for (const byte of bytes) text += this.table[byte];
        return text;
    }

    // The bytes of a text, or null when a character has no byte in this code page.
    encode(text) {
        const bytes = new Uint8Array(text.length);
        for (let i = 0; i < text.length; ++i) {
            const byte = this.codes.get(text[i]);
            if (byte === undefined) return null;
            bytes[i] = byte;
        }
        return bytes;
    }
}

// The PC's code page as 104 tells it, and the user's own choice (null when
// none): the code page the page reads and writes in, and what to say about it.
// The page reads the single-byte Windows code pages its platform decodes; a
// double-byte one (932, 936, 949, 950) it cannot, and an older plug-in says
// none (null).
export function chooseCharset(codePage, chosen = null) {
    let label = codePage === 874 || (codePage >= 1250 && codePage <= 1258) ? `windows-${codePage}` : null;
    try {
        if (label !== null) new Charset(label);
    } catch {
        label = null;
    }
    const fallback = chosen ?? 'windows-1252';
    if (codePage === null) return { label: fallback, note: `The player does not say the PC's code page; texts are read as ${fallback}` };
    if (chosen !== null) return { label: chosen, note: `The PC's code page is ${codePage}; your choice, ${chosen}, is kept` };
    if (label === null) return { label: fallback, note: `The PC's code page ${codePage} cannot be read here; texts are read as ${fallback}` };
    return { label, note: `The PC's code page: ${label}` };
}
