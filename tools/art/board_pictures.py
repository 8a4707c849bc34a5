"""The pictures of the puzzle boards: tiles of the mine and of the fields in
their four seasons, ore glints, resources, tools, board furniture, the frame
sequences and the food pop-up's parts.

Every function returns a master picture (core.MASTER pixels per phone point)
of a whole number of points. Sizes are chosen for the board's cell of 49
phone points (99 on a tablet, where the H row's pixel is a point).
"""

from __future__ import annotations

import math
import random

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

import core
from core import PALETTE, canvas, emoji, outlined, px

TILE = 48  # a tile picture's side in phone points (the cell is 49)

# Season ground colours: spring fresh green, summer golden, autumn orange and
# brown, winter snow.
SEASON_GROUND = {
    "spring": ((126, 200, 80, 255), (82, 150, 52, 255)),
    "summer": ((226, 196, 92, 255), (176, 140, 52, 255)),
    "autumn": ((214, 128, 52, 255), (140, 78, 36, 255)),
    "winter": ((240, 246, 252, 255), (176, 196, 220, 255)),
}


# ---------------------------------------------------------------- helpers

def paste(target: Image.Image, image: Image.Image, cx_pt: float, cy_pt: float) -> None:
    """Composites image centred on a point given in phone points (y down)."""
    target.alpha_composite(image, (round(px(cx_pt) - image.width / 2), round(px(cy_pt) - image.height / 2)))


def paste_bottom(target: Image.Image, image: Image.Image, cx_pt: float, bottom_pt: float) -> None:
    target.alpha_composite(image, (round(px(cx_pt) - image.width / 2), round(px(bottom_pt) - image.height)))


def glyph(text: str, size_pt: float, outline: float = 0.75) -> Image.Image:
    """An emoji with the house outline."""
    return outlined(emoji(text, size_pt), outline)


def shaded(image: Image.Image) -> Image.Image:
    """The picture on its soft shadow, cropped back to its own size."""
    shadowed = core.drop_shadow(image, offset_pt=(0.75, -1.0), blur_pt=0.75)
    pad = (shadowed.width - image.width) // 2
    return shadowed.crop((pad, pad, pad + image.width, pad + image.height))


def recolour(image: Image.Image, fn) -> Image.Image:
    """Maps every pixel's RGB (floats 0..1, arrays) through fn, keeping alpha."""
    a = np.asarray(image).astype(np.float32) / 255.0
    rgb = fn(a[..., 0], a[..., 1], a[..., 2])
    out = np.dstack([np.clip(c, 0, 1) for c in rgb] + [a[..., 3]])
    return Image.fromarray((out * 255 + 0.5).astype(np.uint8), "RGBA")


def greenness(r, g, b):
    return np.clip((g - np.maximum(r, b)) * 4.0, 0, 1)


def tint_greens(image: Image.Image, target, keep: float = 0.35) -> Image.Image:
    """Turns the green parts of a picture towards a target colour, keeping shading."""
    tr, tg, tb = (c / 255 for c in target[:3])

    def fn(r, g, b):
        w = greenness(r, g, b)
        lum = 0.3 * r + 0.59 * g + 0.11 * b
        shade = lum / 0.45
        return [r * (1 - w) + np.clip(t * (keep + (1 - keep) * shade), 0, 1) * w for r, t in
                ((r, tr), (g, tg), (b, tb))]
    return recolour(image, fn)


def noise(w: int, h: int, seed: int, scale: int) -> np.ndarray:
    """Smooth value noise in 0..1 of the given feature size in pixels (deterministic)."""
    rng = np.random.default_rng(seed)
    gw, gh = w // scale + 2, h // scale + 2
    grid = Image.fromarray((rng.random((gh, gw)) * 255).astype(np.uint8), "L")
    big = grid.resize((gw * scale, gh * scale), Image.BICUBIC).crop((0, 0, w, h))
    return np.asarray(big).astype(np.float32) / 255.0


def textured(w: int, h: int, dark, light, seed: int, scales=((48, 0.6), (12, 0.3), (4, 0.1))) -> Image.Image:
    """An opaque texture mixing two colours by layered noise."""
    n = np.zeros((h, w), np.float32)
    for i, (s, weight) in enumerate(scales):
        n += noise(w, h, seed + i, s) * weight
    n = np.clip((n - 0.2) / 0.6, 0, 1)[..., None]
    d = np.array(dark[:3], np.float32)
    l = np.array(light[:3], np.float32)
    rgb = d * (1 - n) + l * n
    out = np.dstack([rgb, np.full((h, w), 255, np.float32)]).astype(np.uint8)
    return Image.fromarray(out, "RGBA")


def mask_image(image: Image.Image, mask: Image.Image) -> Image.Image:
    out = image.copy()
    alpha = np.minimum(np.asarray(out.getchannel("A")), np.asarray(mask))
    out.putalpha(Image.fromarray(alpha.astype(np.uint8), "L"))
    return out


