"""What an upgrade does, written from its game data in English, German and
Polish.

Each function returns (en, de, pl). Numbers that the data holds (tiles,
moves, percent, minutes, gold) are filled in; "(−n)" after a recipe means
n tiles fewer, as the recipe pictures beside the text show counts of tiles.
"""

LANGS = 3


def pl_plural(n, one, few, many):
    n = abs(n)
    if n == 1:
        return one
    if n % 10 in (2, 3, 4) and n % 100 not in (12, 13, 14):
        return few
    return many


def de_plural(n, one, many):
    return one if abs(n) == 1 else many


def en_plural(n, one, many):
    return one if abs(n) == 1 else many


# Tile kinds: en plural (after "more", "into"), en "all" phrase, en singular
# (a reward tile); de plural, de "all" phrase, de singular; pl genitive
# (after "więcej", "mniej"), pl "all" phrase (accusative), pl accusative
# (after "w", "na"), pl nominative (the next tile).
KINDS = {
    1: ("earth", "all the earth", "earth", "Erde", "die ganze Erde", "Erde",
        "ziemi", "całą ziemię", "ziemię", "ziemia"),
    2: ("rubble", "all the rubble", "rubble", "Schutt", "den ganzen Schutt", "Schutt",
        "gruzu", "cały gruz", "gruz", "gruz"),
    3: ("gas", "all the gas", "gas", "Gas", "das ganze Gas", "Gas",
        "gazu", "cały gaz", "gaz", "gaz"),
    4: ("stone", "all the stones", "stone", "Stein", "alle Steine", "Stein",
        "kamienia", "wszystkie kamienie", "kamienie", "kamień"),
    5: ("coal", "all the coal", "coal", "Kohle", "die ganze Kohle", "Kohle",
        "węgla", "cały węgiel", "węgiel", "węgiel"),
    6: ("diamonds", "all the diamonds", "a diamond", "Diamanten", "alle Diamanten", "ein Diamant",
        "diamentów", "wszystkie diamenty", "diamenty", "diament"),
    7: ("iron", "all the iron", "iron", "Eisen", "das ganze Eisen", "Eisen",
        "żelaza", "całe żelazo", "żelazo", "żelazo"),
    8: ("silver", "all the silver", "silver", "Silber", "das ganze Silber", "Silber",
        "srebra", "całe srebro", "srebro", "srebro"),
    9: ("gold", "all the gold", "gold", "Gold", "das ganze Gold", "Gold",
        "złota", "całe złoto", "złoto", "złoto"),
    10: ("grass", "all the grass", "grass", "Gras", "das ganze Gras", "Gras",
         "trawy", "całą trawę", "trawę", "trawa"),
    11: ("wood", "all the wood", "wood", "Holz", "das ganze Holz", "Holz",
         "drewna", "całe drewno", "drewno", "drewno"),
    12: ("carrots", "all the carrots", "a carrot", "Karotten", "alle Karotten", "eine Karotte",
         "marchwi", "wszystkie marchewki", "marchewki", "marchewka"),
    13: ("grain", "all the grain", "grain", "Getreide", "das ganze Getreide", "Getreide",
         "zboża", "całe zboże", "zboże", "zboże"),
    14: ("chickens", "all the chickens", "a chicken", "Hühner", "alle Hühner", "ein Huhn",
         "kur", "wszystkie kury", "kury", "kura"),
    15: ("pigs", "all the pigs", "a pig", "Schweine", "alle Schweine", "ein Schwein",
         "świń", "wszystkie świnie", "świnie", "świnia"),
    16: ("cows", "all the cows", "a cow", "Kühe", "alle Kühe", "eine Kuh",
         "krów", "wszystkie krowy", "krowy", "krowa"),
    17: ("rabbits", "all the rabbits", "a rabbit", "Hasen", "alle Hasen", "ein Hase",
         "zajęcy", "wszystkie zające", "zające", "zając"),
    18: ("wolves", "all the wolves", "a wolf", "Wölfe", "alle Wölfe", "ein Wolf",
         "wilków", "wszystkie wilki", "wilki", "wilk"),
    19: ("apples", "all the apples", "an apple", "Äpfel", "alle Äpfel", "ein Apfel",
         "jabłek", "wszystkie jabłka", "jabłka", "jabłko"),
    20: ("burning gas", "all the burning gas", "burning gas", "brennendes Gas", "das ganze brennende Gas",
         "brennendes Gas", "płonącego gazu", "cały płonący gaz", "płonący gaz", "płonący gaz"),
    21: ("coins", "all the coins", "a gold coin", "Münzen", "alle Münzen", "eine Goldmünze",
         "monet", "wszystkie monety", "monety", "złota moneta"),
    22: ("coins", "all the coins", "a gold coin", "Münzen", "alle Münzen", "eine Goldmünze",
         "monet", "wszystkie monety", "monety", "złota moneta"),
    23: ("trophies", "all the trophies", "a trophy", "Pokale", "alle Pokale", "ein Pokal",
         "pucharów", "wszystkie puchary", "puchary", "puchar"),
    24: ("trophies", "all the trophies", "a trophy", "Pokale", "alle Pokale", "ein Pokal",
         "pucharów", "wszystkie puchary", "puchary", "puchar"),
}
# Kinds counted one by one in English ("fewer carrots"), the others are
# masses ("less grain").
EN_COUNTABLE = {6, 12, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24}

