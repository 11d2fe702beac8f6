#include "Fonts.h"

#include <algorithm>
#include <cstring>
#include <map>

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include "Util.h"
#include "platform/Encoding.h"

namespace tiskpdf {

namespace {

std::uint32_t be16(const char* p) {
    return (static_cast<std::uint8_t>(p[0]) << 8) | static_cast<std::uint8_t>(p[1]);
}
std::int32_t sbe16(const char* p) {
    return static_cast<std::int16_t>(be16(p));
}
std::uint32_t be32(const char* p) {
    return (be16(p) << 16) | be16(p + 2);
}

// The bytes of one table of the face (empty when it has none).
std::string table(hb_face_t* face, const char* tag) {
    hb_blob_t* b = hb_face_reference_table(face, hb_tag_from_string(tag, 4));
    unsigned len = 0;
    const char* data = hb_blob_get_data(b, &len);
    std::string s(data ? data : "", data ? len : 0);
    hb_blob_destroy(b);
    return s;
}

// Appends v as `digits` upper-case hexadecimal digits.
void appendHex(std::string& s, std::uint32_t v, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i)
        s += hex[(v >> (4 * i)) & 15];
}

void appendUtf16Hex(std::string& s, std::uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        appendHex(s, 0xD800 + (cp >> 10), 4);
        appendHex(s, 0xDC00 + (cp & 0x3FF), 4);
    } else {
        appendHex(s, cp, 4);
    }
}

// The typewriter faces of Windows and their metric twins elsewhere: text
// set in them is laid out in columns, so their stand-in must be monospaced.
bool isFixedPitchFamily(const std::string& family) {
    static const char* const kFamilies[] = {"Courier New",     "Courier",         "Lucida Console",
                                            "Consolas",        "Liberation Mono", "Cousine",
                                            "DejaVu Sans Mono"};
    return std::any_of(std::begin(kFamilies), std::end(kFamilies), [&](const char* known) {
        return platform::equalsIgnoreCase(family, known);
    });
}

} // namespace

platform::FontData FontFace::find(const std::string& family, bool bold, bool italic) {
    std::optional<platform::FontData> data = platform::findFontData(
        family, bold, italic,
        isFixedPitchFamily(family) ? platform::FontPitch::Fixed : platform::FontPitch::Any);
    if (!data)
        fail(hr::kFontUnusable, "Písmo \"" + family + "\" nebylo nalezeno (RegisterFont).");
    return std::move(*data);
}

FontFace::FontFace(platform::FontData data, bool italicRequested) : data_(std::move(data)) {
    const std::string& file = data_.identity;
    if (data_.bytes.size() <= 0x7FFFFFFF)
        blob_ =
            hb_blob_create_or_fail(data_.bytes.data(), static_cast<unsigned>(data_.bytes.size()),
                                   HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    if (!blob_)
        fail(hr::kFontUnusable, "Písmo nelze číst: " + file);
    face_ = hb_face_create(blob_, static_cast<unsigned>(data_.index));
    font_ = hb_font_create(face_);
    upem_ = hb_face_get_upem(face_);
    glyphCount_ = hb_face_get_glyph_count(face_);
    if (table(face_, "glyf").empty() || glyphCount_ == 0 || upem_ == 0)
        fail(hr::kFontUnusable, "Písmo nemá obrysy TrueType: " + file);
    hb_font_set_scale(font_, static_cast<int>(upem_), static_cast<int>(upem_));

    const double k = 1000.0 / upem_;
    advance_.resize(glyphCount_);
    for (unsigned g = 0; g < glyphCount_; ++g) {
        double a = hb_font_get_glyph_h_advance(font_, g) * k;
        advance_[g] = std::round(a * 1000.0) / 1000.0;
    }
    oneByteTaken_.assign(0xC0, 0);

    hb_position_t v = 0;
    if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &v))
        ascender_ = v * k;
    if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &v))
        descender_ = v * k;
    double winAscent = ascender_, winDescent = -descender_;
    if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_ASCENT, &v))
        winAscent = v * k;
    if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_DESCENT, &v))
        winDescent = v * k;
    cellAscent_ = winAscent / 1000.0;
    cellDescent_ = std::fabs(winDescent) / 1000.0;
    capHeight_ = ascender_;
    if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_CAP_HEIGHT, &v) && v > 0)
        capHeight_ = v * k;

    std::string head = table(face_, "head");
    unsigned macStyle = 0;
    if (head.size() >= 46) {
        bbox_[0] = sbe16(&head[36]) * k;
        bbox_[1] = sbe16(&head[38]) * k;
        bbox_[2] = sbe16(&head[40]) * k;
        bbox_[3] = sbe16(&head[42]) * k;
        macStyle = be16(&head[44]);
    }
    std::string post = table(face_, "post");
    if (post.size() >= 16) {
        italicAngle_ = static_cast<std::int32_t>(be32(&post[4])) / 65536.0;
        fixedPitch_ = be32(&post[12]) != 0;
    }
    italic_ = italicRequested || (macStyle & 2) || italicAngle_ != 0;

    char name[128];
    unsigned len = sizeof name;
    if (hb_ot_name_get_utf8(face_, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &len, name) >
        0)
        psName_.assign(name, len);
    std::string clean;
    for (char c : psName_)
        if (c > ' ' && c < 127 && !std::strchr("()<>[]{}/%#", c))
            clean += c;
    psName_ = clean.empty() ? "Font" : clean;
}

