// The Windows platform layer: one interface for every Windows facility the
// programs use. Paths are Windows paths (drive letter, backslashes), strings
// are UTF-8. The Linux implementation emulates the facilities inside a
// Wine-style prefix; the Win32 implementation calls the real ones.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "platform/UserInterface.h"
#include "platform/WinTypes.h"

namespace platform {

// 100-nanosecond intervals since 1 January 1601 (FILETIME).
using FileTime = std::uint64_t;

enum class Access { Read, Write, ReadWrite };

// Sharing allowed to others while the file is open (FILE_SHARE_*).
enum ShareMode : std::uint32_t {
    kShareNone = 0,
    kShareRead = 1,
    kShareWrite = 2,
    kShareDelete = 4,
};

enum class Disposition {
    CreateNew = 1,        // fails when the file exists
    CreateAlways = 2,     // replaces an existing file
    OpenExisting = 3,     // fails when the file is missing
    OpenAlways = 4,       // opens, or creates when missing
    TruncateExisting = 5, // opens an existing file and empties it
};

// An open file (a kernel handle). Destroying it closes it.
class File {
public:
    virtual ~File() = default;
    // ReadFile: the number of bytes read, 0 at the end of the file.
    virtual Result<std::size_t> read(void* buffer, std::size_t size) = 0;
    // WriteFile: the number of bytes written; a short count means the disk is full.
    virtual Result<std::size_t> write(const void* buffer, std::size_t size) = 0;
    // FlushFileBuffers + CloseHandle. Reports a failure of the final write-out.
    [[nodiscard]] virtual WinError close() = 0;
};

// A file that takes the place of its target only when committed: an
// exclusive temporary file beside the target (so on the same volume),
// written, flushed, then moved over the target in one step (rename; on
// Windows MoveFileEx with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
// Destroyed or closed without commit, the temporary file is deleted and the
// target stays as it was.
class ReplacementFile : public File {
public:
    // Flushes and closes the file, then moves it over the target. On
    // failure the temporary file is gone and the target untouched.
    [[nodiscard]] virtual WinError commit() = 0;
};

// One entry of a directory search (WIN32_FIND_DATA).
struct FindData {
    std::string name; // long file name, without folder
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    FileTime lastWriteTime = 0; // UTC
};

// A started program (process handle).
class Process {
public:
    virtual ~Process() = default;
    // WaitForSingleObject(INFINITE), then the exit code.
    virtual std::uint32_t wait() = 0;
};

// Disk space in bytes (GetDiskFreeSpaceEx).
struct DiskSpace {
    std::uint64_t freeToCaller = 0;
    std::uint64_t total = 0;
    std::uint64_t totalFree = 0;
};

struct VersionInfo {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};

enum class RegistryHive { LocalMachine, CurrentUser };

// A named mutex (CreateMutex). Destroying it releases the name.
class NamedMutex {
public:
    virtual ~NamedMutex() = default;
    // True when the name was already held (ERROR_ALREADY_EXISTS).
    virtual bool alreadyExisted() const = 0;
};

// The changes a program makes to an existing shell link through the shell's
// link object (IShellLinkW / IPersistFile).
struct ShellLinkChange {
    bool clearIdList = false;     // SetIDList(nullptr) before the path
    std::string path;             // SetPath
    std::string workingDirectory; // SetWorkingDirectory
    std::string iconLocation;     // SetIconLocation
    int iconIndex = 0;
};

struct ShellLinkOutcome {
    HResult result = kSOk; // of the first failing step, or S_OK
    std::string step;      // the name of the failing interface method
};

// The millisecond tick counter (GetTickCount); injectable for tests.
class TickClock {
public:
    virtual ~TickClock() = default;
    virtual std::uint32_t ticks() = 0;
};

class Windows {
public:
    virtual ~Windows() = default;

