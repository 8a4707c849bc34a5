"""Scene files, part animations and particle lists of the interface.

Scene files are property lists in the scene editor's format ("SceneBuilder",
version 1): a tree of nodes with every property the reader takes. Frames are
named with a non-empty "spriteFramesFile", so they come from the sheets that
are loaded when the scene is read. Positions are in points; the tablet file
is laid out on 768 x 1024 and the phone file on 320 x 480.
"""

from __future__ import annotations

from pathlib import Path

import gui_frames as gf

FRAMES_FILE = "gui_common.plist"  # only a marker: frames come from the loaded sheets


# ---- scene-file nodes ----

def _node(cls: str, props: dict, children=()) -> dict:
    base = {"position": [0, 0], "contentSize": [0, 0], "scaleX": 1.0, "scaleY": 1.0, "anchorPoint": [0, 0],
            "rotation": 0.0, "isRelativeAnchorPoint": True, "visible": True, "tag": -1, "zOrder": 0}
    base.update(props)
    return {"class": cls, "properties": base, "children": list(children)}


def _member(name: str | None) -> dict:
    return {"memberVarAssignmentType": 2, "memberVarAssignmentName": name} if name else {}


def node(pos=(0, 0), member=None, custom=None, size=(0, 0), children=(), **extra) -> dict:
    props = {"position": list(pos), "contentSize": list(size), **_member(member), **extra}
    if custom:
        props["customClass"] = custom
    return _node("CCNode", props, children)


def sprite(frame: str, pos, anchor=(0.5, 0.5), member=None, children=(), **extra) -> dict:
    props = {"position": list(pos), "anchorPoint": list(anchor), "spriteFile": frame,
             "spriteFramesFile": FRAMES_FILE, "opacity": 255, "color": [255, 255, 255], "flipX": False,
             "flipY": False, "blendFunc": [1, 771], **_member(member), **extra}
    return _node("CCSprite", props, children)


def menu(children, member=None, visible=True, pos=(0, 0), size=(0, 0)) -> dict:
    props = {"position": list(pos), "contentSize": list(size), "isRelativeAnchorPoint": False, "visible": visible,
             "touchEnabled": True, "accelerometerEnabled": False, **_member(member)}
    return _node("CCMenu", props, children)


def item(frames: tuple[str, str, str], pos, selector: str | None, member=None, tag=-1, visible=True,
         custom=None, enabled=True) -> dict:
    normal, selected, disabled = frames
    props = {"position": list(pos), "anchorPoint": [0.5, 0.5], "spriteFileNormal": normal,
             "spriteFileSelected": selected, "spriteFileDisabled": disabled, "spriteFramesFile": FRAMES_FILE,
             "isEnabled": enabled, "tag": tag, "visible": visible, **_member(member)}
    if selector:
        props.update({"target": 2, "selector": selector})
    else:
        props.update({"target": 0, "selector": ""})
    if custom:
        props["customClass"] = custom
    return _node("CCMenuItemImage", props)


def document(graph: dict) -> dict:
    return {"fileType": "SceneBuilder", "fileVersion": 1, "nodeGraph": graph}


def button_frames(stem: str, disabled: str | None = None) -> tuple[str, str, str]:
    return (f"{stem}.png", f"{stem}_click.png", disabled or f"{stem}.png")


# ---- the HUD ----

# Tab buttons: (member, frame stem, selector, tag, x tablet, x phone). The
# tutorial's arrows point at Build, Workers and Shop at these x positions.
TABS = [
    ("BuildButton", "tab_build", "BuildCallback:", 10, 140, 56),
    ("ToolsButton", "tab_tools", "ToolsCallback:", 11, 255, 106),
    ("WorkersButton", "tab_workers", "WorkersCallback:", 12, 370, 156),
    ("MicroButton", "tab_micro", "MicroCallback:", 13, 480, 206),
    ("ShopButton", "tab_shop", "ShopCallback:", 14, 590, 256),
]


