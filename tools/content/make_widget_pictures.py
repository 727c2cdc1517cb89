#!/usr/bin/env python3
"""Draws the pictures of the demo's start window (buttons in their four looks, check boxes in
their eight, the progress bar's trough and fill, the text cursor, panels and the background)
and writes them as PNG files into content/gfx/Widgets.

Usage: make_widget_pictures.py [OUTPUT_FOLDER]

Only the standard library is needed: shapes are signed distance functions, anti-aliased by
their distance to the edge, and the PNG files are written with zlib.
"""
import math
import os
import struct
import sys
import zlib


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    t = clamp(t)
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    """Straight RGB in 0..1 with coverage, painted with the "over" operation."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def paint(self, x, y, rgb, alpha):
        if alpha <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        alpha = min(alpha, 1.0)
        p = self.px[y * self.width + x]
        # Premultiplied while painting; divided out when written.
        for i in range(3):
            p[i] = rgb[i] * alpha + p[i] * (1 - alpha)
        p[3] = alpha + p[3] * (1 - alpha)

    def shape(self, dist, shade, alpha=1.0, box=None):
        """Fills where dist(x, y) < 0, with a one-pixel soft edge; shade(x, y) gives the colour."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        for y in range(max(0, int(y0)), min(self.height, int(math.ceil(y1)))):
            for x in range(max(0, int(x0)), min(self.width, int(math.ceil(x1)))):
                cx, cy = x + 0.5, y + 0.5
                cover = clamp(0.5 - dist(cx, cy))
                if cover > 0:
                    self.paint(x, y, shade(cx, cy), alpha * cover)

    def png(self):
        rows = bytearray()
        for y in range(self.height):
            rows.append(0)
            for x in range(self.width):
                r, g, b, a = self.px[y * self.width + x]
                d = a if a > 0 else 1.0
                rows += bytes(int(round(clamp(v) * 255)) for v in (r / d, g / d, b / d, a))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def rounded_rect(l, t, r, b, radius):
    """Signed distance to a rounded rectangle."""
    cx, cy = (l + r) / 2, (t + b) / 2
    hw, hh = (r - l) / 2 - radius, (b - t) / 2 - radius

    def dist(x, y):
        qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - radius

    return dist


def segment(ax, ay, bx, by, width):
    def dist(x, y):
        dx, dy = bx - ax, by - ay
        t = clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - width / 2

    return dist


def vertical(top_rgb, bottom_rgb, t, b):
    return lambda x, y: mix(top_rgb, bottom_rgb, (y - t) / max(1, b - t))


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    """An approximate signed distance, good enough for soft edges of moderate eccentricity."""
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * min(rx, ry)


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def polygon(points):
    """Signed distance to a simple polygon (negative inside, even-odd inside test)."""

    def dist(x, y):
        d = float("inf")
        inside = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            dx, dy = bx - ax, by - ay
            t = clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy))
            d = min(d, math.hypot(x - ax - t * dx, y - ay - t * dy))
            if (ay > y) != (by > y) and x < ax + (y - ay) * dx / (by - ay):
                inside = not inside
        return -d if inside else d

    return dist


def union(*parts):
    return lambda x, y: min(p(x, y) for p in parts)


# The palette: deep sea blues with brass edges.
NAVY = (0.09, 0.16, 0.30)
SEA = (0.16, 0.36, 0.52)
BRASS = (0.86, 0.69, 0.36)
BRASS_DARK = (0.52, 0.38, 0.16)
GREY = (0.42, 0.44, 0.48)
GREY_DARK = (0.26, 0.27, 0.30)

# Per look: top and bottom of the face, the rim, how far the face is pressed in.
LOOKS = {
    "Up": (SEA, NAVY, BRASS, 0),
    "Over": ((0.26, 0.52, 0.70), (0.12, 0.27, 0.45), (1.0, 0.85, 0.52), 0),
    "Down": ((0.07, 0.13, 0.25), (0.15, 0.33, 0.48), BRASS_DARK, 1),
    "Disabled": (GREY, GREY_DARK, (0.55, 0.55, 0.57), 0),
}


