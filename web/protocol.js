// The phone's side of the Quillon line protocol, with no page in it: command
// lines out, reply lines in, decoded into plain event objects, and the link
// underneath that may drop and come back. The page (app.js) and the tests
// both drive it; it runs the same in a browser and in node.
//
// Three layers:
//   decodeReply(text)    one reply line, on its own, into an event
//   Session              the conversation: what the plug-in has open (a list
//                        keeps the conversation to itself until a line it does
//                        not take arrives), which request each list answers,
//                        the record index of each item, the text encoding
//   Connection           a serial port (Web Serial, or the dev bridge's
//                        stand-in with the same streams) that is opened,
//                        read and reopened after it was lost

// ---- what travels on the line ---------------------------------------------------

// The Serial Port Profile's Bluetooth service class.
export const sppServiceClassId = '00001101-0000-1000-8000-00805f9b34fb';

export const pageSize = 50;
// Bytes a command line may hold before its LF; a longer one is dropped whole.
export const commandLineLimit = 1023;

export const Command = Object.freeze({
    listFolder: 1,
    playFile: 2,
    enqueueFile: 3,
    listPlaylistFiles: 4,
    playPlaylistFile: 5, // inside the library playlists: play the picked one
    equalizer: 6,
    currentPlaylist: 7,
    jump: 8,
    setBand: 9,
    setVolume: 11,
    previous: 12,
    next: 13,
    play: 14,
    pause: 15,
    back: 16,
    forward: 17,
    statusOn: 18,
    drives: 20,
    statusOff: 21,
    clearPlaylist: 22,
    savePlaylist: 23,
    volumeUp: 24,
    volumeDown: 25,
    version: 27,
    setSleepTimer: 28,
    cancelSleepTimer: 29,
    albums: 30,
    artists: 31,
    genres: 32,
    titlesOfAlbum: 33,
    albumsOfArtist: 34,
    albumsOfGenre: 35,
    playTitle: 36,
    titlesOfGenre: 37,
    titlesOfArtist: 38,
    titles: 39,
    playGenre: 40,
    playArtist: 41,
    playAlbum: 42,
    titlesOfArtistAlbum: 43,
    titlesOfGenreAlbum: 44,
    playArtistAlbum: 45,
    playGenreAlbum: 46,
    enqueueGenre: 47, // inside the albums of a genre: enqueue the chosen album
    enqueueArtist: 48,
    enqueueAlbum: 49,
    enqueueArtistAlbum: 50,
    enqueueGenreAlbum: 51,
    enqueueTitle: 52,
    nextPage: 53,
    previousPage: 54,
    libraryPlaylists: 55,
    enqueueLibraryPlaylist: 56,
    seek: 57,
    preset: 58,
    sleepTimerState: 59,
    toggleShuffle: 61,
    toggleRepeat: 62,
});

const C = Command;

// The lists a command opens: the list code of its lines, the numbers it takes
// while it waits at a page end (it stays open for them), whether it waits at
// all, and whether it may send nothing at all (not even its header).
const libraryList = (takes) => ({ code: 'P', takes: [...takes, C.nextPage, C.previousPage], waits: true });
const listOpeners = new Map([
    [C.albums, libraryList([C.playAlbum, C.enqueueAlbum])],
    [C.artists, libraryList([C.playArtist, C.enqueueArtist])],
    [C.genres, libraryList([C.playGenre, C.enqueueGenre])],
    [C.titles, libraryList([C.playTitle, C.enqueueTitle])],
    [C.albumsOfArtist, libraryList([C.playArtistAlbum, C.enqueueArtistAlbum])],
    [C.albumsOfGenre, libraryList([C.playGenreAlbum, C.enqueueGenre])],
    [C.titlesOfArtist, libraryList([C.playArtist, C.enqueueArtist])],
    [C.titlesOfAlbum, libraryList([C.playAlbum, C.enqueueAlbum])],
    [C.titlesOfGenre, libraryList([C.playGenre, C.enqueueGenre])],
    [C.titlesOfArtistAlbum, libraryList([C.playArtistAlbum, C.enqueueArtistAlbum])],
    [C.titlesOfGenreAlbum, libraryList([C.playGenreAlbum, C.enqueueGenreAlbum])],
    [C.libraryPlaylists, { code: 'P', takes: [C.playPlaylistFile, C.enqueueLibraryPlaylist], waits: true, maySendNothing: true }],
    [C.listFolder, { code: 'B', takes: [C.playFile, C.enqueueFile, C.nextPage, C.previousPage], waits: true }],
    [C.drives, { code: 'B', takes: [], waits: false }],
    [C.listPlaylistFiles, { code: 'B', takes: [], waits: false, maySendNothing: true }],
    [C.currentPlaylist, {
        code: 'F',
        takes: [C.listFolder, C.listPlaylistFiles, C.jump, C.drives, C.clearPlaylist, C.savePlaylist, C.nextPage, C.previousPage],
        waits: true,
    }],
]);

