// The emulated Windows on this host: the factory, the prefix, and the
// helpers the facilities share.
#include "linux/LinuxWindows.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps a little of its configuration for the life of the
// process; the leak checker of a sanitized build is told so.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
extern "C" const char* __lsan_default_options();
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
#endif

namespace platform {

WinError winErrorFromErrno(int e) {
    switch (e) {
    case 0:
        return kErrorSuccess;
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBADF: // a read or write the file was not opened for
        return kErrorAccessDenied;
    case EEXIST:
        return kErrorAlreadyExists;
    case ENOTEMPTY:
        return kErrorDirNotEmpty;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case EXDEV:
        return 17; // ERROR_NOT_SAME_DEVICE
    case ENOEXEC:
        return kErrorBadExeFormat;
    case EINVAL:
        return kErrorInvalidParameter;
    default:
        return 1117; // ERROR_IO_DEVICE
    }
}

std::string hostParent(const std::string& host) {
    const auto slash = host.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : host.substr(0, slash);
}

std::string hostBaseName(const std::string& host) {
    const auto slash = host.find_last_of('/');
    return slash == std::string::npos ? host : host.substr(slash + 1);
}

// A missing file in an existing folder is "file not found", in a missing
// folder "path not found", as Windows tells them apart.
WinError missingError(const std::string& host) {
    return hostIsDirectory(hostParent(host)) ? kErrorFileNotFound : kErrorPathNotFound;
}

void makeDirectories(const std::string& host) {
    std::string cur;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = host.find('/', pos + 1);
        cur = host.substr(0, pos);
        if (!cur.empty())
            ::mkdir(cur.c_str(), 0755);
    }
}

LinuxWindows::LinuxWindows(const HostOptions& o, const EmulationOptions& emulation)
    : options_(o), mapper_(emulation.prefix.empty() ? defaultWinePrefix() : emulation.prefix) {
    user_ = emulation.user;
    if (user_.empty()) {
        if (const char* u = std::getenv("USER"); u && *u)
            user_ = u;
        else if (const passwd* pw = ::getpwuid(::getuid()))
            user_ = pw->pw_name;
        else
            user_ = "user";
    }
    ensurePrefix();
    clock_ = o.clock ? o.clock : &steadyClock_;
    runtimeDir_ = emulation.runtimeDir;
    if (runtimeDir_.empty()) {
        const char* xdg = std::getenv("XDG_RUNTIME_DIR");
        runtimeDir_ =
            (xdg && *xdg) ? std::string(xdg) + "/dro" : "/tmp/dro-" + std::to_string(::getuid());
    }
    loadRegistry();
    if (!o.currentDirectory.empty()) {
        auto full = makeFullPath(o.currentDirectory, "C:\\");
        cwd_ = full ? *full : "C:\\";
    } else {
        char buf[PATH_MAX];
        cwd_ = ::getcwd(buf, sizeof buf) ? mapper_.toWindows(buf) : "C:\\";
    }
}

LinuxWindows::~LinuxWindows() {
    if (socketFd_ >= 0) {
        ::close(socketFd_);
        ::unlink(socketPath_.c_str());
    }
}

void LinuxWindows::ensurePrefix() {
    const std::string& prefix = mapper_.prefix();
    if (hostExists(prefix))
        return;
    makeDirectories(prefix + "/drive_c/windows/system32");
    makeDirectories(prefix + "/drive_c/users/" + user_ + "/Desktop");
    makeDirectories(prefix + "/dosdevices");
    [[maybe_unused]] int rc = ::symlink("../drive_c", (prefix + "/dosdevices/c:").c_str());
    rc = ::symlink("/", (prefix + "/dosdevices/z:").c_str());
}

UserInterface& LinuxWindows::ui() {
    return *options_.ui;
}

std::string defaultWinePrefix() {
    if (const char* p = std::getenv("WINEPREFIX"); p && *p)
        return p;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.wine";
}

std::unique_ptr<Windows> makeEmulatedWindows(const HostOptions& options,
                                             const EmulationOptions& emulation) {
    // On Windows a write beyond what the disk takes fails and the program
    // reports it; here a write beyond the file-size limit would end the
    // process (SIGXFSZ) and leave half a file. Ignored, it fails with EFBIG.
    ::signal(SIGXFSZ, SIG_IGN);
    return std::make_unique<LinuxWindows>(options, emulation);
}

std::unique_ptr<Windows> makeHostWindows(const HostOptions& options) {
    return makeEmulatedWindows(options, {});
}

// The emulation has no window system of its own: each program brings its
// front end (a terminal window, console message boxes).
std::unique_ptr<UserInterface> makeSystemUserInterface() {
    return nullptr;
}

// Host paths are bytes; UTF-8 names pass unchanged.
std::filesystem::path fsPath(std::string_view nativePath) {
    return std::filesystem::path(nativePath);
}

} // namespace platform
