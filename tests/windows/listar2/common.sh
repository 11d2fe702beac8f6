# Shared by the Wine tests of Listar2 and TiskPDF (sourced): a fresh prefix
# of the test's own with a Czech locale, as on the systems the programs
# serve (code pages 1250 and 852, Czech buttons and system messages), and
# the print folder of an installed package in it.
#
# Expects: run (scripts/wine-run.sh), work (the test's folder), examples (the
# repository's examples/), and for harness() harness_exe (UiHarness.exe).

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The Czech locale compiled into the test's folder: the machine need not
# have it installed.
czech_locale() {
    export LOCPATH="$work/locale"
    if [ ! -d "$LOCPATH/cs_CZ.UTF-8" ]; then
        mkdir -p "$LOCPATH"
        localedef -i cs_CZ -f UTF-8 "$LOCPATH/cs_CZ.UTF-8" 2>/dev/null ||
            [ -d "$LOCPATH/cs_CZ.UTF-8" ] || fail "localedef cannot make cs_CZ.UTF-8"
    fi
    export LC_ALL=cs_CZ.UTF-8
}

# A fresh prefix under $work with C:\DRO2015\{tisk} (the example jobs and
# whatever files are named) and C:\DRO2015\PDF; ended when the test ends.
make_prefix() {
    export WINEPREFIX="$work/prefix"
    rm -rf "$work"
    mkdir -p "$work"
    czech_locale
    trap '"$run" --stop' EXIT
    "$run" --setup || fail "no Wine prefix"
    # Courier New as Linux has it, through the substitution of Windows' font
    # mapper: Wine has no Courier New and would fall back to a sans face.
    "$run" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
        /v 'Courier New' /d 'Liberation Mono' /f >/dev/null || fail "no font substitute"
    tisk="$WINEPREFIX/drive_c/DRO2015/{tisk}"
    pdf="$WINEPREFIX/drive_c/DRO2015/PDF"
    mkdir -p "$tisk" "$pdf"
    cp "$examples"/tisk/* "$tisk/"
    for f in "$@"; do cp "$f" "$tisk/"; done
}

# Runs a harness script (standard input) and compares its transcript with
# the expected one (a file); a difference is shown.
harness() { # EXPECTED
    out="$work/$(basename "$1" .expected).out"
    "$run" "$harness_exe" --timeout 60 - >"$out" || {
        cat "$out"
        fail "the harness failed"
    }
    diff -u "$1" "$out" || fail "the transcript differs from $(basename "$1")"
}
