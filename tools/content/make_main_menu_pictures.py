#!/usr/bin/env python3
"""Draws the main menu's own pictures and animations and writes them below a content folder's
gfx/UI/MainMenuScreen:

  Selected.png, Selected.ani   the marker of the current profile's slot: a brass compass star
                               that glows slowly
  Lock.png                     the padlock over the locked treasure-hunt button
  Slider*.png                  the volume sliders' knob in its four looks
  ArrowLeft*.png, ArrowRight*.png
                               the arrows that step a volume, in four looks each
  Note.png                     the plate of the note that follows the mouse
  Volume.ani                   the volume bar: the brass trough, and its fill on the middle 70%
                               of the bar (where the knob runs), seeked by the volume

The buttons, panels, fields, check boxes and the background are the start window's pictures
(content/gfx/Widgets, drawn by make_widget_pictures.py).

Usage: make_main_menu_pictures.py [CONTENT_FOLDER]   (default: content)

Only the standard library is needed; the drawing helpers are those of make_widget_pictures.py,
so each run writes the same files.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_widget_pictures import (BRASS, BRASS_DARK, LOOKS, Canvas, circle, clamp, mix,  # noqa: E402
                                  polygon, ring, rounded_rect, vertical)

GOLD = (1.0, 0.84, 0.40)
INK = (0.03, 0.05, 0.10)

def star(cx, cy, outer, inner, points=4, turn=0.0):
    corners = []
    for i in range(points * 2):
        a = turn + math.pi * i / points
        r = outer if i % 2 == 0 else inner
        corners.append((cx + r * math.sin(a), cy - r * math.cos(a)))
    return polygon(corners)


def selected():
    """A compass star with a soft halo: the current profile's mark."""
    c = Canvas(28, 28)
    c.shape(circle(14, 14, 13), lambda x, y: GOLD, 0.18)
    c.shape(ring(14, 14, 9.5, 1.6), lambda x, y: BRASS)
    c.shape(star(14, 14, 13, 3.2, 4, math.pi / 4), lambda x, y: BRASS_DARK, 0.9)
    c.shape(star(14, 14, 13, 3.2), lambda x, y: mix(GOLD, (1, 1, 1), 0.3))
    c.shape(circle(14, 14, 2), lambda x, y: INK)
    return c


def lock():
    c = Canvas(32, 36)
    # The shackle, then the body with its keyhole.
    c.shape(ring(16, 14, 8, 3.4), lambda x, y: (0.78, 0.80, 0.84), box=(0, 0, 32, 16))
    for x in (8, 24):
        c.shape(rounded_rect(x - 1.7, 12, x + 1.7, 20, 0.8), lambda px, py: (0.78, 0.80, 0.84))
    c.shape(rounded_rect(4, 17, 28, 35, 4), lambda x, y: BRASS_DARK)
    c.shape(rounded_rect(5.5, 18.5, 26.5, 33.5, 3), vertical(GOLD, BRASS, 18, 34))
    c.shape(circle(16, 24.5, 2.6), lambda x, y: INK)
    c.shape(polygon([(14.6, 25), (17.4, 25), (18.2, 31), (13.8, 31)]), lambda x, y: INK)
    return c


def slider(look):
    top, bottom, rim, pressed = LOOKS[look]
    c = Canvas(20, 36)
    c.shape(rounded_rect(1, 1 + pressed, 19, 35, 6), lambda x, y: rim)
    c.shape(rounded_rect(3, 3 + pressed, 17, 33, 4), vertical(top, bottom, 3, 33))
    for y in (13, 18, 23):
        c.shape(rounded_rect(6, y - 0.8 + pressed, 14, y + 0.8 + pressed, 0.8),
                lambda px, py: rim, 0.9)
    return c


def arrow(look, right):
    top, bottom, rim, pressed = LOOKS[look]
    c = Canvas(32, 32)
    c.shape(rounded_rect(1, 1, 31, 31, 8), lambda x, y: rim)
    c.shape(rounded_rect(3, 3 + pressed, 29, 29 + pressed, 6), vertical(top, bottom, 3, 29))
    tip, back = (22, 11) if right else (10, 21)
    head = [(back, 8 + pressed), (tip, 16 + pressed), (back, 24 + pressed)]
    mark = (0.8, 0.8, 0.82) if look == "Disabled" else GOLD
    c.shape(polygon(head), lambda x, y: mark)
    return c


def note():
    c = Canvas(220, 64)
    c.shape(rounded_rect(0, 0, 220, 64, 10), lambda x, y: BRASS_DARK, 0.95)
    c.shape(rounded_rect(2, 2, 218, 62, 8), vertical((0.10, 0.14, 0.26), (0.04, 0.06, 0.13), 2, 62),
            0.94)
    return c


SELECTED_ANI = """<?xml version="1.0" encoding="UTF-8"?>
<!-- The current profile's mark on its slot button: a compass star at the slot's left end that
     glows and dims slowly, for ever. Written by tools/content/make_main_menu_pictures.py. -->
<Animation Looped="True" Speed="1" OriginX="0" OriginY="0" Width="28" Height="28">
  <Channel ClassId="LivePicture" Caption="Star" Visible="True">
    <GfxURL><Term T="0" Value="UI\\MainMenuScreen\\Selected.png"/></GfxURL>
    <X><Term T="0" Value="10"/></X>
    <Y><Term T="0" Value="8"/></Y>
    <Alpha><Term T="0" Value="1"/><Term T="900" Value="0.55"/><Term T="1800" Value="1"/></Alpha>
  </Channel>
</Animation>
"""

VOLUME_ANI = """<?xml version="1.0" encoding="UTF-8"?>
<!-- A volume bar of the options: the brass trough, and the fill on the middle 70% of the bar
     (from 15% of its width on), where the slider's knob runs. The bar seeks this animation to
     its volume and never plays it. Written by tools/content/make_main_menu_pictures.py. -->
<Animation Looped="False" Speed="1" OriginX="0" OriginY="0" Width="300" Height="28">
  <Channel ClassId="LivePicture" Caption="Trough" Visible="True">
    <GfxURL><Term T="0" Value="Widgets\\Trough.png"/></GfxURL>
  </Channel>
  <Channel ClassId="LivePicture" Caption="Fill" Visible="True">
    <GfxURL><Term T="0" Value="Widgets\\Fill.png"/></GfxURL>
    <X><Term T="0" Value="45"/></X>
    <Y><Term T="0" Value="4"/></Y>
    <ScaleX><Term T="0" Value="0"/><Term T="1000" Value="0.7192"/></ScaleX>
  </Channel>
</Animation>
"""


def pictures():
    p = {"Selected.png": selected, "Lock.png": lock, "Note.png": note}
    for look in LOOKS:
        p["Slider%s.png" % look] = lambda look=look: slider(look)
        p["ArrowLeft%s.png" % look] = lambda look=look: arrow(look, False)
        p["ArrowRight%s.png" % look] = lambda look=look: arrow(look, True)
    return p


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1] in ("-h", "--help")):
        print(__doc__)
        return 0 if len(sys.argv) == 2 else 2
    root = os.path.join(sys.argv[1] if len(sys.argv) == 2 else "content", "gfx", "UI",
                        "MainMenuScreen")
    os.makedirs(root, exist_ok=True)
    for name, draw in sorted(pictures().items()):
        data = draw().png()
        path = os.path.join(root, name)
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (path, len(data)))
    for name, text in (("Selected.ani", SELECTED_ANI), ("Volume.ani", VOLUME_ANI)):
        path = os.path.join(root, name)
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
        print("%s: %d bytes" % (path, len(text)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