def ellipse_shadow(w_pt: float, h_pt: float, alpha: int = 90) -> Image.Image:
    img = canvas(w_pt + 4, h_pt + 4)
    ImageDraw.Draw(img).ellipse([px(2), px(2), px(2 + w_pt), px(2 + h_pt)], fill=(0, 0, 0, alpha))
    return img.filter(ImageFilter.GaussianBlur(px(1.2)))


def star_points(cx, cy, r_out, r_in, n=5, rot=-90.0):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180.0 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def lighten(c, k):
    return tuple(min(255, int(v + (255 - v) * k)) for v in c[:3]) + (c[3] if len(c) > 3 else 255,)


def darken(c, k):
    return tuple(max(0, int(v * (1 - k))) for v in c[:3]) + (c[3] if len(c) > 3 else 255,)


# ---------------------------------------------------------------- drawn things

def rock(w_pt, h_pt, base, seed, facets=9) -> Image.Image:
    """A faceted rock, outlined, lit from the top left."""
    rng = random.Random(seed)
    img = canvas(w_pt, h_pt)
    w, h = img.size
    cx, cy = w / 2, h * 0.55
    pts = []
    for i in range(facets):
        a = 2 * math.pi * i / facets + rng.uniform(-0.15, 0.15)
        rx = w * 0.45 * rng.uniform(0.85, 1.0)
        ry = h * 0.42 * rng.uniform(0.85, 1.0)
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    d = ImageDraw.Draw(img)
    d.polygon(pts, fill=base)
    # facets: triangles from a lit centre, shaded by direction
    centre = (cx - w * 0.08, cy - h * 0.1)
    for i in range(facets):
        p1, p2 = pts[i], pts[(i + 1) % facets]
        mx, my = (p1[0] + p2[0]) / 2 - cx, (p1[1] + p2[1]) / 2 - cy
        light = (-mx - my) / (abs(mx) + abs(my) + 1e-6)
        col = lighten(base, 0.25 * light) if light > 0 else darken(base, -0.3 * light)
        d.polygon([centre, p1, p2], fill=col)
    return outlined(img, 0.75)


def ore(rock_colour, nugget, seed) -> Image.Image:
    """A rock of the ore's own tint with large shining nuggets set in it."""
    img = canvas(TILE, TILE)
    base = rock(42, 38, rock_colour, seed)
    paste(img, base, 24, 26)
    d = ImageDraw.Draw(img)
    light, dark = lighten(nugget, 0.6), darken(nugget, 0.5)
    for (x, y, r) in ((17, 21, 6.5), (30, 30, 7.5), (31, 16, 4.5), (16, 34, 4)):
        pts = [(px(x + r * math.cos(a) * (0.8 + 0.2 * ((i * 7 + seed) % 3) / 2)),
                px(y + r * math.sin(a) * (0.8 + 0.2 * ((i * 5 + seed) % 3) / 2)))
               for i, a in enumerate(i * 2 * math.pi / 7 for i in range(7))]
        d.polygon(pts, fill=nugget, outline=PALETTE["outline"], width=px(0.6))
        d.polygon([(px(x - r * 0.5), px(y - r * 0.1)), (px(x - r * 0.1), px(y - r * 0.6)),
                   (px(x + r * 0.3), px(y - r * 0.3))], fill=light)
        d.line([px(x + r * 0.1), px(y + r * 0.55), px(x + r * 0.6), px(y + r * 0.1)], fill=dark, width=px(0.8))
    return shaded(img)


def coal() -> Image.Image:
    img = canvas(TILE, TILE)
    for (x, y, s, seed) in ((17, 30, 24, 1), (31, 31, 22, 2), (24, 19, 22, 3)):
        lump = rock(s, s * 0.85, (44, 42, 46, 255), seed, facets=7)
        paste(img, lump, x, y)
    d = ImageDraw.Draw(img)
    for (x, y) in ((20, 15), (27, 26), (13, 27), (35, 28)):
        d.line([px(x), px(y), px(x + 3), px(y - 1)], fill=(170, 170, 190, 255), width=px(0.8))
    return shaded(img)


def earth_clod() -> Image.Image:
    """Loose, dug soil: the earth tile under its cover."""
    img = canvas(TILE, TILE)
    w, h = img.size
    mask = Image.new("L", (w, h), 0)
    md = ImageDraw.Draw(mask)
    md.ellipse([px(5), px(20), px(43), px(44)], fill=255)
    md.ellipse([px(11), px(11), px(37), px(36)], fill=255)
    tex = textured(w, h, (92, 60, 36), (150, 104, 64), seed=11, scales=((16, 0.5), (6, 0.35), (2, 0.15)))
    heap = mask_image(tex, mask)
    img.alpha_composite(heap)
    d = ImageDraw.Draw(img)
    rng = random.Random(5)
    for _ in range(10):
        x, y = rng.uniform(10, 38), rng.uniform(16, 40)
        s = rng.uniform(1.5, 3)
        d.ellipse([px(x), px(y), px(x + s), px(y + s * 0.8)], fill=(70, 46, 28, 255))
        d.ellipse([px(x + 0.3), px(y + 0.2), px(x + s * 0.5), px(y + s * 0.4)], fill=(176, 130, 86, 255))
    worm = glyph("🪱", 14, 0.5)
    paste(img, worm, 33, 18)
    return shaded(outlined(img, 0.75))


