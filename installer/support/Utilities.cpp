#include "support/Utilities.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/Encoding.h"
#include "platform/WinPath.h"
#include "support/TextFiles.h"

namespace support {

using namespace platform;

namespace {

const char* const kVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::string expandFileName(Windows& win, const std::string& name) {
    auto full = win.fullPathName(name);
    return full ? *full : name;
}

// A whole number as the runtime reads it, or nothing.
std::optional<long> parseInteger(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i >= text.size())
        return std::nullopt;
    long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > 0x7FFFFFFF)
            return std::nullopt;
    }
    return negative ? -v : v;
}

int registryVersionPart(Windows& win, bool major) {
    const VersionInfo reported = win.reportedVersion();
    if (!(reported.major == 6 && reported.minor == 2))
        return static_cast<int>(major ? reported.major : reported.minor);
    if (auto n =
            win.registryDword(RegistryHive::LocalMachine, kVersionKey,
                              major ? "CurrentMajorVersionNumber" : "CurrentMinorVersionNumber"))
        return static_cast<int>(*n);
    const std::string version =
        win.registryString(RegistryHive::LocalMachine, kVersionKey, "CurrentVersion")
            .value_or(std::to_string(reported.major) + "." + std::to_string(reported.minor));
    const auto dot = version.find('.');
    const std::string part =
        major ? version.substr(0, dot) : (dot == std::string::npos ? "" : version.substr(dot + 1));
    if (auto n = parseInteger(part))
        return static_cast<int>(*n);
    return static_cast<int>(major ? reported.major : reported.minor);
}

} // namespace

// Without its closing period and line end, as the runtime shows it.
std::string SysErrorMessage(Windows& win, std::uint32_t code) {
    std::string text = win.formatMessage(code);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty())
        text = "System error " + std::to_string(code);
    return text;
}

void CopyFileTo(Windows& win, const std::string& source, const std::string& destination) {
    std::string dest = expandFileName(win, destination);
    if (FileHasAttributes(win, dest, kFileAttributeDirectory)) {
        if (dest.empty() || dest.back() != '\\')
            dest += '\\';
        dest += platform::extractFileName(source);
    }

    auto in = win.createFile(source, Access::Read, kShareRead, Disposition::OpenExisting);
    if (!in)
        throw EFOpenError("Cannot open file " + source);

    // The copy takes the destination's place only once complete, so a
    // failure never leaves a partial file under the destination's name, nor
    // destroys the file that was there.
    auto created = win.createReplacement(dest);
    if (!created)
        throw EFCreateError("Cannot create file " + dest);
    const std::unique_ptr<ReplacementFile> out = std::move(*created);

    std::vector<char> buffer(ChunkSize);
    WinError failure = kErrorSuccess;
    while (true) {
        auto n = (*in)->read(buffer.data(), ChunkSize);
        if (!n) {
            failure = n.error();
            break;
        }
        if (*n > 0) {
            auto written = out->write(buffer.data(), *n);
            if (!written || *written != *n) {
                failure = written ? kErrorDiskFull : written.error();
                break;
            }
        }
        if (*n != ChunkSize)
            break;
    }
    // Closing a file only read loses nothing of what was read.
    static_cast<void>((*in)->close());
    if (failure != kErrorSuccess)
        throw EInOutError(inOutCodeFor(failure));
    if (const WinError committed = out->commit(); committed != kErrorSuccess)
        throw EInOutError(inOutCodeFor(committed));
}

std::int32_t FileSizeOf(Windows& win, const std::string& name) {
    auto found = win.findFiles(expandFileName(win, name));
    if (!found || found->empty())
        return -1;
    const FindData& f = found->front();
    if (f.attributes & kFileAttributeDirectory)
        return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(f.size & 0xFFFFFFFFu));
}

bool FileHasAttributes(Windows& win, const std::string& name, std::uint16_t bits) {
    auto attrs = win.fileAttributes(name);
    const std::uint32_t a = attrs ? *attrs : 0;
    return (a & bits) == bits;
}

std::intptr_t ExecuteFile(Windows& win, const std::string& file, const std::string& parameters,
                          const std::string& folder, int show) {
    return win.shellExecute("", file, parameters, folder, show);
}

