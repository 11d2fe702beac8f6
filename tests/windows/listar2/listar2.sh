#!/bin/sh
# Listar2.exe with the TiskPDF component under Wine, in a fresh prefix of its
# own with a Czech locale:
#   1. the component not registered: the set-up question; No ends the job,
#      Yes shows the viewer message and starts SETUPCP.EXE from the
#      program's folder (or says that it is missing), which registers the
#      component and says so; no PDF is written meanwhile;
#   2. the example jobs: their PDFs have the pages, the text and the
#      embedded fonts of the Linux build's PDFs of the same jobs, and
#      without Courier New and its substitute the same columns;
#   3. failed jobs show the general message (with the component's own
#      number and description when the save fails) and write no PDF; a
#      command line that is not a print job ends silently;
#   4. in a print folder that other users may change, SETUPCP.EXE registers
#      the component for the user alone and says why.
#
#   listar2.sh WINE-RUN UiHarness.exe Listar2.exe TiskPDF.dll SETUPCP.EXE \
#              NATIVE-LISTAR2 EXAMPLES WORK
set -eu
run=$1
harness_exe=$2
listar2=$3
component=$4
setupcp=$5
native=$6
examples=$7
work=$8
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

[ -x "$native" ] || fail "no Linux build of Listar2 at $native to compare with (make build)"

make_prefix "$listar2" "$component" "$setupcp"
# A second print folder with Listar2.exe alone.
alone="$WINEPREFIX/drive_c/BEZ"
mkdir -p "$alone"
cp "$listar2" "$alone/"
# Failing jobs: a template that is missing, one that is no PDF.
printf 'FAKT\r\nC:\\DRO2015\\{TISK}\\FAKTURA.TXT\r\nC:\\DRO2015\\{TISK}\\CHYBI.PDF\r\nC:\\DRO2015\\PDF\\chyba.pdf\r\n\r\n\r\n\r\n\r\n\r\n' \
    >"$tisk/chybi.par"
cp "$tisk/faktura.txt" "$tisk/spatna.pdf"
printf 'FAKT\r\nC:\\DRO2015\\{TISK}\\FAKTURA.TXT\r\nC:\\DRO2015\\{TISK}\\SPATNA.PDF\r\nC:\\DRO2015\\PDF\\chyba.pdf\r\n\r\n\r\n\r\n\r\n\r\n' \
    >"$tisk/spatna.par"
# A save that fails: the output folder does not exist.
printf 'BLANK\r\nC:\\DRO2015\\{TISK}\\SESTAVA.TXT\r\nC:\\DRO2015\\{TISK}\\SESTAVA.PDF\r\nC:\\NENI\\sestava.pdf\r\n\r\n\r\n\r\n\r\n\r\n' \
    >"$tisk/neni.par"

no_pdf() {
    [ -z "$(ls -A "$pdf")" ] || fail "PDF files written: $(ls "$pdf")"
}

# 1. The set-up path. Wine's prefix opens PDF files with winebrowser until
# that association is removed.
harness "$here/setup.expected" <<'SCRIPT'
# No: the job ends without anything else.
start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\FAKTURA.PAR
answer Ne
exit 1
# Yes, with a viewer, but no SETUPCP.EXE beside the program.
start C:\BEZ Listar2.exe $ C:\DRO2015\{TISK}\FAKTURA.PAR
answer Ano
answer OK
exit 1
SCRIPT
"$run" reg delete 'HKLM\Software\Classes\.pdf' /f >/dev/null || fail "the PDF association stays"
harness "$here/install.expected" <<'SCRIPT'
# Yes without a viewer: its message, then SETUPCP.EXE registers the component.
start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\FAKTURA.PAR
answer Ano
answer OK
exit 1
answer OK
SCRIPT
no_pdf
echo "ok - set-up question, viewer message, SETUPCP.EXE"

