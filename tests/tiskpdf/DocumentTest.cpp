// Operations of the document object, checked with qpdf and poppler-utils.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "Support.h"
#include "platform/Encoding.h"

using namespace tiskpdf_test;
namespace hr = tiskpdf::hr;

namespace {

std::unique_ptr<pdfforms::IPDFDocument> newDoc() {
    return tiskpdf::CreatePdfDocument({});
}

const std::string kCzech =
    "Žluťoučký kůň úpěl ďábelské ódy: ĚŠČŘŽÝÁÍÉ ěščřžýáíé ůú ň ť ď ľ ĺ ŕ ô ä";
const std::string kBoxTop = "┌──────┬──────┐";
const std::string kBoxMid = "│ Zboží│ Cena │";
const std::string kBoxSep = "├──────┼──────┤";
const std::string kBoxBot = "└──────┴──────┘";

std::string sampleText() {
    return "\n\n\n\n\n\n\n\n\n\n\n\nFaktura č. 2024/001\n" + kCzech + "\n" + kBoxTop + "\n" +
           kBoxMid + "\n" + kBoxSep + "\n" + kBoxBot +
           "\n\x02Tučně\x02 \x17Kurzíva\x17 \x02\x17Obojí\x17\x02 konec";
}

void expectFontsEmbedded(const std::string& pdf) {
    ToolRun r = run("pdffonts " + quote(pdf));
    ASSERT_EQ(r.status, 0) << r.output;
    int mono = 0;
    std::istringstream in(r.output);
    std::string line;
    while (std::getline(in, line)) {
        if (!contains(line, "LiberationMono"))
            continue;
        ++mono;
        EXPECT_TRUE(contains(line, "+LiberationMono")) << line; // subset tag
        EXPECT_TRUE(contains(line, "CID TrueType")) << line;
        EXPECT_TRUE(contains(line, "Custom")) << line;      // its own one-byte-first CMap
        EXPECT_TRUE(contains(line, "yes yes yes")) << line; // emb sub uni
    }
    EXPECT_GT(mono, 0) << r.output;
}

} // namespace

// ------------------------------------------------------------------ text

TEST(TiskPdfText, CzechAndBoxCharactersRoundTrip) {
    TempFolder dir;
    auto doc = newDoc();
    Job job;
    job.vzor = data("template_a4_gs.pdf");
    render(*doc, job, sampleText());
    const std::string out = dir / "faktura.pdf";
    doc->SaveDocument(out, false);

    std::string check;
    EXPECT_TRUE(qpdfClean(out, "", &check)) << check;
    expectFontsEmbedded(out);
    ToolRun pdffonts = run("pdffonts " + quote(out));
    EXPECT_EQ(count(pdffonts.output, "LiberationMono"), 4) << pdffonts.output;

    ToolRun text = run("pdftotext -layout " + quote(out) + " -");
    ASSERT_EQ(text.status, 0) << text.output;
    for (const std::string& line : {std::string("Faktura č. 2024/001"), kCzech, kBoxTop, kBoxMid,
                                    kBoxSep, kBoxBot, std::string("Tučně Kurzíva Obojí konec")})
        EXPECT_TRUE(contains(text.output, line)) << "missing: " << line << "\n" << text.output;
    EXPECT_TRUE(contains(text.output, "FAKTURA - DANOVY DOKLAD"))
        << text.output; // the template's own text
}

TEST(TiskPdfText, PlacementTopLeftOriginAndResolution) {
    TempFolder dir;
    for (const char* tpl : {"template_a4_gs.pdf", "template_letter_cairo.pdf"}) {
        auto doc = newDoc();
        doc->OpenPdf(data(tpl), "");
        EXPECT_EQ(doc->Resolution(), 72);
        const auto f = doc->RegisterFont("Courier New", false, false, 0, 0, 0);
        doc->UseFont(f, 12);
        doc->SelectPage(0);
        doc->MoveTextTo(100, 200);
        for (char c : std::string("HELLO"))
            doc->DrawText(std::string(1, c));
        doc->SetResolution(144);
        EXPECT_EQ(doc->Resolution(), 144);
        doc->MoveTextTo(200, 600); // 100 pt, 300 pt
        doc->SetTextScaling(50);
        for (char c : std::string("HALF"))
            doc->DrawText(std::string(1, c));
        doc->SetTextScaling(100);
        doc->UseFont(f, 24);
        doc->MoveTextTo(200, 800); // 100 pt, 400 pt
        doc->DrawText("BIG");
        const std::string out = dir / (std::string("place-") + tpl);
        doc->SaveDocument(out, false);
        ASSERT_TRUE(qpdfClean(out));

        // One Courier character cell is 0.6 em: 7.2 pt at 12 pt.
        Box hello = wordBox(out, "HELLO");
        EXPECT_NEAR(hello.xMin, 100, 0.3) << tpl;
        EXPECT_NEAR(hello.yMin, 200, 0.6) << tpl; // top of the character cell
        EXPECT_NEAR(hello.xMax - hello.xMin, 5 * 7.2, 0.1) << tpl;
        Box half = wordBox(out, "HALF");
        EXPECT_NEAR(half.xMin, 100, 0.3) << tpl;
        EXPECT_NEAR(half.yMin, 300, 0.6) << tpl;
        EXPECT_NEAR(half.xMax - half.xMin, 4 * 3.6, 0.1) << tpl;
        Box big = wordBox(out, "BIG");
        EXPECT_NEAR(big.yMin, 400, 1.0) << tpl;
        EXPECT_NEAR(big.xMax - big.xMin, 3 * 14.4, 0.1) << tpl;
    }
}

