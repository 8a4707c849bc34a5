#!/usr/bin/python3
"""Writes resources/stringdb.csv, the string table: every text the game
shows, in English, German and Polish.

The texts are written in the strings_*.py modules beside this script; the
upgrade descriptions are completed from the game data (resources/test.xml,
written first by make_gamedata.py) so that they say what each upgrade does.
Deterministic: the same inputs give the same bytes.

The table's form: a header row, then one row per key, "key"|"en"|"de"|"pl",
every field in double quotes, rows ended by LF (the last one too), UTF-8.
The reader strips the first and last character of every field and has no
escape for "|", so a text holding "|", a double quote, CR or LF, an empty
text, a key twice or a key without all three languages stops the script.
So does a text that does not fit the box the game draws it in (measured
with the committed fonts at the phone size and at twice it).
"""

import os
import sys
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True  # leave no cache files beside the generator
sys.path.insert(0, HERE)

import strings_effects as fx  # noqa: E402
import strings_tutorial  # noqa: E402
import strings_ui as ui  # noqa: E402
import strings_upgrades  # noqa: E402
from stems import RESOURCE_STEMS  # noqa: E402
from textfit import Fonts  # noqa: E402

OUT = os.path.join(ROOT, "resources", "stringdb.csv")
GAME_DATA = os.path.join(ROOT, "resources", "test.xml")
FONT_DIR = os.path.join(ROOT, "resources", "fonts")
LANGUAGES = ("en", "de", "pl")


# The settlement chain: the building and the city level it sets.
CITY_LEVELS = {88: 1, 101: 2, 89: 3, 27: 4, 90: 5, 38: 6}

# What the game's code (not the data) makes these upgrades do.
ROLES = {
    18: ("Opens the shop, and lets you pay for buildings and tools with gold.",
         "Öffnet den Laden und erlaubt, Gebäude und Werkzeuge mit Gold zu bezahlen.",
         "Otwiera sklep i pozwala płacić złotem za budynki i narzędzia."),
    19: ("Opens the tool list: craft tools for the mine and the fields.",
         "Öffnet die Werkzeugliste: Fertige Werkzeuge für Mine und Felder.",
         "Otwiera listę narzędzi: wytwarzaj narzędzia do kopalni i na pola."),
    21: ("Opens the workers list, so you can hire workers.",
         "Öffnet die Arbeiterliste, damit du Arbeiter anheuern kannst.",
         "Otwiera listę pracowników, aby można było ich zatrudniać."),
    29: ("Opens the way into the mine.", "Öffnet den Weg in die Mine.", "Otwiera drogę do kopalni."),
    38: ("The last step of your village's rise.", "Die letzte Stufe im Aufstieg deines Dorfes.",
         "Ostatni stopień rozwoju twojej osady."),
    88: ("The heart of the village, where taxes are collected.", "Das Herz des Dorfes, hier werden Steuern eingesammelt.",
         "Serce osady, tu zbiera się podatki."),
    91: ("Opens the way to the fields.", "Öffnet den Weg zu den Feldern.", "Otwiera drogę na pola."),
    98: ("Adds 10 moves of food in the mine, up to the limit.",
         "Gibt in der Mine Proviant für 10 Züge, bis zur Obergrenze.",
         "Daje w kopalni prowiant na 10 ruchów, do limitu."),
    105: ("Costs the same, however many you hire.", "Kostet immer gleich viel, egal wie viele du anheuerst.",
          "Kosztuje tyle samo, niezależnie od liczby zatrudnionych."),
}
ROLES_SHORT = {
    18: ("Opens the shop; buy with gold", "Öffnet den Laden; Kauf mit Gold", "Otwiera sklep; zakupy za złoto"),
    19: ("Opens the tool list", "Öffnet die Werkzeugliste", "Otwiera listę narzędzi"),
    21: ("Opens the workers list", "Öffnet die Arbeiterliste", "Otwiera listę pracowników"),
    29: ("The way into the mine", "Der Weg in die Mine", "Droga do kopalni"),
    88: ("The heart of the village", "Das Herz des Dorfes", "Serce osady"),
    91: ("The way to the fields", "Der Weg zu den Feldern", "Droga na pola"),
    98: ("+10 moves of food in the mine", "+10 Züge Proviant in der Mine", "+10 ruchów prowiantu w kopalni"),
}


