// The sandbox on Windows: the real system, with a fresh folder of the test
// under the temporary folder.
#include "Sandbox.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/win32/Support.h"

#include "platform/Host.h"

namespace contract {

namespace fs = std::filesystem;
namespace {

using platform::win32::narrow;

std::wstring longTempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH)
        throw std::runtime_error("no temporary folder");
    // The temporary folder may be given in short names; the layer's full
    // paths keep the long ones the tests compare against.
    wchar_t full[32768] = {};
    const DWORD m = ::GetLongPathNameW(temp, full, 32768);
    std::wstring folder = m > 0 && m < 32768 ? std::wstring(full, m) : std::wstring(temp, n);
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

// Makes every file under folder writable again, so that it can be removed.
void clearReadOnly(const fs::path& folder) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace

struct Sandbox::Machine {
    std::unique_ptr<platform::Windows> win;
    std::wstring startFolder;
};

Sandbox::Sandbox() : machine_(std::make_unique<Machine>()) {
    static std::atomic<unsigned> counter{0};
    const std::wstring temp = longTempFolder();
    std::wstring folder;
    for (int attempt = 0;; ++attempt) {
        std::wstringstream name;
        name << temp << L"\\contract-" << ::GetCurrentProcessId() << L"-" << counter++ << L"-"
             << ::GetTickCount();
        folder = name.str();
        if (::CreateDirectoryW(folder.c_str(), nullptr))
            break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt > 100)
            throw std::runtime_error("cannot create the test folder " + narrow(folder));
    }
    root_ = narrow(folder);
    wchar_t cwd[32768] = {};
    machine_->startFolder = std::wstring(cwd, ::GetCurrentDirectoryW(32768, cwd));
    platform::HostOptions options;
    options.ui = &ui;
    machine_->win = platform::makeHostWindows(options);
}

Sandbox::~Sandbox() {
    machine_->win.reset();
    // A test may have moved the process into its folder, which holds it.
    if (!machine_->startFolder.empty())
        ::SetCurrentDirectoryW(machine_->startFolder.c_str());
    const fs::path root = platform::fsPath(root_);
    clearReadOnly(root);
    // A program the test started may hold the folder for a moment after it
    // ended (its console, as its current folder).
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::error_code ec;
        fs::remove_all(root, ec);
        if (!fs::exists(root, ec))
            break;
        ::Sleep(100);
    }
}

platform::Windows& Sandbox::win() {
    return *machine_->win;
}

namespace {

// A name under the root, or a whole Windows path as it is.
std::string under(const std::string& root, const std::string& name) {
    const bool absolute =
        (name.size() >= 2 && name[1] == ':') || (name.size() >= 2 && name.rfind("\\\\", 0) == 0);
    return absolute ? name : root + "\\" + name;
}

} // namespace

void Sandbox::writeFile(const std::string& name, const std::string& bytes) {
    const fs::path p = platform::fsPath(under(root_, name));
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + name);
}

std::string Sandbox::readFile(const std::string& name) {
    std::ifstream in(platform::fsPath(under(root_, name)), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + name);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Sandbox::exists(const std::string& name) {
    std::error_code ec;
    return fs::exists(platform::fsPath(under(root_, name)), ec);
}

std::string Sandbox::exitCommand(int code, const std::string& marker) {
    // cmd.exe of the system: the marker is created in its current folder.
    std::string line = "cmd.exe /c ";
    if (!marker.empty())
        line += "echo started>\"" + marker + "\"& ";
    return line + "exit " + std::to_string(code);
}

std::string Sandbox::programCopy(const std::string& name) {
    wchar_t system[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = std::wstring(system, n) + L"\\cmd.exe";
    const fs::path copy = platform::fsPath(path(name));
    fs::create_directories(copy.parent_path());
    if (n == 0 || !::CopyFileW(cmd.c_str(), copy.c_str(), FALSE))
        throw std::runtime_error("cannot copy cmd.exe to " + name);
    return path(name);
}

std::unique_ptr<platform::Windows> Sandbox::another(platform::UserInterface& otherUi) {
    platform::HostOptions options;
    options.ui = &otherUi;
    return platform::makeHostWindows(options);
}

} // namespace contract
