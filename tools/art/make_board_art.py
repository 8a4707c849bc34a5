#!/usr/bin/python3
"""Writes the puzzle boards' art into resources/:

- the sheets gameplay_iPhone4-{L,H,H2} (tiles of the mine and of the fields in
  their seasons, ore glints, resources, tools, board furniture, the frame
  sequences and the food pop-up's parts);
- the progress bar images loaded whole (mine_resource_bar_act*.png);
- the tile-burst, earth and level-up particle lists and their textures;
- the food pop-up scene files FoodPopUp.ccb (tablet) and FoodPopUp_small.ccb;
- the part animations of the field tiles and of the summary's star.

Screen-spanning board frames are drawn by device_board.py into the device GUI
sheets (make_gui_art.py packs them). Deterministic: same input, same bytes.
Run with /usr/bin/python3.
"""

from __future__ import annotations

import sys
import xml.etree.ElementTree as ET
from pathlib import Path

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

sys.path.insert(0, str(Path(__file__).resolve().parent))

import core  # noqa: E402
import board_pictures as bp  # noqa: E402
import board_furniture as bf  # noqa: E402
from core import PALETTE, RESOURCES  # noqa: E402

SHEET = "gameplay_iPhone4-{row}.plist"
SPRITE_FRAMES_FILE = "gameplay_iPhone4-H.plist"

ORES = {"diamond": (200, 244, 255, 255), "iron": (210, 220, 236, 255), "silver": (255, 255, 255, 255),
        "gold": (255, 236, 120, 255)}

# Every tool stem of the game's upgrade list; test.xml decides which are tools
# (Type 4), and its PngNames are added when the file is there.
TOOL_STEMS = ["TOOL_METHANE", "TOOL_EARTH", "TOOL_RUBBLE", "TOOL_GRASS", "TOOL_WOOD", "TOOL_GRAIN",
              "TOOL_CARROT", "TOOL_APPLE", "TOOL_CHICKEN", "TOOL_PIG", "TOOL_COW", "TOOL_RAT", "TOOL_WOLF",
              "TOOL_COMPOST", "TOOL_SAPLING", "TOOL_GRASS_GRAIN", "TOOL_LUNCHBOX", "TOOL_COAL_TO_SILVER",
              "TOOL_SILVER_TO_COAL", "TOOL_EXTRA_2"]


def tool_png_names() -> list[str]:
    names = {stem.lower() for stem in TOOL_STEMS}
    data = RESOURCES / "test.xml"
    if data.exists():
        try:
            root = ET.parse(data).getroot()
            for upgrade in root.iter("Upgrade"):
                if upgrade.get("Type") == "4" and upgrade.get("PngName"):
                    names.add(upgrade.get("PngName"))
        except ET.ParseError as error:
            print(f"warning: test.xml not readable ({error}); drawing the known tool stems only")
    return sorted(names)


# ---------------------------------------------------------------- frames

def tile_frames() -> dict[str, Image.Image]:
    f: dict[str, Image.Image] = {}
    f["earth.png"] = bp.earth_clod()
    f["rubble.png"] = bp.rubble()
    f["methane.png"] = bp.gas_cloud(False)
    f["methane_primed.png"] = bp.gas_cloud(True)
    f["stone.png"] = bp.emoji_tile("🪨", 40, cy=26)
    f["coal.png"] = bp.coal()
    f["diamond.png"] = bp.emoji_tile("💎", 38)
    f["iron.png"] = bp.ore((150, 104, 84, 255), (120, 128, 144, 255), 7)
    f["silver.png"] = bp.ore((108, 112, 124, 255), (236, 240, 248, 255), 8)
    f["gold.png"] = bp.ore((134, 118, 100, 255), (252, 204, 48, 255), 9)
    f["coin.png"] = bf.coin_tile()
    f["goblet.png"] = bp.emoji_tile("🏆", 40)
    f["mine_earth.png"] = bp.earth_block(31, dark=False)
    f["mine_earth3.png"] = bp.earth_block(37, dark=True)
    f["methane_shadow.png"] = bp.methane_shadow()
    f["drell_16fps_000.png"] = f["coin.png"]

    seasons = ("spring", "summer", "autumn", "winter")
    grass_names = {"spring": "grass_spring", "summer": "grass", "autumn": "grass_autumn", "winter": "snow"}
    for s in seasons:
        f[grass_names[s] + ".png"] = bp.field_tile(s, bp.grass_tuft(s), body_bottom=44)
        f[f"wood_{s}.png"] = bp.field_tile(s, bp.tree(s), body_bottom=44)
        name = {"summer": "carrot"}.get(s, f"carrot_{s}")
        f[name + ".png"] = bp.field_tile(s, bp.carrot(s), body_bottom=44, snow=(s == "winter"))
        name = {"summer": "apple"}.get(s, f"apple_{s}")
        f[name + ".png"] = bp.field_tile(s, bp.apple(s), body_bottom=44, snow=(s == "winter"))
    f["wood.png"] = f["wood_summer.png"]
    f["grain.png"] = bp.field_tile(None, bp.glyph("🌾", 42), body_bottom=47)
    for animal, text in (("chicken", "🐔"), ("pig", "🐖"), ("cow", "🐄"), ("rabbit", "🐇"), ("wolf", "🐺")):
        f[f"{animal}.png"] = bp.field_tile(None, bp.glyph(text, 40), body_bottom=46)

    for ore, colour in ORES.items():
        for i in range(1, 11):
            f[f"{ore}_blik_{i:02d}.png"] = bp.glint(colour, i - 1)
    return f


