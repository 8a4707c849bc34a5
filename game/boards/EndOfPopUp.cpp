#include "game/boards/EndOfPopUp.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/particles/CCParticleSystem.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/MineBoard.h"
#include "game/boards/SessionHooks.h"
#include "game/defs/Animation.h"
#include "game/defs/XMLManager.h"
#include "game/state/Collectible.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/SessionReturnPoint.h"
#include "game/boards/CCCounterDrell.h"

namespace mw {
namespace {

constexpr int32_t kMarket = 18;
constexpr const char* kBold = "HelveticaNeue-Bold";
constexpr const char* kPlain = "HelveticaNeue";
constexpr ccColor3B kButtonShadow{46, 36, 29};
constexpr ccColor3B kButtonFront{237, 227, 187};
constexpr ccColor3B kValueColour{218, 100, 18};
constexpr ccColor3B kNameColour{118, 89, 79};
constexpr ccColor3B kTipColour{123, 107, 94};

// The valuable kinds counted among the tiles left on the board, per mode.
constexpr int32_t kMineValuables[] = {5, 6, 8, 9, 22, 24};
constexpr int32_t kFieldValuables[] = {12, 15, 16, 19, 21, 23};

float sized(float tablet, float phone)
{
    return board::isIpad() ? tablet : phone;
}

std::string text(const char* key)
{
    return LocalisationManager::sharedInstance()->getValue(key);
}

void click()
{
    board::playSound("selection_menu");
}

Ref<CCLabelTTF> label(const std::string& s, const char* font, float size, ccColor3B colour)
{
    auto made = CCLabelTTF::labelWithString(s, font, size);
    made->setColor(colour);
    return made;
}

// A shadow label one point right and down of the button's centre, the front
// label at the centre (both offset by `shift`).
void twoLayerLabel(CCNode* button, const std::string& s, float size, ccColor3B shadow, ccColor3B front,
                   CGPoint shadowShift = {1, -1}, CGPoint frontShift = {0, 0})
{
    const CGSize box = button->contentSize();
    auto back = label(s, kBold, size, shadow);
    back->setPosition({box.width / 2 + shadowShift.x, box.height / 2 + shadowShift.y});
    button->addChild(back.get(), 1);
    auto top = label(s, kBold, size, front);
    top->setPosition({box.width / 2 + frontShift.x, box.height / 2 + frontShift.y});
    button->addChild(top.get(), 2);
}

Ref<CCMenuItemSprite> button(const char* normal, const char* pressed, CCMenuCallback callback)
{
    auto up = CCSprite::spriteWithSpriteFrameName(normal);
    auto down = CCSprite::spriteWithSpriteFrameName(pressed);
    if (!up || !down) {
        logLine("EndOfPopUp: no frame %s / %s", normal, pressed);
        up = makeRef<CCSprite>();
        down = makeRef<CCSprite>();
    }
    return CCMenuItemSprite::itemFromNormalSprite(up.get(), down.get(), nullptr, std::move(callback));
}

Ref<CCSprite> frameSprite(const std::string& name)
{
    auto sprite = CCSprite::spriteWithSpriteFrameName(name);
    if (!sprite) {
        logLine("EndOfPopUp: no frame %s", name.c_str());
        sprite = makeRef<CCSprite>();
    }
    return sprite;
}

} // namespace

Ref<EndOfPopUp> EndOfPopUp::popUpWithMode(int32_t mode, int32_t tiles, MineBoard* board)
{
    auto popUp = makeRef<EndOfPopUp>();
    if (!popUp->initWithMode(mode, tiles, board)) return nullptr;
    return popUp;
}

bool EndOfPopUp::initWithMode(int32_t mode, int32_t tiles, MineBoard* board)
{
    mode_ = mode;
    SpecialParent = board;
    const CGSize win = board::winSize();
    auto dim = CCLayerColor::layerWithColor(ccc4(0, 0, 0, 128), win.width, win.height);
    addChild(dim.get(), -2);
    menu = CCMenu::menuWithItems({});

    if (mode == 3) {
        buildQuestion();
    } else if (mode == 0 || mode == 1) {
        grantExperienceAchievements();
        buildSummary(mode, tiles);
    } else {
        logLine("EndOfPopUp: no mode %d", mode);
        return false;
    }
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->DoTheBoing(bcg.get());
    menu->setPosition({0, 0});
    bcg->addChild(menu.get());
    return true;
}

void EndOfPopUp::grantExperienceAchievements()
{
    const float exp = Profile::sharedInstance()->StageExp;
    if (exp >= 5000) {
        board::grantAchievementOnce("bigachiever", "ACH_EXP5000", 10);
    } else if (exp >= 500) {
        board::grantAchievementOnce("achiever", "ACH_EXP500", 5);
    }
}

void EndOfPopUp::buildQuestion()
{
    const CGSize win = board::winSize();
    bcg = frameSprite("bg_popup.png");
    bcg->setPosition({win.width / 2, win.height / 2});
    addChild(bcg.get());
    const CGSize box = bcg->contentSize();
    ico = frameSprite("b_granary.png");
    ico->setAnchorPoint({0.5f, 0});
    ico->setPosition({0.5f * box.width, 0.63f * box.height});
    bcg->addChild(ico.get());

    auto head = label(text("EXIT_HEAD"), kBold, sized(36, 18), {82, 69, 66});
    head->setPosition({0.5f * box.width, 0.48f * box.height});
    bcg->addChild(head.get());
    const CGSize block = board::isIpad() ? CGSize{360, 300} : CGSize{180, 150};
    auto body = CCLabelTTF::labelWithString(text("EXIT_BODY"), block, UITextAlignmentCenter, kPlain, sized(20, 10));
    body->setColor({112, 90, 82});
    body->setPosition({0.5f * box.width, 0.1f * box.height});
    bcg->addChild(body.get());

    auto no = button("list_button_dark.png", "list_button_dark_click.png",
                     [this](CCMenuItem* sender) { CloseCallback(sender); });
    twoLayerLabel(no.get(), text("BUTTON_NO"), sized(34, 17), kButtonShadow, kButtonFront);
    no->setPosition({0.3f * box.width, 0.18f * box.height});
    menu->addChild(no.get());
    auto yes = button("sell_button.png", "sell_button_click.png",
                      [this](CCMenuItem* sender) { ReturnToVillageCallback(sender); });
    twoLayerLabel(yes.get(), text("BUTTON_YES"), sized(34, 17), {151, 64, 10}, {255, 255, 255});
    yes->setPosition({0.7f * box.width, 0.18f * box.height});
    menu->addChild(yes.get());
}

void EndOfPopUp::buildSummary(int32_t mode, int32_t tiles)
{
    Profile* profile = Profile::sharedInstance();
    const bool mine = mode == 0;
    const bool tablet = board::isIpad();
    const CGSize win = board::winSize();

    // The distance traced, in the achievements' unit.
    if (mine) {
        const float unit = tablet ? 0.02f : 0.01f;
        session::reportScore("com.zandovar.mw.distancetraced",
                             static_cast<int32_t>(static_cast<float>(profile->FingerLength) * unit));
    }
    // The record of the mode; the better of both modes is the high score.
    int32_t& best = mine ? profile->HighscoreMine : profile->HighscoreFields;
    const int32_t other = mine ? profile->HighscoreFields : profile->HighscoreMine;
    if (profile->StageExp > static_cast<float>(best)) {
        best = static_cast<int32_t>(profile->StageExp);
        record_ = true;
        if (other < best) session::reportScore("com.zandovar.mw.highscores", std::max(best, other));
    }

    bcg = frameSprite("bg_build.png");
    bcg->setPosition({win.width / 2, win.height / 2});
    addChild(bcg.get());
    const CGSize box = bcg->contentSize();
    const auto at = [&](float x, float y) { return CGPoint{x * box.width, y * box.height}; };

    ico = frameSprite(record_ ? "trophy.png" : (mine ? "b_mine.png" : "b_field.png"));
    ico->setAnchorPoint({0.5f, 0});
    ico->setPosition(at(0.5f, 0.76f));
    bcg->addChild(ico.get());
    if (record_) {
        ico->runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(1.05f).get(),
                                             CCCallBlock::actionWithBlock([this] { AddBlik(); }).get())
                           .get());
        Ref<CCSprite> badge = frameSprite("highscore_badge.png");
        badge->setPosition(at(0.8f, 0.8f));
        badge->setOpacity(0);
        bcg->addChild(badge.get());
        badge->runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(1.0f).get(),
                                               CCCallBlockN::actionWithBlock([this](CCNode* node) {
                                                   BoingBadge(node);
                                               }).get())
                             .get());
    }

    auto header = label(text(mine ? "END_MINE_HEADER" : "END_FIELDS_HEADER"), kBold, sized(40, 20), {86, 69, 66});
    header->setPosition(at(0.5f, 0.63f));
    bcg->addChild(header.get());

    // Two labels in one left-anchored group, centred at a point.
    const float gap = sized(10, 5);
    const auto pair = [&](Ref<CCLabelTTF> first, Ref<CCLabelTTF> second, CGPoint centre) {
        auto group = makeRef<CCNode>();
        first->setAnchorPoint({0, 0.5f});
        second->setAnchorPoint({0, 0.5f});
        first->setPosition({0, 0});
        second->setPosition({first->contentSize().width + gap, 0});
        group->addChild(first.get());
        group->addChild(second.get());
        const float width = first->contentSize().width + gap + second->contentSize().width;
        group->setPosition({centre.x - width / 2, centre.y});
        bcg->addChild(group.get());
    };
    const float lineSize = sized(22, 11);
    pair(label(format("+%d", static_cast<int32_t>(profile->StageExp)), kBold, lineSize, kValueColour),
         label(text("EXP"), kBold, lineSize, kNameColour), at(0.35f, 0.56f));
    pair(label(text("TILES"), kBold, lineSize, kNameColour), label(format("%d", tiles), kBold, lineSize, kValueColour),
         at(0.65f, 0.56f));

    const bool market = profile->GetUpgradeCount(kMarket) > 0;
    ContinueButton = market ? button("cancel_button.png", "cancel_button_click.png",
                                     [this](CCMenuItem* sender) { ContinueCallback(sender); })
                            : button("build_button.png", "build_button_click.png",
                                     [this](CCMenuItem* sender) { ContinueCallback(sender); });
    twoLayerLabel(ContinueButton.get(), text(market ? "BUTTON_SKIP" : "BUTTON_OK"), sized(28, 14), kButtonShadow,
                  kButtonFront);
    menu->addChild(ContinueButton.get());

    price_ = mine ? profile->MoreMineMovesPrice * profile->MineBonusBought : profile->SaveFieldPrice;
    InstantButton = button("instantbuy_button.png", "instantbuy_button_click.png", [this, mine](CCMenuItem* sender) {
        if (mine) {
            BuyCallbackMine(sender);
        } else {
            BuyCallback(sender);
        }
    });
    twoLayerLabel(InstantButton.get(), format("%d", price_), sized(28, 14), kButtonShadow, kButtonFront, {20, -1},
                  {19, 0});
    menu->addChild(InstantButton.get());

    const char* const prefix = mine ? "END_MINE_" : "END_FIELDS_";
    const auto tipText = [&](int n) { return text((prefix + std::to_string(n)).c_str()); };
    const float tipSize = sized(22, 11);
    const auto block = [&](int n) {
        auto made = CCLabelTTF::labelWithString(tipText(n), {0.8f * box.width, 0.2f * box.height},
                                                UITextAlignmentCenter, kPlain, tipSize);
        made->setColor(kTipColour);
        made->setPosition(at(0.5f, 0.42f));
        bcg->addChild(made.get());
    };
    const auto line = [&](int n) {
        auto made = label(tipText(n), kPlain, tipSize, kTipColour);
        made->setPosition(at(0.5f, 0.21f));
        bcg->addChild(made.get());
    };
    const auto picture = [&](const char* name) {
        auto made = frameSprite(name);
        made->setPosition(at(0.5f, 0.32f));
        bcg->addChild(made.get());
    };

    if (!market) {
        InstantButton->setIsEnabled(false);
        InstantButton->setVisible(false);
        ContinueButton->setPosition(at(0.5f, 0.14f));
        line(5);
        block(3);
        picture(mine ? "tip_1_mine.png" : "tip1_fields.png");
    } else {
        // Side by side, each button keeps within its third of the panel
        // (the art of some sizes is wider), so neither covers the other.
        for (CCMenuItemSprite* item : {InstantButton.get(), ContinueButton.get()}) {
            const float width = item->contentSize().width;
            if (width > 0.32f * box.width) item->setScale(0.32f * box.width / width);
        }
        InstantButton->setPosition(at(0.67f, 0.14f));
        ContinueButton->setPosition(at(0.33f, 0.14f));
        line(4);
        // The valuable tiles left on the board, by ascending kind.
        std::map<int32_t, int32_t> counts;
        const int32_t* first = mine ? std::begin(kMineValuables) : std::begin(kFieldValuables);
        const int32_t* last = mine ? std::end(kMineValuables) : std::end(kFieldValuables);
        for (const int32_t* k = first; k != last; ++k) counts[*k] = 0;
        int32_t found = 0;
        for (int32_t kind : mine ? profile->SavedMinePuzzles : profile->SavedFieldPuzzles) {
            auto hit = counts.find(kind);
            if (hit == counts.end()) continue;
            ++hit->second;
            ++found;
        }
        if (found > 0) {
            auto row = makeRef<CCNode>();
            float x = 0;
            for (const auto& [kind, count] : counts) {
                if (count < 1) continue;
                const Collectible* tile = profile->GetCollectible(kind);
                auto icon = frameSprite((tile ? tile->pngName : std::string("not found")) + ".png");
                icon->setAnchorPoint({0, 0.5f});
                icon->setPosition({x, 0});
                row->addChild(icon.get());
                auto badge = CCCounterDrell::counterWithNumber(count, false);
                badge->setPosition(tablet ? CGPoint{x + 72, -36} : CGPoint{x + 36, -18});
                row->addChild(badge.get(), 1);
                x += icon->contentSize().width + gap;
            }
            row->setScale(0.82f);
            const float width = (x - gap) * 0.82f;
            row->setPosition({0.5f * box.width - width / 2, 0.32f * box.height});
            bcg->addChild(row.get());
            block(1);
        } else {
            block(2);
            picture(mine ? "tip2_mine.png" : "tip2_fields.png");
        }
    }

    if (!mine) {
        profile->TempExperience += profile->StageExp;
        profile->StageExp = 0;
    }
    if (record_) {
        board::playSound("level_up");
        particles_ = true;
        schedule(schedule_selector(EndOfPopUp::SpawnParticle), 0.3f);
    } else {
        board::playSound("zakonczenie_pol");
    }
}

