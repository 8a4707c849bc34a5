#!/usr/bin/python3
"""Writes resources/test.xml, the game data: levels, tutorial frames, tile
kinds, resources, settings and every upgrade.

Deterministic: the same script gives the same bytes. Run it on its own or
through tools/make_content.sh.

Rules of the reader the file is written for:
- "true" is the only true flag; absent attributes read as 0 / NO / empty.
- No attribute may be called name, value or node.
- Identifiers: tile kinds and resources 1..24, upgrades 1..143.
"""

import os
import sys
from xml.sax.saxutils import quoteattr

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stems import UPGRADE_STEMS  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "resources", "test.xml")

# ---------------------------------------------------------------- levels
# Experience total at which each level begins (level 1 at 0) and the gold
# paid when it is reached. Level 2 comes with the fields (upgrade 91); later
# levels take a few sessions, growing slowly.
LEVEL_COUNT = 30


def level_table():
    points = [0, 60]
    step = 700
    while len(points) < LEVEL_COUNT:
        points.append(points[-1] + step)
        step = int(round(step * 1.15 / 10.0)) * 10
    rewards = [0] + [50 + 25 * level for level in range(1, LEVEL_COUNT)]
    return points, rewards


# ---------------------------------------------------------------- tile kinds
# id, name (= sound key), mode, picture, seasonal pictures,
# (next kind, tiles per reward tile), (resource, tiles per unit), MinGroup,
# mine weight, field weights (spring, summer, autumn, winter),
# MovesTime, ConstAnim, IsAnimated, Points (per reward tile), PointsColl (per tile), groups
NEVER = 99  # tiles per reward tile of kinds that make none (never reached: a board has 36 tiles)

KINDS = [
    (1, "earth", "mine", "earth", None, (4, 5), (14, 10), 3, 31, None, True, False, False, 4, 1, []),
    (2, "rubble", "mine", "rubble", None, (7, 6), (16, 8), 3, 12, None, True, False, False, 6, 1, []),
    (3, "methane", "mine", "methane", None, (3, NEVER), (0, 0), 36, 4, None, False, False, False, 0, 2, []),
    (4, "stone", "mine", "stone", None, (7, 5), (10, 8), 3, 18, None, True, False, False, 6, 1, []),
    (5, "coal", "mine", "coal", None, (22, 9), (11, 8), 3, 12, None, True, False, False, 10, 1, []),
    (6, "diamond", "mine", "diamond", None, (24, 6), (12, 3), 3, 2, None, True, False, False, 30, 4, []),
    (7, "iron", "mine", "iron", None, (8, 6), (7, 8), 3, 10, None, True, False, False, 8, 2, []),
    (8, "silver", "mine", "silver", None, (9, 6), (8, 6), 3, 7, None, True, False, False, 12, 2, []),
    (9, "gold", "mine", "gold", None, (6, 6), (9, 5), 3, 4, None, True, False, False, 20, 3, []),
    (10, "grass", "field", "grass", ("grass_spring", "grass", "grass_autumn", "snow"), (12, 5), (15, 8), 3,
     0, (24, 20, 18, 28), True, True, False, 4, 1, ["RABBIT_GRASS"]),
    (11, "wood", "field", "wood", ("wood_spring", "wood_summer", "wood_autumn", "wood_winter"), (21, 10),
     (13, 4), 3, 0, (16, 14, 18, 22), True, True, False, 8, 1, ["WOLF_WOOD"]),
    (12, "carrot", "field", "carrot", ("carrot_spring", "carrot", "carrot_autumn", "carrot_winter"), (19, 6),
     (1, 6), 3, 0, (14, 14, 10, 6), True, False, False, 6, 1, []),
    (13, "grain", "field", "grain", ("grain", "grain", "grain", "grain"), (14, 5), (3, 5), 3,
     0, (12, 16, 12, 6), True, True, False, 6, 1, []),
    (14, "chicken", "field", "chicken", ("chicken",) * 4, (15, 5), (4, 5), 3, 0, (10, 10, 10, 10),
     True, False, True, 8, 1, []),
    (15, "pig", "field", "pig", ("pig",) * 4, (16, 6), (5, 5), 3, 0, (6, 7, 7, 8),
     True, False, True, 12, 2, []),
    (16, "cow", "field", "cow", ("cow",) * 4, (23, 6), (6, 4), 3, 0, (4, 5, 5, 6),
     True, False, True, 25, 3, []),
    (17, "rabbit", "field", "rabbit", ("rabbit",) * 4, (17, NEVER), (0, 0), 3, 0, (4, 4, 4, 3),
     True, False, False, 0, 2, ["RABBIT_GRASS"]),
    (18, "wolf", "field", "wolf", ("wolf",) * 4, (18, NEVER), (0, 0), 3, 0, (2, 2, 4, 6),
     True, False, False, 0, 3, ["WOLF_WOOD"]),
    (19, "apple", "field", "apple", ("apple_spring", "apple", "apple_autumn", "apple_winter"), (21, 9),
     (2, 6), 3, 0, (8, 8, 12, 5), True, False, False, 10, 2, []),
    (20, "methane_primed", "mine", "methane_primed", None, (20, NEVER), (0, 0), 36, 0, None,
     False, False, False, 0, 2, []),
    (21, "coin_field", "field", "coin", ("coin",) * 4, (21, NEVER), (0, 0), 1, 0, (0, 0, 0, 0),
     False, False, False, 0, 10, []),
    (22, "coin_mine", "mine", "coin", None, (22, NEVER), (0, 0), 1, 0, None, False, False, False, 0, 10, []),
    (23, "trophy_field", "field", "goblet", ("goblet",) * 4, (23, NEVER), (0, 0), 1, 0, (0, 0, 0, 0),
     False, False, False, 0, 50, []),
    (24, "trophy_mine", "mine", "goblet", None, (24, NEVER), (0, 0), 1, 0, None,
     False, False, False, 0, 50, []),
]