int RunAndWait(Windows& win, const std::string& program, const std::string& folder,
               std::uint16_t show, WinError* failure, std::unique_ptr<File> hold) {
    auto process = win.createProcess("\"" + program + "\"", folder, show);
    // Started, the program's image is its own; the file may go its way.
    hold.reset();
    if (!process) {
        if (failure)
            *failure = process.error();
        return -1;
    }
    (*process)->wait();
    return 1;
}

namespace {

// Up to size bytes, fewer only at the end of the file.
Result<std::size_t> readFull(File& file, char* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        auto n = file.read(buffer + got, size - got);
        if (!n)
            return n;
        if (*n == 0)
            break;
        got += *n;
    }
    return got;
}

} // namespace

std::unique_ptr<File> HoldCopy(Windows& win, const std::string& source, const std::string& copy) {
    auto hold = win.holdFile(copy);
    if (!hold)
        throw EFOpenError("Cannot open file " + copy);
    auto original = win.createFile(source, Access::Read, kShareRead, Disposition::OpenExisting);
    if (!original)
        throw EFOpenError("Cannot open file " + source);
    std::vector<char> held(ChunkSize), wanted(ChunkSize);
    while (true) {
        const auto a = readFull(**hold, held.data(), ChunkSize);
        const auto b = readFull(**original, wanted.data(), ChunkSize);
        if (!a || !b)
            throw EInOutError(inOutCodeFor(!a ? a.error() : b.error()));
        if (*a != *b || !std::equal(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(*a),
                                    wanted.begin()))
            throw InstallerError("Soubor " + copy + " se liší od " + source);
        if (*a < ChunkSize)
            break;
    }
    // Closing a file only read loses nothing of what was read.
    static_cast<void>((*original)->close());
    return std::move(*hold);
}

void Delay(Windows& win, std::uint32_t ms) {
    const std::uint32_t start = win.tickCount();
    do {
        win.ui().processPendingMessages();
    } while (static_cast<std::uint32_t>(win.tickCount() - start) < ms);
}

std::int64_t DiskFreeSpace(Windows& win, const std::string& unit, const std::string& path,
                           bool total) {
    auto space = win.diskFreeSpace(path);
    if (!space)
        return -1;
    const std::uint64_t bytes = total ? space->total : space->freeToCaller;
    const std::uint64_t divisor = unit == "MB" ? 1048576ULL : 1073741824ULL;
    return static_cast<std::int64_t>(bytes / divisor);
}

bool HasEnoughFreeSpace(Windows& win, const std::string& path, std::int64_t thresholdMb) {
    return DiskFreeSpace(win, "MB", platform::extractFileDrive(path), false) > thresholdMb;
}

std::string SystemDirectory(Windows& win) {
    auto dir = win.systemDirectory();
    if (!dir)
        throw EOSError(dir.error(), SysErrorMessage(win, dir.error()));
    return *dir;
}

std::string DesktopFolder(Windows& win) {
    auto dir = win.desktopDirectory();
    return dir ? *dir : std::string();
}

int WindowsMajorVersion(Windows& win) {
    return registryVersionPart(win, true);
}

int WindowsMinorVersion(Windows& win) {
    return registryVersionPart(win, false);
}

bool IsWindowsVistaOr7(Windows& win) {
    return WindowsMajorVersion(win) == 6 && WindowsMinorVersion(win) < 2;
}

bool IsWindows64(Windows& win) {
    const auto arch = win.nativeProcessorArchitecture();
    return arch == kProcessorArchitectureIa64 || arch == kProcessorArchitectureAmd64;
}

std::uint8_t FirstNonBlankPos(const std::string& text) {
    std::size_t pos = 1;
    while (pos <= text.size() && text[pos - 1] == ' ')
        ++pos;
    // The position is 8 bits wide; beyond it the answer stays at 255.
    return static_cast<std::uint8_t>(pos > 255 ? 255 : pos);
}