def earth_block(seed: int, dark: bool) -> Image.Image:
    """A cell of packed earth (the cover over a mine tile)."""
    img = canvas(TILE, TILE)
    w, h = img.size
    if dark:
        tex = textured(w, h, (70, 46, 28), (112, 78, 48), seed)
    else:
        tex = textured(w, h, (104, 70, 42), (150, 108, 66), seed)
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([px(0.5), px(0.5), w - px(0.5), h - px(0.5)], px(7), fill=255)
    block = mask_image(tex, mask)
    d = ImageDraw.Draw(block)
    rng = random.Random(seed)
    for _ in range(7):
        x, y = rng.uniform(5, 40), rng.uniform(5, 40)
        s = rng.uniform(2, 4)
        d.ellipse([px(x), px(y), px(x + s), px(y + s * 0.7)], fill=(128, 118, 106, 255))
        d.ellipse([px(x + 0.4), px(y + 0.3), px(x + s * 0.5), px(y + s * 0.35)], fill=(182, 172, 160, 255))
    # bevel: light top-left rim, dark bottom-right rim
    rim = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    rd = ImageDraw.Draw(rim)
    rd.rounded_rectangle([px(1), px(1), w - px(1), h - px(1)], px(7), outline=(255, 230, 190, 70), width=px(1.2))
    rim2 = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ImageDraw.Draw(rim2).rounded_rectangle([px(1), px(1), w - px(1), h - px(1)], px(7),
                                           outline=(30, 16, 6, 140), width=px(1.5))
    shift = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    shift.alpha_composite(rim2, (px(0.75), px(0.75)))
    block.alpha_composite(mask_image(shift, mask))
    block.alpha_composite(mask_image(rim, mask))
    if not dark:
        # Packed earth to dig: cracks and roots, so the block reads as a tile of its own.
        cd = ImageDraw.Draw(block)
        crack = (70, 44, 24, 255)
        for path in (((12, 10), (17, 16), (15, 22), (21, 27)), ((33, 30), (29, 35), (31, 41)),
                     ((36, 9), (32, 14), (35, 18))):
            cd.line([(px(x), px(y)) for x, y in path], fill=crack, width=px(0.9), joint="curve")
        root = (214, 180, 120, 255)
        for path in (((4, 34), (9, 36), (12, 41), (11, 45)), ((40, 4), (41, 9), (45, 12))):
            cd.line([(px(x), px(y)) for x, y in path], fill=root, width=px(0.7), joint="curve")
    return block


def rubble() -> Image.Image:
    img = canvas(TILE, TILE)
    rng = random.Random(21)
    spots = [(14, 34, 14), (26, 36, 15), (37, 33, 12), (19, 24, 13), (31, 23, 14), (25, 14, 11), (10, 24, 9),
             (39, 22, 9)]
    for i, (x, y, s) in enumerate(spots):
        shade = rng.randint(-18, 18)
        base = (150 + shade, 136 + shade, 122 + shade, 255)
        paste(img, rock(s, s * 0.8, base, 100 + i, facets=5), x, y)
    return shaded(img)


def gas_cloud(primed: bool) -> Image.Image:
    img = canvas(TILE, TILE)
    w, h = img.size
    if primed:
        inner, outer = (255, 226, 96, 255), (236, 104, 40, 255)
    else:
        inner, outer = (196, 240, 120, 255), (92, 170, 70, 255)
    mask = Image.new("L", (w, h), 0)
    md = ImageDraw.Draw(mask)
    for (x, y, r) in ((16, 28, 10), (26, 22, 12), (34, 29, 9), (24, 32, 10), (13, 20, 6), (36, 19, 6)):
        md.ellipse([px(x - r), px(y - r), px(x + r), px(y + r)], fill=255)
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32)
    dist = np.sqrt((xx - w * 0.48) ** 2 + (yy - h * 0.5) ** 2) / (w * 0.45)
    t = np.clip(dist, 0, 1)[..., None]
    rgb = np.array(inner[:3], np.float32) * (1 - t) + np.array(outer[:3], np.float32) * t
    body = Image.fromarray(np.dstack([rgb, np.full((h, w), 255.0)]).astype(np.uint8), "RGBA")
    cloud = mask_image(body, mask)
    d = ImageDraw.Draw(cloud)
    for (x, y, r) in ((20, 18, 3), (29, 17, 2), (31, 27, 2.5)):
        d.ellipse([px(x - r), px(y - r), px(x + r), px(y + r)], fill=(255, 255, 255, 150))
    cloud = outlined(cloud, 0.75, darken(outer, 0.45))
    img = canvas(TILE, TILE)
    paste(img, cloud, 24, 25)
    if primed:
        spark = glyph("💥", 16, 0.5)
        paste(img, spark, 35, 13)
    else:
        bubble = glyph("🫧", 11, 0.4)
        paste(img, bubble, 36, 12)
    return img


