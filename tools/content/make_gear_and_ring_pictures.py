#!/usr/bin/env python3
"""Draws the pictures of the gear puzzle and of the stone-rings puzzle and writes them under
content/gfx/Game:

  03_Greenland/Location_04   the gear puzzle: the back plate with the three ring tracks and the
                             target in the middle (Back.png), the three ring bands that the
                             player drags (Ring1..3.png), the small gear with its four sockets
                             (Gear.png), the finished gear (GearHot.png), a filling in its socket
                             (Filling.png) and the filling fading out of a socket (Disappear.ani)
  06_Alexandria/Location_02  the stone-rings puzzle: the wall with the upright mark over the
                             rings (Wall.png) and the four rings, innermost first (Ring1..4.png);
                             each ring carries a golden stripe that stands upright when the ring
                             is turned right, so the solved rings show one line from the middle
                             to the mark

Usage: make_gear_and_ring_pictures.py [GFX_FOLDER]

The canvas and the shapes are those of make_widget_pictures.py and make_match_pictures.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_match_pictures import animation, offset, picture, shifted, star  # noqa: E402
from make_widget_pictures import (BRASS, BRASS_DARK, NAVY, Canvas, circle, mix,  # noqa: E402
                                  polygon, rounded_rect, segment)

WHITE = (1.0, 1.0, 1.0)
AMBER = (1.0, 0.66, 0.12)
IRON = (0.36, 0.38, 0.42)
IRON_DARK = (0.18, 0.19, 0.22)
STONE = (0.66, 0.60, 0.50)
STONE_DARK = (0.40, 0.35, 0.28)
GOLD = (1.0, 0.84, 0.34)

# The gear puzzle's layout (the location class places everything from these).
CENTER = (400, 250)
RING_STEP = 53
GEAR = 44           # the gear's picture, square
SOCKET = 13         # distance of a socket from the gear's middle
FILLING_W, FILLING_H = 12, 20  # the filling's picture: its top middle is the gear's middle

# The rings puzzle: radii of the ring edges, innermost first.
STONE_EDGES = [0, 56, 104, 152, 200]
STONE_CENTER = (400, 240)


def annulus(cx, cy, r0, r1):
    return lambda x, y: max(r0 - math.hypot(x - cx, y - cy), math.hypot(x - cx, y - cy) - r1)


def lit(base, cx, cy, r):
    """A colour lit from the upper left over a disc of radius r."""
    return lambda x, y: mix(mix(base, WHITE, 0.35), mix(base, (0, 0, 0), 0.45),
                            ((x - cx) + (y - cy)) / (2.8 * r) + 0.5)


# --- Gear puzzle ---------------------------------------------------------------------------------

def gear_back():
    canvas = Canvas(800, 600)
    canvas.shape(lambda x, y: -1, lambda x, y: mix((0.16, 0.18, 0.22), (0.07, 0.08, 0.10),
                                                   y / 600))
    cx, cy = CENTER
    box = (cx - 200, cy - 200, cx + 200, cy + 200)
    canvas.shape(circle(cx, cy, 196), lambda x, y: IRON_DARK, 1.0, box)
    canvas.shape(circle(cx, cy, 190), lambda x, y: (0.11, 0.12, 0.14), 1.0, box)
    # The tracks the gears run on, and the target where the fillings are to end.
    for i in (1, 2, 3):
        canvas.shape(annulus(cx, cy, RING_STEP * i - 1.2, RING_STEP * i + 1.2),
                     lambda x, y: BRASS_DARK, 0.6, box)
    canvas.shape(circle(cx, cy, 20), lambda x, y: mix(AMBER, (0, 0, 0), 0.55), 1.0, box)
    canvas.shape(star(cx, cy, 16, 7, 8), lambda x, y: AMBER, 0.9, box)
    # Rivets in the plate's corners.
    for x, y in ((40, 40), (760, 40), (40, 560), (760, 560)):
        canvas.shape(circle(x, y, 7), lit(IRON, x, y, 7), 1.0, (x - 8, y - 8, x + 8, y + 8))
    return canvas


def ring_band(i):
    """The draggable band of ring i: a brass track between the neighbouring rings."""
    r0, r1 = RING_STEP * i - 24, RING_STEP * i + 24
    size = 2 * r1 + 4
    m = size / 2
    canvas = Canvas(size, size)
    band = annulus(m, m, r0, r1)
    canvas.shape(band, lambda x, y: BRASS_DARK)
    canvas.shape(offset(band, -2), lambda x, y: mix(mix(BRASS, BRASS_DARK, 0.5), NAVY,
                                                    0.25 + 0.15 * math.sin(
                                                        math.atan2(y - m, x - m) * 6 * i)))
    # Grip notches between the gears, so that a turn of the band shows.
    n = (4, 8, 12)[i - 1]
    for k in range(n):
        a = math.radians(180 / n + 360 * k / n)
        ax, ay = m + (r0 + 6) * math.cos(a), m + (r0 + 6) * math.sin(a)
        bx, by = m + (r1 - 6) * math.cos(a), m + (r1 - 6) * math.sin(a)
        canvas.shape(segment(ax, ay, bx, by, 3), lambda x, y: BRASS, 0.8)
    return canvas


def cog(base, glow=False):
    canvas = Canvas(GEAR, GEAR)
    m = GEAR / 2
    teeth = []
    for k in range(40):
        a = math.radians(360 * k / 40)
        r = 21.5 if (k // 2) % 2 == 0 else 17.5
        teeth.append((m + r * math.cos(a), m + r * math.sin(a)))
    body = polygon(teeth)
    if glow:
        canvas.shape(circle(m, m, 21.8), lambda x, y: GOLD, 0.35)
    canvas.shape(body, lambda x, y: mix(base, (0, 0, 0), 0.5))
    canvas.shape(offset(body, -1.5), lit(base, m, m, 20))
    canvas.shape(circle(m, m, 4), lambda x, y: mix(base, (0, 0, 0), 0.6))
    # The four sockets: down, left, up and right in the gear's own turn (slots 0 to 3).
    for dx, dy in ((0, 1), (-1, 0), (0, -1), (1, 0)):
        sx, sy = m + SOCKET * dx, m + SOCKET * dy
        canvas.shape(circle(sx, sy, 5.6), lambda x, y: (0.05, 0.05, 0.06), 0.9)
    return canvas


def filling():
    """A glowing amber bead; the picture's top middle lies on the gear's middle."""
    canvas = Canvas(FILLING_W, FILLING_H)
    cx, cy = FILLING_W / 2, SOCKET
    canvas.shape(circle(cx, cy, 5.2), lambda x, y: mix(AMBER, (0, 0, 0), 0.4))
    canvas.shape(circle(cx, cy, 4.2), lit(AMBER, cx, cy, 4.2))
    canvas.shape(circle(cx - 1.3, cy - 1.3, 1.4), lambda x, y: WHITE, 0.8)
    return canvas


# --- Stone rings ---------------------------------------------------------------------------------

def stone_wall():
    canvas = Canvas(800, 600)
    canvas.shape(lambda x, y: -1, lambda x, y: mix((0.46, 0.40, 0.32), (0.26, 0.22, 0.17),
                                                   y / 600))
    # Courses of blocks.
    for row in range(0, 600, 50):
        canvas.shape(lambda x, y, r=row: abs(y - r) - 1, lambda x, y: (0.20, 0.17, 0.13), 0.7,
                     (0, row - 2, 800, row + 2))
        shift = 0 if (row // 50) % 2 == 0 else 60
        for col in range(shift, 800, 120):
            canvas.shape(lambda x, y, c=col: abs(x - c) - 1, lambda x, y: (0.20, 0.17, 0.13),
                         0.7, (col - 2, row, col + 2, row + 50))
    cx, cy = STONE_CENTER
    r = STONE_EDGES[-1]
    canvas.shape(circle(cx, cy, r + 10), lambda x, y: (0.16, 0.13, 0.10), 1.0,
                 (cx - r - 12, cy - r - 12, cx + r + 12, cy + r + 12))
    # The mark the stripes are to point at.
    tip = cy - r - 8
    canvas.shape(polygon([(cx, tip), (cx - 14, tip - 24), (cx + 14, tip - 24)]),
                 lambda x, y: GOLD, 1.0, (cx - 16, tip - 26, cx + 16, tip + 2))
    return canvas


def stone_ring(k):
    """Ring k (1 innermost) in a square picture centred on the puzzle's middle."""
    r0, r1 = STONE_EDGES[k - 1], STONE_EDGES[k]
    size = 2 * r1 + 4
    m = size / 2
    canvas = Canvas(size, size)
    shape = circle(m, m, r1) if r0 == 0 else annulus(m, m, r0 + 1, r1)
    tone = mix(STONE, STONE_DARK, 0.18 * (k % 2))
    canvas.shape(shape, lambda x, y: mix(tone, (0, 0, 0), 0.45))
    canvas.shape(offset(shape, -2.5), lit(tone, m, m, r1))
    # Carved signs round the ring, different on every ring, so that its turn shows.
    mid = (max(r0, 10) + r1) / 2
    signs = 6 + 2 * k
    for s in range(1, signs):
        a = math.radians(-90 + 360 * s / signs)
        sx, sy = m + mid * math.cos(a), m + mid * math.sin(a)
        mark = (circle(sx, sy, 5) if (s + k) % 3 == 0 else
                star(sx, sy, 7, 3, 4 + (s % 2)) if (s + k) % 3 == 1 else
                rounded_rect(sx - 4, sy - 6, sx + 4, sy + 6, 2))
        canvas.shape(mark, lambda x, y: STONE_DARK, 0.8, (sx - 9, sy - 9, sx + 9, sy + 9))
    # The stripe: straight up at the right turn.
    top, bottom = m - r1 + 5, m - max(r0, 0) - 4 if r0 else m
    canvas.shape(shifted(rounded_rect(m - 5, top, m + 5, bottom, 3), 0, 0),
                 lambda x, y: mix(GOLD, BRASS_DARK, (y - top) / max(1, bottom - top) * 0.5),
                 1.0, (m - 7, top - 2, m + 7, bottom + 2))
    return canvas


