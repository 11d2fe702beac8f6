#include "cls1250.h"

#include "RuntimeErrors.h"

namespace pdfforms {

namespace {

// What codes 0x80 to 0xFF become. Every code page 852 character that code
// page 1250 also has keeps its identity; the rest (box drawing, shades,
// blocks and a few signs) get the plain substitutes the package's printouts
// have always used: vertical line, hyphen-minus, equals sign, underscore.
constexpr char32_t kHighHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x016F, 0x0107, 0x00E7, // 80-87
    0x0142, 0x00EB, 0x0150, 0x0151, 0x00EE, 0x0179, 0x00C4, 0x0106, // 88-8F
    0x00C9, 0x0139, 0x013A, 0x00F4, 0x00F6, 0x013D, 0x013E, 0x015A, // 90-97
    0x015B, 0x00D6, 0x00DC, 0x0164, 0x0165, 0x0141, 0x00D7, 0x010D, // 98-9F
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x0104, 0x0105, 0x017D, 0x017E, // A0-A7
    0x0118, 0x0119, 0x00A0, 0x017A, 0x010C, 0x015F, 0x00AB, 0x00BB, // A8-AF
    0x005F, 0x005F, 0x005F, 0x007C, 0x007C, 0x00C1, 0x00C2, 0x011A, // B0-B7
    0x015E, 0x007C, 0x007C, 0x007C, 0x007C, 0x017B, 0x017C, 0x007C, // B8-BF
    0x007C, 0x007C, 0x007C, 0x007C, 0x002D, 0x007C, 0x0102, 0x0103, // C0-C7
    0x007C, 0x007C, 0x007C, 0x007C, 0x007C, 0x003D, 0x007C, 0x00A4, // C8-CF
    0x0111, 0x0110, 0x010E, 0x00CB, 0x010F, 0x0147, 0x00CD, 0x00CE, // D0-D7
    0x011B, 0x007C, 0x007C, 0x005F, 0x005F, 0x0162, 0x016E, 0x005F, // D8-DF
    0x00D3, 0x00DF, 0x00D4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161, // E0-E7
    0x0154, 0x00DA, 0x0155, 0x0170, 0x00FD, 0x00DD, 0x0163, 0x00B4, // E8-EF
    0x00AD, 0x02DD, 0x02DB, 0x02C7, 0x02D8, 0x00A7, 0x00F7, 0x00B8, // F0-F7
    0x00B0, 0x00A8, 0x00B7, 0x0171, 0x0158, 0x0159, 0x005F, 0x0020, // F8-FF
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

cls1250::cls1250() {
    for (unsigned code = 1; code < 0x80; ++code) {
        appendUtf8(CharTable[code], static_cast<char32_t>(code));
    }
    for (unsigned code = 0x80; code <= 0xFF; ++code) {
        appendUtf8(CharTable[code], kHighHalf[code - 0x80]);
    }
}

std::string cls1250::ToWinChr(std::string_view strZnak) const {
    if (strZnak.empty()) {
        throw runtimeError(err::kInvalidArgument);
    }
    const auto code = static_cast<unsigned char>(strZnak.front());
    if (code == 0) {
        throw runtimeError(err::kSubscriptOutOfRange);
    }
    return CharTable[code];
}

std::string cls1250::ToWinText(std::string_view strText) const {
    std::string result;
    result.reserve(strText.size() * 2);
    for (std::size_t i = 0; i < strText.size(); ++i) {
        result += ToWinChr(strText.substr(i, 1));
    }
    return result;
}

} // namespace pdfforms
