#!/usr/bin/python3
"""Writes resources/mosswick_01.lumoratheme, the social client's theme, and
tests/data/social/mosswick_01_variant.lumoratheme, a test-only variant.

A theme is a zip archive with one root folder: the folder's own entry comes
first (the client takes the first entry, when it is a folder, as the root),
then the skin descriptions under it, each a JSON object in "<skin id>.ctd",
then the images under "images/", each at 1x and at "@2x" (exactly twice the
size: the @2x picture is drawn and the 1x one is its half).

The shipped theme leaves out the status-bar and background-image skins: with
them the client draws image spinners and leaves table backgrounds clear.
The variant has them (and the spinner image), so tests cover both branches;
with them the phone's full UI lays its bars out differently, so the variant
also has its own navigation skins for that layout.

Deterministic: entries in a fixed order with a fixed date, images drawn from
code with no randomness, so the same script gives the same bytes.
"""

import io
import json
import math
import os
import sys
import zipfile

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True

THEME = "mosswick_01"
ROOT_FOLDER = THEME + "/"
FIXED_DATE = (2012, 1, 1, 0, 0, 0)

# Quiet moss-and-cream palette that sits over the menu's greens.
CREAM = (243, 239, 217, 255)
PAPER = (250, 247, 234, 255)
MOSS = (78, 107, 47, 255)
MOSS_DARK = (52, 74, 30, 255)
MOSS_LIGHT = (132, 160, 88, 255)
BARK = (101, 79, 55, 255)
LINE = (201, 192, 160, 255)
WHITE = (255, 255, 255, 255)
BERRY = (178, 58, 52, 255)
SKY = (120, 160, 176, 255)
CLEAR = (0, 0, 0, 0)

MASTER = {
    "tablebackgroundcolor": "F3EFD9",
    "tablegroupheadercolor": "4E6B2F",
    "tableitemshaveseparator": 1,
    "tableitemseparatorcolor": "C9C0A0",
    "tablegroupheaderheight": 24,
    "tablescrollindicatorcolor": "black",
    # Colour shortcuts the skins name.
    "ink": "3A3325",
    "moss": "4E6B2F",
    "paper": "FAF7EA",
    "white": "FFFFFF",
    "shade": "00000080",
}

# ---------------------------------------------------------------- images

IMAGES = {}  # path -> function(scale) -> PIL image of (w*scale, h*scale)


def image(path, width, height):
    def register(draw):
        IMAGES[path] = (width, height, draw)
        return draw
    return register


def panel(scale, w, h, fill, border, radius, border_width=1.5, shadow=False):
    img = Image.new("RGBA", (w * scale, h * scale), CLEAR)
    d = ImageDraw.Draw(img)
    inset = 0
    if shadow:
        d.rounded_rectangle((2 * scale, 3 * scale, w * scale - 1, h * scale - 1), radius * scale,
                            fill=(0, 0, 0, 70))
        inset = 2
    d.rounded_rectangle((inset * scale, inset * scale, (w - inset) * scale - 1, (h - inset - 1) * scale - 1),
                        radius * scale, fill=fill, outline=border, width=max(1, round(border_width * scale)))
    return img


def panel_images(*rows):
    """Registers plain panels, each row (path, width, height, fill, border, radius), in order."""
    for path, width, height, fill, border, radius in rows:
        IMAGES[path] = (width, height,
                        (lambda w, h, f, b, r: lambda s: panel(s, w, h, f, b, r))(width, height, fill, border, radius))


def bar(scale, w, h, top, bottom, line=None):
    img = Image.new("RGBA", (w * scale, h * scale), CLEAR)
    px = img.load()
    for y in range(h * scale):
        t = y / max(1, h * scale - 1)
        colour = tuple(round(top[c] + (bottom[c] - top[c]) * t) for c in range(4))
        for x in range(w * scale):
            px[x, y] = colour
    if line:
        d = ImageDraw.Draw(img)
        d.rectangle((0, h * scale - scale, w * scale - 1, h * scale - 1), fill=line)
    return img


for name, h in (("row_plain", 44), ("row_tall", 80), ("row_two_button", 56), ("row_form", 52),
                ("row_picture", 60), ("row_growing", 40)):
    IMAGES["images/rows/%s.png" % name] = (320, h, (lambda h: lambda s: bar(s, 320, h, PAPER, CREAM))(h))


@image("images/rows/chevron.png", 10, 16)
def chevron(s):
    img = Image.new("RGBA", (10 * s, 16 * s), CLEAR)
    d = ImageDraw.Draw(img)
    d.line([(2 * s, 2 * s), (8 * s, 8 * s), (2 * s, 14 * s)], fill=MOSS, width=2 * s, joint="curve")
    return img


@image("images/rows/placeholder.png", 64, 64)
def placeholder(s):
    img = panel(s, 64, 64, LINE, BARK, 8, 1)
    d = ImageDraw.Draw(img)
    d.polygon([(12 * s, 48 * s), (28 * s, 26 * s), (38 * s, 38 * s), (44 * s, 32 * s), (54 * s, 48 * s)],
              fill=MOSS_LIGHT)
    d.ellipse((42 * s, 14 * s, 50 * s, 22 * s), fill=PAPER)
    return img


