// The conversation: command lines as they go out, every list with its paging
// lines and record indices, pushes between list lines, garbage, and what the
// session takes the plug-in to hold.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { bandArgument, Charset, Command, CommandError, encodeCommand, LineSplitter, Session, sleepTimerArgument } from '../../protocol.js';
import { bytesOf, recordingSession, textOf } from './helpers.mjs';

const items = (events) => events.filter((event) => event.type === 'listItem');

describe('command lines', () => {
    test('number, one blank, the argument, LF; the blank stays when there is no argument', () => {
        assert.equal(textOf(encodeCommand(12)), '12 \n');
        assert.equal(textOf(encodeCommand(11, '80')), '11 80\n');
        assert.equal(textOf(encodeCommand(1, 'C:\\My Music')), '1 C:\\My Music\n');
        assert.equal(textOf(encodeCommand(28, '1:30:0:0.9:5')), '28 1:30:0:0.9:5\n');
    });

    test('a name that cannot travel as it is, is refused rather than changed', () => {
        assert.throws(() => encodeCommand(23, 'two\nlines'), CommandError);
        assert.throws(() => encodeCommand(41, 'Привет'), CommandError); // no byte for it in windows-1252
        assert.throws(() => encodeCommand(0), CommandError);
        // The plug-in takes at most 1023 bytes before the LF.
        const longest = '1 ' + 'x'.repeat(1021);
        assert.equal(encodeCommand(1, 'x'.repeat(1021)).length, 1024);
        assert.equal(textOf(encodeCommand(1, 'x'.repeat(1021))), `${longest}\n`);
        assert.throws(() => encodeCommand(1, 'x'.repeat(1022)), CommandError);
    });

    test('texts in the PC\'s code page go out byte for byte', () => {
        // windows-1252: ë is 0xEB, the euro sign 0x80, the curly quote 0x92.
        assert.deepEqual([...encodeCommand(41, 'Zoë € ’')], [...bytesOf('41 Zo\u00eb \u0080 \u0092\n')]);
        assert.equal(new Charset().decode(bytesOf('\u0080\u0092\u009f')), '€’Ÿ');
        // windows-1251: Cyrillic ж is 0xE6; ë has no byte there.
        assert.deepEqual([...encodeCommand(41, 'ж', new Charset('windows-1251'))], [...bytesOf('41 \u00e6\n')]);
        assert.throws(() => encodeCommand(41, 'Zoë', new Charset('windows-1251')), CommandError);
    });

    test('every byte of the code page comes back as itself', () => {
        for (const label of ['windows-1252', 'windows-1250', 'windows-1251', 'iso-8859-15']) {
            const charset = new Charset(label);
            for (let byte = 0; byte < 256; ++byte) {
                if (byte === 0x0a) continue;
                const text = charset.decode(Uint8Array.of(byte));
                const back = charset.encode(text);
                assert.deepEqual(back && [...back], [byte], `${label} byte ${byte}`);
            }
        }
    });
});

describe('arguments with a layout of their own', () => {
    test('one equalizer band: the band digit, one character, the value in two digits', () => {
        assert.equal(bandArgument(3, 63), '3:63');
        assert.equal(bandArgument(3, 0), '3:00');
        assert.equal(bandArgument(9, 7), '9:07');
        assert.equal(bandArgument(0, 32), '0:32');
        for (const [band, value] of [[10, 1], [-1, 1], [1.5, 1], [0, 64], [0, -1], [0, 2.5]])
            assert.throws(() => bandArgument(band, value), CommandError, `${band} ${value}`);
    });

    test('sleep timer: action, count, count mode, fade factor, fade interval', () => {
        assert.equal(sleepTimerArgument({ action: 'stop', count: 30, unit: 'minutes' }), '1:30:0:1:0');
        assert.equal(sleepTimerArgument({ action: 'powerOff', count: 3, unit: 'tracks' }), '0:3:1:1:0');
        assert.equal(sleepTimerArgument({ action: 'stop', count: 45, unit: 'minutes', fadeFactor: 0.9, fadeEveryMinutes: 5 }), '1:45:0:0.9:5');
        assert.equal(sleepTimerArgument({ action: 'stop', count: 1, unit: 'tracks', fadeFactor: 1 / 3, fadeEveryMinutes: 1 }), '1:1:1:0.3333:1');
        // Each field fits the plug-in's 15 characters.
        for (const field of sleepTimerArgument({ action: 'stop', count: 999999, unit: 'minutes', fadeFactor: 0.12345678, fadeEveryMinutes: 999999 }).split(':'))
            assert.ok(field.length <= 15, field);
        // A count of 0 would arm the timer with nothing to do.
        for (const wrong of [{ count: 0 }, { count: -1 }, { count: 2.5 }, { action: 'sleep' }, { unit: 'hours' }, { fadeFactor: 0 }, { fadeFactor: 1.5 }, { fadeEveryMinutes: -1 }])
            assert.throws(() => sleepTimerArgument({ action: 'stop', count: 5, unit: 'minutes', ...wrong }), CommandError, JSON.stringify(wrong));
    });
});