# A reward tile in "per ..." (en, de) and after "na" (pl accusative).
REWARD = {
    1: ("earth", "Erde", "ziemię"), 4: ("stone", "Stein", "kamień"), 5: ("coal", "Kohle", "węgiel"),
    6: ("diamond", "Diamant", "diament"), 7: ("iron", "Eisen", "żelazo"), 8: ("silver", "Silber", "srebro"),
    9: ("gold", "Gold", "złoto"), 12: ("carrot", "Karotte", "marchewkę"), 13: ("grain", "Getreide", "zboże"),
    14: ("chicken", "Huhn", "kurę"), 15: ("pig", "Schwein", "świnię"), 16: ("cow", "Kuh", "krowę"),
    19: ("apple", "Apfel", "jabłko"), 21: ("coin", "Münze", "monetę"), 22: ("coin", "Münze", "monetę"),
    23: ("trophy", "Pokal", "puchar"), 24: ("trophy", "Pokal", "puchar"),
}

# One unit of a resource in "per ..." (en, de) and after "na" (pl).
UNIT = {
    1: ("pot of soup", "Topf Suppe", "garnek zupy"), 2: ("pie", "Kuchen", "szarlotkę"),
    3: ("loaf", "Brot", "bochenek"), 4: ("flock", "Schar", "stadko"),
    5: ("drove", "Herde", "stado"), 6: ("herd", "Herde", "stado"),
    7: ("iron bar", "Eisenbarren", "sztabkę żelaza"), 8: ("silver bar", "Silberbarren", "sztabkę srebra"),
    9: ("gold bar", "Goldbarren", "sztabkę złota"), 10: ("stone block", "Baustein", "blok kamienny"),
    11: ("coal cart", "Kohlenlore", "wózek węgla"), 12: ("treasure chest", "Schatztruhe", "skrzynię skarbów"),
    13: ("log", "Stamm", "kłodę"), 14: ("sack of soil", "Sack Erde", "worek ziemi"),
    15: ("bale of hay", "Ballen Heu", "belę siana"), 16: ("load of gravel", "Ladung Schotter", "taczkę żwiru"),
}


def _en_fewer(kind):
    return "Fewer" if kind in EN_COUNTABLE else "Less"


