// The content-stream builder: the drawing of a page or of a watermark as PDF
// content operators, with the text state a reader has at their end.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "Fonts.h"

namespace tiskpdf {

inline constexpr const char* kFontPrefix = "/TPF";
inline constexpr const char* kImagePrefix = "/TPI";
inline constexpr const char* kWatermarkPrefix = "/TPW";

// How far from the top-left corner of a page (or of a watermark drawing) a
// position, a picture's size or the end of a text may lie, in points in
// either direction: the usual limit of PDF user space (some 11.5 m).
inline constexpr double kMaxPosition = 32767;

// The text state the next run is drawn with (it belongs to the document).
struct TextStyle {
    int font = -1; // index of the face in the document, -1 before UseFont
    float size = 12;
    float scale = 100;
    float color[4] = {0, 0, 0, 0};
    int colorMode = 1;
};

inline void addUnique(std::vector<int>& v, int n) {
    if (std::find(v.begin(), v.end(), n) == v.end())
        v.push_back(n);
}

// Where drawing goes: a page or a watermark. Positions are kept in points
// from the top-left corner, y downwards; the PDF user space has the top-left
// corner at (originX, originY), y upwards.
struct Canvas {
    std::string ops; // content operators drawn so far
    double originX = 0, originY = 0;
    // For a page shown turned (/Rotate): the "cm" operator that maps the page
    // as it is shown onto its user space; positions are then measured in the
    // page as shown, and the text runs along its top edge.
    std::string turn;
    double x = 0, y = 0;  // text position, points from the top-left
    bool inText = false;  // inside BT .. ET
    bool runOpen = false; // a text-showing operator "(...)Tj" is open
    double runStartX = 0, runBaseline = 0;
    double lineX = 0, lineY = 0; // start of the text line as a reader has it
    bool atRunEnd = false;       // the text position is where the last run ended
    int emFont = -1;             // text state written to ops so far
    float emSize = 0, emScale = 100;
    float emColor[4] = {0, 0, 0, 0};
    int emColorMode = 1;
    std::vector<int> fonts, images, watermarks; // resources used
    bool hasBox = false;
    double box[4] = {0, 0, 0, 0}; // extent of the drawing in user space

    void extend(double x0, double y0, double x1, double y1) {
        if (!hasBox) {
            box[0] = x0, box[1] = y0, box[2] = x1, box[3] = y1;
            hasBox = true;
            return;
        }
        box[0] = std::min(box[0], x0);
        box[1] = std::min(box[1], y0);
        box[2] = std::max(box[2], x1);
        box[3] = std::max(box[3], y1);
    }
    bool empty() const { return ops.empty(); }

    // Opens a text-showing operator at the text position with the style;
    // `face` is the style's face. A position that cannot be written raises
    // kPdfWrite with nothing changed.
    void startRun(const TextStyle& style, const FontFace& face);
    // Closes the open text-showing operator; `face` is the face it shows.
    void closeRun(const FontFace& face);
    // Appends the codes of a UTF-8 text to the open run and advances the
    // text position. A text the face cannot take draws nothing (the error
    // passes on).
    void appendText(FontFace& face, const std::string& text, double advanceFactor) {
        // One character of ASCII (a printout draws character by character).
        if (text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80 &&
            ops.capacity() - ops.size() >= 4) {
            const FontFace::Code& code = face.code(static_cast<unsigned char>(text[0]));
            if (code.size == 1)
                ops.push_back(code.bytes[0]);
            else
                ops.append(code.bytes, code.size);
            x += face.advance(code.glyph) * advanceFactor;
            return;
        }
        appendAny(face, text, advanceFactor);
    }
    void appendAny(FontFace& face, const std::string& text, double advanceFactor);
    // Ends a text object, so that other operators may follow.
    void endText();
    // Places picture `image` with its lower left corner at (left, bottom)
    // of the user space, w × h points large. Numbers that cannot be written
    // raise kPdfWrite with nothing changed.
    void placeImage(int image, double w, double h, double left, double bottom);

    // The operators as a complete stream (a text object ended).
    std::string closed() const { return inText ? ops + "ET\n" : ops; }
    // Takes the operators drawn so far (no run open) out as a finished
    // stream after `prefix` and frees them; drawing may go on as if the text
    // object had been ended.
    std::string take(std::string_view prefix);
};

} // namespace tiskpdf
