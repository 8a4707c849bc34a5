"""Where everything stands on the village map: roads, river, slots and trees.

One world serves both screens. It is 384 x 512 phone points, y growing
downwards (as the definition files count it). A tablet (768 x 1024 points, the
H sheet at one pixel a point) shows the whole world at twice the size; a phone
(320 x 480 points) shows the middle of it, PHONE_ORIGIN being the world point
at the phone's top-left corner. The map background is one frame of the world's
size, centred on both screens, so the same frame serves every device.

Slot files count tablet points from the top (the phone file is read at half
scale); road files count 384 x 512 (tablet, doubled when read) or 320 x 480
(phone) from the top.
"""

from __future__ import annotations

import math
from dataclasses import dataclass

WORLD_W, WORLD_H = 384, 512
PHONE_W, PHONE_H = 320, 480
PHONE_ORIGIN = (32, 16)

# The band of the phone screen the HUD leaves free (world y), with a margin:
# buildings stand between these lines so no bar hides them.
FREE_TOP = PHONE_ORIGIN[1] + 52
FREE_BOTTOM = PHONE_ORIGIN[1] + PHONE_H - 60
FREE_LEFT = PHONE_ORIGIN[0] + 4
FREE_RIGHT = PHONE_ORIGIN[0] + PHONE_W - 4

# Map picture sizes in points (width, height) by group; the three fixed slots
# carry their own buildings.
STANDARD_SIZE = (34, 34)


@dataclass
class Road:
    """A cubic Bezier curve in world points (start, control 1, control 2, end)."""

    points: tuple[tuple[float, float], ...]

    def at(self, t: float) -> tuple[float, float]:
        (x0, y0), (x1, y1), (x2, y2), (x3, y3) = self.points
        u = 1 - t
        return (u ** 3 * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t ** 3 * x3,
                u ** 3 * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t ** 3 * y3)

    def polyline(self, steps: int = 64) -> list[tuple[float, float]]:
        return [self.at(i / steps) for i in range(steps + 1)]


# The walking roads. Road 2 is the one a newly hired worker walks in on, from
# its start, so it starts off the left edge of both screens.
ROADS = [
    # South gate up the main street to the square before the settlement.
    Road(((204, 530), (210, 450), (186, 380), (196, 316))),
    # The square east to the right edge, past the village houses.
    Road(((200, 314), (260, 322), (320, 300), (386, 304))),
    # From the west over the bridge to the square.
    Road(((-6, 266), (70, 258), (130, 312), (192, 312))),
    # The square north to the mine in the hill.
    Road(((198, 310), (254, 284), (222, 196), (252, 158))),
    # The fields to the square.
    Road(((162, 380), (170, 350), (180, 330), (194, 318))),
]

# The river along the west side: a polyline of (x, y, half width).
RIVER = [(-10, -10, 16), (40, 40, 17), (52, 120, 18), (44, 200, 19), (58, 262, 18),
         (50, 330, 19), (36, 410, 20), (46, 470, 20), (40, 530, 21)]

# The bridge where road 2 crosses the river (world point).
BRIDGE = (55, 257)


def river_centre(y: float) -> tuple[float, float]:
    """The river's centre x and half width at a world y."""
    for (xa, ya, wa), (xb, yb, wb) in zip(RIVER, RIVER[1:]):
        if ya <= y <= yb:
            t = (y - ya) / (yb - ya)
            return xa + (xb - xa) * t, wa + (wb - wa) * t
    return RIVER[-1][0], RIVER[-1][2]


@dataclass
class Slot:
    """One slot of the map file, in world points (bottom-centre of what stands there)."""

    ident: int
    group: int
    x: float
    y: float
    name: str
    tree: bool = False
    size: tuple[float, float] = STANDARD_SIZE

    def tablet(self) -> tuple[int, int]:
        return round(self.x * 2), round(self.y * 2)

    def phone(self) -> tuple[int, int]:
        return round((self.x - PHONE_ORIGIN[0]) * 2), round((self.y - PHONE_ORIGIN[1]) * 2)