def hud(tablet: bool) -> dict:
    k = 2 if tablet else 1
    w, h = (768, 1024) if tablet else (320, 480)
    bottom_h, top_h = 45 * k, 27 * k
    cy = bottom_h / 2
    tabs = []
    for member, stem, selector, tag, xt, xp in TABS:
        x = xt if tablet else xp
        tabs.append(item((f"{stem}.png", f"{stem}_click.png", f"{stem}_disabled.png"), (x, cy), selector,
                         member=member, tag=tag))
        tabs.append(item((f"{stem}_active.png", f"{stem}_active_click.png", f"{stem}_disabled.png"), (x, cy),
                         selector, tag=tag * 2, visible=False))
    tabs.append(item(button_frames("hud_back_button"), (40 if tablet else 16, cy), "BackCallback:",
                     member="BackButton"))
    tabs.append(item(button_frames("hud_menu_button"), (715 if tablet else 298, cy), "MenuCallback:",
                     member="MenuButton"))
    # Last in its menu, so it only takes the touches no button takes: taps on the bar stay off the map.
    tabs.append(item(("hud_bottom_bar.png",) * 3, (w / 2, bottom_h / 2), "EmptyCallback:", member="EmptyButton"))
    bottom = sprite("hud_bottom_bar.png", (w, 0), (1, 0), "BottomBar", [menu(tabs, "Menu1")])

    ty = top_h / 2
    workers_x = 401 if tablet else 150
    # The village name has the room up to the workers marker, less a gap;
    # the HUD fits a longer name into that width.
    name_x = 46 * k
    name_room = workers_x - gf.MARKER[0] * k / 2 - 4 * k - name_x
    top_children = [
        sprite("hud_level_marker.png", (24 * k, ty), member="LvlMarker"),
        node((name_x, ty), "VillageNameMarker", size=(name_room, 0)),
        sprite("hud_workers_marker.png", (workers_x, ty), member="WorkersMarker"),
        sprite("hud_gold_marker.png", (627 if tablet else 258, ty), member="GoldMarker"),
        node((w / 2 + (0 if tablet else 64), -18 if tablet else -9), "ExpBar", custom="CCExpBar"),
        menu([item(("hud_bag_button.png", "hud_bag_button_click.png", "hud_bag_button_disabled.png"),
                   (732 if tablet else 305, ty), "BagCallback:", member="BagButton")], "Menu2"),
    ]
    top = sprite("hud_top_bar.png", (w, h), (1, 1), "TopBar", top_children)

    pw, ph = gf.GOODS_PANEL[0] * k, gf.GOODS_PANEL[1] * k
    gx, gy = gf.GRID_ORIGIN[0] * k, ph - gf.GRID_ORIGIN[1] * k
    bag_children = [
        sprite("hud_gold_marker.png", (60 * k, ph - 30 * k), member="GoldMarkerPopUp"),
        sprite("hud_workers_marker.png", (145 * k, ph - 30 * k), member="WorkersMarkerPopUp"),
        node((gx, gy), "ResMarker"),
        menu([item(button_frames("hud_close_bag"), (pw - 20 * k, ph - 26 * k), "CloseBagCallback:",
                   member="CloseBag"),
              item(("hud_goods_panel.png",) * 3, (pw / 2, ph / 2), "EmptyCallback:", member="EmptyButton2")],
             "Menu3"),
    ]
    bag = sprite("hud_goods_panel.png", (0, h / 2), (1, 0.5), "GoodsPopUp", bag_children)
    return document(node((0, 0), size=(w, h), children=[bottom, top, bag]))


# ---- the options pop-up ----

