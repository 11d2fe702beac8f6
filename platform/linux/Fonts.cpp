// The installed fonts of the emulation: fontconfig's families and the
// fonts in the prefix's C:\windows\Fonts; a face's outline data through
// fontconfig's matching.
#include "linux/LinuxWindows.h"

#include <fontconfig/fontconfig.h>

#include <fstream>
#include <set>

#include "platform/Fonts.h"

namespace platform {

std::vector<std::string> LinuxWindows::installedFontNames() {
    if (options_.fontNames)
        return options_.fontNames();
    std::set<std::string> names;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return {};
    if (auto fonts = mapper_.toHost("C:\\windows\\Fonts"); fonts && hostIsDirectory(*fonts))
        FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(fonts->c_str()));
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* set = FcFontList(config, pattern, objects)) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            for (int n = 0;
                 FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
                names.insert(reinterpret_cast<const char*>(family));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return {names.begin(), names.end()};
}

std::optional<FontData> findFontData(const std::string& family, bool bold, bool italic,
                                     FontPitch pitch) {
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    // After the family itself: where it is missing, the monospaced default
    // rather than the sans-serif one.
    if (pitch == FontPitch::Fixed) {
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
        FcPatternAddInteger(pat, FC_SPACING, FC_MONO);
    }
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    std::string file;
    int index = 0;
    if (match) {
        FcChar8* f = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &f) == FcResultMatch && f)
            file = reinterpret_cast<const char*>(f);
        int i = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &i) == FcResultMatch)
            index = i;
        FcPatternDestroy(match);
    }
    if (file.empty())
        return std::nullopt;
    // Read in one piece: a face is several hundred kilobytes, and every
    // print job reads four.
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    const std::streamoff size = in.tellg();
    if (size <= 0 || !in.seekg(0))
        return std::nullopt;
    FontData data;
    data.bytes.resize(static_cast<std::size_t>(size));
    if (!in.read(data.bytes.data(), size))
        return std::nullopt;
    data.index = index;
    data.identity = file + "#" + std::to_string(index);
    return data;
}

} // namespace platform