panel_images(("images/rows/button.png", 145, 40, MOSS, MOSS_DARK, 8),
             ("images/rows/button_pressed.png", 145, 40, MOSS_DARK, MOSS_DARK, 8),
             ("images/rows/field.png", 296, 26, WHITE, LINE, 5))


for state, colour in (("online", MOSS_LIGHT), ("offline", BERRY)):
    IMAGES["images/rows/%s.png" % state] = (16, 16, (lambda colour: lambda s: dot(s, colour))(colour))


def dot(s, colour):
    img = Image.new("RGBA", (16 * s, 16 * s), CLEAR)
    ImageDraw.Draw(img).ellipse((1 * s, 1 * s, 15 * s - 1, 15 * s - 1), fill=colour, outline=MOSS_DARK,
                                width=s)
    return img


def switch(s, on):
    img = Image.new("RGBA", (68 * s, 28 * s), CLEAR)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, 68 * s - 1, 28 * s - 1), 14 * s, fill=MOSS_LIGHT if on else LINE,
                        outline=MOSS_DARK if on else BARK, width=s)
    knob = 42 if on else 2
    d.ellipse((knob * s, 2 * s, (knob + 24) * s - 1, 26 * s - 1), fill=WHITE, outline=BARK, width=s)
    return img


IMAGES["images/rows/switch_off.png"] = (68, 28, lambda s: switch(s, False))
IMAGES["images/rows/switch_on.png"] = (68, 28, lambda s: switch(s, True))


@image("images/rows/disc.png", 20, 20)
def disc(s):
    img = Image.new("RGBA", (20 * s, 20 * s), CLEAR)
    d = ImageDraw.Draw(img)
    d.ellipse((0, 0, 20 * s - 1, 20 * s - 1), fill=MOSS)
    d.line([(8 * s, 5 * s), (13 * s, 10 * s), (8 * s, 15 * s)], fill=WHITE, width=2 * s)
    return img


@image("images/banners/lite_placeholder.png", 320, 60)
def lite_banner(s):
    return bar(s, 320, 60, MOSS_LIGHT, MOSS)


@image("images/banners/placeholder.png", 320, 100)
def banner(s):
    img = bar(s, 320, 100, SKY, MOSS_LIGHT)
    d = ImageDraw.Draw(img)
    for i in range(5):
        x = 20 + i * 64
        d.polygon([(x * s, 100 * s), ((x + 32) * s, 58 * s), ((x + 64) * s, 100 * s)], fill=MOSS)
    return img


@image("images/dialogs/dialog.png", 280, 280)
def dialog(s):
    img = panel(s, 280, 280, PAPER, MOSS_DARK, 14, 2, shadow=True)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((2 * s, 2 * s, 278 * s - 1, 50 * s), 12 * s, fill=MOSS)
    d.rectangle((2 * s, 36 * s, 278 * s - 1, 50 * s), fill=MOSS)
    return img


panel_images(("images/dialogs/button.png", 220, 44, MOSS, MOSS_DARK, 10),
             ("images/dialogs/button_pressed.png", 220, 44, MOSS_DARK, MOSS_DARK, 10),
             ("images/dialogs/half_button.png", 118, 44, MOSS, MOSS_DARK, 10),
             ("images/dialogs/half_button_quiet.png", 118, 44, LINE, BARK, 10),
             ("images/dialogs/popup.png", 300, 50, (52, 74, 30, 235), PAPER, 10))


@image("images/dialogs/splash.png", 320, 480)
def splash(s):
    return bar(s, 320, 480, MOSS_LIGHT, MOSS_DARK)


@image("images/dialogs/splash_landscape.png", 480, 320)
def splash_landscape(s):
    return bar(s, 480, 320, MOSS_LIGHT, MOSS_DARK)


@image("images/bars/back_bar.png", 320, 40)
def back_bar(s):
    return bar(s, 320, 40, MOSS_LIGHT, MOSS, MOSS_DARK)


@image("images/bars/back_button.png", 70, 28)
def back_button(s):
    return panel(s, 70, 28, MOSS_DARK, PAPER, 7, 1)


# The phone's full-screen UI: its bars fill the screen beside the 320-point
# page (below it in portrait, left of it in landscape), so each bar has its
# own picture at its own size, and the tabs are square tiles.
@image("images/globalnav/bar_portrait.png", 320, 160)
def globalnav_bar_portrait(s):
    return bar(s, 320, 160, MOSS, MOSS_DARK, MOSS_DARK)


@image("images/globalnav/bar_landscape.png", 160, 320)
def globalnav_bar_landscape(s):
    return bar(s, 160, 320, MOSS, MOSS_DARK).transpose(Image.FLIP_TOP_BOTTOM)


def font(s, size):
    return ImageFont.truetype(os.path.join(ROOT, "resources", "fonts", "NimbusSans-Bold.otf"), size * s)


