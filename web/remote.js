// The page's one conversation with the plug-in and what the screens share:
// the session, the running connection, the screen shown, and send().
import { Command as C } from './commands.js';
import { Charset, Session } from './protocol.js';
import { toast } from './ui.js';

export const params = new URLSearchParams(location.search);
export const viaBridge = params.has('bridge');
export const storedCharset = localStorage.getItem('quillon.charset') ?? 'windows-1252';

export const session = new Session({ charset: new Charset(storedCharset) });

// Shared state: the running connection (null when none), the screen shown,
// and the screens by name (app.js fills them in).
export const app = { connection: null, currentScreen: 'now', screens: {} };

// Sends a command line; a line that cannot go out is said, not thrown.
// False when it did not go out.
export function send(number, argument = '') {
    try {
        session.send(number, String(argument));
        return true;
    } catch (error) {
        toast(error.message, true);
        return false;
    }
}

// A list keeps the conversation to itself, and the plug-in pushes nothing
// while it waits: after something starts playing from a list, the status is
// asked for, which ends the list (the pager opens it again when needed).
export function played(sent) {
    if (sent) send(C.statusOn);
}

// Numbers that mean one thing at top level and another inside some list:
// the list is ended first (27 ends any list and is answered harmlessly).
export function leaveList(...numbers) {
    if (session.openList !== null && numbers.includes(session.openList.number)) send(C.version);
}
