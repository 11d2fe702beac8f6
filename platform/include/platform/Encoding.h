// Text helpers shared by both programs: UTF-8 inside, code page 1250 in the
// files that Windows programs write in the ANSI code page, UTF-16 for the
// shell's wide-string interfaces, and Windows-style case rules for names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The Unicode character of a code page 1250 byte (0x81, 0x83, 0x88, 0x90 and
// 0x98 are unassigned and map to themselves, as Windows' best-fit table does).
char32_t cp1250ToUnicode(unsigned char byte);
// The code page 1250 byte of a Unicode character, or nothing.
std::optional<unsigned char> unicodeToCp1250(char32_t c);

std::string cp1250ToUtf8(std::string_view bytes);
// Characters without a code page 1250 byte become '?', as WideCharToMultiByte does.
std::string utf8ToCp1250(std::string_view utf8);

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// Decodes one UTF-8 sequence at pos (advancing it); malformed bytes decode
// as U+FFFD, one byte at a time.
char32_t decodeUtf8(std::string_view s, std::size_t& pos);
void appendUtf8(std::string& out, char32_t c);

// Upper case as CharUpper does it for the Latin letters (ASCII, Latin-1 and
// Latin Extended-A, which hold all Czech and Slovak letters).
char32_t upperChar(char32_t c);
std::string upperCase(std::string_view utf8);
// Case-insensitive equality as Windows compares file names.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

} // namespace platform
