#!/bin/sh
# Builds the sample package files of Dro for the installer's tests and demo.
#
#   make-package.sh OUTDIR [VERSION] [LINK_TEMPLATE_FOLDER] [WINDOWS_PROGRAM]
#
# OUTDIR receives the five package files "Mono.exe", "DroDemo.exe",
# "Lan.exe", "InetM.exe" and "InetS.exe", the LAN launcher "Tavel.exe" that
# the installer copies beside a LAN installation, and in OUTDIR/update the
# update archive under the same five names. Like the real self-extracting
# files, each is a program (here a shell script) that unpacks a prepared
# installation into its working folder.
#
# The link templates DroWin7.s64, DroWin7.sss, DroWin8.sss and DroWin10.sss
# are taken from LINK_TEMPLATE_FOLDER (default: the shell-link fixtures of
# the tests) when it holds them, otherwise placeholders are written.
#
# With WINDOWS_PROGRAM (SamplePackageWin32.exe of the Windows build) the
# package is the Windows form of the same: every program of the package is
# a copy of that program, and a package file has the installation appended
# to it (a tar archive, its size in 8 bytes little-endian and "DROPKG01").
#
# The programs of the package (the package files, Ikon.exe, Tavel.exe and
# the font installer) append "NAME WORKING-FOLDER [ARGUMENTS]" to the file
# named by $DRO_PROGRAM_LOG when it is set, so that a test can tell what was
# started where.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: make-package.sh OUTDIR [VERSION] [LINK_TEMPLATE_FOLDER]}
version=${2:-2015}
templates=${3:-$here/../../tests/shelllink/fixtures}
winprogram=${4:-}
short=$(printf '%s' "$version" | cut -c3-4)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A text file with CR LF line ends: crlf FILE LINE...
crlf() {
    file=$1
    shift
    mkdir -p "$(dirname "$file")"
    : >"$file"
    for line in "$@"; do
        printf '%s\r\n' "$line" >>"$file"
    done
}

# A program of the package that only notes its start: program FILE NAME [BODY]
program() {
    mkdir -p "$(dirname "$1")"
    if [ -n "$winprogram" ]; then
        cp "$winprogram" "$1"
        return
    fi
    {
        printf '#!/bin/sh\n# %s of the sample Dro package.\n' "$2"
        printf '[ -n "${DRO_PROGRAM_LOG:-}" ] && printf "%%s %%s%%s\\n" "%s" "$(pwd)" "${*:+ $*}" >>"$DRO_PROGRAM_LOG"\n' "$2"
        printf '%s\n' "${3:-}"
        printf 'exit 0\n'
    } >"$1"
    chmod 755 "$1"
}

# The installation that every package brings.
common() {
    dir=$1
    kind=$2
    crlf "$dir/{rt42}/fand.cfg" "[FAND]" "PRINTER=LPT1" "COLORS=1" "PACKAGE=$kind"
    crlf "$dir/{rt42}/UFAND.EXE" "FAND runtime 4.2 (sample)"
    crlf "$dir/DRO$version.ver" "DRO$version"
    crlf "$dir/DRO.RDB" "DRO $version database ($kind, sample)"
    crlf "$dir/DRO$version.ico" "DRO icon (sample)"
    crlf "$dir/{tisk}/Dr.exe" "print tool (sample)"
    crlf "$dir/{tisk}/DbCesta.txt" "C:\\DRO\\DRO$version"
    crlf "$dir/{tisk}/caller" "caller (sample)"
    crlf "$dir/{tisk}/ubox" "ubox (sample)"
    crlf "$dir/{tisk}/utisk04.exe" "utisk04 (sample)"
    cp "$here/ZuvaVoza.ttf" "$dir/{tisk}/ZuvaVoza.ttf"
    # The font installer puts the font into the Fonts folder of the Windows
    # it runs in: the Wine prefix above its folder, else $WINEPREFIX.
    program "$dir/{tisk}/Fontinst.exe" "Fontinst.exe" '
prefix=$(pwd)
while [ "$prefix" != "/" ] && [ ! -d "$prefix/dosdevices" ]; do prefix=$(dirname "$prefix"); done
[ -d "$prefix/dosdevices" ] || prefix=${WINEPREFIX:-$HOME/.wine}
mkdir -p "$prefix/drive_c/windows/Fonts"
cp ZuvaVoza.ttf "$prefix/drive_c/windows/Fonts/ZuvaVoza.ttf"'
    crlf "$dir/{dbx1}/dosbox.exe" "DOSBox (sample)"
    crlf "$dir/{dbx1}/dosbox_s.cfg" "[sdl]" "fullscreen=false" "[autoexec]" "mount c ." "c:"
    mkdir -p "$dir/{dbx2}"
    for t in DroWin7.s64 DroWin7.sss DroWin8.sss DroWin10.sss; do
        if [ -f "$templates/$t" ]; then
            cp "$templates/$t" "$dir/$t"
        else
            crlf "$dir/$t" "placeholder for the link template $t"
        fi
    done
    program "$dir/Ikon.exe" "Ikon.exe"
    program "$dir/Tavel.exe" "Tavel.exe"
    crlf "$dir/Sg.000" "archive piece (sample)"
}

