#!/usr/bin/env python3
"""Draws the pictures of the comic between the demo's two chapters, "LighthouseToCove.ani", and
writes them as PNG files into content/gfx/Comix:

  CovePanel1.png .. CovePanel4.png
                  the four panels (370 x 270 each, a cream caption strip along the top for the
                  caption text): dawn at the lighthouse with the ferry at its jetty, the chart
                  with its cross by the island, the crossing in the morning mist, the landing
                  at Fishers' Cove
  Ferry.png       Oskelin's ferry seen from the side, the ferryman at the oars and the heroine at
                  the bow, moved over the panels

The captions are texts of the animation (looked up in the dictionary), not part of the pictures.

Usage: make_cove_comic_pictures.py [COMIX_FOLDER]

The panel's strip, frame, sky, sea, lighthouse and heroine are those of the first comic
(make_logo_and_comic_pictures.py); only the standard library is needed.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_logo_and_comic_pictures import (INK, PANEL_H, PANEL_W, STRIP, bounds,  # noqa: E402
                                          box, caption_strip, figure, fill, frame, glow,
                                          lighthouse, waves)
from make_widget_pictures import (Canvas, circle, ellipse, mix, polygon,  # noqa: E402
                                  rounded_rect, segment)

DAWN_TOP = (0.34, 0.44, 0.70)
DAWN_LOW = (1.0, 0.80, 0.62)
MORNING_SEA_TOP = (0.55, 0.62, 0.74)
MORNING_SEA_LOW = (0.18, 0.36, 0.50)
PARCHMENT = (0.93, 0.86, 0.66)
RED = (0.80, 0.18, 0.16)
HULL = (0.22, 0.42, 0.66)
NAVY = (0.14, 0.20, 0.36)


def dawn_sky(c, horizon):
    fill(c, lambda x, y: mix(DAWN_TOP, DAWN_LOW, (y - STRIP) / (horizon - STRIP)), STRIP, horizon)


def morning_sea(c, horizon):
    fill(c, lambda x, y: mix(MORNING_SEA_TOP, MORNING_SEA_LOW, (y - horizon) / (PANEL_H - horizon)),
         horizon)


def mist(c, top, bottom, seed):
    """Long pale bands lying on the water."""
    rnd = random.Random(seed)
    for _ in range(7):
        y = rnd.uniform(top, bottom)
        x = rnd.uniform(0, PANEL_W)
        rx = rnd.uniform(60, 140)
        c.shape(ellipse(x, y, rx, 5), lambda *_: (0.96, 0.94, 0.92), 0.35,
                (x - rx - 2, y - 8, x + rx + 2, y + 8))


def hut(c, left, base, width, height):
    roof = [(left - 4, base - height + 6), (left + width / 2, base - height - 12),
            (left + width + 4, base - height + 6)]
    c.shape(box(left, base - height, left + width, base), lambda *_: (0.36, 0.24, 0.16))
    c.shape(polygon(roof), lambda *_: (0.38, 0.44, 0.26), box=bounds(roof))
    c.shape(box(left + width / 2 - 3, base - 12, left + width / 2 + 3, base),
            lambda *_: (0.20, 0.13, 0.08))


def panel_dawn():
    # The lighthouse on its rock at dawn, its lamp still lit, the jetty below.
    c = Canvas(PANEL_W, PANEL_H)
    horizon = 190
    dawn_sky(c, horizon)
    c.shape(circle(70, horizon, 20), lambda *_: (1.0, 0.94, 0.76), box=(48, horizon - 22, 92,
                                                                        horizon))
    glow(c, 70, horizon - 4, 70, (1.0, 0.90, 0.70), 0.4)
    morning_sea(c, horizon)
    waves(c, horizon, PANEL_H, 21, (0.85, 0.88, 0.95), 40)
    rock = [(180, 226), (206, 188), (320, 180), (370, 190), (370, 232)]
    c.shape(polygon(rock), lambda *_: (0.30, 0.28, 0.32), box=bounds(rock))
    lighthouse(c, 280, 190, 112, 44)
    c.shape(box(150, 214, 270, 222), lambda *_: (0.42, 0.30, 0.20))
    for x in range(156, 270, 22):
        c.shape(box(x, 222, x + 5, 252), lambda *_: (0.26, 0.18, 0.10))
    caption_strip(c)
    frame(c)
    return c


def panel_chart():
    # The chart spread out on the keeper's table: the bay, the island and the red cross, the
    # course from the lighthouse dotted across.
    c = Canvas(PANEL_W, PANEL_H)
    fill(c, lambda x, y: mix((0.46, 0.30, 0.18), (0.30, 0.19, 0.11), (y - STRIP) / 218), STRIP)
    for y in range(STRIP + 30, PANEL_H, 34):
        c.shape(segment(0, y, PANEL_W, y, 1.2), lambda *_: (0.22, 0.14, 0.08), 0.6,
                (0, y - 2, PANEL_W, y + 2))
    sheet = [(30, 72), (340, 66), (346, 248), (24, 254)]
    c.shape(polygon([(p[0] + 5, p[1] + 5) for p in sheet]), lambda *_: (0, 0, 0), 0.3,
            box=bounds(sheet, 8))
    c.shape(polygon(sheet), lambda x, y: mix(PARCHMENT, (0.80, 0.68, 0.46),
                                             math.hypot(x - 185, y - 160) / 200),
            box=bounds(sheet))
    # The mainland's coast on the left, the island on the right.
    coast = [(30, 90), (70, 110), (86, 150), (70, 196), (92, 246)]
    for a, b in zip(coast, coast[1:]):
        c.shape(segment(*a, *b, 2), lambda *_: INK, box=bounds([a, b], 3))
    island = ellipse(262, 150, 46, 30)
    c.shape(island, lambda *_: (0.82, 0.72, 0.48), box=(210, 116, 314, 184))
    c.shape(lambda x, y: abs(island(x, y)) - 1, lambda *_: INK, box=(210, 116, 314, 184))
    c.shape(circle(96, 120, 5), lambda *_: RED, box=(88, 112, 104, 128))  # the lighthouse
    for k in range(9):
        t = k / 8
        x, y = 104 + t * 118, 124 + 30 * math.sin(t * math.pi) * 0.6 + t * 20
        c.shape(circle(x, y, 1.6), lambda *_: INK, box=(x - 3, y - 3, x + 3, y + 3))
    for a, b in (((228, 152), (246, 170)), ((246, 152), (228, 170))):
        c.shape(segment(*a, *b, 4.5), lambda *_: RED, box=bounds([a, b], 4))
    # A compass rose in the corner.
    c.shape(polygon([(310, 214), (316, 230), (310, 246), (304, 230)]), lambda *_: INK,
            box=(300, 210, 320, 250))
    c.shape(polygon([(294, 230), (310, 224), (326, 230), (310, 236)]), lambda *_: INK,
            box=(290, 220, 330, 240))
    caption_strip(c)
    frame(c)
    return c


def panel_crossing():
    # Open water in the morning mist, the island and its huts coming up ahead.
    c = Canvas(PANEL_W, PANEL_H)
    horizon = 172
    dawn_sky(c, horizon)
    glow(c, 120, horizon, 90, (1.0, 0.92, 0.76), 0.45)
    morning_sea(c, horizon)
    island = [(220, horizon + 1), (250, horizon - 22), (300, horizon - 30), (350, horizon - 20),
              (370, horizon - 14), (370, horizon + 1)]
    c.shape(polygon(island), lambda *_: (0.46, 0.46, 0.40), box=bounds(island))
    hut(c, 288, horizon - 24, 16, 12)
    hut(c, 310, horizon - 26, 14, 11)
    waves(c, horizon, PANEL_H, 23, (0.86, 0.90, 0.96), 50)
    mist(c, horizon - 10, horizon + 40, 24)
    caption_strip(c)
    frame(c)
    return c


def panel_landing():
    # The beach of the cove, the empty huts on the dune, nets on their rack, the heroine on the
    # sand looking about.
    c = Canvas(PANEL_W, PANEL_H)
    horizon = 150
    dawn_sky(c, horizon)
    morning_sea(c, horizon)
    fill(c, lambda x, y: mix((0.92, 0.80, 0.60), (0.82, 0.68, 0.48), (y - 196) / 74), 196)
    c.shape(lambda x, y: y - (194 + 4 * math.sin(x / 30)), lambda *_: (0.97, 0.96, 0.92), 0.6,
            (0, 188, PANEL_W, 200))
    dune = [(200, 200), (240, 150), (370, 136), (370, 200)]
    c.shape(polygon(dune), lambda *_: (0.86, 0.74, 0.55), box=bounds(dune))
    hut(c, 250, 176, 46, 34)
    hut(c, 310, 168, 40, 30)
    for x in (150, 214):
        c.shape(box(x - 2, 140, x + 2, 206), lambda *_: (0.42, 0.30, 0.20))
    c.shape(box(146, 142, 218, 145), lambda *_: (0.42, 0.30, 0.20))

    def mesh(x, y):
        a = abs(((x + y) % 7) - 3.5) / 1.414
        b = abs(((x - y) % 7) - 3.5) / 1.414
        return max(min(a, b) - 0.5, 145 - y, y - 180 - 8 * math.sin((x - 150) / 64 * math.pi),
                   150 - x, x - 214)

    c.shape(mesh, lambda *_: (0.30, 0.22, 0.16), 0.85, (150, 144, 214, 190))
    figure(c, 300, 250, 1.3)
    caption_strip(c)
    frame(c)
    return c


def ferry():
    """The ferry from the side, its bow to the right: Oskelin at the oars, Zari at the bow."""
    c = Canvas(96, 60)
    hull = [(2, 34), (92, 32), (80, 52), (14, 52)]
    figure(c, 74, 38, 0.7)
    # The ferryman, seated: his coat, his beard and red cap, the oar in his hands.
    c.shape(polygon([(32, 38), (50, 38), (48, 22), (34, 22)]), lambda *_: NAVY,
            box=(30, 20, 52, 40))
    c.shape(circle(41, 17, 5.5), lambda *_: (0.90, 0.72, 0.58), box=(34, 10, 48, 24))
    c.shape(polygon([(36, 18), (46, 18), (44, 25), (38, 25)]), lambda *_: (0.82, 0.82, 0.84),
            box=(34, 16, 48, 27))
    c.shape(rounded_rect(35, 8, 47, 15, 4), lambda *_: RED)
    c.shape(segment(20, 50, 54, 24, 2), lambda *_: (0.62, 0.46, 0.26))
    c.shape(polygon(hull), lambda x, y: mix(HULL, (0.10, 0.20, 0.36), (y - 32) / 20),
            box=bounds(hull))
    c.shape(segment(2, 34, 92, 32, 2.2), lambda *_: (0.95, 0.93, 0.88))
    c.shape(segment(14, 44, 84, 43, 1), lambda *_: (0.08, 0.14, 0.26))
    return c


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx", "Comix")
    pictures = {"CovePanel1.png": panel_dawn(), "CovePanel2.png": panel_chart(),
                "CovePanel3.png": panel_crossing(), "CovePanel4.png": panel_landing(),
                "Ferry.png": ferry()}
    os.makedirs(folder, exist_ok=True)
    for name, canvas in sorted(pictures.items()):
        path = os.path.join(folder, name)
        data = canvas.png()
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (path, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