// The library lists, whose results 36 and 52 pick from by record index.
const browseLists = new Set([
    C.albums, C.artists, C.genres, C.titles, C.albumsOfArtist, C.albumsOfGenre,
    C.titlesOfArtist, C.titlesOfAlbum, C.titlesOfGenre, C.titlesOfArtistAlbum, C.titlesOfGenreAlbum,
]);

export function opensList(number) {
    return listOpeners.has(number);
}

// The item kinds, by list code and item code.
const itemKinds = {
    P: { V: 'artist', W: 'album', Y: 'genre', Z: 'title', a: 'libraryPlaylist' },
    B: { D: 'drive', M: 'cdDrive', B: 'entry', L: 'playlistFile' },
    F: { F: 'playlistEntry' },
};

const savedSuffix = ' Saved in My Music';
const existsSuffix = ' Already Exists in My Music.Please select BACK and enter another name';
const allTracks = 'All Tracks';
const nextText = 'Next ';
const previousText = 'Previous 50';

// A whole signed decimal number as the plug-in prints it, else null.
function wholeNumber(text) {
    return /^-?\d{1,10}$/.test(text) ? Number(text) : null;
}

// "v:v:...:" with every field followed by a colon; null when it is not.
function colonFields(body) {
    if (!body.endsWith(':')) return null;
    return body.slice(0, -1).split(':');
}

const malformed = (line, why) => ({ type: 'malformed', line, why });

function decodeNowPlaying(line) {
    const fields = colonFields(line.slice(1));
    // The title's own colons arrive as semicolons; should one slip through,
    // the numbers are still counted from both ends.
    if (fields === null || fields.length < 8) return malformed(line, 'now-playing line without its eight fields');
    const numbers = [fields[0], ...fields.slice(-6)].map(wholeNumber);
    if (numbers.includes(null)) return malformed(line, 'now-playing line with a field that is not a number');
    const [state, sampleRate, channels, lengthMs, positionMs, shuffle, repeat] = numbers;
    return {
        type: 'nowPlaying',
        state,
        title: fields.slice(1, -6).join(':'),
        sampleRate,
        channels,
        lengthMs,
        positionMs,
        shuffle: shuffle === 1,
        repeat: repeat === 1,
    };
}