FontFace::~FontFace() {
    hb_font_destroy(font_);
    hb_face_destroy(face_);
    hb_blob_destroy(blob_);
}

std::uint32_t FontFace::lookup(std::uint32_t cp) const {
    hb_codepoint_t g = 0;
    if (!hb_font_get_nominal_glyph(font_, cp, &g) || g >= glyphCount_)
        g = 0;
    return g;
}

std::uint32_t FontFace::newCode(std::uint32_t cp) {
    Assigned a{};
    a.unicode = cp;
    if (cp < 0xC0 && !oneByteTaken_[cp]) {
        a.value = cp;
        a.length = 1;
    } else {
        // The search starts at 80: the code points that keep their own value
        // are mostly ASCII, so the codes above it are the likeliest free.
        unsigned tried = 0;
        while (tried < 0xC0 && oneByteTaken_[nextOneByte_]) {
            nextOneByte_ = (nextOneByte_ + 1) % 0xC0;
            ++tried;
        }
        if (tried < 0xC0) {
            a.value = nextOneByte_;
            a.length = 1;
        } else if (nextTwoByte_ <= 0xFFFF) {
            a.value = nextTwoByte_++;
            a.length = 2;
        } else {
            fail(hr::kInvalidArgument, "Příliš mnoho různých znaků jednoho písma (nejvýše " +
                                           std::to_string(kMaxCodes) + ").");
        }
    }
    if (a.length == 1)
        oneByteTaken_[a.value] = 1;
    a.shown.glyph = static_cast<std::uint16_t>(lookup(cp));
    a.shown.size = 0;
    for (int i = a.length - 1; i >= 0; --i) {
        const char b = static_cast<char>((a.value >> (8 * i)) & 0xFF);
        const char* escaped = b == '('    ? "\\("
                              : b == ')'  ? "\\)"
                              : b == '\\' ? "\\\\"
                              : b == '\r' ? "\\r"
                              : b == '\n' ? "\\n"
                                          : nullptr;
        if (escaped) {
            a.shown.bytes[a.shown.size++] = escaped[0];
            a.shown.bytes[a.shown.size++] = escaped[1];
        } else {
            a.shown.bytes[a.shown.size++] = b;
        }
    }
    codes_.push_back(a);
    return static_cast<std::uint32_t>(codes_.size() - 1);
}

namespace {

// The code space of the codes FontFace hands out, for both CMaps.
constexpr const char* kCodeSpace =
    "2 begincodespacerange\n<00> <BF>\n<C000> <FFFF>\nendcodespacerange\n";

} // namespace