TEST(TiskPdfText, OneTextOperatorPerLineAndState) {
    TempFolder dir;
    auto doc = newDoc();
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    const auto regular = doc->RegisterFont("Courier New", false, false, 0, 0, 0);
    const auto bold = doc->RegisterFont("Courier New", true, false, 0, 0, 0);
    doc->UseFont(regular, 12);
    for (int line = 0; line < 3; ++line) {
        doc->MoveTextTo(40, 100 + 12 * line);
        for (int i = 0; i < 60; ++i)
            doc->DrawText(std::string(1, static_cast<char>('A' + i % 26)));
    }
    doc->MoveTextTo(40, 200);
    doc->DrawText("a");
    doc->DrawText("b");
    doc->UseFont(bold, 12); // a change of state starts a new operator
    doc->DrawText("c");
    doc->UseFont(bold, 12); // the same state again does not
    doc->DrawText("d");
    const std::string out = dir / "compact.pdf";
    doc->SaveDocument(out, false);
    const std::string qdf = dir / "compact.qdf";
    ASSERT_EQ(run("qpdf --qdf --object-streams=disable " + quote(out) + " " + quote(qdf)).status,
              0);
    const std::string all = readAll(qdf);
    const std::size_t ours = all.find("BT\n/TPF"); // the template's text comes before it
    ASSERT_NE(ours, std::string::npos);
    EXPECT_EQ(count(all.substr(ours), ")Tj"), 5);

    // Streams compressed, object streams used.
    const std::string raw = readAll(out);
    EXPECT_TRUE(contains(raw, "/ObjStm"));
    EXPECT_FALSE(contains(raw, ")Tj"));
}

// Text codes are handed out one byte first, then two bytes; the
// bytes a literal string must escape are among them. Every one must come
// back as the character drawn, whatever the length of its code.
TEST(TiskPdfText, CodesOfEveryLengthRoundTrip) {
    TempFolder dir;
    auto doc = newDoc();
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    doc->SelectPage(0);
    const auto f = doc->RegisterFont("Courier New", false, false, 0, 0, 0);
    doc->UseFont(f, 6);
    std::vector<std::string> lines;
    auto drawLine = [&](int n, const std::string& text) {
        doc->MoveTextTo(20, 20 + 7 * n);
        doc->DrawText(text);
        lines.push_back(text);
    };
    // First the letters with codes above the one-byte range, so that the
    // string delimiters and the backslash lose their own values.
    std::string greek, cyrillic, latin;
    for (char32_t c = 0x391; c <= 0x3A9; ++c)
        if (c != 0x3A2)
            platform::appendUtf8(greek, c);
    for (char32_t c = 0x410; c <= 0x44F; ++c)
        platform::appendUtf8(cyrillic, c);
    for (char32_t c = 0x100; c <= 0x17F; ++c)
        platform::appendUtf8(latin, c);
    drawLine(0, greek);
    drawLine(1, cyrillic.substr(0, cyrillic.size() / 2));
    drawLine(2, cyrillic.substr(cyrillic.size() / 2));
    drawLine(3, latin.substr(0, latin.size() / 2));
    drawLine(4, latin.substr(latin.size() / 2));
    drawLine(5, "a(b)c\\d (( )) \\\\ x");
    drawLine(6, "konec");
    // Malformed UTF-8 (an overlong "/", a surrogate) draws as U+FFFD.
    doc->MoveTextTo(20, 20 + 7 * 7);
    doc->DrawText("x\xC0\xAFy\xED\xA0\x80z");
    // Nearly every two-byte code (CJK: the face has no glyphs for them, the
    // text is still carried); one code point more than a face can take is
    // refused and leaves what was drawn alone.
    std::string cjk;
    const int used = 24 + 64 + 128 + 16; // the letters above, the ASCII characters
    for (char32_t c = 0x4E00; c < 0x4E00 + (0xC0 + 0x4000 - used - 40); ++c)
        platform::appendUtf8(cjk, c);
    doc->UseFont(f, 2);
    for (std::size_t i = 0; i < cjk.size(); i += 3 * 100) { // lines of 100 on the page
        doc->MoveTextTo(20, static_cast<float>(100 + 2.5 * (i / 300)));
        doc->DrawText(cjk.substr(i, 3 * 100));
    }
    std::string tooMany;
    for (char32_t c = 0xAC00; c < 0xAC00 + 100; ++c)
        platform::appendUtf8(tooMany, c);
    try {
        doc->DrawText(tooMany);
        ADD_FAILURE() << "more code points than codes were accepted";
    } catch (const pdfforms::NumberedError& e) {
        EXPECT_EQ(e.number(), tiskpdf::hr::kInvalidArgument);
    }
    const std::string out = dir / "codes.pdf";
    doc->SaveDocument(out, false);
    std::string check;
    ASSERT_TRUE(qpdfClean(out, "", &check)) << check;

    ToolRun text = run("pdftotext -raw " + quote(out) + " -");
    ASSERT_EQ(text.status, 0) << text.output;
    for (const std::string& line : lines)
        EXPECT_TRUE(contains(text.output, line)) << "missing: " << line;
    EXPECT_TRUE(contains(text.output, "x\uFFFD\uFFFDy\uFFFD\uFFFD\uFFFDz")) << text.output;
    // The CJK text comes back whole (pdftotext may break it into lines).
    std::string joined;
    for (char ch : text.output)
        if (ch != '\n' && ch != ' ')
            joined += ch;
    EXPECT_TRUE(contains(joined, cjk.substr(0, 3 * 200)));
    EXPECT_TRUE(contains(joined, cjk.substr(cjk.size() - 3 * 200)));
}