function decodeListLine(line) {
    const code = line[0];
    const second = line[1];
    const rest = line.slice(2);
    if (second === 'A') return rest === '' ? { type: 'listBegin', code } : malformed(line, 'list header with a text');
    if (second === 'S') {
        const count = rest.startsWith(nextText) ? wholeNumber(rest.slice(nextText.length)) : null;
        return count === null || count < 1 ? malformed(line, 'Next line without a count') : { type: 'listNext', code, count };
    }
    if (second === 'T') {
        const position = wholeNumber(rest);
        return position === null ? malformed(line, 'position line without a number') : { type: 'listPosition', code, position };
    }
    if (second === 'U') return rest === previousText ? { type: 'listPrevious', code } : malformed(line, 'unknown Previous line');
    const kind = itemKinds[code][second];
    if (kind === undefined) return malformed(line, 'unknown item code');
    if (kind === 'drive' || kind === 'cdDrive') {
        const drive = /^(.*) \(([A-Za-z]:)\)$/s.exec(rest);
        if (drive === null) return malformed(line, 'drive line without its letter');
        return { type: 'listItem', code, kind, text: drive[1] === '' ? drive[2] : drive[1], label: drive[1], drive: drive[2] };
    }
    if (kind === 'entry') {
        const mark = rest[0];
        if (mark !== 'F' && mark !== 'T') return malformed(line, 'folder entry without its mark');
        return { type: 'listItem', code, kind: mark === 'F' ? 'folder' : 'file', text: rest.slice(1) };
    }
    return { type: 'listItem', code, kind, text: rest };
}

// One reply line (its text without the LF) on its own. Every line gives an
// event; one that is not of the protocol gives a 'malformed' event, so a
// stray or damaged line never throws.
export function decodeReply(line) {
    if (typeof line !== 'string' || line === '') return malformed(String(line ?? ''), 'empty line');
    const body = line.slice(1);
    switch (line[0]) {
        case 'J':
            return decodeNowPlaying(line);
        case 'Q': {
            const volume = wholeNumber(body);
            return volume === null ? malformed(line, 'volume line without a number') : { type: 'volume', volume };
        }
        case 'I': {
            const fields = colonFields(body);
            const bands = fields?.map(wholeNumber);
            if (!bands || bands.length !== 10 || bands.includes(null)) return malformed(line, 'equalizer line without ten bands');
            return { type: 'equalizer', bands };
        }
        case 'K': {
            const number = /^Winamp (-?\d{1,10}) running!$/.exec(body);
            return { type: 'version', text: body, version: number ? Number(number[1]) : null };
        }
        case 'b':
            switch (body) {
                case 'Enabled!':
                    return { type: 'sleepTimer', armed: true, text: body };
                case 'Disabled!':
                case 'Disbled!': // the plug-in's own spelling of its answer to 59
                    return { type: 'sleepTimer', armed: false, text: body };
                case 'Could not set timer!':
                    return { type: 'sleepTimer', armed: null, failed: true, text: body };
                default:
                    return malformed(line, 'unknown sleep timer text');
            }
        case 'G':
            return body.endsWith(savedSuffix)
                ? { type: 'playlistSaved', name: body.slice(0, -savedSuffix.length) }
                : malformed(line, 'unknown saved line');
        case 'H':
            return body.endsWith(existsSuffix)
                ? { type: 'playlistExists', name: body.slice(0, -existsSuffix.length) }
                : malformed(line, 'unknown refusal line');
        case 'X':
            return body === '' ? { type: 'endOfConversation' } : malformed(line, 'X with a text');
        case 'N':
            return body === '' ? { type: 'listBegin', code: 'F' } : malformed(line, 'N with a text');
        case 'B':
        case 'F':
        case 'P':
            return line.length >= 2 ? decodeListLine(line) : malformed(line, 'list code alone');
        default:
            return malformed(line, 'unknown reply code');
    }
}

// ---- text encoding -----------------------------------------------------------------

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

export class CommandError extends Error {}

// The bytes of one command line: the number, a blank, the argument and LF.
// A text that names something to act on is refused rather than cut or
// changed: an LF inside it would make two commands of it, and a line over the
// limit is dropped whole by the plug-in.
export function encodeCommand(number, argument = '', charset = new Charset()) {
    if (!Number.isInteger(number) || number < 1) throw new CommandError(`no command ${number}`);
    const text = `${number} ${argument}`;
    if (text.includes('\n')) throw new CommandError('a line break cannot travel inside a command');
    const bytes = charset.encode(text);
    if (bytes === null) throw new CommandError(`a character of "${argument}" has no code in ${charset.label}`);
    if (bytes.length > commandLineLimit) throw new CommandError(`the command is longer than ${commandLineLimit} bytes`);
    const line = new Uint8Array(bytes.length + 1);
    line.set(bytes);
    line[bytes.length] = 0x0a;
    return line;
}

