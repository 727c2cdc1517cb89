#!/usr/bin/env python3
"""Draws the pictures of Fishers' Cove, the demo's last location, and writes them as PNG files
into content/gfx/Demo/Cove:

  Cove.png          the cove at dawn (800 x 600): the sun on the sea, the far lighthouse, rocks on
                    the left, the fishers' huts on the dune, the net rack and a beached boat; the
                    lower 120 pixels lie under the play screen's panel and hold only sand
  Ferry.png         Oskelin's ferry in the shallows (it bobs in the location's ambient animation)
  Oskelin.png       the ferryman, standing on the wet sand and waving
  SandPatch.png     the marked patch of sand (a cross of pebbles), the hot spot the shovel digs
  DugHole.png       the same patch dug open, the shovel left standing in the heap
  Shovel.png, Crab.png, Oar.png, LobsterPot.png, Hook.png, Boot.png, Conch.png, Hat.png,
  LostPages.png, Kettle.png, Whistle.png, Bell.png, Bottle.png, ChartScrap.png
                    the things to find, each drawn at the size the location gives it, outlined
                    so that it stands out from the scene

Usage: make_cove_pictures.py [OUTPUT_FOLDER]

The canvas and the shapes are those of make_widget_pictures.py; only the standard library is
needed.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_widget_pictures import (Canvas, circle, clamp, ellipse, mix, polygon,  # noqa: E402
                                  ring, rounded_rect, segment, union, vertical)

W, H = 800, 600
HORIZON = 236
SUN = (330, 236)

OUTLINE = (0.14, 0.10, 0.08)
SAND = (0.91, 0.79, 0.59)
SAND_SHADE = (0.78, 0.64, 0.46)
WET_SAND = (0.66, 0.55, 0.43)
FOAM = (0.97, 0.96, 0.92)
WOOD = (0.58, 0.40, 0.24)
WOOD_DARK = (0.36, 0.24, 0.14)
WOOD_LIGHT = (0.80, 0.62, 0.40)
STEEL = (0.74, 0.78, 0.82)
STEEL_DARK = (0.42, 0.46, 0.52)
BRASS = (0.88, 0.70, 0.30)
BRASS_DARK = (0.56, 0.40, 0.14)
ROCK = (0.46, 0.44, 0.46)
ROCK_DARK = (0.24, 0.23, 0.26)
INK = (0.24, 0.16, 0.10)
RED = (0.80, 0.20, 0.16)


def solid(rgb):
    return lambda x, y: rgb


def grow(dist, d):
    return lambda x, y: dist(x, y) - d


def cut(dist, hole):
    """The shape without the hole."""
    return lambda x, y: max(dist(x, y), -hole(x, y))


def below(dist, y0):
    """The part of the shape under the line y = y0."""
    return lambda x, y: max(dist(x, y), y0 - y)


def above(dist, y0):
    return lambda x, y: max(dist(x, y), y - y0)


def pad(box, d):
    if box is None:
        return None
    return (box[0] - d, box[1] - d, box[2] + d, box[3] + d)


def bounds(points, extra=2):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return (min(xs) - extra, min(ys) - extra, max(xs) + extra, max(ys) + extra)


def outlined(c, parts, width=1.6, box=None, ink=OUTLINE, alpha=1.0):
    """The parts' union outlined in ink, then each part filled: one dark rim round the whole
    thing, as a player's eye picks it out of the scene."""
    whole = union(*[d for d, _ in parts])
    c.shape(grow(whole, width), solid(ink), alpha, pad(box, width + 1))
    for d, shade in parts:
        c.shape(d, shade, alpha, pad(box, 1))


def grain(x, y):
    """A repeatable speck in -1..1 for the sand's and the rocks' texture."""
    h = (int(x) * 73856093) ^ (int(y) * 19349663)
    h = (h ^ (h >> 13)) * 1274126177
    return ((h >> 8) & 255) / 127.5 - 1


# --- The background -----------------------------------------------------------------------------

def shore_y(x):
    """The water's edge along the beach, lower on the left."""
    return 344 + 6 * math.sin(x / 55.0) - 0.025 * x


def dune_y(x):
    """The top of the dune that rises on the right behind the beach, where the huts stand."""
    t = clamp((x - 470) / 170)
    s = t * t * (3 - 2 * t)
    return 344 - 116 * s - 14 * clamp((x - 640) / 160)


def sky(x, y):
    t = y / HORIZON
    rgb = mix((0.36, 0.50, 0.76), (0.86, 0.70, 0.72), t / 0.7) if t < 0.7 else \
        mix((0.86, 0.70, 0.72), (1.0, 0.83, 0.58), (t - 0.7) / 0.3)
    d = math.hypot(x - SUN[0], (y - SUN[1]) * 1.6)
    return mix(rgb, (1.0, 0.93, 0.74), 0.75 * math.exp(-d / 110))


