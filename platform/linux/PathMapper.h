// Windows paths of the emulated machine and the host paths behind them.
//
// Drive X: is the folder dosdevices/x: of the prefix (Wine keeps symbolic
// links there); without dosdevices/c:, C: is drive_c; without dosdevices/z:,
// Z: is the host's root. Names are matched without regard to case, as
// Windows does; a name that does not exist yet is kept as written.
#pragma once

#include <optional>
#include <string>

#include "platform/Result.h"

namespace platform {

// GetFullPathName: the absolute, normalised form of path ("\" separators,
// "." and ".." resolved) against the current folder cwd (itself full).
Result<std::string> makeFullPath(const std::string& path, const std::string& cwd);

// True for names Windows refuses in a path component (<>:"|?* and control
// characters).
bool hasInvalidNameCharacter(const std::string& component, bool allowWildcards);

class PathMapper {
public:
    explicit PathMapper(std::string prefix) : prefix_(std::move(prefix)) {}

    const std::string& prefix() const { return prefix_; }
    // The host folder of a drive letter, or nothing when there is no such drive.
    std::optional<std::string> driveRoot(char drive) const;
    // The host path of a full Windows path. Fails for a missing drive
    // (ERROR_PATH_NOT_FOUND), a network path and invalid names.
    Result<std::string> toHost(const std::string& fullPath) const;
    // The Windows path of a host path; outside every drive it is Z:\...
    std::string toWindows(const std::string& hostPath) const;

private:
    // The Windows path of an absolute host path inside a drive.
    std::optional<std::string> inDrive(const std::string& host) const;

    std::string prefix_;
};

// Joins a host folder and a name with one "/".
std::string hostJoin(const std::string& folder, const std::string& name);
bool hostExists(const std::string& host);
bool hostIsDirectory(const std::string& host);

} // namespace platform
