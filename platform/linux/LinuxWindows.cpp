// The emulated Windows: kernel32, shell32 and user32 facilities on Linux,
// inside a Wine-style prefix.
#include "platform/LinuxWindows.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <fontconfig/fontconfig.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "linux/PathMapper.h"
#include "linux/ShellLinkFile.h"
#include "linux/WineRegistry.h"
#include "platform/Encoding.h"

extern char** environ;

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps a little of its configuration for the life of the
// process; the leak checker of a sanitized build is told so.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options();
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace platform {
namespace {

const char* const kVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";

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

FileTime toFileTime(const struct timespec& ts) {
    constexpr std::uint64_t kEpochDiff = 116444736000000000ULL; // 1601 to 1970
    return kEpochDiff + static_cast<std::uint64_t>(ts.tv_sec) * 10000000ULL +
           static_cast<std::uint64_t>(ts.tv_nsec) / 100;
}

std::uint32_t attributesOf(const std::string& name, const struct stat& st) {
    std::uint32_t a = 0;
    if (S_ISDIR(st.st_mode))
        a |= kFileAttributeDirectory;
    else
        a |= kFileAttributeArchive;
    if (!(st.st_mode & S_IWUSR))
        a |= kFileAttributeReadOnly;
    // Wine shows the host's dot files as hidden.
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        a |= kFileAttributeHidden;
    return a;
}

std::string findInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path)
        return {};
    std::string p(path);
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find(':', start);
        if (end == std::string::npos)
            end = p.size();
        const std::string dir = p.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = hostJoin(dir, name);
            if (::access(candidate.c_str(), X_OK) == 0 && !hostIsDirectory(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

// The arguments of a command line, by the rules of CommandLineToArgvW.
std::vector<std::string> splitArguments(const std::string& s) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (true) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        if (i >= s.size())
            break;
        std::string arg;
        bool quoted = false;
        while (i < s.size()) {
            char c = s[i];
            if (!quoted && (c == ' ' || c == '\t'))
                break;
            if (c == '\\') {
                std::size_t n = 0;
                while (i < s.size() && s[i] == '\\') {
                    ++n;
                    ++i;
                }
                if (i < s.size() && s[i] == '"') {
                    arg.append(n / 2, '\\');
                    if (n % 2) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(n, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < s.size() && s[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += c;
            ++i;
        }
        args.push_back(arg);
    }
    return args;
}

std::vector<std::string> environmentWith(const std::string& name, const std::string& value) {
    std::vector<std::string> env;
    const std::string prefix = name + "=";
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0)
            env.emplace_back(*e);
    env.push_back(prefix + value);
    return env;
}

// Starts argv[0] (a host path, or a name looked up in PATH when usePath) in
// folder, never through a shell. Standard input comes from /dev/null and
// standard output goes to our standard error, as the program gets a console
// of its own on Windows.
Result<pid_t> spawn(const std::vector<std::string>& argv, const std::string& folder,
                    const std::vector<std::string>* env) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    if (env) {
        for (const auto& e : *env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
    }
    pid_t pid = 0;
    const int rc =
        ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return Result<pid_t>::failure(winErrorFromErrno(rc));
    return pid;
}

// Runs a host program and returns its standard output (for xdg-mime).
std::optional<std::string> runAndCapture(const std::vector<std::string>& argv) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            out.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
        out.pop_back();
    return out;
}

// Sharing between the files this program holds open, as Windows enforces it.
class ShareTable {
public:
    struct Entry {
        bool read, write;
        std::uint32_t share;
    };
    using Key = std::pair<dev_t, ino_t>;

    bool admit(Key key, const Entry& e, std::uint64_t& token) {
        std::lock_guard<std::mutex> lock(m_);
        for (const auto& [t, other] : open_[key]) {
            (void)t;
            if ((e.read && !(other.share & kShareRead)) ||
                (e.write && !(other.share & kShareWrite)) ||
                (other.read && !(e.share & kShareRead)) ||
                (other.write && !(e.share & kShareWrite)))
                return false;
        }
        token = ++next_;
        open_[key][token] = e;
        return true;
    }
    void release(Key key, std::uint64_t token) {
        std::lock_guard<std::mutex> lock(m_);
        auto it = open_.find(key);
        if (it == open_.end())
            return;
        it->second.erase(token);
        if (it->second.empty())
            open_.erase(it);
    }

private:
    std::mutex m_;
    std::map<Key, std::map<std::uint64_t, Entry>> open_;
    std::uint64_t next_ = 0;
};

ShareTable& shareTable() {
    static ShareTable table;
    return table;
}

using FaultHook = std::function<WinError(const std::string&, std::uint64_t, std::size_t)>;

class LinuxFile : public File {
public:
    LinuxFile(int fd, std::string host, ShareTable::Key key, std::uint64_t token,
              const FaultHook* readFault, const FaultHook* writeFault)
        : fd_(fd), host_(std::move(host)), key_(key), token_(token), readFault_(readFault),
          writeFault_(writeFault) {}
    ~LinuxFile() override { close(); }

    Result<std::size_t> read(void* buffer, std::size_t size) override {
        if (fd_ < 0)
            return Result<std::size_t>::failure(kErrorInvalidHandle);
        if (readFault_ && *readFault_)
            if (WinError e = (*readFault_)(host_, offset_, size))
                return Result<std::size_t>::failure(e);
        ssize_t n;
        do {
            n = ::read(fd_, buffer, size);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return Result<std::size_t>::failure(winErrorFromErrno(errno));
        offset_ += static_cast<std::uint64_t>(n);
        return static_cast<std::size_t>(n);
    }

    Result<std::size_t> write(const void* buffer, std::size_t size) override {
        if (fd_ < 0)
            return Result<std::size_t>::failure(kErrorInvalidHandle);
        if (writeFault_ && *writeFault_)
            if (WinError e = (*writeFault_)(host_, offset_, size))
                return Result<std::size_t>::failure(e);
        std::size_t done = 0;
        const auto* p = static_cast<const char*>(buffer);
        while (done < size) {
            const ssize_t n = ::write(fd_, p + done, size - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                offset_ += done;
                return Result<std::size_t>::failure(winErrorFromErrno(errno));
            }
            done += static_cast<std::size_t>(n);
        }
        offset_ += done;
        return done;
    }

    WinError close() override {
        if (fd_ < 0)
            return kErrorSuccess;
        const int rc = ::close(fd_);
        const int err = errno;
        fd_ = -1;
        shareTable().release(key_, token_);
        return rc == 0 ? kErrorSuccess : winErrorFromErrno(err);
    }

private:
    int fd_;
    std::string host_;
    ShareTable::Key key_;
    std::uint64_t token_;
    std::uint64_t offset_ = 0;
    const FaultHook* readFault_;
    const FaultHook* writeFault_;
};

class LinuxProcess : public Process {
public:
    explicit LinuxProcess(pid_t pid) : pid_(pid) {}
    std::uint32_t wait() override {
        if (done_)
            return exitCode_;
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0) {
            if (errno != EINTR) {
                done_ = true;
                return exitCode_ = 259; // STILL_ACTIVE: not our child any more
            }
        }
        done_ = true;
        if (WIFEXITED(status))
            exitCode_ = static_cast<std::uint32_t>(WEXITSTATUS(status));
        else
            exitCode_ = 0xC000013A; // ended by a signal, as STATUS_CONTROL_C_EXIT
        return exitCode_;
    }

private:
    pid_t pid_;
    bool done_ = false;
    std::uint32_t exitCode_ = 0;
};

class LockMutex : public NamedMutex {
public:
    LockMutex(int fd, bool existed) : fd_(fd), existed_(existed) {}
    ~LockMutex() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool alreadyExisted() const override { return existed_; }

private:
    int fd_;
    bool existed_;
};

class SteadyClock : public TickClock {
public:
    std::uint32_t ticks() override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
    }
};

std::string safeName(const std::string& name) {
    std::string out;
    for (char c : name)
        out += (c == '/' || c == '\0') ? '_' : c;
    return out;
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

class LinuxWindows : public Windows {
public:
    explicit LinuxWindows(const LinuxWindowsOptions& o)
        : options_(o), mapper_(o.prefix.empty() ? defaultWinePrefix() : o.prefix) {
        user_ = o.user;
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
        runtimeDir_ = o.runtimeDir;
        if (runtimeDir_.empty()) {
            const char* xdg = std::getenv("XDG_RUNTIME_DIR");
            runtimeDir_ = (xdg && *xdg) ? std::string(xdg) + "/dro"
                                        : "/tmp/dro-" + std::to_string(::getuid());
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

    ~LinuxWindows() override {
        if (socketFd_ >= 0) {
            ::close(socketFd_);
            ::unlink(socketPath_.c_str());
        }
    }

    // --- Files ---

    Result<std::unique_ptr<File>> createFile(const std::string& path, Access access,
                                             std::uint32_t share,
                                             Disposition disposition) override {
        using R = Result<std::unique_ptr<File>>;
        auto host = hostOf(path);
        if (!host)
            return R::failure(host.error());
        const bool read = access != Access::Write;
        const bool write = access != Access::Read;
        struct stat st;
        const bool existed = ::stat(host->c_str(), &st) == 0;
        if (existed && S_ISDIR(st.st_mode))
            return R::failure(kErrorAccessDenied);
        if (!existed && !hostIsDirectory(hostParent(*host)))
            return R::failure(kErrorPathNotFound);
        // The read-only attribute refuses writing, whoever asks.
        if (existed && write && !(st.st_mode & S_IWUSR))
            return R::failure(kErrorAccessDenied);
        int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
        switch (disposition) {
        case Disposition::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case Disposition::CreateAlways:
            flags |= O_CREAT;
            break;
        case Disposition::OpenExisting:
            break;
        case Disposition::OpenAlways:
            flags |= O_CREAT;
            break;
        case Disposition::TruncateExisting:
            break;
        }
        if (existed && disposition == Disposition::CreateNew)
            return R::failure(kErrorFileExists);
        if (!existed && (disposition == Disposition::OpenExisting ||
                         disposition == Disposition::TruncateExisting))
            return R::failure(kErrorFileNotFound);
        const int fd = ::open(host->c_str(), flags, 0644);
        if (fd < 0) {
            const int e = errno;
            return R::failure(e == ENOENT   ? missingError(*host)
                              : e == EEXIST ? kErrorFileExists
                                            : winErrorFromErrno(e));
        }
        struct stat opened;
        ::fstat(fd, &opened);
        const ShareTable::Key key{opened.st_dev, opened.st_ino};
        std::uint64_t token = 0;
        if (!shareTable().admit(key, {read, write, share}, token)) {
            ::close(fd);
            if (!existed)
                ::unlink(host->c_str());
            return R::failure(kErrorSharingViolation);
        }
        // Replacing or truncating happens only once the sharing allows it.
        if ((disposition == Disposition::CreateAlways && existed) ||
            disposition == Disposition::TruncateExisting) {
            if (::ftruncate(fd, 0) != 0) {
                const int e = errno;
                shareTable().release(key, token);
                ::close(fd);
                return R::failure(winErrorFromErrno(e));
            }
        }
        return std::unique_ptr<File>(std::make_unique<LinuxFile>(
            fd, *host, key, token, &options_.readFault, &options_.writeFault));
    }

    Result<std::uint32_t> fileAttributes(const std::string& path) override {
        auto host = hostOf(path);
        if (!host)
            return Result<std::uint32_t>::failure(host.error());
        struct stat st;
        if (::stat(host->c_str(), &st) != 0)
            return Result<std::uint32_t>::failure(errno == ENOENT ? missingError(*host)
                                                                  : winErrorFromErrno(errno));
        return attributesOf(hostBaseName(*host), st);
    }

    Result<std::vector<FindData>> findFiles(const std::string& pattern) override {
        using R = Result<std::vector<FindData>>;
        auto full = fullPathName(pattern);
        if (!full)
            return R::failure(full.error());
        const std::string& f = *full;
        const auto slash = f.find_last_of('\\');
        if (slash == std::string::npos || slash + 1 >= f.size())
            return R::failure(kErrorFileNotFound);
        const std::string folder = f.substr(0, slash + 1);
        const std::string name = f.substr(slash + 1);
        if (hasInvalidNameCharacter(name, true))
            return R::failure(kErrorInvalidName);
        auto hostFolder = mapper_.toHost(folder);
        if (!hostFolder)
            return R::failure(hostFolder.error());
        if (!hostIsDirectory(*hostFolder))
            return R::failure(kErrorPathNotFound);
        std::vector<FindData> found;
        const bool wild = name.find_first_of("*?") != std::string::npos;
        DIR* d = ::opendir(hostFolder->c_str());
        if (!d)
            return R::failure(winErrorFromErrno(errno));
        const std::string upperPattern = upperCase(name);
        while (dirent* e = ::readdir(d)) {
            const std::string entry = e->d_name;
            if (entry == "." || entry == "..")
                continue;
            const bool match =
                wild ? ::fnmatch(upperPattern.c_str(), upperCase(entry).c_str(), FNM_NOESCAPE) == 0
                     : equalsIgnoreCase(entry, name);
            if (!match)
                continue;
            struct stat st;
            if (::stat(hostJoin(*hostFolder, entry).c_str(), &st) != 0)
                continue;
            found.push_back({entry, attributesOf(entry, st), static_cast<std::uint64_t>(st.st_size),
                             toFileTime(st.st_mtim)});
            if (!wild)
                break;
        }
        ::closedir(d);
        if (found.empty())
            return R::failure(kErrorFileNotFound);
        std::sort(found.begin(), found.end(),
                  [](const FindData& a, const FindData& b) { return a.name < b.name; });
        return found;
    }

    Result<std::string> fullPathName(const std::string& path) override {
        // A host path ("/...") is accepted as the Windows path it is seen under.
        if (!path.empty() && path[0] == '/' && (path.size() < 2 || path[1] != '/'))
            return mapper_.toWindows(path);
        return makeFullPath(path, cwd_);
    }

    WinError deleteFile(const std::string& path) override {
        auto host = hostOf(path);
        if (!host)
            return host.error();
        struct stat st;
        if (::lstat(host->c_str(), &st) != 0)
            return errno == ENOENT ? missingError(*host) : winErrorFromErrno(errno);
        if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)))
            return kErrorAccessDenied;
        return ::unlink(host->c_str()) == 0 ? kErrorSuccess : winErrorFromErrno(errno);
    }

    WinError createDirectory(const std::string& path) override {
        auto host = hostOf(path);
        if (!host)
            return host.error();
        if (::mkdir(host->c_str(), 0755) == 0)
            return kErrorSuccess;
        if (errno == ENOENT)
            return kErrorPathNotFound;
        return winErrorFromErrno(errno);
    }

    WinError removeDirectory(const std::string& path) override {
        auto host = hostOf(path);
        if (!host)
            return host.error();
        if (::rmdir(host->c_str()) == 0)
            return kErrorSuccess;
        if (errno == ENOENT)
            return missingError(*host);
        if (errno == ENOTDIR)
            return kErrorDirectory;
        return winErrorFromErrno(errno);
    }

    WinError moveFile(const std::string& from, const std::string& to, bool replace) override {
        auto src = hostOf(from);
        if (!src)
            return src.error();
        auto dst = hostOf(to);
        if (!dst)
            return dst.error();
        struct stat st;
        if (::lstat(src->c_str(), &st) != 0)
            return errno == ENOENT ? missingError(*src) : winErrorFromErrno(errno);
        if (::lstat(dst->c_str(), &st) == 0) {
            if (!replace)
                return kErrorAlreadyExists;
            if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR))
                return kErrorAccessDenied;
        }
        return ::rename(src->c_str(), dst->c_str()) == 0 ? kErrorSuccess : winErrorFromErrno(errno);
    }

    std::string currentDirectory() override { return cwd_; }

    WinError setCurrentDirectory(const std::string& path) override {
        auto full = fullPathName(path);
        if (!full)
            return full.error();
        auto host = mapper_.toHost(*full);
        if (!host)
            return host.error();
        if (!hostIsDirectory(*host))
            return hostExists(*host) ? kErrorDirectory : kErrorFileNotFound;
        std::string f = *full;
        if (f.size() > 3 && f.back() == '\\')
            f.pop_back();
        cwd_ = f;
        return kErrorSuccess;
    }

    FileTime toLocalFileTime(FileTime utc) override {
        constexpr std::uint64_t kEpochDiff = 116444736000000000ULL;
        const time_t t = static_cast<time_t>((utc - kEpochDiff) / 10000000ULL);
        struct tm local;
        if (!::localtime_r(&t, &local))
            return utc;
        return static_cast<FileTime>(static_cast<std::int64_t>(utc) +
                                     static_cast<std::int64_t>(local.tm_gmtoff) * 10000000LL);
    }

    Result<std::string> nativePath(const std::string& path) override { return hostOf(path); }

    // --- Processes ---

    Result<std::unique_ptr<Process>> createProcess(const std::string& commandLine,
                                                   const std::string& currentDirectory,
                                                   int /*showMode*/) override {
        using R = Result<std::unique_ptr<Process>>;
        std::string program, rest;
        std::size_t i = 0;
        while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t'))
            ++i;
        if (i < commandLine.size() && commandLine[i] == '"') {
            const auto close = commandLine.find('"', i + 1);
            program = commandLine.substr(i + 1, close == std::string::npos ? std::string::npos
                                                                           : close - i - 1);
            rest = close == std::string::npos ? "" : commandLine.substr(close + 1);
        } else {
            const auto end = commandLine.find_first_of(" \t", i);
            program = commandLine.substr(i, end == std::string::npos ? std::string::npos : end - i);
            rest = end == std::string::npos ? "" : commandLine.substr(end);
        }
        if (program.empty())
            return R::failure(kErrorFileNotFound);
        std::string folderHost;
        if (!currentDirectory.empty()) {
            auto h = hostOf(currentDirectory);
            if (!h || !hostIsDirectory(*h))
                return R::failure(kErrorDirectory);
            folderHost = *h;
        }
        auto programHost = locateProgram(program);
        if (!programHost)
            return R::failure(programHost.error());
        auto pid = startHostProgram(*programHost, splitArguments(rest), folderHost);
        if (!pid)
            return R::failure(pid.error());
        return std::unique_ptr<Process>(std::make_unique<LinuxProcess>(*pid));
    }

    std::intptr_t shellExecute(const std::string& verb, const std::string& file,
                               const std::string& parameters, const std::string& directory,
                               int showMode) override {
        if (!verb.empty() && !equalsIgnoreCase(verb, "open"))
            return kSeErrNoAssoc;
        if (isUrl(file))
            return openWithDesktop(file);
        std::string full;
        std::string host;
        if (!resolveDocument(file, directory, full, host))
            return hostIsDirectory(hostParent(host)) ? kSeErrFnf : kSeErrPnf;
        if (isProgram(host)) {
            // The default folder is the program's working folder; one that is
            // not a folder gives way to the program's own folder.
            std::string folder = directory;
            auto folderHost =
                directory.empty() ? Result<std::string>(std::string()) : hostOf(directory);
            if (!folderHost || !hostIsDirectory(*folderHost))
                folder = full.substr(0, full.find_last_of('\\'));
            const std::string line =
                "\"" + full + "\"" + (parameters.empty() ? "" : " " + parameters);
            auto p = createProcess(line, folder, showMode);
            if (!p)
                return p.error() == kErrorFileNotFound ? kSeErrFnf
                       : p.error() == kErrorBadExeFormat
                           ? 11 // SE_ERR_BAD_FORMAT... ERROR_BAD_FORMAT
                           : kSeErrAccessDenied;
            started_.push_back(std::move(*p));
            return 42;
        }
        if (hostIsDirectory(host))
            return openWithDesktop(host);
        return openWithDesktop(host);
    }

    std::intptr_t findExecutable(const std::string& file, const std::string& directory,
                                 std::string& program) override {
        program.clear();
        std::string full, host;
        if (!resolveDocument(file, directory, full, host))
            return kSeErrFnf;
        if (isProgram(host)) {
            program = full;
            return 42;
        }
        const std::string xdgMime = findInPath("xdg-mime");
        if (xdgMime.empty())
            return kSeErrNoAssoc;
        std::string type;
        if (upperCase(host.substr(host.size() >= 4 ? host.size() - 4 : 0)) == ".PDF")
            type = "application/pdf";
        else if (auto t = runAndCapture({xdgMime, "query", "filetype", host}))
            type = *t;
        if (type.empty())
            return kSeErrNoAssoc;
        auto desktop = runAndCapture({xdgMime, "query", "default", type});
        if (!desktop || desktop->empty())
            return kSeErrNoAssoc;
        const std::string exec = desktopEntryProgram(*desktop);
        program = exec.empty() ? *desktop : mapper_.toWindows(exec);
        return 42;
    }

    std::string modulePath() override {
        std::string host = options_.modulePath;
        if (host.empty()) {
            char buf[PATH_MAX];
            const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
            host = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("/");
        }
        return mapper_.toWindows(host);
    }

    // --- System ---

    std::uint32_t tickCount() override { return clock_->ticks(); }

    Result<DiskSpace> diskFreeSpace(const std::string& path) override {
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

    Result<std::string> systemDirectory() override { return std::string("C:\\windows\\system32"); }

    Result<std::string> desktopDirectory() override {
        const std::string desktop = "C:\\users\\" + user_ + "\\Desktop";
        auto host = mapper_.toHost(desktop);
        if (!host || !hostIsDirectory(*host))
            return Result<std::string>::failure(kErrorFileNotFound);
        return desktop;
    }

    VersionInfo reportedVersion() override { return reported_; }

    std::optional<std::uint32_t> registryDword(RegistryHive hive, const std::string& key,
                                               const std::string& value) override {
        const auto* v = hiveOf(hive).find(key, value);
        if (!v || v->type != WineRegistry::Value::Dword)
            return std::nullopt;
        return v->dword;
    }

    std::optional<std::string> registryString(RegistryHive hive, const std::string& key,
                                              const std::string& value) override {
        const auto* v = hiveOf(hive).find(key, value);
        if (!v || v->type != WineRegistry::Value::String)
            return std::nullopt;
        return v->text;
    }

    std::uint16_t nativeProcessorArchitecture() override {
        auto host = mapper_.toHost("C:\\windows\\syswow64");
        return host && hostIsDirectory(*host) ? kProcessorArchitectureAmd64
                                              : kProcessorArchitectureIntel;
    }

    std::string formatMessage(std::uint32_t code) override;

    // --- Single instance ---

    std::unique_ptr<NamedMutex> createMutex(const std::string& name) override {
        makeDirectories(runtimeDir_);
        const std::string lockPath = hostJoin(runtimeDir_, safeName(name) + ".lock");
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return std::make_unique<LockMutex>(-1, false);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return std::make_unique<LockMutex>(-1, true);
        }
        return std::make_unique<LockMutex>(fd, false);
    }

    std::uint32_t registerWindowMessage(const std::string& name) override {
        // Registered messages lie in 0xC000..0xFFFF; every program that
        // registers the same name (in any case) gets the same number.
        std::uint32_t h = 2166136261u;
        for (unsigned char c : upperCase(name)) {
            h ^= c;
            h *= 16777619u;
        }
        const std::uint32_t message = 0xC000u + (h % 0x4000u);
        openMessageSocket();
        return message;
    }

    void broadcastMessage(std::uint32_t message) override {
        const std::string folder = hostJoin(runtimeDir_, "messages");
        DIR* d = ::opendir(folder.c_str());
        if (!d)
            return;
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() < 5 || name.substr(name.size() - 5) != ".sock")
                continue;
            const std::string path = hostJoin(folder, name);
            if (path == socketPath_)
                continue;
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            if (path.size() >= sizeof addr.sun_path)
                continue;
            std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
            if (::sendto(fd, &message, sizeof message, MSG_DONTWAIT,
                         reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 &&
                errno == ECONNREFUSED)
                ::unlink(path.c_str()); // left behind by a program that ended
        }
        if (fd >= 0)
            ::close(fd);
        ::closedir(d);
    }

    std::vector<std::uint32_t> takeReceivedMessages() override {
        std::vector<std::uint32_t> out;
        if (socketFd_ < 0)
            return out;
        std::uint32_t m;
        while (::recv(socketFd_, &m, sizeof m, MSG_DONTWAIT) == static_cast<ssize_t>(sizeof m))
            out.push_back(m);
        return out;
    }

    // --- Fonts ---

    std::vector<std::string> installedFontNames() override {
        if (options_.fontNames)
            return options_.fontNames();
        std::set<std::string> names;
        FcConfig* config = FcInitLoadConfigAndFonts();
        if (!config)
            return {};
        if (auto fonts = mapper_.toHost("C:\\windows\\Fonts"); fonts && hostIsDirectory(*fonts))
            FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(fonts->c_str()));
        FcPattern* pattern = FcPatternCreate();
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
        if (FcFontSet* set = FcFontList(config, pattern, objects)) {
            for (int i = 0; i < set->nfont; ++i) {
                FcChar8* family = nullptr;
                for (int n = 0;
                     FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
                    names.insert(reinterpret_cast<const char*>(family));
            }
            FcFontSetDestroy(set);
        }
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
        FcConfigDestroy(config);
        return {names.begin(), names.end()};
    }

    // --- Shell link ---

    ShellLinkOutcome updateShellLink(const std::string& linkFile,
                                     const ShellLinkChange& change) override {
        auto host = hostOf(linkFile);
        if (!host)
            return {hresultFromWin32(host.error()), "IPersistFile::Load"};
        return shelllink::updateLinkFile(*host, change, shelllink::lookupThrough(*this));
    }

    UserInterface& ui() override { return *options_.ui; }