# --- Writing -------------------------------------------------------------------------------------

def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    root = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx")
    gears = os.path.join(root, "Game", "03_Greenland", "Location_04")
    rings = os.path.join(root, "Game", "06_Alexandria", "Location_02")
    pictures = {
        os.path.join(gears, "Back.png"): gear_back(),
        os.path.join(gears, "Gear.png"): cog(IRON),
        os.path.join(gears, "GearHot.png"): cog(BRASS, glow=True),
        os.path.join(gears, "Filling.png"): filling(),
        os.path.join(rings, "Wall.png"): stone_wall(),
    }
    for i in (1, 2, 3):
        pictures[os.path.join(gears, "Ring%d.png" % i)] = ring_band(i)
    for k in (1, 2, 3, 4):
        pictures[os.path.join(rings, "Ring%d.png" % k)] = stone_ring(k)
    texts = {
        os.path.join(gears, "Disappear.ani"): animation(
            "A filling leaves its socket: the bead swells and fades.",
            [picture("Bead", "Game\\03_Greenland\\Location_04\\Filling.png",
                     SmoothScaling=True, X=FILLING_W / 2, Y=float(SOCKET),
                     PivotX=0.5, PivotY=SOCKET / FILLING_H,
                     ScaleX=[(0, 1.0), (300, 1.6)], ScaleY=[(0, 1.0), (300, 1.6)],
                     Alpha=[(0, 1.0), (300, 0.0)])],
            False, FILLING_W, FILLING_H),
    }
    for path, canvas in sorted(pictures.items()):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = canvas.png()
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (path, len(data)))
    for path, body in sorted(texts.items()):
        with open(path, "w", encoding="utf-8") as f:
            f.write(body)
        print("%s: %d bytes" % (path, len(body)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
