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
TRANSCRIPT

expect_started 'Mono.exe C:\DRO\DRO2015'
expect_unpacked 'C:\DRO\DRO2015' Mono
expect_dosbox_script 'C:\DRO\DRO2015\S64.bat'
expect_lines 'C:\DRO\DRO2015\KdeJeZas.ttx' "$(desktop)\\DRO2015.lnk"
[ "$(ls -A "$(host "$(desktop)")")" = DRO2015.lnk ] ||
    fail "the desktop holds $(ls -A "$(host "$(desktop)")"), not DRO2015.lnk alone"
expect_missing 'C:\DRO\DRO2015\Mono.exe'
expect_missing 'C:\DATA\DRO2015'
expect_missing 'C:\DRO\JINA'
