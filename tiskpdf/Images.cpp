#include "Images.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "Util.h"

namespace tiskpdf {

namespace {

constexpr double kInchPerMetre = 0.0254;

[[noreturn]] void unreadable(const std::string& name, const std::string& why) {
    fail(hr::kImageUnreadable, "Obrázek nelze přečíst: " + name + " (" + why + ")");
}
[[noreturn]] void unsupported(const std::string& name, const std::string& why) {
    fail(hr::kImageFormat, "Nepodporovaný formát obrázku: " + name + " (" + why + ")");
}

// ---------------------------------------------------------------- JPEG

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

void jpegSilence(j_common_ptr, int) {}

// The most pixels a decoded picture may have (an A3 page at 600 dpi).
constexpr std::uint64_t kMaxPixels = 7016ULL * 9921ULL;

// Exif resolution (IFD0 XResolution / YResolution / ResolutionUnit).
bool exifResolution(const unsigned char* p, unsigned len, double& xDpi, double& yDpi) {
    if (len < 14 || std::memcmp(p, "Exif\0\0", 6) != 0)
        return false;
    p += 6;
    len -= 6;
    bool le = p[0] == 'I';
    // Offsets come from the file: computed in 64 bits, so that no sum of a
    // hostile offset and a field size can wrap around the bounds check.
    auto u16 = [&](std::uint64_t o) -> unsigned {
        if (o + 2 > len)
            return 0;
        return le ? p[o] | (p[o + 1] << 8) : (p[o] << 8) | p[o + 1];
    };
    auto u32 = [&](std::uint64_t o) -> std::uint32_t {
        if (o + 4 > len)
            return 0;
        return le ? (std::uint32_t(u16(o + 2)) << 16) | u16(o)
                  : (std::uint32_t(u16(o)) << 16) | u16(o + 2);
    };
    const std::uint64_t ifd = u32(4);
    if (ifd == 0 || ifd + 2 > len)
        return false;
    unsigned n = u16(ifd);
    double x = 0, y = 0;
    unsigned unit = 2;
    for (unsigned i = 0; i < n; ++i) {
        const std::uint64_t e = ifd + 2 + 12 * std::uint64_t(i);
        if (e + 12 > len)
            break;
        unsigned tag = u16(e);
        auto rational = [&]() -> double {
            const std::uint64_t off = u32(e + 8);
            std::uint32_t den = u32(off + 4);
            return den ? double(u32(off)) / den : 0;
        };
        if (tag == 0x011A)
            x = rational();
        else if (tag == 0x011B)
            y = rational();
        else if (tag == 0x0128)
            unit = u16(e + 8);
    }
    if (x <= 0 || (unit != 2 && unit != 3))
        return false;
    if (y <= 0)
        y = x;
    double f = unit == 3 ? 2.54 : 1.0;
    xDpi = x * f;
    yDpi = y * f;
    return true;
}

Picture decodeJpeg(const std::string& bytes, const std::string& name) {
    Picture pic;
    jpeg_decompress_struct cinfo;
    JpegError jerr;
    cinfo.err = jpeg_std_error(&jerr.mgr);
    jerr.mgr.error_exit = jpegErrorExit;
    jerr.mgr.emit_message = jpegSilence;
    if (setjmp(jerr.jump)) {
        jpeg_destroy_decompress(&cinfo);
        unreadable(name, jerr.message);
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    pic.width = static_cast<int>(cinfo.image_width);
    pic.height = static_cast<int>(cinfo.image_height);
    int comps = cinfo.num_components;
    bool adobe = cinfo.saw_Adobe_marker;
    double xd = 0, yd = 0;
    if (cinfo.saw_JFIF_marker && cinfo.density_unit != 0 && cinfo.X_density > 0) {
        double f = cinfo.density_unit == 2 ? 2.54 : 1.0;
        xd = cinfo.X_density * f;
        yd = (cinfo.Y_density > 0 ? cinfo.Y_density : cinfo.X_density) * f;
    } else {
        for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
            if (m->marker == JPEG_APP0 + 1 && exifResolution(m->data, m->data_length, xd, yd))
                break;
    }
    bool precisionOk = cinfo.data_precision == 8;
    jpeg_destroy_decompress(&cinfo);

    if (!precisionOk)
        unsupported(name, "JPEG s hloubkou jinou než 8 bitů");
    if (comps == 1)
        pic.colorSpace = "/DeviceGray";
    else if (comps == 3)
        pic.colorSpace = "/DeviceRGB";
    else if (comps == 4) {
        pic.colorSpace = "/DeviceCMYK";
        pic.invertCmyk = adobe;
    } else
        unsupported(name, "JPEG s " + std::to_string(comps) + " složkami");
    if (xd > 0) {
        pic.xDpi = xd;
        pic.yDpi = yd;
    }
    pic.dct = true;
    pic.data = bytes;
    return pic;
}

// ---------------------------------------------------------------- PNG

struct PngReader {
    const std::string* bytes;
    std::size_t pos = 0;
    char message[200] = "";
};

void pngRead(png_structp png, png_bytep out, png_size_t len) {
    auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
    if (r->pos + len > r->bytes->size())
        png_error(png, "soubor je zkrácený");
    std::memcpy(out, r->bytes->data() + r->pos, len);
    r->pos += len;
}

void pngError(png_structp png, png_const_charp msg) {
    auto* r = static_cast<PngReader*>(png_get_error_ptr(png));
    std::snprintf(r->message, sizeof r->message, "%s", msg);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

Picture decodePng(const std::string& bytes, const std::string& name) {
    Picture pic;
    PngReader reader;
    reader.bytes = &bytes;
    std::vector<png_bytep> rows;
    std::string pixels;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        unreadable(name, "nedostatek paměti");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        unreadable(name, reader.message);
    }
    png_set_read_fn(png, &reader, pngRead);
    png_read_info(png, info);
    png_uint_32 xppu = 0, yppu = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xppu, &yppu, &unit) && unit == PNG_RESOLUTION_METER && xppu > 0) {
        pic.xDpi = xppu * kInchPerMetre;
        pic.yDpi = (yppu > 0 ? yppu : xppu) * kInchPerMetre;
    }
    png_set_expand(png); // palette to RGB, low gray depths to 8, tRNS to alpha
    png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    const int channels = png_get_channels(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    // A few hundred bytes of PNG can claim an image of gigabytes: a
    // watermark larger than an A3 page at 600 dpi is refused.
    if (std::uint64_t(w) * h > kMaxPixels) {
        png_destroy_read_struct(&png, &info, nullptr);
        unsupported(name, "obrázek je příliš velký (" + std::to_string(w) + " × " +
                              std::to_string(h) + " bodů)");
    }
    pixels.resize(rowBytes * h);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = reinterpret_cast<png_bytep>(&pixels[y * rowBytes]);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    pic.width = static_cast<int>(w);
    pic.height = static_cast<int>(h);
    const int colour = (channels >= 3) ? 3 : 1;
    const bool hasAlpha = channels == 2 || channels == 4;
    pic.colorSpace = colour == 3 ? "/DeviceRGB" : "/DeviceGray";
    if (!hasAlpha) {
        pic.data = std::move(pixels);
        return pic;
    }
    const std::size_t n = std::size_t(w) * h;
    pic.data.resize(n * colour);
    pic.alpha.resize(n);
    bool opaque = true;
    for (std::size_t i = 0; i < n; ++i) {
        const char* p = &pixels[i * channels];
        std::memcpy(&pic.data[i * colour], p, colour);
        pic.alpha[i] = p[colour];
        if (static_cast<unsigned char>(p[colour]) != 255)
            opaque = false;
    }
    if (opaque)
        pic.alpha.clear();
    return pic;
}

// ---------------------------------------------------------------- BMP

std::uint32_t le16(const std::string& b, std::size_t o) {
    return static_cast<std::uint8_t>(b[o]) | (static_cast<std::uint8_t>(b[o + 1]) << 8);
}
std::uint32_t le32(const std::string& b, std::size_t o) {
    return le16(b, o) | (le16(b, o + 2) << 16);
}

struct Mask {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Mask(std::uint32_t m = 0) : mask(m) {
        if (!m)
            return;
        while (!((m >> shift) & 1))
            ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1))
            ++bits;
    }
    unsigned get(std::uint32_t v) const {
        if (!mask)
            return 0;
        std::uint32_t c = (v & mask) >> shift;
        std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
        return max ? static_cast<unsigned>((std::uint64_t(c) * 255 + max / 2) / max) : 0;
    }
};

