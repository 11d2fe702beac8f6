// The emulated Windows: kernel32, shell32 and user32 facilities on Linux,
// inside a Wine-style prefix (see platform/linux/Emulation.h). One class; its
// operations are defined by facility, one file each (Files, Processes,
// System, Messages, Fonts, ShellLink), as the Win32 implementation's are.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "linux/PathMapper.h"
#include "linux/WineRegistry.h"
#include "platform/Host.h"
#include "platform/Windows.h"
#include "platform/linux/Emulation.h"

namespace platform {

// The Windows error of a host errno value.
WinError winErrorFromErrno(int e);
std::string hostParent(const std::string& host);
std::string hostBaseName(const std::string& host);
// A missing file in an existing folder is "file not found", in a missing
// folder "path not found", as Windows tells them apart.
WinError missingError(const std::string& host);
// mkdir -p.
void makeDirectories(const std::string& host);

class SteadyClock : public TickClock {
public:
    std::uint32_t ticks() override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
    }
};

class LinuxWindows : public Windows {
public:
    LinuxWindows(const HostOptions& options, const EmulationOptions& emulation);
    ~LinuxWindows() override;

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

    UserInterface& ui() override;

private:
    // Files
    Result<std::string> hostOf(const std::string& path);
    // Processes
    static bool isUrl(const std::string& s);
    std::intptr_t openWithDesktop(const std::string& what);
    bool resolveDocument(const std::string& file, const std::string& directory, std::string& full,
                         std::string& host);
    static bool isProgram(const std::string& host);
    static std::string desktopEntryProgram(const std::string& desktopId);
    Result<std::string> locateProgram(const std::string& program);
    Result<pid_t> startHostProgram(const std::string& host, const std::vector<std::string>& args,
                                   const std::string& folder);
    // System
    const WineRegistry& hiveOf(RegistryHive hive) const;
    void loadRegistry();
    // Messages
    void openMessageSocket();
    // Host
    void ensurePrefix();

    HostOptions options_;
    PathMapper mapper_;
    std::string user_;
    SteadyClock steadyClock_;
    TickClock* clock_ = nullptr;
    std::string runtimeDir_;
    std::string cwd_;
    WineRegistry machine_;
    WineRegistry user_reg_;
    VersionInfo reported_;
    int socketFd_ = -1;
    std::string socketPath_;
    std::vector<std::unique_ptr<Process>> started_;
};

} // namespace platform
