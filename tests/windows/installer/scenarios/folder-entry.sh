# The target folder entered as a user enters it: the parent folder typed in
# upper case and cut at the first blank, a path without a drive refused, the
# sub-folder at most 8 characters and never empty, and the folder picker.
windows win10
installer Mono.exe
mkdir -p "$(host 'C:\DATA')"

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 Mono.exe
window "Instalace programu DRO2015*"
type #1004 "c:\program files\dro"
key #1004 tab
text #1004
state #1009
type #1004 "dro"
key #1004 tab
answer OK
text #1004
type #1002 "dro2015abc"
text #1002
key #1002 tab
text #1002
type #1002 ""
key #1002 tab
answer OK
text #1002
click ...
box
folder C:\
answer OK
text #1004
click ...
folder C:\DATA
answer OK
text #1004
click ...
answer Cancel
text #1004
click Instalovat
answer Storno
click Zrušit
exit 0
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 Mono.exe
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> type #1004 "c:\program files\dro"
> key #1004 tab
> text #1004
text #1004 "C:\PROGRAM"
> state #1009
state #1009 shown
> type #1004 "dro"
> key #1004 tab
> answer OK
box "Varování" "DRO je neplatná cesta. Nastavena cesta C:\PROGRAM" [OK]
> text #1004
text #1004 "C:\PROGRAM"
> type #1002 "dro2015abc"
> text #1002
text #1002 "dro2015a"
> key #1002 tab
> text #1002
text #1002 "DRO2015A"
> type #1002 ""
> key #1002 tab
> answer OK
box "Varování" "Údaj Instalovat do složky musí být vyplněn!<LF><CR><LF><CR>Nastaví se implicitní složka DRO2015." [OK]
> text #1002
text #1002 "DRO2015"
> click ...
> box
box "Browse for Folder" "Vyberte adresář" [OK] [Cancel]
> folder C:\
> answer OK
> text #1004
text #1004 "C:\DRO"
> click ...
> folder C:\DATA
> answer OK
> text #1004
text #1004 "C:\DATA"
> click ...
> answer Cancel
box "Browse for Folder" "Vyberte adresář" [OK] [Cancel]
> text #1004
text #1004 "C:\DATA"
> click Instalovat
> answer Storno
box "Dotaz" "Instalovat DRO2015 do složky C:\DATA\DRO2015\?" [OK] [&Storno]
> click Zrušit
> exit 0
exit 0
TRANSCRIPT
expect_missing 'C:\PROGRAM'
expect_missing 'C:\DATA\DRO2015'
expect_missing 'C:\DRO'
