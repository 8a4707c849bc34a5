"""The interface's sprite frames: what each named frame looks like.

Three groups, each a dict of frame name -> master picture:
  shared_frames()  in the main-menu sheets AND the village sheets (the options
                   pop-up, sound switches, door handles, game-centre icons),
  common_frames()  the village and board interface (gui_common sheets),
  menu_frames()    the title screen only (MainMenu sheets).
device_frames() draws, in a device's own pixels, the frames that span the
screen (bars and list rows).
"""

from __future__ import annotations

from PIL import Image, ImageDraw, ImageFilter

import core
import gui_draw as g
from core import PALETTE, px

GREEN = PALETTE["green"]
RED = PALETTE["red"]
GOLD = PALETTE["gold"]
WOOD = PALETTE["wood"]
BLUE = PALETTE["blue"]

# Sizes in phone points that scene files and code lay out against.
OPTIONS_BG = (280, 390)
OPTIONS_BUTTON = (150, 34)
ICON_BUTTON = 44
TAB_BUTTON = (46, 40)
GOODS_PANEL = (208, 262)
MARKER = (56, 22)
LEVEL_MARKER = (38, 24)
XP_BAR = (120, 12)


def states(prefix: str, draw, names=("", "_click"), disabled: str | None = None) -> dict[str, Image.Image]:
    """Frames for a button's looks: draw(state) for normal, pressed and optionally disabled."""
    out = {f"{prefix}{names[0]}.png": draw("normal"), f"{prefix}{names[1]}.png": draw("click")}
    if disabled:
        out[f"{prefix}{disabled}.png"] = draw("disabled")
    return out


def icon_on_button(symbol: str, diameter: float, fill, state: str, symbol_pt: float | None = None) -> Image.Image:
    return g.round_button(diameter, fill, state, g.emoji_icon(symbol, symbol_pt or diameter * 0.58))


def switch_icon(symbol: str, on: bool) -> Image.Image:
    """Music and sound switches: a round wooden button; off is grey with a red bar."""
    image = icon_on_button(symbol, ICON_BUTTON, WOOD if on else PALETTE["grey"], "normal" if on else "disabled")
    if not on:
        d = ImageDraw.Draw(image)
        w = image.width
        m = px(9)
        d.line([(m, m), (w - m, w - m - px(2.5))], fill=PALETTE["outline"], width=px(5))
        d.line([(m, m), (w - m, w - m - px(2.5))], fill=RED, width=px(3))
    return image


