#include "ShellLinkFormat.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/Encoding.h"

namespace platform::shelllink {
namespace {

constexpr std::size_t kHeaderSize = 0x4C;
// {00021401-0000-0000-C000-000000000046}, as stored (little-endian fields).
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// The root item "My Computer" {20D04FE0-3AEA-1069-A2D8-08002B30309D}, sort
// index 0x50, as Windows writes it.
constexpr unsigned char kMyComputerItem[18] = {0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20,
                                               0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xD8,
                                               0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr std::uint32_t kFileEntrySignature = 0xBEEF0004;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::size_t kMaxCount = 0xFFFF;

// Header field offsets.
constexpr std::size_t kOffFlags = 0x14;
constexpr std::size_t kOffAttributes = 0x18;
constexpr std::size_t kOffCreationTime = 0x1C;
constexpr std::size_t kOffAccessTime = 0x24;
constexpr std::size_t kOffWriteTime = 0x2C;
constexpr std::size_t kOffFileSize = 0x34;
constexpr std::size_t kOffIconIndex = 0x38;

std::uint32_t stringFlag(LinkString s) {
    switch (s) {
    case LinkString::Name:
        return kHasName;
    case LinkString::RelativePath:
        return kHasRelativePath;
    case LinkString::WorkingDir:
        return kHasWorkingDir;
    case LinkString::Arguments:
        return kHasArguments;
    case LinkString::IconLocation:
        return kHasIconLocation;
    }
    return 0;
}

std::uint16_t get16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t get32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(get16(b, at)) | static_cast<std::uint32_t>(get16(b, at + 2))
                                                          << 16;
}

void put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::string& b, std::size_t at, std::uint32_t v) {
    put16(b, at, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

void put64(std::string& b, std::size_t at, std::uint64_t v) {
    put32(b, at, static_cast<std::uint32_t>(v));
    put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

void append16(std::string& b, std::uint16_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>(v >> 8));
}

void append32(std::string& b, std::uint32_t v) {
    append16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    append16(b, static_cast<std::uint16_t>(v >> 16));
}

void appendUtf16(std::string& b, std::u16string_view s) {
    for (char16_t c : s)
        append16(b, static_cast<std::uint16_t>(c));
}

// A parse failure: what went wrong and the result code it gives.
struct Failure {
    HResult code;
    std::string why;
};

// Reads the parts of a link in file order; every read checks the end first.
class Reader {
public:
    explicit Reader(std::string_view bytes) : b_(bytes) {}

    std::size_t pos() const { return pos_; }
    std::size_t left() const { return b_.size() - pos_; }
    void need(std::size_t n, const char* what) const {
        if (left() < n)
            throw Failure{kLinkTruncated, std::string("the file ends inside the ") + what};
    }
    std::string_view take(std::size_t n, const char* what) {
        need(n, what);
        auto s = b_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    std::uint16_t peek16(const char* what) const {
        need(2, what);
        return get16(b_, pos_);
    }
    std::uint32_t peek32(const char* what) const {
        need(4, what);
        return get32(b_, pos_);
    }
    std::string_view rest() const { return b_.substr(pos_); }

private:
    std::string_view b_;
    std::size_t pos_ = 0;
};

// Checks that an ID list is a chain of items closed by the terminal ID
// exactly at its end.
void checkIdList(std::string_view list) {
    std::size_t at = 0;
    while (true) {
        if (list.size() - at < 2)
            throw Failure{kLinkCorrupt, "the target ID list has no terminal ID"};
        const std::uint16_t size = get16(list, at);
        if (size == 0) {
            if (at + 2 != list.size())
                throw Failure{kLinkCorrupt, "the target ID list goes on after its terminal ID"};
            return;
        }
        if (size < 2 || size > list.size() - at)
            throw Failure{kLinkCorrupt, "an item of the target ID list overruns the list"};
        at += size;
    }
}

void checkLinkInfo(std::string_view info) {
    const std::uint32_t headerSize = get32(info, 4);
    if (headerSize < 0x1C || headerSize > info.size())
        throw Failure{kLinkCorrupt, "the link info header has an impossible size"};
    for (std::size_t field = 12; field < 28; field += 4) {
        const std::uint32_t offset = get32(info, field);
        if (offset >= info.size())
            throw Failure{kLinkCorrupt, "an offset of the link info points outside it"};
    }
}

bool isFullDrivePath(std::string_view p) {
    return p.size() >= 2 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) &&
           p[1] == ':';
}

bool validNameChar(char32_t c) {
    return c >= 32 && c != '<' && c != '>' && c != ':' && c != '"' && c != '|' && c != '?' &&
           c != '*';
}

// The names of a full path, resolved as GetFullPathName does: "." and empty
// names dropped, ".." goes one up, trailing dots and blanks removed.
std::optional<std::vector<std::string>> pathNames(std::string_view path) {
    std::vector<std::string> names;
    std::string current;
    auto flush = [&]() -> bool {
        while (!current.empty() && (current.back() == ' ' || current.back() == '.') &&
               current != "..")
            current.pop_back();
        if (current == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!current.empty()) {
            std::size_t pos = 0;
            while (pos < current.size())
                if (!validNameChar(decodeUtf8(current, pos)))
                    return false;
            names.push_back(current);
        }
        current.clear();
        return true;
    };
    for (std::size_t i = 2; i < path.size(); ++i) {
        if (path[i] == '\\' || path[i] == '/') {
            if (!flush())
                return std::nullopt;
        } else {
            current.push_back(path[i]);
        }
    }
    if (!flush())
        return std::nullopt;
    return names;
}

bool isShortNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::strchr("!#$%&'()-@^_`{}~", c) != nullptr;
}

// The link info of a local path: a volume ID (a fixed drive; serial number
// and label cannot be read here and are left empty) and the local base path
// in the ANSI code page. A path beyond ASCII is given in Unicode as well, so
// that a reader with another ANSI code page still gets it right.
std::string buildLinkInfo(const std::string& path) {
    const std::string ansi = utf8ToCp1250(path);
    const bool ansiHoldsIt =
        std::all_of(path.begin(), path.end(), [](char c) { return (c & 0x80) == 0; });
    const std::uint32_t headerSize = ansiHoldsIt ? 0x1C : 0x24;
    std::string volume;
    append32(volume, 0x11);
    append32(volume, kDriveFixed);
    append32(volume, 0);    // serial number
    append32(volume, 0x10); // label offset
    volume.push_back('\0'); // empty label

    const std::uint32_t volumeOffset = headerSize;
    const auto localOffset = static_cast<std::uint32_t>(volumeOffset + volume.size());
    const auto suffixOffset = static_cast<std::uint32_t>(localOffset + ansi.size() + 1);
    std::string tail = volume + ansi + '\0' + '\0';
    std::string info;
    append32(info, 0); // size, set below
    append32(info, headerSize);
    append32(info, 1); // VolumeIDAndLocalBasePath
    append32(info, volumeOffset);
    append32(info, localOffset);
    append32(info, 0); // no network location
    append32(info, suffixOffset);
    if (!ansiHoldsIt) {
        const auto localUnicode = static_cast<std::uint32_t>(suffixOffset + 1);
        const std::u16string wide = utf8ToUtf16(path);
        append32(info, localUnicode);
        append32(info, static_cast<std::uint32_t>(localUnicode + (wide.size() + 1) * 2));
        appendUtf16(tail, wide);
        tail.append(4, '\0'); // terminating zero and the empty Unicode suffix
    }
    info += tail;
    put32(info, 0, static_cast<std::uint32_t>(info.size()));
    return info;
}

} // namespace

std::uint32_t dosDateTime(FileTime time) {
    constexpr std::uint64_t kUnixEpoch = 116444736000000000ull; // 1970 in FILETIME
    if (time < kUnixEpoch)
        return 0;
    // The calendar of UTC, computed here rather than asked of the C library,
    // so that every host gives the same fields.
    using namespace std::chrono;
    const sys_seconds at{seconds{static_cast<std::int64_t>((time - kUnixEpoch) / 10000000ull)}};
    const sys_days day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> clockTime{at - day};
    const int y = static_cast<int>(ymd.year());
    if (y < 1980 || y > 2107)
        return 0;
    const auto date =
        static_cast<std::uint32_t>((y - 1980) << 9 | static_cast<unsigned>(ymd.month()) << 5 |
                                   static_cast<unsigned>(ymd.day()));
    const auto clock = static_cast<std::uint32_t>(clockTime.hours().count() << 11 |
                                                  clockTime.minutes().count() << 5 |
                                                  clockTime.seconds().count() / 2);
    return date << 16 | clock;
}

std::string shortNameOf(const std::string& longName) {
    const auto dot = longName.rfind('.');
    const std::string base = dot == std::string::npos ? longName : longName.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : longName.substr(dot + 1);
    const bool valid = !base.empty() && base.size() <= 8 && ext.size() <= 3 &&
                       (dot == std::string::npos || !ext.empty()) &&
                       std::all_of(base.begin(), base.end(), isShortNameChar) &&
                       std::all_of(ext.begin(), ext.end(), isShortNameChar);
    if (valid)
        return longName;
    // Blanks and dots are left out, other characters that a short name cannot
    // hold (letters beyond ASCII among them) become "_".
    auto squeeze = [](const std::string& part, std::size_t max) {
        std::string out;
        std::size_t pos = 0;
        while (pos < part.size() && out.size() < max) {
            const char32_t c = decodeUtf8(part, pos);
            if (c == ' ' || c == '.')
                continue;
            const char ascii = c < 0x80 ? static_cast<char>(c) : '_';
            out.push_back(isShortNameChar(ascii)
                              ? static_cast<char>(ascii >= 'a' && ascii <= 'z' ? ascii - 32 : ascii)
                              : '_');
        }
        return out;
    };
    // Grown by appending only: GCC 12 at -O2 warns (-Wrestrict, GCC bug 105329)
    // when a short std::string is assigned a literal here.
    std::string name = squeeze(dot == 0 ? ext : base, 6);
    if (name.empty())
        name.push_back('_');
    name.append("~1");
    const std::string shortExt = dot == 0 ? "" : squeeze(ext, 3);
    if (!shortExt.empty())
        name.append(".").append(shortExt);
    return name;
}

std::string fileSystemItem(const std::string& longName, bool folder,
                           const std::optional<FindData>& found, std::uint16_t version) {
    const bool isFolder = found ? (found->attributes & kFileAttributeDirectory) != 0 : folder;
    const std::uint32_t stamp = found ? dosDateTime(found->lastWriteTime) : 0;
    const std::uint32_t size =
        found && !isFolder ? static_cast<std::uint32_t>(found->size & 0xFFFFFFFFu) : 0;
    const std::uint16_t attributes = found ? static_cast<std::uint16_t>(found->attributes & 0xFFFF)
                                           : (isFolder ? kFileAttributeDirectory : 0);

    std::string item;
    item.push_back(static_cast<char>(isFolder ? 0x31 : 0x32));
    item.push_back('\0');
    append32(item, size);
    append32(item, stamp); // the time in the low word, the date in the high one
    put16(item, 6, static_cast<std::uint16_t>(stamp >> 16));
    put16(item, 8, static_cast<std::uint16_t>(stamp & 0xFFFF));
    append16(item, attributes);
    item += shortNameOf(longName);
    item.push_back('\0');
    if ((item.size() + 2) % 2 != 0)
        item.push_back('\0'); // the extension block starts on an even offset

    // The extension block 0xBEEF0004 with the long name, in the layout of the
    // Windows generation that wrote the template (3: XP, 7: Vista, 8: 7,
    // 9: 8 and later).
    const auto extensionOffset = static_cast<std::uint16_t>(item.size() + 2);
    const std::uint16_t nameOffset = version >= 9 ? 46 : version >= 8 ? 42 : version >= 7 ? 38 : 20;
    std::string ext;
    append16(ext, 0); // size, set below
    append16(ext, version);
    append32(ext, kFileEntrySignature);
    append32(ext, 0); // creation time: not known
    append32(ext, 0); // last access time: not known
    append16(ext, nameOffset);
    if (version >= 7) {
        append16(ext, 0);
        ext.append(8, '\0'); // NTFS file reference: not known
        ext.append(8, '\0');
    }
    append16(ext, 0); // no localized name
    if (version >= 9)
        append32(ext, 0);
    if (version >= 8)
        append32(ext, 0);
    appendUtf16(ext, utf8ToUtf16(longName));
    append16(ext, 0);
    append16(ext, extensionOffset);
    put16(ext, 0, static_cast<std::uint16_t>(ext.size()));
    return item + ext;
}

HResult LinkFile::parse(std::string_view bytes, LinkFile& link, std::string* why) {
    try {
        LinkFile out;
        Reader r(bytes);
        // HeaderSize and LinkCLSID: as far as the file goes, they must match.
        std::string start("\x4C\0\0\0", 4);
        start.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
        if (bytes.empty() || bytes.substr(0, start.size()) != start.substr(0, bytes.size()))
            throw Failure{kLinkCorrupt, "the file is not a shell link"};
        out.header_ = std::string(r.take(kHeaderSize, "header"));
        const std::uint32_t flags = get32(out.header_, kOffFlags);

        if (flags & kHasLinkTargetIdList) {
            const std::uint16_t size = r.peek16("target ID list");
            r.take(2, "target ID list");
            std::string_view list = r.take(size, "target ID list");
            checkIdList(list);
            out.idList_ = std::string(list);
        }
        if (flags & kHasLinkInfo) {
            const std::uint32_t size = r.peek32("link info");
            if (size < 0x1C)
                throw Failure{kLinkCorrupt, "the link info has an impossible size"};
            out.linkInfo_ = std::string(r.take(size, "link info"));
            checkLinkInfo(*out.linkInfo_);
        }
        const bool unicode = flags & kIsUnicode;
        for (auto which : {LinkString::Name, LinkString::RelativePath, LinkString::WorkingDir,
                           LinkString::Arguments, LinkString::IconLocation}) {
            if (!(flags & stringFlag(which)))
                continue;
            const std::uint16_t count = r.peek16("string data");
            r.take(2, "string data");
            out.strings_[static_cast<int>(which)] =
                std::string(r.take(unicode ? count * 2u : count, "string data"));
        }
        while (true) {
            const std::uint32_t size = r.peek32("extra data");
            if (size < 4)
                break;
            if (size < 8)
                throw Failure{kLinkCorrupt, "an extra data block has an impossible size"};
            r.need(size, "extra data");
            const std::uint32_t signature = get32(r.rest(), 4);
            out.blocks_.push_back({signature, std::string(r.take(size, "extra data"))});
        }
        out.tail_ = std::string(r.rest());
        link = std::move(out);
        return kSOk;
    } catch (const Failure& f) {
        if (why)
            *why = f.why;
        return f.code;
    }
}

std::string LinkFile::serialize() const {
    std::string out = header_;
    if (idList_) {
        append16(out, static_cast<std::uint16_t>(idList_->size()));
        out += *idList_;
    }
    if (linkInfo_)
        out += *linkInfo_;
    const bool unicode = flags() & kIsUnicode;
    for (const auto& s : strings_) {
        if (!s)
            continue;
        append16(out, static_cast<std::uint16_t>(unicode ? s->size() / 2 : s->size()));
        out += *s;
    }
    for (const auto& block : blocks_)
        out += block.bytes;
    out += tail_;
    return out;
}

std::uint32_t LinkFile::flags() const {
    return get32(header_, kOffFlags);
}

std::int32_t LinkFile::iconIndex() const {
    return static_cast<std::int32_t>(get32(header_, kOffIconIndex));
}

void LinkFile::setFlag(std::uint32_t flag, bool on) {
    put32(header_, kOffFlags, on ? flags() | flag : flags() & ~flag);
}

std::optional<std::string> LinkFile::string(LinkString which) const {
    const auto& s = strings_[static_cast<int>(which)];
    if (!s)
        return std::nullopt;
    if (flags() & kIsUnicode) {
        std::u16string wide;
        for (std::size_t i = 0; i + 1 < s->size(); i += 2) {
            const auto c = static_cast<char16_t>(get16(*s, i));
            if (c == 0)
                break;
            wide.push_back(c);
        }
        return utf16ToUtf8(wide);
    }
    return cp1250ToUtf8(std::string_view(*s).substr(0, s->find('\0')));
}

std::vector<std::string> LinkFile::idListItems() const {
    std::vector<std::string> items;
    if (!idList_)
        return items;
    for (std::size_t at = 0; at + 2 <= idList_->size();) {
        const std::uint16_t size = get16(*idList_, at);
        if (size < 2)
            break;
        items.push_back(idList_->substr(at + 2, size - 2u));
        at += size;
    }
    return items;
}

// The shell keeps the strings of an ANSI link as Unicode and saves them so.
void LinkFile::makeUnicode() {
    if (flags() & kIsUnicode)
        return;
    for (auto& s : strings_) {
        if (!s)
            continue;
        std::string wide;
        for (unsigned char c : *s)
            append16(wide, static_cast<std::uint16_t>(cp1250ToUnicode(c)));
        *s = std::move(wide);
    }
    setFlag(kIsUnicode, true);
}

HResult LinkFile::setString(LinkString which, std::string_view utf8) {
    const std::u16string wide = utf8ToUtf16(utf8);
    if (wide.size() > kMaxCount)
        return kEInvalidArg;
    makeUnicode();
    auto& slot = strings_[static_cast<int>(which)];
    if (wide.empty()) {
        slot.reset();
    } else {
        slot.emplace();
        appendUtf16(*slot, wide);
    }
    setFlag(stringFlag(which), !wide.empty());
    return kSOk;
}

void LinkFile::dropBlocks(std::initializer_list<std::uint32_t> signatures) {
    std::erase_if(blocks_, [&](const ExtraBlock& b) {
        return std::find(signatures.begin(), signatures.end(), b.signature) != signatures.end();
    });
}

// The version of the long-name extension in the template's own file-system
// items, so that the new items look like those the same Windows wrote; 3
// (Windows XP, which every later Windows reads) when the template has none.
std::uint16_t LinkFile::itemExtensionVersion() const {
    for (const std::string& item : idListItems()) {
        if (item.size() < 16 || (static_cast<unsigned char>(item[0]) & 0x70) != 0x30)
            continue;
        const std::uint16_t offset = get16(item, item.size() - 2);
        // The offset counts from the item's size field.
        if (offset < 2 || offset - 2u + 8 > item.size())
            continue;
        const std::size_t at = offset - 2u;
        const std::uint16_t version = get16(item, at + 2);
        if (get32(item, at + 4) == kFileEntrySignature &&
            (version == 3 || version == 7 || version == 8 || version == 9))
            return version;
    }
    return 3;
}

// The blocks that tell the shell where the target lies besides the ID list.
// The shell prefers them to the ID list, so they must go with the old target.
void LinkFile::clearIdList() {
    idList_.reset();
    linkInfo_.reset();
    setFlag(kHasLinkTargetIdList, false);
    setFlag(kHasLinkInfo, false);
    setFlag(kHasExpString, false);
    dropBlocks(
        {kEnvironmentVariableBlock, kSpecialFolderBlock, kKnownFolderBlock, kVistaIdListBlock});
}

HResult LinkFile::setPath(std::string_view path, const TargetLookup& lookup) {
    if (!isFullDrivePath(path) || path.size() < 3 || (path[2] != '\\' && path[2] != '/'))
        return kEInvalidArg;
    const auto names = pathNames(path);
    if (!names)
        return kEInvalidArg;

    const char drive = static_cast<char>(path[0] >= 'a' ? path[0] - 32 : path[0]);
    std::string full = std::string(1, drive) + ":\\";
    std::string list;
    auto appendItem = [&list](const std::string& item) {
        append16(list, static_cast<std::uint16_t>(item.size() + 2));
        list += item;
    };
    appendItem(std::string(reinterpret_cast<const char*>(kMyComputerItem), sizeof kMyComputerItem));
    std::string driveItem = "/" + full;
    driveItem[0] = 0x2F;
    driveItem.resize(23, '\0');
    appendItem(driveItem);

    const std::uint16_t version = itemExtensionVersion();
    std::optional<FindData> found;
    for (std::size_t i = 0; i < names->size(); ++i) {
        if (i > 0)
            full += '\\';
        full += (*names)[i];
        found = lookup ? lookup(full) : std::nullopt;
        const std::string item = fileSystemItem((*names)[i], i + 1 < names->size(), found, version);
        if (item.size() + 2 > kMaxCount)
            return kEInvalidArg;
        appendItem(item);
    }
    append16(list, 0);
    if (list.size() > kMaxCount)
        return kEInvalidArg;

    clearIdList();
    idList_ = std::move(list);
    setFlag(kHasLinkTargetIdList, true);
    if (!(flags() & kForceNoLinkInfo)) {
        linkInfo_ = buildLinkInfo(full);
        setFlag(kHasLinkInfo, true);
    }
    // The header describes the target as a directory search found it.
    const FindData target = found && !names->empty() ? *found : FindData{};
    put32(header_, kOffAttributes, target.attributes);
    put64(header_, kOffCreationTime, 0);
    put64(header_, kOffAccessTime, 0);
    put64(header_, kOffWriteTime, target.lastWriteTime);
    put32(header_, kOffFileSize, static_cast<std::uint32_t>(target.size & 0xFFFFFFFFu));
    return kSOk;
}

HResult LinkFile::setWorkingDirectory(std::string_view folder) {
    return setString(LinkString::WorkingDir, folder);
}

HResult LinkFile::setIconLocation(std::string_view file, int index) {
    const HResult hr = setString(LinkString::IconLocation, file);
    if (hr < 0)
        return hr;
    put32(header_, kOffIconIndex, static_cast<std::uint32_t>(index));
    // An icon path with environment variables would be shown instead.
    setFlag(kHasExpIcon, false);
    dropBlocks({kIconEnvironmentBlock});
    return kSOk;
}

} // namespace platform::shelllink