def sea(x, y):
    t = (y - HORIZON) / max(1.0, shore_y(x) - HORIZON)
    rgb = mix((0.62, 0.64, 0.72), (0.22, 0.42, 0.54), t ** 0.8)
    # The sun's path: broken bright strokes, wider towards the shore.
    half = 10 + (y - HORIZON) * 0.9
    off = abs(x - SUN[0]) / half
    if off < 1:
        ripple = 0.5 + 0.5 * math.sin(y * 1.7 + math.sin(x * 0.21) * 2.2)
        rgb = mix(rgb, (1.0, 0.90, 0.66), (1 - off) ** 1.5 * (0.35 + 0.6 * ripple))
    # Little waves: faint light strokes.
    if math.sin(x * 0.09 + y * 0.8 + math.sin(y * 0.3) * 3) > 0.93:
        rgb = mix(rgb, (0.92, 0.94, 0.96), 0.25)
    return rgb


def beach(x, y):
    edge = shore_y(x)
    wet = clamp(1 - (y - edge) / 22)
    dry = mix(SAND, SAND_SHADE, clamp((y - 360) / 300) * 0.55)
    rgb = mix(dry, WET_SAND, wet * 0.9)
    return tuple(clamp(ch + 0.025 * grain(x, y)) for ch in rgb)


def dune(x, y):
    depth = clamp((y - dune_y(x)) / 60)
    rgb = mix((0.86, 0.74, 0.55), (0.80, 0.67, 0.49), depth)
    # Its foot runs out into the beach.
    rgb = mix(rgb, beach(x, y), clamp((y - 320) / 32))
    return tuple(clamp(ch + 0.02 * grain(x, y)) for ch in rgb)


def base_layers(c):
    for y in range(H):
        for x in range(W):
            px, py = x + 0.5, y + 0.5
            if x >= 470 and py >= dune_y(px) and py < 352:
                rgb = dune(px, py)
            elif py < HORIZON:
                rgb = sky(px, py)
            elif py < shore_y(px):
                rgb = sea(px, py)
            else:
                rgb = beach(px, py)
            c.paint(x, y, rgb, 1)


def clouds(c):
    for cx, cy, rx, ry, a in ((120, 62, 90, 9, 0.45), (200, 74, 60, 6, 0.35),
                              (560, 96, 110, 10, 0.40), (690, 80, 70, 7, 0.35),
                              (420, 150, 80, 6, 0.30), (90, 160, 60, 5, 0.25)):
        c.shape(ellipse(cx, cy, rx, ry), vertical((1.0, 0.88, 0.86), (0.95, 0.70, 0.66),
                                                  cy - ry, cy + ry), a,
                (cx - rx - 2, cy - ry - 2, cx + rx + 2, cy + ry + 2))


def horizon_land(c):
    # A long low island far away, and the lighthouse on its rock, its lamp still lit.
    hill = [(130, HORIZON + 1), (160, HORIZON - 8), (205, HORIZON - 13), (250, HORIZON - 9),
            (290, HORIZON - 4), (300, HORIZON + 1)]
    c.shape(polygon(hill), solid((0.62, 0.56, 0.66)), 0.9, bounds(hill))
    islet = [(52, HORIZON + 1), (62, HORIZON - 6), (96, HORIZON - 7), (108, HORIZON + 1)]
    c.shape(polygon(islet), solid((0.50, 0.46, 0.56)), 1, bounds(islet))
    tower = [(76, HORIZON - 6), (84, HORIZON - 6), (82.5, HORIZON - 34), (77.5, HORIZON - 34)]
    c.shape(polygon(tower), lambda x, y: (0.93, 0.90, 0.86) if int(y) % 8 < 4 else
            (0.72, 0.30, 0.28), 1, bounds(tower))
    c.shape(rounded_rect(76.5, HORIZON - 40, 83.5, HORIZON - 34, 1), solid((1.0, 0.92, 0.60)))
    for r, a in ((14, 0.18), (8, 0.3), (4, 0.6)):
        c.shape(circle(80, HORIZON - 37, r), solid((1.0, 0.94, 0.70)), a,
                (80 - r - 1, HORIZON - 37 - r - 1, 80 + r + 1, HORIZON - 37 + r + 1))


def sun(c):
    # Half risen: only the part above the horizon shows.
    c.shape(above(circle(SUN[0], SUN[1], 24), HORIZON), solid((1.0, 0.95, 0.78)), 1,
            (SUN[0] - 26, SUN[1] - 26, SUN[0] + 26, HORIZON + 1))


def foam(c):
    rnd = random.Random(4)
    for x0 in range(0, 470, 6):
        x1 = x0 + 7
        y0, y1 = shore_y(x0) + 1, shore_y(x1) + 1
        c.shape(segment(x0, y0, x1, y1, 2.4), solid(FOAM), 0.8,
                (x0 - 2, min(y0, y1) - 3, x1 + 2, max(y0, y1) + 3))
    # The last wave's lace a little further up the sand.
    for _ in range(40):
        x = rnd.uniform(0, 470)
        y = shore_y(x) + rnd.uniform(5, 12)
        c.shape(ellipse(x, y, rnd.uniform(6, 14), 1.2), solid(FOAM), 0.45,
                (x - 16, y - 3, x + 16, y + 3))