def door_handle(left: bool) -> Image.Image:
    """Half of the round iron emblem where the two door halves meet."""
    d_pt = 64
    full = core.canvas(d_pt, d_pt)
    d = ImageDraw.Draw(full)
    s = full.width
    b = px(1.5)
    d.ellipse([0, 0, s - 1, s - 1], fill=PALETTE["outline"])
    d.ellipse([b, b, s - 1 - b, s - 1 - b], fill=(96, 92, 88, 255))
    d.ellipse([px(6), px(6), s - 1 - px(6), s - 1 - px(6)], fill=PALETTE["outline"])
    d.ellipse([px(7.5), px(7.5), s - 1 - px(7.5), s - 1 - px(7.5)], fill=PALETTE["gold_dark"])
    g.star(d, s / 2, s / 2 + px(1), s * 0.3, s * 0.13, PALETTE["gold"])
    for i in range(8):
        import math
        a = math.radians(i * 45 + 22.5)
        cx, cy = s / 2 + math.cos(a) * s * 0.445, s / 2 + math.sin(a) * s * 0.445
        g.nail(full, cx, cy, px(1.6))
    # a ring to pull by
    ring = px(9)
    d.ellipse([s / 2 - ring, s * 0.62, s / 2 + ring, s * 0.62 + ring * 2], outline=PALETTE["outline"], width=px(2.5))
    d.ellipse([s / 2 - ring + px(0.75), s * 0.62 + px(0.75), s / 2 + ring - px(0.75), s * 0.62 + ring * 2 - px(0.75)],
              outline=(150, 146, 140, 255), width=px(1.2))
    half = full.crop((0, 0, s // 2, s)) if left else full.crop((s // 2, 0, s, s))
    return half


def credits_mask() -> Image.Image:
    """Parchment fading to transparent: hides credits lines at the edge of their band."""
    w, h = OPTIONS_BG[0] - 24, 26
    image = core.canvas(w, h)
    W, H = image.size
    paper = Image.new("RGBA", (W, H), g.shade(PALETTE["parchment"], -6))
    alpha = Image.new("L", (W, H))
    dd = ImageDraw.Draw(alpha)
    for y in range(H):
        dd.line([(0, y), (W, y)], fill=int(255 * (1 - (y / (H - 1)) ** 1.6)))
    paper.putalpha(alpha)
    return paper


def shared_frames() -> dict[str, Image.Image]:
    frames: dict[str, Image.Image] = {}
    frames["options_bg.png"] = g.wood_panel(*OPTIONS_BG, radius_pt=14, frame_pt=9, seed=3)
    frames.update(states("options_button", lambda s: g.button(*OPTIONS_BUTTON, GREEN, s), disabled="_disabled"))
    frames.update(states("options_back_button",
                         lambda s: icon_on_button("↩️", 40, RED, s, 22)))
    frames.update(states("options_yes_button", lambda s: icon_on_button("✔️", 40, GREEN, s, 20)))
    frames.update(states("options_no_button", lambda s: icon_on_button("✖️", 40, RED, s, 18)))
    frames["main_menu_music_icon.png"] = switch_icon("🎵", True)
    frames["main_menu_music_icon_disabled.png"] = switch_icon("🎵", False)
    frames["main_menu_sounds_icon.png"] = switch_icon("🔊", True)
    frames["main_menu_sounds_icon_disabled.png"] = switch_icon("🔊", False)
    frames["popup_credits_mask.png"] = credits_mask()
    frames["loading_tab1.png"] = door_handle(left=False)
    frames["loading_tab2.png"] = door_handle(left=True)
    frames["icon_achievments.png"] = icon_on_button("🏅", ICON_BUTTON, BLUE, "normal")
    frames["icon_leaderboards.png"] = icon_on_button("🏆", ICON_BUTTON, BLUE, "normal")
    return frames


# ---- village and board interface ----

def digit_glyph(ch: str) -> Image.Image:
    """A gold letter or digit of the level-up banner."""
    text = core.text_image(ch, 34, colour=GOLD, outline=PALETTE["outline"], outline_pt=1.75)
    # a warm lower half, like stamped metal
    w, h = text.size
    tint = core.vertical_gradient(w, h, (255, 236, 130, 255), (236, 150, 30, 255))
    body = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    inner = text.getchannel("A")
    fill_mask = Image.eval(text.convert("L"), lambda v: 255 if v > 120 else 0)
    from PIL import ImageChops
    body.paste(tint, (0, 0), ImageChops.multiply(fill_mask, inner))
    text.alpha_composite(body)
    return core.fit(core.whole_points(text), 26, 38)


def number_plate(digits: int, red: bool) -> Image.Image:
    fill = (170, 40, 34, 255) if red else (78, 52, 32, 255)
    return g.plate(8 + 7 * digits, 15, fill)


def tooltip_panel(w: float, h: float, pointer: str) -> Image.Image:
    """A parchment tooltip with a small pointer at the bottom left."""
    img = core.canvas(w, h)
    panel = core.rounded_panel(w, h - 8, PALETTE["parchment"], radius_pt=8, border_pt=1.25)
    d = ImageDraw.Draw(img)
    W, H = img.size
    x = W * (0.125 if pointer == "left" else 0.5)
    d.polygon([(x - px(7), H - px(9)), (x + px(7), H - px(9)), (x, H - 1)], fill=PALETTE["outline"])
    img.alpha_composite(panel)
    d.polygon([(x - px(5), H - px(9.5)), (x + px(5), H - px(9.5)), (x, H - px(2.5))],
              fill=g.shade(PALETTE["parchment"], -28))
    return img


def ribbon_bar(w: float, h: float) -> Image.Image:
    """The achievement banner: a gold-trimmed wooden ribbon with a medal at the left."""
    img = core.canvas(w, h)
    body = core.rounded_panel(w - 6, h - 6, PALETTE["wood"], radius_pt=(h - 6) / 2, border_pt=1.5)
    body = g.grain(body, 10, 2.5, 7)
    img.alpha_composite(body, (px(3), px(3)))
    d = ImageDraw.Draw(img)
    W, H = img.size
    d.rounded_rectangle([px(6), px(6), W - px(6), H - px(6)], px(h / 2 - 6), outline=PALETTE["gold"], width=px(1))
    medal = g.emoji_icon("🏅", h - 4)
    img.alpha_composite(medal, (0, (H - medal.height) // 2))
    return img


def chest(open_: bool) -> Image.Image:
    img = core.canvas(64, 56)
    d = ImageDraw.Draw(img)
    W, H = img.size
    o = PALETTE["outline"]
    b = px(1.5)
    body_top = H * 0.45
    d.rounded_rectangle([px(2), body_top, W - px(2), H - px(2)], px(4), fill=o)
    d.rounded_rectangle([px(2) + b, body_top + b, W - px(2) - b, H - px(2) - b], px(3), fill=PALETTE["wood"])
    if open_:
        # gold heaped inside, lid thrown back
        d.rounded_rectangle([px(4), H * 0.02, W - px(4), body_top - px(6)], px(6), fill=o)
        d.rounded_rectangle([px(4) + b, H * 0.02 + b, W - px(4) - b, body_top - px(6) - b], px(5),
                            fill=PALETTE["wood_dark"])
        d.ellipse([px(5), body_top - px(10), W - px(5), body_top + px(10)], fill=o)
        d.ellipse([px(6.5), body_top - px(8.5), W - px(6.5), body_top + px(8.5)], fill=GOLD)
        for cx in (0.3, 0.5, 0.7):
            c = g.coin(12)
            img.alpha_composite(c, (int(W * cx - c.width / 2), int(body_top - px(14))))
    else:
        d.rounded_rectangle([px(2), H * 0.18, W - px(2), body_top + px(4)], px(10), fill=o)
        d.rounded_rectangle([px(2) + b, H * 0.18 + b, W - px(2) - b, body_top + px(4) - b], px(9),
                            fill=PALETTE["wood_light"])
    # iron bands and lock
    for x in (0.2, 0.8):
        d.rectangle([W * x - px(2.5), (H * 0.18 if not open_ else body_top), W * x + px(2.5), H - px(2)], fill=o)
        d.rectangle([W * x - px(1.5), (H * 0.18 if not open_ else body_top) + b, W * x + px(1.5), H - px(2) - b],
                    fill=PALETTE["grey"])
    d.rounded_rectangle([W / 2 - px(5), body_top - px(2), W / 2 + px(5), body_top + px(10)], px(2), fill=o)
    d.rounded_rectangle([W / 2 - px(3.5), body_top - px(0.5), W / 2 + px(3.5), body_top + px(8.5)], px(1.5), fill=GOLD)
    return img


def rays() -> Image.Image:
    """Soft golden rays for the level-up and end-of-content screens (drawn scaled 2.2)."""
    import math
    img = core.canvas(128, 128)
    W, H = img.size
    d = ImageDraw.Draw(img)
    for i in range(16):
        a0 = math.radians(i * 22.5 - 5)
        a1 = math.radians(i * 22.5 + 5)
        r = W / 2
        d.polygon([(W / 2, H / 2), (W / 2 + r * math.cos(a0), H / 2 + r * math.sin(a0)),
                   (W / 2 + r * math.cos(a1), H / 2 + r * math.sin(a1))], fill=(255, 236, 140, 150))
    fade = Image.new("L", (W, H), 0)
    fd = ImageDraw.Draw(fade)
    for k in range(60, 0, -1):
        rr = W / 2 * k / 60
        fd.ellipse([W / 2 - rr, H / 2 - rr, W / 2 + rr, H / 2 + rr], fill=int(255 * (1 - k / 60) ** 0.7))
    from PIL import ImageChops
    img.putalpha(ImageChops.multiply(img.getchannel("A"), fade))
    return img.filter(ImageFilter.GaussianBlur(px(0.5)))


def new_marker() -> Image.Image:
    """A red rosette with a white exclamation mark: "new in this list"."""
    img = core.canvas(30, 30)
    d = ImageDraw.Draw(img)
    W = img.width
    g.star(d, W / 2, W / 2, W / 2 - px(1), W * 0.36, PALETTE["outline"], points=12)
    g.star(d, W / 2, W / 2, W / 2 - px(2.5), W * 0.33, RED, points=12)
    mark = core.text_image("!", 18, colour=PALETTE["white"], outline_pt=1.0)
    img.alpha_composite(mark, ((W - mark.width) // 2, (W - mark.height) // 2))
    return img


def tab_symbol(symbol: str) -> Image.Image:
    return g.emoji_icon(symbol, 26)


TABS = {"build": "🔨", "tools": "🛠️", "workers": "👷", "micro": "💰", "shop": "🛒"}


def tab_button(symbol: str, state: str, active: bool = False) -> Image.Image:
    fill = GOLD if active else WOOD
    image = g.button(*TAB_BUTTON, fill, state, radius_pt=9)
    sym = tab_symbol(symbol)
    if state == "disabled":
        sym = g.desaturate(sym, 0.15)
    sink = px(1.5) if state == "click" else 0
    image.alpha_composite(sym, ((image.width - sym.width) // 2, (image.height - px(2.5) - sym.height) // 2 + sink))
    return image


def marker_plate(symbol: str, width: float) -> Image.Image:
    """A top-bar plate: an icon at the left edge, room for a number at the right."""
    image = core.canvas(width, MARKER[1])
    body = g.plate(width - 8, MARKER[1] - 4, (70, 46, 28, 255))
    image.alpha_composite(body, (px(8), px(2)))
    icon = g.emoji_icon(symbol, MARKER[1]) if symbol != "coin" else g.coin(MARKER[1] - 2)
    image.alpha_composite(icon, (0, (image.height - icon.height) // 2))
    return image


def level_marker() -> Image.Image:
    image = core.canvas(*LEVEL_MARKER)
    body = g.plate(LEVEL_MARKER[0] - 8, LEVEL_MARKER[1] - 6, (70, 46, 28, 255))
    image.alpha_composite(body, (px(8), px(3)))
    star = g.star_image(LEVEL_MARKER[1])
    image.alpha_composite(star, (0, 0))
    return image


def goods_panel() -> Image.Image:
    """The bag: a wooden panel that slides in from the left edge, with a 4x4 grid of
    cups for the sixteen goods under two plates for gold and workers."""
    w, h = GOODS_PANEL
    image = g.wood_panel(w, h, radius_pt=12, frame_pt=8, seed=11)
    d = ImageDraw.Draw(image)
    for r in range(4):
        for c in range(4):
            cx, cy = px(GRID_ORIGIN[0] + c * 45), px(GRID_ORIGIN[1] + r * 43)
            rr = px(19)
            d.ellipse([cx - rr, cy - rr, cx + rr, cy + rr], fill=g.shade(PALETTE["parchment"], -30))
            d.ellipse([cx - rr + px(1.5), cy - rr + px(1.5), cx + rr, cy + rr], fill=g.shade(PALETTE["parchment"], -14))
    return image


# The bag grid's first cell in the panel (x from the left, y from the top; phone points).
GRID_ORIGIN = (36, 88)


def xp_bar(active: bool) -> Image.Image:
    w, h = XP_BAR
    if not active:
        img = core.rounded_panel(w, h, (58, 40, 26, 255), radius_pt=h / 2, border_pt=1.25, shine=False)
        return img
    img = core.canvas(w, h)
    W, H = img.size
    body = core.vertical_gradient(W, H, (255, 236, 120, 255), (222, 140, 30, 255))
    img.paste(body, (0, 0), g.rounded_mask(W, H, px(h / 2), px(1.5)))
    ImageDraw.Draw(img).rounded_rectangle([px(4), px(2.5), W - px(4), px(h * 0.42)], px(2),
                                          fill=(255, 255, 230, 120))
    return img


def common_frames() -> dict[str, Image.Image]:
    f: dict[str, Image.Image] = {}
    # buttons of pop-ups (captions come from the code); the hire pop-up sets
    # three of them side by side 0.28 of its 292-point width apart
    f.update(states("build_button", lambda s: g.button(80, 32, GREEN, s)))
    f.update(states("craftfood_button", lambda s: g.button(112, 36, GREEN, s)))
    f.update(states("cancel_button", lambda s: g.button(80, 32, RED, s)))
    f.update(states("instantbuy_button", lambda s: g.button(80, 32, BLUE, s)))
    f.update(states("sell_button", lambda s: g.button(76, 28, GREEN, s)))
    # row buttons
    f.update(states("list_button", lambda s: g.button(78, 30, GREEN, s), disabled="_disabled"))
    f.update(states("list_button_medium", lambda s: g.button(104, 30, GREEN, s), disabled="_disabled"))
    f.update(states("list_button_dark", lambda s: g.button(78, 30, WOOD, s)))
    f.update(states("list_button_dark_medium", lambda s: g.button(104, 30, WOOD, s)))
    maxed = g.button(78, 30, GOLD, "normal")
    tick = core.canvas(20, 16)
    ImageDraw.Draw(tick).line([(px(3), px(8)), (px(8), px(13)), (px(17), px(3))], fill=PALETTE["white"],
                              width=px(3.2), joint="curve")
    tick = core.outlined(tick, 1.0)
    maxed.alpha_composite(tick, ((maxed.width - tick.width) // 2, (maxed.height - px(2.5) - tick.height) // 2))
    f["max_button.png"] = maxed
    # plus and minus steppers
    for name, plus in (("tools_plus", True), ("tools_minus", False)):
        f.update(states(name, lambda s, p=plus: g.round_button(32, GREEN, s, g.plus_minus(16, p)),
                        disabled="_disable"))
    for name, plus in (("+_button", True), ("__button", False)):
        f[f"{name}_off.png"] = g.round_button(32, GREEN, "normal", g.plus_minus(16, plus))
        f[f"{name}_on.png"] = g.round_button(32, GREEN, "click", g.plus_minus(16, plus))
    # The office places its button's centre 64 points in from the page's left
    # edge on a phone: wider, it would stick out past the ledger board.
    f["button_taxes.png"] = g.button(104, 38, GOLD, "normal")
    f["button_taxes_off.png"] = g.button(104, 38, GOLD, "disabled")
    # coin-pack panel handle: a tab hanging from its top edge
    handle = core.canvas(132, 30)
    tab = core.rounded_panel(132, 34, GOLD, radius_pt=10, border_pt=1.5)
    handle.alpha_composite(tab.crop((0, px(4), tab.width, tab.height)), (0, 0))
    coins = g.emoji_icon("💰", 22)
    handle.alpha_composite(coins, ((handle.width - coins.width) // 2, (handle.height - coins.height) // 2))
    f["microtransactions_list_open.png"] = handle
    # pop-up panels
    f["bg_popup.png"] = g.wood_panel(272, 236, seed=1)
    f["bg_build.png"] = g.wood_panel(292, 300, seed=2)
    f["sell_bg.png"] = g.wood_panel(280, 240, seed=4)
    # the hire pop-up's strip lies under its buttons (at 0.19 of its height)
    f["popup_bottom_dark.png"] = core.rounded_panel(260, 24, (96, 64, 40, 255), radius_pt=8, border_pt=1.25)
    lvl = core.canvas(24, 24)
    disc = ImageDraw.Draw(lvl)
    W = lvl.width
    g.star(disc, W / 2, W / 2 + px(1), W / 2 - px(0.5), W * 0.3, PALETTE["outline"], points=10)
    g.star(disc, W / 2, W / 2 + px(1), W / 2 - px(2), W * 0.28, GOLD, points=10)
    disc.ellipse([W * 0.26, W * 0.28, W * 0.74, W * 0.76], fill=PALETTE["gold_dark"])
    f["popup_lvl_bg.png"] = lvl
    gold_bg = g.plate(92, 26, (78, 52, 32, 255))
    gold_bg.alpha_composite(g.coin(20), (px(3), px(3)))
    f["popup_gold_bg.png"] = gold_bg
    f["coin_lvl_up.png"] = g.coin(24)
    f["coins_small_ico.png"] = g.coin(14)
    # counters and badges
    for k in range(1, 5):
        f[f"resource_number_bg_x{k}.png"] = number_plate(k, False)
        f[f"resource_number_bg_x{k}_red.png"] = number_plate(k, True)
    f["alert_01.png"] = g.plate(20, 20, RED)
    f["alert_02.png"] = g.plate(30, 20, RED)
    f["strzalka.png"] = g.arrow(30, 42, RED, "down")
    f["Tutorial_red_arrow.png"] = g.arrow(22, 30, RED, "right")
    f["achievment_bar.png"] = ribbon_bar(300, 40)
    f["XP_bar_bg.png"] = xp_bar(False)
    f["XP_bar_active.png"] = xp_bar(True)
    # tooltips and bubbles
    f["resource_tooltip.png"] = tooltip_panel(96, 44, "middle")
    f["resource_tooltip_info.png"] = tooltip_panel(176, 92, "middle")
    # The speaker of a tutorial frame stands 0.2 of the window in from an edge
    # with the bubble reaching across: on a phone a bubble wider than about
    # 245 points runs off the other edge.
    f["popup_tutorial.png"] = g.bubble(236, 142, "bottom_left")
    f["popup_workers_resources.png"] = g.bubble(204, 112, "bottom_right")
    f["building_tooltip_info.png"] = tooltip_panel(150, 78, "left")
    # level-up
    f["trophy.png"] = g.emoji_icon("🏆", 64)
    f["yellow_ray.png"] = rays()
    for ch in "LEV0123456789":
        f[f"{ch}.png"] = digit_glyph(ch)
    # list row parts
    f["list_new.png"] = new_marker()
    spacer = core.canvas(40, 3)
    ImageDraw.Draw(spacer).rounded_rectangle([0, 0, spacer.width - 1, spacer.height - 1], px(2),
                                             fill=g.shade(PALETTE["wood_dark"], 10))
    f["list_population_spacer.png"] = spacer
    f["list_padlock.png"] = g.emoji_icon("🔒", 30)
    f["tools_nbr_bg.png"] = g.plate(30, 22, (78, 52, 32, 255))
    f["chest_open.png"] = chest(True)
    f["chest_closed.png"] = chest(False)
    # HUD pieces the scene file lays out
    for tab, symbol in TABS.items():
        f[f"tab_{tab}.png"] = tab_button(symbol, "normal")
        f[f"tab_{tab}_click.png"] = tab_button(symbol, "click")
        f[f"tab_{tab}_disabled.png"] = tab_button(symbol, "disabled")
        f[f"tab_{tab}_active.png"] = tab_button(symbol, "normal", active=True)
        f[f"tab_{tab}_active_click.png"] = tab_button(symbol, "click", active=True)
    f.update(states("hud_back_button", lambda s: icon_on_button("⬅️", 30, RED, s, 18)))
    f.update(states("hud_menu_button", lambda s: icon_on_button("⚙️", 34, WOOD, s, 22)))
    f.update(states("hud_bag_button", lambda s: icon_on_button("🎒", 25, WOOD, s, 18), disabled="_disabled"))
    f.update(states("hud_close_bag", lambda s: icon_on_button("✖️", 26, RED, s, 12)))
    f["hud_gold_marker.png"] = marker_plate("coin", MARKER[0])
    f["hud_workers_marker.png"] = marker_plate("👷", MARKER[0])
    f["hud_level_marker.png"] = level_marker()
    f["hud_goods_panel.png"] = goods_panel()
    return f


# ---- title screen ----

LOGO = (264, 130)
# Where the code hangs the turning sails on the logo (fractions of its size, y up).
SAILS_AT = (0.71, 0.73)


def logo() -> Image.Image:
    """The game's title: "Mosswick" on a mossy wooden sign with a windmill behind
    it; the windmill's sails are a frame of their own that the code turns."""
    w, h = LOGO
    image = core.canvas(w, h)
    d = ImageDraw.Draw(image)
    hub_x, hub_y = w * SAILS_AT[0], h * (1 - SAILS_AT[1])
    # the mill's tower, standing behind the sign
    o = PALETTE["outline"]
    top_w, bottom_w = 10, 17
    tower = [(px(hub_x - top_w), px(hub_y + 2)), (px(hub_x + top_w), px(hub_y + 2)),
             (px(hub_x + bottom_w), px(70)), (px(hub_x - bottom_w), px(70))]
    d.polygon(tower, fill=o)
    inner = [(px(hub_x - top_w + 1.5), px(hub_y + 3.5)), (px(hub_x + top_w - 1.5), px(hub_y + 3.5)),
             (px(hub_x + bottom_w - 1.5), px(70)), (px(hub_x - bottom_w + 1.5), px(70))]
    d.polygon(inner, fill=(236, 222, 188, 255))
    d.rounded_rectangle([px(hub_x - 3), px(hub_y + 12), px(hub_x + 3), px(hub_y + 20)], px(3), fill=o)
    d.polygon([(px(hub_x - top_w - 3), px(hub_y + 4)), (px(hub_x), px(hub_y - 12)),
               (px(hub_x + top_w + 3), px(hub_y + 4))], fill=o)
    d.polygon([(px(hub_x - top_w - 1), px(hub_y + 2.5)), (px(hub_x), px(hub_y - 10)),
               (px(hub_x + top_w + 1), px(hub_y + 2.5))], fill=PALETTE["red"])
    sign = g.wood_panel(w - 8, 72, radius_pt=16, frame_pt=6, inner=(116, 168, 82, 255), seed=21)
    image.alpha_composite(sign, (px(4), px(h - 76)))
    title = core.text_image("Mosswick", 46, colour=(255, 246, 210, 255), outline=PALETTE["outline"], outline_pt=2.5)
    shadow = core.drop_shadow(title, (1.2, -1.2), 1.0)
    image.alpha_composite(core.fit(shadow, w - 28, 62), (px(14), px(h - 71)))
    # moss tufts along the sign's top edge, left of the mill
    for i, x in enumerate(range(px(20), px(hub_x - 24), px(21))):
        r = px(6 + (i * 7) % 4)
        y = px(h - 75)
        d.ellipse([x - r, y - r, x + r, y + r // 2], fill=o)
        d.ellipse([x - r + px(1.2), y - r + px(1.2), x + r - px(1.2), y + r // 2 - px(1)], fill=PALETTE["green"])
    return image


def sun_wheel() -> Image.Image:
    """The windmill's four sails: lattice frames covered with cloth."""
    import math
    size = 62
    img = core.canvas(size, size)
    d = ImageDraw.Draw(img)
    W = img.width
    c = W / 2
    o = PALETTE["outline"]
    for i in range(4):
        a = math.radians(i * 90 + 20)
        ux, uy = math.cos(a), math.sin(a)
        vx, vy = -uy, ux
        r0, r1, wdt = px(5), W * 0.48, px(10)

        def at(r, side):
            return (c + ux * r + vx * side, c + uy * r + vy * side)
        d.line([at(0, 0), at(r1, 0)], fill=o, width=px(3.2))
        d.polygon([at(r0 + px(3), px(1)), at(r1, px(1)), at(r1, wdt), at(r0 + px(3), wdt)], fill=o)
        d.polygon([at(r0 + px(4.2), px(2.2)), at(r1 - px(1.2), px(2.2)), at(r1 - px(1.2), wdt - px(1.2)),
                   at(r0 + px(4.2), wdt - px(1.2))], fill=PALETTE["parchment"])
        for k in range(1, 4):
            r = r0 + px(3) + (r1 - r0 - px(3)) * k / 4
            d.line([at(r, px(1.5)), at(r, wdt - px(1))], fill=PALETTE["wood_dark"], width=px(1))
        d.line([at(r0, 0), at(r1, 0)], fill=PALETTE["wood"], width=px(1.4))
    d.ellipse([c - px(5), c - px(5), c + px(5), c + px(5)], fill=o)
    d.ellipse([c - px(3.5), c - px(3.5), c + px(3.5), c + px(3.5)], fill=PALETTE["wood_light"])
    return img


def menu_plate(kind: int) -> Image.Image:
    """The three plates of the title menu: a parchment scroll for the village name,
    then two wooden signboards for the buttons (labels come from the code)."""
    if kind == 1:
        w, h = 236, 52
        img = core.canvas(w, h)
        W, H = img.size
        d = ImageDraw.Draw(img)
        # rolled ends
        for x0 in (0, W - px(22)):
            d.rounded_rectangle([x0, 0, x0 + px(22), H - 1], px(10), fill=PALETTE["outline"])
            d.rounded_rectangle([x0 + px(1.5), px(1.5), x0 + px(22) - px(1.5), H - 1 - px(1.5)], px(9),
                                fill=PALETTE["parchment_dark"])
        body = core.rounded_panel(w - 36, h - 8, PALETTE["parchment"], radius_pt=4, border_pt=1.5)
        img.alpha_composite(body, (px(18), px(4)))
        return img
    w, h = 220, 56
    img = core.canvas(w, h + 8)
    W, H = img.size
    d = ImageDraw.Draw(img)
    # two ropes
    for x in (0.2, 0.8):
        d.line([(W * x, 0), (W * x, px(12))], fill=PALETTE["outline"], width=px(2.5))
        d.line([(W * x, 0), (W * x, px(12))], fill=(210, 180, 120, 255), width=px(1.2))
    board = g.wood_panel(w, h, radius_pt=12, frame_pt=5, inner=(150, 96, 54, 255), seed=30 + kind)
    img.alpha_composite(board, (0, px(8)))
    return img


def flag_cloth(colour) -> Image.Image:
    """A pennant in the right half of its picture, so the picture's centre is the
    pole: the animation turns and stretches it about the pole on every device."""
    img = core.canvas(68, 20)
    d = ImageDraw.Draw(img)
    W, H = img.size
    x0 = W // 2
    d.polygon([(x0, px(1)), (W - px(1), H * 0.5), (x0, H - px(1))], fill=PALETTE["outline"])
    d.polygon([(x0 + px(1.5), px(3)), (W - px(5), H * 0.5), (x0 + px(1.5), H - px(3))], fill=colour)
    d.polygon([(x0 + px(1.5), px(3)), (W - px(5), H * 0.5), (x0 + px(1.5), H * 0.5)], fill=g.shade(colour, 30))
    return img


FLAG_COLOURS = {"menu_flag_red.png": PALETTE["red"], "menu_flag_blue.png": PALETTE["blue"],
                "menu_flag_gold.png": PALETTE["gold"]}


def menu_frames() -> dict[str, Image.Image]:
    f: dict[str, Image.Image] = {}
    f["logo_MW_01.png"] = logo()
    f["logo_MW_02.png"] = sun_wheel()
    f["icon_facebook.png"] = icon_on_button("👍", ICON_BUTTON, BLUE, "normal")
    f["icon_twitter.png"] = icon_on_button("🐦", ICON_BUTTON, BLUE, "normal")
    for k in (1, 2, 3):
        f[f"mainmenu_element_0{k}.png"] = menu_plate(k)
    for name, colour in FLAG_COLOURS.items():
        f[name] = flag_cloth(colour)
    return f


# ---- frames drawn per device, in the device's own pixels ----

def _row_background(w: int, h: int, scale: int, fill, seed: int) -> Image.Image:
    """A list row: a parchment card with a wooden rim, filling the row."""
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    m = max(1, 2 * scale)
    r = 8 * scale
    d.rounded_rectangle([m, m, w - 1 - m, h - 1 - m], r, fill=PALETTE["outline"])
    d.rounded_rectangle([m + scale * 2, m + scale * 2, w - 1 - m - scale * 2, h - 1 - m - scale * 2], r - scale,
                        fill=PALETTE["wood"])
    inner = core.vertical_gradient(w, h, g.shade(fill, 10), g.shade(fill, -14))
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([m + 5 * scale, m + 5 * scale, w - 1 - m - 5 * scale,
                                            h - 1 - m - 5 * scale], max(1, r - 3 * scale), fill=255)
    img.paste(inner, (0, 0), mask)
    return img


def _bar(width_pt: int, height_pt: int, px_per_pt: int, tablet: bool, top: bool, seed: int) -> Image.Image:
    """A HUD bar in a device's pixels: drawn at master scale in phone points (a
    tablet point is half a phone point), then sized to the device."""
    phone_pt = 2 if tablet else 1
    master = g.bar_strip(width_pt / phone_pt, height_pt / phone_pt, seed, top_edge=not top)
    return master.resize((width_pt * px_per_pt, height_pt * px_per_pt), Image.LANCZOS)


def device_frames(width_pt: int, height_pt: int, px_per_pt: int) -> dict[str, Image.Image]:
    """Frames that span the screen, in a device's own pixels."""
    tablet = width_pt >= 768
    s = px_per_pt
    out: dict[str, Image.Image] = {}
    bottom_h = 90 if tablet else 45
    top_h = 54 if tablet else 27
    out["hud_bottom_bar.png"] = _bar(width_pt, bottom_h, s, tablet, top=False, seed=5)
    out["hud_top_bar.png"] = _bar(width_pt, top_h, s, tablet, top=True, seed=6)
    row_w = width_pt
    rows = {
        "list_bg1_hire.png": (250 if tablet else 125, PALETTE["parchment"]),
        "list_updates_coming.png": (250 if tablet else 125, (214, 226, 190, 255)),
        "tools_list_bg1.png": (154 if tablet else 77, PALETTE["parchment"]),
        "sell_bg_light.png": (131 if tablet else 64, g.shade(PALETTE["parchment"], 8)),
    }
    for i, (name, (h, fill)) in enumerate(rows.items()):
        out[name] = _row_background(row_w * s, h * s, s * (2 if tablet else 1), fill, i)
    # the end of the list: a road barrier says "more to come" without words
    img = out["list_updates_coming.png"]
    side = int((110 if tablet else 55) * s)
    icon = g.emoji_icon("🚧", 48).resize((side, side), Image.LANCZOS)
    img.alpha_composite(icon, (img.width - side - 14 * s * (2 if tablet else 1), (img.height - side) // 2))
    return out
