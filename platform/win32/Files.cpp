// Files on Windows: kernel32's file functions in their wide forms.
#include <algorithm>
#include <atomic>
#include <climits>
#include <cwchar>

#include "ReplacementFile.h"
#include "ScratchFile.h"
#include "win32/Win32Windows.h"

namespace platform {
namespace win32 {

namespace {

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
// continue until every byte is on the disk.
class Win32File final : public DurableFile {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    // Nobody is left to hear of a failure of the final close.
    ~Win32File() override { static_cast<void>(close()); }

    Result<std::size_t> read(void* buffer, std::size_t size) override {
        if (handle_ == INVALID_HANDLE_VALUE)
            return Result<std::size_t>::failure(kErrorInvalidHandle);
        DWORD got = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!::ReadFile(handle_, buffer, ask, &got, nullptr))
            return Result<std::size_t>::failure(lastError());
        return static_cast<std::size_t>(got);
    }

    Result<std::size_t> write(const void* buffer, std::size_t size) override {
        if (handle_ == INVALID_HANDLE_VALUE)
            return Result<std::size_t>::failure(kErrorInvalidHandle);
        std::size_t done = 0;
        const auto* p = static_cast<const char*>(buffer);
        while (done < size) {
            DWORD put = 0;
            const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
            if (!::WriteFile(handle_, p + done, ask, &put, nullptr))
                return Result<std::size_t>::failure(lastError());
            // Only a handle that may write is flushed on close: flushing
            // one opened for reading fails (ERROR_ACCESS_DENIED).
            written_ = true;
            if (put == 0)
                break; // a short count: the disk took no more
            done += put;
        }
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

    WinError flushAndClose() override {
        written_ = true;
        return close();
    }

private:
    HANDLE handle_;
    bool written_ = false;
};

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
    return std::unique_ptr<File>(std::make_unique<Win32File>(h));
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
    return createNativeReplacement(*full);
}

Result<std::string> Win32Windows::nativePath(const std::string& path) {
    return fullPathName(path);
}

} // namespace win32

std::filesystem::path fsPath(std::string_view nativePath) {
    return std::filesystem::path(win32::wide(nativePath));
}

// The replacement file's primitives: the temporary file is created with
// CREATE_NEW under a name of its own, and moved over the target with
// MoveFileEx.
Result<std::unique_ptr<DurableFile>> createExclusiveBeside(const std::string& target,
                                                           std::string& temp) {
    using R = Result<std::unique_ptr<DurableFile>>;
    std::wstring wtarget;
    if (target.empty() || !win32::widePath(target, wtarget))
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
        const std::wstring name = wtarget + suffix;
        const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const WinError e = win32::lastError();
            if (e == kErrorFileExists || e == kErrorAlreadyExists)
                continue;
            return R::failure(e);
        }
        temp = win32::narrow(name);
        return std::unique_ptr<DurableFile>(std::make_unique<win32::Win32File>(h));
    }
    return R::failure(kErrorFileExists);
}

WinError replaceWith(const std::string& temp, const std::string& target) {
    return ::MoveFileExW(win32::wide(temp).c_str(), win32::wide(target).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? kErrorSuccess
               : win32::lastError();
}

WinError removeFile(const std::string& path) {
    return ::DeleteFileW(win32::wide(path).c_str()) ? kErrorSuccess : win32::lastError();
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
