// A TrueType face as the platform's font lookup gives it, its metrics, and
// its embedding as a subset CID font (Type0 / CIDFontType2 with its own encoding CMap and a
// ToUnicode CMap).
//
// Text is shown with codes of one or two bytes that the face hands out as
// code points are first drawn: code points below 0xC0 keep their own value as
// a one-byte code where it is free, others take the next free one-byte code,
// then two-byte codes (C000..FFFF). A printout of ordinary text therefore
// needs one byte per character instead of the two of Identity-H, which
// halves the content streams and makes them compress about as well as the
// text itself. A face takes at most kMaxCodes different code points (readers
// such as poppler take ToUnicode codes of CID fonts up to FFFF only).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>

#include "platform/Fonts.h"

struct hb_blob_t;
struct hb_face_t;
struct hb_font_t;

namespace tiskpdf {

class FontFace {
public:
    // Finds the face by family and style; raises kFontUnusable.
    static platform::FontData find(const std::string& family, bool bold, bool italic);
    // Raises kFontUnusable for data that is no TrueType face.
    FontFace(platform::FontData data, bool italicRequested);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Names the face: the same identity is the same face.
    const std::string& identity() const { return data_.identity; }

    // How a code point is shown: its code's bytes as they go into a literal
    // string (escaped), and its glyph (0 when the face has none).
    struct Code {
        char bytes[4];
        std::uint8_t size;
        std::uint16_t glyph;
    };
    static constexpr unsigned kMaxCodes = 0xC0 + 0x4000;
    // The code for a code point; hands out a new one on first use (raises
    // kInvalidArgument when the face has no more codes).
    const Code& code(std::uint32_t cp) {
        if (cp < 0x10000) {
            if (bmp_.empty())
                bmp_.assign(0x10000, kUnknown);
            std::uint32_t& i = bmp_[cp];
            if (i == kUnknown)
                i = newCode(cp);
            return codes_[i].shown;
        }
        auto it = astral_.find(cp);
        if (it == astral_.end())
            it = astral_.emplace(cp, newCode(cp)).first;
        return codes_[it->second].shown;
    }
    // Advance width in 1/1000 em (rounded to 1/1000 unit, as written to /W).
    double advance(std::uint16_t gid) const { return advance_[gid]; }
    // Ascent (usWinAscent, the top of the character cell) in em.
    double cellAscent() const { return cellAscent_; }
    double cellDescent() const { return cellDescent_; }
    bool anyUsed() const { return !codes_.empty(); }

    // Creates or refreshes the PDF font objects in `out`; returns the Type0 font.
    QPDFObjectHandle pdfObject(QPDF& out);

private:
    static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;
    std::uint32_t lookup(std::uint32_t cp) const;
    std::uint32_t newCode(std::uint32_t cp);

    struct Assigned {
        std::uint32_t value;   // the code as a number
        std::uint8_t length;   // its length in bytes
        std::uint32_t unicode; // the code point it shows
        Code shown;
    };

    platform::FontData data_; // the bytes stay here while HarfBuzz reads them
    hb_blob_t* blob_ = nullptr;
    hb_face_t* face_ = nullptr;
    hb_font_t* font_ = nullptr;
    unsigned upem_ = 1000;
    unsigned glyphCount_ = 0;
    std::string psName_;
    bool italic_ = false;
    bool fixedPitch_ = false;
    double italicAngle_ = 0;
    double ascender_ = 0, descender_ = 0, capHeight_ = 0; // 1/1000 em
    double bbox_[4] = {0, 0, 0, 0};                       // 1/1000 em
    double cellAscent_ = 0, cellDescent_ = 0;             // em
    std::vector<double> advance_;
    std::vector<std::uint32_t> bmp_;                // code point -> index in codes_
    std::map<std::uint32_t, std::uint32_t> astral_; // the same above the BMP
    std::vector<Assigned> codes_;
    std::vector<char> oneByteTaken_;
    unsigned nextOneByte_ = 0x80; // where the search for a free one-byte code goes on
    std::uint32_t nextTwoByte_ = 0xC000;
    QPDFObjectHandle type0_;
};

} // namespace tiskpdf
