"""People of the village: walkers (legs, hands, bodies, skirts), list pictures and portraits."""

from __future__ import annotations

import math

from PIL import Image

import core
from core import PALETTE
from village_catalogue import worker_look
from village_paint import bottom_anchored, ellipse, emoji, line, paste, paste_bottom, poly, rect, shade

OUT = PALETTE["outline"]
SKIN = (246, 204, 160, 255)
TROUSERS = (92, 72, 60, 255)
BOOTS = (58, 40, 30, 255)
SLEEVE = (214, 190, 150, 255)

# Walker geometry in points. The legs (or skirt) frame stands on the road; the
# body stands at 0.7 of its height, the hands at 0.3 (as the walker assembles them).
LEGS_W, LEGS_H = 10, 8
BODY_W, BODY_H = 12, 14
HANDS_W, HANDS_H = 14, 9
FRAMES = 24


def legs(frame: int) -> Image.Image:
    """Walking legs, frame 1..24 of the loop (side view: the walker flips to face its way)."""
    img = core.canvas(LEGS_W, LEGS_H)
    phase = 2 * math.pi * (frame - 1) / FRAMES
    hip_y = 1.2
    for k, sign in enumerate((1, -1)):
        swing = math.sin(phase) * 2.4 * sign
        lift = max(0.0, math.cos(phase) * sign) * 1.1
        hx = LEGS_W / 2 + 0.9 * sign * 0.4
        fx, fy = hx + swing, LEGS_H - 1.0 - lift
        colour = TROUSERS if k == 0 else shade(TROUSERS, -0.15)
        line(img, [(hx, hip_y), (fx, fy - 1.2)], OUT, 2.6)
        line(img, [(hx, hip_y), (fx, fy - 1.2)], colour, 1.7)
        rect(img, fx - 1.3, fy - 1.6, fx + 1.9, fy + 0.4, BOOTS, OUT, 0.3, radius_pt=0.6)
    rect(img, LEGS_W / 2 - 2.2, 0.2, LEGS_W / 2 + 2.2, 2.2, TROUSERS, OUT, 0.3)
    return img


def hands(frame: int) -> Image.Image:
    """Swinging arms, frame 1..24 (opposite the legs)."""
    img = core.canvas(HANDS_W, HANDS_H)
    phase = 2 * math.pi * (frame - 1) / FRAMES
    for sign in (1, -1):
        swing = -math.sin(phase) * 2.2 * sign
        sx, sy = HANDS_W / 2 + 3.4 * sign, 1.0
        hx, hy = sx + swing + 0.3 * sign, HANDS_H - 2.0
        line(img, [(sx, sy), (hx, hy)], OUT, 2.2)
        line(img, [(sx, sy), (hx, hy)], SLEEVE, 1.3)
        ellipse(img, hx, hy + 0.4, 1.05, 1.05, SKIN, OUT, 0.3)
    return img


def _hat(img, cx, top, kind: str, colour):
    if kind == "straw":
        ellipse(img, cx, top + 1.6, 4.6, 1.2, (234, 200, 110, 255), OUT, 0.3)
        rect(img, cx - 2.4, top - 0.6, cx + 2.4, top + 1.6, (234, 200, 110, 255), OUT, 0.3, radius_pt=1.0)
        line(img, [(cx - 2.3, top + 1.0), (cx + 2.3, top + 1.0)], PALETTE["red"], 0.5)
    elif kind == "helmet":
        ellipse(img, cx, top + 1.8, 3.6, 2.6, (236, 190, 40, 255), OUT, 0.3)
        rect(img, cx - 4.2, top + 1.6, cx + 4.2, top + 2.6, (236, 190, 40, 255), OUT, 0.3)
        ellipse(img, cx, top + 0.6, 0.9, 0.9, (255, 250, 200, 255), OUT, 0.2)
    elif kind == "hat":
        ellipse(img, cx, top + 1.8, 4.8, 1.1, (110, 76, 50, 255), OUT, 0.3)
        rect(img, cx - 2.6, top - 0.8, cx + 2.6, top + 1.8, (110, 76, 50, 255), OUT, 0.3, radius_pt=0.8)
    elif kind == "cap":
        ellipse(img, cx, top + 1.9, 3.3, 1.9, shade(colour, -0.25), OUT, 0.3)
        ellipse(img, cx + 2.4, top + 2.6, 1.8, 0.6, shade(colour, -0.35), OUT, 0.2)