# ---------------------------------------------------------------- resources
# id, name, picture, mine, field, buy price, sell price, at start, moves (foods), points
RESOURCES = [
    (1, "Soup", "soup", False, True, 14, 4, 2, 3, 3),
    (2, "Pie", "pie", False, True, 22, 7, 0, 5, 4),
    (3, "Bread", "bread", False, True, 10, 3, 4, 2, 2),
    (4, "Flock", "flock", False, True, 16, 5, 0, 6, 3),
    (5, "Drove", "drove", False, True, 26, 8, 0, 8, 5),
    (6, "Herd", "herd", False, True, 40, 12, 0, 10, 8),
    (7, "Iron bar", "iron_bar", True, False, 30, 9, 0, 0, 5),
    (8, "Silver bar", "silver_bar", True, False, 50, 15, 0, 0, 8),
    (9, "Gold bar", "gold_bar", True, False, 90, 28, 0, 0, 12),
    (10, "Building block", "building_block", True, False, 20, 6, 0, 0, 3),
    (11, "Coal cart", "coal_cart", True, False, 24, 7, 0, 0, 4),
    (12, "Treasure chest", "treasure_chest", True, False, 160, 50, 0, 0, 20),
    (13, "Plank", "plank", False, True, 12, 4, 5, 0, 2),
    (14, "Earth", "earth_res", True, False, 6, 2, 0, 0, 1),
    (15, "Grass", "grass_res", False, True, 6, 2, 3, 0, 1),
    (16, "Rubble", "rubble_res", True, False, 8, 2, 0, 0, 1),
    (17, "Villagers", "people", False, False, 0, 0, 2, 0, 0),
    (18, "Gold packs", "microtrans", False, False, 0, 0, 0, 0, 0),
    (19, "Pouch of gold", "money_1", False, False, 0, 0, 0, 0, 0),
    (20, "Purse of gold", "money_2", False, False, 0, 0, 0, 0, 0),
    (21, "Bag of gold", "money_3", False, False, 0, 0, 0, 0, 0),
    (22, "Sack of gold", "money_4", False, False, 0, 0, 0, 0, 0),
    (23, "Chest of gold", "money_5", False, False, 0, 0, 0, 0, 0),
    (24, "Vault of gold", "money_6", False, False, 0, 0, 0, 0, 0),
]

SETTINGS = [
    ("SeasonTime", 9), ("MineFood", 35), ("RatJump", 8), ("WolfJump", 6), ("MovesPerFood", 5),
    ("MicroGoldCount1", 500), ("MicroGoldCount2", 1200), ("MicroGoldCount3", 2600),
    ("MicroGoldCount4", 5500), ("MicroGoldCount5", 12000), ("MicroGoldCount6", 30000),
    ("GoldLevel1", 40), ("GoldLevel2", 70), ("GoldLevel3", 110), ("GoldLevel4", 160),
    ("GoldLevel5", 220), ("GoldLevel6", 300),
    ("TaxTimeH", 1), ("TaxTimeM", 0), ("TaxTimeS", 0),
    ("MineBMovesPrice", 60), ("FieldSavePrice", 40), ("KanapkaMoves", 10),
]

# ---------------------------------------------------------------- upgrades
STEMS = UPGRADE_STEMS

# Animated buildings: map art is the part animation "map_<picture>.xml".
ANIMATED = {15: "b_ventilation_shaft", 16: "b_lookout", 19: "b_workshop", 28: "b_bakery", 36: "b_observatory",
            39: "b_forge", 40: "b_ironwork", 41: "b_building_site", 43: "b_lift", 46: "b_gold_mine",
            50: "b_yard", 51: "b_windmill", 52: "b_mill", 53: "b_hen-house", 55: "b_feeding_trough",
            57: "b_pigsty", 59: "b_pasture", 61: "b_cow_shed", 63: "b_kennel", 88: "b_camp", 93: "b_saw_mill"}

# Map-slot groups.
G_VILLAGE, G_FARM, G_MINE = 1, 2, 3
G_MINE_ENTRANCE, G_SETTLEMENT, G_FIELDS = 101, 102, 103


# Effect helpers (ActionItem Type = effect kind).
def tile_reward(kind, by):  # 0: tiles per reward tile
    return dict(Type=0, Name="RewardTiles", ID=kind, Value=by)


def resource_rate(res, by):  # 1: tiles per resource unit
    return dict(Type=1, Name="ResourceTiles", ID=res, Value=by)


def spawn(kind, mine=0, spring=0, summer=0, autumn=0, winter=0):  # 2: spawn weights
    d = dict(Type=2, Name="Spawn", ID=kind)
    for key, v in (("Probability", mine), ("ProbSpring", spring), ("ProbSummer", summer),
                   ("ProbAutumn", autumn), ("ProbWinter", winter)):
        if v:
            d[key] = v
    return d


def spawn_field(kind, v):
    return spawn(kind, spring=v, summer=v, autumn=v, winter=v)


def reveal(upgrade):  # 3
    return dict(Type=3, Name="Reveal", Value=upgrade)


def collect_all(kind):  # 4 (board)
    return dict(Type=4, Name="CollectAll", Value=kind)


def retype(a, b):  # 8 (board)
    return dict(Type=8, Name="Retype", Value=a, Value2=b)


def spawn_next(kind):  # 9 (board)
    return dict(Type=9, Name="SpawnNext", Value=kind)


def wolf_jump(by):  # 10
    return dict(Type=10, Name="WolfJump", Value=by)


def rat_jump(by):  # 11
    return dict(Type=11, Name="RabbitJump", Value=by)


def mine_moves(by):  # 13
    return dict(Type=13, Name="MineFood", Value=by)


def stock(res, by):  # 14
    return dict(Type=14, Name="Stock", Value=res, Value2=by)


def season(by):  # 15
    return dict(Type=15, Name="SeasonTime", Value=by)


def tax_period(seconds):  # 19
    return dict(Type=19, Name="TaxTime", Value2=seconds)


def show_next_mine():  # 22
    return dict(Type=22, Name="ShowNextMine")


def show_next_field():  # 23
    return dict(Type=23, Name="ShowNextField")


UPGRADES = {}


def building(uid, name, group, level, costs, money, points, actions=(), reqs=(), stage=1, nxt=0, hidden=False,
             bonus_time=0, bonus_money=0, bonus_res=(), bonus_tools=()):
    UPGRADES[uid] = dict(Name=name, Type=2, GroupNumber=group, ReqLevel=level, costs=costs, Money=money,
                         Points=points, actions=list(actions), reqs=list(reqs), StageQuantity=stage,
                         NextUpdateIndex=nxt, Hidden=hidden, BonusTime=bonus_time, BonusMoney=bonus_money,
                         bonus_res=list(bonus_res), bonus_tools=list(bonus_tools))


def worker(uid, name, level, costs, points, action, reqs=(), stage=3, hidden=False):
    UPGRADES[uid] = dict(Name=name, Type=3, GroupNumber=0, ReqLevel=level, costs=costs, Money=0,
                         Points=points,
                         actions=[action], reqs=list(reqs), StageQuantity=stage, NextUpdateIndex=0,
                         Hidden=hidden)


def tool(uid, name, mode, level, costs, money, actions, hidden=True, reqs=()):
    # Points: the experience of using the tool on a board.
    UPGRADES[uid] = dict(Name=name, Type=4, GroupNumber=0, ReqLevel=level, costs=costs, Money=money, Points=10,
                         actions=list(actions), reqs=list(reqs), StageQuantity=99, NextUpdateIndex=0,
                         Hidden=hidden, IsMine=(mode == "mine"), IsField=(mode == "field"))