@image("images/globalnav/back.png", 70, 28)
def globalnav_back(s):
    img = panel(s, 70, 28, MOSS_DARK, PAPER, 7, 1)
    d = ImageDraw.Draw(img)
    d.polygon([(8 * s, 14 * s), (17 * s, 7 * s), (17 * s, 21 * s)], fill=PAPER)
    d.text((42 * s, 14 * s), "Back", font=font(s, 13), fill=PAPER, anchor="mm")
    return img


def nav_glyph(d, s, glyph, cx, cy, r, colour):
    """Draws a tab's glyph centred at (cx, cy), about 2r across (pixels)."""
    if glyph == "profile":
        d.ellipse((cx - 0.42 * r, cy - r, cx + 0.42 * r, cy - 0.16 * r), fill=colour)
        d.pieslice((cx - 0.85 * r, cy - 0.05 * r, cx + 0.85 * r, cy + 1.6 * r), 180, 360, fill=colour)
    elif glyph == "splash":  # home: a cottage
        d.polygon([(cx - r, cy - 0.05 * r), (cx, cy - r), (cx + r, cy - 0.05 * r)], fill=colour)
        d.rectangle((cx - 0.7 * r, cy - 0.1 * r, cx + 0.7 * r, cy + 0.8 * r), fill=colour)
    elif glyph == "challenges":  # a pennant on its pole
        d.rectangle((cx - 0.7 * r, cy - r, cx - 0.5 * r, cy + 0.85 * r), fill=colour)
        d.polygon([(cx - 0.5 * r, cy - r), (cx + 0.9 * r, cy - 0.55 * r), (cx - 0.5 * r, cy - 0.1 * r)], fill=colour)
    else:  # gifting: a parcel with its ribbon
        d.rectangle((cx - 0.85 * r, cy - 0.35 * r, cx + 0.85 * r, cy + 0.85 * r), fill=colour)
        d.rectangle((cx - 0.95 * r, cy - 0.6 * r, cx + 0.95 * r, cy - 0.25 * r), fill=colour)
        ribbon = (MOSS_DARK[0], MOSS_DARK[1], MOSS_DARK[2], 255)
        d.rectangle((cx - 0.12 * r, cy - 0.6 * r, cx + 0.12 * r, cy + 0.85 * r), fill=ribbon)
        d.ellipse((cx - 0.55 * r, cy - r, cx - 0.05 * r, cy - 0.6 * r), outline=colour, width=max(1, s))
        d.ellipse((cx + 0.05 * r, cy - r, cx + 0.55 * r, cy - 0.6 * r), outline=colour, width=max(1, s))


# The full UI's tabs: (item id, page under the service's lite base, label).
NAV_TABS = (("profiletab", "profile.cuid", "Profile"), ("splashtab", "splash.cuid", "Home"),
            ("challengestab", "challenges.cuid", "Challenges"), ("giftingtab", "gifts_and_market.cuid", "Gifts"))
NAV_TILE = 72  # a labelled tile on the tall bars
NAV_SMALL_TILE = 40  # a glyph-only tile on the 45-point strips of the status-bar layout


def nav_tile(glyph, label, pressed, side):
    def draw(s):
        img = panel(s, side, side, MOSS_LIGHT if pressed else MOSS, PAPER if pressed else MOSS_DARK, 10, 1.5)
        d = ImageDraw.Draw(img)
        ink = WHITE if pressed else PAPER
        if label:
            nav_glyph(d, s, glyph, side / 2 * s, 28 * s, 15 * s, ink)
            d.text((side / 2 * s, 58 * s), label, font=font(s, 11), fill=ink, anchor="mm")
        else:
            nav_glyph(d, s, glyph, side / 2 * s, side / 2 * s, side * 0.3 * s, ink)
        return img
    return draw


for _tab, _page, _label in NAV_TABS:
    _glyph = _tab[:-3]
    for _pressed in (False, True):
        _suffix = "_pressed" if _pressed else ""
        IMAGES["images/globalnav/%s%s.png" % (_glyph, _suffix)] = (NAV_TILE, NAV_TILE,
                                                                   nav_tile(_glyph, _label, _pressed, NAV_TILE))


@image("images/bars/pad_left.png", 92, 626)
def pad_left(s):
    return bar(s, 92, 626, MOSS, MOSS_DARK)


@image("images/bars/pad_bottom.png", 768, 49)
def pad_bottom(s):
    return bar(s, 768, 49, MOSS, MOSS_DARK)


@image("images/bars/close.png", 30, 30)
def close(s):
    img = dot(s, BERRY).resize((30 * s, 30 * s), Image.LANCZOS)
    d = ImageDraw.Draw(img)
    d.line([(10 * s, 10 * s), (20 * s, 20 * s)], fill=WHITE, width=2 * s)
    d.line([(20 * s, 10 * s), (10 * s, 20 * s)], fill=WHITE, width=2 * s)
    return img


@image("images/global_components/badge.png", 26, 22)
def badge(s):
    img = Image.new("RGBA", (26 * s, 22 * s), CLEAR)
    ImageDraw.Draw(img).rounded_rectangle((0, 0, 26 * s - 1, 22 * s - 1), 11 * s, fill=BERRY, outline=WHITE,
                                          width=max(1, round(1.5 * s)))
    return img


