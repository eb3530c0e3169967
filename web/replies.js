// Reply lines of the plug-in, each on its own, into plain event objects. A
// line that is not of the protocol becomes a 'malformed' event, never an
// exception.

// Texts of the protocol the page reads.
export const allTracks = 'All Tracks';

// The item kinds, by list code and item code.
const itemKinds = {
    P: { V: 'artist', W: 'album', Y: 'genre', Z: 'title', a: 'libraryPlaylist' },
    B: { D: 'drive', M: 'cdDrive', B: 'entry', L: 'playlistFile' },
    F: { F: 'playlistEntry' },
};

const savedSuffix = ' Saved in My Music';
const existsSuffix = ' Already Exists in My Music.Please select BACK and enter another name';
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
        case 'C': {
            const codePage = wholeNumber(body);
            return codePage === null || codePage < 1 ? malformed(line, 'code page line without a number') : { type: 'codePage', codePage };
        }
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
