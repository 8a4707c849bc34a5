"""Part animations of the village: animated buildings, building dust, fish and tutorial hands.

A part animation file holds the frames per second and one part per picture,
each with key frames. Positions are written in H-sheet pixels (two per phone
point) with y growing downwards, relative to the node's origin; the reader
flips y and scales for the device. Buildings stand with their base centre on
the origin, so the body's centre sits half its height above it. Every pivot is
the picture's centre (anchorX/anchorY stay 0, which keeps the pivot the same
on every device): pictures that turn about an end are padded to put it there.
"""

from __future__ import annotations

import math
from dataclasses import dataclass

from PIL import Image

import core
from core import PALETTE
from village_buildings import draw_building, sails, wheel
from village_catalogue import BUILDINGS
from village_paint import ellipse, emoji, line, paste, poly, rect, star

OUT = PALETTE["outline"]


@dataclass
class Key:
    index: int
    x: float = 0.0        # points, y up, from the node's origin
    y: float = 0.0
    sx: float = 1.0
    sy: float = 1.0
    alpha: float = 255
    rot: float = 0.0


@dataclass
class Part:
    image: str
    keys: list[Key]
    depth: int = 0


def _fmt(v: float) -> str:
    text = f"{v:.2f}".rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def to_xml(fps: int, parts: list[Part]) -> str:
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<partanimation>", f"  <fps>{fps}</fps>"]
    for part in parts:
        lines.append(f'  <animation image="{part.image}">')
        for k in part.keys:
            lines.append(f'    <frame index="{k.index}">')
            lines.append(
                f'      <item x="{_fmt(k.x * 2)}" y="{_fmt(-k.y * 2)}" scaleX="{_fmt(k.sx)}" scaleY="{_fmt(k.sy)}" '
                f'depth="{part.depth}" alpha="{_fmt(k.alpha)}" rotation="{_fmt(k.rot)}" anchorX="0" anchorY="0"/>')
            lines.append("    </frame>")
        lines.append("  </animation>")
    lines.append("</partanimation>")
    return "\n".join(lines) + "\n"


def static(image: str, x: float, y: float, depth: int = 0, scale: float = 1.0) -> Part:
    return Part(image, [Key(0, x, y, scale, scale)], depth)


# ---------------------------------------------------------------- part pictures

def smoke_puff() -> Image.Image:
    img = core.canvas(12, 10)
    for dx, dy, r in ((-2.2, 1, 3.2), (2.2, 1.2, 3.0), (0, -1.2, 3.6)):
        ellipse(img, 6 + dx, 5 + dy, r, r * 0.9, (236, 236, 232, 235))
    ellipse(img, 4.6, 3.6, 1.6, 1.1, (255, 255, 255, 230))
    return core.outlined(img, 0.35, colour=(120, 116, 112, 200))


def flag() -> Image.Image:
    """A pennant whose pole foot... the pole's top is the picture's centre (it waves about it)."""
    img = core.canvas(28, 12)
    poly(img, [(14, 2), (26, 5), (14, 9)], PALETTE["red"], OUT, 0.5)
    line(img, [(14.3, 3.2), (22, 5.2)], (240, 120, 100, 255), 0.5)
    return img


def fan() -> Image.Image:
    img = core.canvas(14, 14)
    for k in range(4):
        a = math.radians(k * 90 + 15)
        b = math.radians(k * 90 + 55)
        poly(img, [(7, 7), (7 + 6.2 * math.cos(a), 7 + 6.2 * math.sin(a)), (7 + 6.2 * math.cos(b), 7 + 6.2 * math.sin(b))],
             PALETTE["grey"], OUT, 0.4)
    ellipse(img, 7, 7, 1.4, 1.4, PALETTE["grey_dark"], OUT, 0.3)
    return img