@image("images/progress/page.png", 320, 320)
def progress_page(s):
    return bar(s, 320, 320, PAPER, CREAM)


def tab_image(kind, glyph):
    def draw(s):
        fill = {"normal": MOSS, "expand": MOSS_LIGHT, "contract": MOSS_DARK}[kind]
        img = panel(s, 96, 40, fill, MOSS_DARK, 8, 1)
        d = ImageDraw.Draw(img)
        cx, cy = 48 * s, 20 * s
        if glyph == "news":
            for i in range(3):
                d.rectangle((cx - 12 * s, cy - 9 * s + i * 7 * s, cx + 12 * s, cy - 6 * s + i * 7 * s), fill=PAPER)
        elif glyph == "profile":
            d.ellipse((cx - 6 * s, cy - 12 * s, cx + 6 * s, cy), fill=PAPER)
            d.pieslice((cx - 12 * s, cy + 1 * s, cx + 12 * s, cy + 24 * s), 180, 360, fill=PAPER)
        else:
            for i, hgt in enumerate((10, 18, 14)):
                d.rectangle((cx - 12 * s + i * 9 * s, cy + 10 * s - hgt * s, cx - 5 * s + i * 9 * s, cy + 10 * s),
                            fill=PAPER)
        if kind != "normal":
            tip = cy - 16 * s if kind == "expand" else cy + 16 * s
            base = cy - 13 * s if kind == "expand" else cy + 13 * s
            d.polygon([(cx - 4 * s, base), (cx + 4 * s, base), (cx, tip)], fill=PAPER)
        return img
    return draw


TAB_GLYPHS = ("news", "profile", "leaderboards")
for edge in ("bottom",):
    for tab in TAB_GLYPHS:
        for kind, suffix in (("normal", ""), ("expand", "_expand"), ("contract", "_contract")):
            IMAGES["images/pulltab_%s/tab_%s%s.png" % (edge, tab, suffix)] = (96, 40, tab_image(kind, tab))


@image("images/pulltab_bottom/tabbar.png", 320, 44)
def tabbar(s):
    return bar(s, 320, 44, MOSS_DARK, MOSS)


# Variant-only pictures: the background-image skins' pictures and the image spinner.
VARIANT_IMAGES = {}


def spinner(s):
    img = Image.new("RGBA", (37 * s, 37 * s), CLEAR)
    d = ImageDraw.Draw(img)
    for i in range(8):
        angle = i * math.pi / 4
        alpha = 60 + i * 24
        cx = 18.5 * s + math.cos(angle) * 12 * s
        cy = 18.5 * s + math.sin(angle) * 12 * s
        d.ellipse((cx - 3.5 * s, cy - 3.5 * s, cx + 3.5 * s, cy + 3.5 * s), fill=(MOSS[0], MOSS[1], MOSS[2], alpha))
    return img


VARIANT_IMAGES["images/ipad_specific/spinner.png"] = (37, 37, spinner)
VARIANT_IMAGES["images/backgrounds/global_portrait.png"] = (320, 480, lambda s: bar(s, 320, 480, PAPER, LINE))
VARIANT_IMAGES["images/backgrounds/global_landscape.png"] = (480, 320, lambda s: bar(s, 480, 320, PAPER, LINE))
VARIANT_IMAGES["images/backgrounds/ipad.png"] = (768, 1024, lambda s: bar(s, 768, 1024, PAPER, LINE))
VARIANT_IMAGES["images/bars/status.png"] = (320, 20, lambda s: bar(s, 320, 20, MOSS_DARK, MOSS_DARK))
# The status-bar layout's 45-point tab strips and their glyph-only tiles.
VARIANT_IMAGES["images/globalnav/strip_portrait.png"] = (320, 45, lambda s: bar(s, 320, 45, MOSS, MOSS_DARK))
VARIANT_IMAGES["images/globalnav/strip_landscape.png"] = (
    45, 320, lambda s: bar(s, 320, 45, MOSS, MOSS_DARK).transpose(Image.ROTATE_90))
for _tab, _page, _label in NAV_TABS:
    for _pressed in (False, True):
        VARIANT_IMAGES["images/globalnav/%s_small%s.png" % (_tab[:-3], "_pressed" if _pressed else "")] = (
            NAV_SMALL_TILE, NAV_SMALL_TILE, nav_tile(_tab[:-3], None, _pressed, NAV_SMALL_TILE))


# ---------------------------------------------------------------- skins

def item(id_, type_, x, y, w, h, **keys):
    entry = {"id": id_, "type": type_, "x": x, "y": y, "w": w, "h": h}
    entry.update(keys)
    return entry


def background(w, h, src=None):
    return item("background", "image", 0, 0, w, h, **({"themesrc": "theme://" + src} if src else {}))


def text(id_, x, y, w, h, size, colour="ink", halign=None, **keys):
    entry = item(id_, "onelinetext", x, y, w, h, size=size, color=colour, **keys)
    if halign:
        entry["halign"] = halign
    return entry


