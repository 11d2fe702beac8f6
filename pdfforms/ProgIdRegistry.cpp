#include "ProgIdRegistry.h"

#include <cctype>

#include "RuntimeErrors.h"

namespace pdfforms {

namespace {
std::string key(const std::string& progId) {
    std::string k = progId;
    for (char& c : k) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return k;
}
} // namespace

void ProgIdRegistry::Register(const std::string& progId, Factory factory) {
    factories_[key(progId)] = std::move(factory);
}

std::unique_ptr<IPDFDocument> ProgIdRegistry::CreateObject(const std::string& progId,
                                                           const PdfDocumentHost& host) const {
    const auto it = factories_.find(key(progId));
    if (it == factories_.end() || !it->second) {
        throw runtimeError(err::kCannotCreateObject);
    }
    std::unique_ptr<IPDFDocument> object = it->second(host);
    if (!object) {
        throw runtimeError(err::kCannotCreateObject);
    }
    return object;
}

} // namespace pdfforms
