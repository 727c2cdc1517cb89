#!/usr/bin/env python3
"""Draws the match-three game's pictures and writes them, with the animations that show them,
into content/gfx/Game/Match:

  GameItems/Gem1..Gem9   nine sea gems, each of its own shape and colour (a 41-pixel cell):
                         Static.png, its glow, and Selected, FX (the blink), Explode, Shuffle,
                         Tail (the fly-in at the start) and Scale (the level's end) animations
  GameItems/Bonuses      the line bonus (a harpoon), the cross bonus (a compass rose) and the
                         dice bonus (a die): Static, Selected, Explode, Tail and Scale, the
                         chains' trails (Explosion.ani) and heads (SpecialAct1..4.png), the
                         dice's flying sparks and its flash over the screen (Global.ani)
  GameItems/Block        the stone head the player brings down: Default.ani, Scale.ani
  MatchScreen            the board under the cells (a fishing net over night water), the covers
                         (sailcloth), walls (a rope beam), the blocks' path, the trigger, the
                         portal and its effect, the sockets (TargetCell), the screen's frame,
                         the time line and the score plate
  Stuff                  the hint's comet and star, the block's comet, points, bursts

Usage: make_match_pictures.py [OUTPUT_FOLDER]

The canvas, the shapes and the palette are those of make_widget_pictures.py and
make_map_pictures.py. Field pictures carry PNG data under their ".jp2" names: the game decodes
pictures by their signature.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_map_pictures import circle, polygon, ring  # noqa: E402
from make_widget_pictures import (BRASS, BRASS_DARK, NAVY, SEA, Canvas, clamp, mix,  # noqa: E402
                                  rounded_rect, segment, vertical)

CELL = 41
HALF = CELL / 2
BOARD = 10 * CELL
ROOT = "Game\\Match\\"
ROPE = (0.72, 0.60, 0.40)
ROPE_DARK = (0.42, 0.32, 0.20)
WHITE = (1.0, 1.0, 1.0)
GOLD = (1.0, 0.88, 0.50)
STONE = (0.55, 0.55, 0.52)
STONE_DARK = (0.30, 0.30, 0.30)


# --- Shapes ---------------------------------------------------------------------------------

def union(*dists):
    return lambda x, y: min(d(x, y) for d in dists)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def regular(cx, cy, radius, sides, turn=0.0):
    return polygon([(cx + radius * math.cos(math.radians(turn + 360 * i / sides)),
                     cy + radius * math.sin(math.radians(turn + 360 * i / sides)))
                    for i in range(sides)])


def star(cx, cy, outer, inner, points, turn=-90.0):
    pts = []
    for i in range(2 * points):
        r = outer if i % 2 == 0 else inner
        a = math.radians(turn + 180 * i / points)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(pts)


def offset(dist, amount):
    """The shape grown (positive) or shrunk (negative) by amount pixels."""
    return lambda x, y: dist(x, y) - amount


def shifted(dist, dx, dy):
    return lambda x, y: dist(x - dx, y - dy)


# --- Gems -----------------------------------------------------------------------------------

# Kind: (name, face colour, shape). The shapes differ as much as the colours, so that a player
# who cannot tell two colours apart still tells the gems apart.
c = HALF
GEMS = {
    1: ("ruby", (0.86, 0.14, 0.18), circle(c, c, 15)),
    2: ("sapphire", (0.16, 0.38, 0.92), polygon([(c, 4), (37, c), (c, 37), (4, c)])),
    3: ("emerald", (0.12, 0.72, 0.30), regular(c, c, 16.5, 6)),
    4: ("topaz", (0.98, 0.82, 0.12), polygon([(c, 4.5), (37, 34), (4, 34)])),
    5: ("amethyst", (0.62, 0.24, 0.86), star(c, c + 1, 17.5, 8, 5)),
    6: ("amber", (0.98, 0.52, 0.10), rounded_rect(6.5, 6.5, 34.5, 34.5, 5)),
    7: ("aquamarine", (0.20, 0.82, 0.88),
        union(circle(c, 25, 11.5), polygon([(c, 3.5), (31, 19), (10, 19)]))),
    8: ("rose", (0.98, 0.46, 0.70),
        union(circle(14, 15, 8.5), circle(27, 15, 8.5), polygon([(6, 18), (35, 18), (c, 36)]))),
    9: ("moonstone", (0.86, 0.88, 0.96), subtract(circle(c, c, 16), circle(27, 15, 12.5))),
}
del c


def jewel(dist, rgb, glow=0.0):
    """A faceted piece: a shadow, a dark rim, a face lit from the upper left and a gloss."""
    canvas = Canvas(CELL, CELL)
    dark = mix(rgb, (0, 0, 0), 0.55)
    light = mix(rgb, WHITE, 0.45 + glow * 0.4)
    canvas.shape(shifted(dist, 1.2, 1.8), lambda x, y: (0, 0, 0), 0.35)
    canvas.shape(dist, lambda x, y: dark)
    canvas.shape(offset(dist, -2.2),
                 lambda x, y: mix(light, mix(rgb, dark, 0.3), ((x - 6) + (y - 6)) / 50))
    # A facet line across the face and the gloss spot.
    canvas.shape(lambda x, y: max(dist(x, y) + 4, abs((x - y) * 0.7) - 1.2),
                 lambda x, y: WHITE, 0.18 + glow * 0.2)
    canvas.shape(lambda x, y: max(dist(x, y) + 3,
                                  math.hypot((x - 14) / 1.6, y - 12) - 3.2),
                 lambda x, y: WHITE, 0.65)
    if glow:
        canvas.shape(offset(dist, 3.5), lambda x, y: mix(rgb, WHITE, 0.6), 0.25 * glow)
    return canvas


def burst(rgb, size=64):
    """A soft starburst of light, for explosions and sparks."""
    canvas = Canvas(size, size)
    m = size / 2
    for r, a in ((m * 0.95, 0.12), (m * 0.6, 0.25), (m * 0.35, 0.55), (m * 0.18, 1.0)):
        canvas.shape(circle(m, m, r), lambda x, y: mix(rgb, WHITE, 0.5), a)
    for i in range(8):
        a = math.radians(i * 45 + 22.5)
        canvas.shape(segment(m, m, m + m * 0.9 * math.cos(a), m + m * 0.9 * math.sin(a),
                             2.2 if i % 2 else 1.2), lambda x, y: WHITE, 0.6)
    return canvas


def tail_picture(rgb):
    """A streak of light above a falling piece, brightest next to it."""
    canvas = Canvas(24, 60)
    canvas.shape(rounded_rect(4, 0, 20, 60, 8), lambda x, y: mix(rgb, WHITE, 0.4))
    # Fade the streak towards its upper end by painting the night over it.
    for y in range(60):
        for x in range(24):
            p = canvas.px[y * 24 + x]
            p[:] = [v * (y / 60) ** 1.5 for v in p]
    return canvas


# --- Animations -----------------------------------------------------------------------------

def terms(keys):
    if not isinstance(keys, (list, tuple)):
        keys = [(0, keys)]
    out = []
    for t, v in keys:
        if isinstance(v, bool):
            v = "True" if v else "False"
        elif isinstance(v, float):
            v = ("%.3f" % v).rstrip("0").rstrip(".")
        out.append('<Term T="%d" Value="%s"/>' % (t, v))
    return "".join(out)


def picture(caption, gfx, **keys):
    """A live picture channel: gfx is a URL or a list of (time, URL); keys are its sequences."""
    body = ["    <GfxURL>%s</GfxURL>" % terms(gfx)]
    for name, value in keys.items():
        body.append("    <%s>%s</%s>" % (name, terms(value), name))
    return ('  <Channel ClassId="LivePicture" Caption="%s" Visible="True">\n%s\n  </Channel>'
            % (caption, "\n".join(body)))


def text(caption, **keys):
    body = []
    for name, value in keys.items():
        body.append("    <%s>%s</%s>" % (name, terms(value), name))
    return ('  <Channel ClassId="LiveText" Caption="%s" Visible="True">\n%s\n  </Channel>'
            % (caption, "\n".join(body)))


def animation(comment, channels, looped, width=CELL, height=CELL):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<!-- %s -->\n'
            '<Animation Looped="%s" Speed="1" OriginX="0" OriginY="0" Width="%d" Height="%d">\n'
            '%s\n</Animation>\n' % (comment, "True" if looped else "False", width, height,
                                    "\n".join(channels)))


def centred(**keys):
    """Keys of a picture turned and scaled about the middle of a cell."""
    base = dict(X=HALF, Y=HALF, PivotX=0.5, PivotY=0.5)
    base.update(keys)
    return base


def item_animations(folder, name, static, glow, rgb_burst):
    """The selected, blink, explode, shuffle, fly-in and collection animations of an item whose
    pictures are folder + static and folder + glow."""
    s, g = folder + static, folder + glow
    burst_gfx = ROOT + "Stuff\\Burst.png"
    sparkle = ROOT + "Stuff\\Sparkle.png"
    return {
        "Selected.ani": animation(
            "The %s picked up by the player: it swells and its glow breathes." % name,
            [picture("Item", s, SmoothScaling=True,
                     ScaleX=[(0, 1.0), (300, 1.12), (600, 1.0)],
                     ScaleY=[(0, 1.0), (300, 1.12), (600, 1.0)], **centred()),
             picture("Glow", g, Blending=3, Alpha=[(0, 0.1), (300, 0.6), (600, 0.1)],
                     **centred()),
             picture("Ring", ROOT + "Stuff\\SelectRing.png", SmoothRotation=True,
                     Angle=[(0, 0), (600, 90)], **centred())], True),
        "FX.ani": animation(
            "The %s blinks once under the mouse or in the board's wave." % name,
            [picture("Item", s, **centred()),
             picture("Glow", g, Blending=3, Alpha=[(0, 0), (200, 0.9), (600, 0)],
                     **centred())], False),
        "Explode.ani": animation(
            "The %s bursts: it swells and fades into a flash of its colour." % name,
            [picture("Item", s, SmoothScaling=True, ScaleX=[(0, 1.0), (250, 1.35)],
                     ScaleY=[(0, 1.0), (250, 1.35)], Alpha=[(0, 1.0), (250, 0.0)],
                     **centred()),
             picture("Burst", burst_gfx, Blending=3, SmoothScaling=True,
                     ScaleX=[(0, 0.2), (350, 1.1)], ScaleY=[(0, 0.2), (350, 1.1)],
                     Alpha=[(0, 1.0), (350, 0.0)], Color=rgb_burst, **centred())], False),
        "Shuffle.ani": animation(
            "The %s tossed by the shuffle: it glitters while it flies." % name,
            [picture("Item", s, **centred()),
             picture("Glitter", sparkle, Blending=3, SmoothRotation=True,
                     Angle=[(0, 0), (500, 180)], Alpha=[(0, 0.8), (250, 0.2), (500, 0.8)],
                     **centred())], True),
        "Tail.ani": animation(
            "The %s falling into the net at the start, a streak of light behind it." % name,
            [picture("Tail", folder + "TailStreak.png", Blending=3, X=HALF, Y=HALF,
                     PivotX=0.5, PivotY=1.0, Alpha=0.8),
             picture("Item", s, **centred())], True),
        "Scale.ani": animation(
            "The %s taken at the level's end: it swells, shines and shrinks away." % name,
            [picture("Item", s, SmoothScaling=True,
                     ScaleX=[(0, 1.0), (250, 1.3), (600, 0.0)],
                     ScaleY=[(0, 1.0), (250, 1.3), (600, 0.0)],
                     Alpha=[(0, 1.0), (450, 1.0), (600, 0.0)], **centred()),
             picture("Shine", sparkle, Blending=3, SmoothScaling=True,
                     ScaleX=[(0, 0.3), (300, 1.4), (600, 0.2)],
                     ScaleY=[(0, 0.3), (300, 1.4), (600, 0.2)],
                     Alpha=[(0, 0.0), (250, 1.0), (600, 0.0)], **centred())], False),
    }


def rgb_int(rgb):
    """A colour key as the animations read it: 0xRRGGBB."""
    r, g, b = (int(round(clamp(v) * 255)) for v in rgb)
    return (r << 16) | (g << 8) | b


def gems(out):
    for kind, (name, rgb, dist) in GEMS.items():
        folder = "GameItems\\Gem%d\\" % kind
        out.pictures[folder + "Static.png"] = jewel(dist, rgb)
        out.pictures[folder + "Glow.png"] = jewel(offset(dist, 1.5), rgb, glow=1.0)
        out.pictures[folder + "TailStreak.png"] = tail_picture(rgb)
        for file, ani in item_animations(ROOT + folder, name, "Static.png", "Glow.png",
                                         rgb_int(mix(rgb, WHITE, 0.3))).items():
            out.animations[folder + file] = ani


# --- Bonuses --------------------------------------------------------------------------------

def disc(canvas, rim, face):
    canvas.shape(circle(HALF + 1, HALF + 1.5, 18), lambda x, y: (0, 0, 0), 0.35)
    canvas.shape(circle(HALF, HALF, 18), lambda x, y: rim)
    canvas.shape(circle(HALF, HALF, 15.5), vertical(mix(face, WHITE, 0.3), face, 4, 37))


def arrow_shape(direction, length=15, head=7, width=4):
    """A harpoon from the middle towards direction (dx, dy), as a signed distance."""
    dx, dy = direction
    tip = (HALF + dx * length, HALF + dy * length)
    back = (HALF + dx * (length - head), HALF + dy * (length - head))
    side = (-dy * head * 0.8, dx * head * 0.8)
    shaft = segment(HALF, HALF, back[0], back[1], width)
    barb = polygon([tip, (back[0] + side[0], back[1] + side[1]),
                    (back[0] - side[0], back[1] - side[1])])
    return union(shaft, barb)


def line_bonus(glow=0.0):
    canvas = Canvas(CELL, CELL)
    disc(canvas, BRASS_DARK, mix(SEA, WHITE, glow * 0.3))
    harpoon = union(arrow_shape((1, 0), 16), arrow_shape((-1, 0), 16))
    canvas.shape(shifted(harpoon, 0.8, 1), lambda x, y: (0, 0, 0), 0.4)
    canvas.shape(harpoon, lambda x, y: mix(GOLD, WHITE, glow * 0.5))
    return canvas


def cross_bonus(glow=0.0):
    canvas = Canvas(CELL, CELL)
    disc(canvas, BRASS, mix(NAVY, WHITE, glow * 0.3))
    rose = star(HALF, HALF, 17, 4.5, 4)
    canvas.shape(shifted(rose, 0.8, 1), lambda x, y: (0, 0, 0), 0.4)
    canvas.shape(rose, lambda x, y: mix((0.95, 0.3, 0.25) if y < HALF - 3 else GOLD, WHITE,
                                        glow * 0.5))
    canvas.shape(circle(HALF, HALF, 3), lambda x, y: BRASS_DARK)
    return canvas


def dice_bonus(glow=0.0):
    canvas = Canvas(CELL, CELL)
    canvas.shape(rounded_rect(6, 7, 38, 39, 6), lambda x, y: (0, 0, 0), 0.35)
    canvas.shape(rounded_rect(4, 4, 36, 36, 6), lambda x, y: (0.62, 0.55, 0.45))
    canvas.shape(rounded_rect(5.5, 5.5, 34.5, 34.5, 5),
                 vertical(mix((0.98, 0.95, 0.88), WHITE, glow), (0.85, 0.80, 0.70), 5, 35))
    for px, py in ((12, 12), (29, 12), (20.5, 20.5), (12, 29), (29, 29)):
        canvas.shape(circle(px, py, 3.2), lambda x, y: (0.75, 0.12, 0.15))
    return canvas


def head(direction):
    """The head of an explosion chain: a glowing harpoon point flying along the row or column."""
    canvas = Canvas(CELL, CELL)
    dist = arrow_shape(direction, 17, 9, 5)
    canvas.shape(offset(dist, 3), lambda x, y: GOLD, 0.35)
    canvas.shape(dist, lambda x, y: mix(GOLD, WHITE, 0.5))
    return canvas


def trail(width, height):
    """A glowing streak, brightest along its middle."""
    canvas = Canvas(width, height)
    m = min(width, height) / 2
    for inset, a in ((0, 0.25), (m * 0.35, 0.45), (m * 0.65, 0.9)):
        canvas.shape(rounded_rect(inset, inset, width - inset, height - inset, m - inset),
                     lambda x, y: mix(GOLD, WHITE, inset / m), a)
    return canvas


def bonuses(out):
    kinds = {"Line": (line_bonus, "line bonus", GOLD),
             "Cross": (cross_bonus, "cross bonus", (1.0, 0.55, 0.35)),
             "Dice": (dice_bonus, "dice bonus", (1.0, 0.95, 0.85))}
    for kind, (draw, name, rgb) in kinds.items():
        folder = "GameItems\\Bonuses\\%s\\" % kind
        out.pictures[folder + "Static.png"] = draw()
        out.pictures[folder + "Glow.png"] = draw(glow=1.0)
        out.pictures[folder + "TailStreak.png"] = tail_picture(rgb)
        anis = item_animations(ROOT + folder, name, "Static.png", "Glow.png", rgb_int(rgb))
        anis["Static.ani"] = animation(
            "The %s at rest: a glint runs over it now and then." % name,
            [picture("Item", ROOT + folder + "Static.png", **centred()),
             picture("Glint", ROOT + folder + "Glow.png", Blending=3,
                     Alpha=[(0, 0), (1400, 0), (1700, 0.7), (2000, 0)], **centred())], True)
        for file, ani in anis.items():
            out.animations[folder + file] = ani
    # The chains' heads, one per direction, and their trails.
    line, cross = "GameItems\\Bonuses\\Line\\", "GameItems\\Bonuses\\Cross\\"
    out.pictures[line + "SpecialAct1.png"] = head((-1, 0))
    out.pictures[line + "SpecialAct2.png"] = head((1, 0))
    for i, d in enumerate(((-1, 0), (1, 0), (0, -1), (0, 1))):
        out.pictures[cross + "SpecialAct%d.png" % (i + 1)] = head(d)
    out.pictures[line + "Trail.png"] = trail(41, 20)
    out.pictures[cross + "Trail.png"] = trail(22, 22)
    out.animations[line + "Explosion.ani"] = animation(
        "The trail of a line chain: a flickering streak along the row, its top-left corner on "
        "the chain's point a quarter cell below the row's top.",
        [picture("Trail", ROOT + line + "Trail.png", Blending=3, X=0, Y=0,
                 Alpha=[(0, 0.9), (120, 0.5), (240, 0.9)])], True, 41, 20)
    out.animations[cross + "Explosion.ani"] = animation(
        "The trail of a cross chain: a flickering spark hanging from the chain's point.",
        [picture("Trail", ROOT + cross + "Trail.png", Blending=3, X=0, Y=0, PivotX=0.5,
                 PivotY=0.0, SmoothScaling=True, ScaleX=[(0, 1.0), (120, 1.4), (240, 1.0)],
                 ScaleY=[(0, 1.0), (120, 1.4), (240, 1.0)],
                 Alpha=[(0, 0.9), (120, 0.5), (240, 0.9)])], True, 22, 22)
    dice = "GameItems\\Bonuses\\Dice\\"
    out.pictures[dice + "Spark.png"] = burst((1.0, 0.9, 0.7), 32)
    out.pictures[dice + "Flash.png"] = flash()
    out.animations[dice + "Explosion.ani"] = animation(
        "A spark of the dice shower, turning as the game flies it to its gem.",
        [picture("Spark", ROOT + dice + "Spark.png", Blending=3, SmoothRotation=True,
                 Angle=[(0, 0), (400, 360)], **centred())], True)
    dice_fall = []
    for i in range(6):
        x = 90 + i * 125
        start = i * 120
        dice_fall.append(picture(
            "Die%d" % (i + 1), ROOT + dice + "Static.png", X=x, PivotX=0.5, PivotY=0.5,
            Y=[(0, -40), (start, -40), (start + 900, 720)], SmoothRotation=True,
            Angle=[(0, 0), (start + 900, 540 if i % 2 else -540)],
            Alpha=[(0, 0), (start, 1.0), (start + 900, 1.0)]))
    out.animations[dice + "Global.ani"] = animation(
        "The dice bonus over the whole screen: a flash and dice tumbling down past the board "
        "while the shower gathers (the screen shows it from 100 pixels above its top).",
        [picture("Flash", ROOT + dice + "Flash.png", Blending=3, X=0, Y=0, ScaleX=4.0,
                 ScaleY=4.7, Alpha=[(0, 0.0), (150, 0.7), (1600, 0.0)])] + dice_fall,
        False, 800, 700)


def flash():
    canvas = Canvas(200, 150)
    for y in range(150):
        for x in range(200):
            d = math.hypot((x - 100) / 100, (y - 75) / 75)
            canvas.paint(x, y, (1.0, 0.92, 0.72), clamp(1 - d) * 0.6)
    return canvas


# --- Block ----------------------------------------------------------------------------------

def stone_head(glow=0.0):
    """A little carved stone head, grey and weathered, with glints in its eyes."""
    canvas = Canvas(CELL, CELL)
    skull = union(rounded_rect(8, 5, 33, 36, 9), rounded_rect(5, 14, 36, 24, 4))
    canvas.shape(shifted(skull, 1.2, 1.8), lambda x, y: (0, 0, 0), 0.4)
    canvas.shape(skull, lambda x, y: STONE_DARK)
    canvas.shape(offset(skull, -2), lambda x, y: mix(mix(STONE, WHITE, 0.25), STONE_DARK,
                                                      (x + y - 10) / 60))
    # Brow, eyes, nose and mouth cut into the stone.
    canvas.shape(rounded_rect(11, 13, 30, 15.5, 1), lambda x, y: STONE_DARK, 0.8)
    for ex in (15, 26):
        canvas.shape(circle(ex, 18.5, 2.6), lambda x, y: (0.12, 0.12, 0.14))
        canvas.shape(circle(ex, 18.5, 1.3), lambda x, y: mix((0.5, 0.9, 1.0), WHITE, glow),
                     0.5 + 0.5 * glow)
    canvas.shape(polygon([(20.5, 19), (23, 26), (18, 26)]), lambda x, y: STONE_DARK, 0.7)
    canvas.shape(rounded_rect(15, 29, 26, 31.5, 1), lambda x, y: (0.15, 0.15, 0.16))
    # Barnacles and moss from the sea floor.
    for bx, by, r in ((10, 9, 1.6), (31, 30, 1.8), (28, 8, 1.2)):
        canvas.shape(circle(bx, by, r), lambda x, y: (0.85, 0.82, 0.72))
    canvas.shape(lambda x, y: max(skull(x, y), 30 - y), lambda x, y: (0.25, 0.45, 0.25), 0.45)
    return canvas


def block(out):
    folder = "GameItems\\Block\\"
    out.pictures[folder + "Static.png"] = stone_head()
    out.pictures[folder + "Glow.png"] = stone_head(glow=1.0)
    s, g = ROOT + folder + "Static.png", ROOT + folder + "Glow.png"
    out.animations[folder + "Default.ani"] = animation(
        "The stone head: its eyes glint now and then.",
        [picture("Head", s, **centred()),
         picture("Eyes", g, Alpha=[(0, 0), (2000, 0), (2300, 1.0), (2700, 0)], **centred())],
        True)
    out.animations[folder + "Scale.ani"] = animation(
        "A stone head brought home: it lights up, rises and shrinks away.",
        [picture("Head", g, SmoothScaling=True, ScaleX=[(0, 1.0), (300, 1.35), (800, 0.0)],
                 ScaleY=[(0, 1.0), (300, 1.35), (800, 0.0)], X=HALF,
                 Y=[(0, HALF), (800, HALF - 30)], PivotX=0.5, PivotY=0.5),
         picture("Shine", ROOT + "Stuff\\Sparkle.png", Blending=3, SmoothScaling=True,
                 ScaleX=[(0, 0.3), (400, 1.6), (800, 0.2)],
                 ScaleY=[(0, 0.3), (400, 1.6), (800, 0.2)],
                 Alpha=[(0, 0.0), (300, 1.0), (800, 0.0)], **centred())], False)


# --- The board and the screen ---------------------------------------------------------------

def net_field():
    """The board under the cells: night water with a knotted fishing net, one mesh per cell."""
    canvas = Canvas(BOARD, BOARD)
    for y in range(BOARD):
        for x in range(BOARD):
            u, v = x / BOARD, y / BOARD
            wave = 0.04 * math.sin(u * 23 + v * 7) * math.sin(v * 19 - u * 5)
            rgb = mix((0.05, 0.12, 0.22), (0.09, 0.22, 0.34), 0.5 + wave * 8 - (v - 0.5) * 0.4)
            # The net: a rope along every cell edge, thickest at the knots.
            ex = min(x % CELL, CELL - x % CELL)
            ey = min(y % CELL, CELL - y % CELL)
            rope = clamp(1.6 - min(ex, ey)) if min(ex, ey) < 2 else 0
            if rope:
                rgb = mix(rgb, ROPE_DARK, 0.7 * rope)
            if ex < 3.5 and ey < 3.5:
                rgb = mix(rgb, ROPE, clamp(3.5 - math.hypot(ex, ey)) * 0.9)
            # A soft lighter square in each mesh, so the cells read on the water.
            inner = 1 - max(abs(x % CELL - HALF), abs(y % CELL - HALF)) / HALF
            rgb = mix(rgb, (0.18, 0.32, 0.44), clamp(inner * 1.5) * 0.25)
            canvas.paint(x, y, rgb, 1)
    return canvas


def sailcloth():
    """The covers: patched sailcloth tied over the net, a stitched hem round each cell."""
    canvas = Canvas(BOARD, BOARD)
    for y in range(BOARD):
        for x in range(BOARD):
            weave = 0.03 * ((x % 3 == 0) + (y % 3 == 0))
            patch = ((x // CELL) * 7 + (y // CELL) * 3) % 4
            rgb = mix((0.80, 0.74, 0.60), (0.68, 0.60, 0.46), patch / 4 + weave)
            ex, ey = x % CELL, y % CELL
            edge = min(ex, ey, CELL - 1 - ex, CELL - 1 - ey)
            if edge < 1:
                rgb = mix(rgb, ROPE_DARK, 0.8)
            elif edge == 3 and (ex + ey) % 4 < 2:
                rgb = mix(rgb, ROPE_DARK, 0.5)  # the stitches
            canvas.paint(x, y, rgb, 1)
    return canvas


def wall():
    # A beam of tarred rope across a cell's side; the cell turns it for the left and right sides.
    canvas = Canvas(CELL + 4, 9)
    canvas.shape(rounded_rect(0, 0, CELL + 4, 9, 4), lambda x, y: (0.20, 0.14, 0.08))
    canvas.shape(rounded_rect(1, 1, CELL + 3, 8, 3.5),
                 lambda x, y: mix(ROPE, ROPE_DARK, 0.5 + 0.5 * math.sin((x + 2 * y) * 0.9)))
    return canvas


def key_path():
    # The blocks' way down: a faint chain of links through the cell.
    canvas = Canvas(CELL, CELL)
    canvas.shape(rounded_rect(0, 0, CELL, CELL, 2), lambda x, y: (0.4, 0.6, 0.8), 0.12)
    for cy in (8, 28):
        canvas.shape(ring(HALF, cy, 5.5, 2), lambda x, y: (0.7, 0.75, 0.8), 0.45)
    canvas.shape(ring(HALF, 18, 4, 2), lambda x, y: (0.7, 0.75, 0.8), 0.35)
    return canvas


def trigger():
    # A brass bell on the net: a block reaching it changes the board.
    canvas = Canvas(CELL, CELL)
    canvas.shape(ring(HALF, HALF, 17, 2), lambda x, y: GOLD, 0.5)
    bell = union(polygon([(13, 28), (28, 28), (25, 14), (16, 14)]), circle(20.5, 14, 5))
    canvas.shape(bell, lambda x, y: mix(BRASS, BRASS_DARK, (x - 10) / 22))
    canvas.shape(circle(20.5, 30, 2.5), lambda x, y: BRASS_DARK)
    return canvas


def portal():
    # A whirlpool: spiral arms of foam on deep water.
    canvas = Canvas(CELL, CELL)
    canvas.shape(circle(HALF, HALF, 18), lambda x, y: (0.02, 0.08, 0.18), 0.8)
    for arm in range(3):
        for i in range(30):
            t = i / 30
            a = arm * 2 * math.pi / 3 + t * 4
            r = 2 + t * 15
            canvas.shape(circle(HALF + r * math.cos(a), HALF + r * math.sin(a), 1.6 - t),
                         lambda x, y: (0.6, 0.85, 1.0), 0.7 * (1 - t * 0.6))
    return canvas


def socket():
    # A mooring ring let into the net: where the stone heads rest.
    canvas = Canvas(CELL, CELL)
    canvas.shape(rounded_rect(2, 2, 39, 39, 6), lambda x, y: (0.0, 0.0, 0.0), 0.35)
    canvas.shape(ring(HALF, HALF, 14, 4), lambda x, y: BRASS)
    canvas.shape(ring(HALF, HALF, 14, 1), lambda x, y: GOLD, 0.6)
    return canvas


def padlock():
    canvas = Canvas(20, 22)
    canvas.shape(ring(10, 8, 5, 2.5), lambda x, y: STONE, box=(0, 0, 20, 9))
    canvas.shape(rounded_rect(3, 8, 17, 21, 2), lambda x, y: BRASS)
    canvas.shape(circle(10, 13.5, 1.8), lambda x, y: BRASS_DARK)
    return canvas


def targets(out):
    """The sockets: TargetNN for the kind of gem that unlocks them (00: any), with Lock and
    UnLock variants when the level locks its sockets."""
    folder = "MatchScreen\\TargetCell\\"
    out.pictures[folder + "Socket.png"] = socket()
    out.pictures[folder + "Padlock.png"] = padlock()
    sock, lock = ROOT + folder + "Socket.png", ROOT + folder + "Padlock.png"
    glow = ROOT + "Stuff\\Sparkle.png"
    for kind in range(10):
        mark = [] if kind == 0 else [
            picture("Kind", ROOT + "GameItems\\Gem%d\\Static.png" % kind, ScaleX=0.45,
                    ScaleY=0.45, Alpha=0.85, **centred())]
        base = [picture("Socket", sock, **centred())] + mark
        out.animations[folder + "Target%02d.ani" % kind] = animation(
            "A socket waiting for a stone head.",
            base + [picture("Glow", glow, Blending=3, Alpha=[(0, 0.1), (800, 0.5), (1600, 0.1)],
                            **centred())], True)
        out.animations[folder + "Target%02dLock.ani" % kind] = animation(
            "A locked socket: a match of its gems opens it.",
            base + [picture("Lock", lock, X=29, Y=29, PivotX=0.5, PivotY=0.5,
                            SmoothScaling=True, ScaleX=[(0, 1.0), (600, 1.1), (1200, 1.0)],
                            ScaleY=[(0, 1.0), (600, 1.1), (1200, 1.0)])], True)
        out.animations[folder + "Target%02dUnLock.ani" % kind] = animation(
            "An opened socket, shining to call the stone heads.",
            base + [picture("Glow", glow, Blending=3, SmoothScaling=True,
                            ScaleX=[(0, 0.8), (500, 1.3), (1000, 0.8)],
                            ScaleY=[(0, 0.8), (500, 1.3), (1000, 0.8)],
                            Alpha=[(0, 0.3), (500, 0.9), (1000, 0.3)], **centred())], True)


def frame():
    """The chart table round the board: dark planks with a brass inlay; the board shows through
    the middle."""
    size, inner = 450, 20
    canvas = Canvas(size, size)
    canvas.shape(rounded_rect(0, 0, size, size, 16), lambda x, y: (0, 0, 0), 0.5)
    wood = lambda x, y: mix((0.36, 0.22, 0.12), (0.22, 0.13, 0.07),  # noqa: E731
                            0.5 + 0.5 * math.sin((x * 0.05 + y * 0.9) * 0.6))
    canvas.shape(subtract(rounded_rect(2, 2, size - 2, size - 2, 14),
                          rounded_rect(inner, inner, size - inner, size - inner, 3)), wood)
    canvas.shape(subtract(rounded_rect(inner - 5, inner - 5, size - inner + 5, size - inner + 5,
                                       5),
                          rounded_rect(inner - 2, inner - 2, size - inner + 2,
                                       size - inner + 2, 3)), lambda x, y: BRASS)
    for cx, cy in ((10, 10), (size - 10, 10), (10, size - 10), (size - 10, size - 10)):
        canvas.shape(circle(cx, cy, 4), lambda x, y: GOLD)
    return canvas


def timer_back():
    # The time line's tube: a glass tide gauge in a brass case, standing beside the board.
    canvas = Canvas(44, 400)
    canvas.shape(rounded_rect(0, 0, 44, 400, 12), lambda x, y: BRASS_DARK)
    canvas.shape(rounded_rect(3, 3, 41, 397, 10), vertical(BRASS, BRASS_DARK, 0, 400))
    canvas.shape(rounded_rect(10, 14, 34, 386, 8), lambda x, y: (0.02, 0.05, 0.10))
    for mark in range(1, 10):
        canvas.shape(segment(4, 14 + mark * 37.2, 9, 14 + mark * 37.2, 1.5),
                     lambda x, y: (0.2, 0.12, 0.05))
    return canvas


def timer_fill():
    canvas = Canvas(20, 368)
    canvas.shape(rounded_rect(0, 0, 20, 368, 7),
                 lambda x, y: mix((0.35, 0.80, 0.95), (0.08, 0.30, 0.60), y / 368))
    canvas.shape(rounded_rect(3, 2, 8, 366, 2.5), lambda x, y: WHITE, 0.3)
    return canvas


def score_plate():
    canvas = Canvas(150, 86)
    canvas.shape(rounded_rect(0, 0, 150, 86, 12), lambda x, y: BRASS_DARK)
    canvas.shape(rounded_rect(3, 3, 147, 83, 10), vertical(NAVY, (0.03, 0.06, 0.12), 3, 83))
    canvas.shape(segment(16, 40, 134, 40, 1.2), lambda x, y: BRASS, 0.7)
    return canvas


def screen(out):
    folder = "MatchScreen\\"
    out.pictures[folder + "01_Egypt_FieldA.jp2"] = net_field()
    out.pictures[folder + "FieldB.jp2"] = sailcloth()
    out.pictures[folder + "Blocker.png"] = wall()
    out.pictures[folder + "KeyPathCell.png"] = key_path()
    out.pictures[folder + "Trigger.png"] = trigger()
    out.pictures[folder + "Whirl.png"] = portal()
    out.pictures[folder + "Frame.png"] = frame()
    out.pictures[folder + "TimerBack.png"] = timer_back()
    out.pictures[folder + "TimerFill.png"] = timer_fill()
    out.pictures[folder + "ScorePlate.png"] = score_plate()
    out.animations[folder + "TriggetCell.ani"] = animation(
        "A trigger cell: the bell rocks until a stone head rings it.",
        [picture("Bell", ROOT + folder + "Trigger.png", SmoothRotation=True,
                 Angle=[(0, -12), (500, 12), (1000, -12)], **centred())], True)
    out.animations[folder + "Portal.ani"] = animation(
        "A portal: the whirlpool turns.",
        [picture("Whirl", ROOT + folder + "Whirl.png", Angle=[(0, 0), (2000, -360)],
                 SmoothRotation=True, **centred())], True)
    out.animations[folder + "PortalEffect.ani"] = animation(
        "A stone head carried through a portal: the whirlpool flares and spins away.",
        [picture("Whirl", ROOT + folder + "Whirl.png", Blending=3, SmoothRotation=True,
                 SmoothScaling=True, Angle=[(0, 0), (1000, -720)],
                 ScaleX=[(0, 0.5), (500, 2.0), (1000, 0.3)],
                 ScaleY=[(0, 0.5), (500, 2.0), (1000, 0.3)],
                 Alpha=[(0, 1.0), (800, 0.8), (1000, 0.0)], **centred()),
         picture("Flash", ROOT + "Stuff\\Burst.png", Blending=3, SmoothScaling=True,
                 ScaleX=[(0, 0.2), (500, 1.3), (1000, 0.2)],
                 ScaleY=[(0, 0.2), (500, 1.3), (1000, 0.2)],
                 Alpha=[(0, 0.0), (500, 0.9), (1000, 0.0)], **centred())], False)
    out.animations[folder + "Timer.ani"] = animation(
        "The time line's water: full at the start of a level and ebbing as the time runs out. "
        "The bar seeks this to its position and never plays it.",
        [picture("Water", ROOT + folder + "TimerFill.png", SpriteClipping=True, SpriteLeft=0,
                 SpriteRight=20, SpriteTop=[(0, 0), (1000, 368)], SpriteBottom=368,
                 Y=[(0, 0), (1000, 368)])], False, 20, 368)


# --- Stuff ----------------------------------------------------------------------------------

def star_picture(size=30):
    canvas = Canvas(size, size)
    m = size / 2
    canvas.shape(circle(m, m, m * 0.7), lambda x, y: GOLD, 0.25)
    canvas.shape(star(m, m, m * 0.95, m * 0.38, 5), lambda x, y: mix(GOLD, WHITE, 0.4))
    canvas.shape(star(m, m, m * 0.5, m * 0.2, 5), lambda x, y: WHITE, 0.8)
    return canvas


def sparkle():
    canvas = Canvas(48, 48)
    canvas.shape(circle(24, 24, 10), lambda x, y: WHITE, 0.3)
    canvas.shape(star(24, 24, 23, 2.5, 4, 0), lambda x, y: WHITE, 0.9)
    canvas.shape(star(24, 24, 12, 2, 4, 45), lambda x, y: GOLD, 0.7)
    return canvas


def select_ring():
    canvas = Canvas(CELL, CELL)
    for i in range(8):
        a = i * 45
        canvas.shape(lambda x, y, a=a: max(abs(math.hypot(x - HALF, y - HALF) - 18.5) - 1.3,
                                           abs(((math.degrees(math.atan2(y - HALF, x - HALF))
                                                 - a + 180) % 360) - 180) - 14),
                     lambda x, y: GOLD, 0.9)
    return canvas


def comet_picture(rgb, length):
    canvas = Canvas(length, 24)
    for y in range(24):
        for x in range(length):
            t = x / length
            d = abs(y - 12) / (2 + 10 * t)
            a = clamp(1 - d) * t ** 1.6
            canvas.paint(x, y, mix(rgb, WHITE, t), a)
    canvas.shape(circle(length - 12, 12, 7), lambda x, y: WHITE, 0.9)
    return canvas


def stuff(out):
    folder = "Stuff\\"
    out.pictures[folder + "Star.png"] = star_picture()
    out.pictures[folder + "Sparkle.png"] = sparkle()
    out.pictures[folder + "Burst.png"] = burst((1.0, 0.9, 0.6))
    out.pictures[folder + "SelectRing.png"] = select_ring()
    out.pictures[folder + "CometTail.png"] = comet_picture((0.6, 0.8, 1.0), 64)
    out.pictures[folder + "CometStone.png"] = comet_picture((0.95, 0.75, 0.45), 96)
    out.animations[folder + "StarRoll.ani"] = animation(
        "The hint's star on the gem to move: it turns and twinkles until the gem moves.",
        [picture("Star", ROOT + folder + "Star.png", SmoothRotation=True, SmoothScaling=True,
                 Angle=[(0, 0), (1500, 360)], ScaleX=[(0, 0.8), (750, 1.1), (1500, 0.8)],
                 ScaleY=[(0, 0.8), (750, 1.1), (1500, 0.8)], X=32, Y=9, PivotX=0.5,
                 PivotY=0.5)], True)
    out.animations[folder + "Comet.ani"] = animation(
        "The hint's comet, its head on the middle of a cell and its tail to the upper left; the "
        "hint flies it from above the board.",
        [picture("Comet", ROOT + folder + "CometTail.png", Blending=3, X=HALF, Y=HALF,
                 PivotX=(64 - 12) / 64, PivotY=0.5, Angle=45,
                 Alpha=[(0, 0.7), (150, 1.0), (300, 0.7)])], True)
    out.animations[folder + "Comet02.ani"] = animation(
        "The comet that brings a stone head in from the left of the board.",
        [picture("Comet", ROOT + folder + "CometStone.png", Blending=3, X=HALF, Y=HALF,
                 PivotX=(96 - 12) / 96, PivotY=0.5, Angle=20,
                 Alpha=[(0, 0.7), (150, 1.0), (300, 0.7)]),
         picture("Sparkle", ROOT + folder + "Sparkle.png", Blending=3, SmoothRotation=True,
                 Angle=[(0, 0), (300, 90)], **centred())], True)
    out.animations[folder + "Points.ani"] = animation(
        "Points won, written by the game into the text (channel 0): they rise and fade.",
        [text("Points", FontURL="Text.fnt", Data="", Align=1, VAlign=1,  # right, middle
              Width=120,
              Height=30, Color=rgb_int(GOLD), X=0, Y=[(0, 0), (1000, -36)],
              Alpha=[(0, 1.0), (600, 1.0), (1000, 0.0)])], False, 120, 30)


class Output:
    def __init__(self):
        self.pictures = {}
        self.animations = {}


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    folder = sys.argv[1] if len(sys.argv) == 2 else os.path.join("content", "gfx", "Game",
                                                                   "Match")
    out = Output()
    for part in (gems, bonuses, block, screen, targets, stuff):
        part(out)
    files = [(name, canvas.png()) for name, canvas in out.pictures.items()]
    files += [(name, ani.encode("utf-8")) for name, ani in out.animations.items()]
    for name, data in sorted(files):
        path = os.path.join(folder, *name.split("\\"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    print("%d pictures and %d animations in %s" % (len(out.pictures), len(out.animations),
                                                   folder))
    return 0


if __name__ == "__main__":
    sys.exit(main())