def button(width, height, look):
    top, bottom, rim, pressed = LOOKS[look]
    c = Canvas(width, height)
    radius = min(10, height / 3)
    # A soft shadow under the button (none while pressed), the brass rim, then the face.
    if not pressed:
        c.shape(rounded_rect(2, 3, width - 1, height, radius), lambda x, y: (0, 0, 0), 0.35)
    c.shape(rounded_rect(1, 1 + pressed, width - 2, height - 2 + pressed, radius),
            lambda x, y: rim)
    c.shape(rounded_rect(3, 3 + pressed, width - 4, height - 4 + pressed, radius - 2),
            vertical(top, bottom, 3, height - 4))
    # A gloss over the upper half of the face.
    if look != "Disabled":
        c.shape(rounded_rect(5, 4 + pressed, width - 6, height / 2 + pressed, radius - 3),
                lambda x, y: (1, 1, 1), 0.10 if pressed else 0.16)
    return c


def check_box(look, checked):
    top, bottom, rim, pressed = LOOKS[look]
    c = Canvas(32, 32)
    c.shape(rounded_rect(1, 1, 31, 31, 6), lambda x, y: rim)
    c.shape(rounded_rect(3, 3, 29, 29, 4), vertical(bottom, top, 3, 29))
    if checked:
        mark = (0.95, 0.95, 0.95) if look == "Disabled" else (1.0, 0.9, 0.55)
        if pressed:
            mark = (0.8, 0.65, 0.3)
        for seg in (segment(9, 16, 14, 22, 4.2), segment(14, 22, 24, 9, 4.2)):
            c.shape(seg, lambda x, y, m=mark: m)
    return c


def trough():
    c = Canvas(300, 28)
    c.shape(rounded_rect(0, 0, 300, 28, 9), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(2, 2, 298, 26, 7), vertical((0.03, 0.06, 0.12), (0.1, 0.16, 0.26), 2, 26))
    return c


def fill():
    # The bar's fill, stretched from nothing to full width by the progress animation.
    c = Canvas(292, 20)
    c.shape(rounded_rect(0, 0, 292, 20, 6),
            lambda x, y: mix(mix((1.0, 0.86, 0.45), (0.78, 0.5, 0.16), y / 20),
                             (0.95, 0.6, 0.25), x / 292 * 0.4))
    c.shape(rounded_rect(3, 2, 289, 9, 3), lambda x, y: (1, 1, 1), 0.25)
    return c


def text_cursor():
    c = Canvas(3, 22)
    c.shape(rounded_rect(0, 0, 3, 22, 1), lambda x, y: (1.0, 0.9, 0.55))
    return c


def panel(width, height):
    c = Canvas(width, height)
    c.shape(rounded_rect(0, 0, width, height, 14), lambda x, y: BRASS_DARK, 0.85)
    c.shape(rounded_rect(2, 2, width - 2, height - 2, 12),
            vertical((0.05, 0.09, 0.18), (0.03, 0.05, 0.11), 0, height), 0.82)
    return c


def field(width, height):
    c = Canvas(width, height)
    c.shape(rounded_rect(0, 0, width, height, 6), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(2, 2, width - 2, height - 2, 4), lambda x, y: (0.02, 0.04, 0.09))
    return c


def background():
    # Stretched over the window: a night sea, lighter at the horizon, darker at the corners.
    c = Canvas(160, 120)
    for y in range(120):
        for x in range(160):
            t = y / 119
            sky = mix((0.02, 0.03, 0.09), (0.12, 0.17, 0.32), t / 0.6) if t < 0.6 else \
                mix((0.12, 0.17, 0.32), (0.03, 0.07, 0.14), (t - 0.6) / 0.4)
            v = 1 - 0.35 * (((x - 80) / 80) ** 2 + ((y - 60) / 60) ** 2) / 2
            c.paint(x, y, tuple(ch * v for ch in sky), 1)
    return c


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx", "Widgets")
    os.makedirs(folder, exist_ok=True)
    pictures = {"Background.png": background(), "Trough.png": trough(), "Fill.png": fill(),
                "TextCursor.png": text_cursor(), "Panel.png": panel(360, 470),
                "Field.png": field(320, 40)}
    for look in LOOKS:
        pictures["Button%s.png" % look] = button(150, 44, look)
        pictures["SmallButton%s.png" % look] = button(72, 36, look)
        pictures["Checked%s.png" % look] = check_box(look, True)
        pictures["Unchecked%s.png" % look] = check_box(look, False)
    for name, canvas in sorted(pictures.items()):
        data = canvas.png()
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (os.path.join(folder, name), len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
