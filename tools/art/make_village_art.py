#!/usr/bin/python3
"""Writes the village's art and definitions into resources/.

Sheets Village-iPhone4-{L,H,H2} (RGBA4444) hold the map background, trees and
decorations, every building's list and map pictures, the animated buildings'
bodies and moving parts, the workers' pictures and walker parts, and the map's
fixed frames. Beside them it writes the part animations of the village
(map_b_*.xml, build.xml, build_pivot.xml, map_fishes.xml, tutorial_*.xml), the
roads (roads_iphone.xml, roads_ipad.xml) and the map slots (map_short.xml,
map_slots_short.xml).

Which buildings and workers exist, their groups and which are animated come
from resources/test.xml when it is there; without it the upgrade list of the
naming contract stands in. Deterministic: the same input gives the same bytes.
Run with /usr/bin/python3.
"""

from __future__ import annotations

import sys
import xml.etree.ElementTree as ET
from dataclasses import dataclass
from pathlib import Path

sys.dont_write_bytecode = True  # leave no cache files beside the generator
sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "content"))

from PIL import Image  # noqa: E402

import core  # noqa: E402
import village_anims as anims  # noqa: E402
import village_figures as figures  # noqa: E402
import village_fixed as fixed  # noqa: E402
import village_layout as layout  # noqa: E402
import village_nature as nature  # noqa: E402
from village_buildings import draw_building, list_picture  # noqa: E402
from village_catalogue import BUILDINGS, style_for  # noqa: E402
import village_sheet  # noqa: E402
from stems import UPGRADE_STEMS  # noqa: E402

OUT = core.RESOURCES

STEMS = UPGRADE_STEMS

# The animated buildings of the contract and their picture stems.
ANIMATED = {15: "b_ventilation_shaft", 16: "b_lookout", 19: "b_workshop", 28: "b_bakery", 36: "b_observatory",
            39: "b_forge", 40: "b_ironwork", 41: "b_building_site", 43: "b_lift", 46: "b_gold_mine", 50: "b_yard",
            51: "b_windmill", 52: "b_mill", 53: "b_hen-house", 55: "b_feeding_trough", 57: "b_pigsty",
            59: "b_pasture", 61: "b_cow_shed", 63: "b_kennel", 88: "b_camp", 93: "b_saw_mill"}
SETTLEMENT_IDS = (88, 101, 89, 27, 90, 38)
WOMEN_IDS = (7, 8, 65, 66)


@dataclass
class Upgrade:
    ident: int
    type: int
    png: str
    animated: bool
    group: int
    next_update: int


def contract_upgrades() -> list[Upgrade]:
    result = []
    for ident, stem in enumerate(STEMS, start=1):
        png = ANIMATED.get(ident, stem.lower())
        if stem.startswith("B_"):
            kind = 2
        elif stem.split("_")[0] in ("PICKER", "FARMER", "MINER", "PROSPECTOR") or ident == 105:
            kind = 3
        else:
            kind = 4
        group = {88: 102, 101: 102, 89: 102, 27: 102, 90: 102, 38: 102, 91: 103, 29: 101}.get(ident, 0)
        result.append(Upgrade(ident, kind, png, ident in ANIMATED, group, -1))
    return result


def read_upgrades(path: Path) -> list[Upgrade]:
    """The upgrade records of the game data (ID, Type, PngName, Animated, GroupNumber, NextUpdateIndex)."""
    root = ET.parse(path).getroot()
    result = []
    for element in root.iter("Upgrade"):
        a = element.attrib
        try:
            result.append(Upgrade(int(a.get("ID", "0")), int(a.get("Type", "0")), a.get("PngName", ""),
                                  a.get("Animated") == "true", int(a.get("GroupNumber", "0") or 0),
                                  int(a.get("NextUpdateIndex", "-1") or -1)))
        except ValueError as error:
            raise SystemExit(f"{path}: upgrade {a.get('ID')}: {error}")
    return result


def slot_counts(upgrades: list[Upgrade]) -> dict[int, int]:
    """Slots each building group needs: its buildings minus those that replace another of the group in place."""
    buildings = [u for u in upgrades if u.type == 2 and u.group in (1, 2, 3)]
    replaced_by = {u.next_update for u in upgrades if u.type == 2 and u.next_update > 0}
    counts = {}
    for group in (1, 2, 3):
        members = [u for u in buildings if u.group == group]
        standing = [u for u in members if u.ident not in replaced_by]
        counts[group] = max(len(standing), 1 if members else 0)
    return {g: n for g, n in counts.items() if n > 0} or dict(layout.GROUP_DEFAULT_COUNTS)


def building_frames(upgrades: list[Upgrade]) -> dict[str, Image.Image]:
    frames: dict[str, Image.Image] = {}
    for u in upgrades:
        if u.type != 2 or not u.png:
            continue
        style = style_for(u.png)
        frames[f"{u.png}.png"] = list_picture(style, style.props)
        if not u.animated:
            frames[f"map_{u.png}.png"] = draw_building(style).image
    return frames


