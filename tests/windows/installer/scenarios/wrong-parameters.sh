# Wrong command lines end the installer after the message (a version that
# is no number first shows the conversion's own message); a package file
# that is not beside the installer leaves only the close button.
windows win10
installer Mono.exe

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 LAN.EXE
answer OK
exit 0
start C:\Setup Instal.exe 0 Mono.exe
answer OK
exit 0
start C:\Setup Instal.exe 20x5 Mono.exe
answer OK
answer OK
exit 0
start C:\Setup Instal.exe 2015 DroDemo.exe
window "Instalace demoverze DRO2015*"
controls
click Konec
exit 0
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 LAN.EXE
> answer OK
box "Varování" "Chybné vstupní parametry, program se ukončí." [OK]
> exit 0
exit 0
> start C:\Setup Instal.exe 0 Mono.exe
> answer OK
box "Varování" "Chybné vstupní parametry, program se ukončí." [OK]
> exit 0
exit 0
> start C:\Setup Instal.exe 20x5 Mono.exe
> answer OK
box "Instalace DRO" "'20x5' is not a valid integer value." [OK]
> answer OK
box "Varování" "Chybné vstupní parametry, program se ukončí." [OK]
> exit 0
exit 0
> start C:\Setup Instal.exe 2015 DroDemo.exe
> window "Instalace demoverze DRO2015*"
window "Instalace demoverze DRO2015  sestavena dne 30.12.1899"
> controls
  Static #1006 "Soubor pro instalaci (aktualizací) DRO nenalezen!"
  Static #1001 "Instalovat do složky: " hidden
  Edit #1002 "Demo2015" disabled read-only
  Static #1003 "v níže uvedené cestě" hidden
  Edit #1004 "C:\DRO" focused
  Button #1005 "..." hidden
  Static #1007 "Pokyny k instalaci  "
  Button #1008 "64bitový operační systém" checked
  Button #1009 "Instalovat" disabled
  Button #1010 "&Aktualizovat" hidden disabled
  Button #1011 "&Konec"
  msctls_progress32 #1012 "" hidden
  Button #1013 "Po instalaci smazat instalsční soubor" hidden unchecked
  Edit #1014 "" hidden
  RichEdit50W #1015 "" hidden
> click Konec
> exit 0
exit 0
TRANSCRIPT

expect_started
expect_missing 'C:\DRO'
