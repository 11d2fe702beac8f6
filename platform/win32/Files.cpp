// Files on Windows: kernel32's file functions in their wide forms.
#include <algorithm>
#include <atomic>
#include <climits>
#include <cwchar>
#include <functional>

#include "ScratchFile.h"
#include "win32/Win32Windows.h"

namespace platform {
namespace win32 {

namespace {

using FaultHook = std::function<WinError(const std::string&, std::uint64_t, std::size_t)>;

// A path for a W function. A NUL inside the name would cut it short
// unnoticed, so such a name is refused as Windows refuses control characters.
bool widePath(const std::string& path, std::wstring& out) {
    if (path.find('\0') != std::string::npos)
        return false;
    out = wide(path);
    return true;
}

WinError lastError() {
    const DWORD e = ::GetLastError();
    return e == 0 ? kErrorInvalidParameter : e;
}

Result<std::string> fullPathOf(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()),
                                           buffer.data(), nullptr);
        if (n == 0)
            return Result<std::string>::failure(lastError());
        if (n < buffer.size()) {
            buffer.resize(n);
            return narrow(buffer);
        }
        buffer.resize(n); // n counts the terminating NUL when the buffer was short
    }
}

// An open kernel file handle with the reads and writes of the layer: writes
// continue until every byte is on the disk, injected faults come first.
class Win32File : public File {
public:
    Win32File(HANDLE handle, std::string nativePath, const FaultHook* readFault,
              const FaultHook* writeFault)
        : handle_(handle), native_(std::move(nativePath)), readFault_(readFault),
          writeFault_(writeFault) {}
    ~Win32File() override { close(); }

    Result<std::size_t> read(void* buffer, std::size_t size) override {
        if (handle_ == INVALID_HANDLE_VALUE)
            return Result<std::size_t>::failure(kErrorInvalidHandle);
        if (readFault_ && *readFault_)
            if (const WinError e = (*readFault_)(native_, offset_, size)) {
                ::SetLastError(e);
                return Result<std::size_t>::failure(e);
            }
        DWORD got = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!::ReadFile(handle_, buffer, ask, &got, nullptr))
            return Result<std::size_t>::failure(lastError());
        offset_ += got;
        return static_cast<std::size_t>(got);
    }

    Result<std::size_t> write(const void* buffer, std::size_t size) override {
        if (handle_ == INVALID_HANDLE_VALUE)
            return Result<std::size_t>::failure(kErrorInvalidHandle);
        if (writeFault_ && *writeFault_)
            if (const WinError e = (*writeFault_)(native_, offset_, size)) {
                ::SetLastError(e);
                return Result<std::size_t>::failure(e);
            }
        written_ = true;
        std::size_t done = 0;
        const auto* p = static_cast<const char*>(buffer);
        while (done < size) {
            DWORD put = 0;
            const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
            if (!::WriteFile(handle_, p + done, ask, &put, nullptr)) {
                const WinError e = lastError();
                offset_ += done;
                return Result<std::size_t>::failure(e);
            }
            if (put == 0)
                break; // a short count: the disk took no more
            done += put;
        }
        offset_ += done;
        return done;
    }

    WinError close() override {
        if (handle_ == INVALID_HANDLE_VALUE)
            return kErrorSuccess;
        WinError e = kErrorSuccess;
        if (written_ && !::FlushFileBuffers(handle_))
            e = lastError();
        if (!::CloseHandle(handle_) && e == kErrorSuccess)
            e = lastError();
        handle_ = INVALID_HANDLE_VALUE;
        return e;
    }

    // FlushFileBuffers + CloseHandle, reporting the first failure.
    WinError flushAndClose() {
        written_ = true;
        return close();
    }

private:
    HANDLE handle_;
    std::string native_;
    const FaultHook* readFault_;
    const FaultHook* writeFault_;
    std::uint64_t offset_ = 0;
    bool written_ = false;
};

// A replacement file: a temporary file beside the target, created with
// CREATE_NEW under a name of its own and moved over the target on commit.
class Win32Replacement : public ReplacementFile {
public:
    Win32Replacement(std::unique_ptr<Win32File> file, std::wstring temp, std::wstring target)
        : file_(std::move(file)), temp_(std::move(temp)), target_(std::move(target)) {}
    ~Win32Replacement() override { discard(); }

    Result<std::size_t> read(void* buffer, std::size_t size) override {
        return file_->read(buffer, size);
    }
    Result<std::size_t> write(const void* buffer, std::size_t size) override {
        return file_->write(buffer, size);
    }
    WinError close() override {
        discard();
        return kErrorSuccess;
    }

