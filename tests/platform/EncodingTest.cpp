#include <iconv.h>

#include <gtest/gtest.h>

#include "platform/Encoding.h"

using namespace platform;

// The code page 1250 table agrees with the C library's converter on every
// byte that code page assigns.
TEST(Encoding, Cp1250TableAgreesWithIconv) {
    iconv_t cd = iconv_open("UTF-32LE", "CP1250");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int compared = 0;
    for (int b = 1; b < 256; ++b) {
        char in = static_cast<char>(b);
        char* inp = &in;
        std::size_t inLeft = 1;
        char32_t out = 0;
        char* outp = reinterpret_cast<char*>(&out);
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1))
            continue; // unassigned in code page 1250
        EXPECT_EQ(cp1250ToUnicode(static_cast<unsigned char>(b)), out) << "byte " << b;
        EXPECT_EQ(unicodeToCp1250(out), static_cast<unsigned char>(b));
        ++compared;
    }
    iconv_close(cd);
    EXPECT_GE(compared, 250);
}

TEST(Encoding, CzechTextRoundTripsThroughCp1250) {
    const std::string text = "Příliš žluťoučký kůň úpěl ďábelské ódy – „Šťastný“";
    const std::string bytes = utf8ToCp1250(text);
    EXPECT_EQ(bytes.size(), 50u);
    EXPECT_EQ(cp1250ToUtf8(bytes), text);
    EXPECT_EQ(utf8ToCp1250("π €"), "? \x80");
}

TEST(Encoding, Utf16AndMalformedInput) {
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("C:\\Účty\\𝄞")), "C:\\Účty\\𝄞");
    EXPECT_EQ(utf8ToUtf16("𝄞").size(), 2u);
    // A truncated sequence and a stray continuation byte decode as U+FFFD.
    EXPECT_EQ(utf8ToUtf16(std::string("a\xC5", 2)), u"a\uFFFD");
    EXPECT_EQ(utf8ToUtf16(std::string("\x80z", 2)), u"\uFFFDz");
}

TEST(Encoding, UpperCaseAndComparisonCoverCzechLetters) {
    EXPECT_EQ(upperCase("příliš žluťoučký kůň úpěl ďábelské ódy"),
              "PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY");
    EXPECT_EQ(upperCase("c:\\forms\\ľúbostná.pdf"), "C:\\FORMS\\ĽÚBOSTNÁ.PDF");
    EXPECT_TRUE(equalsIgnoreCase("Účetnictví.PDF", "účetNICTVÍ.pdf"));
    EXPECT_FALSE(equalsIgnoreCase("abc", "abcd"));
    EXPECT_FALSE(equalsIgnoreCase("č", "c"));
}
