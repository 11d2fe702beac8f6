// The replacement file's protocol, shared by the hosts: the bytes go to a
// temporary file beside the target, which is flushed and then moved over the
// target in one step; a replacement given up or failing removes its
// temporary file and leaves the target as it was. Each host provides the
// primitives below (linux/Files.cpp, win32/Files.cpp).
#pragma once

#include <memory>
#include <string>

#include "platform/Host.h"

namespace platform {

// A host's open file that can put its bytes on the disk before it closes.
class DurableFile : public File {
public:
    // Flushes what was written to the disk and closes the file; the first
    // failure of the two.
    [[nodiscard]] virtual WinError flushAndClose() = 0;
};

// A new file beside the target (a native path), created exclusively under a
// name no file has and open for writing by this process alone; its native
// path goes to temp. Refuses first what can never be replaced (a folder, a
// read-only file), so that the caller learns it before writing anything.
Result<std::unique_ptr<DurableFile>> createExclusiveBeside(const std::string& target,
                                                           std::string& temp);
// Moves temp over target in one step, replacing it, with the new name on the
// disk once it returns.
[[nodiscard]] WinError replaceWith(const std::string& temp, const std::string& target);
// Deletes the file at a native path.
[[nodiscard]] WinError removeFile(const std::string& path);

// The protocol itself is createNativeReplacement (Host.h).

} // namespace platform
