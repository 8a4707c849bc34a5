#pragma once

#include <cstdint>

#include "engine/base/CCBlendProtocol.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/base/ccTypes.h"
#include "engine/nodes/CCLayer.h"

namespace mw {

// A layer that draws a solid rectangle of its content size in one colour and
// opacity (the game's dimmed backdrops). It draws untextured and puts the
// default drawing state back afterwards.
class CCLayerColor : public CCLayer, public CCRGBAProtocol, public CCBlendProtocol {
public:
    // Transparent black of window size.
    CCLayerColor();
    // The colour's alpha is the opacity; the size is the window's.
    explicit CCLayerColor(ccColor4B color);
    // Width and height in points.
    CCLayerColor(ccColor4B color, float width, float height);

    static Ref<CCLayerColor> node() { return makeRef<CCLayerColor>(); }
    static Ref<CCLayerColor> layerWithColor(ccColor4B color) { return makeRef<CCLayerColor>(color); }
    static Ref<CCLayerColor> layerWithColor(ccColor4B color, float width, float height)
    {
        return makeRef<CCLayerColor>(color, width, height);
    }

    uint8_t opacity() const override { return opacity_; }
    void setOpacity(uint8_t opacity) override;
    ccColor3B color() const override { return color_; }
    void setColor(ccColor3B color) override;
    ccBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ccBlendFunc blendFunc) override { blendFunc_ = blendFunc; }

    // Also moves the rectangle's corners (in pixels).
    void setContentSize(CGSize size) override;
    void changeWidth(float width);
    void changeHeight(float height);
    void changeWidth(float width, float height);

    void draw() override;

    // The rectangle in pixels and its corner colours, in the order
    // (0,0), (w,0), (0,h), (w,h): bottom-left, bottom-right, top-left, top-right.
    const ccVertex2F* squareVertices() const { return squareVertices_; }
    const ccColor4B* squareColors() const { return squareColors_; }

protected:
    // Sets every corner to the colour and opacity; the gradient overrides it.
    virtual void updateColor();

    uint8_t opacity_ = 0;
    ccColor3B color_;
    ccVertex2F squareVertices_[4];
    ccColor4B squareColors_[4];
    ccBlendFunc blendFunc_ = kCCBlendFuncDefault;
};

} // namespace mw