# Resources by name for the cost tables.
SOUP, PIE, BREAD, FLOCK, DROVE, HERD = 1, 2, 3, 4, 5, 6
IRON, SILVER, GOLD, BLOCK, COAL, CHEST, PLANK, EARTH, GRASS, RUBBLE, PEOPLE = range(7, 18)
HOUR = 3600

# --- The settlement chain on slot 1 (city levels 1..6), upgraded in place.
building(88, "Camp", G_SETTLEMENT, 0, {}, 0, 0, nxt=101)
building(101, "Settlement", G_SETTLEMENT, 5, {PLANK: 15, BLOCK: 10, BREAD: 6}, 1200, 150,
         [stock(PEOPLE, 4)], reqs=[88], nxt=89)
building(89, "Village hall", G_SETTLEMENT, 9, {PLANK: 40, BLOCK: 30, IRON: 10, FLOCK: 10}, 3500, 400,
         [stock(PEOPLE, 6), tax_period(-600)], reqs=[101], nxt=27)
building(27, "Town hall", G_SETTLEMENT, 14, {PLANK: 60, BLOCK: 60, IRON: 20, SILVER: 10, DROVE: 12},
         8000, 900,
         [stock(PEOPLE, 8), tax_period(-600)], reqs=[89], nxt=90)
building(90, "City hall", G_SETTLEMENT, 20, {PLANK: 90, BLOCK: 90, SILVER: 25, GOLD: 12, HERD: 12},
         16000, 1800,
         [stock(PEOPLE, 10), tax_period(-600)], reqs=[27], nxt=38)
building(38, "Castle", G_SETTLEMENT, 26, {PLANK: 120, BLOCK: 140, GOLD: 30, CHEST: 6, HERD: 20}, 30000, 4000,
         [stock(PEOPLE, 12)], reqs=[90])

# --- Entrances.
building(91, "Fields", G_FIELDS, 1, {PLANK: 3, GRASS: 2}, 0, 60)
building(29, "Mine", G_MINE_ENTRANCE, 3, {PLANK: 8, GRASS: 4, BREAD: 3}, 300, 80, reqs=[91])

# --- Village buildings (group 1).
building(28, "Bakery", G_VILLAGE, 2, {BREAD: 1, FLOCK: 2, PLANK: 2, GRASS: 1}, 150, 40,
         [reveal(80)], reqs=[91], bonus_time=2 * HOUR, bonus_res=[BREAD, BREAD])
# Cottage, workshop and well cost what the tutorial's top-ups give (2 blocks, 1 iron bar).
building(21, "Cottage", G_VILLAGE, 3, {BLOCK: 2}, 200, 50, [stock(PEOPLE, 4)], reqs=[29])
building(19, "Workshop", G_VILLAGE, 4, {BLOCK: 2, IRON: 1}, 300, 60,
         [reveal(23), reveal(24), reveal(25)], reqs=[21], hidden=True, bonus_time=3 * HOUR, bonus_tools=[24])
building(18, "Market", G_VILLAGE, 5, {PLANK: 6, BLOCK: 4, SOUP: 3}, 400, 80, reqs=[21], hidden=True,
         bonus_time=2 * HOUR, bonus_money=60)
building(20, "Granary", G_VILLAGE, 6, {PLANK: 10, BLOCK: 6, GRASS: 6}, 700, 100,
         [resource_rate(BREAD, -1)], reqs=[28], nxt=103)
building(103, "Barn", G_VILLAGE, 12, {PLANK: 25, BLOCK: 15, IRON: 6}, 2400, 260,
         [resource_rate(GRASS, -1)], reqs=[20])
building(30, "Pantry", G_VILLAGE, 5, {PLANK: 8, BLOCK: 4, BREAD: 4}, 500, 80, [mine_moves(5)], reqs=[29],
         nxt=102)
building(102, "Larder", G_VILLAGE, 11, {PLANK: 18, BLOCK: 12, FLOCK: 8}, 1800, 220, [mine_moves(5)],
         reqs=[30])
building(31, "House", G_VILLAGE, 5, {PLANK: 10, BLOCK: 6, EARTH: 6}, 600, 90, [stock(PEOPLE, 5)], reqs=[21],
         nxt=34)
building(34, "Manor", G_VILLAGE, 10, {PLANK: 24, BLOCK: 16, IRON: 4, EARTH: 10}, 1800, 220,
         [stock(PEOPLE, 6)], reqs=[31])
building(32, "Butcher", G_VILLAGE, 8, {PLANK: 12, BLOCK: 8, DROVE: 4}, 1100, 140,
         [resource_rate(DROVE, -1)], reqs=[57], bonus_time=3 * HOUR, bonus_res=[DROVE])
building(35, "Inn", G_VILLAGE, 7, {PLANK: 12, BLOCK: 8, SOUP: 6, PIE: 4}, 1000, 130,
         [stock(PEOPLE, 3), reveal(98)], reqs=[30], bonus_time=2 * HOUR, bonus_money=80)
building(36, "Observatory", G_VILLAGE, 13, {BLOCK: 20, IRON: 8, SILVER: 6, PLANK: 10}, 3000, 320,
         [show_next_mine()], reqs=[16])
building(37, "Hill fort", G_VILLAGE, 11, {BLOCK: 24, PLANK: 16, IRON: 6}, 2200, 240,
         [wolf_jump(-2), reveal(110)], reqs=[22])
building(42, "Alchemist", G_VILLAGE, 12, {BLOCK: 10, SILVER: 6, COAL: 8, PIE: 4}, 2600, 280,
         [reveal(99), reveal(100)], reqs=[39])
building(44, "Mint", G_VILLAGE, 10, {BLOCK: 12, SILVER: 6, IRON: 6}, 2000, 220, reqs=[39], nxt=48,
         bonus_time=3 * HOUR, bonus_money=150)
building(48, "Treasury", G_VILLAGE, 16, {BLOCK: 30, GOLD: 10, SILVER: 10}, 6000, 600, reqs=[44],
         bonus_time=3 * HOUR, bonus_money=320)
building(47, "Diamond cutter", G_VILLAGE, 14, {BLOCK: 16, IRON: 10, CHEST: 1}, 4000, 420,
         [resource_rate(CHEST, -1)], reqs=[46], nxt=49)
building(49, "Jeweller", G_VILLAGE, 18, {BLOCK: 24, GOLD: 8, CHEST: 2}, 7000, 700, reqs=[47],
         bonus_time=6 * HOUR, bonus_res=[CHEST])
building(112, "Bandstand", G_VILLAGE, 6, {}, 900, 100, reqs=[18], bonus_time=2 * HOUR, bonus_money=45)
building(113, "Fountain", G_VILLAGE, 9, {}, 1800, 200, reqs=[18], bonus_time=2 * HOUR, bonus_money=80)
building(117, "Statue", G_VILLAGE, 15, {}, 4500, 450, reqs=[18], bonus_time=3 * HOUR, bonus_money=200)
building(115, "Smokehouse", G_VILLAGE, 13, {PLANK: 16, BLOCK: 10, HERD: 3}, 2600, 280,
         [resource_rate(HERD, -1)], reqs=[61])
