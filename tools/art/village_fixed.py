"""The village map's fixed frames: entrances, ready marks, placement markers, glow, tutorial hand."""

from __future__ import annotations

import math

from PIL import Image, ImageDraw, ImageFilter

import core
from core import PALETTE
from village_paint import P, ellipse, emoji, paste, poly, rect, shade, star

OUT = PALETTE["outline"]


def entrance_icon(symbol: str, ring) -> Image.Image:
    """A round wooden sign with the place's emoji: the map's entrance buttons."""
    img = core.canvas(32, 32)
    ellipse(img, 16, 17, 14.5, 14.5, (0, 0, 0, 60))
    ellipse(img, 16, 16, 14.5, 14.5, ring, OUT, 1.0)
    ellipse(img, 16, 16, 11.5, 11.5, PALETTE["parchment"], shade(ring, -0.3), 0.6)
    ellipse(img, 12.5, 11.5, 5, 3, (255, 255, 255, 120))
    paste(img, emoji(symbol, 16), 16, 16.5)
    return img


def entrance_icons() -> dict[str, Image.Image]:
    return {
        "icon_farm.png": entrance_icon("🌾", PALETTE["green"]),
        "icon_mine.png": entrance_icon("⛏️", PALETTE["stone"]),
        "icon_settlement.png": entrance_icon("📜", PALETTE["gold"]),
    }


def exclamation(frame: int) -> Image.Image:
    """The ready mark, frame 1..18: a golden "!" badge that hops and glints (bottom anchored)."""
    t = (frame - 1) / 18
    hop = abs(math.sin(math.pi * t)) * 4.0
    squash = 1.0 + 0.12 * math.cos(2 * math.pi * t) * (1 if hop < 1 else 0)
    img = core.canvas(20, 30)
    cx = 10
    by = 28 - hop
    r = 7.5
    ellipse(img, cx, 28.6, 5 - hop * 0.4, 1.3, (0, 0, 0, 70))
    ry = r / squash
    ellipse(img, cx, by - ry, r, ry, PALETTE["gold"], OUT, 0.8)
    ellipse(img, cx - 2.2, by - ry - 3, 3, 1.8, (255, 248, 200, 200))
    bang = core.text_image("!", 11, colour=PALETTE["white"], outline=PALETTE["red_dark"], outline_pt=0.8)
    paste(img, bang, cx, by - ry)
    # A glint that crosses the badge in the second half of the loop.
    if 10 <= frame <= 14:
        g = (frame - 10) / 4
        poly(img, star(cx - 5 + 10 * g, by - ry - 4 + 3 * g, 2.6, 0.8, 4), (255, 255, 255, 230))
    return img


def marker(kind: str) -> Image.Image:
    """Placement markers: a ground ring with a sign (build: hammer, upgrade: arrow), bottom anchored."""
    img = core.canvas(40, 44)
    colour = PALETTE["green"] if kind == "build" else PALETTE["blue"]
    ellipse(img, 20, 37, 17, 6, shade(colour, 0.3)[:3] + (150,), shade(colour, -0.3), 0.9)
    ellipse(img, 20, 37, 11, 3.8, None, (255, 255, 255, 200), 0.6)
    # Post and sign.
    rect(img, 19, 16, 21.5, 37, PALETTE["wood"], OUT, 0.4)
    ellipse(img, 20, 14, 11, 11, colour, OUT, 0.9)
    ellipse(img, 20, 14, 8.5, 8.5, shade(colour, 0.25))
    if kind == "build":
        paste(img, emoji("🔨", 12), 20, 14)
    else:
        poly(img, [(20, 7), (27, 14.5), (23, 14.5), (23, 20.5), (17, 20.5), (17, 14.5), (13, 14.5)],
             PALETTE["white"], OUT, 0.5)
    return img


def white_glow() -> Image.Image:
    """A soft white halo (tinted yellow by the map) behind bonus pictures."""
    size = 46
    img = core.canvas(size, size)
    layer = Image.new("L", img.size, 0)
    d = ImageDraw.Draw(layer)
    c = P(size / 2)
    for k in range(24, 0, -1):
        r = P(size / 2 - 3) * k / 24
        d.ellipse([c - r, c - r, c + r, c + r], fill=int(255 * (1 - k / 24) ** 0.8))
    layer = layer.filter(ImageFilter.GaussianBlur(P(1.5)))
    img.paste((255, 255, 255, 255), (0, 0), layer)
    return img


def tutorial_hand() -> Image.Image:
    """The pointing hand of the tutorial overlays (fingertip at the top-left quarter)."""
    hand = core.outlined(emoji("👆", 30), 0.8)
    return core.whole_points(hand)


def micro_money() -> Image.Image:
    """The gold a building pays out, as the falling bonus shows it: a little stack of coins."""
    img = core.canvas(40, 40)
    for k, (dx, dy) in enumerate(((-6, 30), (5, 31), (-1, 26), (-1, 21), (-1, 16))):
        ellipse(img, 20 + dx, dy + 1.2, 9, 3.6, PALETTE["gold_dark"], PALETTE["outline"], 0.6)
        ellipse(img, 20 + dx, dy, 9, 3.6, PALETTE["gold"], PALETTE["outline"], 0.6)
        ellipse(img, 20 + dx, dy, 5.5, 2.0, None, PALETTE["gold_dark"], 0.5)
    poly(img, star(29, 10, 4, 1.2, 4), (255, 255, 240, 255))
    return img


def tool_hint_pictures() -> dict[str, Image.Image]:
    """The tool-hint tooltip's pieces: dynamite, the methane lamp and the band behind the hint."""
    band = core.rounded_panel(150, 28, (252, 242, 214, 255), border=(222, 196, 146, 255), radius_pt=10,
                              border_pt=1.0, shine=False)
    return {
        "tnt.png": core.whole_points(core.outlined(emoji("🧨", 30), 0.7)),
        "metan_lamp.png": core.whole_points(core.outlined(emoji("🏮", 30), 0.7)),
        "fake_midd.png": band,
    }