void EndOfPopUp::SpawnParticle(float)
{
    auto particle = CCParticleSystem::particleWithFile("level_up.plist");
    if (!particle) return;
    const CGSize win = board::winSize();
    const auto r1 = static_cast<float>(::random());
    const auto r2 = static_cast<float>(::random());
    particle->setAutoRemoveOnFinish(true);
    particle->setPosition({win.width / 2 + static_cast<float>(static_cast<int32_t>(win.width / 2.5f * std::cos(r1))),
                           win.height / 2 + static_cast<float>(static_cast<int32_t>(win.height / 2 * std::sin(r2)))});
    addChild(particle.get(), -1);
}

void EndOfPopUp::AddBlik()
{
    XMLManager* manager = XMLManager::sharedInstance();
    Animation* source = manager ? manager->GetAnimationNamed("star_blik.xml") : nullptr;
    if (!source || !ico) return;
    Ref<Animation> blik = source->GenerateNewObject();
    ico->addChild(blik.get());
    blik->PlaceObject();
    blik->StartAnimations(true);
    blik->setPosition({0.3f * ico->contentSize().width, 0.9f * ico->contentSize().height});
}

void EndOfPopUp::BoingBadge(CCNode* badge)
{
    if (auto* sprite = dynamic_cast<CCSprite*>(badge)) sprite->setOpacity(255);
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->DoTheBoing(badge);
}

