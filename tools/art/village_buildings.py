"""The village's buildings: one drawn house kit, dressed per building.

Every building is drawn once at a size in points and composited from the same
kit (walls with a side face, a roof, door, windows, chimney, a sign with an
emoji of its trade), so the whole village reads as one hand. The list picture
shows the house larger with its trade's emoji beside it; the map picture is
the house at its map size. Animated buildings leave out the parts their
animation moves (smoke, sails, wheels, animals): those are frames of their own.
"""

from __future__ import annotations

import math
from dataclasses import dataclass, field

from PIL import Image

import core
from core import PALETTE
from village_paint import (P, bottom_anchored, cut_around, ellipse, emoji, gradient_poly, line, paste,
                           paste_bottom, poly, rect, shade, soft_shadow)

OUT = PALETTE["outline"]

WALLS = {
    "plaster": (240, 226, 192, 255),
    "timber": (232, 210, 168, 255),
    "wood": (176, 118, 68, 255),
    "log": (150, 98, 56, 255),
    "stone": (170, 162, 150, 255),
    "brick": (190, 96, 70, 255),
    "white": (246, 242, 232, 255),
    "dark": (110, 100, 96, 255),
}
ROOFS = {
    "red": (196, 70, 52, 255),
    "thatch": (214, 168, 84, 255),
    "blue": (74, 120, 178, 255),
    "slate": (96, 104, 122, 255),
    "green": (94, 150, 72, 255),
    "brown": (132, 82, 48, 255),
    "gold": (226, 174, 56, 255),
    "purple": (128, 84, 150, 255),
}


@dataclass
class Style:
    """How one building looks."""

    kind: str = "house"          # house, barn, tower, hall, shed, tent, pen, patch, headframe, castle, fence
    wall: str = "plaster"
    roof: str = "red"
    size: tuple[float, float] = (34, 34)   # map picture, points
    sign: str | None = None      # emoji on the sign board
    props: list[str] = field(default_factory=list)  # emoji standing beside it (list picture and map)
    chimney: bool = True
    floors: int = 1
    animals: list[str] = field(default_factory=list)  # emoji inside pens and patches


# The chimney top of the house drawn last (where its smoke rises).
_CHIMNEY: list = [None]


