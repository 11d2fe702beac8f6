// The launch scripts as the installer has to leave them on the disk, line by
// line: the one expectation of every test that looks at a script.
#pragma once

#include <initializer_list>
#include <string>

namespace testmachine {

// The lines, each ended by CR LF.
inline std::string crlf(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines)
        out += std::string(l) + "\r\n";
    return out;
}

// For the FAND runtime itself (DRO2015.bat, Demo2015.bat).
inline const std::string kNativeScriptFile = crlf({
    "@echo off",
    "kb16 us",
    "MODE CON: COLS=80 LINES=25",
    "@if exist {rt42}\\fandwork.$$$ del {rt42}\\fandwork.$$$",
    "@if not exist {rt42}\\fandwork.$$$ goto spust",
    "cls",
    "@echo Program DRO je jiz spusten !",
    "goto konec",
    ":spust",
    "set fandovrb=90",
    "{RT42}\\UFAND.EXE DRO.RDB",
    ":konec",
    "kb16 cz",
    "echo program DRO ukoncen",
    "echo zavrete okno klepnutim na zaver v rohu",
});

// For DOSBox on 64-bit Windows (S64.bat).
inline const std::string kDosBoxScriptFile = crlf({
    "@echo off",
    "set DROBOX=on",
    "if exist {dbx2}\\stop del {dbx2}\\stop",
    "{tisk}\\Dr.exe 7 {tisk}\\DbCesta.txt",
    "{tisk}\\caller {tisk}\\ubox $ {dbx2} 1000 500 utisk04.exe",
    "{tisk}\\caller {dbx1}\\dosbox.exe -noconsole -conf {dbx1}\\dosbox_s.cfg",
});

// The demo package's S64.bat: "Dr.exe D" where the others have "Dr.exe 7".
inline const std::string kDosBoxDemoScriptFile = crlf({
    "@echo off",
    "set DROBOX=on",
    "if exist {dbx2}\\stop del {dbx2}\\stop",
    "{tisk}\\Dr.exe D {tisk}\\DbCesta.txt",
    "{tisk}\\caller {tisk}\\ubox $ {dbx2} 1000 500 utisk04.exe",
    "{tisk}\\caller {dbx1}\\dosbox.exe -noconsole -conf {dbx1}\\dosbox_s.cfg",
});

} // namespace testmachine