building(121, "Tannery", G_VILLAGE, 15, {PLANK: 20, BLOCK: 14, HERD: 5}, 3600, 380, reqs=[61],
         bonus_time=4 * HOUR, bonus_money=120, bonus_res=[HERD])
building(122, "Brewery", G_VILLAGE, 12, {PLANK: 18, BLOCK: 10, BREAD: 12}, 2400, 260, reqs=[52],
         bonus_time=3 * HOUR, bonus_money=100)
building(123, "Chapel", G_VILLAGE, 9, {BLOCK: 20, PLANK: 10, SILVER: 2}, 1800, 200, [stock(PEOPLE, 3)],
         reqs=[89])
building(124, "School", G_VILLAGE, 14, {BLOCK: 24, PLANK: 20, PIE: 6}, 3600, 380, [stock(PEOPLE, 4)],
         reqs=[27])
building(125, "Library", G_VILLAGE, 17, {BLOCK: 30, PLANK: 24, SILVER: 8}, 5000, 520,
         [show_next_field()], reqs=[124])
building(126, "Pottery", G_VILLAGE, 8, {EARTH: 16, RUBBLE: 8, COAL: 4}, 1200, 150, reqs=[29],
         bonus_time=3 * HOUR, bonus_money=70)
building(127, "Weaver", G_VILLAGE, 10, {PLANK: 14, FLOCK: 8, BLOCK: 8}, 1800, 200, reqs=[53],
         bonus_time=3 * HOUR, bonus_money=90)
building(131, "Watchtower", G_VILLAGE, 16, {BLOCK: 30, IRON: 10, PLANK: 16}, 4800, 480,
         [wolf_jump(-2), rat_jump(-2)], reqs=[37])
building(132, "Clock tower", G_VILLAGE, 19, {BLOCK: 40, GOLD: 10, IRON: 14}, 8000, 800, [tax_period(-600)],
         reqs=[27])
building(133, "Monument", G_VILLAGE, 24, {BLOCK: 60, GOLD: 20, CHEST: 4}, 14000, 1400, [stock(PEOPLE, 5)],
         reqs=[90])

# --- Farm buildings (group 2).
building(17, "Forester", G_FARM, 4, {PLANK: 6, GRASS: 4}, 350, 60, [spawn_field(11, 2), reveal(79)],
         reqs=[91], nxt=93)
building(93, "Sawmill", G_FARM, 9, {PLANK: 16, BLOCK: 10, IRON: 4}, 1600, 200, [resource_rate(PLANK, -1)],
         reqs=[17])
building(22, "Fence", G_FARM, 6, {PLANK: 12, BLOCK: 4}, 600, 90, [wolf_jump(-2), rat_jump(-2)], reqs=[91])
building(16, "Lookout", G_FARM, 8, {PLANK: 14, BLOCK: 8, IRON: 2}, 1100, 140, [show_next_field()], reqs=[22])
building(33, "Greenhouse", G_FARM, 10, {PLANK: 14, BLOCK: 10, IRON: 4, GRASS: 10}, 2000, 220,
         [season(2), reveal(94), reveal(95)], reqs=[56])
building(50, "Yard", G_FARM, 3, {PLANK: 6, GRASS: 4, BREAD: 2}, 250, 50, [spawn_field(14, 2), reveal(83)],
         reqs=[91], nxt=53)
building(53, "Hen house", G_FARM, 7, {PLANK: 12, BLOCK: 6, BREAD: 6}, 900, 120, [spawn_field(14, 1)],
         reqs=[50], bonus_time=2 * HOUR, bonus_res=[FLOCK, FLOCK])
building(51, "Windmill", G_FARM, 5, {PLANK: 10, BLOCK: 4, GRASS: 6}, 550, 80,
         [spawn_field(13, 2), reveal(97)],
         reqs=[28], nxt=52)
building(52, "Mill", G_FARM, 9, {PLANK: 18, BLOCK: 10, IRON: 4}, 1500, 190, [resource_rate(BREAD, -1)],
         reqs=[51], bonus_time=2 * HOUR, bonus_res=[BREAD, BREAD, BREAD])
building(54, "Carrot patch", G_FARM, 3, {PLANK: 4, GRASS: 4}, 200, 50, [spawn_field(12, 2), reveal(81)],
         reqs=[91], nxt=56)
building(56, "Garden", G_FARM, 7, {PLANK: 10, GRASS: 10, SOUP: 4}, 900, 120, [spawn_field(19, 1)], reqs=[54],
         bonus_time=2 * HOUR, bonus_res=[SOUP, SOUP])
building(55, "Feeding trough", G_FARM, 5, {PLANK: 8, GRASS: 8, BREAD: 4}, 500, 80,
         [spawn_field(15, 2), reveal(84)], reqs=[50], nxt=57)
building(57, "Pigsty", G_FARM, 8, {PLANK: 14, BLOCK: 8, FLOCK: 6}, 1200, 150, [spawn_field(15, 1)], reqs=[55],
         bonus_time=3 * HOUR, bonus_res=[DROVE])
building(58, "Apple tree", G_FARM, 4, {PLANK: 4, GRASS: 6, SOUP: 2}, 300, 60,
         [spawn_field(19, 2), reveal(82)],
         reqs=[91], nxt=60)
building(60, "Orchard", G_FARM, 9, {PLANK: 14, GRASS: 12, PIE: 4}, 1400, 180, [resource_rate(PIE, -1)],
         reqs=[58], bonus_time=2 * HOUR, bonus_res=[PIE, PIE])
building(59, "Pasture", G_FARM, 7, {PLANK: 12, GRASS: 12, FLOCK: 4}, 900, 120,
         [spawn_field(16, 2), reveal(85)], reqs=[55], nxt=61)
building(61, "Cow shed", G_FARM, 11, {PLANK: 20, BLOCK: 12, DROVE: 6}, 2200, 240, [spawn_field(16, 1)],
         reqs=[59], bonus_time=3 * HOUR, bonus_res=[HERD])
building(62, "Rat catcher", G_FARM, 6, {PLANK: 8, BLOCK: 4, SOUP: 4}, 600, 90, [rat_jump(-3), reveal(86)],
         reqs=[54])
building(63, "Kennel", G_FARM, 8, {PLANK: 12, BLOCK: 6, DROVE: 2}, 1100, 140, [wolf_jump(-3), reveal(87)],
         reqs=[22])
building(104, "Pen", G_FARM, 10, {PLANK: 16, BLOCK: 8, FLOCK: 6}, 1800, 200, [reveal(107), reveal(139)],
         reqs=[53], bonus_time=3 * HOUR, bonus_res=[FLOCK, DROVE])