def options(tablet: bool) -> dict:
    k = 2 if tablet else 1
    bw, bh = gf.OPTIONS_BG
    H = bh * k
    wide = button_frames("options_button", "options_button_disabled.png")
    back = button_frames("options_back_button")
    corner = ((bw / 2 - 32) * k, (bh / 2 - 32) * k)

    def y(frac: float) -> float:
        return (frac - 0.5) * H

    first = menu([
        item(("main_menu_music_icon.png", "main_menu_music_icon_disabled.png", "main_menu_music_icon_disabled.png"),
             (-40 * k, 110 * k), "ChangeMusic:", member="MusicButton"),
        item(("main_menu_sounds_icon.png", "main_menu_sounds_icon_disabled.png",
              "main_menu_sounds_icon_disabled.png"), (40 * k, 110 * k), "ChangeSound:", member="SoundButton"),
        item(wide, (0, -10 * k), "CloudCallback:", member="CloudButton"),
        item(wide, (0, -50 * k), "MenuCallback:", member="MenuButton"),
        item(wide, (0, -90 * k), "CreditsCallback:", member="CreditsButton"),
        item(wide, (0, -130 * k), "ResetCallback:", member="ResetGameButton"),
        item(back, corner, "BackCallback:", member="BackButton"),
        # Back to the game without writing the settings (over the HUD; any
        # other opener treats it as the back button).
        item(button_frames("options_yes_button"), (-corner[0], corner[1]), "ContinueCallback:",
             member="ContinueButton"),
    ], "ButtonL1Menu")
    reset = menu([
        item(wide, (0, -120 * k), "ResetYesCallback:", member="ResetYes", custom="CCHoldButtonImage"),
        item(wide, (0, -160 * k), "ResetNoCallback:", member="ResetNo"),
        item(back, corner, "BackResetCallback:", member="BackResetButton"),
    ], "ButtonL2ResetMenu", visible=False)
    cloud = menu([
        item(button_frames("options_yes_button"), (-50 * k, -130 * k), "CloudYesCallback:"),
        item(button_frames("options_no_button"), (50 * k, -130 * k), "CloudNoCallback:"),
        item(back, corner, "BackCloudCallback:", member="BackCloudButton"),
    ], "ButtonL2CloudMenu", visible=False)
    credits = menu([item(back, corner, "BackCreditsCallback:", member="BackCreditsButton")],
                   "ButtonL3CloudMenu", visible=False)
    about = menu([
        item(wide, (0, -45 * k), "TermsCallback:", member="TermsButton"),
        item(wide, (0, -82 * k), "PrivacyCallback:", member="PrivacyButton"),
        item(wide, (0, -119 * k), "EULACallback:", member="EULAButton"),
        item(wide, (0, -156 * k), "CreditsAboutCallback:", member="CreditsButtonE"),
        item(back, corner, "BackAboutCallback:", member="BackAboutButton"),
    ], "AboutMenu", visible=False)
    assert y(0.17) > -H / 2
    bcg = sprite("options_bg.png", (0, 0), member="Bcg")
    return document(node((0, 0), children=[bcg, first, reset, cloud, credits, about]))


# ---- part animations ----

def _item_xml(x, y, sx=1.0, sy=1.0, depth=0, alpha=255, rotation=0.0, ax=0.0, ay=0.0) -> str:
    return (f'<item x="{x:g}" y="{y:g}" scaleX="{sx:g}" scaleY="{sy:g}" depth="{depth}" alpha="{alpha:g}" '
            f'rotation="{rotation:g}" anchorX="{ax:g}" anchorY="{ay:g}"/>')


def animation_xml(fps: int, parts: list[tuple[str, list[tuple[int, dict]]]]) -> str:
    """A part animation: fps, then each part's image and key frames (index, item values)."""
    lines = ["<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<partanimation>", f"  <fps>{fps}</fps>"]
    for image, frames in parts:
        lines.append(f'  <animation image="{image}">')
        for index, values in frames:
            lines.append(f'    <frame index="{index}">{_item_xml(**values)}</frame>')
        lines.append("  </animation>")
    lines.append("</partanimation>")
    return "\n".join(lines) + "\n"


