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


def write_sheet(folder: Path, plist_name: str, frames: dict[str, Image.Image], row: str,
                max_side: int = 2048) -> tuple[int, int]:
    """Writes one RGBA4444-ready sheet of master frames at a row's scale; returns the texture size."""
    return core.write_sheet(folder, plist_name, frames, row, max_side=max_side, pack=_skyline_pack,
                            allow_tall=True, finish=quantize_4444)