def saw_blade() -> Image.Image:
    img = core.canvas(16, 16)
    teeth = []
    for k in range(24):
        r = 7.4 if k % 2 == 0 else 6.2
        a = math.radians(k * 15)
        teeth.append((8 + r * math.cos(a), 8 + r * math.sin(a)))
    poly(img, teeth, (200, 206, 214, 255), OUT, 0.4)
    ellipse(img, 8, 8, 4.2, 4.2, (226, 230, 236, 255))
    ellipse(img, 8, 8, 1.4, 1.4, PALETTE["grey_dark"], OUT, 0.3)
    return img


def glow() -> Image.Image:
    img = core.canvas(12, 12)
    for k in range(6, 0, -1):
        ellipse(img, 6, 6, k, k, (255, 160 + k * 10, 60, int(200 * (1 - k / 7))))
    return img


def spark() -> Image.Image:
    img = core.canvas(8, 8)
    poly(img, star(4, 4, 3.8, 1.1, 4, -90), (255, 250, 200, 255))
    poly(img, star(4, 4, 2.2, 0.8, 4, -45), (255, 220, 90, 255))
    return img


def telescope() -> Image.Image:
    """A telescope tube; its pivot (the tower top) is the picture's centre."""
    img = core.canvas(30, 8)
    poly(img, [(15, 2.6), (28, 1.4), (28, 6.6), (15, 5.4)], (180, 130, 60, 255), OUT, 0.5)
    rect(img, 26.5, 1, 28.6, 7, PALETTE["gold"], OUT, 0.4)
    ellipse(img, 15, 4, 1.6, 1.6, PALETTE["grey_dark"], OUT, 0.3)
    return img


def crane_jib() -> Image.Image:
    """A crane's jib with its hook; it swings about its mast top, the picture's centre."""
    img = core.canvas(44, 20)
    line(img, [(22, 4), (41, 4)], OUT, 2.2)
    line(img, [(22, 4), (41, 4)], (236, 190, 40, 255), 1.3)
    line(img, [(22, 4), (12, 4)], OUT, 2.2)
    line(img, [(22, 4), (12, 4)], (236, 190, 40, 255), 1.3)
    rect(img, 9, 2, 13, 7, PALETTE["grey_dark"], OUT, 0.4)
    line(img, [(37, 4), (37, 14)], PALETTE["grey_dark"], 0.5)
    poly(img, [(35.5, 14), (38.5, 14), (37, 17)], PALETTE["grey"], OUT, 0.3)
    paste(img, emoji("🧱", 5), 37, 17.5)
    return img


def hammer() -> Image.Image:
    """A hammer that swings about its handle's end, the picture's centre."""
    img = core.canvas(20, 20)
    line(img, [(10, 10), (10, 2.5)], OUT, 1.8)
    line(img, [(10, 10), (10, 2.5)], PALETTE["wood"], 1.0)
    rect(img, 7, 0.6, 13, 3.6, PALETTE["grey"], OUT, 0.4)
    return img


def cart() -> Image.Image:
    img = core.canvas(14, 10)
    poly(img, [(1.5, 2.5), (12.5, 2.5), (11, 7.5), (3, 7.5)], PALETTE["grey"], OUT, 0.5)
    for dx in (4.5, 9.5):
        ellipse(img, dx, 8, 1.4, 1.4, PALETTE["grey_dark"], OUT, 0.3)
    paste(img, emoji("🪨", 5), 6, 2.2)
    paste(img, emoji("🪙", 4), 9.5, 2.4)
    return img


def fire() -> Image.Image:
    img = core.canvas(14, 14)
    for dx in (-3, 0, 3):
        line(img, [(7 + dx - 2, 12.5), (7 + dx + 2, 11)], PALETTE["wood_dark"], 1.2)
    paste(img, emoji("🔥", 10), 7, 7)
    return img


def animal(symbol: str, size: float = 10) -> Image.Image:
    return core.outlined(emoji(symbol, size), 0.4)




def dust_puff() -> Image.Image:
    img = core.canvas(20, 16)
    for dx, dy, r in ((-4, 2, 5), (4, 2.4, 4.6), (0, -1.6, 5.6), (-1, 3, 4)):
        ellipse(img, 10 + dx, 8 + dy, r, r * 0.85, (222, 206, 176, 235))
    ellipse(img, 8, 5, 2.6, 1.8, (245, 238, 222, 235))
    return core.outlined(img, 0.35, colour=(150, 126, 96, 200))


