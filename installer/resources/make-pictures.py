#!/usr/bin/python3
"""Draws the pictures of the installer's window and its icon.

    make-pictures.py OUTDIR

writes into OUTDIR:
  ImageDro.bmp    78 x 305, the strip on the left of the window
  ImagevLevo.bmp  420 x 241, the picture in the framed panel
  Instal.ico      the program's icon, 32 x 32 and 16 x 16

The pictures are drawn here from shapes (Python 3 standard library only), so
the build makes them and the repository keeps only this source. Shapes are
filled with 4 x 4 samples per pixel for smooth edges.
"""
import math
import os
import struct
import sys

SAMPLES = 4


def rgb(hex_colour):
    return tuple(int(hex_colour[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


NAVY = rgb("#0f3470")
BLUE = rgb("#1f66c1")
SKY = rgb("#d9e8f8")
PALE = rgb("#f4f8fd")
WHITE = (1.0, 1.0, 1.0)
ORANGE = rgb("#f08c2a")
GOLD = rgb("#f2c14e")
GOLD_DARK = rgb("#c8912b")
GREY = rgb("#aab6c6")
GREEN = rgb("#3aa76d")


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    def __init__(self, width, height, colour=WHITE):
        self.width = width
        self.height = height
        self.pixels = [[colour] * width for _ in range(height)]

    def gradient(self, top, bottom):
        for y in range(self.height):
            c = mix(top, bottom, y / max(self.height - 1, 1))
            self.pixels[y] = [c] * self.width

    def fill(self, inside, box, colour, alpha=1.0, convex=False):
        """Blends colour over the pixels of box where inside(x, y) holds,
        weighted by the share of the samples inside. colour may be a
        function of (x, y). A pixel whose corners all lie in a convex shape
        lies in it whole."""
        x0, y0, x1, y1 = box
        x0, y0 = max(int(math.floor(x0)), 0), max(int(math.floor(y0)), 0)
        x1, y1 = min(int(math.ceil(x1)), self.width), min(int(math.ceil(y1)), self.height)
        step = 1.0 / SAMPLES
        offsets = [(i + 0.5) * step for i in range(SAMPLES)]
        for py in range(y0, y1):
            row = self.pixels[py]
            for px in range(x0, x1):
                hits = 0
                if convex and inside(px, py) and inside(px + 1, py) and \
                        inside(px, py + 1) and inside(px + 1, py + 1):
                    hits = SAMPLES * SAMPLES
                for oy in offsets if not hits else ():
                    for ox in offsets:
                        if inside(px + ox, py + oy):
                            hits += 1
                if hits:
                    a = alpha * hits / (SAMPLES * SAMPLES)
                    c = colour(px + 0.5, py + 0.5) if callable(colour) else colour
                    row[px] = mix(row[px], c, a)

    # --- Shapes ---

    def rect(self, x0, y0, x1, y1, colour, radius=0.0, alpha=1.0):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
        self.fill(inside, (x0, y0, x1, y1), colour, alpha, convex=True)

    def ellipse(self, cx, cy, rx, ry, colour, alpha=1.0):
        def inside(x, y):
            return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0
        self.fill(inside, (cx - rx, cy - ry, cx + rx, cy + ry), colour, alpha, convex=True)

    def polygon(self, points, colour, alpha=1.0):
        def inside(x, y):
            crossings = False
            n = len(points)
            for i in range(n):
                (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
                if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                    crossings = not crossings
            return crossings
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill(inside, (min(xs), min(ys), max(xs), max(ys)), colour, alpha)

    def strokes(self, lines, width, colour, alpha=1.0):
        """Polylines drawn with round ends at the given width."""
        segments = []
        for line in lines:
            segments += list(zip(line, line[1:]))
        half = width / 2.0
        # The segments that can reach each row of pixels.
        rows = {}
        for seg in segments:
            (xa, ya), (xb, yb) = seg
            for row in range(int(math.floor(min(ya, yb) - half)),
                             int(math.floor(max(ya, yb) + half)) + 1):
                rows.setdefault(row, []).append(seg)

        def inside(x, y):
            for (xa, ya), (xb, yb) in rows.get(int(math.floor(y)), ()):
                dx, dy = xb - xa, yb - ya
                length = dx * dx + dy * dy
                t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / length))
                ex, ey = xa + t * dx - x, ya + t * dy - y
                if ex * ex + ey * ey <= half * half:
                    return True
            return False
        xs = [p[0] for s in segments for p in s]
        ys = [p[1] for s in segments for p in s]
        self.fill(inside, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half),
                  colour, alpha)

    # --- Output ---

    def bmp(self):
        """A 24-bit Windows bitmap, rows bottom-up, each padded to 4 bytes."""
        row_size = (self.width * 3 + 3) & ~3
        data = bytearray()
        for row in reversed(self.pixels):
            line = bytearray()
            for r, g, b in row:
                line += bytes((byte(b), byte(g), byte(r)))
            line += bytes(row_size - len(line))
            data += line
        header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(data),
                             3780, 3780, 0, 0)
        return struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0,
                           14 + len(header)) + header + data


