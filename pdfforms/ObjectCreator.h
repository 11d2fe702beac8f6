// Creation of the PDF document object by its programmatic identifier, as the
// driver asks for it. Each host has its own: the system's COM class registry
// on Windows, a registry of the classes linked into the program elsewhere.
// A class that cannot be created fails with error 429.
#pragma once

#include <memory>
#include <string>

#include "PdfDocument.h"

namespace pdfforms {

class ObjectCreator {
public:
    virtual ~ObjectCreator() = default;
    // A new object of the class registered under progId; host is what an
    // object made inside this process needs of the program.
    virtual std::unique_ptr<IPDFDocument> CreateObject(const std::string& progId,
                                                       const PdfDocumentHost& host) const = 0;
};

} // namespace pdfforms
