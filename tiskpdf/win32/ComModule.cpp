// TiskPDF.dll: the PDF document library as an in-process COM server on
// Windows, and its exports. The class "TiskPDF.PDFDocument4" (TiskPDF.idl)
// is made by the class factory (ComClassFactory) as a document object
// (ComDocument); registration (ComRegistration) writes it under
// Software\Classes of the machine (HKEY_LOCAL_MACHINE, administrator rights)
// or, where the user may not write there, of the user (HKEY_CURRENT_USER).
#include "ComClassFactory.h"
#include "ComObject.h"
#include "ComRegistration.h"
#include "Win32ComFolderTrust.h"
#include "Win32ComInterface.h"

namespace tiskpdf::com {

namespace detail {
std::atomic<long> liveObjects{0};
}

namespace {
HMODULE g_module = nullptr;
std::atomic<long> g_locks{0};

HRESULT fromStatus(LSTATUS status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}
} // namespace

HMODULE thisModule() {
    return g_module;
}

// Live objects (documents and class factories handed out) and LockServer
// calls: the DLL may be unloaded when both are 0.
bool moduleInUse() {
    return detail::liveObjects != 0 || g_locks != 0;
}

void lockModule(bool lock) {
    if (lock)
        ++g_locks;
    else
        --g_locks;
}

} // namespace tiskpdf::com

using namespace tiskpdf::com;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        ::DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kClsidPdfDocument4)
        return CLASS_E_CLASSNOTAVAILABLE;
    ClassFactory* factory = new (std::nothrow) ClassFactory();
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return moduleInUse() ? S_FALSE : S_OK;
}

// For the machine when no one but the administrators can change the DLL or
// its folder, and the user may write there; else for the user.
STDAPI DllRegisterServer() {
    if (!onlyAdministratorsCanChange(platform::win32::modulePath(thisModule()))) {
        // An earlier registration of this DLL for the machine would still
        // run it for every user; what cannot be removed stays.
        static_cast<void>(unregisterFrom(HKEY_LOCAL_MACHINE));
        return fromStatus(registerIn(HKEY_CURRENT_USER));
    }
    const LSTATUS status = registerIn(HKEY_LOCAL_MACHINE);
    if (status == ERROR_ACCESS_DENIED)
        return fromStatus(registerIn(HKEY_CURRENT_USER));
    return fromStatus(status);
}

// From both the machine and the user, where the registration is this DLL's;
// what is not there is no error.
STDAPI DllUnregisterServer() {
    const LSTATUS machine = unregisterFrom(HKEY_LOCAL_MACHINE);
    const LSTATUS user = unregisterFrom(HKEY_CURRENT_USER);
    return fromStatus(machine != ERROR_SUCCESS ? machine : user);
}

// regsvr32 /i:user or /i:machine (with /n: only that): the one scope named,
// as its administrator asks.
STDAPI DllInstall(BOOL install, LPCWSTR scope) {
    HKEY root = HKEY_LOCAL_MACHINE;
    if (scope && ::_wcsicmp(scope, L"user") == 0)
        root = HKEY_CURRENT_USER;
    else if (scope && *scope && ::_wcsicmp(scope, L"machine") != 0)
        return E_INVALIDARG;
    return fromStatus(install ? registerIn(root) : unregisterFrom(root));
}

} // extern "C"
