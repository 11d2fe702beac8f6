// Shell-link (.lnk) files read and written in the published format, with the
// effect of the shell's link object: load, change, save over the same file.
#pragma once

#include <string>

#include "ShellLinkFormat.h"
#include "platform/Windows.h"

namespace platform::shelllink {

// Applies the change to the link file at hostPath. The paths inside the
// change are Windows paths, written into the link as they are.
ShellLinkOutcome updateLinkFile(const std::string& hostPath, const ShellLinkChange& change);

// The same, with what a directory search tells about the new target and its
// folders (attributes, size, time), which the shell records in the link.
ShellLinkOutcome updateLinkFile(const std::string& hostPath, const ShellLinkChange& change,
                                const TargetLookup& lookup);

// The lookup of a Windows: its directory search (FindFirstFile) for each
// path. The Windows must outlive the lookup.
TargetLookup lookupThrough(Windows& win);

} // namespace platform::shelllink
