// The print-form interface: the driver hands a renderer the job's values
// through these setters and then asks it once for MakePDF, which draws the
// FAND text into the document object. The renderer does not save.
#pragma once

#include <memory>
#include <string>

#include "FandTextReader.h"
#include "PdfDocument.h"

namespace pdfforms {

class clsPDFTiskopis {
public:
    virtual ~clsPDFTiskopis() = default;

    // The whole FAND text, one character per byte of the DOS text.
    virtual void FandText(std::string vNewValue) = 0;
    // The same text read from its file while it is drawn, in place of a
    // FandText held whole.
    virtual void FandTextFrom(std::unique_ptr<FandTextReader> reader) = 0;
    // Template of the first page of every form.
    virtual void PDFVzor(const std::string& vNewValue) = 0;
    // Watermark picture, or empty.
    virtual void VodoznakFile(const std::string& vNewValue) = 0;
    // PDF appended after every form, or empty.
    virtual void PrilohaFile(const std::string& vNewValue) = 0;
    // Password of the document, or empty.
    virtual void Heslo(const std::string& vNewValue) = 0;
    // The document to fill; the renderer keeps a counted reference to it.
    virtual void PDFDoc(std::shared_ptr<IPDFDocument> vNewValue) = 0;

    // Renders FandText into PDFDoc. Any failure is raised as a NumberedError
    // with the failure's number.
    virtual void MakePDF() = 0;
};

} // namespace pdfforms
