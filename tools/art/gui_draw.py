"""Drawing of the interface pieces: buttons with their pressed and disabled
looks, wooden and parchment panels, plates, badges, bars, bubbles and icons.

Everything is drawn at master scale (core.MASTER pixels per phone point) in
the shared palette with the house outline, so the interface sits with the
board and village art as one style. Sizes are phone points.
"""

from __future__ import annotations

import math

from PIL import Image, ImageDraw, ImageFilter

import core
from core import PALETTE, px


def shade(colour, amount: int):
    """The colour lighter (amount > 0) or darker (amount < 0), alpha kept."""
    return tuple(max(0, min(255, c + amount)) for c in colour[:3]) + (colour[3] if len(colour) > 3 else 255,)


def grey(colour):
    """A washed-out grey of the colour, for disabled looks."""
    lum = int(0.3 * colour[0] + 0.59 * colour[1] + 0.11 * colour[2])
    lum = (lum + 150) // 2
    return (lum, lum, lum, colour[3] if len(colour) > 3 else 255)


def rounded_mask(w: int, h: int, r: int, inset: int = 0) -> Image.Image:
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([inset, inset, w - 1 - inset, h - 1 - inset], max(0, r - inset), fill=255)
    return mask


def grain(image: Image.Image, strength: int = 10, period_pt: float = 3.0, seed: int = 0) -> Image.Image:
    """Soft horizontal wood grain over the opaque part of the picture (deterministic)."""
    w, h = image.size
    lines = Image.new("L", (w, h), 128)
    draw = ImageDraw.Draw(lines)
    period = max(2, px(period_pt))
    for y in range(0, h, period):
        wave = int(((y * 7919 + seed * 104729) % 97) / 97 * strength * 2) - strength
        draw.line([(0, y), (w, y)], fill=128 + wave, width=max(1, period // 3))
    lines = lines.filter(ImageFilter.GaussianBlur(max(1, period // 3)))
    result = image.copy()
    arr_dark = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    mask = lines.point(lambda v: max(0, 128 - v) * 3)
    alpha = image.getchannel("A")
    from PIL import ImageChops
    arr_dark.putalpha(ImageChops.multiply(mask, alpha))
    result.alpha_composite(arr_dark)
    light = Image.new("RGBA", (w, h), (255, 240, 210, 0))
    lmask = lines.point(lambda v: max(0, v - 128) * 2)
    light.putalpha(ImageChops.multiply(lmask, alpha))
    result.alpha_composite(light)
    return result


def button(width_pt: float, height_pt: float, fill, state: str = "normal", radius_pt: float | None = None,
           border_pt: float = 1.5) -> Image.Image:
    """A pill button. state: "normal", "click" (pressed: darker, sunk by a point)
    or "disabled" (grey). Captions are added by the code, so no text."""
    if state == "disabled":
        fill = grey(fill)
    elif state == "click":
        fill = shade(fill, -34)
    radius = radius_pt if radius_pt is not None else min(height_pt / 2, 10)
    image = core.canvas(width_pt, height_pt)
    w, h = image.size
    r, b = px(radius), max(1, px(border_pt))
    depth = px(2.5)
    sink = px(1.5) if state == "click" else 0
    outline = PALETTE["outline"] if state != "disabled" else (110, 104, 98, 255)
    # the raised foot under the face
    foot = Image.new("RGBA", (w, h), shade(fill, -70))
    image.paste(outline, (0, 0), rounded_mask(w, h, r))
    image.paste(foot, (0, 0), rounded_mask(w, h, r, b))
    face_h = h - depth + sink
    face = core.vertical_gradient(w, face_h, shade(fill, 40), shade(fill, -10))
    face_mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(face_mask).rounded_rectangle([b, b + sink, w - 1 - b, face_h - 1 - b + sink * 0],
                                                max(0, r - b), fill=255)
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    layer.paste(face, (0, sink))
    image.paste(layer, (0, 0), face_mask)
    # glossy top highlight
    gloss = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ImageDraw.Draw(gloss).rounded_rectangle([b + px(3), b + sink + px(1.5), w - 1 - b - px(3),
                                             b + sink + max(px(2), (face_h - b) // 3)],
                                            max(0, r - b - px(2)), fill=(255, 255, 255, 70 if state != "click" else 35))
    image.alpha_composite(gloss)
    return image


def round_button(diameter_pt: float, fill, state: str = "normal", symbol: Image.Image | None = None) -> Image.Image:
    """A round button with an optional symbol (master pixels) on its face."""
    image = button(diameter_pt, diameter_pt, fill, state, radius_pt=diameter_pt / 2)
    if symbol is not None:
        sym = symbol
        if state == "disabled":
            sym = desaturate(sym)
        sink = px(1.5) if state == "click" else 0
        x = (image.width - sym.width) // 2
        y = (image.height - px(2.5) - sym.height) // 2 + sink
        image.alpha_composite(sym, (x, y))
    return image


def desaturate(image: Image.Image, keep: float = 0.25) -> Image.Image:
    grey_img = image.convert("LA").convert("RGBA")
    out = Image.blend(grey_img, image, keep)
    out.putalpha(image.getchannel("A"))
    return out


def plus_minus(size_pt: float, plus: bool, colour=PALETTE["white"]) -> Image.Image:
    """A bold plus or minus sign with the house outline."""
    img = core.canvas(size_pt, size_pt)
    d = ImageDraw.Draw(img)
    s = img.width
    t = max(2, s // 5)
    d.rectangle([s * 0.15, s / 2 - t / 2, s * 0.85, s / 2 + t / 2], fill=colour)
    if plus:
        d.rectangle([s / 2 - t / 2, s * 0.15, s / 2 + t / 2, s * 0.85], fill=colour)
    return core.outlined(img, 0.75)


def wood_panel(width_pt: float, height_pt: float, radius_pt: float = 10, frame_pt: float = 7,
               inner=PALETTE["parchment"], seed: int = 0) -> Image.Image:
    """The house pop-up: a wooden frame around a parchment field."""
    image = core.canvas(width_pt, height_pt)
    w, h = image.size
    r = px(radius_pt)
    b = px(1.5)
    f = px(frame_pt)
    image.paste(PALETTE["outline"], (0, 0), rounded_mask(w, h, r))
    wood = core.vertical_gradient(w, h, PALETTE["wood_light"], PALETTE["wood_dark"])
    wood = grain(wood, 14, 2.5, seed)
    image.paste(wood, (0, 0), rounded_mask(w, h, r, b))
    # inner bevel and parchment
    image.paste(PALETTE["outline"], (0, 0), rounded_mask(w, h, max(2, r - f // 2), f - b))
    paper = core.vertical_gradient(w, h, shade(inner, 10), shade(inner, -18))
    image.paste(paper, (0, 0), rounded_mask(w, h, max(2, r - f // 2), f))
    # soft inner shadow along the parchment's top edge
    shadow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rectangle([f, f, w - f, f + px(3)], fill=(90, 60, 30, 60))
    shadow = shadow.filter(ImageFilter.GaussianBlur(px(1.5)))
    masked = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    masked.paste(shadow, (0, 0), rounded_mask(w, h, max(2, r - f // 2), f))
    image.alpha_composite(masked)
    # faint moss sprigs in two corners of the parchment, the village's mark
    if min(width_pt, height_pt) >= 120:
        sprigs = Image.new("RGBA", (w, h), (0, 0, 0, 0))
        sprig(sprigs, f + px(4), f + px(4), 1, 1)
        sprig(sprigs, w - f - px(4), h - f - px(4), -1, -1)
        sprigs.putalpha(sprigs.getchannel("A").point(lambda a: a * 70 // 100))
        image.alpha_composite(sprigs)
    # nails in the corners
    for cx, cy in ((f / 2, f / 2), (w - f / 2, f / 2), (f / 2, h - f / 2), (w - f / 2, h - f / 2)):
        nail(image, cx, cy, px(2.2))
    return image


def sprig(image: Image.Image, x: float, y: float, dx: int, dy: int) -> None:
    """A little curled stem with leaves growing from a corner (dx, dy: the direction it grows)."""
    d = ImageDraw.Draw(image)
    stem = []
    for i in range(13):
        t = i / 12
        stem.append((x + dx * px(30) * t, y + dy * px(30) * t * t))
    d.line(stem, fill=(120, 150, 80, 160), width=px(1.2), joint="curve")
    for k, i in enumerate((3, 6, 9, 12)):
        cx, cy = stem[i]
        tx, ty = stem[i][0] - stem[i - 1][0], stem[i][1] - stem[i - 1][1]
        length = math.hypot(tx, ty) or 1
        nx, ny = -ty / length, tx / length
        side = 1 if k % 2 else -1
        size = px(5.5 - k * 0.6)
        # a leaf: a pointed oval from the stem outwards
        base = (cx, cy)
        tip = (cx + side * nx * size * 1.6 + tx / length * size * 0.6, cy + side * ny * size * 1.6 + ty / length * size * 0.6)
        wx, wy = (tip[1] - base[1]) * 0.3, -(tip[0] - base[0]) * 0.3
        upper = [(base[0] + (tip[0] - base[0]) * u + wx * math.sin(math.pi * u),
                  base[1] + (tip[1] - base[1]) * u + wy * math.sin(math.pi * u)) for u in (i / 8 for i in range(9))]
        lower = [(base[0] + (tip[0] - base[0]) * u - wx * math.sin(math.pi * u),
                  base[1] + (tip[1] - base[1]) * u - wy * math.sin(math.pi * u)) for u in (i / 8 for i in range(8, -1, -1))]
        d.polygon(upper + lower, fill=(132, 178, 96, 160))


def nail(image: Image.Image, cx: float, cy: float, radius: int) -> None:
    d = ImageDraw.Draw(image)
    d.ellipse([cx - radius, cy - radius, cx + radius, cy + radius], fill=PALETTE["outline"])
    d.ellipse([cx - radius + 2, cy - radius + 2, cx + radius - 2, cy + radius - 2], fill=(190, 170, 140, 255))
    d.ellipse([cx - radius / 3, cy - radius / 2, cx + radius / 6, cy], fill=(240, 230, 210, 255))


def plate(width_pt: float, height_pt: float, fill=PALETTE["wood_dark"], radius_pt: float | None = None,
          border_pt: float = 1.25) -> Image.Image:
    """A small flat plate for numbers and labels."""
    radius = radius_pt if radius_pt is not None else height_pt / 2
    img = core.rounded_panel(width_pt, height_pt, fill, radius_pt=radius, border_pt=border_pt)
    return img


def bar_strip(width_pt: float, height_pt: float, seed: int = 0, top_edge: bool = True) -> Image.Image:
    """A wooden HUD bar spanning a width, with a bright trim on the side facing the screen."""
    image = core.canvas(width_pt, height_pt)
    w, h = image.size
    wood = core.vertical_gradient(w, h, PALETTE["wood_light"], PALETTE["wood_dark"]) if top_edge else \
        core.vertical_gradient(w, h, PALETTE["wood_dark"], PALETTE["wood_light"])
    wood = grain(wood, 16, 2.5, seed)
    image.paste(wood, (0, 0))
    d = ImageDraw.Draw(image)
    b = px(1.5)
    trim = px(3)
    if top_edge:
        d.rectangle([0, 0, w, trim], fill=PALETTE["gold_dark"])
        d.rectangle([0, trim, w, trim + b], fill=PALETTE["outline"])
        d.rectangle([0, 0, w, b // 2], fill=PALETTE["outline"])
    else:
        d.rectangle([0, h - trim, w, h], fill=PALETTE["gold_dark"])
        d.rectangle([0, h - trim - b, w, h - trim], fill=PALETTE["outline"])
        d.rectangle([0, h - b // 2, w, h], fill=PALETTE["outline"])
    # plank seams
    step = px(80)
    for x in range(step // 2 + seed * px(13) % step, w, step):
        d.line([(x, trim + b if top_edge else 0), (x, h if top_edge else h - trim - b)],
               fill=shade(PALETTE["wood_dark"], -25), width=max(1, px(0.75)))
    return image


def coin(size_pt: float) -> Image.Image:
    """A gold coin with a star."""
    img = core.canvas(size_pt, size_pt)
    d = ImageDraw.Draw(img)
    s = img.width
    b = max(1, px(0.75))
    d.ellipse([0, 0, s - 1, s - 1], fill=PALETTE["outline"])
    d.ellipse([b, b, s - 1 - b, s - 1 - b], fill=PALETTE["gold_dark"])
    d.ellipse([b * 2, b * 2, s - 1 - b * 3, s - 1 - b * 3], fill=PALETTE["gold"])
    star(d, s / 2 - b / 2, s / 2 - b / 2, s * 0.28, s * 0.12, PALETTE["gold_dark"])
    d.ellipse([s * 0.22, s * 0.16, s * 0.42, s * 0.3], fill=(255, 250, 210, 200))
    return img


def star(draw: ImageDraw.ImageDraw, cx, cy, outer, inner, fill, points: int = 5, rotation: float = -90) -> None:
    pts = []
    for i in range(points * 2):
        radius = outer if i % 2 == 0 else inner
        angle = math.radians(rotation + i * 180 / points)
        pts.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    draw.polygon(pts, fill=fill)


def star_image(size_pt: float, fill=PALETTE["gold"]) -> Image.Image:
    img = core.canvas(size_pt, size_pt)
    s = img.width
    star(ImageDraw.Draw(img), s / 2, s * 0.53, s * 0.46, s * 0.2, fill)
    return core.outlined(img, 0.75)


def emoji_icon(symbol: str, size_pt: float, outline: bool = True) -> Image.Image:
    pic = core.emoji(symbol, size_pt)
    return core.outlined(pic, 0.6) if outline else pic


def arrow(width_pt: float, height_pt: float, fill, direction: str = "down") -> Image.Image:
    """A fat arrow with the house outline, pointing down or right."""
    img = core.canvas(width_pt, height_pt) if direction == "down" else core.canvas(height_pt, width_pt)
    w, h = img.size
    d = ImageDraw.Draw(img)
    pad = px(1.5)
    if direction == "down":
        shaft = w * 0.22
        head = h * 0.5
        d.polygon([(w / 2 - shaft, pad), (w / 2 + shaft, pad), (w / 2 + shaft, head),
                   (w - pad, head), (w / 2, h - pad), (pad, head), (w / 2 - shaft, head)], fill=fill)
        d.polygon([(w / 2 - shaft * 0.5, pad * 2), (w / 2, pad * 2), (w / 2, head)], fill=shade(fill, 50))
    else:
        shaft = h * 0.22
        head = w * 0.55
        d.polygon([(pad, h / 2 - shaft), (head, h / 2 - shaft), (head, pad), (w - pad, h / 2),
                   (head, h - pad), (head, h / 2 + shaft), (pad, h / 2 + shaft)], fill=fill)
    img = core.outlined(img.crop((px(0.5), px(0.5), w - px(0.5), h - px(0.5))), 1.0)
    return core.fit(img, *(s / core.MASTER for s in (w, h)))


def bubble(width_pt: float, height_pt: float, tail: str = "bottom_left", fill=PALETTE["parchment"]) -> Image.Image:
    """A speech bubble with a tail; the text box is its body."""
    img = core.canvas(width_pt, height_pt)
    w, h = img.size
    tail_h = px(14)
    body = core.rounded_panel(width_pt, height_pt - tail_h / core.MASTER, fill, radius_pt=14, border_pt=1.5)
    d = ImageDraw.Draw(img)
    tx = w * (0.22 if tail.endswith("left") else 0.78)
    pts = [(tx - px(10), h - tail_h - px(4)), (tx + px(10), h - tail_h - px(4)), (tx - px(6), h - px(1))]
    d.polygon(pts, fill=PALETTE["outline"])
    img.alpha_composite(body, (0, 0))
    inner = [(tx - px(7.5), h - tail_h - px(6)), (tx + px(7.5), h - tail_h - px(6)), (tx - px(5), h - px(3.5))]
    ImageDraw.Draw(img).polygon(inner, fill=shade(fill, -26))
    return img


def soft_dot(size_px: int, colour=(255, 255, 255), hardness: float = 0.0) -> Image.Image:
    """A round particle: white core fading to transparent at the rim."""
    img = Image.new("RGBA", (size_px, size_px), colour + (0,))
    c = (size_px - 1) / 2
    alpha = Image.new("L", (size_px, size_px), 0)
    pixels = alpha.load()
    for y in range(size_px):
        for x in range(size_px):
            r = math.hypot(x - c, y - c) / (size_px / 2)
            v = 0.0 if r >= 1 else (1 - r) ** (1.5 - hardness)
            pixels[x, y] = int(255 * min(1.0, v * (1 + hardness * 2)))
    img.putalpha(alpha)
    return img