def _house_body(img: Image.Image, x: float, base: float, w: float, h: float, style: Style,
                chimney: bool = True) -> tuple[float, float]:
    """A gabled house in three-quarter view in the box (x, base - h) .. (x + w, base).

    Returns the point above the roof's ridge middle (for flags or smoke).
    """
    wall = WALLS[style.wall]
    roof = ROOFS[style.roof]
    fw = w * 0.52                # front (gable) face width
    d = w * 0.16                 # depth rise of the side face
    hw = h * (0.46 if style.floors == 1 else 0.6)   # wall height
    hr = h - hw - d * 0.2        # roof height above the wall top
    top = base - hw
    # Side wall (right), darker.
    gradient_poly(img, [(x + fw, base), (x + w, base - d), (x + w, top - d), (x + fw, top)],
                  shade(wall, -0.18), shade(wall, -0.30))
    # Front wall.
    gradient_poly(img, [(x, base), (x + fw, base), (x + fw, top), (x, top)], shade(wall, 0.08), shade(wall, -0.08))
    # Gable triangle.
    apex = (x + fw / 2, top - hr)
    poly(img, [(x, top), (x + fw, top), apex], shade(wall, 0.02))
    # Wall texture.
    if style.wall in ("wood", "log"):
        n = 5
        for i in range(1, n):
            yy = top + (base - top) * i / n
            line(img, [(x + 0.5, yy), (x + fw - 0.5, yy)], shade(wall, -0.3), 0.5)
            line(img, [(x + fw, yy), (x + w, yy - d)], shade(wall, -0.45), 0.5)
    elif style.wall in ("stone", "brick"):
        rows = 5
        for i in range(1, rows):
            yy = top + (base - top) * i / rows
            line(img, [(x + 0.5, yy), (x + fw - 0.5, yy)], shade(wall, -0.22), 0.4)
            line(img, [(x + fw, yy), (x + w, yy - d)], shade(wall, -0.4), 0.4)
            for j in range(3):
                xx = x + fw * (j + (0.5 if i % 2 else 0.0) + 0.25) / 3
                line(img, [(xx, yy), (xx, yy - (base - top) / rows)], shade(wall, -0.22), 0.4)
    elif style.wall == "timber":
        beam = shade(WALLS["wood"], -0.2)
        line(img, [(x + 0.5, top + 0.6), (x + fw - 0.5, top + 0.6)], beam, 0.9)
        line(img, [(x + fw * 0.5, top), (x + fw * 0.5, base)], beam, 0.8)
        line(img, [(x + 0.5, top), (x + fw * 0.5, base)], beam, 0.6)
        line(img, [(x + fw, top), (x + w, top - d)], beam, 0.9)
    # Roof: side plane from the ridge to the right eave, then the front verge.
    over = w * 0.05
    ridge_back = (apex[0] + (w - fw), apex[1] - d)
    roof_pts = [apex, ridge_back, (x + w + over, top - d + over * 0.6), (x + fw + over * 0.4, top + over * 0.6)]
    gradient_poly(img, roof_pts, shade(roof, 0.12), shade(roof, -0.12))
    # Tiles: lines parallel to the ridge.
    for i in range(1, 5):
        t = i / 5
        a = (apex[0] + (x + fw + over * 0.4 - apex[0]) * t, apex[1] + (top + over * 0.6 - apex[1]) * t)
        b = (ridge_back[0] + (x + w + over - ridge_back[0]) * t, ridge_back[1] + (top - d + over * 0.6 - ridge_back[1]) * t)
        line(img, [a, b], shade(roof, -0.28), 0.5)
    # The front verge boards.
    verge = shade(roof, -0.25)
    line(img, [(x - over * 0.6, top + over * 0.6), apex, (x + fw + over * 0.4, top + over * 0.6)], verge, 1.3)
    # Chimney on the roof plane.
    if chimney and style.chimney:
        cx = apex[0] + (w - fw) * 0.62
        cy = apex[1] - d * 0.62 + hr * 0.35
        rect(img, cx - 1.8, cy - 6, cx + 1.8, cy + 1.5, shade(WALLS["brick"], -0.05), OUT, 0.4)
        rect(img, cx - 2.3, cy - 7, cx + 2.3, cy - 5.5, shade(WALLS["brick"], -0.25), OUT, 0.4)
        _CHIMNEY[0] = (cx, cy - 7)
    # Door and windows.
    dw = min(fw * 0.32, 7)
    dh = min(hw * 0.62, 10)
    rect(img, x + fw / 2 - dw / 2, base - dh, x + fw / 2 + dw / 2, base, shade(WALLS["wood"], -0.35), OUT, 0.4,
         radius_pt=dw * 0.3)
    ellipse(img, x + fw / 2 + dw * 0.25, base - dh * 0.45, 0.45, 0.45, PALETTE["gold"])
    win = (255, 226, 140, 255)
    wwid = min((w - fw) * 0.28, 5.5)
    for i, fx in enumerate((0.28, 0.72)):
        wx = x + fw + (w - fw) * fx
        wy = top + hw * 0.35 - d * fx
        poly(img, [(wx - wwid / 2, wy + 0.1 * wwid), (wx + wwid / 2, wy - 0.1 * wwid),
                   (wx + wwid / 2, wy + wwid * 1.1), (wx - wwid / 2, wy + wwid * 1.3)], win, OUT, 0.4)
    if style.floors > 1:
        gw = min(fw * 0.3, 5)
        rect(img, x + fw / 2 - gw / 2, top - hr * 0.45, x + fw / 2 + gw / 2, top - hr * 0.45 + gw, win, OUT, 0.4,
             radius_pt=gw / 2)
    return apex[0] + (w - fw) / 2, apex[1] - d / 2


def _sign(img: Image.Image, cx: float, cy: float, text: str, r: float) -> None:
    ellipse(img, cx, cy, r, r, PALETTE["parchment"], OUT, 0.5)
    paste(img, emoji(text, r * 1.45), cx, cy)


def _barn(img, x, base, w, h, style: Style):
    wall = WALLS[style.wall]
    roof = ROOFS[style.roof]
    fw = w * 0.6
    d = w * 0.14
    hw = h * 0.42
    top = base - hw
    gradient_poly(img, [(x + fw, base), (x + w, base - d), (x + w, top - d), (x + fw, top)],
                  shade(wall, -0.2), shade(wall, -0.32))
    gradient_poly(img, [(x, base), (x + fw, base), (x + fw, top), (x, top)], shade(wall, 0.06), shade(wall, -0.1))
    # Gambrel gable.
    g1 = (x + fw * 0.12, top - h * 0.2)
    g2 = (x + fw / 2, top - h * 0.36)
    g3 = (x + fw * 0.88, top - h * 0.2)
    poly(img, [(x, top), g1, g2, g3, (x + fw, top)], shade(wall, 0.0))
    # Planks.
    for i in range(1, 7):
        xx = x + fw * i / 7
        line(img, [(xx, base), (xx, top - (h * 0.2) * min(1, min(i, 7 - i) / 2.5))], shade(wall, -0.25), 0.4)
    back = lambda p: (p[0] + (w - fw), p[1] - d)
    gradient_poly(img, [g1, back(g1), back(g2), g2], shade(roof, 0.15), shade(roof, 0.0))
    gradient_poly(img, [g2, back(g2), back(g3), (x + w + 1, top - d + 0.5), (x + fw + 0.5, top + 0.5), g3],
                  shade(roof, 0.0), shade(roof, -0.15))
    line(img, [(x - 0.5, top + 0.5), g1, g2, g3, (x + fw + 0.5, top + 0.5)], shade(roof, -0.3), 1.2)
    # Big doors with a cross.
    dw, dh = fw * 0.46, hw * 0.78
    dx0 = x + fw / 2 - dw / 2
    rect(img, dx0, base - dh, dx0 + dw, base, shade(WALLS["wood"], -0.2), OUT, 0.4)
    line(img, [(dx0, base - dh), (dx0 + dw, base)], PALETTE["white"], 0.6)
    line(img, [(dx0 + dw, base - dh), (dx0, base)], PALETTE["white"], 0.6)
    rect(img, x + fw / 2 - 2, top - h * 0.2, x + fw / 2 + 2, top - h * 0.2 + 4, (255, 226, 140, 255), OUT, 0.4)
    return g2[0] + (w - fw) / 2, g2[1] - d / 2


