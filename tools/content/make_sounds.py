#!/usr/bin/python3
"""Synthesises every sound of the game and writes the sound sets.

Output, under resources/:
  * one short effect per sound key, 22.05 kHz mono 16-bit WAV ("<key>.wav",
    lower case), normalised, with soft edges;
  * "money_fields.wav", the coin jingle of the tax notification;
  * the three looped music tracks "sound_farm1.aac" (main menu and village),
    "sound_farm1_old.aac" (fields) and "mine_ambient.aac" (mine): AAC in an
    MPEG-4 file, 44.1 kHz stereo. Each loop is a whole number of 1024-sample
    AAC frames, so the decoder gives back exactly the loop (the encoder delay
    is trimmed through the file's edit list) and the seam does not click;
    notes and reverb that ring past the end are folded onto the start;
  * "SoundEffects.plist": scene set name -> sound key -> file.

Deterministic: the same run gives the same bytes (seeded noise, ffmpeg's
bit-exact flags, one encoder thread). Needs /usr/bin/python3 with numpy, and
ffmpeg. Prints duration, peak and RMS of every file; with --pictures DIR also
draws a waveform and spectrogram of each music track there.
"""

from __future__ import annotations

import argparse
import io
import plistlib
import subprocess
import sys
import wave
from pathlib import Path

import numpy as np

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, str(Path(__file__).resolve().parent))
import sound_synth as s  # noqa: E402

TOP = Path(__file__).resolve().parents[2]
RESOURCES = TOP / "resources"
SR = 22050          # effects
MUSIC_SR = 44100
AAC_FRAME = 1024

# --------------------------------------------------------------- the sets
# Which set holds a key decides where it can play: the menu and village load
# kMenuScene + kCommon, a board loads its own set + kCommon, and entering a
# board unloads kMenuScene (marking its keys unloaded). So a key played on
# both boards, or on a board and in the village, lives in kCommon; a key of
# one board lives in that board's set; a key of the menu or village only lives
# in kMenuScene.
SETS = {
    "kCommon": [
        "selection_normal", "selection_error", "selection_accent", "selection_menu",
        "achievement", "123_final_moves", "tool_no_use", "resource_gain", "level_up",
        "zakonczenie_pol", "chicken", "pig", "cow",
    ],
    "kMineScene": [
        "methan_explosion", "methane", "TOOL_LUNCHBOX", "TOOL_COAL_TO_SILVER",
        "TOOL_SILVER_TO_COAL", "TOOL_DRILL",
        "earth", "rubble", "stone", "coal", "diamond", "iron", "silver", "gold",
        "methane_primed", "coin_mine", "trophy_mine",
    ],
    "kFieldScene": [
        "rat_jump", "wolf_jump", "TOOL_RAT", "TOOL_WOLF", "TOOL_COMPOST", "TOOL_SAMPLING",
        "TOOL_GRASS_GRAIN",
        "grass", "wood", "carrot", "grain", "rabbit", "wolf", "apple", "coin_field", "trophy_field",
    ],
    "kMenuScene": [
        "selection_buy", "selection_build_longer", "loader_close", "loader_open",
        "intro1", "intro2", "intro3", "intro4", "bonus_collect", "bonus_fall", "bonus_final",
        "experience_points_bar", "collect_tax", "worker1", "worker2", "game_end",
    ],
}


def effect_file(key: str) -> str:
    return key.lower() + ".wav"


# ------------------------------------------------------- effect building blocks

def n_of(d):
    return s.samples(d, SR)


def tone(freq, dur, partials=((1, 1.0),), attack=0.004, decay=0.15):
    n = n_of(dur)
    return s.additive(freq, n, SR, list(partials)) * s.env_perc(n, SR, attack, decay)


def sequence(notes, make, gap_tail=0.0):
    """notes = [(start seconds, freq, duration, gain)], make(freq, dur) -> array."""
    end = max(start + dur for start, _, dur, _ in notes) + gap_tail
    out = np.zeros(n_of(end))
    for start, freq, dur, gain in notes:
        s.mix_at(out, make(freq, dur), n_of(start), gain)
    return out


def noise_burst(dur, seed, centre, width, attack=0.003, decay=0.05):
    n = n_of(dur)
    return s.bandpass(s.noise(n, seed), SR, centre, width) * s.env_perc(n, SR, attack, decay)


def coin(seed, pitch=1.0, dur=0.45):
    """A small metal coin: two inharmonic rings and a tick."""
    n = n_of(dur)
    t = s.times(n, SR)
    f = 2600.0 * pitch
    ring = (np.sin(s.TAU * f * t) * np.exp(-t / 0.12) + 0.6 * np.sin(s.TAU * f * 1.47 * t) * np.exp(-t / 0.09)
            + 0.3 * np.sin(s.TAU * f * 2.31 * t) * np.exp(-t / 0.05))
    tick = s.highpass(s.noise(n, seed), SR, 4000.0) * np.exp(-t / 0.003)
    return (ring * 0.7 + tick * 0.5) * s.env_perc(n, SR, 0.0005, 10.0)


def voice(f0_curve, dur, vowel, seed, breath=0.08):
    """A voiced sound: a pulse-like source through vowel formants."""
    n = n_of(dur)
    f0 = f0_curve(n) if callable(f0_curve) else np.full(n, float(f0_curve))
    src = s.additive(f0, n, SR, [(k, 1.0 / k) for k in range(1, 40)])
    src += breath * s.noise(n, seed)
    return s.formants(src, SR, vowel)


VOWEL_OO = [(300, 60, 1.0), (870, 90, 0.35), (2240, 150, 0.08)]
VOWEL_M = [(250, 50, 1.0), (1200, 200, 0.1)]
VOWEL_OI = [(450, 80, 1.0), (1000, 120, 0.7), (2500, 200, 0.25)]
VOWEL_AH = [(700, 90, 1.0), (1150, 110, 0.6), (2600, 200, 0.2)]


# ----------------------------------------------------------------- effects
# Each returns float samples at SR; make_effect() trims, fades and normalises.

def fx_selection_normal():
    n = n_of(0.12)
    f = s.glide(820.0, 1040.0, n, 0.5)
    return s.additive(f, n, SR, [(1, 1.0), (2, 0.2)]) * s.env_perc(n, SR, 0.002, 0.035)


def fx_selection_error():
    make = lambda f, d: s.square(f, n_of(d), SR, 7) * s.env_adsr(n_of(d), SR, 0.005, 0.08, 0.5, 0.04)
    x = sequence([(0.0, 233.0, 0.12, 1.0), (0.13, 196.0, 0.18, 1.0)], make)
    return s.lowpass(x, SR, 1800.0)


def fx_selection_accent():
    make = lambda f, d: s.bell(f, d, SR, 0.25)
    return sequence([(0.0, s.midi_hz(88), 0.4, 0.8), (0.07, s.midi_hz(95), 0.4, 1.0)], make)


def fx_selection_menu():
    n = n_of(0.09)
    t = s.times(n, SR)
    body = np.sin(s.TAU * s.glide(900.0, 600.0, n) * t) * np.exp(-t / 0.018)
    click = s.bandpass(s.noise(n, 11), SR, 3000.0, 1200.0) * np.exp(-t / 0.003)
    return body + 0.5 * click


def fx_selection_buy():
    x = np.zeros(n_of(0.65))
    s.mix_at(x, coin(21, 1.0), 0)
    s.mix_at(x, coin(22, 1.26), n_of(0.09))
    s.mix_at(x, s.bell(s.midi_hz(91), 0.45, SR, 0.2), n_of(0.16), 0.6)
    return x


