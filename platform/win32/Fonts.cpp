// The installed fonts on Windows: the families GDI enumerates for the screen.
#include "win32/Win32Windows.h"

#include <set>

namespace platform::win32 {

namespace {

int CALLBACK addFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM names) {
    reinterpret_cast<std::set<std::string>*>(names)->insert(narrow(font->lfFaceName));
    return 1;
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
