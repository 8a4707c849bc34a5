"""What every building and worker of the village looks like, by picture stem."""

from __future__ import annotations

from village_buildings import Style

# Buildings by picture stem (PngName). Sizes are map sizes in points.
BUILDINGS: dict[str, Style] = {
    # The settlement chain on slot 1 grows with every upgrade.
    "b_camp": Style("tent", size=(56, 40), props=["🔥"]),
    "b_settlement2": Style("house", "log", "thatch", size=(60, 52), props=["🪓"]),
    "b_villagehall": Style("hall", "timber", "red", size=(74, 66), props=["🔔"]),
    "b_townhall": Style("hall", "stone", "blue", size=(84, 78), props=["🕰️"]),
    "b_cityhall": Style("hall", "white", "slate", size=(94, 88), props=["🏛️"]),
    "b_castle": Style("castle", "stone", "red", size=(104, 100), props=["👑"]),
    # Fixed entrances.
    "b_fields": Style("fields", size=(100, 60)),
    "b_mine": Style("mine", size=(80, 70)),
    # Village buildings.
    "b_market": Style("shed", "wood", "red", sign="⚖️", props=["🛒", "🍎"]),
    "b_workshop": Style("house", "wood", "brown", sign="🔨", props=["🔨", "🪚"]),
    "b_granary": Style("barn", "wood", "thatch", props=["🌾"]),
    "b_cottage": Style("house", "timber", "thatch", props=["🏡"]),
    "b_fence": Style("fence", props=["🪵"]),
    "b_quarry": Style("headframe", "stone", "slate", sign="🪨", props=["🪨"]),
    "b_bakery": Style("house", "brick", "red", sign="🥖", props=["🥖", "🥧"]),
    "b_pantry": Style("house", "stone", "brown", sign="🥫", props=["🥫"]),
    "b_house": Style("house", "plaster", "red", props=["🏠"]),
    "b_butcher": Style("house", "white", "red", sign="🍖", props=["🍖"]),
    "b_greenhouse": Style("shed", "white", "blue", sign="🌱", props=["🌱", "🍅"]),
    "b_maison": Style("house", "white", "blue", floors=2, props=["🪴"]),
    "b_inn": Style("house", "timber", "brown", sign="🍺", floors=2, props=["🍺", "🍲"]),
    "b_observatory": Style("tower", "white", "blue", props=["🔭", "⭐"]),
    "b_hill": Style("tower", "stone", "green", props=["⛰️"]),
    "b_forge": Style("house", "stone", "slate", sign="⚒️", props=["⚒️", "🔥"]),
    "b_ironwork": Style("house", "dark", "slate", sign="⛓️", props=["⛓️", "🔩"]),
    "b_building_site": Style("shed", "wood", "brown", props=["🧱", "🏗️"]),
    "b_alchemist": Style("tower", "plaster", "purple", props=["⚗️", "🧪"]),
    "b_mint": Style("house", "white", "gold", sign="🪙", props=["🪙"]),
    "b_treasury": Style("house", "stone", "gold", sign="💰", props=["💰", "🔑"]),
    "b_jeweler": Style("house", "white", "purple", sign="💍", props=["💍", "💎"]),
    "b_ratcatcher": Style("house", "log", "brown", sign="🐀", props=["🐀", "🪤"]),
    "b_kennel": Style("pen", "wood", "red", animals=["🐕"], props=["🐕", "🦴"]),
    "b_larder": Style("house", "stone", "thatch", sign="🧀", props=["🧀", "🥓"]),
    "b_lookout": Style("tower", "log", "brown", props=["🚩", "👀"]),
    "b_saw_mill": Style("house", "wood", "brown", sign="🪚", props=["🪚", "🪵"]),
    "b_forester": Style("house", "log", "green", sign="🌲", props=["🌲", "🪓"]),
    # Farm buildings.
    "b_yard": Style("pen", "wood", "red", animals=["🐤", "🐥"], props=["🐤"]),
    "b_windmill": Style("windmill", "white", "red", size=(34, 42), props=["🌾"]),
    "b_mill": Style("house", "stone", "thatch", sign="🌾", props=["🌾", "💧"]),
    "b_hen-house": Style("pen", "wood", "red", animals=["🐔"], props=["🐔", "🥚"]),
    "b_carrotpatch": Style("patch", animals=["🥕"], props=["🥕"]),
    "b_feeding_trough": Style("pen", "wood", "brown", animals=["🐖"], props=["🐖", "🌽"]),
    "b_garden": Style("patch", animals=["🥬"], props=["🥬", "🌻"]),
    "b_pigsty": Style("pen", "wood", "thatch", animals=["🐷", "🐖"], props=["🐷"]),
    "b_appletree": Style("patch", animals=["🌳"], props=["🍎"]),
    "b_pasture": Style("pen", "log", "green", animals=["🐑", "🐑"], props=["🐑"]),
    "b_orchard": Style("patch", animals=["🍎"], props=["🍏", "🍎"]),
    "b_cow_shed": Style("barn", "brick", "red", props=["🐄", "🥛"]),
    "b_barn": Style("barn", "wood", "red", props=["🌾", "🐴"]),
    "b_pen": Style("pen", "log", "thatch", animals=["🐐"], props=["🐐"]),
    # Mine-side buildings.
    "b_ventilation_shaft": Style("headframe", "wood", "slate", props=["💨"]),
    "b_ventilation": Style("headframe", "wood", "brown", props=["💨"]),
    "b_lift": Style("headframe", "stone", "slate", props=["⛓️", "🛗"]),
    "b_gold_mine": Style("headframe", "stone", "gold", props=["🪙", "✨"]),
    "b_coaltrolley": Style("shed", "dark", "slate", props=["🛒", "⚫"]),
    "b_diamondcutter": Style("house", "white", "blue", sign="💎", props=["💎"]),
    "b_conveyor": Style("shed", "wood", "slate", props=["⚙️"]),
}