_parts_cache: dict[str, Image.Image] = {}


def part_frames() -> dict[str, Image.Image]:
    if not _parts_cache:
        _parts_cache.update(_draw_part_frames())
    return _parts_cache


def _draw_part_frames() -> dict[str, Image.Image]:
    """Parts of the part animations (field tiles, animals, the star)."""
    f: dict[str, Image.Image] = {}
    f["tile_shadow.png"] = bf.tile_shadow()
    for animal, text in (("chicken", "🐔"), ("pig", "🐖"), ("cow", "🐄")):
        f[f"{animal}_part.png"] = bp.shaded(bp.glyph(text, 40))
    for s in ("spring", "summer", "autumn", "winter"):
        f[f"ground_{s}.png"] = bp.ground_patch(s)
        f[f"tuft_{s}.png"] = bp.grass_tuft(s)
        f[f"tree_{s}.png"] = bp.shaded(bp.tree(s))
    f["grain_stalk.png"] = bp.shaded(bp.glyph("🌾", 30))
    f["star_blik.png"] = bf.sparkle(24)
    return f


def resource_frames() -> dict[str, Image.Image]:
    f = {}
    for rid, name in ((1, "soup"), (2, "pie"), (3, "bread"), (4, "flock"), (5, "drove"), (6, "herd")):
        f[f"{name}.png"] = bp.food_picture(rid)
    f["iron_bar.png"] = bp.ingot((150, 160, 176, 255))
    f["silver_bar.png"] = bp.ingot((214, 222, 232, 255))
    f["gold_bar.png"] = bp.ingot((248, 200, 56, 255))
    f["building_block.png"] = bp.stone_block()
    f["coal_cart.png"] = bp.cart_of_coal()
    f["treasure_chest.png"] = bp.chest()
    f["plank.png"] = bp.emoji_tile("🪵", 40)
    f["earth_res.png"] = bp.bucket_of("earth")
    f["grass_res.png"] = bp.bundle_of_grass()
    f["rubble_res.png"] = bp.bucket_of("rubble")
    f["people.png"] = bp.emoji_tile("👪", 40)
    f["microtrans.png"] = bp.emoji_tile("💰", 40)
    for i in range(1, 7):
        f[f"money_{i}.png"] = bp.coin_pile(i)
    return f


def tool_frames() -> dict[str, Image.Image]:
    return {f"{name}.png": bp.tool_picture(name) for name in tool_png_names()}


def fixed_frames() -> dict[str, Image.Image]:
    f: dict[str, Image.Image] = {}
    for pressed, suffix in ((False, ""), (True, "_click")):
        f[f"tools_menu_icon{suffix}.png"] = bf.round_button(40, 40, bp.glyph("🧰", 26, 0.5), pressed,
                                                            fill=PALETTE["red"])
        f[f"menu_ico_menu{suffix}.png"] = bf.round_button(32, 32, bf.menu_bars_icon(20), pressed)
        f[f"but_tools_help{suffix}.png"] = bf.round_button(32, 32, bp.glyph("❔", 20, 0.5), pressed,
                                                           fill=PALETTE["blue"])
        f[f"but_menu_back{suffix}.png"] = bf.round_button(32, 32, bp.glyph("🏡", 22, 0.5), pressed)
    f["tools_menu_bar_arrow.png"] = bf.arrow_shape(22, 36, PALETTE["gold"])
    f["tools_menu_bar_arrow_click.png"] = bf.arrow_shape(22, 36, PALETTE["gold_dark"])
    f["tools_menu_bar_arrow_disabled.png"] = bf.arrow_shape(22, 36, (150, 146, 140, 255))
    f["free_move_bg.png"] = bf.free_move_bg()
    f["line_star_01.png"] = bf.line_star()
    f["tools_info_notool.png"] = bf.empty_tools_plate()
    f["tool_label.png"] = bf.tool_banner()
    f["cross_kill.png"] = bf.cross_kill()
    f["mine_resource_bar_bg.png"] = bf.resource_bar_bg()
    for i in (1, 2, 3):
        f[f"calendar_0{i}.png"] = bf.calendar_part(i)
    f["food_ham_icon.png"] = bf.food_icon(24, eaten=False)
    f["mine_meat.png"] = bf.food_icon(20, eaten=False)
    f["mine_meat_eaten.png"] = bf.food_icon(20, eaten=True)
    f["b_field.png"] = bf.field_icon()
    f["highscore_badge.png"] = bf.record_badge()
    f["tip_1_mine.png"] = bf.tip_picture("market_mine")
    f["tip2_mine.png"] = bf.tip_picture("empty_mine")
    f["tip1_fields.png"] = bf.tip_picture("market_fields")
    f["tip2_fields.png"] = bf.tip_picture("empty_fields")
    f["goods_popup.png"] = bf.tool_info_frame()
    f["popup_tools_help_bg.png"] = bf.tools_help_picture()
    return f


