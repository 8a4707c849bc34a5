#include "game/boards/Board.h"

#include <climits>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/particles/CCParticleBatchNode.h"
#include "engine/particles/CCParticleSystem.h"
#include "engine/sprites/CCSprite.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Format.h"
#include "foundation/Shared.h"
#include "foundation/Utf16.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/BoardTooltip.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/CCToolInfoFrame.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/boards/SessionHooks.h"
#include "game/state/Collectible.h"
#include "game/state/UpgradeItem.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"

namespace mw {

namespace {

// The upgrade that brings the tool help button to the bottom menu.
constexpr int32_t kWorkshop = 19;
constexpr int kParticleCapacity = 200;

Ref<CCMenuItemSprite> frameButton(const char* normal, const char* selected, CCMenuCallback callback)
{
    auto up = CCSprite::spriteWithSpriteFrameName(normal);
    auto down = CCSprite::spriteWithSpriteFrameName(selected);
    return CCMenuItemSprite::itemFromNormalSprite(up.get(), down.get(), nullptr, std::move(callback));
}

} // namespace

Board::Board() = default;

Board::~Board()
{
    dismissAlert();
    NextObjArr.clear();
    for (auto& row : puzzlesArray)
        for (auto& tile : row) tile = nullptr;
}

void Board::dismissAlert()
{
    // An alert still up must not answer a board that is gone or off the stage.
    if (alert_ && alert_->isVisible()) {
        alert_->delegate = nullptr;
        alert_->dismissWithClickedButtonIndex(-1);
    }
    alert_ = nullptr;
    AlertActive = false;
}

void Board::onExit()
{
    leftStage_ = true;
    dismissAlert();
    CCLayer::onExit();
}

bool Board::init()
{
    // A new session earns its experience from nothing: the summary of the
    // last one must not leak into this one.
    Profile::sharedInstance()->StageExp = 0;

    ToolInfoVisible = false;
    AlertActive = false;
    mtb = nullptr;
    mtb2 = nullptr;
    CanCheckNoMoreMoves = false;
    HelpTooltipTimer = 0;
    SelectedCollectible = nullptr;
    NextCollectibleTooltip = nullptr;
    TilesRemoved = 0;
    ToolVisible = false;
    CurrentToolsMove = 0;
    LastToolCnt = 0;
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->CounterActive = true;

    Line = CCLineObject::line();
    addChild(Line.get(), 3);

    buildBars();
    buildBottomMenu();

    const CGSize win = board::winSize();
    toolsBcg = CCSprite::spriteWithSpriteFrameName("tools_menu_bar.png");
    toolsBcg->setAnchorPoint({0.5f, 0});
    toolsBcg->setPosition({win.width / 2, win.height});
    addChild(toolsBcg.get(), 6);

    chainArray.clear();
    isActionAlive = false;
    halfWidth = static_cast<int32_t>(win.width * 0.5f);
    MultiTypeGroupCase = -1;

    schedule(schedule_selector(Board::Update), 0.5f);
    schedule(schedule_selector(Board::UpdateBlock));
    BatchNodes.clear();
    return true;
}

void Board::buildBars()
{
    const CGSize win = board::winSize();
    const bool tablet = board::isIpad();
    bcg1 = CCSprite::spriteWithSpriteFrameName("top_bar_food.png");
    bcg1->setAnchorPoint({0.5f, 1});
    bcg1->setPosition({win.width / 2, win.height});
    addChild(bcg1.get(), 5);
    NextObjArr.clear();

    auto topShadow = CCSprite::spriteWithSpriteFrameName("list_gradient_top&bottom.png");
    topShadow->setRotation(180);
    topShadow->setPosition({win.width / 2, win.height - bcg1->contentSize().height + (tablet ? 6.0f : 0.0f)});
    addChild(topShadow.get(), 2);
    LastChainSize = -1;

    bottomBar_ = CCSprite::spriteWithSpriteFrameName("bottom_bar_menu.png");
    bottomBar_->setPosition({win.width / 2, 0});
    addChild(bottomBar_.get(), 4);
    const float barTop = bottomBarTop();
    bcg2 = CCSprite::spriteWithSpriteFrameName("mine_bottom_bg.png");
    bcg2->setAnchorPoint({0.5f, 0});
    bcg2->setPosition({win.width / 2, barTop});
    addChild(bcg2.get(), 2);
    offset2 = barTop + bcg2->contentSize().height - 5;
    auto bottomShadow = CCSprite::spriteWithSpriteFrameName("list_gradient_top&bottom.png");
    bottomShadow->setPosition({win.width / 2, offset2});
    addChild(bottomShadow.get(), 2);
}

float Board::bottomBarTop() const
{
    return bottomBar_ ? bottomBar_->contentSize().height / 2 : 0;
}

void Board::buildBottomMenu()
{
    const CGSize win = board::winSize();
    const bool tablet = board::isIpad();
    // The menu's origin is the window's centre. The bottom bar is centred on
    // the window's bottom edge, so only its upper half shows: the buttons sit
    // on the middle of that visible strip.
    const float barTop = bottomBarTop();
    const float y = barTop / 2 - win.height / 2;
    const float edge = tablet ? 56.0f : 22.0f;
    BottomMenu = CCMenu::menuWithItems({});
    ToolBtn = frameButton("tools_menu_icon.png", "tools_menu_icon_click.png",
                          [this](CCMenuItem* item) { ToolsCallback(item); });
    ToolBtn->setPosition({0, y});
    BottomMenu->addChild(ToolBtn.get());
    auto menu = frameButton("menu_ico_menu.png", "menu_ico_menu_click.png",
                            [this](CCMenuItem* item) { MenuCallback(item); });
    menu->setPosition({win.width / 2 - edge, y});
    BottomMenu->addChild(menu.get());
    if (Profile::sharedInstance()->GetUpgradeCount(kWorkshop) > 0) {
        auto help = frameButton("but_tools_help.png", "but_tools_help_click.png",
                                [this](CCMenuItem* item) { ToolInfoCallback(item); });
        help->setPosition({win.width / 2 - (tablet ? 114.8f : 55.0f), y});
        BottomMenu->addChild(help.get());
    }
    auto back = frameButton("but_menu_back.png", "but_menu_back_click.png",
                            [this](CCMenuItem* item) { MapCallback(item); });
    back->setPosition({-win.width / 2 + edge, y});
    BottomMenu->addChild(back.get());
    addChild(BottomMenu.get(), 4);
}

void Board::onEnter()
{
    leftStage_ = false;
    CCLayer::onEnter();
    CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
    if (BottomMenu) dispatcher->setPriority(INT_MIN + 10, BottomMenu.get());
    dispatcher->setPriority(INT_MIN + 2, this);
}

void Board::registerWithTouchDispatcher()
{
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true);
}

