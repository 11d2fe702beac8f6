// The PDF document component: the document object that the renderers draw
// into and the driver saves. Every operation may fail with a NumberedError,
// whose number is one of hr below.
//
// Conventions of every implementation:
//   - Page indices start at 0; handles are 32-bit integers the object issues.
//   - Coordinates: origin at the top-left corner of the page's visible area,
//     y downwards, in units of 1/Resolution inch; font sizes are in points.
//   - Strings are UTF-8; paths are the program's paths (Windows paths), which
//     the object resolves through its host.
#pragma once

#include <cctype>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "NumberedError.h"

namespace pdfforms {

// The descriptive texts of a document (its information dictionary).
enum class InfoText { Title = 0, Subject = 1, Author = 2, Keywords = 3, Creator = 4 };

class IPDFDocument {
public:
    virtual ~IPDFDocument() = default;

    // The document now consists of the pages of that PDF file.
    virtual void OpenPdf(const std::string& path, const std::string& password) = 0;
    // All pages of that PDF file are added at the end of the document.
    virtual void AppendPdf(const std::string& path, const std::string& password) = 0;
    virtual std::int32_t PageCount() = 0;
    // The following drawing goes onto that page.
    virtual void SelectPage(std::int32_t index) = 0;

    virtual std::int32_t LoadImage(const std::string& path) = 0;
    // The picture's resolution in dots per inch.
    virtual std::int32_t ImageResolution(std::int32_t image) = 0;
    // Resolution of the drawing coordinates, in units per inch.
    virtual std::int32_t Resolution() = 0;
    virtual void SetResolution(std::int32_t unitsPerInch) = 0;

    virtual std::int32_t NewWatermark() = 0;
    // Following drawing goes into that watermark.
    virtual void BeginWatermark(std::int32_t watermark) = 0;
    // The picture is drawn with its top-left corner at (x, y).
    virtual void DrawImage(std::int32_t image, float x, float y) = 0;
    // Drawing goes back to the pages.
    virtual void EndWatermark() = 0;
    virtual void ApplyWatermark(std::int32_t page, std::int32_t watermark) = 0;

    virtual void SetDocumentMode(std::int32_t mode) = 0;
    virtual void SetInfoText(InfoText which, const std::string& text) = 0;

    // A handle for that face and style; the three further arguments are 0.
    virtual std::int32_t RegisterFont(const std::string& face, bool bold, bool italic,
                                      std::int32_t arg1, std::int32_t arg2, std::int32_t arg3) = 0;
    virtual void UseFont(std::int32_t font, float size) = 0;
    // Horizontal stretch of following text, in percent (100 = normal width).
    virtual void SetTextScaling(float percent) = 0;
    virtual void SetColorMode(std::int32_t mode) = 0;
    // Components 0.0 to 1.0; the fourth argument is 0.
    virtual void SetTextColor(float red, float green, float blue, float fourth) = 0;
    // The next drawn text starts at (x, y): y is the top of the text line.
    virtual void MoveTextTo(float x, float y) = 0;
    // Draws the text at the text position, which then moves on past it.
    virtual void DrawText(const std::string& text) = 0;

    // The saved document is protected by that password (empty: none).
    virtual void SetPassword(const std::string& password) = 0;
    virtual void FinishDocument() = 0;
    // Writes the PDF file; flag true also opens it in the PDF viewer.
    virtual void SaveDocument(const std::string& path, bool flag) = 0;
};

// What a document object needs from the program that creates it.
struct PdfDocumentHost {
    // The path under which the file is opened or written, for a program path;
    // raises a NumberedError hr::kFileNotFound for a path that names no file
    // on this machine.
    std::function<std::string(const std::string& path)> resolvePath;
    // Opens a saved file in the system's PDF viewer, not waited for.
    std::function<void(const std::string& resolvedPath)> openInViewer;
};

// Whether a file is a PDF by its name: the name ends in ".pdf", in any case.
// SaveDocument's flag opens the saved file with the shell, which runs a file
// named .hta or .exe instead of showing it, so only a PDF is opened. A name
// with a colon (an alternate data stream) is none.
inline bool isPdfFileName(const std::string& path) {
    std::size_t start = path.find_last_of("\\/");
    start = start == std::string::npos ? (path.size() >= 2 && path[1] == ':' ? 2 : 0) : start + 1;
    const std::string name = path.substr(start);
    if (name.size() < 4 || name.find(':') != std::string::npos)
        return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".pdf";
}

// The programmatic identifier under which the document class is created.
inline constexpr const char* kPdfDocumentProgId = "TiskPDF.PDFDocument4";

// Error numbers of the NumberedError raised by a document object and by its
// host's resolvePath. COM-style: negative 32-bit values in the manner of an
// HRESULT, hence the name, which keeps them apart from the run-time error
// numbers of the print forms (53 for a missing file where this has
// 0x80070002).
namespace hr {
constexpr std::int32_t hresult(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

// A file to be read (PDF or picture) does not exist, or a path names no file
// on this machine (HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).
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

} // namespace pdfforms