def byte(v):
    return max(0, min(255, int(round(v * 255))))


def arc(cx, cy, rx, ry, start, end, steps=24):
    """Points of an elliptic arc; angles in degrees, 0 to the right, 90 down."""
    return [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + ry * math.sin(math.radians(start + (end - start) * i / steps)))
            for i in range(steps + 1)]


def letters(x, y, size):
    """The strokes of "D", "R", "O" side by side, the cap height size, from
    the top left corner (x, y); and the width they take."""
    w = size * 0.62
    gap = size * 0.22
    h = size
    d = [[(x, y), (x, y + h)],
         [(x, y)] + arc(x + w - h / 2, y + h / 2, h / 2, h / 2, -90, 90) + [(x, y + h)]]
    if w - h / 2 < 0:
        d = [[(x, y), (x, y + h)], [(x, y)] + arc(x, y + h / 2, w, h / 2, -90, 90) + [(x, y + h)]]
    rx = x + w + gap
    bowl = h * 0.52
    r = [[(rx, y + h), (rx, y)] + arc(rx + w * 0.55, y + bowl / 2, w * 0.45, bowl / 2, -90, 90)
         + [(rx, y + bowl)],
         [(rx + w * 0.45, y + bowl), (rx + w, y + h)]]
    ox = rx + w + gap
    o = [arc(ox + w / 2, y + h / 2, w / 2, h / 2, 0, 360, 40)]
    return d + r + o, ox + w - x


def image_dro():
    """The left strip: the name DRO read downwards on a deep blue band, with
    a column of rising bars and coins below it."""
    c = Canvas(78, 305)
    c.gradient(NAVY, BLUE)
    # Light diagonal bands.
    for k in range(-4, 14):
        y = k * 34
        c.polygon([(0, y), (78, y - 40), (78, y - 30), (0, y + 10)], WHITE, alpha=0.05)
    # D, R and O one below the other.
    size = 40
    for i, letter in enumerate("DRO"):
        top = 18 + i * (size + 16)
        strokes, _ = letters(0, 0, size)
        which = {"D": strokes[0:2], "R": strokes[2:4], "O": strokes[4:5]}[letter]
        # Move the letter's strokes so that it stands centred in the strip.
        xs = [p[0] for s in which for p in s]
        dx = 39 - (min(xs) + max(xs)) / 2
        moved = [[(px + dx, py + top) for px, py in s] for s in which]
        c.strokes([[(px + 1.5, py + 1.5) for px, py in s] for s in moved], 7, NAVY, alpha=0.5)
        c.strokes(moved, 7, WHITE)
    # An accent line.
    c.rect(14, 196, 64, 199, ORANGE, radius=1.5)
    # Rising bars.
    for i, h in enumerate((16, 26, 38, 52)):
        x = 13 + i * 14
        c.rect(x, 270 - h, x + 9, 270, mix(SKY, WHITE, 0.3), radius=1.5, alpha=0.9)
    c.rect(9, 271, 69, 273, WHITE, alpha=0.8)
    # Coins at the foot.
    for i in range(3):
        cy = 292 - i * 5
        c.ellipse(39, cy + 1.5, 15, 5, GOLD_DARK)
        c.ellipse(39, cy, 15, 5, GOLD)
    return c


