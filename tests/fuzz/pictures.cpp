// Any bytes as a watermark picture: decoded or refused with the library's
// error, and a decoded picture is consistent with its size.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "NumberedError.h"
#include "tiskpdf/Images.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const tiskpdf::Picture p = tiskpdf::decodePicture(bytes, "fuzz");
        if (p.width <= 0 || p.height <= 0 || p.xDpi <= 0 || p.yDpi <= 0)
            std::abort();
        if (!p.dct) {
            const int components = p.colorSpace == "/DeviceGray"   ? 1
                                   : p.colorSpace == "/DeviceCMYK" ? 4
                                                                   : 3;
            const std::size_t row =
                (static_cast<std::size_t>(p.width) * components * p.bitsPerComponent + 7) / 8;
            if (p.data.size() != row * static_cast<std::size_t>(p.height))
                std::abort();
            if (!p.alpha.empty() && p.alpha.size() != static_cast<std::size_t>(p.width) *
                                                          static_cast<std::size_t>(p.height))
                std::abort();
        }
    } catch (const pdfforms::NumberedError&) {
    }
    return 0;
}