def _tower(img, x, base, w, h, style: Style):
    wall = WALLS[style.wall]
    roof = ROOFS[style.roof]
    cx = x + w / 2
    tw = w * 0.56
    top = base - h * 0.62
    gradient_poly(img, [(cx - tw / 2, base), (cx + tw / 2, base), (cx + tw / 2 * 0.9, top), (cx - tw / 2 * 0.9, top)],
                  shade(wall, 0.05), shade(wall, -0.12))
    # Shade the right third.
    poly(img, [(cx + tw * 0.18, base), (cx + tw / 2, base), (cx + tw / 2 * 0.9, top), (cx + tw * 0.16, top)],
         shade(wall, -0.2) [:3] + (120,))
    for i in range(1, 5):
        yy = top + (base - top) * i / 5
        line(img, [(cx - tw / 2 * 0.95, yy), (cx + tw / 2 * 0.95, yy)], shade(wall, -0.25), 0.4)
    # Cone roof.
    ridge = (cx, base - h)
    gradient_poly(img, [(cx - tw / 2 - 2.5, top + 1), ridge, (cx + tw / 2 + 2.5, top + 1)],
                  shade(roof, 0.15), shade(roof, -0.1))
    poly(img, [(cx, top + 1), ridge, (cx + tw / 2 + 2.5, top + 1)], shade(roof, -0.2)[:3] + (110,))
    # Windows: one arched on top, the door below.
    rect(img, cx - 2, top + 3, cx + 2, top + 8, (255, 226, 140, 255), OUT, 0.4, radius_pt=1.6)
    rect(img, cx - 3, base - 8, cx + 3, base, shade(WALLS["wood"], -0.35), OUT, 0.4, radius_pt=2)
    return ridge


def _tent(img, x, base, w, h, colour, stripe):
    cx = x + w / 2
    apex = (cx, base - h)
    gradient_poly(img, [(x, base), apex, (x + w, base)], shade(colour, 0.15), shade(colour, -0.1))
    poly(img, [(cx, base), apex, (x + w, base)], shade(colour, -0.22)[:3] + (120,))
    for f in (-0.3, 0.3):
        line(img, [apex, (cx + w * f * 0.95, base)], stripe, 0.8)
    poly(img, [(cx - w * 0.16, base), (cx, base - h * 0.45), (cx + w * 0.16, base)], shade(colour, -0.55))
    line(img, [apex, (apex[0], apex[1] - 3)], PALETTE["wood_dark"], 0.8)


def _fence(img, x0, x1, base, height, colour=None):
    colour = colour or PALETTE["wood_light"]
    n = max(2, int((x1 - x0) / 4.5))
    for i in range(n + 1):
        xx = x0 + (x1 - x0) * i / n
        rect(img, xx - 0.7, base - height, xx + 0.7, base, colour, OUT, 0.3)
    for f in (0.35, 0.75):
        rect(img, x0, base - height * f - 0.5, x1, base - height * f + 0.5, shade(colour, -0.1), OUT, 0.3)


def _patch(img, x, base, w, h, soil, plant: str | None, rows: int = 3):
    """A tilled garden bed in perspective with plants in rows."""
    top = base - h
    inset = w * 0.12
    poly(img, [(x + inset, top), (x + w - inset, top), (x + w, base), (x, base)], soil, OUT, 0.5)
    for i in range(1, rows):
        yy = top + h * i / rows
        ix = inset * (1 - i / rows)
        line(img, [(x + ix, yy), (x + w - ix, yy)], shade(soil, -0.25), 0.6)
    if plant:
        for r in range(rows):
            yy = top + h * (r + 0.75) / rows
            ix = inset * (1 - (r + 0.5) / rows)
            n = 3 + r
            for i in range(n):
                xx = x + ix + 2 + (w - 2 * ix - 4) * (i + 0.5) / n
                paste_bottom(img, emoji(plant, 4.5 + r * 0.8), xx, yy + 0.5)