def methane_shadow() -> Image.Image:
    img = canvas(TILE, TILE)
    d = ImageDraw.Draw(img)
    d.ellipse([px(6), px(10), px(42), px(42)], fill=(30, 60, 20, 130))
    return img.filter(ImageFilter.GaussianBlur(px(3)))


def emoji_tile(text, size=40, cy=25, outline=0.75) -> Image.Image:
    img = canvas(TILE, TILE)
    paste(img, glyph(text, size, outline), 24, cy)
    return shaded(img)


# ---------------------------------------------------------------- field tiles

def ground_patch(season: str, w_pt=44, h_pt=14) -> Image.Image:
    """A small mound of seasonal ground that a field picture stands on."""
    light, dark = SEASON_GROUND[season]
    img = canvas(w_pt, h_pt)
    w, h = img.size
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).ellipse([0, 0, w - 1, h - 1], fill=255)
    tex = textured(w, h, dark, light, seed=len(season) * 7,
                   scales=((16, 0.5), (6, 0.35), (2, 0.15)))
    mound = mask_image(tex, mask)
    d = ImageDraw.Draw(mound)
    if season == "winter":
        d.ellipse([px(4), px(1), w - px(8), px(6)], fill=(255, 255, 255, 255))
    elif season == "autumn":
        rng = random.Random(3)
        for _ in range(6):
            x, y = rng.uniform(4, w_pt - 6), rng.uniform(3, h_pt - 5)
            d.ellipse([px(x), px(y), px(x + 3), px(y + 2)], fill=(180, 60, 30, 255))
    return outlined(mound, 0.5, darken(dark, 0.4))


def field_tile(season: str | None, body: Image.Image, body_bottom: float = 44, snow=False) -> Image.Image:
    """A field picture: the thing standing on its ground at the bottom edge."""
    img = canvas(TILE, TILE)
    if season:
        paste_bottom(img, ground_patch(season), 24, 48)
    else:
        paste_bottom(img, ellipse_shadow(34, 8, 80), 24, 49)
    paste_bottom(img, body, 24, body_bottom)
    if snow:
        snow_caps(img)
    return shaded(img)


def snow_caps(img: Image.Image) -> None:
    """Snow on every upward-facing opaque edge of the picture."""
    a = np.asarray(img.getchannel("A")).astype(np.int32)
    above = np.zeros_like(a)
    k = px(2.5)
    above[k:] = a[:-k]
    cap = (a > 128) & (above < 60)
    cap_img = Image.fromarray((cap * 255).astype(np.uint8), "L").filter(ImageFilter.MaxFilter(px(1.5) | 1))
    snow = Image.new("RGBA", img.size, (250, 252, 255, 255))
    snow.putalpha(Image.fromarray(np.minimum(np.asarray(cap_img), a).astype(np.uint8), "L"))
    img.alpha_composite(snow)


def grass_tuft(season: str) -> Image.Image:
    colours = {
        "spring": ((150, 220, 90, 255), (70, 150, 50, 255)),
        "summer": ((200, 204, 90, 255), (120, 150, 50, 255)),
        "autumn": ((214, 150, 60, 255), (150, 96, 40, 255)),
        "winter": ((200, 214, 200, 255), (120, 140, 120, 255)),
    }[season]
    img = canvas(40, 34)
    d = ImageDraw.Draw(img)
    rng = random.Random(len(season))
    blades = 15 if season != "winter" else 8
    for i in range(blades):
        x = 6 + i * (28 / blades) + rng.uniform(-1, 1)
        top = rng.uniform(4, 14) if season != "winter" else rng.uniform(14, 22)
        lean = rng.uniform(-6, 6)
        col = colours[i % 2]
        d.polygon([(px(x - 1.6), px(34)), (px(x + 1.6), px(34)), (px(x + lean), px(top))], fill=col,
                  outline=darken(col, 0.4))
    if season == "spring":
        for (x, y) in ((10, 16), (30, 12)):
            paste(img, glyph("🌼", 7, 0.3), x, y)
    return outlined(img, 0.5)


def tree(season: str) -> Image.Image:
    base = glyph("🌳", 40)
    if season == "autumn":
        base = tint_greens(base, (230, 120, 40), keep=0.45)
    elif season == "winter":
        base = tint_greens(base, (200, 220, 240), keep=0.7)
        snow_caps(base)
    elif season == "spring":
        base = tint_greens(base, (140, 214, 100), keep=0.5)
        rng = random.Random(9)
        d = ImageDraw.Draw(base)
        for _ in range(14):
            x, y = rng.uniform(8, 34), rng.uniform(5, 22)
            d.ellipse([px(x), px(y), px(x + 2.6), px(y + 2.6)], fill=(255, 170, 200, 255),
                      outline=(200, 90, 130, 255))
    return base