def reward_tiles(kind, next_kind, by):
    """Effect 0: tiles of a kind per reward tile."""
    k, n = KINDS[kind], REWARD[next_kind]
    if by < 0:
        return ("%s %s per %s (−%d)" % (_en_fewer(kind), k[0], n[0], -by),
                "Weniger %s pro %s (−%d)" % (k[3], n[1], -by),
                "Mniej %s na %s (−%d)" % (k[6], n[2], -by))
    return ("More %s per %s (+%d)" % (k[0], n[0], by),
            "Mehr %s pro %s (+%d)" % (k[3], n[1], by),
            "Więcej %s na %s (+%d)" % (k[6], n[2], by))


def resource_tiles(kind, resource, by):
    """Effect 1: tiles of the producing kind per unit of a resource."""
    k, u = KINDS[kind], UNIT[resource]
    if by < 0:
        return ("%s %s per %s (−%d)" % (_en_fewer(kind), k[0], u[0], -by),
                "Weniger %s pro %s (−%d)" % (k[3], u[1], -by),
                "Mniej %s na %s (−%d)" % (k[6], u[2], -by))
    return ("More %s per %s (+%d)" % (k[0], u[0], by),
            "Mehr %s pro %s (+%d)" % (k[3], u[1], by),
            "Więcej %s na %s (+%d)" % (k[6], u[2], by))


def spawn(kind, mine, more):
    """Effect 2: how often a kind appears."""
    k = KINDS[kind]
    where = ("in the mine", "in der Mine", "w kopalni") if mine else ("in the fields", "auf den Feldern", "na polach")
    if more:
        return ("More %s %s" % (k[0], where[0]), "Mehr %s %s" % (k[3], where[1]),
                "Więcej %s %s" % (k[6], where[2]))
    return (("Fewer %s %s" if kind in EN_COUNTABLE else "Less %s %s") % (k[0], where[0]),
            "Weniger %s %s" % (k[3], where[1]), "Mniej %s %s" % (k[6], where[2]))


def unlocks(names):
    """Effect 3: the upgrades it reveals, by their names in each language."""
    return tuple(("Unlocks: ", "Schaltet frei: ", "Odblokowuje: ")[i] + ", ".join(n[i] for n in names)
                 for i in range(LANGS))


def collect_all(kinds):
    """Effect 4 (one or more): collects every tile of the kinds."""
    en = " and ".join(KINDS[k][1] for k in kinds)
    de = " und ".join(KINDS[k][4] for k in kinds)
    pl = " i ".join(KINDS[k][7] for k in kinds)
    return ("Collects %s on the board" % en, "Sammelt %s vom Brett" % de, "Zbiera z planszy %s" % pl)


def retype(a, b):
    """Effect 8: turns every tile of one kind into another."""
    ka, kb = KINDS[a], KINDS[b]
    return ("Turns %s on the board into %s" % (ka[1], kb[0]),
            "Verwandelt %s auf dem Brett in %s" % (ka[4], kb[3]),
            "Zamienia %s na planszy w %s" % (ka[7], kb[8]))


def spawn_next(kind):
    """Effect 9: the next new tile."""
    k = KINDS[kind]
    return ("The next new tile is %s" % k[2], "Der nächste neue Stein wird %s" % k[5],
            "Następny nowy kafelek: %s" % k[9])


def jump(wolves, by):
    """Effects 10 and 11: how often wolves or rabbits strike, in percent per move."""
    if wolves:
        if by < 0:
            return ("Wolves pounce less often (−%d%%)" % -by, "Wölfe greifen seltener an (−%d %%)" % -by,
                    "Wilki rzadziej atakują (−%d%%)" % -by)
        return ("Wolves pounce more often (+%d%%)" % by, "Wölfe greifen öfter an (+%d %%)" % by,
                "Wilki częściej atakują (+%d%%)" % by)
    if by < 0:
        return ("Rabbits jump less often (−%d%%)" % -by, "Hasen springen seltener (−%d %%)" % -by,
                "Zające rzadziej skaczą (−%d%%)" % -by)
    return ("Rabbits jump more often (+%d%%)" % by, "Hasen springen öfter (+%d %%)" % by,
            "Zające częściej skaczą (+%d%%)" % by)