def main_menu_animation() -> str:
    """The three plates drop in one after another, overshoot and settle; they
    end where the last step leaves them (the menu stops at the end)."""
    # plate centres in sheet pixels of the H row, y down, from the menu's anchor
    plates = [("mainmenu_element_01.png", -150), ("mainmenu_element_02.png", -10), ("mainmenu_element_03.png", 120)]
    parts = []
    for i, (image, y) in enumerate(plates):
        start = i * 4
        frames = []
        if start > 0:
            frames.append((0, dict(x=0, y=y - 60, sx=0.0, sy=0.0, depth=i, alpha=0)))
        frames += [
            (start, dict(x=0, y=y - 60, sx=0.2, sy=0.2, depth=i, alpha=0)),
            (start + 7, dict(x=0, y=y + 8, sx=1.08, sy=1.08, depth=i, alpha=255)),
            (start + 10, dict(x=0, y=y - 3, sx=0.97, sy=0.97, depth=i, alpha=255)),
            (start + 12, dict(x=0, y=y, sx=1.0, sy=1.0, depth=i, alpha=255)),
            (30, dict(x=0, y=y, sx=1.0, sy=1.0, depth=i, alpha=255)),
        ]
        parts.append((image, frames))
    return animation_xml(24, parts)


def flag_animation(image: str, phase: int) -> str:
    """A pennant flapping on its pole (the picture's centre), stretching and
    swinging a little, looping."""
    keys = []
    pattern = [(1.0, 1.0, -4), (0.86, 1.06, 3), (0.95, 0.94, -1), (0.82, 1.04, 5), (1.0, 1.0, -4)]
    step = 6
    for n, (sx, sy, rot) in enumerate(pattern):
        # a little under the pole's knob (sheet pixels, y down)
        keys.append((n * step, dict(x=0, y=10, sx=sx, sy=sy, rotation=rot + phase)))
    return animation_xml(12, [(image, keys)])


# ---- particles ----

def particle(texture: str, **values) -> dict:
    """A particle list with every key the reader takes (missing keys read as 0).

    An emitter sends maxParticles / lifespan particles a second for its
    duration, so a burst of n particles over a duration d needs
    maxParticles = n * lifespan / d."""
    base = {
        "maxParticles": 40, "angle": 90.0, "angleVariance": 0.0, "duration": 0.2,
        "blendFuncSource": 770, "blendFuncDestination": 1,
        "startColorRed": 1.0, "startColorGreen": 1.0, "startColorBlue": 1.0, "startColorAlpha": 1.0,
        "startColorVarianceRed": 0.0, "startColorVarianceGreen": 0.0, "startColorVarianceBlue": 0.0,
        "startColorVarianceAlpha": 0.0,
        "finishColorRed": 1.0, "finishColorGreen": 1.0, "finishColorBlue": 1.0, "finishColorAlpha": 0.0,
        "finishColorVarianceRed": 0.0, "finishColorVarianceGreen": 0.0, "finishColorVarianceBlue": 0.0,
        "finishColorVarianceAlpha": 0.0,
        "startParticleSize": 16.0, "startParticleSizeVariance": 4.0, "finishParticleSize": 4.0,
        "finishParticleSizeVariance": 0.0,
        "sourcePositionx": 0.0, "sourcePositiony": 0.0, "sourcePositionVariancex": 0.0,
        "sourcePositionVariancey": 0.0,
        "rotationStart": 0.0, "rotationStartVariance": 0.0, "rotationEnd": 0.0, "rotationEndVariance": 0.0,
        "emitterType": 0, "gravityx": 0.0, "gravityy": 0.0, "speed": 60.0, "speedVariance": 20.0,
        "radialAcceleration": 0.0, "radialAccelVariance": 0.0, "tangentialAcceleration": 0.0,
        "tangentialAccelVariance": 0.0,
        "maxRadius": 0.0, "maxRadiusVariance": 0.0, "minRadius": 0.0, "rotatePerSecond": 0.0,
        "rotatePerSecondVariance": 0.0,
        "particleLifespan": 0.6, "particleLifespanVariance": 0.2, "textureFileName": texture,
    }
    base.update({key: float(v) if isinstance(v, (int, float)) and key != "emitterType" else v
                 for key, v in values.items()})
    return base


