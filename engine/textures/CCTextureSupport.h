#pragma once

#include <cstdint>

namespace mw {

// What the GL implementation offers that texture creation depends on: sizes
// other than powers of two, the largest texture side, BGRA source data and
// PVRTC compression.
//
// current() asks the current GL context (a context must be current), unless
// a fixed answer was installed with setOverride; tests use that to pose as
// other devices.
struct CCTextureSupport {
    bool npot = false;
    bool bgra8888 = false;
    bool pvrtc = false;
    int32_t maxTextureSize = 0;

    static CCTextureSupport current();
    // Installs a fixed answer (copied), or with null goes back to asking GL.
    static void setOverride(const CCTextureSupport* fixed);
};

} // namespace mw
