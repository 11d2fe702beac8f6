#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "PrintForms.h"
#include "RuntimeErrors.h"
#include "platform/Encoding.h"

namespace pdfforms {

namespace {

constexpr const char* kMakePdfError = "Chyba při generování PDF souboru (MakePDF).";
constexpr const char* kFontFace = "Courier New";
// Below this picture resolution a watermark is not used.
constexpr std::int32_t kMinWatermarkResolution = 72;

// The text byte by byte across the reader's pieces, with one byte of
// look-ahead.
class TextCursor {
public:
    explicit TextCursor(FandTextReader& reader) : reader_(reader) {}
    bool more() {
        while (at_ == piece_.size()) {
            if (ended_) {
                return false;
            }
            piece_ = reader_.next();
            at_ = 0;
            ended_ = piece_.empty();
        }
        return true;
    }
    // Only after more() said true.
    unsigned char take() { return static_cast<unsigned char>(piece_[at_++]); }
    unsigned char peek() const { return static_cast<unsigned char>(piece_[at_]); }

private:
    FandTextReader& reader_;
    std::string_view piece_;
    std::size_t at_ = 0;
    bool ended_ = false;
};

// A double result stored into a single-precision variable: out of its range
// is an overflow, as the run-time's conversion reports it.
float toSingle(double value) {
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) {
        throw runtimeError(err::kOverflow);
    }
    return static_cast<float>(value);
}

double divide(double dividend, double divisor) {
    if (divisor == 0.0) {
        throw runtimeError(dividend == 0.0 ? err::kOverflow : err::kDivisionByZero);
    }
    return dividend / divisor;
}

// Text to number as the run-time converts it: spaces around a decimal number
// are allowed, anything else is a type mismatch.
double toDouble(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        throw runtimeError(err::kTypeMismatch);
    }
    std::string s(text);
    for (char& c : s) {
        if (c == ',') {
            c = '.'; // the Czech decimal comma
        }
    }
    const char first = s.front();
    if (!(first == '+' || first == '-' || first == '.' || (first >= '0' && first <= '9'))) {
        throw runtimeError(err::kTypeMismatch); // strtod would also take "inf", "nan", "0x.."
    }
    if (s.find_first_of("xXnN") != std::string::npos) {
        throw runtimeError(err::kTypeMismatch);
    }
    char* end = nullptr;
    const double value = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size()) {
        throw runtimeError(err::kTypeMismatch);
    }
    if (!std::isfinite(value)) {
        throw runtimeError(err::kOverflow);
    }
    return value;
}

// The box-drawing characters that the print forms draw as real lines: code
// page 852 code and the Unicode character of that code.
std::string_view boxCharacter(unsigned char code) {
    switch (code) {
    case 179:
        return "\u2502";
    case 180:
        return "\u2524";
    case 191:
        return "\u2510";
    case 192:
        return "\u2514";
    case 193:
        return "\u2534";
    case 194:
        return "\u252C";
    case 195:
        return "\u251C";
    case 196:
        return "\u2500";
    case 197:
        return "\u253C";
    case 217:
        return "\u2518";
    case 218:
        return "\u250C";
    default:
        return {};
    }
}

} // namespace

std::string clsPDFFormular::PDFVzor2() const {
    const std::string upper = platform::upperCase(PDFVzor_);
    std::string result;
    constexpr std::string_view ext = ".PDF";
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = upper.find(ext, pos);
        if (hit == std::string::npos) {
            result.append(upper, pos, std::string::npos);
            break;
        }
        result.append(upper, pos, hit - pos);
        result += "2.PDF";
        pos = hit + ext.size();
    }
    return result;
}

// The state of one MakePDF call and its steps.
class clsPDFFormular::Run {
public:
    Run(clsPDFFormular& form, IPDFDocument& doc) : f(form), doc(doc) {}

    void setUp() {
        doc.OpenPdf(f.PDFVzor_, "");
        doc.SelectPage(0);

        PositionFactor = 1.0f;
        NewFormFactor = 0.0f;
        WatermarkHandle = 0;
        if (!f.VodoznakFile_.empty()) {
            ImageHandle = doc.LoadImage(f.VodoznakFile_);
            if (doc.ImageResolution(ImageHandle) < kMinWatermarkResolution) {
                f.VodoznakFile_.clear();
            } else {
                // Positions on the first page are given in the picture's
                // resolution from here on.
                double n = doc.ImageResolution(ImageHandle);
                const double r0 = doc.Resolution();
                PositionFactor = toSingle(divide(n, r0));
                doc.SetResolution(doc.ImageResolution(ImageHandle));
                n = doc.ImageResolution(ImageHandle);
                const double r1 = doc.Resolution();
                NewFormFactor = toSingle(divide(n, r1));

                WatermarkHandle = doc.NewWatermark();
                drawWatermark(false);
            }
        }

        doc.SetDocumentMode(1);
        for (InfoText which : {InfoText::Title, InfoText::Subject, InfoText::Author,
                               InfoText::Keywords, InfoText::Creator}) {
            doc.SetInfoText(which, "");
        }
        f.FontRegular = doc.RegisterFont(kFontFace, false, false, 0, 0, 0);
        f.FontBold = doc.RegisterFont(kFontFace, true, false, 0, 0, 0);
        f.FontItalic = doc.RegisterFont(kFontFace, false, true, 0, 0, 0);
        f.FontBoldItalic = doc.RegisterFont(kFontFace, true, true, 0, 0, 0);
        applyTextColor();

        doc.SelectPage(doc.PageCount() - 1);
        f.CurX = PositionFactor * f.LeftMargin_;
        f.CurY = PositionFactor * f.TopMargin_;
        doc.MoveTextTo(f.CurX, f.CurY);
        doc.UseFont(f.FontRegular, f.FontSize);
        CurrentFont = f.FontRegular;
        if (!f.Heslo_.empty()) {
            doc.SetPassword(f.Heslo_);
        }
    }