# The fixed slots (world points: bottom-centre, the mine its centre).
SETTLEMENT = (196, 298)   # slot 1: the settlement chain, up to the castle
FIELDS = (116, 434)       # slot 3: the fields
MINE = (266, 118)         # slot 9: the mine in the hill (centre anchor)
FOREGROUND = (34, 150)    # slot 62: the willow leaning over the river, drawn over everything
FISH = [(51, 190), (44, 390)]
# Decorations revealed by the settlement's upgrades (flat, drawn under everything).
REVEALED = {
    301: ((192, 318), "map_deco_square.png"),      # village hall: a cobbled square
    302: ((146, 290), "map_deco_flowers.png"),     # town hall: flower beds
    303: ((240, 292), "map_deco_fountain.png"),    # city hall: a fountain pool
    304: ((192, 338), "map_deco_banners.png"),     # city hall: a carpet of banners on the square
}

# Footprints (half width, height above the base) the placement keeps clear.
FIXED_FOOTPRINTS = [
    (SETTLEMENT, 56, 100),
    (FIELDS, 54, 62),
    ((MINE[0], MINE[1] + 34), 46, 80),
]

# Group regions: a preferred centre for each building group.
GROUP_CENTRES = {1: (290, 380), 2: (110, 300), 3: (250, 200)}
GROUP_DEFAULT_COUNTS = {1: 28, 2: 16, 3: 11}


def _distance_to_polyline(p, line) -> float:
    best = 1e9
    for (ax, ay), (bx, by) in zip(line, line[1:]):
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy or 1e-9
        t = max(0.0, min(1.0, ((p[0] - ax) * dx + (p[1] - ay) * dy) / length2))
        cx, cy = ax + t * dx, ay + t * dy
        best = min(best, math.hypot(p[0] - cx, p[1] - cy))
    return best


_ROAD_LINES = [road.polyline() for road in ROADS]


def clear_of_roads(x: float, y: float, half_w: float, margin: float = 9) -> bool:
    """Whether a base band (the lowest 14 points of a footprint) keeps off every road."""
    for line in _ROAD_LINES:
        for px in (x - half_w, x, x + half_w):
            for py in (y, y - 7, y - 14):
                if _distance_to_polyline((px, py), line) < margin:
                    return False
    return True


def clear_of_river(x: float, y: float, half_w: float, margin: float = 6) -> bool:
    for py in (y, y - 10, y - 20):
        cx, half = river_centre(py)
        if abs(x - cx) < half + half_w + margin:
            return False
    return True


def _overlaps(a, b) -> bool:
    """Whether two footprints ((x, y), half width, height) stand too close.

    Side by side they may not overlap; one behind the other, the one behind
    must stand back by most of the front one's height (its roof may hide
    behind the front one's base, not its door).
    """
    (ax, ay), aw, ah = a[:3]
    (bx, by), bw, bh = b[:3]
    if abs(ax - bx) >= aw + bw - 3:
        return False
    if ay < by:
        a, b = b, a
        (ax, ay), aw, ah = a[:3]
        (bx, by), bw, bh = b[:3]
    cover = a[3] if len(a) > 3 else 0.68
    return ay - by < cover * ah


def place_slots(counts: dict[int, int], strict: bool = True) -> list[Slot]:
    """Building slots for each group, first ident 10, clear of roads, river and each other.

    A scan from the top left packs places as tightly as the footprints allow;
    then each group, the mine's first, takes the free places nearest its
    centre. Deterministic.
    """
    half_w = STANDARD_SIZE[0] / 2
    taken = [((x, y), w, h, 1.0) for (x, y), w, h in FIXED_FOOTPRINTS]
    places = []
    y = FREE_TOP + 26
    while y <= FREE_BOTTOM:
        x = FREE_LEFT + half_w
        while x <= FREE_RIGHT - half_w:
            footprint = ((x, y), half_w, STANDARD_SIZE[1])
            if clear_of_roads(x, y, half_w) and clear_of_river(x, y, half_w) and \
                    not any(_overlaps(footprint, other) for other in taken):
                taken.append(footprint)
                places.append((x, y))
            x += 3
        y += 3
    slots: list[Slot] = []
    ident = 10
    for group in sorted(counts, key=lambda g: (g != 3, g)):
        cx, cy = GROUP_CENTRES[group]
        ordered = sorted(places, key=lambda p: (math.hypot(p[0] - cx, (p[1] - cy) * 1.3), p))
        chosen = ordered[:counts[group]]
        if len(chosen) < counts[group] and strict:
            raise ValueError(f"the map has room for only {len(chosen)} of {counts[group]} slots of group {group}")
        for p in sorted(chosen, key=lambda p: (p[1], p[0])):
            places.remove(p)
            if ident == 62:
                ident += 1
            slots.append(Slot(ident, group, p[0], p[1], "map_bush_01.png"))
            ident += 1
    return slots


