// Shell links on Windows: the shell's own link object loads the link,
// takes the changes and saves it over itself.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "win32/Win32Windows.h"

namespace platform::win32 {

ShellLinkOutcome Win32Windows::updateShellLink(const std::string& linkFile,
                                               const ShellLinkChange& change) {
    // The link object resolves a relative name against the current folder
    // on load, but not always on save: both get the full path.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFullPathNameW(wide(linkFile).c_str(), static_cast<DWORD>(path.size()),
                                           path.data(), nullptr);
        if (n == 0)
            return {hresultFromWin32(::GetLastError()), "IPersistFile::Load"};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(n);
    }

    ComApartment com;
    ComPtr<IShellLinkW> link;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.putVoid());
    if (FAILED(hr))
        return {hr, "CoCreateInstance"};
    ComPtr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(IID_IPersistFile, file.putVoid())))
        return {hr, "IShellLinkW::QueryInterface"};
    if (FAILED(hr = file->Load(path.c_str(), STGM_READWRITE)))
        return {hr, "IPersistFile::Load"};
    // Its result is not looked at: some shells (Wine) answer E_FAIL for an
    // empty list although they have dropped the old one, and the path set
    // next gives the link a new list anyway.
    if (change.clearIdList)
        link->SetIDList(nullptr);
    if (FAILED(hr = link->SetPath(wide(change.path).c_str())))
        return {hr, "IShellLinkW::SetPath"};
    if (FAILED(hr = link->SetWorkingDirectory(wide(change.workingDirectory).c_str())))
        return {hr, "IShellLinkW::SetWorkingDirectory"};
    if (FAILED(hr = link->SetIconLocation(wide(change.iconLocation).c_str(), change.iconIndex)))
        return {hr, "IShellLinkW::SetIconLocation"};
    if (FAILED(hr = file->Save(path.c_str(), TRUE)))
        return {hr, "IPersistFile::Save"};
    return {kSOk, {}};
}

} // namespace platform::win32
