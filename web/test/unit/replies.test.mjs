// Every reply line of the protocol, decoded on its own, and lines that are not
// of the protocol.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { decodeReply } from '../../protocol.js';

describe('decodeReply', () => {
    test('now-playing line: eight fields, each followed by a colon', () => {
        assert.deepEqual(decodeReply('J1:Glass Harbour:44:2:200000:1500:0:1:'), {
            type: 'nowPlaying',
            state: 1,
            title: 'Glass Harbour',
            sampleRate: 44,
            channels: 2,
            lengthMs: 200000,
            positionMs: 1500,
            shuffle: false,
            repeat: true,
        });
    });

    test('now-playing line: a title whose colons came as semicolons, an empty title, a negative length', () => {
        assert.equal(decodeReply('J3:Act 1; The Storm:48:1:-1000:0:1:0:').title, 'Act 1; The Storm');
        assert.equal(decodeReply('J3:Act 1; The Storm:48:1:-1000:0:1:0:').lengthMs, -1000);
        assert.equal(decodeReply('J0::44:2:0:0:0:0:').title, '');
        // A title with a colon left in it still leaves the numbers where they are.
        const odd = decodeReply('J1:a:b:44:2:1000:0:0:0:');
        assert.equal(odd.title, 'a:b');
        assert.equal(odd.sampleRate, 44);
    });

    test('volume line: Q and a signed decimal', () => {
        assert.deepEqual(decodeReply('Q100'), { type: 'volume', volume: 100 });
        assert.deepEqual(decodeReply('Q0'), { type: 'volume', volume: 0 });
        assert.deepEqual(decodeReply('Q-3'), { type: 'volume', volume: -3 });
    });

    test('equalizer line: ten values, the last colon right before the end', () => {
        assert.deepEqual(decodeReply('I32:32:32:32:32:32:32:32:32:32:'), { type: 'equalizer', bands: Array(10).fill(32) });
        assert.deepEqual(decodeReply('I0:1:2:3:4:5:6:7:8:-7:').bands, [0, 1, 2, 3, 4, 5, 6, 7, 8, -7]);
    });

    test('version line', () => {
        assert.deepEqual(decodeReply('KWinamp 22118 running!'), { type: 'version', text: 'Winamp 22118 running!', version: 22118 });
    });

    test('sleep timer lines, the plug-in\'s spellings included', () => {
        assert.equal(decodeReply('bEnabled!').armed, true);
        assert.equal(decodeReply('bDisabled!').armed, false);
        assert.equal(decodeReply('bDisbled!').armed, false);
        const failed = decodeReply('bCould not set timer!');
        assert.equal(failed.type, 'sleepTimer');
        assert.equal(failed.failed, true);
        assert.equal(failed.armed, null);
    });

    test('playlist saved and refused', () => {
        assert.deepEqual(decodeReply('GParty Saved in My Music'), { type: 'playlistSaved', name: 'Party' });
        assert.deepEqual(decodeReply('G Saved in My Music'), { type: 'playlistSaved', name: '' });
        assert.deepEqual(decodeReply('HParty Already Exists in My Music.Please select BACK and enter another name'), {
            type: 'playlistExists',
            name: 'Party',
        });
    });

    test('end of conversation and the current playlist\'s header are the code alone', () => {
        assert.deepEqual(decodeReply('X'), { type: 'endOfConversation' });
        assert.deepEqual(decodeReply('N'), { type: 'listBegin', code: 'F' });
    });

    test('file-system list lines: header, drives, folder entries, playlist files, paging', () => {
        assert.deepEqual(decodeReply('BA'), { type: 'listBegin', code: 'B' });
        assert.deepEqual(decodeReply('BDSystem (C:)'), {
            type: 'listItem', code: 'B', kind: 'drive', text: 'System', label: 'System', drive: 'C:',
        });
        assert.deepEqual(decodeReply('BMAudio CD (D:)'), {
            type: 'listItem', code: 'B', kind: 'cdDrive', text: 'Audio CD', label: 'Audio CD', drive: 'D:',
        });
        // A volume without a label: nothing between the code and " (".
        assert.equal(decodeReply('BD (E:)').drive, 'E:');
        assert.equal(decodeReply('BD (E:)').label, '');
        assert.deepEqual(decodeReply('BBFOld Songs'), { type: 'listItem', code: 'B', kind: 'folder', text: 'Old Songs' });
        assert.deepEqual(decodeReply('BBTtrack 01.mp3'), { type: 'listItem', code: 'B', kind: 'file', text: 'track 01.mp3' });
        assert.deepEqual(decodeReply('BLParty.m3u'), { type: 'listItem', code: 'B', kind: 'playlistFile', text: 'Party.m3u' });
        assert.deepEqual(decodeReply('BSNext 20'), { type: 'listNext', code: 'B', count: 20 });
        assert.deepEqual(decodeReply('BT50'), { type: 'listPosition', code: 'B', position: 50 });
        assert.deepEqual(decodeReply('BUPrevious 50'), { type: 'listPrevious', code: 'B' });
    });

    test('current playlist lines', () => {
        assert.deepEqual(decodeReply('FFMorning Tide'), { type: 'listItem', code: 'F', kind: 'playlistEntry', text: 'Morning Tide' });
        assert.deepEqual(decodeReply('FSNext 50'), { type: 'listNext', code: 'F', count: 50 });
        assert.deepEqual(decodeReply('FT100'), { type: 'listPosition', code: 'F', position: 100 });
        assert.deepEqual(decodeReply('FUPrevious 50'), { type: 'listPrevious', code: 'F' });
    });

    test('media library lines', () => {
        assert.deepEqual(decodeReply('PA'), { type: 'listBegin', code: 'P' });
        assert.equal(decodeReply('PVThe Quillons').kind, 'artist');
        assert.equal(decodeReply('PWHarbour Lights').kind, 'album');
        assert.equal(decodeReply('PYAmbient').kind, 'genre');
        assert.equal(decodeReply('PZMorning Tide').kind, 'title');
        assert.equal(decodeReply('PaRoad Trip').kind, 'libraryPlaylist');
        // An item with an empty text is an item all the same.
        assert.deepEqual(decodeReply('PZ'), { type: 'listItem', code: 'P', kind: 'title', text: '' });
        assert.deepEqual(decodeReply('PSNext 1'), { type: 'listNext', code: 'P', count: 1 });
        assert.deepEqual(decodeReply('PT0'), { type: 'listPosition', code: 'P', position: 0 });
        assert.deepEqual(decodeReply('PUPrevious 50'), { type: 'listPrevious', code: 'P' });
    });

    test('lines that are not of the protocol are reported, never thrown', () => {
        const garbage = [
            '', 'Z', '?', '\u00ff\u0000\u0001', 'J', 'J1:2:3', 'J1:t:44:2:x:0:0:0:', 'Jx:t:44:2:0:0:0:0:',
            'Q', 'Qabc', 'Q12x', 'I1:2:3:', 'I1:2:3:4:5:6:7:8:9:10', 'I1:2:3:4:5:6:7:8:9:x:', 'bmaybe',
            'GParty', 'HParty exists', 'XX', 'Nx', 'P', 'PAx', 'PSNext', 'PSNext x', 'PSNext 0', 'PTx', 'PUPrevious',
            'Pq', 'BDno letter', 'BB', 'BBXname', 'BV', 'FZ', 'F', 'B', 'x'.repeat(5000), undefined, null, 42,
        ];
        for (const line of garbage) {
            const event = decodeReply(line);
            assert.equal(event.type, 'malformed', `${JSON.stringify(line)} gave ${JSON.stringify(event)}`);
        }
    });

    test('a version line that does not read as expected still reports its text', () => {
        assert.deepEqual(decodeReply('Ksomething else'), { type: 'version', text: 'something else', version: null });
    });
});
