// Temporary stand-in for CreateDesktopShortcut: copies the prepared link to
// the desktop under a free name and records it in KdeJeZas.ttx, without
// pointing the link at the launch script.
#include "support/DesktopShortcut.h"

#include "support/Utilities.h"

namespace support {

void CreateDesktopShortcut(platform::Windows& win, const std::string& version,
                           const std::string& targetFolder, const std::string& templateFolder,
                           const std::string& /*scriptName*/, const std::string& linkName,
                           const std::string& /*iconName*/, bool is64) {
    std::string templateName = "DroWin8.sss";
    if (IsWindowsVistaOr7(win))
        templateName = is64 ? "DroWin7.s64" : "DroWin7.sss";
    else if (WindowsMajorVersion(win) > 6)
        templateName = "DroWin10.sss";
    const std::string base = DesktopFolder(win) + "\\" + linkName.substr(0, linkName.size() - 4);
    std::string link = base + ".lnk";
    for (int n = 1; FileSizeOf(win, link) >= 0; ++n)
        link = base + "_" + std::to_string(n) + ".lnk";
    const std::string templatePath = templateFolder + "\\" + templateName;
    if (FileSizeOf(win, templatePath) < 0) {
        win.ui().messageBox("Zástupce programu DRO" + version + " nelze vytvořit!\r\n\r\n" +
                                "Nenalezen soubor " + templatePath + ".",
                            "Informace", platform::kMbOk);
        return;
    }
    CopyFileTo(win, templatePath, link);
    WriteOneLineFile(win, targetFolder + "\\KdeJeZas.ttx", link);
}

} // namespace support
