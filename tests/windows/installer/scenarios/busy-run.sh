# What the user tries while the installation waits for the copied package
# file: Zrušit, the folder picker, the two folder fields, the 64-bit option
# and closing the window. All of them are disabled or ignored until the run
# ends, and it ends as usual: the package unpacked and run in the folder
# that was confirmed, one shortcut, one completion message.
windows win10
installer Mono.exe
mkdir -p "$(host 'C:\DATA')"

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 Mono.exe X
window "Instalace programu DRO2015*"
click Instalovat
answer OK
controls
try click Zrušit
try click ...
try type #1002 JINA
try type #1004 C:\DATA
try click #1008
close
answer OK
exit 0
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 Mono.exe X
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> click Instalovat
> answer OK
box "Dotaz" "Instalovat DRO2015 do složky C:\DRO\DRO2015\?" [OK] [&Storno]
> controls
  Static #1006 "Dokončete  instalaci stiskem tlačítka Ukončit." hidden
  Static #1001 "Instalovat do složky: "
  Edit #1002 "DRO2015" disabled
  Static #1003 "v níže uvedené cestě"
  Edit #1004 "C:\DRO" disabled read-only
  Button #1005 "..." disabled
  Static #1007 "Pokyny k instalaci  "
  Button #1008 "64bitový operační systém" disabled checked
  Button #1009 "Instalovat" disabled
  Button #1010 "&Aktualizovat" hidden disabled
  Button #1011 "Zrušit" disabled
  msctls_progress32 #1012 ""
  Button #1013 "Po instalaci smazat instalsční soubor" hidden checked
  Edit #1014 "" hidden
  RichEdit50W #1015 "" hidden
> try click Zrušit
try Zrušit disabled, nothing done
> try click ...
try ... disabled, nothing done
> try type #1002 JINA
try #1002 disabled, nothing done
> try type #1004 C:\DATA
try #1004 disabled, nothing done
> try click #1008
try #1008 disabled, nothing done
> close
> answer OK
box "Informace" "DRO nainstalováno do zvolenéné složky C:\DRO\DRO2015" [OK]
> exit 0
exit 0
TRANSCRIPT

expect_started 'Mono.exe C:\DRO\DRO2015'
expect_unpacked 'C:\DRO\DRO2015' Mono
expect_dosbox_script 'C:\DRO\DRO2015\S64.bat'
expect_lines 'C:\DRO\DRO2015\KdeJeZas.ttx' "$(desktop)\\DRO2015.lnk"
# One shortcut (beside Wine's own .desktop copies of shortcuts).
links=$(ls -A "$(host "$(desktop)")" | grep -i '\.lnk$' || true)
[ "$links" = DRO2015.lnk ] || fail "the desktop's shortcuts are $links, not DRO2015.lnk alone"
expect_missing 'C:\DRO\DRO2015\Mono.exe'
expect_missing 'C:\DATA\DRO2015'
expect_missing 'C:\DRO\JINA'
