"""Drawing helpers of the village art: shapes in phone points on master canvases.

Every function works at the master scale of core (four pixels a point) and
takes its coordinates in points, y growing downwards as in the picture.
"""

from __future__ import annotations

import math

from PIL import Image, ImageDraw, ImageFilter

import core
from core import px

P = px


def rgba(colour, alpha: int | None = None):
    if colour is None:
        return None
    c = tuple(colour[:3])
    return c + ((colour[3] if len(colour) > 3 else 255) if alpha is None else alpha,)


def shade(colour, amount: float):
    """Lighter (amount > 0) or darker (< 0) by a fraction."""
    if amount >= 0:
        c = [round(v + (255 - v) * amount) for v in colour[:3]]
    else:
        c = [round(v * (1 + amount)) for v in colour[:3]]
    return tuple(c) + (colour[3] if len(colour) > 3 else 255,)




def pts(points):
    return [(P(x), P(y)) for x, y in points]


def poly(image: Image.Image, points, fill, outline=None, width_pt: float = 0.0) -> None:
    if rgba(fill)[3] < 255:
        # See-through shapes blend with what is under them.
        layer = Image.new("RGBA", image.size, (0, 0, 0, 0))
        ImageDraw.Draw(layer).polygon(pts(points), fill=rgba(fill))
        image.alpha_composite(layer)
        fill = None
    draw = ImageDraw.Draw(image)
    if fill is not None:
        draw.polygon(pts(points), fill=rgba(fill))
    if outline is not None and width_pt > 0:
        closed = pts(points) + [pts(points)[0]]
        draw.line(closed, fill=rgba(outline), width=max(1, P(width_pt)), joint="curve")


def gradient_poly(image: Image.Image, points, top, bottom) -> None:
    """A polygon filled with a vertical gradient from top to bottom colour."""
    mask = Image.new("L", image.size, 0)
    ImageDraw.Draw(mask).polygon(pts(points), fill=255)
    box = mask.getbbox()
    if box is None:
        return
    grad = Image.new("RGBA", image.size, (0, 0, 0, 0))
    g = core.vertical_gradient(box[2] - box[0], box[3] - box[1], rgba(top), rgba(bottom))
    grad.paste(g, (box[0], box[1]))
    layer = Image.new("RGBA", image.size, (0, 0, 0, 0))
    layer.paste(grad, (0, 0), mask)
    image.alpha_composite(layer)


def rect(image, x0, y0, x1, y1, fill, outline=None, width_pt=0.0, radius_pt=0.0):
    draw = ImageDraw.Draw(image)
    box = [P(x0), P(y0), P(x1) - 1, P(y1) - 1]
    if radius_pt > 0:
        draw.rounded_rectangle(box, P(radius_pt), fill=rgba(fill),
                               outline=rgba(outline) if outline else None,
                               width=max(1, P(width_pt)) if outline else 0)
    else:
        draw.rectangle(box, fill=rgba(fill), outline=rgba(outline) if outline else None,
                       width=max(1, P(width_pt)) if outline else 0)


def ellipse(image, cx, cy, rx, ry, fill, outline=None, width_pt=0.0):
    ImageDraw.Draw(image).ellipse([P(cx - rx), P(cy - ry), P(cx + rx), P(cy + ry)], fill=rgba(fill),
                                  outline=rgba(outline) if outline else None,
                                  width=max(1, P(width_pt)) if outline else 0)


def line(image, points, colour, width_pt):
    ImageDraw.Draw(image).line(pts(points), fill=rgba(colour), width=max(1, P(width_pt)), joint="curve")


