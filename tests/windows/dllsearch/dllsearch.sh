#!/bin/sh
# No DLL from the programs' own folder. A DLL that notes its loading lies
# beside Instal.exe, Listar2.exe, TiskPDF.dll and SETUPCP.EXE under the
# names of DLLs that Windows programs load (rich edit, version, themes,
# scripts, pictures), and Wine prefers such a copy to its own, as Windows
# would; the programs then work (the installer's window opened and closed;
# Listar2's set-up question, SETUPCP.EXE registering the component; a print
# job) without loading it.
#
#   dllsearch.sh WINE-RUN UiHarness.exe Instal.exe Listar2.exe TiskPDF.dll \
#                SETUPCP.EXE MARKER.dll EXAMPLES WORK
set -eu
run=$1
harness_exe=$2
instal=$3
listar2=$4
component=$5
setupcp=$6
marker=$7
examples=$8
work=$9
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../listar2/common.sh"

make_prefix "$instal" "$listar2" "$component" "$setupcp"
names="msftedit riched20 version uxtheme usp10 msimg32"
for name in $names; do cp "$marker" "$tisk/$name.dll"; done
export DRO_WINEDLLOVERRIDES="$(echo $names | tr ' ' ,)=n,b"
loaded="$work/loaded.txt"
export DRO_DLL_MARKER="Z:$loaded"

status=0
"$run" "$harness_exe" --timeout 60 - >"$work/transcript" 2>&1 <<'SCRIPT' || status=$?
start C:\DRO2015\{tisk} Instal.exe 2015 Mono.exe
window "Instalace programu DRO2015*"
click Konec
exit 0
start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\FAKTURA.PAR
answer Ano
exit 1
answer OK
start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\FAKTURA.PAR
exit 0
SCRIPT
[ ! -s "$loaded" ] || fail "loaded from the program's folder: $(tr '\n\\' ' /' <"$loaded")"
[ "$status" -eq 0 ] || {
    cat "$work/transcript"
    fail "the harness failed"
}
[ -n "$(ls -A "$pdf")" ] || fail "the print job wrote no PDF"
echo "ok - no DLL taken from the programs' folder ($names)"
