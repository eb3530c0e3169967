#!/bin/sh
# A Music Player Daemon of a test run's own, on a local socket, with a null
# audio output and a music folder of short tagged files.
#
#   mpd-fixture.sh start DIR [--db FILE] [--music FOLDER]
#                            [--max-playlist-length N] [--conf LINE]...
#       DIR/mpd.conf, DIR/socket, DIR/pid, DIR/log, DIR/state,
#       DIR/playlists (the stored playlists), DIR/music (generated unless
#       --music), DIR/db (a copy of FILE with --db: read as it is, no update).
#       Returns once the server answers and its database is loaded.
#   mpd-fixture.sh stop DIR       ends the server (its queue saved in DIR/state)
#   mpd-fixture.sh restart DIR    stop, then start on the same configuration
#                                 and database
#
# Clients: mpc -h DIR/socket ...
set -eu

say() { echo "mpd-fixture: $*" >&2; }
die() { say "$*"; exit 1; }

# How long the server gets to answer, and to go, in tenths of a second.
WAIT_TENTHS=100

usage() {
    die "usage: mpd-fixture.sh start DIR [--db FILE] [--music FOLDER] [--max-playlist-length N] [--conf LINE]... | stop DIR | restart DIR"
}

answers() {
    mpc -q -h "$1/socket" status >/dev/null 2>&1
}

running_pid() {
    [ -s "$1/pid" ] || return 1
    pid=$(cat "$1/pid")
    kill -0 "$pid" 2>/dev/null || return 1
    echo "$pid"
}

# One track: a tone of a few seconds with its tags as Vorbis comments.
track() {  # file seconds frequency title artist album genre number date
    mkdir -p "$(dirname "$1")"
    tags=$(mktemp)
    printf 'Title=%s\nArtist=%s\nAlbum=%s\nGenre=%s\nTracknumber=%s\nDate=%s\n' \
        "$4" "$5" "$6" "$7" "$8" "$9" >"$tags"
    sox -V1 -n -r 8000 -c 1 --comment-file "$tags" "$1" synth "$2" sine "$3" vol 0.3
    rm -f "$tags"
}

# Three artists, four albums, three genres; names with blanks, letters of
# Windows-1252 beyond ASCII and one letter outside it; Ogg Vorbis and FLAC.
make_music() {
    m=$1
    track "$m/Alpha Band/First Light/01 Morning Song.ogg" 21 440 "Morning Song" "Alpha Band" "First Light" "Rock" 1 2001
    track "$m/Alpha Band/First Light/02 Café Noir.ogg" 22 494 "Café Noir" "Alpha Band" "First Light" "Rock" 2 2001
    track "$m/Alpha Band/First Light/03 Third Track.flac" 23 523 "Third Track" "Alpha Band" "First Light" "Rock" 3 2001
    track "$m/Alpha Band/Second Wind/01 Open Road.ogg" 24 587 "Open Road" "Alpha Band" "Second Wind" "Rock" 1 2004
    track "$m/Alpha Band/Second Wind/02 Last Exit.flac" 25 659 "Last Exit" "Alpha Band" "Second Wind" "Rock" 2 2004
    track "$m/Beta Trio/Blue Hours/01 Slow Walk.ogg" 26 698 "Slow Walk" "Beta Trio" "Blue Hours" "Jazz" 1 1998
    track "$m/Beta Trio/Blue Hours/02 Łódź Nights.ogg" 27 784 "Łódź Nights" "Beta Trio" "Blue Hours" "Jazz" 2 1998
    track "$m/Beta Trio/Blue Hours/03 Über Blue.flac" 28 880 "Über Blue" "Beta Trio" "Blue Hours" "Jazz" 3 1998
    track "$m/Gamma/Gamma Live/01 Intro.ogg" 29 330 "Intro" "Gamma" "Gamma Live" "Electronic" 1 2010
    track "$m/Gamma/Gamma Live/02 Night Drive.ogg" 30 370 "Night Drive" "Gamma" "Gamma Live" "Electronic" 2 2010
    track "$m/Gamma/Gamma Live/03 Señor Pulse.flac" 31 415 "Señor Pulse" "Gamma" "Gamma Live" "Electronic" 3 2010
    track "$m/Loose Tune.ogg" 20 262 "Loose Tune" "Gamma" "Singles" "Electronic" 1 2012
}

