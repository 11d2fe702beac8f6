# An error that ends a handler: a LAN installation whose launcher Tavel.exe
# is not beside the installer. The copy's message is shown in the window
# library's box, the window stays as far as the run got, and it closes
# without reporting an installation.
windows win10
installer Lan.exe

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 Lan.exe
window "Instalace programu DRO2015*"
click Instalovat
answer OK
answer OK
controls
click Zrušit
exit 0
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 Lan.exe
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> click Instalovat
> answer OK
box "Dotaz" "Instalovat DRO2015 do složky C:\DRO\DRO2015\?" [OK] [&Storno]
> answer OK
box "Instalace DRO" "Cannot open file C:\Setup\Tavel.exe." [OK]
> controls
  Static #1006 "Dokončete  instalaci stiskem tlačítka Ukončit." hidden
  Static #1001 "Instalovat do složky: "
  Edit #1002 "DRO2015"
  Static #1003 "v níže uvedené cestě"
  Edit #1004 "C:\DRO" read-only
  Button #1005 "..."
  Static #1007 "Pokyny k instalaci  "
  Button #1008 "64bitový operační systém" hidden unchecked
  Button #1009 "Instalovat" disabled
  Button #1010 "&Aktualizovat" hidden
  Button #1011 "Zrušit"
  msctls_progress32 #1012 ""
  Button #1013 "Po instalaci smazat instalsční soubor" hidden unchecked
  Edit #1014 "" hidden
  RichEdit50W #1015 "" hidden
> click Zrušit
> exit 0
exit 0
TRANSCRIPT

# The package file was copied, but nothing was run.
expect_started
expect_same 'C:\DRO\DRO2015\Lan.exe' "$package/Lan.exe"
expect_missing 'C:\DRO\DRO2015\DRO.RDB'
expect_empty "$(desktop)"
