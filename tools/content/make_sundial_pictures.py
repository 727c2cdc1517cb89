#!/usr/bin/env python3
"""Draws the pictures of the old sundial (the ring-and-ball puzzle) into
content/gfx/Game/01_Alaska/Location_07:

  Back.png          the slate court with the dial's stone bed and six chutes along the upper
                    arc, one for each ball, ending in a plinth
  Ring1..Ring5.png  the five stone rings, innermost first, each an annulus with its grooves cut
                    at the offsets the puzzle's table gives (so a ball in a groove sits in its
                    hollow); a picture's middle is the ring's centre
  Ball1..Ball6.png  six glass balls, each of its own colour
  Place1..Place6.png the six sockets at the dial's heart, each ringed in its ball's colour
  SealPlate.png     the reward: a bronze seal plate with a star
  Glow.png          the soft light the landing and finishing animations spread

Usage: make_sundial_pictures.py [OUTPUT_FOLDER]

The canvas and the shapes are those of make_widget_pictures.py and make_map_pictures.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_map_pictures import circle, polygon, ring  # noqa: E402
from make_widget_pictures import Canvas, clamp, mix  # noqa: E402

# The grooves' centres from each ring picture's top-left corner, innermost ring first.
GROOVES = [
    [(26, 52), (164, 50), (182, 99), (160, 154), (30, 155), (10, 100)],
    [(32, 60), (118, 15), (206, 60), (220, 148), (164, 215), (74, 216), (19, 154)],
    [(22, 98), (109, 17), (268, 144), (223, 238), (119, 267)],
    [(90, 32), (309, 145), (150, 310)],
    [(72, 55), (344, 126), (210, 351)],
]
# Picture sizes whose middles are the centres the grooves lie around.
RING_SIZES = [(192, 200), (238, 240), (282, 282), (324, 324), (368, 366)]
BAND = 21          # width of a ring's stone band
GROOVE_R = 9.5     # a groove's hollow
BALL = 18          # a ball's picture
CENTER = (400, 250)
# The columns' directions (degrees, counter-clockwise, 0 to the right) and their distance.
COLUMN_ANGLES = [160 - 32 * i for i in range(6)]
COLUMN_R = 212
# The targets' angle windows and their sockets' distance from the centre.
TARGET_WINDOWS = [(17, 40), (142, 157), (310, 332), (207, 227), (346, 360), (177, 192)]
TARGET_R = 54
PLACE = 26

BALL_COLOURS = [(0.86, 0.18, 0.16), (0.95, 0.56, 0.12), (0.95, 0.86, 0.20),
                (0.22, 0.72, 0.30), (0.20, 0.45, 0.90), (0.62, 0.30, 0.82)]
STONE = (0.62, 0.60, 0.56)
STONE_LIGHT = (0.78, 0.76, 0.70)
STONE_DARK = (0.26, 0.25, 0.24)
SLATE = (0.16, 0.19, 0.23)
BRONZE = (0.72, 0.50, 0.24)
WHITE = (1.0, 1.0, 1.0)


def radius_of(points, cx, cy):
    return sum(math.hypot(x - cx, y - cy) for x, y in points) / len(points)


def polar(angle, r):
    a = math.radians(angle)
    return CENTER[0] + r * math.cos(a), CENTER[1] - r * math.sin(a)


def column_left_top(i):
    x, y = polar(COLUMN_ANGLES[i], COLUMN_R)
    return round(x - BALL / 2), round(y - BALL / 2)


def target_left_top(i):
    lo, hi = TARGET_WINDOWS[i]
    x, y = polar((lo + hi) / 2, TARGET_R)
    return round(x - PLACE / 2), round(y - PLACE / 2)


def stone_shade(cx, cy, light, tone=0.0):
    """Stone lit from the upper left, with a faint grain; a tone below 0 darkens it."""
    def shade(x, y):
        t = clamp(0.5 + ((cx - x) + (cy - y)) / (4 * light))
        grain = 0.04 * math.sin(x * 0.9 + y * 1.7) * math.sin(y * 0.6 - x * 0.3)
        c = mix(STONE_DARK, STONE_LIGHT, 0.35 + 0.55 * t + tone)
        return tuple(clamp(v + grain) for v in c)
    return shade


def stone_ring(index):
    w, h = RING_SIZES[index]
    cx, cy = w / 2, h / 2
    r = radius_of(GROOVES[index], cx, cy)
    c = Canvas(w, h)
    # Neighbouring rings in two tones, so that each ring reads as a piece of its own.
    c.shape(ring(cx, cy, r, BAND), stone_shade(cx, cy, r, -0.18 if index % 2 else 0.0))
    # Carved rims on both edges and ticks between the grooves, so a turn is plain to see.
    c.shape(ring(cx, cy, r - BAND / 2 + 1, 1.2), lambda x, y: STONE_DARK, 0.6)
    c.shape(ring(cx, cy, r + BAND / 2 - 1, 1.2), lambda x, y: STONE_DARK, 0.6)
    for k in range(24):
        a = math.radians(k * 15 + 7.5)
        px, py = cx + r * math.cos(a), cy + r * math.sin(a)
        if all(math.hypot(px - gx, py - gy) > GROOVE_R + 5 for gx, gy in GROOVES[index]):
            c.shape(circle(px, py, 1.6), lambda x, y: STONE_DARK, 0.7,
                    box=(px - 3, py - 3, px + 3, py + 3))
    for gx, gy in GROOVES[index]:
        box = (gx - 12, gy - 12, gx + 12, gy + 12)
        c.shape(circle(gx, gy, GROOVE_R + 1.5), lambda x, y: STONE_LIGHT, 0.8, box=box)
        c.shape(circle(gx, gy, GROOVE_R),
                lambda x, y, gx=gx, gy=gy: mix(STONE_DARK, (0.10, 0.10, 0.10),
                                                clamp(((x - gx) + (y - gy)) / 12 + 0.5)),
                box=box)
    return c


def ball(rgb):
    c = Canvas(BALL, BALL)
    h = BALL / 2
    c.shape(circle(h, h, h - 0.5),
            lambda x, y: mix(rgb, (0.05, 0.05, 0.08), clamp(math.hypot(x - h + 3, y - h + 3) / 14)))
    c.shape(circle(h - 3, h - 3, 2.6), lambda x, y: WHITE, 0.75)
    return c


def place(rgb):
    c = Canvas(PLACE, PLACE)
    h = PLACE / 2
    c.shape(circle(h, h, h - 0.5), lambda x, y: rgb)
    c.shape(circle(h, h, h - 4), lambda x, y: STONE_DARK)
    c.shape(circle(h, h, BALL / 2 - 1),
            lambda x, y: mix((0.06, 0.06, 0.06), STONE_DARK, clamp((x + y) / (2 * PLACE))))
    return c


def seal_plate():
    size = 40
    h = size / 2
    c = Canvas(size, size)
    c.shape(circle(h, h, h - 0.5),
            lambda x, y: mix(BRONZE, (0.35, 0.22, 0.10), clamp(math.hypot(x - 14, y - 14) / 28)))
    c.shape(ring(h, h, h - 4, 1.5), lambda x, y: (0.95, 0.80, 0.45), 0.8)
    points = []
    for k in range(10):
        r = 11 if k % 2 == 0 else 4.5
        a = math.radians(-90 + 36 * k)
        points.append((h + r * math.cos(a), h + r * math.sin(a)))
    c.shape(polygon(points), lambda x, y: (1.0, 0.90, 0.55))
    return c


def glow():
    size = 32
    h = size / 2
    c = Canvas(size, size)
    c.shape(circle(h, h, h), lambda x, y: WHITE, 1.0)
    # The light falls off from the middle: coverage is the falloff.
    for y in range(size):
        for x in range(size):
            p = c.px[y * size + x]
            d = math.hypot(x + 0.5 - h, y + 0.5 - h) / h
            p[3] = clamp(1 - d) ** 2
            p[0] = p[1] = p[2] = p[3]
    return c


def background():
    c = Canvas(800, 600)
    cx, cy = CENTER
    c.shape(lambda x, y: -1,
            lambda x, y: mix(SLATE, (0.08, 0.09, 0.11), clamp(math.hypot(x - cx, y - cy) / 520)))
    # The dial's bed: a darker round under the rings, a bronze rim around it.
    c.shape(circle(cx, cy, 190), lambda x, y: mix((0.20, 0.19, 0.18), (0.11, 0.10, 0.10),
                                                 clamp(math.hypot(x - cx, y - cy) / 190)))
    c.shape(ring(cx, cy, 189, 3), lambda x, y: BRONZE, 0.9)
    # The chutes the balls wait in, each pointing at the centre, and their plinths.
    for i, a in enumerate(COLUMN_ANGLES):
        x0, y0 = polar(a, 186)
        x1, y1 = polar(a, COLUMN_R + 6)
        ex, ey = polar(a, COLUMN_R)
        dx, dy = math.cos(math.radians(a)), -math.sin(math.radians(a))
        nx, ny = -dy, dx
        w = 12
        chute = polygon([(x0 + nx * w, y0 + ny * w), (x1 + nx * w, y1 + ny * w),
                         (x1 - nx * w, y1 - ny * w), (x0 - nx * w, y0 - ny * w)])
        box = (min(x0, x1) - 16, min(y0, y1) - 16, max(x0, x1) + 16, max(y0, y1) + 16)
        c.shape(chute, stone_shade(ex, ey, 30), box=box)
        inner = polygon([(x0 + nx * 7, y0 + ny * 7), (x1 + nx * 7, y1 + ny * 7),
                         (x1 - nx * 7, y1 - ny * 7), (x0 - nx * 7, y0 - ny * 7)])
        c.shape(inner, lambda x, y: STONE_DARK, box=box)
        c.shape(circle(ex, ey, 14), stone_shade(ex, ey, 14), box=(ex - 16, ey - 16, ex + 16, ey + 16))
        c.shape(circle(ex, ey, 10), lambda x, y: (0.12, 0.12, 0.12),
                box=(ex - 12, ey - 12, ex + 12, ey + 12))
        # A bead of the ball's colour on the plinth's outer side tells whose chute it is.
        bx, by = polar(a, COLUMN_R + 19)
        c.shape(circle(bx, by, 4), lambda x, y, i=i: BALL_COLOURS[i],
                box=(bx - 6, by - 6, bx + 6, by + 6))
    # The heart of the dial, where the sockets lie.
    c.shape(circle(cx, cy, 72), stone_shade(cx, cy, 72), box=(cx - 74, cy - 74, cx + 74, cy + 74))
    c.shape(ring(cx, cy, 72, 2), lambda x, y: STONE_DARK, 0.8)
    # The windows in which a ball of the inner ring drops into each socket, as faint wedges.
    for i, (lo, hi) in enumerate(TARGET_WINDOWS):
        pts = [polar(lo, 73)] + [polar(lo + (hi - lo) * k / 6, 74) for k in range(7)] + \
              [polar(hi, 73), polar(hi, 66), polar(lo, 66)]
        c.shape(polygon(pts), lambda x, y, i=i: BALL_COLOURS[i], 0.55,
                box=(cx - 80, cy - 80, cx + 80, cy + 80))
    return c


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join(
        "content", "gfx", "Game", "01_Alaska", "Location_07")
    pictures = {"Back.png": background(), "SealPlate.png": seal_plate(), "Glow.png": glow()}
    for i in range(5):
        pictures["Ring%d.png" % (i + 1)] = stone_ring(i)
    for i, rgb in enumerate(BALL_COLOURS):
        pictures["Ball%d.png" % (i + 1)] = ball(rgb)
        pictures["Place%d.png" % (i + 1)] = place(rgb)
    os.makedirs(folder, exist_ok=True)
    for name, canvas in sorted(pictures.items()):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(canvas.png())
    print("%d pictures in %s" % (len(pictures), folder))
    # Where the location file puts the balls and the sockets.
    for i in range(6):
        print("Ball%d at %s, socket at %s" % (i + 1, column_left_top(i), target_left_top(i)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