def carrot(season: str) -> Image.Image:
    img = canvas(40, 40)
    c = glyph("🥕", 34)
    if season == "spring":
        c = glyph("🥕", 28)
        c = c.rotate(-20, resample=Image.BICUBIC, expand=False)
        paste(img, c, 20, 22)
        paste(img, glyph("🌱", 14, 0.5), 28, 10)
    else:
        c = c.rotate(-10, resample=Image.BICUBIC, expand=False)
        if season == "autumn":
            c = tint_greens(c, (176, 110, 40), keep=0.5)
        paste(img, c, 20, 21)
    return img


def apple(season: str) -> Image.Image:
    img = canvas(40, 40)
    if season == "spring":
        paste(img, glyph("🍏", 30), 20, 23)
        paste(img, glyph("🌸", 12, 0.4), 31, 9)
    elif season == "autumn":
        paste(img, glyph("🍎", 30), 20, 23)
        paste(img, glyph("🍂", 14, 0.4), 9, 10)
    else:
        paste(img, glyph("🍎", 32), 20, 22)
    return img


# ---------------------------------------------------------------- effects

def glint(colour, frame: int, frames: int = 10) -> Image.Image:
    """One frame of an ore glint (20 points: the game shows it at scale 2)."""
    img = canvas(20, 20)
    t = frame / (frames - 1)
    size = math.sin(math.pi * t)
    if size <= 0.02:
        return img
    d = ImageDraw.Draw(img)
    cx, cy = px(10), px(10)
    r = px(9.5) * size
    rot = math.radians(45 * t)
    for k, (length, width) in enumerate(((r, r * 0.16), (r * 0.55, r * 0.1))):
        for i in range(4):
            a = rot + i * math.pi / 2 + k * math.pi / 4
            tip = (cx + length * math.cos(a), cy + length * math.sin(a))
            l1 = (cx + width * math.cos(a + math.pi / 2), cy + width * math.sin(a + math.pi / 2))
            l2 = (cx + width * math.cos(a - math.pi / 2), cy + width * math.sin(a - math.pi / 2))
            d.polygon([tip, l1, l2], fill=colour)
    core_r = r * 0.22
    d.ellipse([cx - core_r, cy - core_r, cx + core_r, cy + core_r], fill=(255, 255, 255, 255))
    halo = img.filter(ImageFilter.GaussianBlur(px(1.2)))
    halo.alpha_composite(img)
    return halo


def explosion(frame: int, frames: int = 16) -> Image.Image:
    """One frame of the gas explosion (48 points, a cell's size): a
    flash, a billowing fireball that cools from white-yellow to red, then
    smoke that rises and thins."""
    size = px(64)
    t = (frame - 1) / (frames - 1)
    yy, xx = np.mgrid[0:size, 0:size].astype(np.float32)
    c = size / 2
    ang = np.arctan2(yy - c, xx - c)
    wobble = 1 + 0.07 * np.sin(ang * 5 + 1.3) + 0.05 * np.sin(ang * 9 + 0.4) + 0.03 * np.sin(ang * 14)
    dist = np.sqrt((xx - c) ** 2 + (yy - c + px(5) * t) ** 2) / wobble
    radius = px(6 + 24 * (1 - (1 - min(1.0, t * 2.2)) ** 2))
    inside = np.clip((radius - dist) / px(3), 0, 1)
    heat = np.clip(1 - t * 1.5, 0, 1)  # white-yellow early, red late, smoke after
    rel = np.clip(dist / max(1, radius), 0, 1)
    fire_r = 255
    fire_g = np.clip(250 - 170 * rel - 120 * (1 - heat), 40, 255)
    fire_b = np.clip(200 * (1 - rel) * heat ** 2, 0, 255)
    smoke = min(1.0, max(0.0, (t - 0.25) / 0.4))
    grey = 96 + 40 * (1 - rel)
    r = fire_r * (1 - smoke) + grey * smoke
    g = fire_g * (1 - smoke) + grey * smoke
    b = fire_b * (1 - smoke) + (grey + 8) * smoke
    fade = 1.0 if t < 0.55 else max(0.0, 1 - (t - 0.55) / 0.45)
    a = inside * 255 * fade * (0.75 + 0.25 * (1 - rel))
    img = Image.fromarray(np.dstack([r, g, b, a]).clip(0, 255).astype(np.uint8), "RGBA")
    d = ImageDraw.Draw(img)
    rng = random.Random(77)
    for i in range(10):  # sparks and flying crumbs
        an = i * 2 * math.pi / 10 + rng.uniform(-0.2, 0.2)
        dd = px(10 + 26 * t ** 0.7)
        x, y = c + dd * math.cos(an), c + dd * math.sin(an)
        sz = px(2.2 * (1 - t))
        if sz > 0:
            col = (255, 230, 140, int(255 * (1 - t))) if i % 2 else (90, 60, 36, int(255 * (1 - t)))
            d.ellipse([x - sz, y - sz, x + sz, y + sz], fill=col)
    img = img.filter(ImageFilter.GaussianBlur(px(0.5)))
    return img.resize((px(48), px(48)), Image.LANCZOS)


