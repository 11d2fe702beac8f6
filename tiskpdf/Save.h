// The save: the output's objects put together from the pages and what they
// use, and the file written whole or not at all.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <qpdf/PDFVersion.hh>
#include <qpdf/QPDF.hh>

#include "ContentStream.h"
#include "PageImport.h"
#include "PageStreams.h"

namespace tiskpdf {

class FinishedStreamData;

// Puts the drawings into the output: the objects that the drawings'
// resource names refer to are given by handle - 1.
class Assembly {
public:
    Assembly(QPDF& out, const PageStreams& streams);
    ~Assembly();

    std::vector<QPDFObjectHandle> fontObjects, imageObjects, drawingObjects;

    // A watermark drawing as the form XObject `xobject`.
    void formXObject(QPDFObjectHandle xobject, const Canvas& canvas);
    // The /Contents and /Resources of every page with drawing or watermarks.
    void pages(const std::vector<std::unique_ptr<Page>>& pages);

private:
    QPDFObjectHandle resources(QPDFObjectHandle base, const Canvas& c,
                               const std::vector<int>& marks);
    QPDFObjectHandle sharedResources(QPDFObjectHandle base, const Canvas& c,
                                     const std::vector<int>& marks);

    QPDF& out_;
    std::shared_ptr<FinishedStreamData> streamData_;
    QPDFObjectHandle saveState_;
    std::map<std::string, QPDFObjectHandle> placements_, shared_;
};

// The document information (Title, Subject, Author, Keywords, Creator;
// none when all are empty) and the page layout of SetDocumentMode.
void setDocumentInfo(QPDF& out, const std::string (&texts)[5], int documentMode);

// Writes the output into `file` (`path` as the caller gave it, for the
// messages): the file takes the name only once complete. A warning of the
// output or of a source while writing (a page stream that could not be read
// back among them) fails the save. Raises kSaveFailed or kPdfWrite.
void writeAtomically(QPDF& out, std::map<std::string, Source>& sources, const PDFVersion& version,
                     const std::string& password, const std::string& file, const std::string& path);

} // namespace tiskpdf