// Lines are placed by moves relative to the previous line, and a change of
// face inside a line does not move at all: neither may drift, however many
// lines and changes a page has.
TEST(TiskPdfText, RelativeMovesDoNotDrift) {
    TempFolder dir;
    auto doc = newDoc();
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    doc->SelectPage(0);
    const auto regular = doc->RegisterFont("Courier New", false, false, 0, 0, 0);
    const auto bold = doc->RegisterFont("Courier New", true, false, 0, 0, 0);
    doc->UseFont(regular, 4);
    const double step = 7.0 / 3.0; // not a whole number of ten-thousandths
    const int count = 300;
    for (int i = 0; i < count; ++i) {
        doc->MoveTextTo(static_cast<float>(30 + (i % 7) * 0.37), static_cast<float>(80 + step * i));
        doc->UseFont(regular, 4);
        doc->DrawText(std::string("L").append(std::to_string(i)).append("a"));
        for (int j = 0; j < 10; ++j) { // ten changes of face along the line
            doc->UseFont(j % 2 ? regular : bold, 4);
            doc->DrawText("xy");
        }
        doc->UseFont(regular, 4);
        doc->DrawText(" R" + std::to_string(i) + "z");
    }
    const std::string out = dir / "drift.pdf";
    doc->SaveDocument(out, false);
    ASSERT_TRUE(qpdfClean(out));
    const double cell = 0.600098 * 4; // Liberation Mono: 1229/2048 em, as in /W
    const auto all = words(out);
    for (int i : {0, 1, 150, count - 1}) {
        const std::string first = "L" + std::to_string(i) + "axyxyxyxyxyxyxyxyxyxy";
        const std::string last = "R" + std::to_string(i) + "z";
        bool seenFirst = false, seenLast = false;
        const double x = 30 + (i % 7) * 0.37;
        for (const auto& [w, b] : all) {
            if (w == first) {
                seenFirst = true;
                EXPECT_NEAR(b.xMin, x, 0.01) << w;
                EXPECT_NEAR(b.yMin, 80 + step * i, 0.2) << w;
            }
            if (w == last) {
                seenLast = true;
                const double expected = x + cell * (first.size() + 1);
                EXPECT_NEAR(b.xMin, expected, 0.01) << w;
                EXPECT_NEAR(b.xMax, expected + cell * last.size(), 0.01) << w;
            }
        }
        EXPECT_TRUE(seenFirst && seenLast) << "line " << i;
    }
}

TEST(TiskPdfText, TextColourAndCmyk) {
    TempFolder dir;
    auto doc = newDoc();
    Job job;
    job.vzor = data("template_a4_gs.pdf");
    job.red = 1;
    render(*doc, job, "RED TEXT");
    const std::string out = dir / "red.pdf";
    doc->SaveDocument(out, false);
    const std::string qdf = dir / "red.qdf";
    ASSERT_EQ(run("qpdf --qdf --object-streams=disable " + quote(out) + " " + quote(qdf)).status,
              0);
    EXPECT_TRUE(contains(readAll(qdf), "1 0 0 rg"));
    // Rendered: the text pixels are red.
    ASSERT_EQ(run("pdftoppm -r 72 -f 1 -l 1 -x 0 -y 20 -W 120 -H 20 " + quote(out) + " " +
                  quote(dir / "red"))
                  .status,
              0);
    std::string ppm = readAll(dir / "red-1.ppm");
    int redPixels = 0;
    auto start = ppm.find("255\n") + 4;
    for (std::size_t i = start; i + 2 < ppm.size(); i += 3) {
        auto r = static_cast<unsigned char>(ppm[i]), g = static_cast<unsigned char>(ppm[i + 1]),
             b = static_cast<unsigned char>(ppm[i + 2]);
        if (r > 200 && g < 80 && b < 80)
            ++redPixels;
    }
    EXPECT_GT(redPixels, 20);
}

// ------------------------------------------------------------------ templates

