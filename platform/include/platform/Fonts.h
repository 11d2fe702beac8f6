// The outline data of an installed font face, found the way the host's own
// programs find it: on Windows the system's font mapper (CreateFontIndirect,
// GetFontData), so that its matching and substitution apply; elsewhere
// fontconfig. A document library embeds the face from these bytes.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct FontData {
    // The whole font file: a TrueType or OpenType font, or a TrueType
    // collection holding the face.
    std::string bytes;
    // The face's index inside a collection, 0 otherwise.
    int index = 0;
    // Names the face that was picked: two requests that give the same
    // identity got the same face.
    std::string identity;
};

// The face the system picks for a family, weight and style; nothing when it
// has no outline face to give (no font installed at all, a bitmap font).
std::optional<FontData> findFontData(const std::string& family, bool bold, bool italic);

} // namespace platform
