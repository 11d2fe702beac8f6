// Launch scripts and the runtime configuration of an installation.
//
// An installation keeps its parts in sub-folders whose names are written
// with braces: {rt42} (FAND runtime, fand.cfg, the work marker fandwork.$$$),
// {tisk} (print tools), {dbx1} (DOSBox), {dbx2} (DOSBox exchange folder).
// These are literal folder names.
#pragma once

#include <string>
#include <string_view>

#include "platform/Windows.h"

namespace support {

// The script that starts the package under the FAND runtime (32-bit Windows).
extern const std::string_view NativeLaunchScript;
// The script that starts the package inside DOSBox (64-bit Windows).
extern const std::string_view DosBoxLaunchScript;
// The same for the demo package.
extern const std::string_view DosBoxDemoLaunchScript;

// Writes folder\name: the DOSBox script for "S64.bat" (the demo variant when
// the installer's package file is "DroDemo.exe"), the native one otherwise.
void WriteLaunchScript(platform::Windows& win, const std::string& folder, const std::string& name,
                       const std::string& packageFile);
// True when the package's work marker exists in the installation.
bool IsPackageRunning(platform::Windows& win, const std::string& folder);
// Copies {rt42}\fand.cfg to {rt42}\fandcfg.dro when it exists.
void BackupFandConfig(platform::Windows& win, const std::string& folder);
// Copies {rt42}\fandcfg.dro back over {rt42}\fand.cfg when it exists.
void RestoreFandConfig(platform::Windows& win, const std::string& folder);
// Sets the FILES lines of the system folder's Config.nt to FILES=211,
// keeping the previous state in Config.DRO.
void EnsureConfigNtFiles(platform::Windows& win);

} // namespace support