def fx_selection_build_longer():
    x = np.zeros(n_of(0.75))
    for i, start in enumerate((0.0, 0.16, 0.32)):
        s.mix_at(x, s.knock(520.0 - 40 * i, SR, 0.05, 30 + i), n_of(start))
    s.mix_at(x, tone(s.midi_hz(79), 0.3, ((1, 1.0), (2, 0.3)), 0.01, 0.1), n_of(0.45), 0.5)
    s.mix_at(x, tone(s.midi_hz(84), 0.3, ((1, 1.0), (2, 0.3)), 0.01, 0.1), n_of(0.52), 0.5)
    return x


def fx_achievement():
    make = lambda f, d: s.brass(f, d, SR)
    notes = [(0.0, 67, 0.16), (0.15, 72, 0.16), (0.30, 76, 0.16), (0.45, 79, 0.85)]
    x = sequence([(t, s.midi_hz(m), d, 1.0) for t, m, d in notes], make)
    for m in (72, 76):
        s.mix_at(x, s.brass(s.midi_hz(m), 0.85, SR), n_of(0.45), 0.6)
    s.mix_at(x, s.bell(s.midi_hz(91), 0.8, SR, 0.3), n_of(0.45), 0.35)
    return s.reverb(x, SR, 0.25)


def fx_level_up():
    make = lambda f, d: s.bell(f, d, SR, 0.35)
    notes = [60, 64, 67, 72, 76, 79, 84]
    x = sequence([(0.07 * i, s.midi_hz(m + 12), 0.6, 0.8) for i, m in enumerate(notes)], make)
    s.mix_at(x, s.pad(s.midi_hz(60), 1.1, SR, 0.05, 0.5) * 0.5, 0)
    s.mix_at(x, s.pad(s.midi_hz(67), 1.1, SR, 0.05, 0.5) * 0.4, 0)
    return s.reverb(x, SR, 0.3)


def fx_123_final_moves():
    x = s.knock(1100.0, SR, 0.03, 41)
    x = np.concatenate((x, np.zeros(n_of(0.05))))
    s.mix_at(x, tone(1320.0, 0.2, ((1, 1.0), (3, 0.2)), 0.002, 0.05), 0, 0.6)
    return x


def fx_methan_explosion():
    n = n_of(1.3)
    t = s.times(n, SR)
    boom = np.sin(s.phase_of(s.glide(110.0, 32.0, n, 0.35), n, SR)) * np.exp(-t / 0.35)
    crack = s.lowpass(s.noise(n, 51), SR, 2500.0) * np.exp(-t / 0.08)
    rumble = s.lowpass(s.noise(n, 52), SR, 300.0, 2) * s.env_perc(n, SR, 0.02, 0.45) * 3.0
    return s.env_adsr(n, SR, 0.001, 1.0, 1.0, 0.3) * (boom + crack * 0.8 + rumble)


def fx_methane():
    n = n_of(0.9)
    t = s.times(n, SR)
    cut = 1500.0 + 3000.0 * np.sin(np.pi * t / t[-1])
    hiss = s.svf_lowpass(s.highpass(s.noise(n, 61), SR, 800.0), SR, cut, 1.5)
    bubbles = np.zeros(n)
    for i, (start, f) in enumerate([(0.1, 500), (0.28, 640), (0.45, 560), (0.6, 720)]):
        m = n_of(0.08)
        blob = np.sin(s.phase_of(s.glide(f, f * 1.8, m), m, SR)) * s.env_perc(m, SR, 0.005, 0.02)
        s.mix_at(bubbles, blob, n_of(start), 0.35)
    return hiss * s.env_adsr(n, SR, 0.15, 1.0, 1.0, 0.3) + bubbles


def fx_tool_no_use():
    make = lambda f, d: s.triangle(f, n_of(d), SR) * s.env_perc(n_of(d), SR, 0.004, 0.07)
    x = sequence([(0.0, 330.0, 0.16, 1.0), (0.14, 247.0, 0.22, 1.0)], make)
    s.mix_at(x, s.knock(180.0, SR, 0.05, 71), 0, 0.7)
    return x


def fx_rat_jump():
    n = n_of(0.14)
    chirp = np.sin(s.phase_of(s.glide(1400.0, 2600.0, n, 0.7), n, SR)) * s.env_perc(n, SR, 0.005, 0.05)
    x = np.concatenate((chirp, np.zeros(n_of(0.25))))
    thud = np.sin(s.phase_of(s.glide(180.0, 90.0, n_of(0.12)), n_of(0.12), SR)) * s.env_perc(n_of(0.12), SR, 0.002, 0.03)
    s.mix_at(x, thud, n_of(0.2), 0.9)
    s.mix_at(x, noise_burst(0.1, 81, 1500.0, 800.0, 0.002, 0.02), n_of(0.2), 0.4)
    return x


def fx_wolf_jump():
    n = n_of(0.55)
    t = s.times(n, SR)
    growl_f = 95.0 * (1.0 + 0.06 * np.sin(s.TAU * 28.0 * t))
    growl = voice(lambda m: growl_f[:m], 0.55, VOWEL_AH, 91, 0.4) * s.env_adsr(n, SR, 0.05, 0.2, 0.8, 0.15)
    whoosh = s.svf_lowpass(s.noise(n, 92), SR, 400.0 + 2500.0 * np.sin(np.pi * t / t[-1]), 1.2) * 0.6
    x = growl * 0.7 + whoosh * s.env_adsr(n, SR, 0.1, 1.0, 1.0, 0.2)
    m = n_of(0.18)
    thud = np.sin(s.phase_of(s.glide(120.0, 55.0, m), m, SR)) * s.env_perc(m, SR, 0.002, 0.05)
    s.mix_at(x, thud, n_of(0.36), 1.0)
    return x


def fx_resource_gain():
    make = lambda f, d: s.bell(f, d, SR, 0.2)
    return sequence([(0.0, s.midi_hz(84), 0.35, 0.7), (0.05, s.midi_hz(91), 0.35, 1.0)], make)


def fx_zakonczenie_pol():
    make = lambda f, d: s.pluck(f, d, SR, 0.8, 0.7)
    notes = [(0.0, 76), (0.18, 74), (0.36, 71), (0.54, 72)]
    x = sequence([(t, s.midi_hz(m), 1.0, 1.0) for t, m in notes], make)
    for m in (60, 64, 67):
        s.mix_at(x, s.pad(s.midi_hz(m), 0.95, SR, 0.1, 0.5) * 0.35, n_of(0.54))
    return s.reverb(x, SR, 0.25)


def fx_tool_rat():
    x = np.zeros(n_of(0.55))
    s.mix_at(x, noise_burst(0.06, 101, 3500.0, 1500.0, 0.0005, 0.006), 0, 1.0)
    s.mix_at(x, s.knock(900.0, SR, 0.02, 102), 0, 0.8)
    m = n_of(0.45)
    t = s.times(m, SR)
    boing = np.sin(s.phase_of(220.0 * (1.0 + 0.25 * np.sin(s.TAU * 14.0 * t) * np.exp(-t / 0.12)), m, SR))
    s.mix_at(x, boing * s.env_perc(m, SR, 0.005, 0.14), n_of(0.04), 0.7)
    return x


def fx_tool_wolf():
    make = lambda f, d: s.brass(f, d, SR)
    x = sequence([(0.0, s.midi_hz(62), 0.22, 1.0), (0.2, s.midi_hz(69), 0.55, 1.0)], make)
    return s.reverb(x, SR, 0.35, 0.3)