void EndOfPopUp::leaveBoard()
{
    Ref<EndOfPopUp> self(this);
    if (auto* opener = dynamic_cast<Board*>(parent())) opener->SetInputActive(true);
    removeFromParentAndCleanup(true);
}

void EndOfPopUp::CloseCallback(Object*)
{
    click();
    leaveBoard();
}

void EndOfPopUp::ReturnToVillageCallback(Object*)
{
    click();
    // Back to the session's start: the mark kept in memory (with any gold
    // bought since), else the save file.
    if (!SessionReturnPoint::restore() && !Profile::sharedInstance()->Load()) {
        logLine("EndOfPopUp: no session start to return to; the profile stays as it is");
    }
    leaveBoard();
    session::fadeToVillage();
}

void EndOfPopUp::ContinueCallback(Object*)
{
    click();
    Profile* profile = Profile::sharedInstance();
    if (SpecialParent) {
        profile->TempExperience += profile->StageExp;
        profile->StageExp = 0;
    }
    SessionReturnPoint::clear();
    (void)profile->SaveData();
    if (particles_) unschedule(schedule_selector(EndOfPopUp::SpawnParticle));
    particles_ = false;
    session::fadeToVillage();
}

void EndOfPopUp::openCoinPanel()
{
    if (getChildByTag(kTagCoinPanel)) return;
    click();
    const CGSize win = board::winSize();
    Ref<CCSprite> normal = frameSprite("microtransactions_list_open.png");
    Ref<CCSprite> selected = frameSprite("microtransactions_list_open.png");
    Ref<CCSprite> disabled = frameSprite("microtransactions_list_open.png");
    auto item = CCMenuItemSprite::itemFromNormalSprite(normal.get(), selected.get(), disabled.get(),
                                                       [this](CCMenuItem* sender) { CloseMicro(sender); });
    item->setAnchorPoint({0.5f, 1});
    if (Ref<CCNode> list = session::makeCoinPackList(nullptr)) {
        list->setPosition({-win.width / 2 + item->contentSize().width / 2, -win.height});
        item->addChild(list.get(), -1);
    }
    auto panel = CCMenu::menuWithItems({item.get()});
    panel->setAnchorPoint({0.5f, 1});
    panel->setPosition({win.width / 2, 0});
    addChild(panel.get(), 2, kTagCoinPanel);
    panel->runAction(CCEaseSineIn::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, 0.41f * win.height})).get());
    bcg->runAction(CCEaseSineIn::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, 0.24f * win.height})).get());
}

