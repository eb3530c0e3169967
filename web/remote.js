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
// the screens by name (app.js fills them in), and whether the player is to
// be asked what it is doing once no list is open.
export const app = { connection: null, currentScreen: 'now', screens: {}, statusOwed: false };

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

// Numbers that mean one thing at top level and another inside some list:
// the list is ended first (27 ends any list and is answered harmlessly).
export function leaveList(...numbers) {
    if (session.openList !== null && numbers.includes(session.openList.number)) send(C.version);
}