def fx_tool_compost():
    n = n_of(0.6)
    t = s.times(n, SR)
    squelch = s.svf_lowpass(s.noise(n, 111), SR, 300.0 + 900.0 * np.exp(-t / 0.15), 3.0)
    x = squelch * s.env_perc(n, SR, 0.01, 0.2)
    m = n_of(0.12)
    plop = np.sin(s.phase_of(s.glide(180.0, 420.0, m), m, SR)) * s.env_perc(m, SR, 0.004, 0.03)
    s.mix_at(x, plop, n_of(0.32), 0.8)
    return x


def fx_tool_sampling():
    n = n_of(0.7)
    t = s.times(n, SR)
    whistle = s.additive(s.glide(500.0, 1200.0, n, 0.8), n, SR, [(1, 1.0), (2, 0.15)])
    rustle = s.bandpass(s.noise(n, 121), SR, 4500.0, 1500.0) * (0.5 + 0.5 * np.sin(s.TAU * 9.0 * t)) * 0.3
    x = (whistle * s.env_adsr(n, SR, 0.08, 0.3, 0.7, 0.2) + rustle * s.env_adsr(n, SR, 0.02, 0.2, 0.6, 0.2))
    s.mix_at(x, s.bell(s.midi_hz(88), 0.3, SR, 0.15), n_of(0.45), 0.4)
    return x


def fx_tool_grass_grain():
    n = n_of(0.6)
    t = s.times(n, SR)
    sweep = 1500.0 + 4000.0 * (t / t[-1])
    swish = s.svf_lowpass(s.highpass(s.noise(n, 131), SR, 700.0), SR, sweep, 1.0)
    shake = s.highpass(s.noise(n, 132), SR, 5000.0) * (0.5 + 0.5 * np.sin(s.TAU * 16.0 * t)) ** 4 * 0.5
    return (swish + shake) * s.env_adsr(n, SR, 0.05, 0.2, 0.7, 0.2)


def fx_tool_lunchbox():
    x = np.zeros(n_of(0.6))
    for i, (start, f) in enumerate([(0.0, 1250.0), (0.11, 1680.0)]):
        m = n_of(0.4)
        t = s.times(m, SR)
        clank = (np.sin(s.TAU * f * t) + 0.7 * np.sin(s.TAU * f * 1.59 * t) + 0.5 * np.sin(s.TAU * f * 2.41 * t)
                 + 0.3 * np.sin(s.TAU * f * 3.7 * t)) * np.exp(-t / 0.09)
        s.mix_at(x, clank * s.env_perc(m, SR, 0.0008, 10.0), n_of(start), 0.6)
        s.mix_at(x, noise_burst(0.03, 141 + i, 4000.0, 2000.0, 0.0005, 0.004), n_of(start), 0.5)
    s.mix_at(x, tone(s.midi_hz(79), 0.25, ((1, 1.0), (2, 0.3)), 0.005, 0.08), n_of(0.3), 0.4)
    return x


def shimmer(up: bool, seed: int):
    notes = [72, 76, 79, 83, 86, 88, 91]
    if not up:
        notes = notes[::-1]
    make = lambda f, d: s.bell(f, d, SR, 0.25, 0.7)
    x = sequence([(0.08 * i, s.midi_hz(m), 0.45, 0.7) for i, m in enumerate(notes)], make)
    n = len(x)
    sweep = np.linspace(2000.0, 7000.0, n) if up else np.linspace(7000.0, 1500.0, n)
    air = s.svf_lowpass(s.noise(n, seed), SR, sweep, 2.0) * s.env_adsr(n, SR, 0.1, 1.0, 1.0, 0.3) * 0.25
    return s.reverb(x + air, SR, 0.3)


def fx_tool_coal_to_silver():
    return shimmer(True, 151)


def fx_tool_silver_to_coal():
    return shimmer(False, 152)


def fx_tool_drill():
    n = n_of(0.9)
    t = s.times(n, SR)
    f = s.glide(90.0, 125.0, n, 0.3) * (1.0 + 0.03 * np.sin(s.TAU * 31.0 * t))
    motor = s.lowpass(s.saw(f, n, SR, 30), SR, 2500.0) * (0.7 + 0.3 * np.sin(s.TAU * 31.0 * t))
    grit = s.bandpass(s.noise(n, 161), SR, 2500.0, 900.0) * (0.5 + 0.5 * np.sin(s.TAU * 23.0 * t)) * 0.5
    return (motor + grit) * s.env_adsr(n, SR, 0.04, 0.3, 0.85, 0.15)


# tile kinds: mine

def crumble(seed, dur, cutoff, grains, grain_len, pitch):
    """Many small grains: earth, rubble, coal."""
    x = np.zeros(n_of(dur))
    r = s.rng(seed)
    for i in range(grains):
        start = float(r.uniform(0.0, dur * 0.6)) * (1.0 if i else 0.0)
        g = noise_burst(grain_len, seed * 100 + i, pitch * float(r.uniform(0.7, 1.4)), pitch * 0.4, 0.001,
                        grain_len / 5.0)
        s.mix_at(x, g, n_of(start), float(r.uniform(0.4, 1.0)) * (1.0 - start / dur))
    return s.lowpass(x, SR, cutoff)


def fx_earth():
    x = crumble(201, 0.4, 2000.0, 14, 0.05, 700.0)
    m = n_of(0.15)
    thud = np.sin(s.phase_of(s.glide(140.0, 70.0, m), m, SR)) * s.env_perc(m, SR, 0.003, 0.04)
    s.mix_at(x, thud, 0, 1.5 * float(np.max(np.abs(x))))
    return x


def fx_rubble():
    x = crumble(202, 0.5, 6000.0, 22, 0.03, 2200.0)
    s.mix_at(x, s.knock(700.0, SR, 0.025, 203), 0, 0.6 * float(np.max(np.abs(x))))
    return x


def fx_stone():
    x = np.zeros(n_of(0.35))
    s.mix_at(x, s.knock(1250.0, SR, 0.035, 211), 0)
    s.mix_at(x, s.knock(1900.0, SR, 0.03, 212), n_of(0.07), 0.6)
    return x


def fx_coal():
    x = crumble(221, 0.4, 2500.0, 10, 0.04, 1000.0)
    s.mix_at(x, s.knock(430.0, SR, 0.04, 222), 0, 1.2 * float(np.max(np.abs(x))))
    return x


def fx_diamond():
    make = lambda f, d: s.bell(f, d, SR, 0.35, 1.2)
    return sequence([(0.0, s.midi_hz(96), 0.5, 0.7), (0.06, s.midi_hz(100), 0.5, 0.6),
                     (0.12, s.midi_hz(103), 0.55, 0.8)], make)


def fx_iron():
    m = n_of(0.55)
    t = s.times(m, SR)
    f = 620.0
    clang = (np.sin(s.TAU * f * t) * np.exp(-t / 0.15) + 0.8 * np.sin(s.TAU * f * 2.17 * t) * np.exp(-t / 0.1)
             + 0.5 * np.sin(s.TAU * f * 3.41 * t) * np.exp(-t / 0.06) + 0.3 * np.sin(s.TAU * f * 5.1 * t) * np.exp(-t / 0.04))
    x = clang * s.env_perc(m, SR, 0.0008, 10.0)
    s.mix_at(x, noise_burst(0.03, 231, 3000.0, 1500.0, 0.0005, 0.005), 0, 0.6)
    return x


def fx_silver():
    make = lambda f, d: s.bell(f, d, SR, 0.4)
    return sequence([(0.0, s.midi_hz(86), 0.6, 1.0), (0.09, s.midi_hz(93), 0.55, 0.6)], make)