describe('line splitting', () => {
    test('lines split across reads and several lines in one read', () => {
        const splitter = new LineSplitter();
        assert.deepEqual(splitter.push(bytesOf('Q1')), []);
        assert.deepEqual(splitter.push(bytesOf('00\nJ1:')).map(textOf), ['Q100']);
        assert.deepEqual(splitter.push(bytesOf('t:44:2:0:0:0:0:\nPA\nPVa\n')).map(textOf), ['J1:t:44:2:0:0:0:0:', 'PA', 'PVa']);
    });

    test('bytes that run on without LF past any reply line are dropped up to the next LF', () => {
        const splitter = new LineSplitter(100);
        assert.deepEqual(splitter.push(bytesOf('y'.repeat(150))), []);
        assert.deepEqual(splitter.push(bytesOf('still the same\nQ5\n')).map(textOf), ['Q5']);
    });
});

describe('lists', () => {
    test('artists: names without indices, the page ends with the Next line, 53 brings position, Previous and the rest', () => {
        const { session, sent, events, feed } = recordingSession();
        const list = session.send(Command.artists);
        assert.equal(sent.at(-1), '31 \n');
        const names = Array.from({ length: 50 }, (_, i) => `PVArtist ${i}`);
        feed('PA', ...names, 'PSNext 12');
        assert.equal(events[0].type, 'listBegin');
        assert.equal(events[0].list.id, list.id);
        assert.equal(events[0].list.number, 31);
        assert.equal(items(events).length, 50);
        assert.ok(items(events).every((item) => item.kind === 'artist' && item.index === null && item.list.id === list.id));
        assert.deepEqual(events.at(-1), { type: 'listNext', code: 'P', count: 12, list: events[0].list });
        assert.ok(session.isOpen(list));
        session.send(Command.nextPage);
        assert.equal(sent.at(-1), '53 \n');
        assert.ok(session.isOpen(list), 'a page turn keeps the list open');
        feed('PT61', 'PUPrevious 50', 'PVArtist 50');
        assert.equal(events.at(-3).type, 'listPosition');
        assert.equal(events.at(-3).position, 61);
        assert.equal(events.at(-2).type, 'listPrevious');
        assert.equal(events.at(-1).text, 'Artist 50');
    });

    test('titles: each item carries its record index across pages, also after going back', () => {
        const { session, events, feed } = recordingSession();
        session.send(Command.titles);
        feed('PA', ...Array.from({ length: 50 }, (_, i) => `PZTitle ${i}`), 'PSNext 50');
        assert.deepEqual(items(events).map((item) => item.index), Array.from({ length: 50 }, (_, i) => i));
        session.send(Command.nextPage);
        feed('PT50', 'PUPrevious 50', ...Array.from({ length: 50 }, (_, i) => `PZTitle ${50 + i}`), 'PSNext 20');
        assert.equal(items(events).at(-1).index, 99);
        assert.equal(items(events).at(-1).text, 'Title 99');
        session.send(Command.previousPage);
        events.length = 0;
        feed('PT0', ...Array.from({ length: 50 }, (_, i) => `PZTitle ${i}`), 'PSNext 50');
        assert.equal(items(events)[0].index, 0);
        assert.equal(items(events)[49].index, 49);
    });

    test('albums of an artist: the All Tracks line is no record, and the artist is remembered', () => {
        const { session, events, feed } = recordingSession();
        session.send(Command.albumsOfArtist, 'The Quillons');
        assert.equal(session.selectedArtist, 'The Quillons');
        feed('PA', 'PZAll Tracks', 'PWHarbour Lights', 'PWAll Tracks');
        const [allTracks, album, albumNamedAllTracks] = items(events);
        assert.equal(allTracks.kind, 'allTracks');
        assert.equal(album.kind, 'album');
        assert.equal(albumNamedAllTracks.kind, 'album');
        // Only the line right after the header is the fixed line.
        feed('PZAll Tracks');
        assert.equal(items(events).at(-1).kind, 'title');
        // In other lists a title named All Tracks is a title.
        session.send(Command.titlesOfArtistAlbum, 'Harbour Lights');
        feed('PA', 'PZAll Tracks', 'PZGlass Harbour');
        assert.deepEqual(items(events).slice(-2).map((item) => [item.kind, item.index]), [['title', 0], ['title', 1]]);
    });

    test('folder entries with paging lines of code B', () => {
        const { session, sent, events, feed } = recordingSession();
        const list = session.send(Command.listFolder, 'C:\\Music');
        assert.equal(sent.at(-1), '1 C:\\Music\n');
        feed('BA', 'BBFLive', ...Array.from({ length: 49 }, (_, i) => `BBTsong ${i}.mp3`), 'BSNext 20');
        assert.equal(items(events)[0].kind, 'folder');
        assert.equal(items(events)[1].kind, 'file');
        assert.equal(items(events)[1].index, 1);
        session.send(Command.playFile, 'C:\\Music\\song 3.mp3');
        assert.ok(session.isOpen(list), 'play is taken by the folder list');
        session.send(Command.nextPage);
        feed('BT50', 'BUPrevious 50', 'BBTsong 49.mp3');
        assert.equal(items(events).at(-1).index, 50);
        assert.equal(items(events).at(-1).list.id, list.id);
    });

    test('drives and playlist files: one pass, no wait', () => {
        const { session, events, feed } = recordingSession();
        assert.equal(session.isOpen(session.send(Command.drives)), false);
        feed('BA', 'BDSystem (C:)', 'BMDisc (D:)');
        assert.deepEqual(items(events).map((item) => [item.kind, item.drive, item.list.number]), [['drive', 'C:', 20], ['cdDrive', 'D:', 20]]);
        session.send(Command.listPlaylistFiles);
        feed('BA', 'BLa.m3u', 'BLb.m3u');
        assert.deepEqual(items(events).slice(2).map((item) => [item.kind, item.text, item.list.number]), [
            ['playlistFile', 'a.m3u', 4],
            ['playlistFile', 'b.m3u', 4],
        ]);
    });

    test('current playlist: header N, entries indexed by playlist position, jump, clear and save stay inside', () => {
        const { session, events, feed } = recordingSession();
        const list = session.send(Command.currentPlaylist);
        feed('N', ...Array.from({ length: 50 }, (_, i) => `FFEntry ${i}`), 'FSNext 50');
        assert.equal(events[0].type, 'listBegin');
        assert.equal(events[0].list.id, list.id);
        assert.equal(items(events)[37].index, 37);
        for (const [number, argument] of [[Command.jump, '37'], [Command.clearPlaylist, ''], [Command.savePlaylist, 'Party']]) {
            session.send(number, argument);
            assert.ok(session.isOpen(list), `${number} keeps the view open`);
        }
        feed('GParty Saved in My Music');
        assert.equal(events.at(-1).type, 'playlistSaved');
        session.send(Command.nextPage);
        feed('FT50', 'FUPrevious 50', 'FFEntry 50');
        assert.equal(items(events).at(-1).index, 50);
    });

    test('drives and playlist files asked for inside the current playlist are lists of their own, and the view stays', () => {
        const { session, events, feed } = recordingSession();
        const view = session.send(Command.currentPlaylist);
        feed('N', 'FFEntry 0');
        const drives = session.send(Command.drives);
        assert.ok(drives, 'the drive list is a list');
        const files = session.send(Command.listPlaylistFiles);
        assert.ok(files, 'the playlist files are a list');
        feed('BA', 'BDSystem (C:)', 'BA', 'BLa.m3u');
        assert.deepEqual(items(events).slice(1).map((item) => [item.kind, item.list.id]), [['drive', drives.id], ['playlistFile', files.id]]);
        assert.ok(session.isOpen(view));
    });

    test('library playlists: all at once, picked by index from 0', () => {
        const { session, events, feed } = recordingSession();
        const list = session.send(Command.libraryPlaylists);
        feed('PA', 'PaRoad Trip', 'PaQuiet');
        assert.deepEqual(items(events).map((item) => [item.kind, item.text, item.index]), [
            ['libraryPlaylist', 'Road Trip', 0],
            ['libraryPlaylist', 'Quiet', 1],
        ]);
        session.send(Command.enqueueLibraryPlaylist, '1');
        assert.ok(session.isOpen(list));
        session.send(Command.playPlaylistFile, '0');
        assert.ok(session.isOpen(list), '5 picks inside the library playlists');
        session.send(Command.nextPage);
        assert.equal(session.isOpen(list), false, '53 is not taken there');
    });

    test('volume and now-playing lines between list lines change nothing of the list', () => {
        const { session, events, feed } = recordingSession();
        session.send(Command.titles);
        feed('PA', 'PZa', 'Q80', 'PZb', 'J1:b:44:2:1000:0:0:0:', 'PZc', 'PSNext 3');
        assert.deepEqual(items(events).map((item) => [item.text, item.index]), [['a', 0], ['b', 1], ['c', 2]]);
        assert.deepEqual(events.filter((event) => !event.list).map((event) => event.type), ['volume', 'nowPlaying']);
        assert.equal(events.at(-1).type, 'listNext');
    });

    test('once the plug-in answered 103 1, every 27 is followed by 103 1, which 27 switched off', () => {
        const { session, sent } = recordingSession();
        session.send(Command.version);
        session.listPushes = true;
        const list = session.send(Command.titles);
        session.send(Command.version);
        assert.deepEqual(sent, ['27 \n', '39 \n', '27 \n', '103 1\n']);
        assert.equal(session.isOpen(list), false);
    });

    test('garbage between list lines is reported and the list goes on', () => {
        const { session, events, feed } = recordingSession();
        session.send(Command.titles);
        session.receive(bytesOf('PA\nPZa\n\u0000\u00ff garbage\n\nPS\nP?x\nPZb\n'));
        assert.deepEqual(items(events).map((item) => [item.text, item.index]), [['a', 0], ['b', 1]]);
        assert.equal(events.filter((event) => event.type === 'malformed').length, 4);
        feed('Q3');
        assert.equal(events.at(-1).volume, 3);
    });

    test('lines of two lists asked for one after the other go to their own lists', () => {
        const { session, events, feed } = recordingSession();
        const artists = session.send(Command.albumsOfArtist, 'A');
        const titles = session.send(Command.titlesOfArtistAlbum, 'B');
        feed('PA', 'PZAll Tracks', 'PWB', 'PA', 'PZone');
        assert.deepEqual(items(events).map((item) => [item.list.id, item.kind]), [
            [artists.id, 'allTracks'],
            [artists.id, 'album'],
            [titles.id, 'title'],
        ]);
    });

    test('a list that may send nothing is known empty when a later version line comes', () => {
        const { session, events, feed } = recordingSession();
        const files = session.send(Command.listPlaylistFiles);
        session.send(Command.version);
        const drives = session.send(Command.drives);
        feed('KWinamp 22118 running!', 'BA', 'BDSystem (C:)');
        assert.deepEqual(events.find((event) => event.type === 'listEmpty').list.id, files.id);
        assert.equal(items(events)[0].list.id, drives.id);
    });

    test('a header nobody asked for still starts a list', () => {
        const { events, feed } = recordingSession();
        feed('PA', 'PZx');
        assert.equal(items(events)[0].list.number, null);
        assert.equal(items(events)[0].index, 0);
    });
});

