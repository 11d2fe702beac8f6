// Picture files for LoadImage: JPEG (kept as it is), PNG and BMP (decoded).
#pragma once

#include <string>

namespace tiskpdf {

struct Picture {
    int width = 0, height = 0;
    double xDpi = 96, yDpi = 96; // the resolution the file carries, else 96
    std::string colorSpace;      // "/DeviceGray", "/DeviceRGB", "/DeviceCMYK"
    int bitsPerComponent = 8;
    std::string data;        // samples, or the JPEG file when dct
    bool dct = false;        // data is a JPEG stream (DCTDecode)
    bool invertCmyk = false; // Adobe CMYK JPEG: /Decode [1 0 1 0 1 0 1 0]
    std::string alpha;       // 8-bit soft mask samples, empty when opaque
};

// Decodes the bytes of a picture file; raises kImageFormat / kImageUnreadable
// with `name` in the description.
Picture decodePicture(const std::string& bytes, const std::string& name);

} // namespace tiskpdf