def rock_shade(top, bottom):
    def shade(x, y):
        t = clamp((y - top) / max(1, bottom - top))
        rgb = mix(ROCK, ROCK_DARK, t * 0.8 + 0.15 * math.sin(x * 0.05 + y * 0.04))
        return tuple(clamp(ch + 0.04 * grain(x, y)) for ch in rgb)
    return shade


def rocks(c):
    # A heap of boulders on the left, on the sand and in the shallows, with weed at their feet.
    for pts in ([(0, 262), (40, 250), (92, 262), (126, 300), (118, 346), (60, 360), (0, 352)],
                [(80, 330), (118, 308), (170, 316), (188, 360), (176, 412), (120, 420),
                 (86, 396)],
                [(0, 350), (60, 352), (96, 386), (84, 430), (30, 438), (0, 432)]):
        box = bounds(pts)
        c.shape(grow(polygon(pts), 1.5), solid(ROCK_DARK), 1, pad(box, 2))
        c.shape(polygon(pts), rock_shade(box[1], box[3]), 1, box)
        # The light from the sun on the boulders' upper right.
        c.shape(polygon(pts), solid((0.95, 0.80, 0.62)), 0.12, (box[0], box[1], box[2],
                                                                (box[1] + box[3]) / 2))
    # Weed hanging over the boulders' feet.
    rnd = random.Random(12)
    for x0, x1, foot in ((4, 80, 434), (92, 176, 414)):
        for _ in range(10):
            x = rnd.uniform(x0, x1)
            y = foot - rnd.uniform(0, 6)
            c.shape(ellipse(x, y, rnd.uniform(4, 8), rnd.uniform(2, 3.5)),
                    solid((0.20, 0.32, 0.16)), 0.9, (x - 10, y - 5, x + 10, y + 5))


def hut(c, left, right, base, eave, peak, door):
    """A fisher's hut of tarred planks with a plank door, a window and a turf roof."""
    wall = [(left, base), (right, base), (right, eave), (left, eave)]

    def planks(x, y):
        seam = 1.0 if int(x - left) % 12 < 1 else 0.0
        rgb = mix((0.44, 0.30, 0.20), (0.30, 0.20, 0.13), clamp((y - eave) / (base - eave)))
        return mix(rgb, (0.18, 0.12, 0.08), 0.6 * seam)

    c.shape(grow(polygon(wall), 1.5), solid(OUTLINE), 1, bounds(wall, 4))
    c.shape(polygon(wall), planks, 1, bounds(wall))
    mid = (left + right) / 2
    roof = [(left - 10, eave + 4), (mid, peak), (right + 10, eave + 4)]
    c.shape(grow(polygon(roof), 1.5), solid(OUTLINE), 1, bounds(roof, 4))
    c.shape(polygon(roof), lambda x, y: mix((0.44, 0.50, 0.30), (0.30, 0.34, 0.20),
                                            (y - peak) / (eave - peak)), 1, bounds(roof))
    c.shape(polygon(roof), solid((1.0, 0.86, 0.6)), 0.15,
            (mid, peak - 2, right + 12, eave + 6))
    dl, dr = door
    c.shape(rounded_rect(dl - 2, eave + 24, dr + 2, base + 1, 2), solid(OUTLINE))
    c.shape(rounded_rect(dl, eave + 26, dr, base, 1),
            lambda x, y: mix(WOOD, WOOD_DARK, 0.5 if int(x - dl) % 9 < 1 else 0.0))
    c.shape(circle(dr - 6, (eave + base) / 2 + 10, 1.8), solid(BRASS_DARK))
    win = (left + 10, eave + 14, left + 10 + (dl - left - 20), eave + 34)
    if win[2] - win[0] > 10:
        c.shape(rounded_rect(win[0] - 2, win[1] - 2, win[2] + 2, win[3] + 2, 1), solid(OUTLINE))
        c.shape(rounded_rect(*win, 1), vertical((0.98, 0.86, 0.60), (0.70, 0.52, 0.36),
                                               win[1], win[3]))
        c.shape(segment((win[0] + win[2]) / 2, win[1], (win[0] + win[2]) / 2, win[3], 1.5),
                solid(OUTLINE))


def dune_grass(c):
    rnd = random.Random(5)
    for _ in range(80):
        x = rnd.uniform(470, 800)
        y = dune_y(x) + rnd.uniform(0, 8)
        for k in (-1, 0, 1):
            c.shape(segment(x, y, x + k * 4 + rnd.uniform(-2, 2), y - rnd.uniform(8, 16), 1.4),
                    solid((0.42, 0.52, 0.26)), 0.85, (x - 10, y - 18, x + 10, y + 2))


def huts(c):
    # The back hut first, then the front one with its chimney.
    hut(c, 706, 804, 306, 232, 186, (760, 786))
    c.shape(rounded_rect(664, 196, 678, 230, 1), solid(OUTLINE))
    c.shape(rounded_rect(666, 198, 676, 230, 1), solid((0.50, 0.46, 0.44)))
    hut(c, 562, 700, 330, 252, 196, (612, 648))


