#pragma once

#include <cstdint>

#include "foundation/Geometry.h"

namespace mw {

// What the grids need from the director, which sits above them: the sizes
// they project onto, the eye distance and device orientation of the 3D
// projection, the colour format of the screen, and a way back to the
// director's own projection when a grid is switched off. The director
// installs its host at start-up; without one (tests of the grids alone) the
// fallback answers from ccWinSize and the content scale, portrait, RGBA8, and
// re-applying the projection does nothing.
class CCGridHost {
public:
    virtual ~CCGridHost() = default;
    // The window in pixels, as the grid's texture is sized and its 2D projection set.
    virtual CGSize winSizeInPixels() const;
    // The unrotated display in pixels, for the 3D projection and the orientation.
    virtual CGSize displaySizeInPixels() const { return winSizeInPixels(); }
    // The distance of the 3D projection's eye from the screen plane.
    virtual float zEye() const { return displaySizeInPixels().height / 1.1566f; }
    // 1 portrait, 2 upside down, 3 landscape left, 4 landscape right.
    virtual int32_t deviceOrientation() const { return 1; }
    // Whether the screen's colour buffer is 16-bit RGB565.
    virtual bool screenIsRGB565() const { return false; }
    // Applies the director's current projection again.
    virtual void reapplyProjection() {}
};

// The installed host (not owned; null restores the fallback).
void ccSetGridHost(CCGridHost* host);
// The installed host, or the fallback; never null.
CCGridHost& ccGridHost();

} // namespace mw