def _headframe(img, x, base, w, h, style: Style):
    """A mine headframe: timber legs, a cross beam and a pulley wheel."""
    wood = PALETTE["wood"]
    cx = x + w / 2
    top = base - h * 0.9
    for a, b in (((cx - w * 0.4, base), (cx - w * 0.08, top)), ((cx + w * 0.4, base), (cx + w * 0.08, top)),
                 ((cx - w * 0.26, base), (cx - w * 0.04, top)), ((cx + w * 0.26, base), (cx + w * 0.04, top))):
        line(img, [a, b], OUT, 2.4)
        line(img, [a, b], wood, 1.4)
    for f in (0.35, 0.65):
        yy = base - (base - top) * f
        half = w * 0.4 * (1 - f) + w * 0.08 * f
        line(img, [(cx - half, yy), (cx + half, yy)], OUT, 2.0)
        line(img, [(cx - half, yy), (cx + half, yy)], shade(wood, -0.1), 1.1)
    ellipse(img, cx, top, w * 0.16, w * 0.16, PALETTE["grey"], OUT, 0.7)
    ellipse(img, cx, top, w * 0.05, w * 0.05, PALETTE["grey_dark"])
    return cx, top


def wheel(radius: float, spokes: int = 8, colour=None, hub=None) -> Image.Image:
    """A spoked wheel centred on its own canvas (mill wheels, pulleys)."""
    colour = colour or PALETTE["wood"]
    size = radius * 2 + 2
    img = core.canvas(size, size)
    c = size / 2
    ellipse(img, c, c, radius, radius, None, OUT, 1.6)
    ellipse(img, c, c, radius - 0.3, radius - 0.3, None, colour, 0.9)
    for i in range(spokes):
        a = math.radians(i * 360 / spokes)
        line(img, [(c, c), (c + math.cos(a) * (radius - 0.5), c + math.sin(a) * (radius - 0.5))], OUT, 1.1)
        line(img, [(c, c), (c + math.cos(a) * (radius - 0.6), c + math.sin(a) * (radius - 0.6))], colour, 0.5)
        # Paddles.
        pa = (c + math.cos(a) * radius, c + math.sin(a) * radius)
        ellipse(img, pa[0], pa[1], 0.9, 0.9, shade(colour, -0.2), OUT, 0.3)
    ellipse(img, c, c, radius * 0.2, radius * 0.2, hub or PALETTE["grey"], OUT, 0.4)
    return img


def sails(radius: float) -> Image.Image:
    """Four windmill sails centred on their axle."""
    size = radius * 2 + 2
    img = core.canvas(size, size)
    c = size / 2
    cloth = (250, 244, 226, 255)
    for i in range(4):
        a = math.radians(i * 90 + 20)
        n = (math.cos(a + math.pi / 2), math.sin(a + math.pi / 2))
        tip = (c + math.cos(a) * radius, c + math.sin(a) * radius)
        near = (c + math.cos(a) * radius * 0.22, c + math.sin(a) * radius * 0.22)
        blade = [near, tip, (tip[0] + n[0] * radius * 0.28, tip[1] + n[1] * radius * 0.28),
                 (near[0] + n[0] * radius * 0.2, near[1] + n[1] * radius * 0.2)]
        poly(img, blade, cloth, OUT, 0.5)
        for f in (0.45, 0.7):
            p = (c + math.cos(a) * radius * f, c + math.sin(a) * radius * f)
            line(img, [p, (p[0] + n[0] * radius * 0.26, p[1] + n[1] * radius * 0.26)], PALETTE["wood_light"], 0.4)
        line(img, [(c, c), tip], PALETTE["wood_dark"], 1.0)
    ellipse(img, c, c, 1.6, 1.6, PALETTE["wood_dark"], OUT, 0.4)
    return img


def _windmill_body(img, x, base, w, h, style):
    cx = x + w / 2
    top = base - h * 0.72
    wall = WALLS["white"]
    gradient_poly(img, [(cx - w * 0.3, base), (cx + w * 0.3, base), (cx + w * 0.17, top), (cx - w * 0.17, top)],
                  shade(wall, 0.0), shade(wall, -0.15))
    poly(img, [(cx + w * 0.06, base), (cx + w * 0.3, base), (cx + w * 0.17, top), (cx + w * 0.04, top)],
         (0, 0, 0, 40))
    roof = ROOFS[style.roof]
    cap_top = base - h * 0.92
    gradient_poly(img, [(cx - w * 0.22, top + 1), (cx, cap_top), (cx + w * 0.22, top + 1)],
                  shade(roof, 0.1), shade(roof, -0.12))
    rect(img, cx - 2.6, base - 8, cx + 2.6, base, shade(WALLS["wood"], -0.35), OUT, 0.4, radius_pt=2)
    rect(img, cx - 1.6, top + 6, cx + 1.6, top + 9.5, (255, 226, 140, 255), OUT, 0.4, radius_pt=1.4)
    return cx, top + 2