def net_rack(c):
    # Two posts with a pole between them, a net sagging from it, drying in the morning air.
    for x in (436, 540):
        c.shape(rounded_rect(x - 5, 212, x + 5, 352, 2), solid(OUTLINE))
        c.shape(rounded_rect(x - 3.5, 214, x + 3.5, 350, 1.5),
                lambda px, py: mix(WOOD_LIGHT, WOOD_DARK, (px - x + 4) / 8))
    c.shape(segment(428, 220, 548, 220, 6), solid(OUTLINE))
    c.shape(segment(428, 220, 548, 220, 3.5), solid(WOOD))

    def sag(x):
        return 296 + 18 * math.sin(math.pi * (x - 440) / 96)

    def net(x, y):
        return max(y - sag(x), 222 - y, 440 - x, x - 536)

    def mesh(x, y):
        a = abs(((x + y) % 9) - 4.5) / 1.414
        b = abs(((x - y) % 9) - 4.5) / 1.414
        return max(net(x, y), min(a, b) - 0.7)

    c.shape(mesh, solid((0.30, 0.22, 0.16)), 0.9, (438, 220, 540, 320))
    c.shape(lambda x, y: abs(y - sag(x)) - 1.4 if 440 < x < 536 else 99, solid((0.30, 0.22, 0.16)),
            1, (438, 290, 540, 320))
    # Cork floats along the net's lower edge.
    for x in range(448, 536, 14):
        y = sag(x)
        c.shape(ellipse(x, y, 4.5, 3), solid((0.86, 0.58, 0.30)), 1, (x - 6, y - 5, x + 6, y + 5))


def beached_boat(c):
    # An old boat drawn up on the sand, tilted on its side, its inside towards us.
    hull = [(438, 372), (470, 358), (560, 356), (614, 364), (604, 396), (560, 410), (470, 408)]
    inside = [(452, 372), (474, 364), (558, 362), (600, 368), (588, 382), (474, 384)]
    c.shape(grow(polygon(hull), 1.6), solid(OUTLINE), 1, bounds(hull, 4))
    c.shape(polygon(hull), lambda x, y: mix((0.62, 0.22, 0.18), (0.40, 0.14, 0.12),
                                            (y - 356) / 54), 1, bounds(hull))
    c.shape(polygon(inside), lambda x, y: mix(WOOD_LIGHT, WOOD, (y - 362) / 22), 1,
            bounds(inside))
    for x in (496, 530, 564):
        c.shape(segment(x, 364, x - 4, 384, 2), solid(WOOD_DARK), 1, (x - 8, 360, x + 4, 388))
    c.shape(segment(444, 390, 606, 380, 2), solid((0.92, 0.88, 0.80)), 0.8, (440, 374, 610, 396))
    # Its shadow on the sand.
    c.shape(ellipse(528, 412, 92, 7), solid((0.40, 0.30, 0.22)), 0.25, (432, 402, 624, 422))


def fire_ring(c):
    # The fishers' cooking place: a ring of stones round cold ashes, where the kettle stands.
    c.shape(ellipse(650, 420, 34, 9), solid((0.32, 0.28, 0.26)), 0.8, (612, 408, 688, 432))
    rnd = random.Random(8)
    for k in range(11):
        a = math.pi * 2 * k / 11
        x, y = 650 + 34 * math.cos(a), 420 + 9 * math.sin(a)
        r = rnd.uniform(4.5, 6.5)
        c.shape(ellipse(x, y, r + 1.4, r * 0.7 + 1.4), solid(OUTLINE), 1,
                (x - 9, y - 7, x + 9, y + 7))
        c.shape(ellipse(x, y, r, r * 0.7), solid(mix(ROCK, (0.8, 0.76, 0.7), rnd.random() * 0.5)),
                1, (x - 8, y - 6, x + 8, y + 6))


def pebbles_and_prints(c):
    rnd = random.Random(21)
    for _ in range(70):
        x, y = rnd.uniform(190, 800), rnd.uniform(420, 600)
        r = rnd.uniform(1.5, 3.5)
        c.shape(ellipse(x, y, r, r * 0.7), solid(mix(SAND_SHADE, ROCK, rnd.random())), 0.8,
                (x - 5, y - 4, x + 5, y + 4))
    # Oskelin's footprints from the ferry to where he stands.
    for k in range(7):
        x = 330 + k * 10 + (3 if k % 2 else -3)
        y = 352 + k * 1.5
        c.shape(ellipse(x, y, 3.2, 1.6), solid((0.45, 0.36, 0.28)), 0.45,
                (x - 5, y - 3, x + 5, y + 3))


def background():
    c = Canvas(W, H)
    base_layers(c)
    clouds(c)
    horizon_land(c)
    sun(c)
    foam(c)
    dune_grass(c)
    huts(c)
    net_rack(c)
    beached_boat(c)
    fire_ring(c)
    rocks(c)
    pebbles_and_prints(c)
    return c


# --- The people and the boat ----------------------------------------------------------------

