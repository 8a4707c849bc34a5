#include "engine/effects/CCGridBase.h"

#include <GLES/gl.h>

#include <cstdio>
#include <new>
#include <vector>

#include "engine/base/ccDescription.h"
#include "engine/base/ccGLU.h"
#include "engine/base/ccUtils.h"
#include "engine/effects/CCGrabber.h"
#include "engine/effects/CCGridHost.h"
#include "engine/nodes/CCCamera.h"
#include "engine/nodes/CCNode.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"

namespace mw {

CCGridBase::CCGridBase() = default;

CCGridBase::~CCGridBase()
{
    // Only a grid that was switched on changed the projection.
    if (active_) setActive(false);
}

void CCGridBase::setActive(bool active)
{
    active_ = active;
    if (!active) {
        ccGridHost().reapplyProjection();
    }
}

void CCGridBase::setTexture(CCTexture2D* texture) { texture_ = texture; }

void CCGridBase::setGrabber(CCGrabber* grabber) { grabber_ = grabber; }

void CCGridBase::setIsTextureFlipped(bool flipped)
{
    if (isTextureFlipped_ != flipped) {
        isTextureFlipped_ = flipped;
        calculateVertexPoints();
    }
}

bool CCGridBase::initWithSize(ccGridSize gridSize)
{
    const CGSize window = ccGridHost().winSizeInPixels();
    const auto wide = ccNextPOT(static_cast<uint32_t>(window.width));
    const auto high = ccNextPOT(static_cast<uint32_t>(window.height));
    const CCTexture2DPixelFormat format =
        ccGridHost().screenIsRGB565() ? kCCTexture2DPixelFormat_RGB565 : kCCTexture2DPixelFormat_RGBA8888;
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    try {
        const std::vector<uint8_t> zeroes(static_cast<size_t>(wide) * high * 4, 0);
        if (!texture->initWithData(zeroes.data(), format, wide, high, window)) {
            logLine("CCGridBase: could not make a %ux%u grid texture", wide, high);
            return false;
        }
    } catch (const std::bad_alloc&) {
        logLine("CCGridBase: no memory for a %ux%u grid texture", wide, high);
        return false;
    }
    initWithSize(gridSize, texture.get(), false);
    return true;
}

void CCGridBase::initWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped)
{
    active_ = false;
    reuseGrid_ = 0;
    gridSize_ = gridSize;
    texture_ = texture;
    isTextureFlipped_ = flipped;
    const CGSize pixels = texture->contentSizeInPixels();
    step_ = {pixels.width / static_cast<float>(gridSize.x), pixels.height / static_cast<float>(gridSize.y)};
    Ref<CCGrabber> grabber = CCGrabber::grabber();
    grabber->grab(texture);
    grabber_ = grabber;
    calculateVertexPoints();
}

ccVertex2F CCGridBase::texCoordOf(float x, float y) const
{
    const auto wide = static_cast<float>(texture_->pixelsWide());
    const auto high = static_cast<float>(texture_->pixelsHigh());
    if (isTextureFlipped_) {
        return {x / wide, (texture_->contentSizeInPixels().height - y) / high};
    }
    return {x / wide, y / high};
}

void CCGridBase::beforeDraw()
{
    set2DProjection();
    grabber_->beforeRender(texture_.get());
}

void CCGridBase::afterDraw(CCNode* target)
{
    grabber_->afterRender(texture_.get());
    set3DProjection();
    applyLandscape();
    CCCamera* camera = target->camera();
    if (camera && camera->dirty()) {
        const CGPoint anchor = target->anchorPointInPixels();
        glTranslatef(anchor.x, anchor.y, 0);
        camera->locate();
        glTranslatef(-anchor.x, -anchor.y, 0);
    }
    glBindTexture(GL_TEXTURE_2D, texture_->name());
    blit();
}

void CCGridBase::set2DProjection()
{
    const CGSize size = ccGridHost().winSizeInPixels();
    glLoadIdentity();
    glViewport(0, 0, static_cast<GLsizei>(size.width), static_cast<GLsizei>(size.height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, size.width, 0, size.height, -1024, 1024);
    glMatrixMode(GL_MODELVIEW);
}

void CCGridBase::set3DProjection()
{
    const CGSize size = ccGridHost().displaySizeInPixels();
    glViewport(0, 0, static_cast<GLsizei>(size.width), static_cast<GLsizei>(size.height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, size.width / size.height, 0.5f, 1500.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(size.width / 2, size.height / 2, ccGridHost().zEye(), size.width / 2, size.height / 2, 0, 0, 1, 0);
}

void CCGridBase::applyLandscape()
{
    const CGSize size = ccGridHost().displaySizeInPixels();
    const float w = size.width / 2;
    const float h = size.height / 2;
    switch (ccGridHost().deviceOrientation()) {
    case 2:
        glTranslatef(w, h, 0);
        glRotatef(180, 0, 0, 1);
        glTranslatef(-w, -h, 0);
        break;
    case 4:
        glTranslatef(w, h, 0);
        glRotatef(90, 0, 0, 1);
        glTranslatef(-h, -w, 0);
        break;
    case 3:
        glTranslatef(w, h, 0);
        glRotatef(-90, 0, 0, 1);
        glTranslatef(-h, -w, 0);
        break;
    default:
        break;
    }
}

std::string CCGridBase::description() const
{
    char dims[48];
    std::snprintf(dims, sizeof dims, " | Dimensions = %ix%i>", gridSize_.x, gridSize_.y);
    return "<" + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + dims;
}

} // namespace mw
