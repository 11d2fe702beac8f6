#!/bin/sh
# Runs one scenario of the installer under Wine, in a fresh prefix of its
# own: the scenario file sets the machine up, drives Instal.exe through the
# harness and checks the transcript and the files with the functions below.
#
#   run-scenario.sh SCENARIO.sh Instal.exe UiHarness.exe PACKAGE BASE-PREFIX WORK
#
# PACKAGE is the Windows form of the sample package, BASE-PREFIX a prefix
# made by scripts/wine-run.sh --setup that the new one is copied from, WORK a
# folder of the scenario's own (emptied first; after a failure it keeps the
# prefix and the transcript for a look).
set -eu

scenario=$1
instal=$2
harness_exe=$3
package=$4
base=$5
work=$6
root=$(cd "$(dirname "$0")/../../.." && pwd)
wine_run=$root/scripts/wine-run.sh

# The same Windows every time: Wine's English user interface, whatever the
# host's language.
export LC_ALL=C.UTF-8
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all

fail() {
    echo "scenario $(basename "$scenario" .sh): $*" >&2
    exit 1
}

# --- The machine ---

# A fresh prefix: the base's program files shared by hard links (Wine never
# writes them), every other file copied, and the user's folders, which Wine
# links to the home folder, made folders of the prefix.
copy_prefix() {
    [ -f "$base/.dro-ready" ] || fail "no base prefix in $base"
    cp -al "$base" "$WINEPREFIX"
    find "$WINEPREFIX" -type f ! -name '*.dll' ! -name '*.exe' ! -name '*.drv' \
        ! -name '*.sys' ! -name '*.tlb' ! -name '*.ocx' ! -name '*.acm' ! -name '*.cpl' \
        ! -name '*.ax' ! -name '*.ds' -exec sh -c \
        'for f; do cp --remove-destination "$f" "$f.copy" && mv "$f.copy" "$f"; done' sh {} +
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
        if [ -L "$link" ]; then
            rm "$link"
            mkdir "$link"
        fi
    done
}

# The host path of a path on drive C: of the prefix: host 'C:\DRO'
host() {
    case $1 in
    [Cc]:*) printf '%s/drive_c%s' "$WINEPREFIX" "$(printf '%s' "${1#??}" | tr '\\' /)" ;;
    *) fail "not a path on drive C: $1" ;;
    esac
}