def worker_frames(upgrades: list[Upgrade]) -> dict[str, Image.Image]:
    frames = {}
    for u in upgrades:
        if u.type != 3 or not u.png:
            continue
        woman = u.ident in WOMEN_IDS
        frames[f"{u.png}.png"] = figures.worker_picture(u.png)
        frames[f"{u.png}_small.png"] = figures.walker_body(u.png, woman)
        if woman:
            frames[f"{u.png}_skirt.png"] = figures.walker_skirt(u.png)
    for name in ("worker_ploughman", "worker_prospector", "worker_elder"):
        frames[f"{name}.png"] = figures.portrait(name)
    frames["worker_base_small.png"] = figures.generic_body()
    frames["fake_mid3.png"] = figures.worker_form()
    for i in range(1, 25):
        frames[f"hands_{i:04d}.png"] = figures.hands(i)
        frames[f"legs_{i:04d}.png"] = figures.legs(i)
    return frames


def fixed_frames() -> dict[str, Image.Image]:
    frames = dict(fixed.entrance_icons())
    for i in range(1, 19):
        frames[f"exclamation_{i:04d}.png"] = fixed.exclamation(i)
    frames["map_marker_build.png"] = fixed.marker("build")
    frames["map_marker_upgrade.png"] = fixed.marker("upgrade")
    frames["map_white_glow.png"] = fixed.white_glow()
    frames["micro_money.png"] = fixed.micro_money()
    frames.update(fixed.tool_hint_pictures())
    frames["tutorial_hand.png"] = fixed.tutorial_hand()
    # The building tooltip and the level-up pop-up's trophy, rays and letters
    # are drawn with the other pop-ups in the common GUI sheet.
    return frames


def nature_frames(slots) -> dict[str, Image.Image]:
    frames = {"map_bg.png": nature.background(), "map_fish.png": nature.fish(), "map_ripple.png": nature.ripple(),
              "map_foreground_willow.png": nature.willow()}
    for name in layout.TREE_KINDS:
        frames[name] = nature.tree(name)
    for _, name in layout.REVEALED.values():
        frames[name] = nature.decoration(name)
    missing = {s.name for s in slots} - set(frames) - {f"map_{n}.png" for n in ("b_settlement2", "b_fields", "b_mine")}
    if missing:
        raise SystemExit(f"slots name pictures nobody draws: {sorted(missing)}")
    return frames


def write_roads() -> None:
    """The roads in both files' spaces: tablet = world points, phone = the phone's window of them."""
    for name, (ox, oy) in (("roads_ipad.xml", (0, 0)), ("roads_iphone.xml", layout.PHONE_ORIGIN)):
        lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<roads>"]
        for road in layout.ROADS:
            lines.append("  <spline>")
            lines.append("    <curve>")
            for x, y in road.points:
                lines.append(f'      <point x="{round(x - ox)}" y="{round(y - oy)}"/>')
            lines.append("    </curve>")
            lines.append("  </spline>")
        lines.append("</roads>")
        (OUT / name).write_text("\n".join(lines) + "\n", encoding="utf-8")


def write_slots(slots) -> None:
    for name, phone in (("map_slots_short.xml", False), ("map_short.xml", True)):
        lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<map>", "  <view>"]
        for s in slots:
            x, y = s.phone() if phone else s.tablet()
            lines.append(f'    <image Name="{s.name}" x="{x}" y="{y}" ID="{s.ident}" GroupID="{s.group}" '
                         f'isTree="{1 if s.tree else 0}"/>')
        lines.append("  </view>")
        lines.append("</map>")
        (OUT / name).write_text("\n".join(lines) + "\n", encoding="utf-8")


def write_animations(building_anims) -> None:
    for stem, anim in building_anims.items():
        (OUT / f"map_{stem}.xml").write_text(anim.xml, encoding="utf-8")
    (OUT / "build.xml").write_text(anims.build_animation(False), encoding="utf-8")
    (OUT / "build_pivot.xml").write_text(anims.build_animation(True), encoding="utf-8")
    (OUT / "map_fishes.xml").write_text(anims.fish_animation(), encoding="utf-8")
    for name, text in anims.tutorial_animations().items():
        (OUT / name).write_text(text, encoding="utf-8")


def main() -> None:
    data = OUT / "test.xml"
    upgrades = read_upgrades(data) if data.exists() else contract_upgrades()
    counts = slot_counts(upgrades) if data.exists() else dict(layout.GROUP_DEFAULT_COUNTS)
    slots = layout.all_slots(counts)

    frames: dict[str, Image.Image] = {}
    frames.update(nature_frames(slots))
    frames.update(building_frames(upgrades))
    # The three fixed slots' buildings are data too; draw their map pictures whatever the data says.
    for stem in ("b_fields", "b_mine", "b_settlement2"):
        frames.setdefault(f"map_{stem}.png", draw_building(BUILDINGS[stem]).image)
    building_anims = anims.building_animations()
    for stem, anim in building_anims.items():
        frames[f"map_{stem}_body.png"] = anim.body
    frames.update(anims.part_frames())
    frames.update(worker_frames(upgrades))
    frames.update(fixed_frames())

    sizes = {}
    for row, plist in core.rows_for("Village-iPhone4-{row}.plist").items():
        # The H2 sheet carries the map's 1536 x 2048 background beside everything else.
        sizes[row] = village_sheet.write_sheet(OUT, plist, frames, row, max_side=4096 if row == "H2" else 2048)
    write_animations(building_anims)
    write_roads()
    write_slots(slots)
    for row, size in sizes.items():
        print(f"Village-iPhone4-{row}: {size[0]}x{size[1]}, {len(frames)} frames")
    print(f"slots: {counts}, {len(slots)} in all")


if __name__ == "__main__":
    main()
