#!/bin/sh
# Runs a program of the 64-bit Windows build under Wine; the emulator of the
# x86_64 toolchain, so ctest starts every Windows test through it.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]   run it; its exit code is ours
#   wine-run.sh --setup                      make the prefix afresh
#   wine-run.sh --stop                       end the prefix's Wine processes
#
# The prefix is $WINEPREFIX, else /tmp/dro-wine-<uid>. The test run makes it
# afresh once (--setup, the fixture every test needs) and all its tests share
# it; a program started outside ctest makes it when it is missing. Making it
# takes a lock, so parallel starts wait for one set-up instead of racing.
# Wine's null graphics driver is chosen in the prefix: windows, dialogs and
# message boxes are created without any X server, so none is needed.
set -eu

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
for f in "$WINE" "$WINESERVER"; do
    if [ ! -x "$f" ]; then
        echo "wine-run: $f is missing (Debian package wine64; scripts/install-deps.sh)" >&2
        exit 127
    fi
done

export WINEPREFIX="${WINEPREFIX:-/tmp/dro-wine-$(id -u)}"
export WINELOADER="$WINE"
export WINESERVER
export WINEDEBUG=-all
# No offer to download Mono or Gecko while the prefix is made; a test adds
# its own overrides in DRO_WINEDLLOVERRIDES.
export WINEDLLOVERRIDES="mscoree,mshtml=${DRO_WINEDLLOVERRIDES:+;$DRO_WINEDLLOVERRIDES}"
unset DISPLAY WAYLAND_DISPLAY

# Set when the prefix is complete; a prefix without it is made again.
READY="$WINEPREFIX/.dro-ready"

stop() {
    if [ -d "$WINEPREFIX" ]; then
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w 2>/dev/null || true
    fi
}

# Wine's processes must not inherit the lock (descriptor 9), or a lasting
# wineserver would hold it after the set-up.
make_prefix() {
    stop 9>&-
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i 9>&- >/dev/null 2>&1 || {
        echo "wine-run: wineboot -i failed for $WINEPREFIX" >&2
        exit 1
    }
    "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f 9>&- >/dev/null 2>&1 || {
        echo "wine-run: could not choose the null graphics driver in $WINEPREFIX" >&2
        exit 1
    }
    # The registry reaches the prefix's files when the server ends.
    "$WINESERVER" -w 9>&-
    touch "$READY"
}

with_lock() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    "$@"
    exec 9>&-
}

ensure_prefix() {
    [ -f "$READY" ] || make_prefix
}

case "${1:-}" in
--setup)
    with_lock make_prefix
    ;;
--stop)
    stop
    ;;
"" | -*)
    echo "usage: wine-run.sh PROGRAM.exe [ARGUMENTS...] | --setup | --stop" >&2
    exit 2
    ;;
*)
    [ -f "$READY" ] || with_lock ensure_prefix
    exec "$WINE" "$@"
    ;;
esac