def _castle(img, x, base, w, h, style):
    stone = WALLS["stone"]
    roof = ROOFS[style.roof]
    # Keep behind.
    kx0, kx1 = x + w * 0.3, x + w * 0.7
    ktop = base - h * 0.72
    gradient_poly(img, [(kx0, base - h * 0.2), (kx1, base - h * 0.2), (kx1, ktop), (kx0, ktop)],
                  shade(stone, 0.05), shade(stone, -0.12))
    for i in range(5):
        bx = kx0 + (kx1 - kx0) * i / 4.5
        rect(img, bx, ktop - 3, bx + (kx1 - kx0) / 9, ktop, stone, OUT, 0.3)
    rect(img, x + w * 0.46, ktop + 4, x + w * 0.54, ktop + 11, (255, 226, 140, 255), OUT, 0.4, radius_pt=2)
    # Curtain wall.
    wtop = base - h * 0.34
    gradient_poly(img, [(x + w * 0.08, base), (x + w * 0.92, base), (x + w * 0.92, wtop), (x + w * 0.08, wtop)],
                  shade(stone, 0.08), shade(stone, -0.15))
    for i in range(9):
        bx = x + w * 0.08 + w * 0.84 * i / 8.6
        rect(img, bx, wtop - 2.5, bx + w * 0.045, wtop, stone, OUT, 0.3)
    for i in range(1, 4):
        yy = wtop + (base - wtop) * i / 4
        line(img, [(x + w * 0.09, yy), (x + w * 0.91, yy)], shade(stone, -0.25), 0.4)
    # Gate.
    gw = w * 0.16
    rect(img, x + w / 2 - gw / 2, base - h * 0.24, x + w / 2 + gw / 2, base, shade(WALLS["wood"], -0.35), OUT, 0.5,
         radius_pt=gw / 2)
    for i in range(1, 4):
        xx = x + w / 2 - gw / 2 + gw * i / 4
        line(img, [(xx, base - h * 0.22), (xx, base)], PALETTE["grey_dark"], 0.4)
    # Four towers with cone roofs and flags.
    flags = None
    for fx, fh in ((0.1, 0.62), (0.9, 0.62), (0.3, 0.8), (0.7, 0.8)):
        tw = w * 0.15
        tx = x + w * fx
        ttop = base - h * fh
        tb = base if fh < 0.7 else base - h * 0.3
        gradient_poly(img, [(tx - tw / 2, tb), (tx + tw / 2, tb), (tx + tw / 2, ttop), (tx - tw / 2, ttop)],
                      shade(stone, 0.1), shade(stone, -0.1))
        rect(img, tx - 1, ttop + 3, tx + 1, ttop + 6, (60, 50, 50, 255), OUT, 0.3, radius_pt=0.8)
        apex = (tx, ttop - h * 0.2)
        gradient_poly(img, [(tx - tw / 2 - 1.5, ttop + 0.5), apex, (tx + tw / 2 + 1.5, ttop + 0.5)],
                      shade(roof, 0.15), shade(roof, -0.1))
        line(img, [apex, (apex[0], apex[1] - 5)], PALETTE["wood_dark"], 0.6)
        poly(img, [(apex[0], apex[1] - 5), (apex[0] + 4, apex[1] - 4), (apex[0], apex[1] - 3)], PALETTE["gold"], OUT, 0.3)
        flags = apex
    # A path leading out of the gate (the castle stands a little behind its slot).
    poly(img, [(x + w / 2 - gw / 2, base), (x + w / 2 + gw / 2, base), (x + w / 2 + gw, base + h * 0.1),
               (x + w / 2 - gw, base + h * 0.1)], (206, 176, 126, 255))
    return flags


def _fields(img, x, base, w, h):
    """The fields: a quilt of beds in perspective with a scarecrow and a fence."""
    top = base - h * 0.82
    colours = [(214, 178, 84, 255), (120, 84, 52, 255), (118, 168, 70, 255), (200, 160, 70, 255),
               (98, 150, 60, 255), (140, 96, 58, 255)]
    plants = ["🌾", "🥕", "🥬", "🌾", "🌽", None]
    cols, rows = 3, 2
    for r in range(rows):
        for c in range(cols):
            y0 = top + (base - top) * r / rows
            y1 = top + (base - top) * (r + 1) / rows
            def xat(f, yy):
                inset = w * 0.1 * (base - yy) / (base - top)
                return x + inset + (w - 2 * inset) * f
            quad = [(xat(c / cols, y0), y0), (xat((c + 1) / cols, y0), y0), (xat((c + 1) / cols, y1), y1),
                    (xat(c / cols, y1), y1)]
            col = colours[(r * cols + c) % len(colours)]
            poly(img, quad, col, OUT, 0.5)
            for k in range(1, 4):
                yy = y0 + (y1 - y0) * k / 4
                line(img, [(xat(c / cols, yy) + 0.8, yy), (xat((c + 1) / cols, yy) - 0.8, yy)], shade(col, -0.2), 0.5)
            plant = plants[(r * cols + c) % len(plants)]
            if plant:
                for k in range(3):
                    yy = y0 + (y1 - y0) * (k + 0.85) / 3.2
                    for m in range(3):
                        f = (c + (m + 0.5) / 3) / cols
                        paste_bottom(img, emoji(plant, 4.2 + r * 0.8), xat(f, yy), yy)
    # Scarecrow on the far edge.
    sx, sy = x + w * 0.78, top + 2
    line(img, [(sx, sy), (sx, sy - 12)], PALETTE["wood_dark"], 0.9)
    line(img, [(sx - 5, sy - 8), (sx + 5, sy - 8)], PALETTE["wood_dark"], 0.9)
    rect(img, sx - 2.4, sy - 10, sx + 2.4, sy - 5, PALETTE["red"], OUT, 0.3)
    ellipse(img, sx, sy - 12, 1.9, 1.9, PALETTE["parchment"], OUT, 0.3)
    poly(img, [(sx - 3.5, sy - 13.2), (sx + 3.5, sy - 13.2), (sx, sy - 17)], ROOFS["thatch"], OUT, 0.3)
    _fence(img, x - 1, x + w + 1, base + 1, h * 0.14)


