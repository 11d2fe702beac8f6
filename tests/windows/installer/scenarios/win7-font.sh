# Windows 7 without the font "Zuva Voza", the user clearing the 64-bit
# option: the font message, the package's font installer run in {tisk}, the
# native launch script and the shortcut made from DroWin7.sss.
windows win7
installer Mono.exe

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 Mono.exe
window "Instalace programu DRO2015*"
click "64bitový operační systém"
click Instalovat
answer OK
answer OK
answer OK
exit 0
SCRIPT
wine_link "$(desktop)\\DRO2015.lnk" 'C:\DRO2015.lnk'
harness <<'SCRIPT'
link C:\DRO2015.lnk
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 Mono.exe
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> click "64bitový operační systém"
> click Instalovat
> answer OK
box "Dotaz" "Instalovat DRO2015 do složky C:\DRO\DRO2015\?" [OK] [&Storno]
> answer OK
box "Informace" "Pro provoz DRO ve WIN7 je potřeba nainstalovat font<LF><CR><LF><CR>Zuva Voza. Jeho instalaci potvrďte v následujícím dialogu." [OK]
> answer OK
box "Informace" "DRO nainstalováno do zvolenéné složky C:\DRO\DRO2015" [OK]
> exit 0
exit 0
> link C:\DRO2015.lnk
link "C:\DRO\DRO2015\Dro2015.bat" arguments "/m" folder "C:\DRO\DRO2015" icon "C:\DRO\DRO2015\DRO2015.ico",0 description "Účetnictví DRO 2015 – Windows 7" show 1 hotkey 1604
TRANSCRIPT

expect_started 'Mono.exe C:\DRO\DRO2015' 'Fontinst.exe C:\DRO\DRO2015\{tisk}'
expect_unpacked 'C:\DRO\DRO2015' Mono
expect_same 'C:\windows\Fonts\ZuvaVoza.ttf' "$root/examples/package/ZuvaVoza.ttf"
expect_native_script 'C:\DRO\DRO2015\DRO2015.bat'
expect_lines 'C:\DRO\DRO2015\KdeJeZas.ttx' "$(desktop)\\DRO2015.lnk"
expect_missing 'C:\DRO\DRO2015\S64.bat'
