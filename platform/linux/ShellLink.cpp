// The emulated shell link object: the link file is read, changed and
// written by our own reader and writer of the shell-link format.
#include "linux/LinuxWindows.h"
#include "linux/ShellLinkFile.h"

namespace platform {

ShellLinkOutcome LinuxWindows::updateShellLink(const std::string& linkFile,
                                               const ShellLinkChange& change) {
    auto host = hostOf(linkFile);
    if (!host)
        return {hresultFromWin32(host.error()), "IPersistFile::Load"};
    return shelllink::updateLinkFile(*host, change, shelllink::lookupThrough(*this));
}

} // namespace platform
