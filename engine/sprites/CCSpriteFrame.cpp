#include "engine/sprites/CCSpriteFrame.h"

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDescription.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Format.h"

namespace mw {

namespace {

CGRect scaled(CGRect r, float factor)
{
    return {r.origin.x * factor, r.origin.y * factor, r.size.width * factor, r.size.height * factor};
}

} // namespace

CCSpriteFrame::CCSpriteFrame(CCTexture2D* texture, CGRect rectInPixels, bool rotated, CGPoint offsetInPixels,
                             CGSize originalSizeInPixels)
    : rect_(scaled(rectInPixels, 1 / CC_CONTENT_SCALE_FACTOR())),
      rectInPixels_(rectInPixels),
      rotated_(rotated),
      offsetInPixels_(offsetInPixels),
      originalSizeInPixels_(originalSizeInPixels),
      texture_(texture)
{
}

CCSpriteFrame::CCSpriteFrame(CCTexture2D* texture, CGRect rect)
    : CCSpriteFrame(texture, scaled(rect, CC_CONTENT_SCALE_FACTOR()), false, CGPointZero, CGSizeZero)
{
    originalSizeInPixels_ = rectInPixels_.size;
}

CCSpriteFrame::~CCSpriteFrame() = default;

Ref<CCSpriteFrame> CCSpriteFrame::copy() const
{
    return makeRef<CCSpriteFrame>(texture_.get(), rectInPixels_, rotated_, offsetInPixels_, originalSizeInPixels_);
}

void CCSpriteFrame::setRect(CGRect rect)
{
    rect_ = rect;
    rectInPixels_ = scaled(rect, CC_CONTENT_SCALE_FACTOR());
}

void CCSpriteFrame::setRectInPixels(CGRect rectInPixels)
{
    rectInPixels_ = rectInPixels;
    rect_ = scaled(rectInPixels, 1 / CC_CONTENT_SCALE_FACTOR());
}

void CCSpriteFrame::setTexture(CCTexture2D* texture) { texture_ = texture; }

std::string CCSpriteFrame::description() const
{
    const unsigned textureName = texture_ ? texture_->name() : 0;
    return format("<%s = %s | TextureName=%d, Rect = (%.2f,%.2f,%.2f,%.2f)> rotated:%d",
                  ccClassName(typeid(*this)).c_str(), ccAddressString(this).c_str(), textureName, rect_.origin.x,
                  rect_.origin.y, rect_.size.width, rect_.size.height, rotated_ ? 1 : 0);
}

} // namespace mw
