// The document object as a script meets it: calls out of order and numbers
// a page cannot take are refused with an error, the document stays usable,
// and nothing but a complete PDF is written or opened.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Support.h"
#include "tiskpdf/Util.h"

using namespace tiskpdf_test;
namespace hr = tiskpdf::hr;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

} // namespace

// A watermark applied while it is being drawn: refused, and its drawing goes
// on (it used to free the drawing in use and crash at EndWatermark).
TEST(TiskPdfContract, WatermarkAppliedWhileDrawnIsRefused) {
    TempFolder dir;
    auto doc = tiskpdf::CreatePdfDocument({});
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    const std::int32_t w = doc->NewWatermark();
    doc->BeginWatermark(w);
    EXPECT_EQ(errorOf([&] { doc->ApplyWatermark(0, w); }), hr::kWrongState);
    doc->DrawImage(doc->LoadImage(data("wm_rgb_200.png")), 0, 0);
    doc->EndWatermark();
    doc->ApplyWatermark(0, w);
    doc->SaveDocument(dir / "out.pdf", false);
    EXPECT_TRUE(qpdfClean(dir / "out.pdf"));
    EXPECT_TRUE(contains(run("pdfimages -list " + quote(dir / "out.pdf")).output, "image"));
}

// Non-finite and out-of-range numbers are refused by every call that takes
// them; the text then still lands where the valid calls put it, and the file
// holds only numbers qpdf reads.
TEST(TiskPdfContract, NumbersAPageCannotTakeAreRefused) {
    TempFolder dir;
    auto doc = tiskpdf::CreatePdfDocument({});
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    const std::int32_t font = doc->RegisterFont("Courier New", false, false, 0, 0, 0);
    const std::int32_t image = doc->LoadImage(data("wm_rgb_200.png"));
    doc->UseFont(font, 12);
    for (float bad : {kNaN, kInf, -kInf, 1e38f, -40000.0f}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(errorOf([&] { doc->MoveTextTo(bad, 10); }), hr::kInvalidArgument);
        EXPECT_EQ(errorOf([&] { doc->MoveTextTo(10, bad); }), hr::kInvalidArgument);
        EXPECT_EQ(errorOf([&] { doc->DrawImage(image, bad, 0); }), hr::kInvalidArgument);
        EXPECT_EQ(errorOf([&] { doc->DrawImage(image, 0, bad); }), hr::kInvalidArgument);
        EXPECT_EQ(errorOf([&] { doc->UseFont(font, bad); }), hr::kInvalidArgument);
        EXPECT_EQ(errorOf([&] { doc->SetTextScaling(bad); }), hr::kInvalidArgument);
        EXPECT_EQ(errorOf([&] { doc->SetTextColor(bad, 0, 0, 0); }), hr::kInvalidArgument);
    }
    EXPECT_EQ(errorOf([&] { doc->SetTextColor(0, 0, 0, kNaN); }), hr::kInvalidArgument);
    EXPECT_EQ(errorOf([&] { doc->UseFont(font, 3e38f); }), hr::kInvalidArgument);
    EXPECT_EQ(errorOf([&] { doc->SetTextScaling(0.001f); }), hr::kInvalidArgument);
    // AES-256 takes at most 127 bytes: a longer password made a file that
    // no password opened.
    EXPECT_EQ(errorOf([&] { doc->SetPassword(std::string(128, 'a')); }), hr::kInvalidArgument);
    EXPECT_EQ(errorOf([&] { doc->SetPassword(std::string("a\0b", 3)); }), hr::kInvalidArgument);
    // At a high resolution the same limit lies further out in its units.
    doc->SetResolution(600);
    EXPECT_EQ(errorOf([&] { doc->MoveTextTo(250000, 0); }), 0);
    doc->SetResolution(72);

    // A text that would run past the limit is not drawn at all.
    doc->MoveTextTo(32000, 100);
    doc->UseFont(font, 1000);
    doc->SetTextScaling(1000);
    EXPECT_EQ(errorOf([&] { doc->DrawText("WWWWWWWW"); }), hr::kInvalidArgument);
    doc->UseFont(font, 12);
    doc->SetTextScaling(100);
    doc->MoveTextTo(100, 200);
    doc->DrawText("Poloha");
    doc->SaveDocument(dir / "out.pdf", false);
    std::string check;
    EXPECT_TRUE(qpdfClean(dir / "out.pdf", "", &check)) << check;
    EXPECT_NEAR(wordBox(dir / "out.pdf", "Poloha").xMin, 100, 0.5);

    // A template whose page lies beyond any page is refused when read.
    const std::string huge = dir / "huge.pdf";
    std::ofstream(huge) << "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                           "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
                           "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 9 1000000000000]>>"
                           "endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";
    EXPECT_EQ(errorOf([&] { doc->AppendPdf(huge, ""); }), hr::kPdfUnreadable);
    EXPECT_EQ(doc->PageCount(), 1);

    // The number formatting refuses what slipped past the checks instead of
    // writing whatever its buffer held.
    EXPECT_EQ(tiskpdf::number(2147483647.0), "2147483647");
    EXPECT_EQ(tiskpdf::number(-0.00004), "0");
    for (double bad : {3e38, -1e300, double(kNaN), double(kInf)})
        EXPECT_EQ(errorOf([&] { tiskpdf::number(bad); }), hr::kPdfWrite) << bad;
}