class Fail(Exception):
    pass


# ---------------------------------------------------------------- game data

def read_game_data(path):
    root = ET.parse(path).getroot()

    def num(element, name):
        text = element.get(name)
        return float(text) if text and "." in text else int(text or 0)

    kinds = {}
    for c in root.find("Collectibles"):
        kinds[int(c.get("ID"))] = dict(next=num(c, "NextCollectible"), next_count=num(c, "NextCollectibleCount"),
                                       res=num(c, "NextResource"), res_count=num(c, "NextResourceCount"))
    upgrades = {}
    for u in root.find("Upgrades"):
        uid = int(u.get("ID"))
        actions = []
        for a in u.findall("Actions/ActionItem"):
            probs = {key: num(a, key) for key in ("Probability", "ProbSpring", "ProbSummer", "ProbAutumn",
                                                  "ProbWinter")}
            actions.append(dict(kind=num(a, "Type"), id=num(a, "ID"), value=num(a, "Value"),
                                value2=num(a, "Value2"), probs=probs))
        upgrades[uid] = dict(
            name=u.get("Name"), type=num(u, "Type"), money=num(u, "Money"), points=num(u, "Points"),
            actions=actions,
            is_mine=u.get("IsMine") == "true", is_field=u.get("IsField") == "true",
            bonus_time=num(u, "BonusTime"), bonus_money=num(u, "BonusMoney"),
            bonus_res=[int(b.get("ID")) for b in u.findall("BonusResources/BonusResource")],
            bonus_tools=[int(b.get("ID")) for b in u.findall("BonusTools/BonusTool")])
    settings = root.find("Settings")
    # Frame text keys, and whether the frame shows pictures under its text.
    frames = {}
    for f in root.find("TutorialFrames"):
        pictures = any(f.get(flag) == "true" for flag in ("bSingleIcon", "bCollectible", "bResource"))
        frames[f.get("Name")] = pictures or num(f, "AdditionaNumber") > 0
    return dict(kinds=kinds, upgrades=upgrades, settings=settings.attrib, frames=frames)


# ---------------------------------------------------------------- upgrade texts

def producing_kind(kinds, resource):
    for kind in range(0, 25):
        if kind in kinds and kinds[kind]["res"] == resource:
            return kind
    raise Fail("no tile kind makes resource %d" % resource)


def effects_of(uid, u, data):
    """The upgrade's effects as text triples, in the data's order; the
    unlocked upgrades and the collected kinds each make one entry."""
    kinds, names = data["kinds"], strings_upgrades.UPGRADES
    out, revealed, collected = [], [], []
    for a in u["actions"]:
        k = a["kind"]
        if k == 3:
            revealed.append(names[a["value"]][0])
            continue
        if k == 4:
            collected.append(a["value"])
            continue
        if k == 0:
            out.append(fx.reward_tiles(a["id"], kinds[a["id"]]["next"], a["value"]))
        elif k == 1:
            out.append(fx.resource_tiles(producing_kind(kinds, a["id"]), a["id"], a["value"]))
        elif k == 2:
            p = a["probs"]
            mine = p["Probability"] != 0
            change = p["Probability"] if mine else sum(p[s] for s in ("ProbSpring", "ProbSummer", "ProbAutumn",
                                                                       "ProbWinter"))
            out.append(fx.spawn(a["id"], mine, change > 0))
        elif k == 8:
            out.append(fx.retype(a["value"], a["value2"]))
        elif k == 9:
            out.append(fx.spawn_next(a["value"]))
        elif k in (10, 11):
            out.append(fx.jump(k == 10, a["value"]))
        elif k == 13:
            out.append(fx.mine_food(a["value"]))
        elif k == 14:
            if a["value"] == 17:
                out.append(fx.villagers(a["value2"]))
            else:
                out.append(fx.stock(a["value"], a["value2"], ui.RESOURCE_NAMES[RESOURCE_STEMS[a["value"] - 1]]))
        elif k == 15:
            out.append(fx.season(a["value"]))
        elif k == 19:
            out.append(fx.tax_time(a["value2"]))
        elif k in (22, 23):
            out.append(fx.show_next(k == 22))
        else:
            raise Fail("upgrade %d: no text for effect kind %d" % (uid, k))
    if collected:
        out.insert(0, fx.collect_all(collected))
    if uid in CITY_LEVELS:
        out.insert(0, fx.city_level(ui.STATISTICS["VILLAGE_LVL_%d" % CITY_LEVELS[uid]]))
    unlocks = fx.unlocks(revealed) if revealed else None
    bonus = None
    if u["bonus_time"] >= 1 and (u["bonus_money"] or u["bonus_res"] or u["bonus_tools"]):
        items = []
        for rid in sorted(set(u["bonus_res"])):
            items.append((u["bonus_res"].count(rid), ui.RESOURCE_NAMES[RESOURCE_STEMS[rid - 1]]))
        for tid in sorted(set(u["bonus_tools"])):
            items.append((u["bonus_tools"].count(tid), names[tid][0]))
        bonus = fx.bonus(u["bonus_time"], u["bonus_money"], items)
    return out, unlocks, bonus


