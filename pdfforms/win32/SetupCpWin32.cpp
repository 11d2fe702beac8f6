// SETUPCP.EXE: sets up the PDF component for Listar2 on Windows. It lies
// beside Listar2.exe and TiskPDF.dll, registers TiskPDF.dll from its own
// folder and says so in a message box.
//
//   SETUPCP.EXE [/u] [/s]
//
// Without /u the component is registered for all users of the machine, or,
// where the user has no right to that or where others than the
// administrators can change the DLL or its folder, for the user alone; /u
// removes both registrations of this DLL; /s shows no message. Exit code:
// 0 done, 1 failed, 2 an unknown option.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/DllSearch.h"
#include "platform/Host.h"
#include "platform/win32/Support.h"
#include "tiskpdf/win32/Win32ComFolderTrust.h"

namespace {

constexpr const char* kTitle = "Instalace TiskPDF";
constexpr const wchar_t* kComponent = L"TiskPDF.dll";

using DllInstallFunction = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
using DllUnregisterFunction = HRESULT(STDAPICALLTYPE*)();

// An export of the component as the function it is (through the generic
// function pointer type, which converts to any other).
template <class Function> Function exported(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

using platform::win32::narrow;
using platform::win32::wide;

struct Options {
    bool uninstall = false;
    bool silent = false;
    bool valid = true;
};

Options readOptions() {
    Options options;
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; words && i < count; ++i) {
        const std::wstring word = words[i];
        if (::_wcsicmp(word.c_str(), L"/u") == 0 || ::_wcsicmp(word.c_str(), L"-u") == 0)
            options.uninstall = true;
        else if (::_wcsicmp(word.c_str(), L"/s") == 0 || ::_wcsicmp(word.c_str(), L"-s") == 0)
            options.silent = true;
        else
            options.valid = false;
    }
    ::LocalFree(words);
    return options;
}

class Setup {
public:
    Setup() : ui_(platform::makeSystemUserInterface()) {
        platform::HostOptions options;
        options.ui = ui_.get();
        windows_ = platform::makeHostWindows(options);
    }

    int run(const Options& options) {
        silent_ = options.silent;
        if (!options.valid)
            return say(2, platform::kMbIconWarning,
                       "Neznámý parametr.\r"
                       "SETUPCP.EXE zaregistruje podporu PDF tiskopisů (TiskPDF.dll),\r"
                       "SETUPCP.EXE /u ji odregistruje, /s nic nehlásí.");

        const std::string module = windows_->modulePath();
        const std::size_t slash = module.find_last_of('\\');
        const std::string folder = slash == std::string::npos ? "." : module.substr(0, slash);
        const std::string dll = folder + "\\" + narrow(kComponent);
        const platform::Result<std::uint32_t> attributes = windows_->fileAttributes(dll);
        if (!attributes || (*attributes & platform::kFileAttributeDirectory))
            return say(1, platform::kMbIconError,
                       "Podporu PDF tiskopisů nelze nainstalovat:\r"
                       "ve složce " +
                           folder + " chybí soubor TiskPDF.dll.");

        // By its full path; what it imports comes from the system folder.
        HMODULE library = ::LoadLibraryExW(wide(dll).c_str(), nullptr, 0);
        if (!library)
            return say(1, platform::kMbIconError,
                       "Soubor " + dll + " nelze načíst:\r" +
                           windows_->formatMessage(::GetLastError()));
        const int code =
            options.uninstall ? unregister(library, dll) : install(library, dll, folder);
        ::FreeLibrary(library);
        return code;
    }

private:
    // For the machine only when no one but the administrators can change the
    // DLL or its folder: it then runs in every user's Listar2.
    int install(HMODULE library, const std::string& dll, const std::string& folder) {
        const auto dllInstall = exported<DllInstallFunction>(library, "DllInstall");
        if (!dllInstall)
            return say(1, platform::kMbIconError,
                       "Soubor " + dll + " není komponenta TiskPDF (chybí DllInstall).");
        const bool safeForMachine = tiskpdf::com::onlyAdministratorsCanChange(wide(dll));
        // A registration for the machine that an earlier set-up made of this
        // very DLL would still run it in every user's Listar2: it goes, where
        // the user may remove it (the DLL removes only its own).
        if (!safeForMachine)
            static_cast<void>(dllInstall(FALSE, L"machine"));
        HRESULT hr = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        if (safeForMachine)
            hr = dllInstall(TRUE, L"machine");
        const bool forUser = hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        if (forUser)
            hr = dllInstall(TRUE, L"user");
        if (FAILED(hr))
            return say(1, platform::kMbIconError,
                       "Podporu PDF tiskopisů nelze zaregistrovat:\r" + systemText(hr));
        std::string text = "Podpora PDF tiskopisů (TiskPDF.dll) je nainstalována\r";
        if (!forUser)
            text += "pro všechny uživatele počítače.";
        else if (safeForMachine)
            text += "pro přihlášeného uživatele.";
        else
            text += "pro přihlášeného uživatele. Pro všechny uživatele počítače\r"
                    "ji nainstalovat nelze, protože složku " +
                    folder +
                    "\r"
                    "nebo soubor TiskPDF.dll v ní mohou měnit i jiní uživatelé než správci.";
        return say(0, platform::kMbIconInformation,
                   text + "\rProgram Listar2 ji použije při příštím tisku.");
    }

    int unregister(HMODULE library, const std::string& dll) {
        const auto dllUnregister = exported<DllUnregisterFunction>(library, "DllUnregisterServer");
        if (!dllUnregister)
            return say(1, platform::kMbIconError,
                       "Soubor " + dll + " není komponenta TiskPDF (chybí DllUnregisterServer).");
        const HRESULT hr = dllUnregister();
        if (FAILED(hr))
            return say(1, platform::kMbIconError,
                       "Podporu PDF tiskopisů nelze odinstalovat:\r" + systemText(hr));
        return say(0, platform::kMbIconInformation,
                   "Podpora PDF tiskopisů (TiskPDF.dll) je odinstalována.");
    }

    std::string systemText(HRESULT hr) {
        std::string text = windows_->formatMessage(static_cast<std::uint32_t>(hr));
        if (text.empty()) {
            char number[16];
            std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(hr));
            text = std::string("chyba ") + number;
        }
        return text;
    }

    int say(int code, std::uint32_t icon, const std::string& text) {
        if (!silent_)
            ui_->messageBox(text, kTitle, platform::kMbOk | icon);
        return code;
    }

    std::unique_ptr<platform::UserInterface> ui_;
    std::unique_ptr<platform::Windows> windows_;
    bool silent_ = false;
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads a DLL: none from the print folder beside it.
    platform::restrictDllSearch();
    try {
        Setup setup;
        return setup.run(readOptions());
    } catch (...) {
        return 1;
    }
}
