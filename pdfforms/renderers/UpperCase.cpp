#include "UpperCase.h"

namespace pdfforms {

namespace {

char32_t upper(char32_t c) {
    if (c >= 'a' && c <= 'z') {
        return c - 0x20;
    }
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return c - 0x20;
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c % 2 == 0) ? c - 1 : c;
    }
    if (c >= 0x100 && c <= 0x177 && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
        return (c % 2 == 1) ? c - 1 : c;
    }
    return c;
}

} // namespace

std::string upperCaseUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80 || (b & 0xE0) != 0xC0 || i + 1 >= s.size()) {
            out += static_cast<char>(b < 0x80 ? static_cast<char>(upper(b)) : s[i]);
            ++i;
            continue;
        }
        // Two-byte sequences hold every letter that has an upper case here.
        const char32_t c = ((b & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
        const char32_t u = upper(c);
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
        i += 2;
    }
    return out;
}

} // namespace pdfforms