def fx_gold():
    make = lambda f, d: s.bell(f, d, SR, 0.5, 0.8)
    x = sequence([(0.0, s.midi_hz(79), 0.8, 0.8), (0.05, s.midi_hz(83), 0.8, 0.7), (0.1, s.midi_hz(86), 0.8, 0.7),
                  (0.15, s.midi_hz(91), 0.8, 0.6)], make)
    return s.reverb(x, SR, 0.2)


def fx_methane_primed():
    n = n_of(0.8)
    t = s.times(n, SR)
    # A burning fuse: crackles over a soft hiss, and a rising warning tone.
    crackle = s.bandpass(s.noise(n, 241), SR, 4500.0, 1200.0) * np.abs(s.noise(n, 242)) ** 6
    hiss = s.bandpass(s.noise(n, 243), SR, 3500.0, 1500.0) * 0.25
    sizzle = (crackle * 2.0 + hiss) * s.env_adsr(n, SR, 0.05, 1.0, 1.0, 0.1)
    rise = np.sin(s.phase_of(s.glide(300.0, 900.0, n), n, SR)) * s.env_adsr(n, SR, 0.1, 1.0, 1.0, 0.1)
    return sizzle + rise * 0.6 * (0.6 + 0.4 * np.sin(s.TAU * 12.0 * t))


def fx_coin_mine():
    x = np.zeros(n_of(0.55))
    s.mix_at(x, coin(251, 0.9), 0)
    s.mix_at(x, coin(252, 1.12), n_of(0.08), 0.7)
    return x


def trophy(base, seed):
    make = lambda f, d: s.brass(f, d, SR)
    x = sequence([(0.0, s.midi_hz(base), 0.14, 0.8), (0.12, s.midi_hz(base + 4), 0.14, 0.8),
                  (0.24, s.midi_hz(base + 7), 0.6, 1.0)], make)
    s.mix_at(x, s.bell(s.midi_hz(base + 24), 0.6, SR, 0.3), n_of(0.24), 0.5)
    s.mix_at(x, coin(seed, 1.0), n_of(0.24), 0.3)
    return s.reverb(x, SR, 0.2)


def fx_trophy_mine():
    return trophy(67, 261)


# tile kinds: field

def fx_grass():
    n = n_of(0.35)
    t = s.times(n, SR)
    swish = s.svf_lowpass(s.highpass(s.noise(n, 301), SR, 1500.0), SR, 2000.0 + 5000.0 * np.sin(np.pi * t / t[-1]), 1.0)
    return swish * s.env_adsr(n, SR, 0.06, 0.1, 0.8, 0.15)


def fx_wood():
    x = np.zeros(n_of(0.4))
    s.mix_at(x, s.knock(380.0, SR, 0.06, 311), 0)
    s.mix_at(x, s.knock(300.0, SR, 0.05, 312), n_of(0.11), 0.7)
    return x


def fx_carrot():
    m = n_of(0.16)
    pop = np.sin(s.phase_of(s.glide(300.0, 900.0, m, 0.5), m, SR)) * s.env_perc(m, SR, 0.003, 0.04)
    x = np.concatenate((pop, np.zeros(n_of(0.2))))
    s.mix_at(x, crumble(321, 0.25, 3000.0, 6, 0.03, 900.0), n_of(0.02), 0.4)
    return x


def fx_grain():
    n = n_of(0.4)
    t = s.times(n, SR)
    shake = s.bandpass(s.noise(n, 331), SR, 6000.0, 2000.0) * (0.5 + 0.5 * np.cos(s.TAU * 10.0 * t)) ** 3
    return shake * s.env_adsr(n, SR, 0.02, 0.1, 0.8, 0.1)


def fx_chicken():
    x = np.zeros(n_of(0.6))
    for i, (start, f0, dur) in enumerate([(0.0, 520.0, 0.07), (0.11, 540.0, 0.07), (0.24, 600.0, 0.22)]):
        m = n_of(dur)
        cl = voice(lambda k, f0=f0: s.glide(f0, f0 * 1.4, k), dur, VOWEL_AH, 341 + i, 0.2)
        s.mix_at(x, cl * s.env_adsr(m, SR, 0.005, 0.03, 0.6, 0.03), n_of(start), 1.0 if i < 2 else 0.8)
    return x


def fx_pig():
    x = np.zeros(n_of(0.65))
    for i, (start, f0, dur) in enumerate([(0.0, 150.0, 0.25), (0.3, 170.0, 0.3)]):
        m = n_of(dur)
        f = lambda k, f0=f0: f0 * (1.0 + 0.25 * np.sin(np.pi * np.arange(k) / k)) * (1.0 + 0.04 * np.sin(s.TAU * 40.0 * np.arange(k) / SR))
        oink = voice(f, dur, VOWEL_OI, 351 + i, 0.3)
        s.mix_at(x, oink * s.env_adsr(m, SR, 0.02, 0.1, 0.8, 0.06), n_of(start))
    return x


def fx_cow():
    dur = 1.2
    n = n_of(dur)
    t = s.times(n, SR)
    f0 = lambda k: s.glide(105.0, 135.0, k, 0.5) * (1.0 - 0.15 * np.clip((np.arange(k) / SR - 0.8) / 0.4, 0, 1))
    vowel = voice(f0, dur, VOWEL_M, 361, 0.1)
    open_ = voice(f0, dur, VOWEL_OO, 362, 0.1)
    blend = np.clip((t - 0.2) / 0.3, 0.0, 1.0)
    return (vowel * (1.0 - blend) + open_ * blend) * s.env_adsr(n, SR, 0.12, 0.3, 0.85, 0.25)


def fx_rabbit():
    x = np.zeros(n_of(0.4))
    for i, start in enumerate((0.0, 0.15)):
        m = n_of(0.1)
        hop = np.sin(s.phase_of(s.glide(260.0, 120.0, m), m, SR)) * s.env_perc(m, SR, 0.002, 0.025)
        s.mix_at(x, hop, n_of(start), 1.0 - 0.3 * i)
        s.mix_at(x, noise_burst(0.08, 371 + i, 2500.0, 1000.0, 0.002, 0.015), n_of(start), 0.3)
    s.mix_at(x, tone(1800.0, 0.08, ((1, 1.0),), 0.003, 0.02), n_of(0.28), 0.3)
    return x


def fx_wolf():
    dur = 1.3
    n = n_of(dur)
    f0 = lambda k: (420.0 + 260.0 * np.sin(np.pi * np.clip(np.arange(k) / k * 1.25, 0, 1))) * (
        1.0 + 0.012 * np.sin(s.TAU * 5.5 * np.arange(k) / SR))
    f = f0(n)
    howl = s.additive(f, n, SR, [(1, 1.0), (2, 0.18), (3, 0.05)]) + 0.05 * s.bandpass(s.noise(n, 381), SR, 900.0, 300.0)
    return s.reverb(howl * s.env_adsr(n, SR, 0.2, 0.4, 0.8, 0.4), SR, 0.3, 0.3)


def fx_apple():
    m = n_of(0.12)
    pop = np.sin(s.phase_of(s.glide(700.0, 350.0, m), m, SR)) * s.env_perc(m, SR, 0.002, 0.03)
    x = np.concatenate((pop, np.zeros(n_of(0.25))))
    s.mix_at(x, crumble(391, 0.2, 7000.0, 9, 0.02, 3500.0), n_of(0.05), 0.6)
    return x


def fx_coin_field():
    x = np.zeros(n_of(0.55))
    s.mix_at(x, coin(401, 1.05), 0)
    s.mix_at(x, coin(402, 1.33), n_of(0.07), 0.7)
    return x


def fx_trophy_field():
    return trophy(72, 411)


# village and menu

