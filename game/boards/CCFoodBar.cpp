#include "game/boards/CCFoodBar.h"

#include <GLES/gl.h>

#include <cmath>

#include "engine/base/ccContentScale.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/BoardSupport.h"
#include "game/state/Profile.h"

namespace mw {

CCFoodBar::CCFoodBar(int32_t count, uint8_t opacity, bool clip, int32_t maxMoves, int32_t currentMoves, bool big)
    : isCliped(clip), MaxMoves(maxMoves)
{
    const char* icon = big ? "food_ham_icon.png" : (clip ? "mine_meat.png" : "mine_meat_eaten.png");
    const bool loaded = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(icon).get() != nullptr;
    CGSize iconSize{0, 0};
    for (int32_t i = 0; loaded && i < count; ++i) {
        auto sprite = CCSprite::spriteWithSpriteFrameName(icon);
        iconSize = sprite->contentSize();
        sprite->setAnchorPoint({0, 0.5f});
        sprite->setPosition({static_cast<float>(i) * iconSize.width, 0});
        sprite->setOpacity(opacity);
        addChild(sprite.get());
        ContentLength += iconSize.width;
    }
    ContentHeight = iconSize.height * 2;
    PosModif = static_cast<int32_t>(iconSize.width * (big ? 0.1f : 0.2f));
    OneMoveLength = maxMoves > 0 ? ContentLength / static_cast<float>(maxMoves) : 0;
    setMoves(currentMoves);
}

void CCFoodBar::setMoves(int32_t moves)
{
    Moves = moves;
    ContentLength = static_cast<float>(Moves) * OneMoveLength;
}

void CCFoodBar::eatOneFood()
{
    setMoves(Moves - 1);
}

void CCFoodBar::refreshByCurrentState()
{
    setMoves(Profile::sharedInstance()->Start_mineMoves);
}

CGRect CCFoodBar::clipRectInPixels(int orientation, CGSize window, float scale) const
{
    float x = ParentsPos.x + position().x + static_cast<float>(PosModif);
    float y = ParentsPos.y + position().y - ContentHeight / 2;
    float width = ContentLength;
    float height = ContentHeight;
    const float w = window.width, h = window.height;
    switch (orientation) {
    case 2: {
        x = w - width - x;
        y = h - height - y;
        break;
    }
    case 3: {
        const float nx = y, ny = w - width - x;
        x = nx;
        y = ny;
        std::swap(width, height);
        break;
    }
    case 4: {
        const float nx = h - height - y, ny = x;
        x = nx;
        y = ny;
        std::swap(width, height);
        break;
    }
    default: break;
    }
    return {{x * scale, y * scale}, {width * scale, height * scale}};
}

void CCFoodBar::visit()
{
    if (!isCliped) {
        CCNode::visit();
        return;
    }
    // The game runs in portrait only.
    const CGRect clip = clipRectInPixels(1, board::winSize(), ccContentScaleFactor());
    glEnable(GL_SCISSOR_TEST);
    glScissor(static_cast<GLint>(clip.origin.x), static_cast<GLint>(clip.origin.y),
              static_cast<GLsizei>(std::max(0.0f, clip.size.width)), static_cast<GLsizei>(std::max(0.0f, clip.size.height)));
    CCNode::visit();
    glDisable(GL_SCISSOR_TEST);
}

} // namespace mw
