#include "ProgramCopy.h"

#include "support/Utilities.h"

#if defined(__unix__)
#include <sys/stat.h>
#endif

namespace installer {

void CopyProgramTo(platform::Windows& win, const std::string& source,
                   const std::string& destination) {
    support::CopyFileTo(win, source, destination);
#if defined(__unix__)
    // The destination may be a folder that received the file under its name.
    std::string target = destination;
    if (support::FileHasAttributes(win, destination, platform::kFileAttributeDirectory)) {
        const auto pos = source.find_last_of("\\:");
        target = destination + (destination.ends_with("\\") ? "" : "\\") +
                 (pos == std::string::npos ? source : source.substr(pos + 1));
    }
    const auto from = win.nativePath(source);
    const auto to = win.nativePath(target);
    struct stat s, d;
    if (from && to && ::stat(from->c_str(), &s) == 0 && ::stat(to->c_str(), &d) == 0)
        ::chmod(to->c_str(), d.st_mode | (s.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)));
#endif
}

} // namespace installer
