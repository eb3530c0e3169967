#!/usr/bin/env python3
"""Writes the wire fuzzer's seed corpus: real conversations, each line sent as
one read's worth (opcode 0, length, bytes), as the fuzz driver reads them."""
import os
import sys

CONVERSATIONS = {
    "status": ["27", "18", "6", "59", "21", "11 80", "24", "25"],
    "transport": ["14", "15", "12", "13", "16", "17", "57 30000", "61", "62", "8 3", "22", "60 5"],
    "files": ["2 C:\\Music\\track1.mp3", "3 C:\\Music\\track2.mp3"],
    "equalizer": ["6", "9 3:40", "9 0:63", "58 4", "58 16", "58 17", "6"],
    "sleep": ["28 1:2:0:0.5:1", "59", "29", "28 0:1:1:1:0", "59", "28 1:0:0:1:1"],
    "titles": ["39", "53", "54", "36 3", "52 60", "53", "14"],
    "artists": ["31", "53", "34 Artist 1", "45 Album 2", "50 Album 2", "43 Album 2", "14"],
    "albums": ["30", "53", "54", "33 Album 1", "42 Album 1", "49 Album 1", "12"],
    "genres": ["32", "35 Genre 1", "47 Album 2", "46 Album 2", "44 Album 2", "37 Genre 0", "40 Genre 1", "13"],
    "selections": ["41 Artist 2", "48 Artist 2", "51 Album 3", "36 1", "38 Artist 4", "36 0", "52 2"],
    "folders": ["20", "1 C:\\Music", "53", "54", "2 C:\\Music\\track3.mp3", "3 C:\\Music\\track4.mp3", "14"],
    "playlists": ["4", "5 mix.m3u", "23 saved", "23 saved", "7", "53", "8 2", "22", "7", "14"],
    "library_playlists": ["55", "5 0", "56 1", "14"],
    "code_page": ["104", "39", "104", "101 \xfcber", "101 CAF\xc9 Stra\xdfe", "101 strasse", "102 S", "104 1"],
    "garbage": ["", "0", "-1", "63", "999999999999", "x", " 14", "14 ", "53", "54", "56", "10", "19", "26"],
}

# Conversations with the extensions, each its own seed (not in "everything",
# which stays a conversation of the original commands). "@" and bytes in
# decimal, joined by ":", stand for steps at the host or the clock: 3:V sets
# the volume to V at the player (V a multiple of 4), 3:2 changes the track, 7
# is a read that finds nothing.
EXTENSION_CONVERSATIONS = {
    "pushes": ["103 1", "31", "@3:120", "@7", "41 Artist 1", "@7", "@3:2", "48 Artist 2", "103 2", "7", "@3:64",
               "8 1", "@7", "53", "22", "103 0", "55", "5 0", "@3:200", "103 1", "55", "56 1", "@7", "27", "39",
               "@3:80", "36 1", "103 1", "1 C:\\Music", "2 C:\\Music\\track1.mp3", "@7", "103", "21", "14"],
}


def encode(lines):
    out = bytearray()
    for line in lines:
        if line.startswith("@"):
            out += bytes(int(value) for value in line[1:].split(":"))
            continue
        data = (line + "\n").encode("latin-1")
        while data:
            piece = data[:255]
            data = data[255:]
            out += bytes([0, len(piece)]) + piece
    return bytes(out)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "tests", "fuzz", "corpus", "wire")
    os.makedirs(folder, exist_ok=True)
    for name, lines in CONVERSATIONS.items():
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(encode(lines))
    for name, lines in EXTENSION_CONVERSATIONS.items():
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(encode(lines))
    # Everything in one conversation, with ticks and host events between.
    everything = bytearray()
    for name, lines in CONVERSATIONS.items():
        everything += encode(lines) + bytes([2, 3, 5])
    with open(os.path.join(folder, "everything"), "wb") as seed:
        seed.write(bytes(everything))


if __name__ == "__main__":
    main()
