// The tools bar: its buttons and arrows, picking and spending a tool, and
// the board operations the tools' effects call.

#include <algorithm>
#include <map>

#include "analytics/TallyAnalytics.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "game/boards/Board.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CCToolInfoFrame.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/SessionHooks.h"
#include "game/state/Collectible.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeAction.h"
#include "game/state/UpgradeItem.h"
#include "game/village/CCCounterDrell.h"
#include "game/village/CCExpPoints.h"
#include "game/village/CCTutorialArrow.h"

namespace mw {

namespace {

constexpr int32_t kToolRubble = 25;
constexpr int32_t kToolLunchbox = 98;
constexpr int32_t kToolExtra2 = 106;
constexpr int32_t kPigs = 15;

// The sound a tool makes when it works, by upgrade.
const char* toolSoundOf(int32_t tool)
{
    static const std::map<int32_t, const char*> sounds{
        {23, "methane"},
        {25, "methan_explosion"},
        {86, "TOOL_RAT"},
        {87, "TOOL_WOLF"},
        {94, "TOOL_COMPOST"},
        {95, "TOOL_SAMPLING"},
        {97, "TOOL_GRASS_GRAIN"},
        {98, "TOOL_LUNCHBOX"},
        {99, "TOOL_COAL_TO_SILVER"},
        {100, "TOOL_SILVER_TO_COAL"},
        {106, "TOOL_DRILL"},
    };
    const auto found = sounds.find(tool);
    return found == sounds.end() ? nullptr : found->second;
}

std::vector<UpgradeAction*> actionsOf(const UpgradeItem& tool)
{
    std::vector<UpgradeAction*> actions;
    if (!tool.Actions) return actions;
    for (uint32_t i = 0; i < tool.Actions->count(); ++i) {
        if (auto* action = dynamic_cast<UpgradeAction*>(tool.Actions->objectAtIndex(i)))
            actions.push_back(action);
    }
    return actions;
}

Ref<CCSprite> frame(const std::string& name)
{
    return CCSprite::spriteWithSpriteFrameName(name);
}

// Visible tools before the bar scrolls, by device.
int32_t visibleTools()
{
    return board::isIpad() ? 6 : 4;
}

} // namespace

// ---- the bar

void Board::ReinitTools(int32_t mode)
{
    const bool tablet = board::isIpad();
    Profile* profile = Profile::sharedInstance();
    toolsBcg->removeAllChildrenWithCleanup(true);
    HasAnnyTool = false;
    mtb = CCMenu::menuWithItems({});
    mtb->setPosition({0, 0});
    int32_t count = 0;
    for (int32_t identifier : profile->ToolsDict) {
        const UpgradeItem* tool = profile->GetUpgrade(identifier);
        const int32_t owned = profile->GetUpgradeCount(identifier);
        if (!tool || owned < 1 || !(mode == 1 ? tool->isField : tool->isMine)) continue;
        auto button = CCMenuItemSprite::itemFromNormalSprite(
            frame(tool->PngName + ".png").get(), frame(tool->PngName + ".png").get(), nullptr,
            [this](CCMenuItem* item) { ToolActionCallback(item); });
        button->setAnchorPoint({0.5f, 0});
        button->setScale(0.82f);
        button->setTag(identifier);
        auto badge = CCCounterDrell::counterWithNumber(owned);
        badge->setPosition({button->contentSize().width * 0.8f, tablet ? 5.0f : 2.0f});
        button->addChild(badge.get());
        mtb->addChild(button.get());
        ++count;
        HasAnnyTool = true;
    }
    mtb2 = nullptr;
    const CGSize bar = toolsBcg->contentSize();
    if (!HasAnnyTool) {
        auto notice = frame("tools_info_notool.png");
        notice->setPosition({bar.width / 2, bar.height / 2});
        toolsBcg->addChild(notice.get());
        const std::string text = LocalisationManager::sharedInstance()->getValue("NO_TOOLS");
        const struct {
            ccColor3B colour;
            CGPoint offset;
        } layers[] = {{ccc3(71, 57, 48), {1, -1}}, {ccc3(123, 111, 85), {0, 0}}};
        for (const auto& layer : layers) {
            auto label = CCLabelTTF::labelWithString(text, "HelveticaNeue", tablet ? 34 : 18);
            label->setColor(layer.colour);
            label->setPosition({bar.width / 2 + layer.offset.x, bar.height / 2 + layer.offset.y});
            toolsBcg->addChild(label.get());
        }
        return;
    }

    ToolDist = tablet ? 110.0f : 65.0f;
    if (count != LastToolCnt) {
        LastToolCnt = count;
        CurrentToolsMove = 0;
    }
    int32_t index = 0;
    for (Object* child : *mtb->children()) {
        static_cast<CCNode*>(child)->setPosition(
            {static_cast<float>(index++) * ToolDist, 0.15f * bar.height});
    }

    if (count > (tablet ? 6 : 5)) {
        auto arrow = [&](int tag, void (Board::*callback)(Object*), float x, bool mirrored) {
            auto button = CCHoldButton::itemFromNormalSprite(
                frame("tools_menu_bar_arrow.png").get(), frame("tools_menu_bar_arrow_click.png").get(),
                frame("tools_menu_bar_arrow_disabled.png").get(),
                [this, callback](CCMenuItem* item) { (this->*callback)(item); });
            button->SetActionRunTime(0.18f);
            button->SetHoldRepeatAction(true);
            button->setTag(tag);
            button->setPosition({x, bar.height / 2});
            button->setScaleX((mirrored ? -1.0f : 1.0f) * (tablet ? 1.0f : 1.3f));
            return button;
        };
        auto right = arrow(kTagRightArrow, &Board::RightCallback, tablet ? -2.0f : 31.0f, false);
        auto left = arrow(kTagLeftArrow, &Board::LeftCallback, bar.width - (tablet ? -2.0f : 31.0f), true);
        mtb2 = CCMenu::menuWithItems({right.get(), left.get()});
        mtb2->setPosition({0, 0});
        toolsBcg->addChild(mtb2.get(), 2);
        refreshArrowFrames();
    }
    toolsBcg->addChild(mtb.get(), 0);
    if (count >= 6) {
        mtb->setPosition({ToolDist * static_cast<float>(CurrentToolsMove + 1) + (tablet ? 0.0f : 26.0f), 0});
    } else {
        mtb->setPosition({bar.width / 2 - (static_cast<float>(count) / 2 - 0.5f) * ToolDist, 0});
    }
    // New buttons take the board's current input state.
    if (BottomMenu) mtb->setIsTouchEnabled(BottomMenu->isTouchEnabled());
}

CCMenuItem* Board::toolButton(int32_t tool) const
{
    return mtb ? dynamic_cast<CCMenuItem*>(mtb->getChildByTag(tool)) : nullptr;
}

void Board::refreshArrowFrames()
{
    if (!mtb2 || !mtb) return;
    const int32_t lastMove = visibleTools() - LastToolCnt;
    const struct {
        int tag;
        bool stuck;
    } arrows[] = {{kTagRightArrow, CurrentToolsMove == 0}, {kTagLeftArrow, CurrentToolsMove <= lastMove}};
    for (const auto& arrow : arrows) {
        auto* button = dynamic_cast<CCMenuItemSprite*>(mtb2->getChildByTag(arrow.tag));
        if (!button) continue;
        button->setNormalImage(
            frame(arrow.stuck ? "tools_menu_bar_arrow_disabled.png" : "tools_menu_bar_arrow.png").get());
    }
}

void Board::ToolsCallback(Object*)
{
    board::playSound("selection_menu");
    if (ToolBtn) ToolBtn->runAction(CCScaleTo::actionWithDuration(0.2f, 1.0f).get());
    const CGSize win = board::winSize();
    CCNode* earthButton = mtb ? mtb->getChildByTag(kTagEarthToolButton) : nullptr;
    if (ToolVisible) {
        ToolVisible = false;
        slideToolsBarOut();
        if (earthButton) earthButton->removeChildByTag(kTagEarthToolArrow, true);
        return;
    }
    auto show =
        CCMoveTo::actionWithDuration(0.3f, {win.width / 2, win.height - toolsBcg->contentSize().height});
    toolsBcg->runAction(show.get());
    ToolVisible = true;
    if (ToolBtn) ToolBtn->setNormalImage(frame("tools_menu_icon_click.png").get());

    // The tutorial's marks follow the player from the tools button into the bar.
    Profile* profile = Profile::sharedInstance();
    if (ToolBtn) ToolBtn->removeChildByTag(kTagToolsButtonArrow, true);
    if (earthButton && !earthButton->getChildByTag(kTagEarthToolArrow)) {
        Ref<CCTutorialArrow> arrow = CCTutorialArrow::arrow();
        const CGSize size = earthButton->contentSize();
        arrow->setPosition({size.width / 2, size.height});
        arrow->setRotation(180);
        earthButton->addChild(arrow.get(), 1, kTagEarthToolArrow);
        if (TutorialFrameDef* def = profile->GetTutorialDef(40)) def->ArrowAfterDone = true;
        ValidateAndPlayTutorial();
    }
    if (ToolBtn && ToolBtn->getChildByTag(kTagToolsButtonMarker)) {
        ToolBtn->removeChildByTag(kTagToolsButtonMarker, true);
        if (TutorialFrameDef* def = profile->GetTutorialDef(53)) def->ArrowAfterDone = true;
    }
}

void Board::slideToolsBarOut()
{
    const CGSize win = board::winSize();
    if (ToolBtn) ToolBtn->setIsEnabled(false);
    auto hide = CCMoveTo::actionWithDuration(0.1f, {win.width / 2, win.height});
    auto done = CCCallBlock::actionWithBlock([this] { ActiveToolBtn(); });
    toolsBcg->runAction(CCSequence::actionOne(hide.get(), done.get()).get());
}

void Board::ActiveToolBtn()
{
    if (!ToolBtn) return;
    ToolBtn->setIsEnabled(true);
    ToolBtn->setNormalImage(frame("tools_menu_icon.png").get());
    ToolBtn->setSelectedImage(frame("tools_menu_icon_click.png").get());
}

void Board::RightCallback(Object*)
{
    if (!mtb || !mtb->children()) return;
    for (Object* child : *mtb->children()) {
        if (static_cast<CCNode*>(child)->getActionByTag(kTagToolScroll)) return;
    }
    if (CurrentToolsMove == 0) return;
    board::playSound("selection_menu");
    for (Object* child : *mtb->children()) {
        auto step = CCMoveBy::actionWithDuration(0.2f, {ToolDist, 0});
        step->setTag(kTagToolScroll);
        static_cast<CCNode*>(child)->runAction(step.get());
    }
    ++CurrentToolsMove;
    refreshArrowFrames();
}

void Board::LeftCallback(Object*)
{
    if (!mtb || !mtb->children() || isActionAlive) return;
    for (Object* child : *mtb->children()) {
        if (static_cast<CCNode*>(child)->getActionByTag(kTagToolScroll)) return;
    }
    if (CurrentToolsMove <= visibleTools() - LastToolCnt) return;
    board::playSound("selection_menu");
    for (Object* child : *mtb->children()) {
        auto step = CCMoveBy::actionWithDuration(0.2f, {-ToolDist, 0});
        step->setTag(kTagToolScroll);
        static_cast<CCNode*>(child)->runAction(step.get());
    }
    --CurrentToolsMove;
    refreshArrowFrames();
}

void Board::ToolInfoCallback(Object*)
{
    ToolInfoVisible = !ToolInfoVisible;
    if (!ToolInfo) return;
    const bool tablet = board::isIpad();
    const CGPoint target{ToolInfoVisible ? (tablet ? 206.0f : 103.0f) : (tablet ? -200.0f : -100.0f),
                         board::winSize().height / 2};
    auto move = CCMoveTo::actionWithDuration(0.3f, target);
    if (ToolInfoVisible) {
        ToolInfo->runAction(CCEaseSineIn::actionWithAction(move).get());
    } else {
        ToolInfo->runAction(CCEaseSineOut::actionWithAction(move).get());
    }
}

// ---- picking a tool

bool Board::isToolUseful(const UpgradeItem& tool) const
{
    int32_t count = 0;
    for (const UpgradeAction* action : actionsOf(tool)) {
        if (action->ID == 9 && tool.ID != kToolExtra2) {
            // One forced spawn at a time: a second would replace the first.
            if (CurrentPuzzleFactory && CurrentPuzzleFactory->isNextSpawnSetTo()) return false;
            count += 1;
            continue;
        }
        const int32_t tiles = static_cast<int32_t>(getAllPuzzlesByType(action->Value1).size());
        count += tiles;
        if (action->Value1 == kPigs && tiles >= 3)
            board::grantAchievementOnce("threelittlepigs", "ACH_PIGS3", 10);
    }
    if (tool.ID == kToolLunchbox) {
        const Profile* profile = Profile::sharedInstance();
        return profile->Start_mineMoves != profile->MaxMineMoves;
    }
    return count > 0;
}

void Board::ToolActionCallback(Object* sender)
{
    auto* button = dynamic_cast<CCMenuItem*>(sender);
    if (!button) return;
    Profile* profile = Profile::sharedInstance();
    const UpgradeItem* tool = profile->GetUpgrade(button->tag());
    if (isActionAlive || !tool) {
        shakeTool(button);
        return;
    }
    if (tool->ID == kTagEarthToolButton) {
        const TutorialFrameDef* lesson = profile->GetTutorialDef(42);
        if (lesson && !lesson->Done && PresentTutorialFrame(42, 5)) SetInputActive(false);
    }
    if (!isToolUseful(*tool)) {
        shakeTool(button);
        return;
    }

    SelectedTool = tool->ID;
    if (ToolInfoVisible) ToolInfoCallback(nullptr);
    profile->increaseUpgradeCount(tool->ID, -1);
    profile->ToolsUsed += 1;
    profile->CurrentTools -= 1;
    board::grantAchievementOnce("diy", "ACH_TOOL1", 5);
    if (profile->ToolsUsed > 499) board::grantAchievementOnce("jackofalltrades", "ACH_TOOLS100", 10);
    TallyAnalytics::logEvent("Tool", {{"Tool", tool->PngName}});

    auto wait = CCDelayTime::actionWithDuration(0.25f);
    auto run = CCCallBlock::actionWithBlock([this] { RunToolAction(); });
    runAction(CCSequence::actionOne(wait.get(), run.get()).get());
    isCheckAwaiting = true;
    BlockInput(kToolBlock);
    showToolBanner(*tool);

    // The pressed button belongs to the bar being rebuilt: the rebuild waits
    // for the slide, well after this press has been handled.
    const CGSize win = board::winSize();
    auto hide = CCMoveTo::actionWithDuration(0.1f, {win.width / 2, win.height});
    auto rebuild = CCCallBlock::actionWithBlock([this] {
        ActiveToolBtn();
        ReinitTools();
    });
    toolsBcg->runAction(CCSequence::actionOne(hide.get(), rebuild.get()).get());
    ToolVisible = false;
}

void Board::shakeTool(CCMenuItem* button)
{
    if (button->getActionByTag(kTagToolShake)) return;
    const CGPoint home = button->position();
    auto shake = CCSequence::actions({CCMoveBy::actionWithDuration(0.1f, {10, 0}).get(),
                                      CCMoveBy::actionWithDuration(0.09f, {-17, 0}).get(),
                                      CCMoveBy::actionWithDuration(0.08f, {13, 0}).get(),
                                      CCMoveTo::actionWithDuration(0.07f, home).get(),
                                      CCDelayTime::actionWithDuration(0.3f).get()});
    shake->setTag(kTagToolShake);
    button->runAction(shake.get());
    board::playSound("tool_no_use");
}

void Board::showToolBanner(const UpgradeItem& tool)
{
    auto banner = frame("tool_label.png");
    const CGSize size = banner->contentSize();
    banner->setAnchorPoint({0, 0.5f});
    banner->setPosition({-size.width, board::winSize().height * 0.8f});
    auto picture = frame(tool.PngName + ".png");
    picture->setScale(0.8f);
    picture->setPosition({size.width / 2, size.height * 0.54f});
    banner->addChild(picture.get());
    auto slide = CCSequence::actions(
        {CCMoveBy::actionWithDuration(0.3f, {size.width, 0}).get(),
         CCDelayTime::actionWithDuration(0.5f).get(),
         CCMoveBy::actionWithDuration(0.3f, {-size.width, 0}).get(),
         CCCallBlockN::actionWithBlock([](CCNode* node) { node->removeFromParentAndCleanup(true); }).get()});
    banner->runAction(slide.get());
    addChild(banner.get(), 8);
}

void Board::RunToolAction()
{
    Profile* profile = Profile::sharedInstance();
    const UpgradeItem* tool = profile->GetUpgrade(SelectedTool);
    if (!tool) {
        SelectedTool = -1;
        return;
    }
    if (const char* sound = toolSoundOf(tool->ID)) board::playSound(sound);
    const std::vector<UpgradeAction*> actions = actionsOf(*tool);
    std::vector<int32_t> collected;
    for (const UpgradeAction* action : actions) {
        if (action->ID == 4) collected.push_back(action->Value1);
    }
    if (collected.size() == 1 && tool->ID != kToolRubble && !actions.empty()) {
        if (const Collectible* kind = profile->GetCollectible(actions.front()->Value1))
            board::playSound(kind->name);
    }
    if (collected.size() >= 2) {
        for (UpgradeAction* action : actions) {
            if (action->ID != 4) action->RunAction(this);
        }
        collectPuzzlesOfManyTypes(collected);
    } else if (tool->ID == kToolLunchbox) {
        profile->Start_mineMoves = std::min(profile->Start_mineMoves + 10, profile->MaxMineMoves);
        ReinitStepsInMine();
    } else {
        for (UpgradeAction* action : actions) action->RunAction(this);
    }

    SelectedTool = -1;
    const bool tablet = board::isIpad();
    auto label = CCExpPoints::expWithPoints(tool->Points, tablet ? 60.0f : 30.0f, tablet ? 860.0f : 410.0f);
    addChild(label.get(), 7);
    profile->AddExp(static_cast<float>(tool->Points), true, true);
}

// ---- what the effects do on the board

void Board::collectPuzzlesOfType(int32_t kind)
{
    chainArray.clear();
    for (Puzzle* tile : getAllPuzzlesByType(kind)) {
        tile->isLocked = false;
        puzzleSelected(tile, false);
    }
    const std::vector<Ref<Puzzle>> collected = chainArray;
    for (const Ref<Puzzle>& tile : collected) {
        reorderChild(tile.get(), 5);
        tile->removeFromBoard();
        tile->DisableEarth();
        if (kind != 2) continue;
        // In at once above the collected tiles; it plays a moment later.
        if (Ref<CCSprite> blast = createExplodeSprite(0.1f)) {
            blast->setPosition(tile->position());
            addChild(blast.get(), 6);
        }
    }
    completeColumn();
}

Ref<CCSprite> Board::createExplodeSprite(float)
{
    return nullptr;
}

void Board::collectPuzzlesOfManyTypes(const std::vector<int32_t>& kinds)
{
    chainArray.clear();
    for (int32_t kind : kinds) {
        for (Puzzle* tile : getAllPuzzlesByType(kind)) {
            tile->isLocked = false;
            puzzleSelected(tile, false);
        }
    }
    const std::vector<Ref<Puzzle>> collected = chainArray;
    for (const Ref<Puzzle>& tile : collected) {
        reorderChild(tile.get(), 5);
        tile->removeFromBoard();
    }
    completeColumn();
}

void Board::replacePuzzlesOfTo(int32_t from, int32_t to)
{
    for (Puzzle* tile : getAllPuzzlesByType(from)) (void)replacePuzzle(tile, to);
}

void Board::nextSpawnSetTo(int32_t kind)
{
    if (CurrentPuzzleFactory) CurrentPuzzleFactory->nextSpawnSetTo(kind);
}

bool Board::PresentTutorialFrame(int32_t frame, int z)
{
    return session::showTutorial(this, frame, z);
}

} // namespace mw
