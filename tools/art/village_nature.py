"""The village map's ground: the background, trees, bushes, decorations and fish."""

from __future__ import annotations

import math

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

import core
import village_layout as layout
from core import PALETTE
from village_paint import (P, centre_on_base, ellipse, emoji, gradient_poly, line, paste, paste_bottom, poly,
                           rect, shade, soft_shadow)

OUT = PALETTE["outline"]


def _blob(img, cx, cy, r, colour, light=True):
    ellipse(img, cx, cy, r, r * 0.92, colour)
    if light:
        ellipse(img, cx - r * 0.3, cy - r * 0.32, r * 0.45, r * 0.38, shade(colour, 0.22))


def tree(kind: str) -> Image.Image:
    """A tree whose trunk foot is the picture's centre (slot sprites are centred)."""
    kind = kind.removesuffix(".png")
    img = core.canvas(34, 46)
    cx, base = 17, 43
    paste(img, soft_shadow(20, 5), cx + 2, base - 1)
    green = PALETTE["green"]
    if kind == "map_tree_pine":
        rect(img, cx - 1.3, base - 8, cx + 1.3, base, PALETTE["wood_dark"])
        dark = (52, 110, 62, 255)
        for i, (wd, y0, y1) in enumerate(((13, base - 6, base - 20), (11, base - 14, base - 28), (8, base - 22, base - 38))):
            gradient_poly(img, [(cx - wd, y0), (cx, y1 - 4), (cx + wd, y0)], shade(dark, 0.2), shade(dark, -0.15))
            poly(img, [(cx, y0), (cx, y1 - 4), (cx + wd, y0)], (0, 0, 0, 40))
    elif kind == "map_tree_birch":
        rect(img, cx - 1.2, base - 16, cx + 1.2, base, (240, 236, 226, 255))
        for k in range(4):
            rect(img, cx - 1.2, base - 3 - k * 4, cx + 0.2, base - 2.2 - k * 4, (60, 60, 60, 255))
        light = (150, 200, 90, 255)
        for dx, dy, r in ((-4, -22, 6), (4, -24, 6), (0, -30, 6.5), (-1, -20, 5)):
            _blob(img, cx + dx, base + dy, r, light)
    elif kind == "map_tree_apple":
        rect(img, cx - 1.6, base - 11, cx + 1.6, base, PALETTE["wood"])
        for dx, dy, r in ((-5, -18, 7), (5, -19, 7), (0, -25, 8)):
            _blob(img, cx + dx, base + dy, r, green)
        for dx, dy in ((-6, -16), (3, -22), (6, -15), (-2, -27), (1, -17)):
            ellipse(img, cx + dx, base + dy, 1.3, 1.3, PALETTE["red"], OUT, 0.25)
    elif kind.startswith("map_bush"):
        dark = kind.endswith("02")
        col = PALETTE["green_dark"] if dark else (120, 176, 80, 255)
        for dx, dy, r in ((-5, -5, 5), (5, -5, 5), (0, -8, 6)):
            _blob(img, cx + dx, base + dy, r, col)
        if not dark:
            for dx, dy in ((-4, -9), (3, -6), (6, -10)):
                ellipse(img, cx + dx, base + dy, 1.1, 1.1, (250, 220, 240, 255), OUT, 0.2)
    else:  # oak
        rect(img, cx - 2, base - 12, cx + 2, base, PALETTE["wood_dark"])
        line(img, [(cx, base - 10), (cx - 5, base - 16)], PALETTE["wood_dark"], 1.2)
        for dx, dy, r in ((-7, -18, 7), (7, -18, 7), (0, -26, 9), (-3, -17, 6), (4, -24, 7)):
            _blob(img, cx + dx, base + dy, r, (92, 156, 64, 255))
    img = core.outlined(img, 0.45)
    return centre_on_base(img)


def willow() -> Image.Image:
    """The willow leaning over the river, drawn over everything (slot 62)."""
    img = core.canvas(70, 90)
    cx, base = 30, 86
    line(img, [(cx, base), (cx + 2, base - 20), (cx + 8, base - 40)], PALETTE["wood_dark"], 4.5)
    line(img, [(cx + 4, base - 30), (cx - 6, base - 44)], PALETTE["wood_dark"], 2.4)
    col = (118, 170, 78, 255)
    for dx, dy, r in ((-10, -48, 13), (12, -52, 14), (0, -62, 14), (-4, -46, 10), (16, -40, 10)):
        _blob(img, cx + dx, base + dy, r, col)
    # Hanging fronds.
    for i in range(16):
        x0 = cx - 20 + i * 2.8
        y0 = base - 50 + abs(i - 8) * 1.5
        line(img, [(x0, y0), (x0 - 1, y0 + 14 + (i * 7) % 9)], shade(col, -0.15), 1.2)
    img = core.outlined(img, 0.5)
    return centre_on_base(img)


