// The installed fonts on Windows: the families GDI enumerates for the screen,
// and a face's outline data as the font mapper picks it.
#include "win32/Win32Windows.h"

#include <cstring>
#include <set>

#include "platform/Fonts.h"

namespace platform::win32 {

namespace {

// The table tag GetFontData takes for the whole of a TrueType collection.
constexpr DWORD kCollectionTag = 0x66637474; // "ttcf", as a little-endian DWORD

std::uint32_t be32(const std::string& s, std::size_t at) {
    if (at + 4 > s.size())
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

// A table of the font selected into dc (table 0: the font file), or nothing.
std::optional<std::string> fontData(HDC dc, DWORD table) {
    const DWORD size = ::GetFontData(dc, table, 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0)
        return std::nullopt;
    std::string bytes(size, '\0');
    if (::GetFontData(dc, table, 0, bytes.data(), size) != size)
        return std::nullopt;
    return bytes;
}

// The index of the selected face in its collection: the face whose table
// directory is the one the face's own data starts with.
std::optional<int> indexInCollection(const std::string& collection, const std::string& own) {
    const std::uint32_t tables = be32(own, 4) >> 16;
    const std::size_t directory = 12 + 16 * std::size_t{tables};
    if (own.size() < directory)
        return std::nullopt;
    const std::uint32_t faces = be32(collection, 8);
    for (std::uint32_t i = 0; i < faces; ++i) {
        const std::uint32_t at = be32(collection, 12 + 4 * std::size_t{i});
        if (at + directory <= collection.size() &&
            collection.compare(at, directory, own, 0, directory) == 0)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

// The face's full name ("Courier New Bold"), from its outline metrics.
std::string fullName(HDC dc) {
    const UINT size = ::GetOutlineTextMetricsW(dc, 0, nullptr);
    if (size == 0)
        return {};
    std::vector<char> buffer(size);
    auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
    if (::GetOutlineTextMetricsW(dc, size, metrics) == 0)
        return {};
    const auto offset = reinterpret_cast<std::uintptr_t>(metrics->otmpFullName);
    if (offset == 0 || offset >= size)
        return {};
    return narrow(reinterpret_cast<const wchar_t*>(buffer.data() + offset));
}

int CALLBACK addFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM names) {
    reinterpret_cast<std::set<std::string>*>(names)->insert(narrow(font->lfFaceName));
    return 1;
}

std::optional<FontData> selectedFontData(HDC dc) {
    FontData data;
    if (std::optional<std::string> collection = fontData(dc, kCollectionTag)) {
        std::optional<std::string> own = fontData(dc, 0);
        std::optional<int> index = own ? indexInCollection(*collection, *own) : std::nullopt;
        if (!index)
            return std::nullopt;
        data.bytes = std::move(*collection);
        data.index = *index;
    } else if (std::optional<std::string> file = fontData(dc, 0)) {
        data.bytes = std::move(*file);
    } else {
        return std::nullopt; // not an outline font
    }
    data.identity =
        fullName(dc) + "#" + std::to_string(data.bytes.size()) + "#" + std::to_string(data.index);
    return data;
}

} // namespace

std::vector<std::string> Win32Windows::installedFontNames() {
    if (options_.fontNames)
        return options_.fontNames();
    std::set<std::string> names;
    HDC screen = ::GetDC(nullptr);
    if (!screen)
        return {};
    // Every character set and an empty face name: one call per family and
    // character set, so a family comes several times.
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(screen, &wanted, addFamily, reinterpret_cast<LPARAM>(&names), 0);
    ::ReleaseDC(nullptr, screen);
    names.erase(std::string());
    return {names.begin(), names.end()};
}

} // namespace platform::win32

namespace platform {

std::optional<FontData> findFontData(const std::string& family, bool bold, bool italic,
                                     FontPitch pitch) {
    const std::wstring face = win32::wide(family);
    if (face.size() >= LF_FACESIZE || face.find(L'\0') != std::wstring::npos)
        return std::nullopt;
    // The size does not matter for the outline data; the mapper is asked for
    // an outline font of that family, weight and style.
    LOGFONTW wanted{};
    wanted.lfHeight = -1000;
    wanted.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    wanted.lfItalic = italic ? TRUE : FALSE;
    wanted.lfCharSet = DEFAULT_CHARSET;
    wanted.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    wanted.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    wanted.lfQuality = DEFAULT_QUALITY;
    // A fixed-pitch family is asked for as such: the mapper then gives a
    // monospaced face where the family itself is missing.
    wanted.lfPitchAndFamily =
        pitch == FontPitch::Fixed ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_DONTCARE;
    std::memcpy(wanted.lfFaceName, face.c_str(), (face.size() + 1) * sizeof(wchar_t));

    HFONT font = ::CreateFontIndirectW(&wanted);
    if (!font)
        return std::nullopt;
    std::optional<FontData> data;
    if (HDC dc = ::CreateCompatibleDC(nullptr)) {
        const HGDIOBJ previous = ::SelectObject(dc, font);
        data = win32::selectedFontData(dc);
        ::SelectObject(dc, previous);
        ::DeleteDC(dc);
    }
    ::DeleteObject(font);
    return data;
}

} // namespace platform