// The argument of 9: the band digit, a separator the plug-in skips, and the
// phone-side value in two digits (0 to 63; higher is louder).
export function bandArgument(band, value) {
    if (!Number.isInteger(band) || band < 0 || band > 9) throw new CommandError(`no band ${band}`);
    if (!Number.isInteger(value) || value < 0 || value > 63) throw new CommandError(`band value ${value} is not between 0 and 63`);
    return `${band}:${String(value).padStart(2, '0')}`;
}

// The argument of 28: sleep action (0 power off, 1 stop), count, count mode
// (0 minutes, 1 tracks), fade factor, fade interval in minutes (0: no fade).
// Each field is at most 15 characters on the plug-in's side.
export function sleepTimerArgument({ action, count, unit, fadeFactor = 1, fadeEveryMinutes = 0 }) {
    const actions = { powerOff: 0, stop: 1 };
    const units = { minutes: 0, tracks: 1 };
    if (!(action in actions)) throw new CommandError(`no sleep action ${action}`);
    if (!(unit in units)) throw new CommandError(`no count unit ${unit}`);
    // A count of 0 would arm the timer with no action at all.
    if (!Number.isInteger(count) || count < 1 || count > 999999) throw new CommandError(`a count of ${count} cannot be set`);
    if (!(fadeFactor > 0 && fadeFactor <= 1)) throw new CommandError(`a fade factor of ${fadeFactor} cannot be set`);
    if (!Number.isInteger(fadeEveryMinutes) || fadeEveryMinutes < 0 || fadeEveryMinutes > 999999)
        throw new CommandError(`a fade interval of ${fadeEveryMinutes} cannot be set`);
    const factor = String(Number(fadeFactor.toFixed(4)));
    return `${actions[action]}:${count}:${units[unit]}:${factor}:${fadeEveryMinutes}`;
}

// Collects bytes and hands out whole lines (without their LF).
export class LineSplitter {
    constructor(limit = 64 * 1024) {
        this.limit = limit;
        this.reset();
    }

    reset() {
        this.parts = [];
        this.size = 0;
        this.overflowed = false;
    }

    push(bytes) {
        const lines = [];
        let start = 0;
        for (let i = 0; i < bytes.length; ++i) {
            if (bytes[i] !== 0x0a) continue;
            const line = this.take(bytes.subarray(start, i));
            if (line !== null) lines.push(line);
            start = i + 1;
        }
        if (start < bytes.length) this.keep(bytes.subarray(start));
        return lines;
    }

    keep(bytes) {
        if (this.overflowed) return;
        if (this.size + bytes.length > this.limit) {
            // No reply line is this long: what is held is not a line of the
            // protocol, and neither is the rest of it up to the next LF.
            this.parts = [];
            this.size = 0;
            this.overflowed = true;
            return;
        }
        this.parts.push(bytes.slice());
        this.size += bytes.length;
    }

    take(tail) {
        if (this.overflowed) {
            this.reset();
            return null;
        }
        const line = new Uint8Array(this.size + tail.length);
        let at = 0;
        for (const part of this.parts) {
            line.set(part, at);
            at += part.length;
        }
        line.set(tail, at);
        this.reset();
        return line;
    }
}

// ---- the conversation --------------------------------------------------------------

// A small event emitter that runs in node and in browsers alike.
export class Emitter {
    constructor() {
        this.listeners = new Map();
    }

    on(type, listener) {
        if (!this.listeners.has(type)) this.listeners.set(type, new Set());
        this.listeners.get(type).add(listener);
        return () => this.listeners.get(type)?.delete(listener);
    }

