// The classes the program can create by programmatic identifier, linked into
// the program: the stand-in for the system's COM class registry where there
// is none. Creating an identifier that nobody registered fails as COM does,
// with error 429.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ObjectCreator.h"
#include "PdfDocument.h"

namespace pdfforms {

class ProgIdRegistry final : public ObjectCreator {
public:
    using Factory = std::function<std::unique_ptr<IPDFDocument>(const PdfDocumentHost& host)>;

    void Register(const std::string& progId, Factory factory);
    // A new object of the class registered under progId (compared without
    // regard to case). Error 429 when none is registered or the factory
    // gives no object; the factory's own errors pass through unchanged.
    std::unique_ptr<IPDFDocument> CreateObject(const std::string& progId,
                                               const PdfDocumentHost& host) const override;

private:
    std::map<std::string, Factory> factories_; // by upper-cased identifier
};

} // namespace pdfforms