TEST(TiskPdfTemplates, EveryProducerAndVariant) {
    TempFolder dir;
    struct Case {
        const char* file;
        int pages;
        const char* size;
    };
    for (const Case& c :
         {Case{"template_a4_gs.pdf", 1, "595 x 842"}, Case{"template_2page_gs.pdf", 2, "595 x 842"},
          Case{"template_letter_cairo.pdf", 1, "612 x 792"},
          Case{"template_a4_objstm.pdf", 1, "595 x 842"},
          Case{"template_letter_pdf20.pdf", 1, "612 x 792"},
          Case{"template_a4_encrypted.pdf", 1, "595 x 842"},
          Case{"template_letter_incremental.pdf", 1, "612 x 792"},
          Case{"template_a4_damaged.pdf", 1, "595 x 842"}}) {
        SCOPED_TRACE(c.file);
        auto doc = newDoc();
        Job job;
        job.vzor = data(c.file);
        render(*doc, job, "Text na šabloně " + std::string(c.file) + "\f" + "Druhá strana ┼");
        EXPECT_EQ(doc->PageCount(), c.pages + c.pages);
        const std::string out = dir / (std::string("t-") + c.file);
        doc->SaveDocument(out, false);
        std::string check;
        EXPECT_TRUE(qpdfClean(out, "", &check)) << check;
        ToolRun info = run("pdfinfo " + quote(out));
        EXPECT_TRUE(contains(info.output, "Pages:           " + std::to_string(2 * c.pages)))
            << info.output;
        EXPECT_TRUE(contains(info.output, std::string("Page size:       ") + c.size))
            << info.output;
        // The first form's text lies on the last template page.
        ToolRun text = run("pdftotext -layout -f " + std::to_string(c.pages) + " -l " +
                           std::to_string(c.pages) + " " + quote(out) + " -");
        EXPECT_TRUE(contains(text.output, std::string("Text na šabloně ") + c.file)) << text.output;
        ToolRun last =
            run("pdftotext -layout -f " + std::to_string(2 * c.pages) + " " + quote(out) + " -");
        EXPECT_TRUE(contains(last.output, "Druhá strana ┼")) << last.output;
        ToolRun ppm = run("pdftoppm -r 20 -png " + quote(out) + " " +
                          quote(dir / (std::string("r-") + c.file)));
        EXPECT_EQ(ppm.status, 0) << ppm.output;
        EXPECT_FALSE(contains(ppm.output, "Error")) << ppm.output;
    }
}

TEST(TiskPdfTemplates, IncrementalUpdateIsRead) {
    // The update adds a red rule; cairo's content leaves its y-flip in the
    // graphics state, so the rule lands 60 pt below the top edge.
    TempFolder dir;
    auto doc = newDoc();
    doc->OpenPdf(data("template_letter_incremental.pdf"), "");
    const std::string out = dir / "inc.pdf";
    doc->SaveDocument(out, false);
    ASSERT_EQ(run("pdftoppm -r 72 -x 300 -y 50 -W 1 -H 20 " + quote(out) + " " + quote(dir / "inc"))
                  .status,
              0);
    std::string ppm = readAll(dir / "inc-1.ppm");
    ASSERT_GT(ppm.size(), 60u);
    bool red = false;
    for (std::size_t i = ppm.size() - 60; i + 2 < ppm.size(); i += 3)
        if (static_cast<unsigned char>(ppm[i]) > 200 &&
            static_cast<unsigned char>(ppm[i + 1]) < 100)
            red = true;
    EXPECT_TRUE(red);
}

TEST(TiskPdfTemplates, SharedWhenAppendedManyTimes) {
    TempFolder dir;
    auto one = newDoc();
    Job job;
    job.vzor = data("template_a4_gs.pdf");
    const std::string line =
        "Faktura č. 2024/0001  Odběratel: Účetní kancelář Žižkov  Částka: 1 234,50 Kč\n";
    render(*one, job, line);
    const std::string outOne = dir / "one.pdf";
    one->SaveDocument(outOne, false);

    auto many = newDoc();
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += (i ? "\v" : "") + line;
    const auto t0 = std::chrono::steady_clock::now();
    render(*many, job, text);
    const std::string outMany = dir / "many.pdf";
    many->SaveDocument(outMany, false);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_EQ(many->PageCount(), 1000);
    std::string check;
    EXPECT_TRUE(qpdfClean(outMany, "", &check)) << check;
    const auto sizeOne = fs::file_size(outOne), sizeMany = fs::file_size(outMany);
    const auto tpl = fs::file_size(data("template_a4_gs.pdf"));
    std::printf("one form: %zu bytes, 1000 forms: %zu bytes (template %zu), %.2f s\n",
                std::size_t(sizeOne), std::size_t(sizeMany), std::size_t(tpl), seconds);
    // The template once plus about 300 bytes of text and page per form.
    EXPECT_LT(sizeMany, sizeOne + 999 * 300);
    ToolRun lastText = run("pdftotext -layout -f 1000 -l 1000 " + quote(outMany) + " -");
    EXPECT_TRUE(contains(lastText.output, "Účetní kancelář Žižkov")) << lastText.output;
}

