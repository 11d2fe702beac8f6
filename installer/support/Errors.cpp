#include "support/Errors.h"

#include "platform/WinTypes.h"

namespace support {

std::string inOutErrorMessage(int code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 100:
        return "Read beyond end of file";
    case 101:
        return "Disk full";
    case 106:
        return "Invalid numeric input";
    default:
        return "I/O error " + std::to_string(code);
    }
}

int inOutCodeFor(std::uint32_t winError) {
    if (winError == platform::kErrorDiskFull || winError == platform::kErrorHandleDiskFull)
        return 101;
    return static_cast<int>(winError);
}

EInOutError::EInOutError(int code) : InstallerError(inOutErrorMessage(code)), code_(code) {}

} // namespace support
