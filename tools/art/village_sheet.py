"""Sheet writing for the village: skyline packing and RGBA4444 pixels.

The village sheet holds one frame the size of the whole map next to hundreds
of small ones. Shelf packing gives every frame of the map's shelf the map's
height, so the village packs with a skyline instead: each frame goes where it
leaves the lowest top edge. The property list is the one core writes (format
2), and the texture is stored already reduced to 4 bits a channel (see
village_paint.quantize_4444).
"""

from __future__ import annotations

from pathlib import Path

from PIL import Image

import core
from village_paint import quantize_4444


def _skyline_pack(sizes: list[tuple[str, int, int]], width: int, gap: int) -> dict[str, tuple[int, int]] | None:
    """Places (name, w, h) in a sheet of the given width; None when one is wider than the sheet."""
    skyline = [(0, 0, width)]  # segments (x, top y, length)
    places: dict[str, tuple[int, int]] = {}
    for name, w, h in sorted(sizes, key=lambda s: (-s[2], -s[1], s[0])):
        w_gap, h_gap = w + gap, h + gap
        best = None
        for i, (x, _, _) in enumerate(skyline):
            if x + w_gap > width:
                break
            # The top under the frame's span starting at segment i.
            top, covered, j = 0, 0, i
            while covered < w_gap:
                sx, sy, sl = skyline[j]
                top = max(top, sy)
                covered += sl if j > i else (sx + sl - x)
                j += 1
            key = (top + h_gap, x)
            if best is None or key < best[0]:
                best = (key, x, top)
        if best is None:
            return None
        _, x, top = best
        places[name] = (x, top)
        # Raise the skyline under [x, x + w_gap).
        new = []
        for sx, sy, sl in skyline:
            end = sx + sl
            if end <= x or sx >= x + w_gap:
                new.append((sx, sy, sl))
                continue
            if sx < x:
                new.append((sx, sy, x - sx))
            if end > x + w_gap:
                new.append((x + w_gap, sy, end - (x + w_gap)))
        new.append((x, top + h_gap, w_gap))
        new.sort()
        merged = []
        for seg in new:
            if merged and merged[-1][1] == seg[1] and merged[-1][0] + merged[-1][2] == seg[0]:
                merged[-1] = (merged[-1][0], seg[1], merged[-1][2] + seg[2])
            else:
                merged.append(seg)
        skyline = merged
    return places


def _pot(value: int) -> int:
    size = 1
    while size < value:
        size *= 2
    return size


def write_sheet(folder: Path, plist_name: str, frames: dict[str, Image.Image], row: str,
                max_side: int = 2048) -> tuple[int, int]:
    """Writes one RGBA4444-ready sheet of master frames at a row's scale; returns the texture size."""
    reduced = {name: core.reduce(core.whole_points(image), row) for name, image in frames.items()}
    gap = 2
    sizes = [(name, image.width, image.height) for name, image in reduced.items()]
    area = sum((w + gap) * (h + gap) for _, w, h in sizes)
    width = _pot(max(max(w + gap for _, w, _ in sizes), int(area ** 0.5)))
    while True:
        if width > max_side:
            raise ValueError(f"{plist_name}: frames do not fit a {max_side}-pixel sheet")
        places = _skyline_pack(sizes, width, gap)
        if places is not None:
            height = _pot(max(places[n][1] + h for n, _, h in sizes))
            if height <= width:
                break
            # A narrower, taller sheet is as good when it fits the limit.
            if height <= max_side and width * 2 > max_side:
                break
        width *= 2
    sheet = Image.new("RGBA", (width, height), (0, 0, 0, 0))
    entries = {}
    for name, image in sorted(reduced.items()):
        x, y = places[name]
        sheet.paste(image, (x, y))
        entries[name] = {
            "frame": f"{{{{{x},{y}}},{{{image.width},{image.height}}}}}",
            "offset": "{0,0}",
            "rotated": False,
            "sourceColorRect": f"{{{{0,0}},{{{image.width},{image.height}}}}}",
            "sourceSize": f"{{{image.width},{image.height}}}",
        }
    texture_name = Path(plist_name).with_suffix(".png").name
    core.save_png(quantize_4444(sheet), folder / texture_name)
    core.write_plist(folder / plist_name, {
        "frames": entries,
        "metadata": {"format": 2, "textureFileName": texture_name, "realTextureFileName": texture_name,
                     "size": f"{{{width},{height}}}"},
    })
    return width, height
