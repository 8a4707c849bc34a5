#pragma once

#include <numbers>

namespace mw {

// The numbers of the engine's curves, in one place: the single-precision pi
// that angles, waves and sweeps use, and the constants of the easing curves
// (the ease actions and the bouncing move). Every value is exactly the float
// (or, where noted, double) the curves were tuned with.

inline constexpr float kCCPi = std::numbers::pi_v<float>;
inline constexpr float kCCHalfPi = kCCPi / 2;
inline constexpr float kCCTwoPi = kCCPi * 2;
static_assert(kCCPi == 3.1415927f && kCCHalfPi == 1.5707964f && kCCTwoPi == 6.2831855f);

// Elastic eases: the period of the swing, in units of progress, when none is
// given; the in-out curve replaces a period of 0 by 1.5 times it.
inline constexpr float kCCEaseElasticDefaultPeriod = 0.3f;
inline constexpr float kCCEaseElasticInOutZeroPeriod = kCCEaseElasticDefaultPeriod * 1.5f;

// Back eases: how far the curve pulls back before it goes (a 10% overshoot),
// and the factor the in-out curve scales it by.
inline constexpr float kCCEaseBackOvershoot = 1.70158f;
inline constexpr float kCCEaseBackInOutOvershootScale = 1.525f;

// Bounce eases and the bouncing move. The bounce-out curve rises as
// kCCBounceStiffness x t^2 until it lands on 1 at kCCBounceLandings[0], then
// bounces three times: bounce i is a parabola of the same stiffness peaking
// at kCCBouncePeaks[i] with the value kCCBouncePeakValues[i], landing again at
// kCCBounceLandings[i + 1] (the last at 1). The landings are doubles: the
// curve compares progress with them in double precision, and the exact
// touch points at the landings rely on it.
inline constexpr float kCCBounceStiffness = 7.5625f; // 2.75 squared
inline constexpr double kCCBounceLandings[] = {1 / 2.75, 2 / 2.75, 2.5 / 2.75};
inline constexpr float kCCBouncePeaks[] = {1.5f / 2.75f, 2.25f / 2.75f, 2.625f / 2.75f};
inline constexpr float kCCBouncePeakValues[] = {0.75f, 0.9375f, 0.984375f};

} // namespace mw
