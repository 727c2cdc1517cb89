#!/usr/bin/env python3
"""Draws the pictures of Zari's hand-held device and writes them below a content folder's
gfx/UI/GameMenuWindow:

  PDAskins/Body01a.png .. Body05b.png   the device body in its five colours, with the status
                                        light on (a) and dimmed (b)
  PDAskins/Back01.ani .. Back05.ani     the body of each colour, its light blinking slowly
  PDAskins/Screen01.jp2 .. Screen09.jp2 the nine display skins (PNG data under the .jp2 name:
                                        pictures are decoded by their signature)
  Avatars/<Name>Face.jp2                the faces of the briefing speakers (Zarnika, Tobrel,
                                        Quillan, Oskelin, Tovan, EskimoElder)
  Portraits/<Name>.png                  the character pages' portraits (EdrinRorvik,
                                        SaelaVelgrath, OskelinHarrow), on the page's left
  ArrowUp*.png, ArrowDown*.png          the scroll arrows in four looks
  Movie/Dialogue01.ani .. Dialogue05.ani
                                        the device's short movie: the harbour's people speak in
                                        turn, each picture with one stop ("Key" channel)

The pictures are drawn at half the size the window shows them; the window stretches them.
The buttons, check boxes and bars are the start window's pictures (make_widget_pictures.py),
the left and right arrows the main menu's (make_main_menu_pictures.py).

Usage: make_pda_pictures.py [CONTENT_FOLDER]   (default: content)

Only the standard library is needed; each run writes the same files.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_main_menu_pictures import GOLD, INK, circle, polygon, ring  # noqa: E402
from make_widget_pictures import (BRASS, BRASS_DARK, LOOKS, Canvas, mix,  # noqa: E402
                                  rounded_rect, segment, vertical)

# Body colours, in the order of the device colours 1 to 5: slate, red, green, violet, blue.
BODIES = [
    ((0.36, 0.40, 0.46), (0.18, 0.20, 0.24)),
    ((0.62, 0.16, 0.14), (0.32, 0.07, 0.07)),
    ((0.20, 0.48, 0.28), (0.09, 0.24, 0.13)),
    ((0.44, 0.26, 0.58), (0.22, 0.12, 0.30)),
    ((0.18, 0.36, 0.66), (0.08, 0.17, 0.34)),
]

# Display skins: top and bottom of the glass, and the tint of its pattern.
SKINS = [
    ((0.10, 0.22, 0.30), (0.03, 0.08, 0.12), (0.30, 0.70, 0.80)),
    ((0.16, 0.20, 0.12), (0.05, 0.07, 0.03), (0.60, 0.80, 0.35)),
    ((0.24, 0.16, 0.10), (0.08, 0.05, 0.03), (0.95, 0.70, 0.35)),
    ((0.10, 0.10, 0.22), (0.03, 0.03, 0.09), (0.55, 0.55, 0.95)),
    ((0.22, 0.10, 0.16), (0.08, 0.03, 0.05), (0.95, 0.45, 0.65)),
    ((0.14, 0.14, 0.14), (0.04, 0.04, 0.04), (0.80, 0.80, 0.80)),
    ((0.06, 0.20, 0.20), (0.02, 0.07, 0.07), (0.35, 0.90, 0.75)),
    ((0.20, 0.20, 0.08), (0.07, 0.07, 0.02), (0.90, 0.85, 0.40)),
    ((0.08, 0.14, 0.26), (0.02, 0.04, 0.09), (0.45, 0.65, 1.00)),
]

# Speakers: skin, hair, and coat colours.
FACES = {
    "Zarnika": ((0.86, 0.66, 0.50), (0.20, 0.10, 0.06), (0.16, 0.36, 0.52)),
    "Tobrel": ((0.80, 0.60, 0.46), (0.55, 0.55, 0.58), (0.40, 0.28, 0.16)),
    "Quillan": ((0.70, 0.50, 0.36), (0.12, 0.08, 0.05), (0.30, 0.44, 0.24)),
    "Oskelin": ((0.84, 0.64, 0.52), (0.62, 0.36, 0.14), (0.20, 0.22, 0.30)),
    "Tovan": ((0.56, 0.38, 0.26), (0.08, 0.06, 0.05), (0.55, 0.20, 0.16)),
    "EskimoElder": ((0.74, 0.56, 0.42), (0.90, 0.90, 0.92), (0.70, 0.62, 0.50)),
}
PORTRAITS = {
    "EdrinRorvik": ((0.80, 0.60, 0.46), (0.55, 0.55, 0.58), (0.14, 0.20, 0.34)),
    "SaelaVelgrath": ((0.88, 0.68, 0.54), (0.45, 0.16, 0.08), (0.16, 0.36, 0.52)),
    "OskelinHarrow": ((0.84, 0.64, 0.52), (0.62, 0.36, 0.14), (0.20, 0.22, 0.30)),
}


def fill(c, shade):
    """Every pixel of the canvas painted opaque with shade(x, y)."""
    for y in range(c.height):
        for x in range(c.width):
            c.paint(x, y, shade(x + 0.5, y + 0.5), 1.0)


def body(colour, light_on):
    """The device: a rounded case with a brass rim, a dark bezel around the display's place,
    a speaker grille and the status light."""
    top, bottom = BODIES[colour]
    c = Canvas(350, 260)
    c.shape(rounded_rect(2, 4, 349, 260, 26), lambda x, y: (0, 0, 0), 0.35)
    c.shape(rounded_rect(1, 1, 347, 256, 26), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(3, 3, 345, 254, 24), vertical(top, bottom, 3, 254))
    c.shape(rounded_rect(6, 5, 342, 60, 20), lambda x, y: (1, 1, 1), 0.08)
    c.shape(rounded_rect(24, 19, 326, 231, 8), lambda x, y: INK)
    for i in range(6):
        c.shape(segment(130 + i * 9, 242, 130 + i * 9, 249, 3), lambda x, y: INK, 0.6)
    lamp = (0.40, 1.00, 0.45) if light_on else (0.12, 0.30, 0.14)
    c.shape(circle(318, 244, 4.5), lambda x, y: lamp)
    if light_on:
        c.shape(circle(318, 244, 8), lambda x, y: lamp, 0.25)
    return c


def screen(skin):
    """A display skin: a glass gradient with a faint chart of the harbour's waters."""
    top, bottom, tint = SKINS[skin]
    c = Canvas(290, 200)
    fill(c, vertical(top, bottom, 0, 200))
    for r in (40, 70, 100, 130):
        c.shape(ring(60, 170, r, 1.2), lambda x, y: tint, 0.18)
    for x in range(0, 290, 29):
        c.shape(segment(x, 0, x, 200, 1), lambda x_, y_: tint, 0.07)
    for y in range(0, 200, 25):
        c.shape(segment(0, y, 290, y, 1), lambda x_, y_: tint, 0.07)
    c.shape(polygon([(0, 0), (290, 0), (290, 18), (0, 60)]), lambda x, y: (1, 1, 1), 0.05)
    return c


