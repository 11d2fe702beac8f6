// The registration of TiskPDF.dll under a root's Software\Classes: the
// programmatic identifier, the class with this DLL as its in-process server,
// the interface, and the type library embedded in the DLL.
#pragma once

#include "platform/win32/Support.h"

namespace tiskpdf::com {

// Writes every key; a failure puts back what was there before.
LSTATUS registerIn(HKEY root);
// Removes the keys when they belong to this DLL; a registration of another
// copy stays, and what is not there is no error.
LSTATUS unregisterFrom(HKEY root);

} // namespace tiskpdf::com