def scaffold() -> Image.Image:
    img = core.canvas(40, 40)
    wood = PALETTE["wood_light"]
    for x in (4, 20, 36):
        line(img, [(x, 39), (x, 3)], OUT, 2.0)
        line(img, [(x, 39), (x, 3)], wood, 1.2)
    for y in (12, 24, 36):
        line(img, [(2, y), (38, y)], OUT, 2.0)
        line(img, [(2, y), (38, y)], PALETTE["wood"], 1.2)
    line(img, [(4, 36), (20, 12)], PALETTE["wood_dark"], 0.8)
    line(img, [(20, 36), (36, 12)], PALETTE["wood_dark"], 0.8)
    return img


def plank() -> Image.Image:
    img = core.canvas(16, 6)
    rect(img, 1, 1.5, 15, 4.5, PALETTE["wood_light"], OUT, 0.5)
    line(img, [(3, 3), (13, 3)], PALETTE["wood"], 0.3)
    return img


def ring() -> Image.Image:
    """The highlight drawn round a tile the tutorial hand has joined to its chain."""
    img = core.canvas(30, 30)
    ellipse(img, 15, 15, 13.5, 13.5, None, (255, 236, 120, 255), 2.0)
    ellipse(img, 15, 15, 13.5, 13.5, None, (255, 255, 255, 160), 0.6)
    return img


def part_frames() -> dict[str, Image.Image]:
    frames = {
        "anim_smoke.png": smoke_puff(),
        "anim_flag.png": flag(),
        "anim_fan.png": fan(),
        "anim_sawblade.png": saw_blade(),
        "anim_glow.png": glow(),
        "anim_spark.png": spark(),
        "anim_telescope.png": telescope(),
        "anim_crane.png": crane_jib(),
        "anim_hammer.png": hammer(),
        "anim_cart.png": cart(),
        "anim_fire.png": fire(),
        "anim_sails.png": sails(21),
        "anim_waterwheel.png": wheel(9, 10, PALETTE["wood"]),
        "anim_pulley.png": wheel(4.6, 6, PALETTE["grey"], PALETTE["grey_dark"]),
        "anim_hen.png": animal("🐔", 10),
        "anim_chick.png": animal("🐤", 7),
        "anim_pig.png": animal("🐖", 12),
        "anim_piglet.png": animal("🐷", 8),
        "anim_sheep.png": animal("🐑", 11),
        "anim_cow.png": animal("🐄", 15),
        "anim_dog.png": animal("🐕", 11),
        "build_dust.png": dust_puff(),
        "build_scaffold.png": scaffold(),
        "build_plank.png": plank(),
        "tutorial_ring.png": ring(),
    }
    return {name: core.whole_points(image) for name, image in frames.items()}


# ---------------------------------------------------------------- building animations

def _body_name(stem: str) -> str:
    return f"map_{stem}_body.png"


