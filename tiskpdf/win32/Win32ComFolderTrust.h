// Whether a registration of TiskPDF.dll for the whole machine is safe: the
// DLL then runs inside every user's programs, so no one but the
// administrators may be able to change it or the folder it lies in (replace
// it, or put another file in its place).
#pragma once

#include <windows.h>

#include <string>

namespace tiskpdf::com {

// Whether only trusted accounts can change the object that the security
// descriptor describes: its owner and every account that an allowing entry
// of its access list (inherit-only entries aside) grants a right to write,
// append, add files or folders, delete, or change the access list or the
// owner must be SYSTEM, the Administrators group, TrustedInstaller or
// alsoTrusted (may be null). No access list at all lets everyone write.
bool onlyTrustedCanWrite(PSECURITY_DESCRIPTOR descriptor, PSID alsoTrusted);

// The same for the DLL at dllPath and for its folder, as the system
// describes them now. The user who runs the program counts as trusted when
// a member of the Administrators group. False when a description cannot be
// read.
bool onlyAdministratorsCanChange(const std::wstring& dllPath);

} // namespace tiskpdf::com