def _mine(img, x, base, w, h):
    """The mine: a timbered entrance into a rock face, rails and a cart."""
    rock = (150, 136, 120, 255)
    face = [(x, base), (x + w * 0.05, base - h * 0.5), (x + w * 0.22, base - h * 0.86), (x + w * 0.5, base - h),
            (x + w * 0.8, base - h * 0.84), (x + w * 0.96, base - h * 0.46), (x + w, base)]
    gradient_poly(img, face, shade(rock, 0.15), shade(rock, -0.2))
    for a, b in (((0.15, 0.4), (0.3, 0.7)), ((0.7, 0.3), (0.85, 0.6)), ((0.55, 0.85), (0.7, 0.75)),
                 ((0.25, 0.88), (0.38, 0.95))):
        line(img, [(x + w * a[0], base - h * a[1]), (x + w * b[0], base - h * b[1])], shade(rock, -0.35), 0.6)
    # Entrance.
    ex0, ex1 = x + w * 0.32, x + w * 0.68
    etop = base - h * 0.62
    poly(img, [(ex0, base), (ex0, etop + 4), (x + w / 2, etop - 2), (ex1, etop + 4), (ex1, base)], (34, 26, 22, 255))
    wood = PALETTE["wood"]
    for xx in (ex0, ex1):
        rect(img, xx - 1.6, etop + 1, xx + 1.6, base, wood, OUT, 0.4)
    rect(img, ex0 - 3, etop - 1.5, ex1 + 3, etop + 2, shade(wood, -0.1), OUT, 0.4)
    # Rails out of the entrance.
    for f in (0.42, 0.58):
        line(img, [(x + w * f, base - h * 0.2), (x + w * (0.5 + (f - 0.5) * 2.2), base + 1)], PALETTE["grey_dark"], 0.7)
    for k in range(4):
        yy = base - h * 0.18 + k * h * 0.06
        half = w * (0.1 + k * 0.04)
        line(img, [(x + w / 2 - half, yy), (x + w / 2 + half, yy)], PALETTE["wood_dark"], 0.8)
    # Cart with ore.
    cx, cy = x + w * 0.8, base - 1
    poly(img, [(cx - 7, cy - 8), (cx + 7, cy - 8), (cx + 5.5, cy - 2), (cx - 5.5, cy - 2)], PALETTE["grey"], OUT, 0.5)
    for dx in (-3.5, 3.5):
        ellipse(img, cx + dx, cy - 1.5, 1.6, 1.6, PALETTE["grey_dark"], OUT, 0.3)
    paste_bottom(img, emoji("🪨", 6), cx - 2, cy - 7)
    paste_bottom(img, emoji("🪙", 4), cx + 3, cy - 7.5)
    # Lantern.
    paste(img, emoji("🏮", 5), ex1 + 4, etop + 4)
    return (x + w / 2, base - h)


@dataclass
class Drawn:
    """A building drawn with its anchor points for the moving parts (points from its bottom centre)."""

    image: Image.Image           # bottom-anchored, whole points
    smoke: tuple[float, float] | None = None
    top: tuple[float, float] | None = None


