#!/usr/bin/env python3
"""Draws the pictures of the play screen and the windows around it and writes them as PNG files
below a content folder's gfx:

  UI/GameWindow/        the interface panel, the list slots and their check mark, the secret
                        item's plate, the tools drawer (open and closed), the scanner (glass,
                        sweep, lid, dark glass, noise, power line), the hint button in its four
                        looks, the timer icon, the collectible bird, the goal line and its
                        collapsed tab, the tool hint's plate and the lightning bolt
  UI/GameWindow/Avatars/Zari/Normal/
                        the heroine's face, and her blinking, happy and angry faces
  Game/                 the hint's spark, the highlight's mark and the shine over a list entry
  UI/MapScreen/         the question mark the scanner shows for a clue
  UI/LoadingScreen/     the harbour at night behind the loading bar
  UI/BlackScreen/       the black behind chapter texts
  UI/Dialogs/           the list field of the developer's go-to-location dialog

Usage: make_game_screen_pictures.py [CONTENT_FOLDER]   (default: content)

Only the standard library is needed; the drawing helpers are those of make_widget_pictures.py,
and everything random comes from fixed seeds, so each run writes the same files.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_widget_pictures import (BRASS, BRASS_DARK, LOOKS, NAVY, SEA, Canvas, circle,  # noqa: E402
                                  clamp, ellipse, mix, polygon, ring, rounded_rect, segment,
                                  union, vertical)

INK = (0.02, 0.035, 0.07)
CREAM = (1.0, 0.93, 0.74)
GOLD = (1.0, 0.82, 0.32)


# --- Shapes (signed distances, negative inside) -------------------------------------------------

def polyline(points, width):
    parts = [segment(ax, ay, bx, by, width) for (ax, ay), (bx, by) in zip(points, points[1:])]
    return lambda x, y: min(p(x, y) for p in parts)


def arc(cx, cy, r, width, lower):
    """The lower (or upper) half of a circle's outline, with round ends."""
    ends = [(cx - r, cy), (cx + r, cy)]

    def dist(x, y):
        if (y >= cy) == lower:
            return abs(math.hypot(x - cx, y - cy) - r) - width / 2
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - width / 2

    return dist

def intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def solid(rgb):
    return lambda x, y: rgb


def radial(cx, cy, r, inner, outer):
    return lambda x, y: mix(inner, outer, math.hypot(x - cx, y - cy) / r)


def glow(c, cx, cy, r, rgb, strength=1.0):
    """A soft round light that fades out to nothing at radius r."""
    for y in range(max(0, int(cy - r)), min(c.height, int(cy + r) + 1)):
        for x in range(max(0, int(cx - r)), min(c.width, int(cx + r) + 1)):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy) / r
            if d < 1:
                c.paint(x, y, rgb, strength * (1 - d) ** 2)


def box_of(points, pad=2):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)


def well(c, l, t, r, b, radius):
    """A recess in the panel: a dark brass-edged hollow."""
    c.shape(rounded_rect(l, t, r, b, radius), solid(BRASS_DARK), 0.9, (l, t, r, b))
    c.shape(rounded_rect(l + 1.5, t + 1.5, r - 1.5, b - 1.5, radius - 1.5),
            vertical((0.01, 0.02, 0.05), (0.04, 0.07, 0.13), t, b), 0.95, (l, t, r, b))


def rivet(c, x, y):
    c.shape(circle(x, y, 2.6), solid(BRASS_DARK), 1, (x - 4, y - 4, x + 4, y + 4))
    c.shape(circle(x - 0.4, y - 0.4, 1.6), solid(BRASS), 1, (x - 4, y - 4, x + 4, y + 4))


# --- The interface panel -----------------------------------------------------------------------

