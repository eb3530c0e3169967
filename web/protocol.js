// The phone's side of the Quillon line protocol, with no page and no port in
// it: command lines out, reply lines in, decoded into plain event objects.
// The page and the tests both drive it; it runs the same in a browser and in
// node.
//
//   encodeCommand        one command line into the bytes that travel
//   Session              the conversation: what the plug-in has open (a list
//                        keeps the conversation to itself until a line it does
//                        not take arrives), which request each list answers,
//                        the record index of each item, the text encoding
//
// The port underneath is connection.js's; the numbers are commands.js's.
import { browseLists, Command, listOpeners } from './commands.js';
import { Emitter } from './events.js';
import { Charset } from './charset.js';
import { allTracks, decodeReply } from './replies.js';

export { Charset, chooseCharset } from './charset.js';
export { Command, opensList } from './commands.js';
export { decodeReply } from './replies.js';

const C = Command;

// ---- what travels on the line ---------------------------------------------------

export const pageSize = 50;
// Bytes a command line may hold before its LF; a longer one is dropped whole.
export const commandLineLimit = 1023;

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
        this.codePageAsked = null; // 27s sent before the 104 still unanswered
        this.browseList = null; // the library list whose results 36 and 52 pick from
        this.statusPush = null;
        this.listPushes = false; // the plug-in answered 103 1: it is sent again after every 27
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
        // 27 switches the status lines inside lists off.
        if (number === C.version && this.listPushes) this.send(C.listPushes, '1');
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
            case C.codePage:
                this.codePageAsked ??= this.versionAsks;
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
                // A 27 sent after the 104 is answered: the 104 was not.
                if (this.codePageAsked !== null && this.codePageAsked < this.versionAnswers) {
                    this.codePageAsked = null;
                    this.emit('event', { type: 'codePage', codePage: null });
                }
                break;
            case 'codePage':
                this.codePageAsked = null;
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
