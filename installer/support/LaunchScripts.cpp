#include "support/LaunchScripts.h"

#include <vector>

#include "support/Errors.h"
#include "support/TextFiles.h"
#include "support/Utilities.h"

namespace support {

using namespace platform;

const std::string_view NativeLaunchScript =
    "@echo off\r\n"
    "kb16 us\r\n"
    "MODE CON: COLS=80 LINES=25\r\n"
    "@if exist {rt42}\\fandwork.$$$ del {rt42}\\fandwork.$$$\r\n"
    "@if not exist {rt42}\\fandwork.$$$ goto spust\r\n"
    "cls\r\n"
    "@echo Program DRO je jiz spusten !\r\n"
    "goto konec\r\n"
    ":spust\r\n"
    "set fandovrb=90\r\n"
    "{RT42}\\UFAND.EXE DRO.RDB\r\n"
    ":konec\r\n"
    "kb16 cz\r\n"
    "echo program DRO ukoncen\r\n"
    "echo zavrete okno klepnutim na zaver v rohu";

const std::string_view DosBoxLaunchScript =
    "@echo off\r\n"
    "set DROBOX=on\r\n"
    "if exist {dbx2}\\stop del {dbx2}\\stop\r\n"
    "{tisk}\\Dr.exe 7 {tisk}\\DbCesta.txt\r\n"
    "{tisk}\\caller {tisk}\\ubox $ {dbx2} 1000 500 utisk04.exe\r\n"
    "{tisk}\\caller {dbx1}\\dosbox.exe -noconsole -conf {dbx1}\\dosbox_s.cfg";

const std::string_view DosBoxDemoLaunchScript =
    "@echo off\r\n"
    "set DROBOX=on\r\n"
    "if exist {dbx2}\\stop del {dbx2}\\stop\r\n"
    "{tisk}\\Dr.exe D {tisk}\\DbCesta.txt\r\n"
    "{tisk}\\caller {tisk}\\ubox $ {dbx2} 1000 500 utisk04.exe\r\n"
    "{tisk}\\caller {dbx1}\\dosbox.exe -noconsole -conf {dbx1}\\dosbox_s.cfg";

namespace {

// True for an existing file (not a folder).
bool fileExists(Windows& win, const std::string& path) {
    auto attrs = win.fileAttributes(path);
    return attrs && !(*attrs & kFileAttributeDirectory);
}

bool containsFiles(const std::string& line) {
    std::string upper = line;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return upper.find("FILES") != std::string::npos;
}

} // namespace

void WriteLaunchScript(Windows& win, const std::string& folder, const std::string& name,
                       const std::string& packageFile) {
    std::string_view script = NativeLaunchScript;
    if (name == "S64.bat")
        script = packageFile == "DroDemo.exe" ? DosBoxDemoLaunchScript : DosBoxLaunchScript;
    TextFileWriter out(win, folder + "\\" + name);
    out.writeLine(std::string(script));
    out.close();
}

bool IsPackageRunning(Windows& win, const std::string& folder) {
    return fileExists(win, folder + "\\{rt42}\\Fandwork.$$$");
}

void BackupFandConfig(Windows& win, const std::string& folder) {
    const std::string config = folder + "\\{rt42}\\fand.cfg";
    if (fileExists(win, config))
        CopyFileTo(win, config, folder + "\\{rt42}\\fandcfg.dro");
}

void RestoreFandConfig(Windows& win, const std::string& folder) {
    const std::string backup = folder + "\\{rt42}\\fandcfg.dro";
    if (fileExists(win, backup))
        CopyFileTo(win, backup, folder + "\\{rt42}\\fand.cfg");
}

void EnsureConfigNtFiles(Windows& win) {
    const std::string system = SystemDirectory(win);
    const std::string configNt = system + "\\Config.nt";
    const std::string configDro = system + "\\Config.DRO";
    if (!fileExists(win, configNt))
        return;

    // Config.DRO: the lines as they are now.
    {
        const auto lines = ReadTextLines(win, configNt);
        TextFileWriter out(win, configDro);
        for (const auto& line : lines)
            out.writeLine(line);
        out.close();
    }

    // Config.nt anew, from Config.DRO; a failure leaves the old Config.nt whole.
    const auto lines = ReadTextLines(win, configDro);
    TextFileWriter out(win, configNt);
    for (const auto& line : lines)
        out.writeLine(containsFiles(line) ? std::string("FILES=211") : line);
    out.close();
}

} // namespace support