def decoration(name: str) -> Image.Image:
    """The flat decorations the settlement's upgrades reveal (centre = their slot)."""
    name = name.removesuffix(".png")
    if name == "map_deco_square":
        img = core.canvas(64, 30)
        ellipse(img, 32, 15, 31, 14, (196, 186, 170, 255), OUT, 0.6)
        for r in range(1, 4):
            ellipse(img, 32, 15, 31 * r / 4, 14 * r / 4, None, shade((196, 186, 170, 255), -0.2), 0.4)
        for k in range(12):
            a = math.radians(k * 30)
            line(img, [(32 + math.cos(a) * 8, 15 + math.sin(a) * 3.6), (32 + math.cos(a) * 30, 15 + math.sin(a) * 13.5)],
                 shade((196, 186, 170, 255), -0.2), 0.4)
        return img
    if name == "map_deco_flowers":
        img = core.canvas(34, 18)
        ellipse(img, 17, 10, 16, 7, PALETTE["earth"], OUT, 0.5)
        for k, f in enumerate(["🌷", "🌼", "🌷", "🌸", "🌼", "🌷", "🌸"]):
            paste_bottom(img, emoji(f, 6), 5 + k * 4, 12 + (k % 2) * 2)
        return img
    if name == "map_deco_fountain":
        img = core.canvas(30, 20)
        ellipse(img, 15, 11, 14, 7, (170, 162, 150, 255), OUT, 0.6)
        ellipse(img, 15, 11, 11, 5, (110, 170, 220, 255))
        ellipse(img, 13, 10, 5, 2, (180, 220, 250, 255))
        rect(img, 13.5, 3, 16.5, 11, (190, 184, 172, 255), OUT, 0.4)
        ellipse(img, 15, 3, 3.5, 1.6, (110, 170, 220, 255), OUT, 0.4)
        return img
    if name == "map_deco_banners":
        img = core.canvas(56, 12)
        colours = [PALETTE["red"], PALETTE["gold"], PALETTE["blue"], PALETTE["green"]]
        line(img, [(2, 3), (28, 7), (54, 3)], PALETTE["wood_dark"], 0.5)
        for k in range(10):
            x = 4 + k * 5.2
            y = 3 + 4 * math.sin(math.pi * (x - 2) / 52)
            poly(img, [(x - 1.8, y), (x + 1.8, y), (x, y + 4)], colours[k % 4], OUT, 0.25)
        return img
    raise KeyError(name)


def fish() -> Image.Image:
    img = core.canvas(14, 8)
    body = (250, 150, 60, 255)
    ellipse(img, 6, 4, 5, 2.6, body, OUT, 0.4)
    poly(img, [(10, 4), (13.5, 1.2), (13.5, 6.8)], shade(body, -0.1), OUT, 0.4)
    ellipse(img, 3.5, 3.3, 0.7, 0.7, PALETTE["black"])
    return img


def ripple() -> Image.Image:
    img = core.canvas(18, 8)
    ellipse(img, 9, 4, 8, 3.2, None, (230, 245, 255, 230), 0.6)
    ellipse(img, 9, 4, 4.5, 1.6, None, (230, 245, 255, 200), 0.5)
    return img


