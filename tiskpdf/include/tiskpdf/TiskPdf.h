// TiskPDF: the PDF document library of the print forms.
//
// CreatePdfDocument makes the document object that the driver registers
// under the programmatic identifier "TiskPDF.PDFDocument4". Its behaviour,
// the meaning of the fixed arguments and the error numbers are described in
// tiskpdf/README.md; the error numbers are those of PdfDocument.h, also
// reachable as tiskpdf::hr.
#pragma once

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

// The error numbers of pdfforms::NumberedError raised by the document
// object: those of the document's contract (PdfDocument.h).
namespace hr = pdfforms::hr;

} // namespace tiskpdf