# The later buildings of the data, by their picture stems.
BUILDINGS.update({
    "tool_extra_8": Style("gazebo", roof="red", props=["🎺", "🎶"]),                  # bandstand
    "tool_extra_9": Style("fountain", props=["⛲"]),                                   # fountain
    "b_upgrade_1": Style("house", "log", "slate", sign="🥩", props=["🥩", "🔥"]),      # smokehouse
    "b_upgrade_2": Style("well", roof="red", props=["🪣", "💧"]),                      # well
    "b_upgrade_3": Style("statue", sign="🗽", props=["🗽"]),                           # statue
    "b_upgrade_4": Style("patch", animals=["🐝"], props=["🐝", "🍯"]),                 # beehive
    "b_upgrade_5": Style("tower", "white", "red", props=["🕊️"]),                      # dovecote
    "b_upgrade_6": Style("barn", "wood", "brown", props=["🐴"]),                       # stable
    "b_upgrade_7": Style("house", "wood", "thatch", sign="👞", props=["👞", "🧵"]),    # tannery
    "b_upgrade_8": Style("house", "brick", "brown", sign="🍺", props=["🍺", "🛢️"]),   # brewery
    "b_upgrade_9": Style("tower", "white", "slate", props=["🔔", "⛪"]),               # chapel
    "b_upgrade_10": Style("house", "brick", "slate", sign="📚", floors=2, props=["✏️", "📚"]),  # school
    "b_upgrade_11": Style("house", "stone", "purple", sign="📖", floors=2, props=["📖"]),      # library
    "b_upgrade_12": Style("house", "plaster", "thatch", sign="🏺", props=["🏺"]),      # pottery
    "b_upgrade_13": Style("house", "timber", "purple", sign="🧶", props=["🧶", "🧵"]), # weaver
    "b_upgrade_14": Style("shed", "stone", "slate", props=["🪨", "🔨"]),              # stonemason
    "b_upgrade_15": Style("house", "dark", "brown", sign="🔥", props=["🔥", "🥈"]),   # smelter
    "b_upgrade_16": Style("house", "white", "gold", sign="⚖️", props=["⚖️", "🪙"]),   # assay office
    "b_upgrade_17": Style("tower", "stone", "red", props=["🏹"]),                      # watchtower
    "b_upgrade_18": Style("tower", "stone", "blue", props=["🕰️"]),                    # clock tower
    "b_upgrade_19": Style("obelisk", props=["🏅"]),                                    # monument
})

# Upgrades of the settlement: the drawn extras on the map per stage.
SETTLEMENT_CHAIN = ["b_camp", "b_settlement2", "b_villagehall", "b_townhall", "b_cityhall", "b_castle"]

