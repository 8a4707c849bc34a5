"""Pictures loaded whole as files: the two logos of the loading screen, the
title screen's valley, the door halves of the transitions and the statistics
page. Each is painted once at its largest size and reduced for the others.
"""

from __future__ import annotations

import math
import random

from PIL import Image, ImageDraw, ImageFilter

import core
import gui_draw as g
from core import PALETTE

# Where the title screen's three flags stand, in the 1024-pixel picture's own
# coordinates (x from the left, y from the bottom); the poles are painted there.
FLAG_POINTS = [(681, 670), (742, 620), (609, 580)]


def _lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def _ridge(width: int, base: float, amp: float, seed: int, waves: int = 4) -> list[tuple[float, float]]:
    rnd = random.Random(seed)
    phases = [(rnd.uniform(0, 6.28), rnd.uniform(0.5, 1.0) / (k + 1), k + 1) for k in range(waves)]
    pts = []
    for x in range(0, width + 9, 8):
        y = base
        for phase, a, k in phases:
            y -= amp * a * math.sin(phase + x / width * math.pi * k * 1.3)
        pts.append((x, y))
    return pts


def _fill_below(draw, ridge, height, colour, rim: int = 0):
    """Fills under a ridge line; with rim, a lighter sunlit lip and a darker line on the crest."""
    draw.polygon(ridge + [(ridge[-1][0], height), (0, height)], fill=colour)
    if rim:
        light = tuple(min(255, c + 26) for c in colour[:3])
        draw.line([(x, y + rim * 1.5) for x, y in ridge], fill=light, width=rim * 3)
        draw.line(ridge, fill=tuple(max(0, c - 40) for c in colour[:3]), width=rim)


def _shade_band(img: Image.Image, top: float, bottom: float, strength: int) -> None:
    """Darkens the picture gently from top to bottom of a band (depth of a hill layer)."""
    w = img.width
    band = Image.new("RGBA", (w, int(bottom - top)), (0, 0, 0, 0))
    bd = ImageDraw.Draw(band)
    for y in range(band.height):
        bd.line([(0, y), (w, y)], fill=(30, 50, 20, int(strength * y / max(1, band.height))))
    img.alpha_composite(band, (0, int(top)))


def _house(draw, x, y, w, h, roof, rnd):
    o = PALETTE["outline"]
    wall = _lerp((236, 220, 180), (214, 190, 150), rnd.random())
    draw.rectangle([x - w / 2, y - h, x + w / 2, y], fill=o)
    draw.rectangle([x - w / 2 + 3, y - h + 3, x + w / 2 - 3, y - 3], fill=wall)
    draw.polygon([(x - w / 2 - w * 0.12, y - h + 2), (x, y - h - h * 0.8), (x + w / 2 + w * 0.12, y - h + 2)], fill=o)
    draw.polygon([(x - w / 2 - w * 0.12 + 5, y - h - 1), (x, y - h - h * 0.8 + 6), (x + w / 2 + w * 0.12 - 5, y - h - 1)],
                 fill=roof)
    draw.rectangle([x - w * 0.12, y - h * 0.55, x + w * 0.12, y - 3], fill=_lerp(PALETTE["wood_dark"], o, 0.3))
    draw.rectangle([x + w * 0.2, y - h * 0.75, x + w * 0.38, y - h * 0.5], fill=(250, 220, 120))


def _tree(draw, x, y, r, colour):
    o = PALETTE["outline"]
    draw.rectangle([x - r * 0.15, y - r * 0.6, x + r * 0.15, y], fill=PALETTE["wood_dark"])
    draw.ellipse([x - r, y - r * 2.3, x + r, y - r * 0.5], fill=o)
    draw.ellipse([x - r + 4, y - r * 2.3 + 4, x + r - 4, y - r * 0.5 - 4], fill=colour)
    draw.ellipse([x - r * 0.5, y - r * 2.1, x + r * 0.1, y - r * 1.5], fill=g.shade(colour + (255,), 30)[:3])