def head(c, cx, cy, scale, colours):
    """A face in a coat collar: shoulders, neck, head, hair, eyes."""
    skin, hair, coat = colours
    c.shape(rounded_rect(cx - 34 * scale, cy + 22 * scale, cx + 34 * scale, cy + 64 * scale,
                         18 * scale), lambda x, y: coat)
    c.shape(rounded_rect(cx - 8 * scale, cy + 10 * scale, cx + 8 * scale, cy + 28 * scale,
                         4 * scale), lambda x, y: mix(skin, (0, 0, 0), 0.15))
    c.shape(circle(cx, cy - 4 * scale, 21 * scale), lambda x, y: hair)
    c.shape(rounded_rect(cx - 16 * scale, cy - 16 * scale, cx + 16 * scale, cy + 18 * scale,
                         14 * scale), lambda x, y: skin)
    c.shape(rounded_rect(cx - 18 * scale, cy - 26 * scale, cx + 18 * scale, cy - 10 * scale,
                         8 * scale), lambda x, y: hair)
    for ex in (-7, 7):
        c.shape(circle(cx + ex * scale, cy + 1 * scale, 2.2 * scale), lambda x, y: INK)
    c.shape(segment(cx - 5 * scale, cy + 10 * scale, cx + 5 * scale, cy + 10 * scale,
                    1.6 * scale), lambda x, y: mix(skin, (0.4, 0.1, 0.1), 0.5))


def face(colours):
    c = Canvas(96, 96)
    c.shape(rounded_rect(0, 0, 96, 96, 10), lambda x, y: BRASS)
    c.shape(rounded_rect(3, 3, 93, 93, 8), vertical((0.30, 0.50, 0.62), (0.10, 0.20, 0.30), 3, 93))
    head(c, 48, 44, 1.0, colours)
    return c


def portrait(colours):
    """The character page: the portrait in a brass frame on the left, the rest left clear for
    the name and the biography."""
    c = Canvas(290, 200)
    c.shape(rounded_rect(6, 10, 92, 130, 6), lambda x, y: BRASS)
    c.shape(rounded_rect(9, 13, 89, 127, 4), vertical((0.32, 0.52, 0.64), (0.10, 0.20, 0.30),
                                                     13, 127))
    head(c, 49, 62, 1.05, colours)
    c.shape(segment(98, 22, 98, 160, 1), lambda x, y: GOLD, 0.4)
    return c


def scroll_arrow(look, up):
    top, bottom, rim, pressed = LOOKS[look]
    c = Canvas(32, 32)
    c.shape(rounded_rect(1, 1, 31, 31, 8), lambda x, y: rim)
    c.shape(rounded_rect(3, 3 + pressed, 29, 29 + pressed, 6), vertical(top, bottom, 3, 29))
    tip, back = (10 + pressed, 21 + pressed) if up else (22 + pressed, 11 + pressed)
    mark = (0.8, 0.8, 0.82) if look == "Disabled" else GOLD
    c.shape(polygon([(8, back), (16, tip), (24, back)]), lambda x, y: mark)
    return c