def _smoke(x, y, fps, offset, length, drift=4.0, dark=False) -> list[Part]:
    """Two puffs rising from (x, y) half a loop apart, growing and fading; a loop of `length` frames."""
    def state(f, t):
        alpha = 235 * min(1.0, t * 6) * (1 - t) ** 1.2
        size = 0.55 + 0.95 * t
        return Key(f, x + drift * t + 1.5 * math.sin(t * 5), y + 3 + 18 * t, size, size, alpha, 0)

    parts = []
    for k in range(2):
        shift = (offset + k * length // 2) % length
        wrap = length - shift
        frames = set(range(0, length + 1, 6)) | {length}
        if shift:
            frames |= {wrap - 1, wrap}
        keys = []
        for f in sorted(frames):
            t = ((f + shift) % length) / length if f < length else shift / length
            if shift and f == wrap - 1:
                t = (length - 1) / length
            keys.append(state(f, t))
        parts.append(Part("anim_smoke.png", keys, depth=5))
    return parts




def _spin(image, x, y, length, turns=1.0, depth=3, reverse=False) -> Part:
    angle = 360 * turns * (-1 if reverse else 1)
    return Part(image, [Key(0, x, y, rot=0), Key(length, x, y, rot=angle)], depth)


def _wave(image, x, y, length, amount=6, depth=3, scale_wave=0.0) -> Part:
    q = length // 4
    return Part(image, [Key(0, x, y, rot=-amount, sx=1.0), Key(q, x, y, rot=0, sx=1 - scale_wave),
                        Key(2 * q, x, y, rot=amount, sx=1.0), Key(3 * q, x, y, rot=0, sx=1 - scale_wave),
                        Key(length, x, y, rot=-amount, sx=1.0)], depth)


def _bob(image, x, y, length, dy=1.5, dx=0.0, depth=3, rot=0.0, flip=False) -> Part:
    q = length // 4
    s = -1.0 if flip else 1.0
    return Part(image, [Key(0, x, y, sx=s), Key(q, x + dx, y + dy, sx=s, rot=rot), Key(2 * q, x, y, sx=s),
                        Key(3 * q, x - dx, y + dy * 0.5, sx=s, rot=-rot), Key(length, x, y, sx=s)], depth)


def _wander(image, x0, x1, y, length, depth=3) -> Part:
    """An animal walking from x0 to x1 and back, turning round at each end."""
    h = length // 2
    return Part(image, [Key(0, x0, y, sx=-1.0), Key(h - 1, x1, y, sx=-1.0), Key(h, x1, y, sx=1.0),
                        Key(length - 1, x0, y, sx=1.0), Key(length, x0, y, sx=-1.0)], depth)


def _twinkle(image, x, y, length, offset=0, depth=4) -> Part:
    q = length // 4
    keys = [Key(0, x, y, 0.2, 0.2, 0), Key(q, x, y, 1.0, 1.0, 255, 45), Key(2 * q, x, y, 0.2, 0.2, 0, 90),
            Key(length, x, y, 0.2, 0.2, 0, 90)]
    if offset:
        keys = [Key(0, x, y, 0.2, 0.2, 0)] + [Key(k.index + offset, k.x, k.y, k.sx, k.sy, k.alpha, k.rot)
                                               for k in keys[:-1]] + [Key(length + offset, x, y, 0.2, 0.2, 0, 90)]
        keys = [k for k in keys if k.index <= length + offset]
    return Part(image, keys, depth)


def _flicker(image, x, y, length, depth=4) -> Part:
    return Part(image, [Key(0, x, y, 1.0, 1.0, 255), Key(length // 3, x, y, 1.2, 1.2, 150),
                        Key(2 * length // 3, x, y, 0.9, 0.9, 230), Key(length, x, y, 1.0, 1.0, 255)], depth)


def _hammer(x, y, length, depth=4) -> Part:
    h = length // 2
    return Part("anim_hammer.png", [Key(0, x, y, rot=-50), Key(h - 3, x, y, rot=20), Key(h, x, y, rot=-50),
                                    Key(length, x, y, rot=-50)], depth)


@dataclass
class BuildingAnim:
    stem: str
    body: Image.Image
    xml: str


def building_animations() -> dict[str, BuildingAnim]:
    """Every animated building: its body frame and its part animation."""
    fps = 24
    result = {}
    for stem in ANIMATED_STEMS:
        style = BUILDINGS[stem]
        drawn = draw_building(style, with_moving=False)
        body = drawn.image
        bh = body.height / core.MASTER
        w, h = style.size
        parts = [static(_body_name(stem), 0, bh / 2 - 0.8)]
        top = drawn.top or (0, h)
        smoke = drawn.smoke
        if stem == "b_ventilation_shaft":
            parts.append(_spin("anim_fan.png", top[0], top[1], 24, depth=3))
            parts += _smoke(w * 0.3, h * 0.55, fps, 0, 60, drift=2)
        elif stem == "b_lookout":
            parts.append(_wave("anim_flag.png", top[0], top[1] + 2, 40, 5, scale_wave=0.25))
        elif stem == "b_workshop":
            parts += _smoke(smoke[0], smoke[1], fps, 0, 60)
            parts.append(_hammer(-w * 0.42, 6, 24))
        elif stem == "b_bakery":
            parts += _smoke(smoke[0], smoke[1], fps, 0, 60)
            parts.append(_flicker("anim_glow.png", w * 0.14, h * 0.3, 36))
        elif stem == "b_observatory":
            parts.insert(0, _wave("anim_telescope.png", top[0] + 1, top[1] - h * 0.34, 96, 8, depth=-1))
            parts.append(_twinkle("anim_spark.png", top[0] + 10, top[1] + 6, 48))
            parts.append(_twinkle("anim_spark.png", top[0] - 9, top[1] - 2, 48, offset=20))
        elif stem in ("b_forge", "b_ironwork"):
            parts += _smoke(smoke[0], smoke[1], fps, 0, 54, drift=3)
            parts.append(_flicker("anim_glow.png", w * 0.14, h * 0.3, 18))
            parts.append(_twinkle("anim_spark.png", -w * 0.33, 8, 30))
            parts.append(_twinkle("anim_spark.png", -w * 0.25, 12, 30, offset=12))
        elif stem == "b_building_site":
            parts.append(_wave("anim_crane.png", 0, h * 0.95, 96, 12, depth=4))
            parts.append(_hammer(w * 0.3, 6, 20))
        elif stem == "b_lift":
            parts.append(_spin("anim_pulley.png", top[0], top[1], 36))
            parts.append(Part("anim_cart.png", [Key(0, top[0], 5), Key(40, top[0], h * 0.45, alpha=255),
                                                Key(48, top[0], h * 0.45), Key(88, top[0], 5), Key(96, top[0], 5)], 2))
        elif stem == "b_gold_mine":
            parts.append(_spin("anim_pulley.png", top[0], top[1], 36))
            for k, (dx, dy) in enumerate(((-10, 10), (12, 16), (2, 24))):
                parts.append(_twinkle("anim_spark.png", dx, dy, 45, offset=k * 14))
        elif stem == "b_yard":
            parts.append(_bob("anim_chick.png", -w * 0.22, 3, 16, dy=2.5))
            parts.append(_bob("anim_chick.png", w * 0.05, 5, 20, dy=2.0, flip=True))
            parts.append(_wander("anim_hen.png", -w * 0.3, w * 0.25, 1, 96))
        elif stem == "b_windmill":
            parts.append(_spin("anim_sails.png", top[0], top[1], 96, depth=3))
        elif stem == "b_mill":
            parts.insert(0, _spin("anim_waterwheel.png", w * 0.48, 8, 60, depth=-1))
        elif stem == "b_hen-house":
            parts.append(_bob("anim_hen.png", -w * 0.22, 3, 24, dy=0.5, rot=18))
            parts.append(_wander("anim_chick.png", -w * 0.35, w * 0.2, 2, 72))
        elif stem == "b_feeding_trough":
            parts.append(_bob("anim_pig.png", -w * 0.15, 3, 30, dy=-1.0, rot=6))
            parts.append(_bob("anim_piglet.png", w * 0.2, 2, 24, dy=1.5, flip=True))
        elif stem == "b_pigsty":
            parts.append(_wander("anim_pig.png", -w * 0.3, w * 0.2, 2, 120))
            parts.append(_bob("anim_piglet.png", w * 0.05, 4, 20, dy=1.5))
        elif stem == "b_pasture":
            parts.append(_wander("anim_sheep.png", -w * 0.3, w * 0.25, 2, 144))
            parts.append(_bob("anim_sheep.png", w * 0.12, 5, 40, dy=-0.8, rot=5, flip=True))
        elif stem == "b_cow_shed":
            parts.append(_wander("anim_cow.png", -w * 0.55, -w * 0.2, 0, 168, depth=4))
        elif stem == "b_kennel":
            parts.append(_bob("anim_dog.png", -w * 0.18, 3, 12, dy=2.2, rot=8))
        elif stem == "b_camp":
            parts.append(_flicker("anim_fire.png", -w * 0.05, 3, 12))
            parts += _smoke(-w * 0.05, 9, fps, 0, 60, drift=3)
        elif stem == "b_saw_mill":
            parts.insert(0, _spin("anim_sawblade.png", w * 0.5, 8, 18, depth=-1, reverse=True))
            parts += _smoke(smoke[0], smoke[1], fps, 0, 60)
        result[stem] = BuildingAnim(stem, body, to_xml(fps, parts))
    return result


ANIMATED_STEMS = ["b_ventilation_shaft", "b_lookout", "b_workshop", "b_bakery", "b_observatory", "b_forge",
                  "b_ironwork", "b_building_site", "b_lift", "b_gold_mine", "b_yard", "b_windmill", "b_mill",
                  "b_hen-house", "b_feeding_trough", "b_pigsty", "b_pasture", "b_cow_shed", "b_kennel", "b_camp",
                  "b_saw_mill"]


# ---------------------------------------------------------------- construction, fish

def build_animation(centred: bool) -> str:
    """Construction: a scaffold rises in a cloud of dust while planks fly; 1.6 s, played once."""
    fps, end = 20, 32
    lift = -16 if centred else 0     # centred buildings stand on their middle
    parts = [Part("build_scaffold.png", [Key(0, 0, lift + 2, 1.0, 0.1, 255), Key(8, 0, lift + 21, 1.0, 1.0, 255),
                                         Key(26, 0, lift + 21, 1.0, 1.0, 255), Key(end, 0, lift + 21, 1.1, 1.05, 0)], 1)]
    for k, (dx, dy, delay) in enumerate(((-16, 4, 0), (15, 5, 3), (0, 2, 6), (-10, 18, 10), (11, 22, 13),
                                         (-2, 30, 16), (18, 12, 19), (-18, 14, 21))):
        keys = [Key(0, dx * 0.5, lift + dy * 0.5, 0.2, 0.2, 0)]
        if delay:
            keys.append(Key(delay, dx * 0.5, lift + dy * 0.5, 0.2, 0.2, 0))
        keys.append(Key(delay + 2, dx * 0.7, lift + dy * 0.7, 0.7, 0.7, 240))
        keys.append(Key(min(end - 1, delay + 12), dx * 1.3, lift + dy + 6, 1.4, 1.4, 0))
        keys.append(Key(end, dx * 1.3, lift + dy + 6, 1.4, 1.4, 0))
        parts.append(Part("build_dust.png", keys, 3 + k % 2))
    for k, (dx, rot) in enumerate(((-20, -160), (20, 200))):
        parts.append(Part("build_plank.png", [Key(0, dx * 0.3, lift + 4, alpha=0), Key(4 + 6 * k, dx * 0.3, lift + 4),
                                              Key(14 + 6 * k, dx, lift + 34, rot=rot * 0.5),
                                              Key(24 + 4 * k, dx * 1.2, lift + 6, rot=rot, alpha=0),
                                              Key(end, dx * 1.2, lift + 6, rot=rot, alpha=0)], 2))
    parts.append(Part("anim_hammer.png", [Key(0, 14, lift + 30, alpha=0), Key(6, 14, lift + 30, rot=-50),
                                          Key(10, 14, lift + 30, rot=20), Key(12, 14, lift + 30, rot=-50),
                                          Key(16, 14, lift + 30, rot=20), Key(18, 14, lift + 30, rot=-50),
                                          Key(22, 14, lift + 30, rot=20), Key(26, 14, lift + 30, rot=-50, alpha=0),
                                          Key(end, 14, lift + 30, alpha=0)], 5))
    return to_xml(fps, parts)


def fish_animation() -> str:
    """A fish that jumps out of the river every few seconds, with rings on the water."""
    fps, end = 24, 96
    jump = [Key(0, -9, -2, alpha=0, rot=40), Key(30, -9, -2, alpha=0, rot=40), Key(32, -8, 0, rot=40),
            Key(38, -3, 9, rot=10), Key(44, 3, 9, rot=-20), Key(50, 8, 0, rot=-50, alpha=255),
            Key(52, 9, -2, rot=-50, alpha=0), Key(end, 9, -2, rot=-50, alpha=0)]
    parts = [Part("map_fish.png", jump, 2)]
    for x, start in ((-9, 30), (9, 50)):
        parts.append(Part("map_ripple.png", [Key(0, x, -1, 0.2, 0.2, 0), Key(start, x, -1, 0.2, 0.2, 0),
                                             Key(start + 2, x, -1, 0.4, 0.4, 255),
                                             Key(start + 22, x, -1, 1.3, 1.3, 0), Key(end, x, -1, 1.3, 1.3, 0)], 1))
    return to_xml(fps, parts)


# ---------------------------------------------------------------- tutorial overlays

def tutorial_animation(tiles: list[list[str]], path: list[tuple[int, int]], tile_pt: float = 48,
                       result: str | None = None) -> str:
    """A hand that draws a chain over a small board of tiles; the chain's tiles light up and go.

    tiles: rows of sprite-frame names (top row first); path: the (row, column)
    cells the finger visits; result: a tile that the chain leaves behind on its
    last cell. The board is drawn at 0.6 of a board tile, centred a little
    above the panel's middle.
    """
    fps = 24
    scale = 0.6
    step = tile_pt * scale + 2
    rows, cols = len(tiles), len(tiles[0])
    oy = 14

    def cell(r, c):
        return ((c - (cols - 1) / 2) * step, oy + ((rows - 1) / 2 - r) * step)

    press = 12
    per = 14
    end_path = press + per * (len(path) - 1)
    gone = end_path + 12
    back = gone + 16 if result is None else gone + 30
    end = back + 24
    parts = []
    for r, row in enumerate(tiles):
        for c, name in enumerate(row):
            x, y = cell(r, c)
            if (r, c) in path:
                # A new tile drops in once the chain and what it left have gone.
                parts.append(Part(name, [Key(0, x, y, scale, scale), Key(end_path + 2, x, y, scale, scale),
                                         Key(gone, x, y, 0.05, 0.05, 0), Key(back + 10, x, y + 20, scale, scale, 0),
                                         Key(back + 18, x, y, scale, scale, 255), Key(end, x, y, scale, scale)], 1))
            else:
                parts.append(static(name, x, y, 1, scale))
    for i, (r, c) in enumerate(path):
        x, y = cell(r, c)
        t = press + per * i
        # The ring pops up as the finger arrives and stays lit until the chain goes.
        lit = end_path + 3
        parts.append(Part("tutorial_ring.png", [Key(0, x, y, 0.5, 0.5, 0), Key(t, x, y, 0.5, 0.5, 0),
                                                Key(min(t + 3, lit - 1), x, y, 0.98, 0.98, 255),
                                                Key(lit, x, y, 0.98, 0.98, 255),
                                                Key(gone, x, y, 1.4, 1.4, 0), Key(end, x, y, 1.4, 1.4, 0)], 2))
    # The hand: its fingertip is at the picture's top-left quarter.
    fx, fy = 5, -9
    keys = []
    x0, y0 = cell(*path[0])
    keys.append(Key(0, x0 + fx + 14, y0 + fy - 16, 1.0, 1.0, 0))
    keys.append(Key(press - 6, x0 + fx + 6, y0 + fy - 8, 1.0, 1.0, 255))
    keys.append(Key(press, x0 + fx, y0 + fy, 0.9, 0.9, 255))
    for i, (r, c) in enumerate(path[1:], start=1):
        x, y = cell(r, c)
        keys.append(Key(press + per * i, x + fx, y + fy, 0.9, 0.9, 255))
    xl, yl = cell(*path[-1])
    keys.append(Key(end_path + 4, xl + fx + 6, yl + fy - 8, 1.0, 1.0, 255))
    keys.append(Key(gone + 4, xl + fx + 14, yl + fy - 16, 1.0, 1.0, 0))
    keys.append(Key(end, x0 + fx + 14, y0 + fy - 16, 1.0, 1.0, 0))
    parts.append(Part("tutorial_hand.png", keys, 6))
    if result:
        # What the chain grows into pops up where it ended, and goes before the loop starts again.
        xr, yr = cell(*path[-1])
        parts.append(Part(result, [Key(0, xr, yr, 0.1, 0.1, 0), Key(gone, xr, yr, 0.1, 0.1, 0),
                                   Key(gone + 5, xr, yr, scale * 1.2, scale * 1.2, 255),
                                   Key(gone + 8, xr, yr, scale, scale, 255), Key(back + 6, xr, yr, scale, scale, 255),
                                   Key(back + 10, xr, yr, scale, scale, 0), Key(end, xr, yr, scale, scale, 0)], 3))
    return to_xml(fps, parts)


def _ascending(keys: list[Key]) -> list[Key]:
    """The key frames with any that do not come after the one before dropped (a wait of no length)."""
    kept: list[Key] = []
    for key in keys:
        if not kept or key.index > kept[-1].index:
            kept.append(key)
    return kept


def trade_animation() -> str:
    """Goods go to the market and coins come back: bread, then a pie, each paid with coins."""
    fps, end = 24, 104
    parts = [static("b_market.png", 0, 10, 0, 0.9)]
    for k, good in enumerate(("bread.png", "pie.png")):
        t0 = k * 48
        parts.append(Part(good, _ascending([Key(0, -70, 16, 0.5, 0.5, 0), Key(t0, -70, 16, 0.5, 0.5, 0),
                                 Key(t0 + 4, -62, 16, 0.55, 0.55, 255), Key(t0 + 20, -14, 22, 0.45, 0.45, 255),
                                 Key(t0 + 24, -6, 22, 0.2, 0.2, 0), Key(end, -6, 22, 0.2, 0.2, 0)]), 2))
        for c in range(3):
            s0 = t0 + 22 + c * 4
            parts.append(Part("micro_money.png", [Key(0, 10, 20, 0.3, 0.3, 0), Key(s0, 10, 20, 0.3, 0.3, 0),
                                                  Key(s0 + 3, 16, 30, 0.5, 0.5, 255),
                                                  Key(s0 + 14, 62 - c * 4, 8 + c * 5, 0.5, 0.5, 255),
                                                  Key(s0 + 18, 62 - c * 4, 8 + c * 5, 0.5, 0.5, 0),
                                                  Key(end, 62 - c * 4, 8 + c * 5, 0.5, 0.5, 0)], 3))
    return to_xml(fps, parts)


def tutorial_animations() -> dict[str, str]:
    return {
        # The first field: three grain tiles make a chain, and a chain may turn.
        "tutorial_01.xml": tutorial_animation(
            [["wood_summer.png", "carrot.png", "grain.png"],
             ["grain.png", "grain.png", "grass.png"],
             ["carrot.png", "wood_summer.png", "carrot.png"]],
            [(1, 0), (1, 1), (0, 2)]),
        # The first mine: a long chain of earth, round a corner.
        "tutorial_01a.xml": tutorial_animation(
            [["stone.png", "earth.png", "coal.png"],
             ["earth.png", "earth.png", "stone.png"],
             ["coal.png", "earth.png", "earth.png"]],
            [(1, 0), (1, 1), (2, 1), (2, 2)]),
        # Traders are coming: goods go to the market, coins come back.
        "tutorial_02.xml": trade_animation(),
        # Animals grow up: a chain of chickens leaves a pig.
        "tutorial_03.xml": tutorial_animation(
            [["grass.png", "carrot.png", "grass.png"],
             ["chicken.png", "chicken.png", "chicken.png"],
             ["carrot.png", "grass.png", "wood_summer.png"]],
            [(1, 0), (1, 1), (1, 2)], result="pig.png"),
    }
