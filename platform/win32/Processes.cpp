// Processes on Windows: CreateProcess, the shell's ShellExecute and
// FindExecutable, and the program's own path.
#include "win32/Win32Windows.h"

// After windows.h, which it needs.
#include <shellapi.h>

namespace platform::win32 {
namespace {

class Win32Process : public Process {
public:
    explicit Win32Process(HANDLE process) : process_(process) {}
    ~Win32Process() override { ::CloseHandle(process_); }
    Win32Process(const Win32Process&) = delete;
    Win32Process& operator=(const Win32Process&) = delete;

    std::uint32_t wait() override {
        ::WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        if (!::GetExitCodeProcess(process_, &code))
            return STILL_ACTIVE;
        return code;
    }

private:
    HANDLE process_;
};

// An optional string argument of the shell: empty means none.
const wchar_t* orNull(const std::wstring& s) {
    return s.empty() ? nullptr : s.c_str();
}

} // namespace

Result<std::unique_ptr<Process>> Win32Windows::createProcess(const std::string& commandLine,
                                                             const std::string& currentDirectory,
                                                             int showMode) {
    using R = Result<std::unique_ptr<Process>>;
    if (commandLine.find('\0') != std::string::npos ||
        currentDirectory.find('\0') != std::string::npos)
        return R::failure(kErrorInvalidName);
    // CreateProcessW may write into the command line, so it gets a copy.
    std::wstring line = wide(commandLine);
    line.push_back(L'\0');
    const std::wstring folder = wide(currentDirectory);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showMode);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                          CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, orNull(folder),
                          &startup, &info)) {
        const DWORD e = ::GetLastError();
        return R::failure(e);
    }
    ::CloseHandle(info.hThread);
    return std::unique_ptr<Process>(std::make_unique<Win32Process>(info.hProcess));
}

std::intptr_t Win32Windows::shellExecute(const std::string& verb, const std::string& file,
                                         const std::string& parameters,
                                         const std::string& directory, int showMode) {
    const std::wstring v = wide(verb), f = wide(file), p = wide(parameters), d = wide(directory);
    const HINSTANCE result =
        ::ShellExecuteW(nullptr, orNull(v), f.c_str(), orNull(p), orNull(d), showMode);
    return reinterpret_cast<std::intptr_t>(result);
}

std::intptr_t Win32Windows::findExecutable(const std::string& file, const std::string& directory,
                                           std::string& program) {
    program.clear();
    const std::wstring f = wide(file), d = wide(directory);
    wchar_t buffer[MAX_PATH + 1] = {};
    const HINSTANCE result = ::FindExecutableW(f.c_str(), orNull(d), buffer);
    const auto code = reinterpret_cast<std::intptr_t>(result);
    if (code > 32)
        program = narrow(std::wstring_view(buffer));
    return code;
}

std::string Win32Windows::modulePath() {
    if (!options_.modulePath.empty())
        return options_.modulePath;
    return narrow(win32::modulePath(nullptr));
}

} // namespace platform::win32
