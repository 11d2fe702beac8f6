// Small helpers shared by the parts of the library.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>

#include "tiskpdf/TiskPdf.h"

namespace tiskpdf {

[[noreturn]] inline void fail(std::int32_t number, std::string description) {
    throw pdfforms::NumberedError(number, std::move(description));
}

// The largest magnitude of a number written into the PDF: a reader takes
// numbers without a fraction as integers, which it holds in 32 bits.
inline constexpr double kMaxPdfNumber = 2147483647.0;

// A number for a message: six significant digits, an exponent when large.
inline std::string shortNumber(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

inline bool fitsPdfNumber(double v) {
    return std::fabs(v) <= kMaxPdfNumber; // false for NaN as well
}

// Appends a number the way PDF content wants it: fixed point, at most four
// decimals, no trailing zeros, no exponent. A number beyond kMaxPdfNumber
// (or not finite) raises kPdfWrite and appends nothing: the operations check
// their arguments against much smaller limits first, so this only stops
// what slipped past them from going into the file as something else.
inline void appendNumber(std::string& out, double v) {
    if (!fitsPdfNumber(v))
        fail(hr::kPdfWrite, "Číslo mimo rozsah PDF (" + shortNumber(v) + ").");
    double r = std::round(v * 10000.0) / 10000.0;
    if (r == 0)
        r = 0; // no "-0"
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 4);
    if (res.ec != std::errc())
        fail(hr::kPdfWrite, "Číslo nelze zapsat do PDF (" + shortNumber(v) + ").");
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

// "1 stranu", "2 strany", "5 stran": a count with the Czech form of its noun
// for one, for two to four, and for the rest (zero included).
inline std::string czechCount(long long n, const char* one, const char* few, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : n >= 2 && n <= 4 ? few : many);
}

} // namespace tiskpdf
