// The parts of a Windows path, taken as the runtime's ExtractFile* functions
// take them: the last "\" or ":" ends the folder part, and a network path's
// drive is its "\\server\share".
#pragma once

#include <string>
#include <string_view>

namespace platform {

// "C:" of C:\DRO\x.txt, "\\server\share" of \\server\share\x, else empty.
std::string extractFileDrive(std::string_view path);
// The folder part with its closing "\" or ":" ("C:\DRO\" of C:\DRO\x.txt).
std::string extractFilePath(std::string_view path);
// The folder part without a closing "\" unless it is a root: "C:\DRO" of
// C:\DRO\x.txt, "C:\" of C:\x.txt, "C:" of C:x.txt.
std::string extractFileDir(std::string_view path);
// The name after the folder part.
std::string extractFileName(std::string_view path);

} // namespace platform
