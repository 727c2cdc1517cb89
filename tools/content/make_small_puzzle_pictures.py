#!/usr/bin/env python3
"""Draws the pictures of the small puzzle scenes:

  content/gfx/Game/07_Congo/Location_05 (the colour path by the totem)
    Back.png          a jungle clearing with a stone court for the grid
    Cells/Cell01..06  the grid's cells, one colour each (the number ends the name)
    Marbles/01..06    the totem's marbles in the same six colours
    Totem.png         the carved totem that rises out of the well with a row of marbles
    Well.png          the well's front rim, drawn over the totem and its marbles
    ActiveCell.png    the gold frame round a chosen cell
    Arrow.png         the arrow joining two chosen cells (pointing right, turned by the game)
    Puff.png          the puff of dust after a finished row
  content/gfx/Game/01_Alaska/Location_06c (the differences)
    Half.png          the village by the fjord, shown in both halves of the screen
    Window*, Flag*, Flower*, Boat*  each difference in its two versions, one per half
    Cursor.png        the mirrored cursor, a red arrow

Usage: make_small_puzzle_pictures.py [CONTENT_GFX_FOLDER]

The canvas and the shapes are those of make_widget_pictures.py and make_map_pictures.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_map_pictures import circle, polygon  # noqa: E402
from make_widget_pictures import Canvas, clamp, mix, rounded_rect, segment  # noqa: E402

# The six colours of the path, numbered 1 to 6 as the cells' names are.
COLOURS = [(0.86, 0.20, 0.18), (0.96, 0.62, 0.14), (0.95, 0.88, 0.24),
           (0.24, 0.70, 0.30), (0.22, 0.46, 0.90), (0.62, 0.32, 0.80)]
STONE = (0.58, 0.55, 0.48)
STONE_DARK = (0.30, 0.28, 0.24)
WOOD = (0.52, 0.34, 0.18)
WOOD_DARK = (0.30, 0.19, 0.10)
GOLD = (1.0, 0.84, 0.35)
WHITE = (1.0, 1.0, 1.0)
CELL = 56
MARBLE = 28


def save(canvas, folder, name):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(canvas.png())


def flat(rgb):
    return lambda x, y: rgb


def lit(rgb, cx, cy, r):
    """A ball's shading: bright towards the upper left."""
    return lambda x, y: mix(rgb, WHITE, clamp(0.6 - math.hypot(x - cx + r / 3, y - cy + r / 3) / r))


# --- The colour path ----------------------------------------------------------------------------

def congo_back():
    c = Canvas(800, 600)
    c.shape(lambda x, y: -1, lambda x, y: mix((0.10, 0.32, 0.16), (0.20, 0.45, 0.18), y / 600))
    for i in range(14):  # leaves along the top
        cx = 30 + i * 58
        c.shape(circle(cx, 10 + (i % 3) * 12, 46), flat(mix((0.06, 0.24, 0.10), (0.16, 0.40, 0.14),
                                                           (i % 4) / 3)))
    c.shape(rounded_rect(286, 76, 730, 400, 12), flat(STONE_DARK))
    c.shape(rounded_rect(292, 82, 724, 394, 10), flat(STONE))
    return c


def cell(rgb):
    c = Canvas(CELL, CELL)
    c.shape(rounded_rect(1, 1, CELL - 1, CELL - 1, 8), flat(mix(rgb, (0, 0, 0), 0.35)))
    c.shape(rounded_rect(4, 4, CELL - 4, CELL - 4, 6),
            lambda x, y: mix(rgb, WHITE, clamp(0.35 - (x + y) / (4 * CELL))))
    return c


def marble(rgb):
    c = Canvas(MARBLE, MARBLE)
    h = MARBLE / 2
    c.shape(circle(h, h, h - 1.5), lit(rgb, h, h, h))
    return c


def totem():
    c = Canvas(120, 400)
    c.shape(rounded_rect(10, 0, 110, 400, 14), lambda x, y: mix(WOOD, WOOD_DARK, abs(x - 60) / 60))
    for k in range(6):  # the sockets the marbles sit in
        c.shape(circle(60, 100 + k * MARBLE, 12), flat(WOOD_DARK))
    c.shape(circle(40, 40, 9), flat(GOLD))
    c.shape(circle(80, 40, 9), flat(GOLD))
    c.shape(segment(40, 66, 80, 66, 6), flat(WOOD_DARK))
    return c


def well():
    c = Canvas(160, 200)
    c.shape(rounded_rect(0, 0, 160, 200, 16), flat(STONE_DARK))
    c.shape(rounded_rect(6, 6, 154, 194, 12), lambda x, y: mix(STONE, STONE_DARK, y / 260))
    for row in range(4):  # courses of stone
        c.shape(segment(8, 40 + row * 40, 152, 40 + row * 40, 3), flat(STONE_DARK))
    return c


def active_cell():
    c = Canvas(CELL + 4, CELL + 4)
    c.shape(lambda x, y: max(rounded_rect(0, 0, CELL + 4, CELL + 4, 10)(x, y),
                             -rounded_rect(5, 5, CELL - 1, CELL - 1, 6)(x, y)), flat(GOLD))
    return c


