// Copying a program that is to be started afterwards.
#pragma once

#include <string>

#include "platform/Windows.h"

namespace installer {

// CopyFileTo for a program: on a POSIX host the copy also gets the source's
// permission to be executed, which a plain file copy of the emulated Windows
// does not carry over (there a copied program could not be started).
void CopyProgramTo(platform::Windows& win, const std::string& source,
                   const std::string& destination);

} // namespace installer
