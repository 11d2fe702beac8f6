// Where a Windows program of ours looks for the DLLs it loads: the system
// folder only, never the program's own folder or the current one, so that a
// DLL that someone places beside the program is not run inside it. Windows
// programs only (each entry calls restrictDllSearch first); the other DLLs of
// the system that the programs use are bound when first called (delay-loaded,
// see dro_delay_load in cmake/WindowsPrograms.cmake) and come through here.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>
#include <string_view>

namespace platform {

// Restricts the process's DLL search to the system folder
// (SetDefaultDllDirectories with LOAD_LIBRARY_SEARCH_SYSTEM32, looked up at
// run time: Windows XP and Vista without their update lack it); where it is
// missing, at least the current folder leaves the search
// (SetDllDirectoryW with ""). Then loads from the system folder the DLLs
// that the system's own DLLs load on demand (version, uxtheme, usp10,
// msimg32), so that no later search can find another copy. Call first thing
// in the program's entry.
void restrictDllSearch();

// name (e.g. L"msftedit.dll") in the system folder; empty when the system
// folder cannot be read.
std::wstring systemDllPath(std::wstring_view name);

// Loads a DLL of the system by its full path in the system folder; null
// with the error in GetLastError when it is not there.
HMODULE loadSystemDll(std::wstring_view name);

} // namespace platform

#endif