def ferry():
    # Oskelin's rowing ferry, broadside on, its bow to the right, in calm water; the hull's
    # lower part shows through the water as a reflection.
    c = Canvas(190, 62)
    hull = [(4, 20), (30, 24), (160, 24), (186, 12), (178, 32), (160, 44), (30, 44), (10, 34)]
    c.shape(grow(polygon(hull), 1.6), solid(OUTLINE), 1, bounds(hull, 4))
    c.shape(polygon(hull), lambda x, y: mix((0.22, 0.42, 0.66), (0.12, 0.24, 0.42),
                                            (y - 12) / 32), 1, bounds(hull))
    c.shape(segment(8, 24, 182, 18, 3), solid((0.95, 0.93, 0.88)), 1, (2, 12, 188, 30))
    c.shape(segment(20, 36, 168, 36, 1.2), solid((0.08, 0.14, 0.26)), 0.8, (16, 32, 172, 40))
    # The oars shipped along the gunwale, the little mast with its furled sail.
    c.shape(segment(40, 18, 150, 14, 3.2), solid(OUTLINE), 1, (34, 8, 156, 24))
    c.shape(segment(40, 18, 150, 14, 1.8), solid(WOOD_LIGHT), 1, (34, 8, 156, 24))
    c.shape(rounded_rect(118, 0, 124, 22, 1), solid(OUTLINE))
    c.shape(rounded_rect(119.5, 1, 122.5, 22, 1), solid(WOOD))
    c.shape(rounded_rect(110, 6, 120, 18, 3), solid((0.92, 0.86, 0.72)), 1)
    # Reflection and the water line.
    c.shape(polygon([(30, 44), (160, 44), (150, 58), (40, 58)]), solid((0.12, 0.24, 0.42)),
            0.35, (28, 42, 162, 60))
    for y in (46, 50, 55):
        c.shape(segment(24, y, 168, y, 1), solid((0.92, 0.94, 0.96)), 0.35, (20, y - 2, 172, y + 2))
    return c


def oskelin():
    # The ferryman: a knitted cap, a grey beard, a navy pea coat, one arm raised in greeting.
    c = Canvas(60, 118)
    skin = (0.90, 0.72, 0.58)
    navy = (0.14, 0.20, 0.36)
    coat = [(16, 38), (44, 38), (50, 92), (10, 92)]
    parts = [
        (rounded_rect(18, 88, 28, 108, 3), solid((0.24, 0.22, 0.22))),
        (rounded_rect(32, 88, 42, 108, 3), solid((0.24, 0.22, 0.22))),
        (rounded_rect(15, 104, 29, 114, 3), solid((0.10, 0.08, 0.08))),
        (rounded_rect(31, 104, 45, 114, 3), solid((0.10, 0.08, 0.08))),
        (polygon(coat), vertical(navy, (0.08, 0.12, 0.22), 38, 92)),
        (segment(15, 44, 10, 76, 8), solid(navy)),
        (segment(45, 44, 53, 24, 8), solid(navy)),
        (circle(54, 18, 5), solid(skin)),
        (circle(30, 26, 10), solid(skin)),
        (polygon([(20, 29), (40, 29), (38, 40), (30, 44), (22, 40)]), solid((0.80, 0.80, 0.82))),
        (above(circle(30, 22, 11), 21), solid(RED)),
        (circle(30, 8, 3.5), solid(RED)),
    ]
    outlined(c, parts, 1.6)
    # The coat's buttons, the cap's rib, the eyes and the smile under the moustache.
    for y in (52, 62, 72):
        c.shape(circle(30, y, 1.7), solid(BRASS))
    c.shape(rounded_rect(18.5, 18, 41.5, 22, 1.5), solid((0.60, 0.12, 0.10)))
    for x in (26, 34):
        c.shape(circle(x, 26, 1.3), solid(OUTLINE))
    c.shape(circle(30, 29, 1.8), solid((0.82, 0.58, 0.46)))
    c.shape(segment(25, 32, 35, 32, 2), solid((0.62, 0.62, 0.66)))
    return c


# --- The hot spot ---------------------------------------------------------------------------

def sand_mound(c):
    c.shape(ellipse(60, 40, 58, 22), solid((0.56, 0.44, 0.32)), 0.35)
    c.shape(ellipse(60, 36, 54, 20), lambda x, y: mix((0.86, 0.73, 0.53), (0.70, 0.57, 0.41),
                                                      (y - 16) / 40))
    c.shape(ellipse(54, 30, 36, 9), solid((1.0, 0.92, 0.74)), 0.3)


def pebble(c, x, y, r=4.2):
    c.shape(ellipse(x, y, r + 1.4, r * 0.8 + 1.4), solid(OUTLINE), 1,
            (x - r - 3, y - r - 3, x + r + 3, y + r + 3))
    c.shape(ellipse(x, y, r, r * 0.8), lambda px, py: mix((0.98, 0.97, 0.94), (0.70, 0.70, 0.72),
                                                          (py - y + r) / (2 * r)), 1,
            (x - r - 2, y - r - 2, x + r + 2, y + r + 2))


def sand_patch():
    # A low mound of turned sand with a cross of white pebbles on it, the same cross as the
    # harbour's chart.
    c = Canvas(120, 64)
    sand_mound(c)
    for k in range(-3, 4):
        pebble(c, 60 + 9 * k, 34 + 4.5 * k)
        if k:
            pebble(c, 60 + 9 * k, 34 - 4.5 * k)
    return c


