// Any text as a FAND text that begins with a dot-command.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mdlGlob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (!pdfforms::mdlGlob::StartsWithDotCommand(text))
        text.insert(0, size % 2 ? ".po " : ".ti ");
    const std::string before = text;
    try {
        pdfforms::mdlGlob::ApplyDotCommands(text);
    } catch (const pdfforms::NumberedError& e) {
        if (e.number() != 13 && e.number() != 6 && e.number() != 5)
            std::abort();
        if (text != before)
            std::abort(); // a failure leaves the text as it was
    }
    return 0;
}
