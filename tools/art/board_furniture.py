"""Buttons, plates, counters and pop-up parts of the puzzle boards (master pictures)."""

from __future__ import annotations

import math

from PIL import Image, ImageDraw, ImageFilter

import core
from board_pictures import TILE, darken, ellipse_shadow, glyph, lighten, paste, shaded, star_points
from core import PALETTE, canvas, px


def round_button(w_pt, h_pt, icon: Image.Image | None, pressed: bool, fill=PALETTE["wood"],
                 disabled: bool = False) -> Image.Image:
    """A round wooden button with an icon; the pressed state sits lower and darker."""
    img = canvas(w_pt, h_pt)
    body_fill = darken(fill, 0.18) if pressed else fill
    if disabled:
        grey = sum(fill[:3]) // 3
        body_fill = (grey, grey, grey, 255)
    plate = core.rounded_panel(w_pt - 2, h_pt - 2, body_fill, radius_pt=min(w_pt, h_pt) / 2 - 1, border_pt=1.2)
    dy = 1 if pressed else 0
    img.alpha_composite(plate, (px(1), px(1 + dy * 0.5)))
    if icon is not None:
        if disabled:
            icon = icon.convert("LA").convert("RGBA")
        paste(img, icon, w_pt / 2, h_pt / 2 + dy * 0.5)
    return img


def menu_bars_icon(size_pt) -> Image.Image:
    img = canvas(size_pt, size_pt)
    d = ImageDraw.Draw(img)
    for i in range(3):
        y = size_pt * (0.25 + 0.25 * i)
        d.rounded_rectangle([px(size_pt * 0.12), px(y - 1.6), px(size_pt * 0.88), px(y + 1.6)], px(1.6),
                            fill=PALETTE["parchment"], outline=PALETTE["outline"], width=px(0.6))
    return img


def arrow_shape(w_pt, h_pt, fill) -> Image.Image:
    """An arrow pointing left (the code mirrors it for the other side)."""
    img = canvas(w_pt, h_pt)
    d = ImageDraw.Draw(img)
    pts = [(px(2), px(h_pt / 2)), (px(w_pt - 3), px(3)), (px(w_pt - 3), px(h_pt - 3))]
    d.polygon(pts, fill=PALETTE["outline"])
    inner = [(px(4.5), px(h_pt / 2)), (px(w_pt - 5), px(6)), (px(w_pt - 5), px(h_pt - 6))]
    d.polygon(inner, fill=fill)
    d.line([px(w_pt - 6), px(8), px(w_pt - 6), px(h_pt / 2)], fill=lighten(fill, 0.5), width=px(1))
    return img


def ribbon(w_pt, h_pt, fill) -> Image.Image:
    """A banner with notched ends."""
    img = canvas(w_pt, h_pt)
    d = ImageDraw.Draw(img)
    n = h_pt * 0.35
    outer = [(0, 0), (px(w_pt), 0), (px(w_pt - n), px(h_pt / 2)), (px(w_pt), px(h_pt)), (0, px(h_pt)),
             (px(n), px(h_pt / 2))]
    d.polygon(outer, fill=PALETTE["outline"])
    b = 1.3
    inner = [(px(b * 1.6), px(b)), (px(w_pt - b * 1.6), px(b)), (px(w_pt - n - b * 0.6), px(h_pt / 2)),
             (px(w_pt - b * 1.6), px(h_pt - b)), (px(b * 1.6), px(h_pt - b)), (px(n + b * 0.6), px(h_pt / 2))]
    d.polygon(inner, fill=fill)
    d.rectangle([px(n), px(b + 1), px(w_pt - n), px(h_pt * 0.35)], fill=lighten(fill, 0.25))
    return img


def plaque(w_pt, h_pt, fill=PALETTE["parchment"], radius=8) -> Image.Image:
    return core.rounded_panel(w_pt, h_pt, fill, radius_pt=radius, border_pt=1.5)


def line_star() -> Image.Image:
    img = canvas(24, 24)
    d = ImageDraw.Draw(img)
    d.polygon(star_points(px(12), px(12), px(11.5), px(5), 5), fill=(120, 110, 60, 255))
    d.polygon(star_points(px(12), px(12), px(10), px(4.2), 5), fill=(255, 255, 255, 255))
    d.polygon(star_points(px(11.4), px(11.2), px(5), px(2), 5), fill=(255, 255, 240, 255))
    return img