describe('search and jump', () => {
    test('a search is a titles list of its matches, a jump keeps it open and indexes from its position', () => {
        const { session, sent, events, feed } = recordingSession();
        const list = session.send(Command.search, 'abba gold');
        assert.equal(sent.at(-1), '101 abba gold\n');
        feed('PA', ...Array.from({ length: 50 }, (_, i) => `PZTitle ${i} - Abba`), 'PSNext 8');
        assert.equal(items(events).at(-1).index, 49);
        assert.ok(session.holdsBrowseResults(Command.search, 'abba gold'));
        session.send(Command.jumpToLetter, 'T');
        assert.equal(sent.at(-1), '102 T\n');
        assert.ok(session.isOpen(list), 'a jump keeps the list open');
        events.length = 0;
        feed('PT42', 'PUPrevious 50', 'PZTitle 42 - Abba');
        assert.equal(items(events)[0].index, 42);
        session.send(Command.playTitle, '42');
        assert.ok(session.isOpen(list), 'a pick keeps the search open');
        // Every library list takes a jump; a list of another kind does not.
        const artists = session.send(Command.artists);
        session.send(Command.jumpToLetter, 'M');
        assert.ok(session.isOpen(artists));
        const folder = session.send(Command.listFolder, 'C:\\');
        session.send(Command.jumpToLetter, 'M');
        assert.equal(session.isOpen(folder), false);
    });

    test('the probe: an older plug-in answers nothing, and the next list is not taken for the search', () => {
        const { session, events, feed } = recordingSession();
        const probe = session.send(Command.search);
        session.send(Command.version);
        const artists = session.send(Command.artists);
        feed('KWinamp 22118 running!', 'PA', 'PVAbba');
        assert.equal(events.find((event) => event.type === 'listEmpty').list.id, probe.id);
        assert.equal(items(events)[0].list.id, artists.id);
    });
});

