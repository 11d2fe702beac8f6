// The DLL search of our Windows programs: the system folder only. The DLLs
// that a program imports are bound by the loader before its entry runs,
// when nothing can restrict the search yet; so the programs bind at start
// only kernel32, advapi32 and the C runtime, and every other DLL of the
// system is delay-loaded: the hook below loads it by its full path in the
// system folder when it is first called.
#include "platform/DllSearch.h"

#include <delayimp.h>

#include <cstring>

namespace platform {

namespace {
// Whether the search is the system folder alone (SetDefaultDllDirectories).
bool g_systemFolderOnly = false;
} // namespace

void restrictDllSearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefault =
        kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
                     ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    g_systemFolderOnly = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!g_systemFolderOnly)
        ::SetDllDirectoryW(L"");
    // DLLs that the system's own DLLs load when they first need them, taken
    // from the system folder now: a later load by the bare name gets the one
    // already loaded, whatever folders the loading DLL would search (Wine's
    // own DLLs search the program's folder first).
    for (const wchar_t* name : {L"version.dll", L"uxtheme.dll", L"usp10.dll", L"msimg32.dll"})
        loadSystemDll(name);
}

std::wstring systemDllPath(std::wstring_view name) {
    wchar_t folder[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    std::wstring path(folder, n);
    if (path.back() != L'\\')
        path += L'\\';
    return path.append(name);
}

HMODULE loadSystemDll(std::wstring_view name) {
    const std::wstring path = systemDllPath(name);
    if (path.empty())
        return nullptr;
    // What the DLL imports in turn: from the system folder as well (where
    // the search cannot be restricted, its own folder comes first).
    return ::LoadLibraryExW(path.c_str(), nullptr,
                            g_systemFolderOnly ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

namespace {

// Before the delay-load helper loads a DLL by its bare name: the system
// folder's copy instead. The common controls stay with the helper, which
// loads them by name so that the version the program's manifest asks for
// (version 6, from the side-by-side store) is the one bound; that lookup
// never reaches the program's folder.
FARPROC WINAPI delayLoadHook(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll)
        return nullptr;
    if (::_stricmp(info->szDll, "comctl32.dll") == 0)
        return nullptr;
    std::wstring name;
    for (const char* c = info->szDll; *c; ++c)
        name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return reinterpret_cast<FARPROC>(loadSystemDll(name));
}

} // namespace

} // namespace platform

// The delay-load helper's notification hook (replaces the C runtime's empty
// one); it lives in this file so that every program that restricts its DLL
// search links it.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = platform::delayLoadHook;
}
