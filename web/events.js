// Events of the conversation and of the link, for node and browsers alike.

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
