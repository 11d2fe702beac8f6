// The emulated system: tick counter, free space, system and desktop
// folders, the Windows version from the prefix's registry, the processor
// architecture, system error texts.
#include "linux/LinuxWindows.h"
#include "platform/Encoding.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

namespace {

const char* const kVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";

} // namespace

std::uint32_t LinuxWindows::tickCount() {
    return clock_->ticks();
}

Result<DiskSpace> LinuxWindows::diskFreeSpace(const std::string& path) {
    using R = Result<DiskSpace>;
    std::string p = path;
    if (p.size() == 2 && p[1] == ':')
        p += '\\';
    auto host = hostOf(p);
    if (!host)
        return R::failure(host.error());
    if (!hostIsDirectory(*host))
        return R::failure(hostExists(*host) ? kErrorDirectory : kErrorPathNotFound);
    if (options_.diskSpace)
        if (auto s = options_.diskSpace(*host))
            return *s;
    struct statvfs vfs;
    if (::statvfs(host->c_str(), &vfs) != 0)
        return R::failure(winErrorFromErrno(errno));
    DiskSpace s;
    s.freeToCaller = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    s.total = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    s.totalFree = static_cast<std::uint64_t>(vfs.f_bfree) * vfs.f_frsize;
    return s;
}

Result<std::string> LinuxWindows::systemDirectory() {
    return std::string("C:\\windows\\system32");
}

Result<std::string> LinuxWindows::desktopDirectory() {
    const std::string desktop = "C:\\users\\" + user_ + "\\Desktop";
    auto host = mapper_.toHost(desktop);
    if (!host || !hostIsDirectory(*host))
        return Result<std::string>::failure(kErrorFileNotFound);
    return desktop;
}

VersionInfo LinuxWindows::reportedVersion() {
    return reported_;
}

std::optional<std::uint32_t> LinuxWindows::registryDword(RegistryHive hive, const std::string& key,
                                                         const std::string& value) {
    const auto* v = hiveOf(hive).find(key, value);
    if (!v || v->type != WineRegistry::Value::Dword)
        return std::nullopt;
    return v->dword;
}

std::optional<std::string> LinuxWindows::registryString(RegistryHive hive, const std::string& key,
                                                        const std::string& value) {
    const auto* v = hiveOf(hive).find(key, value);
    if (!v || v->type != WineRegistry::Value::String)
        return std::nullopt;
    return v->text;
}

std::uint16_t LinuxWindows::nativeProcessorArchitecture() {
    auto host = mapper_.toHost("C:\\windows\\syswow64");
    return host && hostIsDirectory(*host) ? kProcessorArchitectureAmd64
                                          : kProcessorArchitectureIntel;
}

const WineRegistry& LinuxWindows::hiveOf(RegistryHive hive) const {
    return hive == RegistryHive::LocalMachine ? machine_ : user_reg_;
}

void LinuxWindows::loadRegistry() {
    machine_.load(hostJoin(mapper_.prefix(), "system.reg"));
    user_reg_.load(hostJoin(mapper_.prefix(), "user.reg"));
    const bool hasMajor = machine_.find(kVersionKey, "CurrentMajorVersionNumber");
    const bool hasVersion = machine_.find(kVersionKey, "CurrentVersion");
    if (!hasMajor && !hasVersion) {
        // No version in the registry: Windows 10, as Wine sets it up.
        machine_.set(kVersionKey, "CurrentMajorVersionNumber",
                     {WineRegistry::Value::Dword, "", 10});
        machine_.set(kVersionKey, "CurrentMinorVersionNumber", {WineRegistry::Value::Dword, "", 0});
        machine_.set(kVersionKey, "CurrentVersion", {WineRegistry::Value::String, "6.3", 0});
        machine_.set(kVersionKey, "CurrentBuildNumber", {WineRegistry::Value::String, "19045", 0});
    }
    std::uint32_t major = 0, minor = 0;
    const auto* ver = machine_.find(kVersionKey, "CurrentVersion");
    if (ver && ver->type == WineRegistry::Value::String) {
        const auto dot = ver->text.find('.');
        major = static_cast<std::uint32_t>(std::atoi(ver->text.substr(0, dot).c_str()));
        minor = dot == std::string::npos
                    ? 0
                    : static_cast<std::uint32_t>(std::atoi(ver->text.substr(dot + 1).c_str()));
    }
    if (const auto* v = machine_.find(kVersionKey, "CurrentMajorVersionNumber");
        v && v->type == WineRegistry::Value::Dword)
        major = v->dword;
    if (const auto* v = machine_.find(kVersionKey, "CurrentMinorVersionNumber");
        v && v->type == WineRegistry::Value::Dword)
        minor = v->dword;
    std::uint32_t build = 0;
    if (const auto* v = machine_.find(kVersionKey, "CurrentBuildNumber");
        v && v->type == WineRegistry::Value::String)
        build = static_cast<std::uint32_t>(std::atoi(v->text.c_str()));
    // A program without a compatibility manifest is told 6.2 at most.
    if (major > 6 || (major == 6 && minor > 2))
        reported_ = {6, 2, 9200};
    else
        reported_ = {major, minor, build};
}