def sentence(text):
    return text if text.endswith((".", "!", "?")) else text + "."


def join(parts, lang):
    return " ".join(sentence(p[lang]) for p in parts)


# Words that start an effect and are no nouns: after "Each hire: " they
# take a small letter (German nouns keep their capital).
NOT_NOUNS = {"Less", "Fewer", "More", "Carry", "Weniger", "Mehr", "Mniej", "Więcej", "Prowiant"}


def after_colon(text):
    first = text.split(" ", 1)[0]
    return text[0].lower() + text[1:] if first in NOT_NOUNS else text


def upgrade_texts(data, fits):
    table = {}
    for uid in range(1, 144):
        stem = strings_upgrades.STEMS[uid - 1]
        name, flavour = strings_upgrades.UPGRADES[uid]
        u = data["upgrades"].get(uid)
        if u is None:
            raise Fail("upgrade %d (%s) is not in the game data" % (uid, stem))
        if u["name"] != name[0]:
            print("note: upgrade %d is \"%s\" in the game data, \"%s\" here" % (uid, u["name"], name[0]))
        effects, unlocks, bonus = effects_of(uid, u, data)
        worker = u["type"] == 3
        tool = u["type"] == 4
        prefix = fx.each_hire() if worker else ("", "", "")

        desc = []
        for lang in range(3):
            parts = [flavour[lang]]
            if uid in ROLES:
                parts.append(ROLES[uid][lang])
            parts += [sentence(prefix[lang] + (after_colon(e[lang]) if prefix[lang] else e[lang]))
                      for e in effects]
            if unlocks:
                parts.append(sentence(unlocks[lang]))
            if bonus:
                parts.append(sentence(bonus[lang]))
            if tool:
                parts.append(fx.tool_mode(u["is_mine"])[lang])
                if u["points"] > 0:
                    parts.append(fx.tool_experience(u["points"])[lang])
            desc.append(" ".join(parts))

        # The short text: the richest that fits every box it is drawn in.
        candidates = []
        main = ([ROLES_SHORT[uid]] if uid in ROLES_SHORT else []) + effects
        extras = [x for x in (bonus, unlocks) if x]
        for k in range(len(main), 0, -1):
            candidates += [main[:k] + extras, main[:k] + extras[:1], main[:k]]
        if not main and extras:
            candidates.append(extras)
            candidates.append(extras[:1])
        else:
            candidates.append([flavour])
        short = None
        for parts in candidates:
            texts = tuple(join(parts, lang) for lang in range(3))
            if fits.short_fits(stem, u["type"], texts):
                short = texts
                break
        if short is None:
            raise Fail("%s_DESC_SHORT: even \"%s\" does not fit" % (stem, join(candidates[-1], 0)))
        table[stem + "_NAME"] = name
        table[stem + "_DESC"] = tuple(desc)
        table[stem + "_DESC_SHORT"] = short
    return table


# ---------------------------------------------------------------- fitting

