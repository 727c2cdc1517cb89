#!/usr/bin/env python3
"""Draws the pictures of the stage completion screen (the score sheet, the artefacts of the
stages, the golden lamp head that blinks in the sheet), the museum (its three halls, a
pedestal, the speech bubble) and the museum pieces' shots, and writes them as PNG files.

Usage: make_completion_pictures.py [CONTENT_FOLDER]

Written below CONTENT_FOLDER (default "content"):
  gfx/UI/StageComplete/      Sheet.png, StageLamp.png, StageSeal.png
  gfx/Game/01_Alaska/Location_07b/   HeadGold.png, HeadGoldGlow.png (HeadGold_Blink.ani)
  gfx/UI/Museum/             MainHall.png, EastWing.png, WestWing.png, Pedestal.png, Bubble.png
  gfx/UI/MapScreen/LocShots/ Museum*.png, one per piece (the halls show them too)

The canvas, the shapes and the palette are those of make_widget_pictures.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_info_screen_pictures import IVORY, RUBY, circle, polygon, ring, union  # noqa: E402
from make_widget_pictures import (BRASS, BRASS_DARK, NAVY, SEA, Canvas, ellipse, mix,  # noqa: E402
                                  panel, rounded_rect, segment, vertical)

GOLD = (0.98, 0.80, 0.32)
GOLD_DARK = (0.62, 0.42, 0.10)
GLASS = (1.0, 0.93, 0.62)
PAPER = (0.90, 0.84, 0.68)
STONE = (0.36, 0.38, 0.44)
WOOD = (0.45, 0.28, 0.14)

def lamp_head(c, cx, cy, s):
    """The lighthouse lamp's golden head: a domed cap, a glass lens with bars, a base."""
    c.shape(polygon([(cx - 20 * s, cy - 14 * s), (cx + 20 * s, cy - 14 * s), (cx, cy - 36 * s)]),
            vertical(GOLD, GOLD_DARK, cy - 36 * s, cy - 14 * s))
    c.shape(circle(cx, cy - 38 * s, 4 * s), lambda x, y: GOLD)
    c.shape(rounded_rect(cx - 22 * s, cy - 16 * s, cx + 22 * s, cy - 10 * s, 2 * s),
            lambda x, y: GOLD_DARK)
    c.shape(rounded_rect(cx - 18 * s, cy - 10 * s, cx + 18 * s, cy + 16 * s, 4 * s),
            lambda x, y: mix(GLASS, GOLD, abs(x - cx) / (18 * s)))
    for k in (-1, 0, 1):
        c.shape(segment(cx + k * 9 * s, cy - 10 * s, cx + k * 9 * s, cy + 16 * s, 2 * s),
                lambda x, y: GOLD_DARK)
    c.shape(rounded_rect(cx - 24 * s, cy + 16 * s, cx + 24 * s, cy + 24 * s, 3 * s),
            vertical(GOLD, GOLD_DARK, cy + 16 * s, cy + 24 * s))
    c.shape(rounded_rect(cx - 14 * s, cy + 24 * s, cx + 14 * s, cy + 34 * s, 2 * s),
            lambda x, y: GOLD_DARK)


def head_gold():
    c = Canvas(64, 80)
    lamp_head(c, 32, 42, 0.85)
    return c


def head_gold_glow():
    # Laid over the lens while the head blinks: a warm halo, brightest in the middle.
    c = Canvas(64, 80)
    for y in range(80):
        for x in range(64):
            d = math.hypot(x + 0.5 - 32, (y + 0.5 - 40) * 1.2)
            c.paint(x, y, (1.0, 0.95, 0.7), max(0.0, 1 - d / 30) ** 1.6)
    return c


def stage_lamp():
    # The first stage's artefact, large: the lamp head on a cushion of light.
    c = Canvas(240, 240)
    for y in range(240):
        for x in range(240):
            d = math.hypot(x + 0.5 - 120, y + 0.5 - 120)
            c.paint(x, y, (1.0, 0.86, 0.45), max(0.0, 1 - d / 118) ** 2 * 0.6)
    lamp_head(c, 120, 124, 2.4)
    return c


