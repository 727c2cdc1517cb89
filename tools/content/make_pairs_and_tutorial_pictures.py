#!/usr/bin/env python3
"""Draws the pictures of the shell collector's table (the find-pairs puzzle), of the harbour
station where the story starts, and of the tutorial pages, and writes them with the animations
that show them into content/gfx/Game:

  Shells            the collector's table (Table.png) and six kinds of shells and sea things,
                    each drawn once and laid out twice by the location (Scallop, Conch,
                    Starfish, Urchin, Mussel, SandDollar), and two look-alikes that belong to no
                    pair (PaleScallop, BlueStarfish)
  FX\\FindPairs.ani  the selection effect: the selected object's own picture (channels 0 and 1,
                    which the puzzle fills with it), glowing in gold
  01_Alaska\\Arrival the harbour station at dawn (Station.png), the heroine's PDA and scanner,
                    four things to find (Suitcase, Ticket, Mittens, Thermos) and the three
                    difficulty boards (Relaxed, Timed, ScannerOff)
  Tutorial          one small picture per tutorial page and the pages Ani_Find_Everything.ani,
                    Ani_Blue_Items.ani, Ani_Blue_Cursor.ani, Ani_Hint.ani, Ani_Clues.ani and
                    Ani_Zephrin_Bird.ani (the picture beside a text of the dictionary)

Usage: make_pairs_and_tutorial_pictures.py [OUTPUT_FOLDER]

The canvas, the shapes and the palette are those of make_widget_pictures.py and
make_map_pictures.py.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_map_pictures import circle, polygon, ring  # noqa: E402
from make_widget_pictures import (BRASS, BRASS_DARK, NAVY, SEA, Canvas, clamp, ellipse,  # noqa: E402
                                  mix, rounded_rect, segment, union, vertical)

WHITE = (1.0, 1.0, 1.0)
GOLD = (1.0, 0.86, 0.45)
WOOD = (0.52, 0.34, 0.18)
WOOD_DARK = (0.33, 0.20, 0.10)
LINEN = (0.90, 0.86, 0.76)
SNOW = (0.93, 0.95, 0.98)
ROCK = (0.36, 0.40, 0.46)


def flat(rgb):
    return lambda x, y: rgb


def radial(inner, outer, cx, cy, r):
    return lambda x, y: mix(inner, outer, math.hypot(x - cx, y - cy) / r)


def star(cx, cy, outer, inner, points=5, turn=-90.0):
    corners = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = math.radians(turn + 180.0 * i / points)
        corners.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(corners)


def box_of(cx, cy, r):
    return (cx - r - 2, cy - r - 2, cx + r + 2, cy + r + 2)


# --- Shells ---------------------------------------------------------------------------------

def scallop(body, rib):
    c = Canvas(72, 64)
    fan = polygon([(36, 60)] + [(36 + 34 * math.cos(math.radians(a)),
                                 40 - 34 * math.sin(math.radians(a)))
                                for a in range(0, 181, 12)])
    c.shape(fan, radial(mix(body, WHITE, 0.35), body, 36, 56, 50))
    for a in range(12, 180, 24):
        x = 36 + 33 * math.cos(math.radians(a))
        y = 40 - 33 * math.sin(math.radians(a))
        c.shape(segment(36, 58, x, y, 2.2), flat(rib), 0.8)
    c.shape(polygon([(26, 64), (46, 64), (42, 54), (30, 54)]), flat(rib))
    return c


def conch():
    c = Canvas(56, 76)
    c.shape(polygon([(28, 2), (50, 40), (40, 72), (16, 72), (6, 40)]),
            vertical((0.98, 0.90, 0.76), (0.86, 0.64, 0.44), 0, 76))
    for i, y in enumerate((18, 30, 42, 54)):
        w = 6 + i * 5
        c.shape(segment(28 - w, y + 4, 28 + w, y - 2, 2.5), flat((0.55, 0.33, 0.18)), 0.8)
    c.shape(ellipse(30, 60, 7, 10), flat((0.96, 0.62, 0.58)))
    return c


def starfish(body):
    c = Canvas(68, 68)
    c.shape(star(34, 36, 32, 13), radial(mix(body, GOLD, 0.4), body, 34, 36, 32))
    for i in range(5):
        a = math.radians(-90 + 72 * i)
        for k in (8, 15, 22):
            c.shape(circle(34 + k * math.cos(a), 36 + k * math.sin(a), 1.6), flat(WHITE), 0.7,
                    box_of(34 + k * math.cos(a), 36 + k * math.sin(a), 2))
    return c


def urchin():
    c = Canvas(70, 70)
    for i in range(28):
        a = math.radians(360.0 * i / 28)
        c.shape(segment(35, 35, 35 + 33 * math.cos(a), 35 + 33 * math.sin(a), 2),
                flat((0.40, 0.16, 0.42)))
    c.shape(circle(35, 35, 20), radial((0.78, 0.46, 0.78), (0.36, 0.12, 0.38), 30, 30, 24))
    return c


def mussel():
    c = Canvas(76, 44)
    c.shape(ellipse(38, 22, 35, 17), vertical((0.25, 0.30, 0.55), (0.07, 0.08, 0.20), 4, 40))
    c.shape(segment(6, 22, 70, 22, 1.6), flat((0.55, 0.62, 0.85)), 0.8)
    c.shape(ring(12, 22, 9, 1.6), flat((0.45, 0.50, 0.75)), 0.6)
    return c


def sand_dollar():
    c = Canvas(66, 66)
    c.shape(circle(33, 33, 30), radial((0.98, 0.95, 0.86), (0.82, 0.76, 0.62), 28, 28, 34))
    for i in range(5):
        a = math.radians(-90 + 72 * i)
        c.shape(ellipse(33 + 13 * math.cos(a), 33 + 13 * math.sin(a), 4, 4),
                flat((0.62, 0.54, 0.40)), 0.9)
    c.shape(circle(33, 33, 3), flat((0.62, 0.54, 0.40)))
    return c


def table():
    rnd = random.Random(5)
    c = Canvas(800, 600)
    c.shape(lambda x, y: -1, flat(WOOD_DARK))
    for i in range(6):
        top = i * 100
        shade = mix(WOOD, WOOD_DARK, 0.15 * (i % 3))
        c.shape(rounded_rect(-4, top + 1, 804, top + 99, 3),
                vertical(mix(shade, WHITE, 0.06), shade, top, top + 100))
    for _ in range(40):
        y = rnd.uniform(0, 600)
        x = rnd.uniform(0, 700)
        c.shape(segment(x, y, x + rnd.uniform(60, 160), y + rnd.uniform(-3, 3), 1.4),
                flat(WOOD_DARK), 0.35, (x - 2, y - 6, x + 164, y + 6))
    # The collector's linen cloth, where the shells are laid out.
    c.shape(rounded_rect(60, 40, 740, 470, 10), vertical(LINEN, (0.80, 0.75, 0.63), 40, 470),
            1.0, (56, 36, 744, 474))
    c.shape(rounded_rect(72, 52, 728, 458, 6), flat((0.70, 0.62, 0.48)), 0.25, (68, 48, 732, 462))
    c.shape(rounded_rect(76, 56, 724, 454, 5), vertical(LINEN, (0.84, 0.79, 0.68), 56, 454),
            1.0, (72, 52, 728, 458))
    # A magnifying glass and a label card beside the cloth.
    c.shape(ring(660, 530, 34, 7), flat(BRASS), 1.0, (620, 490, 700, 570))
    c.shape(circle(660, 530, 30), flat((0.75, 0.88, 0.95)), 0.35, (628, 498, 692, 562))
    c.shape(segment(684, 554, 740, 596, 12), flat(WOOD_DARK), 1.0, (676, 546, 748, 600))
    c.shape(rounded_rect(110, 500, 300, 570, 4), flat((0.96, 0.93, 0.84)), 1.0,
            (106, 496, 304, 574))
    for k in range(3):
        c.shape(segment(124, 518 + k * 16, 284 - k * 30, 518 + k * 16, 2), flat(NAVY), 0.6,
                (120, 512 + k * 16, 288, 524 + k * 16))
    return c


# --- The harbour station --------------------------------------------------------------------

def station():
    c = Canvas(800, 600)
    c.shape(lambda x, y: -1, vertical((0.96, 0.72, 0.56), (0.56, 0.70, 0.86), 0, 250), 1.0,
            (0, 0, 800, 250))
    c.shape(polygon([(0, 250), (120, 120), (230, 200), (360, 90), (520, 210), (640, 130),
                     (800, 230), (800, 260), (0, 260)]), vertical(SNOW, ROCK, 90, 260))
    c.shape(lambda x, y: -1, vertical((0.30, 0.48, 0.62), NAVY, 250, 420), 1.0,
            (0, 250, 800, 420))
    for k in range(14):
        y = 270 + k * 11
        c.shape(segment(40 + k * 47 % 600, y, 120 + k * 47 % 600, y, 1.5), flat(WHITE), 0.25,
                (36 + k * 47 % 600, y - 2, 124 + k * 47 % 600, y + 2))
    # The pier's planks.
    c.shape(polygon([(0, 400), (800, 380), (800, 600), (0, 600)]),
            vertical((0.58, 0.44, 0.30), (0.36, 0.25, 0.15), 380, 600), 1.0, (0, 378, 800, 600))
    for k in range(1, 8):
        y = 390 + k * 28
        c.shape(segment(0, y + 4, 800, y - 4, 1.6), flat(WOOD_DARK), 0.6, (0, y - 8, 800, y + 8))
    # The station house with its door and windows.
    c.shape(rounded_rect(430, 200, 720, 392, 2), vertical((0.70, 0.20, 0.16), (0.48, 0.12, 0.10),
                                                          200, 392), 1.0, (426, 196, 724, 396))
    c.shape(polygon([(410, 206), (575, 130), (740, 206)]), flat((0.25, 0.24, 0.28)), 1.0,
            (406, 126, 744, 210))
    c.shape(rounded_rect(540, 290, 604, 392, 3), flat(WOOD_DARK), 1.0, (536, 286, 608, 396))
    for x in (462, 640):
        c.shape(rounded_rect(x, 240, x + 50, 284, 2), flat((0.98, 0.88, 0.55)), 1.0,
                (x - 4, 236, x + 54, 288))
        c.shape(segment(x + 25, 240, x + 25, 284, 2.5), flat(WOOD_DARK), 1.0,
                (x + 20, 238, x + 30, 286))
    c.shape(rounded_rect(500, 214, 650, 236, 3), flat(SEA), 1.0, (496, 210, 654, 240))
    c.shape(rounded_rect(504, 218, 646, 232, 2), flat(NAVY), 1.0, (500, 214, 650, 236))
    # A bench on the pier.
    c.shape(rounded_rect(120, 400, 320, 414, 3), flat(WOOD), 1.0, (116, 396, 324, 418))
    for x in (136, 296):
        c.shape(rounded_rect(x, 412, x + 10, 450, 2), flat(WOOD_DARK), 1.0,
                (x - 2, 410, x + 12, 452))
    return c


def pda():
    c = Canvas(44, 60)
    c.shape(rounded_rect(2, 2, 42, 58, 7), vertical((0.30, 0.34, 0.40), (0.12, 0.13, 0.16), 2, 58))
    c.shape(rounded_rect(7, 7, 37, 36, 3), vertical((0.45, 0.85, 0.95), (0.16, 0.48, 0.66), 7, 36))
    for k, x in enumerate((12, 22, 32)):
        c.shape(circle(x, 46, 3.5), flat((BRASS, GOLD, BRASS_DARK)[k]))
    return c


def scanner():
    c = Canvas(58, 48)
    c.shape(rounded_rect(2, 8, 56, 44, 8), vertical((0.85, 0.87, 0.90), (0.50, 0.54, 0.60), 8, 44))
    c.shape(ring(20, 26, 11, 4), flat(BRASS))
    c.shape(circle(20, 26, 8), radial((0.70, 0.95, 0.75), (0.15, 0.45, 0.25), 17, 23, 10))
    c.shape(rounded_rect(36, 16, 52, 24, 2), flat(NAVY))
    c.shape(rounded_rect(36, 30, 52, 36, 2), flat((0.85, 0.30, 0.25)))
    c.shape(rounded_rect(14, 2, 28, 10, 2), flat((0.40, 0.42, 0.46)))
    return c


def suitcase():
    c = Canvas(76, 60)
    c.shape(rounded_rect(2, 14, 74, 58, 6), vertical((0.62, 0.38, 0.22), (0.40, 0.22, 0.12), 14, 58))
    c.shape(ring(38, 12, 9, 4), flat(WOOD_DARK), 1.0, (26, 0, 50, 16))
    for x in (18, 58):
        c.shape(rounded_rect(x - 3, 14, x + 3, 58, 1), flat(BRASS_DARK))
    c.shape(rounded_rect(33, 30, 43, 38, 2), flat(BRASS))
    return c


def ticket():
    c = Canvas(64, 36)
    c.shape(rounded_rect(2, 2, 62, 34, 3), vertical((0.98, 0.92, 0.70), (0.90, 0.78, 0.50), 2, 34))
    c.shape(segment(44, 4, 44, 32, 1.2), flat(BRASS_DARK), 0.7)
    for k in range(3):
        c.shape(segment(8, 10 + k * 8, 38 - k * 6, 10 + k * 8, 2), flat(NAVY), 0.7)
    c.shape(circle(53, 18, 6), flat((0.80, 0.22, 0.20)), 0.85)
    return c


def mittens():
    c = Canvas(70, 52)
    for dx, shade in ((0, (0.20, 0.45, 0.75)), (28, (0.16, 0.38, 0.66))):
        c.shape(union(ellipse(18 + dx, 28, 13, 17), ellipse(8 + dx, 22, 5, 8)),
                vertical(mix(shade, WHITE, 0.25), shade, 10, 46))
        c.shape(rounded_rect(6 + dx, 40, 30 + dx, 50, 3), flat(SNOW))
    return c


def thermos():
    c = Canvas(30, 74)
    c.shape(rounded_rect(4, 14, 26, 72, 5), vertical((0.30, 0.62, 0.40), (0.12, 0.32, 0.18), 14, 72))
    c.shape(rounded_rect(6, 2, 24, 16, 3), flat((0.75, 0.77, 0.80)))
    c.shape(rounded_rect(4, 34, 26, 42, 1), flat((0.85, 0.87, 0.90)), 0.8)
    return c


def difficulty_board(kind):
    c = Canvas(112, 72)
    face = {"Relaxed": (0.20, 0.55, 0.32), "Timed": (0.80, 0.58, 0.18),
            "ScannerOff": (0.68, 0.20, 0.18)}[kind]
    c.shape(rounded_rect(2, 2, 110, 70, 10), flat(BRASS_DARK))
    c.shape(rounded_rect(5, 5, 107, 67, 8), vertical(mix(face, WHITE, 0.25), face, 5, 67))
    if kind == "Relaxed":
        # An endless loop: the scanner without limit.
        c.shape(ring(42, 36, 14, 5), flat(WHITE))
        c.shape(ring(70, 36, 14, 5), flat(WHITE))
    elif kind == "Timed":
        c.shape(polygon([(40, 14), (72, 14), (58, 36), (72, 58), (40, 58), (54, 36)]), flat(WHITE))
        c.shape(polygon([(46, 54), (66, 54), (56, 44)]), flat(BRASS_DARK))
    else:
        c.shape(ring(56, 36, 20, 5), flat(WHITE))
        c.shape(segment(42, 50, 70, 22, 5), flat(WHITE))
    return c


# --- Tutorial pictures ----------------------------------------------------------------------

def tutorial_picture(kind):
    c = Canvas(120, 120)
    c.shape(circle(60, 60, 56), radial((0.24, 0.44, 0.62), NAVY, 50, 50, 60))
    if kind == "FindEverything":
        c.shape(ring(52, 52, 24, 7), flat(BRASS))
        c.shape(circle(52, 52, 20), flat((0.75, 0.88, 0.95)), 0.4)
        c.shape(segment(70, 70, 96, 96, 10), flat(WOOD_DARK))
    elif kind == "BlueItems":
        c.shape(rounded_rect(22, 62, 98, 96, 6), flat(WOOD))
        c.shape(rounded_rect(30, 34, 58, 66, 5), flat((0.35, 0.60, 1.0)))
        c.shape(circle(76, 50, 14), flat((0.35, 0.60, 1.0)))
    elif kind == "BlueCursor":
        c.shape(polygon([(36, 24), (36, 92), (54, 76), (66, 100), (78, 94), (66, 70), (88, 70)]),
                vertical((0.55, 0.78, 1.0), (0.20, 0.45, 0.90), 24, 100))
    elif kind == "Hint":
        c.shape(polygon([(68, 14), (36, 66), (58, 66), (46, 106), (86, 50), (62, 50), (78, 14)]),
                vertical((1.0, 0.96, 0.70), GOLD, 14, 106))
    elif kind == "Clues":
        c.shape(rounded_rect(28, 26, 92, 94, 6), flat((0.96, 0.92, 0.80)))
        c.shape(ring(60, 50, 12, 6), flat(NAVY))
        c.shape(rounded_rect(36, 46, 52, 56, 1), flat((0.96, 0.92, 0.80)))
        c.shape(segment(60, 62, 60, 70, 6), flat(NAVY))
        c.shape(circle(60, 80, 4), flat(NAVY))
    elif kind == "ZephrinBird":
        c.shape(ellipse(58, 64, 26, 18), vertical((0.45, 0.85, 0.95), (0.10, 0.50, 0.70), 46, 82))
        c.shape(circle(82, 50, 12), flat((0.35, 0.78, 0.90)))
        c.shape(polygon([(92, 48), (106, 52), (92, 56)]), flat(GOLD))
        c.shape(circle(85, 47, 2.5), flat(NAVY))
        c.shape(polygon([(40, 58), (14, 40), (28, 70)]), flat((0.10, 0.45, 0.65)))
        c.shape(polygon([(52, 56), (70, 30), (72, 60)]), flat((0.20, 0.62, 0.80)))
    return c


TUTORIAL_PAGES = [
    ("Ani_Find_Everything.ani", "FindEverything", "TutorialFindEverything"),
    ("Ani_Blue_Items.ani", "BlueItems", "TutorialBlueItems"),
    ("Ani_Blue_Cursor.ani", "BlueCursor", "TutorialBlueCursor"),
    ("Ani_Hint.ani", "Hint", "TutorialHint"),
    ("Ani_Clues.ani", "Clues", "TutorialClues"),
    ("Ani_Zephrin_Bird.ani", "ZephrinBird", "TutorialZephrinBird"),
]


def tutorial_page(picture, key):
    return """<?xml version="1.0" encoding="UTF-8"?>
