#!/usr/bin/env python3
"""Draws the pictures of the sunken freighter (the diver-path puzzle) into
content/gfx/Game/05_Morocco/Location_06_puzzle:

  Back.png            open water over the freighter's rusty hull; the flooded gangways through
                      the hull are the passages the air lines may follow, with a round hatch at
                      every junction
  Diver0..Diver3.png  the four divers, each with a mask and tank band of its line's colour
  TankRed.png, TankGreen.png, TankYellow.png, TankPurple.png
                      the air tanks the lines must reach
  Dolphin.png         the dolphin that watches from the open water
  Dot.png             the white dot the lines are drawn with (tinted by the line's colour)

Usage: make_divers_pictures.py [OUTPUT_FOLDER]

The canvas and the shapes are those of make_widget_pictures.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_widget_pictures import (Canvas, circle, clamp, ellipse, mix, polygon,  # noqa: E402
                                  rounded_rect, segment, union)

# The passages as the puzzle straightens them (junctions shared, nearly straight runs made
# straight), so the gangways lie exactly where the lines run.
PASSAGES = [
    ((112, 336), (136, 336)), ((136, 336), (136, 264)), ((136, 264), (72, 264)),
    ((72, 264), (72, 208)), ((72, 208), (128, 208)), ((72, 208), (72, 152)),
    ((72, 152), (168, 152)), ((168, 152), (224, 152)), ((224, 152), (224, 208)),
    ((224, 208), (224, 264)), ((224, 264), (136, 264)), ((136, 336), (216, 336)),
    ((216, 336), (216, 392)), ((216, 392), (296, 392)), ((296, 392), (296, 336)),
    ((296, 336), (216, 336)), ((168, 152), (168, 120)), ((168, 120), (240, 120)),
    ((240, 120), (240, 56)), ((240, 120), (296, 120)), ((296, 120), (296, 208)),
    ((296, 208), (376, 208)), ((376, 208), (376, 160)), ((376, 160), (344, 160)),
    ((296, 120), (376, 120)), ((376, 120), (376, 160)), ((376, 120), (376, 56)),
    ((376, 56), (240, 56)), ((376, 56), (504, 56)), ((504, 56), (504, 24)),
    ((504, 24), (728, 24)), ((728, 24), (752, 152)), ((752, 152), (672, 152)),
    ((672, 152), (672, 120)), ((672, 120), (616, 120)), ((616, 120), (616, 64)),
    ((616, 64), (592, 64)), ((616, 120), (504, 120)), ((504, 120), (504, 56)),
    ((504, 120), (376, 120)), ((504, 120), (504, 152)), ((504, 152), (560, 152)),
    ((560, 152), (672, 152)), ((560, 152), (560, 184)), ((560, 184), (504, 184)),
    ((504, 184), (504, 152)), ((376, 208), (504, 208)), ((504, 208), (504, 184)),
    ((504, 208), (560, 208)), ((560, 208), (560, 184)), ((560, 208), (592, 208)),
    ((592, 208), (672, 208)), ((592, 208), (592, 264)), ((592, 264), (432, 264)),
    ((432, 264), (376, 264)), ((376, 264), (376, 208)), ((296, 208), (296, 264)),
    ((296, 264), (376, 264)), ((296, 264), (296, 296)), ((296, 296), (376, 296)),
    ((376, 296), (376, 264)), ((296, 296), (296, 336)), ((376, 296), (376, 336)),
    ((376, 336), (296, 336)), ((376, 336), (432, 336)), ((432, 336), (432, 392)),
    ((432, 392), (376, 392)), ((376, 392), (376, 336)), ((376, 392), (376, 448)),
    ((376, 448), (512, 448)), ((512, 448), (504, 392)), ((504, 392), (432, 392)),
    ((432, 336), (504, 336)), ((504, 336), (504, 392)), ((504, 336), (504, 304)),
    ((504, 304), (488, 304)), ((488, 304), (432, 304)), ((432, 304), (432, 264)),
    ((504, 336), (608, 352)), ((608, 352), (608, 320)), ((608, 320), (592, 264)),
    ((608, 352), (608, 376)), ((608, 376), (688, 376)), ((608, 376), (608, 448)),
    ((608, 448), (512, 448)), ((688, 376), (688, 320)), ((688, 320), (608, 320)),
    ((688, 320), (752, 320)), ((752, 320), (752, 152)),
]

# The line colours of the divers, in diver order, and the tanks named after them.
COLOURS = [(1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (1.0, 1.0, 0.0), (1.0, 0.0, 1.0)]
TANKS = {"TankRed": COLOURS[0], "TankGreen": COLOURS[1], "TankYellow": COLOURS[2],
         "TankPurple": COLOURS[3]}

WATER_TOP = (0.10, 0.42, 0.58)
WATER_DEEP = (0.02, 0.09, 0.20)
RUST = (0.42, 0.24, 0.14)
RUST_DARK = (0.20, 0.11, 0.07)
GANGWAY = (0.16, 0.46, 0.58)
SUIT = (0.08, 0.09, 0.11)
WHITE = (1.0, 1.0, 1.0)
GREY = (0.55, 0.62, 0.68)

GANGWAY_WIDTH = 15
HATCH_R = 9


def segment_box(a, b, pad):
    return (min(a[0], b[0]) - pad, min(a[1], b[1]) - pad,
            max(a[0], b[0]) + pad, max(a[1], b[1]) + pad)


def hull_shade(x, y):
    """Rusty plates with seams every 48 pixels and a faint mottle."""
    seam = 1.0 if (int(x) % 48 < 2 or int(y) % 40 < 2) else 0.0
    mottle = 0.5 + 0.5 * math.sin(x * 0.071 + math.sin(y * 0.05) * 2) * math.sin(y * 0.093)
    c = mix(RUST_DARK, RUST, 0.45 + 0.4 * mottle)
    return mix(c, RUST_DARK, 0.6 * seam)


def background():
    c = Canvas(800, 600)
    c.shape(lambda x, y: -1, lambda x, y: mix(WATER_TOP, WATER_DEEP, y / 600))
    # Shafts of light falling from the surface.
    for x0 in (90, 330, 560, 720):
        c.shape(polygon([(x0, 0), (x0 + 40, 0), (x0 - 60, 600), (x0 - 140, 600)]),
                lambda x, y: WHITE, 0.05)
    # The freighter's hull, lying across the scene, its bow to the right.
    hull = polygon([(40, 10), (735, 6), (790, 150), (778, 340), (720, 470), (330, 478),
                    (40, 470), (28, 240)])
    c.shape(hull, hull_shade)
    c.shape(lambda x, y: abs(hull(x, y)) - 2, lambda x, y: RUST_DARK, 0.9)
    # Rivets along the hull's edge.
    for k in range(60):
        t = k / 60
        x, y = 40 + t * 690, 18 + 2 * math.sin(t * 40)
        c.shape(circle(x, y, 2), lambda x, y: RUST, 0.8, box=(x - 3, y - 3, x + 3, y + 3))
    # The flooded gangways: a dark rim, then the lit water in them.
    for a, b in PASSAGES:
        if a != b:
            c.shape(segment(*a, *b, GANGWAY_WIDTH + 6), lambda x, y: RUST_DARK,
                    box=segment_box(a, b, GANGWAY_WIDTH))
    for a, b in PASSAGES:
        if a != b:
            c.shape(segment(*a, *b, GANGWAY_WIDTH),
                    lambda x, y: mix(GANGWAY, WATER_DEEP, y / 900),
                    box=segment_box(a, b, GANGWAY_WIDTH))
    # A round hatch at every junction, where a line may turn.
    junctions = sorted({p for edge in PASSAGES for p in edge})
    for x0, y0 in junctions:
        box = (x0 - HATCH_R - 2, y0 - HATCH_R - 2, x0 + HATCH_R + 2, y0 + HATCH_R + 2)
        c.shape(circle(x0, y0, HATCH_R), lambda x, y: mix(GANGWAY, WATER_TOP, 0.4), box=box)
        c.shape(lambda x, y, x0=x0, y0=y0: abs(math.hypot(x - x0, y - y0) - HATCH_R) - 1,
                lambda x, y: GREY, 0.6, box=box)
    # Weed and stones on the sea floor below the wreck.
    c.shape(lambda x, y: 540 + 10 * math.sin(x * 0.02) - y,
            lambda x, y: mix((0.35, 0.31, 0.20), (0.12, 0.11, 0.08), (y - 520) / 80),
            box=(0, 500, 800, 600))
    for k in range(14):
        x0 = 20 + k * 57
        c.shape(segment(x0, 560, x0 + 12 * math.sin(k), 480 + (k % 3) * 12, 5),
                lambda x, y: (0.16, 0.42, 0.20), 0.8, box=(x0 - 20, 470, x0 + 20, 565))
    return c


def diver(rgb):
    size = 34
    c = Canvas(size, size)
    # Swimming to the upper right: fins, legs, body, tank band, head and mask.
    c.shape(polygon([(2, 30), (9, 24), (12, 28), (6, 33)]), lambda x, y: mix(rgb, SUIT, 0.5))
    c.shape(segment(9, 26, 18, 17, 7), lambda x, y: SUIT)
    c.shape(segment(14, 21, 24, 11, 10), lambda x, y: SUIT)
    c.shape(segment(12, 17, 20, 9, 5), lambda x, y: rgb)
    c.shape(circle(26, 8, 5.5), lambda x, y: SUIT)
    c.shape(ellipse(28, 7, 3.2, 2.4), lambda x, y: mix(rgb, WHITE, 0.35))
    c.shape(circle(27, 6, 1), lambda x, y: WHITE, 0.8)
    return c


def tank(rgb):
    w, h = 20, 34
    c = Canvas(w, h)
    c.shape(rounded_rect(7, 0, 13, 6, 1.5), lambda x, y: GREY)
    c.shape(rounded_rect(2, 5, 18, 34, 6),
            lambda x, y: mix(mix(rgb, WHITE, 0.25), mix(rgb, SUIT, 0.55), x / w))
    c.shape(rounded_rect(5, 9, 8, 30, 1.5), lambda x, y: WHITE, 0.45)
    c.shape(rounded_rect(2, 14, 18, 17, 0.5), lambda x, y: SUIT, 0.6)
    return c


def dolphin():
    w, h = 90, 44
    c = Canvas(w, h)
    body = union(ellipse(44, 24, 34, 11), segment(66, 26, 84, 24, 5),
                 polygon([(38, 14), (46, 2), (52, 15)]),
                 polygon([(2, 18), (12, 24), (2, 34), (8, 24)]))
    c.shape(body, lambda x, y: mix(GREY, (0.85, 0.88, 0.90), clamp((y - 18) / 14)))
    c.shape(polygon([(40, 30), (48, 42), (52, 31)]), lambda x, y: mix(GREY, SUIT, 0.3))
    c.shape(circle(70, 21, 1.6), lambda x, y: SUIT)
    return c


def dot():
    c = Canvas(6, 6)
    c.shape(circle(3, 3, 2.4), lambda x, y: WHITE)
    return c


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join(
        "content", "gfx", "Game", "05_Morocco", "Location_06_puzzle")
    pictures = {"Back.png": background(), "Dolphin.png": dolphin(), "Dot.png": dot()}
    for i, rgb in enumerate(COLOURS):
        pictures["Diver%d.png" % i] = diver(rgb)
    for name, rgb in TANKS.items():
        pictures[name + ".png"] = tank(rgb)
    os.makedirs(folder, exist_ok=True)
    for name, canvas in sorted(pictures.items()):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(canvas.png())
    print("%d pictures in %s" % (len(pictures), folder))
    return 0


if __name__ == "__main__":
    sys.exit(main())