// A landscape form made by turning a portrait page (/Rotate), as viewers and
// print drivers do: text and watermark lie where they lie on a landscape
// page of the same size, and the text reads along the top edge as shown.
TEST(TiskPdfTemplates, TurnedPagesPlaceTextAsShown) {
    TempFolder dir;
    // Blank pages: landscape, and portrait with its origin off the corner.
    const auto blank = [&](const std::string& name, const std::string& box) {
        std::ofstream(dir / "raw.pdf")
            << "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
               "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
               "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox["
            << box << "]>>endobj\ntrailer<</Size 4/Root 1 0 R>>\n%%EOF\n";
        run("qpdf " + quote(dir / "raw.pdf") + " " + quote(dir / name));
        return dir / name;
    };
    const std::string landscape = blank("landscape.pdf", "0 0 842 595");
    const std::string portrait = blank("portrait.pdf", "30 40 625 882");
    const std::string text = "\n\n\nLevý horní roh\n    Odsazeno ┼ 12,50\n\x01Užší\x01 konec";
    auto placed = [&](const std::string& tpl, const std::string& out) {
        auto doc = newDoc();
        Job job;
        job.vzor = tpl;
        job.vodoznak = data("wm_150.jpg");
        render(*doc, job, text + "\fDruhá strana");
        doc->SaveDocument(out, false);
        EXPECT_TRUE(qpdfClean(out));
        return std::make_pair(words(out, 1), words(out, 2));
    };
    const auto expected = placed(landscape, dir / "plain-out.pdf");
    ASSERT_EQ(expected.first.size(), 8u);
    struct Case {
        std::string from, turn;
    };
    for (const Case& c : {Case{portrait, "+90"}, Case{portrait, "-90"}, Case{landscape, "180"}}) {
        SCOPED_TRACE(c.turn);
        const std::string turned = dir / ("turned" + c.turn + ".pdf");
        ASSERT_EQ(run("qpdf --rotate=" + c.turn + " " + quote(c.from) + " " + quote(turned)).status,
                  0);
        const std::string out = dir / ("out" + c.turn + ".pdf");
        const auto got = placed(turned, out);
        // Shown, the pages are the same, the watermark included.
        const auto pixels = [&](const std::string& pdf) {
            run("pdftoppm -r 30 -gray -f 1 -l 1 " + quote(pdf) + " " + quote(dir / "px"));
            return readAll(dir / "px-1.pgm");
        };
        EXPECT_EQ(pixels(out), pixels(dir / "plain-out.pdf"));
        for (const auto* page : {&got.first, &got.second}) {
            const auto& want = page == &got.first ? expected.first : expected.second;
            ASSERT_EQ(page->size(), want.size());
            for (std::size_t i = 0; i < want.size(); ++i) {
                const Box &g = (*page)[i].second, &w = want[i].second;
                EXPECT_EQ((*page)[i].first, want[i].first);
                EXPECT_NEAR(g.xMin, w.xMin, 0.05) << want[i].first;
                EXPECT_NEAR(g.yMin, w.yMin, 0.05) << want[i].first;
                EXPECT_NEAR(g.xMax, w.xMax, 0.05) << want[i].first;
                EXPECT_NEAR(g.yMax, w.yMax, 0.05) << want[i].first;
            }
        }
    }
}

// ------------------------------------------------------------------ watermark

TEST(TiskPdfWatermark, BeneathContentWithResolutionRule) {
    TempFolder dir;
    auto doc = newDoc();
    Job job;
    job.vzor = data("template_a4_gs.pdf");
    job.vodoznak = data("wm_150.jpg");
    job.priloha = data("template_letter_cairo.pdf");
    render(*doc, job, "PRVNI\nDRUHY\vPRVNI\nDRUHY");
    // form 1, attachment, form 2, attachment
    ASSERT_EQ(doc->PageCount(), 4);
    EXPECT_EQ(doc->ImageResolution(1), 150);
    doc->SelectPage(0);
    EXPECT_EQ(doc->Resolution(), 150);
    doc->SelectPage(2);
    EXPECT_EQ(doc->Resolution(), 72); // pages added later start at 72
    const std::string out = dir / "wm.pdf";
    doc->SaveDocument(out, false);
    std::string check;
    EXPECT_TRUE(qpdfClean(out, "", &check)) << check;

    // The text lands at the same place on both forms.
    for (const char* w : {"PRVNI", "DRUHY"}) {
        Box a = wordBox(out, w, 1), b = wordBox(out, w, 3);
        EXPECT_NEAR(a.xMin, 1.0, 0.3) << w;
        EXPECT_NEAR(a.xMin, b.xMin, 0.01) << w;
        EXPECT_NEAR(a.yMin, b.yMin, 0.01) << w;
    }
    EXPECT_NEAR(wordBox(out, "DRUHY", 1).yMin, 22.5 + 11.9, 0.6);

    // One picture object, shown on pages 1 and 3 at 150 ppi, 3 x 2 inches.
    ToolRun list = run("pdfimages -list " + quote(out));
    ASSERT_EQ(list.status, 0) << list.output;
    std::istringstream in(list.output);
    std::string l;
    std::vector<std::string> rows;
    while (std::getline(in, l))
        if (contains(l, " image "))
            rows.push_back(l);
    ASSERT_EQ(rows.size(), 2u) << list.output;
    for (auto& r : rows) {
        std::istringstream f(r);
        std::string page, num, type, width, height, color, comp, bpc, enc, interp, object, id, xppi,
            yppi;
        f >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc >> interp >>
            object >> id >> xppi >> yppi;
        EXPECT_EQ(width, "450");
        EXPECT_EQ(height, "300");
        EXPECT_EQ(enc, "jpeg");
        EXPECT_EQ(xppi, "150");
        EXPECT_EQ(yppi, "150");
    }
    EXPECT_EQ(rows[0].substr(rows[0].size() - 40, 20), rows[1].substr(rows[1].size() - 40, 20))
        << list.output;
    EXPECT_TRUE(contains(rows[0], "   1 ")) << rows[0];

    // Beneath: the template's horizontal rule at 100 pt from the top crosses
    // the watermark and stays dark; beside it the watermark shows.
    ASSERT_EQ(run("pdftoppm -r 72 -f 1 -l 1 " + quote(out) + " " + quote(dir / "wm")).status, 0);
    run("pdftoppm -r 50 -png " + quote(out) + " " + quote(dir / "wmview"));
    std::string ppm = readAll(dir / "wm-1.ppm");
    auto pixel = [&](int x, int y) {
        std::size_t at = ppm.find("255\n") + 4 + (std::size_t(y) * 595 + x) * 3;
        return static_cast<int>(static_cast<unsigned char>(ppm[at])) +
               static_cast<unsigned char>(ppm[at + 1]) + static_cast<unsigned char>(ppm[at + 2]);
    };
    EXPECT_LT(pixel(100, 100), 400); // the rule over the watermark
    int wmBlue = pixel(100, 90);     // the watermark's light blue field
    EXPECT_GT(wmBlue, 500);
    EXPECT_LT(wmBlue, 3 * 250);
}

