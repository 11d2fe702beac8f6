// TiskPDF: the PDF document library of the print forms.
//
// CreatePdfDocument makes the document object that the driver registers
// under the programmatic identifier "TiskPDF.PDFDocument4". Its behaviour,
// the meaning of the fixed arguments and the error numbers are described in
// tiskpdf/README.md; the error numbers are listed here as well.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "PdfDocument.h"

namespace tiskpdf {

// Turns a finished page's content stream into the bytes stored for it.
using PageCompression = std::function<std::string(std::string_view content)>;

// With `compress`, the pages' content is compressed by it instead of the
// library's deflater (empty: the deflater). Its result must be what
// FlateDecode reads for the file to be valid; a benchmark sets the content
// aside with it to measure the drawing apart from the compression.
std::unique_ptr<pdfforms::IPDFDocument> CreatePdfDocument(pdfforms::PdfDocumentHost host,
                                                          PageCompression compress = {});

// Error numbers of pdfforms::NumberedError raised by the document object.
// COM-style: negative 32-bit values in the manner of an HRESULT, hence the
// name, which keeps them apart from the run-time error numbers of the print
// forms (pdfforms::err: 53 for a missing file where this has 0x80070002).
namespace hr {
constexpr std::int32_t hresult(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

// A file to be read (PDF or picture) does not exist (HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).
inline constexpr std::int32_t kFileNotFound = hresult(0x80070002u);
// An argument is out of its range: an unknown mode, a non-zero reserved
// argument, a resolution not above zero, a number that is not finite, a
// position, size or scaling beyond what a page takes, more different
// characters than one face takes (E_INVALIDARG).
inline constexpr std::int32_t kInvalidArgument = hresult(0x80070057u);
// A PDF file cannot be read (OpenPdf, AppendPdf); the description names it.
inline constexpr std::int32_t kPdfUnreadable = hresult(0x80040301u);
// A PDF file is encrypted and the password given does not open it.
inline constexpr std::int32_t kPdfPassword = hresult(0x80040302u);
// A picture file cannot be read or decoded (LoadImage).
inline constexpr std::int32_t kImageUnreadable = hresult(0x80040303u);
// A picture file is in a format or variant that is not supported.
inline constexpr std::int32_t kImageFormat = hresult(0x80040304u);
// No usable TrueType face for a font name and style (RegisterFont).
inline constexpr std::int32_t kFontUnusable = hresult(0x80040305u);
// A page index is outside 0 .. PageCount - 1.
inline constexpr std::int32_t kPageIndex = hresult(0x80040306u);
// A font, picture or watermark handle the object did not issue.
inline constexpr std::int32_t kBadHandle = hresult(0x80040307u);
// The call does not fit the state: drawing without a page or without a
// font, BeginWatermark inside a watermark, EndWatermark outside one,
// ApplyWatermark of the watermark being drawn, saving without pages.
inline constexpr std::int32_t kWrongState = hresult(0x80040308u);
// The output file cannot be written (SaveDocument); an existing file is kept.
inline constexpr std::int32_t kSaveFailed = hresult(0x80040309u);
// Building the output failed inside the PDF library (damaged input data,
// font subsetting failure).
inline constexpr std::int32_t kPdfWrite = hresult(0x8004030Au);
} // namespace hr

} // namespace tiskpdf
