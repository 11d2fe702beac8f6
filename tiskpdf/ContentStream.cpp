// The content-stream builder: text runs, relative line moves, pictures.
#include "ContentStream.h"

#include <cmath>

#include "Util.h"
#include "platform/Encoding.h"

namespace tiskpdf {

void Canvas::startRun(const TextStyle& style, const FontFace& f) {
    // The move to the run's start is the one number here that the style's
    // checks do not bound (the page's origin comes from its file): checked
    // before anything is written, so that a refusal leaves no half operator.
    const double baseline = originY - y - f.cellAscent() * style.size;
    const bool continues = atRunEnd && baseline == runBaseline;
    const double lineX0 = inText ? lineX : 0, lineY0 = inText ? lineY : 0;
    const double dx = std::round((originX + x - lineX0) * 10000.0) / 10000.0;
    const double dy = std::round((baseline - lineY0) * 10000.0) / 10000.0;
    if (!continues && !(fitsPdfNumber(dx) && fitsPdfNumber(dy) && fitsPdfNumber(lineX0 + dx) &&
                        fitsPdfNumber(lineY0 + dy)))
        fail(hr::kPdfWrite, "Poloha textu mimo rozsah PDF.");
    std::string& o = ops;
    if (!inText) {
        o += "BT\n";
        inText = true;
        lineX = lineY = 0;
    }
    if (emFont != style.font || emSize != style.size) {
        o += kFontPrefix;
        o += std::to_string(style.font + 1);
        o += ' ';
        appendNumber(o, style.size);
        o += " Tf\n";
        emFont = style.font;
        emSize = style.size;
        addUnique(fonts, style.font + 1);
    }
    if (emScale != style.scale) {
        appendNumber(o, style.scale);
        o += " Tz\n";
        emScale = style.scale;
    }
    if (!std::equal(style.color, style.color + 4, emColor) || emColorMode != style.colorMode) {
        const int n = style.colorMode == 2 ? 4 : 3;
        for (int i = 0; i < n; ++i) {
            appendNumber(o, style.color[i]);
            o += ' ';
        }
        o += n == 4 ? "k\n" : "rg\n";
        std::copy(style.color, style.color + 4, emColor);
        emColorMode = style.colorMode;
    }
    runStartX = originX + x;
    runBaseline = baseline;
    runOpen = true;
    if (continues) {
        // The reader's text position is already there: a change of face
        // or colour inside a line needs no move.
        o += '(';
        return;
    }
    // A move relative to the start of the previous line: consecutive
    // lines repeat the same operator, which compresses to almost
    // nothing. The line start is kept as the reader computes it from the
    // rounded numbers written, so the rounding does not add up.
    lineX += dx;
    lineY += dy;
    appendNumber(o, dx);
    o += ' ';
    appendNumber(o, dy);
    o += " Td\n(";
}

void Canvas::closeRun(const FontFace& f) {
    ops += ")Tj\n";
    runOpen = false;
    atRunEnd = true;
    extend(runStartX, runBaseline - f.cellDescent() * emSize, originX + x,
           runBaseline + f.cellAscent() * emSize);
}

void Canvas::appendAny(FontFace& f, const std::string& text, double advanceFactor) {
    // A code takes at most twice the bytes of its UTF-8 (escaped bytes).
    if (ops.capacity() - ops.size() < text.size() * 2 + 8)
        ops.reserve(
            std::max({std::size_t{8192}, ops.capacity() * 2, ops.size() + text.size() * 2 + 8}));
    const std::size_t mark = ops.size();
    const double x0 = x;
    try {
        // Malformed UTF-8 (overlong forms, surrogates included) draws as
        // U+FFFD, a byte at a time.
        for (std::size_t pos = 0; pos < text.size();) {
            const auto first = static_cast<unsigned char>(text[pos]);
            std::uint32_t cp = first;
            if (first < 0x80)
                ++pos;
            else
                cp = platform::decodeUtf8(text, pos);
            const FontFace::Code& code = f.code(cp);
            if (code.size == 1)
                ops.push_back(code.bytes[0]);
            else
                ops.append(code.bytes, code.size);
            x += f.advance(code.glyph) * advanceFactor;
        }
    } catch (...) {
        ops.resize(mark);
        x = x0;
        throw;
    }
}

void Canvas::endText() {
    if (inText) {
        ops += "ET\n";
        inText = false;
        atRunEnd = false;
    }
}

void Canvas::placeImage(int image, double w, double h, double left, double bottom) {
    for (double v : {w, h, left, bottom, left + w, bottom + h})
        if (!fitsPdfNumber(v))
            fail(hr::kPdfWrite, "Poloha obrázku mimo rozsah PDF.");
    endText();
    ops += "q ";
    appendNumber(ops, w);
    ops += " 0 0 ";
    appendNumber(ops, h);
    ops += ' ';
    appendNumber(ops, left);
    ops += ' ';
    appendNumber(ops, bottom);
    ops += " cm ";
    ops += kImagePrefix;
    ops += std::to_string(image);
    ops += " Do Q\n";
    addUnique(images, image);
    extend(left, bottom, left + w, bottom + h);
}

std::string Canvas::take(std::string_view prefix) {
    std::string stream;
    stream.reserve(prefix.size() + ops.size() + 3);
    stream += prefix;
    stream += ops;
    if (inText)
        stream += "ET\n";
    inText = false;
    atRunEnd = false;
    std::string().swap(ops);
    return stream;
}

} // namespace tiskpdf