def sequence_frames() -> dict[str, Image.Image]:
    f: dict[str, Image.Image] = {}
    for i in range(1, 17):
        f[f"explosion_{i:02d}.png"] = bp.explosion(i)
    # countdown badge: 0001 shows 3; 0002-0006 turn 3 into 2; 0007-0011 turn 2 into 1
    names = ["321_0001.png"] + [f"321_000{i}.png" for i in range(2, 10)] + ["321_00010.png", "321_00011.png"]
    turns = [(3, 1.0)] + [(3, 0.6), (3, 0.2), (2, 0.2), (2, 0.6), (2, 1.0)] + \
            [(2, 0.6), (2, 0.2), (1, 0.2), (1, 0.6), (1, 1.0)]
    for name, (number, squash) in zip(names, turns):
        f[name] = bp.countdown_badge(number, squash, str(number))
    for n in (1, 2, 3):
        f[f"end_farm{n}.png"] = bp.moves_left_sign(n)
    for i in range(1, 7):
        f[f"farm_time_bar_marker_000{i}.png"] = bp.rooster(i)
    return f


def popup_frames() -> dict[str, Image.Image]:
    f = dict(bf.popup_parts())
    f["food_moves_marker.png"] = bf.moves_marker()
    f["food_moves_plate.png"] = bf.moves_plate()
    for state in ("normal", "click", "disabled"):
        suffix = "" if state == "normal" else f"_{state}"
        f[f"food_button{suffix}.png"] = bf.food_button(state)
    for state in ("normal", "click"):
        suffix = "" if state == "normal" else f"_{state}"
        f[f"food_start_button{suffix}.png"] = bf.wide_button(PALETTE["green"], state)
        f[f"food_close_button{suffix}.png"] = bf.wide_button(PALETTE["red"], state)
        f[f"food_buy_button{suffix}.png"] = bf.wide_button(PALETTE["gold"], state)
    f["food_wide_button_disabled.png"] = bf.wide_button(PALETTE["green"], "disabled")
    return f


def all_frames() -> dict[str, Image.Image]:
    frames: dict[str, Image.Image] = {}
    for group in (tile_frames(), part_frames(), resource_frames(), tool_frames(), fixed_frames(),
                  sequence_frames(), popup_frames()):
        for name, image in group.items():
            if name in frames and frames[name] is not image:
                raise ValueError(f"frame {name} drawn twice")
            frames[name] = image
    return frames


