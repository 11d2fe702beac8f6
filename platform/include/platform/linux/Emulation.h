// The emulated Windows of the Linux host: Windows inside a folder laid out
// as a Wine prefix,
//
//   prefix/dosdevices/x:   drive X: (Wine keeps symbolic links here)
//   prefix/drive_c          drive C: when dosdevices/c: is missing
//   prefix/system.reg       the machine's registry, in Wine's text format
//   prefix/drive_c/windows/syswow64   present on 64-bit (x64) Windows
//
// and what a test or a tool chooses of it beyond HostOptions. Only for the
// Linux build; makeHostWindows there is the emulation with its defaults.
#pragma once

#include <memory>
#include <string>

#include "platform/Host.h"

namespace platform {

struct EmulationOptions {
    // The prefix folder; empty: defaultWinePrefix(). Created with the least
    // Wine lays out when it is missing.
    std::string prefix;
    // The Windows user name; empty: $USER, else the name of the account.
    std::string user;
    // The folder where named mutexes and broadcast messages live; empty:
    // $XDG_RUNTIME_DIR, else /tmp/dro-<uid>.
    std::string runtimeDir;
};

std::unique_ptr<Windows> makeEmulatedWindows(const HostOptions& options,
                                             const EmulationOptions& emulation);

// The prefix of the emulation: $WINEPREFIX, else ~/.wine.
std::string defaultWinePrefix();

} // namespace platform