launch() {  # DIR
    mpd "$1/mpd.conf" >>"$1/launch.log" 2>&1 || { cat "$1/log" >&2 2>/dev/null; die "mpd did not start"; }
    n=0
    until answers "$1"; do
        n=$((n + 1))
        [ "$n" -le "$WAIT_TENTHS" ] || { cat "$1/log" >&2; die "mpd does not answer on $1/socket"; }
        sleep 0.1
    done
}

start() {
    [ $# -ge 1 ] || usage
    dir=$1; shift
    db=""; music=""; maxlen=""; extra=""
    while [ $# -gt 0 ]; do
        case $1 in
            --db) [ $# -ge 2 ] || usage; db=$2; shift 2 ;;
            --music) [ $# -ge 2 ] || usage; music=$2; shift 2 ;;
            --max-playlist-length) [ $# -ge 2 ] || usage; maxlen=$2; shift 2 ;;
            --conf) [ $# -ge 2 ] || usage; extra="$extra$2
"; shift 2 ;;
            *) usage ;;
        esac
    done
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    ! running_pid "$dir" >/dev/null || die "an mpd already runs for $dir"
    say "$(mpd --version | head -n 1)"

    if [ -z "$music" ]; then
        music=$dir/music
        [ -d "$music" ] || make_music "$music"
    fi
    music=$(cd "$music" && pwd)
    mkdir -p "$dir/playlists"
    if [ -n "$db" ]; then
        [ -f "$db" ] || die "no database $db"
        cp "$db" "$dir/db"
    fi

    {
        echo "music_directory \"$music\""
        echo "playlist_directory \"$dir/playlists\""
        echo "db_file \"$dir/db\""
        echo "state_file \"$dir/state\""
        echo "pid_file \"$dir/pid\""
        echo "log_file \"$dir/log\""
        echo "bind_to_address \"$dir/socket\""
        echo "auto_update \"no\""
        echo "zeroconf_enabled \"no\""
        echo "filesystem_charset \"UTF-8\""
        [ -z "$maxlen" ] || echo "max_playlist_length \"$maxlen\""
        printf '%s' "$extra"
        echo 'audio_output {'
        echo '    type "null"'
        echo '    name "null"'
        echo '    mixer_type "software"'
        echo '}'
    } >"$dir/mpd.conf"

    launch "$dir"
    if [ -z "$db" ]; then
        mpc -q -h "$dir/socket" -w update >/dev/null || die "the database update failed"
    fi
    say "mpd on $dir/socket, $(mpc -h "$dir/socket" stats | grep -i '^songs' | tr -s ' ')"
}

stop() {
    [ $# -eq 1 ] || usage
    dir=$1
    pid=$(running_pid "$dir") || { say "no mpd runs for $dir"; return 0; }
    kill -TERM "$pid"
    n=0
    while kill -0 "$pid" 2>/dev/null; do
        n=$((n + 1))
        [ "$n" -le "$WAIT_TENTHS" ] || { kill -KILL "$pid"; die "mpd $pid did not end; killed"; }
        sleep 0.1
    done
    rm -f "$dir/pid"
}

restart() {
    [ $# -eq 1 ] || usage
    dir=$(cd "$1" && pwd)
    [ -f "$dir/mpd.conf" ] || die "no fixture in $dir"
    stop "$dir"
    launch "$dir"
}

[ $# -ge 1 ] || usage
command=$1; shift
case $command in
    start) start "$@" ;;
    stop) stop "$@" ;;
    restart) restart "$@" ;;
    *) usage ;;
esac
