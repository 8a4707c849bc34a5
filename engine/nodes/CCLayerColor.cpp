#include "engine/nodes/CCLayerColor.h"

#include <GLES/gl.h>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"

namespace mw {

namespace {

// Scene files name this class; it registers itself for the reader.
[[maybe_unused]] const bool classRegistered = [] {
    CCPropertyRegistry::shared().registerClass<CCLayerColor>("CCLayerColor");
    return true;
}();

} // namespace

CCLayerColor::CCLayerColor() : CCLayerColor(ccColor4B{0, 0, 0, 0}) {}

CCLayerColor::CCLayerColor(ccColor4B color) : CCLayerColor(color, ccWinSize().width, ccWinSize().height) {}

CCLayerColor::CCLayerColor(ccColor4B color, float width, float height)
{
    blendFunc_ = kCCBlendFuncDefault;
    color_ = {color.r, color.g, color.b};
    opacity_ = color.a;
    for (ccVertex2F& vertex : squareVertices_) vertex = {0, 0};
    updateColor();
    setContentSize({width, height});
}

void CCLayerColor::setOpacity(uint8_t opacity)
{
    opacity_ = opacity;
    updateColor();
}

void CCLayerColor::setColor(ccColor3B color)
{
    color_ = color;
    updateColor();
}

void CCLayerColor::updateColor()
{
    for (ccColor4B& corner : squareColors_) corner = {color_.r, color_.g, color_.b, opacity_};
}

void CCLayerColor::setContentSize(CGSize size)
{
    const float factor = ccContentScaleFactor();
    squareVertices_[1] = {size.width * factor, 0};
    squareVertices_[2] = {0, size.height * factor};
    squareVertices_[3] = {size.width * factor, size.height * factor};
    CCLayer::setContentSize(size);
}

void CCLayerColor::changeWidth(float width)
{
    setContentSize({width, contentSize_.height});
}

void CCLayerColor::changeHeight(float height)
{
    setContentSize({contentSize_.width, height});
}

void CCLayerColor::changeWidth(float width, float height)
{
    setContentSize({width, height});
}

void CCLayerColor::draw()
{
    // Untextured: switch texturing off around the draw only.
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);

    glVertexPointer(2, GL_FLOAT, 0, squareVertices_);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, squareColors_);

    // The default factors expect premultiplied colour; an untextured colour
    // with opacity below 255 is not premultiplied, so it blends by its alpha.
    bool blendChanged = false;
    if (blendFunc_ != kCCBlendFuncDefault) {
        glBlendFunc(blendFunc_.src, blendFunc_.dst);
        blendChanged = true;
    } else if (opacity_ != 255) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        blendChanged = true;
    }

    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

    if (blendChanged) glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);

    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
}

} // namespace mw