def panel():
    # 800 x 120 along the bottom of the screen; the recesses sit under the widgets of
    # GameScreen.win: the face, the list, the scanner and hint, the tools and the right column.
    c = Canvas(800, 120)
    c.shape(rounded_rect(0, 2, 800, 140, 16), solid(BRASS_DARK))
    c.shape(rounded_rect(0, 3.5, 800, 140, 15), solid(BRASS), 0.8)
    c.shape(rounded_rect(0, 6, 800, 140, 13), vertical((0.09, 0.14, 0.25), (0.03, 0.05, 0.10), 6, 120))
    # A fine grain across the body.
    for y in range(8, 120, 3):
        c.shape(segment(4, y, 796, y, 0.6), solid((1, 1, 1)), 0.025, (0, y - 1, 800, y + 2))
    well(c, 6, 8, 98, 114, 12)        # the heroine's face
    well(c, 100, 8, 476, 114, 10)     # the objects to find
    well(c, 480, 4, 540, 116, 10)     # scanner above, hint below
    well(c, 542, 10, 718, 108, 10)    # the tools drawer
    well(c, 720, 4, 796, 116, 10)     # score, timer, birds, menu
    for x in (3, 99, 477, 541, 719, 797):
        rivet(c, x, 14)
    return c


def item_slot():
    c = Canvas(182, 24)
    c.shape(rounded_rect(0, 1, 182, 23, 6), vertical((0.16, 0.26, 0.40), (0.08, 0.14, 0.24), 1, 23),
            0.45)
    c.shape(segment(8, 22.5, 174, 22.5, 1), solid(BRASS), 0.35)
    return c


def check_mark():
    c = Canvas(18, 18)
    mark = polyline([(3, 9.5), (7.5, 14), (15, 4)], 3.2)
    c.shape(polyline([(3, 9.5), (7.5, 14), (15, 4)], 5.2), solid(INK), 0.8)
    c.shape(mark, vertical((0.6, 1.0, 0.5), (0.25, 0.7, 0.25), 3, 15))
    return c


def secret_slot():
    c = Canvas(368, 40)
    c.shape(rounded_rect(0, 0, 368, 40, 12), solid(BRASS_DARK))
    c.shape(rounded_rect(2, 2, 366, 38, 10), vertical((0.12, 0.10, 0.22), (0.05, 0.04, 0.10), 2, 38))
    for x in (12, 356):
        c.shape(circle(x, 20, 3), solid(GOLD), 0.9, (x - 5, 15, x + 5, 25))
    return c


def tools_drawer():
    # The open drawer: eight recesses, where GameScreen.win puts the tool icons.
    c = Canvas(172, 92)
    c.shape(rounded_rect(0, 0, 172, 92, 8), solid(BRASS_DARK), 0.7)
    c.shape(rounded_rect(1.5, 1.5, 170.5, 90.5, 7), solid((0.05, 0.04, 0.03)), 0.85)
    for row in range(2):
        for col in range(4):
            l, t = 3 + col * 42, 3 + row * 46
            c.shape(rounded_rect(l, t, l + 40, t + 40, 6), solid((0.35, 0.25, 0.12)), 0.9,
                    (l, t, l + 40, t + 40))
            c.shape(rounded_rect(l + 2, t + 2, l + 38, t + 38, 5),
                    vertical((0.03, 0.03, 0.03), (0.12, 0.09, 0.06), t, t + 40), 1,
                    (l, t, l + 40, t + 40))
    return c


def tools_closed():
    # The drawer shut: planks under a brass band, a handle in the middle.
    c = Canvas(172, 92)
    c.shape(rounded_rect(0, 0, 172, 92, 8), solid(BRASS_DARK))
    c.shape(rounded_rect(2, 2, 170, 90, 7), vertical((0.42, 0.28, 0.14), (0.24, 0.15, 0.07), 2, 90))
    for y in (24, 46, 68):
        c.shape(segment(4, y, 168, y, 1.2), solid((0.12, 0.07, 0.03)), 0.8, (0, y - 2, 172, y + 2))
    c.shape(rounded_rect(74, 36, 98, 56, 5), solid(BRASS_DARK))
    c.shape(rounded_rect(76, 38, 96, 54, 4), vertical(BRASS, BRASS_DARK, 38, 54))
    c.shape(rounded_rect(80, 44, 92, 48, 2), solid(INK), 0.8)
    for x, y in ((8, 8), (164, 8), (8, 84), (164, 84)):
        rivet(c, x, y)
    return c