    void walkText() {
        if (!f.FandText_) {
            return;
        }
        TextCursor text(*f.FandText_);
        while (text.more()) {
            const unsigned char code = text.take();
            switch (code) {
            case 2:
            case 4:
            case 19:
                f.BoldOn = !f.BoldOn;
                selectFace();
                break;
            case 23:
                f.ItalicOn = !f.ItalicOn;
                selectFace();
                break;
            case 1:
                togglePitch(f.Pitch12On, 10.0, 12.0, 1.2);
                break;
            case 5:
                togglePitch(f.Pitch17On, 10.0, 17.0, 1.7);
                break;
            case 17:
                togglePitch(f.DoubleWidthOn, 2.0, 1.0, 0.5);
                break;
            case 13:
                f.CurX = PositionFactor * f.LeftMargin_;
                f.CurY = f.CurY + PositionFactor * f.LineHeight;
                doc.MoveTextTo(f.CurX, f.CurY);
                break;
            case 10:
                break;
            case 12:
                // A form feed that ends the text gives no further page: a FAND
                // print usually ends with one.
                if (text.more()) {
                    pageBreak(text.peek() == 176);
                }
                break;
            case 176:
                doc.DrawText(" ");
                break;
            default:
                if (const std::string_view box = boxCharacter(code); !box.empty()) {
                    doc.DrawText(std::string(box));
                } else {
                    const char byte = static_cast<char>(code);
                    doc.DrawText(f.job_.converter.ToWinChr(std::string_view(&byte, 1)));
                }
                break;
            }
        }
    }

    void finish() {
        if (!f.PrilohaFile_.empty()) {
            doc.AppendPdf(f.PrilohaFile_, "");
        }
        doc.FinishDocument();
    }

private:
    // The watermark goes onto the first page, or onto the last page when a
    // new form has just been appended.
    void drawWatermark(bool onLastPage) {
        doc.BeginWatermark(WatermarkHandle);
        doc.DrawImage(ImageHandle, 0.0f, 0.0f);
        doc.EndWatermark();
        doc.ApplyWatermark(onLastPage ? doc.PageCount() - 1 : 0, WatermarkHandle);
    }

    void applyTextColor() {
        doc.SetColorMode(1);
        const std::vector<std::string>& color = f.job_.TextColor;
        if (color.size() < 3) {
            throw runtimeError(err::kSubscriptOutOfRange);
        }
        const float red = toSingle(toDouble(color[0]) / 255.0);
        const float green = toSingle(toDouble(color[1]) / 255.0);
        const float blue = toSingle(toDouble(color[2]) / 255.0);
        doc.SetTextColor(red, green, blue, 0.0f);
    }

    void selectFace() {
        std::int32_t face = f.FontRegular;
        if (f.BoldOn && f.ItalicOn) {
            face = f.FontBoldItalic;
        } else if (f.BoldOn) {
            face = f.FontBold;
        } else if (f.ItalicOn) {
            face = f.FontItalic;
        }
        doc.UseFont(face, f.FontSize);
        CurrentFont = face;
    }

    // The pitch and width toggles multiply into one scaling; it is kept in
    // single precision after every change.
    // Switching on multiplies by num and divides by den; switching off
    // multiplies by factorOff.
    void togglePitch(bool& on, double num, double den, double factorOff) {
        on = !on;
        const double scaling = f.TextScaling;
        f.TextScaling = toSingle(on ? scaling * num / den : scaling * factorOff);
        doc.SetTextScaling(f.TextScaling);
    }

    void pageBreak(bool newForm) {
        if (newForm) {
            if (!f.PrilohaFile_.empty()) {
                doc.AppendPdf(f.PrilohaFile_, "");
            }
            doc.AppendPdf(f.PDFVzor_, "");
            if (!f.VodoznakFile_.empty()) {
                drawWatermark(true);
                PositionFactor = NewFormFactor;
            }
        } else {
            doc.AppendPdf(f.PDFVzor2(), "");
            PositionFactor = 1.0f;
        }
        doc.SelectPage(doc.PageCount() - 1);
        f.CurX = f.LeftMargin_;
        f.CurY = f.TopMargin_;
        doc.MoveTextTo(f.CurX, f.CurY);

        doc.UseFont(CurrentFont, f.FontSize);
        doc.SetTextScaling(f.TextScaling);
        applyTextColor();
    }

    clsPDFFormular& f;
    IPDFDocument& doc;
    std::int32_t CurrentFont = 0;
    float PositionFactor = 1.0f;
    float NewFormFactor = 0.0f;
    std::int32_t ImageHandle = 0;
    std::int32_t WatermarkHandle = 0;
};

void clsPDFFormular::MakePDF() {
    try {
        // A working reference for this call; the property keeps its own.
        std::shared_ptr<IPDFDocument> doc = PDFDoc_;
        if (!doc) {
            throw runtimeError(err::kObjectVariableNotSet);
        }
        Run run(*this, *doc);
        run.setUp();
        run.walkText();
        run.finish();
    } catch (const NumberedError& e) {
        throw e.withDescription(kMakePdfError);
    } catch (const std::bad_alloc&) {
        throw NumberedError(err::kOutOfMemory, kMakePdfError);
    } catch (const std::exception&) {
        throw NumberedError(err::kInternalError, kMakePdfError);
    }
}

} // namespace pdfforms
