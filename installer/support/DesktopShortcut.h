// The desktop shortcut of an installation: the package's prepared link for
// this Windows, copied to the desktop under a free name and pointed at the
// installation's launch script.
#pragma once

#include <string>

#include "platform/Windows.h"

namespace support {

// The prepared link for this Windows and the 64-bit option: "DroWin7.s64",
// "DroWin7.sss", "DroWin8.sss" or "DroWin10.sss".
std::string LinkTemplateFile(platform::Windows& win, bool is64);

// Copies the template from templateFolder to the desktop as linkName (or
// the first free base_n.lnk), points it at targetFolder + scriptName with
// the installation's icon, and records the shortcut's path in
// targetFolder\KdeJeZas.ttx. A missing template is reported in a message
// box and nothing is created. Errors of the copy, the link and the record
// pass to the caller.
void CreateDesktopShortcut(platform::Windows& win, const std::string& version,
                           const std::string& targetFolder, const std::string& templateFolder,
                           const std::string& scriptName, const std::string& linkName,
                           const std::string& iconName, bool is64);

// Points the existing link file at target, with workingFolder as working
// folder and workingFolder\iconFile (index 0) as icon; with clearIdList the
// link's item-ID list is dropped first. A failing step raises EOSError with
// its result code and the system's text.
void CreateShellLink(platform::Windows& win, const std::string& linkFile, const std::string& target,
                     const std::string& workingFolder, const std::string& iconFile,
                     bool clearIdList);

} // namespace support