def colour(prefix: str, rgba) -> dict:
    names = ("Red", "Green", "Blue", "Alpha")
    return {f"{prefix}{n}": float(v) for n, v in zip(names, rgba)}


def particles() -> dict[str, dict]:
    gold = (1.0, 0.86, 0.35, 1.0)
    return {
        # a glittering trail behind a flying bonus: a steady emitter that the code stops
        "trail.plist": particle("particle_spark.png", maxParticles=60, duration=-1, angle=90, angleVariance=180,
                                speed=14, speedVariance=8, particleLifespan=0.45, particleLifespanVariance=0.15,
                                startParticleSize=14, startParticleSizeVariance=5, finishParticleSize=2,
                                sourcePositionVariancex=3, sourcePositionVariancey=3,
                                **colour("startColor", gold), **colour("startColorVariance", (0.0, 0.1, 0.2, 0.0)),
                                **colour("finishColor", (1.0, 0.7, 0.2, 0.0))),
        # experience arrival: a ring of stars thrown out, then fading
        "boing_particle.plist": particle("particle_star.png", maxParticles=170, duration=0.1, angle=90,
                                         angleVariance=180, speed=150, speedVariance=40, gravityy=-120,
                                         particleLifespan=0.7, particleLifespanVariance=0.2, startParticleSize=22,
                                         startParticleSizeVariance=8, finishParticleSize=6, rotationStart=0,
                                         rotationStartVariance=180, rotationEnd=180, rotationEndVariance=180,
                                         **colour("startColor", (1.0, 0.95, 0.55, 1.0)),
                                         **colour("startColorVariance", (0.0, 0.05, 0.3, 0.0)),
                                         **colour("finishColor", (1.0, 0.6, 0.2, 0.0))),
        # any other bonus arrival: a small puff of sparks
        "small_boing.plist": particle("particle_spark.png", maxParticles=80, duration=0.08, angle=90,
                                      angleVariance=180, speed=90, speedVariance=25, gravityy=-60,
                                      particleLifespan=0.45, particleLifespanVariance=0.1, startParticleSize=14,
                                      startParticleSizeVariance=4, finishParticleSize=3,
                                      **colour("startColor", (1.0, 1.0, 0.85, 1.0)),
                                      **colour("finishColor", (1.0, 0.85, 0.4, 0.0))),
        # the floating "+N" experience label: a short upward fountain of green-gold sparks
        "exp.plist": particle("particle_spark.png", maxParticles=90, duration=0.15, angle=90, angleVariance=35,
                              speed=80, speedVariance=30, gravityy=-90, particleLifespan=0.6,
                              particleLifespanVariance=0.2, startParticleSize=17, startParticleSizeVariance=5,
                              finishParticleSize=4, sourcePositionVariancex=14,
                              **colour("startColor", (0.75, 1.0, 0.45, 1.0)),
                              **colour("startColorVariance", (0.2, 0.0, 0.2, 0.0)),
                              **colour("finishColor", (1.0, 0.9, 0.3, 0.0))),
        # tax collection on the chest: coins' glints bursting upward and falling back
        "tax.plist": particle("particle_star.png", maxParticles=140, duration=0.25, angle=90, angleVariance=40,
                              speed=200, speedVariance=50, gravityy=-380, particleLifespan=0.9,
                              particleLifespanVariance=0.2, startParticleSize=20, startParticleSizeVariance=6,
                              finishParticleSize=8, sourcePositionVariancex=16, rotationStart=0,
                              rotationStartVariance=180, rotationEnd=360, rotationEndVariance=90,
                              blendFuncDestination=771,
                              **colour("startColor", (1.0, 0.85, 0.3, 1.0)),
                              **colour("startColorVariance", (0.0, 0.1, 0.1, 0.0)),
                              **colour("finishColor", (1.0, 0.7, 0.15, 0.0))),
    }


def write_text(path: Path, text: str) -> None:
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)
