#!/bin/sh
# The test runs' own MPD: the generated folder of tagged files is read and
# survives a restart, and a generated database of 100,000 tracks is served as
# it stands, with no update and no audio files.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
fixture=$here/mpd-fixture.sh
work=$(mktemp -d)
cleanup() {
    "$fixture" stop "$work/small" >/dev/null 2>&1 || echo "mpd_fixture_test: could not stop $work/small" >&2
    "$fixture" stop "$work/large" >/dev/null 2>&1 || echo "mpd_fixture_test: could not stop $work/large" >&2
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "mpd_fixture_test: $*" >&2; exit 1; }
stat_of() {  # DIR NAME
    mpc -h "$1/socket" stats | awk -F: -v name="$2" '$1 == name { gsub(/ /, "", $2); print $2 }'
}
expect() {  # WHAT GOT WANTED
    [ "$2" = "$3" ] || fail "$1: $2, expected $3"
    echo "mpd_fixture_test: $1: $2"
}

# The small library: 12 tracks by 3 artists, Vorbis comments read as tags.
"$fixture" start "$work/small"
expect "songs" "$(stat_of "$work/small" Songs)" 12
expect "artists" "$(stat_of "$work/small" Artists)" 3
expect "Beta Trio's titles" "$(mpc -h "$work/small/socket" -f "%title%" find artist "Beta Trio" | LC_ALL=C sort | tr '\n' '|')" \
    "Slow Walk|Über Blue|Łódź Nights|"
mpc -q -h "$work/small/socket" add "Alpha Band"
"$fixture" restart "$work/small"
expect "songs after a restart" "$(stat_of "$work/small" Songs)" 12
expect "queue after a restart" "$(mpc -h "$work/small/socket" playlist | wc -l)" 5

# The large library: 1,000 artists x 10 albums x 10 titles, read without an update.
/usr/bin/python3 "$root/tools/mpd-db.py" "$work/large.db"
mkdir -p "$work/empty"
"$fixture" start "$work/large" --db "$work/large.db" --music "$work/empty"
expect "songs" "$(stat_of "$work/large" Songs)" 100000
expect "albums" "$(stat_of "$work/large" Albums)" 10000
expect "artists listed" "$(mpc -h "$work/large/socket" list artist | wc -l)" 1000
expect "one artist's songs" "$(mpc -h "$work/large/socket" find artist "Artist 0500" | wc -l)" 100
expect "a song's file" "$(mpc -h "$work/large/socket" find title "Title 03 of Album 07 of Artist 0042" | head -n 1)" \
    "Artist 0042/Album 07/03 Title 03.ogg"
