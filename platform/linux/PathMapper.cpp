#include "linux/PathMapper.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/Encoding.h"

namespace platform {
namespace {

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Drops empty names and "." and resolves ".." among the names of a path.
std::vector<std::string> resolveDots(const std::vector<std::string>& names) {
    std::vector<std::string> parts;
    for (const auto& c : names) {
        if (c.empty() || c == ".")
            continue;
        if (c == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(c);
    }
    return parts;
}

// The name in folder that equals name without regard to case.
std::optional<std::string> findIgnoringCase(const std::string& folder, const std::string& name) {
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return std::nullopt;
    std::optional<std::string> found;
    while (dirent* e = ::readdir(d)) {
        if (equalsIgnoreCase(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

// Normalises the components after the root: ".", "..", empty names, and the
// trailing dots and blanks that Windows drops from names.
std::string normaliseTail(const std::string& root, const std::string& tail) {
    std::vector<std::string> parts;
    for (std::string c : resolveDots(split(tail, '\\'))) {
        while (!c.empty() && (c.back() == '.' || c.back() == ' '))
            c.pop_back();
        if (!c.empty())
            parts.push_back(c);
    }
    std::string out = root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += '\\';
        out += parts[i];
    }
    const bool trailing = !tail.empty() && tail.back() == '\\';
    if (trailing && !parts.empty())
        out += '\\';
    return out;
}

std::string realOrSelf(const std::string& host) {
    char buf[PATH_MAX];
    if (::realpath(host.c_str(), buf))
        return buf;
    return host;
}

std::string absoluteHost(const std::string& host) {
    if (!host.empty() && host[0] == '/')
        return host;
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? hostJoin(buf, host) : "/" + host;
}

// An absolute host path with "." and ".." resolved by name alone.
std::string lexicalHost(const std::string& host) {
    std::string out;
    for (const auto& part : resolveDots(split(absoluteHost(host), '/')))
        out += "/" + part;
    return out.empty() ? "/" : out;
}

// "Z:\" + "/usr/bin" gives "Z:\usr\bin": one backslash after the drive,
// backslashes for the host's separators.
std::string withBackslashes(const std::string& path) {
    std::string out;
    for (char c : path) {
        const char d = c == '/' ? '\\' : c;
        if (d == '\\' && !out.empty() && out.back() == '\\')
            continue;
        out += d;
    }
    return out;
}

// The canonical form of a host path whose last names may not exist yet.
std::string canonicalHost(const std::string& host) {
    const std::vector<std::string> parts = resolveDots(split(absoluteHost(host), '/'));
    // Resolve the longest existing head, keep the rest as written.
    std::size_t n = parts.size();
    while (true) {
        std::string head = "/";
        for (std::size_t i = 0; i < n; ++i)
            head = hostJoin(head, parts[i]);
        if (n == 0 || hostExists(head)) {
            std::string out = realOrSelf(head);
            for (std::size_t i = n; i < parts.size(); ++i)
                out = hostJoin(out, parts[i]);
            return out;
        }
        --n;
    }
}

} // namespace

bool hostExists(const std::string& host) {
    struct stat st;
    return ::stat(host.c_str(), &st) == 0;
}

bool hostIsDirectory(const std::string& host) {
    struct stat st;
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string hostJoin(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool hasInvalidNameCharacter(const std::string& component, bool allowWildcards) {
    for (unsigned char c : component) {
        if (c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|')
            return true;
        if (!allowWildcards && (c == '?' || c == '*'))
            return true;
    }
    return false;
}

Result<std::string> makeFullPath(const std::string& input, const std::string& cwd) {
    std::string path = input;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (path.empty())
        return Result<std::string>::failure(kErrorInvalidName);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share\rest
        const auto parts = split(path.substr(2), '\\');
        if (parts.size() < 2 || parts[0].empty() || parts[1].empty())
            return Result<std::string>::failure(kErrorInvalidName);
        const std::string root = "\\\\" + parts[0] + "\\" + parts[1];
        const std::size_t restAt = 2 + parts[0].size() + 1 + parts[1].size();
        const std::string rest = restAt < path.size() ? path.substr(restAt + 1) : "";
        if (rest.empty())
            return root;
        return normaliseTail(root + "\\", rest);
    }
    const std::string cwdDrive = cwd.size() >= 2 && cwd[1] == ':' ? cwd.substr(0, 2) : "C:";
    const std::string cwdTail = cwd.size() > 3 ? cwd.substr(3) : "";
    if (path.size() >= 2 && isLetter(path[0]) && path[1] == ':') {
        const std::string drive{upperAscii(path[0]), ':'};
        std::string rest = path.substr(2);
        if (!rest.empty() && rest[0] == '\\')
            return normaliseTail(drive + "\\", rest.substr(1));
        // Drive-relative: against the current folder when it is on that drive.
        if (drive == upperCase(cwdDrive))
            return normaliseTail(drive + "\\", cwdTail + "\\" + rest);
        return normaliseTail(drive + "\\", rest);
    }
    if (path[0] == '\\')
        return normaliseTail(upperCase(cwdDrive) + "\\", path.substr(1));
    return normaliseTail(upperCase(cwdDrive) + "\\", cwdTail + "\\" + path);
}

std::optional<std::string> PathMapper::driveRoot(char drive) const {
    const char lower = static_cast<char>(upperAscii(drive) + ('a' - 'A'));
    if (lower < 'a' || lower > 'z')
        return std::nullopt;
    const std::string link = prefix_ + "/dosdevices/" + std::string(1, lower) + ":";
    if (hostIsDirectory(link))
        return realOrSelf(link);
    struct stat st;
    if (::lstat(link.c_str(), &st) == 0)
        return std::nullopt; // a dangling link: the drive is not there
    if (lower == 'c')
        return prefix_ + "/drive_c";
    if (lower == 'z')
        return std::string("/");
    return std::nullopt;
}

Result<std::string> PathMapper::toHost(const std::string& fullPath) const {
    if (fullPath.size() >= 2 && fullPath[0] == '\\' && fullPath[1] == '\\')
        return Result<std::string>::failure(kErrorBadNetPath);
    if (fullPath.size() < 2 || fullPath[1] != ':' || !isLetter(fullPath[0]))
        return Result<std::string>::failure(kErrorPathNotFound);
    const auto root = driveRoot(fullPath[0]);
    if (!root)
        return Result<std::string>::failure(kErrorPathNotFound);
    std::string host = *root;
    bool missing = false;
    const std::string tail = fullPath.size() > 3 ? fullPath.substr(3) : "";
    if (tail.empty())
        return host;
    for (const auto& comp : split(tail, '\\')) {
        if (comp.empty())
            continue;
        if (hasInvalidNameCharacter(comp, false))
            return Result<std::string>::failure(kErrorInvalidName);
        if (missing) {
            host = hostJoin(host, comp);
            continue;
        }
        std::string candidate = hostJoin(host, comp);
        struct stat st;
        if (::lstat(candidate.c_str(), &st) == 0) {
            host = candidate;
            continue;
        }
        if (auto found = findIgnoringCase(host, comp)) {
            host = hostJoin(host, *found);
        } else {
            host = candidate;
            missing = true;
        }
    }
    return host;
}

std::optional<std::string> PathMapper::inDrive(const std::string& host) const {
    std::size_t best = 0;
    std::string found;
    for (char d = 'A'; d <= 'Z'; ++d) {
        const auto root = driveRoot(d);
        if (!root)
            continue;
        const std::string link =
            prefix_ + "/dosdevices/" + std::string(1, static_cast<char>(d + 32)) + ":";
        for (const std::string& r : {*root, link}) {
            if (r == "/")
                continue;
            const bool inside =
                host == r || (host.size() > r.size() && host.compare(0, r.size(), r) == 0 &&
                              host[r.size()] == '/');
            if (inside && r.size() > best) {
                best = r.size();
                found = std::string{d, ':', '\\'} + host.substr(r.size());
            }
        }
    }
    if (best == 0)
        return std::nullopt;
    return withBackslashes(found);
}

std::string PathMapper::toWindows(const std::string& hostPath) const {
    // The path as written is looked for in the drives first, so that a
    // symbolic link keeps the folder it was reached through; only a path
    // that lies in no drive that way is followed through its links.
    const std::string lexical = lexicalHost(hostPath);
    if (auto w = inDrive(lexical))
        return *w;
    if (auto w = inDrive(canonicalHost(hostPath)))
        return *w;
    return withBackslashes("Z:\\" + lexical);
}

} // namespace platform