def sparkle(size_pt=24) -> Image.Image:
    """A four-pointed twinkle (the summary's star glint)."""
    img = canvas(size_pt, size_pt)
    d = ImageDraw.Draw(img)
    c = px(size_pt / 2)
    for length, width, col in ((size_pt / 2, size_pt * 0.09, (255, 236, 140, 255)),
                               (size_pt * 0.36, size_pt * 0.06, (255, 255, 255, 255))):
        for i in range(4):
            a = i * math.pi / 2
            tip = (c + px(length) * math.cos(a), c + px(length) * math.sin(a))
            l1 = (c + px(width) * math.cos(a + math.pi / 2), c + px(width) * math.sin(a + math.pi / 2))
            l2 = (c + px(width) * math.cos(a - math.pi / 2), c + px(width) * math.sin(a - math.pi / 2))
            d.polygon([tip, l1, l2], fill=col)
    glow = img.filter(ImageFilter.GaussianBlur(px(1)))
    glow.alpha_composite(img)
    return glow


def cross_kill() -> Image.Image:
    """The mark on an animal caught in a chain (anchored at its bottom middle)."""
    img = canvas(36, 36)
    d = ImageDraw.Draw(img)
    for w, col in ((7.5, PALETTE["outline"]), (4.5, PALETTE["red"])):
        d.line([px(7), px(7), px(29), px(29)], fill=col, width=px(w))
        d.line([px(29), px(7), px(7), px(29)], fill=col, width=px(w))
    d.line([px(9), px(9), px(15), px(15)], fill=(255, 150, 140, 255), width=px(1.2))
    return img


def calendar_part(which: int) -> Image.Image:
    if which == 1:  # rings
        img = canvas(24, 8)
        d = ImageDraw.Draw(img)
        for x in (5, 12, 19):
            d.rounded_rectangle([px(x - 1.5), px(0.5), px(x + 1.5), px(7.5)], px(1.5), fill=PALETTE["grey"],
                                outline=PALETTE["outline"], width=px(0.6))
        return img
    if which == 2:  # a page
        img = canvas(26, 24)
        d = ImageDraw.Draw(img)
        d.rectangle([0, 0, img.width - 1, img.height - 1], fill=(252, 248, 236, 255), outline=PALETTE["outline"],
                    width=px(0.8))
        d.rectangle([px(0.8), px(0.8), img.width - px(0.8), px(5)], fill=(214, 70, 56, 255))
        for y in (18, 21):
            d.line([px(4), px(y), px(22), px(y)], fill=(220, 210, 190, 255), width=px(0.5))
        return img
    img = canvas(28, 32)  # the back board
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([0, px(2), img.width - 1, img.height - 1], px(3), fill=PALETTE["wood"],
                        outline=PALETTE["outline"], width=px(1))
    d.rounded_rectangle([px(2), px(4), img.width - px(2), px(8)], px(1), fill=PALETTE["wood_light"])
    return img


def resource_bar_bg() -> Image.Image:
    """The slot's upright tube; the panel fills it from the bottom (a vertical progress timer)."""
    img = canvas(14, 30)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([0, 0, img.width - 1, img.height - 1], px(6), fill=PALETTE["outline"])
    d.rounded_rectangle([px(1.2), px(1.2), img.width - px(1.2), img.height - px(1.2)], px(5), fill=(58, 40, 28, 255))
    return img


