"""Board frames that span the screen, drawn for each device GUI sheet.

make_gui_art.py imports this module and packs device_frames() into the
device's sheet with its own frames. A phone is 320 x 480 points, a tablet
768 x 1024; the board code places these frames at fixed heights, so their
sizes follow from the placements:

- the mine's board background halves stand at y 125 (phone) / 291 (tablet)
  and reach under the top bar; the field background stands at 136 / 290 and
  reaches the top edge;
- the bottom bar and the bottom background together reach the board
  background (the resource panel sits on the bottom background);
- the season strip runs along the top of the field up to the calendar.
"""

from __future__ import annotations

import random
import sys
from pathlib import Path

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

sys.path.insert(0, str(Path(__file__).resolve().parent))

import core  # noqa: E402
from core import PALETTE  # noqa: E402


def _layout(width_pt: int) -> dict[str, float]:
    """Heights in device points of each screen-spanning frame."""
    if width_pt >= 768:
        return {"top_bar": 80, "bottom_bar": 72, "bottom_bg": 222, "tools_bar": 124, "mine_bg": 664,
                "mine_bg_y": 291, "farm_bg": 734, "strip": 36, "strip_w": 768 - 72, "cover_w": 104,
                "cover_h": 50, "gradient": 12}
    return {"top_bar": 32, "bottom_bar": 36, "bottom_bg": 104, "tools_bar": 64, "mine_bg": 332,
            "mine_bg_y": 125, "farm_bg": 344, "strip": 18, "strip_w": 320 - 30, "cover_w": 46,
            "cover_h": 24, "gradient": 6}


class _Pen:
    """Drawing in device points at a pixel density."""

    def __init__(self, ppp: float):
        self.ppp = ppp

    def p(self, v: float) -> int:
        return int(round(v * self.ppp))

    def new(self, w_pt: float, h_pt: float, colour=(0, 0, 0, 0)) -> Image.Image:
        return Image.new("RGBA", (max(1, self.p(w_pt)), max(1, self.p(h_pt))), colour)


def _noise(w, h, seed, scale):
    rng = np.random.default_rng(seed)
    gw, gh = w // scale + 2, h // scale + 2
    grid = Image.fromarray((rng.random((gh, gw)) * 255).astype(np.uint8), "L")
    return np.asarray(grid.resize((gw * scale, gh * scale), Image.BICUBIC).crop((0, 0, w, h))).astype(
        np.float32) / 255.0