def menu_background(size: int = 2048) -> Image.Image:
    """The valley seen from the hill: sky, mountains, fields, a village and the keep."""
    s = size / 2048
    img = Image.new("RGB", (size, size))
    sky = core.vertical_gradient(size, int(1100 * s), (104, 168, 226, 255), (250, 232, 196, 255))
    img.paste(sky.convert("RGB"), (0, 0))
    d = ImageDraw.Draw(img, "RGBA")
    # sun and clouds
    glow = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    gd = ImageDraw.Draw(glow)
    sx, sy = 1560 * s, 300 * s
    gd.ellipse([sx - 260 * s, sy - 260 * s, sx + 260 * s, sy + 260 * s], fill=(255, 246, 200, 150))
    glow = glow.filter(ImageFilter.GaussianBlur(90 * s))
    gd = ImageDraw.Draw(glow)
    gd.ellipse([sx - 80 * s, sy - 80 * s, sx + 80 * s, sy + 80 * s], fill=(255, 246, 200, 255))
    clouds = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    cd = ImageDraw.Draw(clouds)
    rnd = random.Random(7)
    for cx, cy, cw in ((300, 210, 300), (900, 140, 360), (1300, 430, 260), (1850, 180, 280), (560, 500, 200)):
        for _ in range(6):
            ox, oy = rnd.uniform(-cw / 2, cw / 2), rnd.uniform(-30, 20)
            r = rnd.uniform(cw * 0.2, cw * 0.35)
            cd.ellipse([(cx + ox - r) * s, (cy + oy - r * 0.6) * s, (cx + ox + r) * s, (cy + oy + r * 0.6) * s],
                       fill=(255, 255, 255, 210))
    clouds = clouds.filter(ImageFilter.GaussianBlur(10 * s))
    img.paste(Image.alpha_composite(img.convert("RGBA"), glow).convert("RGB"))
    img.paste(Image.alpha_composite(img.convert("RGBA"), clouds).convert("RGB"))
    d = ImageDraw.Draw(img, "RGBA")
    # mountains and hills, back to front
    layers = [(1000, 170, 3, (150, 170, 200)), (1080, 110, 11, (126, 170, 150)), (1180, 90, 19, (120, 176, 96)),
              (1330, 70, 23, (104, 160, 72))]
    for n, (base, amp, seed, colour) in enumerate(layers):
        ridge = [(x * s, y * s) for x, y in _ridge(2048, base, amp, seed)]
        _fill_below(d, ridge, size, colour, rim=max(1, int((1 + n) * 1.5 * s)) if n >= 1 else 0)
    # the keep's hill on the right, under the flags
    hill = []
    for x in range(200, 2049, 8):
        hill.append((x * s, (1010 + 0.0009 * (x - 1360) ** 2) * s))
    d.polygon(hill + [(2048 * s, size), (200 * s, size)], fill=(112, 168, 80))
    d.line(hill, fill=(86, 138, 60), width=max(1, int(5 * s)))
    d.line([(x, y + 6 * s) for x, y in hill], fill=(140, 192, 100), width=max(1, int(10 * s)))
    # a winding path from the valley up to the keep
    path = []
    for t in range(0, 101):
        u = t / 100
        x = 980 + 380 * u + 90 * math.sin(u * 7)
        y = 1900 - 700 * u
        path.append((x * s, y * s))
    for width_px, colour in ((34, (150, 120, 80)), (26, (222, 196, 140))):
        d.line(path, fill=colour, width=max(1, int(width_px * s * 0.8)), joint="curve")
    # a few birds over the valley
    for bx, by, bs in ((620, 330, 1.0), (700, 300, 0.8), (760, 360, 0.7), (1040, 260, 0.9)):
        w_, h_ = 26 * bs * s, 10 * bs * s
        d.line([(bx * s - w_, by * s - h_), (bx * s, by * s), (bx * s + w_, by * s - h_)], fill=(70, 70, 90),
               width=max(1, int(4 * s * bs)), joint="curve")
    # river
    river = []
    for y in range(1240, 2049, 8):
        river.append(((760 + 220 * math.sin(y / 230.0) + (y - 1240) * 0.2) * s, y * s))
    width = lambda y: (20 + (y - 1240) * 0.12) * s
    left = [(x - width(y / s), y) for x, y in river]
    right = [(x + width(y / s), y) for x, y in reversed(river)]
    d.polygon(left + right, fill=(120, 180, 224))
    d.line([(x - width(y / s) * 0.3, y) for x, y in river], fill=(190, 226, 246), width=max(1, int(6 * s)))
    # fields: soft stripes in the valley
    rnd = random.Random(3)
    for i in range(9):
        cx, cy = rnd.uniform(150, 1300), rnd.uniform(1380, 1750)
        w, h = rnd.uniform(140, 260), rnd.uniform(40, 70)
        col = [(196, 200, 96), (150, 196, 90), (214, 182, 96)][i % 3]
        d.polygon([((cx - w) * s, cy * s), ((cx - w * 0.6) * s, (cy - h) * s), ((cx + w) * s, (cy - h) * s),
                   ((cx + w * 0.6) * s, cy * s)], fill=col + (200,))
    # the keep with three towers whose pole tops carry the flags
    o = PALETTE["outline"]
    towers = []
    for fx, fy in FLAG_POINTS:
        X, Y = fx * 2 * s, (1024 - fy) * 2 * s  # flag point in image pixels
        towers.append((X, Y))
    wall_top = 1010 * s
    d.rectangle([1180 * s, wall_top, 1540 * s, 1200 * s], fill=o)
    d.rectangle([1186 * s, wall_top + 6 * s, 1534 * s, 1200 * s], fill=(176, 168, 156))
    for x in range(1186, 1534, 40):
        d.rectangle([x * s, (wall_top - 24 * s), (x + 22) * s, wall_top], fill=(176, 168, 156), outline=o,
                    width=max(1, int(4 * s)))
    d.rectangle([1330 * s, 1110 * s, 1390 * s, 1200 * s], fill=PALETTE["wood_dark"], outline=o, width=max(1, int(5 * s)))
    for X, Y in sorted(towers, key=lambda t: t[1]):
        pole = 70 * s
        roof_top = Y + pole
        tw = 120 * s
        roof_h = 120 * s
        base = 1200 * s
        d.rectangle([X - tw / 2, roof_top + roof_h - 10 * s, X + tw / 2, base], fill=o)
        d.rectangle([X - tw / 2 + 6 * s, roof_top + roof_h - 4 * s, X + tw / 2 - 6 * s, base],
                    fill=(190, 182, 168))
        for wy in (roof_top + roof_h + 50 * s, roof_top + roof_h + 140 * s):
            if wy < base - 30 * s:
                d.rounded_rectangle([X - 14 * s, wy, X + 14 * s, wy + 40 * s], 12 * s, fill=(70, 52, 40))
        d.polygon([(X - tw / 2 - 18 * s, roof_top + roof_h), (X, roof_top), (X + tw / 2 + 18 * s, roof_top + roof_h)],
                  fill=o)
        d.polygon([(X - tw / 2 - 8 * s, roof_top + roof_h - 5 * s), (X, roof_top + 10 * s),
                   (X + tw / 2 + 8 * s, roof_top + roof_h - 5 * s)], fill=(196, 70, 56))
        d.polygon([(X, roof_top + 10 * s), (X + tw / 2 + 8 * s, roof_top + roof_h - 5 * s),
                   (X + 10 * s, roof_top + roof_h - 5 * s)], fill=(160, 52, 44))
        d.line([(X, Y - 6 * s), (X, roof_top + 12 * s)], fill=o, width=max(2, int(9 * s)))
        d.line([(X, Y - 4 * s), (X, roof_top + 12 * s)], fill=(214, 190, 130), width=max(1, int(4 * s)))
        d.ellipse([X - 9 * s, Y - 16 * s, X + 9 * s, Y + 2 * s], fill=PALETTE["gold"], outline=o, width=max(1, int(3 * s)))
    # the village in the valley
    rnd = random.Random(11)
    spots = []
    for _ in range(34):
        x, y = rnd.uniform(120, 1250), rnd.uniform(1420, 1900)
        spots.append((y, x))
    for y, x in sorted(spots):
        k = (y - 1300) / 600
        if rnd.random() < 0.45:
            _tree(d, x * s, y * s, (26 + 22 * k) * s, rnd.choice([(92, 150, 64), (76, 136, 58), (110, 164, 70)]))
        else:
            _house(d, x * s, y * s, (60 + 50 * k) * s, (40 + 36 * k) * s,
                   rnd.choice([(196, 84, 60), (172, 108, 64), (150, 72, 60), (120, 100, 150)]), rnd)
    shaded = img.convert("RGBA")
    _shade_band(shaded, 1500 * s, size, 60)
    img.paste(shaded.convert("RGB"))
    d = ImageDraw.Draw(img, "RGBA")
    # foreground meadow with flowers
    front = [(x * s, y * s) for x, y in _ridge(2048, 1930, 40, 31)]
    _fill_below(d, front, size, (88, 146, 60))
    rnd = random.Random(5)
    for _ in range(160):
        x, y = rnd.uniform(0, 2048), rnd.uniform(1950, 2048)
        r = rnd.uniform(4, 8)
        d.ellipse([(x - r) * s, (y - r) * s, (x + r) * s, (y + r) * s],
                  fill=rnd.choice([(250, 240, 240), (250, 210, 80), (230, 120, 140)]))
    return img.filter(ImageFilter.SMOOTH)


