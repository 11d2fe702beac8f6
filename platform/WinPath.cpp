#include "platform/WinPath.h"

namespace platform {

namespace {

// Where the name starts: after the last "\" or ":".
std::size_t nameStart(std::string_view path) {
    const auto pos = path.find_last_of("\\:");
    return pos == std::string_view::npos ? 0 : pos + 1;
}

} // namespace

std::string extractFileDrive(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':')
        return std::string(path.substr(0, 2));
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const auto server = path.find('\\', 2);
        if (server == std::string_view::npos)
            return {};
        return std::string(path.substr(0, path.find('\\', server + 1)));
    }
    return {};
}

std::string extractFilePath(std::string_view path) {
    return std::string(path.substr(0, nameStart(path)));
}

std::string extractFileDir(std::string_view path) {
    std::size_t end = nameStart(path);
    // The closing "\" goes, unless a drive or another "\" is before it.
    if (end > 1 && path[end - 1] == '\\' && path[end - 2] != '\\' && path[end - 2] != ':')
        --end;
    return std::string(path.substr(0, end));
}

std::string extractFileName(std::string_view path) {
    return std::string(path.substr(nameStart(path)));
}

} // namespace platform