void EndOfPopUp::BuyCallbackMine(Object*)
{
    Profile* profile = Profile::sharedInstance();
    const int32_t price = profile->MoreMineMovesPrice * profile->MineBonusBought;
    if (profile->GoldCount < price) {
        openCoinPanel();
        return;
    }
    // Without a board (the fallback summary of a touch with no moves) there
    // is nothing to give the moves to: the purchase is refused.
    if (!SpecialParent) {
        logLine("EndOfPopUp: more moves asked without a board; nothing bought");
        return;
    }
    if (particles_) unschedule(schedule_selector(EndOfPopUp::SpawnParticle));
    particles_ = false;
    TallyAnalytics::logEvent("MoneyUsage", {{"MoneyUsage", "Mine More Steps"}});
    click();
    profile->GoldCount -= price;
    profile->GoldSpent -= price;
    MineBoard* board = SpecialParent;
    Ref<EndOfPopUp> self(this);
    board->SetInputActive(true);
    board->ReinitStepsInMineTo(profile->ExtraMineMoves);
    removeFromParentAndCleanup(true);
}

void EndOfPopUp::BuyCallback(Object*)
{
    Profile* profile = Profile::sharedInstance();
    const int32_t price = profile->SaveFieldPrice;
    if (profile->GoldCount < price) {
        openCoinPanel();
        return;
    }
    if (particles_) unschedule(schedule_selector(EndOfPopUp::SpawnParticle));
    particles_ = false;
    TallyAnalytics::logEvent("MoneyUsage", {{"MoneyUsage", "Fields Save"}});
    profile->GoldCount -= price;
    profile->GoldSpent -= price;
    profile->FieldSaved = true;
    click();
    SessionReturnPoint::clear();
    (void)profile->SaveData();
    session::fadeToVillage();
}

void EndOfPopUp::SetInputActive(bool active)
{
    if (menu && menu->isTouchEnabled() != active) menu->setIsTouchEnabled(active);
}

void EndOfPopUp::CloseMicro(Object*)
{
    CCNode* panel = getChildByTag(kTagCoinPanel);
    if (!panel) return;
    if (particles_) unschedule(schedule_selector(EndOfPopUp::SpawnParticle));
    particles_ = false;
    click();
    const CGSize win = board::winSize();
    panel->runAction(
        CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, -0.41f * win.height})).get());
    bcg->runAction(CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, -0.24f * win.height})).get());
    if (menu) menu->setIsTouchEnabled(false);
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(0.5f).get(),
                                    CCCallBlock::actionWithBlock([this] { ClearAfterMicro(); }).get())
                  .get());
}

void EndOfPopUp::ClearAfterMicro()
{
    removeChildByTag(kTagCoinPanel, true);
    if (menu) menu->setIsTouchEnabled(true);
}

} // namespace mw