    emit(type, event) {
        for (const listener of [...(this.listeners.get(type) ?? [])]) {
            try {
                listener(event);
            } catch (error) {
                // One listener's fault must not stop the conversation.
                (globalThis.reportError ?? console.error)(error);
            }
        }
    }
}

let nextListId = 1;

// The conversation with the plug-in. `send` writes a command line and keeps
// track of what it opens; `receive` takes bytes from the line and emits one
// 'event' per reply line, list lines carrying the list they belong to:
//   list        { id, code, number, argument } the command that opened it
//   index       items of lists whose items are records (titles, folder
//               entries, playlist entries, library playlists): the index the
//               plug-in counts the item by, which 36, 52 and 8 pick with;
//               null for artists, albums and genres, which are picked by name
//               and skip repeated names, and for the "All Tracks" line
// Other events: 'sent' { number, argument }, 'link' { up }.
export class Session extends Emitter {
    constructor({ charset = new Charset() } = {}) {
        super();
        this.charset = charset;
        this.splitter = new LineSplitter();
        this.transport = null;
        this.resetConversation();
    }

    // What the plug-in is taken to hold; all of it unknown after a lost link.
    resetConversation() {
        this.openList = null; // the list waiting for lines, or null at top level
        this.awaiting = { P: [], B: [], F: [] }; // lists asked for whose header is still to come
        this.current = { P: null, B: null, F: null }; // the list each code's lines belong to
        this.versionAsks = 0; // 27s sent; each is answered by one K line
        this.versionAnswers = 0;
        this.selectedArtist = null;
        this.selectedGenre = null;
        this.browseList = null; // the library list whose results 36 and 52 pick from
        this.statusPush = null;
    }

    get connected() {
        return this.transport !== null;
    }

    // The link is up: `write(bytes)` sends bytes and returns a promise.
    linkUp(write) {
        this.transport = write;
        this.splitter.reset();
        this.emit('link', { up: true });
    }

    linkDown() {
        this.transport = null;
        this.splitter.reset();
        this.resetConversation();
        this.emit('link', { up: false });
    }

    // Sends a command line; the list it opens, if it opens one, or null.
    // Throws CommandError for a line that cannot be sent as asked.
    send(number, argument = '') {
        const bytes = encodeCommand(number, argument, this.charset);
        if (this.transport === null) throw new CommandError('not connected');
        const list = this.track(number, String(argument));
        this.transport(bytes);
        this.emit('sent', { number, argument: String(argument), list });
        return list;
    }

    // Whether a list of an earlier send still keeps the conversation.
    isOpen(list) {
        return list !== null && this.openList === list;
    }

    // The plug-in's side of a command line, as far as the line decides it.
    track(number, argument) {
        const open = this.openList;
        if (open !== null && open.takes.includes(number)) {
            // Taken by the open list, which stays open; only the current
            // playlist takes lists of its own (a folder waits inside it).
            if (number === C.listFolder) return this.opened(number, argument);
            return listOpeners.has(number) ? this.expect(number, argument) : null;
        }
        this.openList = null;
        switch (number) {
            case C.albumsOfArtist:
                this.selectedArtist = argument;
                break;
            case C.albumsOfGenre:
                this.selectedGenre = argument;
                break;
            case C.statusOn:
                this.statusPush = true;
                break;
            case C.statusOff:
                this.statusPush = false;
                break;
            case C.version:
                this.versionAsks += 1;
                break;
        }
        if (browseLists.has(number)) {
            const context =
                number === C.titlesOfArtistAlbum ? this.selectedArtist : number === C.titlesOfGenreAlbum ? this.selectedGenre : null;
            this.browseList = { number, argument, context };
        }
        if (!listOpeners.has(number)) return null;
        return this.opened(number, argument);
    }

    opened(number, argument) {
        const list = this.expect(number, argument);
        if (listOpeners.get(number).waits) this.openList = list;
        return list;
    }

