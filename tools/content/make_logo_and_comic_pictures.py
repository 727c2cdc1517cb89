#!/usr/bin/env python3
"""Draws the pictures of the start-up logos and of the demo's comic and writes them as PNG files
below content/gfx:

  Logos/StudioEmblem.png   the studio's emblem, a brass ring round a lit lantern
  Logos/EngineEmblem.png   the engine's emblem, a steel cog round a wave under a beacon
  Logos/Flare.png          a soft round light laid over the emblems as they come up
  Comix/Panel1.png .. Panel4.png
                           the four panels of "HarbourToLighthouse.ani" (370 x 270 each, a
                           cream caption strip along the top for the caption text): the harbour
                           at night, the open bay under the lighthouse, the swell by the rocks,
                           the lighthouse door
  Comix/Boat.png           the rowing boat with the heroine and her lantern, moved over the panels
  Comix/Glow.png           the lantern's warm glow (its flicker is "LanternFlicker.ani")
  Comix/Beam.png           the lighthouse's beam, pivoting at its left end ("Beam.ani")
  UI/Comix/Continue.png    the comic screen's "click to go on" arrows

The captions, the studio's and the engine's names are texts of the animations (drawn with the
game's fonts and looked up in the dictionary), not part of the pictures.

Usage: make_logo_and_comic_pictures.py [GFX_FOLDER]

Only the standard library is needed; the drawing helpers are those of make_widget_pictures.py.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_widget_pictures import (BRASS, BRASS_DARK, Canvas, circle, clamp, mix,  # noqa: E402
                                  polygon, ring, rounded_rect, segment)

PANEL_W, PANEL_H = 370, 270
STRIP = 52  # the caption strip's height
CREAM = (0.96, 0.91, 0.76)
INK = (0.10, 0.10, 0.14)
NIGHT_TOP = (0.02, 0.03, 0.10)
NIGHT_LOW = (0.10, 0.16, 0.32)
SEA_TOP = (0.07, 0.15, 0.28)
SEA_LOW = (0.02, 0.05, 0.11)
WARM = (1.0, 0.80, 0.40)
STEEL = (0.55, 0.64, 0.74)
STEEL_DARK = (0.25, 0.31, 0.40)

def box(l, t, r, b):
    return rounded_rect(l, t, r, b, 0.01)

def bounds(points, pad=2):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)


def fill(c, shade, top=0, bottom=None):
    """Every pixel of the rows top..bottom painted opaque with shade(x, y)."""
    for y in range(top, bottom if bottom is not None else c.height):
        for x in range(c.width):
            c.paint(x, y, shade(x + 0.5, y + 0.5), 1)


def glow(c, cx, cy, r, rgb, strength=1.0):
    """A soft light falling off with the square of the distance."""
    for y in range(max(0, int(cy - r)), min(c.height, int(cy + r) + 1)):
        for x in range(max(0, int(cx - r)), min(c.width, int(cx + r) + 1)):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy) / r
            if d < 1:
                c.paint(x, y, rgb, strength * (1 - d) ** 2)


def stars(c, count, bottom, seed):
    rnd = random.Random(seed)
    for _ in range(count):
        x, y = rnd.uniform(4, c.width - 4), rnd.uniform(STRIP + 4, bottom)
        r = rnd.uniform(0.6, 1.4)
        c.shape(circle(x, y, r), lambda *_: (1, 1, 0.9), rnd.uniform(0.5, 1),
                box=(x - 3, y - 3, x + 3, y + 3))


def waves(c, top, bottom, seed, rgb=(0.35, 0.50, 0.70), amount=40):
    """Short light strokes on the water, longer and brighter towards the viewer."""
    rnd = random.Random(seed)
    for _ in range(amount):
        y = rnd.uniform(top + 4, bottom - 2)
        t = (y - top) / max(1, bottom - top)
        x = rnd.uniform(0, c.width)
        half = 4 + 14 * t
        c.shape(segment(x - half, y, x + half, y, 1.2 + t), lambda *_: rgb, 0.25 + 0.45 * t,
                box=(x - half - 2, y - 3, x + half + 2, y + 3))


def caption_strip(c):
    c.shape(box(0, 0, PANEL_W, STRIP), lambda *_: CREAM)
    c.shape(box(0, STRIP - 2, PANEL_W, STRIP), lambda *_: INK)


def frame(c):
    # The panel's ink border, drawn last over everything.
    for d in (box(0, 0, PANEL_W, 3), box(0, PANEL_H - 3, PANEL_W, PANEL_H),
              box(0, 0, 3, PANEL_H), box(PANEL_W - 3, 0, PANEL_W, PANEL_H)):
        c.shape(d, lambda *_: INK)


def night_sky(c, horizon):
    fill(c, lambda x, y: mix(NIGHT_TOP, NIGHT_LOW, (y - STRIP) / (horizon - STRIP)), STRIP,
         horizon)


def sea(c, horizon, top=SEA_TOP, low=SEA_LOW):
    fill(c, lambda x, y: mix(top, low, (y - horizon) / (PANEL_H - horizon)), horizon)


def lighthouse(c, cx, base, height, width, lit=True):
    """A striped tower narrowing upwards, a gallery and a lamp room on top."""
    top = base - height
    tower = [(cx - width / 2, base), (cx + width / 2, base), (cx + width / 3, top),
             (cx - width / 3, top)]

    def stripes(x, y):
        band = int((base - y) / (height / 5)) % 2
        return (0.92, 0.90, 0.86) if band == 0 else (0.70, 0.16, 0.14)

    c.shape(polygon(tower), stripes, box=bounds(tower))
    c.shape(box(cx - width / 2.2, top - 3, cx + width / 2.2, top + 1), lambda *_: INK)
    lamp = box(cx - width / 4, top - 3 - width / 2.5, cx + width / 4, top - 3)
    c.shape(lamp, lambda *_: WARM if lit else (0.3, 0.3, 0.35))
    roof = [(cx - width / 3.2, top - 3 - width / 2.5), (cx + width / 3.2, top - 3 - width / 2.5),
            (cx, top - 6 - width / 1.4)]
    c.shape(polygon(roof), lambda *_: INK, box=bounds(roof))
    if lit:
        glow(c, cx, top - 3 - width / 5, width * 1.6, WARM, 0.55)
    return top - 3 - width / 5  # the lamp's height


def figure(c, x, base, scale=1.0):
    """The heroine standing: a dark coat, a red scarf, a pale face."""
    s = scale
    coat = [(x - 6 * s, base), (x + 6 * s, base), (x + 4 * s, base - 24 * s),
            (x - 4 * s, base - 24 * s)]
    c.shape(polygon(coat), lambda *_: (0.12, 0.14, 0.22), box=bounds(coat))
    c.shape(box(x - 5 * s, base - 27 * s, x + 5 * s, base - 23 * s),
            lambda *_: (0.80, 0.18, 0.16))
    c.shape(circle(x, base - 31 * s, 4.5 * s), lambda *_: (0.93, 0.80, 0.68),
            box=(x - 7 * s, base - 38 * s, x + 7 * s, base - 25 * s))
    c.shape(circle(x - 1 * s, base - 33 * s, 4.8 * s), lambda *_: (0.35, 0.20, 0.10), 0.9,
            box=(x - 8 * s, base - 40 * s, x + 6 * s, base - 30 * s))


def panel_harbour():
    c = Canvas(PANEL_W, PANEL_H)
    horizon = 185
    night_sky(c, horizon)
    stars(c, 40, horizon - 20, 1)
    c.shape(circle(300, 95, 16), lambda *_: (0.98, 0.96, 0.85), box=(280, 75, 320, 115))
    glow(c, 300, 95, 50, (0.8, 0.85, 1.0), 0.25)
    sea(c, horizon)
    # The moon's path on the water.
    rnd = random.Random(7)
    for _ in range(26):
        y = rnd.uniform(horizon + 3, PANEL_H - 6)
        half = 3 + (y - horizon) * 0.15
        c.shape(segment(300 - half, y, 300 + half, y, 1.5), lambda *_: (0.9, 0.9, 0.8), 0.6,
                box=(300 - half - 2, y - 3, 300 + half + 2, y + 3))
    waves(c, horizon, PANEL_H, 2)
    # The quay on the left with its lamp post and mooring bollard.
    quay = [(0, 196), (150, 196), (150, 212), (0, 212)]
    c.shape(polygon(quay), lambda *_: (0.36, 0.24, 0.14), box=bounds(quay))
    for x in range(8, 150, 22):
        c.shape(box(x, 212, x + 8, 250), lambda *_: (0.22, 0.14, 0.08))
    c.shape(box(112, 118, 116, 196), lambda *_: INK)
    c.shape(box(106, 110, 122, 124), lambda *_: WARM)
    glow(c, 114, 117, 40, WARM, 0.45)
    c.shape(box(136, 186, 144, 196), lambda *_: INK)
    # A warehouse on the quay.
    house = [(6, 196), (6, 150), (40, 130), (74, 150), (74, 196)]
    c.shape(polygon(house), lambda *_: (0.10, 0.09, 0.13), box=bounds(house))
    c.shape(box(30, 164, 46, 180), lambda *_: WARM)
    caption_strip(c)
    frame(c)
    return c


def panel_bay():
    c = Canvas(PANEL_W, PANEL_H)
    horizon = 170
    night_sky(c, horizon)
    stars(c, 50, horizon - 10, 3)
    sea(c, horizon)
    # The headland with the lighthouse far off on the right.
    land = [(250, horizon + 1), (280, horizon - 14), (340, horizon - 18), (370, horizon - 10),
            (370, horizon + 1)]
    c.shape(polygon(land), lambda *_: (0.04, 0.05, 0.08), box=bounds(land))
    lighthouse(c, 318, horizon - 16, 58, 16)
    waves(c, horizon, PANEL_H, 4, amount=60)
    caption_strip(c)
    frame(c)
    return c


def panel_rocks():
    c = Canvas(PANEL_W, PANEL_H)
    horizon = 150
    fill(c, lambda x, y: mix((0.03, 0.03, 0.07), (0.16, 0.18, 0.28), (y - STRIP) /
                             (horizon - STRIP)), STRIP, horizon)
    stars(c, 14, horizon - 30, 5)
    sea(c, horizon, (0.08, 0.17, 0.30), (0.01, 0.03, 0.08))
    # Big swells rolling in: dark crests with foam on their tops.
    for i, base in enumerate((190, 225, 262)):
        crest = [(0, base + 30)]
        for x in range(0, PANEL_W + 10, 10):
            crest.append((x, base - 14 * math.sin(x / 46 + i * 1.7) ** 2))
        crest.append((PANEL_W, base + 30))
        c.shape(polygon(crest), lambda x, y, i=i: mix((0.06, 0.16, 0.30), (0.02, 0.06, 0.14),
                                                       i / 2), box=bounds(crest))
        for x in range(0, PANEL_W, 3):
            y = base - 14 * math.sin(x / 46 + i * 1.7) ** 2
            c.shape(circle(x, y, 1.6), lambda *_: (0.85, 0.92, 1.0), 0.7,
                    box=(x - 3, y - 3, x + 3, y + 3))
    # The rocks on the right, with spray.
    for pts in ([(250, 230), (270, 170), (300, 150), (330, 175), (350, 230)],
                [(320, 240), (345, 195), (370, 185), (370, 240)]):
        c.shape(polygon(pts), lambda x, y: mix((0.30, 0.30, 0.34), (0.08, 0.08, 0.10),
                                               (y - 150) / 90), box=bounds(pts))
    rnd = random.Random(9)
    for _ in range(60):
        x, y = rnd.gauss(300, 30), rnd.gauss(150, 18)
        c.shape(circle(x, y, rnd.uniform(0.8, 2.2)), lambda *_: (0.9, 0.95, 1.0),
                rnd.uniform(0.3, 0.8), box=(x - 4, y - 4, x + 4, y + 4))
    caption_strip(c)
    frame(c)
    return c


def panel_door():
    c = Canvas(PANEL_W, PANEL_H)
    horizon = 200
    night_sky(c, horizon)
    stars(c, 30, horizon - 40, 11)
    sea(c, horizon)
    waves(c, horizon, PANEL_H, 12, amount=30)
    # The rock the lighthouse stands on, the tower, its lit window and open door.
    rock = [(170, 232), (200, 196), (330, 190), (370, 200), (370, 236)]
    c.shape(polygon(rock), lambda *_: (0.14, 0.13, 0.15), box=bounds(rock))
    lamp_y = lighthouse(c, 280, 200, 100, 64)
    c.shape(box(272, 120, 288, 136), lambda *_: WARM)
    door = rounded_rect(266, 168, 294, 204, 6)
    c.shape(door, lambda *_: (1.0, 0.85, 0.5), box=(260, 160, 300, 206))
    glow(c, 280, 190, 46, WARM, 0.5)
    glow(c, 280, lamp_y, 70, WARM, 0.4)
    # The jetty reaching out to the boat, and the heroine in the doorway.
    c.shape(box(120, 222, 270, 230), lambda *_: (0.36, 0.24, 0.14))
    for x in range(126, 270, 24):
        c.shape(box(x, 230, x + 5, 262), lambda *_: (0.22, 0.14, 0.08))
    figure(c, 280, 204, 0.9)
    caption_strip(c)
    frame(c)
    return c


def boat():
    """The rowing boat seen from the side, the heroine at the oars, her lantern at the bow."""
    c = Canvas(96, 60)
    hull = [(4, 38), (92, 38), (80, 54), (16, 54)]
    c.shape(polygon(hull), lambda x, y: mix((0.55, 0.33, 0.16), (0.30, 0.17, 0.08),
                                            (y - 38) / 16), box=bounds(hull))
    c.shape(segment(4, 38, 92, 38, 2.2), lambda *_: (0.80, 0.62, 0.36))
    c.shape(segment(14, 46, 84, 46, 1), lambda *_: (0.25, 0.14, 0.06))
    figure(c, 46, 40, 0.9)
    c.shape(segment(30, 28, 62, 50, 2), lambda *_: (0.62, 0.46, 0.26))  # the oar
    c.shape(box(82, 24, 84, 38), lambda *_: INK)
    c.shape(rounded_rect(78, 16, 88, 26, 2), lambda *_: WARM)
    return c


def soft_light(size, rgb, strength=1.0):
    c = Canvas(size, size)
    glow(c, size / 2, size / 2, size / 2, rgb, strength)
    return c


def beam():
    """A cone of light from its left end, fading out to the right and to its edges."""
    c = Canvas(240, 48)
    for y in range(48):
        for x in range(240):
            t = x / 240
            half = 3 + 21 * t
            edge = clamp((half - abs(y + 0.5 - 24)) / 6)
            c.paint(x, y, (1.0, 0.93, 0.70), 0.6 * edge * (1 - t) ** 1.2)
    return c


def studio_emblem():
    c = Canvas(180, 180)
    c.shape(circle(90, 90, 86), lambda x, y: mix((0.10, 0.14, 0.26), (0.03, 0.05, 0.12),
                                                 y / 180))
    c.shape(ring(90, 90, 82, 6), lambda *_: BRASS)
    c.shape(ring(90, 90, 72, 2), lambda *_: BRASS_DARK)
    glow(c, 90, 98, 60, WARM, 0.55)
    # The lantern: handle, cap, glass with its flame, base.
    c.shape(ring(90, 40, 12, 4), lambda *_: BRASS, box=(74, 24, 106, 44))
    cap = [(66, 62), (114, 62), (100, 48), (80, 48)]
    c.shape(polygon(cap), lambda *_: BRASS, box=bounds(cap))
    c.shape(rounded_rect(68, 62, 112, 128, 6), lambda *_: BRASS_DARK)
    c.shape(rounded_rect(74, 68, 106, 122, 4), lambda x, y: mix((1.0, 0.95, 0.7), WARM,
                                                                 (y - 68) / 54))
    c.shape(segment(90, 68, 90, 122, 2), lambda *_: BRASS_DARK)
    flame = lambda x, y: math.hypot((x - 90) * 1.7, y - 100) - 12  # noqa: E731
    c.shape(flame, lambda *_: (1.0, 0.65, 0.2), box=(80, 84, 100, 114))
    c.shape(rounded_rect(62, 128, 118, 138, 4), lambda *_: BRASS)
    return c


def engine_emblem():
    c = Canvas(180, 180)
    teeth = 12

    def cog(x, y):
        a = math.atan2(y - 90, x - 90)
        r = math.hypot(x - 90, y - 90)
        tooth = 0.5 + 0.5 * math.cos(a * teeth)
        outer = 74 + 12 * clamp((tooth - 0.35) * 4)
        return r - outer

    c.shape(cog, lambda x, y: mix(STEEL, STEEL_DARK, y / 180))
    c.shape(circle(90, 90, 58), lambda x, y: mix((0.06, 0.10, 0.20), (0.02, 0.04, 0.10),
                                                 y / 180))
    c.shape(ring(90, 90, 58, 3), lambda *_: (0.80, 0.86, 0.92))
    # A beacon over two waves inside the cog.
    glow(c, 90, 62, 40, WARM, 0.6)
    c.shape(circle(90, 62, 8), lambda *_: WARM, box=(80, 52, 100, 72))
    for i, y0 in enumerate((98, 116)):
        pts = [(x, y0 + 6 * math.sin(x / 9 + i)) for x in range(40, 141, 4)]
        for (ax, ay), (bx, by) in zip(pts, pts[1:]):
            c.shape(segment(ax, ay, bx, by, 4), lambda *_: (0.45, 0.70, 0.95),
                    box=(ax - 4, min(ay, by) - 4, bx + 4, max(ay, by) + 4))
    return c


def continue_arrows():
    c = Canvas(36, 28)
    for x0 in (4, 16):
        for seg in (segment(x0, 4, x0 + 12, 14, 4), segment(x0 + 12, 14, x0, 24, 4)):
            c.shape(seg, lambda *_: BRASS)
    return c


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    gfx = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx")
    pictures = {
        "Logos/StudioEmblem.png": studio_emblem(),
        "Logos/EngineEmblem.png": engine_emblem(),
        "Logos/Flare.png": soft_light(64, (1.0, 0.95, 0.85)),
        "Comix/Panel1.png": panel_harbour(),
        "Comix/Panel2.png": panel_bay(),
        "Comix/Panel3.png": panel_rocks(),
        "Comix/Panel4.png": panel_door(),
        "Comix/Boat.png": boat(),
        "Comix/Glow.png": soft_light(48, WARM, 0.9),
        "Comix/Beam.png": beam(),
        "UI/Comix/Continue.png": continue_arrows(),
    }
    for name, canvas in sorted(pictures.items()):
        path = os.path.join(gfx, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = canvas.png()
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (path, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