std::string NormalizeFolderName(const std::string& text) {
    // Counted in full width, so that a long run of leading blanks is dropped
    // whole rather than wrapping the 8-bit position.
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;
    std::string word = text.substr(start);
    const auto blank = word.find(' ');
    if (blank != std::string::npos)
        word.erase(blank);
    return word;
}

std::string StripTrailingFolder(const std::string& name, const std::string& path) {
    std::string trimmed = path;
    if (!trimmed.empty() && trimmed.back() == '\\')
        trimmed.pop_back();
    const std::string p = NormalizeFolderName(trimmed);
    const std::string n = NormalizeFolderName(name);
    // An empty name strips nothing: the caller gets the base folder back.
    if (!n.empty() && p.size() >= n.size() && p.compare(p.size() - n.size(), n.size(), n) == 0) {
        const std::size_t keep = p.size() >= n.size() + 1 ? p.size() - n.size() - 1 : 0;
        return p.substr(0, keep);
    }
    return trimmed;
}

void WriteOneLineFile(Windows& win, const std::string& file, const std::string& text) {
    TextFileWriter out(win, file);
    out.writeLine(win.toAnsiCodePage(text));
    out.close();
}

double FileDateOf(Windows& win, const std::string& file) {
    auto found = win.findFiles(expandFileName(win, file));
    if (!found || found->empty())
        return 0;
    constexpr std::uint64_t kEpochDiff = 116444736000000000ULL;
    const FileTime local = win.toLocalFileTime(found->front().lastWriteTime);
    if (local < kEpochDiff)
        return 0;
    // The DOS date-time of the file system counts seconds in pairs.
    std::int64_t seconds = static_cast<std::int64_t>((local - kEpochDiff) / 10000000ULL);
    seconds -= seconds % 2;
    const std::int64_t days = seconds / 86400;
    const std::int64_t rest = seconds % 86400;
    return 25569.0 + static_cast<double>(days) + static_cast<double>(rest) / 86400.0;
}

bool DirectoryExists(Windows& win, const std::string& path) {
    return FileHasAttributes(win, path, kFileAttributeDirectory);
}

bool FileExists(Windows& win, const std::string& path) {
    auto attrs = win.fileAttributes(path);
    return attrs && !(*attrs & kFileAttributeDirectory);
}

std::string WithoutTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

bool ForceDirectories(Windows& win, const std::string& path, std::vector<std::string>* created) {
    const std::string dir = WithoutTrailingBackslash(path);
    if (dir.empty())
        return false;
    if (DirectoryExists(win, dir))
        return true;
    const std::string parent = extractFileDir(dir);
    if (!parent.empty() && parent != dir && !ForceDirectories(win, parent, created))
        return false;
    if (win.createDirectory(dir) != kErrorSuccess)
        return false;
    if (created)
        created->push_back(dir);
    return true;
}

std::optional<long long> ParseWholeNumber(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i >= text.size())
        return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > 0x7FFFFFFFLL + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > 0x7FFFFFFFLL)
        return std::nullopt;
    return v;
}

namespace {

// Year, month and day of a count of days since 1 January 1970.
void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2)
        ++y;
}

std::string padded(long long value, std::size_t width) {
    std::string s = std::to_string(value);
    while (s.size() < width)
        s.insert(s.begin(), '0');
    return s;
}

} // namespace

std::string FormatShortDate(double dateTime, const std::string& pattern) {
    const long long days = static_cast<long long>(std::floor(dateTime)) - 25569;
    long long year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\'') {
            const auto close = pattern.find('\'', i + 1);
            out += pattern.substr(i + 1,
                                  close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? pattern.size() : close + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c == 'd')
            out += run == 1 ? std::to_string(day) : padded(day, 2);
        else if (c == 'M')
            out += run == 1 ? std::to_string(month) : padded(month, 2);
        else if (c == 'y')
            out += run <= 2 ? padded(year % 100, 2) : padded(year, 4);
        else
            out += pattern.substr(i, run);
        i += run;
    }
    return out;
}

std::string ShortDatePattern(Windows& win) {
    if (auto p = win.registryString(RegistryHive::CurrentUser, "Control Panel\\International",
                                    "sShortDate");
        p && !p->empty())
        return *p;
    return "d.M.yyyy";
}

} // namespace support