lan() {
    dir=$1
    for f in Cibhelp Cihelp Ciihelp Cijhelp Cimhelp Cishelp; do
        crlf "$dir/CIS/$f.000" "$f help (sample)"
        crlf "$dir/CIS/$f.t00" "$f help index (sample)"
    done
    crlf "$dir/Dro.cat" "DRO catalogue (sample)"
    crlf "$dir/Dro${short}L.ico" "DRO LAN icon (sample)"
    mkdir -p "$dir/WORK"
}

# The entries of a folder as a tar archive on standard output: archive FOLDER
# The folder's entries, not the folder itself: unpacking leaves the working
# folder's own time and mode alone.
archive() {
    (cd "$1" && ls -A | tar --format=ustar --sort=name --mtime=2015-01-15T12:00:00Z \
        --owner=0 --group=0 --numeric-owner --no-recursion -cf - -T - \
        $(find . -mindepth 2 | sort))
}

# A number as 8 bytes, least significant first: le64 NUMBER
le64() {
    n=$1
    for _ in 1 2 3 4 5 6 7 8; do
        printf "\\$(printf '%03o' $((n % 256)))"
        n=$((n / 256))
    done
}

# A self-extracting package: selfextract NAME FOLDER OUTFILE
selfextract() {
    name=$1
    tree=$2
    file=$3
    mkdir -p "$(dirname "$file")"
    if [ -n "$winprogram" ]; then
        archive "$tree" >"$work/payload.tar"
        {
            cat "$winprogram" "$work/payload.tar"
            le64 "$(wc -c <"$work/payload.tar")"
            printf 'DROPKG01'
        } >"$file"
        return
    fi
    {
        printf '#!/bin/sh\n'
        printf '# %s: the sample Dro %s package; unpacks itself into the working folder.\n' \
            "$name" "$version"
        printf '[ -n "${DRO_PROGRAM_LOG:-}" ] && printf "%%s %%s\\n" "%s" "$(pwd)" >>"$DRO_PROGRAM_LOG"\n' "$name"
        printf 'line=$(sed -n "/^__PAYLOAD__\\$/=" "$0")\n'
        printf 'tail -n +$((line + 1)) "$0" | base64 -d | tar -xzf - --no-same-owner || exit 1\n'
        printf 'exit 0\n__PAYLOAD__\n'
        archive "$tree" | gzip -n -9 | base64
    } >"$file"
    chmod 755 "$file"
}

for kind in Mono DroDemo Lan InetM InetS; do
    common "$work/$kind" "$kind"
done
lan "$work/Lan"

# The update archive: a new database and runtime, and a note of the update.
crlf "$work/update/DRO.RDB" "DRO $version database, update 1 (sample)"
crlf "$work/update/{rt42}/UFAND.EXE" "FAND runtime 4.2, update 1 (sample)"
crlf "$work/update/Update.txt" "DRO $version update 1"

mkdir -p "$out/update"
for kind in Mono DroDemo Lan InetM InetS; do
    selfextract "$kind.exe" "$work/$kind" "$out/$kind.exe"
    selfextract "$kind.exe" "$work/update" "$out/update/$kind.exe"
done
program "$out/Tavel.exe" "Tavel.exe"