// ---- input

void Board::SetInputActive(bool active)
{
    if (BottomMenu && BottomMenu->isTouchEnabled() == active) return;
    CanCheckNoMoreMoves = false;
    isActionAlive = !active;
    setIsTouchEnabled(active);
    if (BottomMenu) BottomMenu->setIsTouchEnabled(active);
    if (HasAnnyTool && mtb) mtb->setIsTouchEnabled(active);
}

void Board::BlockInput(float seconds)
{
    if (!blockRunning_) {
        blockRunning_ = true;
        isActionAlive = true;
        ActionActiveTimer = 0;
        ActionActiveFinishTimer = seconds;
        return;
    }
    if (seconds > ActionActiveFinishTimer - ActionActiveTimer) {
        ActionActiveFinishTimer = seconds;
        ActionActiveTimer = 0;
    }
}

void Board::UpdateBlock(float dt)
{
    if (!blockRunning_) return;
    ActionActiveTimer += dt;
    if (ActionActiveTimer < ActionActiveFinishTimer) return;
    blockRunning_ = false;
    isActionAlive = false;
    ActionActiveTimer = 0;
    activeInput();
}

void Board::activeInput()
{
    isActionAlive = false;
}

void Board::Update(float dt)
{
    const Profile* profile = Profile::sharedInstance();
    if (Mode == 1 ? !profile->CanShowNextCollField : !profile->CanShowNextCollMine) return;
    HelpTooltipTimer += dt;
    if (!SelectedCollectible || chainArray.empty() || MultiTypeCase) return;
    if (NextCollectibleTooltip || ErrorCollectibleTooltip || InfoCollectibleTooltip) return;
    if (HelpTooltipTimer < 1.2f) return;
    InfoCollectibleTooltip = BoardTooltip::tooltipWithCollectible(SelectedCollectible.get());
    if (!InfoCollectibleTooltip) return;
    board::playSound("selection_accent");
    InfoCollectibleTooltip->setPosition(tooltipPosition(LastFingerLocation, 84, 1.5f));
    addChild(InfoCollectibleTooltip.get(), 5, kTagTooltip);
    if (CurrentPuzzleFactory) CurrentPuzzleFactory->TouchWasWithInfo = true;
}