private:
    Result<std::string> hostOf(const std::string& path) {
        auto full = fullPathName(path);
        if (!full)
            return full;
        return mapper_.toHost(*full);
    }

    const WineRegistry& hiveOf(RegistryHive hive) const {
        return hive == RegistryHive::LocalMachine ? machine_ : user_reg_;
    }

    void ensurePrefix() {
        const std::string& prefix = mapper_.prefix();
        if (hostExists(prefix))
            return;
        makeDirectories(prefix + "/drive_c/windows/system32");
        makeDirectories(prefix + "/drive_c/users/" + user_ + "/Desktop");
        makeDirectories(prefix + "/dosdevices");
        [[maybe_unused]] int rc = ::symlink("../drive_c", (prefix + "/dosdevices/c:").c_str());
        rc = ::symlink("/", (prefix + "/dosdevices/z:").c_str());
    }

    void loadRegistry() {
        machine_.load(hostJoin(mapper_.prefix(), "system.reg"));
        user_reg_.load(hostJoin(mapper_.prefix(), "user.reg"));
        const bool hasMajor = machine_.find(kVersionKey, "CurrentMajorVersionNumber");
        const bool hasVersion = machine_.find(kVersionKey, "CurrentVersion");
        if (!hasMajor && !hasVersion) {
            // No version in the registry: Windows 10, as Wine sets it up.
            machine_.set(kVersionKey, "CurrentMajorVersionNumber",
                         {WineRegistry::Value::Dword, "", 10});
            machine_.set(kVersionKey, "CurrentMinorVersionNumber",
                         {WineRegistry::Value::Dword, "", 0});
            machine_.set(kVersionKey, "CurrentVersion", {WineRegistry::Value::String, "6.3", 0});
            machine_.set(kVersionKey, "CurrentBuildNumber",
                         {WineRegistry::Value::String, "19045", 0});
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

    static bool isUrl(const std::string& s) {
        const auto colon = s.find("://");
        if (colon != std::string::npos && colon > 1)
            return true;
        return s.rfind("mailto:", 0) == 0;
    }

    std::intptr_t openWithDesktop(const std::string& what) {
        const std::string opener = findInPath("xdg-open");
        if (opener.empty())
            return kSeErrNoAssoc;
        auto pid = spawn({opener, what}, "", nullptr);
        if (!pid)
            return kSeErrNoAssoc;
        started_.push_back(std::make_unique<LinuxProcess>(*pid));
        return 42;
    }

    // Resolves a document or program name: relative names against the
    // default folder, then the current folder.
    bool resolveDocument(const std::string& file, const std::string& directory, std::string& full,
                         std::string& host) {
        std::vector<std::string> candidates;
        const bool relative =
            !(file.size() >= 2 && (file[1] == ':' || (file[0] == '\\' && file[1] == '\\'))) &&
            !(file.size() >= 1 && (file[0] == '\\' || file[0] == '/'));
        if (relative && !directory.empty())
            candidates.push_back(directory + "\\" + file);
        candidates.push_back(file);
        for (const auto& c : candidates) {
            auto f = fullPathName(c);
            if (!f)
                continue;
            auto h = mapper_.toHost(*f);
            if (!h)
                continue;
            full = *f;
            host = *h;
            if (hostExists(*h))
                return true;
        }
        return false;
    }

    static bool isProgram(const std::string& host) {
        if (hostIsDirectory(host))
            return false;
        const std::string ext = upperCase(host.substr(host.size() >= 4 ? host.size() - 4 : 0));
        if (ext == ".EXE" || ext == ".COM")
            return true;
        return ::access(host.c_str(), X_OK) == 0;
    }

    // The program of a desktop entry (its Exec line's first word).
    static std::string desktopEntryProgram(const std::string& desktopId) {
        std::vector<std::string> dirs;
        const char* home = std::getenv("XDG_DATA_HOME");
        if (home && *home)
            dirs.push_back(home);
        else if (const char* h = std::getenv("HOME"))
            dirs.push_back(std::string(h) + "/.local/share");
        const char* data = std::getenv("XDG_DATA_DIRS");
        std::string all = (data && *data) ? data : "/usr/local/share:/usr/share";
        for (std::size_t s = 0; s <= all.size();) {
            auto e = all.find(':', s);
            if (e == std::string::npos)
                e = all.size();
            dirs.push_back(all.substr(s, e - s));
            s = e + 1;
        }
        for (const auto& d : dirs) {
            FILE* f = std::fopen((d + "/applications/" + desktopId).c_str(), "r");
            if (!f)
                continue;
            char line[4096];
            std::string program;
            while (std::fgets(line, sizeof line, f)) {
                if (std::strncmp(line, "Exec=", 5) != 0)
                    continue;
                auto args = splitArguments(std::string(line + 5));
                if (!args.empty()) {
                    std::string p = args[0];
                    while (!p.empty() && (p.back() == '\n' || p.back() == '\r'))
                        p.pop_back();
                    program = p.find('/') == std::string::npos ? findInPath(p) : p;
                }
                break;
            }
            std::fclose(f);
            if (!program.empty())
                return program;
        }
        return {};
    }

    // The host file of a program name: a name without a folder is looked
    // for in the program's own folder, the current folder and the system
    // folders; ".exe" is added to a name without an extension.
    Result<std::string> locateProgram(const std::string& program) {
        std::vector<std::string> names{program};
        const auto lastSep = program.find_last_of("\\/");
        const std::string base =
            lastSep == std::string::npos ? program : program.substr(lastSep + 1);
        if (base.find('.') == std::string::npos)
            names.push_back(program + ".exe");
        const bool bare =
            lastSep == std::string::npos && !(program.size() >= 2 && program[1] == ':');
        std::vector<std::string> candidates;
        if (bare) {
            const std::string self = modulePath();
            const std::vector<std::string> folders{self.substr(0, self.find_last_of('\\')), cwd_,
                                                   "C:\\windows\\system32", "C:\\windows"};
            for (const auto& folder : folders)
                for (const auto& n : names)
                    candidates.push_back(folder + "\\" + n);
        } else {
            candidates = names;
        }
        WinError error = kErrorFileNotFound;
        for (const auto& c : candidates) {
            auto host = hostOf(c);
            if (!host) {
                error = host.error();
                continue;
            }
            struct stat st;
            if (::stat(host->c_str(), &st) == 0 && S_ISREG(st.st_mode))
                return *host;
            if (!bare)
                error = missingError(*host);
        }
        return Result<std::string>::failure(error);
    }

    // Starts a host program file: a Windows program through Wine, any other
    // executable directly.
    Result<pid_t> startHostProgram(const std::string& host, const std::vector<std::string>& args,
                                   const std::string& folder) {
        std::string head(256, '\0');
        if (FILE* f = std::fopen(host.c_str(), "rb")) {
            head.resize(std::fread(head.data(), 1, head.size(), f));
            std::fclose(f);
        } else {
            head.clear();
        }
        std::vector<std::string> argv;
        if (head.rfind("MZ", 0) == 0) {
            const std::string wine = findInPath("wine");
            if (wine.empty())
                return Result<pid_t>::failure(kErrorBadExeFormat);
            argv = {wine, host};
            argv.insert(argv.end(), args.begin(), args.end());
            const auto env = environmentWith("WINEPREFIX", mapper_.prefix());
            return spawn(argv, folder, &env);
        }
        if (::access(host.c_str(), X_OK) == 0) {
            argv = {host};
        } else if (head.rfind("#!", 0) == 0) {
            // Windows knows no permission to execute: a program file copied
            // by a Windows program runs. A script without the host's execute
            // bit is therefore started through the interpreter it names.
            const auto end = head.find('\n');
            if (end == std::string::npos)
                return Result<pid_t>::failure(kErrorBadExeFormat);
            std::string line = head.substr(2, end - 2);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const auto start = line.find_first_not_of(" \t");
            if (start == std::string::npos)
                return Result<pid_t>::failure(kErrorBadExeFormat);
            line = line.substr(start);
            const auto blank = line.find_first_of(" \t");
            argv = {line.substr(0, blank)};
            if (blank != std::string::npos) {
                const auto arg = line.find_first_not_of(" \t", blank);
                if (arg != std::string::npos)
                    argv.push_back(line.substr(arg));
            }
            argv.push_back(host);
        } else {
            return Result<pid_t>::failure(kErrorBadExeFormat);
        }
        argv.insert(argv.end(), args.begin(), args.end());
        return spawn(argv, folder, nullptr);
    }

    void openMessageSocket() {
        if (socketFd_ >= 0)
            return;
        const std::string folder = hostJoin(runtimeDir_, "messages");
        makeDirectories(folder);
        static std::atomic<int> counter{0};
        socketPath_ = hostJoin(folder, std::to_string(::getpid()) + "." +
                                           std::to_string(counter++) + ".sock");
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (socketPath_.size() >= sizeof addr.sun_path)
            return;
        std::memcpy(addr.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return;
        ::unlink(socketPath_.c_str());
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            return;
        }
        socketFd_ = fd;
    }

    LinuxWindowsOptions options_;
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

std::string LinuxWindows::formatMessage(std::uint32_t code) {
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

} // namespace

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

std::unique_ptr<Windows> makeLinuxWindows(const LinuxWindowsOptions& options) {
    // On Windows a write beyond what the disk takes fails and the program
    // reports it; here a write beyond the file-size limit would end the
    // process (SIGXFSZ) and leave half a file. Ignored, it fails with EFBIG.
    ::signal(SIGXFSZ, SIG_IGN);
    return std::make_unique<LinuxWindows>(options);
}

} // namespace platform