<!-- A tutorial page of the first scene: its picture beside a few words of the dictionary. -->
<Animation Looped="False" Speed="1" OriginX="0" OriginY="0" Width="340" Height="200">
  <Channel ClassId="LivePicture" Caption="Picture" Visible="True">
    <GfxURL><Term T="0" Value="Game\\Tutorial\\%s.png"/></GfxURL>
    <X><Term T="0" Value="66"/></X>
    <Y><Term T="0" Value="100"/></Y>
    <PivotX><Term T="0" Value="0.5"/></PivotX>
    <PivotY><Term T="0" Value="0.5"/></PivotY>
  </Channel>
  <Channel ClassId="LiveText" Caption="Text" Visible="True">
    <FontURL><Term T="0" Value="Text.fnt"/></FontURL>
    <Data><Term T="0" Value="$%s$"/></Data>
    <Align><Term T="0" Value="0"/></Align>
    <VAlign><Term T="0" Value="1"/></VAlign>
    <X><Term T="0" Value="136"/></X>
    <Y><Term T="0" Value="0"/></Y>
    <Width><Term T="0" Value="200"/></Width>
    <Height><Term T="0" Value="200"/></Height>
    <Color><Term T="0" Value="16773336"/></Color>
  </Channel>
</Animation>
""" % (picture, key)


FIND_PAIRS_ANI = """<?xml version="1.0" encoding="UTF-8"?>
<!-- The find-pairs selection: the selected object's own picture (the puzzle puts it into both
     channels in place of the placeholder), and over it the same picture added in gold, glowing
     slowly up and down. -->