    WinError commit() override {
        if (temp_.empty())
            return kErrorInvalidHandle;
        WinError e = file_->flushAndClose();
        if (e == kErrorSuccess &&
            !::MoveFileExW(temp_.c_str(), target_.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            e = lastError();
        if (e != kErrorSuccess) {
            discard();
            return e;
        }
        temp_.clear();
        return kErrorSuccess;
    }

private:
    void discard() {
        if (temp_.empty())
            return;
        file_->close();
        ::DeleteFileW(temp_.c_str());
        temp_.clear();
    }

    std::unique_ptr<Win32File> file_;
    std::wstring temp_;
    std::wstring target_;
};

Result<std::unique_ptr<ReplacementFile>> openReplacement(const std::string& target,
                                                         const FaultHook* readFault,
                                                         const FaultHook* writeFault) {
    using R = Result<std::unique_ptr<ReplacementFile>>;
    std::wstring wtarget;
    if (target.empty() || !widePath(target, wtarget))
        return R::failure(kErrorInvalidName);
    // MoveFileEx would refuse a read-only target or a folder only at the
    // end; the caller learns it before writing anything.
    const DWORD attributes = ::GetFileAttributesW(wtarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return R::failure(kErrorAccessDenied);
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[48];
        ::swprintf(suffix, sizeof suffix / sizeof suffix[0], L".~%lx-%x.tmp",
                   static_cast<unsigned long>(::GetCurrentProcessId()), counter++);
        const std::wstring temp = wtarget + suffix;
        const HANDLE h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const WinError e = lastError();
            if (e == kErrorFileExists || e == kErrorAlreadyExists)
                continue;
            return R::failure(e);
        }
        auto file = std::make_unique<Win32File>(h, narrow(temp), readFault, writeFault);
        return std::unique_ptr<ReplacementFile>(
            std::make_unique<Win32Replacement>(std::move(file), temp, wtarget));
    }
    return R::failure(kErrorFileExists);
}

} // namespace

Result<std::unique_ptr<File>> Win32Windows::createFile(const std::string& path, Access access,
                                                       std::uint32_t share,
                                                       Disposition disposition) {
    using R = Result<std::unique_ptr<File>>;
    std::wstring w;
    if (!widePath(path, w))
        return R::failure(kErrorInvalidName);
    const DWORD desired = access == Access::Read    ? GENERIC_READ
                          : access == Access::Write ? GENERIC_WRITE
                                                    : GENERIC_READ | GENERIC_WRITE;
    const HANDLE h = ::CreateFileW(w.c_str(), desired, share, nullptr,
                                   static_cast<DWORD>(disposition), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return R::failure(lastError());
    // The fault hooks of the tests name the file by its full path.
    std::string native = path;
    if (options_.readFault || options_.writeFault)
        if (auto full = fullPathOf(w))
            native = *full;
    return std::unique_ptr<File>(std::make_unique<Win32File>(
        h, std::move(native), &options_.readFault, &options_.writeFault));
}

Result<std::uint32_t> Win32Windows::fileAttributes(const std::string& path) {
    std::wstring w;
    if (!widePath(path, w))
        return Result<std::uint32_t>::failure(kErrorInvalidName);
    const DWORD a = ::GetFileAttributesW(w.c_str());
    if (a == INVALID_FILE_ATTRIBUTES)
        return Result<std::uint32_t>::failure(lastError());
    return static_cast<std::uint32_t>(a);
}

Result<std::vector<FindData>> Win32Windows::findFiles(const std::string& pattern) {
    using R = Result<std::vector<FindData>>;
    std::wstring w;
    if (!widePath(pattern, w))
        return R::failure(kErrorInvalidName);
    WIN32_FIND_DATAW data;
    const HANDLE h = ::FindFirstFileW(w.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return R::failure(lastError());
    std::vector<FindData> found;
    WinError e = kErrorSuccess;
    do {
        // The entries of the folder itself and its parent are no files of it.
        if (std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0)
            continue;
        FindData f;
        f.name = narrow(data.cFileName);
        f.attributes = data.dwFileAttributes;
        f.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        f.lastWriteTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
        found.push_back(std::move(f));
    } while (::FindNextFileW(h, &data));
    if (const DWORD last = ::GetLastError(); last != ERROR_NO_MORE_FILES)
        e = last == 0 ? kErrorInvalidParameter : last;
    ::FindClose(h);
    if (e != kErrorSuccess)
        return R::failure(e);
    if (found.empty())
        return R::failure(kErrorFileNotFound);
    return found;
}

Result<std::string> Win32Windows::fullPathName(const std::string& path) {
    std::wstring w;
    if (path.empty() || !widePath(path, w))
        return Result<std::string>::failure(kErrorInvalidName);
    return fullPathOf(w);
}

WinError Win32Windows::deleteFile(const std::string& path) {
    std::wstring w;
    if (!widePath(path, w))
        return kErrorInvalidName;
    return ::DeleteFileW(w.c_str()) ? kErrorSuccess : lastError();
}

WinError Win32Windows::createDirectory(const std::string& path) {
    std::wstring w;
    if (!widePath(path, w))
        return kErrorInvalidName;
    return ::CreateDirectoryW(w.c_str(), nullptr) ? kErrorSuccess : lastError();
}

WinError Win32Windows::removeDirectory(const std::string& path) {
    std::wstring w;
    if (!widePath(path, w))
        return kErrorInvalidName;
    return ::RemoveDirectoryW(w.c_str()) ? kErrorSuccess : lastError();
}

WinError Win32Windows::moveFile(const std::string& from, const std::string& to, bool replace) {
    std::wstring wfrom, wto;
    if (!widePath(from, wfrom) || !widePath(to, wto))
        return kErrorInvalidName;
    const DWORD flags =
        replace ? MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH : MOVEFILE_WRITE_THROUGH;
    return ::MoveFileExW(wfrom.c_str(), wto.c_str(), flags) ? kErrorSuccess : lastError();
}

std::string Win32Windows::currentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return narrow(buffer);
        }
        buffer.resize(n);
    }
}

