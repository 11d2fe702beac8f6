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

// What the caller needs of the face's widths. A family laid out in columns
// asks for a fixed pitch, so that where the system lacks the family, its
// stand-in is monospaced too and not the system's proportional default.
enum class FontPitch { Any, Fixed };

// The face the system picks for a family, weight and style; nothing when it
// has no outline face to give (no font installed at all, a bitmap font).
std::optional<FontData> findFontData(const std::string& family, bool bold, bool italic,
                                     FontPitch pitch = FontPitch::Any);

} // namespace platform
