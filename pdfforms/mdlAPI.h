// The PDF tool's Windows calls: where a Windows path lies on this machine,
// the program that opens a file, and the set-up of the PDF library when it is
// missing. All of it goes through the platform layer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Windows.h"

namespace pdfforms::mdlAPI {

// The string cut before its first NUL character, or whole without one.
std::string TrimNull(const std::string& text);

// The text without the blanks at its ends (spaces unless others are named).
std::string Trim(std::string_view text, std::string_view blanks = " ");

// The full path of the program the system opens that file with, or "".
std::string AssociatedProgram(platform::Windows& windows, const std::string& file);

// Where the C++ library opens a path of the job: a Windows path (drive
// letters, names without regard to case, relative to the current folder),
// or a host path beginning with "/", seen under its drive the same way.
// Nothing when the path names no place on this machine.
std::optional<std::string> ResolvePath(platform::Windows& windows, const std::string& path);

// Offers to install the missing PDF library: asks, checks for a PDF viewer
// (with samplePdf, a PDF file that exists) and starts SETUPCP.EXE from the
// program's own folder without waiting for it.
void OfferLibrarySetup(platform::Windows& windows, const std::string& samplePdf);

// The address of the maker's web site, named in the viewer message.
inline constexpr const char* kMakerWebSite = "www.bilko.cz";

} // namespace pdfforms::mdlAPI