def arrow():
    c = Canvas(40, 20)
    c.shape(segment(4, 10, 26, 10, 6), flat(WHITE))
    c.shape(polygon([(24, 2), (38, 10), (24, 18)]), flat(WHITE))
    return c


def puff():
    c = Canvas(160, 160)
    for i in range(9):
        a = math.radians(i * 40)
        c.shape(circle(80 + 44 * math.cos(a), 80 + 44 * math.sin(a), 26),
                flat(mix((0.90, 0.86, 0.74), WHITE, i / 9)), 0.7)
    return c


# --- The differences ----------------------------------------------------------------------------

def village_half():
    c = Canvas(400, 460)
    c.shape(lambda x, y: -1, lambda x, y: mix((0.55, 0.75, 0.95), (0.85, 0.92, 1.0), y / 220))
    c.shape(polygon([(0, 220), (120, 90), (220, 200), (300, 110), (400, 210), (400, 300),
                     (0, 300)]), flat((0.90, 0.94, 0.98)))
    c.shape(lambda x, y: -1 if y > 290 else 1, lambda x, y: mix((0.16, 0.36, 0.60),
                                                                (0.08, 0.20, 0.36), (y - 290) / 170))
    c.shape(rounded_rect(60, 160, 200, 290, 2), flat((0.70, 0.20, 0.16)))
    c.shape(polygon([(50, 162), (130, 100), (210, 162)]), flat((0.28, 0.22, 0.20)))
    c.shape(rounded_rect(116, 230, 144, 290, 2), flat(WOOD_DARK))
    c.shape(segment(300, 290, 300, 150, 5), flat(WOOD_DARK))  # the flagpole
    return c


def window(lit_up):
    c = Canvas(34, 34)
    c.shape(rounded_rect(0, 0, 34, 34, 3), flat(WHITE))
    glass = (1.0, 0.86, 0.40) if lit_up else (0.20, 0.26, 0.36)
    c.shape(rounded_rect(4, 4, 30, 30, 2), flat(glass))
    c.shape(segment(17, 4, 17, 30, 3), flat(WHITE))
    return c


def flag(rgb):
    c = Canvas(60, 38)
    c.shape(polygon([(0, 0), (60, 6), (56, 34), (0, 38)]), flat(rgb))
    c.shape(segment(0, 19, 58, 20, 6), flat(WHITE))
    return c


def flower(rgb):
    c = Canvas(40, 40)
    for i in range(5):
        a = math.radians(i * 72 - 90)
        c.shape(circle(20 + 10 * math.cos(a), 20 + 10 * math.sin(a), 8), flat(rgb))
    c.shape(circle(20, 20, 6), flat(GOLD))
    return c


def boat(with_sail):
    c = Canvas(90, 70)
    c.shape(polygon([(0, 50), (90, 50), (74, 68), (14, 68)]), flat(WOOD))
    c.shape(segment(45, 50, 45, 6, 3), flat(WOOD_DARK))
    if with_sail:
        c.shape(polygon([(48, 8), (84, 44), (48, 44)]), flat(WHITE))
    return c


def pointer():
    """The mirrored cursor: an arrow whose tip, the picture's top-left corner, is the point."""
    c = Canvas(24, 32)
    c.shape(polygon([(0, 0), (0, 26), (7, 20), (12, 31), (17, 29), (12, 18), (21, 18)]),
            flat((0.12, 0.10, 0.10)))
    c.shape(polygon([(2, 4), (2, 21), (7, 16), (12, 27), (14, 26), (9, 16), (16, 16)]),
            flat((0.95, 0.25, 0.22)))
    return c


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "content", "gfx")
    congo = os.path.join(root, "Game", "07_Congo", "Location_05")
    save(congo_back(), congo, "Back.png")
    for n, rgb in enumerate(COLOURS, 1):
        save(cell(rgb), congo, "Cells/Cell%02d.png" % n)
        save(marble(rgb), congo, "Marbles/%02d.png" % n)
    save(totem(), congo, "Totem.png")
    save(well(), congo, "Well.png")
    save(active_cell(), congo, "ActiveCell.png")
    save(arrow(), congo, "Arrow.png")
    save(puff(), congo, "Puff.png")
    alaska = os.path.join(root, "Game", "01_Alaska", "Location_06c")
    save(village_half(), alaska, "Half.png")
    save(window(False), alaska, "WindowDark.png")
    save(window(True), alaska, "WindowLit.png")
    save(flag(COLOURS[0]), alaska, "FlagRed.png")
    save(flag(COLOURS[3]), alaska, "FlagGreen.png")
    save(flower(COLOURS[5]), alaska, "FlowerViolet.png")
    save(flower(COLOURS[4]), alaska, "FlowerBlue.png")
    save(boat(True), alaska, "BoatSail.png")
    save(boat(False), alaska, "BoatBare.png")
    save(pointer(), alaska, "Cursor.png")


if __name__ == "__main__":
    main()
