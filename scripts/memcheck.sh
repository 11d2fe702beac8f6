#!/bin/sh
# Runs the programs' end-to-end jobs under valgrind's memcheck: every example
# print job of Listar2, one that fails, and (when present) the scripted
# installation of the sample package. Any memory error or leak fails.
set -eu
BUILD=$(cd "${1:-build}" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="$BUILD/memcheck"
dpkg-query -W -f='${Status}' valgrind 2>/dev/null | grep -q "install ok installed" || {
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq valgrind
}
VALGRIND="valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect --suppressions=$ROOT/tests/valgrind.supp"

rm -rf "$OUT"
export WINEPREFIX="$OUT/wine"
TISK="$WINEPREFIX/drive_c/DRO2015/{tisk}"
mkdir -p "$TISK" "$WINEPREFIX/drive_c/DRO2015/PDF"
cp "$ROOT"/examples/tisk/* "$TISK"/
printf 'FAKT\r\nC:\\DRO2015\\{TISK}\\chybi.txt\r\nC:\\DRO2015\\{TISK}\\faktura.pdf\r\nC:\\DRO2015\\PDF\\x.pdf\r\n\r\n\r\n\r\n\r\n\r\n' > "$TISK/chyba.par"

failed=0
cd "$TISK"
for job in faktura dodlist objednav zasilky sestava chyba; do
    status=0
    $VALGRIND "$BUILD/pdfforms/Listar2" '$' "C:\\DRO2015\\{tisk}\\$job.par" 2>"$OUT/$job.log" || status=$?
    if [ "$status" -eq 99 ]; then
        echo "memcheck: Listar2 $job: errors, see $OUT/$job.log" >&2
        failed=1
    else
        echo "memcheck: Listar2 $job: clean (exit $status)"
    fi
done
if [ -x "$ROOT/scripts/demo-install.sh" ] && [ -x "$BUILD/installer/Instal" ]; then
    status=0
    INSTAL_WRAPPER="$VALGRIND" sh "$ROOT/scripts/demo-install.sh" "$BUILD" >"$OUT/instal.log" 2>&1 || status=$?
    if grep -q "ERROR SUMMARY: [1-9]\|definitely lost" "$OUT/instal.log" || [ "$status" -ne 0 ]; then
        echo "memcheck: Instal: errors, see $OUT/instal.log" >&2
        failed=1
    else
        echo "memcheck: Instal: clean"
    fi
fi
exit $failed
