// The Win32 implementation of the Windows layer: every operation on the
// real Windows function, in its wide-character form, with UTF-16 converted
// from and to the UTF-8 strings of the programs. One class; its operations
// are defined by facility, one file each (Files, Processes, System,
// Messages, Fonts, ShellLink), as the emulation's are.
#pragma once

// windows.h comes in through the support header, with NOMINMAX and
// WIN32_LEAN_AND_MEAN.
#include "platform/win32/Support.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Host.h"
#include "platform/Windows.h"

namespace platform::win32 {

// The system's message boxes, dialogs and folder picker (UserInterface.cpp).
std::unique_ptr<UserInterface> makeWin32UserInterface();

class Win32Windows : public Windows {
public:
    explicit Win32Windows(const HostOptions& options);
    ~Win32Windows() override;

    // Files (Files.cpp)
    Result<std::unique_ptr<File>> createFile(const std::string& path, Access access,
                                             std::uint32_t share, Disposition disposition) override;
    Result<std::uint32_t> fileAttributes(const std::string& path) override;
    Result<std::vector<FindData>> findFiles(const std::string& pattern) override;
    Result<std::string> fullPathName(const std::string& path) override;
    [[nodiscard]] WinError deleteFile(const std::string& path) override;
    [[nodiscard]] WinError createDirectory(const std::string& path) override;
    [[nodiscard]] WinError removeDirectory(const std::string& path) override;
    [[nodiscard]] WinError moveFile(const std::string& from, const std::string& to,
                                    bool replace) override;
    std::string currentDirectory() override;
    [[nodiscard]] WinError setCurrentDirectory(const std::string& path) override;
    FileTime toLocalFileTime(FileTime utc) override;
    Result<std::unique_ptr<ReplacementFile>> createReplacement(const std::string& path) override;
    Result<std::string> nativePath(const std::string& path) override;

    // Processes (Processes.cpp)
    Result<std::unique_ptr<Process>> createProcess(const std::string& commandLine,
                                                   const std::string& currentDirectory,
                                                   int showMode) override;
    std::intptr_t shellExecute(const std::string& verb, const std::string& file,
                               const std::string& parameters, const std::string& directory,
                               int showMode) override;
    std::intptr_t findExecutable(const std::string& file, const std::string& directory,
                                 std::string& program) override;
    std::string modulePath() override;

    // System and registry (System.cpp)
    std::uint32_t tickCount() override;
    Result<DiskSpace> diskFreeSpace(const std::string& path) override;
    Result<std::string> systemDirectory() override;
    Result<std::string> desktopDirectory() override;
    VersionInfo reportedVersion() override;
    std::optional<std::uint32_t> registryDword(RegistryHive hive, const std::string& key,
                                               const std::string& value) override;
    std::optional<std::string> registryString(RegistryHive hive, const std::string& key,
                                              const std::string& value) override;
    std::uint16_t nativeProcessorArchitecture() override;
    std::string formatMessage(std::uint32_t code) override;
    std::string toAnsiCodePage(const std::string& utf8) override;

    // Single instance and registered messages (Messages.cpp)
    std::unique_ptr<NamedMutex> createMutex(const std::string& name) override;
    std::uint32_t registerWindowMessage(const std::string& name) override;
    void broadcastMessage(std::uint32_t message) override;
    std::vector<std::uint32_t> takeReceivedMessages() override;

    // Fonts (Fonts.cpp)
    std::vector<std::string> installedFontNames() override;

    // Shell link (ShellLink.cpp)
    ShellLinkOutcome updateShellLink(const std::string& linkFile,
                                     const ShellLinkChange& change) override;

    UserInterface& ui() override { return *options_.ui; }

private:
    HostOptions options_;
    // Host.cpp: COM was initialised here and is uninitialised on destruction.
    // The shell's link object and folder picker want a single-threaded
    // apartment; a thread already in another apartment keeps it.
    ComApartment com_;
    // Messages.cpp: the hidden top-level window that receives broadcasts.
    HWND messageWindow_ = nullptr;
    std::vector<std::uint32_t> registered_;
    std::vector<std::uint32_t> received_;
    friend LRESULT CALLBACK messageWindowProc(HWND, UINT, WPARAM, LPARAM);
};

} // namespace platform::win32