def countdown_badge(value: float, squash: float = 1.0, number: str | None = None) -> Image.Image:
    """The rabbit/wolf countdown badge: a red disc with the number (24 points)."""
    img = canvas(24, 24)
    disc = canvas(22, 22)
    d = ImageDraw.Draw(disc)
    d.ellipse([0, 0, disc.width - 1, disc.height - 1], fill=PALETTE["outline"])
    d.ellipse([px(1.5), px(1.5), disc.width - px(1.5), disc.height - px(1.5)], fill=(214, 58, 48, 255))
    d.ellipse([px(4), px(3), px(14), px(8)], fill=(255, 140, 130, 200))
    if number:
        text = core.text_image(number, 14, colour=PALETTE["white"], outline_pt=0.9)
        paste(disc, text, 11, 11)
    w = max(1, round(disc.width * squash))
    disc = disc.resize((w, disc.height), Image.LANCZOS)
    paste(img, disc, 12, 12)
    return img


def moves_left_sign(n: int) -> Image.Image:
    """The big last-moves number of the field (shown growing, tilted)."""
    img = canvas(64, 64)
    d = ImageDraw.Draw(img)
    d.polygon(star_points(px(32), px(32), px(31), px(24), n=14), fill=PALETTE["outline"])
    d.polygon(star_points(px(32), px(32), px(29.5), px(22.8), n=14), fill=PALETTE["gold"])
    d.ellipse([px(11), px(11), px(53), px(53)], fill=(255, 236, 150, 255))
    text = core.text_image(str(n), 34, colour=(214, 58, 48, 255), outline_pt=1.4)
    paste(img, text, 32, 32)
    return img


def rooster(frame: int) -> Image.Image:
    """The season strip's walking marker (24 points): 1 rest, 2-3 walk, 4-6 peck."""
    img = canvas(24, 24)
    bird = glyph("🐓", 19, 0.5).transpose(Image.FLIP_LEFT_RIGHT)  # walks to the right
    angle, dy = 0.0, 0.0
    if frame in (2, 3):
        angle, dy = (6.0, -1.0) if frame == 2 else (-6.0, 0.0)
    elif frame in (4, 5, 6):
        angle = {4: -12.0, 5: -26.0, 6: -12.0}[frame]
        dy = {4: 0.5, 5: 1.5, 6: 0.5}[frame]
    bird = bird.rotate(angle, resample=Image.BICUBIC)
    paste(img, bird, 12, 12 + dy)
    return img


# ---------------------------------------------------------------- resources and tools

def ingot(colour) -> Image.Image:
    img = canvas(TILE, TILE)
    d = ImageDraw.Draw(img)
    light, dark = lighten(colour, 0.45), darken(colour, 0.35)
    for i, off in enumerate((8, 0)):
        y = 30 - off
        x0 = 6 + (4 if i else 0)
        top = [(px(x0 + 7), px(y - 8)), (px(x0 + 29), px(y - 8)), (px(x0 + 34), px(y + 4)),
               (px(x0 + 2), px(y + 4))]
        d.polygon(top, fill=colour, outline=PALETTE["outline"])
        d.polygon([(px(x0 + 2), px(y + 4)), (px(x0 + 34), px(y + 4)), (px(x0 + 34), px(y + 10)),
                   (px(x0 + 2), px(y + 10))], fill=dark, outline=PALETTE["outline"])
        d.polygon([(px(x0 + 9), px(y - 6)), (px(x0 + 27), px(y - 6)), (px(x0 + 28), px(y - 3)),
                   (px(x0 + 8), px(y - 3))], fill=light)
    return shaded(outlined(img, 0.5))


def stone_block() -> Image.Image:
    img = canvas(TILE, TILE)
    d = ImageDraw.Draw(img)
    base = (170, 160, 148, 255)
    front = [(px(8), px(20)), (px(32), px(20)), (px(32), px(42)), (px(8), px(42))]
    top = [(px(8), px(20)), (px(18), px(10)), (px(42), px(10)), (px(32), px(20))]
    side = [(px(32), px(20)), (px(42), px(10)), (px(42), px(32)), (px(32), px(42))]
    d.polygon(front, fill=base, outline=PALETTE["outline"])
    d.polygon(top, fill=lighten(base, 0.35), outline=PALETTE["outline"])
    d.polygon(side, fill=darken(base, 0.25), outline=PALETTE["outline"])
    for (x, y) in ((12, 26), (22, 34), (15, 37)):
        d.line([px(x), px(y), px(x + 5), px(y + 1)], fill=darken(base, 0.3), width=px(0.6))
    return shaded(outlined(img, 0.5))