std::string LinuxWindows::formatMessage(std::uint32_t code) {
    return systemErrorText(code);
}

// The emulated machine is a Czech Windows.
std::string LinuxWindows::toAnsiCodePage(const std::string& utf8) { return utf8ToCp1250(utf8); }

// The English texts of Windows for the codes the programs can meet.
std::string systemErrorText(std::uint32_t code) {
    // HRESULTs of Win32 errors carry the error in their low word.
    if ((code & 0xFFFF0000u) == 0x80070000u)
        code &= 0xFFFFu;
    switch (code) {
    case 0:
        return "The operation completed successfully.";
    case kErrorFileNotFound:
        return "The system cannot find the file specified.";
    case kErrorPathNotFound:
        return "The system cannot find the path specified.";
    case kErrorTooManyOpenFiles:
        return "The system cannot open the file.";
    case kErrorAccessDenied:
        return "Access is denied.";
    case kErrorInvalidHandle:
        return "The handle is invalid.";
    case kErrorNotEnoughMemory:
        return "Not enough memory resources are available to process this command.";
    case kErrorInvalidDrive:
        return "The system cannot find the drive specified.";
    case 17:
        return "The system cannot move the file to a different disk drive.";
    case kErrorNoMoreFiles:
        return "There are no more files.";
    case kErrorWriteFault:
        return "The system cannot write to the specified device.";
    case kErrorReadFault:
        return "The system cannot read from the specified device.";
    case kErrorSharingViolation:
        return "The process cannot access the file because it is being used by another process.";
    case kErrorLockViolation:
        return "The process cannot access the file because another process has locked a portion "
               "of the file.";
    case kErrorHandleEof:
        return "Reached the end of the file.";
    case kErrorHandleDiskFull:
    case kErrorDiskFull:
        return "There is not enough space on the disk.";
    case kErrorNotSupported:
        return "The request is not supported.";
    case kErrorBadNetPath:
        return "The network path was not found.";
    case kErrorFileExists:
        return "The file exists.";
    case kErrorInvalidParameter:
        return "The parameter is incorrect.";
    case kErrorInvalidName:
        return "The filename, directory name, or volume label syntax is incorrect.";
    case kErrorDirNotEmpty:
        return "The directory is not empty.";
    case kErrorAlreadyExists:
        return "Cannot create a file when that file already exists.";
    case kErrorBadExeFormat:
        return "%1 is not a valid Win32 application.";
    case kErrorFilenameExcedRange:
        return "The filename or extension is too long.";
    case kErrorDirectory:
        return "The directory name is invalid.";
    case 1392: // ERROR_FILE_CORRUPT
        return "The file or directory is corrupted and unreadable.";
    case 1117:
        return "The request could not be performed because of an I/O device error.";
    case 0x80004001u:
        return "Not implemented";
    case 0x80004005u:
        return "Unspecified error";
    case 0x80030002u:
        return "%1 could not be found.";
    case 0x80030005u:
        return "Access Denied.";
    case 0x80030008u:
        return "There is insufficient memory available to complete operation.";
    case 0x80030070u:
        return "There is insufficient disk space to complete operation.";
    case 0x80030103u:
        return "Can't write to the storage object.";
    case 0x8003001Du:
        return "A disk error occurred during a write operation.";
    case 0x8003001Eu:
        return "A disk error occurred during a read operation.";
    case 0x800300FCu:
        return "The name %1 is not valid.";
    case 0x80030104u:
        return "The compound file %1 was produced with an incompatible version of storage.";
    case 0x800300FBu:
        return "The file %1 is not a valid compound file.";
    default:
        return {};
    }
}

} // namespace platform