def dug_hole():
    # The patch dug open: a dark pit, the sand heaped beside it, the shovel left in the heap.
    c = Canvas(120, 64)
    sand_mound(c)
    c.shape(ellipse(54, 38, 36, 15), solid(OUTLINE))
    c.shape(ellipse(54, 38, 34, 13.5), lambda x, y: mix((0.22, 0.15, 0.10), (0.42, 0.32, 0.22),
                                                        (y - 25) / 27))
    c.shape(ellipse(102, 44, 17, 13), solid(OUTLINE))
    c.shape(ellipse(102, 44, 15.5, 11.5), vertical((0.94, 0.82, 0.62), (0.72, 0.58, 0.42), 32, 56))
    parts = [(segment(106, 34, 114, 4, 4.5), solid(WOOD_LIGHT)),
             (rounded_rect(108, 0, 120, 5, 2), solid(WOOD)),
             (polygon([(100, 44), (112, 47), (114, 32), (103, 29)]), solid(STEEL))]
    outlined(c, parts, 1.4)
    pebble(c, 14, 48, 3.5)
    pebble(c, 26, 54, 3.2)
    pebble(c, 84, 22, 3.2)
    return c


# --- The things to find ---------------------------------------------------------------------

def shovel():
    c = Canvas(34, 88)
    parts = [
        (segment(17, 10, 17, 60, 5), lambda x, y: mix(WOOD_LIGHT, WOOD, (x - 14) / 6)),
        (rounded_rect(8, 3, 26, 10, 3), solid(WOOD)),
        (rounded_rect(13, 56, 21, 63, 1.5), solid(STEEL_DARK)),
        (polygon([(5, 61), (29, 61), (29, 76), (17, 86), (5, 76)]),
         lambda x, y: mix(STEEL, STEEL_DARK, (x - 5) / 24)),
    ]
    outlined(c, parts, 1.6)
    c.shape(segment(9, 65, 9, 75, 1.5), solid((1, 1, 1)), 0.5)
    return c


def crab():
    # Drawn in warm orange: the location tints two of the three others.
    c = Canvas(46, 34)
    shell = (0.93, 0.46, 0.22)
    dark = (0.70, 0.26, 0.12)
    legs = []
    for side in (-1, 1):
        for k in range(3):
            x0 = 23 + side * (8 + 2 * k)
            legs.append((segment(x0, 22 + 2 * k, x0 + side * 12, 28 + 2 * k, 2.6), solid(dark)))
        legs.append((segment(23 + side * 9, 16, 23 + side * 15, 11, 3.4), solid(dark)))
    claws = []
    for cx in (8, 38):
        notch = polygon([(cx, 8), (cx + (4 if cx < 23 else -4), 2), (cx + (8 if cx < 23 else -8),
                                                                     4)])
        claws.append((cut(circle(cx, 9, 6), notch), solid(shell)))
    eyes = [(segment(19, 13, 18, 7, 1.6), solid(dark)), (segment(27, 13, 28, 7, 1.6), solid(dark)),
            (circle(18, 6, 2.4), solid((1, 1, 1))), (circle(28, 6, 2.4), solid((1, 1, 1)))]
    body = [(ellipse(23, 20, 13, 8.5), vertical((1.0, 0.62, 0.34), dark, 11, 29))]
    outlined(c, legs + claws + eyes + body, 1.4)
    for x in (18, 28):
        c.shape(circle(x, 6, 1.1), solid(OUTLINE))
    c.shape(segment(18, 24, 28, 24, 1.2), solid(dark), 0.7)
    return c


def oar():
    c = Canvas(90, 24)
    parts = [
        (segment(4, 12, 14, 12, 6), solid(WOOD_DARK)),
        (segment(12, 12, 62, 12, 4.5), lambda x, y: mix(WOOD_LIGHT, WOOD, (y - 9) / 6)),
        (union(ellipse(75, 12, 13, 7.5), polygon([(58, 10.5), (66, 6), (66, 18), (58, 13.5)])),
         lambda x, y: (0.96, 0.94, 0.90) if x > 80 else (0.20, 0.44, 0.70)),
    ]
    outlined(c, parts, 1.5)
    return c


def lobster_pot():
    # A wicker dome on a plank base, netted over, with the funnel's mouth in front.
    c = Canvas(70, 56)
    dome = below(ellipse(35, 46, 31, 38), 6)
    dome = above(dome, 46)
    c.shape(grow(dome, 1.8), solid(OUTLINE))
    c.shape(dome, solid((0.30, 0.22, 0.14)), 0.45)

    def mesh(x, y):
        a = abs(((x + y) % 8) - 4) / 1.414
        b = abs(((x - y) % 8) - 4) / 1.414
        return max(dome(x, y), min(a, b) - 0.6)

    c.shape(mesh, solid((0.88, 0.80, 0.62)), 0.9)
    for rx in (30, 19, 7):
        c.shape(above(lambda x, y, rx=rx: abs(math.hypot((x - 35) / rx, (y - 46) / 38) - 1) *
                      min(rx, 38) - 1.3, 46), solid(WOOD), 1)
    c.shape(ellipse(35, 32, 9, 7), solid(OUTLINE))
    c.shape(ellipse(35, 32, 7.5, 5.5), solid((0.12, 0.08, 0.05)))
    c.shape(rounded_rect(2, 44, 68, 54, 2), solid(OUTLINE))
    c.shape(rounded_rect(3.5, 45.5, 66.5, 52.5, 1.5), vertical(WOOD_LIGHT, WOOD_DARK, 45, 53))
    return c