    expect(number, argument) {
        const shape = listOpeners.get(number);
        const list = {
            id: nextListId++,
            code: shape.code,
            number,
            argument,
            takes: shape.takes,
            maySendNothing: shape.maySendNothing === true,
            versionAsksBefore: this.versionAsks,
        };
        this.awaiting[shape.code].push(list);
        return list;
    }

    // Whether the results 36 and 52 pick from are those of this library list.
    holdsBrowseResults(number, argument, context = null) {
        const held = this.browseList;
        return held !== null && held.number === number && held.argument === argument && held.context === context;
    }

    receive(bytes) {
        for (const line of this.splitter.push(bytes)) this.line(this.charset.decode(line));
    }

    line(text) {
        const event = decodeReply(text);
        switch (event.type) {
            case 'listBegin':
                this.begin(event);
                break;
            case 'listItem':
            case 'listNext':
            case 'listPosition':
            case 'listPrevious':
                this.annotate(event);
                break;
            case 'version':
                this.versionAnswers += 1;
                this.forgetSilentLists();
                break;
            case 'endOfConversation':
                this.resetConversation();
                break;
        }
        this.emit('event', event);
    }

    begin(event) {
        const code = event.code;
        const waiting = this.awaiting[code];
        // A header that no request of ours announced (the link came back in
        // the middle of something) still starts a list, of unknown origin.
        const list = waiting.shift() ?? { id: nextListId++, code, number: null, argument: '', takes: [] };
        this.current[code] = { list, next: 0, allTracksMayFollow: list.number === C.albumsOfArtist || list.number === C.albumsOfGenre };
        event.list = publicList(list);
    }

    annotate(event) {
        const state = this.current[event.code];
        event.list = state ? publicList(state.list) : null;
        if (state === null) {
            if (event.type === 'listItem') event.index = null;
            return;
        }
        const followsHeader = state.allTracksMayFollow;
        state.allTracksMayFollow = false;
        if (event.type === 'listPosition') {
            state.next = event.position;
        } else if (event.type === 'listItem') {
            if (followsHeader && event.kind === 'title' && event.text === allTracks) {
                event.kind = 'allTracks';
                event.index = null;
            } else if (event.kind === 'artist' || event.kind === 'album' || event.kind === 'genre') {
                event.index = null;
            } else {
                event.index = state.next++;
            }
        }
    }

    // A K line answers a 27 sent after every list asked for before it: a list
    // that may send nothing and whose header has not come did send nothing.
    forgetSilentLists() {
        for (const code of Object.keys(this.awaiting)) {
            const kept = [];
            for (const list of this.awaiting[code]) {
                if (list.maySendNothing && list.versionAsksBefore < this.versionAnswers) {
                    if (this.openList === list) this.openList = null;
                    this.emit('event', { type: 'listEmpty', code, list: publicList(list) });
                } else {
                    kept.push(list);
                }
            }
            this.awaiting[code] = kept;
        }
    }
}

function publicList(list) {
    return { id: list.id, code: list.code, number: list.number, argument: list.argument };
}

// ---- the link ------------------------------------------------------------------------

// Blanks past the longest line the plug-in takes, then LF.
export function discardLine() {
    return new Uint8Array(commandLineLimit + 2).fill(0x20).fill(0x0a, commandLineLimit + 1);
}

// Runs the link on a serial port: opens it, feeds what it reads to the
// session, writes what the session sends, and when the port is lost (the
// Bluetooth link dropped, the bridge went away) closes it and opens it again,
// waiting longer after each failed try, until stop().
//
// `port` is a Web Serial SerialPort or anything with the same shape: open(),
// close(), and the streams readable and writable once open.
export class Connection extends Emitter {
    constructor(session, port, { baudRate = 115200, retryMs = [500, 1000, 2000, 5000] } = {}) {
        super();
        this.session = session;
        this.port = port;
        this.baudRate = baudRate;
        this.retryMs = retryMs;
        this.state = 'idle';
        this.stopped = false;
        this.writer = null;
        this.writing = Promise.resolve();
        this.lineMayBeCut = false; // a write was under way when the link went
        this.wake = null;
    }