// A document without pages is not saved: no file, an existing one intact.
// Counts in messages take the Czech plural.
TEST(TiskPdfContract, SaveWithoutPagesAndCountsInMessages) {
    TempFolder dir;
    auto doc = tiskpdf::CreatePdfDocument({});
    std::string d;
    EXPECT_EQ(errorOf([&] { doc->SaveDocument(dir / "new.pdf", false); }, &d), hr::kWrongState);
    EXPECT_FALSE(fs::exists(dir / "new.pdf"));
    { std::ofstream(dir / "old.pdf") << "old"; }
    EXPECT_EQ(errorOf([&] { doc->SaveDocument(dir / "old.pdf", false); }), hr::kWrongState);
    EXPECT_EQ(readAll(dir / "old.pdf"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    errorOf([&] { doc->SelectPage(0); }, &d);
    EXPECT_TRUE(contains(d, "(dokument má 0 stran)")) << d;
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    errorOf([&] { doc->SelectPage(1); }, &d);
    EXPECT_TRUE(contains(d, "(dokument má 1 stranu)")) << d;
    doc->OpenPdf(data("template_2page_gs.pdf"), "");
    errorOf([&] { doc->SelectPage(7); }, &d);
    EXPECT_TRUE(contains(d, "(dokument má 2 strany)")) << d;
    EXPECT_EQ(tiskpdf::czechCount(5, "stranu", "strany", "stran"), "5 stran");
}

// The save's flag opens only a PDF: a .hta or .exe would be run, not shown.
TEST(TiskPdfContract, ViewerOpensOnlyPdfFiles) {
    for (const char* name : {"out.pdf", "OUT.Pdf", "C:\\PDF\\x.PDF", "C:x.pdf", ".pdf"})
        EXPECT_TRUE(pdfforms::isPdfFileName(name)) << name;
    for (const char* name : {"out.hta", "out.exe", "out.pdf.exe", "out.pdf.", "C:\\x.pdf\\f",
                             "x.hta:y.pdf", "pdf", ""})
        EXPECT_FALSE(pdfforms::isPdfFileName(name)) << name;

    TempFolder dir;
    std::vector<std::string> opened;
    pdfforms::PdfDocumentHost host;
    host.openInViewer = [&](const std::string& p) { opened.push_back(p); };
    auto doc = tiskpdf::CreatePdfDocument(host);
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    doc->SaveDocument(dir / "out.hta", true);
    EXPECT_TRUE(opened.empty());
    doc->SaveDocument(dir / "OUT.PDF", true);
    EXPECT_EQ(opened, std::vector<std::string>{dir / "OUT.PDF"});
}
