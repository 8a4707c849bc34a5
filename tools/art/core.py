"""Shared drawing and packing for every sprite sheet and image of the game.

Pictures are drawn once at the largest scale ("H2", four pixels per phone
point) and reduced for the other device rows, so a frame has the same size in
points everywhere:

    row  pixels per phone point  used by
    L    1                       320-pixel phones
    H    2                       640-pixel phones and 768-pixel tablets
    H2   4                       1536-pixel tablets

A tablet shows twice the phone's points, so an H pixel is a tablet point.
Everything here is deterministic: the same drawing code gives the same bytes.

Run the generators with Debian's interpreter (/usr/bin/python3), which has
python3-pil and python3-numpy.
"""

from __future__ import annotations

import os
import plistlib
from dataclasses import dataclass
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter, ImageFont

TOP = Path(__file__).resolve().parents[2]
RESOURCES = TOP / "resources"
FONTS = RESOURCES / "fonts"
EMOJI_FONT = Path("/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf")

# Pixels per phone point of each device row of sheets.
ROWS = {"L": 1, "H": 2, "H2": 4}
MASTER = ROWS["H2"]

# One palette for the whole game: warm, friendly, outlined.
PALETTE = {
    "outline": (62, 39, 26, 255),
    "shadow": (0, 0, 0, 90),
    "wood": (164, 108, 62, 255),
    "wood_dark": (112, 70, 38, 255),
    "wood_light": (206, 154, 98, 255),
    "parchment": (246, 232, 196, 255),
    "parchment_dark": (222, 196, 146, 255),
    "green": (108, 170, 72, 255),
    "green_dark": (64, 120, 46, 255),
    "green_light": (160, 208, 108, 255),
    "red": (200, 64, 52, 255),
    "red_dark": (140, 40, 34, 255),
    "gold": (250, 200, 60, 255),
    "gold_dark": (196, 140, 30, 255),
    "blue": (70, 140, 210, 255),
    "blue_dark": (40, 90, 150, 255),
    "grey": (150, 150, 150, 255),
    "grey_dark": (90, 90, 90, 255),
    "stone": (128, 120, 112, 255),
    "earth": (120, 84, 52, 255),
    "earth_dark": (84, 56, 34, 255),
    "white": (255, 255, 255, 255),
    "black": (0, 0, 0, 255),
    "text": (62, 39, 26, 255),
}


def px(points: float) -> int:
    """Master pixels for a size in phone points."""
    return int(round(points * MASTER))


def canvas(width_pt: float, height_pt: float) -> Image.Image:
    """A transparent master canvas of the given phone-point size."""
    return Image.new("RGBA", (px(width_pt), px(height_pt)), (0, 0, 0, 0))


def font(size_pt: float, bold: bool = True, comic: bool = False) -> ImageFont.FreeTypeFont:
    """A committed font at a size in phone points (master pixels)."""
    if comic:
        name = "ComicNeue-Bold.otf"
    else:
        name = "NimbusSans-Bold.otf" if bold else "NimbusSans-Regular.otf"
    return ImageFont.truetype(str(FONTS / name), px(size_pt))


_emoji_cache: dict[str, Image.Image] = {}


