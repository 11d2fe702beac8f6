// The emulated files: CreateFile with share modes, attributes, searches,
// full paths, deletion, folders, moves and replacement files, on the host
// files behind the prefix's drives.
#include "linux/LinuxWindows.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "ReplacementFile.h"
#include "ScratchFile.h"
#include "platform/Encoding.h"

namespace platform {

namespace {

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
    // Whether a handle open on the file keeps others from deleting or
    // renaming it (it does not share deleting).
    bool refusesDelete(Key key) {
        std::lock_guard<std::mutex> lock(m_);
        const auto it = open_.find(key);
        if (it == open_.end())
            return false;
        return std::any_of(it->second.begin(), it->second.end(),
                           [](const auto& entry) { return !(entry.second.share & kShareDelete); });
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

// Whether a handle of this program keeps others from deleting or renaming
// the host file, or from moving another file over it.
bool refusesDelete(const std::string& host) {
    struct stat st;
    return ::lstat(host.c_str(), &st) == 0 && shareTable().refusesDelete({st.st_dev, st.st_ino});
}

// An open host file, with its place in the sharing table until closed.
class LinuxFile final : public DurableFile {
public:
    LinuxFile(int fd, ShareTable::Key key, std::uint64_t token)
        : fd_(fd), key_(key), token_(token) {}
    // Nobody is left to hear of a failure of the final close.
    ~LinuxFile() override { static_cast<void>(close()); }

    Result<std::size_t> read(void* buffer, std::size_t size) override {
        if (fd_ < 0)
            return Result<std::size_t>::failure(kErrorInvalidHandle);
        ssize_t n;
        do {
            n = ::read(fd_, buffer, size);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return Result<std::size_t>::failure(winErrorFromErrno(errno));
        return static_cast<std::size_t>(n);
    }

    Result<std::size_t> write(const void* buffer, std::size_t size) override {
        if (fd_ < 0)
            return Result<std::size_t>::failure(kErrorInvalidHandle);
        std::size_t done = 0;
        const auto* p = static_cast<const char*>(buffer);
        while (done < size) {
            const ssize_t n = ::write(fd_, p + done, size - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return Result<std::size_t>::failure(winErrorFromErrno(errno));
            }
            done += static_cast<std::size_t>(n);
        }
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

    // fsync: the bytes are on the disk before the file takes its name.
    WinError flushAndClose() override {
        const WinError synced =
            fd_ >= 0 && ::fsync(fd_) != 0 ? winErrorFromErrno(errno) : kErrorSuccess;
        const WinError closed = close();
        return synced != kErrorSuccess ? synced : closed;
    }

private:
    int fd_;
    ShareTable::Key key_;
    std::uint64_t token_;
};

// MoveFileEx with MOVEFILE_REPLACE_EXISTING on host files: a read-only
// file, a folder or a file held open is not replaced.
WinError renameOver(const std::string& src, const std::string& dst) {
    struct stat st;
    if (::lstat(dst.c_str(), &st) == 0 &&
        (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR) || refusesDelete(dst)))
        return kErrorAccessDenied;
    return ::rename(src.c_str(), dst.c_str()) == 0 ? kErrorSuccess : winErrorFromErrno(errno);
}

} // namespace

Result<std::unique_ptr<File>> LinuxWindows::createFile(const std::string& path, Access access,
                                                       std::uint32_t share,
                                                       Disposition disposition) {
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
    if (!existed &&
        (disposition == Disposition::OpenExisting || disposition == Disposition::TruncateExisting))
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
    return std::unique_ptr<File>(std::make_unique<LinuxFile>(fd, key, token));
}

Result<std::uint32_t> LinuxWindows::fileAttributes(const std::string& path) {
    auto host = hostOf(path);
    if (!host)
        return Result<std::uint32_t>::failure(host.error());
    struct stat st;
    if (::stat(host->c_str(), &st) != 0)
        return Result<std::uint32_t>::failure(errno == ENOENT ? missingError(*host)
                                                              : winErrorFromErrno(errno));
    return attributesOf(hostBaseName(*host), st);
}

Result<std::vector<FindData>> LinuxWindows::findFiles(const std::string& pattern) {
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

Result<std::string> LinuxWindows::fullPathName(const std::string& path) {
    // A host path ("/...") is accepted as the Windows path it is seen under.
    if (!path.empty() && path[0] == '/' && (path.size() < 2 || path[1] != '/'))
        return mapper_.toWindows(path);
    return makeFullPath(path, cwd_);
}

WinError LinuxWindows::deleteFile(const std::string& path) {
    auto host = hostOf(path);
    if (!host)
        return host.error();
    struct stat st;
    if (::lstat(host->c_str(), &st) != 0)
        return errno == ENOENT ? missingError(*host) : winErrorFromErrno(errno);
    if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)))
        return kErrorAccessDenied;
    if (refusesDelete(*host))
        return kErrorSharingViolation;
    return ::unlink(host->c_str()) == 0 ? kErrorSuccess : winErrorFromErrno(errno);
}

WinError LinuxWindows::createDirectory(const std::string& path) {
    auto host = hostOf(path);
    if (!host)
        return host.error();
    if (::mkdir(host->c_str(), 0755) == 0)
        return kErrorSuccess;
    if (errno == ENOENT)
        return kErrorPathNotFound;
    return winErrorFromErrno(errno);
}

WinError LinuxWindows::removeDirectory(const std::string& path) {
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

WinError LinuxWindows::moveFile(const std::string& from, const std::string& to, bool replace) {
    auto src = hostOf(from);
    if (!src)
        return src.error();
    auto dst = hostOf(to);
    if (!dst)
        return dst.error();
    struct stat st;
    if (::lstat(src->c_str(), &st) != 0)
        return errno == ENOENT ? missingError(*src) : winErrorFromErrno(errno);
    if (refusesDelete(*src))
        return kErrorSharingViolation;
    if (!replace && ::lstat(dst->c_str(), &st) == 0)
        return kErrorAlreadyExists;
    return renameOver(*src, *dst);
}

std::string LinuxWindows::currentDirectory() {
    return cwd_;
}

WinError LinuxWindows::setCurrentDirectory(const std::string& path) {
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

FileTime LinuxWindows::toLocalFileTime(FileTime utc) {
    constexpr std::uint64_t kEpochDiff = 116444736000000000ULL;
    const time_t t = static_cast<time_t>((utc - kEpochDiff) / 10000000ULL);
    struct tm local;
    if (!::localtime_r(&t, &local))
        return utc;
    return static_cast<FileTime>(static_cast<std::int64_t>(utc) +
                                 static_cast<std::int64_t>(local.tm_gmtoff) * 10000000LL);
}

// The replacement file's primitives on host files: the temporary file is
// target.~XXXXXX, named by mkstemp, so that the name is taken exclusively.
Result<std::unique_ptr<DurableFile>> createExclusiveBeside(const std::string& target,
                                                           std::string& temp) {
    using R = Result<std::unique_ptr<DurableFile>>;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)))
        return R::failure(kErrorAccessDenied);
    if (!hostIsDirectory(hostParent(target)))
        return R::failure(kErrorPathNotFound);
    std::string name = target + ".~XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return R::failure(winErrorFromErrno(errno));
    // The new file takes the mode (and, where we may, the owner) of the file
    // it replaces, else that of a newly created file. Either is a courtesy:
    // the file is ours and writable whatever they give.
    struct stat old;
    if (::stat(target.c_str(), &old) == 0) {
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    ::fstat(fd, &st);
    const ShareTable::Key key{st.st_dev, st.st_ino};
    std::uint64_t token = 0;
    // A new inode is open nowhere else, so the table admits it.
    shareTable().admit(key, {false, true, kShareNone}, token);
    temp = std::move(name);
    return std::unique_ptr<DurableFile>(std::make_unique<LinuxFile>(fd, key, token));
}

WinError replaceWith(const std::string& temp, const std::string& target) {
    if (const WinError e = renameOver(temp, target); e != kErrorSuccess)
        return e;
    // The new name is on the disk as well (MOVEFILE_WRITE_THROUGH). The
    // rename itself has succeeded; a folder that cannot be synced leaves the
    // name to the system's next write-back, as it would any other.
    if (const int dir = ::open(hostParent(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return kErrorSuccess;
}

WinError removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? kErrorSuccess : winErrorFromErrno(errno);
}

Result<std::unique_ptr<ReplacementFile>> LinuxWindows::createReplacement(const std::string& path) {
    auto host = hostOf(path);
    if (!host)
        return Result<std::unique_ptr<ReplacementFile>>::failure(host.error());
    return createNativeReplacement(*host);
}

namespace {

// Unlinked from the start: nothing is left behind, whatever ends the process.
class HostScratchFile final : public OffsetScratchFile {
public:
    explicit HostScratchFile(int fd) : fd_(fd) {}
    ~HostScratchFile() override { ::close(fd_); }

private:
    Result<std::size_t> writeSome(std::uint64_t offset, const void* data,
                                  std::size_t size) override {
        return moved(::pwrite(fd_, data, size, static_cast<off_t>(offset)));
    }
    Result<std::size_t> readSome(std::uint64_t offset, void* buffer, std::size_t size) override {
        return moved(::pread(fd_, buffer, size, static_cast<off_t>(offset)));
    }
    static Result<std::size_t> moved(ssize_t n) {
        if (n < 0)
            return Result<std::size_t>::failure(winErrorFromErrno(errno));
        return static_cast<std::size_t>(n);
    }

    int fd_;
};

} // namespace

Result<std::unique_ptr<ScratchFile>> createScratchFile() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = tmp && *tmp ? tmp : "/tmp";
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A file system without anonymous files: a named one, unlinked at once.
        std::string name = folder + "/tiskpdf-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(name.c_str());
    }
    if (fd < 0)
        return Result<std::unique_ptr<ScratchFile>>::failure(winErrorFromErrno(errno));
    return std::unique_ptr<ScratchFile>(std::make_unique<HostScratchFile>(fd));
}

Result<std::string> LinuxWindows::nativePath(const std::string& path) {
    return hostOf(path);
}

Result<std::string> LinuxWindows::hostOf(const std::string& path) {
    auto full = fullPathName(path);
    if (!full)
        return full;
    return mapper_.toHost(*full);
}

} // namespace platform