def door_half(width: int, height: int) -> Image.Image:
    """The left half of the double door: vertical planks in a frame with iron bands.
    The right half is the same picture mirrored."""
    scale = width / 384
    img = Image.new("RGBA", (width, height), PALETTE["outline"])
    d = ImageDraw.Draw(img)
    planks = 4
    frame = int(18 * scale)
    pw = (width - frame) / planks
    for i in range(planks):
        x0 = int(frame + i * pw)
        x1 = int(frame + (i + 1) * pw) - max(1, int(3 * scale))
        base = _lerp(PALETTE["wood"], PALETTE["wood_light"], (i * 37 % 5) / 8)
        plank = core.vertical_gradient(x1 - x0, height, g.shade(base + (255,), 18), g.shade(base + (255,), -26))
        plank = g.grain(plank, 18, 3 * scale + 1, i)
        marks = Image.new("RGBA", plank.size, (0, 0, 0, 0))
        pd = ImageDraw.Draw(marks)
        rnd = random.Random(40 + i)
        # long grain lines and a knot or two
        for _ in range(5):
            gx = rnd.uniform(0.15, 0.85) * plank.width
            pd.line([(gx, 0), (gx + rnd.uniform(-6, 6) * scale, height)], fill=g.shade(base + (255,), -38)[:3] + (90,),
                    width=max(1, int(2 * scale)))
        for _ in range(2):
            kx, ky = rnd.uniform(0.3, 0.7) * plank.width, rnd.uniform(0.15, 0.85) * height
            kr = rnd.uniform(6, 11) * scale
            pd.ellipse([kx - kr, ky - kr * 1.6, kx + kr, ky + kr * 1.6], fill=g.shade(base + (255,), -45),
                       outline=g.shade(base + (255,), -70), width=max(1, int(2 * scale)))
            pd.ellipse([kx - kr * 0.4, ky - kr * 0.7, kx + kr * 0.4, ky + kr * 0.7], fill=g.shade(base + (255,), -70))
        plank.alpha_composite(marks)
        img.paste(plank, (x0, 0))
    # frame on the outer edge and along top and bottom
    d.rectangle([0, 0, frame, height], fill=PALETTE["wood_dark"])
    d.line([(frame, 0), (frame, height)], fill=PALETTE["outline"], width=max(1, int(3 * scale)))
    # iron bands with nails
    for yf in (0.12, 0.5, 0.88):
        y = int(height * yf)
        bh = int(26 * scale)
        d.rectangle([0, y - bh // 2, width, y + bh // 2], fill=PALETTE["outline"])
        d.rectangle([0, y - bh // 2 + max(1, int(3 * scale)), width, y + bh // 2 - max(1, int(3 * scale))],
                    fill=(104, 100, 96))
        d.line([(0, y - bh // 2 + int(6 * scale)), (width, y - bh // 2 + int(6 * scale))], fill=(150, 146, 140),
               width=max(1, int(2 * scale)))
        for x in range(int(30 * scale), width, int(70 * scale)):
            g.nail(img, x, y, max(2, int(6 * scale)))
    # the meeting edge: a darker seam
    d.rectangle([width - max(2, int(6 * scale)), 0, width, height], fill=PALETTE["outline"])
    return img


def logo_zandovar(width: int) -> Image.Image:
    """The publisher's mark: a crest with a Z beside the name, on transparent."""
    h = width // 2
    img = Image.new("RGBA", (width, h), (0, 0, 0, 0))
    m = width / 512
    d = ImageDraw.Draw(img)
    cx, cy, r = 110 * m, h / 2, 78 * m
    shield = [(cx - r, cy - r * 0.9), (cx + r, cy - r * 0.9), (cx + r, cy + r * 0.2), (cx, cy + r * 1.1),
              (cx - r, cy + r * 0.2)]
    d.polygon(shield, fill=(40, 46, 92))
    inner = [(x * 0.86 + cx * 0.14, y * 0.86 + cy * 0.14) for x, y in shield]
    d.polygon(inner, fill=(60, 98, 190))
    f = core.ImageFont.truetype(str(core.FONTS / "NimbusSans-Bold.otf"), int(110 * m))
    d.text((cx, cy - 6 * m), "Z", font=f, fill=(250, 200, 60), anchor="mm", stroke_width=int(4 * m),
           stroke_fill=(40, 46, 92))
    f2 = core.ImageFont.truetype(str(core.FONTS / "NimbusSans-Bold.otf"), int(50 * m))
    d.text((208 * m, cy - 14 * m), "ZANDOVAR", font=f2, fill=(40, 46, 92), anchor="lm")
    f3 = core.ImageFont.truetype(str(core.FONTS / "NimbusSans-Regular.otf"), int(26 * m))
    d.text((212 * m, cy + 36 * m), "p u b l i s h i n g", font=f3, fill=(96, 110, 150), anchor="lm")
    return img


def logo_quillfen(width: int) -> Image.Image:
    """The studio's mark: a quill over a pond, then the name in the house lettering."""
    h = width // 2
    img = Image.new("RGBA", (width, h), (0, 0, 0, 0))
    m = width / 512
    d = ImageDraw.Draw(img)
    cx, cy = 118 * m, h / 2 + 20 * m
    d.ellipse([cx - 86 * m, cy + 10 * m, cx + 86 * m, cy + 58 * m], fill=(92, 170, 196))
    d.ellipse([cx - 70 * m, cy + 18 * m, cx + 70 * m, cy + 46 * m], fill=(140, 206, 222))
    # quill: a long leaf-shaped feather leaning right
    feather = []
    for i in range(0, 41):
        t = i / 40
        x = cx - 40 * m + t * 100 * m
        y = cy + 20 * m - t * 150 * m
        wdt = math.sin(t * math.pi) * 30 * m
        feather.append((x, y, wdt))
    left = [(x - w * 0.7, y - w * 0.7) for x, y, w in feather]
    right = [(x + w * 0.7, y + w * 0.7) for x, y, w in reversed(feather)]
    d.polygon(left + right, fill=(62, 39, 26))
    left2 = [(x - w * 0.55, y - w * 0.55) for x, y, w in feather]
    right2 = [(x + w * 0.55, y + w * 0.55) for x, y, w in reversed(feather)]
    d.polygon(left2 + right2, fill=(108, 170, 72))
    d.line([(feather[0][0] - 10 * m, feather[0][1] + 14 * m), (feather[-1][0], feather[-1][1])], fill=(62, 39, 26),
           width=max(1, int(5 * m)))
    f = core.ImageFont.truetype(str(core.FONTS / "ComicNeue-Bold.otf"), int(72 * m))
    d.text((222 * m, h / 2 - 12 * m), "Quillfen", font=f, fill=(62, 110, 46), anchor="lm", stroke_width=int(2 * m),
           stroke_fill=(62, 39, 26))
    f3 = core.ImageFont.truetype(str(core.FONTS / "NimbusSans-Regular.otf"), int(26 * m))
    d.text((228 * m, h / 2 + 42 * m), "g a m e   s t u d i o", font=f3, fill=(120, 96, 70), anchor="lm")
    return img


def stats_page(width: int, height: int, window_height: float, points: float) -> Image.Image:
    """The statistics page: a dark ledger board on a wooden desk, so that the
    page's light key texts and gold values stand out. `points` is the page's
    height in points (the row: 886 on a tablet, 419 on a phone) and
    `window_height` the window's; the statistics rows sit at fractions of the
    window's height from the row's bottom, and a faint rule runs under each."""
    scale = width / 768 if points > 500 else width / 320 / 2
    k = height / points  # pixels per point
    img = Image.new("RGBA", (width, height))
    desk = core.vertical_gradient(width, height, PALETTE["wood"], PALETTE["wood_dark"])
    desk = g.grain(desk, 16, 4 * scale + 1, 9)
    img.paste(desk, (0, 0))
    d = ImageDraw.Draw(img)
    m = int(18 * scale)
    d.rounded_rectangle([m, m, width - m, height - m], int(18 * scale), fill=PALETTE["outline"])
    board = core.vertical_gradient(width, height, (74, 54, 40, 255), (44, 32, 25, 255))
    mask = Image.new("L", (width, height), 0)
    inset = m + 5 * scale
    ImageDraw.Draw(mask).rounded_rectangle([inset, inset, width - inset, height - inset], int(15 * scale), fill=255)
    img.paste(board, (0, 0), mask)
    d = ImageDraw.Draw(img)
    line = max(1, int(round(1.5 * scale)))
    rule = (96, 72, 54, 255)

    def y_of(fraction: float) -> float:
        return height - fraction * window_height * k

    # a rule under each of the twelve statistics rows, and one over the first
    for n in range(13):
        y = y_of(0.39 - 0.03 * n + 0.015)
        d.line([(inset + 10 * scale, y), (width - inset - 10 * scale, y)], fill=rule, width=line)
    d.line([(width * 0.49, y_of(0.405)), (width * 0.49, y_of(0.045))], fill=rule, width=line)
    # a gold rule between the village's head and its ledger
    y = y_of(0.445)
    d.line([(inset + 10 * scale, y), (width - inset - 10 * scale, y)], fill=(176, 132, 60, 255), width=line * 2)
    return img.convert("RGB")