def background() -> Image.Image:
    """The whole world: meadow, the mine's hill, the river with its bridge, and the roads."""
    W, H = layout.WORLD_W, layout.WORLD_H
    w, h = P(W), P(H)
    rng = np.random.default_rng(7)
    # Meadow: soft large-scale tone changes plus fine speckle.
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32)
    tone = (np.sin(xx / P(37)) * np.cos(yy / P(29)) + np.sin((xx + yy) / P(53))) * 0.5
    base = np.array([124, 184, 84], np.float32)
    light = np.array([150, 204, 100], np.float32)
    t = (tone[..., None] + 1) / 2
    arr = base * (1 - t) + light * t
    arr += rng.normal(0, 3.5, size=(h, w, 1)).astype(np.float32)
    img = Image.fromarray(np.clip(arr, 0, 255).astype(np.uint8), "RGB").convert("RGBA")
    draw = ImageDraw.Draw(img)
    # Grass tufts.
    for _ in range(900):
        x, y = rng.uniform(0, W), rng.uniform(0, H)
        col = (98, 156, 64, 255) if rng.uniform() < 0.6 else (170, 214, 116, 255)
        for dx in (-0.8, 0, 0.8):
            draw.line([(P(x), P(y)), (P(x + dx * 1.6), P(y - 2.2))], fill=col, width=P(0.35))
    # Little flowers.
    for _ in range(140):
        x, y = rng.uniform(0, W), rng.uniform(0, H)
        col = [(250, 250, 240, 255), (250, 220, 90, 255), (240, 170, 200, 255)][int(rng.integers(0, 3))]
        r = P(0.7)
        draw.ellipse([P(x) - r, P(y) - r, P(x) + r, P(y) + r], fill=col)
    # The hill of the mine, north-east: a green rise with a darker rim and rocks.
    hill = Image.new("RGBA", img.size, (0, 0, 0, 0))
    hd = ImageDraw.Draw(hill)
    hd.ellipse([P(190), P(14), P(410), P(176)], fill=(96, 146, 66, 255))
    hd.ellipse([P(194), P(10), P(406), P(168)], fill=(132, 178, 90, 255))
    hd.ellipse([P(218), P(8), P(390), P(118)], fill=(150, 192, 104, 255))
    hd.ellipse([P(240), P(12), P(350), P(78)], fill=(164, 202, 116, 255))
    hill = hill.filter(ImageFilter.GaussianBlur(P(1.2)))
    img.alpha_composite(hill)
    for x, y, r in ((222, 92, 5), (232, 140, 4), (330, 150, 6), (350, 98, 5), (310, 42, 4), (262, 46, 3.5),
                    (212, 124, 3), (372, 130, 4)):
        ellipse(img, x, y + 1, r, r * 0.6, (0, 0, 0, 50))
        ellipse(img, x, y, r, r * 0.7, (156, 148, 138, 255), OUT, 0.4)
        ellipse(img, x - r * 0.3, y - r * 0.25, r * 0.45, r * 0.25, (196, 190, 182, 255))
    draw = ImageDraw.Draw(img)
    # Roads: a dark edge, the dirt, a lighter middle.
    for width, col in ((15, (150, 120, 80, 255)), (12.5, (206, 176, 126, 255)), (5, (220, 194, 148, 255))):
        for road in layout.ROADS:
            draw.line(core_pts(road.polyline(80)), fill=col, width=P(width), joint="curve")
            for end in (road.points[0], road.points[-1]):
                r = P(width / 2)
                draw.ellipse([P(end[0]) - r, P(end[1]) - r, P(end[0]) + r, P(end[1]) + r], fill=col)
    # The square before the settlement.
    sx, sy = layout.SETTLEMENT[0], layout.SETTLEMENT[1] + 14
    draw.ellipse([P(sx - 40), P(sy - 15), P(sx + 40), P(sy + 15)], fill=(150, 120, 80, 255))
    draw.ellipse([P(sx - 38), P(sy - 13.5), P(sx + 38), P(sy + 13.5)], fill=(210, 182, 134, 255))
    # River with banks.
    for widen, col in ((3.5, (112, 92, 60, 255)), (1.5, (96, 150, 190, 255)), (0, (76, 140, 206, 255))):
        left, right = [], []
        for y in range(-12, H + 14, 4):
            cx, half = layout.river_centre(y)
            wob = math.sin(y / 17.0) * 1.5
            left.append((cx - half - widen + wob, y))
            right.append((cx + half + widen + wob, y))
        draw.polygon(core_pts(left + right[::-1]), fill=col)
    # Light streaks on the water.
    for _ in range(110):
        y = rng.uniform(0, H)
        cx, half = layout.river_centre(y)
        x = cx + rng.uniform(-half * 0.7, half * 0.7)
        draw.line([(P(x - 2.5), P(y)), (P(x + 2.5), P(y))], fill=(170, 210, 240, 255), width=P(0.45))
    # The bridge where road 2 crosses.
    bx, by = layout.BRIDGE
    _, half = layout.river_centre(by)
    bridge = core.canvas(2 * half + 16, 16)
    bw = 2 * half + 12
    rect(bridge, 2, 3, 2 + bw, 13, PALETTE["wood"], OUT, 0.6)
    for k in range(1, int(bw / 2.6)):
        line(bridge, [(2 + k * 2.6, 3.4), (2 + k * 2.6, 12.6)], PALETTE["wood_dark"], 0.35)
    rect(bridge, 2, 1.4, 2 + bw, 3.2, PALETTE["wood_light"], OUT, 0.4)
    rect(bridge, 2, 12.6, 2 + bw, 14.4, PALETTE["wood_light"], OUT, 0.4)
    bridge = bridge.rotate(-4, resample=Image.BICUBIC)
    img.alpha_composite(bridge, (P(bx) - bridge.width // 2, P(by) - bridge.height // 2))
    # A gentle vignette at the edges.
    v = np.asarray(img).astype(np.float32)
    ex = np.minimum(xx / P(30), (w - xx) / P(30))
    ey = np.minimum(yy / P(30), (h - yy) / P(30))
    edge = np.clip(np.minimum(ex, ey), 0, 1)
    v[..., :3] *= (0.86 + 0.14 * edge)[..., None]
    return Image.fromarray(np.clip(v, 0, 255).astype(np.uint8), "RGBA")


def core_pts(points):
    return [(P(x), P(y)) for x, y in points]
