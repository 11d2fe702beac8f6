// Who can change TiskPDF.dll and its folder, read from their access lists.
#include "Win32ComFolderTrust.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace tiskpdf::com {

namespace {

// The rights with which an account could replace the DLL or put a file of
// its own in the folder.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD |
                                     DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool isWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buffer;
    return ::CreateWellKnownSid(type, nullptr, buffer, &size) && ::EqualSid(sid, buffer);
}

bool isTrusted(PSID sid, PSID alsoTrusted) {
    if (!sid || !::IsValidSid(sid))
        return false;
    if (isWellKnown(sid, WinLocalSystemSid) || isWellKnown(sid, WinBuiltinAdministratorsSid))
        return true;
    if (alsoTrusted && ::EqualSid(sid, alsoTrusted))
        return true;
    PSID installer = nullptr;
    bool trusted = false;
    if (::ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                                 &installer)) {
        trusted = ::EqualSid(sid, installer);
        ::LocalFree(installer);
    }
    return trusted;
}

// The user of the process when a member of the Administrators group, else
// nothing; kept in buffer.
PSID administratorUser(std::vector<BYTE>& buffer) {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    BOOL member = FALSE;
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
        !::CheckTokenMembership(nullptr, administrators, &member) || !member)
        return nullptr;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD needed = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    buffer.resize(needed);
    const bool read =
        needed && ::GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed);
    ::CloseHandle(token);
    return read ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid : nullptr;
}

bool fileOnlyTrustedCanWrite(const std::wstring& path, PSID alsoTrusted) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const bool trusted = onlyTrustedCanWrite(descriptor, alsoTrusted);
    ::LocalFree(descriptor);
    return trusted;
}

} // namespace

bool onlyTrustedCanWrite(PSECURITY_DESCRIPTOR descriptor, PSID alsoTrusted) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!descriptor || !::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !isTrusted(owner, alsoTrusted))
        return false;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl)
        return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry))
            return false;
        const auto* header = static_cast<ACE_HEADER*>(entry);
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue;
        // Denying entries only take rights away.
        if (header->AceType == ACCESS_DENIED_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE)
            continue;
        // Any other kind of entry than a plain allowing one is not judged.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return false;
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & kWriteRights) &&
            !isTrusted(const_cast<DWORD*>(&allowed->SidStart), alsoTrusted))
            return false;
    }
    return true;
}

bool onlyAdministratorsCanChange(const std::wstring& dllPath) {
    const std::size_t slash = dllPath.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return false;
    std::wstring folder = dllPath.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\';
    std::vector<BYTE> buffer;
    PSID user = administratorUser(buffer);
    return fileOnlyTrustedCanWrite(folder, user) && fileOnlyTrustedCanWrite(dllPath, user);
}

} // namespace tiskpdf::com