TEST(TiskPdfWatermark, LowResolutionPictureIsDroppedByRenderer) {
    auto doc = newDoc();
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    auto img = doc->LoadImage(data("wm_low_50.png"));
    EXPECT_EQ(doc->ImageResolution(img), 50);
    EXPECT_EQ(doc->ImageResolution(img), 50);
}

// ------------------------------------------------------------------ pictures

TEST(TiskPdfPictures, FormatsAndResolutions) {
    TempFolder dir;
    struct Case {
        const char* file;
        int dpi;
        int width, height;
        const char* color;
        bool smask;
    };
    const Case cases[] = {
        {"wm_150.jpg", 150, 450, 300, "rgb", false},
        {"wm_gray_100.jpg", 100, 300, 200, "gray", false},
        {"wm_cmyk.jpg", 96, 360, 240, "cmyk", false}, // Adobe marker, no JFIF
        {"wm_exif_240.jpg", 240, 450, 300, "rgb", false},
        {"wm_nodensity.jpg", 96, 450, 300, "rgb", false},
        {"wm_rgb_200.png", 200, 600, 400, "rgb", false},
        {"wm_gray_72.png", 72, 216, 144, "gray", false},
        {"wm_palette_96.png", 96, 288, 192, "rgb", false},
        {"wm_mono_300.png", 300, 900, 600, "gray", false},
        {"wm_rgba_100.png", 100, 120, 80, "rgb", true},
        {"wm_gray_alpha_72.png", 72, 120, 80, "gray", true},
        {"wm_trns_palette_144.png", 144, 120, 80, "rgb", true},
        {"wm_rgb16_interlaced.png", 96, 120, 80, "rgb", false},
        {"wm_24_150.bmp", 150, 450, 300, "rgb", false},
        {"wm_8_100.bmp", 100, 300, 200, "rgb", false},
        {"wm_4_100.bmp", 100, 300, 200, "rgb", false},
        {"wm_1_200.bmp", 200, 600, 400, "rgb", false},
        {"wm_32alpha_120.bmp", 120, 120, 80, "rgb", true},
        {"wm_32_96.bmp", 96, 120, 80, "rgb", false},
        {"wm_24_topdown_72.bmp", 72, 120, 80, "rgb", false},
    };
    auto doc = newDoc();
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    std::vector<std::int32_t> handles;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::int32_t h = 0;
        ASSERT_NO_THROW(h = doc->LoadImage(data(c.file)));
        EXPECT_EQ(doc->ImageResolution(h), c.dpi);
        doc->AppendPdf(data("template_a4_gs.pdf"), "");
        doc->SelectPage(doc->PageCount() - 1);
        doc->DrawImage(h, 10, 10);
        handles.push_back(h);
    }
    const std::string out = dir / "pictures.pdf";
    doc->SaveDocument(out, false);
    std::string check;
    EXPECT_TRUE(qpdfClean(out, "", &check)) << check;
    ToolRun list = run("pdfimages -list " + quote(out));
    ASSERT_EQ(list.status, 0);
    std::istringstream in(list.output);
    std::string l;
    std::map<int, std::vector<std::vector<std::string>>> byPage;
    while (std::getline(in, l)) {
        std::istringstream f(l);
        std::vector<std::string> cols;
        std::string col;
        while (f >> col)
            cols.push_back(col);
        if (cols.size() >= 14 && std::isdigit(static_cast<unsigned char>(cols[0][0])))
            byPage[std::stoi(cols[0])].push_back(cols);
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.file);
        auto& rows = byPage[static_cast<int>(i) + 2];
        ASSERT_EQ(rows.size(), c.smask ? 2u : 1u) << list.output;
        EXPECT_EQ(rows[0][2], "image");
        EXPECT_EQ(rows[0][3], std::to_string(c.width));
        EXPECT_EQ(rows[0][4], std::to_string(c.height));
        EXPECT_EQ(rows[0][5], c.color);
        EXPECT_EQ(rows[0][12], std::to_string(c.dpi)); // drawn at its natural size
        if (c.smask) {
            EXPECT_EQ(rows[1][2], "smask");
        }
    }
    ToolRun ppm = run("pdftoppm -r 20 -png " + quote(out) + " " + quote(dir / "pic"));
    EXPECT_EQ(ppm.status, 0) << ppm.output;
}

TEST(TiskPdfPictures, Errors) {
    auto doc = newDoc();
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    std::string d;
    EXPECT_EQ(errorOf([&] { doc->LoadImage(data("wm_rle8.bmp")); }, &d), hr::kImageFormat);
    EXPECT_EQ(errorOf([&] { doc->LoadImage(data("not_a_picture.gif")); }, &d), hr::kImageFormat);
    EXPECT_TRUE(contains(d, "not_a_picture.gif")) << d;
    EXPECT_EQ(errorOf([&] { doc->LoadImage(data("missing.png")); }), hr::kFileNotFound);
    EXPECT_EQ(errorOf([&] { doc->LoadImage(data("template_a4_gs.pdf")); }), hr::kImageFormat);
    EXPECT_EQ(errorOf([&] { doc->ImageResolution(7); }), hr::kBadHandle);
    EXPECT_EQ(errorOf([&] { doc->DrawImage(7, 0, 0); }), hr::kBadHandle);
}

