#pragma once

#include <string>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CCTexture2D;

// One picture of a sprite sheet: a texture, a region of it, whether the
// region holds the picture turned (its width along the texture's vertical
// axis), and the offset and untrimmed size that restore the transparent
// margins a packer trimmed away.
//
// The region is kept both in points and in pixels (pixels = points x the
// content scale factor); both setters keep the pair consistent. The frame
// holds a counted reference to its texture.
class CCSpriteFrame : public Object {
public:
    // All values in pixels; the region in points follows from the scale factor.
    CCSpriteFrame(CCTexture2D* texture, CGRect rectInPixels, bool rotated, CGPoint offsetInPixels,
                  CGSize originalSizeInPixels);
    // A region in points, not rotated, without offset, untrimmed size = the
    // region's size in pixels.
    CCSpriteFrame(CCTexture2D* texture, CGRect rect);
    ~CCSpriteFrame() override;

    static Ref<CCSpriteFrame> frameWithTexture(CCTexture2D* texture, CGRect rect)
    {
        return makeRef<CCSpriteFrame>(texture, rect);
    }
    static Ref<CCSpriteFrame> frameWithTexture(CCTexture2D* texture, CGRect rectInPixels, bool rotated,
                                               CGPoint offsetInPixels, CGSize originalSizeInPixels)
    {
        return makeRef<CCSpriteFrame>(texture, rectInPixels, rotated, offsetInPixels, originalSizeInPixels);
    }

    // An equal, independent frame sharing the texture.
    Ref<CCSpriteFrame> copy() const;

    CGRect rect() const { return rect_; }
    // Stores the points and sets the pixels from them.
    void setRect(CGRect rect);
    CGRect rectInPixels() const { return rectInPixels_; }
    // Stores the pixels and sets the points from them.
    void setRectInPixels(CGRect rectInPixels);
    bool rotated() const { return rotated_; }
    void setRotated(bool rotated) { rotated_ = rotated; }
    // The centre of the trimmed picture relative to the untrimmed one's, in pixels.
    CGPoint offsetInPixels() const { return offsetInPixels_; }
    void setOffsetInPixels(CGPoint offset) { offsetInPixels_ = offset; }
    CGSize originalSizeInPixels() const { return originalSizeInPixels_; }
    void setOriginalSizeInPixels(CGSize size) { originalSizeInPixels_ = size; }
    CCTexture2D* texture() const { return texture_.get(); }
    void setTexture(CCTexture2D* texture);

    // "<CCSpriteFrame = ADDRESS | TextureName=N, Rect = (x,y,w,h)> rotated:R"
    std::string description() const;

private:
    CGRect rect_;
    CGRect rectInPixels_;
    bool rotated_ = false;
    CGPoint offsetInPixels_;
    CGSize originalSizeInPixels_;
    Ref<CCTexture2D> texture_;
};

} // namespace mw
