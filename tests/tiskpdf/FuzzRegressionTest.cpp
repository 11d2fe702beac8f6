// Inputs the fuzzers found to break the picture loaders: each is refused with
// the library's error or decoded, never read out of bounds (the sanitized
// build of the suite catches a stray read).
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "NumberedError.h"
#include "tiskpdf/Images.h"

namespace fs = std::filesystem;

TEST(FuzzRegression, PictureLoadersSurviveTheInputsTheFuzzerFound) {
    int tried = 0;
    for (const auto& e : fs::directory_iterator(fs::path(TISKPDF_TEST_DATA) / "fuzz")) {
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        SCOPED_TRACE(e.path().filename().string());
        try {
            const tiskpdf::Picture p = tiskpdf::decodePicture(bytes.str(), "x");
            EXPECT_GT(p.width, 0);
            EXPECT_GT(p.height, 0);
        } catch (const pdfforms::NumberedError&) {
        }
        ++tried;
    }
    EXPECT_GE(tried, 1);
}

// A PNG of a few bytes that claims 20,000 × 20,000 points is refused before
// anything is allocated for it.
TEST(FuzzRegression, PictureOfHugeDimensionsIsRefused) {
    std::ifstream in(fs::path(TISKPDF_TEST_DATA) / "fuzz" / "huge-dimensions.png",
                     std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    try {
        tiskpdf::decodePicture(bytes.str(), "velky.png");
        FAIL();
    } catch (const pdfforms::NumberedError& e) {
        EXPECT_NE(e.description().find("příliš velký"), std::string::npos) << e.description();
        EXPECT_NE(e.description().find("velky.png"), std::string::npos) << e.description();
    }
}
