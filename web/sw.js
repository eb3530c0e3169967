// Keeps the page's own files so that the remote opens without a network once
// it has been loaded: answers from the copy at once and refreshes the copy
// from the network behind it. The link to the player never goes through here.
const cacheName = 'quillon-remote-v3';
const shell = [
    './',
    'index.html',
    'style.css',
    'app.js',
    'charset.js',
    'commands.js',
    'connection.js',
    'equalizer.js',
    'events.js',
    'files.js',
    'letters.js',
    'library.js',
    'link.js',
    'linkview.js',
    'listview.js',
    'now.js',
    'places.js',
    'pager.js',
    'protocol.js',
    'remote.js',
    'replies.js',
    'sleep.js',
    'taps.js',
    'ui.js',
    'manifest.webmanifest',
    'icons/icon.svg',
    'icons/icon-192.png',
    'icons/icon-512.png',
];

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(shell)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(
        caches
            .keys()
            .then((names) => Promise.all(names.filter((name) => name !== cacheName).map((name) => caches.delete(name))))
            .then(() => self.clients.claim()),
    );
});

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
    event.respondWith(
        caches.open(cacheName).then(async (cache) => {
            const kept = await cache.match(request, { ignoreSearch: true });
            const fresh = fetch(request)
                .then((response) => {
                    if (response.ok) cache.put(request, response.clone());
                    return response;
                })
                .catch(() => undefined);
            if (kept) {
                event.waitUntil(fresh);
                return kept;
            }
            return (await fresh) ?? new Response('offline', { status: 503, statusText: 'offline' });
        }),
    );
});
