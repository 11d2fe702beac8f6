# A full installation on 64-bit Windows 10, the package file to be deleted
# afterwards (X): the package unpacked into C:\DRO\DRO2015 and run there,
# Config.nt set to FILES=211 with the old one kept as Config.DRO, the
# DOSBox launch script, the desktop shortcut made from DroWin10.sss and
# pointed at it, the package file and Sg.000 gone. While the run waits for
# the copied package file, the window answers and shows its marquee.
windows win10
installer Mono.exe
lines 'C:\windows\system32\Config.nt' 'dos=high' 'files=40'

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 Mono.exe X
window "Instalace programu DRO2015*"
controls
click Instalovat
answer OK
state #1012
answer OK
exit 0
SCRIPT
# The shortcut read back through Wine's link object (which reads the
# template's show command, maximized, as normal): the script, folder and
# icon of the installation, the rest as the template has it.
wine_link "$(desktop)\\DRO2015.lnk" 'C:\DRO2015.lnk'
harness <<'SCRIPT'
link C:\DRO2015.lnk
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 Mono.exe X
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> controls
  Static #1006 "Dokončete  instalaci stiskem tlačítka Ukončit." hidden
  Static #1001 "Instalovat do složky: "
  Edit #1002 "DRO2015"
  Static #1003 "v níže uvedené cestě"
  Edit #1004 "C:\DRO" focused
  Button #1005 "..."
  Static #1007 "Pokyny k instalaci  "
  Button #1008 "64bitový operační systém" checked
  Button #1009 "Instalovat"
  Button #1010 "&Aktualizovat" hidden
  Button #1011 "Zrušit"
  msctls_progress32 #1012 "" hidden
  Button #1013 "Po instalaci smazat instalsční soubor" hidden unchecked
  Edit #1014 "" hidden
  RichEdit50W #1015 "" hidden
> click Instalovat
> answer OK
box "Dotaz" "Instalovat DRO2015 do složky C:\DRO\DRO2015\?" [OK] [&Storno]
> state #1012
state #1012 shown
> answer OK
box "Informace" "DRO nainstalováno do zvolenéné složky C:\DRO\DRO2015" [OK]
> exit 0
exit 0
> link C:\DRO2015.lnk
link "C:\DRO\DRO2015\S64.bat" arguments "/m /x" folder "C:\DRO\DRO2015" icon "C:\DRO\DRO2015\DRO2015.ico",0 description "Účetnictví DRO 2015 – Windows 10" show 1 hotkey 632
TRANSCRIPT

expect_started 'Mono.exe C:\DRO\DRO2015'
expect_unpacked 'C:\DRO\DRO2015' Mono
expect_dosbox_script 'C:\DRO\DRO2015\S64.bat'
expect_lines 'C:\windows\system32\Config.nt' 'dos=high' 'FILES=211'
expect_lines 'C:\windows\system32\Config.DRO' 'dos=high' 'files=40'
expect_lines 'C:\DRO\DRO2015\KdeJeZas.ttx' "$(desktop)\\DRO2015.lnk"
expect_lines 'C:\DRO\DRO2015\{rt42}\fand.cfg' '[FAND]' 'PRINTER=LPT1' 'COLORS=1' 'PACKAGE=Mono'
expect_missing 'C:\DRO\DRO2015\Mono.exe'
expect_missing 'C:\DRO\DRO2015\Sg.000'
expect_missing 'C:\DRO\DRO2015\DRO2015.bat'
expect_same 'C:\Setup\Mono.exe' "$package/Mono.exe"