def image_v_levo():
    """The framed picture: an invoice on a desk of light blue, with a chart
    of rising bars and a line, coins and the name DRO."""
    c = Canvas(420, 241)
    c.gradient(SKY, PALE)
    # A soft glow behind the scene.
    for i, r in enumerate((150, 120, 90)):
        c.ellipse(300, 110, r, r * 0.8, WHITE, alpha=0.18 + 0.06 * i)
    # The desk.
    c.rect(0, 200, 420, 241, mix(BLUE, SKY, 0.75))
    c.rect(0, 200, 420, 203, mix(BLUE, SKY, 0.55))

    # The invoice, with a shadow.
    c.rect(40, 42, 176, 222, NAVY, radius=6, alpha=0.18)
    c.rect(34, 34, 170, 214, WHITE, radius=6)
    c.rect(34, 34, 170, 62, BLUE, radius=6)
    c.rect(34, 52, 170, 62, BLUE)
    c.strokes(letters(46, 41, 14)[0], 2.6, WHITE)
    for i, w in enumerate((96, 70, 84, 60, 90, 76)):
        y = 78 + i * 15
        c.rect(48, y, 48 + w, y + 5, GREY, radius=2.5, alpha=0.8)
    c.rect(48, 172, 156, 174, NAVY, alpha=0.6)
    c.rect(100, 182, 156, 192, ORANGE, radius=3)
    # A tick of approval.
    c.ellipse(150, 200, 11, 11, GREEN)
    c.strokes([[(144.5, 200), (148.5, 204.5), (156, 195.5)]], 2.6, WHITE)

    # The chart: bars rising, a line over them.
    base = 186
    heights = (40, 58, 52, 84, 112)
    for i, h in enumerate(heights):
        x = 214 + i * 34
        c.rect(x + 3, base - h + 3, x + 25, base, NAVY, radius=3, alpha=0.15)
        c.rect(x, base - h, x + 22, base, lambda px, py: mix(BLUE, NAVY, (py - 70) / 130.0),
               radius=3)
    c.rect(204, base, 390, base + 2, NAVY, alpha=0.7)
    points = [(225 + i * 34, base - h - 18) for i, h in enumerate(heights)]
    c.strokes([points], 3.2, ORANGE)
    for x, y in points:
        c.ellipse(x, y, 5, 5, WHITE)
        c.ellipse(x, y, 3.2, 3.2, ORANGE)
    # An arrow up at the end of the line.
    x, y = points[-1]
    c.polygon([(x + 8, y - 22), (x + 22, y - 10), (x + 13, y - 9), (x + 13, y + 2),
               (x + 3, y + 2), (x + 3, y - 9), (x - 6, y - 10)], GREEN)

    # Coins on the desk.
    for stack, (cx, n) in enumerate(((196, 5), (222, 3))):
        for i in range(n):
            cy = 214 - i * 6
            c.ellipse(cx, cy + 2, 14, 5, GOLD_DARK)
            c.ellipse(cx, cy, 14, 5, GOLD)

    # The name, large, above the chart.
    strokes, width = letters(0, 0, 28)
    x0, y0 = 216, 18
    c.strokes([[(px + x0 + 1.5, py + y0 + 1.5) for px, py in s] for s in strokes], 6, NAVY,
              alpha=0.25)
    c.strokes([[(px + x0, py + y0) for px, py in s] for s in strokes], 6, NAVY)
    c.rect(x0 + width + 12, y0 + 11, x0 + width + 62, y0 + 16, ORANGE, radius=2.5)
    c.rect(x0 + width + 12, y0 + 22, x0 + width + 44, y0 + 26, GREY, radius=2)
    return c


def icon_image(size):
    """The icon: D, R and O on a blue tile, for one size."""
    c = Canvas(size, size, (0.0, 0.0, 0.0))
    alpha = Canvas(size, size, (0.0, 0.0, 0.0))
    r = size * 0.18
    c.rect(0, 0, size, size, lambda px, py: mix(BLUE, NAVY, py / size), radius=r)
    alpha.rect(0, 0, size, size, WHITE, radius=r)
    strokes, width = letters(0, 0, size * 0.42)
    scale = (size * 0.8) / width
    x0, y0 = size * 0.1, size * 0.29
    c.strokes([[(x0 + px * scale, y0 + py * scale) for px, py in s] for s in strokes],
              max(size * 0.09, 1.6), WHITE)
    c.rect(size * 0.16, size * 0.78, size * 0.84, size * 0.84, ORANGE, radius=size * 0.03)
    return c, alpha


def ico(sizes):
    """A Windows icon file with a 32-bit image of every size."""
    images = []
    for size in sizes:
        c, alpha = icon_image(size)
        pixels = bytearray()
        for y in reversed(range(size)):
            for (r, g, b), (a, _, _) in zip(c.pixels[y], alpha.pixels[y]):
                pixels += bytes((byte(b), byte(g), byte(r), byte(a)))
        mask_row = ((size + 31) // 32) * 4
        mask = bytes(mask_row * size)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                             len(pixels) + len(mask), 0, 0, 0, 0)
        images.append((size, header + pixels + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-pictures.py OUTDIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in (("ImageDro.bmp", image_dro().bmp()),
                       ("ImagevLevo.bmp", image_v_levo().bmp()),
                       ("Instal.ico", ico((32, 16)))):
        path = os.path.join(out, name)
        # A complete file or none: written beside, then moved into place.
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)


if __name__ == "__main__":
    main()
