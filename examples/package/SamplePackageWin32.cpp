// The programs of the sample Dro package on Windows, one program in every
// role; make-package.sh copies it under each name. Like the shell scripts
// of the package on Linux it
//
//   - appends "NAME WORKING-FOLDER [ARGUMENTS]" to the file named by
//     %DRO_PROGRAM_LOG% when that is set, so that a test can tell what was
//     started where;
//   - unpacks the installation appended to it (a package file: a tar
//     archive, its size in 8 bytes and the mark "DROPKG01" at the end) into
//     its working folder;
//   - as Fontinst.exe installs ZuvaVoza.ttf of its working folder into the
//     Windows fonts folder and registers the font "Zuva Voza".
//
// It ends with 0, or with 1 when the installation cannot be unpacked.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr char kMark[] = "DROPKG01";
constexpr std::size_t kTrailer = 16;

std::wstring wide(const std::string& s) {
    std::wstring out(s.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()),
                                        out.data(), static_cast<int>(out.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string utf8(const std::wstring& s) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr,
                                        0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

std::wstring ownPath() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path;
}

std::wstring currentFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(::GetCurrentDirectoryW(MAX_PATH, folder.data()));
    return folder;
}

bool readFile(const std::wstring& path, std::string& data) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    ::GetFileSizeEx(h, &size);
    data.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    const bool ok = data.empty() ||
                    (::ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) &&
                     got == data.size());
    ::CloseHandle(h);
    return ok;
}

bool writeFile(const std::wstring& path, const char* data, std::size_t size, FILETIME* time) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = size == 0 || (::WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr) &&
                            written == size);
    if (ok && time)
        ::SetFileTime(h, nullptr, nullptr, time);
    ok = ::CloseHandle(h) && ok;
    return ok;
}

void log(const std::wstring& name, int argc, wchar_t** argv) {
    wchar_t file[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"DRO_PROGRAM_LOG", file, MAX_PATH))
        return;
    std::wstring line = name + L" " + currentFolder();
    for (int i = 1; i < argc; ++i)
        line += std::wstring(L" ") + argv[i];
    const std::string bytes = utf8(line) + "\n";
    HANDLE h = ::CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
}

std::uint64_t octal(const char* field, std::size_t size) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size && field[i] >= '0' && field[i] <= '7'; ++i)
        v = v * 8 + static_cast<std::uint64_t>(field[i] - '0');
    return v;
}

// Unpacks a ustar archive into the current folder: folders and regular
// files, each file with its modification time.
bool unpack(const std::string& tar) {
    std::size_t at = 0;
    while (at + 512 <= tar.size()) {
        const char* h = tar.data() + at;
        if (h[0] == '\0')
            return true; // the end blocks
        std::string name(h, strnlen(h, 100));
        const std::string prefix(h + 345, strnlen(h + 345, 155));
        if (!prefix.empty())
            name = prefix + "/" + name;
        const std::uint64_t size = octal(h + 124, 12);
        const char type = h[156];
        at += 512;
        if (at + size > tar.size())
            return false;
        if (name.rfind("./", 0) == 0)
            name.erase(0, 2);
        while (!name.empty() && name.back() == '/')
            name.pop_back();
        if (name.empty() || name == "." || name.find("..") != std::string::npos ||
            name.front() == '/')
            return false; // nothing outside the working folder
        std::wstring path = wide(name);
        for (auto& c : path)
            if (c == L'/')
                c = L'\\';
        if (type == '5') {
            if (!::CreateDirectoryW(path.c_str(), nullptr) &&
                ::GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
        } else if (type == '0' || type == '\0') {
            // Seconds since 1970 in 100-nanosecond steps since 1601.
            const std::uint64_t ticks = (octal(h + 136, 12) + 11644473600ULL) * 10000000ULL;
            FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
            if (!writeFile(path, tar.data() + at, static_cast<std::size_t>(size), &time))
                return false;
        }
        at += static_cast<std::size_t>((size + 511) / 512 * 512);
    }
    return false;
}

// The installation appended to the program, if any.
bool payload(const std::wstring& self, std::string& tar) {
    std::string data;
    if (!readFile(self, data) || data.size() < kTrailer ||
        data.compare(data.size() - 8, 8, kMark) != 0)
        return false;
    std::uint64_t size = 0;
    for (int i = 7; i >= 0; --i)
        size = size * 256 + static_cast<unsigned char>(data[data.size() - kTrailer + i]);
    if (size > data.size() - kTrailer)
        return false;
    tar = data.substr(data.size() - kTrailer - size, size);
    return true;
}

// Fontinst.exe: the font file into the fonts folder, its name into the
// registry, and the running programs told.
int installFont() {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring target = std::wstring(windows) + L"\\Fonts\\ZuvaVoza.ttf";
    if (!::CopyFileW(L"ZuvaVoza.ttf", target.c_str(), FALSE))
        return 1;
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                          L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const wchar_t file[] = L"ZuvaVoza.ttf";
        ::RegSetValueExW(key, L"Zuva Voza (TrueType)", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(file), sizeof file);
        ::RegCloseKey(key);
    }
    ::AddFontResourceW(target.c_str());
    ::SendNotifyMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring self = ownPath();
    const std::wstring name = self.substr(self.find_last_of(L"\\/") + 1);
    log(name, argc, argv);

    std::string tar;
    if (payload(self, tar) && !unpack(tar)) {
        std::fputs("The sample package cannot be unpacked.\n", stderr);
        return 1;
    }
    if (::lstrcmpiW(name.c_str(), L"Fontinst.exe") == 0)
        return installFont();
    return 0;
}
