// A TrueType face found through fontconfig, its metrics, and its embedding as
// a subset CID font (Type0 / CIDFontType2, Identity-H, ToUnicode).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>

struct hb_blob_t;
struct hb_face_t;
struct hb_font_t;

namespace tiskpdf {

class FontFace {
public:
    // Finds the face by family and style; raises kFontUnusable.
    static std::string findFile(const std::string& family, bool bold, bool italic, int& index);
    FontFace(const std::string& file, int index, bool italicRequested);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const std::string& file() const { return file_; }
    int index() const { return index_; }

    // Glyph for a code point (0 when the face has none); marks it as used.
    std::uint16_t glyph(std::uint32_t cp) {
        std::uint32_t g;
        if (cp < 0x10000) {
            if (bmp_.empty())
                bmp_.assign(0x10000, kUnknown);
            g = bmp_[cp];
            if (g == kUnknown)
                g = bmp_[cp] = lookup(cp);
        } else {
            g = lookup(cp);
        }
        if (!used_[g]) {
            used_[g] = 1;
            anyUsed_ = true;
        }
        if (g != 0 && unicode_[g] == 0)
            unicode_[g] = cp;
        return static_cast<std::uint16_t>(g);
    }
    // Advance width in 1/1000 em (rounded to 1/1000 unit, as written to /W).
    double advance(std::uint16_t gid) const { return advance_[gid]; }
    // Ascent (usWinAscent, the top of the character cell) in em.
    double cellAscent() const { return cellAscent_; }
    double cellDescent() const { return cellDescent_; }
    bool anyUsed() const { return anyUsed_; }

    // Creates or refreshes the PDF font objects in `out`; returns the Type0 font.
    QPDFObjectHandle pdfObject(QPDF& out);

private:
    static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;
    std::uint32_t lookup(std::uint32_t cp) const;

    std::string file_;
    int index_;
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
    std::vector<std::uint32_t> bmp_;
    std::vector<char> used_;
    std::vector<std::uint32_t> unicode_;
    bool anyUsed_ = false;
    QPDFObjectHandle type0_;
};

} // namespace tiskpdf