def skin(*items):
    return {"items": list(items)}


ROW = "images/rows/row_plain.png"

ROWS = {
    "text_row": skin(background(320, 44, ROW), text("text", 14, 12, 292, 20, 15, minsize=11)),
    "link_row": skin(background(320, 44, ROW), text("text", 14, 12, 270, 20, 15, minsize=11),
                     item("chevron", "image", 296, 14, 10, 16, themesrc="theme://images/rows/chevron.png")),
    "growing_text_row": skin(background(320, 40, "images/rows/row_growing.png"),
                             item("text", "stretchytext", 14, 10, 292, 20, size=14, color="ink")),
    "image_row": skin(background(320, 80, "images/rows/row_tall.png"),
                      item("image", "image", 10, 8, 64, 64, themesrc="theme://images/rows/placeholder.png"),
                      text("title", 84, 12, 222, 22, 16, minsize=12),
                      item("subtitle", "multilinetext", 84, 36, 222, 36, size=12, color="moss")),
    "two_button_row": skin(background(320, 56, "images/rows/row_two_button.png"),
                           item("button1", "button", 10, 8, 145, 40, image="theme://images/rows/button.png",
                                depressedimage="theme://images/rows/button_pressed.png"),
                           item("button2", "button", 165, 8, 145, 40, image="theme://images/rows/button.png",
                                depressedimage="theme://images/rows/button_pressed.png"),
                           text("buttontext1", 10, 18, 145, 20, 14, "white", "center"),
                           text("buttontext2", 165, 18, 145, 20, 14, "white", "center")),
    "online_status_row": skin(background(320, 44, ROW),
                              item("status", "onlinestatus", 14, 14, 16, 16,
                                   onlineimage="theme://images/rows/online.png",
                                   offlineimage="theme://images/rows/offline.png"),
                              text("text", 40, 12, 266, 20, 15)),
    "form_switch": skin(background(320, 44, ROW), text("text", 14, 12, 210, 20, 15),
                        item("switchbase", "image", 238, 8, 68, 28, themesrc="theme://images/rows/switch_off.png"),
                        item("switch", "switch", 238, 8, 68, 28,
                             depressedimage="theme://images/rows/switch_on.png")),
    "form_switchwithimage": skin(background(320, 44, ROW),
                                 item("image", "image", 8, 6, 32, 32,
                                      themesrc="theme://images/rows/placeholder.png"),
                                 text("text", 48, 12, 180, 20, 15),
                                 item("switchbase", "image", 238, 8, 68, 28,
                                      themesrc="theme://images/rows/switch_off.png"),
                                 item("switch", "switch", 238, 8, 68, 28,
                                      depressedimage="theme://images/rows/switch_on.png")),
    "form_textinput": skin(background(320, 52, "images/rows/row_form.png"),
                           text("label", 14, 3, 292, 14, 11, "moss"),
                           item("fieldbg", "image", 12, 20, 296, 26, themesrc="theme://images/rows/field.png"),
                           item("textinput", "textinput", 18, 22, 284, 22, size=15, color="ink")),
    "lite_banner": skin(background(320, 60),
                        item("image", "image", 0, 0, 320, 60,
                             themesrc="theme://images/banners/lite_placeholder.png")),
    "banner": skin(background(320, 100),
                   item("image", "image", 0, 0, 320, 100, themesrc="theme://images/banners/placeholder.png"),
                   text("text", 12, 72, 296, 22, 16, "white", bgcolor="moss")),
}
ROWS["form_passwordinput"] = ROWS["form_textinput"]


def two_line_switch(with_disc):
    items = [background(320, 60, "images/rows/row_picture.png"),
             item("image", "image", 8, 6, 48, 48, themesrc="theme://images/rows/placeholder.png"),
             text("title", 64, 10, 160, 20, 15),
             text("subtitle", 64, 32, 160, 16, 11, "moss"),
             item("switchbase", "image", 238, 16, 68, 28, themesrc="theme://images/rows/switch_off.png"),
             item("switch", "switch", 238, 16, 68, 28, depressedimage="theme://images/rows/switch_on.png")]
    if with_disc:
        items.append(item("disc", "image", 214, 20, 20, 20, themesrc="theme://images/rows/disc.png"))
    return skin(*items)


ROWS["form_switchpicturetwoline"] = two_line_switch(False)
ROWS["form_switchpicturetwoline_disc"] = two_line_switch(True)


def dialog_skin(buttons):
    items = [background(280, 280, "images/dialogs/dialog.png"),
             text("title", 16, 14, 248, 24, 18, "white", "center", minsize=12),
             item("body", "multilinetext", 20, 60, 240, 140, size=15, color="ink", halign="center",
                  valign="center", minsize=11)]
    if buttons == 1:
        items += [item("button1", "button", 30, 216, 220, 44, image="theme://images/dialogs/button.png",
                       depressedimage="theme://images/dialogs/button_pressed.png"),
                  text("buttontext1", 30, 228, 220, 20, 16, "white", "center")]
    else:
        items += [item("button1", "button", 16, 216, 118, 44, image="theme://images/dialogs/half_button.png"),
                  item("button2", "button", 146, 216, 118, 44,
                       image="theme://images/dialogs/half_button_quiet.png"),
                  text("buttontext1", 16, 228, 118, 20, 16, "white", "center"),
                  text("buttontext2", 146, 228, 118, 20, 16, "ink", "center")]
    return skin(*items)


