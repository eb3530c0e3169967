// 104: the page learns the PC's code page, keeps the user's own choice, and
// says when the code page is one it cannot read or when the plug-in says none.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { chooseCharset, Command, decodeReply } from '../../protocol.js';
import { recordingSession } from './helpers.mjs';

const codePages = (events) => events.filter((event) => event.type === 'codePage').map((event) => event.codePage);

test('the answer to 104 is C and the code page in decimal', () => {
    assert.deepEqual(decodeReply('C1252'), { type: 'codePage', codePage: 1252 });
    for (const line of ['C', 'C12a', 'C-1', 'C 1252']) assert.equal(decodeReply(line).type, 'malformed', line);
    const { session, sent, events, feed } = recordingSession();
    session.send(Command.codePage);
    session.send(Command.version);
    feed('C1251', 'KWinamp 22118 running!');
    assert.deepEqual(sent, ['104 \n', '27 \n']);
    assert.deepEqual(codePages(events), [1251]);
    assert.deepEqual(chooseCharset(1251), { label: 'windows-1251', note: "The PC's code page: windows-1251" });
    // The user's choice wins; a double-byte code page has no decoder here.
    assert.equal(chooseCharset(1251, 'windows-1250').label, 'windows-1250');
    assert.deepEqual(chooseCharset(932), {
        label: 'windows-1252',
        note: "The PC's code page 932 cannot be read here; texts are read as windows-1252",
    });
});

test('an older plug-in answers nothing: the version line behind 104 says so', () => {
    const { session, events, feed } = recordingSession();
    session.send(Command.codePage);
    session.send(Command.version);
    feed('KWinamp 22118 running!');
    assert.deepEqual(codePages(events), [null]);
    assert.deepEqual(chooseCharset(null), {
        label: 'windows-1252',
        note: "The player does not say the PC's code page; texts are read as windows-1252",
    });
    // A later version line says nothing more.
    session.send(Command.version);
    feed('KWinamp 22118 running!');
    assert.deepEqual(codePages(events), [null]);
});
