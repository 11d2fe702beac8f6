// The Linux implementation of the Windows platform layer: an emulated
// Windows inside a folder laid out as a Wine prefix.
//
//   prefix/dosdevices/x:   drive X: (Wine keeps symbolic links here)
//   prefix/drive_c          drive C: when dosdevices/c: is missing
//   prefix/system.reg       the machine's registry, in Wine's text format
//   prefix/drive_c/windows/syswow64   present on 64-bit (x64) Windows
//
// Everything a test needs to set up a whole machine can be chosen here.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Windows.h"

namespace platform {

struct LinuxWindowsOptions {
    // The prefix folder; empty: $WINEPREFIX, else ~/.wine. Created with the
    // least Wine lays out when it is missing.
    std::string prefix;
    // The Windows user name; empty: $USER, else the name of the account.
    std::string user;
    // The user interface; required.
    UserInterface* ui = nullptr;
    // The tick counter; null: a monotonic millisecond clock.
    TickClock* clock = nullptr;
    // Free space of the host folder that backs a drive; empty: statvfs.
    std::function<std::optional<DiskSpace>(const std::string& hostPath)> diskSpace;
    // The running program as a host path; empty: /proc/self/exe.
    std::string modulePath;
    // The folder where named mutexes and broadcast messages live; empty:
    // $XDG_RUNTIME_DIR, else /tmp/dro-<uid>.
    std::string runtimeDir;
    // The host's current folder is the Windows current folder at start;
    // when set, this Windows path is taken instead.
    std::string currentDirectory;
    // The installed font names; empty: fontconfig's families and the fonts
    // in the prefix's C:\windows\Fonts.
    std::function<std::vector<std::string>()> fontNames;
    // Fault injection for tests: a non-zero result makes that read or write
    // of the host file fail with this Windows error.
    std::function<WinError(const std::string& hostPath, std::uint64_t offset, std::size_t size)>
        readFault;
    std::function<WinError(const std::string& hostPath, std::uint64_t offset, std::size_t size)>
        writeFault;
};

std::unique_ptr<Windows> makeLinuxWindows(const LinuxWindowsOptions& options);

// The default prefix: $WINEPREFIX, else ~/.wine.
std::string defaultWinePrefix();

} // namespace platform