Picture decodeBmp(const std::string& b, const std::string& name) {
    Picture pic;
    if (b.size() < 26)
        unreadable(name, "soubor je zkrácený");
    const std::uint32_t offBits = le32(b, 10);
    const std::uint32_t hdr = le32(b, 14);
    if (hdr < 12 || 14 + std::size_t(hdr) > b.size())
        unreadable(name, "poškozená hlavička");
    std::int64_t width, height;
    unsigned bpp, compression = 0;
    std::uint32_t clrUsed = 0;
    Mask rm, gm, bm, am;
    std::size_t paletteAt = 14 + hdr;
    int paletteEntry = 4;
    if (hdr == 12) { // OS/2 BITMAPCOREHEADER
        width = le16(b, 18);
        height = static_cast<std::int16_t>(le16(b, 20));
        bpp = le16(b, 24);
        paletteEntry = 3;
    } else {
        if (hdr < 40)
            unreadable(name, "poškozená hlavička");
        width = static_cast<std::int32_t>(le32(b, 18));
        height = static_cast<std::int32_t>(le32(b, 22));
        bpp = le16(b, 28);
        compression = le32(b, 30);
        std::int32_t xppm = static_cast<std::int32_t>(le32(b, 38));
        std::int32_t yppm = static_cast<std::int32_t>(le32(b, 42));
        clrUsed = le32(b, 46);
        if (xppm > 0) {
            pic.xDpi = xppm * kInchPerMetre;
            pic.yDpi = (yppm > 0 ? yppm : xppm) * kInchPerMetre;
        }
        if (compression == 3 || compression == 6) { // BI_BITFIELDS, BI_ALPHABITFIELDS
            std::size_t at = 54;
            if (at + 12 > b.size())
                unreadable(name, "poškozená hlavička");
            rm = Mask(le32(b, at));
            gm = Mask(le32(b, at + 4));
            bm = Mask(le32(b, at + 8));
            if ((hdr >= 56 || compression == 6) && at + 16 <= b.size())
                am = Mask(le32(b, at + 12));
            if (hdr == 40)
                paletteAt += compression == 6 ? 16 : 12;
        } else if (compression == 0) {
            if (bpp == 16) {
                rm = Mask(0x7C00);
                gm = Mask(0x03E0);
                bm = Mask(0x001F);
            } else if (bpp == 32) {
                rm = Mask(0x00FF0000);
                gm = Mask(0x0000FF00);
                bm = Mask(0x000000FF);
                if (hdr >= 56 && le32(b, 66) != 0)
                    am = Mask(le32(b, 66));
            }
        } else {
            unsupported(name, "komprimovaný BMP (typ " + std::to_string(compression) + ")");
        }
    }
    if (width <= 0 || height == 0 || width > 100000 || height > 100000 || height < -100000)
        unreadable(name, "neplatné rozměry");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        unsupported(name, czechCount(bpp, "bit", "bity", "bitů") + " na bod");
    const bool topDown = height < 0;
    if (topDown)
        height = -height;

    std::vector<std::uint8_t> palette; // RGB triples
    if (bpp <= 8) {
        std::uint32_t count = clrUsed ? clrUsed : (1u << bpp);
        if (count > 256)
            count = 256;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::size_t at = paletteAt + std::size_t(i) * paletteEntry;
            if (at + 3 > b.size())
                break;
            palette.push_back(static_cast<std::uint8_t>(b[at + 2]));
            palette.push_back(static_cast<std::uint8_t>(b[at + 1]));
            palette.push_back(static_cast<std::uint8_t>(b[at]));
        }
        if (palette.empty())
            unreadable(name, "chybí paleta");
    }
    const std::size_t stride = ((std::size_t(width) * bpp + 31) / 32) * 4;
    if (offBits > b.size() || b.size() - offBits < stride * std::size_t(height))
        unreadable(name, "soubor je zkrácený");

    pic.width = static_cast<int>(width);
    pic.height = static_cast<int>(height);
    pic.colorSpace = "/DeviceRGB";
    pic.data.resize(std::size_t(width) * height * 3);
    const bool withAlpha = am.mask != 0;
    if (withAlpha)
        pic.alpha.resize(std::size_t(width) * height);
    bool anyAlpha = false, allOpaque = true;
    const auto* base = reinterpret_cast<const std::uint8_t*>(b.data()) + offBits;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = base + stride * (topDown ? y : height - 1 - y);
        std::uint8_t* out = reinterpret_cast<std::uint8_t*>(&pic.data[std::size_t(y) * width * 3]);
        for (std::int64_t x = 0; x < width; ++x, out += 3) {
            if (bpp <= 8) {
                unsigned idx;
                if (bpp == 8)
                    idx = row[x];
                else if (bpp == 4)
                    idx = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
                else
                    idx = (row[x / 8] >> (7 - (x & 7))) & 1;
                if (3 * idx + 2 >= palette.size())
                    idx = 0;
                std::memcpy(out, &palette[3 * idx], 3);
            } else if (bpp == 24) {
                const std::uint8_t* p = row + 3 * x;
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            } else {
                std::uint32_t v;
                if (bpp == 16)
                    v = row[2 * x] | (row[2 * x + 1] << 8);
                else
                    v = row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) |
                        (std::uint32_t(row[4 * x + 3]) << 24);
                out[0] = static_cast<std::uint8_t>(rm.get(v));
                out[1] = static_cast<std::uint8_t>(gm.get(v));
                out[2] = static_cast<std::uint8_t>(bm.get(v));
                if (withAlpha) {
                    unsigned a = am.get(v);
                    pic.alpha[std::size_t(y) * width + x] = static_cast<char>(a);
                    if (a != 0)
                        anyAlpha = true;
                    if (a != 255)
                        allOpaque = false;
                }
            }
        }
    }
    // An alpha channel that is all 0 is an unused one (common in 32-bit files).
    if (withAlpha && (!anyAlpha || allOpaque))
        pic.alpha.clear();
    return pic;
}

} // namespace

Picture decodePicture(const std::string& bytes, const std::string& name) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xD8)
        return decodeJpeg(bytes, name);
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0)
        return decodePng(bytes, name);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return decodeBmp(bytes, name);
    unsupported(name, "není JPEG, PNG ani BMP");
}

} // namespace tiskpdf
