"""Small synthesis kit for the game's sounds: oscillators, envelopes, simple
instruments, filters done in the frequency domain, and a room reverb.

Everything works on float64 numpy arrays in [-1, 1] and is deterministic:
noise comes from generators seeded by the caller, so the same call gives the
same samples on every run.
"""

from __future__ import annotations

import numpy as np

TAU = 2.0 * np.pi


def midi_hz(note: float) -> float:
    return 440.0 * 2.0 ** ((note - 69.0) / 12.0)


def samples(duration: float, sr: int) -> int:
    return max(1, int(round(duration * sr)))


def times(n: int, sr: int) -> np.ndarray:
    return np.arange(n) / sr


def rng(seed: int) -> np.random.Generator:
    return np.random.Generator(np.random.PCG64(seed))


# ---------------------------------------------------------------- envelopes

def env_perc(n: int, sr: int, attack: float, decay: float) -> np.ndarray:
    """Linear attack, then exponential decay with time constant `decay`."""
    t = times(n, sr)
    a = max(attack, 1.0 / sr)
    rise = np.clip(t / a, 0.0, 1.0)
    fall = np.exp(-np.maximum(t - a, 0.0) / max(decay, 1e-4))
    return rise * fall


def env_adsr(n: int, sr: int, attack: float, decay: float, sustain: float, release: float) -> np.ndarray:
    """Attack, decay to `sustain`, hold, and a release that ends at the last sample."""
    t = times(n, sr)
    total = n / sr
    a = max(attack, 1.0 / sr)
    e = np.where(t < a, t / a, sustain + (1.0 - sustain) * np.exp(-(t - a) / max(decay, 1e-4)))
    r = max(min(release, total), 1.0 / sr)
    tail = np.clip((total - t) / r, 0.0, 1.0)
    return e * tail


def fade_edges(x: np.ndarray, sr: int, fade_in: float = 0.002, fade_out: float = 0.01) -> np.ndarray:
    """Raised-cosine fades so a sound never starts or stops with a click."""
    y = x.copy()
    n_in = min(len(y), max(1, int(fade_in * sr)))
    n_out = min(len(y), max(1, int(fade_out * sr)))
    y[:n_in] *= 0.5 - 0.5 * np.cos(np.pi * np.arange(n_in) / n_in)
    y[len(y) - n_out:] *= 0.5 + 0.5 * np.cos(np.pi * np.arange(1, n_out + 1) / n_out)
    return y


# -------------------------------------------------------------- oscillators

def phase_of(freq, n: int, sr: int) -> np.ndarray:
    """Running phase (radians) of a constant or per-sample frequency."""
    if np.isscalar(freq):
        return TAU * freq * times(n, sr)
    f = np.asarray(freq, dtype=float)
    return TAU * np.concatenate(([0.0], np.cumsum(f[:-1]))) / sr


def glide(f0: float, f1: float, n: int, curve: float = 1.0) -> np.ndarray:
    """Exponential pitch glide from f0 to f1 over n samples."""
    u = np.linspace(0.0, 1.0, n) ** curve
    return f0 * (f1 / f0) ** u


def additive(freq, n: int, sr: int, partials, decays=None) -> np.ndarray:
    """Sum of harmonics `partials` = [(multiple, amplitude), ...] below Nyquist.
    `decays` optionally gives each partial its own decay time constant."""
    ph = phase_of(freq, n, sr)
    fmax = float(np.max(freq)) if not np.isscalar(freq) else float(freq)
    t = times(n, sr)
    out = np.zeros(n)
    for i, (mult, amp) in enumerate(partials):
        if fmax * mult >= sr * 0.45:
            continue
        part = amp * np.sin(mult * ph)
        if decays is not None:
            part *= np.exp(-t / decays[i])
        out += part
    return out


def saw(freq, n: int, sr: int, harmonics: int = 24) -> np.ndarray:
    return additive(freq, n, sr, [(k, 1.0 / k) for k in range(1, harmonics + 1)]) * 0.6


