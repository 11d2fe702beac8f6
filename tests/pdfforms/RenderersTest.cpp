// MakePDF's calls on the document object, checked against a recording
// document: set-up, text walk, page breaks, forms, failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "PrintForms.h"
#include "RecordingDocument.h"

namespace pdfforms {
namespace {

using test::RecordingDocument;
using Calls = std::vector<std::string>;

class RendererTest : public ::testing::Test {
protected:
    cls1250 converter;
    std::vector<std::string> textColor{"0", "0", "0"};
    std::shared_ptr<RecordingDocument> doc = std::make_shared<RecordingDocument>();

    template <class Form = clsPDFFaktura>
    Calls render(const std::string& text, const std::string& watermark = "",
                 const std::string& attachment = "", const std::string& password = "") {
        Form form(JobContext{converter, textColor});
        form.FandText(text);
        form.PDFVzor("c:\\forms\\faktura.pdf");
        form.PDFDoc(doc);
        form.VodoznakFile(watermark);
        form.PrilohaFile(attachment);
        form.Heslo(password);
        form.MakePDF();
        return doc->calls;
    }

    // The calls after the set-up (which ends with the first UseFont, or with
    // SetPassword when there is one), without the final FinishDocument.
    static Calls walk(Calls calls) {
        auto it = std::find(calls.begin(), calls.end(), "UseFont(100,12)");
        if (it != calls.end() && it + 1 != calls.end() && it[1].starts_with("SetPassword")) {
            ++it;
        }
        Calls rest(it + 1, calls.end());
        if (!rest.empty() && rest.back() == "FinishDocument") {
            rest.pop_back();
        }
        return rest;
    }
};

const Calls kFonts = {
    "SetDocumentMode(1)",
    "SetInfoText(0,)",
    "SetInfoText(1,)",
    "SetInfoText(2,)",
    "SetInfoText(3,)",
    "SetInfoText(4,)",
    "RegisterFont(Courier New,0,0,0,0,0)",
    "RegisterFont(Courier New,1,0,0,0,0)",
    "RegisterFont(Courier New,0,1,0,0,0)",
    "RegisterFont(Courier New,1,1,0,0,0)",
    "SetColorMode(1)",
    "SetTextColor(0,0,0,0)",
};

Calls concat(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

// A text read from its file in pieces draws as the same text held whole,
// also where a form feed ends a piece and the next piece says what follows.
TEST_F(RendererTest, TextInPiecesDrawsAsTheWholeText) {
    class Pieces final : public FandTextReader {
    public:
        Pieces(std::string text, std::size_t size) : text_(std::move(text)), size_(size) {}
        std::string_view next() override {
            const std::string_view piece = std::string_view(text_).substr(at_, size_);
            at_ += piece.size();
            return piece;
        }

    private:
        std::string text_;
        std::size_t size_;
        std::size_t at_ = 0;
    };
    doc->pagesOf["c:\\forms\\faktura.pdf"] = 1;
    const std::string text = "ab\r\n\x02"
                             "c\fd\f\xb0"
                             "e\x82\r\nf\f";
    const Calls whole = render(text);
    for (std::size_t size : {1, 2, 3, 7}) {
        SCOPED_TRACE(size);
        doc = std::make_shared<RecordingDocument>();
        doc->pagesOf["c:\\forms\\faktura.pdf"] = 1;
        clsPDFFaktura form(JobContext{converter, textColor});
        form.FandTextFrom(std::make_unique<Pieces>(text, size));
        form.PDFVzor("c:\\forms\\faktura.pdf");
        form.PDFDoc(doc);
        form.MakePDF();
        EXPECT_EQ(doc->calls, whole);
    }
}

TEST_F(RendererTest, SetUpWithoutWatermarkThenTextThenFinish) {
    doc->pagesOf["c:\\forms\\faktura.pdf"] = 2;
    const Calls expected = concat({
        {"OpenPdf(c:\\forms\\faktura.pdf,)", "SelectPage(0)"},
        kFonts,
        {"PageCount", "SelectPage(1)", "MoveTextTo(1,22.5)", "UseFont(100,12)",
         "SetPassword(tajne)", "DrawText(A)", "DrawText(B)", "MoveTextTo(1,34.4)", "DrawText(C)",
         "FinishDocument"},
    });
    EXPECT_EQ(render("AB\r\nC", "", "", "tajne"), expected);
}

TEST_F(RendererTest, WatermarkSetUpSwitchesToThePictureResolution) {
    doc->imageResolution = 300;
    const Calls expected = concat({
        {"OpenPdf(c:\\forms\\faktura.pdf,)", "SelectPage(0)", "LoadImage(w.png)",
         "ImageResolution(7)", "ImageResolution(7)", "Resolution", "ImageResolution(7)",
         "SetResolution(300)", "ImageResolution(7)", "Resolution", "NewWatermark",
         "BeginWatermark(9)", "DrawImage(7,0,0)", "EndWatermark", "ApplyWatermark(0,9)"},
        kFonts,
        {"PageCount", "SelectPage(0)", "MoveTextTo(4.1666665,93.75)", "UseFont(100,12)",
         "MoveTextTo(4.1666665,143.33333)", "FinishDocument"},
    });
    EXPECT_EQ(render("\r", "w.png"), expected);
}

TEST_F(RendererTest, LowResolutionWatermarkIsDroppedForTheWholeDocument) {
    doc->imageResolution = 71;
    const Calls calls = render("x\f\xb0y", "w.png");
    EXPECT_EQ(calls[2], "LoadImage(w.png)");
    EXPECT_EQ(calls[3], "ImageResolution(7)");
    EXPECT_EQ(calls[4], "SetDocumentMode(1)");
    for (const std::string& c : calls) {
        EXPECT_FALSE(c.starts_with("ApplyWatermark") || c.starts_with("BeginWatermark") ||
                     c.starts_with("SetResolution"))
            << c;
    }
}

TEST_F(RendererTest, ContinuationPageRestoresTheTextState) {
    // Bold and 12 pitch are on when the form feed comes; they carry over.
    textColor = {"255", "0", "0"};
    const Calls expected = {
        "UseFont(101,12)",
        "SetTextScaling(83.333336)",
        "DrawText(a)",
        "AppendPdf(C:\\FORMS\\FAKTURA2.PDF,)",
        "PageCount",
        "SelectPage(1)",
        "MoveTextTo(1,22.5)",
        "UseFont(101,12)",
        "SetTextScaling(83.333336)",
        "SetColorMode(1)",
        "SetTextColor(1,0,0,0)",
        "DrawText(b)",
    };
    EXPECT_EQ(walk(render("\x02\x01"
                          "a\fb")),
              expected);
}

TEST_F(RendererTest, NewFormAppendsAttachmentThenTemplateThenWatermark) {
    doc->imageResolution = 144;
    doc->pagesOf["p.pdf"] = 2;
    const Calls calls = walk(render("a\f\xb0"
                                    "b\r",
                                    "w.png", "p.pdf"));
    const Calls expected = {
        "DrawText(a)",
        "AppendPdf(p.pdf,)",
        "AppendPdf(c:\\forms\\faktura.pdf,)",
        "BeginWatermark(9)",
        "DrawImage(7,0,0)",
        "EndWatermark",
        "PageCount",
        "ApplyWatermark(3,9)",
        "PageCount",
        "SelectPage(3)",
        "MoveTextTo(1,22.5)", // margins without the position factor
        "UseFont(100,12)",
        "SetTextScaling(100)",
        "SetColorMode(1)",
        "SetTextColor(0,0,0,0)",
        "DrawText( )", // the new-form marker is one blank cell
        "DrawText(b)",
        "MoveTextTo(1,34.4)", // the new form's factor: 144 / 144
        "AppendPdf(p.pdf,)",
    };
    EXPECT_EQ(calls, expected);
}

TEST_F(RendererTest, FormFeedsAndLineEnds) {
    // Two form feeds: two continuation pages, the first one empty; a final
    // form feed gives no page; a line feed alone does not start a line.
    const Calls calls = walk(render("a\n\f\fb\r\n\f"));
    const auto count = [&](const std::string& call) {
        return std::count(calls.begin(), calls.end(), call);
    };
    EXPECT_EQ(count("AppendPdf(C:\\FORMS\\FAKTURA2.PDF,)"), 2);
    EXPECT_EQ(calls[0], "DrawText(a)");
    EXPECT_EQ(calls[1], "AppendPdf(C:\\FORMS\\FAKTURA2.PDF,)");
    EXPECT_EQ(calls.back(), "MoveTextTo(1,34.4)");
}

TEST_F(RendererTest, EmptyTextGivesTemplatePagesAndAttachment) {
    const Calls calls = render("", "", "p.pdf");
    const Calls tail(calls.end() - 5, calls.end());
    const Calls expected = {"PageCount", "SelectPage(0)", "MoveTextTo(1,22.5)", "UseFont(100,12)",
                            "AppendPdf(p.pdf,)"};
    EXPECT_EQ(Calls(calls.end() - 6, calls.end() - 1), expected);
    EXPECT_EQ(calls.back(), "FinishDocument");
}

TEST_F(RendererTest, FaceToggles) {
    // 2 then 23: bold italic; 4: italic; 23: regular; 19 and 23: bold italic.
    const Calls expected = {"UseFont(101,12)", "UseFont(103,12)", "UseFont(102,12)",
                            "UseFont(100,12)", "UseFont(101,12)", "UseFont(103,12)"};
    EXPECT_EQ(walk(render("\x02\x17\x04\x17\x13\x17")), expected);
}

TEST_F(RendererTest, PitchTogglesMultiplyInSinglePrecision) {
    const Calls expected = {
        "SetTextScaling(83.333336)", // 12 pitch on
        "SetTextScaling(100)",       // off again
        "SetTextScaling(83.333336)", // 12 pitch on
        "SetTextScaling(49.019608)", // and 17 pitch: 100 x 10/12 x 10/17
        "SetTextScaling(98.039215)", // and double width
        "SetTextScaling(49.019608)", // double width off
        "SetTextScaling(83.333336)", // 17 pitch off
        "SetTextScaling(100)",       // 12 pitch off
        "SetTextScaling(58.82353)",  // 17 pitch alone
    };
    EXPECT_EQ(walk(render("\x01\x01\x01\x05\x11\x11\x05\x01\x05")), expected);
}

TEST_F(RendererTest, CharactersAreConvertedOrDrawnAsBoxLines) {
    // c with caron, box corner, horizontal line, double line, medium shade,
    // light shade, tab.
    const Calls expected = {"DrawText(\u010d)", "DrawText(\u250C)", "DrawText(\u2500)",
                            "DrawText(=)",      "DrawText(_)",      "DrawText( )",
                            "DrawText(\t)"};
    EXPECT_EQ(walk(render("\x9f\xda\xc4\xcd\xb1\xb0\t")), expected);
}

TEST_F(RendererTest, MarginsOfTheFiveForms) {
    const auto firstMove = [this](Calls calls) {
        doc = std::make_shared<RecordingDocument>();
        return *std::find_if(calls.begin(), calls.end(),
                             [](const std::string& c) { return c.starts_with("MoveTextTo"); });
    };
    EXPECT_EQ(firstMove(render<clsPDFFaktura>("")), "MoveTextTo(1,22.5)");
    EXPECT_EQ(firstMove(render<clsPDFDodList>("")), "MoveTextTo(1,22.5)");
    EXPECT_EQ(firstMove(render<clsPDFObjednavka>("")), "MoveTextTo(1,22.5)");
    EXPECT_EQ(firstMove(render<clsPDFZasilky>("")), "MoveTextTo(3,26)");
    EXPECT_EQ(firstMove(render<clsPDFFandReport>("")), "MoveTextTo(14,12)");
}

TEST_F(RendererTest, FailuresEndRenderingWithTheRenderingError) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> color;
        std::string failCall;
        int number;
        std::string lastCall;
    };
    const std::vector<Case> cases = {
        {"document call", "ab", {"0", "0", "0"}, "DrawText", 70, "UseFont(100,12)"},
        {"continuation template missing", "a\fb", {"0", "0", "0"}, "AppendPdf", 70, "DrawText(a)"},
        {"two colour elements", "a", {"0", "0"}, "", 9, "SetColorMode(1)"},
        {"colour not a number", "a", {"0", "x", "0"}, "", 13, "SetColorMode(1)"},
        {"empty colour element", "a", {"0", "", "0"}, "", 13, "SetColorMode(1)"},
        {"character of code 0", std::string("a\0b", 3), {"0", "0", "0"}, "", 9, "DrawText(a)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        doc = std::make_shared<RecordingDocument>();
        doc->failCall = c.failCall;
        textColor = c.color;
        try {
            render(c.text);
            ADD_FAILURE() << "no error";
        } catch (const NumberedError& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_EQ(e.description(), "Chyba při generování PDF souboru (MakePDF).");
        }
        EXPECT_EQ(doc->calls.back(), c.lastCall);
    }
}

TEST_F(RendererTest, ZeroResolutionIsADivisionByZero) {
    doc->imageResolution = 100;
    doc->resolution = 0;
    try {
        render("a", "w.png");
        ADD_FAILURE() << "no error";
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 11);
    }
    EXPECT_EQ(doc->calls.back(), "Resolution");
}

TEST(PDFVzor2Test, UpperCasesAndInsertsTheDigit) {
    cls1250 converter;
    std::vector<std::string> color{"0", "0", "0"};
    clsPDFFaktura form(JobContext{converter, color});
    const auto vzor2 = [&](const std::string& p) {
        form.PDFVzor(p);
        return form.PDFVzor2();
    };
    EXPECT_EQ(vzor2("c:\\forms\\faktura.pdf"), "C:\\FORMS\\FAKTURA2.PDF");
    EXPECT_EQ(vzor2("forms\\fakt.PDF"), "FORMS\\FAKT2.PDF");
    EXPECT_EQ(vzor2("a.pdf\\b.pdf"), "A2.PDF\\B2.PDF");
    EXPECT_EQ(vzor2("c:\\tisk\\vzor"), "C:\\TISK\\VZOR");
    EXPECT_EQ(vzor2("c:\\dodací\\list_č.pdf"), "C:\\DODACÍ\\LIST_Č2.PDF");
}

} // namespace
} // namespace pdfforms
