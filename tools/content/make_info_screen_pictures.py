#!/usr/bin/env python3
"""Draws the pictures of the credits, help and high-score screens (the wide panel, the table's
row stripe, the divider, the credits' compass rose and the help's icons for tools, talking and
the mini-games) and writes them as PNG files into content/gfx/UI/InfoScreens.

Usage: make_info_screen_pictures.py [OUTPUT_FOLDER]

The screens also use the start window's pictures (background, buttons) and a few of the play
screen's (the magnifier cursor, the hint button, the time and Zephrin icons); the canvas, the
shapes and the palette are those of make_widget_pictures.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_widget_pictures import (BRASS, BRASS_DARK, NAVY, SEA, Canvas, circle, clamp,  # noqa: E402
                                  mix, panel, polygon, ring, rounded_rect, segment, union,
                                  vertical)

IVORY = (0.96, 0.92, 0.80)
RUBY = (0.80, 0.20, 0.22)
EMERALD = (0.22, 0.66, 0.40)
AMBER = (0.95, 0.68, 0.20)

def row_stripe():
    # Behind every other row of the table: a faint brass band with soft ends.
    c = Canvas(640, 32)
    c.shape(rounded_rect(0, 1, 640, 31, 8),
            lambda x, y: mix(BRASS_DARK, SEA, abs(x - 320) / 320), 0.30)
    return c


def divider():
    # A brass line that fades out towards both ends.
    c = Canvas(600, 4)
    for x in range(600):
        fade = clamp(1 - abs(x + 0.5 - 300) / 300) ** 0.6
        for y in range(4):
            c.paint(x, y, mix(BRASS, BRASS_DARK, abs(y - 1.5) / 2), fade * (0.9 if y in (1, 2) else 0.35))
    return c


def compass_rose():
    # The credits' emblem: an eight-pointed rose in a brass ring, north in ivory.
    size = 96
    c = Canvas(size, size)
    m = size / 2
    c.shape(circle(m, m, 44), lambda x, y: NAVY, 0.9)
    c.shape(ring(m, m, 42, 3), lambda x, y: BRASS)
    c.shape(ring(m, m, 35, 1.2), lambda x, y: BRASS_DARK)
    for k in range(8):
        a = k * math.pi / 4
        long_point = k % 2 == 0
        r = 38 if long_point else 24
        w = 7 if long_point else 5
        tip = (m + r * math.sin(a), m - r * math.cos(a))
        left = (m + w * math.sin(a - math.pi / 2), m - w * math.cos(a - math.pi / 2))
        right = (m + w * math.sin(a + math.pi / 2), m - w * math.cos(a + math.pi / 2))
        light = IVORY if k == 0 else (BRASS if long_point else BRASS_DARK)
        # Each point in two halves, one lit and one in shade, so the rose looks raised.
        c.shape(polygon([(m, m), left, tip]), lambda x, y, s=light: s)
        c.shape(polygon([(m, m), tip, right]), lambda x, y, s=light: mix(s, NAVY, 0.45))
    c.shape(circle(m, m, 4), lambda x, y: BRASS)
    return c


def tool_icon():
    # Tools and hot spots: an old key across a brass ring.
    c = Canvas(40, 40)
    c.shape(circle(20, 20, 19), lambda x, y: NAVY, 0.85)
    c.shape(ring(20, 20, 17.5, 2), lambda x, y: BRASS_DARK)
    key = union(ring(13, 13, 5, 3), segment(16.5, 16.5, 30, 30, 3.2), segment(26, 26, 22, 30, 3),
                segment(29, 29, 25, 33, 3))
    c.shape(key, lambda x, y: mix(BRASS, BRASS_DARK, (x + y) / 70))
    return c


def talk_icon():
    # Talking: a speech bubble with three dots.
    c = Canvas(40, 40)
    bubble = union(rounded_rect(3, 5, 37, 29, 9), polygon([(10, 26), (19, 26), (8, 36)]))
    c.shape(bubble, lambda x, y: BRASS_DARK)
    inner = union(rounded_rect(5, 7, 35, 27, 7), polygon([(12, 25), (17, 25), (10.5, 32)]))
    c.shape(inner, vertical(IVORY, (0.82, 0.76, 0.62), 7, 32))
    for cx in (13, 20, 27):
        c.shape(circle(cx, 17, 2.4), lambda x, y: NAVY)
    return c


def gem(c, cx, cy, colour, r=6.0):
    # A cut stone: a darker rim around a face lit from above.
    def cut(scale):
        return [(cx + x * r * scale, cy + y * r * scale)
                for x, y in ((0, -1), (0.9, -0.3), (0.55, 0.9), (-0.55, 0.9), (-0.9, -0.3))]

    c.shape(polygon(cut(1.0)), lambda x, y: mix(colour, (0, 0, 0), 0.35))
    c.shape(polygon(cut(0.72)), lambda x, y: mix((1, 1, 1), colour, 0.3 + (y - cy + r) / (2 * r)))


def games_icon():
    # The mini-games: three gems in a row on a small board.
    c = Canvas(40, 40)
    c.shape(rounded_rect(1, 9, 39, 31, 6), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(3, 11, 37, 29, 4), lambda x, y: (0.03, 0.05, 0.11))
    for cx, colour in ((9, RUBY), (20, EMERALD), (31, AMBER)):
        gem(c, cx, 20, colour)
    return c


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx", "UI",
                                                                   "InfoScreens")
    os.makedirs(folder, exist_ok=True)
    pictures = {"WidePanel.png": panel(680, 430), "ScoreRow.png": row_stripe(),
                "Divider.png": divider(), "CompassRose.png": compass_rose(),
                "Tools.png": tool_icon(), "Talk.png": talk_icon(), "MiniGames.png": games_icon()}
    for name, canvas in sorted(pictures.items()):
        data = canvas.png()
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (os.path.join(folder, name), len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