BACK_ANI = """<?xml version="1.0" encoding="UTF-8"?>
<!-- The device body, colour %(n)s: the status light blinks once every two seconds. -->
<Animation Looped="True" Speed="1" OriginX="0" OriginY="0" Width="350" Height="260">
  <Channel ClassId="LivePicture" Caption="Body" Visible="True">
    <GfxURL>
      <Term T="0" Value="UI\\GameMenuWindow\\PDAskins\\Body%(n)sa.png"/>
      <Term T="1700" Value="UI\\GameMenuWindow\\PDAskins\\Body%(n)sb.png"/>
      <Term T="2000" Value="UI\\GameMenuWindow\\PDAskins\\Body%(n)sa.png"/>
    </GfxURL>
  </Channel>
</Animation>
"""

# The movie: who speaks in each picture, and the line shown beside the face.
MOVIE = [("Tobrel", "DialogueKeeper"), ("Zarnika", "DialogueZari"),
         ("Oskelin", "DialogueFerryman"), ("Tobrel", "DialogueKeeperAgain"),
         ("Zarnika", "DialogueZariLast")]

DIALOGUE_ANI = """<?xml version="1.0" encoding="UTF-8"?>
<!-- The device's movie, picture %(n)s: the face fades in, the line appears and the picture
     waits at the stop of its "Key" channel (1200 ms) until Next; it ends at 2600 ms. -->
<Animation Looped="False" Speed="1" OriginX="0" OriginY="0" Width="580" Height="340">
  <Channel ClassId="LivePicture" Caption="Key" Visible="False">
    <X><Term T="0" Value="0"/><Term T="1200" Value="0"/></X>
  </Channel>
  <Channel ClassId="LivePicture" Caption="Face" Visible="True">
    <GfxURL><Term T="0" Value="UI\\GameMenuWindow\\Avatars\\%(face)sFace.jp2"/></GfxURL>
    <X><Term T="0" Value="30"/></X>
    <Y><Term T="0" Value="40"/></Y>
    <ScaleX><Term T="0" Value="1.5"/></ScaleX>
    <ScaleY><Term T="0" Value="1.5"/></ScaleY>
    <Alpha><Term T="0" Value="0"/><Term T="500" Value="1"/><Term T="2300" Value="1"/><Term T="2600" Value="0"/></Alpha>
  </Channel>
  <Channel ClassId="LiveText" Caption="Line" Visible="True">
    <Data><Term T="0" Value="$%(line)s$"/></Data>
    <FontURL><Term T="0" Value="Text.fnt"/></FontURL>
    <X><Term T="0" Value="210"/></X>
    <Y><Term T="0" Value="60"/></Y>
    <Width><Term T="0" Value="340"/></Width>
    <Height><Term T="0" Value="240"/></Height>
    <Alpha><Term T="0" Value="0"/><Term T="600" Value="0"/><Term T="900" Value="1"/><Term T="2300" Value="1"/><Term T="2600" Value="0"/></Alpha>
  </Channel>
</Animation>
"""


def pictures():
    p = {}
    for i in range(len(BODIES)):
        n = "%02d" % (i + 1)
        p["PDAskins/Body%sa.png" % n] = lambda i=i: body(i, True)
        p["PDAskins/Body%sb.png" % n] = lambda i=i: body(i, False)
    for i in range(len(SKINS)):
        p["PDAskins/Screen%02d.jp2" % (i + 1)] = lambda i=i: screen(i)
    for name, colours in FACES.items():
        p["Avatars/%sFace.jp2" % name] = lambda colours=colours: face(colours)
    for name, colours in PORTRAITS.items():
        p["Portraits/%s.png" % name] = lambda colours=colours: portrait(colours)
    for look in LOOKS:
        p["ArrowUp%s.png" % look] = lambda look=look: scroll_arrow(look, True)
        p["ArrowDown%s.png" % look] = lambda look=look: scroll_arrow(look, False)
    return p


def texts():
    t = {}
    for i in range(len(BODIES)):
        t["PDAskins/Back%02d.ani" % (i + 1)] = BACK_ANI % {"n": "%02d" % (i + 1)}
    for i, (who, line) in enumerate(MOVIE):
        t["Movie/Dialogue%02d.ani" % (i + 1)] = DIALOGUE_ANI % {
            "n": i + 1, "face": who, "line": line}
    return t


def write(path, data, mode):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if mode == "wb":
        with open(path, "wb") as f:
            f.write(data)
    else:
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(data)
    print("%s: %d bytes" % (path, len(data)))


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    root = os.path.join(sys.argv[1] if len(sys.argv) == 2 else "content", "gfx", "UI",
                        "GameMenuWindow")
    for name, draw in sorted(pictures().items()):
        write(os.path.join(root, *name.split("/")), draw().png(), "wb")
    for name, text in sorted(texts().items()):
        write(os.path.join(root, *name.split("/")), text, "w")
    return 0


if __name__ == "__main__":
    sys.exit(main())