def back_bar_items():
    return [item("backbutton", "button", 6, 6, 70, 28, image="theme://images/bars/back_button.png"),
            text("backtext", 6, 12, 70, 16, 13, "white", "center")]


def progress_skin(w, h, back):
    items = [background(w, h, "images/progress/page.png"), item("spinner", "spinner", w / 2 - 20, h / 2 - 20, 40, 40)]
    if back:
        items += [item("bar", "image", 0, 0, 320, 40, themesrc="theme://images/bars/back_bar.png")] + back_bar_items()
    return skin(*items)


# Where the full UI's bars stand on the 320 x 480 screen (the phone layout
# fixes these frames; only their sizes matter to a skin): without status-bar
# skins one tall navigation bar fills what the 320 x 320 page leaves, below it
# in portrait and left of it in landscape; with them the tabs shrink to a
# 45-point strip at the far edge (the basic mode's banner stands there too)
# and a status bar between strip and page carries Back and Close. The basic
# mode's portrait status bar is 160 high, its last 45 points under the banner.
NAV_BAR_SIZES = {"portrait": (320, 160), "landscape": (160, 320)}
STRIP_SIZES = {"portrait": (320, 45), "landscape": (45, 320)}
STATUS_BAR_SIZES = {("global", "portrait"): (320, 115), ("global", "landscape"): (115, 320),
                    ("basic", "portrait"): (320, 160), ("basic", "landscape"): (115, 320)}


def nav_tab(tab, page, x, y, small):
    glyph = tab[:-3]
    side = NAV_SMALL_TILE if small else NAV_TILE
    name = glyph + ("_small" if small else "")
    return item(tab, "tab", x, y, side, side, href=page, image="theme://images/globalnav/%s.png" % name,
                depressedimage="theme://images/globalnav/%s_pressed.png" % name)


def back_and_close(width):
    """Back at the top left, Close at the top right of a bar `width` wide."""
    return [item("backbutton", "button", 6, 8, 70, 28, image="theme://images/globalnav/back.png"),
            item("closebutton", "button", width - 36, 7, 30, 30, image="theme://images/bars/close.png")]


