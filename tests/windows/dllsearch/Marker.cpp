// A DLL that notes where it was loaded from: on loading it adds its own path
// as a line to the file that DRO_DLL_MARKER names. Copied beside a program
// under the name of a DLL of the system, it shows whether the program took
// that copy instead of the system's.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t log[MAX_PATH];
    wchar_t self[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"DRO_DLL_MARKER", log, MAX_PATH);
    const DWORD length = ::GetModuleFileNameW(module, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || length == 0 || length >= MAX_PATH)
        return TRUE;
    char line[4 * MAX_PATH + 1];
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, self, static_cast<int>(length), line,
                                      sizeof line - 1, nullptr, nullptr);
    line[bytes++] = '\n';
    const HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, line, static_cast<DWORD>(bytes), &written, nullptr);
        ::CloseHandle(file);
    }
    return TRUE;
}