SAMPLE_VILLAGE = "Mosswickton"  # eleven characters, the longest name allowed
REGULAR, BOLD = "HelveticaNeue", "HelveticaNeue-Bold"

# Sizes of the interface art (phone points) that the layouts take boxes
# from: the tutorial's speech bubble and the worker pop-up's (text boxes are
# fractions of them), the two pop-up panels, the achievement banner and the
# buttons captions are drawn on.
BUBBLE = (262, 134)         # "popup_tutorial.png"
WORKER_BUBBLE = (204, 112)  # "popup_workers_resources.png"
BUILD_PANEL = (292, 300)    # "bg_build.png"
POPUP_PANEL = (272, 236)    # "bg_popup.png"
BANNER_WIDTH = 300          # "achievment_bar.png"
WIDE_BUTTON = 112           # build, cancel, craft-food and instant-buy buttons
ROW_BUTTON = 76             # "sell_button.png", "list_button.png" (78)
MEDIUM_BUTTON = 104         # "list_button_medium.png", for captions of 8 characters or more
TAX_BUTTON = 130            # "button_taxes.png"


class Fits:
    """Every box a text is drawn in, by key, at phone size (font points,
    box width and height in points; height None: one line no wider than
    the width)."""

    def __init__(self, fonts):
        self.fonts = fonts
        self.failures = []

    def fits(self, text, font, size, width, height, max_lines=None):
        for scale in (1, 2):
            if height is None:
                if self.fonts.width(text, font, size * scale) > width * scale + 0.01:
                    return False
                continue
            lines, broken = self.fonts.wrap(text, font, size * scale, width * scale)
            room = self.fonts.lines_that_fit(font, size * scale, height * scale)
            if broken or len(lines) > min(room, max_lines or room):
                return False
        return True

    def check(self, key, texts, font, size, width, height=None, lang_sizes=None, max_lines=None):
        for lang, text in enumerate(texts):
            s = (lang_sizes or {}).get(lang, size)
            if not self.fits(text, font, s, width, height, max_lines):
                box = "%gx%g" % (width, height) if height else "one line of %g" % width
                if max_lines:
                    box += " in %d lines" % max_lines
                self.failures.append("%s (%s): does not fit %s at %g pt: \"%s\"" %
                                     (key, LANGUAGES[lang], box, s, text))

    def short_fits(self, stem, kind, texts):
        # Buildings: list row and map tooltip; workers: their list row;
        # tools: list row and the boards' tool panel.
        boxes = {2: [(11, 98, 150), (8, 125, 35)], 3: [(10, 98, 150)], 4: [(11, 145, 60), (9, 120, 35)]}
        for size, width, height in boxes.get(kind, [(11, 98, 150), (8, 125, 35)]):
            if not all(self.fits(t, REGULAR, size, width, height) for t in texts):
                return False
        return True


