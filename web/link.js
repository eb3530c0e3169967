// The ports the page can talk through: a Web Serial port the user picks (a
// Bluetooth serial link, a USB serial adapter), or the dev bridge's stand-in
// that reaches the plug-in under Wine over a WebSocket. Both have the shape
// Connection (connection.js) drives: open(), close(), readable, writable.

// The Serial Port Profile's Bluetooth service class.
export const sppServiceClassId = '00001101-0000-1000-8000-00805f9b34fb';

export function webSerialAvailable() {
    return typeof navigator !== 'undefined' && 'serial' in navigator;
}

// Asks the user for a port: the browser's chooser lists serial ports and the
// paired Bluetooth devices that offer the Serial Port Profile.
export function chooseSerialPort() {
    return navigator.serial.requestPort({ allowedBluetoothServiceClassIds: [sppServiceClassId] });
}

// A port the user allowed before, so that the page can open it again without
// the chooser; null when there is none or more than one.
export async function rememberedSerialPort() {
    if (!webSerialAvailable()) return null;
    const ports = await navigator.serial.getPorts();
    return ports.length === 1 ? ports[0] : null;
}

export function describePort(port) {
    if (port instanceof BridgePort) return `dev bridge ${port.url}`;
    const info = port.getInfo?.() ?? {};
    if (info.bluetoothServiceClassId) return 'Bluetooth serial port';
    if (info.usbVendorId !== undefined) return `USB serial ${info.usbVendorId.toString(16)}:${(info.usbProductId ?? 0).toString(16)}`;
    return 'serial port';
}

// The WebSocket of the dev bridge (dev/bridge.mjs) as a serial port. When the
// socket closes, the readable stream fails and the port has no streams, as a
// Web Serial port whose device was lost.
export class BridgePort {
    constructor(url) {
        this.url = url;
        this.socket = null;
        this.readable = null;
        this.writable = null;
    }

    open() {
        if (this.socket) return Promise.reject(new DOMException('The port is already open.', 'InvalidStateError'));
        return new Promise((resolve, reject) => {
            const socket = new WebSocket(this.url);
            socket.binaryType = 'arraybuffer';
            let controller = null;
            let opened = false;
            socket.onopen = () => {
                opened = true;
                this.socket = socket;
                this.readable = new ReadableStream({
                    start: (c) => {
                        controller = c;
                    },
                    cancel: () => socket.close(),
                });
                this.writable = new WritableStream({
                    write: (chunk) => {
                        if (socket.readyState !== WebSocket.OPEN) throw new DOMException('The device has been lost.', 'NetworkError');
                        socket.send(chunk);
                    },
                });
                resolve();
            };
            socket.onmessage = (message) => controller?.enqueue(new Uint8Array(message.data));
            socket.onclose = () => {
                if (!opened) {
                    reject(new DOMException('The dev bridge could not be reached.', 'NetworkError'));
                    return;
                }
                if (this.socket === socket) {
                    this.socket = null;
                    this.readable = null;
                    this.writable = null;
                }
                try {
                    controller?.error(new DOMException('The device has been lost.', 'NetworkError'));
                } catch {
                    // the stream was cancelled already
                }
            };
        });
    }

    async close() {
        const socket = this.socket;
        this.socket = null;
        this.readable = null;
        this.writable = null;
        socket?.close();
    }

    getInfo() {
        return {};
    }
}

// The bridge's WebSocket beside the page that the bridge serves.
export function bridgeUrl(location) {
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    return `${scheme}//${location.host}/link`;
}
