#!/usr/bin/env python3
"""Draws the pictures of the two map screens and writes them as PNG files into
content/gfx/UI/MapScreen: the sea chart (stretched over the story map), the places' icons,
points, unknown-place marks and name plates, the boat, the harmonic device with its needle and
vials, the spark of a chapter's flight, the frames of the unlimited mode's location buttons, and
the location shots in LocShots (each under both names the game asks for: "0arbour.png" for the
map's buttons, "Harbour.png" for the journal).

Usage: make_map_pictures.py [OUTPUT_FOLDER]

The canvas, the shapes and the palette are those of make_widget_pictures.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_widget_pictures import (BRASS, BRASS_DARK, NAVY, SEA, Canvas, circle, clamp,  # noqa: E402
                                  mix, polygon, ring, rounded_rect, segment, vertical)

PARCHMENT = (0.90, 0.83, 0.64)
PARCHMENT_DARK = (0.70, 0.58, 0.38)
INK = (0.30, 0.20, 0.12)
RED = (0.78, 0.18, 0.16)
IVORY = (0.96, 0.92, 0.80)
# One colour per chapter's vial, in chapter order.
VIAL_COLOURS = [(0.85, 0.30, 0.30), (0.95, 0.62, 0.20), (0.90, 0.85, 0.30), (0.35, 0.75, 0.35),
                (0.25, 0.70, 0.85), (0.30, 0.40, 0.90), (0.65, 0.35, 0.85), (0.85, 0.85, 0.90)]
CHAPTERS = ["Alaska", "Australia", "Greenland", "NewYork", "Morocco", "Alexandria", "Congo",
            "VelgrathLair"]

def land(x, y):
    """Positive on land: a few soft islands and a coast along the left of the chart."""
    v = 0.0
    for cx, cy, r in ((0.05, 0.5, 0.22), (0.38, 0.30, 0.10), (0.70, 0.22, 0.08),
                      (0.55, 0.70, 0.12), (0.22, 0.82, 0.09), (0.88, 0.55, 0.07)):
        v = max(v, 1 - math.hypot((x - cx) * 1.3, y - cy) / r)
    # A ragged coast, only near the islands (the open sea stays clear).
    wobble = 0.06 * math.sin(x * 37) * math.sin(y * 29) * clamp(v * 4)
    return v + wobble - 0.05


def chart():
    # The sea chart, drawn small and stretched over the window: parchment sea, sandy islands
    # with an inked coast, a grid of bearings and a darker rim.
    w, h = 400, 300
    c = Canvas(w, h)
    for y in range(h):
        for x in range(w):
            u, v = x / w, y / h
            l = land(u, v)
            if l > 0.03:
                rgb = mix((0.80, 0.70, 0.45), (0.62, 0.55, 0.32), l)
            elif l > -0.01:
                rgb = INK
            else:
                rgb = mix(PARCHMENT, (0.72, 0.80, 0.78), clamp(-l * 3))
            edge = max(abs(u - 0.5), abs(v - 0.5)) * 2
            rgb = mix(rgb, PARCHMENT_DARK, clamp((edge - 0.8) * 4))
            if x % 50 == 0 or y % 50 == 0:
                rgb = mix(rgb, INK, 0.25)
            c.paint(x, y, rgb, 1)
    return c


def place_icon():
    # A small lighthouse on a round base.
    c = Canvas(40, 40)
    c.shape(circle(20, 30, 9), lambda x, y: BRASS_DARK)
    c.shape(polygon([(15, 30), (25, 30), (23, 10), (17, 10)]),
            lambda x, y: RED if int(y) % 8 < 4 else IVORY)
    c.shape(rounded_rect(15, 5, 25, 11, 2), lambda x, y: (1.0, 0.88, 0.45))
    return c


def point():
    c = Canvas(16, 16)
    c.shape(circle(8, 8, 7), lambda x, y: INK)
    c.shape(circle(8, 8, 5), lambda x, y: RED)
    c.shape(circle(6.5, 6.5, 1.8), lambda x, y: (1, 1, 1), 0.6)
    return c


def issue():
    # An unknown place: an inked question mark in a faded circle.
    c = Canvas(32, 32)
    c.shape(circle(16, 16, 15), lambda x, y: PARCHMENT_DARK, 0.7)
    c.shape(ring(16, 16, 14, 2), lambda x, y: INK)
    c.shape(ring(16, 12, 5, 3), lambda x, y: INK, box=(10, 5, 22, 12))
    c.shape(segment(20, 12, 16, 18, 3), lambda x, y: INK)
    c.shape(circle(16, 24, 2), lambda x, y: INK)
    return c


def label_back():
    c = Canvas(120, 26)
    c.shape(rounded_rect(0, 0, 120, 26, 8), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(2, 2, 118, 24, 6), vertical(NAVY, (0.05, 0.09, 0.18), 2, 24))
    return c


def boat():
    c = Canvas(40, 30)
    c.shape(polygon([(4, 20), (36, 20), (30, 28), (10, 28)]), lambda x, y: (0.45, 0.28, 0.14))
    c.shape(segment(20, 4, 20, 20, 2), lambda x, y: INK)
    c.shape(polygon([(21, 5), (33, 18), (21, 18)]), lambda x, y: IVORY)
    return c


def heart():
    # The harmonic device: a brass ring with a glass face and eight sockets.
    size = 170
    m = size / 2
    c = Canvas(size, size)
    c.shape(circle(m, m, 82), lambda x, y: (0, 0, 0), 0.35)
    c.shape(circle(m, m, 80), lambda x, y: mix(BRASS, BRASS_DARK, (x + y) / (2 * size)))
    c.shape(circle(m, m, 68), vertical((0.10, 0.20, 0.32), (0.04, 0.08, 0.16), 12, 158))
    c.shape(ring(m, m, 40, 1.5), lambda x, y: BRASS, 0.6)
    for i in range(8):
        a = math.radians(i * 45 - 90)
        c.shape(circle(m + 56 * math.cos(a), m + 56 * math.sin(a), 10),
                lambda x, y: BRASS_DARK, 0.9)
    c.shape(circle(m, m, 8), lambda x, y: BRASS)
    return c


def vial(rgb, full):
    c = Canvas(18, 40)
    c.shape(rounded_rect(6, 0, 12, 6, 1), lambda x, y: (0.45, 0.30, 0.18))
    c.shape(rounded_rect(2, 5, 16, 39, 6), lambda x, y: (0.85, 0.92, 0.95), 0.45)
    level = 14 if full else 28
    c.shape(rounded_rect(4, level, 14, 37, 4), vertical(rgb, mix(rgb, (0, 0, 0), 0.4), level, 37))
    c.shape(rounded_rect(4, 8, 7, 30, 1.5), lambda x, y: (1, 1, 1), 0.35)
    return c


def tooth():
    # The needle, pointing right from its hub: turned about the hub by the tooth animation.
    c = Canvas(64, 16)
    c.shape(polygon([(8, 4), (62, 8), (8, 12)]), lambda x, y: mix(RED, (0.5, 0.1, 0.1), y / 16))
    c.shape(circle(8, 8, 6), lambda x, y: BRASS)
    return c


def spark():
    c = Canvas(32, 32)
    for r, a in ((15, 0.15), (10, 0.3), (6, 0.7), (3, 1.0)):
        c.shape(circle(16, 16, r), lambda x, y: (1.0, 0.92, 0.6), a)
    return c


def location_frame(look):
    # The frame of an unlimited-mode location button; the shot is drawn inside it.
    rim = {"Up": BRASS_DARK, "Over": (1.0, 0.85, 0.52), "Down": BRASS}[look]
    c = Canvas(200, 140)
    c.shape(rounded_rect(0, 0, 200, 140, 10), lambda x, y: rim)
    c.shape(rounded_rect(4, 4, 196, 136, 7), lambda x, y: NAVY)
    return c


def shot(kind):
    # A small view of a demo location: the harbour at dusk, or the lighthouse by night.
    w, h = 180, 110
    c = Canvas(w, h)
    night = kind == "Lighthouse"
    for y in range(h):
        for x in range(w):
            t = y / h
            if t < 0.55:
                rgb = mix((0.05, 0.06, 0.18), (0.20, 0.18, 0.38), t / 0.55) if night else \
                    mix((0.35, 0.30, 0.55), (0.95, 0.60, 0.35), t / 0.55)
            else:
                rgb = mix(SEA, NAVY, (t - 0.55) / 0.45)
                if (x + 3 * y) % 17 == 0:
                    rgb = mix(rgb, IVORY, 0.3)
            c.paint(x, y, rgb, 1)
    if night:
        c.shape(polygon([(80, 60), (100, 60), (96, 18), (84, 18)]),
                lambda x, y: RED if int(y) % 12 < 6 else IVORY)
        c.shape(rounded_rect(82, 10, 98, 19, 2), lambda x, y: (1.0, 0.9, 0.5))
        c.shape(polygon([(98, 12), (180, 0), (180, 30)]), lambda x, y: (1.0, 0.95, 0.7), 0.25)
        c.shape(rounded_rect(60, 58, 130, 66, 3), lambda x, y: (0.15, 0.12, 0.12))
    else:
        c.shape(rounded_rect(0, 56, 110, 70, 2), lambda x, y: (0.35, 0.25, 0.18))
        for px in (10, 40, 70, 100):
            c.shape(segment(px, 56, px, 80, 3), lambda x, y: (0.25, 0.17, 0.12))
        c.shape(polygon([(120, 70), (165, 70), (158, 80), (127, 80)]),
                lambda x, y: (0.45, 0.28, 0.14))
        c.shape(segment(142, 40, 142, 70, 2), lambda x, y: INK)
        c.shape(circle(150, 30, 9), lambda x, y: (1.0, 0.80, 0.45), 0.8)
    return c


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx", "UI",
                                                                   "MapScreen")
    pictures = {"Chart.png": chart(), "Icon.png": place_icon(), "Point.png": point(),
                "Issue.png": issue(), "LabelBack.png": label_back(), "Boat.png": boat(),
                "Heart.png": heart(), "Tooth.png": tooth(), "Spark.png": spark(),
                "VialEmpty.png": vial((0.6, 0.6, 0.65), False)}
    for i, name in enumerate(CHAPTERS):
        pictures["Vial%s.png" % name] = vial(VIAL_COLOURS[i], True)
    for look in ("Up", "Over", "Down"):
        pictures["LocFrame%s.png" % look] = location_frame(look)
    for kind in ("Harbour", "Lighthouse"):
        picture = shot(kind)
        pictures[os.path.join("LocShots", kind + ".png")] = picture
        pictures[os.path.join("LocShots", "0" + kind[1:] + ".png")] = picture
    for name, canvas in sorted(pictures.items()):
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = canvas.png()
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (path, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
