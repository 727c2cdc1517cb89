#!/usr/bin/env python3
"""Draws the pictures of the speech bubble and writes them as PNG files into
content/gfx/UI/SpeechBubbleDialog:

  Middle.png       the text area's tile (navy)
  Side.png         the edge tile, brass on its outer column, laid along each side
  Corner.png       the rounded top-left corner, turned for the other three
  SideRoot.png     the tail of the straight orientations, base at the top, tip at the bottom
  CornerRoot.png   the tail of the diagonal ones, leaning to the right
  MouseBlinkOn.png, MouseBlinkOff.png
                   the mouse with its left button lit and dark ("MouseBlink.ani" alternates
                   them: click to go on)
  CloseUp.png, CloseOver.png, CloseDown.png
                   the close button's cross in its three looks

The tiles are 16 x 16 pixels, a power of two, so that each gets a texture of its own and the
bubble's texture coordinates above 1 repeat it. The bubble is drawn with point filtering one
texel to a pixel, so the outline is exactly the outermost pixel of the edges and corners; a tail
starts on that pixel row and, drawn over it, opens the outline where it joins the frame.

Usage: make_speech_bubble_pictures.py [OUTPUT_FOLDER]

Only the standard library is needed; the drawing helpers are those of make_widget_pictures.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_widget_pictures import (BRASS, BRASS_DARK, GREY, Canvas, clamp, mix,  # noqa: E402
                                  rounded_rect, segment)

FILL = (0.06, 0.11, 0.22)
TILE = 16


def middle():
    c = Canvas(TILE, TILE)
    for y in range(TILE):
        for x in range(TILE):
            c.paint(x, y, FILL, 1)
    return c


def side():
    # Across the edge: the outline on the outer column, the fill inward; the same along it.
    c = Canvas(TILE, TILE)
    for y in range(TILE):
        c.paint(0, y, BRASS, 1)
        for x in range(1, TILE):
            c.paint(x, y, FILL, 1)
    return c


def corner():
    # A quarter circle about the inner corner (16, 16): the outline is the ring between radius
    # 15 and 16, so that it meets the edges' outer column where the corner joins them.
    c = Canvas(TILE, TILE)
    for y in range(TILE):
        for x in range(TILE):
            d = math.hypot(TILE - (x + 0.5), TILE - (y + 0.5))
            cover = clamp(TILE - d)
            if cover <= 0:
                continue
            c.paint(x, y, mix(FILL, BRASS, clamp(d - (TILE - 1.5))), cover)
    return c


def tail(width, height, base_left, base_right, tip_x):
    """A tail whose base runs along the top row and whose tip touches the bottom row; the
    outline follows the two sloping sides only, so the base stays open."""
    tip = (tip_x, height)
    edges = [((base_left, 0.0), tip), (tip, (base_right, 0.0))]

    def side_distance(x, y):
        # Signed distance to the two sloping sides, negative on the tail's side of both.
        worst = -float("inf")
        for (ax, ay), (bx, by) in edges:
            nx, ny = ay - by, bx - ax
            n = math.hypot(nx, ny)
            worst = max(worst, ((x - ax) * nx + (y - ay) * ny) / n)
        return worst

    c = Canvas(width, height)
    for y in range(height):
        for x in range(width):
            d = side_distance(x + 0.5, y + 0.5)
            cover = clamp(0.5 - d)
            if cover > 0:
                c.paint(x, y, mix(FILL, BRASS, clamp(d + 1.5)), cover)
    return c


def side_root():
    return tail(32, 16, 6.0, 26.0, 15.5)


def corner_root():
    return tail(32, 16, 2.0, 18.0, 31.5)


def mouse(lit):
    c = Canvas(16, 20)
    body = rounded_rect(2, 1, 14, 19, 6)
    c.shape(body, lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(3, 2, 13, 18, 5), lambda x, y: (0.85, 0.86, 0.9))
    # The left button, lit or dark, and the line between the buttons.
    button = lambda x, y: max(rounded_rect(3, 2, 13, 18, 5)(x, y), x - 8, y - 9)  # noqa: E731
    c.shape(button, lambda x, y: (1.0, 0.82, 0.32) if lit else GREY)
    c.shape(segment(8, 2, 8, 9, 1), lambda x, y: BRASS_DARK)
    c.shape(segment(3, 9, 13, 9, 1), lambda x, y: BRASS_DARK)
    return c


LOOKS = {"Up": (BRASS, 0.0), "Over": ((1.0, 0.85, 0.52), 0.0), "Down": (BRASS_DARK, 1.0)}


def close_button(look):
    rgb, pressed = LOOKS[look]
    c = Canvas(14, 14)
    c.shape(rounded_rect(0, pressed, 14, 14, 7), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(1, 1 + pressed, 13, 13, 6), lambda x, y: FILL)
    for seg in (segment(4.5, 4.5 + pressed, 9.5, 9.5 + pressed, 1.6),
                segment(9.5, 4.5 + pressed, 4.5, 9.5 + pressed, 1.6)):
        c.shape(seg, lambda x, y: rgb)
    return c


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join(
        "content", "gfx", "UI", "SpeechBubbleDialog")
    os.makedirs(folder, exist_ok=True)
    pictures = {"Middle.png": middle(), "Side.png": side(), "Corner.png": corner(),
                "SideRoot.png": side_root(), "CornerRoot.png": corner_root(),
                "MouseBlinkOn.png": mouse(True), "MouseBlinkOff.png": mouse(False)}
    for look in LOOKS:
        pictures["Close%s.png" % look] = close_button(look)
    for name, canvas in sorted(pictures.items()):
        data = canvas.png()
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (os.path.join(folder, name), len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