def resource_bar_fill(w_px: int, h_px: int, preview: bool) -> Image.Image:
    """The progress fill (bright green) or the preview fill (pale gold) of the upright tube, in final
    pixels: lit from the left, with a shine down its length."""
    img = Image.new("RGBA", (w_px, h_px), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    left, right = ((255, 236, 150, 200), (236, 190, 70, 200)) if preview else ((170, 230, 100, 255),
                                                                               (70, 150, 44, 255))
    r = w_px // 2
    mask = Image.new("L", (w_px, h_px), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w_px - 1, h_px - 1], r, fill=255)
    grad = core.vertical_gradient(h_px, w_px, left, right).rotate(90, expand=True).transpose(Image.FLIP_TOP_BOTTOM)
    img.paste(grad, (0, 0), mask)
    if w_px >= 6:
        d.line([max(1, w_px // 4), r, max(1, w_px // 4), h_px - r], fill=(255, 255, 255, 110),
               width=max(1, w_px // 6))
    if preview:
        a = img.getchannel("A").point(lambda v: v * 200 // 255)
        img.putalpha(a)
    return img


def food_icon(size_pt, eaten: bool) -> Image.Image:
    img = canvas(size_pt, size_pt)
    if eaten:
        paste(img, glyph("🦴", size_pt * 0.8, 0.5), size_pt / 2, size_pt / 2)
    else:
        paste(img, glyph("🍖", size_pt * 0.9, 0.5), size_pt / 2, size_pt / 2)
    return img


def coin_tile() -> Image.Image:
    img = canvas(TILE, TILE)
    paste(img, ellipse_shadow(30, 7, 80), 24, 45)
    paste(img, glyph("🪙", 36), 24, 24)
    return shaded(img)


def field_icon() -> Image.Image:
    """The fields (summary icon): wheat and a carrot bed behind a fence."""
    img = canvas(TILE, TILE)
    paste(img, glyph("🌾", 26, 0.5), 16, 18)
    paste(img, glyph("🥕", 22, 0.5), 33, 20)
    d = ImageDraw.Draw(img)
    for x in range(6, 44, 8):
        d.rectangle([px(x), px(28), px(x + 3), px(44)], fill=PALETTE["wood_light"], outline=PALETTE["outline"],
                    width=px(0.6))
    for y in (32, 39):
        d.rectangle([px(4), px(y), px(44), px(y + 2.5)], fill=PALETTE["wood"], outline=PALETTE["outline"],
                    width=px(0.6))
    return shaded(img)


def record_badge() -> Image.Image:
    """The new-record rosette."""
    img = canvas(44, 52)
    d = ImageDraw.Draw(img)
    for x0, col in ((12, PALETTE["red"]), (24, PALETTE["blue"])):
        d.polygon([(px(x0), px(26)), (px(x0 + 8), px(26)), (px(x0 + 8), px(50)), (px(x0 + 4), px(45)),
                   (px(x0), px(50))], fill=col, outline=PALETTE["outline"])
    d.polygon(star_points(px(22), px(21), px(21), px(17), n=16), fill=PALETTE["outline"])
    d.polygon(star_points(px(22), px(21), px(19.5), px(15.5), n=16), fill=PALETTE["gold"])
    d.ellipse([px(9), px(8), px(35), px(34)], fill=(255, 230, 130, 255), outline=PALETTE["gold_dark"], width=px(1))
    d.polygon(star_points(px(22), px(21), px(9), px(4), n=5), fill=PALETTE["white"], outline=PALETTE["gold_dark"])
    return img


def tip_picture(kind: str) -> Image.Image:
    """Tips of the summary: 1 build a market to sell, 2 nothing valuable left on the board."""
    img = plaque(84, 56, fill=PALETTE["parchment"])
    if kind in ("market_mine", "market_fields"):
        paste(img, glyph("🏪", 30), 26, 28)
        paste(img, glyph("💎" if kind == "market_mine" else "🥕", 19, 0.5), 60, 20)
        paste(img, glyph("🪙", 16, 0.5), 64, 39)
    else:
        paste(img, glyph("⛏️" if kind == "empty_mine" else "🧺", 27), 28, 28)
        paste(img, glyph("🔍", 22, 0.5), 59, 29)
    return img


def tool_info_frame() -> Image.Image:
    """The tool information frame that slides in from the left."""
    img = plaque(176, 88, fill=PALETTE["parchment"], radius=10)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([px(8), px(8), px(56), px(56)], px(8), fill=PALETTE["parchment_dark"],
                        outline=PALETTE["wood_dark"], width=px(0.8))
    return img


def tools_help_picture() -> Image.Image:
    img = canvas(80, 52)
    paste(img, glyph("🧰", 30), 25, 30)
    paste(img, glyph("👆", 23, 0.5), 56, 33)
    paste(img, glyph("✨", 14, 0.5), 45, 12)
    return img


def empty_tools_plate() -> Image.Image:
    img = plaque(180, 40, fill=PALETTE["parchment_dark"], radius=12)
    icon = glyph("🧰", 26, 0.5)
    icon.putalpha(icon.getchannel("A").point(lambda a: a * 90 // 255))
    paste(img, icon, 20, 20)
    paste(img, icon.transpose(Image.FLIP_LEFT_RIGHT), 160, 20)
    return img


def tool_banner() -> Image.Image:
    """The banner that carries a spent tool's picture across the screen."""
    img = canvas(96, 56)
    body = ribbon(96, 40, PALETTE["red"])
    img.alpha_composite(body, (0, px(8)))
    d = ImageDraw.Draw(img)
    d.ellipse([px(28), px(4), px(68), px(52)], fill=PALETTE["outline"])
    d.ellipse([px(29.5), px(5.5), px(66.5), px(50.5)], fill=PALETTE["parchment"])
    return img


def free_move_bg() -> Image.Image:
    return ribbon(80, 26, PALETTE["green"])


# ---------------------------------------------------------------- food pop-up

POPUP_CORNER = 14  # points: the rounded corner frame of the food pop-up's background
POPUP_BORDER = 1.5  # points
# Colours the RGBA4444 sheet holds exactly (multiples of 17), so the corner
# frames and the colour layers of the scene file meet without a seam.
POPUP_FILL = (238, 221, 187, 255)
POPUP_LINE = (68, 34, 17, 255)
POPUP_WELL = (221, 187, 136, 255)


def popup_parts() -> dict[str, Image.Image]:
    """The food pop-up's background corner and its title plate.

    The scene file puts the corner in the four corners (flipped) and fills
    the sides and the middle with colour layers of the same colours, so a
    panel of any size costs one small frame and stays sharp.
    """
    c = POPUP_CORNER
    panel = core.rounded_panel(3 * c, 3 * c, POPUP_FILL, border=POPUP_LINE, radius_pt=c - 2,
                               border_pt=POPUP_BORDER, shine=False)
    parts = {"food_popup_corner.png": panel.crop((0, 0, px(c), px(c)))}
    title = core.rounded_panel(120, 34, PALETTE["wood"], radius_pt=10, border_pt=1.5)
    paste(title, glyph("🍽️", 24, 0.5), 42, 17)
    paste(title, glyph("⛏️", 22, 0.5), 78, 17)
    parts["food_popup_title.png"] = title
    return parts


def food_button(state: str) -> Image.Image:
    fill = {"normal": PALETTE["wood_light"], "click": darken(PALETTE["wood_light"], 0.15),
            "disabled": (170, 164, 156, 255)}[state]
    img = canvas(76, 76)
    body = core.rounded_panel(74, 74, fill, radius_pt=14, border_pt=1.5)
    img.alpha_composite(body, (px(1), px(1)))
    d = ImageDraw.Draw(img)
    d.ellipse([px(14), px(14), px(62), px(62)], fill=lighten(fill, 0.3) if state != "disabled" else (190, 186, 180, 255))
    return img


def wide_button(fill, state: str) -> Image.Image:
    if state == "click":
        fill = darken(fill, 0.18)
    elif state == "disabled":
        g = sum(fill[:3]) // 3
        fill = (g, g, g, 255)
    img = canvas(92, 36)
    body = core.rounded_panel(90, 34, fill, radius_pt=12, border_pt=1.5)
    img.alpha_composite(body, (px(1), px(1 if state != "click" else 1.5)))
    return img


def moves_marker() -> Image.Image:
    """The tag under a food that carries its moves per unit: a boot print."""
    img = plaque(44, 18, fill=PALETTE["parchment_dark"], radius=8)
    paste(img, glyph("👣", 11, 0.3), 9, 9)
    return img


def moves_plate() -> Image.Image:
    img = plaque(54, 34, fill=(92, 60, 36, 255), radius=10)
    return img


def tile_shadow() -> Image.Image:
    img = canvas(40, 12)
    paste(img, ellipse_shadow(34, 8, 90), 20, 6)
    return img
