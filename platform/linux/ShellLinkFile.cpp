#include "linux/ShellLinkFile.h"

namespace platform::shelllink {

ShellLinkOutcome updateLinkFile(const std::string&, const ShellLinkChange&) {
    return {kENotImpl, "IPersistFile::Load"};
}

} // namespace platform::shelllink
