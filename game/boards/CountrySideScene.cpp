#include "game/boards/CountrySideScene.h"

#include "engine/sprites/CCSprite.h"
#include "foundation/Shared.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CountryBoard.h"
#include "game/state/GlobalObject.h"

namespace mw {

CountrySideScene::~CountrySideScene()
{
    removeAllChildrenWithCleanup(true);
}

Ref<CountrySideScene> CountrySideScene::layer()
{
    auto made = makeRef<CountrySideScene>();
    if (!made->init()) return nullptr;
    return made;
}

bool CountrySideScene::init()
{
    const CGSize win = board::winSize();
    background_ = CCSprite::spriteWithSpriteFrameName("farm_tiles_bg.png");
    if (background_) {
        background_->setAnchorPoint({0.5f, 0});
        background_->setPosition({win.width / 2, board::isIpad() ? 290.0f : 136.0f});
        addChild(background_.get(), 0);
    }
    board_ = CountryBoard::board();
    if (!board_) return false;
    if (background_) board_->SetBcgBoard(background_.get());
    addChild(board_.get(), 1);
    setIsTouchEnabled(true);
    if (GlobalObject* global = Shared<GlobalObject>::current())
        global->PlayBackgroundTrack("sound_farm1_old.aac");
    return true;
}

Ref<CCScene> CountrySideScene::scene()
{
    auto scene = makeRef<CountryScene>();
    if (auto layer = CountrySideScene::layer()) scene->addChild(layer.get(), 0, kTagLayer);
    return scene;
}

void CountryScene::onHide()
{
    if (CCNode* layer = getChildByTag(CountrySideScene::kTagLayer)) layer->removeFromParentAndCleanup(true);
}

} // namespace mw