def cart_of_coal() -> Image.Image:
    img = canvas(TILE, TILE)
    for (x, y, s, seed) in ((16, 18, 13, 31), (25, 15, 14, 32), (33, 19, 12, 33), (21, 21, 12, 34)):
        paste(img, rock(s, s * 0.8, (44, 42, 46, 255), seed, facets=6), x, y)
    d = ImageDraw.Draw(img)
    d.polygon([(px(5), px(20)), (px(43), px(20)), (px(38), px(37)), (px(10), px(37))],
              fill=PALETTE["wood"], outline=PALETTE["outline"])
    d.line([px(7), px(25), px(41), px(25)], fill=PALETTE["wood_dark"], width=px(1))
    d.line([px(9), px(31), px(39), px(31)], fill=PALETTE["wood_dark"], width=px(1))
    for x in (14, 34):
        d.ellipse([px(x - 4.5), px(34), px(x + 4.5), px(43)], fill=PALETTE["grey_dark"], outline=PALETTE["outline"])
        d.ellipse([px(x - 1.5), px(37), px(x + 1.5), px(40)], fill=PALETTE["grey"])
    return shaded(outlined(img, 0.5))


def chest(full_of_coins=False) -> Image.Image:
    img = canvas(TILE, TILE)
    d = ImageDraw.Draw(img)
    wood, dark = PALETTE["wood"], PALETTE["wood_dark"]
    if full_of_coins:
        for (x, y) in ((16, 16), (24, 13), (32, 16), (20, 19), (28, 19)):
            paste(img, glyph("🪙", 11, 0.4), x, y)
    else:
        d.rounded_rectangle([px(7), px(10), px(41), px(24)], px(6), fill=wood, outline=PALETTE["outline"],
                            width=px(1))
    d.rectangle([px(6), px(22), px(42), px(42)], fill=dark if full_of_coins else wood, outline=PALETTE["outline"],
                width=px(1))
    for x in (11, 35):
        d.rectangle([px(x), px(10 if not full_of_coins else 22), px(x + 3), px(42)], fill=PALETTE["gold"],
                    outline=PALETTE["gold_dark"])
    d.rectangle([px(20), px(21), px(28), px(30)], fill=PALETTE["gold"], outline=PALETTE["outline"])
    d.ellipse([px(22.5), px(23.5), px(25.5), px(26.5)], fill=PALETTE["outline"])
    if not full_of_coins:
        paste(img, glyph("💎", 9, 0.4), 17, 16)
        paste(img, glyph("💎", 7, 0.4), 31, 17)
    return shaded(outlined(img, 0.5))


def bundle_of_grass() -> Image.Image:
    img = canvas(TILE, TILE)
    d = ImageDraw.Draw(img)
    rng = random.Random(15)
    for i in range(17):
        a = math.radians(-35 + i * 70 / 16)
        x0, y0 = 24, 30
        l1 = rng.uniform(16, 22)
        x1, y1 = x0 + l1 * math.sin(a), y0 - l1 * math.cos(a)
        x2, y2 = x0 - 12 * math.sin(a) * 0.6, y0 + 14
        col = (118 + (i % 3) * 30, 190 + (i % 2) * 20, 70, 255)
        d.line([px(x2), px(y2), px(x1), px(y1)], fill=PALETTE["outline"], width=px(3))
        d.line([px(x2), px(y2), px(x1), px(y1)], fill=col, width=px(1.8))
    d.rectangle([px(18), px(28), px(30), px(33)], fill=PALETTE["red"], outline=PALETTE["outline"])
    return shaded(outlined(img, 0.5))


def bucket_of(contents: str) -> Image.Image:
    img = canvas(TILE, TILE)
    d = ImageDraw.Draw(img)
    if contents == "earth":
        heap = earth_clod().resize((px(30), px(30)), Image.LANCZOS)
        paste(img, heap, 24, 16)
    else:
        for i, (x, y) in enumerate(((16, 18), (24, 14), (32, 18), (20, 21), (29, 21))):
            paste(img, rock(10, 8, (150, 140, 128, 255), 200 + i, facets=5), x, y)
    d.polygon([(px(8), px(20)), (px(40), px(20)), (px(36), px(43)), (px(12), px(43))],
              fill=(140, 150, 160, 255), outline=PALETTE["outline"])
    d.ellipse([px(8), px(17), px(40), px(23)], outline=PALETTE["outline"], width=px(1))
    d.line([px(11), px(28), px(37), px(28)], fill=(110, 118, 128, 255), width=px(1))
    d.line([px(12), px(36), px(36), px(36)], fill=(110, 118, 128, 255), width=px(1))
    return shaded(outlined(img, 0.5))


def duo(a: str, b: str) -> Image.Image:
    """Two animals together: a flock, a drove, a herd."""
    img = canvas(TILE, TILE)
    paste(img, glyph(a, 30), 30, 20)
    paste(img, glyph(b, 30), 18, 30)
    return shaded(img)


def coin_pile(n: int) -> Image.Image:
    img = canvas(TILE, TILE)
    if n == 1:
        paste(img, glyph("🪙", 34), 24, 25)
    elif n == 2:
        paste(img, glyph("🪙", 26), 18, 28)
        paste(img, glyph("🪙", 26), 30, 21)
    elif n == 3:
        for (x, y) in ((16, 31), (32, 31), (24, 18)):
            paste(img, glyph("🪙", 22), x, y)
    elif n == 4:
        paste(img, glyph("💰", 38), 24, 24)
    elif n == 5:
        paste(img, glyph("💰", 34), 20, 22)
        paste(img, glyph("🪙", 18), 35, 34)
        paste(img, glyph("🪙", 16), 10, 37)
    else:
        return chest(full_of_coins=True)
    return shaded(img)


