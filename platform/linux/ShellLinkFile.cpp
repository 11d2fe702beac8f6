#include "linux/ShellLinkFile.h"

#include "platform/Host.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::shelllink {
namespace {

constexpr const char* kLoad = "IPersistFile::Load";
constexpr const char* kSetPath = "IShellLinkW::SetPath";
constexpr const char* kSetWorkingDirectory = "IShellLinkW::SetWorkingDirectory";
constexpr const char* kSetIconLocation = "IShellLinkW::SetIconLocation";
constexpr const char* kSave = "IPersistFile::Save";

// No link file is anywhere near this; a larger file is not one.
constexpr std::size_t kMaxLinkSize = 16u << 20;

HResult fromErrno(int error) {
    switch (error) {
    case ENOENT:
        return hresultFromWin32(kErrorFileNotFound);
    case ENOTDIR:
    case ENAMETOOLONG:
        return hresultFromWin32(kErrorPathNotFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return hresultFromWin32(kErrorAccessDenied);
    case ENOSPC:
    case EDQUOT:
        return hresultFromWin32(kErrorDiskFull);
    case EIO:
        return hresultFromWin32(kErrorWriteFault);
    case ENOMEM:
        return hresultFromWin32(kErrorNotEnoughMemory);
    default:
        return kEFail;
    }
}

HResult readWhole(const std::string& path, std::string& bytes) {
    // Not blocking: a FIFO in place of the link must not hang the installer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fromErrno(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return fromErrno(error);
    }
    char buffer[8192];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return error == EIO ? hresultFromWin32(kErrorReadFault) : fromErrno(error);
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxLinkSize) {
            ::close(fd);
            return kLinkCorrupt;
        }
    }
    ::close(fd);
    return kSOk;
}

// Writes the link through a replacement file: a failure leaves the old
// link as it was. A read-only link cannot be saved over, as on Windows.
HResult saveOver(const std::string& path, const std::string& bytes) {
    char resolved[PATH_MAX];
    const std::string target = ::realpath(path.c_str(), resolved) ? resolved : path;
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return fromErrno(errno);
    auto file = createNativeReplacement(target);
    if (!file)
        return hresultFromWin32(file.error());
    const Result<std::size_t> written = (*file)->write(bytes.data(), bytes.size());
    if (!written || *written != bytes.size())
        return hresultFromWin32(written ? kErrorDiskFull : written.error());
    return hresultFromWin32((*file)->commit());
}

} // namespace

TargetLookup lookupThrough(Windows& win) {
    return [&win](const std::string& path) -> std::optional<FindData> {
        auto found = win.findFiles(path);
        if (!found || found->empty())
            return std::nullopt;
        return found->front();
    };
}

ShellLinkOutcome updateLinkFile(const std::string& hostPath, const ShellLinkChange& change) {
    return updateLinkFile(hostPath, change, TargetLookup{});
}

ShellLinkOutcome updateLinkFile(const std::string& hostPath, const ShellLinkChange& change,
                                const TargetLookup& lookup) {
    std::string bytes;
    HResult hr = readWhole(hostPath, bytes);
    if (hr < 0)
        return {hr, kLoad};
    LinkFile link;
    hr = LinkFile::parse(bytes, link);
    if (hr < 0)
        return {hr, kLoad};
    if (change.clearIdList)
        link.clearIdList(); // SetIDList(nullptr) cannot fail
    if ((hr = link.setPath(change.path, lookup)) < 0)
        return {hr, kSetPath};
    if ((hr = link.setWorkingDirectory(change.workingDirectory)) < 0)
        return {hr, kSetWorkingDirectory};
    if ((hr = link.setIconLocation(change.iconLocation, change.iconIndex)) < 0)
        return {hr, kSetIconLocation};
    if ((hr = saveOver(hostPath, link.serialize())) < 0)
        return {hr, kSave};
    return {kSOk, {}};
}

} // namespace platform::shelllink
