#!/bin/sh
# Runs the example print jobs of examples/tisk with Listar2, the way the
# package does: in its print folder C:\DRO2015\{tisk} of an emulated Windows
# (a Wine-style prefix under the build folder), one parameter file per job.
set -eu

BUILD=$(cd "${1:-build}" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
LISTAR2="$BUILD/pdfforms/Listar2"
DEMO="$BUILD/demo"
WINEPREFIX="$DEMO/wine"
export WINEPREFIX
TISK="$WINEPREFIX/drive_c/DRO2015/{tisk}"
OUT="$WINEPREFIX/drive_c/DRO2015/PDF"

if [ ! -x "$LISTAR2" ]; then
    echo "demo: $LISTAR2 is missing; build first (make build)." >&2
    exit 1
fi

rm -rf "$DEMO"
mkdir -p "$TISK" "$OUT"
cp "$ROOT"/examples/tisk/* "$TISK"/

failed=0
cd "$TISK"
for job in faktura dodlist objednav zasilky sestava; do
    printf '%-10s ' "$job"
    if "$LISTAR2" '$' "C:\\DRO2015\\{tisk}\\$job.par"; then
        echo "hotovo"
    else
        echo "CHYBA (kód $?)"
        failed=1
    fi
done

echo
echo "PDF soubory (C:\\DRO2015\\PDF) jsou v: $OUT"
ls -1 "$OUT"
exit $failed