describe('what the plug-in holds', () => {
    test('any number a list does not take ends it', () => {
        const { session } = recordingSession();
        const list = session.send(Command.artists);
        session.send(Command.playArtist, 'A');
        session.send(Command.enqueueArtist, 'A');
        session.send(Command.nextPage);
        session.send(Command.previousPage);
        assert.ok(session.isOpen(list));
        session.send(Command.setVolume, '80');
        assert.equal(session.isOpen(list), false);
    });

    test('47 is taken by the albums of a genre, not by the genres list\'s neighbours', () => {
        const { session } = recordingSession();
        const albums = session.send(Command.albumsOfGenre, 'Jazz');
        assert.equal(session.selectedGenre, 'Jazz');
        session.send(Command.enqueueGenre, 'Kind of Blue');
        assert.ok(session.isOpen(albums));
        session.send(Command.enqueueGenreAlbum, 'Kind of Blue');
        assert.equal(session.isOpen(albums), false, '51 ends the albums of a genre');
    });

    test('the browse results 36 and 52 pick from belong to the last library list', () => {
        const { session } = recordingSession();
        session.send(Command.albumsOfArtist, 'A');
        session.send(Command.titlesOfArtistAlbum, 'X');
        assert.ok(session.holdsBrowseResults(Command.titlesOfArtistAlbum, 'X', 'A'));
        session.send(Command.playTitle, '3'); // a selection changes no results
        assert.ok(session.holdsBrowseResults(Command.titlesOfArtistAlbum, 'X', 'A'));
        session.send(Command.albumsOfArtist, 'B');
        assert.equal(session.holdsBrowseResults(Command.titlesOfArtistAlbum, 'X', 'A'), false);
        session.send(Command.titlesOfArtistAlbum, 'X');
        assert.equal(session.holdsBrowseResults(Command.titlesOfArtistAlbum, 'X', 'A'), false, 'another artist\'s album X');
        assert.ok(session.holdsBrowseResults(Command.titlesOfArtistAlbum, 'X', 'B'));
    });

    test('the end of the conversation forgets what was open', () => {
        const { session, feed } = recordingSession();
        const list = session.send(Command.titles);
        feed('PA', 'X');
        assert.equal(session.isOpen(list), false);
        assert.equal(session.selectedArtist, null);
    });

    test('sending without a link is refused', () => {
        const session = new Session();
        assert.throws(() => session.send(Command.play), CommandError);
    });
});