TREE_KINDS = ["map_tree_oak.png", "map_tree_pine.png", "map_tree_birch.png", "map_tree_apple.png",
              "map_bush_01.png", "map_bush_02.png"]


def place_trees(building_slots: list[Slot]) -> list[Slot]:
    """Trees around the village: the wood along the top and the edges, a few in gaps.

    Every tree keeps off roads, the river and the buildings' footprints.
    Trees get their own idents (key ident x 1000); a few building slots also
    carry a bush of their own ident, cleared when something is built there.
    """
    taken = [((x, y), w, h) for (x, y), w, h in FIXED_FOOTPRINTS]
    taken += [((s.x, s.y), s.size[0] / 2, s.size[1]) for s in building_slots]
    trees: list[Slot] = []
    ident = 500
    # A deterministic scatter: a jittered grid, denser near the edges.
    seed = 12345

    def rand() -> float:
        nonlocal seed
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        return seed / 0x7FFFFFFF

    y = 8.0
    while y < WORLD_H + 10:
        x = 6.0 + rand() * 10
        while x < WORLD_W:
            jx, jy = x + rand() * 10 - 5, y + rand() * 8 - 4
            edge = min(jx - FREE_LEFT, FREE_RIGHT - jx, jy - FREE_TOP + 20, FREE_BOTTOM + 40 - jy)
            chance = 0.9 if edge < 0 else (0.35 if edge < 30 else 0.12)
            kind = TREE_KINDS[int(rand() * 1000) % (4 if edge < 0 else len(TREE_KINDS))]
            keep = rand() < chance
            if keep and clear_of_roads(jx, jy, 8, margin=6) and clear_of_river(jx, jy, 8, margin=2) \
                    and not _near_bridge(jx, jy):
                footprint = ((jx, jy), 10, 24)
                if not any(_overlaps(footprint, other) for other in taken) and not _in_hill(jx, jy):
                    taken.append(footprint)
                    trees.append(Slot(ident, 0, jx, jy, kind, tree=True, size=(20, 30)))
                    ident += 1
            x += 22
        y += 19
    # A bush on every third empty building slot, so an early village is not bare.
    for slot in building_slots[::3]:
        trees.append(Slot(slot.ident, 0, slot.x, slot.y - 2, "map_bush_02.png", tree=True, size=(20, 16)))
    return trees


def _near_bridge(x: float, y: float) -> bool:
    return math.hypot(x - BRIDGE[0], y - BRIDGE[1]) < 26


def _in_hill(x: float, y: float) -> bool:
    """The mine's hill in the north-east, which the background paints."""
    return (x - 280) ** 2 / 70 ** 2 + (y - 100) ** 2 / 62 ** 2 < 1.0


def all_slots(counts: dict[int, int], strict: bool = True) -> list[Slot]:
    buildings = place_slots(counts, strict)
    slots = [
        Slot(0, 0, WORLD_W / 2, WORLD_H / 2, "map_bg.png", tree=True, size=(WORLD_W, WORLD_H)),
        Slot(1, 102, *SETTLEMENT, "map_b_settlement2.png", size=(100, 100)),
        Slot(3, 103, *FIELDS, "map_b_fields.png", size=(100, 60)),
        Slot(9, 101, *MINE, "map_b_mine.png", size=(80, 70)),
        Slot(62, 0, *FOREGROUND, "map_foreground_willow.png", tree=True, size=(60, 80)),
    ]
    for ident, (pos, name) in REVEALED.items():
        slots.append(Slot(ident, 0, pos[0], pos[1], name))
    for i, pos in enumerate(FISH):
        slots.append(Slot(401 + i, 0, pos[0], pos[1], "map_fish.png", tree=True))
    slots += buildings
    slots += place_trees(buildings)
    return slots