def badge_icon(main: str, extra: str | None = None, arrow: str | None = None, second: str | None = None,
               disc=(250, 240, 210, 255)) -> Image.Image:
    """A tool picture: a round plate with the tool's emoji and its target."""
    img = canvas(TILE, TILE)
    plate = canvas(44, 44)
    d = ImageDraw.Draw(plate)
    d.ellipse([0, 0, plate.width - 1, plate.height - 1], fill=PALETTE["outline"])
    d.ellipse([px(1.5), px(1.5), plate.width - px(1.5), plate.height - px(1.5)], fill=disc)
    paste(img, plate, 24, 24)
    if arrow and second:
        paste(img, glyph(main, 19, 0.5), 14, 18)
        paste(img, glyph(second, 19, 0.5), 34, 30)
        paste(img, glyph(arrow, 12, 0.4), 25, 25)
    elif extra:
        paste(img, glyph(main, 28), 21, 26)
        paste(img, glyph(extra, 16, 0.5), 35, 13)
    else:
        paste(img, glyph(main, 30), 24, 24)
    return shaded(img)


def tool_picture(stem: str) -> Image.Image:
    """The picture of a tool upgrade from its stem (lower case PngName)."""
    table = {
        "tool_methane": ("🏮", "🫧"),        # gas lamp
        "tool_earth": ("⛏️", "🟫"),          # shovel
        "tool_rubble": ("🧨", "🪨"),         # dynamite
        "tool_grass": ("🌿", "✂️"),          # scythe
        "tool_wood": ("🪓", "🌳"),           # axe
        "tool_grain": ("🌾", "🧺"),          # flail
        "tool_carrot": ("🥕", "🍴"),         # carrot fork
        "tool_apple": ("🪜", "🍎"),          # apple ladder
        "tool_chicken": ("🐔", "🌽"),        # chicken feed
        "tool_pig": ("🐖", "🪣"),            # pig trough
        "tool_cow": ("🥛", "🐄"),            # milking stool
        "tool_rat": ("🪤", "🐇"),            # rabbit trap
        "tool_wolf": ("🪤", "🐺"),           # wolf trap
        "tool_compost": ("🪱", "🌱"),
        "tool_sapling": ("🌱", "💧"),
        "tool_lunchbox": ("🍱", "➕"),
        "tool_extra_2": ("🪛", "🪨"),        # drill
        "tool_extra_3": ("🦯", "🐄"),        # herding crook
        "tool_extra_4": ("🔦", "⛏️"),        # miner's lantern
        "tool_extra_5": ("🔔", "✨"),        # bell
        "tool_extra_6": ("🔥", "🪵"),        # torch
        "tool_extra_7": ("🧺", "🪙"),        # sieve
        "tool_extra_10": ("🌬️", "💨"),       # fan
        "tool_upgrade_10": ("🔨", "🪨"),     # stone hammer
        "tool_upgrade_11": ("⛏️", "⚫"),     # coal shovel
        "tool_upgrade_12": ("🧲", "🔩"),     # iron magnet
        "tool_upgrade_13": ("🍳", "🥈"),     # silver pan
        "tool_upgrade_14": ("🍳", "🥇"),     # gold pan
        "tool_upgrade_15": ("🔱", "🌾"),     # hay fork
        "tool_upgrade_16": ("🪣", "🌽"),     # feed bucket
        "tool_upgrade_17": ("🌱", "⚙️"),     # seed drill
        "tool_upgrade_18": ("🛢️", "💧"),     # rain barrel
        "tool_upgrade_19": ("🍀", "✨"),     # lucky charm
    }
    swaps = {
        "tool_grass_grain": ("🌿", "➡️", "🌾"),
        "tool_coal_to_silver": ("⚫", "➡️", "🥈"),
        "tool_silver_to_coal": ("🥈", "➡️", "⚫"),
    }
    if stem in swaps:
        a, arrow, b = swaps[stem]
        return badge_icon(a, arrow=arrow, second=b)
    if stem in table:
        main, extra = table[stem]
        return badge_icon(main, extra)
    # Further tools (numbered extras and upgrades): a tool box with a number-free mark.
    marks = ["🔨", "🪛", "🔧", "🪚", "🧲", "🪝", "🧰", "⚒️", "🛠️", "🗝️"]
    index = sum(ord(ch) for ch in stem) % len(marks)
    return badge_icon(marks[index], "✨", disc=(236, 226, 250, 255))


def food_picture(resource: int) -> Image.Image:
    return {
        1: lambda: emoji_tile("🍲", 40),
        2: lambda: emoji_tile("🥧", 40),
        3: lambda: emoji_tile("🍞", 40),
        4: lambda: duo("🐔", "🐤"),
        5: lambda: duo("🐖", "🐷"),
        6: lambda: duo("🐄", "🐮"),
    }[resource]()