WinError Win32Windows::setCurrentDirectory(const std::string& path) {
    std::wstring w;
    if (path.empty() || !widePath(path, w))
        return kErrorInvalidName;
    return ::SetCurrentDirectoryW(w.c_str()) ? kErrorSuccess : lastError();
}

FileTime Win32Windows::toLocalFileTime(FileTime utc) {
    FILETIME in{static_cast<DWORD>(utc & 0xFFFFFFFFu), static_cast<DWORD>(utc >> 32)};
    FILETIME out;
    if (!::FileTimeToLocalFileTime(&in, &out))
        return utc;
    return (static_cast<std::uint64_t>(out.dwHighDateTime) << 32) | out.dwLowDateTime;
}

Result<std::unique_ptr<ReplacementFile>> Win32Windows::createReplacement(const std::string& path) {
    auto full = fullPathName(path);
    if (!full)
        return Result<std::unique_ptr<ReplacementFile>>::failure(full.error());
    return openReplacement(*full, &options_.readFault, &options_.writeFault);
}

Result<std::string> Win32Windows::nativePath(const std::string& path) {
    return fullPathName(path);
}

} // namespace win32

std::filesystem::path fsPath(std::string_view nativePath) {
    return std::filesystem::path(win32::wide(nativePath));
}

Result<std::unique_ptr<ReplacementFile>> createNativeReplacement(const std::string& nativePath) {
    return win32::openReplacement(nativePath, nullptr, nullptr);
}

namespace {

// Opened for deletion on close: the system removes it when the handle goes,
// the process's end included. Reads and writes name their offset.
class Win32ScratchFile final : public OffsetScratchFile {
public:
    explicit Win32ScratchFile(HANDLE handle) : handle_(handle) {}
    ~Win32ScratchFile() override { ::CloseHandle(handle_); }

private:
    Result<std::size_t> writeSome(std::uint64_t offset, const void* data,
                                  std::size_t size) override {
        OVERLAPPED where = at(offset);
        DWORD n = 0;
        if (!::WriteFile(handle_, data, chunk(size), &n, &where))
            return Result<std::size_t>::failure(win32::lastError());
        return std::size_t{n};
    }
    Result<std::size_t> readSome(std::uint64_t offset, void* buffer, std::size_t size) override {
        OVERLAPPED where = at(offset);
        DWORD n = 0;
        if (!::ReadFile(handle_, buffer, chunk(size), &n, &where))
            return Result<std::size_t>::failure(win32::lastError());
        return std::size_t{n};
    }
    static DWORD chunk(std::size_t size) {
        return static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    }
    static OVERLAPPED at(std::uint64_t offset) {
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(offset);
        where.OffsetHigh = static_cast<DWORD>(offset >> 32);
        return where;
    }

    HANDLE handle_;
};

} // namespace

Result<std::unique_ptr<ScratchFile>> createScratchFile() {
    using R = Result<std::unique_ptr<ScratchFile>>;
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH)
        return R::failure(win32::lastError());
    // A new name of the folder's own (GetTempFileName makes the file).
    wchar_t name[MAX_PATH + 1] = {};
    if (::GetTempFileNameW(folder, L"tpd", 0, name) == 0)
        return R::failure(win32::lastError());
    const HANDLE handle =
        ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const WinError e = win32::lastError();
        ::DeleteFileW(name);
        return R::failure(e);
    }
    return std::unique_ptr<ScratchFile>(std::make_unique<Win32ScratchFile>(handle));
}

} // namespace platform
