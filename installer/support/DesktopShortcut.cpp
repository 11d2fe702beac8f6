#include "support/DesktopShortcut.h"

#include <cstdio>

#include "platform/Encoding.h"
#include "support/Errors.h"
#include "support/Utilities.h"

namespace support {
namespace {

bool exists(platform::Windows& win, const std::string& path) {
    return win.fileAttributes(path).ok();
}

bool isFile(platform::Windows& win, const std::string& path) {
    auto attributes = win.fileAttributes(path);
    return attributes && !(*attributes & platform::kFileAttributeDirectory);
}

// "System Error.  Code: 0x80070005.", a line end and the system's text.
std::string osErrorMessage(platform::Windows& win, std::uint32_t code) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(code));
    std::string text = win.formatMessage(code);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.pop_back();
    std::string message = std::string("System Error.  Code: ") + number + ".";
    if (!text.empty())
        message += "\r\n" + text;
    return message;
}

} // namespace

std::string LinkTemplateFile(platform::Windows& win, bool is64) {
    if (IsWindowsVistaOr7(win))
        return is64 ? "DroWin7.s64" : "DroWin7.sss";
    if (WindowsMajorVersion(win) > 6)
        return "DroWin10.sss";
    return "DroWin8.sss";
}

void CreateDesktopShortcut(platform::Windows& win, const std::string& version,
                           const std::string& targetFolder, const std::string& templateFolder,
                           const std::string& scriptName, const std::string& linkName,
                           const std::string& iconName, bool is64) {
    const std::string templateFile = LinkTemplateFile(win, is64);

    // Without a desktop folder the shortcut would land in the root of the
    // current drive; fail as a copy to an unwritable desktop does.
    const std::string desktop = DesktopFolder(win);
    if (desktop.empty())
        throw EFCreateError("Cannot create file " + linkName);
    // The first name that nothing on the desktop has, file or folder: an
    // existing shortcut is never overwritten.
    std::string base = desktop + "\\" + linkName;
    if (base.size() >= 4 && platform::equalsIgnoreCase(base.substr(base.size() - 4), ".lnk"))
        base.resize(base.size() - 4);
    std::string shortcut = base + ".lnk";
    for (unsigned n = 1; exists(win, shortcut); ++n)
        shortcut = base + "_" + std::to_string(n) + ".lnk";

    const std::string templatePath = templateFolder + "\\" + templateFile;
    if (!isFile(win, templatePath)) {
        win.ui().messageBox("Zástupce programu DRO" + version + " nelze vytvořit!\r\n\r\n" +
                                "Nenalezen soubor " + templatePath + ".",
                            "Informace", platform::kMbOk);
        return;
    }
    CopyFileTo(win, templatePath, shortcut);
    // A template that cannot be made into the shortcut leaves no copy of it
    // on the desktop.
    try {
        CreateShellLink(win, shortcut, targetFolder + scriptName, targetFolder, iconName, false);
    } catch (...) {
        // The failure to make the link is what the caller reports; a copy
        // that cannot be deleted as well changes nothing of that.
        static_cast<void>(win.deleteFile(shortcut));
        throw;
    }
    WriteOneLineFile(win, targetFolder + "\\KdeJeZas.ttx", shortcut);
}

void CreateShellLink(platform::Windows& win, const std::string& linkFile, const std::string& target,
                     const std::string& workingFolder, const std::string& iconFile,
                     bool clearIdList) {
    platform::ShellLinkChange change;
    change.clearIdList = clearIdList;
    change.path = target;
    change.workingDirectory = workingFolder;
    change.iconLocation = workingFolder + "\\" + iconFile;
    change.iconIndex = 0;
    const platform::ShellLinkOutcome outcome = win.updateShellLink(linkFile, change);
    if (outcome.result < 0) {
        const auto code = static_cast<std::uint32_t>(outcome.result);
        throw EOSError(code, osErrorMessage(win, code));
    }
}

} // namespace support