def nav_skin(orientation, basic):
    """The tall navigation bar of a theme without status-bar skins: Back and
    Close along the top, the tabs below them (the basic mode has only the
    home tab, which its pages fall back to)."""
    w, h = NAV_BAR_SIZES[orientation]
    items = [background(w, h, "images/globalnav/bar_%s.png" % orientation)] + back_and_close(w)
    tabs = NAV_TABS[1:2] if basic else NAV_TABS
    top = 44  # under Back and Close
    if orientation == "portrait":
        gap = (w - len(tabs) * NAV_TILE) / (len(tabs) + 1)
        y = top + (h - top - NAV_TILE) // 2
        places = [(round(gap + i * (NAV_TILE + gap)), y) for i in range(len(tabs))]
    else:
        columns = min(2, len(tabs))
        rows = (len(tabs) + columns - 1) // columns
        gap = (w - columns * NAV_TILE) / (columns + 1)
        block = rows * NAV_TILE + (rows - 1) * 12
        y0 = top + (h - top - block) // 2
        places = [(round(gap + (i % columns) * (NAV_TILE + gap)), y0 + (i // columns) * (NAV_TILE + 12))
                  for i in range(len(tabs))]
    for (tab, page, _label), (x, y) in zip(tabs, places):
        items.append(nav_tab(tab, page, x, y, False))
    return skin(*items)


def strip_skin(orientation, basic):
    """The 45-point strip of a theme with status-bar skins: the tabs in a
    row (portrait) or a column (landscape); the basic mode's banner holds
    only the home tab."""
    w, h = STRIP_SIZES[orientation]
    items = [background(w, h, "images/globalnav/strip_%s.png" % orientation)]
    tabs = NAV_TABS[1:2] if basic else NAV_TABS
    along = (w if orientation == "portrait" else h) // len(tabs)
    across = ((h if orientation == "portrait" else w) - NAV_SMALL_TILE) // 2
    for i, (tab, page, _label) in enumerate(tabs):
        offset = i * along + (along - NAV_SMALL_TILE) // 2
        x, y = (offset, across) if orientation == "portrait" else (across, offset)
        items.append(nav_tab(tab, page, x, y, True))
    return skin(*items)


def status_bar_skin(mode, orientation):
    w, h = STATUS_BAR_SIZES[(mode, orientation)]
    return skin(background(w, h, "images/bars/status.png"), *back_and_close(w))


# The tablet's bar: a column at the screen's left edge (the tablet layout
# places a 92-point-wide bar), its tabs stacked down it, each naming its page.
PAD_TABS = (("profiletab", "profile.cuid"), ("splashtab", "splash.cuid"), ("challengestab", "challenges.cuid"),
            ("giftingtab", "gifts_and_market.cuid"))


def pad_nav_skin(basic):
    tabs = PAD_TABS[1:2] if basic else PAD_TABS
    height = 300 if basic else 626
    items = [background(92, height, "images/bars/pad_left.png")]
    for i, (tab, href) in enumerate(tabs):
        glyph = TAB_GLYPHS[i % 3]
        items.append(item(tab, "tab", 6, 20 + i * 50, 80, 40, href=href,
                          image="theme://images/pulltab_bottom/tab_%s.png" % glyph,
                          depressedimage="theme://images/pulltab_bottom/tab_%s_expand.png" % glyph))
    if basic:
        items += [item("backbutton", "button", 11, height - 50, 70, 28, image="theme://images/bars/back_button.png"),
                  text("backtext", 11, height - 44, 70, 16, 13, "white", "center")]
    else:
        items.append(item("closebutton", "button", 31, height - 46, 30, 30, image="theme://images/bars/close.png"))
    return skin(*items)


EDGES = ("bottom", "right", "top", "left")
STRIPS = ("lumoraslimline", "news", "achievements", "leaderboard", "gifting", "challenges", "profile", "lumora",
          "findfriends", "lumora_1tab", "lumora_2tab", "lumora_3tab", "lumora_4tab")
TABS = (("news", "newsfeed.cuid"), ("profile", "profile.cuid"), ("leaderboards", "leaderboards.cuid"))

PULLTAB_CONFIG = {
    "iPhone": {"contentwidth": 320, "contentheight": 320, "bordersize": 4, "tabsize": 40,
               "translations": {"offscreen": 0, "tabvisible": 44, "news": 104, "fullvisibility": 364},
               "keyboard_portrait": {"height": 216, "offset": 0, "offset_bottom": 0, "offset_right": 0,
                                     "offset_top": 0, "offset_left": 0},
               "keyboard_landscape": {"height": 162, "offset": 0, "offset_bottom": 0, "offset_right": 0,
                                      "offset_top": 0, "offset_left": 0}},
    "iPad": {"contentwidth": 320, "contentheight": 600, "bordersize": 4, "tabsize": 40,
             "translations": {"offscreen": 0, "tabvisible": 44, "news": 104, "fullvisibility": 644},
             "keyboard_portrait": {"height": 264, "offset": 0, "offset_bottom": 0, "offset_right": 0,
                                   "offset_top": 0, "offset_left": 0},
             "keyboard_landscape": {"height": 352, "offset": 0, "offset_bottom": 0, "offset_right": 0,
                                    "offset_top": 0, "offset_left": 0}},
}


def overlay_position(edge):
    def frames(w, h, depth):
        long_side = {"bottom": (0, h, w, depth), "top": (0, -depth, w, depth),
                     "right": (w, 0, depth, h), "left": (-depth, 0, depth, h)}[edge]
        landscape = {"bottom": (0, w, h, depth), "top": (0, -depth, h, depth),
                     "right": (h, 0, depth, w), "left": (-depth, 0, depth, w)}[edge]
        out = []
        for id_, rect in (("portrait", long_side), ("portraitup", long_side), ("landscapeleft", landscape),
                          ("landscaperight", landscape)):
            out.append({"id": id_, "x": rect[0], "y": rect[1], "w": rect[2], "h": rect[3]})
        return out
    return {"iPhoneFrames": frames(320, 480, 364), "iPadFrames": frames(768, 1024, 644)}


def strip(edge, name, landscape):
    width = 480 if landscape else 320
    items = [item("tabbar", "image", 0, 0, width, 44, themesrc="theme://images/pulltab_bottom/tabbar.png")]
    tabs = TABS
    if name.startswith("lumora_") and name.endswith("tab"):
        tabs = TABS[:int(name[7])] if int(name[7]) <= 3 else TABS + (("lumora", "lumora.cuid"),)
    for i, (tab, href) in enumerate(tabs):
        glyph = TAB_GLYPHS[i % 3]
        items.append(item(tab, "tab", 80 + i * 80, 2, 80, 40, href=href,
                          image="theme://images/pulltab_bottom/tab_%s.png" % glyph,
                          expandimage="theme://images/pulltab_bottom/tab_%s_expand.png" % glyph,
                          contractimage="theme://images/pulltab_bottom/tab_%s_contract.png" % glyph))
    items.append(item("backbutton", "button", 6, 8, 70, 28, image="theme://images/bars/back_button.png"))
    return skin(*items)


def shipped_skins():
    skins = [("master", MASTER), ("pulltab/config", PULLTAB_CONFIG)]
    for edge in EDGES:
        skins.append(("pulltab/%s/overlay_position" % edge, overlay_position(edge)))
    for edge in EDGES:
        for name in STRIPS:
            for orientation in ("portrait", "landscape"):
                skins.append(("pulltab/%s/%s_%s" % (edge, name, orientation),
                              strip(edge, name, orientation == "landscape")))
    skins.append(("back_bar", skin(background(320, 40, "images/bars/back_bar.png"), *back_bar_items())))
    skins.append(("dialog_onebutton", dialog_skin(1)))
    skins.append(("dialog_twobutton", dialog_skin(2)))
    skins.append(("popup", skin(background(300, 50, "images/dialogs/popup.png"),
                                text("title", 14, 6, 272, 20, 15, "white", minsize=11),
                                text("body", 14, 27, 272, 16, 12, "paper", minsize=9))))
    skins.append(("dialog_splash", skin(background(280, 280, "images/dialogs/dialog.png"),
                                        item("okbutton", "button", 30, 216, 220, 44,
                                             image="theme://images/dialogs/button.png"))))
    for name, w, h, src in (("splash_portrait", 320, 480, "splash"), ("splash_landscape", 480, 320,
                                                                      "splash_landscape"),
                            ("ipad_splash_portrait", 768, 1024, "splash"),
                            ("ipad_splash_landscape", 1024, 768, "splash_landscape")):
        skins.append((name, skin(background(w, h, "images/dialogs/%s.png" % src))))
    for mode in ("global", "basic"):
        for orientation in ("portrait", "landscape"):
            skins.append(("%snav_%s" % (mode, orientation), nav_skin(orientation, mode == "basic")))
    skins.append(("padnav_left", pad_nav_skin(False)))
    skins.append(("padnav_basic_left", pad_nav_skin(True)))
    skins.append(("padnav_bottom", skin(background(768, 49, "images/bars/pad_bottom.png"))))
    skins.append(("progress_indicator", progress_skin(320, 320, True)))
    skins.append(("progress_indicator_big", progress_skin(320, 436, True)))
    skins.append(("progress_indicator_big_noback", progress_skin(320, 436, False)))
    skins.append(("find_friends_images", skin(item("contacts_find_friend", "image", 0, 0, 64, 64,
                                                   themesrc="theme://images/rows/placeholder.png"))))
    skins.append(("group_footer", skin(background(320, 12, "images/rows/row_growing.png"))))
    for name in sorted(ROWS):
        skins.append((name, ROWS[name]))
    return skins


def variant_skins():
    extra = []
    for orientation, w, h in (("portrait", 320, 480), ("landscape", 480, 320)):
        extra.append(("globalbackground_" + orientation,
                      skin(background(w, h, "images/backgrounds/global_%s.png" % orientation))))
        extra.append(("basicbackground_" + orientation,
                      skin(background(w, h, "images/backgrounds/global_%s.png" % orientation))))
        for mode in ("global", "basic"):
            extra.append(("%sstatusbar_%s" % (mode, orientation), status_bar_skin(mode, orientation)))
    extra.append(("ipad_background", skin(background(768, 1024, "images/backgrounds/ipad.png"))))
    # With status-bar skins the navigation bars (and the basic banners,
    # which take the basic navigation skins) are the 45-point strips.
    strips = {"%snav_%s" % (mode, orientation): strip_skin(orientation, mode == "basic")
              for mode in ("global", "basic") for orientation in ("portrait", "landscape")}
    return [(name, strips.get(name, content)) for name, content in shipped_skins()] + extra


# ---------------------------------------------------------------- archive

def entry(name):
    info = zipfile.ZipInfo(name, date_time=FIXED_DATE)
    info.create_system = 3  # Unix
    if name.endswith("/"):
        info.external_attr = (0o40755 << 16) | 0x10
    else:
        info.external_attr = 0o100644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def png_bytes(img):
    out = io.BytesIO()
    img.save(out, "PNG", optimize=False, compress_level=9)
    return out.getvalue()


def image_entries(images):
    out = []
    for path in sorted(images):
        w, h, draw = images[path]
        double = draw(2)
        assert double.size == (w * 2, h * 2), path
        single = double.resize((w, h), Image.LANCZOS)
        base, ext = os.path.splitext(path)
        out.append((path, png_bytes(single)))
        out.append((base + "@2x" + ext, png_bytes(double)))
    return out


def write_theme(path, skins, images):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w") as archive:
        archive.writestr(entry(ROOT_FOLDER), b"")
        for name, content in skins:
            text = json.dumps(content, indent=1, sort_keys=True) + "\n"
            archive.writestr(entry(ROOT_FOLDER + name + ".ctd"), text.encode("utf-8"))
        for name, data in image_entries(images):
            archive.writestr(entry(ROOT_FOLDER + name), data)
    print("wrote", os.path.relpath(path, ROOT))


def main(out_dir=None):
    shipped = os.path.join(out_dir or os.path.join(ROOT, "resources"), THEME + ".lumoratheme")
    variant = os.path.join(out_dir or os.path.join(ROOT, "tests", "data", "social"),
                           THEME + "_variant.lumoratheme")
    write_theme(shipped, shipped_skins(), IMAGES)
    write_theme(variant, variant_skins(), dict(IMAGES, **VARIANT_IMAGES))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else None)