def emoji(text: str, size_pt: float) -> Image.Image:
    """An emoji glyph scaled to a square of size_pt phone points.

    The colour font only draws at its one bitmap size (109 pixels), so the
    glyph is drawn there, cropped to its ink and scaled to fit.
    """
    if text not in _emoji_cache:
        face = ImageFont.truetype(str(EMOJI_FONT), 109)
        glyph = Image.new("RGBA", (160, 160), (0, 0, 0, 0))
        ImageDraw.Draw(glyph).text((8, 8), text, font=face, embedded_color=True)
        box = glyph.getbbox()
        if box is None:
            raise ValueError(f"the emoji font has no glyph for {text!r}")
        _emoji_cache[text] = glyph.crop(box)
    glyph = _emoji_cache[text]
    side = px(size_pt)
    scale = side / max(glyph.size)
    size = (max(1, round(glyph.width * scale)), max(1, round(glyph.height * scale)))
    result = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    scaled = glyph.resize(size, Image.LANCZOS)
    result.alpha_composite(scaled, ((side - size[0]) // 2, (side - size[1]) // 2))
    return result


def outlined(image: Image.Image, width_pt: float = 0.75, colour=PALETTE["outline"]) -> Image.Image:
    """The picture with the house outline around its opaque shape."""
    radius = max(1, px(width_pt))
    pad = radius + 1
    grown = Image.new("RGBA", (image.width + 2 * pad, image.height + 2 * pad), (0, 0, 0, 0))
    grown.alpha_composite(image, (pad, pad))
    alpha = grown.getchannel("A").filter(ImageFilter.MaxFilter(2 * radius + 1))
    ring = Image.new("RGBA", grown.size, colour)
    ring.putalpha(alpha)
    ring.alpha_composite(grown)
    return ring


def drop_shadow(image: Image.Image, offset_pt=(0.75, -0.75), blur_pt: float = 0.75,
                colour=PALETTE["shadow"]) -> Image.Image:
    """The picture over a soft shadow (offset in points, y up as on screen)."""
    dx, dy = px(offset_pt[0]), -px(offset_pt[1])
    blur = px(blur_pt)
    pad = blur * 2 + max(abs(dx), abs(dy))
    result = Image.new("RGBA", (image.width + 2 * pad, image.height + 2 * pad), (0, 0, 0, 0))
    shadow = Image.new("RGBA", image.size, colour)
    shadow.putalpha(image.getchannel("A").point(lambda a: a * colour[3] // 255))
    result.alpha_composite(shadow, (pad + dx, pad + dy))
    result = result.filter(ImageFilter.GaussianBlur(blur)) if blur else result
    result.alpha_composite(image, (pad, pad))
    return result


def fit(image: Image.Image, width_pt: float, height_pt: float) -> Image.Image:
    """The picture centred on a canvas of exactly the given point size, shrunk if needed."""
    target = canvas(width_pt, height_pt)
    scale = min(1.0, target.width / image.width, target.height / image.height)
    if scale < 1.0:
        image = image.resize((max(1, round(image.width * scale)), max(1, round(image.height * scale))),
                             Image.LANCZOS)
    target.alpha_composite(image, ((target.width - image.width) // 2, (target.height - image.height) // 2))
    return target


def vertical_gradient(width: int, height: int, top, bottom) -> Image.Image:
    """An opaque gradient image in master pixels."""
    gradient = Image.new("RGBA", (width, height))
    draw = ImageDraw.Draw(gradient)
    for y in range(height):
        t = y / max(1, height - 1)
        draw.line([(0, y), (width, y)], fill=tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return gradient


def rounded_panel(width_pt: float, height_pt: float, fill, border=PALETTE["outline"], radius_pt: float = 6,
                  border_pt: float = 1.5, shine: bool = True) -> Image.Image:
    """The house panel: a rounded rectangle with an outline and a soft top shine."""
    image = canvas(width_pt, height_pt)
    w, h = image.size
    r, b = px(radius_pt), max(1, px(border_pt))
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], r, fill=255)
    lighter = tuple(min(255, c + 36) for c in fill[:3]) + (255,)
    darker = tuple(max(0, c - 30) for c in fill[:3]) + (255,)
    body = vertical_gradient(w, h, lighter if shine else fill, darker if shine else fill)
    frame = Image.new("RGBA", (w, h), border)
    image.paste(frame, (0, 0), mask)
    inner = Image.new("L", (w, h), 0)
    ImageDraw.Draw(inner).rounded_rectangle([b, b, w - 1 - b, h - 1 - b], max(0, r - b), fill=255)
    image.paste(body, (0, 0), inner)
    return image


def text_image(text: str, size_pt: float, colour=PALETTE["white"], outline=PALETTE["outline"],
               outline_pt: float = 0.75, bold: bool = True, comic: bool = True) -> Image.Image:
    """A line of text drawn with a committed font and the house outline."""
    face = font(size_pt, bold=bold, comic=comic)
    stroke = px(outline_pt) if outline else 0
    box = ImageDraw.Draw(Image.new("RGBA", (1, 1))).textbbox((0, 0), text, font=face, stroke_width=stroke)
    image = Image.new("RGBA", (box[2] - box[0] + 2, box[3] - box[1] + 2), (0, 0, 0, 0))
    ImageDraw.Draw(image).text((1 - box[0], 1 - box[1]), text, font=face, fill=colour,
                               stroke_width=stroke, stroke_fill=outline)
    return image


def reduce(image: Image.Image, row: str) -> Image.Image:
    """A master picture at a device row's scale. Master sizes are multiples of 4 pixels."""
    scale = ROWS[row]
    if scale == MASTER:
        return image
    if image.width % MASTER or image.height % MASTER:
        raise ValueError(f"master picture {image.size} is not a whole number of points")
    return image.resize((image.width * scale // MASTER, image.height * scale // MASTER), Image.LANCZOS)


def whole_points(image: Image.Image) -> Image.Image:
    """The picture padded (centred) to a whole number of points, so every row reduces exactly."""
    w = -(-image.width // MASTER) * MASTER
    h = -(-image.height // MASTER) * MASTER
    if (w, h) == image.size:
        return image
    padded = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    padded.alpha_composite(image, ((w - image.width) // 2, (h - image.height) // 2))
    return padded


@dataclass
class _Shelf:
    y: int
    height: int
    x: int


def _pack(sizes: list[tuple[str, int, int]], width: int, gap: int) -> dict[str, tuple[int, int]] | None:
    """Shelf packing of (name, w, h), tallest first, into a sheet of the given width."""
    places: dict[str, tuple[int, int]] = {}
    shelves: list[_Shelf] = []
    bottom = 0
    for name, w, h in sorted(sizes, key=lambda s: (-s[2], -s[1], s[0])):
        if w + gap > width:
            return None
        for shelf in shelves:
            if h <= shelf.height and shelf.x + w + gap <= width:
                places[name] = (shelf.x, shelf.y)
                shelf.x += w + gap
                break
        else:
            shelves.append(_Shelf(bottom, h + gap, w + gap))
            places[name] = (0, bottom)
            bottom += h + gap
    return places


def _pot(value: int) -> int:
    size = 1
    while size < value:
        size *= 2
    return size


def write_sheet(folder: Path, plist_name: str, frames: dict[str, Image.Image], row: str | None,
                texture_name: str | None = None, max_side: int = 2048, pack=None, allow_tall: bool = False,
                finish=None) -> tuple[int, int]:
    """Writes one sheet (property list + power-of-two PNG) of master frames at a row's scale.

    With row None the frames are packed as given (the device sheets, drawn in
    their device's own pixels). `pack(sizes, width, gap)` places the frames
    (shelf packing unless given); `allow_tall` accepts a sheet taller than
    wide once doubling the width would pass max_side; `finish` turns the
    packed texture into the stored one (for example a pixel-format
    reduction). Returns the texture size. Fails loudly when the frames do not
    fit max_side.
    """
    pack = pack or _pack
    # Names given the very same picture object share one place in the texture.
    first_name: dict[int, str] = {}
    aliases: dict[str, str] = {}
    for name in sorted(frames):
        aliases[name] = first_name.setdefault(id(frames[name]), name)
    unique = {name: frames[name] for name in frames if aliases[name] == name}
    if row is None:
        reduced = dict(unique)
    else:
        reduced = {name: reduce(whole_points(image), row) for name, image in unique.items()}
    gap = 2
    sizes = [(name, image.width, image.height) for name, image in reduced.items()]
    area = sum((w + gap) * (h + gap) for _, w, h in sizes)
    width = _pot(max(max((w + gap for _, w, _ in sizes), default=1), int(area ** 0.5)))
    while True:
        if width > max_side:
            raise ValueError(f"{plist_name}: frames do not fit a {max_side}-pixel sheet")
        places = pack(sizes, width, gap)
        if places is not None:
            height = _pot(max(places[n][1] + h for n, _, h in sizes)) if sizes else 1
            if height <= width:
                break
            if allow_tall and height <= max_side and width * 2 > max_side:
                break
        width *= 2
    sheet = Image.new("RGBA", (width, height), (0, 0, 0, 0))
    entries = {}
    for name in sorted(frames):
        image = reduced[aliases[name]]
        x, y = places[aliases[name]]
        if aliases[name] == name:
            sheet.paste(image, (x, y))
        entries[name] = {
            "frame": f"{{{{{x},{y}}},{{{image.width},{image.height}}}}}",
            "offset": "{0,0}",
            "rotated": False,
            "sourceColorRect": f"{{{{0,0}},{{{image.width},{image.height}}}}}",
            "sourceSize": f"{{{image.width},{image.height}}}",
        }
    texture_name = texture_name or Path(plist_name).with_suffix(".png").name
    save_png(finish(sheet) if finish else sheet, folder / texture_name)
    document = {
        "frames": entries,
        "metadata": {
            "format": 2,
            "textureFileName": texture_name,
            "realTextureFileName": texture_name,
            "size": f"{{{width},{height}}}",
        },
    }
    write_plist(folder / plist_name, document)
    return width, height


def write_plist(path: Path, document) -> None:
    """An XML property list with sorted keys and LF line ends."""
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "wb") as out:
        plistlib.dump(document, out, fmt=plistlib.FMT_XML, sort_keys=True)


def save_png(image: Image.Image, path: Path) -> None:
    """A PNG with no time stamp or other varying chunk."""
    path.parent.mkdir(parents=True, exist_ok=True)
    image.save(path, format="PNG", optimize=True)


def save_jpeg(image: Image.Image, path: Path, quality: int = 88) -> None:
    path.parent.mkdir(parents=True, exist_ok=True)
    image.convert("RGB").save(path, format="JPEG", quality=quality, optimize=True)


# The device GUI sheets: one per screen, in that screen's own pixels
# (points wide, points high, pixels per point). Frames that span the screen or
# otherwise differ between a 320-point phone and a 768-point tablet live here.
DEVICE_SHEETS = {
    "gui_iphone4n-L.plist": (320, 480, 1),
    "gui_iphone4n-H.plist": (320, 480, 2),
    "gui_ipadn.plist": (768, 1024, 1),
    "gui_ipadn2.plist": (768, 1024, 2),
}


def rows_for(plist_pattern: str) -> dict[str, str]:
    """The plist name of each row for a "-{row}" pattern, e.g. "gui_common-{row}.plist"."""
    return {row: plist_pattern.format(row=row) for row in ROWS}


if __name__ == "__main__":
    # Smoke check: one emoji frame packed into the three rows under a scratch folder.
    scratch = Path(os.environ.get("TMPDIR", "/tmp")) / "art-core-check"
    picture = fit(outlined(emoji("🥕", 40)), 49, 49)
    for row, name in rows_for("check-{row}.plist").items():
        print(row, write_sheet(scratch, name, {"carrot.png": picture}, row))