def fx_loader_close():
    n = n_of(0.7)
    t = s.times(n, SR)
    slide = s.svf_lowpass(s.noise(n, 501), SR, 600.0 + 900.0 * t / t[-1], 1.0) * s.env_adsr(n, SR, 0.15, 1.0, 1.0, 0.02)
    x = np.concatenate((slide * 0.5, np.zeros(n_of(0.5))))
    m = n_of(0.5)
    tm = s.times(m, SR)
    thud = (np.sin(s.phase_of(s.glide(90.0, 45.0, m), m, SR)) * np.exp(-tm / 0.12)
            + s.lowpass(s.noise(m, 502), SR, 800.0) * np.exp(-tm / 0.03))
    s.mix_at(x, thud, n_of(0.68), 1.2)
    s.mix_at(x, s.knock(1400.0, SR, 0.02, 503), n_of(0.78), 0.35)
    return x


def fx_loader_open():
    x = np.zeros(n_of(0.9))
    s.mix_at(x, s.knock(1300.0, SR, 0.02, 511), 0, 0.5)
    n = n_of(0.7)
    t = s.times(n, SR)
    slide = s.svf_lowpass(s.noise(n, 512), SR, 1500.0 - 800.0 * t / t[-1], 1.0) * s.env_adsr(n, SR, 0.03, 0.3, 0.8, 0.3)
    s.mix_at(x, slide, n_of(0.08), 0.6)
    s.mix_at(x, s.pluck(s.midi_hz(79), 0.6, SR, 0.7, 0.3), n_of(0.1), 0.35)
    s.mix_at(x, s.pluck(s.midi_hz(86), 0.6, SR, 0.7, 0.3), n_of(0.18), 0.35)
    return x


def fx_intro1():
    make = lambda f, d: s.pluck(f, d, SR, 0.9, 0.9)
    notes = [55, 59, 62, 67, 71, 74]
    x = sequence([(0.08 * i, s.midi_hz(m), 1.0, 0.8) for i, m in enumerate(notes)], make)
    return s.reverb(x, SR, 0.3)


def fx_intro2():
    make = lambda f, d: s.music_box(f, d, SR, 0.6)
    notes = [(0.0, 79), (0.15, 83), (0.3, 86), (0.45, 84)]
    return s.reverb(sequence([(t, s.midi_hz(m), 0.9, 1.0) for t, m in notes], make), SR, 0.3)


def fx_intro3():
    make = lambda f, d: s.flute(f, d, SR, 521)
    notes = [(0.0, 74, 0.2), (0.2, 76, 0.2), (0.4, 79, 0.5)]
    x = sequence([(t, s.midi_hz(m), d, 1.0) for t, m, d in notes], make)
    s.mix_at(x, s.pluck(s.midi_hz(55), 1.0, SR, 0.6, 0.8), 0, 0.5)
    return s.reverb(x, SR, 0.3)


def fx_intro4():
    make = lambda f, d: s.brass(f, d, SR)
    x = sequence([(0.0, s.midi_hz(67), 0.18, 0.9), (0.17, s.midi_hz(67), 0.12, 0.9), (0.3, s.midi_hz(72), 0.9, 1.0)], make)
    for m in (64, 76):
        s.mix_at(x, s.brass(s.midi_hz(m), 0.9, SR), n_of(0.3), 0.55)
    return s.reverb(x, SR, 0.3)


def fx_bonus_collect():
    m = n_of(0.08)
    pop = np.sin(s.phase_of(s.glide(400.0, 1200.0, m), m, SR)) * s.env_perc(m, SR, 0.002, 0.025)
    x = np.concatenate((pop, np.zeros(n_of(0.45))))
    make = lambda f, d: s.bell(f, d, SR, 0.18)
    s.mix_at(x, sequence([(0.05 * i, s.midi_hz(m_), 0.3, 0.6) for i, m_ in enumerate((84, 88, 91))], make), n_of(0.05))
    return x


def fx_bonus_fall():
    n = n_of(0.4)
    whistle = s.additive(s.glide(1600.0, 700.0, n, 1.2), n, SR, [(1, 1.0), (2, 0.1)]) * s.env_adsr(n, SR, 0.03, 0.2, 0.7, 0.08)
    x = np.concatenate((whistle * 0.6, np.zeros(n_of(0.3))))
    for i, (start, g) in enumerate([(0.4, 1.0), (0.55, 0.5)]):
        m = n_of(0.1)
        b = np.sin(s.phase_of(s.glide(320.0, 200.0, m), m, SR)) * s.env_perc(m, SR, 0.002, 0.03)
        s.mix_at(x, b, n_of(start), g)
    return x


def fx_bonus_final():
    make = lambda f, d: s.bell(f, d, SR, 0.3)
    return s.reverb(sequence([(0.0, s.midi_hz(91), 0.5, 0.8), (0.06, s.midi_hz(96), 0.5, 1.0)], make), SR, 0.25)