    setState(state, detail = {}) {
        this.state = state;
        this.emit('state', { state, ...detail });
    }

    // Runs until stop(); resolves when it has stopped.
    async run() {
        let failures = 0;
        while (!this.stopped) {
            this.setState(failures === 0 ? 'connecting' : 'reconnecting', { failures });
            let opened = false;
            try {
                await this.port.open({ baudRate: this.baudRate });
                opened = true;
            } catch (error) {
                this.emit('problem', { error });
            }
            if (opened && !this.stopped) {
                failures = 0;
                await this.serve();
            }
            if (opened) await this.closePort();
            if (this.stopped) break;
            this.setState('lost', { failures });
            await this.pause(this.retryMs[Math.min(failures, this.retryMs.length - 1)]);
            failures += 1;
        }
        this.setState('closed');
    }

    // Tries to open again now rather than after the pause (the port came back).
    retryNow() {
        this.wake?.();
    }

    pause(ms) {
        return new Promise((resolve) => {
            const timer = setTimeout(done, ms);
            function done() {
                clearTimeout(timer);
                resolve();
            }
            this.wake = done;
        }).finally(() => {
            this.wake = null;
        });
    }

    async serve() {
        this.writer = this.port.writable.getWriter();
        // A write stuck on the lost link must not hold up the new one.
        this.writing = Promise.resolve();
        if (this.lineMayBeCut) {
            // Part of a line may have reached the plug-in before the link
            // went; it would run together with our next line. A line longer
            // than the plug-in takes is dropped whole, and that partial with
            // it; it goes out before anything the session sends.
            this.lineMayBeCut = false;
            this.write(discardLine());
        }
        this.session.linkUp((bytes) => this.write(bytes));
        this.setState('open');
        try {
            while (!this.stopped && this.port.readable) {
                const reader = this.port.readable.getReader();
                this.reader = reader;
                try {
                    for (;;) {
                        const { value, done } = await reader.read();
                        if (done) break;
                        if (value?.length) this.session.receive(value);
                    }
                    break; // the stream ended: the port is gone
                } catch (error) {
                    // A framing or parity error leaves the port usable with a
                    // fresh stream; a lost device leaves no stream.
                    this.emit('problem', { error });
                } finally {
                    this.reader = null;
                    try {
                        reader.releaseLock();
                    } catch {
                        // already released
                    }
                }
            }
        } finally {
            const writer = this.writer;
            this.writer = null;
            this.session.linkDown();
            try {
                writer.releaseLock();
            } catch {
                // a pending write holds it; closing the port ends that write
            }
        }
    }

    write(bytes) {
        const writer = this.writer;
        this.writing = this.writing.then(async () => {
            if (writer === null || this.writer !== writer) {
                return;
            }
            try {
                await writer.write(bytes);
            } catch (error) {
                this.lineMayBeCut = true;
                this.emit('problem', { error });
                this.reader?.cancel().catch(() => {});
                return;
            }
        });
        // A write that has begun and not finished when the link goes may have
        // been cut: remembered until the link is back.
        const pending = this.writing;
        this.inFlight = pending;
        pending.then(() => {
            if (this.inFlight === pending) this.inFlight = null;
        });
        return pending;
    }

    async closePort() {
        if (this.inFlight) this.lineMayBeCut = true;
        try {
            await this.reader?.cancel();
        } catch {
            // nothing left to cancel
        }
        try {
            await this.port.close();
        } catch {
            // a port that is gone closes itself
        }
    }

    async stop() {
        this.stopped = true;
        this.wake?.();
        try {
            await this.reader?.cancel();
        } catch {
            // nothing to cancel
        }
    }
}
