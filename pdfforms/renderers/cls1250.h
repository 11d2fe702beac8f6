// Conversion of the package's DOS text (code page 852) into the Windows
// Central-European characters (code page 1250), one character at a time.
// Input strings hold one character per byte; results are UTF-8.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pdfforms {

class cls1250 {
public:
    cls1250();

    // The converted first character of strZnak. Fails with error 5 for an
    // empty string and error 9 for the character of code 0.
    std::string ToWinChr(std::string_view strZnak) const;
    // The converted characters of strText, joined.
    std::string ToWinText(std::string_view strText) const;

private:
    // Indexed by the input code 1 to 255; code 0 has no entry.
    std::array<std::string, 256> CharTable;
};

} // namespace pdfforms