def fx_experience_points_bar():
    """A seamless loop: gentle rising ticks that repeat every 0.48 s. Built on
    a circle (what rings past the end is folded onto the start)."""
    loop = n_of(0.48)
    x = np.zeros(loop * 2)
    for i, m in enumerate((84, 86, 88, 91)):
        s.mix_at(x, s.bell(s.midi_hz(m), 0.4, SR, 0.06, 0.5), i * loop // 4, 0.7)
    y = x[:loop] + x[loop:]
    return y


def fx_collect_tax():
    x = np.zeros(n_of(0.9))
    r = s.rng(531)
    for i in range(9):
        start = 0.05 * i + float(r.uniform(0.0, 0.02))
        s.mix_at(x, coin(532 + i, float(r.uniform(0.85, 1.35)), 0.35), n_of(start), float(r.uniform(0.5, 1.0)))
    s.mix_at(x, s.bell(s.midi_hz(91), 0.4, SR, 0.2), n_of(0.5), 0.5)
    return x


def hum(base, seed):
    """A friendly two-note hum ("mm-hm!"), no words."""
    x = np.zeros(n_of(0.62))
    for i, (start, f0, f1, dur) in enumerate([(0.0, base, base * 0.94, 0.22), (0.26, base * 1.06, base * 1.3, 0.3)]):
        m = n_of(dur)
        f = lambda k, f0=f0, f1=f1: s.glide(f0, f1, k) * (1.0 + 0.01 * np.sin(s.TAU * 6.0 * np.arange(k) / SR))
        v = voice(f, dur, VOWEL_M if i == 0 else [(400, 80, 1.0), (900, 120, 0.3), (2400, 200, 0.06)], seed + i, 0.04)
        s.mix_at(x, v * s.env_adsr(m, SR, 0.03, 0.1, 0.85, 0.08), n_of(start))
    return x


def fx_worker1():
    return hum(130.0, 541)


def fx_worker2():
    return hum(240.0, 551)


def fx_game_end():
    make = lambda f, d: s.brass(f, d, SR)
    notes = [(0.0, 60, 0.15), (0.14, 64, 0.15), (0.28, 67, 0.15), (0.42, 72, 0.25), (0.66, 67, 0.12), (0.78, 72, 0.7)]
    x = sequence([(t, s.midi_hz(m), d, 1.0) for t, m, d in notes], make)
    for m in (64, 67, 76):
        s.mix_at(x, s.brass(s.midi_hz(m), 0.7, SR), n_of(0.78), 0.5)
    s.mix_at(x, sequence([(0.05 * i, s.midi_hz(m), 0.5, 0.4) for i, m in enumerate((84, 88, 91, 96))],
                         lambda f, d: s.bell(f, d, SR, 0.25)), n_of(0.78))
    return s.reverb(x, SR, 0.3)


def fx_money_fields():
    x = np.zeros(n_of(0.95))
    for i, (start, p) in enumerate([(0.0, 1.0), (0.09, 1.19), (0.18, 1.33)]):
        s.mix_at(x, coin(601 + i, p, 0.4), n_of(start), 0.8)
    make = lambda f, d: s.bell(f, d, SR, 0.3)
    s.mix_at(x, sequence([(0.0, s.midi_hz(84), 0.6, 0.6), (0.1, s.midi_hz(88), 0.6, 0.6), (0.2, s.midi_hz(91), 0.6, 0.8)],
                         make), n_of(0.28))
    return x


EFFECTS = {
    "selection_normal": fx_selection_normal, "selection_error": fx_selection_error,
    "selection_accent": fx_selection_accent, "selection_menu": fx_selection_menu,
    "selection_buy": fx_selection_buy, "selection_build_longer": fx_selection_build_longer,
    "achievement": fx_achievement, "level_up": fx_level_up, "123_final_moves": fx_123_final_moves,
    "methan_explosion": fx_methan_explosion, "methane": fx_methane, "tool_no_use": fx_tool_no_use,
    "rat_jump": fx_rat_jump, "wolf_jump": fx_wolf_jump, "resource_gain": fx_resource_gain,
    "zakonczenie_pol": fx_zakonczenie_pol,
    "TOOL_RAT": fx_tool_rat, "TOOL_WOLF": fx_tool_wolf, "TOOL_COMPOST": fx_tool_compost,
    "TOOL_SAMPLING": fx_tool_sampling, "TOOL_GRASS_GRAIN": fx_tool_grass_grain,
    "TOOL_LUNCHBOX": fx_tool_lunchbox, "TOOL_COAL_TO_SILVER": fx_tool_coal_to_silver,
    "TOOL_SILVER_TO_COAL": fx_tool_silver_to_coal, "TOOL_DRILL": fx_tool_drill,
    "earth": fx_earth, "rubble": fx_rubble, "stone": fx_stone, "coal": fx_coal, "diamond": fx_diamond,
    "iron": fx_iron, "silver": fx_silver, "gold": fx_gold, "methane_primed": fx_methane_primed,
    "coin_mine": fx_coin_mine, "trophy_mine": fx_trophy_mine,
    "grass": fx_grass, "wood": fx_wood, "carrot": fx_carrot, "grain": fx_grain, "chicken": fx_chicken,
    "pig": fx_pig, "cow": fx_cow, "rabbit": fx_rabbit, "wolf": fx_wolf, "apple": fx_apple,
    "coin_field": fx_coin_field, "trophy_field": fx_trophy_field,
    "loader_close": fx_loader_close, "loader_open": fx_loader_open,
    "intro1": fx_intro1, "intro2": fx_intro2, "intro3": fx_intro3, "intro4": fx_intro4,
    "bonus_collect": fx_bonus_collect, "bonus_fall": fx_bonus_fall, "bonus_final": fx_bonus_final,
    "experience_points_bar": fx_experience_points_bar, "collect_tax": fx_collect_tax,
    "worker1": fx_worker1, "worker2": fx_worker2, "game_end": fx_game_end,
}

# Looped effects keep their exact length (no trimming, no fades: the loop is
# continuous on a circle).
LOOPED = {"experience_points_bar"}
EFFECT_PEAK = 0.8   # -1.9 dBFS
MAX_EFFECT_SECONDS = 1.5


EFFECT_RMS = 10 ** (-16.0 / 20.0)


def finish_effect(x: np.ndarray, looped: bool) -> np.ndarray:
    """Trims the silent end, softens the edges, and sets the level: about the
    same loudness for every effect, never above EFFECT_PEAK."""
    if looped:
        x = x - np.mean(x)
    else:
        x = s.trim_tail(x, SR, 0.01, 0.03)
        limit = s.samples(MAX_EFFECT_SECONDS, SR)
        fade_out = 0.25 if len(x) > limit else 0.03
        x = s.fade_edges(x[:limit], SR, 0.002, fade_out)
    peak = float(np.max(np.abs(x)))
    rms = float(np.sqrt(np.mean(x ** 2)))
    return x * min(EFFECT_PEAK / peak, EFFECT_RMS / rms)


# ------------------------------------------------------------------ music

class Score:
    """A stereo loop of `length` samples with room for notes that ring past
    the end; fold() wraps that overhang onto the start."""

    def __init__(self, length: int, tail: float):
        self.length = length
        self.left = np.zeros(length + s.samples(tail, MUSIC_SR))
        self.right = np.zeros_like(self.left)

    def add(self, x: np.ndarray, start: int, gain: float, pan: float = 0.0) -> None:
        # Constant-power pan; pan in [-1, 1].
        angle = (pan + 1.0) * np.pi / 4.0
        start %= self.length
        s.mix_at(self.left, x, start, gain * np.cos(angle))
        s.mix_at(self.right, x, start, gain * np.sin(angle))

    def fold(self):
        n = self.length
        out = []
        for ch in (self.left, self.right):
            y = ch[:n].copy()
            over = ch[n:]
            while len(over):
                k = min(n, len(over))
                y[:k] += over[:k]
                over = over[k:]
            out.append(y)
        return out


def quiet_seam(left, right, search):
    """The rotation, within `search` samples of the start, that puts the
    loop's seam where both channels are near zero and move slowly. The codec
    starts from and ends in silence, so a seam at a loud sample comes back
    with an audible step; near zero it stays smooth."""
    offsets = np.arange(-search, search + 1)
    idx = offsets % len(left)
    prev = (offsets - 1) % len(left)
    level = np.maximum(np.abs(left[idx]), np.abs(right[idx]))
    slope = np.maximum(np.abs(left[idx] - left[prev]), np.abs(right[idx] - right[prev]))
    return int(offsets[int(np.argmin(level + 4.0 * slope))])


def finish_music(left, right, reverb_mix, decay, seed, search=0.05, peak=0.72):
    left = s.circular_reverb(left, MUSIC_SR, reverb_mix, decay, seed)
    right = s.circular_reverb(right, MUSIC_SR, reverb_mix, decay, seed + 1)
    m = max(np.max(np.abs(left)), np.max(np.abs(right)))
    left, right = left * peak / m, right * peak / m
    shift = quiet_seam(left, right, s.samples(search, MUSIC_SR))
    return np.roll(left, -shift), np.roll(right, -shift)


# Chord tones (MIDI) by name, root position in octave 3.
CHORDS = {
    "G": (55, 59, 62), "D": (50, 54, 57), "Em": (52, 55, 59), "C": (48, 52, 55), "Am": (57, 60, 64),
    "F": (53, 57, 60), "Dm": (50, 53, 57), "Bb": (46, 50, 53), "Gm": (55, 58, 62), "C7": (48, 52, 55, 58),
    "A": (57, 61, 64),
}


def farm_theme():
    """Main menu and village: bright, pastoral, G major, 4/4 at 120 beats a
    minute, 16 bars: flute tune over harp arpeggios, bass and a light shaker."""
    beat = 22048                     # 64 beats = 1378 AAC frames exactly
    bars = ["G", "D", "Em", "C", "G", "C", "Am", "D", "Em", "C", "G", "D", "C", "G", "Am", "D"]
    melody = [  # per bar: (midi or None for rest, beats)
        [(74, 1), (71, .5), (72, .5), (74, 1), (79, 1)],
        [(78, 1.5), (76, .5), (74, 1), (69, 1)],
        [(71, 1), (76, 1), (79, 1), (78, .5), (76, .5)],
        [(76, 2), (74, 1), (72, 1)],
        [(71, 1), (74, 1), (79, 1.5), (78, .5)],
        [(76, 1), (79, 1), (76, 1), (72, 1)],
        [(72, 1), (76, 1), (81, 1), (79, .5), (76, .5)],
        [(78, 3), (None, 1)],
        [(79, 1), (78, .5), (76, .5), (71, 1), (76, 1)],
        [(79, 1.5), (76, .5), (72, 1), (76, 1)],
        [(74, 1), (79, 1), (83, 1), (81, .5), (79, .5)],
        [(81, 2), (78, 1), (74, 1)],
        [(76, 1), (79, 1), (76, .5), (74, .5), (72, 1)],
        [(74, 1), (71, 1), (67, 1), (71, 1)],
        [(72, 1), (76, 1), (74, 1), (72, 1)],
        [(74, 2), (72, 1), (69, 1)],
    ]
    length = beat * 4 * len(bars)
    sc = Score(length, 4.0)
    sr = MUSIC_SR
    for b, chord in enumerate(bars):
        root, third, fifth = CHORDS[chord][:3]
        bar0 = b * 4 * beat
        # Harp: eighth-note arpeggio.
        pattern = [root, fifth, root + 12, third + 12, fifth + 12, third + 12, root + 12, fifth]
        for i, m in enumerate(pattern):
            sc.add(s.pluck(s.midi_hz(m), 1.6, sr, 0.8, 0.9), bar0 + i * beat // 2, 0.17, -0.35)
        # Bass on beats one and three.
        for k, m in ((0, root - 12), (2, (fifth - 12) if b % 2 else (root - 12))):
            sc.add(s.bass(s.midi_hz(m), 1.9 * beat / sr, sr), bar0 + k * beat, 0.33, 0.0)
        # Shaker on the off-beats, a soft kick on one.
        for i in range(8):
            sc.add(s.shaker(sr, 1000 + b * 8 + i, 1.0, 0.06), bar0 + i * beat // 2, 0.05 if i % 2 else 0.025, 0.4)
        sc.add(s.kick(sr), bar0, 0.25, 0.0)
        # Flute tune; in the second half a reed answers with held chord tones.
        pos = bar0
        for m, beats in melody[b]:
            dur = beats * beat
            if m is not None:
                sc.add(s.flute(s.midi_hz(m), dur / sr * 0.95 + 0.05, sr, 2000 + pos // 1000), pos, 0.3, 0.15)
            pos += int(dur)
        if b >= 8:
            sc.add(s.reed(s.midi_hz(third + 12), (4 * beat) / sr * 0.98, sr), bar0, 0.09, -0.15)
    left, right = sc.fold()
    return finish_music(left, right, 0.22, 0.5, 71)


def field_theme():
    """Fields: gentler, F major waltz (3/4) at 100 beats a minute, 24 bars:
    music box tune over a soft pad and harp, no drums."""
    beat = 26496                     # 72 beats = 1863 AAC frames exactly
    bars = ["F", "C", "Dm", "Bb", "F", "Gm", "C", "C", "Dm", "Bb", "F", "C",
            "Bb", "F", "Gm", "C", "F", "Am", "Bb", "F", "Gm", "C7", "F", "C"]
    scale = [0, 2, 4, 5, 7, 9, 11]   # F major from F
    tonic = 65                       # F4

    # A tune made of three phrases: bar rhythms and chord-tone targets chosen
    # by a seeded walk that moves by steps and lands on chord tones.
    r = s.rng(811)
    rhythms = [[1, 1, 1], [2, 1], [1.5, .5, 1], [3], [1, .5, .5, 1]]
    scale_notes = [tonic - 12 + o * 12 + d for o in range(3) for d in scale]
    scale_notes = [m for m in scale_notes if 67 <= m <= 89]
    current = 72
    melody = []
    for b, chord in enumerate(bars):
        rhythm = rhythms[int(r.integers(0, len(rhythms)))] if b % 4 != 3 else ([2, 1] if b % 8 == 3 else [3])
        tones = {t % 12 for t in CHORDS[chord]}
        notes = []
        for i, beats in enumerate(rhythm):
            if i == 0:
                # Nearest chord tone to where the tune is.
                cands = [m for m in scale_notes if m % 12 in tones]
                current = min(cands, key=lambda m: (abs(m - current), m))
            else:
                idx = scale_notes.index(current)
                step = int(r.choice([-2, -1, -1, 1, 1, 2]))
                current = scale_notes[int(np.clip(idx + step, 0, len(scale_notes) - 1))]
            notes.append((current, beats))
        melody.append(notes)
    length = beat * 3 * len(bars)
    sc = Score(length, 5.0)
    sr = MUSIC_SR
    for b, chord in enumerate(bars):
        tones = CHORDS[chord]
        bar0 = b * 3 * beat
        # Pad: the chord held through the bar, gently.
        for m in tones[:3]:
            sc.add(s.pad(s.midi_hz(m + 12), 3 * beat / sr + 0.4, sr, 0.5, 0.5, 6), bar0, 0.05, 0.0)
        # Harp: bass note on one, chord on two and three.
        sc.add(s.pluck(s.midi_hz(tones[0] - 12), 2.5, sr, 0.5, 1.2), bar0, 0.3, -0.1)
        for k in (1, 2):
            for j, m in enumerate(tones[:3]):
                sc.add(s.pluck(s.midi_hz(m + 12), 1.2, sr, 0.6, 0.5), bar0 + k * beat + j * 300, 0.09, -0.4)
        pos = bar0
        for m, beats in melody[b]:
            sc.add(s.music_box(s.midi_hz(m), 1.8, sr, 0.8), pos, 0.27, 0.3)
            # A flute doubles the tune an octave lower in the last third.
            if b >= 16:
                sc.add(s.flute(s.midi_hz(m - 12), beats * beat / sr * 0.95, sr, 3000 + pos // 1000), pos, 0.12, -0.2)
            pos += int(beats * beat)
    left, right = sc.fold()
    return finish_music(left, right, 0.3, 0.7, 91)


def mine_theme():
    """Mine: dark, slow ambient in A minor. A drone, a slowly changing pad,
    water drips, a low marimba now and then, and a far rumble; 40 s."""
    length = 1722 * AAC_FRAME       # 39.98 s
    sr = MUSIC_SR
    sc = Score(length, 6.0)
    seconds = length / sr
    t = np.arange(length) / sr
    # Drone: A1 and E2, breathing with slow waves that fit the loop exactly.
    for m, cycles, gain, pan in ((33, 3, 0.15, -0.2), (40, 5, 0.1, 0.2), (45, 2, 0.06, 0.0)):
        f = s.midi_hz(m)
        f = round(f * seconds) / seconds        # a whole number of cycles per loop
        x = np.sin(s.TAU * f * t) + 0.3 * np.sin(s.TAU * 2 * f * t) + 0.1 * np.sin(s.TAU * 3 * f * t)
        x *= 0.7 + 0.3 * np.sin(s.TAU * cycles * t / seconds)
        sc.add(x, 0, gain, pan)
    # Pad: Am, F, Dm, Em, ten seconds each, fading into each other.
    chords = [(57, 60, 64), (53, 57, 60), (50, 53, 57), (52, 55, 59)]
    section = length // 4
    for i, ch in enumerate(chords):
        for j, m in enumerate(ch):
            sc.add(s.lowpass(s.pad(s.midi_hz(m), section / sr + 3.0, sr, 3.0, 3.0, 6), sr, 900.0),
                   i * section, 0.06, -0.5 + 0.5 * j)
    # Low rumble: filtered noise, made circular by building it on the loop.
    rumble = s.spectral_loop(s.noise(length, 901), sr, lambda f: np.exp(-0.5 * ((f - 60.0) / 35.0) ** 2))
    rumble /= np.max(np.abs(rumble))
    sc.add(rumble, 0, 0.12, 0.0)
    # Drips: short upward "bloops" at seeded times across the stereo field.
    r = s.rng(902)
    pos = 0.4
    while pos < seconds - 0.2:
        f0 = float(r.uniform(900.0, 1700.0))
        m = s.samples(0.06, sr)
        drop = np.sin(s.phase_of(s.glide(f0, f0 * 1.9, m, 0.6), m, sr)) * s.env_perc(m, sr, 0.001, 0.018)
        sc.add(drop, int(pos * sr), float(r.uniform(0.05, 0.12)), float(r.uniform(-0.8, 0.8)))
        pos += float(r.uniform(0.7, 2.4))
    # Marimba: A minor pentatonic, low, a few notes per section.
    penta = [45, 48, 50, 52, 55, 57, 60, 62, 64]
    pos = 1.5
    while pos < seconds - 1.0:
        m = int(r.choice(penta))
        sc.add(s.marimba(s.midi_hz(m), 1.5, sr, 0.45), int(pos * sr), 0.3, float(r.uniform(-0.5, 0.5)))
        if r.uniform() < 0.35:
            m2 = int(r.choice(penta))
            sc.add(s.marimba(s.midi_hz(m2), 1.5, sr, 0.45), int((pos + 0.3) * sr), 0.2, float(r.uniform(-0.5, 0.5)))
        pos += float(r.choice([2.0, 2.5, 3.0, 3.5]))
    left, right = sc.fold()
    return finish_music(left, right, 0.55, 1.6, 111, search=1.0)


MUSIC = {
    "sound_farm1.aac": farm_theme,
    "sound_farm1_old.aac": field_theme,
    "mine_ambient.aac": mine_theme,
}
MUSIC_BITRATE = "64k"


# ------------------------------------------------------------------ output

def to_int16(x: np.ndarray) -> np.ndarray:
    return np.clip(np.round(x * 32767.0), -32768, 32767).astype("<i2")


def wav_bytes(pcm: np.ndarray, sr: int, channels: int) -> bytes:
    buffer = io.BytesIO()
    with wave.open(buffer, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(sr)
        w.writeframes(pcm.tobytes())
    return buffer.getvalue()


def write_if_changed(path: Path, data: bytes) -> None:
    if path.exists() and path.read_bytes() == data:
        return
    path.write_bytes(data)


def encode_aac(left: np.ndarray, right: np.ndarray, path: Path) -> None:
    pcm = to_int16(np.stack((left, right), axis=1).reshape(-1))
    command = ["ffmpeg", "-v", "error", "-nostdin", "-f", "s16le", "-ar", str(MUSIC_SR), "-ac", "2", "-i", "pipe:0",
               "-c:a", "aac", "-b:a", MUSIC_BITRATE, "-threads", "1", "-fflags", "+bitexact",
               "-flags:a", "+bitexact", "-map_metadata", "-1", "-f", "mp4", "pipe:1"]
    # mp4 wants to seek in its output; write to a temporary file instead.
    tmp = path.with_suffix(".tmp.m4a")
    command[-1] = str(tmp)
    command.insert(-1, "-y")
    subprocess.run(command, input=pcm.tobytes(), check=True)
    write_if_changed(path, tmp.read_bytes())
    tmp.unlink()


def stats(name, x, sr):
    peak = float(np.max(np.abs(x)))
    rms = float(np.sqrt(np.mean(x ** 2)))
    db = lambda v: 20.0 * np.log10(max(v, 1e-9))
    print(f"  {name:28s} {len(x) / sr:6.2f} s  peak {db(peak):6.1f} dBFS  rms {db(rms):6.1f} dBFS"
          f"  ends {abs(x[0]):.3f}/{abs(x[-1]):.3f}")


def draw_pictures(name, left, right, folder: Path):
    from PIL import Image, ImageDraw
    mono = 0.5 * (left + right)
    width, wave_h, spec_h = 1600, 200, 400
    img = Image.new("RGB", (width, wave_h + spec_h), (16, 16, 24))
    d = ImageDraw.Draw(img)
    cols = np.array_split(mono, width)
    for i, c in enumerate(cols):
        lo, hi = float(np.min(c)), float(np.max(c))
        d.line([(i, wave_h / 2 - hi * wave_h / 2), (i, wave_h / 2 - lo * wave_h / 2)], fill=(120, 200, 255))
    win = 2048
    hop = max(1, (len(mono) - win) // width)
    frames = np.stack([mono[i * hop: i * hop + win] * np.hanning(win) for i in range(width)])
    mag = 20 * np.log10(np.abs(np.fft.rfft(frames, axis=1)) + 1e-6)
    mag = mag[:, : win // 4]       # up to ~11 kHz
    mag = np.clip((mag - mag.max() + 80) / 80, 0, 1)
    # Log-frequency rows.
    rows = np.geomspace(1, mag.shape[1] - 1, spec_h).astype(int)[::-1]
    spec = (mag[:, rows].T * 255).astype(np.uint8)
    img.paste(Image.fromarray(np.stack([spec, (spec * 0.8).astype(np.uint8), (255 - spec) // 3], axis=2)), (0, wave_h))
    img.save(folder / (Path(name).stem + ".png"))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--pictures", type=Path, help="folder for waveform and spectrogram pictures of the music")
    parser.add_argument("--only", help="comma-separated sound keys or music files to make (default: all)")
    args = parser.parse_args()
    only = set(args.only.split(",")) if args.only else None

    keys = [k for set_keys in SETS.values() for k in set_keys]
    assert len(keys) == len(set(keys)), "a key stands in two sets"
    assert set(keys) == set(EFFECTS), set(keys) ^ set(EFFECTS)

    print("effects (22.05 kHz mono WAV):")
    total = 0
    for key in sorted(EFFECTS):
        if only and key not in only:
            continue
        x = finish_effect(EFFECTS[key](), key in LOOPED)
        data = wav_bytes(to_int16(x), SR, 1)
        write_if_changed(RESOURCES / effect_file(key), data)
        total += len(data)
        stats(effect_file(key), x, SR)
    if not only or "money_fields.wav" in only:
        x = finish_effect(fx_money_fields(), False)
        data = wav_bytes(to_int16(x), SR, 1)
        write_if_changed(RESOURCES / "money_fields.wav", data)
        total += len(data)
        stats("money_fields.wav", x, SR)

    print("music (44.1 kHz stereo AAC in MPEG-4, looped):")
    for name, compose in MUSIC.items():
        if only and name not in only:
            continue
        left, right = compose()
        assert len(left) % AAC_FRAME == 0
        encode_aac(left, right, RESOURCES / name)
        total += (RESOURCES / name).stat().st_size
        stats(name, 0.5 * (left + right), MUSIC_SR)
        seam = max(abs(left[0] - left[-1]), abs(right[0] - right[-1]))
        inner = max(float(np.max(np.abs(np.diff(left)))), float(np.max(np.abs(np.diff(right)))))
        print(f"  {'':28s} seam at {abs(left[0]):.4f}/{abs(right[0]):.4f}, step {seam:.4f}"
              f" (largest step inside {inner:.4f}),"
              f" {(RESOURCES / name).stat().st_size // 1024} KiB")
        if args.pictures:
            args.pictures.mkdir(parents=True, exist_ok=True)
            draw_pictures(name, left, right, args.pictures)

    sets = {scene: {key: effect_file(key) for key in set_keys} for scene, set_keys in SETS.items()}
    write_if_changed(RESOURCES / "SoundEffects.plist", plistlib.dumps(sets, sort_keys=True))
    print(f"total audio written this run: {total / 1024:.0f} KiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
