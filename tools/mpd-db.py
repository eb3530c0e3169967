#!/usr/bin/python3
"""Writes a music library as MPD's own database file, without audio files.

    tools/mpd-db.py FILE [--artists N] [--albums N] [--titles N] [--genres N]
                         [--plain] [--mtime SECONDS]

Artists x albums x titles songs (by default 1,000 x 10 x 10 = 100,000), laid
out as "Artist NNNN/Album NN/NN Title NN.ogg" with Artist, Album, Title, Track
and Genre tags and a time of 60 to 359 seconds. The file is gzip-compressed,
as MPD writes its db_file, unless --plain.

An MPD started with this file as its db_file reads it at start-up and serves
its songs even though its music_directory does not hold them, as long as no
update runs (no "update" command, no auto_update): an update would find the
files missing and drop the songs. The header lists every tag MPD 0.23 knows,
so the file is taken whatever metadata_to_use the configuration sets.

Names:
  artist a (from 1):  "Artist 0001"
  album b of it:      "Album 01 of Artist 0001"  (distinct over the library)
  title t of it:      "Title 01 of Album 01 of Artist 0001"
  genre:              "Genre 01" .. "Genre NN", by artist: (a - 1) % N + 1
"""
import argparse
import gzip
import sys

# The header MPD 0.23 writes (format 2) and the tags it knows, in its order.
TAGS = [
    "Artist", "ArtistSort", "Album", "AlbumSort", "AlbumArtist", "AlbumArtistSort", "Title",
    "Track", "Name", "Genre", "Date", "OriginalDate", "Composer", "ComposerSort", "Performer",
    "Conductor", "Work", "Movement", "MovementNumber", "Ensemble", "Location", "Grouping",
    "Disc", "Label", "MUSICBRAINZ_ARTISTID", "MUSICBRAINZ_ALBUMID",
    "MUSICBRAINZ_ALBUMARTISTID", "MUSICBRAINZ_TRACKID", "MUSICBRAINZ_RELEASETRACKID",
    "MUSICBRAINZ_WORKID",
]


def header(mpd_version):
    lines = ["info_begin", "format: 2", "mpd_version: " + mpd_version, "fs_charset: UTF-8"]
    lines += ["tag: " + tag for tag in TAGS]
    lines.append("info_end")
    return "\n".join(lines) + "\n"


def library(out, artists, albums, titles, genres, mtime):
    """Writes the directories and songs, one artist's folder at a time."""
    for a in range(1, artists + 1):
        artist = "Artist %04d" % a
        genre = "Genre %02d" % ((a - 1) % genres + 1)
        chunk = ["directory: %s\nmtime: %d\nbegin: %s\n" % (artist, mtime, artist)]
        for b in range(1, albums + 1):
            album = "Album %02d of %s" % (b, artist)
            folder = "Album %02d" % b
            path = artist + "/" + folder
            chunk.append("directory: %s\nmtime: %d\nbegin: %s\n" % (folder, mtime, path))
            for t in range(1, titles + 1):
                title = "Title %02d of %s" % (t, album)
                seconds = 60 + (a * 7 + b * 13 + t * 29) % 300
                chunk.append(
                    "song_begin: %02d Title %02d.ogg\n"
                    "Time: %d.000000\n"
                    "Artist: %s\nAlbum: %s\nTitle: %s\nTrack: %d\nGenre: %s\n"
                    "Format: 44100:f:2\n"
                    "mtime: %d\n"
                    "song_end\n" % (t, t, seconds, artist, album, title, t, genre, mtime))
            chunk.append("end: %s\n" % path)
        chunk.append("end: %s\n" % artist)
        out.write("".join(chunk).encode("utf-8"))


def main():
    parser = argparse.ArgumentParser(description="Writes MPD's database file for a made-up library.")
    parser.add_argument("file")
    parser.add_argument("--artists", type=int, default=1000)
    parser.add_argument("--albums", type=int, default=10, help="albums per artist")
    parser.add_argument("--titles", type=int, default=10, help="titles per album")
    parser.add_argument("--genres", type=int, default=20)
    parser.add_argument("--plain", action="store_true", help="not gzip-compressed")
    parser.add_argument("--mtime", type=int, default=1700000000, help="every entry's modification time")
    parser.add_argument("--mpd-version", default="0.23.12", help="the version the header names")
    args = parser.parse_args()
    for name in ("artists", "albums", "titles", "genres"):
        if not 1 <= getattr(args, name) <= 9999:
            parser.error("--%s takes 1 to 9999" % name)
    if args.albums > 99 or args.titles > 99:
        parser.error("at most 99 albums and 99 titles")

    # mtime 0 in the gzip header: the same arguments give the same bytes.
    raw = open(args.file, "wb")
    out = raw if args.plain else gzip.GzipFile(fileobj=raw, mode="wb", compresslevel=6, mtime=0)
    with raw, out:
        out.write(header(args.mpd_version).encode("utf-8"))
        library(out, args.artists, args.albums, args.titles, args.genres, args.mtime)
    songs = args.artists * args.albums * args.titles
    print("mpd-db: %s: %d songs, %d artists, %d albums" % (args.file, songs, args.artists, args.artists * args.albums))
    return 0


if __name__ == "__main__":
    sys.exit(main())
