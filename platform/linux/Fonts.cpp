// The installed fonts of the emulation: fontconfig's families and the
// fonts in the prefix's C:\windows\Fonts.
#include "linux/LinuxWindows.h"

#include <fontconfig/fontconfig.h>

#include <set>

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

} // namespace platform