def stage_seal():
    # The later stages' artefact: a brass seal with a star, until each has its own.
    c = Canvas(200, 200)
    c.shape(circle(100, 100, 90), vertical(BRASS, BRASS_DARK, 10, 190))
    c.shape(ring(100, 100, 80, 4), lambda x, y: GOLD_DARK)
    star = [(100 + (60 if k % 2 == 0 else 24) * math.sin(k * math.pi / 5),
             100 - (60 if k % 2 == 0 else 24) * math.cos(k * math.pi / 5)) for k in range(10)]
    c.shape(polygon(star), lambda x, y: mix(GOLD, IVORY, (100 - y) / 120))
    return c


def hall(wall_top, wall_bottom, floor, arches):
    # Stretched over the screen: a wall with arches, a floor in perspective bands.
    c = Canvas(200, 150)
    c.shape(rounded_rect(-10, -10, 210, 112, 0), vertical(wall_top, wall_bottom, 0, 110))
    for ax in arches:
        c.shape(union(rounded_rect(ax - 16, 40, ax + 16, 108, 0), circle(ax, 40, 16)),
                lambda x, y: mix(wall_bottom, (0, 0, 0), 0.45))
        c.shape(segment(ax - 17, 108, ax - 17, 36, 2.5), lambda x, y: BRASS_DARK)
        c.shape(segment(ax + 17, 108, ax + 17, 36, 2.5), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(-10, 108, 210, 160, 0),
            lambda x, y: mix(floor, (0, 0, 0), 0.25 * (int((y - 108) / 6) % 2)))
    c.shape(segment(-10, 108.5, 210, 108.5, 2), lambda x, y: BRASS)
    return c


def pedestal():
    c = Canvas(120, 90)
    c.shape(rounded_rect(8, 0, 112, 14, 3), vertical(IVORY, STONE, 0, 14))
    c.shape(rounded_rect(18, 12, 102, 78, 2), lambda x, y: mix(STONE, IVORY, 0.3 - abs(x - 60) / 200))
    c.shape(rounded_rect(4, 76, 116, 90, 3), vertical(STONE, (0.2, 0.2, 0.24), 76, 90))
    return c


def bubble():
    # The speech bubble behind the piece's text and shot; its tail points down to the guide.
    c = Canvas(340, 150)
    shape = union(rounded_rect(2, 2, 338, 128, 18), polygon([(40, 124), (78, 124), (30, 148)]))
    c.shape(shape, lambda x, y: BRASS_DARK)
    inner = union(rounded_rect(5, 5, 335, 125, 15), polygon([(44, 121), (74, 121), (34, 143)]))
    c.shape(inner, vertical(IVORY, PAPER, 5, 145))
    return c


def piece_canvas():
    c = Canvas(96, 96)
    c.shape(circle(48, 48, 46), lambda x, y: mix(SEA, NAVY, math.hypot(x - 48, y - 48) / 46), 0.9)
    return c


def pearl():
    c = piece_canvas()
    c.shape(ellipse(48, 60, 30, 14), lambda x, y: mix(PAPER, (0.7, 0.6, 0.5), (y - 46) / 28))
    c.shape(circle(48, 50, 17), lambda x, y: mix((1, 1, 1), (0.78, 0.80, 0.88),
                                                 math.hypot(x - 42, y - 44) / 24))
    return c


def compass():
    c = piece_canvas()
    c.shape(circle(48, 48, 32), lambda x, y: BRASS)
    c.shape(circle(48, 48, 27), lambda x, y: IVORY)
    c.shape(polygon([(48, 24), (54, 48), (48, 72), (42, 48)]), lambda x, y: RUBY if y < 48 else NAVY)
    c.shape(circle(48, 48, 3), lambda x, y: BRASS_DARK)
    return c