def check_fits(table, fits, frame_pictures):
    bw, bh = BUBBLE
    ww, wh = WORKER_BUBBLE
    pw, ph = POPUP_PANEL
    gw, gh = BUILD_PANEL

    def c(key, *args, **kw):
        fits.check(key, table[key], *args, **kw)

    for key in ("EXIT_BODY", "FIELD_POPUP"):
        c(key, REGULAR, 10, 180, 150)
    for mode in ("MINE", "FIELDS"):
        for n in (1, 2, 3):
            c("END_%s_%d" % (mode, n), REGULAR, 11, 0.8 * gw, 0.2 * gh)
        for n in (4, 5):
            c("END_%s_%d" % (mode, n), REGULAR, 11, 0.9 * gw)
        c("END_%s_HEADER" % mode, BOLD, 20, 0.9 * gw)
    for key in ("EXIT_HEAD", "FIELD_POPUP_H"):
        c(key, BOLD, 18, 0.9 * pw)
    for key in ("EXP", "TILES"):
        c(key, BOLD, 11, 0.25 * gw)
    # Tutorial bubbles and the four full-screen lessons.
    for frame in strings_tutorial.FRAMES:
        key = "TUTORIAL_%d" % frame
        texts = table[key]
        if frame in strings_tutorial.NAME_BEFORE:
            texts = tuple(SAMPLE_VILLAGE + " " + t for t in texts)
        if frame in strings_tutorial.NAME_AFTER:
            texts = tuple(t + " " + SAMPLE_VILLAGE for t in texts)
        if frame in strings_tutorial.LESSONS:
            fits.check(key, texts, REGULAR, 14, 200, 145)
        else:
            # Pictures stand in the bubble's lower part: the text keeps above them.
            fits.check(key, texts, REGULAR, 10, 0.74 * bw, 0.7 * bh,
                       max_lines=3 if frame_pictures.get(key) else None)
    c("HIRED_TEXT", REGULAR, 10, 0.66 * ww, 0.6 * wh)
    c("TAP_TO_CONT", BOLD, 12, 0.9 * gw)
    # Intro pages in a box of 0.8 x 0.18 of the smallest phone window.
    fits.check("INTRO_01", tuple(SAMPLE_VILLAGE + " " + t for t in table["INTRO_01"]), REGULAR, 17, 256, 86.4)
    for key in ("INTRO_02", "INTRO_03"):
        c(key, REGULAR, 17, 256, 86.4)
    fits.check("INTRO_04", tuple(t + " " + SAMPLE_VILLAGE + "." for t in table["INTRO_04"]), REGULAR, 17, 256, 86.4)
    # Options pop-up.
    c("TARVO_TEXT", REGULAR, 10, 240, 85, lang_sizes={1: 8})
    c("CLOUD_TEXT", REGULAR, 12, 175, 85)
    c("RESET_TEXT", REGULAR, 11, 200, 30)  # two lines: the hold line stands under it
    c("RESET_HOLD", REGULAR, 11, 200)
    for key in ("BUTTON_RESET", "BUTTON_CLOUD", "MAIN_MENU_ID", "BUTTON_ABOUT", "BUTTON_YES", "BUTTON_NO"):
        c(key, BOLD, 14, 100)
    for key in ("TARVO_TOS_BUTTON", "TARVO_PP_BUTTON", "TARVO_EULA_BUTTON", "CREDITS_BUTTON"):
        c(key, BOLD, 14, 100, lang_sizes={1: 11})
    # Alerts: 270 points wide less their margins; the title on one line.
    for key in ("SAVE_UNREADABLE_HEAD", "SAVE_FAILED_HEAD", "SAVE_NOT_SET_ASIDE_HEAD"):
        c(key, BOLD, 17, 238)
    for key in ("SAVE_UNREADABLE_TEXT", "SAVE_UNREADABLE_LEFT_TEXT", "SAVE_FAILED_TEXT", "SAVE_NOT_SET_ASIDE_TEXT"):
        c(key, REGULAR, 14, 238, 150)
    # Main menu plates and the store.
    for key in ("WELCOME_TEXT", "MM_CONTINUE", "MM_NEW_GAME", "MM_OPTIONS"):
        c(key, BOLD, 25, 180)
    for key in ("IAP_NO_PERMISSION", "IAP_IN_PROGRESS", "IAP_CANCELLED", "IAP_CONNECTING", "IAP_HEAD"):
        c(key, BOLD, 17, 0.8 * pw, 0.3 * ph)
    c("IAP_TEXT", REGULAR, 11, 0.9 * pw)
    # Buttons: a caption keeps a few points of the button's rim free.
    for key in ("BUTTON_OK", "BUTTON_CANCEL", "BUTTON_CLOSE", "BUTTON_SKIP", "UPGRADES_BUTTON_BUILD",
                "UPGRADES_BUTTON_CRAFT", "MM_CONTINUE"):
        c(key, BOLD, 14, WIDE_BUTTON - 12)
    c("BUTTON_BUY", BOLD, 14, ROW_BUTTON - 8)
    for key in ("BUTTON_SELL", "UPGRADES_BUTTON_HIRE"):
        for lang, text in enumerate(table[key]):
            width = (ROW_BUTTON if len(text) < 8 else MEDIUM_BUTTON) - 8
            fits.check("%s (%s)" % (key, LANGUAGES[lang]), (text,) * 3, BOLD, 14, width)
    for key in ("BUTTON_YES", "BUTTON_NO"):  # the leave-the-session question
        c(key, BOLD, 17, ROW_BUTTON - 8)
    c("HQ_BUTTON_TAXES", BOLD, 15, TAX_BUTTON - 12)
    c("MINE_OK", BOLD, 13, WIDE_BUTTON - 12)
    c("BUY_MOVES", REGULAR, 9, 80)
    c("INSTANT_BUY_ID", REGULAR, 9, 80)
    c("FREE_MOVE", BOLD, 17, 200)
    c("NO_TOOLS", REGULAR, 18, 220)
    # Map, tooltips, pop-ups.
    for a, b in (("BUILDING_PLACE_1", "BUILDING_PLACE_2"), ("UPGRADE_PLACE_1", "UPGRADE_PLACE_2")):
        fits.check(a + " + " + b, tuple(x + " MM " + y for x, y in zip(table[a], table[b])), REGULAR, 15, 300)
    c("BUILDING_CONFIRM", REGULAR, 15, 300)
    c("BUILDING_BONUS", BOLD, 9, 70)
    c("USE_TOOL", BOLD, 12, 80)
    c("UPGRADES_NEED", REGULAR, 12, 80)
    c("WORKER_NOW", REGULAR, 11, 80)
    c("REWARD_TEXT", REGULAR, 15, 120)
    c("OR_ID", REGULAR, 11, 40)
    # Statistics: a key and its value share a column.
    left = ["HQ_TAXES_TOTAL", "HQ_MINE_VISITS", "HQ_FILEDS_VISITS", "HQ_MINE_MOVES", "HQ_FIELDS_MOVES",
            "HQ_MAX_MINE", "HQ_MAX_FIELDS", "HQ_HIGSCORE_MINE", "HQ_HIGSCORE_FIELDS", "HQ_YEAR", "HQ_SUPPLIES",
            "HQ_BONUS_COINS"]
    right = ["HQ_RESOURCES_TOTAL", "HQ_RESOURCES_SPENT", "HQ_MONEY_EARNED", "HQ_MONEY_SPENT", "HQ_BUILDINGS",
             "HQ_TOOLS_USED", "HQ_WORKERS_HIRED", "HQ_RATS_KILLED", "HQ_WOLVES_KILLED", "HQ_PLANTS_EATEN",
             "HQ_ANIMALS_EATEN", "HQ_EXPLOSIONS"]
    for key in left:
        fits.check(key, tuple(t + " 99999" for t in table[key]), REGULAR, 12, 160 - 22 - 4)
    for key in right:
        fits.check(key, tuple(t + " 99999" for t in table[key]), REGULAR, 12, 160 - 4)
    for key in ("HQ_TOTAL_POINTS", "HQ_MAX_SCORE"):
        fits.check(key, tuple(t + " 999999" for t in table[key]), REGULAR, 12, 156)
    fits.check("HQ_FINGER_DISTANCE", tuple(t + " 99999 m" for t in table["HQ_FINGER_DISTANCE"]), REGULAR, 12, 156)
    c("HQ_IS_A", REGULAR, 12, 156)
    for n in range(1, 7):
        c("VILLAGE_LVL_%d" % n, REGULAR, 13, 156)
    # Achievement banner: the title from 0.2 of its width to the points at 0.9.
    for key in ui.ACHIEVEMENTS:
        c(key, REGULAR, 11, 0.7 * BANNER_WIDTH - 40)
    for n in range(1, 11):
        c("CREDITS_%d" % n, BOLD, 12, 300)
    # End of content: the frame's lines and the buildings list's last row.
    c("ENDGAME_H", BOLD, 19, 0.9 * gw)
    for n in (1, 2, 3, 4):
        c("ENDGAME_%d" % n, REGULAR, 11, 0.8 * gw, 0.09 * gh)
    for n in (1, 4):
        c("ENDGAME_%d" % n, REGULAR, 11, 300, 28)
    fits.check("ENDGAME_5", tuple(a + " 9999 " + b for a, b in zip(table["ENDGAME_5"], table["ENDGAME_M"])),
               REGULAR, 11, 0.8 * gw, 0.09 * gh)
    # Names and descriptions.
    for stem in strings_upgrades.STEMS:
        c(stem + "_NAME", BOLD, 13, 150)
        c(stem + "_NAME", BOLD, 23, 0.8 * gw)  # the hire pop-up's title
        c(stem + "_DESC", REGULAR, 11, 230, 150)
    for n in range(1, 7):
        c("MONEY_%d_NAME" % n, BOLD, 15, 150)
        c("MONEY_%d_DESC" % n, REGULAR, 11, 150, 80)
    for stem in RESOURCE_STEMS[:16]:
        c(stem + "_NAME", BOLD, 12, 130)


