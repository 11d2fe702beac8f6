#include <gtest/gtest.h>

#include "NumberedError.h"
#include "cls1250.h"

namespace pdfforms {
namespace {

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const NumberedError& e) {
        return e.number();
    }
    return 0;
}

TEST(Cls1250Test, CzechLettersAndSigns) {
    cls1250 c;
    // "Příliš žluťoučký kůň úpěl ďábelské ódy" in code page 852.
    const std::string dos = "P\xfd\xa1li\xe7 \xa7lu\x9cou\x9fk\xec k\x85\xe5 \xa3p\xd8l "
                            "\xd4\xa0\x62\x65lsk\x82 \xa2\x64y";
    EXPECT_EQ(c.ToWinText(dos), "Příliš žluťoučký kůň úpěl ďábelské ódy");
    EXPECT_EQ(c.ToWinText("\xb5\x90\xb7\xd2\xd6\xe0\xe9\xed\xd5\xfc\xe6\x9b\xa6\xde\xe8"),
              "ÁÉĚĎÍÓÚÝŇŘŠŤŽŮŔ");
    EXPECT_EQ(c.ToWinChr("\x80"), "Ç");
    EXPECT_EQ(c.ToWinChr("\xfb"), "ű");
    EXPECT_EQ(c.ToWinChr("\xaa"), "\u00a0");
    EXPECT_EQ(c.ToWinChr("\xff"), " ");
    EXPECT_EQ(c.ToWinChr("\xfa"), "·");
}

TEST(Cls1250Test, AsciiAndControlsUnchangedOnlyFirstCharacterCounts) {
    cls1250 c;
    for (int code = 1; code < 128; ++code) {
        EXPECT_EQ(c.ToWinChr(std::string(1, static_cast<char>(code))),
                  std::string(1, static_cast<char>(code)));
    }
    EXPECT_EQ(c.ToWinChr("\x9f\x80"), "č");
    EXPECT_EQ(c.ToWinText(""), "");
}

TEST(Cls1250Test, BoxDrawingShadesAndBlocksBecomePlainSigns) {
    cls1250 c;
    std::string dos;
    for (int code : {0xB3, 0xB4, 0xB9, 0xBA, 0xBB, 0xBC, 0xBF, 0xC0, 0xC1, 0xC2,
                     0xC3, 0xC5, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCE, 0xD9, 0xDA}) {
        dos += static_cast<char>(code);
    }
    EXPECT_EQ(c.ToWinText(dos), std::string(20, '|'));
    EXPECT_EQ(c.ToWinText("\xc4\xcd\xb0\xb1\xb2\xdb\xdc\xdf\xfe"), "-=_______");
}

TEST(Cls1250Test, CodeZeroAndEmptyStringFail) {
    cls1250 c;
    EXPECT_EQ(errorOf([&] { c.ToWinChr(std::string(1, '\0')); }), 9);
    EXPECT_EQ(errorOf([&] { c.ToWinText(std::string("ab\0", 3)); }), 9);
    EXPECT_EQ(errorOf([&] { c.ToWinChr(""); }), 5);
}

TEST(Cls1250Test, LongTextsConvertWhole) {
    cls1250 c;
    EXPECT_EQ(c.ToWinText(std::string(40000, '\x9f')).size(), 80000u);
}

} // namespace
} // namespace pdfforms