def _texture(w, h, dark, light, seed, feature_px):
    n = np.zeros((h, w), np.float32)
    for i, (f, weight) in enumerate(((feature_px * 4, 0.55), (feature_px, 0.3), (max(2, feature_px // 4), 0.15))):
        n += _noise(w, h, seed + i, max(2, int(f))) * weight
    n = np.clip((n - 0.2) / 0.6, 0, 1)[..., None]
    rgb = np.array(dark[:3], np.float32) * (1 - n) + np.array(light[:3], np.float32) * n
    return np.dstack([rgb, np.full((h, w), 255, np.float32)])


def _to_image(arr) -> Image.Image:
    return Image.fromarray(np.clip(arr, 0, 255).astype(np.uint8), "RGBA")


def _wood_bar(pen: _Pen, w_pt, h_pt, seed, top_edge=True, bottom_edge=True) -> Image.Image:
    """A wooden plank bar with grain, a light top edge and a dark rim."""
    w, h = pen.p(w_pt), pen.p(h_pt)
    arr = _texture(w, h, PALETTE["wood_dark"], PALETTE["wood"], seed, max(2, pen.p(6)))
    # stretch the grain horizontally
    img = _to_image(arr).resize((max(1, w // 6), h), Image.BILINEAR).resize((w, h), Image.BICUBIC)
    d = ImageDraw.Draw(img)
    if top_edge:
        d.rectangle([0, 0, w, pen.p(1.5)], fill=PALETTE["wood_light"])
        d.rectangle([0, 0, w, max(0, pen.p(0.5) - 1)], fill=PALETTE["outline"])
    if bottom_edge:
        d.rectangle([0, h - pen.p(1.5), w, h], fill=PALETTE["outline"])
    # nails at the plank joints
    step = pen.p(80)
    for x in range(pen.p(40), w, step):
        for y in (pen.p(h_pt * 0.3), pen.p(h_pt * 0.7)):
            r = max(1, pen.p(1.3))
            d.ellipse([x - r, y - r, x + r, y + r], fill=PALETTE["grey_dark"])
    return img


def _shadow_strip(pen: _Pen, w_pt, h_pt) -> Image.Image:
    """Clear at the top fading to dark at the bottom row: a shadow cast upwards
    (over the bottom background's edge); turned half round it falls downwards
    from under the top bar."""
    w, h = pen.p(w_pt), pen.p(h_pt)
    a = np.linspace(0, 150, h)[:, None] * np.ones((1, w))
    arr = np.dstack([np.zeros((h, w)), np.zeros((h, w)), np.zeros((h, w)), a])
    return _to_image(arr)


def _stone_wall(pen: _Pen, w_pt, h_pt, seed, mirror_dark_edge: bool) -> Image.Image:
    """The mine's board background: a dim cave wall, darker towards the outer edge."""
    w, h = pen.p(w_pt), pen.p(h_pt)
    arr = _texture(w, h, (52, 40, 32), (96, 76, 58), seed, max(2, pen.p(10)))
    # rocks: darker blobs with lit tops
    img = _to_image(arr)
    d = ImageDraw.Draw(img)
    rng = random.Random(seed)
    for _ in range(int(w_pt * h_pt / 1400)):
        x, y = rng.uniform(0, w_pt), rng.uniform(0, h_pt)
        rw, rh = rng.uniform(5, 14), rng.uniform(4, 9)
        d.ellipse([pen.p(x), pen.p(y), pen.p(x + rw), pen.p(y + rh)], fill=(70, 56, 46, 255))
        d.arc([pen.p(x), pen.p(y), pen.p(x + rw), pen.p(y + rh)], 210, 330, fill=(104, 88, 72, 255),
              width=max(1, pen.p(0.8)))
    arr = np.asarray(img).astype(np.float32)
    # vignette: the outer edge (x = 0 of this half, which the code anchors at the
    # board's middle on its right edge) fades into the dark of the cave
    xs = np.linspace(0, 1, w)[None, :]
    if mirror_dark_edge:
        xs = xs[:, ::-1]
    edge = np.clip((xs - 0.0) / 0.25, 0, 1)
    ys = np.linspace(0, 1, h)[:, None]
    top = np.clip(ys / 0.06, 0, 1)
    shade = (0.35 + 0.65 * edge) * (0.6 + 0.4 * top)
    arr[..., :3] *= shade[..., None]
    return _to_image(arr)


def _meadow(pen: _Pen, w_pt, h_pt, seed) -> Image.Image:
    """The field's background: meadow around a ploughed soil bed."""
    w, h = pen.p(w_pt), pen.p(h_pt)
    arr = _texture(w, h, (84, 146, 56), (136, 196, 86), seed, max(2, pen.p(8)))
    img = _to_image(arr)
    d = ImageDraw.Draw(img)
    rng = random.Random(seed)
    for _ in range(int(w_pt * h_pt / 60)):
        x, y = rng.uniform(0, w_pt), rng.uniform(0, h_pt)
        l = rng.uniform(2, 4)
        col = (70, 130, 46, 255) if rng.random() < 0.5 else (170, 220, 110, 255)
        d.line([pen.p(x), pen.p(y), pen.p(x + rng.uniform(-1, 1)), pen.p(y - l)], fill=col,
               width=max(1, pen.p(0.6)))
    for _ in range(int(w_pt * h_pt / 4000)):
        x, y = rng.uniform(0, w_pt), rng.uniform(0, h_pt)
        col = rng.choice([(255, 255, 255, 255), (255, 220, 80, 255), (240, 140, 200, 255)])
        r = pen.p(1.2)
        d.ellipse([pen.p(x) - r, pen.p(y) - r, pen.p(x) + r, pen.p(y) + r], fill=col)
    # the soil bed under the 6 x 6 tiles (tiles stand 23 / 48.5 points above the
    # background's bottom edge and take 6 cells up)
    tablet = w_pt >= 768
    cell = 99 if tablet else 49
    bed_w = cell * 6 + (14 if tablet else 8)
    bed_bottom = (329 - 290 - 8) if tablet else (159 - 136 - 4)
    bed_top = bed_bottom + cell * 6 + (16 if tablet else 8)
    x0 = (w_pt - bed_w) / 2
    y0 = h_pt - bed_top
    bw, bh = pen.p(bed_w), pen.p(bed_top - bed_bottom)
    soil = _to_image(_texture(bw, bh, (104, 70, 42), (150, 106, 64), seed + 5, max(2, pen.p(5))))
    sd = ImageDraw.Draw(soil)
    for r in range(6):
        y = pen.p((r + 0.82) * cell + (8 if tablet else 4))
        sd.line([0, y, bw, y], fill=(88, 58, 34, 255), width=max(1, pen.p(2)))
        sd.line([0, y + pen.p(2), bw, y + pen.p(2)], fill=(170, 126, 80, 255), width=max(1, pen.p(1)))
    mask = Image.new("L", (bw, bh), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, bw - 1, bh - 1], pen.p(10), fill=255)
    shadow = Image.new("RGBA", img.size, (0, 0, 0, 0))
    sh_mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(sh_mask).rounded_rectangle([pen.p(x0) - pen.p(2), pen.p(y0) - pen.p(1),
                                               pen.p(x0) + bw + pen.p(3), pen.p(y0) + bh + pen.p(4)],
                                              pen.p(12), fill=110)
    shadow.putalpha(sh_mask.filter(ImageFilter.GaussianBlur(pen.p(3))))
    img.alpha_composite(shadow)
    img.paste(soil, (pen.p(x0), pen.p(y0)), mask)
    frame = Image.new("RGBA", img.size, (0, 0, 0, 0))
    ImageDraw.Draw(frame).rounded_rectangle([pen.p(x0), pen.p(y0), pen.p(x0) + bw - 1, pen.p(y0) + bh - 1],
                                            pen.p(10), outline=PALETTE["wood_dark"], width=max(1, pen.p(2)))
    img.alpha_composite(frame)
    return img


def _season_strip(pen: _Pen, w_pt, h_pt) -> Image.Image:
    w, h = pen.p(w_pt), pen.p(h_pt)
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    seasons = [((150, 214, 96), (92, 160, 60), "🌱"), ((246, 214, 96), (206, 160, 50), "☀️"),
               ((226, 140, 60), (160, 90, 40), "🍂"), ((236, 244, 252), (170, 190, 214), "❄️")]
    q = w / 4
    d = ImageDraw.Draw(img)
    for i, (light, dark, _icon) in enumerate(seasons):
        x0, x1 = int(round(i * q)), int(round((i + 1) * q))
        for y in range(h):
            t = y / max(1, h - 1)
            col = tuple(int(a + (b - a) * t) for a, b in zip(light, dark)) + (255,)
            d.line([x0, y, x1, y], fill=col)
    # little season marks at the right end of each quarter, clear of the walking marker's middle
    for i, (_l, _d, icon) in enumerate(seasons):
        size_pt = h_pt * 0.7
        mark = core.emoji(icon, 10)  # master pixels, resized below
        side = max(1, pen.p(size_pt))
        mark = mark.resize((side, side), Image.LANCZOS)
        mark.putalpha(mark.getchannel("A").point(lambda a: a * 200 // 255))
        img.alpha_composite(mark, (int(round((i + 1) * q)) - side - pen.p(2), (h - side) // 2))
    for i in range(1, 4):
        x = int(round(i * q))
        d.line([x, 0, x, h], fill=PALETTE["outline"], width=max(1, pen.p(1)))
    d.rectangle([0, 0, w - 1, h - 1], outline=PALETTE["outline"], width=max(1, pen.p(1)))
    return img


def _strip_shadow(pen: _Pen, w_pt, h_pt) -> Image.Image:
    return Image.new("RGBA", (max(1, pen.p(w_pt)), max(1, pen.p(h_pt))), (20, 14, 40, 120))


def _strip_cover(pen: _Pen, w_pt, h_pt) -> Image.Image:
    """The wooden post at the top right where the strip ends and the calendar hangs."""
    img = pen.new(w_pt, h_pt)
    body = _wood_bar(pen, w_pt, h_pt, 71, top_edge=False)
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, -pen.p(8), img.width - 1, img.height - 1], pen.p(6), fill=255)
    img.paste(body, (0, 0), mask)
    ImageDraw.Draw(img).rounded_rectangle([0, -pen.p(8), img.width - 1, img.height - 1], pen.p(6),
                                          outline=PALETTE["outline"], width=max(1, pen.p(1)))
    return img


def _bottom_bg(pen: _Pen, w_pt, h_pt, tablet: bool) -> Image.Image:
    """Behind the resource panel: a shelf of boards with a ledge under the
    panel's upright progress tubes (their centre is 44 / 95 points above the
    shelf's bottom edge, their half height 13.5 / 27 points)."""
    img = _wood_bar(pen, w_pt, h_pt, 41)
    arr = np.asarray(img).astype(np.float32)
    arr[..., :3] *= 0.85
    img = _to_image(arr)
    d = ImageDraw.Draw(img)
    bar_y = h_pt - (95 if tablet else 44)
    ledge_y = bar_y + (29 if tablet else 15)
    thick = 4 if tablet else 2
    d.rounded_rectangle([pen.p(4), pen.p(ledge_y), pen.p(w_pt - 4), pen.p(ledge_y + thick)], pen.p(thick) // 2,
                        fill=(96, 62, 36, 255), outline=PALETTE["outline"], width=max(1, pen.p(0.5)))
    d.line([pen.p(8), pen.p(ledge_y + thick + 1.5), pen.p(w_pt - 8), pen.p(ledge_y + thick + 1.5)],
           fill=PALETTE["wood_light"], width=max(1, pen.p(1)))
    return img


def device_frames(width_pt: int, height_pt: int, px_per_pt: float) -> dict[str, Image.Image]:
    """The board's screen-spanning frames for one device sheet, in final pixels."""
    pen = _Pen(px_per_pt)
    lay = _layout(width_pt)
    tablet = width_pt >= 768
    frames: dict[str, Image.Image] = {}

    top = _wood_bar(pen, width_pt, lay["top_bar"], 11)
    d = ImageDraw.Draw(top)
    # a sunken groove where the food bar runs and a plate for the moves counter
    groove_x0 = 14 if not tablet else 28
    groove_x1 = 282 if not tablet else 664
    gy0, gy1 = lay["top_bar"] * 0.2, lay["top_bar"] * 0.8
    d.rounded_rectangle([pen.p(groove_x0), pen.p(gy0), pen.p(groove_x1), pen.p(gy1)], pen.p(gy1 - gy0) // 2,
                        fill=(80, 50, 28, 255), outline=PALETTE["outline"], width=max(1, pen.p(1)))
    px0 = 286 if not tablet else 670
    d.rounded_rectangle([pen.p(px0), pen.p(gy0), pen.p(width_pt - 4), pen.p(gy1)], pen.p(gy1 - gy0) // 2,
                        fill=(60, 36, 20, 255), outline=PALETTE["outline"], width=max(1, pen.p(1)))
    frames["top_bar_food.png"] = top

    frames["list_gradient_top&bottom.png"] = _shadow_strip(pen, width_pt, lay["gradient"])
    # The bar is centred on the screen's bottom edge, so only its upper half
    # shows: the frame is twice the visible bar.
    frames["bottom_bar_menu.png"] = _wood_bar(pen, width_pt, 2 * lay["bottom_bar"], 23)
    frames["mine_bottom_bg.png"] = _bottom_bg(pen, width_pt, lay["bottom_bg"], tablet)

    tools = _wood_bar(pen, width_pt, lay["tools_bar"], 31)
    td = ImageDraw.Draw(tools)
    td.rectangle([0, tools.height - pen.p(4), tools.width, tools.height], fill=PALETTE["wood_dark"])
    td.rectangle([0, tools.height - max(1, pen.p(1)), tools.width, tools.height], fill=PALETTE["outline"])
    frames["tools_menu_bar.png"] = tools

    half_w = width_pt / 2
    frames["mine_tiles_bg_big.png"] = _stone_wall(pen, half_w, lay["mine_bg"], 57, mirror_dark_edge=False)
    frames["farm_tiles_bg.png"] = _meadow(pen, width_pt, lay["farm_bg"], 63)

    frames["farm_time_bar.png"] = _season_strip(pen, lay["strip_w"], lay["strip"])
    quarter = lay["strip_w"] / 4
    frames["farm_time_bar_shadow.png"] = _strip_shadow(pen, quarter + (4 if tablet else 0), lay["strip"] - 1)
    frames["farm_time_bar_shadow_small.png"] = _strip_shadow(pen, quarter, lay["strip"] - 1)
    frames["farm_time_bar_cover.png"] = _strip_cover(pen, lay["cover_w"], lay["cover_h"])
    return frames


if __name__ == "__main__":
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "/tmp/device_board")
    out.mkdir(parents=True, exist_ok=True)
    for plist, (w, h, ppp) in core.DEVICE_SHEETS.items():
        for name, image in device_frames(w, h, ppp).items():
            image.save(out / f"{Path(plist).stem}--{name.replace('&', '_')}")