def body(shirt, hat: str, woman: bool = False) -> Image.Image:
    """A walker's torso and head (standing on its bottom edge)."""
    img = core.canvas(BODY_W, BODY_H)
    cx = BODY_W / 2
    # Torso.
    poly(img, [(cx - 3.6, BODY_H - 0.2), (cx + 3.6, BODY_H - 0.2), (cx + 3.0, BODY_H - 6.4),
               (cx - 3.0, BODY_H - 6.4)], shirt, OUT, 0.35)
    line(img, [(cx - 3.4, BODY_H - 1.6), (cx + 3.4, BODY_H - 1.6)], shade(shirt, -0.3), 0.6)
    # Head: what frames the face (hair, hood, kerchief) goes behind it, hats on top.
    hy = BODY_H - 9.4
    if woman:
        ellipse(img, cx, hy + 0.2, 3.6, 3.7, shade(shirt, 0.3), OUT, 0.3)
    elif hat == "hood":
        ellipse(img, cx, hy + 0.2, 3.7, 3.8, shade(shirt, -0.1), OUT, 0.3)
    ellipse(img, cx, hy, 2.8, 2.9, SKIN, OUT, 0.35)
    ellipse(img, cx - 1.0, hy - 0.2, 0.35, 0.45, PALETTE["black"])
    ellipse(img, cx + 1.0, hy - 0.2, 0.35, 0.45, PALETTE["black"])
    ellipse(img, cx - 1.7, hy + 0.9, 0.6, 0.4, (240, 150, 140, 255))
    ellipse(img, cx + 1.7, hy + 0.9, 0.6, 0.4, (240, 150, 140, 255))
    if woman:
        # The kerchief's band over the hair line.
        poly(img, [(cx - 3.0, hy - 1.2), (cx, hy - 3.6), (cx + 3.0, hy - 1.2), (cx, hy - 2.2)], shade(shirt, 0.3), OUT, 0.3)
    elif hat == "hood":
        poly(img, [(cx - 3.2, hy - 0.8), (cx, hy - 3.9), (cx + 3.2, hy - 0.8), (cx, hy - 2.0)], shade(shirt, -0.1), OUT, 0.3)
    elif hat:
        _hat(img, cx, hy - 3.6, hat, shirt)
    return img


def skirt_for(colour) -> Image.Image:
    """A skirt in place of legs: a dress hem with the feet beneath."""
    img = core.canvas(LEGS_W, LEGS_H)
    cx = LEGS_W / 2
    rect(img, cx - 2.6, LEGS_H - 1.6, cx - 0.4, LEGS_H - 0.2, BOOTS, OUT, 0.3, radius_pt=0.6)
    rect(img, cx + 0.4, LEGS_H - 1.6, cx + 2.6, LEGS_H - 0.2, BOOTS, OUT, 0.3, radius_pt=0.6)
    poly(img, [(cx - 3.0, 0.2), (cx + 3.0, 0.2), (cx + 4.4, LEGS_H - 1.4), (cx - 4.4, LEGS_H - 1.4)],
         colour, OUT, 0.35)
    line(img, [(cx - 4.0, LEGS_H - 2.4), (cx + 4.0, LEGS_H - 2.4)], shade(colour, 0.35), 0.5)
    return img


def walker_body(stem: str, woman: bool) -> Image.Image:
    _, _, shirt, hat = worker_look(stem)
    return body(shirt, hat, woman)


def walker_skirt(stem: str) -> Image.Image:
    _, _, shirt, _ = worker_look(stem)
    return skirt_for(shade(shirt, -0.25))


def generic_body() -> Image.Image:
    return body((150, 112, 80, 255), "")


def _badge_backdrop(size: float, colour) -> Image.Image:
    img = core.canvas(size, size)
    c = size / 2
    ellipse(img, c, c, c - 1, c - 1, shade(colour, 0.55), OUT, 0.8)
    ellipse(img, c, c - 2, c - 5, c - 6, shade(colour, 0.7))
    return img


def worker_picture(stem: str) -> Image.Image:
    """A worker's list picture: the person on a round backdrop with the trade's emoji."""
    person, trade, shirt, _ = worker_look(stem)
    img = core.canvas(64, 60)
    paste(img, _badge_backdrop(52, shirt), 30, 30)
    paste_bottom(img, core.outlined(emoji(person, 40), 0.6), 30, 55)
    paste_bottom(img, core.outlined(emoji(trade, 21), 0.7), 52, 59)
    return bottom_anchored(img)


def portrait(name: str) -> Image.Image:
    """The tutorial's speakers."""
    person, prop, colour = {
        "worker_ploughman": ("🧑‍🌾", "🌾", (120, 170, 80, 255)),
        "worker_prospector": ("🧔", "⛏️", (140, 120, 100, 255)),
        "worker_elder": ("👴", "📜", (200, 160, 90, 255)),
    }[name]
    img = core.canvas(76, 76)
    paste(img, _badge_backdrop(66, colour), 38, 38)
    paste_bottom(img, core.outlined(emoji(person, 52), 0.7), 38, 70)
    paste_bottom(img, core.outlined(emoji(prop, 24), 0.7), 64, 74)
    return bottom_anchored(img)


def worker_form() -> Image.Image:
    """The helper the tutorial hands out (upgrade 105) as its speech bubble shows it."""
    img = core.canvas(60, 60)
    paste(img, _badge_backdrop(54, (120, 90, 160, 255)), 30, 30)
    paste_bottom(img, core.outlined(emoji("🧙", 42), 0.6), 30, 56)
    paste(img, emoji("✨", 14), 48, 14)
    return bottom_anchored(img)
