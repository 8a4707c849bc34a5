#!/usr/bin/python3
"""Writes the interface art under resources/: the common GUI sheets, the four
device GUI sheets (with the board's and the village's device frames when
their modules are present), the main-menu sheets, the whole pictures (logos,
title background, doors, statistics page), the scene files of the HUD and
the options pop-up, the title screen's part animations, the village's
particle lists and the engine's fallback assets.

Deterministic: the same code writes the same bytes. Run with /usr/bin/python3.
"""

from __future__ import annotations

import importlib
import sys
from pathlib import Path

from PIL import Image, ImageDraw

sys.path.insert(0, str(Path(__file__).resolve().parent))

import core  # noqa: E402
import gui_draw as g  # noqa: E402
import gui_frames as gf  # noqa: E402
import gui_images as gi  # noqa: E402
import gui_scenes as gs  # noqa: E402

OUT = core.RESOURCES


def optional_device_modules():
    """The board's and the village's device-frame modules, when they exist."""
    modules = []
    for name in ("device_board", "device_village"):
        try:
            modules.append(importlib.import_module(name))
        except ModuleNotFoundError as error:
            if error.name != name:
                raise
    return modules


def write_sheets() -> dict[str, tuple[int, int]]:
    sizes = {}
    shared = gf.shared_frames()
    common = {**gf.common_frames(), **shared}
    menu = {**gf.menu_frames(), **shared}
    for row, name in core.rows_for("gui_common-{row}.plist").items():
        sizes[name] = core.write_sheet(OUT, name, common, row, max_side=4096 if row == "H2" else 2048)
    for row, name in core.rows_for("MainMenu_{row}.plist").items():
        sizes[name] = core.write_sheet(OUT, name, menu, row, max_side=4096 if row == "H2" else 2048)
    others = optional_device_modules()
    for name, (w, h, scale) in core.DEVICE_SHEETS.items():
        frames = gf.device_frames(w, h, scale)
        for module in others:
            extra = module.device_frames(w, h, scale)
            clash = sorted(set(extra) & set(frames))
            if clash:
                raise ValueError(f"{name}: {module.__name__} repeats frames {clash}")
            frames.update(extra)
        side = 4096 if scale == 2 and w >= 768 else 2048
        sizes[name] = core.write_sheet(OUT, name, frames, None, max_side=side)
    return sizes


def write_images() -> None:
    for suffix, width in (("_small", 256), ("", 512), ("_big", 1024)):
        core.save_png(gi.logo_zandovar(width), OUT / f"main_interface_logotype_zandovar{suffix}.png")
        core.save_png(gi.logo_quillfen(width), OUT / f"main_interface_logotype_quillfen{suffix}.png")
    valley = gi.menu_background(2048)
    core.save_jpeg(valley, OUT / "v3_mainmenu_bg_3.jpg", quality=82)
    core.save_jpeg(valley.resize((1024, 1024), Image.LANCZOS), OUT / "v3_mainmenu_bg_2.jpg", quality=85)
    core.save_jpeg(valley.resize((512, 512), Image.LANCZOS), OUT / "v3_mainmenu_bg_1.jpg", quality=88)
    core.save_png(gi.door_half(384, 1024), OUT / "loading_doors_ipad.png")
    core.save_png(gi.door_half(320, 960), OUT / "loading_doors_ip4.png")
    core.save_png(gi.door_half(160, 480), OUT / "loading_doors_ip3.png")
    # The tablet page is drawn for the high-resolution tablet and the phone
    # page for the high-resolution phone; the screen scales each to its row.
    core.save_jpeg(gi.stats_page(1536, 1772, 1024, 886), OUT / "stats_bg.jpg", quality=86)
    core.save_png(gi.stats_page(640, 838, 480, 419).quantize(64).convert("RGB"), OUT / "stats_bg.png")