# 2. The example jobs, and the same jobs on Linux.
nativeprefix="$work/native"
nativetisk="$nativeprefix/drive_c/DRO2015/{tisk}"
mkdir -p "$nativetisk" "$nativeprefix/drive_c/DRO2015/PDF"
cp "$examples"/tisk/* "$nativetisk/"
jobs="FAKTURA DODLIST OBJEDNAV ZASILKY SESTAVA"
{
    for j in $jobs; do
        echo "start C:\\DRO2015\\{tisk} Listar2.exe \$ C:\\DRO2015\\{TISK}\\$j.PAR"
        echo "exit 0"
    done
} | harness "$here/jobs.expected"
for j in $jobs; do
    (cd "$nativetisk" && WINEPREFIX="$nativeprefix" "$native" '$' "C:\\DRO2015\\{TISK}\\$j.PAR") ||
        fail "the Linux build failed on $j.PAR"
done

compared=0
for linux in "$nativeprefix"/drive_c/DRO2015/PDF/*.pdf; do
    name=$(basename "$linux")
    windows="$pdf/$name"
    [ -f "$windows" ] || fail "Listar2.exe wrote no $name"
    password=""
    case "$name" in Dodac*) password="-upw dro2015" ;; esac
    # shellcheck disable=SC2086
    for tool in pdfinfo pdftotext pdffonts; do
        case $tool in
        pdfinfo) a=$(pdfinfo $password "$linux" | grep '^Pages:') b=$(pdfinfo $password "$windows" | grep '^Pages:') ;;
        pdftotext) a=$(pdftotext -layout $password "$linux" -) b=$(pdftotext -layout $password "$windows" -) ;;
        # Without the object numbers.
        pdffonts) a=$(pdffonts $password "$linux" | awk 'NR > 2 { NF -= 2 } { print }')
            b=$(pdffonts $password "$windows" | awk 'NR > 2 { NF -= 2 } { print }') ;;
        esac
        [ "$a" = "$b" ] || {
            printf '%s\n' "$a" >"$work/linux.txt"
            printf '%s\n' "$b" >"$work/windows.txt"
            diff -u "$work/linux.txt" "$work/windows.txt" || true
            fail "$name: $tool differs between Linux and Windows"
        }
    done
    # The text's fonts (the templates bring their own) are embedded.
    # shellcheck disable=SC2086
    pdffonts $password "$windows" | awk '/CID TrueType/ { n++; if ($(NF-4) != "yes") bad = 1 }
        END { exit bad || !n }' || fail "$name: the text's font is not embedded"
    compared=$((compared + 1))
done
[ "$compared" -eq 5 ] || fail "$compared PDF files compared, 5 expected"
[ "$(ls "$pdf" | wc -l)" -eq 5 ] || fail "other PDF files written: $(ls "$pdf")"
echo "ok - the example jobs match the Linux build (pages, text, fonts)"

# Without Courier New and its substitute, the mapper's stand-in is still a
# monospaced face: the columns of the text are those of the Linux build.
"$run" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'Courier New' /f >/dev/null || fail "the font substitute stays"
rm -f "$pdf"/*
echo 'start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\SESTAVA.PAR
exit 0' | "$run" "$harness_exe" --timeout 60 - >/dev/null || fail "the job without Courier New failed"
for f in "$nativeprefix"/drive_c/DRO2015/PDF/Pohled*.pdf; do
    pdftotext -layout "$f" "$work/linux.txt"
    pdftotext -layout "$pdf/$(basename "$f")" "$work/windows.txt" || fail "no $(basename "$f")"
    diff -u "$work/linux.txt" "$work/windows.txt" || fail "without Courier New the columns differ"
done
pdffonts "$pdf"/Pohled*.pdf | grep -q Mono || fail "the stand-in for Courier New is not monospaced"
echo "ok - without Courier New a monospaced stand-in keeps the columns"

# With the save flag the component opens the saved PDF in the program that
# Windows opens PDF files with: here one that notes what it was given.
"$run" reg add 'HKLM\Software\Classes\.pdf' /ve /d pdffile /f >/dev/null &&
    "$run" reg add 'HKLM\Software\Classes\pdffile\shell\open\command' /ve \
        /d 'C:\windows\system32\cmd.exe /c echo %1>C:\DRO2015\viewer.txt' /f >/dev/null ||
    fail "no PDF association"
sed '5s/^.*\r$/A\r/' "$tisk/sestava.par" >"$tisk/ukazat.par"
harness "$here/viewer.expected" <<'SCRIPT'
start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\UKAZAT.PAR
exit 0
SCRIPT
viewer="$WINEPREFIX/drive_c/DRO2015/viewer.txt"
for _ in 1 2 3 4 5 6 7 8 9 10; do [ -s "$viewer" ] && break; sleep 1; done
grep -q 'PDF.Pohled' "$viewer" 2>/dev/null || fail "the viewer was not started for the saved PDF"
echo "ok - the save flag opens the PDF with the associated program"

# 3. Failed jobs and a command line that is no print job.
rm -f "$pdf"/*
harness "$here/errors.expected" <<'SCRIPT'
start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\CHYBI.PAR
answer OK
exit 1
start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\SPATNA.PAR
answer OK
exit 1
start C:\DRO2015\{tisk} Listar2.exe $ C:\DRO2015\{TISK}\NENI.PAR
answer OK
exit 1
start C:\DRO2015\{tisk} Listar2.exe $
exit 2
SCRIPT
# "$", two blanks and the path: the text after the program's name as cmd
# hands it over, not a print job.
code=0
(cd "$tisk" && timeout 60 "$run" cmd /c 'Listar2.exe $  C:\DRO2015\{TISK}\FAKTURA.PAR') || code=$?
[ "$code" -eq 2 ] || fail "\"\$\" with two blanks: exit code $code, 2 expected"
no_pdf
echo "ok - the general error message, no PDF; no print job on a wrong command line"

# 4. A print folder that others than the administrators can change: the
# component is registered for the user alone, and SETUPCP.EXE says why.
chmod o+w "$tisk"
harness "$here/user.expected" <<'SCRIPT'
start C:\DRO2015\{tisk} SETUPCP.EXE
answer OK
exit 0
SCRIPT
"$run" reg query 'HKCU\Software\Classes\TiskPDF.PDFDocument4\CLSID' >/dev/null 2>&1 ||
    fail "SETUPCP.EXE did not register the component for the user"
# The machine's registration of this DLL, made in part 1, is gone with it.
! "$run" reg query 'HKLM\Software\Classes\TiskPDF.PDFDocument4\CLSID' >/dev/null 2>&1 ||
    fail "the machine's registration of a DLL that others can change is still there"
echo "ok - a folder that others can change: registered for the user, not for the machine"