def mine_food(by):
    """Effect 13: more moves of food can be carried into the mine."""
    return ("Carry food for %d more %s" % (by, en_plural(by, "move", "moves")),
            "Proviant für %d %s mehr" % (by, de_plural(by, "Zug", "Züge")),
            "Prowiant na %d %s więcej" % (by, pl_plural(by, "ruch", "ruchy", "ruchów")))


def villagers(by):
    """Effect 14 on resource 17: villagers who can be hired."""
    return ("+%d villagers to hire" % by, "+%d Dorfbewohner zum Anheuern" % by,
            "+%d mieszkańców do zatrudnienia" % by)


def stock(resource, by, name):
    """Effect 14 on goods."""
    return tuple("%+d× %s" % (by, name[i]) for i in range(LANGS))


def season(by):
    """Effect 15: moves per season."""
    return ("Seasons last %d %s longer" % (by, en_plural(by, "move", "moves")),
            "Jahreszeiten dauern %d %s länger" % (by, de_plural(by, "Zug", "Züge")),
            "Pory roku trwają o %d %s dłużej" % (by, pl_plural(by, "ruch", "ruchy", "ruchów")))


def tax_time(seconds):
    """Effect 19: the time between two taxes."""
    minutes = abs(seconds) // 60
    if seconds < 0:
        return ("Taxes come %d min sooner" % minutes, "Steuern kommen %d Min. früher" % minutes,
                "Podatki o %d min szybciej" % minutes)
    return ("Taxes come %d min later" % minutes, "Steuern kommen %d Min. später" % minutes,
            "Podatki o %d min później" % minutes)


def show_next(mine):
    """Effects 22 and 23: a held chain shows what it grows into."""
    if mine:
        return ("Mine: hold a chain to see what grows from it",
                "Mine: Halte eine Kette, um zu sehen, was daraus wächst",
                "Kopalnia: przytrzymaj łańcuch, by zobaczyć, co z niego wyrośnie")
    return ("Fields: hold a chain to see what grows from it",
            "Felder: Halte eine Kette, um zu sehen, was daraus wächst",
            "Pola: przytrzymaj łańcuch, by zobaczyć, co z niego wyrośnie")


def bonus(seconds, gold, items):
    """A building's timed bonus: gold and (count, name triple) items."""
    hours = seconds / 3600.0
    h = ("%d" % hours) if hours == int(hours) else ("%.1f" % hours)
    parts = []
    for i in range(LANGS):
        things = []
        if gold:
            things.append("%d %s" % (gold, ("gold", "Gold", "złota")[i]))
        for count, name in items:
            things.append("%d× %s" % (count, name[i]))
        parts.append(", ".join(things))
    return ("Every %s h: %s" % (h, parts[0]), "Alle %s Std.: %s" % (h.replace(".", ","), parts[1]),
            "Co %s godz.: %s" % (h.replace(".", ","), parts[2]))


def city_level(title):
    """The settlement chain: the village's new rank."""
    return ("New rank: %s" % title[0], "Neuer Rang: %s" % title[1], "Nowy tytuł: %s" % title[2].lower())


def tool_mode(mine):
    return (("Use it in the mine.", "Für die Mine.", "Do użytku w kopalni.") if mine else
            ("Use it in the fields.", "Für die Felder.", "Do użytku na polach."))


def tool_experience(points):
    """A tool's experience, earned each time it is used on a board."""
    return ("Each use: +%d EXP." % points, "Pro Einsatz: +%d EXP." % points, "Każde użycie: +%d EXP." % points)


def each_hire():
    return ("Each hire: ", "Pro Anstellung: ", "Każdy zatrudniony: ")
