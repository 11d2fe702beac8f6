# A second start while the installer runs, minimized and behind another
# program's window, brings the first window back up and to the front, and
# ends with 0 without a window of its own.
windows win10
installer Mono.exe

harness <<'SCRIPT'
start C:\Setup Instal.exe 2015 Mono.exe
window "Instalace programu DRO2015*"
minimize
start C:\windows notepad.exe
window "Untitled - Notepad"
window-state
start C:\Setup Instal.exe 2015 Mono.exe
exit 0
window "Instalace programu DRO2015*"
window-state
window "Untitled - Notepad"
close
exit 0
window "Instalace programu DRO2015*"
click Zrušit
exit 0
SCRIPT

expect_transcript <<'TRANSCRIPT'
> start C:\Setup Instal.exe 2015 Mono.exe
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> minimize
> start C:\windows notepad.exe
> window "Untitled - Notepad"
window "Untitled - Notepad"
> window-state
window "Untitled - Notepad" normal, foreground
> start C:\Setup Instal.exe 2015 Mono.exe
> exit 0
exit 0
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> window-state
window "Instalace programu DRO2015  sestavena dne 15.1.2015" normal, foreground
> window "Untitled - Notepad"
window "Untitled - Notepad"
> close
> exit 0
exit 0
> window "Instalace programu DRO2015*"
window "Instalace programu DRO2015  sestavena dne 15.1.2015"
> click Zrušit
> exit 0
exit 0
TRANSCRIPT

expect_started
