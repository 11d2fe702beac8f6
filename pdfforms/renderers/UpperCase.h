// Upper case of a UTF-8 string as Windows' CharUpper does it for the Latin
// letters (ASCII, Latin-1 and Latin Extended-A: all Czech and Slovak letters).
#pragma once

#include <string>
#include <string_view>

namespace pdfforms {

std::string upperCaseUtf8(std::string_view utf8);

} // namespace pdfforms
