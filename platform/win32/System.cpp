// The system on Windows: tick counter, disk space, the system and desktop
// folders, the version, the registry, the processor and the error texts.
#include "win32/Win32Windows.h"

// After windows.h, which it needs.
#include <shlobj.h>

#include <cstring>

namespace platform::win32 {
namespace {

WinError lastError() {
    const DWORD e = ::GetLastError();
    return e == 0 ? kErrorInvalidParameter : e;
}

HKEY rootOf(RegistryHive hive) {
    return hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The type and bytes of a registry value, or nothing when the key or the
// value is missing.
bool queryValue(RegistryHive hive, const std::string& key, const std::string& value, DWORD& type,
                std::vector<BYTE>& data) {
    if (key.find('\0') != std::string::npos || value.find('\0') != std::string::npos)
        return false;
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(rootOf(hive), wide(key).c_str(), 0, KEY_QUERY_VALUE, &handle) !=
        ERROR_SUCCESS)
        return false;
    const std::wstring name = wide(value);
    LSTATUS status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && status == ERROR_MORE_DATA; ++attempt) {
        DWORD size = 0;
        status = ::RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            break;
        data.assign(size, 0);
        // The value may grow between the two calls: then ask again.
        status = ::RegQueryValueExW(handle, name.c_str(), nullptr, &type, data.data(), &size);
        if (status == ERROR_SUCCESS)
            data.resize(size);
    }
    ::RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

} // namespace

std::uint32_t Win32Windows::tickCount() {
    if (options_.clock)
        return options_.clock->ticks();
    return ::GetTickCount();
}

Result<DiskSpace> Win32Windows::diskFreeSpace(const std::string& path) {
    using R = Result<DiskSpace>;
    std::string p = path;
    // "X:" alone is the current folder of that drive; the drive's root is meant.
    if (p.size() == 2 && p[1] == ':')
        p += '\\';
    if (p.empty() || p.find('\0') != std::string::npos)
        return R::failure(kErrorInvalidName);
    ULARGE_INTEGER caller{}, total{}, totalFree{};
    if (!::GetDiskFreeSpaceExW(wide(p).c_str(), &caller, &total, &totalFree))
        return R::failure(lastError());
    if (options_.diskSpace) {
        auto full = fullPathName(p);
        if (auto s = options_.diskSpace(full ? *full : p))
            return *s;
    }
    DiskSpace s;
    s.freeToCaller = caller.QuadPart;
    s.total = total.QuadPart;
    s.totalFree = totalFree.QuadPart;
    return s;
}

Result<std::string> Win32Windows::systemDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        const UINT n = ::GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (n == 0)
            return Result<std::string>::failure(lastError());
        if (n < buffer.size()) {
            buffer.resize(n);
            return narrow(buffer);
        }
        buffer.resize(n);
    }
}

Result<std::string> Win32Windows::desktopDirectory() {
    using R = Result<std::string>;
    LPITEMIDLIST list = nullptr;
    const HRESULT hr = ::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list);
    if (FAILED(hr) || !list)
        return R::failure(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr)
                                                                 : kErrorFileNotFound);
    wchar_t buffer[MAX_PATH + 1] = {};
    const BOOL ok = ::SHGetPathFromIDListW(list, buffer);
    ::CoTaskMemFree(list);
    if (!ok)
        return R::failure(kErrorFileNotFound);
    return narrow(std::wstring_view(buffer));
}

VersionInfo Win32Windows::reportedVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExW(&info))
        return {};
    return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

std::optional<std::uint32_t> Win32Windows::registryDword(RegistryHive hive, const std::string& key,
                                                         const std::string& value) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!queryValue(hive, key, value, type, data) || type != REG_DWORD || data.size() != 4)
        return std::nullopt;
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

std::optional<std::string> Win32Windows::registryString(RegistryHive hive, const std::string& key,
                                                        const std::string& value) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!queryValue(hive, key, value, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    // The stored text need not end with its NUL, nor stop at the first one.
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    if (const auto end = text.find(L'\0'); end != std::wstring::npos)
        text.resize(end);
    return narrow(text);
}

std::uint16_t Win32Windows::nativeProcessorArchitecture() {
    SYSTEM_INFO info{};
    // GetNativeSystemInfo is missing before Windows XP; a 32-bit program on
    // 64-bit Windows learns the real processor only through it.
    using Native = void(WINAPI*)(LPSYSTEM_INFO);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const FARPROC proc = kernel ? ::GetProcAddress(kernel, "GetNativeSystemInfo") : nullptr;
    if (proc)
        reinterpret_cast<Native>(reinterpret_cast<void (*)()>(proc))(&info);
    else
        ::GetSystemInfo(&info);
    return info.wProcessorArchitecture;
}

} // namespace platform::win32

namespace platform {

std::string systemErrorText(std::uint32_t code) {
    // An HRESULT of a Win32 error reads as that error.
    if ((code & 0xFFFF0000u) == 0x80070000u)
        code &= 0xFFFFu;
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0 || !text) {
        if (text)
            ::LocalFree(text);
        return {};
    }
    std::wstring message(text, n);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' ||
                                message.back() == L' ' || message.back() == L'\t'))
        message.pop_back();
    return win32::narrow(message);
}

std::string win32::Win32Windows::formatMessage(std::uint32_t code) {
    return systemErrorText(code);
}

std::string win32::Win32Windows::toAnsiCodePage(const std::string& utf8) {
    const std::wstring text = wide(utf8);
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, "?", nullptr);
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                            "?", nullptr);
    return bytes;
}

} // namespace platform