// ------------------------------------------------------------------ saving

TEST(TiskPdfSave, PasswordAes256) {
    TempFolder dir;
    auto doc = newDoc();
    Job job;
    job.vzor = data("template_a4_gs.pdf");
    job.heslo = "tajné heslo";
    render(*doc, job, "Chráněný text");
    const std::string out = dir / "secret.pdf";
    doc->SaveDocument(out, false);
    ToolRun noPw = run("pdfinfo " + quote(out));
    EXPECT_NE(noPw.status, 0) << noPw.output;
    EXPECT_TRUE(contains(noPw.output, "Incorrect password")) << noPw.output;
    ToolRun withPw = run("pdfinfo -upw " + quote(job.heslo) + " " + quote(out));
    EXPECT_EQ(withPw.status, 0) << withPw.output;
    EXPECT_TRUE(contains(withPw.output, "algorithm:AES-256")) << withPw.output;
    ToolRun enc = run("qpdf --show-encryption --password=" + quote(job.heslo) + " " + quote(out));
    EXPECT_TRUE(contains(enc.output, "R = 6")) << enc.output;
    std::string check;
    EXPECT_TRUE(qpdfClean(out, job.heslo, &check)) << check;
    ToolRun text = run("pdftotext -upw " + quote(job.heslo) + " " + quote(out) + " -");
    EXPECT_TRUE(contains(text.output, "Chráněný text")) << text.output;
}

TEST(TiskPdfSave, DeterministicAndWithoutDescriptiveTexts) {
    TempFolder dir;
    std::string files[2];
    for (int i = 0; i < 2; ++i) {
        auto doc = newDoc();
        Job job;
        job.vzor = data("template_2page_gs.pdf");
        job.vodoznak = data("wm_rgba_100.png");
        render(*doc, job, sampleText() + "\f" + sampleText());
        files[i] = dir / ("run" + std::to_string(i) + ".pdf");
        doc->SaveDocument(files[i], false);
    }
    EXPECT_EQ(readAll(files[0]), readAll(files[1]));
    ToolRun info = run("pdfinfo " + quote(files[0]));
    for (const char* key :
         {"Title:", "Subject:", "Author:", "Keywords:", "Creator:", "CreationDate:"})
        EXPECT_FALSE(contains(info.output, key)) << info.output;
    const std::string qdf = dir / "run.qdf";
    run("qpdf --qdf --object-streams=disable " + quote(files[0]) + " " + quote(qdf));
    EXPECT_TRUE(contains(readAll(qdf), "/PageLayout /SinglePage"));
}

TEST(TiskPdfSave, InfoTextsWhenSet) {
    TempFolder dir;
    auto doc = newDoc();
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    doc->SetInfoText(pdfforms::InfoText::Title, "Faktura č. 1");
    doc->SetInfoText(pdfforms::InfoText::Author, "Účtárna");
    doc->SetInfoText(pdfforms::InfoText::Author, "");
    const std::string out = dir / "info.pdf";
    doc->SaveDocument(out, false);
    ToolRun info = run("pdfinfo " + quote(out));
    EXPECT_TRUE(contains(info.output, "Faktura č. 1")) << info.output;
    EXPECT_FALSE(contains(info.output, "Author:")) << info.output;
}

TEST(TiskPdfSave, AtomicReplaceAndFailure) {
    TempFolder dir;
    auto doc = newDoc();
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    const std::string out = dir / "out.pdf";
    {
        std::ofstream old(out);
        old << "old content";
    }
    doc->SaveDocument(out, false);
    EXPECT_TRUE(qpdfClean(out));
    const std::string saved = readAll(out);

    // A folder that does not exist: an error, nothing written.
    EXPECT_EQ(errorOf([&] { doc->SaveDocument(dir / "no/such/folder/x.pdf", false); }),
              hr::kSaveFailed);
    // A target that cannot be replaced (a non-empty folder): the error, the
    // folder as it was, no temporary file left.
    fs::create_directories(dir / "busy.pdf/inner");
    EXPECT_EQ(errorOf([&] { doc->SaveDocument(dir / "busy.pdf", false); }), hr::kSaveFailed);
    EXPECT_TRUE(fs::is_directory(dir / "busy.pdf/inner"));

    // A source whose data vanish before the save: the write fails, the
    // existing output stays intact. (A big uncompressed source, so that the
    // stream data are read only while writing.)
    const std::string big = dir / "big.pdf";
    {
        auto withPicture = newDoc();
        withPicture->OpenPdf(data("template_a4_gs.pdf"), "");
        withPicture->DrawImage(withPicture->LoadImage(data("wm_24_150.bmp")), 0, 0);
        withPicture->SaveDocument(dir / "big0.pdf", false);
        ASSERT_EQ(run("qpdf --stream-data=uncompress --object-streams=disable " +
                      quote(dir / "big0.pdf") + " " + quote(big))
                      .status,
                  0);
        fs::remove(dir / "big0.pdf");
    }
    auto broken = newDoc();
    broken->OpenPdf(big, "");
    fs::resize_file(big, 20000);
    std::string d;
    EXPECT_EQ(errorOf([&] { broken->SaveDocument(out, false); }, &d), hr::kPdfWrite) << d;
    EXPECT_TRUE(contains(d, "out.pdf")) << d;
    EXPECT_EQ(readAll(out), saved);
    int entries = 0;
    for (auto& entry : fs::directory_iterator(dir.path())) {
        ++entries;
        EXPECT_EQ(entry.path().filename().string().rfind(".out.pdf", 0), std::string::npos)
            << entry.path();
    }
    EXPECT_EQ(entries, 3); // out.pdf, busy.pdf, big.pdf
}