def hook():
    c = Canvas(30, 44)
    steel = lambda x, y: mix((0.92, 0.94, 0.96), STEEL_DARK, (x - 6) / 18)  # noqa: E731
    bend = below(ring(12, 30, 6, 3.4), 30)
    parts = [
        (ring(18, 6, 3.6, 2.8), steel),
        (segment(18, 9, 18, 30, 3.4), steel),
        (bend, steel),
        (segment(6, 30, 6, 20, 3.2), steel),
        (polygon([(5, 19), (10, 26), (6, 27)]), steel),
    ]
    outlined(c, parts, 1.5)
    c.shape(segment(18, 0, 18, 2.5, 1.2), solid(OUTLINE), 0.8)
    return c


def boot():
    c = Canvas(48, 52)
    green = (0.20, 0.40, 0.28)
    parts = [
        (polygon([(9, 5), (31, 5), (31, 33), (40, 37), (45, 44), (45, 47), (8, 47), (8, 33)]),
         lambda x, y: mix((0.34, 0.56, 0.40), green, (x - 8) / 20)),
        (rounded_rect(7, 2, 33, 10, 2), solid(RED)),
        (rounded_rect(5, 44, 47, 50, 2.5), solid((0.12, 0.10, 0.10))),
    ]
    outlined(c, parts, 1.6)
    c.shape(segment(13, 14, 13, 38, 2), solid((1, 1, 1)), 0.25)
    return c


def conch():
    c = Canvas(50, 36)
    cream = (0.97, 0.88, 0.76)
    parts = [
        (polygon([(30, 9), (48, 5), (44, 16), (34, 22)]), solid((0.88, 0.74, 0.60))),
        (ellipse(22, 20, 19, 12.5), vertical(cream, (0.84, 0.66, 0.52), 8, 32)),
        (polygon([(4, 22), (12, 32), (24, 32), (14, 22)]), solid((0.96, 0.68, 0.64))),
    ]
    outlined(c, parts, 1.5)
    c.shape(ellipse(17, 22, 9, 6), solid((0.94, 0.56, 0.56)))
    for cx, r in ((36, 6), (41, 3.5)):
        c.shape(below(ring(cx, 13, r, 1.3), 10), solid((0.70, 0.52, 0.40)), 0.8)
    for k in range(3):
        x = 24 + k * 6
        c.shape(segment(x, 10, x - 3, 29, 1.1), solid((0.76, 0.58, 0.44)), 0.7)
    return c


def hat():
    # A sou'wester of yellow oilskin, its long brim behind.
    c = Canvas(62, 34)
    yellow = (0.99, 0.80, 0.18)
    parts = [
        (ellipse(29, 24, 26, 6.5), vertical((1.0, 0.88, 0.36), (0.82, 0.60, 0.08), 18, 30)),
        (polygon([(36, 22), (59, 22), (58, 31), (40, 29)]), solid((0.90, 0.68, 0.12))),
        (below(above(ellipse(31, 25, 16, 20), 25), 3), vertical(yellow, (0.86, 0.62, 0.10), 4,
                                                               25)),
    ]
    outlined(c, parts, 1.6)
    c.shape(above(ring(31, 25, 12, 1.1), 24), solid((0.70, 0.48, 0.06)), 0.8)
    c.shape(segment(31, 6, 31, 24, 1.1), solid((0.70, 0.48, 0.06)), 0.8)
    return c


def lost_pages():
    # A tin box, its lid thrown back, and in it two rolls of pages tied with a red ribbon.
    c = Canvas(52, 40)
    tin = (0.55, 0.62, 0.70)
    parts = [
        (polygon([(6, 19), (46, 19), (42, 3), (10, 3)]), vertical((0.80, 0.84, 0.88), tin, 3, 19)),
        (rounded_rect(8, 10, 44, 21, 5), solid((0.98, 0.94, 0.82))),
        (rounded_rect(12, 15, 40, 26, 5), solid((0.94, 0.88, 0.74))),
        (rounded_rect(4, 20, 48, 38, 3), vertical(tin, (0.32, 0.38, 0.46), 20, 38)),
    ]
    outlined(c, parts, 1.6)
    c.shape(rounded_rect(24, 9, 28, 26, 1), solid(RED))
    for y in (13, 18):
        c.shape(segment(12, y + 1, 40, y + 1, 0.8), solid(INK), 0.5)
    c.shape(rounded_rect(8, 24, 44, 26, 1), solid((1, 1, 1)), 0.25)
    return c


