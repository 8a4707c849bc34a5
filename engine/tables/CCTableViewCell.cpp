#include "engine/tables/CCTableViewCell.h"

#include "engine/sprites/CCSprite.h"

namespace mw {

CCTableViewSpriteCell::CCTableViewSpriteCell() = default;

CCTableViewSpriteCell::~CCTableViewSpriteCell() = default;

CCSprite* CCTableViewSpriteCell::sprite() const { return sprite_.get(); }

void CCTableViewSpriteCell::setSprite(CCSprite* sprite)
{
    if (sprite == sprite_.get()) return;
    if (sprite_) removeChild(sprite_.get(), true);
    sprite_ = sprite;
    if (!sprite_) return;
    sprite_->setAnchorPoint(CGPointZero);
    sprite_->setPosition(CGPointZero);
    addChild(sprite_.get());
}

void CCTableViewSpriteCell::reset()
{
    CCTableViewCell::reset();
    if (sprite_) removeChild(sprite_.get(), true);
    sprite_ = nullptr;
}

} // namespace mw
