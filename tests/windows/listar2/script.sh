#!/bin/sh
# TiskPDF.dll driven late-bound by a VBScript under Wine's cscript, in a
# fresh prefix of its own with a Czech locale: registered with regsvr32, the
# script creates "TiskPDF.PDFDocument4", draws text onto a template and
# saves a PDF that qpdf accepts, and a wrong call gives the component's
# error number and description in Err; JScript reaches the same; a file
# saved with the open flag under another extension than .pdf is not opened;
# after regsvr32 /u the class is gone.
#
#   script.sh WINE-RUN TiskPDF.dll EXAMPLES WORK
set -eu
run=$1
component=$2
examples=$3
work=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

make_prefix "$component"
dll='C:\DRO2015\{tisk}\TiskPDF.dll'

# A script file as a Czech Windows user saves it: in the ANSI code page.
save_script() { # NAME (the script on standard input)
    sed 's/$/\r/' | iconv -f UTF-8 -t CP1250 >"$tisk/$1"
}
# The console writes in the OEM code page.
cscript() { # NAME: the script's output in UTF-8
    (cd "$tisk" && "$run" cscript //nologo "C:\\DRO2015\\{tisk}\\$1") >"$work/$1.out" 2>&1 || true
    iconv -f CP852 -t UTF-8 "$work/$1.out"
}

"$run" regsvr32 /s "$dll" || fail "regsvr32 could not register TiskPDF.dll"

save_script draw.vbs <<'VBS'
Option Explicit
Dim doc, font, pages
Set doc = CreateObject("TiskPDF.PDFDocument4")
doc.OpenPdf "C:\DRO2015\{tisk}\objednavka.pdf", ""
pages = doc.PageCount
WScript.Echo "pages " & pages
doc.SelectPage pages - 1
doc.Resolution = 144
WScript.Echo "resolution " & doc.Resolution
doc.Resolution = 72
doc.SetDocumentMode 1
font = doc.RegisterFont("Courier New", True, False, 0, 0, 0)
doc.UseFont font, 14
doc.SetColorMode 1
doc.SetTextColor 0, 0, 0.5, 0
doc.MoveTextTo 72, 100
doc.DrawText "Skript: Příliš žluťoučký kůň"
doc.FinishDocument
doc.SaveDocument "C:\DRO2015\PDF\skript.pdf", False
WScript.Echo "saved"
On Error Resume Next
doc.SelectPage 7
WScript.Echo "error " & Err.Number & " " & Err.Description
Err.Clear
doc.UseFont "x", 12
WScript.Echo "error " & Err.Number
Err.Clear
doc.NoSuchMethod
WScript.Echo "error " & Err.Number
VBS
got=$(cscript draw.vbs | tr -d '\r')
expected='pages 2
resolution 144
saved
error -2147220730 Stránka 7 neexistuje (dokument má 2 strany).
error 13
error 438'
[ "$got" = "$expected" ] || {
    printf 'expected:\n%s\ngot:\n%s\n' "$expected" "$got"
    fail "the script's output differs"
}
qpdf --check "$pdf/skript.pdf" >/dev/null || fail "qpdf does not accept the script's PDF"
pdftotext "$pdf/skript.pdf" - | grep -q 'Skript: Příliš žluťoučký kůň' ||
    fail "the script's text is not in its PDF"
[ "$(pdfinfo "$pdf/skript.pdf" | sed -n 's/^Pages: *//p')" = 2 ] || fail "the PDF lost pages"
echo "ok - VBScript draws and saves through TiskPDF.PDFDocument4; errors reach Err"

# The same members from JScript, which reads a property without parentheses.
save_script draw.js <<'JS'
var doc = new ActiveXObject("TiskPDF.PDFDocument4");
doc.OpenPdf("C:\\DRO2015\\{tisk}\\objednavka.pdf", "");
WScript.Echo("pages " + doc.PageCount);
try { doc.SelectPage(-1); } catch (e) { WScript.Echo("error " + e.number + " " + e.description); }
JS
got=$(cscript draw.js | tr -d '\r')
expected='pages 2
error -2147220730 Stránka -1 neexistuje (dokument má 2 strany).'
[ "$got" = "$expected" ] || {
    printf 'expected:\n%s\ngot:\n%s\n' "$expected" "$got"
    fail "the JScript's output differs"
}
echo "ok - JScript reaches the same members and errors"

# With the save flag only a PDF file is opened: one named .hta is written but
# not handed to the program that runs such files (here one that notes it).
"$run" reg add 'HKLM\Software\Classes\.hta' /ve /d htafile /f >/dev/null &&
    "$run" reg add 'HKLM\Software\Classes\htafile\shell\open\command' /ve \
        /d 'C:\windows\system32\cmd.exe /c echo %1>C:\DRO2015\spusteno.txt' /f >/dev/null ||
    fail "no .hta association"
save_script hta.vbs <<'VBS'
Set doc = CreateObject("TiskPDF.PDFDocument4")
doc.OpenPdf "C:\DRO2015\{tisk}\objednavka.pdf", ""
doc.FinishDocument
doc.SaveDocument "C:\DRO2015\PDF\Pohled.hta", True
WScript.Echo "saved"
VBS
got=$(cscript hta.vbs | tr -d '\r')
[ "$got" = saved ] || fail "saving Pohled.hta gave: $got"
qpdf --check "$pdf/Pohled.hta" >/dev/null || fail "Pohled.hta is no PDF"
sleep 5
[ ! -e "$WINEPREFIX/drive_c/DRO2015/spusteno.txt" ] || fail "the saved .hta file was opened"
echo "ok - the save flag opens no file but a .pdf one"

"$run" regsvr32 /u /s "$dll" || fail "regsvr32 /u failed"
save_script gone.vbs <<'VBS'
On Error Resume Next
Dim doc
Set doc = CreateObject("TiskPDF.PDFDocument4")
WScript.Echo "error " & Err.Number
VBS
got=$(cscript gone.vbs | tr -d '\r')
[ "$got" = "error 429" ] || fail "unregistered, CreateObject gave: $got"
echo "ok - unregistered, the class cannot be created (429)"