# --- The scanner -------------------------------------------------------------------------------

def scanner_frame(c, glass_inner, glass_outer):
    c.shape(circle(28, 28, 27.5), solid(BRASS_DARK))
    c.shape(ring(28, 28, 25.5, 2.4), vertical(BRASS, BRASS_DARK, 2, 54))
    c.shape(circle(28, 28, 24), radial(24, 22, 30, glass_inner, glass_outer))


def scanner_screen():
    c = Canvas(56, 56)
    scanner_frame(c, (0.10, 0.32, 0.26), (0.01, 0.08, 0.07))
    green = (0.45, 1.0, 0.65)
    for r in (8, 16):
        c.shape(ring(28, 28, r, 0.8), solid(green), 0.35)
    c.shape(segment(6, 28, 50, 28, 0.8), solid(green), 0.3)
    c.shape(segment(28, 6, 28, 50, 0.8), solid(green), 0.3)
    # A highlight on the glass.
    c.shape(ellipse(20, 16, 9, 5), solid((1, 1, 1)), 0.10)
    return c


def scanner_sweep():
    # A beam turning about the centre: bright along its leading edge (pointing right), fading
    # behind it over 90 degrees.
    c = Canvas(56, 56)
    for y in range(56):
        for x in range(56):
            dx, dy = x + 0.5 - 28, y + 0.5 - 28
            d = math.hypot(dx, dy)
            if d > 23.5 or d < 1:
                continue
            behind = (math.degrees(math.atan2(dy, dx))) % 360  # clockwise from the edge
            behind = (360 - behind) % 360
            if behind < 90:
                c.paint(x, y, (0.5, 1.0, 0.7), 0.7 * (1 - behind / 90) ** 1.3 * clamp(23.5 - d))
    c.shape(segment(28, 28, 51, 28, 1.2), solid((0.75, 1.0, 0.85)), 0.9)
    return c


def scanner_lid():
    # The iris that closes over the glass.
    c = Canvas(56, 56)
    c.shape(circle(28, 28, 25), radial(22, 20, 34, (0.62, 0.50, 0.30), (0.28, 0.20, 0.10)))
    for k in range(6):
        a = k * math.pi / 3
        c.shape(segment(28, 28, 28 + 24 * math.cos(a), 28 + 24 * math.sin(a), 1.1),
                solid((0.15, 0.10, 0.05)), 0.8)
    c.shape(circle(28, 28, 4), solid(BRASS_DARK))
    c.shape(ring(28, 28, 24.5, 1.5), solid(BRASS), 0.9)
    return c


def scanner_dark():
    c = Canvas(56, 56)
    scanner_frame(c, (0.05, 0.07, 0.08), (0.0, 0.0, 0.01))
    c.shape(segment(14, 18, 24, 31, 0.9), solid((0.5, 0.55, 0.6)), 0.35)  # a crack in the glass
    c.shape(segment(24, 31, 21, 42, 0.9), solid((0.5, 0.55, 0.6)), 0.35)
    return c