def draw_building(style: Style, scale: float = 1.0, with_moving: bool = True) -> Drawn:
    """The building at its map size times scale, on a canvas whose bottom centre is its base.

    with_moving NO leaves out what the building's animation moves (the sails,
    the wheels and the animals are separate frames; smoke is never drawn in).
    """
    w, h = style.size[0] * scale, style.size[1] * scale
    margin = 6 * scale + 4
    cw, ch = w + 2 * margin, h + 2 * margin
    img = core.canvas(cw, ch)
    x, base = margin, ch - margin
    shadow = soft_shadow(w * 1.05, h * 0.18)
    paste(img, shadow, cw / 2 + w * 0.05, base - h * 0.02)
    s = Style(**{**style.__dict__})
    s.size = (w, h)
    top = None
    smoke = None
    k = style.kind
    _CHIMNEY[0] = None
    if k == "house":
        top = _house_body(img, x, base, w, h, s)
        smoke = _CHIMNEY[0]
    elif k == "barn":
        top = _barn(img, x, base, w, h, s)
    elif k == "tower":
        top = _tower(img, x, base, w, h, s)
    elif k == "windmill":
        top = _windmill_body(img, x, base, w, h, s)
    elif k == "hall":
        # A wide house with a middle tower.
        _house_body(img, x, base, w * 0.62, h * 0.7, s)
        _house_body(img, x + w * 0.38, base, w * 0.62, h * 0.62, s, chimney=False)
        top = _tower(img, x + w * 0.26, base - h * 0.1, w * 0.5, h * 0.9, Style(wall=s.wall, roof=s.roof))
    elif k == "tent":
        _tent(img, x + w * 0.05, base - h * 0.05, w * 0.55, h * 0.85, PALETTE["parchment"], PALETTE["red"])
        _tent(img, x + w * 0.42, base, w * 0.55, h * 0.7, (214, 196, 150, 255), PALETTE["green_dark"])
        top = (x + w * 0.32, base - h * 0.9)
    elif k == "shed":
        # An open lean-to: posts, a sloped roof, goods under it.
        roof = ROOFS[s.roof]
        for fx in (0.1, 0.9):
            rect(img, x + w * fx - 0.9, base - h * 0.55, x + w * fx + 0.9, base, PALETTE["wood"], OUT, 0.3)
        gradient_poly(img, [(x - 1, base - h * 0.5), (x + w + 1, base - h * 0.58), (x + w * 0.9, base - h),
                            (x + w * 0.1, base - h * 0.9)], shade(roof, 0.1), shade(roof, -0.15))
        rect(img, x + w * 0.12, base - h * 0.4, x + w * 0.88, base, shade(WALLS[s.wall], -0.2), OUT, 0.4)
        top = (x + w / 2, base - h)
    elif k == "pen":
        # A fenced yard with a hut at the back and animals inside.
        _house_body(img, x + w * 0.45, base - h * 0.38, w * 0.55, h * 0.62, s)
        poly(img, [(x + w * 0.04, base - h * 0.4), (x + w * 0.96, base - h * 0.4), (x + w, base), (x, base)],
             PALETTE["green_light"])
        if with_moving:
            for i, a in enumerate(s.animals[:3]):
                paste_bottom(img, emoji(a, h * 0.3), x + w * (0.22 + 0.28 * i), base - h * 0.08 - (i % 2) * h * 0.1)
        _fence(img, x, x + w, base, h * 0.2)
        top = (x + w * 0.72, base - h)
    elif k == "patch":
        _patch(img, x, base, w, h * 0.7, s.wall == "dark" and PALETTE["earth_dark"] or PALETTE["earth"],
               s.animals[0] if s.animals else None)
        _fence(img, x, x + w, base, h * 0.16)
        top = (x + w / 2, base - h * 0.7)
    elif k == "headframe":
        # A timber headframe over a shaft with a small shed.
        _house_body(img, x + w * 0.52, base, w * 0.48, h * 0.55, Style(wall=s.wall, roof=s.roof), chimney=False)
        top = _headframe(img, x, base, w * 0.6, h, s)
    elif k == "castle":
        top = _castle(img, x, base, w, h, s)
    elif k == "fields":
        _fields(img, x, base, w, h)
        top = (x + w / 2, base - h)
    elif k == "mine":
        top = _mine(img, x, base, w, h)
    elif k == "gazebo":
        roof = ROOFS[s.roof]
        ellipse(img, x + w / 2, base - h * 0.06, w * 0.48, h * 0.1, (200, 188, 170, 255), OUT, 0.5)
        for fx in (0.12, 0.38, 0.62, 0.88):
            rect(img, x + w * fx - 0.8, base - h * 0.56, x + w * fx + 0.8, base - h * 0.06, PALETTE["white"], OUT, 0.3)
        gradient_poly(img, [(x - 1, base - h * 0.52), (x + w / 2, base - h), (x + w + 1, base - h * 0.52)],
                      shade(roof, 0.15), shade(roof, -0.1))
        poly(img, [(x - 1, base - h * 0.52), (x + w + 1, base - h * 0.52), (x + w * 0.95, base - h * 0.46),
                   (x + w * 0.05, base - h * 0.46)], shade(roof, -0.25), OUT, 0.4)
        top = (x + w / 2, base - h)
    elif k == "fountain":
        stone = WALLS["stone"]
        ellipse(img, x + w / 2, base - h * 0.2, w * 0.48, h * 0.2, stone, OUT, 0.5)
        ellipse(img, x + w / 2, base - h * 0.24, w * 0.4, h * 0.14, (110, 170, 220, 255))
        rect(img, x + w * 0.44, base - h * 0.7, x + w * 0.56, base - h * 0.24, stone, OUT, 0.4)
        ellipse(img, x + w / 2, base - h * 0.7, w * 0.2, h * 0.07, stone, OUT, 0.4)
        for dx in (-1, 1):
            line(img, [(x + w / 2, base - h * 0.78), (x + w / 2 + dx * w * 0.18, base - h * 0.62),
                       (x + w / 2 + dx * w * 0.26, base - h * 0.3)], (180, 220, 250, 255), 1.0)
        line(img, [(x + w / 2, base - h * 0.72), (x + w / 2, base - h * 0.92)], (180, 220, 250, 255), 1.2)
        top = (x + w / 2, base - h)
    elif k == "statue":
        stone = WALLS["stone"]
        rect(img, x + w * 0.2, base - h * 0.12, x + w * 0.8, base, shade(stone, -0.1), OUT, 0.4)
        rect(img, x + w * 0.3, base - h * 0.42, x + w * 0.7, base - h * 0.12, stone, OUT, 0.4)
        paste_bottom(img, core.outlined(emoji(style.sign or "🗿", h * 0.55), 0.5), x + w / 2, base - h * 0.4)
        top = (x + w / 2, base - h)
    elif k == "obelisk":
        stone = WALLS["white"]
        rect(img, x + w * 0.18, base - h * 0.12, x + w * 0.82, base, shade(WALLS["stone"], -0.05), OUT, 0.4)
        gradient_poly(img, [(x + w * 0.34, base - h * 0.12), (x + w * 0.66, base - h * 0.12), (x + w * 0.58, base - h * 0.86),
                            (x + w / 2, base - h), (x + w * 0.42, base - h * 0.86)], stone, shade(stone, -0.2))
        paste(img, emoji("⭐", w * 0.16), x + w / 2, base - h * 0.5)
        top = (x + w / 2, base - h)
    elif k == "well":
        stone = WALLS["stone"]
        for fx in (0.18, 0.82):
            rect(img, x + w * fx - 0.8, base - h * 0.8, x + w * fx + 0.8, base - h * 0.3, PALETTE["wood"], OUT, 0.3)
        poly(img, [(x + w * 0.06, base - h * 0.74), (x + w / 2, base - h), (x + w * 0.94, base - h * 0.74)],
             ROOFS[s.roof], OUT, 0.5)
        rect(img, x + w * 0.14, base - h * 0.36, x + w * 0.86, base, stone, OUT, 0.5, radius_pt=1.5)
        ellipse(img, x + w / 2, base - h * 0.36, w * 0.36, h * 0.07, (50, 60, 80, 255), OUT, 0.4)
        line(img, [(x + w / 2, base - h * 0.78), (x + w / 2, base - h * 0.42)], PALETTE["wood_dark"], 0.4)
        top = (x + w / 2, base - h)
    elif k == "fence":
        _fence(img, x, x + w, base, h * 0.6)
        top = (x + w / 2, base - h * 0.6)
    if style.sign and k != "statue":
        r = min(w, h) * 0.14
        _sign(img, x + w * (0.26 if k in ("house", "hall") else 0.5), base - h * (0.82 if k == "house" else 0.75),
              style.sign, r)
    ring = 0.45 * max(1.0, scale * 0.7)
    img = core.outlined(img, ring)
    # outlined() grows the canvas by its ring on every side.
    shift = (img.width - P(cw)) / 2 / core.MASTER
    if k == "castle":
        out = cut_around(img, cw / 2 + shift, base + shift, below=h * 0.111, pad_right=0.25)
    elif k == "mine":
        out = cut_around(img, cw / 2 + shift, base + shift, below=1.0)
    else:
        out = cut_around(img, cw / 2 + shift, base + shift, below=0.8)

    def rel(p):
        # Points relative to the base centre, y up.
        return None if p is None else (p[0] - cw / 2, base - p[1])
    return Drawn(out, smoke=rel(smoke), top=rel(top))


def list_picture(style: Style, extra: list[str] | None = None) -> Image.Image:
    """The building as the lists and pop-ups show it: larger, its trade's emoji beside it."""
    scale = min(54 / style.size[0], 50 / style.size[1])
    drawn = draw_building(style, scale).image
    w = drawn.width / core.MASTER
    h = drawn.height / core.MASTER
    canvas_w, canvas_h = max(w + 8, 66), max(h + 4, 58)
    img = core.canvas(canvas_w, canvas_h)
    paste_bottom(img, drawn, canvas_w / 2, canvas_h - 1)
    for i, prop in enumerate((extra or [])[:2]):
        badge = core.outlined(emoji(prop, 16 - 3 * i), 0.6)
        paste_bottom(img, badge, canvas_w - 11 - i * 15, canvas_h - 1 - i * 3)
    return bottom_anchored(img)