building(118, "Beehive", G_FARM, 8, {PLANK: 8, GRASS: 8, PIE: 2}, 1000, 130, [reveal(141)], reqs=[58],
         bonus_time=2 * HOUR, bonus_res=[PIE])
building(119, "Dovecote", G_FARM, 11, {PLANK: 16, BLOCK: 8, BREAD: 8}, 2000, 220, [reveal(140)], reqs=[53],
         bonus_time=3 * HOUR, bonus_money=90)
building(120, "Stable", G_FARM, 13, {PLANK: 20, BLOCK: 12, HERD: 4}, 2800, 300, [reveal(109)], reqs=[61],
         bonus_time=3 * HOUR, bonus_res=[HERD])
building(116, "Well", G_MINE, 4, {BLOCK: 2}, 250, 50, [mine_moves(5)], reqs=[29], hidden=True)

# --- Mine-side buildings (group 3).
building(15, "Ventilation shaft", G_MINE, 5, {PLANK: 8, BLOCK: 6, RUBBLE: 6}, 600, 90,
         [spawn(3, mine=-1), reveal(114)], reqs=[29], nxt=92)
building(92, "Ventilation", G_MINE, 12, {PLANK: 16, BLOCK: 16, IRON: 6, COAL: 6}, 2600, 280,
         [spawn(3, mine=-1), mine_moves(5)], reqs=[15])
building(26, "Quarry", G_MINE, 4, {PLANK: 6, EARTH: 8, RUBBLE: 4}, 350, 60, [spawn(4, mine=3), reveal(134)],
         reqs=[29])
building(39, "Forge", G_MINE, 6, {BLOCK: 8, COAL: 4, PLANK: 6}, 800, 110,
         [resource_rate(IRON, -1), reveal(136)],
         reqs=[29], nxt=40)
building(40, "Ironworks", G_MINE, 11, {BLOCK: 18, COAL: 10, IRON: 8}, 2200, 240, [resource_rate(IRON, -1)],
         reqs=[39], bonus_time=3 * HOUR, bonus_res=[IRON, IRON])
building(41, "Building site", G_MINE, 7, {BLOCK: 8, PLANK: 10, EARTH: 10}, 900, 120,
         [resource_rate(BLOCK, -1)], reqs=[26], bonus_time=3 * HOUR, bonus_res=[BLOCK, BLOCK])
building(43, "Lift", G_MINE, 9, {BLOCK: 12, IRON: 6, PLANK: 10}, 1500, 180, [mine_moves(5), reveal(106)],
         reqs=[15], nxt=96)
building(96, "Conveyor", G_MINE, 15, {BLOCK: 24, IRON: 12, COAL: 10}, 4000, 420, [resource_rate(BLOCK, -1)],
         reqs=[43])
building(45, "Coal trolley", G_MINE, 7, {PLANK: 10, IRON: 4, COAL: 4}, 900, 120,
         [resource_rate(COAL, -1), reveal(135)], reqs=[29])
building(46, "Gold mine", G_MINE, 12, {BLOCK: 20, IRON: 10, SILVER: 6}, 2800, 300,
         [spawn(9, mine=1), reveal(138)],
         reqs=[43])
building(128, "Stonemason", G_MINE, 9, {BLOCK: 14, RUBBLE: 10, EARTH: 10}, 1500, 180,
         [tile_reward(4, -1)], reqs=[26], bonus_time=3 * HOUR, bonus_res=[BLOCK])
building(129, "Smelter", G_MINE, 13, {BLOCK: 20, COAL: 12, IRON: 6}, 3000, 320, [resource_rate(SILVER, -1),
         reveal(137)], reqs=[40])
building(130, "Assay office", G_MINE, 17, {BLOCK: 26, SILVER: 10, GOLD: 4}, 5200, 540,
         [resource_rate(GOLD, -1), reveal(143)], reqs=[46])

# --- Workers (type 3): villagers (17) plus goods that grow with each hire.
worker(9, "Grain picker", 4, {PEOPLE: 1, BREAD: 2}, 30, resource_rate(BREAD, -1), reqs=[21], stage=2)
worker(7, "Carrot picker", 5, {PEOPLE: 1, SOUP: 2}, 35, resource_rate(SOUP, -1), reqs=[21], stage=3)
worker(8, "Apple picker", 6, {PEOPLE: 1, PIE: 2}, 40, resource_rate(PIE, -1), reqs=[58], stage=3)
worker(10, "Chicken keeper", 6, {PEOPLE: 1, FLOCK: 2}, 40, resource_rate(FLOCK, -1), reqs=[50], stage=2)
worker(11, "Swineherd", 8, {PEOPLE: 1, DROVE: 2}, 50, resource_rate(DROVE, -1), reqs=[55], stage=2)
worker(12, "Cowherd", 10, {PEOPLE: 1, HERD: 2}, 60, resource_rate(HERD, -1), reqs=[59], stage=2)
worker(13, "Woodcutter", 5, {PEOPLE: 1, BREAD: 2, SOUP: 1}, 35, resource_rate(PLANK, -1), reqs=[21], stage=2)
worker(14, "Pig farmer", 9, {PEOPLE: 1, BREAD: 3, FLOCK: 2}, 50, tile_reward(15, -1), reqs=[57], stage=3)
worker(64, "Grass cutter", 5, {PEOPLE: 1, BREAD: 2}, 35, resource_rate(GRASS, -1), reqs=[21], stage=3)
worker(65, "Cow farmer", 12, {PEOPLE: 1, DROVE: 2, BREAD: 3}, 70, tile_reward(16, -1), reqs=[61], stage=2)
worker(66, "Carrot farmer", 7, {PEOPLE: 1, SOUP: 2, BREAD: 2}, 45, tile_reward(12, -1), reqs=[54], stage=3)
worker(67, "Apple farmer", 8, {PEOPLE: 1, PIE: 2, BREAD: 2}, 50, tile_reward(19, -1), reqs=[58], stage=2)
worker(1, "Iron digger", 7, {PEOPLE: 1, BREAD: 2, SOUP: 2}, 45, resource_rate(IRON, -1), reqs=[39], stage=3)
worker(2, "Silver digger", 10, {PEOPLE: 1, FLOCK: 2, PIE: 2}, 60, resource_rate(SILVER, -1), reqs=[39],
       stage=2)
worker(3, "Gold digger", 13, {PEOPLE: 1, DROVE: 2, PIE: 2}, 80, resource_rate(GOLD, -1), reqs=[46], stage=2)
worker(4, "Stone breaker", 5, {PEOPLE: 1, BREAD: 2, SOUP: 1}, 35, resource_rate(BLOCK, -1), reqs=[29],
       stage=3)