def write_scenes() -> None:
    core.write_plist(OUT / "GUI.ccb", gs.hud(tablet=True))
    core.write_plist(OUT / "GUI_small.ccb", gs.hud(tablet=False))
    core.write_plist(OUT / "Options.ccb", gs.options(tablet=True))
    core.write_plist(OUT / "Options_small.ccb", gs.options(tablet=False))
    gs.write_text(OUT / "main_menu.xml", gs.main_menu_animation())
    for n, (image, phase) in enumerate(zip(gf.FLAG_COLOURS, (0, 3, -2)), start=1):
        gs.write_text(OUT / f"flag_0{n}.xml", gs.flag_animation(image, phase))


def star_texture(size: int) -> Image.Image:
    img = Image.new("RGBA", (size * 4, size * 4), (0, 0, 0, 0))
    g.star(ImageDraw.Draw(img), size * 2, size * 2.1, size * 1.95, size * 0.85, (255, 255, 255, 255))
    img = img.resize((size, size), Image.LANCZOS)
    glow = g.soft_dot(size)
    glow.putalpha(glow.getchannel("A").point(lambda a: a // 2))
    glow.alpha_composite(img)
    return glow


def write_particles() -> None:
    core.save_png(g.soft_dot(32, hardness=0.3), OUT / "particle_spark.png")
    core.save_png(star_texture(32), OUT / "particle_star.png")
    for name, document in gs.particles().items():
        core.write_plist(OUT / name, document)


def write_engine_assets() -> None:
    """The engine's fallbacks: the scene reader's missing picture and font, and
    the preset emitters' particle."""
    if not (OUT / "fire.png").exists():
        core.save_png(g.soft_dot(32), OUT / "fire.png")
    checker = Image.new("RGBA", (16, 16), (255, 0, 255, 255))
    draw = ImageDraw.Draw(checker)
    for y in range(0, 16, 8):
        for x in range(0, 16, 8):
            if (x + y) // 8 % 2:
                draw.rectangle([x, y, x + 7, y + 7], fill=(0, 0, 0, 255))
    core.save_png(checker, OUT / "missing-texture.png")
    face = core.ImageFont.truetype(str(core.FONTS / "NimbusSans-Bold.otf"), 16)
    page = Image.new("RGBA", (256, 128), (0, 0, 0, 0))
    draw = ImageDraw.Draw(page)
    lines = ["info face=\"missing\" size=16", "common lineHeight=20 base=16 scaleW=256 scaleH=128 pages=1",
             'page id=0 file="missing-font.png"', "chars count=95"]
    x, y = 1, 1
    for code in range(32, 127):
        ch = chr(code)
        left, top, right, bottom = face.getbbox(ch) if ch != " " else (0, 0, 4, 1)
        advance = round(face.getlength(ch))
        w, h = max(1, right - left), max(1, bottom - top)
        if x + w + 1 > 256:
            x, y = 1, y + 20
        draw.text((x - left, y - top), ch, font=face, fill=(255, 255, 255, 255))
        lines.append(f"char id={code} x={x} y={y} width={w} height={h} xoffset={left} yoffset={top} "
                     f"xadvance={advance} page=0 chnl=0")
        x += w + 2
    core.save_png(page, OUT / "missing-font.png")
    gs.write_text(OUT / "missing-font.fnt", "\n".join(lines) + "\n")


EMOJI_NOTE = ("Emoji pictures in the sprite sheets are drawn from Noto Color Emoji\n"
              "(Debian package fonts-noto-color-emoji), Copyright Google Inc.,\n"
              "licensed under the SIL Open Font License, Version 1.1\n"
              "(https://openfontlicense.org). They are scaled, outlined and combined with drawn shapes.\n")


def write_licence_note() -> None:
    """The emoji's licence beside the sheets (the board's generator writes the same note)."""
    path = OUT / "LICENSE-emoji.txt"
    if not path.exists():
        path.write_text(EMOJI_NOTE)


def main() -> None:
    sizes = write_sheets()
    for name, (w, h) in sorted(sizes.items()):
        print(f"{name}: {w}x{h}")
    write_images()
    write_scenes()
    write_particles()
    write_engine_assets()
    write_licence_note()


if __name__ == "__main__":
    main()