def sea_map():
    c = piece_canvas()
    c.shape(polygon([(18, 26), (78, 20), (80, 72), (16, 78)]), vertical(PAPER, (0.8, 0.7, 0.5), 20, 78))
    c.shape(polygon([(30, 40), (50, 34), (56, 52), (38, 60)]), lambda x, y: (0.55, 0.62, 0.40))
    for a, b in (((60, 62), (66, 56)), ((66, 62), (60, 56))):
        c.shape(segment(a[0], a[1], b[0], b[1], 2.5), lambda x, y: RUBY)
    return c


def lantern():
    c = piece_canvas()
    c.shape(ring(48, 20, 7, 3), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(32, 26, 64, 32, 2), lambda x, y: BRASS)
    c.shape(rounded_rect(34, 32, 62, 70, 4), lambda x, y: mix(GLASS, GOLD, abs(x - 48) / 14))
    c.shape(circle(48, 52, 6), lambda x, y: (1, 0.7, 0.3))
    c.shape(rounded_rect(30, 70, 66, 78, 2), lambda x, y: BRASS)
    return c


def logbook():
    c = piece_canvas()
    c.shape(rounded_rect(24, 22, 74, 76, 4), vertical(WOOD, (0.3, 0.17, 0.08), 22, 76))
    c.shape(rounded_rect(28, 22, 72, 72, 2), lambda x, y: PAPER)
    c.shape(rounded_rect(24, 22, 32, 76, 3), lambda x, y: (0.35, 0.12, 0.10))
    for y0 in (34, 42, 50, 58):
        c.shape(segment(38, y0, 66, y0, 1.6), lambda x, y: (0.4, 0.35, 0.3))
    return c


def spyglass():
    c = piece_canvas()
    c.shape(segment(22, 66, 52, 42, 10), lambda x, y: BRASS_DARK)
    c.shape(segment(48, 45, 74, 26, 13), lambda x, y: mix(BRASS, GOLD, (x - 48) / 30))
    c.shape(ellipse(75, 25, 7, 7), lambda x, y: (0.55, 0.75, 0.9))
    c.shape(segment(33, 58, 37, 55, 11.5), lambda x, y: GOLD_DARK)
    return c


PIECES = {"Pearl": pearl, "Compass": compass, "Map": sea_map, "Lantern": lantern,
          "Logbook": logbook, "Spyglass": spyglass}


def pictures():
    deep = (0.05, 0.08, 0.16)
    yield "gfx/UI/StageComplete/Sheet.png", panel(420, 440)
    yield "gfx/UI/StageComplete/StageLamp.png", stage_lamp()
    yield "gfx/UI/StageComplete/StageSeal.png", stage_seal()
    yield "gfx/Game/01_Alaska/Location_07b/HeadGold.png", head_gold()
    yield "gfx/Game/01_Alaska/Location_07b/HeadGoldGlow.png", head_gold_glow()
    yield "gfx/UI/Museum/MainHall.png", hall((0.30, 0.24, 0.20), (0.18, 0.13, 0.10), WOOD, (100,))
    yield "gfx/UI/Museum/EastWing.png", hall(SEA, NAVY, (0.25, 0.30, 0.36), (55, 145))
    yield "gfx/UI/Museum/WestWing.png", hall((0.24, 0.30, 0.24), deep, STONE, (40, 100, 160))
    yield "gfx/UI/Museum/Pedestal.png", pedestal()
    yield "gfx/UI/Museum/Bubble.png", bubble()
    for name, draw in PIECES.items():
        yield "gfx/UI/MapScreen/LocShots/Museum%s.png" % name, draw()


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    root = sys.argv[1] if len(sys.argv) == 2 else "content"
    for path, canvas in pictures():
        full = os.path.join(root, *path.split("/"))
        os.makedirs(os.path.dirname(full), exist_ok=True)
        data = canvas.png()
        with open(full, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (full, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