# The user's desktop folder, as the installer's Windows sees it.
desktop() {
    for d in "$WINEPREFIX"/drive_c/users/*; do
        [ "$(basename "$d")" = Public ] || { printf 'C:\\users\\%s\\Desktop' "$(basename "$d")"; return; }
    done
}

# A program run in the prefix: win PROGRAM [ARGUMENTS...]
win() {
    "$wine_run" "$@"
}

# The Windows the installer finds (winecfg's names: win10, win7, winxp64),
# with the Czech short date format.
windows() {
    win winecfg -v "$1" >/dev/null 2>&1 || fail "cannot choose Windows $1"
    win reg add 'HKCU\Control Panel\International' /v sShortDate /d d.M.yyyy /f >/dev/null 2>&1 ||
        fail "cannot set the date format"
}

# Instal.exe in C:\Setup with the package files beside it, dated as the
# package's release: installer FILE... (a FILE of update/ is the update archive)
installer() {
    setup=$(host 'C:\Setup')
    mkdir -p "$setup"
    cp "$instal" "$setup/Instal.exe"
    for f in "$@"; do
        cp "$package/$f" "$setup/$(basename "$f")"
        touch -d '2015-01-15 12:00:00' "$setup/$(basename "$f")"
    done
}

# A file of CR LF lines: lines 'C:\PATH' LINE...
lines() {
    file=$(host "$1")
    shift
    mkdir -p "$(dirname "$file")"
    : >"$file"
    for line in "$@"; do
        printf '%s\r\n' "$line" >>"$file"
    done
}

# --- Driving the window ---

# Runs the harness with the script on standard input; its transcript is
# added to the scenario's for expect_transcript.
harness() {
    if ! win "$harness_exe" --timeout 60 - >>"$work/transcript" 2>"$work/harness.err"; then
        cat "$work/transcript" "$work/harness.err" >&2
        fail "the harness failed"
    fi
}

# A copy of a shell link that Wine's link object saved, as Windows saves it:
# wine_link 'C:\LINK' 'C:\COPY'. Wine 8 writes the relative path that a
# loaded link holds without setting its flag (HasRelativePath), so that
# every reader, Wine's own too, takes the strings after it for the wrong
# ones; the copy has the flag set where one string more than the flags
# announce stands before the extra data.
wine_link() {
    python3 - "$(host "$1")" "$(host "$2")" <<'PYTHON' || fail "$1 is no shell link"
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
flags = struct.unpack_from("<I", data, 0x14)[0]
pos = 0x4C
if flags & 0x01:
    pos += 2 + struct.unpack_from("<H", data, pos)[0]
if flags & 0x02:
    pos += struct.unpack_from("<I", data, pos)[0]
width = 2 if flags & 0x80 else 1

def strings(pos, n):
    for _ in range(n):
        pos += 2 + width * struct.unpack_from("<H", data, pos)[0]
    return pos

def extra_data_from(pos):
    while pos + 4 <= len(data):
        size = struct.unpack_from("<I", data, pos)[0]
        if size < 4:
            return size == 0 and pos + 4 == len(data)
        pos += size
    return False

announced = bin(flags & 0x7C).count("1")
if not flags & 0x08 and not extra_data_from(strings(pos, announced)) \
        and extra_data_from(strings(pos, announced + 1)):
    struct.pack_into("<I", data, 0x14, flags | 0x08)
open(sys.argv[2], "wb").write(data)
PYTHON
}

expect_transcript() {
    diff -u - "$work/transcript" >&2 || fail "the transcript differs (- expected, + seen)"
}

# --- The files ---

# The file holds exactly these CR LF lines: expect_lines 'C:\PATH' LINE...
expect_lines() {
    file=$(host "$1")
    shift
    [ -f "$file" ] || fail "$file is missing"
    : >"$work/expected"
    for line in "$@"; do
        printf '%s\r\n' "$line" >>"$work/expected"
    done
    cmp "$work/expected" "$file" >&2 || {
        diff -u "$work/expected" "$file" >&2 || true
        fail "$file differs"
    }
}

# The file of the prefix is byte for byte the other: expect_same 'C:\PATH' HOSTFILE
expect_same() {
    [ -f "$(host "$1")" ] || fail "$1 is missing"
    cmp "$2" "$(host "$1")" >&2 || fail "$1 differs from $2"
}

expect_missing() {
    [ ! -e "$(host "$1")" ] || fail "$1 should not be there"
}

# The launch script for native FAND: expect_native_script 'C:\PATH'
expect_native_script() {
    expect_lines "$1" \
        '@echo off' \
        'kb16 us' \
        'MODE CON: COLS=80 LINES=25' \
        '@if exist {rt42}\fandwork.$$$ del {rt42}\fandwork.$$$' \
        '@if not exist {rt42}\fandwork.$$$ goto spust' \
        'cls' \
        '@echo Program DRO je jiz spusten !' \
        'goto konec' \
        ':spust' \
        'set fandovrb=90' \
        '{RT42}\UFAND.EXE DRO.RDB' \
        ':konec' \
        'kb16 cz' \
        'echo program DRO ukoncen' \
        'echo zavrete okno klepnutim na zaver v rohu'
}

# The launch script for DOSBox: expect_dosbox_script 'C:\PATH'
expect_dosbox_script() {
    expect_lines "$1" \
        '@echo off' \
        'set DROBOX=on' \
        'if exist {dbx2}\stop del {dbx2}\stop' \
        '{tisk}\Dr.exe 7 {tisk}\DbCesta.txt' \
        '{tisk}\caller {tisk}\ubox $ {dbx2} 1000 500 utisk04.exe' \
        '{tisk}\caller {dbx1}\dosbox.exe -noconsole -conf {dbx1}\dosbox_s.cfg'
}

# The folder holds nothing: expect_empty 'C:\PATH'
expect_empty() {
    [ -d "$(host "$1")" ] || fail "$1 is missing"
    [ -z "$(ls -A "$(host "$1")")" ] || fail "$1 is not empty: $(ls -A "$(host "$1")")"
}

# The programs of the package that were started, in order, as they noted
# themselves ("NAME WORKING-FOLDER"): expect_started LINE...
expect_started() {
    : >"$work/expected"
    for line in "$@"; do
        printf '%s\n' "$line" >>"$work/expected"
    done
    log=$(host 'C:\programs.log')
    [ -f "$log" ] || : >"$log"
    diff -u "$work/expected" "$log" >&2 || fail "other programs were started"
}

# The installation that the package unpacks, compared with the sample:
# expect_unpacked 'C:\TARGET' KIND (the package's own files only)
expect_unpacked() {
    for f in '{rt42}\UFAND.EXE' DRO2015.ver DRO.RDB DRO2015.ico '{tisk}\Dr.exe' \
        '{tisk}\DbCesta.txt' '{tisk}\ZuvaVoza.ttf' '{dbx1}\dosbox_s.cfg' DroWin10.sss \
        DroWin7.s64; do
        [ -f "$(host "$1\\$f")" ] || fail "$1\\$f was not unpacked"
    done
    expect_lines "$1\\DRO.RDB" "DRO 2015 database ($2, sample)"
    expect_same "$1\\{tisk}\\ZuvaVoza.ttf" "$root/examples/package/ZuvaVoza.ttf"
}

# --- The run ---

rm -rf "$work"
mkdir -p "$work"
copy_prefix
trap '"$wine_run" --stop >/dev/null 2>&1 || true' EXIT
# One Wine server for the whole scenario, with the package's programs'
# log in the prefix.
/usr/lib/wine/wineserver64 -p
export DRO_PROGRAM_LOG='C:\programs.log'

. "$scenario"
# A prefix that passed is not kept.
"$wine_run" --stop >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
echo "scenario $(basename "$scenario" .sh): passed"