worker(5, "Coal hewer", 7, {PEOPLE: 1, BREAD: 2, FLOCK: 1}, 45, resource_rate(COAL, -1), reqs=[45], stage=3)
worker(6, "Diamond hewer", 14, {PEOPLE: 1, HERD: 2, PIE: 2}, 90, resource_rate(CHEST, -1), reqs=[47], stage=1)
worker(68, "Stone miner", 6, {PEOPLE: 1, BREAD: 2}, 40, tile_reward(4, -1), reqs=[26], stage=2)
worker(69, "Iron miner", 8, {PEOPLE: 1, SOUP: 2, BREAD: 2}, 50, tile_reward(7, -1), reqs=[39], stage=3)
worker(70, "Coal miner", 7, {PEOPLE: 1, BREAD: 2, SOUP: 1}, 45, tile_reward(5, -1), reqs=[45], stage=3)
worker(71, "Silver miner", 10, {PEOPLE: 1, FLOCK: 2, SOUP: 2}, 60, tile_reward(8, -1), reqs=[40], stage=3)
worker(72, "Diamond miner", 15, {PEOPLE: 1, HERD: 2, DROVE: 2}, 100, tile_reward(6, -1), reqs=[47], stage=2)
worker(73, "Gold miner", 12, {PEOPLE: 1, DROVE: 2, FLOCK: 2}, 80, tile_reward(9, -1), reqs=[46], stage=3)
worker(74, "Coal prospector", 8, {PEOPLE: 1, BREAD: 2, FLOCK: 2}, 50, spawn(5, mine=2), reqs=[45], stage=3)
worker(75, "Silver prospector", 11, {PEOPLE: 1, PIE: 2, FLOCK: 2}, 70, spawn(8, mine=1.5), reqs=[40], stage=2)
worker(76, "Diamond prospector", 16, {PEOPLE: 1, HERD: 2, PIE: 2}, 110, spawn(6, mine=1), reqs=[47], stage=2)
worker(77, "Gold prospector", 14, {PEOPLE: 1, HERD: 2, DROVE: 2}, 90, spawn(9, mine=1), reqs=[46], stage=2)
# The porter: a flat price (the hire pop-up never scales its costs), more moves in the mine.
worker(105, "Porter", 6, {PEOPLE: 1, BREAD: 4, SOUP: 2}, 40, mine_moves(5), reqs=[30], stage=3)

# --- Tools (type 4): crafted from goods or bought with gold; revealed by buildings.
tool(23, "Gas lamp", "mine", 4, {COAL: 1, IRON: 1}, 60, [collect_all(3)])
tool(24, "Shovel", "mine", 0, {EARTH: 4, PLANK: 1}, 30, [collect_all(1)])
tool(25, "Dynamite", "mine", 4, {COAL: 1, RUBBLE: 3}, 50, [collect_all(2)])
tool(78, "Scythe", "field", 6, {IRON: 1, PLANK: 1}, 40, [collect_all(10)], hidden=False, reqs=[19])
tool(79, "Axe", "field", 4, {IRON: 1, PLANK: 2}, 50, [collect_all(11)])
tool(80, "Flail", "field", 2, {PLANK: 2, GRASS: 2}, 40, [collect_all(13)])
tool(81, "Carrot fork", "field", 3, {PLANK: 2, SOUP: 1}, 40, [collect_all(12)])
tool(82, "Apple ladder", "field", 4, {PLANK: 3, PIE: 1}, 50, [collect_all(19)])
tool(83, "Chicken feed", "field", 3, {BREAD: 2, GRASS: 2}, 40, [collect_all(14)])
tool(84, "Pig trough", "field", 5, {BREAD: 2, SOUP: 2}, 60, [collect_all(15)])
tool(85, "Milking stool", "field", 7, {PLANK: 2, BREAD: 3}, 80, [collect_all(16)])
tool(86, "Rabbit trap", "field", 6, {PLANK: 2, IRON: 1}, 50, [collect_all(17)])
tool(87, "Wolf trap", "field", 8, {PLANK: 2, IRON: 2}, 70, [collect_all(18)])
tool(94, "Compost", "field", 10, {GRASS: 6, EARTH: 4}, 60, [retype(10, 12)])
tool(95, "Sapling", "field", 10, {GRASS: 4, PLANK: 2}, 60, [retype(10, 11)])
tool(97, "Seed bag", "field", 5, {GRASS: 4, BREAD: 2}, 50, [retype(10, 13)])
tool(98, "Lunch box", "mine", 7, {BREAD: 2, SOUP: 2}, 60, [])
tool(99, "Silver flux", "mine", 12, {COAL: 4, SILVER: 1}, 120, [retype(5, 8)])
tool(100, "Coal flux", "mine", 12, {SILVER: 1, EARTH: 4}, 80, [retype(8, 5)])
tool(106, "Drill", "mine", 9, {IRON: 2, COAL: 2}, 120, [collect_all(4), spawn_next(6)])
tool(107, "Herding crook", "field", 10, {PLANK: 3, FLOCK: 2}, 90, [retype(14, 15)])
tool(108, "Miner's lantern", "mine", 8, {COAL: 2, IRON: 1}, 80, [spawn_next(9)], hidden=False, reqs=[45])
tool(109, "Bell", "field", 13, {IRON: 2, HERD: 1}, 120, [retype(15, 16)])
tool(110, "Torch", "field", 11, {PLANK: 2, COAL: 2}, 70, [collect_all(18), collect_all(17)])
tool(111, "Sieve", "mine", 6, {PLANK: 2, IRON: 1}, 50, [retype(2, 1)], hidden=False, reqs=[26])
tool(114, "Fan", "mine", 5, {PLANK: 2, IRON: 1}, 50, [collect_all(20), collect_all(3)])
tool(134, "Stone hammer", "mine", 4, {PLANK: 1, IRON: 1}, 40, [collect_all(4)])
tool(135, "Coal shovel", "mine", 7, {PLANK: 2, IRON: 1}, 60, [collect_all(5)])
tool(136, "Iron magnet", "mine", 6, {IRON: 2, COAL: 1}, 70, [collect_all(7)])
tool(137, "Silver pan", "mine", 13, {IRON: 2, SILVER: 1}, 110, [collect_all(8)])
tool(138, "Gold pan", "mine", 12, {IRON: 3, SILVER: 1}, 140, [collect_all(9)])
tool(139, "Hay fork", "field", 10, {PLANK: 2, IRON: 1}, 60, [retype(13, 14)])
tool(140, "Feed bucket", "field", 11, {PLANK: 2, BREAD: 3}, 70, [retype(14, 15)])
tool(141, "Seed drill", "field", 8, {PLANK: 2, BREAD: 2}, 50, [spawn_next(13)])
tool(142, "Rain barrel", "field", 9, {PLANK: 3, IRON: 1}, 60, [retype(10, 12)], hidden=False, reqs=[51])
tool(143, "Lucky charm", "mine", 17, {SILVER: 2, GOLD: 1}, 200, [spawn_next(22)])

