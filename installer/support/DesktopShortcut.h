// Temporary stand-in for CreateDesktopShortcut until the real one lands.
#pragma once

#include <string>

#include "platform/Windows.h"

namespace support {

void CreateDesktopShortcut(platform::Windows& win, const std::string& version,
                           const std::string& targetFolder, const std::string& templateFolder,
                           const std::string& scriptName, const std::string& linkName,
                           const std::string& iconName, bool is64);

} // namespace support