<Animation Looped="True" Speed="1" OriginX="0" OriginY="0" Width="0" Height="0">
  <Channel ClassId="LivePicture" Caption="Picture" Visible="True">
    <GfxURL><Term T="0" Value="Game\\Shine.png"/></GfxURL>
    <X><Term T="0" Value="0"/></X>
    <Y><Term T="0" Value="0"/></Y>
  </Channel>
  <Channel ClassId="LivePicture" Caption="Glow" Visible="True">
    <GfxURL><Term T="0" Value="Game\\Shine.png"/></GfxURL>
    <X><Term T="0" Value="0"/></X>
    <Y><Term T="0" Value="0"/></Y>
    <Blending><Term T="0" Value="3"/></Blending>
    <Color><Term T="0" Value="16769184"/></Color>
    <Alpha><Term T="0" Value="0.15"/><Term T="450" Value="0.7"/><Term T="900" Value="0.15"/></Alpha>
  </Channel>
</Animation>
"""


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx", "Game")
    pictures = {
        "Shells\\Table.png": table(),
        "Shells\\Scallop.png": scallop((0.95, 0.55, 0.40), (0.70, 0.30, 0.20)),
        "Shells\\PaleScallop.png": scallop((0.96, 0.86, 0.55), (0.72, 0.58, 0.30)),
        "Shells\\Conch.png": conch(),
        "Shells\\Starfish.png": starfish((0.92, 0.40, 0.20)),
        "Shells\\BlueStarfish.png": starfish((0.30, 0.45, 0.85)),
        "Shells\\Urchin.png": urchin(),
        "Shells\\Mussel.png": mussel(),
        "Shells\\SandDollar.png": sand_dollar(),
        "01_Alaska\\Arrival\\Station.png": station(),
        "01_Alaska\\Arrival\\PDA.png": pda(),
        "01_Alaska\\Arrival\\Scanner.png": scanner(),
        "01_Alaska\\Arrival\\Suitcase.png": suitcase(),
        "01_Alaska\\Arrival\\Ticket.png": ticket(),
        "01_Alaska\\Arrival\\Mittens.png": mittens(),
        "01_Alaska\\Arrival\\Thermos.png": thermos(),
    }
    for kind in ("Relaxed", "Timed", "ScannerOff"):
        pictures["01_Alaska\\Arrival\\%s.png" % kind] = difficulty_board(kind)
    animations = {"FX\\FindPairs.ani": FIND_PAIRS_ANI}
    for page, picture, key in TUTORIAL_PAGES:
        pictures["Tutorial\\%s.png" % picture] = tutorial_picture(picture)
        animations["Tutorial\\" + page] = tutorial_page(picture, key)
    files = [(name, canvas.png()) for name, canvas in pictures.items()]
    files += [(name, ani.encode("utf-8")) for name, ani in animations.items()]
    for name, data in sorted(files):
        path = os.path.join(folder, *name.split("\\"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    print("%d pictures and %d animations in %s" % (len(pictures), len(animations), folder))
    return 0


if __name__ == "__main__":
    sys.exit(main())
