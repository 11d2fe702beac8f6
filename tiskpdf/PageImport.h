// The page import: PDF files (templates, attachments) read once each, and
// their pages added to the output as pages to draw on.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <qpdf/PDFVersion.hh>
#include <qpdf/QPDF.hh>

#include "ContentStream.h"

namespace tiskpdf {

// A page of the output and its drawing.
struct Page {
    QPDFObjectHandle object;   // the page dictionary in the output
    QPDFObjectHandle pristine; // its dictionary as it came from the file
    int resolution = 72;
    Canvas canvas;                    // the drawing not finished yet
    std::vector<std::size_t> streams; // its finished content streams (PageStreams numbers)
    std::vector<int> watermarks;
};

struct Source {
    std::shared_ptr<QPDF> pdf;
    std::vector<QPDFObjectHandle> pristine; // first copies of its pages
    bool copied = false;
};

class PageImport {
public:
    // `resolve` turns a path as given into the file to open.
    PageImport(QPDF& out, std::function<std::string(const std::string&)> resolve);

    // The file of a path, read at its first use; raises kFileNotFound,
    // kPdfPassword, kPdfUnreadable.
    Source& source(const std::string& path, const std::string& password);
    // Adds every page of the file at the end of the output and of `pages`.
    void appendPages(Source& src, const std::string& path,
                     std::vector<std::unique_ptr<Page>>& pages);

    // The highest PDF version of the files read.
    const PDFVersion& version() const { return maxVersion_; }
    // The files read, by resolved name.
    std::map<std::string, Source>& sources() { return sources_; }

private:
    Source& openSource(const std::string& path, const std::string& password);
    void shareDirect(QPDFObjectHandle& page, const char* key);
    std::unique_ptr<Page> pageEntry(QPDFObjectHandle page, QPDFObjectHandle pristine);

    QPDF& out_;
    std::function<std::string(const std::string&)> resolve_;
    std::map<std::string, Source> sources_;       // by resolved file
    std::map<std::string, Source*> sourceByPath_; // by the path as given
    PDFVersion maxVersion_{1, 3, 0};
};

} // namespace tiskpdf