QPDFObjectHandle FontFace::pdfObject(QPDF& out) {
    if (!type0_.isInitialized() || type0_.getOwningQPDF() != &out)
        type0_ = out.makeIndirectObject(QPDFObjectHandle::newDictionary());

    std::vector<unsigned> gids{0};
    for (const Assigned& a : codes_)
        gids.push_back(a.shown.glyph);
    std::sort(gids.begin(), gids.end());
    gids.erase(std::unique(gids.begin(), gids.end()), gids.end());

    // The subset: glyph numbers change, the content keeps the face's own
    // glyph numbers as CIDs and the CIDToGIDMap translates them.
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (!input)
        fail(hr::kPdfWrite, "Podmnožinu písma nelze vytvořit: " + data_.identity);
    hb_set_t* glyphSet = hb_subset_input_glyph_set(input);
    for (unsigned g : gids)
        hb_set_add(glyphSet, g);
    hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char* t : {"GSUB", "GPOS", "GDEF", "kern", "DSIG", "hdmx", "VDMX", "LTSH", "gasp"})
        hb_set_add(drop, hb_tag_from_string(t, 4));
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    hb_subset_plan_t* plan = hb_subset_plan_create_or_fail(face_, input);
    hb_subset_input_destroy(input);
    if (!plan)
        fail(hr::kPdfWrite, "Podmnožinu písma nelze vytvořit: " + data_.identity);
    const hb_map_t* oldToNew = hb_subset_plan_old_to_new_glyph_mapping(plan);
    unsigned maxCid = gids.back();
    std::string cidToGid(2 * (maxCid + 1), '\0');
    for (unsigned g : gids) {
        hb_codepoint_t n = hb_map_get(oldToNew, g);
        if (n == HB_MAP_VALUE_INVALID)
            n = 0;
        cidToGid[2 * g] = static_cast<char>(n >> 8);
        cidToGid[2 * g + 1] = static_cast<char>(n & 0xFF);
    }
    hb_face_t* subset = hb_subset_plan_execute_or_fail(plan);
    hb_subset_plan_destroy(plan);
    if (!subset)
        fail(hr::kPdfWrite, "Podmnožinu písma nelze vytvořit: " + data_.identity);
    hb_blob_t* sb = hb_face_reference_blob(subset);
    unsigned slen = 0;
    const char* sdata = hb_blob_get_data(sb, &slen);
    std::string fontBytes(sdata ? sdata : "", sdata ? slen : 0);
    hb_blob_destroy(sb);
    hb_face_destroy(subset);

    // Deterministic subset tag from the glyph set.
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned g : gids) {
        h ^= g;
        h *= 1099511628211ull;
    }
    std::string tag;
    for (int i = 0; i < 6; ++i) {
        tag += static_cast<char>('A' + h % 26);
        h /= 26;
    }
    const std::string baseName = tag + "+" + psName_;

    QPDFObjectHandle fontFile = out.newStream(fontBytes);
    fontFile.getDict().replaceKey(
        "/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(fontBytes.size())));
    QPDFObjectHandle cidMap = out.newStream(cidToGid);

    // Widths: every glyph used, in runs "first last width" of equal widths
    // (poppler reads an integer /DW only, so the exact widths go in /W).
    std::map<double, unsigned> counts;
    for (unsigned g : gids)
        ++counts[advance_[g]];
    const double common = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                              return a.second < b.second;
                          })->first;
    const long dw = std::lround(common);
    std::string w = "[";
    for (std::size_t i = 0; i < gids.size();) {
        std::size_t j = i + 1;
        while (j < gids.size() && gids[j] == gids[j - 1] + 1 &&
               advance_[gids[j]] == advance_[gids[i]])
            ++j;
        if (advance_[gids[i]] != static_cast<double>(dw)) {
            w += std::to_string(gids[i]) + ' ' + std::to_string(gids[j - 1]) + ' ';
            appendNumber(w, advance_[gids[i]]);
            w += ' ';
        }
        i = j;
    }
    w += "]";

    // The codes in the order of their values, in blocks of at most 100.
    std::vector<const Assigned*> sorted;
    for (const Assigned& a : codes_)
        sorted.push_back(&a);
    std::sort(sorted.begin(), sorted.end(), [](const Assigned* a, const Assigned* b) {
        return a->length != b->length ? a->length < b->length : a->value < b->value;
    });
    auto cmapOf = [&](const std::string& name, const char* ordering, int type,
                      const char* blockName, auto&& target) {
        std::string m = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                        "/CIDSystemInfo << /Registry (Adobe) /Ordering (";
        m += ordering;
        m += ") /Supplement 0 >> def\n/CMapName /" + name + " def\n/CMapType " +
             std::to_string(type) + " def\n" + kCodeSpace;
        for (std::size_t i = 0; i < sorted.size(); i += 100) {
            const std::size_t n = std::min<std::size_t>(100, sorted.size() - i);
            m += std::to_string(n) + " begin" + blockName + "\n";
            for (std::size_t j = i; j < i + n; ++j) {
                m += '<';
                appendHex(m, sorted[j]->value, 2 * sorted[j]->length);
                m += "> ";
                target(m, *sorted[j]);
                m += '\n';
            }
            m += std::string("end") + blockName + "\n";
        }
        m += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
        return m;
    };
    const std::string encodingName = "TiskPDF-" + tag;
    QPDFObjectHandle encoding = out.newStream(
        cmapOf(encodingName, "Identity", 1, "cidchar",
               [](std::string& m, const Assigned& a) { m += std::to_string(a.shown.glyph); }));
    encoding.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/CMap"));
    encoding.getDict().replaceKey("/CMapName", QPDFObjectHandle::newName("/" + encodingName));
    encoding.getDict().replaceKey(
        "/CIDSystemInfo",
        QPDFObjectHandle::parse("<< /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"));
    const std::string cmap =
        cmapOf("Adobe-Identity-UCS", "UCS", 2, "bfchar", [](std::string& m, const Assigned& a) {
            m += '<';
            appendUtf16Hex(m, a.unicode);
            m += '>';
        });
    QPDFObjectHandle toUnicode = out.newStream(cmap);

    int flags = 4 | (fixedPitch_ ? 1 : 0) | (italic_ ? 64 : 0);
    std::string desc = "<< /Type /FontDescriptor /FontName /" + baseName + " /Flags " +
                       std::to_string(flags) + " /FontBBox [" + number(bbox_[0]) + " " +
                       number(bbox_[1]) + " " + number(bbox_[2]) + " " + number(bbox_[3]) +
                       "] /ItalicAngle " + number(italicAngle_) + " /Ascent " + number(ascender_) +
                       " /Descent " + number(descender_) + " /CapHeight " + number(capHeight_) +
                       " /StemV 80 >>";
    QPDFObjectHandle descriptor = out.makeIndirectObject(QPDFObjectHandle::parse(desc));
    descriptor.replaceKey("/FontFile2", fontFile);

    QPDFObjectHandle cidFont = out.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + baseName +
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW " +
        std::to_string(dw) + " /W " + w + " >>"));
    cidFont.replaceKey("/FontDescriptor", descriptor);
    cidFont.replaceKey("/CIDToGIDMap", cidMap);

    for (const auto& key : type0_.getKeys())
        type0_.removeKey(key);
    type0_.replaceKey("/Type", QPDFObjectHandle::newName("/Font"));
    type0_.replaceKey("/Subtype", QPDFObjectHandle::newName("/Type0"));
    type0_.replaceKey("/BaseFont", QPDFObjectHandle::newName("/" + baseName));
    type0_.replaceKey("/Encoding", encoding);
    type0_.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cidFont}));
    type0_.replaceKey("/ToUnicode", toUnicode);
    return type0_;
}

} // namespace tiskpdf
