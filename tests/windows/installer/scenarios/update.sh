# An update of an installation of the same version, the archive to be
# deleted afterwards: the archive copied into the installation and run
# there, nothing else touched.
windows win10
installer update/Mono.exe
lines 'C:\DRO\DRO2015\DRO2015.ver' 'DRO2015'
lines 'C:\DRO\DRO2015\DRO.RDB' 'DRO 2015 database (Mono, sample)'
lines 'C:\DRO\DRO2015\{rt42}\fand.cfg' "user's own configuration"

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 Mono.exe X update
window "Aktualizace programu DRO2015*"
controls
click Aktualizovat
answer OK
answer OK
exit 0
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 Mono.exe X update
> window "Aktualizace programu DRO2015*"
window "Aktualizace programu DRO2015  sestavena dne 15.1.2015"
> controls
  Static #1006 "Dokončete  instalaci stiskem tlačítka Ukončit." hidden
  Static #1001 "Instalovat do složky: "
  Edit #1002 "DRO2015"
  Static #1003 "v níže uvedené cestě"
  Edit #1004 "C:\DRO" focused
  Button #1005 "..."
  Static #1007 "Pokyny k instalaci  "
  Button #1008 "64bitový operační systém" hidden checked
  Button #1009 "Instalovat" hidden
  Button #1010 "&Aktualizovat"
  Button #1011 "Zrušit"
  msctls_progress32 #1012 "" hidden
  Button #1013 "Po instalaci smazat instalsční soubor" hidden unchecked
  Edit #1014 "" hidden
  RichEdit50W #1015 "" hidden
> click Aktualizovat
> answer OK
box "Dotaz" "Aktualizovat DRO2015 ve složce C:\DRO\DRO2015\?" [OK] [&Storno]
> answer OK
box "Informace" "DRO nainstalováno do zvolenéné složky C:\DRO\DRO2015" [OK]
> exit 0
exit 0
TRANSCRIPT

expect_started 'Mono.exe C:\DRO\DRO2015'
expect_lines 'C:\DRO\DRO2015\DRO.RDB' 'DRO 2015 database, update 1 (sample)'
expect_lines 'C:\DRO\DRO2015\{rt42}\UFAND.EXE' 'FAND runtime 4.2, update 1 (sample)'
expect_lines 'C:\DRO\DRO2015\Update.txt' 'DRO 2015 update 1'
expect_lines 'C:\DRO\DRO2015\{rt42}\fand.cfg' "user's own configuration"
expect_missing 'C:\DRO\DRO2015\Mono.exe'
expect_missing 'C:\DRO\DRO2015\S64.bat'
expect_missing 'C:\windows\system32\Config.DRO'
expect_empty "$(desktop)"
