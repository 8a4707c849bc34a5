#pragma once

namespace mw {

// The content scale factor: 1 on an ordinary screen, 2 on a high-resolution
// one. Points times the factor give pixels. The device director sets it once
// the GL view exists; everything else only reads it.
float ccContentScaleFactor();
void ccSetContentScaleFactor(float factor);

// The conventional spelling used across the engine.
inline float CC_CONTENT_SCALE_FACTOR() { return ccContentScaleFactor(); }

} // namespace mw
