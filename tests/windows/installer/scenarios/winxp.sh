# Windows XP (its 64-bit edition, as a 64-bit prefix allows), the user
# clearing the 64-bit option: the native launch script, Ikon.ini for the
# package's icon tool instead of a desktop shortcut.
windows winxp64
installer InetM.exe

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 InetM.exe
window "Instalace programu DRO2015*"
click "64bitový operační systém"
state "64bitový operační systém"
click Instalovat
answer OK
answer OK
exit 0
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 InetM.exe
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> click "64bitový operační systém"
> state "64bitový operační systém"
state "64bitový operační systém" unchecked focused
> click Instalovat
> answer OK
box "Dotaz" "Instalovat DRO2015 do složky C:\DRO\DRO2015\?" [OK] [&Storno]
> answer OK
box "Informace" "DRO nainstalováno do zvolenéné složky C:\DRO\DRO2015" [OK]
> exit 0
exit 0
TRANSCRIPT

# Wine's shell starts no program whose default folder is a file, as the
# installer passes Ikon.ini in that place: Ikon.exe does not run here.
expect_started 'InetM.exe C:\DRO\DRO2015'
expect_unpacked 'C:\DRO\DRO2015' InetM
expect_native_script 'C:\DRO\DRO2015\DRO2015.bat'
expect_lines 'C:\DRO\DRO2015\Ikon.ini' \
    '[DRO]' \
    'Aplikace=C:\DRO\DRO2015\DRO2015.BAT' \
    'Umisteni=C:\DRO\DRO2015\DRO2015' \
    'Ikona=C:\DRO\DRO2015\DRO2015\Dro2015.ICO' \
    'IkonaP=Dro2015.pif' \
    'MasterXP=C:\DRO\DRO2015\DRO2015\Dro.wXP' \
    'Master98=C:\DRO\DRO2015\DRO2015\Dro.w98' \
    'verze=2015' \
    'Status=1'
expect_empty "$(desktop)"
expect_missing 'C:\DRO\DRO2015\KdeJeZas.ttx'
expect_missing 'C:\DRO\DRO2015\S64.bat'
expect_same 'C:\DRO\DRO2015\InetM.exe' "$package/InetM.exe"
expect_lines 'C:\DRO\DRO2015\Sg.000' 'archive piece (sample)'