assert sorted(UPGRADES) == list(range(1, 144)), sorted(set(range(1, 144)) - set(UPGRADES))


def priority(uid, u):
    return u["ReqLevel"] * 100 + uid


# ---------------------------------------------------------------- tutorial frames
ELDER, PLOUGHMAN, PROSPECTOR = "worker_elder.png", "worker_ploughman.png", "worker_prospector.png"
TEXT, ICON, CHAIN, TORES = "bOnlyText", "bSingleIcon", "bCollectible", "bResource"


def frames():
    out = {}

    def f(ids, who, kind=TEXT, icon="", kindid=0, place=1, number=0):
        for i in ([ids] if isinstance(ids, int) else ids):
            out[i] = dict(who=who, kind=kind, icon=icon, coll=kindid, place=place, number=number)

    # Village map (worker at the left of the screen, bubble to the right).
    f([0, 1], ELDER)
    f(2, ELDER, ICON, "b_camp.png")
    f([3, 4], ELDER, ICON, "money_1.png", place=2)
    f(5, ELDER, place=2)
    f(6, PLOUGHMAN, ICON, "b_fields.png")
    f(7, PLOUGHMAN)
    f(8, PLOUGHMAN)
    f(9, PLOUGHMAN, ICON, "b_fields.png")
    # Field board (worker low, bubble above the board's lower edge).
    f(10, PLOUGHMAN, ICON, "grain.png", place=3)
    f(11, PLOUGHMAN, TORES, kindid=13, place=3)
    f(12, PLOUGHMAN, place=3)
    f(13, PLOUGHMAN, TORES, kindid=10, place=3)
    f(14, PLOUGHMAN, CHAIN, kindid=10, place=3)
    f(15, PLOUGHMAN, ICON, "grain.png", place=3, number=20)
    f(16, PLOUGHMAN, ICON, "chicken.png", place=3, number=20)
    f(17, PLOUGHMAN, ICON, "wood.png", place=3, number=20)
    f(18, ELDER)
    f(19, ELDER, ICON, "b_bakery.png")
    f(20, PROSPECTOR, ICON, "b_mine.png")
    f(21, PROSPECTOR)
    f(22, PROSPECTOR, ICON, "bread.png")
    # Food pop-up.
    f(23, PROSPECTOR, ICON, "bread.png", place=2)
    f(24, PROSPECTOR, place=2)
    # Mine board.
    f(25, PROSPECTOR, ICON, "earth.png", place=3)
    f(26, PROSPECTOR, place=3)
    f(27, PROSPECTOR, TORES, kindid=1, place=3)
    f(28, PROSPECTOR, ICON, "stone.png", place=3, number=20)
    f(29, PLOUGHMAN, place=2)
    f(30, ELDER, ICON, "b_cottage.png")
    f(31, ELDER)
    f(32, PLOUGHMAN, ICON, "picker_grain.png")
    f(33, PLOUGHMAN)
    f(34, PLOUGHMAN, ICON, "b_workshop.png", place=3)
    f([35, 36], PLOUGHMAN, place=3)
    f(37, ELDER, ICON, "tool_earth.png")
    f(38, PROSPECTOR, ICON, "tool_earth.png")
    f(39, PROSPECTOR, place=3)
    f(40, PROSPECTOR, ICON, "tool_earth.png", place=3)
    f([41, 42, 43], PROSPECTOR, place=3)
    f(44, PROSPECTOR, ICON, "b_upgrade_2.png")
    f([45, 46], PLOUGHMAN)
    f(47, PLOUGHMAN, ICON, "b_market.png", place=3)
    f(48, PLOUGHMAN, CHAIN, kindid=12, place=3)
    f(49, PLOUGHMAN, TORES, kindid=12, place=3)
    f([50, 51, 52], PLOUGHMAN, place=3)
    f(53, PLOUGHMAN, ICON, "tool_carrot.png", place=3)
    f(54, ELDER)
    f([55, 56], ELDER, ICON, "b_market.png")
    f([57, 58], ELDER, place=2)
    f(59, PROSPECTOR, ICON, "methane.png", place=3)
    f([60, 61], PROSPECTOR, place=3)
    f(62, PROSPECTOR, ICON, "methane_primed.png", place=3)
    f(63, PLOUGHMAN, ICON, "rabbit.png", place=3)
    f([64, 65], PLOUGHMAN, place=3)
    f(66, PLOUGHMAN, ICON, "wolf.png", place=3)
    f([67, 68], PLOUGHMAN, place=3)
    f(69, PLOUGHMAN, ICON, "chicken.png", place=3)
    f(70, ELDER, ICON, "plank.png", number=2)
    f(71, PROSPECTOR, ICON, "b_mine.png")
    # After-build frames (worker at the right).
    for a, stem in ((72, "b_settlement2"), (74, "b_villagehall"), (76, "b_townhall"), (78, "b_cityhall")):
        f(a, ELDER, ICON, stem + ".png", place=6)
        f(a + 1, ELDER, place=6)
    f(80, ELDER, ICON, "b_castle.png", place=6)
    f(list(range(81, 103)), ELDER, place=6)
    f(87, ELDER, ICON, "bread.png")
    for i, who in ((82, PLOUGHMAN), (84, PROSPECTOR), (86, PLOUGHMAN), (89, PROSPECTOR), (91, PLOUGHMAN),
                   (93, PROSPECTOR), (95, PLOUGHMAN), (97, PROSPECTOR), (99, PLOUGHMAN)):
        out[i]["who"] = who
    assert sorted(out) == list(range(0, 103))
    # Every frame names a picture, also those that show none (text only): the
    # speaker's own place (village, fields or mine) is the natural one.
    home = {ELDER: "b_camp.png", PLOUGHMAN: "b_fields.png", PROSPECTOR: "b_mine.png"}
    for fr in out.values():
        if not fr["icon"]:
            fr["icon"] = home[fr["who"]]
    return out


# ---------------------------------------------------------------- writing
def num(v):
    if isinstance(v, bool):
        return "true" if v else "false"
    if isinstance(v, float):
        return ("%.2f" % v).rstrip("0").rstrip(".")
    return str(v)


def attrs(pairs):
    return " ".join("%s=%s" % (k, quoteattr(num(v))) for k, v in pairs)


