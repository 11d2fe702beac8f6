// The PDF document object on Windows: created by its programmatic identifier
// through the system's COM class registry (CLSIDFromProgID, CoCreateInstance)
// and driven through the component's own interface. COM is initialised on
// the calling thread by the program's Windows layer before a job starts.
#pragma once

#include "ObjectCreator.h"

namespace pdfforms {

class Win32ComObjectCreator final : public ObjectCreator {
public:
    // Error 429 when the class is not registered or cannot be created; the
    // host is not used (the component resolves the job's paths itself).
    std::unique_ptr<IPDFDocument> CreateObject(const std::string& progId,
                                               const PdfDocumentHost& host) const override;
};

} // namespace pdfforms