def dither_to_4444(path: Path) -> None:
    """Rewrites a sheet texture with 4 bits a channel, ordered-dithered.

    The game loads this sheet as RGBA4444; cutting the low bits there would
    band the gradients, so the texture is dithered here once (deterministic)
    and then holds exactly what the GPU gets, which also packs far smaller.
    """
    image = Image.open(path).convert("RGBA")
    a = np.asarray(image).astype(np.float32)
    bayer = np.array([[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]], np.float32) / 16 - 0.47
    h, w = a.shape[:2]
    threshold = np.tile(bayer, (h // 4 + 1, w // 4 + 1))[:h, :w, None]
    q = np.clip(np.floor(a / 17 + 0.5 + threshold), 0, 15) * 17
    q[q[..., 3] == 0] = 0
    core.save_png(Image.fromarray(q.astype(np.uint8), "RGBA"), path)


# ---------------------------------------------------------------- whole images

def write_bar_images() -> list[Path]:
    """The resource panel's progress (plain) and preview (_alpha) bars: upright, 10 x 26 points,
    filled from the bottom inside the 14 x 30 tube."""
    written = []
    for suffix, ppp in (("_small", 1), ("", 2), ("_big", 4)):
        for alpha in (False, True):
            name = f"mine_resource_bar_act{'_alpha' if alpha else ''}{suffix}.png"
            core.save_png(bf.resource_bar_fill(10 * ppp, 26 * ppp, alpha), RESOURCES / name)
            written.append(RESOURCES / name)
    return written


# ---------------------------------------------------------------- particles

def particle_texture(kind: str) -> Image.Image:
    """A 32-pixel particle picture (one file serves every device)."""
    size = 32
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    if kind == "crumb":  # a lump of earth or stone, white so the list's colour tints it
        d.polygon([(6, 12), (14, 4), (25, 7), (28, 18), (21, 27), (9, 26), (4, 19)], fill=(255, 255, 255, 255))
        d.polygon([(9, 12), (14, 7), (20, 9), (15, 14)], fill=(255, 255, 255, 255))
        shade = Image.new("RGBA", (size, size), (0, 0, 0, 0))
        ImageDraw.Draw(shade).polygon([(21, 27), (28, 18), (25, 24)], fill=(0, 0, 0, 90))
        img.alpha_composite(shade)
    elif kind == "spark":
        c = size / 2
        for r, a in ((15, 40), (10, 90), (6, 200), (3, 255)):
            d.ellipse([c - r, c - r, c + r, c + r], fill=(255, 255, 255, a))
        d.polygon([(c, 1), (c + 2, c), (c, size - 1), (c - 2, c)], fill=(255, 255, 255, 220))
        d.polygon([(1, c), (c, c - 2), (size - 1, c), (c, c + 2)], fill=(255, 255, 255, 220))
        img = img.filter(ImageFilter.GaussianBlur(0.6))
    elif kind == "leaf":
        d.ellipse([4, 10, 28, 22], fill=(255, 255, 255, 255))
        d.line([6, 16, 26, 16], fill=(200, 200, 200, 255), width=1)
    elif kind == "feather":
        d.ellipse([9, 3, 23, 29], fill=(255, 255, 255, 255))
        d.line([16, 4, 16, 30], fill=(210, 210, 210, 255), width=1)
    elif kind == "splinter":
        d.polygon([(3, 14), (26, 10), (29, 15), (6, 20)], fill=(255, 255, 255, 255))
        d.line([6, 15, 26, 13], fill=(200, 200, 200, 255), width=1)
    else:  # puff: a soft round cloud
        c = size / 2
        for r in range(15, 0, -1):
            a = int(255 * (1 - r / 15) ** 0.7)
            d.ellipse([c - r, c - r, c + r, c + r], fill=(255, 255, 255, a))
    return img


def _rgba(colour, alpha=1.0):
    return [round(colour[0] / 255, 3), round(colour[1] / 255, 3), round(colour[2] / 255, 3), alpha]


def burst(texture: str, count: int, colour, colour_var=(0.08, 0.08, 0.08), size=9.0, size_var=4.0,
          end_size=4.0, speed=90.0, speed_var=40.0, gravity=-260.0, life=0.55, life_var=0.2, angle=90.0,
          angle_var=80.0, spin=0.0, spin_var=180.0, additive=False, pos_var=10.0, end_alpha=0.0,
          end_colour=None) -> dict:
    """A one-shot burst: every particle leaves within 0.1 s and lives ~life seconds.

    The engine emits maxParticles / life particles a second for `duration`
    seconds, so maxParticles is chosen for `count` particles in 0.1 s.
    """
    # One list serves the phone's 49-point cell and the tablet's 99-point
    # one: sizes and distances sit between the two.
    k = 1.25
    size, size_var, end_size = size * k, size_var * k, end_size * k
    speed, speed_var, gravity, pos_var = speed * k, speed_var * k, gravity * k, pos_var * k
    duration = 0.1
    max_particles = max(count, round(count * life / duration))
    end_colour = end_colour or colour
    d = {
        "maxParticles": max_particles, "duration": duration, "angle": angle, "angleVariance": angle_var,
        "blendFuncSource": 770 if additive else 1, "blendFuncDestination": 1 if additive else 771,
        "emitterType": 0, "gravityx": 0.0, "gravityy": gravity, "speed": speed, "speedVariance": speed_var,
        "radialAcceleration": 0.0, "radialAccelVariance": 0.0, "tangentialAcceleration": 0.0,
        "tangentialAccelVariance": 0.0, "maxRadius": 0.0, "maxRadiusVariance": 0.0, "minRadius": 0.0,
        "rotatePerSecond": 0.0, "rotatePerSecondVariance": 0.0,
        "particleLifespan": life, "particleLifespanVariance": life_var,
        "startParticleSize": size, "startParticleSizeVariance": size_var, "finishParticleSize": end_size,
        "finishParticleSizeVariance": 1.0, "sourcePositionx": 0.0, "sourcePositiony": 0.0,
        "sourcePositionVariancex": pos_var, "sourcePositionVariancey": pos_var,
        "rotationStart": 0.0, "rotationStartVariance": 180.0, "rotationEnd": spin,
        "rotationEndVariance": spin_var, "textureFileName": texture,
    }
    for key, value in zip(("Red", "Green", "Blue", "Alpha"), _rgba(colour)):
        d[f"startColor{key}"] = value
    for key, value in zip(("Red", "Green", "Blue", "Alpha"), list(colour_var) + [0.0]):
        d[f"startColorVariance{key}"] = value
    for key, value in zip(("Red", "Green", "Blue", "Alpha"), _rgba(end_colour, end_alpha)):
        d[f"finishColor{key}"] = value
    for key in ("Red", "Green", "Blue", "Alpha"):
        d[f"finishColorVariance{key}"] = 0.0
    return d


PARTICLE_TEXTURES = {"board_particle_crumb.png": "crumb", "board_particle_spark.png": "spark", "board_particle_leaf.png": "leaf",
                     "board_particle_feather.png": "feather", "board_particle_splinter.png": "splinter",
                     "board_particle_puff.png": "puff"}


def particle_lists() -> dict[str, dict]:
    return {
        "dirt_particle.plist": burst("board_particle_crumb.png", 12, (168, 124, 80), colour_var=(0.12, 0.1, 0.08),
                                     size=11, size_var=4, end_size=5),
        "mine_particle.plist": burst("board_particle_spark.png", 14, (255, 236, 150), colour_var=(0.0, 0.1, 0.2),
                                     size=14, size_var=6, end_size=2, speed=80, gravity=-60, life=0.6,
                                     additive=True, spin=90),
        "wood_particle.plist": burst("board_particle_splinter.png", 10, (176, 124, 72), size=12, size_var=4,
                                     end_size=8),
        "carrot_particle.plist": burst("board_particle_leaf.png", 10, (120, 190, 70), size=11, end_size=7),
        "grain_particle.plist": burst("board_particle_leaf.png", 12, (236, 200, 96), size=10, end_size=6,
                                      gravity=-200),
        "chicken_particle.plist": burst("board_particle_feather.png", 10, (250, 246, 236), size=12, end_size=10,
                                        speed=70, gravity=-70, life=0.8, spin=160),
        "pig_particle.plist": burst("board_particle_puff.png", 10, (246, 180, 186), size=16, end_size=22, speed=60,
                                    gravity=0, life=0.5),
        "cow_particle.plist": burst("board_particle_puff.png", 10, (236, 232, 226), size=16, end_size=22, speed=60,
                                    gravity=0, life=0.5),
        "grass_01_particle.plist": burst("board_particle_leaf.png", 10, (110, 180, 64), size=10, end_size=6),
        "grass_02_particle.plist": burst("board_particle_puff.png", 12, (200, 190, 170), size=14, end_size=24,
                                         speed=50, gravity=0, life=0.5),
        "apple_particle.plist": burst("board_particle_leaf.png", 10, (210, 60, 50), size=10, end_size=6),
        "earth_particle.plist": burst("board_particle_crumb.png", 14, (140, 100, 62), size=11, size_var=5,
                                      speed=70, gravity=-220, pos_var=16),
        "level_up.plist": burst("board_particle_spark.png", 16, (240, 200, 90), colour_var=(0.0, 0.15, 0.3),
                                size=18, size_var=8, end_size=4, speed=160, speed_var=60, gravity=-120,
                                life=0.9, angle_var=180, additive=True, pos_var=6),
    }


def write_particles() -> list[Path]:
    written = []
    for name, kind in PARTICLE_TEXTURES.items():
        core.save_png(particle_texture(kind), RESOURCES / name)
        written.append(RESOURCES / name)
    for name, document in particle_lists().items():
        core.write_plist(RESOURCES / name, document)
        written.append(RESOURCES / name)
    return written


# ---------------------------------------------------------------- food pop-up scene files

def node(cls: str, props: dict, children=()) -> dict:
    base = {"position": [0.0, 0.0], "contentSize": [0.0, 0.0], "scaleX": 1.0, "scaleY": 1.0,
            "anchorPoint": [0.5, 0.5], "rotation": 0.0, "isRelativeAnchorPoint": True, "visible": True,
            "tag": -1, "zOrder": 0, "customClass": "", "memberVarAssignmentType": 0,
            "memberVarAssignmentName": "", "lockedScaleRatio": True, "isExpanded": True}
    base.update(props)
    return {"class": cls, "properties": base, "children": list(children)}


def sprite(frame: str, position, member: str = "", z: int = 0, anchor=(0.5, 0.5)) -> dict:
    return node("CCSprite", {"spriteFile": frame, "spriteFramesFile": SPRITE_FRAMES_FILE,
                             "position": list(position), "anchorPoint": list(anchor), "zOrder": z,
                             "opacity": 255, "color": [255, 255, 255], "flipX": False, "flipY": False,
                             "blendFunc": [1, 771], "memberVarAssignmentType": 2 if member else 0,
                             "memberVarAssignmentName": member})


def item(frames: tuple[str, str, str], position, member: str, selector: str, custom: str = "") -> dict:
    return node("CCMenuItemImage", {"spriteFileNormal": frames[0], "spriteFileSelected": frames[1],
                                    "spriteFileDisabled": frames[2], "spriteFramesFile": SPRITE_FRAMES_FILE,
                                    "position": list(position), "isEnabled": True, "target": 2,
                                    "selector": selector, "customClass": custom,
                                    "memberVarAssignmentType": 2, "memberVarAssignmentName": member})


def plain(position, member: str, z: int = 0) -> dict:
    return node("CCNode", {"position": list(position), "anchorPoint": [0.0, 0.0], "zOrder": z,
                           "memberVarAssignmentType": 2, "memberVarAssignmentName": member})


def colour_layer(x: float, y: float, w: float, h: float, colour, z: int = 0) -> dict:
    return node("CCLayerColor", {"position": [x, y], "contentSize": [w, h], "anchorPoint": [0.0, 0.0],
                                 "isRelativeAnchorPoint": False, "color": list(colour[:3]), "opacity": 255,
                                 "blendFunc": [770, 771], "touchEnabled": False, "accelerometerEnabled": False,
                                 "zOrder": z})


def panel_node(member: str, w: float, h: float, scale: float) -> dict:
    """A rounded panel of any size centred on its position: the corner frame
    (flipped) in the four corners, colour layers for the border lines and the
    inside. The lines reach a point under the corners, where those are
    straight, so no seam shows."""
    c = bf.POPUP_CORNER * scale
    b = bf.POPUP_BORDER * scale
    hw, hh = w / 2, h / 2
    fill, line = bf.POPUP_FILL, bf.POPUP_LINE
    over = scale  # one point under the corners
    parts = [
        colour_layer(-hw + c, -hh + b, w - 2 * c, h - 2 * b, fill),
        colour_layer(-hw + b, -hh + c, w - 2 * b, h - 2 * c, fill),
        colour_layer(-hw + c - over, hh - b, w - 2 * c + 2 * over, b, line),
        colour_layer(-hw + c - over, -hh, w - 2 * c + 2 * over, b, line),
        colour_layer(-hw, -hh + c - over, b, h - 2 * c + 2 * over, line),
        colour_layer(hw - b, -hh + c - over, b, h - 2 * c + 2 * over, line),
    ]
    for fx in (False, True):
        for fy in (False, True):
            x = hw - c / 2 if fx else -hw + c / 2
            y = -hh + c / 2 if fy else hh - c / 2
            corner = sprite("food_popup_corner.png", (x, y), z=1)
            corner["properties"].update({"flipX": fx, "flipY": fy})
            parts.append(corner)
    parts.append(sprite("food_popup_title.png", (0, hh - 27 * scale), z=2))
    return node("CCNode", {"anchorPoint": [0.0, 0.0], "isRelativeAnchorPoint": False,
                           "memberVarAssignmentType": 2, "memberVarAssignmentName": member}, parts)


def food_popup(scale: float) -> dict:
    """The food pop-up's tree, laid out in phone points times scale (2 on a tablet).

    The root stands at the window's centre; children are placed around (0, 0).
    Foods: bread, soup, pie on the top row, flock, drove, herd below; the moves
    tag of each sits under its button; the food bar runs across the well above
    the three buttons (close, buy, start).
    """
    s = scale

    def p(x, y):
        return [x * s, y * s]
    foods = [("BreadButton", "S1"), ("SoupButton", "S2"), ("PieButton", "S3"), ("FlockButton", "S4"),
             ("DroveButton", "S5"), ("HerdButton", "S6")]
    xs = (-92, 0, 92)
    rows = (82, -14)
    food_frames = ("food_button.png", "food_button_click.png", "food_button_disabled.png")
    buttons, markers = [], []
    for i, (button, marker) in enumerate(foods):
        x, y = xs[i % 3], rows[i // 3]
        buttons.append(item(food_frames, p(x, y), button, "AddFoodCallback:", "CCHoldButtonImage"))
        markers.append(sprite("food_moves_marker.png", p(x, y - 46), marker, z=2))
    buttons.append(item(("food_close_button.png", "food_close_button_click.png",
                         "food_wide_button_disabled.png"), p(-100, -138), "CloseButton", "CloseCallback:"))
    buttons.append(item(("food_buy_button.png", "food_buy_button_click.png", "food_wide_button_disabled.png"),
                        p(0, -138), "ResetButton", "ResetCallback:"))
    buttons.append(item(("food_start_button.png", "food_start_button_click.png",
                         "food_wide_button_disabled.png"), p(100, -138), "CraftButt", "MineCallback:"))
    menu = node("CCMenu", {"position": [0.0, 0.0], "anchorPoint": [0.0, 0.0], "zOrder": 3,
                           "touchEnabled": True, "accelerometerEnabled": False, "isRelativeAnchorPoint": False,
                           "memberVarAssignmentType": 2, "memberVarAssignmentName": "FoodsMenu"}, buttons)
    children = [
        panel_node("bcg", 300 * s, 340 * s, s),
        menu,
        *markers,
        colour_layer(-140 * s, -108 * s, 280 * s, 32 * s, bf.POPUP_WELL, z=1),
        sprite("food_moves_plate.png", p(114, -92), z=1),
        plain(p(-136, -92), "FoodBarMarker", z=2),
        plain(p(114, -92), "StepsMarker", z=2),
    ]
    root = node("CCNode", {"anchorPoint": [0.0, 0.0], "isRelativeAnchorPoint": False}, children)
    return {"fileType": "SceneBuilder", "fileVersion": 1, "nodeGraph": root}


def write_scene_files() -> list[Path]:
    written = []
    for name, scale in (("FoodPopUp.ccb", 2.0), ("FoodPopUp_small.ccb", 1.0)):
        core.write_plist(RESOURCES / name, food_popup(scale))
        written.append(RESOURCES / name)
    return written


# ---------------------------------------------------------------- part animations

def anim_xml(fps: int, parts: list[tuple[str, list[tuple[int, dict]]]]) -> str:
    """A part-animation file. Positions are H-sheet pixels relative to the
    tile's bottom middle, y growing down; every attribute is written."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<animation_file>", f"  <fps>{fps}</fps>"]
    for image, frames in parts:
        lines.append(f'  <animation image="{image}">')
        for index, v in frames:
            a = {"x": 0, "y": 0, "scaleX": 1, "scaleY": 1, "depth": 0, "alpha": 255, "rotation": 0,
                 "anchorX": 0, "anchorY": 0}
            a.update(v)
            attrs = " ".join(f'{k}="{_num(a[k])}"' for k in ("x", "y", "scaleX", "scaleY", "depth", "alpha",
                                                              "rotation", "anchorX", "anchorY"))
            lines.append(f'    <frame index="{index}">')
            lines.append(f"      <item {attrs}/>")
            lines.append("    </frame>")
        lines.append("  </animation>")
    lines.append("</animation_file>")
    return "\n".join(lines) + "\n"


def _num(v) -> str:
    if isinstance(v, int) or float(v).is_integer():
        return str(int(v))
    return f"{v:.3f}".rstrip("0")


def sway(image: str, x: float, bottom: float, height_px: float, depth: int, amplitude: float, phase: int,
         last: int, period: int) -> tuple[str, list]:
    """A part rocking about its bottom middle (tablet files only: the pivot is
    given in the tablet's picture points, which equal H-sheet pixels)."""
    frames = []
    pivot = {"anchorY": height_px / 2, "x": x, "y": -bottom, "depth": depth}
    keys = [(0, 0.0)]
    t = phase
    sign = 1
    while t < last:
        if t > 0:
            keys.append((t, amplitude * sign))
        sign = -sign
        t += period // 2
    keys.append((last, 0.0))
    for index, rotation in keys:
        frames.append((index, dict(pivot, rotation=rotation)))
    return image, frames


def still(image: str, x: float, y: float, depth: int) -> tuple[str, list]:
    return image, [(0, {"x": x, "y": y, "depth": depth})]


def field_animations() -> dict[str, str]:
    """The tablet-only seasonal tiles (looping sway) and the animals' idles."""
    out = {}
    last = 48  # every looping part ends at the same frame index
    fps = 12
    hp = {k: v.height * 2 // core.MASTER for k, v in part_frames().items()}  # H-sheet pixel heights
    for season, name in (("spring", "grass_spring"), ("summer", "grass"), ("autumn", "grass_autumn"),
                         ("winter", "snow")):
        parts = [still(f"ground_{season}.png", 0, -14, 0),
                 sway(f"tuft_{season}.png", -14, 10, hp[f"tuft_{season}.png"], 1, 4, 0, last, 24),
                 sway(f"tuft_{season}.png", 16, 8, hp[f"tuft_{season}.png"], 2, 5, 6, last, 24)]
        out[f"{name}.xml"] = anim_xml(fps, parts)
    for season in ("spring", "summer", "autumn", "winter"):
        parts = [still(f"ground_{season}.png", 0, -14, 0),
                 sway(f"tree_{season}.png", 0, 8, hp[f"tree_{season}.png"], 1, 3 if season != "winter" else 1.5,
                      0, last, 48)]
        out[f"wood_{season}.xml"] = anim_xml(fps, parts)
    grain_h = hp["grain_stalk.png"]
    out["grain.xml"] = anim_xml(fps, [
        still("tile_shadow.png", 0, -8, 0),
        sway("grain_stalk.png", -20, 4, grain_h, 1, 6, 0, last, 24),
        sway("grain_stalk.png", 20, 4, grain_h, 1, 6, 8, last, 24),
        sway("grain_stalk.png", 0, 2, grain_h, 2, 7, 4, last, 24),
    ])
    # Animals (every device: no pivot offsets, positions only; y is the body's centre)
    body_y = -48
    out["chicken.xml"] = anim_xml(fps, [
        still("tile_shadow.png", 0, -10, 0),
        ("chicken_part.png", [(0, {"y": body_y, "depth": 1}), (3, {"x": -4, "y": body_y + 6, "rotation": -22,
                                                                    "depth": 1}),
                              (5, {"x": -4, "y": body_y + 6, "rotation": -22, "depth": 1}),
                              (7, {"x": -5, "y": body_y + 8, "rotation": -28, "depth": 1}),
                              (9, {"y": body_y, "depth": 1}), (14, {"y": body_y, "depth": 1})]),
    ])
    out["pig.xml"] = anim_xml(fps, [
        still("tile_shadow.png", 0, -10, 0),
        ("pig_part.png", [(0, {"y": body_y, "depth": 1}), (2, {"y": body_y, "rotation": 6, "depth": 1}),
                          (4, {"y": body_y, "rotation": -6, "depth": 1}), (6, {"y": body_y, "rotation": 5,
                                                                                "depth": 1}),
                          (8, {"y": body_y, "rotation": -4, "depth": 1}), (10, {"y": body_y, "depth": 1}),
                          (14, {"y": body_y, "depth": 1})]),
    ])
    out["cow.xml"] = anim_xml(fps, [
        still("tile_shadow.png", 0, -10, 0),
        ("cow_part.png", [(0, {"y": body_y, "depth": 1}), (3, {"y": body_y + 2, "scaleY": 0.96, "depth": 1}),
                          (5, {"y": body_y, "scaleY": 1.0, "depth": 1}),
                          (8, {"y": body_y + 2, "scaleY": 0.96, "depth": 1}),
                          (10, {"y": body_y, "depth": 1}), (14, {"y": body_y, "depth": 1})]),
    ])
    # The summary's glint: three twinkles around the icon, looping
    twinkles = []
    for (x, y, phase) in ((-40, -30, 0), (36, -10, 8), (-6, 34, 16)):
        keys = [(0, {"x": x, "y": y, "scaleX": 0, "scaleY": 0, "alpha": 0, "depth": 1})]
        keys.append((phase + 1, {"x": x, "y": y, "scaleX": 0, "scaleY": 0, "alpha": 0, "depth": 1}))
        keys.append((phase + 5, {"x": x, "y": y, "scaleX": 1.2, "scaleY": 1.2, "alpha": 255, "rotation": 45,
                                 "depth": 1}))
        keys.append((phase + 9, {"x": x, "y": y, "scaleX": 0, "scaleY": 0, "alpha": 0, "rotation": 90,
                                 "depth": 1}))
        keys.append((30, {"x": x, "y": y, "scaleX": 0, "scaleY": 0, "alpha": 0, "depth": 1}))
        twinkles.append(("star_blik.png", keys))
    out["star_blik.xml"] = anim_xml(fps, twinkles)
    return out


def write_animations() -> list[Path]:
    written = []
    for name, text in field_animations().items():
        path = RESOURCES / name
        path.write_text(text, encoding="utf-8")
        written.append(path)
    return written


# ---------------------------------------------------------------- main

def write_licence_note() -> Path:
    path = RESOURCES / "LICENSE-emoji.txt"
    text = ("Emoji pictures in the sprite sheets are drawn from Noto Color Emoji\n"
            "(Debian package fonts-noto-color-emoji), Copyright Google Inc.,\n"
            "licensed under the SIL Open Font License, Version 1.1\n"
            "(https://openfontlicense.org). They are scaled, outlined and combined with drawn shapes.\n")
    if not path.exists() or path.read_text() != text:
        path.write_text(text)
    return path


def main() -> None:
    frames = all_frames()
    written: list[Path] = []
    for row, plist in core.rows_for(SHEET).items():
        # The 4-pixel row needs a 4096-pixel-wide texture (4096 x 2048); the others fit 2048.
        size = core.write_sheet(RESOURCES, plist, frames, row, max_side=4096 if row == "H2" else 2048)
        dither_to_4444(RESOURCES / plist.replace(".plist", ".png"))
        print(f"{plist}: {len(frames)} frames, texture {size[0]}x{size[1]}")
        written += [RESOURCES / plist, RESOURCES / plist.replace(".plist", ".png")]
    written += write_bar_images()
    written += write_particles()
    written += write_scene_files()
    written += write_animations()
    written.append(write_licence_note())
    total = sum(p.stat().st_size for p in written)
    print(f"{len(written)} files, {total / 1024:.0f} KiB")


if __name__ == "__main__":
    main()