def main():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<GameData>"]
    points, rewards = level_table()
    lines.append("  <Levels>")
    for p, r in zip(points, rewards):
        lines.append("    <Level %s/>" % attrs([("Points", p), ("Nagroda", r)]))
    lines.append("  </Levels>")

    lines.append("  <TutorialFrames>")
    for i, fr in sorted(frames().items()):
        pairs = [("ID", i), ("Name", "TUTORIAL_%d" % i), ("WorkerIcon", fr["who"])]
        if fr["icon"]:
            pairs.append(("IconPng", fr["icon"]))
        if fr["number"]:
            pairs.append(("AdditionaNumber", fr["number"]))
        if fr["coll"]:
            pairs.append(("CollectibleID", fr["coll"]))
        pairs.append((fr["kind"], True))
        pairs.append(("bPlacement%d" % fr["place"], True))
        lines.append("    <TutorialFrame %s/>" % attrs(pairs))
    lines.append("  </TutorialFrames>")

    lines.append("  <Collectibles>")
    for (kid, name, mode, png, seasonal, (nk, nkc), (nr, nrc), mingroup, mineprob, fieldprob, movestime,
         constanim, animated, pts, ptscoll, groups) in KINDS:
        pairs = [("ID", kid), ("Name", name)]
        pairs.append(("MineAvailable" if mode == "mine" else "FieldAvailable", True))
        pairs.append(("PngName", png))
        if seasonal:
            keys = ("PngNameSpring", "PngNameSummer", "PngNameAutumn", "PngNameWinter")
            for key, stem in zip(keys, seasonal):
                pairs.append((key, stem))
        pairs += [("NextCollectibleCount", nkc), ("NextCollectible", nk)]
        if nr:
            pairs += [("NextResourceCount", nrc), ("NextResource", nr)]
        pairs.append(("MinGroup", mingroup))
        if mode == "mine":
            pairs.append(("Probability", mineprob))
        else:
            for key, p in zip(("ProbSpring", "ProbSummer", "ProbAutumn", "ProbWinter"), fieldprob):
                pairs.append((key, p))
        if movestime:
            pairs.append(("MovesTime", True))
        if constanim:
            pairs.append(("ConstAnim", True))
        if animated:
            pairs.append(("IsAnimated", True))
        pairs += [("Points", pts), ("PointsColl", ptscoll)]
        if groups:
            lines.append("    <Collectible %s>" % attrs(pairs))
            lines.append("      <ConnGroup>")
            for g in groups:
                lines.append("        <ConnGroupS %s/>" % attrs([("Name", g)]))
            lines.append("      </ConnGroup>")
            lines.append("    </Collectible>")
        else:
            lines.append("    <Collectible %s/>" % attrs(pairs))
    lines.append("  </Collectibles>")

    lines.append("  <Resources>")
    for rid, name, png, mine, field, buy, sell, atstart, moves, pts in RESOURCES:
        pairs = [("ID", rid), ("Name", name), ("PngName", png)]
        if mine:
            pairs.append(("MineAvailable", True))
        if field:
            pairs.append(("FieldAvailable", True))
        if buy:
            pairs += [("Value", buy), ("ValueSell", sell)]
        if rid >= 19:
            pairs.append(("MicroTrans", True))
        if rid == 17:
            pairs.append(("SpecialResource", True))
        if atstart:
            pairs.append(("AtStart", atstart))
        if moves:
            pairs += [("GenerateFood", True), ("Moves", moves)]
        if pts:
            pairs.append(("Points", pts))
        lines.append("    <Resource %s/>" % attrs(pairs))
    lines.append("  </Resources>")

    lines.append("  <Settings %s/>" % attrs(SETTINGS))

    lines.append("  <Upgrades>")
    for uid in range(1, 144):
        u = UPGRADES[uid]
        stem = STEMS[uid - 1]
        png = ANIMATED.get(uid, stem.lower())
        pairs = [("ID", uid), ("Name", u["Name"]), ("PngName", png), ("Type", u["Type"])]
        if u["ReqLevel"]:
            pairs.append(("ReqLevel", u["ReqLevel"]))
        if u["NextUpdateIndex"]:
            pairs.append(("NextUpdateIndex", u["NextUpdateIndex"]))
        pairs.append(("StageQuantity", u["StageQuantity"]))
        if u.get("IsMine"):
            pairs.append(("IsMine", True))
        if u.get("IsField"):
            pairs.append(("IsField", True))
        if u["Hidden"]:
            pairs.append(("Hidden", True))
        pairs.append(("Priorytet", priority(uid, u)))
        if u["Points"]:
            pairs.append(("Points", u["Points"]))
        if u["Money"]:
            pairs.append(("Money", u["Money"]))
        if u["GroupNumber"]:
            pairs.append(("GroupNumber", u["GroupNumber"]))
        if uid in ANIMATED:
            pairs.append(("Animated", True))
        if u.get("BonusTime"):
            pairs.append(("BonusTime", u["BonusTime"]))
        if u.get("BonusMoney"):
            pairs.append(("BonusMoney", u["BonusMoney"]))
        children = []
        if u["costs"]:
            children.append("      <ResourceItems>")
            for res, qty in u["costs"].items():
                children.append("        <ResourceItem %s/>" % attrs([("ID", res), ("Quantity", qty)]))
            children.append("      </ResourceItems>")
        if u.get("bonus_res"):
            children.append("      <BonusResources>")
            for res in u["bonus_res"]:
                children.append("        <BonusResource %s/>" % attrs([("ID", res)]))
            children.append("      </BonusResources>")
        if u.get("bonus_tools"):
            children.append("      <BonusTools>")
            for t in u["bonus_tools"]:
                children.append("        <BonusTool %s/>" % attrs([("ID", t)]))
            children.append("      </BonusTools>")
        if u["actions"]:
            children.append("      <Actions>")
            for a in u["actions"]:
                order = ["Type", "Name", "ID", "Value", "Value2", "Probability", "ProbSpring", "ProbSummer",
                         "ProbAutumn", "ProbWinter"]
                children.append("        <ActionItem %s/>" % attrs([(k, a[k]) for k in order if k in a]))
            children.append("      </Actions>")
        if u["reqs"]:
            children.append("      <ReqUpgrades>")
            for r in u["reqs"]:
                children.append("        <ReqUpgradeItem %s/>" % attrs([("ID", r)]))
            children.append("      </ReqUpgrades>")
        if children:
            lines.append("    <Upgrade %s>" % attrs(pairs))
            lines += children
            lines.append("    </Upgrade>")
        else:
            lines.append("    <Upgrade %s/>" % attrs(pairs))
    lines.append("  </Upgrades>")
    lines.append("</GameData>")
    text = "\n".join(lines) + "\n"
    with open(OUT, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)
    print("wrote %s (%d bytes)" % (os.path.relpath(OUT, ROOT), len(text.encode("utf-8"))))
    # What the map-slot files must offer: one slot per building that can stand
    # at once (a building that replaces another takes over its slot).
    replacing = {u["NextUpdateIndex"] for u in UPGRADES.values() if u["NextUpdateIndex"]}
    slots = {}
    for uid, u in UPGRADES.items():
        if u["Type"] == 2 and uid not in replacing:
            slots[u["GroupNumber"]] = slots.get(u["GroupNumber"], 0) + 1
    print("map slots needed by group: " + ", ".join("%d: %d" % g for g in sorted(slots.items())))


if __name__ == "__main__":
    main()
