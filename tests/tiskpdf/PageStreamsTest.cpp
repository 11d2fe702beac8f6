// The finished pages' streams: compressed on the worker thread, kept under
// their numbers whatever the timing, failures of the worker not lost; and a
// page drawn on again after others were finished.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "Support.h"
#include "tiskpdf/PageStreams.h"

using namespace tiskpdf_test;

namespace {

std::string inflate(const std::string& z) {
    std::string out(1 << 20, '\0');
    uLongf n = out.size();
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &n,
                         reinterpret_cast<const Bytef*>(z.data()), z.size()),
              Z_OK);
    out.resize(n);
    return out;
}

std::string pageText(int n) {
    std::string s = "BT\n";
    for (int line = 0; line < 60; ++line)
        s += "0 -11.9 Td\n(Strana " + std::to_string(n) +
             ", \xF8\xE1"
             "dek " +
             std::to_string(line) + ")Tj\n";
    return s + "ET\n";
}

// Built by appending: GCC 12's -Wrestrict misreads "<" + s in Release.
std::string bracketed(std::string_view s) {
    std::string b = "<";
    b += s;
    b += '>';
    return b;
}

} // namespace

TEST(TiskPdfPageStreams, CompressedStreamsInflateToWhatWasGiven) {
    tiskpdf::PageStreams streams;
    std::vector<std::size_t> numbers;
    for (int n = 0; n < 40; ++n)
        numbers.push_back(streams.add(n == 7 ? std::string() : pageText(n)));
    streams.wait();
    for (int n = 0; n < 40; ++n) {
        const std::string& z = streams.compressed(numbers[n]);
        EXPECT_EQ(static_cast<unsigned char>(z[0]) & 0x0F, 8) << n; // zlib: deflate
        EXPECT_EQ(inflate(z), n == 7 ? std::string() : pageText(n)) << n;
        if (n != 7) {
            EXPECT_LT(z.size(), pageText(n).size() / 3) << n;
        }
    }
}

TEST(TiskPdfPageStreams, ResultsKeepTheirNumbersWhateverTheTiming) {
    // The worker takes uneven time per stream and the pages come faster
    // than it works: the results still belong to the streams given.
    tiskpdf::PageStreams streams([](std::string_view data) {
        std::this_thread::sleep_for(std::chrono::microseconds(data.size() % 7 * 300));
        return bracketed(data);
    });
    for (int n = 0; n < 60; ++n)
        EXPECT_EQ(streams.add(std::to_string(n)), static_cast<std::size_t>(n));
    streams.discard(5);
    streams.wait();
    for (int n = 0; n < 60; ++n)
        EXPECT_EQ(streams.compressed(n), n == 5 ? "" : bracketed(std::to_string(n)));
}

TEST(TiskPdfPageStreams, FailureOfTheWorkerIsRaisedNotLost) {
    tiskpdf::PageStreams streams([](std::string_view data) -> std::string {
        if (data == "3")
            throw std::runtime_error("kaput");
        return std::string(data);
    });
    // Raised by wait(), or by an add() after the worker has failed.
    std::string raised;
    try {
        for (int n = 0; n < 5; ++n)
            streams.add(std::to_string(n));
        streams.wait();
    } catch (const std::runtime_error& e) {
        raised = e.what();
    }
    EXPECT_EQ(raised, "kaput") << "the failure of stream 3 was lost";
    // Once failed, every further call says so.
    EXPECT_THROW(streams.add("5"), std::runtime_error);
    EXPECT_THROW(streams.wait(), std::runtime_error);
}

TEST(TiskPdfPageStreams, PageDrawnOnAgainAfterOthersWereFinished) {
    // Page 0 is finished when page 1 is selected; drawing on it again goes
    // on where it stopped, in the state (face, colour) it was left in.
    TempFolder dir;
    auto doc = tiskpdf::CreatePdfDocument({});
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    doc->AppendPdf(data("template_a4_gs.pdf"), "");
    const auto bold = doc->RegisterFont("Courier New", true, false, 0, 0, 0);
    doc->UseFont(bold, 12);
    doc->SetTextColor(1, 0, 0, 0);
    doc->SelectPage(0);
    doc->MoveTextTo(100, 300);
    doc->DrawText("Prvni ");
    doc->SelectPage(1);
    doc->MoveTextTo(100, 100);
    doc->DrawText("Druha");
    doc->SelectPage(0);
    doc->DrawText("dopsano");
    const std::string out = dir / "again.pdf";
    doc->SaveDocument(out, false);

    std::string check;
    EXPECT_TRUE(qpdfClean(out, "", &check)) << check;
    const std::string bbox = run("pdftotext -bbox " + quote(out) + " -").output;
    const std::size_t second = bbox.find("<page", bbox.find("<page") + 1);
    ASSERT_NE(second, std::string::npos) << bbox;
    EXPECT_FALSE(contains(bbox.substr(0, second), ">Druha<")) << bbox;
    const Box added = wordBox(out, "dopsano", 1);
    EXPECT_NEAR(added.xMin, 100 + 6 * 7.2, 0.01) << bbox; // right after "Prvni "
    EXPECT_NEAR(added.yMin, wordBox(out, "Prvni", 1).yMin, 0.01) << bbox;
    // Drawn in red: the rendered page has red pixels where the added text is.
    const std::string ppm = dir / "again";
    ASSERT_EQ(
        run("pdftoppm -r 72 -f 1 -l 1 -x 143 -y 300 -W 50 -H 14 " + quote(out) + " " + quote(ppm))
            .status,
        0);
    const std::string image = readAll(ppm + "-1.ppm");
    int red = 0;
    for (std::size_t i = image.size() - 50 * 14 * 3; i + 2 < image.size(); i += 3)
        red += static_cast<unsigned char>(image[i]) > 200 &&
               static_cast<unsigned char>(image[i + 1]) < 80;
    EXPECT_GT(red, 20);
}

TEST(TiskPdfPageStreams, DocumentWhoseCompressionFailsSavesNothing) {
    // The document's own compression stands in for the deflater; its
    // failure on the worker thread reaches the save, which keeps the file
    // that was there.
    TempFolder dir;
    int calls = 0;
    auto doc = tiskpdf::CreatePdfDocument({}, [&calls](std::string_view) -> std::string {
        ++calls;
        throw std::runtime_error("kaput");
    });
    doc->OpenPdf(data("template_a4_gs.pdf"), "");
    doc->UseFont(doc->RegisterFont("Courier New", false, false, 0, 0, 0), 12);
    doc->MoveTextTo(100, 100);
    doc->DrawText("Text");
    const std::string out = dir / "kept.pdf";
    std::ofstream(out, std::ios::binary) << "the earlier file";
    std::string description;
    EXPECT_EQ(errorOf([&] { doc->SaveDocument(out, false); }, &description),
              tiskpdf::hr::kPdfWrite);
    EXPECT_TRUE(contains(description, "kaput")) << description;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(readAll(out), "the earlier file");
}