def kettle():
    c = Canvas(56, 50)
    copper = (0.82, 0.48, 0.26)
    parts = [
        (below(ring(26, 20, 14, 3.4), 6), solid(OUTLINE)),
        (polygon([(38, 30), (50, 13), (54, 15), (44, 38)]), solid((0.70, 0.38, 0.20))),
        (above(ellipse(26, 33, 19, 16), 46), lambda x, y: mix((0.96, 0.66, 0.40), copper,
                                                             clamp((x - 14) / 24))),
        (ellipse(26, 18, 11, 3.5), solid((0.66, 0.36, 0.18))),
        (circle(26, 13, 3.2), solid((0.20, 0.14, 0.10))),
    ]
    outlined(c, parts, 1.6)
    c.shape(above(below(ring(26, 20, 14, 1.6), 6), 20), solid((0.20, 0.14, 0.10)))
    c.shape(ellipse(18, 30, 3, 7), solid((1, 0.95, 0.85)), 0.5)
    return c


def whistle():
    c = Canvas(64, 24)
    parts = [
        (rounded_rect(14, 6, 62, 17, 5), lambda x, y: mix((0.94, 0.95, 0.97), STEEL_DARK,
                                                         (y - 6) / 11)),
        (polygon([(2, 8), (17, 5), (17, 18), (2, 15)]), solid((0.20, 0.52, 0.34))),
    ]
    outlined(c, parts, 1.6)
    c.shape(rounded_rect(19, 7.5, 24, 11, 0.5), solid(OUTLINE))
    for k in range(6):
        c.shape(circle(30 + k * 5.4, 12, 1.9), solid(OUTLINE))
    return c


def bell():
    c = Canvas(36, 44)
    pts = []
    for k in range(12):
        t = k / 11
        pts.append((18 + 6 + 10 * t ** 2.2, 15 + 22 * t))
    pts += [(18 - (px - 18), py) for px, py in reversed(pts)]
    parts = [
        (rounded_rect(14, 2, 22, 17, 3), vertical(WOOD_LIGHT, WOOD_DARK, 2, 17)),
        (circle(18, 40, 3.2), solid((0.30, 0.22, 0.12))),
        (polygon(pts), lambda x, y: mix((1.0, 0.86, 0.46), BRASS_DARK, clamp((x - 8) / 22))),
        (ellipse(18, 37, 16, 3.6), solid(BRASS)),
    ]
    outlined(c, parts, 1.5)
    c.shape(segment(13, 20, 10, 33, 1.8), solid((1, 1, 1)), 0.45)
    return c


def bottle():
    # Green glass, frosted by the sea, its cork still in.
    c = Canvas(26, 56)
    glass = (0.36, 0.72, 0.56)
    parts = [
        (rounded_rect(10, 4, 16, 20, 2), solid(glass)),
        (rounded_rect(4, 17, 22, 54, 6), lambda x, y: mix((0.62, 0.88, 0.74), glass,
                                                         clamp((x - 4) / 12))),
        (rounded_rect(9.5, 0, 16.5, 7, 1.5), solid((0.66, 0.46, 0.28))),
    ]
    outlined(c, parts, 1.5, alpha=1.0)
    c.shape(rounded_rect(7, 22, 10, 48, 1.5), solid((1, 1, 1)), 0.45)
    return c


def chart_scrap():
    # A torn corner of a chart: an inked shore, a dotted course and a red cross.
    c = Canvas(46, 38)
    paper = [(2, 3), (44, 2), (42, 12), (45, 20), (40, 27), (42, 35), (24, 33), (14, 36), (4, 34)]
    outlined(c, [(polygon(paper), vertical((0.96, 0.90, 0.72), (0.86, 0.76, 0.54), 2, 36))], 1.4)
    coast = [(4, 12), (10, 10), (14, 15), (12, 22), (6, 26)]
    for a, b in zip(coast, coast[1:]):
        c.shape(segment(*a, *b, 1.4), solid(INK))
    for k in range(5):
        c.shape(circle(16 + k * 4, 24 - k * 2, 0.9), solid(INK))
    for a, b in (((30, 10), (38, 18)), ((38, 10), (30, 18))):
        c.shape(segment(*a, *b, 2.6), solid(RED))
    return c


PICTURES = {
    "Cove.png": background,
    "Ferry.png": ferry,
    "Oskelin.png": oskelin,
    "SandPatch.png": sand_patch,
    "DugHole.png": dug_hole,
    "Shovel.png": shovel,
    "Crab.png": crab,
    "Oar.png": oar,
    "LobsterPot.png": lobster_pot,
    "Hook.png": hook,
    "Boot.png": boot,
    "Conch.png": conch,
    "Hat.png": hat,
    "LostPages.png": lost_pages,
    "Kettle.png": kettle,
    "Whistle.png": whistle,
    "Bell.png": bell,
    "Bottle.png": bottle,
    "ChartScrap.png": chart_scrap,
}


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx", "Demo", "Cove")
    os.makedirs(folder, exist_ok=True)
    for name, draw in sorted(PICTURES.items()):
        data = draw().png()
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (path, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
