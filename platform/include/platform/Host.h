// The platform of the machine the program runs on: one factory for the
// host's implementation of the Windows layer, and the options a test or a
// program chooses for it. On Windows the layer calls the real system; on
// other hosts it emulates Windows inside a folder laid out as a Wine prefix,
// whose own options are in platform/linux/Emulation.h.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Windows.h"

namespace platform {

struct HostOptions {
    // The user interface; required.
    UserInterface* ui = nullptr;
    // The tick counter; null: the system's millisecond counter.
    TickClock* clock = nullptr;
    // Free space of the folder that backs a drive (a host path on the
    // emulation, the folder itself on Windows); empty: the system's answer.
    std::function<std::optional<DiskSpace>(const std::string& nativePath)> diskSpace;
    // The running program as a native path; empty: the system's answer.
    std::string modulePath;
    // When set, this Windows path is the current folder at start.
    std::string currentDirectory;
    // The installed font names; empty: the system's fonts.
    std::function<std::vector<std::string>()> fontNames;
};

// The Windows layer of this host.
std::unique_ptr<Windows> makeHostWindows(const HostOptions& options);

// The system's own message boxes, message dialog and folder picker, where
// the host has a window system of Windows; null elsewhere (a program then
// brings its own front end).
std::unique_ptr<UserInterface> makeSystemUserInterface();

// The system's text for an error code or an HRESULT (FormatMessage), empty
// when the system has none; what Windows::formatMessage answers.
std::string systemErrorText(std::uint32_t code);

// A native path (UTF-8, as Windows::nativePath gives it) as the C++ library
// opens it: on Windows a wide path, so that a name outside the ANSI code
// page survives.
std::filesystem::path fsPath(std::string_view nativePath);

// A whole file written so that readers find either the old file or the new
// one, never a part: an exclusive temporary file beside the target takes the
// bytes, is flushed and then moved over the target in one step. The same
// primitive serves Windows::createReplacement.
Result<std::unique_ptr<ReplacementFile>> createNativeReplacement(const std::string& nativePath);

// A file for data that need not stay in memory: in the system's temporary
// folder, open to this process alone, and gone once closed or once the
// process ends, however it ends. Used by one thread at a time.
class ScratchFile {
public:
    virtual ~ScratchFile() = default;
    // Adds the bytes at the end; returns the offset they start at.
    virtual Result<std::uint64_t> append(const void* data, std::size_t size) = 0;
    // Reads exactly size bytes that were written from offset on.
    [[nodiscard]] virtual WinError readAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
};

Result<std::unique_ptr<ScratchFile>> createScratchFile();

} // namespace platform