    // --- Files (kernel32) ---
    virtual Result<std::unique_ptr<File>> createFile(const std::string& path, Access access,
                                                     std::uint32_t share,
                                                     Disposition disposition) = 0;
    // Holds the file against change: CreateFile with GENERIC_READ, sharing
    // reading only (FILE_SHARE_READ), on an existing file. While the hold
    // lasts others may read the file and start it as a program, but opening
    // it for writing, deleting, renaming it or moving another file over it
    // fails. A file that another handle has open for writing or deleting
    // cannot be held (ERROR_SHARING_VIOLATION). Reading the File reads the
    // held file; closing or destroying it ends the hold. Each implementation
    // enforces the sharing in its createFile.
    Result<std::unique_ptr<File>> holdFile(const std::string& path) {
        return createFile(path, Access::Read, kShareRead, Disposition::OpenExisting);
    }
    // GetFileAttributes.
    virtual Result<std::uint32_t> fileAttributes(const std::string& path) = 0;
    // FindFirstFile / FindNextFile / FindClose over one pattern; "*" and "?"
    // may stand in the last name. No match gives ERROR_FILE_NOT_FOUND.
    virtual Result<std::vector<FindData>> findFiles(const std::string& pattern) = 0;
    // GetFullPathName against the current folder.
    virtual Result<std::string> fullPathName(const std::string& path) = 0;
    [[nodiscard]] virtual WinError deleteFile(const std::string& path) = 0;
    [[nodiscard]] virtual WinError createDirectory(const std::string& path) = 0;
    [[nodiscard]] virtual WinError removeDirectory(const std::string& path) = 0;
    // MoveFileEx; with replace, an existing destination is replaced atomically.
    [[nodiscard]] virtual WinError moveFile(const std::string& from, const std::string& to,
                                            bool replace) = 0;
    virtual std::string currentDirectory() = 0;
    [[nodiscard]] virtual WinError setCurrentDirectory(const std::string& path) = 0;
    // FileTimeToLocalFileTime.
    virtual FileTime toLocalFileTime(FileTime utc) = 0;
    // A new whole file for path (see ReplacementFile): every writer of a
    // whole file goes through it, so that a failed write never destroys the
    // file that was there.
    virtual Result<std::unique_ptr<ReplacementFile>> createReplacement(const std::string& path) = 0;
    // The path under which libraries of this machine open the file, in
    // UTF-8: the host path on the emulation, the full path on Windows. C++
    // streams and std::filesystem take it through fsPath (Host.h).
    virtual Result<std::string> nativePath(const std::string& path) = 0;

    // --- Processes ---
    // CreateProcess with no application name: the program is the first word
    // of commandLine (or a word in double quotes). The handles are not
    // inherited; flags are kCreateNewConsole | kNormalPriorityClass.
    virtual Result<std::unique_ptr<Process>> createProcess(const std::string& commandLine,
                                                           const std::string& currentDirectory,
                                                           int showMode) = 0;
    // ShellExecute; above 32 is success.
    virtual std::intptr_t shellExecute(const std::string& verb, const std::string& file,
                                       const std::string& parameters, const std::string& directory,
                                       int showMode) = 0;
    // FindExecutable: the code (above 32 is success) and the program's path.
    virtual std::intptr_t findExecutable(const std::string& file, const std::string& directory,
                                         std::string& program) = 0;
    // The path of the running program (GetModuleFileName of the executable).
    virtual std::string modulePath() = 0;

    // --- System ---
    virtual std::uint32_t tickCount() = 0;
    virtual Result<DiskSpace> diskFreeSpace(const std::string& path) = 0;
    virtual Result<std::string> systemDirectory() = 0;
    // SHGetSpecialFolderLocation(CSIDL_DESKTOP) + SHGetPathFromIDList.
    virtual Result<std::string> desktopDirectory() = 0;
    // GetVersionEx: what Windows reports to a program without a
    // compatibility manifest.
    virtual VersionInfo reportedVersion() = 0;
    virtual std::optional<std::uint32_t> registryDword(RegistryHive hive, const std::string& key,
                                                       const std::string& value) = 0;
    virtual std::optional<std::string> registryString(RegistryHive hive, const std::string& key,
                                                      const std::string& value) = 0;
    // GetNativeSystemInfo: wProcessorArchitecture.
    virtual std::uint16_t nativeProcessorArchitecture() = 0;
    // FormatMessage(FROM_SYSTEM) for a system error code or an HRESULT.
    virtual std::string formatMessage(std::uint32_t code) = 0;
    // The text in the system's ANSI code page (WideCharToMultiByte(CP_ACP)),
    // for the files that Windows programs write in it; a character the code
    // page lacks becomes '?'. Code page 1250 on the Czech systems served.
    virtual std::string toAnsiCodePage(const std::string& utf8) = 0;

    // --- Single instance (user32) ---
    virtual std::unique_ptr<NamedMutex> createMutex(const std::string& name) = 0;
    virtual std::uint32_t registerWindowMessage(const std::string& name) = 0;
    // SendMessage(HWND_BROADCAST, message, 0, 0).
    virtual void broadcastMessage(std::uint32_t message) = 0;
    // The registered messages that reached this program since the last call.
    virtual std::vector<std::uint32_t> takeReceivedMessages() = 0;

    // --- Fonts ---
    // The family names of the installed screen fonts.
    virtual std::vector<std::string> installedFontNames() = 0;

    // --- Shell link ---
    // Loads the existing link file, applies the change, saves it over itself.
    virtual ShellLinkOutcome updateShellLink(const std::string& linkFile,
                                             const ShellLinkChange& change) = 0;

    // --- User interface ---
    virtual UserInterface& ui() = 0;
};

} // namespace platform