def square(freq, n: int, sr: int, harmonics: int = 15) -> np.ndarray:
    return additive(freq, n, sr, [(k, 1.0 / k) for k in range(1, harmonics + 1, 2)]) * 0.8


def triangle(freq, n: int, sr: int) -> np.ndarray:
    return additive(freq, n, sr, [(k, ((-1) ** (k // 2)) / (k * k)) for k in range(1, 12, 2)]) * 0.8


def fm(freq, n: int, sr: int, ratio: float, index) -> np.ndarray:
    """Two-operator FM: a sine carrier modulated by a sine at freq * ratio."""
    ph = phase_of(freq, n, sr)
    return np.sin(ph + np.asarray(index) * np.sin(ratio * ph))


def noise(n: int, seed: int) -> np.ndarray:
    return rng(seed).uniform(-1.0, 1.0, n)


# ----------------------------------------------------------------- filters

def spectral(x: np.ndarray, sr: int, gain_of_freq) -> np.ndarray:
    """Applies a zero-phase, time-invariant filter given as gain(frequency)."""
    n = len(x)
    size = 1 << int(np.ceil(np.log2(max(n, 2))))
    spectrum = np.fft.rfft(x, size)
    f = np.fft.rfftfreq(size, 1.0 / sr)
    return np.fft.irfft(spectrum * gain_of_freq(f), size)[:n]


def lowpass(x, sr, cutoff, order=2):
    return spectral(x, sr, lambda f: 1.0 / np.sqrt(1.0 + (f / cutoff) ** (2 * order)))


def highpass(x, sr, cutoff, order=2):
    return spectral(x, sr, lambda f: 1.0 / np.sqrt(1.0 + (cutoff / np.maximum(f, 1e-3)) ** (2 * order)))


def bandpass(x, sr, centre, width):
    """Gaussian band around `centre` with `width` Hz standard deviation."""
    return spectral(x, sr, lambda f: np.exp(-0.5 * ((f - centre) / width) ** 2))


def formants(x, sr, bands):
    """Sum of resonances [(centre, width, gain), ...]: a vowel-like colour."""
    return spectral(x, sr, lambda f: sum(g * np.exp(-0.5 * ((f - c) / w) ** 2) for c, w, g in bands))


def svf_lowpass(x: np.ndarray, sr: int, cutoff: np.ndarray, q: float = 0.7) -> np.ndarray:
    """Trapezoidal state-variable low-pass with a per-sample cutoff (for
    sweeps); stable for any cutoff below Nyquist."""
    cutoff = np.broadcast_to(np.asarray(cutoff, dtype=float), x.shape)
    g = np.tan(np.pi * np.clip(cutoff, 10.0, sr * 0.45) / sr)
    k = 1.0 / q
    a1 = 1.0 / (1.0 + g * (g + k))
    a2 = g * a1
    a3 = g * a2
    ic1 = ic2 = 0.0
    out = np.empty_like(x)
    for i, v0 in enumerate(x.tolist()):
        v3 = v0 - ic2
        v1 = a1[i] * ic1 + a2[i] * v3
        v2 = ic2 + a2[i] * ic1 + a3[i] * v3
        ic1 = 2.0 * v1 - ic1
        ic2 = 2.0 * v2 - ic2
        out[i] = v2
    return out


def spectral_loop(x: np.ndarray, sr: int, gain_of_freq) -> np.ndarray:
    """As spectral(), but treats x as one period of a loop (no seam)."""
    f = np.fft.rfftfreq(len(x), 1.0 / sr)
    return np.fft.irfft(np.fft.rfft(x) * gain_of_freq(f), len(x))


# ----------------------------------------------------------------- reverb

def reverb_ir(sr: int, decay: float, length: float, seed: int, brightness: float = 4000.0) -> np.ndarray:
    n = samples(length, sr)
    t = times(n, sr)
    ir = noise(n, seed) * np.exp(-t / decay)
    ir = lowpass(ir, sr, brightness, 1)
    ir[0] = 0.0
    return ir / np.sqrt(np.sum(ir ** 2))


def reverb(x: np.ndarray, sr: int, mix: float, decay: float = 0.25, seed: int = 7) -> np.ndarray:
    """Adds a small room; the result is as long as x plus the tail."""
    ir = reverb_ir(sr, decay, decay * 5.0, seed)
    size = 1 << int(np.ceil(np.log2(len(x) + len(ir))))
    wet = np.fft.irfft(np.fft.rfft(x, size) * np.fft.rfft(ir, size), size)[: len(x) + len(ir)]
    dry = np.concatenate((x, np.zeros(len(ir))))
    return dry + mix * wet


def circular_reverb(x: np.ndarray, sr: int, mix: float, decay: float, seed: int,
                    brightness: float = 4000.0) -> np.ndarray:
    """Reverb for a loop: the tail wraps around to the loop's start."""
    ir = reverb_ir(sr, decay, min(decay * 5.0, len(x) / sr), seed, brightness)
    ir_full = np.zeros(len(x))
    ir_full[: len(ir)] = ir
    wet = np.fft.irfft(np.fft.rfft(x) * np.fft.rfft(ir_full), len(x))
    return x + mix * wet


# ---------------------------------------------------------------- helpers

def mix_at(dest: np.ndarray, src: np.ndarray, start: int, gain: float = 1.0) -> None:
    """Adds src into dest at `start`, clipping what falls outside."""
    if start >= len(dest):
        return
    if start < 0:
        src = src[-start:]
        start = 0
    end = min(len(dest), start + len(src))
    dest[start:end] += gain * src[: end - start]


def concat(*parts: np.ndarray) -> np.ndarray:
    return np.concatenate(parts)


def silence(duration: float, sr: int) -> np.ndarray:
    return np.zeros(samples(duration, sr))


def normalise(x: np.ndarray, peak: float) -> np.ndarray:
    m = float(np.max(np.abs(x)))
    return x if m == 0.0 else x * (peak / m)


def trim_tail(x: np.ndarray, sr: int, threshold: float = 0.002, keep: float = 0.01) -> np.ndarray:
    """Drops the silent end, keeping `keep` seconds after the last audible sample."""
    loud = np.nonzero(np.abs(x) > threshold * float(np.max(np.abs(x)) or 1.0))[0]
    if len(loud) == 0:
        return x
    return x[: min(len(x), loud[-1] + int(keep * sr))]


# ------------------------------------------------------------- instruments

def pluck(freq: float, duration: float, sr: int, brightness: float = 1.0, decay: float = 0.8) -> np.ndarray:
    """Harp or guitar-like pluck: harmonics that die faster the higher they are."""
    n = samples(duration, sr)
    parts = [(k, (1.0 / k ** 1.3) * (brightness if k > 1 else 1.0)) for k in range(1, 13)]
    decays = [decay / (1.0 + 0.45 * (k - 1)) for k in range(1, 13)]
    x = additive(freq, n, sr, parts, decays)
    return x * env_perc(n, sr, 0.003, 10.0)


def bell(freq: float, duration: float, sr: int, decay: float = 0.6, bright: float = 1.0) -> np.ndarray:
    """Glassy bell or celesta: slightly inharmonic partials."""
    n = samples(duration, sr)
    ratios = [(1.0, 1.0), (2.0, 0.45 * bright), (2.76, 0.3 * bright), (5.4, 0.16 * bright), (8.93, 0.08 * bright)]
    decays = [decay, decay * 0.6, decay * 0.45, decay * 0.25, decay * 0.15]
    x = additive(freq, n, sr, ratios, decays)
    return x * env_perc(n, sr, 0.002, 10.0)


def music_box(freq: float, duration: float, sr: int, decay: float = 0.9) -> np.ndarray:
    n = samples(duration, sr)
    index = 1.6 * np.exp(-times(n, sr) / 0.08)
    return fm(freq, n, sr, 4.0, index) * env_perc(n, sr, 0.002, decay) * 0.8


def flute(freq: float, duration: float, sr: int, seed: int, vibrato: float = 0.006) -> np.ndarray:
    """Soft whistle or flute: near-sine tone, delayed vibrato, a little breath."""
    n = samples(duration, sr)
    t = times(n, sr)
    depth = vibrato * np.clip((t - 0.18) / 0.3, 0.0, 1.0)
    f = freq * (1.0 + depth * np.sin(TAU * 5.2 * t))
    x = additive(f, n, sr, [(1, 1.0), (2, 0.22), (3, 0.08), (4, 0.03)])
    breath = bandpass(noise(n, seed), sr, freq * 2.0, freq * 0.6) * 0.35
    e = env_adsr(n, sr, 0.05, 0.2, 0.8, min(0.12, duration * 0.4))
    return (x + breath) * e


def reed(freq: float, duration: float, sr: int) -> np.ndarray:
    """Clarinet-like: odd harmonics, gentle attack."""
    n = samples(duration, sr)
    t = times(n, sr)
    f = freq * (1.0 + 0.003 * np.sin(TAU * 4.6 * t))
    x = additive(f, n, sr, [(1, 1.0), (3, 0.35), (5, 0.15), (7, 0.06), (2, 0.05)])
    return x * env_adsr(n, sr, 0.06, 0.3, 0.75, min(0.15, duration * 0.4))


def brass(freq: float, duration: float, sr: int) -> np.ndarray:
    """Horn-like note: harmonics open up after the attack."""
    n = samples(duration, sr)
    t = times(n, sr)
    opening = np.clip(t / 0.06, 0.0, 1.0)
    x = np.zeros(n)
    for k in range(1, 12):
        if freq * k > sr * 0.45:
            break
        x += (1.0 / k) * opening ** (0.5 * k) * np.sin(TAU * freq * k * t)
    return x * env_adsr(n, sr, 0.025, 0.25, 0.7, min(0.12, duration * 0.5)) * 0.5


def pad(freq: float, duration: float, sr: int, attack: float, release: float, harmonics: int = 8) -> np.ndarray:
    """Warm pad: two detuned soft saws."""
    n = samples(duration, sr)
    parts = [(k, 1.0 / k ** 1.6) for k in range(1, harmonics + 1)]
    x = additive(freq * 0.998, n, sr, parts) + additive(freq * 1.002, n, sr, parts)
    return x * 0.5 * env_adsr(n, sr, attack, 1.0, 1.0, release)


def bass(freq: float, duration: float, sr: int) -> np.ndarray:
    n = samples(duration, sr)
    x = additive(freq, n, sr, [(1, 1.0), (2, 0.35), (3, 0.12)])
    return x * env_adsr(n, sr, 0.01, 0.35, 0.55, min(0.1, duration * 0.4))


def marimba(freq: float, duration: float, sr: int, decay: float = 0.35) -> np.ndarray:
    n = samples(duration, sr)
    x = additive(freq, n, sr, [(1, 1.0), (3.93, 0.25), (9.0, 0.06)], [decay, decay * 0.35, decay * 0.15])
    return x * env_perc(n, sr, 0.002, 10.0)


def kick(sr: int, gain: float = 1.0) -> np.ndarray:
    n = samples(0.25, sr)
    f = 45.0 + 75.0 * np.exp(-times(n, sr) / 0.03)
    return gain * np.sin(phase_of(f, n, sr)) * env_perc(n, sr, 0.002, 0.09)


def shaker(sr: int, seed: int, gain: float = 1.0, length: float = 0.07) -> np.ndarray:
    n = samples(length, sr)
    x = highpass(noise(n, seed), sr, 5000.0, 2)
    return gain * x * env_perc(n, sr, 0.008, length / 4.0)


def knock(freq: float, sr: int, decay: float = 0.04, seed: int = 1) -> np.ndarray:
    """Wood block: a short resonant tone and a click."""
    n = samples(decay * 6.0, sr)
    t = times(n, sr)
    tone = np.sin(TAU * freq * t) + 0.4 * np.sin(TAU * freq * 2.7 * t)
    click = bandpass(noise(n, seed), sr, freq * 2.0, freq) * np.exp(-t / 0.004)
    return (tone * np.exp(-t / decay) + click * 0.6) * env_perc(n, sr, 0.0008, 10.0)
