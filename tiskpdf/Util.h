// Small helpers shared by the parts of the library.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "TiskPdf.h"

namespace tiskpdf {

[[noreturn]] inline void fail(std::int32_t number, std::string description) {
    throw pdfforms::NumberedError(number, std::move(description));
}

// Appends a number the way PDF content wants it: fixed point, at most four
// decimals, no trailing zeros, no exponent.
inline void appendNumber(std::string& out, double v) {
    if (!std::isfinite(v))
        v = 0;
    double r = std::round(v * 10000.0) / 10000.0;
    if (r == 0)
        r = 0; // no "-0"
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 4);
    char* end = res.ptr;
    char* dot = buf;
    while (dot < end && *dot != '.')
        ++dot;
    if (dot < end) {
        while (end > dot && (end[-1] == '0'))
            --end;
        if (end == dot + 1)
            end = dot;
    }
    out.append(buf, end);
}

inline std::string number(double v) {
    std::string s;
    appendNumber(s, v);
    return s;
}

} // namespace tiskpdf