def paste(image: Image.Image, picture: Image.Image, cx: float, cy: float) -> None:
    """A picture composited with its centre at (cx, cy) points."""
    image.alpha_composite(picture, (P(cx) - picture.width // 2, P(cy) - picture.height // 2))


def paste_bottom(image: Image.Image, picture: Image.Image, cx: float, by: float) -> None:
    """A picture composited with its bottom centre at (cx, by) points."""
    image.alpha_composite(picture, (P(cx) - picture.width // 2, P(by) - picture.height))


def emoji(text: str, size_pt: float) -> Image.Image:
    return core.emoji(text, size_pt)


def soft_shadow(width_pt: float, height_pt: float, alpha: int = 70) -> Image.Image:
    """A blurred ground shadow ellipse."""
    pad = 3
    image = core.canvas(width_pt + 2 * pad, height_pt + 2 * pad)
    ellipse(image, pad + width_pt / 2, pad + height_pt / 2, width_pt / 2, height_pt / 2, (0, 0, 0, alpha))
    return image.filter(ImageFilter.GaussianBlur(P(1.2)))






def bottom_anchored(image: Image.Image) -> Image.Image:
    """Cropped to its ink at the sides and the top, its bottom line kept, padded to whole points."""
    box = image.getbbox()
    if box is None:
        return core.whole_points(image)
    x0, y0, x1, _ = box
    y1 = image.height
    cropped = image.crop((x0, y0, x1, y1))
    # Whole points, keeping the bottom edge where it is and the middle in the middle.
    w = -(-cropped.width // core.MASTER) * core.MASTER
    h = -(-cropped.height // core.MASTER) * core.MASTER
    result = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    result.alpha_composite(cropped, ((w - cropped.width) // 2, h - cropped.height))
    return result


def cut_around(image: Image.Image, cx: float, base: float, below: float = 1.0, pad_right: float = 0.0) -> Image.Image:
    """The picture cut so that (cx, base) points is its bottom centre (below points kept under the base).

    Sides are cut symmetrically around cx to the ink, the top to the ink;
    pad_right widens the right side by that share of the width (an anchor left of the middle).
    """
    box = image.getbbox()
    if box is None:
        return core.whole_points(image)
    cxp, bottom = P(cx), P(base + below)
    half = max(cxp - box[0], box[2] - cxp, 1)
    half = -(-half // core.MASTER) * core.MASTER
    top = box[1]
    height = -(-(bottom - top) // core.MASTER) * core.MASTER
    cropped = Image.new("RGBA", (2 * half, height), (0, 0, 0, 0))
    # A window reaching past the picture's edge reads transparent there.
    cropped.alpha_composite(image.crop((cxp - half, bottom - height, cxp + half, bottom)))
    if pad_right > 0:
        extra = -(-int(cropped.width * pad_right) // core.MASTER) * core.MASTER
        wider = Image.new("RGBA", (cropped.width + extra, cropped.height), (0, 0, 0, 0))
        wider.alpha_composite(cropped)
        cropped = wider
    return cropped


def centre_on_base(image: Image.Image) -> Image.Image:
    """Padded below so its centre is its bottom edge (sprites drawn with a centre anchor)."""
    image = bottom_anchored(image)
    result = Image.new("RGBA", (image.width, image.height * 2), (0, 0, 0, 0))
    result.alpha_composite(image, (0, 0))
    return result


def star(cx, cy, r_out, r_in, n=5, rotation=-90):
    points = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rotation + i * 180 / n)
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return points


def quantize_4444(image: Image.Image) -> Image.Image:
    """The picture in 4 bits a channel with ordered dithering, as an RGBA4444 texture shows it.

    Done before writing, the texture loses nothing more on the device, gradients
    do not band, and the PNG packs far smaller.
    """
    import numpy as np

    arr = np.asarray(image).astype(np.float32)
    bayer = np.array([[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]], np.float32) / 16.0 - 0.47
    h, w = arr.shape[:2]
    tile = np.tile(bayer, (h // 4 + 1, w // 4 + 1))[:h, :w]
    out = np.empty_like(arr)
    for c in range(4):
        levels = arr[..., c] / 17.0
        if c < 3:
            levels = levels + tile
        out[..., c] = np.clip(np.round(levels), 0, 15) * 17
    # Fully transparent pixels carry no colour, so the PNG packs them well.
    out[out[..., 3] == 0] = 0
    return Image.fromarray(out.astype(np.uint8), "RGBA")