TEST(TiskPdfSave, HostResolvesPathsAndOpensViewer) {
    TempFolder dir;
    std::vector<std::string> asked;
    std::string opened;
    pdfforms::PdfDocumentHost host;
    host.resolvePath = [&](const std::string& p) {
        asked.push_back(p);
        if (p == "C:\\DRO\\{tisk}\\vzor.pdf")
            return data("template_a4_gs.pdf");
        if (p == "C:\\DRO\\{tisk}\\vodoznak.png")
            return data("wm_rgb_200.png");
        if (p == "C:\\DRO\\out.pdf")
            return dir / "out.pdf";
        throw pdfforms::NumberedError(53, "File not found");
    };
    host.openInViewer = [&](const std::string& p) {
        opened = p;
        throw std::runtime_error("no viewer"); // not an error of the save
    };
    auto doc = tiskpdf::CreatePdfDocument(host);
    doc->OpenPdf("C:\\DRO\\{tisk}\\vzor.pdf", "");
    EXPECT_EQ(doc->ImageResolution(doc->LoadImage("C:\\DRO\\{tisk}\\vodoznak.png")), 200);
    EXPECT_EQ(errorOf([&] { doc->AppendPdf("C:\\nic.pdf", ""); }), 53);
    doc->SaveDocument("C:\\DRO\\out.pdf", false);
    EXPECT_TRUE(opened.empty());
    doc->SaveDocument("C:\\DRO\\out.pdf", true);
    EXPECT_EQ(opened, dir / "out.pdf");
    EXPECT_TRUE(qpdfClean(dir / "out.pdf"));
}

// ------------------------------------------------------------------ errors

TEST(TiskPdfErrors, NumberedErrorsForBadCalls) {
    auto doc = newDoc();
    std::string d;
    EXPECT_EQ(errorOf([&] { doc->DrawText("x"); }), hr::kWrongState);
    EXPECT_EQ(errorOf([&] { doc->OpenPdf(data("not_a_pdf.pdf"), ""); }, &d), hr::kPdfUnreadable);
    EXPECT_TRUE(contains(d, "not_a_pdf.pdf")) << d;
    EXPECT_EQ(errorOf([&] { doc->AppendPdf(data("nothing-here.pdf"), ""); }, &d),
              hr::kFileNotFound);
    EXPECT_TRUE(contains(d, "nothing-here.pdf")) << d;
    EXPECT_EQ(doc->PageCount(), 0);
    doc->OpenPdf(data("template_2page_gs.pdf"), "");
    EXPECT_EQ(doc->PageCount(), 2);
    EXPECT_EQ(errorOf([&] { doc->SelectPage(2); }), hr::kPageIndex);
    EXPECT_EQ(errorOf([&] { doc->SelectPage(-1); }), hr::kPageIndex);
    EXPECT_EQ(errorOf([&] { doc->DrawText("x"); }), hr::kWrongState); // no font
    EXPECT_EQ(errorOf([&] { doc->UseFont(9, 12); }), hr::kBadHandle);
    EXPECT_EQ(errorOf([&] { doc->RegisterFont("Courier New", false, false, 1, 0, 0); }),
              hr::kInvalidArgument);
    EXPECT_EQ(errorOf([&] { doc->SetResolution(0); }), hr::kInvalidArgument);
    EXPECT_EQ(errorOf([&] { doc->SetDocumentMode(7); }), hr::kInvalidArgument);
    EXPECT_EQ(errorOf([&] { doc->SetColorMode(3); }), hr::kInvalidArgument);
    EXPECT_EQ(errorOf([&] { doc->SetTextColor(1.5f, 0, 0, 0); }), hr::kInvalidArgument);
    EXPECT_EQ(errorOf([&] { doc->EndWatermark(); }), hr::kWrongState);
    EXPECT_EQ(errorOf([&] { doc->BeginWatermark(1); }), hr::kBadHandle);
    EXPECT_EQ(errorOf([&] { doc->ApplyWatermark(5, doc->NewWatermark()); }), hr::kPageIndex);
    // An encrypted file with a user password needs it.
    EXPECT_EQ(errorOf([&] { doc->AppendPdf(data("template_a4_encrypted.pdf"), ""); }), 0);
    EXPECT_EQ(doc->PageCount(), 3);
    // OpenPdf replaces the pages.
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    EXPECT_EQ(doc->PageCount(), 1);
    EXPECT_EQ(doc->RegisterFont("Courier New", false, false, 0, 0, 0),
              doc->RegisterFont("Courier New", false, false, 0, 0, 0));
}

TEST(TiskPdfErrors, PasswordProtectedTemplate) {
    TempFolder dir;
    const std::string locked = dir / "locked.pdf";
    ASSERT_EQ(run("qpdf --encrypt user owner 256 -- " + quote(data("template_a4_gs.pdf")) + " " +
                  quote(locked))
                  .status,
              0);
    auto doc = newDoc();
    EXPECT_EQ(errorOf([&] { doc->OpenPdf(locked, ""); }), hr::kPdfPassword);
    doc->OpenPdf(locked, "user");
    EXPECT_EQ(doc->PageCount(), 1);
}
