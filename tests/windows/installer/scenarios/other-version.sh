# Another version in the target: the installation is refused with the
# message, the window stays as it was for another choice, and closing it
# says nothing more.
windows win10
installer Mono.exe
lines 'C:\DRO\DRO2015\DRO2014.ver' 'DRO2014'
mkdir -p "$(host 'C:\DRO\DRO2015\{rt42}')"

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 Mono.exe
window "Instalace programu DRO2015*"
click Instalovat
answer OK
answer OK
controls
click Zrušit
exit 0
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 Mono.exe
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> click Instalovat
> answer OK
box "Dotaz" "Instalovat DRO2015 do složky C:\DRO\DRO2015\?" [OK] [&Storno]
> answer OK
box "Varování" "Ve zvolené složce je jiná verze programu než DRO2015!<CR><LF>Zvolený adresář C:\DRO\DRO2015 není prázdný." [OK]
> controls
  Static #1006 "Dokončete  instalaci stiskem tlačítka Ukončit." hidden
  Static #1001 "Instalovat do složky: "
  Edit #1002 "DRO2015"
  Static #1003 "v níže uvedené cestě"
  Edit #1004 "C:\DRO"
  Button #1005 "..."
  Static #1007 "Pokyny k instalaci  "
  Button #1008 "64bitový operační systém" checked
  Button #1009 "Instalovat" focused
  Button #1010 "&Aktualizovat" hidden
  Button #1011 "Zrušit"
  msctls_progress32 #1012 "" hidden
  Button #1013 "Po instalaci smazat instalsční soubor" hidden unchecked
  Edit #1014 "" hidden
  RichEdit50W #1015 "" hidden
> click Zrušit
> exit 0
exit 0
TRANSCRIPT

expect_started
expect_missing 'C:\DRO\DRO2015\Mono.exe'
expect_missing 'C:\DRO\DRO2015\DRO.RDB'
expect_empty "$(desktop)"