def scanner_noise(seed):
    c = Canvas(56, 56)
    scanner_frame(c, (0.1, 0.12, 0.12), (0.02, 0.03, 0.03))
    rng = random.Random(seed)
    for y in range(56):
        for x in range(56):
            d = math.hypot(x + 0.5 - 28, y + 0.5 - 28)
            if d < 23.5:
                v = rng.random()
                band = 0.25 if (y // 3 + seed) % 5 == 0 else 0
                c.paint(x, y, (v, min(1, v * 1.1), v), 0.25 + 0.5 * v * v + band)
    return c


def scanner_line():
    c = Canvas(48, 6)
    for y in range(6):
        for x in range(48):
            fade = 1 - abs(x + 0.5 - 24) / 24
            c.paint(x, y, (0.8, 1.0, 0.9), fade * (1 - abs(y + 0.5 - 3) / 3))
    return c


# --- The hint button ---------------------------------------------------------------------------

BOLT_ICON = [(27, 5), (14, 27), (23, 27), (17, 45), (35, 19), (26, 19), (33, 5)]


def hint_button(look):
    top, bottom, rim, pressed = LOOKS[look]
    c = Canvas(56, 50)
    if not pressed:
        c.shape(rounded_rect(2, 3, 55, 50, 12), solid((0, 0, 0)), 0.35)
    c.shape(rounded_rect(1, 1 + pressed, 54, 48 + pressed, 12), solid(rim))
    c.shape(rounded_rect(3, 3 + pressed, 52, 46 + pressed, 10), vertical(top, bottom, 3, 46))
    bolt = [(x - 4, y + pressed) for x, y in BOLT_ICON]
    colour = (0.75, 0.75, 0.72) if look == "Disabled" else GOLD
    c.shape(polygon(bolt), solid((0.25, 0.15, 0.0)), 0.8, box_of(bolt, 3))
    c.shape(polygon([(x - 0.8, y - 0.8) for x, y in bolt]), vertical((1, 0.97, 0.7), colour, 5, 45),
            1, box_of(bolt, 3))
    # The badge the count is written on.
    c.shape(circle(43, 37 + pressed, 9.5), solid(rim))
    c.shape(circle(43, 37 + pressed, 8), solid(INK))
    if look != "Disabled":
        c.shape(rounded_rect(6, 5 + pressed, 50, 22 + pressed, 8), solid((1, 1, 1)),
                0.10 if pressed else 0.16)
    return c


def time_icon():
    # An hourglass in a brass frame.
    c = Canvas(18, 18)
    c.shape(rounded_rect(3, 1, 15, 3.5, 1), solid(BRASS))
    c.shape(rounded_rect(3, 14.5, 15, 17, 1), solid(BRASS))
    glass = [(4.5, 3.5), (13.5, 3.5), (9.8, 9), (13.5, 14.5), (4.5, 14.5), (8.2, 9)]
    c.shape(polygon(glass), solid((0.75, 0.85, 0.95)), 0.55)
    c.shape(polygon([(6.5, 5), (11.5, 5), (9, 8.2)]), solid(GOLD))
    c.shape(polygon([(9, 10.5), (12.5, 14), (5.5, 14)]), solid(GOLD))
    return c


def bird():
    # The collectible bird: a small golden swallow in flight.
    c = Canvas(28, 22)
    body = ellipse(14, 13, 7, 3.6)
    wing = polygon([(10, 12), (4, 2), (17, 10)])
    wing2 = polygon([(15, 12), (23, 4), (19, 12)])
    tail = polygon([(7, 13), (1, 17), (2, 19), (9, 15)])
    head = circle(21, 11.5, 3)
    beak = polygon([(23.5, 10.5), (27, 11.5), (23.5, 12.8)])
    shape = union(body, wing, wing2, tail, head, beak)
    c.shape(lambda x, y: shape(x, y) - 1, solid((0.3, 0.18, 0.0)), 0.8)
    c.shape(shape, vertical((1.0, 0.92, 0.55), (0.85, 0.55, 0.15), 2, 19))
    c.shape(circle(21.8, 10.8, 0.9), solid(INK))
    return c


# --- Goal line and tool hint -------------------------------------------------------------------

def goal_line():
    c = Canvas(640, 32)
    c.shape(rounded_rect(0, 0, 640, 32, 14), solid(BRASS_DARK), 0.9)
    c.shape(rounded_rect(1.5, 1.5, 638.5, 30.5, 12.5), vertical((0.06, 0.10, 0.19), (0.02, 0.04, 0.09), 0, 32),
            0.82)
    for x in (14, 626):
        c.shape(polygon([(x, 10), (x + 6, 16), (x, 22), (x - 6, 16)]), solid(BRASS), 0.9,
                (x - 8, 8, x + 8, 24))
    return c


def goal_hidden():
    c = Canvas(80, 18)
    c.shape(rounded_rect(0, 0, 80, 18, 8), solid(BRASS_DARK), 0.9)
    c.shape(rounded_rect(1.5, 1.5, 78.5, 16.5, 6.5), solid((0.05, 0.08, 0.16)), 0.85)
    c.shape(polyline([(33, 6), (40, 12), (47, 6)], 2.2), solid(BRASS))
    return c


def tool_hint():
    # A plate with a pointer under its middle (the hint's pivot is the pointer's tip).
    c = Canvas(180, 34)
    plate = union(rounded_rect(0, 0, 180, 28, 9), polygon([(82, 27), (98, 27), (90, 34)]))
    c.shape(plate, solid(BRASS))
    inner = union(rounded_rect(1.5, 1.5, 178.5, 26.5, 7.5), polygon([(84, 25), (96, 25), (90, 31.5)]))
    c.shape(inner, vertical((0.10, 0.18, 0.30), (0.04, 0.08, 0.16), 0, 32))
    return c


# --- The hint's lightning, sparks and shines ---------------------------------------------------

BOLT_PATH = [(0, 20), (22, 14), (38, 25), (60, 11), (78, 23), (101, 12), (118, 27), (140, 15),
             (158, 24), (178, 16), (200, 20)]


def bolt():
    c = Canvas(200, 40)
    c.shape(polyline(BOLT_PATH, 5), solid((0.75, 0.85, 1.0)), 0.8)
    c.shape(polyline(BOLT_PATH, 2.2), solid((1.0, 1.0, 0.92)))
    # A forked twig or two.
    for path in ([(60, 11), (70, 3), (76, 0)], [(118, 27), (128, 35), (136, 38)]):
        c.shape(polyline(path, 1.6), solid((0.9, 0.95, 1.0)), 0.8)
    return c


def bolt_glow():
    # A soft blue light round the bolt's path, fading out 11 pixels from it.
    c = Canvas(200, 40)
    path = polyline(BOLT_PATH, 0)
    for y in range(40):
        for x in range(200):
            d = path(x + 0.5, y + 0.5)
            if d < 11:
                c.paint(x, y, (0.45, 0.65, 1.0), 0.45 * (1 - d / 11) ** 2)
    return c


def star_points(cx, cy, outer, inner, points, turn=0.0):
    pts = []
    for k in range(points * 2):
        r = outer if k % 2 == 0 else inner
        a = turn + k * math.pi / points - math.pi / 2
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def hint_spark():
    c = Canvas(64, 64)
    glow(c, 32, 32, 30, (1.0, 0.85, 0.45), 0.8)
    c.shape(polygon(star_points(32, 32, 30, 4.5, 4)), solid((1.0, 0.95, 0.7)), 0.95)
    c.shape(polygon(star_points(32, 32, 16, 3, 4, math.pi / 4)), solid((1.0, 0.95, 0.7)), 0.7)
    glow(c, 32, 32, 8, (1, 1, 1), 1.0)
    return c


def highlight_mark():
    c = Canvas(24, 24)
    glow(c, 12, 12, 12, (1.0, 0.8, 0.35), 0.9)
    glow(c, 12, 12, 5, (1, 1, 1), 1.0)
    return c


def shine():
    # A slanted band of light that sweeps along a list entry.
    c = Canvas(48, 24)
    for y in range(24):
        for x in range(48):
            u = (x + 0.5 - 24 + (y + 0.5 - 12) * 0.45) / 12
            if abs(u) < 1:
                c.paint(x, y, (1.0, 0.97, 0.85), 0.8 * (1 - u * u) ** 2)
    return c


def what():
    # A question mark on a round plate.
    c = Canvas(48, 48)
    c.shape(circle(24, 24, 23), solid(BRASS_DARK))
    c.shape(circle(24, 24, 21), radial(20, 18, 28, (0.16, 0.30, 0.48), (0.05, 0.10, 0.20)))
    hook = union(intersect(ring(24, 17, 7.5, 4.6), lambda x, y: -1 if (y < 17 or x > 24) else 1),
                 segment(31.5, 17, 24, 25, 4.6), segment(24, 25, 24, 29, 4.6))
    c.shape(lambda x, y: hook(x, y) - 1.2, solid(INK), 0.7)
    c.shape(hook, vertical(CREAM, GOLD, 8, 30))
    c.shape(circle(24, 36, 3), solid(CREAM))
    return c


# --- The heroine's face ------------------------------------------------------------------------

SKIN = (0.95, 0.78, 0.64)
SKIN_SHADE = (0.82, 0.60, 0.48)
HAIR = (0.22, 0.12, 0.08)
COAT = (0.12, 0.22, 0.38)


def face(mood, eyes_open=True):
    """Zari, 88 x 104: dark hair tied back, a sea-blue coat with a brass collar. Mood is
    "normal", "happy" or "angry"."""
    c = Canvas(88, 104)
    c.shape(rounded_rect(0, 0, 88, 104, 10), vertical((0.20, 0.36, 0.52), (0.07, 0.14, 0.24), 0, 104))
    # Hair behind the head, shoulders and coat, collar, neck.
    c.shape(ellipse(44, 44, 27, 31), vertical((0.30, 0.18, 0.11), HAIR, 14, 76))
    c.shape(union(ellipse(44, 112, 40, 26), rounded_rect(6, 92, 82, 110, 12)),
            vertical((0.18, 0.30, 0.48), COAT, 84, 104))
    c.shape(rounded_rect(37, 62, 51, 86, 6), vertical(SKIN_SHADE, SKIN, 62, 86))
    c.shape(polygon([(24, 90), (44, 98), (64, 90), (62, 95), (44, 104), (26, 95)]), solid(BRASS))
    # The face, a shade along its jaw.
    c.shape(ellipse(44, 48, 20, 24), solid(SKIN_SHADE))
    c.shape(ellipse(43, 46.5, 18.5, 22.5), radial(40, 40, 28, (0.99, 0.84, 0.71), SKIN))
    # The fringe over the brow, falling to the left.
    c.shape(polygon([(24, 40), (26, 24), (38, 18), (54, 18), (64, 28), (64, 40), (56, 30),
                     (44, 34), (32, 32)]), vertical((0.34, 0.20, 0.12), HAIR, 18, 40))
    # Eyes and brows.
    for ex in (35.5, 52.5):
        if eyes_open:
            c.shape(ellipse(ex, 48, 4.6, 3.2), solid((1, 1, 1)))
            c.shape(circle(ex + 0.6, 48.3, 2.3), solid((0.20, 0.35, 0.30)))
            c.shape(circle(ex + 0.6, 48.3, 1.1), solid(INK))
            c.shape(circle(ex + 1.4, 47.3, 0.6), solid((1, 1, 1)))
        else:
            c.shape(arc(ex, 47, 4.2, 1.3, True), solid((0.35, 0.20, 0.14)))
        inner = ex + (3.5 if ex < 44 else -3.5)
        outer = ex + (-4.5 if ex < 44 else 4.5)
        if mood == "angry":
            c.shape(segment(outer, 40, inner, 43.5, 2.2), solid(HAIR))
        elif mood == "happy":
            c.shape(arc(ex, 43, 4.2, 1.8, False), solid(HAIR))
        else:
            c.shape(segment(outer, 41.5, inner, 41, 1.8), solid(HAIR))
    # The nose.
    c.shape(polyline([(44.5, 50), (42.5, 57), (45, 58)], 1.2), solid(SKIN_SHADE))
    # The mouth.
    if mood == "happy":
        smile = intersect(ellipse(44, 61, 7, 5.5), lambda x, y: 61 - y)
        c.shape(smile, solid((0.55, 0.15, 0.15)))
        c.shape(intersect(smile, lambda x, y: 62.5 - y), solid((1, 1, 1)), 0.9)
        for cx in (31, 57):
            c.shape(ellipse(cx, 56, 4, 2.4), solid((1.0, 0.5, 0.5)), 0.35)
    elif mood == "angry":
        c.shape(arc(44, 66, 5, 1.6, False), solid((0.55, 0.22, 0.2)))
    else:
        c.shape(arc(44, 60, 4.5, 1.5, True), solid((0.70, 0.32, 0.30)))
    return c


# --- The loading screen and the black behind chapter texts ------------------------------------

def loading():
    """The harbour at night: stars over the bay, the lighthouse's beam across the sky, its light
    on the water, and the quay in silhouette."""
    w, h, horizon = 800, 600, 380
    c = Canvas(w, h)
    rng = random.Random(7)
    stars = {(rng.randrange(w), rng.randrange(horizon - 40)): rng.random() for _ in range(260)}
    lx, ly = 640, 222  # the lamp
    for y in range(h):
        for x in range(w):
            if y < horizon:
                t = y / horizon
                rgb = mix((0.01, 0.02, 0.06), (0.10, 0.17, 0.30), t ** 1.6)
                # The beam: a wedge leaving the lamp towards the upper left.
                dx, dy = x - lx, y - ly
                if dx < 0:
                    ang = math.atan2(dy, -dx)
                    spread = abs(ang + 0.16) / 0.12
                    if spread < 1:
                        rgb = mix(rgb, (1.0, 0.93, 0.7), 0.4 * (1 - spread) ** 2 * (1 - clamp(-dx / 760)))
                if (x, y) in stars:
                    rgb = mix(rgb, (1, 1, 1), 0.4 + 0.6 * stars[(x, y)])
            else:
                t = (y - horizon) / (h - horizon)
                rgb = mix((0.06, 0.12, 0.22), (0.01, 0.03, 0.07), t ** 0.8)
                # The lamp's light broken up on the water below it.
                ripple = math.sin(y * 0.9 + math.sin(x * 0.05) * 2) * 0.5 + 0.5
                spread = abs(x - lx) / (30 + 140 * t)
                if spread < 1:
                    rgb = mix(rgb, (1.0, 0.85, 0.5), 0.5 * (1 - spread) ** 2 * ripple * (1 - t * 0.7))
                if (y - horizon) % 9 == 0:
                    rgb = mix(rgb, (0.3, 0.45, 0.6), 0.08)
            c.px[y * w + x] = [rgb[0], rgb[1], rgb[2], 1.0]
    dark = solid((0.01, 0.015, 0.03))
    # The headland, the tower, its gallery and lamp house.
    c.shape(polygon([(520, horizon + 2), (580, 330), (700, 318), (800, 336), (800, horizon + 2)]),
            dark, 1, (510, 310, 800, horizon + 4))
    c.shape(polygon([(618, 330), (626, 238), (654, 238), (662, 330)]), dark, 1, (610, 230, 670, 334))
    c.shape(rounded_rect(612, 232, 668, 240, 2), dark, 1, (610, 228, 670, 244))
    c.shape(rounded_rect(626, 210, 654, 234, 3), solid((1.0, 0.85, 0.5)), 1, (620, 205, 660, 236))
    c.shape(polygon([(622, 212), (640, 196), (658, 212)]), dark, 1, (618, 192, 662, 214))
    glow(c, lx, ly, 46, (1.0, 0.9, 0.6), 0.5)
    # The quay on the left with crates and a crane, and a moored boat.
    c.shape(polygon([(0, horizon + 30), (0, 342), (330, 342), (330, horizon + 30)]), dark, 1,
            (0, 336, 334, horizon + 34))
    for l, t, s in ((40, 310, 32), (76, 318, 24), (250, 304, 38)):
        c.shape(rounded_rect(l, t, l + s, 343, 2), dark, 1, (l - 2, t - 2, l + s + 2, 345))
    c.shape(polyline([(170, 342), (176, 240), (268, 226)], 6), dark, 1, (160, 220, 275, 346))
    c.shape(segment(262, 228, 262, 282, 1.5), dark, 1, (255, 224, 270, 286))
    c.shape(polygon([(360, 392), (372, 404), (452, 404), (466, 392)]), dark, 1, (350, 388, 470, 408))
    c.shape(segment(412, 392, 412, 330, 2.5), dark, 1, (405, 326, 420, 396))
    return c


def list_field():
    # The go-to-location dialog's list: a deep inset with a brass edge.
    c = Canvas(428, 352)
    c.shape(rounded_rect(0, 0, 428, 352, 8), solid(BRASS_DARK))
    c.shape(rounded_rect(2, 2, 426, 350, 6), vertical((0.01, 0.03, 0.07), (0.03, 0.05, 0.10), 2, 350))
    return c


def black():
    c = Canvas(8, 8)
    for i in range(64):
        c.px[i] = [0.0, 0.0, 0.0, 1.0]
    return c


def pictures():
    ui = os.path.join("UI", "GameWindow")
    zari = os.path.join(ui, "Avatars", "Zari", "Normal")
    out = {
        os.path.join(ui, "Panel.png"): panel,
        os.path.join(ui, "ItemSlot.png"): item_slot,
        os.path.join(ui, "Check.png"): check_mark,
        os.path.join(ui, "SecretSlot.png"): secret_slot,
        os.path.join(ui, "ToolsDrawer.png"): tools_drawer,
        os.path.join(ui, "ToolsClosed.png"): tools_closed,
        os.path.join(ui, "ScannerScreen.png"): scanner_screen,
        os.path.join(ui, "ScannerSweep.png"): scanner_sweep,
        os.path.join(ui, "ScannerLid.png"): scanner_lid,
        os.path.join(ui, "ScannerDark.png"): scanner_dark,
        os.path.join(ui, "ScannerNoise1.png"): lambda: scanner_noise(1),
        os.path.join(ui, "ScannerNoise2.png"): lambda: scanner_noise(2),
        os.path.join(ui, "ScannerLine.png"): scanner_line,
        os.path.join(ui, "TimeIco.png"): time_icon,
        os.path.join(ui, "Zephrin.png"): bird,
        os.path.join(ui, "GoalLine.png"): goal_line,
        os.path.join(ui, "GoalHidden.png"): goal_hidden,
        os.path.join(ui, "ToolHint.png"): tool_hint,
        os.path.join(ui, "Bolt.png"): bolt,
        os.path.join(ui, "BoltGlow.png"): bolt_glow,
        os.path.join(zari, "Avatar.png"): lambda: face("normal"),
        os.path.join(zari, "Blink", "Blink.png"): lambda: face("normal", False),
        os.path.join(zari, "Happy", "Happy.png"): lambda: face("happy"),
        os.path.join(zari, "Happy", "HappyBlink.png"): lambda: face("happy", False),
        os.path.join(zari, "Angry", "Angry.png"): lambda: face("angry"),
        os.path.join("Game", "HintSpark.png"): hint_spark,
        os.path.join("Game", "HighlightMark.png"): highlight_mark,
        os.path.join("Game", "Shine.png"): shine,
        os.path.join("UI", "MapScreen", "What.png"): what,
        os.path.join("UI", "LoadingScreen", "Loading.png"): loading,
        os.path.join("UI", "BlackScreen", "Black.png"): black,
        os.path.join("UI", "Dialogs", "ListField.png"): list_field,
    }
    for look in LOOKS:
        out[os.path.join(ui, "Hint%s.png" % look)] = lambda look=look: hint_button(look)
    return out


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    root = os.path.join(sys.argv[1] if len(sys.argv) == 2 else "content", "gfx")
    for name, draw in sorted(pictures().items()):
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = draw().png()
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (path, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