CGPoint Board::tooltipPosition(CGPoint finger, float phoneLift, float wideLift) const
{
    // Windows 1024 points wide put the tooltip right at the finger.
    const bool wide = board::winSize().width >= 1024;
    return {finger.x, finger.y + (wide ? wideLift : phoneLift)};
}

// ---- pieces

void Board::AddParticle(const std::string& textureName, CCParticleSystem* particle)
{
    if (particle == nullptr) return;
    Ref<CCParticleBatchNode>& batch = BatchNodes[textureName];
    if (!batch) {
        batch = CCParticleBatchNode::particleBatchNodeWithFile(textureName, kParticleCapacity, true, false);
        if (!batch) {
            BatchNodes.erase(textureName);
            return;
        }
        addChild(batch.get(), 6);
    }
    batch->addChild(particle);
}

void Board::SetBcgBoard(CCSprite* background)
{
    bcgBoard = background;
}

void Board::removeMe(CCNode* node)
{
    if (node) node->removeFromParentAndCleanup(true);
}

void Board::MenuCallback(Object*)
{
    if (ToolInfoVisible) ToolInfoCallback(nullptr);
    board::playSound("selection_menu");
    Ref<CCNode> popUp = session::makeOptionsPopUp();
    if (!popUp) return;
    const CGSize win = board::winSize();
    popUp->setPosition({win.width / 2, win.height / 2});
    addChild(popUp.get(), 6);
    SetInputActive(false);
}

void Board::ShowEndOfSession(int32_t mode)
{
    if (Ref<EndOfPopUp> popUp = EndOfPopUp::popUpWithMode(mode, mode == 1 ? TilesRemoved : 0, nullptr)) {
        addChild(popUp.get(), EndOfPopUp::kZOrder);
    }
}

void Board::MapCallback(Object*)
{
    if (ToolInfoVisible) ToolInfoCallback(nullptr);
    board::playSound("selection_menu");
    ShowEndOfSession(3);
    SetInputActive(false);
}

namespace {

Ref<CCAction> removeWhenDone(CCFiniteTimeAction* action)
{
    auto remove = CCCallBlockN::actionWithBlock([](CCNode* node) { node->removeFromParentAndCleanup(true); });
    return CCSequence::actionOne(action, remove.get());
}

} // namespace

void Board::showFreeMove()
{
    const CGSize win = board::winSize();
    const bool tablet = board::isIpad();
    const std::string text = LocalisationManager::sharedInstance()->getValue("FREE_MOVE");
    auto label = CCLabelTTF::labelWithString(text, "HelveticaNeue-Bold", tablet ? 34 : 17);
    if (!label) return;
    if (auto background = CCSprite::spriteWithSpriteFrameName("free_move_bg.png")) {
        background->setScale(0.125f * static_cast<float>(utf16Length(text)));
        background->setPosition({label->contentSize().width / 2, label->contentSize().height / 2});
        label->addChild(background.get(), -1);
    }
    label->setPosition({win.width / 2, 0.977f * win.height});
    label->setScale(0);
    auto grow = CCEaseElasticOut::actionWithAction(CCScaleTo::actionWithDuration(0.7f, 0.75f), 0.45f);
    label->runAction(removeWhenDone(grow.get()).get());
    addChild(label.get(), 10);
}

void Board::showFinalMovesFrame(int32_t movesLeft)
{
    if (movesLeft < 1 || movesLeft > 3) return;
    const CGSize win = board::winSize();
    if (auto warning = CCSprite::spriteWithSpriteFrameName(format("end_farm%d.png", movesLeft))) {
        warning->setPosition({win.width / 2, 0.6f * win.height});
        warning->setRotation(-15);
        warning->setScale(0);
        auto grow = CCEaseElasticOut::actionWithAction(CCScaleTo::actionWithDuration(0.7f, 1.1f), 0.45f);
        auto appear = CCSpawn::actionOne(grow.get(), CCRotateTo::actionWithDuration(0.12f, 0).get());
        warning->runAction(removeWhenDone(appear.get()).get());
        addChild(warning.get(), 10);
    }
    board::playSound("123_final_moves");
}

} // namespace mw
