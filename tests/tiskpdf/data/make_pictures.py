"""Writes the picture fixtures that Ghostscript cannot: PNG with alpha, tRNS,
16 bits and interlace; 32-bit and top-down BMPs; JPEGs with Exif density or
without any density; an RLE BMP (unsupported). Standard library only."""
import struct
import zlib

W, H = 120, 80


def pixel(x, y):
    stripe = ((x + y) // 10) % 2
    return (40 + stripe * 180, 90, 200 - stripe * 150)


def png(path, color_type, bit_depth, rows, ppm=None, plte=None, trns=None, interlace=False):
    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, bit_depth, color_type, 0, 0, 1 if interlace else 0))
    if ppm:
        out += chunk(b"pHYs", struct.pack(">IIB", ppm, ppm, 1))
    if plte:
        out += chunk(b"PLTE", plte)
    if trns:
        out += chunk(b"tRNS", trns)
    raw = b""
    if interlace:
        passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
        for x0, y0, dx, dy in passes:
            for y in range(y0, H, dy):
                cols = list(range(x0, W, dx))
                if cols:
                    raw += b"\x00" + b"".join(rows[y][x] for x in cols)
    else:
        for y in range(H):
            raw += b"\x00" + b"".join(rows[y])
    out += chunk(b"IDAT", zlib.compress(raw, 9))
    out += chunk(b"IEND", b"")
    open(path, "wb").write(out)


def grid(fn):
    return [[fn(x, y) for x in range(W)] for y in range(H)]


# RGBA, alpha fading from left to right, 100 dpi.
png("wm_rgba_100.png", 6, 8,
    grid(lambda x, y: bytes(pixel(x, y)) + bytes([int(255 * x / (W - 1))])), ppm=3937)
# Gray + alpha, 72 dpi.
png("wm_gray_alpha_72.png", 4, 8, grid(lambda x, y: bytes([pixel(x, y)[0], 128 if y < H // 2 else 255])), ppm=2835)
# Palette with tRNS (index 0 transparent), 144 dpi.
palette = bytes([255, 255, 255, 200, 30, 30, 30, 30, 200, 0, 0, 0])
png("wm_trns_palette_144.png", 3, 8, grid(lambda x, y: bytes([((x // 15) + (y // 20)) % 4])), ppm=5669,
    plte=palette, trns=bytes([0]))
# 16-bit RGB, Adam7 interlaced, no pHYs (96 dpi assumed).
png("wm_rgb16_interlaced.png", 2, 16,
    grid(lambda x, y: b"".join(struct.pack(">H", c * 257) for c in pixel(x, y))), interlace=True)


def bmp(path, bpp, rows_bytes, header, ppm, palette=b"", top_down=False, extra=b""):
    stride = (W * bpp + 31) // 32 * 4
    data = b"".join(r + b"\0" * (stride - len(r)) for r in rows_bytes)
    hdr_size = len(header) + 4
    off = 14 + hdr_size + len(extra) + len(palette)
    file_header = b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off)
    height = -H if top_down else H
    return file_header, height, stride, data, off


def write_bmp(path, bpp, rows, ppm, compression=0, masks=None, v5=False, top_down=False):
    ordered = rows if top_down else list(reversed(rows))
    stride = (W * bpp + 31) // 32 * 4
    data = b"".join(r + b"\0" * (stride - len(r)) for r in ordered)
    height = -H if top_down else H
    info = struct.pack("<iiHHIIiiII", W, height, 1, bpp, compression, len(data), ppm, ppm, 0, 0)
    if v5:
        r, g, b, a = masks
        info += struct.pack("<IIII", r, g, b, a) + b"sRGB" + b"\0" * 36 + struct.pack("<IIIIIII", 0, 0, 0, 4, 0, 0, 0)
        hdr = struct.pack("<I", 124) + info
    else:
        hdr = struct.pack("<I", 40) + info
    off = 14 + len(hdr)
    open(path, "wb").write(b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + hdr + data)


# 32-bit with alpha (BITFIELDS, V5 header), 120 dpi.
write_bmp("wm_32alpha_120.bmp", 32,
          [b"".join(bytes([p[2], p[1], p[0], 255 if x > W // 2 else 64]) for x, p in
                    ((x, pixel(x, y)) for x in range(W))) for y in range(H)],
          4724, compression=3, masks=(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000), v5=True)
# 32-bit BI_RGB with an unused (zero) fourth byte and no density (96 dpi).
write_bmp("wm_32_96.bmp", 32,
          [b"".join(bytes([p[2], p[1], p[0], 0]) for p in (pixel(x, y) for x in range(W))) for y in range(H)], 0)
# 24-bit stored top-down, 72 dpi.
write_bmp("wm_24_topdown_72.bmp", 24,
          [b"".join(bytes([p[2], p[1], p[0]]) for p in (pixel(x, y) for x in range(W))) for y in range(H)], 2835,
          top_down=True)
# RLE8 (not supported): only the header matters.
write_bmp("wm_rle8.bmp", 8, [bytes(W) for _ in range(H)], 2835, compression=1)

# JPEG variants from the Ghostscript one: Exif density (240 dpi) instead of
# JFIF, and JFIF without density (aspect ratio only).
jpg = open("wm_150.jpg", "rb").read()
assert jpg[2:4] == b"\xff\xe0"
app0_len = struct.unpack(">H", jpg[4:6])[0]
rest = jpg[4 + app0_len:]
tiff = b"MM\x00\x2a" + struct.pack(">I", 8)
entries = [(0x011A, 5, 1, 8 + 2 + 3 * 12 + 4), (0x011B, 5, 1, 8 + 2 + 3 * 12 + 4 + 8), (0x0128, 3, 1, 2 << 16)]
tiff += struct.pack(">H", len(entries))
for tag, typ, cnt, val in entries:
    tiff += struct.pack(">HHII", tag, typ, cnt, val)
tiff += struct.pack(">I", 0) + struct.pack(">II", 240, 1) + struct.pack(">II", 240, 1)
app1 = b"Exif\0\0" + tiff
open("wm_exif_240.jpg", "wb").write(b"\xff\xd8\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + rest)
jfif = b"JFIF\0\x01\x01\x00" + struct.pack(">HH", 1, 1) + b"\0\0"
open("wm_nodensity.jpg", "wb").write(b"\xff\xd8\xff\xe0" + struct.pack(">H", len(jfif) + 2) + jfif + rest)
open("not_a_picture.gif", "wb").write(b"GIF89a" + bytes(20))