# Improvements that upgrade a building in place look like their own house with an emblem.
UPGRADE_EMBLEMS = ["⭐", "🌟", "🏅", "🎖️", "🏆", "💫", "🔧", "🪜", "🧰", "🛠️",
                   "🪄", "🔮", "📯", "🎺", "🏵️", "🌈", "☀️", "🍀", "🎀"]
for n in range(1, 20):
    BUILDINGS.setdefault(f"b_upgrade_{n}", Style("house", ["plaster", "timber", "stone", "white"][n % 4],
                                                 ["red", "blue", "green", "brown", "slate", "purple"][n % 6],
                                                 sign=UPGRADE_EMBLEMS[n - 1], props=[UPGRADE_EMBLEMS[n - 1]]))


def style_for(stem: str) -> Style:
    """The style of a building stem; a stem nobody listed gets a plain house with a star."""
    if stem in BUILDINGS:
        return BUILDINGS[stem]
    return Style("house", "plaster", "red", sign="⭐", props=["⭐"])


# Workers by picture stem: (emoji of the person, emoji of the trade, shirt colour, hat).
WORKERS: dict[str, tuple[str, str, tuple, str]] = {
    "picker_carrot": ("👩‍🌾", "🥕", (226, 120, 60, 255), "straw"),
    "picker_apple": ("👩‍🌾", "🍎", (200, 64, 52, 255), "straw"),
    "picker_grain": ("🧑‍🌾", "🌾", (230, 186, 70, 255), "straw"),
    "picker_chicken": ("🧑‍🌾", "🐔", (240, 220, 170, 255), "cap"),
    "picker_pig": ("🧑‍🌾", "🐖", (236, 150, 160, 255), "cap"),
    "picker_cow": ("🧑‍🌾", "🐄", (120, 110, 100, 255), "cap"),
    "picker_wood": ("🧔", "🪵", (120, 150, 70, 255), "hood"),
    "picker_grass": ("🧑‍🌾", "🌿", (108, 170, 72, 255), "straw"),
    "farmer_pig": ("👨‍🌾", "🐷", (170, 90, 110, 255), "straw"),
    "farmer_cow": ("👩‍🌾", "🐮", (90, 120, 170, 255), "straw"),
    "farmer_carrot": ("👩‍🌾", "🥕", (200, 110, 40, 255), "straw"),
    "farmer_apple": ("👨‍🌾", "🍏", (110, 160, 60, 255), "straw"),
    "miner_stone": ("👷", "🪨", (128, 120, 112, 255), "helmet"),
    "miner_iron": ("👷", "⛏️", (150, 110, 90, 255), "helmet"),
    "miner_coal": ("👷", "⚫", (80, 80, 90, 255), "helmet"),
    "miner_silver": ("👷", "🥈", (170, 180, 196, 255), "helmet"),
    "miner_diamond": ("👷", "💎", (90, 170, 210, 255), "helmet"),
    "miner_gold": ("👷", "🥇", (220, 170, 50, 255), "helmet"),
    "prospector_coal": ("🧔", "🔦", (90, 80, 70, 255), "hat"),
    "prospector_silver": ("🧔", "🔍", (150, 160, 176, 255), "hat"),
    "prospector_diamond": ("🧔", "🔎", (80, 150, 200, 255), "hat"),
    "prospector_gold": ("🧔", "🧭", (210, 160, 60, 255), "hat"),
    "tool_extra_1": ("🧙", "✨", (120, 90, 160, 255), "hood"),
}

for metal, trade in (("iron", "⛏️"), ("silver", "⛏️"), ("gold", "⛏️")):
    WORKERS[f"pick_{metal}"] = ("👷", trade, {"iron": (150, 110, 90, 255), "silver": (170, 180, 196, 255),
                                             "gold": (220, 170, 50, 255)}[metal], "helmet")
for rock, colour in (("stone", (128, 120, 112, 255)), ("coal", (80, 80, 90, 255)), ("diamond", (90, 170, 210, 255))):
    WORKERS[f"hammer_{rock}"] = ("🧔", "🔨", colour, "cap")

WOMEN = {"picker_carrot", "picker_apple", "farmer_cow", "farmer_carrot"}


def worker_look(stem: str) -> tuple[str, str, tuple, str]:
    return WORKERS.get(stem, ("🧑", "🛠️", (150, 120, 90, 255), "cap"))
