#pragma once

#include "foundation/Ref.h"

namespace mw {

class CCSpriteFrame;

// What actions ask of a sprite: the frame it shows and its flips. The frame
// animation and the flip actions find it on their node by a cross-cast;
// nodes without it are left alone.
class CCSpriteProtocol {
public:
    virtual ~CCSpriteProtocol() = default;

    // A new frame describing what the sprite shows now: texture, rectangle
    // in pixels, rotated flag, offset and untrimmed size. The caller owns it.
    virtual Ref<CCSpriteFrame> displayedFrame() const = 0;
    // Shows the frame: takes its offset, texture (when it differs), rectangle,
    // rotated flag and untrimmed size. The sprite keeps the texture, not the frame.
    virtual void setDisplayFrame(CCSpriteFrame* frame) = 0;
    virtual void setFlipX(bool flip) = 0;
    virtual void setFlipY(bool flip) = 0;
};

} // namespace mw