# ---------------------------------------------------------------- the table

def amount(number, lang):
    """A whole number as each language writes it: thousands grouped from
    10 000 on, with a comma (en), a dot (de) or a space (pl)."""
    if number < 10000:
        return str(number)
    grouped = "{:,}".format(number)
    return grouped.replace(",", (",", ".", " ")[lang])


def add(table, key, texts, origin):
    if key in table:
        raise Fail("%s is written twice (%s)" % (key, origin))
    if len(texts) != 3:
        raise Fail("%s has %d languages, not 3" % (key, len(texts)))
    for lang, text in zip(LANGUAGES, texts):
        if not isinstance(text, str) or not text:
            raise Fail("%s (%s) is empty" % (key, lang))
        for bad, what in (("|", "a '|'"), ('"', "a double quote"), ("\r", "a CR"), ("\n", "a LF")):
            if bad in text:
                raise Fail("%s (%s) holds %s: %r" % (key, lang, what, text))
        if text != text.strip():
            raise Fail("%s (%s) starts or ends with a space: %r" % (key, lang, text))
    table[key] = tuple(texts)


def build():
    if not os.path.exists(GAME_DATA):
        raise Fail("%s is missing: run make_gamedata.py first" % GAME_DATA)
    data = read_game_data(GAME_DATA)
    fonts = Fonts(FONT_DIR)
    fits = Fits(fonts)
    table = {}
    for group in ui.TABLES:
        for key, texts in group.items():
            add(table, key, texts, "screens")
    for stem in RESOURCE_STEMS[:16] + RESOURCE_STEMS[18:]:
        add(table, stem + "_NAME", ui.RESOURCE_NAMES[stem], "goods")
    for n in range(1, 7):
        gold = int(data["settings"]["MicroGoldCount%d" % n])
        texts = ui.MONEY_DESC["MONEY_%d_DESC" % n]
        add(table, "MONEY_%d_DESC" % n, tuple(t.format(gold=amount(gold, lang)) for lang, t in enumerate(texts)),
            "coin packs")
    for key, texts in strings_tutorial.table().items():
        add(table, key, texts, "tutorial")
    for key, texts in upgrade_texts(data, fits).items():
        add(table, key, texts, "upgrades")
    for name in data["frames"]:
        if name not in table:
            raise Fail("the game data's tutorial frame text %s is not written" % name)
    check_fits(table, fits, data["frames"])
    for key, texts in table.items():
        for lang, text in zip(LANGUAGES, texts):
            for font in (REGULAR, BOLD):
                lacking = fonts.missing(text, font)
                if lacking:
                    raise Fail("%s (%s): %s has no glyph for %s" % (key, lang, font, " ".join(
                        "U+%04X" % ord(ch) for ch in lacking)))
    if fits.failures:
        raise Fail("texts that do not fit:\n  " + "\n  ".join(fits.failures))
    return table


def write(table, path):
    rows = ['"key"|"en"|"de"|"pl"']
    for key, texts in table.items():
        rows.append("|".join('"%s"' % field for field in (key,) + texts))
    data = ("\n".join(rows) + "\n").encode("utf-8")
    with open(path, "wb") as f:
        f.write(data)
    return len(rows) - 1


def main():
    try:
        table = build()
    except Fail as failure:
        sys.stderr.write("make_strings.py: %s\n" % failure)
        return 1
    count = write(table, OUT)
    print("%s: %d keys" % (os.path.relpath(OUT, ROOT), count))
    return 0


if __name__ == "__main__":
    sys.exit(main())
