// Shell-link (.lnk) files read and written in the published format, with the
// effect of the shell's link object: load, change, save over the same file.
#pragma once

#include <string>

#include "platform/Windows.h"

namespace platform::shelllink {

// Applies the change to the link file at hostPath. The paths inside the
// change are Windows paths, written into the link as they are.
ShellLinkOutcome updateLinkFile(const std::string& hostPath, const ShellLinkChange& change);

} // namespace platform::shelllink
