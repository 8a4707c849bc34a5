#include "game/village/StatsCell.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/village/CCCounterDrell.h"
#include "game/village/CCDownSizeButton.h"
#include "game/village/StatsScene.h"
#include "platform/GameCenterScreens.h"

namespace mw {
namespace {

constexpr const char* kPlain = "HelveticaNeue";
constexpr const char* kBold = "HelveticaNeue-Bold";
constexpr ccColor3B kKeyColour{203, 195, 173};
constexpr ccColor3B kValueColour{233, 186, 95};
constexpr ccColor3B kDark{71, 57, 48};
constexpr ccColor3B kLight{240, 231, 188};
constexpr int kTextZ = 4;
constexpr const char* kTaxEventSound = "collect_tax";

bool tablet()
{
    return GlobalObject::sharedInstance()->isIpad;
}

float sized(float onTablet, float onPhone)
{
    return tablet() ? onTablet : onPhone;
}

CGPoint placed(CGPoint onTablet, CGPoint onPhone)
{
    return tablet() ? onTablet : onPhone;
}

std::string text(const std::string& key)
{
    return LocalisationManager::sharedInstance()->getValue(key);
}

Ref<CCLabelTTF> makeLabel(const std::string& s, const char* font, float size, ccColor3B colour)
{
    auto label = CCLabelTTF::labelWithString(s, font, size);
    label->setColor(colour);
    label->setAnchorPoint({0, 0.5f});
    return label;
}

bool hasFrame(const std::string& frame)
{
    return static_cast<bool>(CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame));
}

// The sprite of a loaded frame; an empty one (logged) when it is not loaded.
Ref<CCSprite> frameSprite(const std::string& frame)
{
    if (!hasFrame(frame)) logLine("StatsCell: no frame %s", frame.c_str());
    return CCSprite::spriteWithSpriteFrameName(frame);
}

// The page background: a frame of that name, else the bundle's file.
Ref<CCSprite> backgroundSprite()
{
    const char* name = tablet() ? "stats_bg.jpg" : "stats_bg.png";
    if (hasFrame(name)) return CCSprite::spriteWithSpriteFrameName(name);
    if (Ref<CCSprite> file = CCSprite::spriteWithFile(name)) return file;
    logLine("StatsCell: no page background %s", name);
    return makeRef<CCSprite>();
}

} // namespace

StatsCell::Level StatsCell::levelOf(int32_t cityLevel)
{
    static constexpr Level kLevels[] = {{88, "VILLAGE_LVL_1"}, {101, "VILLAGE_LVL_2"}, {89, "VILLAGE_LVL_3"},
                                        {27, "VILLAGE_LVL_4"}, {90, "VILLAGE_LVL_5"},  {38, "VILLAGE_LVL_6"}};
    if (cityLevel < 1 || cityLevel > 6) return {0, ""};
    return kLevels[cityLevel - 1];
}

int32_t StatsCell::taxForLevel(int32_t cityLevel)
{
    const Profile* p = Profile::sharedInstance();
    switch (cityLevel) {
    case 1:
        return p->GoldLevel1;
    case 2:
        return p->GoldLevel2;
    case 3:
        return p->GoldLevel3;
    case 4:
        return p->GoldLevel4;
    case 5:
        return p->GoldLevel5;
    case 6:
        return p->GoldLevel6;
    default:
        return 0;
    }
}

std::string StatsCell::countdownText(int32_t seconds)
{
    const int32_t minutes = seconds / 60;
    const int32_t hours = minutes / 60;
    const int32_t m = minutes - 60 * hours;
    const int32_t s = seconds - 60 * minutes;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%d%d:%d%d:%d%d", hours / 10, hours % 10, m / 10, m % 10, s / 10,
                  s % 10);
    return buffer;
}

Ref<StatsCell> StatsCell::cellWithIndex(uint32_t index)
{
    auto cell = makeRef<StatsCell>();
    if (!cell->initWithIndex(index)) return nullptr;
    return cell;
}

CCLabelTTF* StatsCell::GenerateLeftText(const std::string& key)
{
    auto label = makeLabel(text(key), kPlain, sized(24, 12), kKeyColour);
    addChild(label.get(), kTextZ);
    return label.get();
}

CCLabelTTF* StatsCell::GenerateRightText(int32_t value)
{
    auto label = makeLabel(format(" %d", value), kPlain, sized(24, 12), kValueColour);
    addChild(label.get(), kTextZ);
    return label.get();
}

void StatsCell::addStatistic(float x, float y, const std::string& key, int32_t value, CCLabelTTF** keep)
{
    CCLabelTTF* keyLabel = GenerateLeftText(key);
    keyLabel->setPosition({x, y});
    CCLabelTTF* valueLabel = GenerateRightText(value);
    valueLabel->setPosition({x + keyLabel->contentSize().width, y});
    values_.emplace_back(key, valueLabel);
    if (keep) *keep = valueLabel;
}

CCLabelTTF* StatsCell::valueForKey(const std::string& key) const
{
    for (const auto& [name, label] : values_) {
        if (name == key) return label;
    }
    return nullptr;
}

bool StatsCell::initWithIndex(uint32_t)
{
    Profile* p = Profile::sharedInstance();
    GlobalObject* global = GlobalObject::sharedInstance();
    const CGSize win = CCDirector::sharedDirector()->winSize();
    const float W = win.width;
    const float H = win.height;

    menu_ = CCMenu::menuWithItems({});
    // The page holds its picture, scaled to the row: one picture serves both
    // resolutions of a device kind, and the page's children keep row points.
    const CGSize row = tablet() ? CGSize{768, 886} : CGSize{320, 419};
    auto page = makeRef<CCSprite>();
    page->setAnchorPoint({0, 0});
    page->setContentSize(row);
    addChild(page.get());
    sprite_ = page.get();
    Ref<CCSprite> art = backgroundSprite();
    art->setAnchorPoint({0, 0});
    const CGSize artSize = art->contentSize();
    if (artSize.width > 0 && artSize.height > 0) {
        art->setScaleX(row.width / artSize.width);
        art->setScaleY(row.height / artSize.height);
    }
    page->addChild(art.get(), -1);

    // The level: picture and title; none outside levels 1..6.
    const Level level = levelOf(p->CityLevel);
    auto name = makeLabel(format("%@", p->VillageName.c_str()), kPlain, sized(34, 17), kValueColour);
    name->setPosition(placed({380, 814}, {W / 2, 370}));
    sprite_->addChild(name.get(), kTextZ);
    if (const UpgradeItem* picture = level.pictureUpgrade ? p->GetUpgrade(level.pictureUpgrade) : nullptr) {
        if (hasFrame(picture->PngName + ".png")) {
            Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(picture->PngName + ".png");
            sprite->setAnchorPoint({0.5f, 0});
            const CGPoint offset = sprite->displayedFrame()->offsetInPixels();
            const CGPoint at = placed({610, 640}, {268, 298});
            sprite->setPosition({at.x - offset.x, at.y - offset.y});
            sprite_->addChild(sprite.get());
            levelPicture_ = sprite.get();
        } else {
            logLine("StatsCell: no level picture %s.png", picture->PngName.c_str());
        }
    }
    auto isA = makeLabel(text("HQ_IS_A"), kPlain, sized(24, 12), kKeyColour);
    isA->setPosition(placed({380, 774}, {W / 2, 350}));
    sprite_->addChild(isA.get(), kTextZ);
    if (*level.titleKey) {
        auto title = makeLabel(text(level.titleKey), kPlain, sized(26, 13), kValueColour);
        title->setPosition(placed({380, 736}, {W / 2, 332}));
        sprite_->addChild(title.get(), kTextZ);
        levelTitle_ = title.get();
    }

    // Headline rows.
    const double perPoint = tablet() ? 0.02 : 0.01;
    struct Headline {
        float y;
        const char* key;
        std::string value;
        CCLabelTTF** keep;
    };
    const Headline headlines[] = {
        {0.54f, "HQ_TOTAL_POINTS", format(" %d", p->Points), &PTLabel},
        {0.51f, "HQ_MAX_SCORE", format(" %d", std::max(p->HighscoreFields, p->HighscoreMine)), &PTMLabel},
        {0.48f, "HQ_FINGER_DISTANCE",
         format(" %d m", static_cast<int32_t>(static_cast<double>(p->FingerLength) * perPoint)), &PTFLabel},
    };
    for (const Headline& row : headlines) {
        auto key = makeLabel(text(row.key), kPlain, sized(24, 12), kKeyColour);
        key->setPosition({W / 2, row.y * H});
        addChild(key.get(), kTextZ);
        auto value = makeLabel(row.value, kPlain, sized(24, 12), kValueColour);
        value->setPosition({W / 2 + key->contentSize().width, row.y * H});
        addChild(value.get(), kTextZ);
        *row.keep = value.get();
    }

    // The score goes to the leaderboard only when it grew.
    if (p->LastSendPoints < p->Points) {
        p->LastSendPoints = p->Points;
        GameCenterManager* manager = global->gameCenterManager.get();
        if (manager && GameCenter::sharedInstance()) {
            manager->reportScore(static_cast<int64_t>(p->Points), "com.zandovar.mw.totalpoints");
        }
    }

    // Two columns of statistics.
    const float left = std::floor(W * (tablet() ? 0.13f : 0.07f));
    const float right = std::floor(W / 2);
    struct Row {
        float y;
        const char* leftKey;
        int32_t leftValue;
        const char* rightKey;
        int32_t rightValue;
    };
    const Row rows[] = {
        {0.39f, "HQ_TAXES_TOTAL", p->TaxesCollected, "HQ_RESOURCES_TOTAL", p->TotalResColl},
        {0.36f, "HQ_MINE_VISITS", p->MineVisits, "HQ_RESOURCES_SPENT", p->TotalResSpend},
        {0.33f, "HQ_FILEDS_VISITS", p->FieldVisits, "HQ_MONEY_EARNED", p->GoldEarned},
        {0.30f, "HQ_MINE_MOVES", p->InMineMoves, "HQ_MONEY_SPENT", p->GoldSpent},
        {0.27f, "HQ_FIELDS_MOVES", p->InFieldMoves, "HQ_BUILDINGS", p->CurrentBuildingCount},
        {0.24f, "HQ_MAX_MINE", p->MaxHarvestMine, "HQ_TOOLS_USED", p->ToolsUsed},
        {0.21f, "HQ_MAX_FIELDS", p->MaxHarvestField, "HQ_WORKERS_HIRED", p->WorkersBought},
        {0.18f, "HQ_HIGSCORE_MINE", p->HighscoreMine, "HQ_RATS_KILLED", p->RatsKilled},
        {0.15f, "HQ_HIGSCORE_FIELDS", p->HighscoreFields, "HQ_WOLVES_KILLED", p->WolfsKilled},
        {0.12f, "HQ_YEAR", 4 * p->stepsToChangeSeason, "HQ_PLANTS_EATEN", p->PlantsByRats},
        {0.09f, "HQ_SUPPLIES", p->MaxMineMoves, "HQ_ANIMALS_EATEN", p->AnimalsByWolfs},
        {0.06f, "HQ_BONUS_COINS", p->GetCollectibleCount(21) + p->GetCollectibleCount(22), "HQ_EXPLOSIONS",
         p->MethanExplosions},
    };
    for (const Row& row : rows) {
        const bool taxes = row.leftKey == std::string("HQ_TAXES_TOTAL");
        const bool earned = row.rightKey == std::string("HQ_MONEY_EARNED");
        addStatistic(left, row.y * H, row.leftKey, row.leftValue, taxes ? &TaxesColl : nullptr);
        addStatistic(right, row.y * H, row.rightKey, row.rightValue, earned ? &earnedlab : nullptr);
    }

    // The collect button and its two texts.
    Ref<CCSprite> normal = frameSprite("button_taxes.png");
    Ref<CCSprite> selected = frameSprite("button_taxes.png");
    Ref<CCSprite> disabled = frameSprite("button_taxes_off.png");
    auto button = CCMenuItemSprite::itemFromNormalSprite(
        normal.get(), selected.get(), disabled.get(), [this](Object* sender) { CollectTaxCallback(sender); });
    button->setAnchorPoint({0.5f, 0.5f});
    tax_ = button.get();
    const CGSize box = button->contentSize();
    auto shadow = CCLabelTTF::labelWithString(text("HQ_BUTTON_TAXES"), kBold, sized(30, 15));
    shadow->setPosition({box.width / 2 + 1, box.height / 2 - 1});
    button->addChild(shadow.get());
    btn_lay_b = shadow.get();
    auto face = CCLabelTTF::labelWithString(text("HQ_BUTTON_TAXES"), kBold, sized(30, 15));
    face->setPosition({box.width / 2, box.height / 2});
    button->addChild(face.get());
    btn_lay = face.get();
    setButtonColours(true);
    if (p->CurrentTaxes == 0) {
        setButtonColours(false);
        button->setIsEnabled(false);
    }
    button->setPosition(placed({-175, -4}, {-96, -10}));
    menu_->addChild(button.get());

    if (GlobalObject::isGameCenterAvailable()) {
        if (auto achievements = CCDownSizeButton::itemFromFrameName(
                "icon_achievments.png", [this](Object* sender) { AchievementsCallback(sender); })) {
            achievements->setPosition(placed({31, 115}, {15, 50}));
            menu_->addChild(achievements.get(), 0);
        }
        if (auto scores = CCDownSizeButton::itemFromFrameName(
                "icon_leaderboards.png", [this](Object* sender) { ScoresCallback(sender); })) {
            scores->setPosition(placed({101, 115}, {56, 50}));
            menu_->addChild(scores.get(), 0);
        }
    }

    auto waiting = makeLabel(format("%d", p->CurrentTaxes), kPlain, sized(36, 18), kValueColour);
    waiting->setPosition(placed({214, 607}, {70, 280}));
    addChild(waiting.get(), kTextZ);
    CurrentTaxes = waiting.get();
    sprite_->addChild(menu_.get());

    placeChest(p->CurrentTaxes >= 1 ? "chest_open.png" : "chest_closed.png", placed({276, 656}, {98, 305}));

    const auto seconds = static_cast<int32_t>(global->GetTimeTillNotification(GlobalObject::kTaxEvent));
    if (seconds >= 0) {
        showCounting(seconds);
        tax_->setIsEnabled(false);
        setButtonColours(false);
    }

    // Trophies of the two trophy tile kinds, on the level picture.
    const int32_t trophies = p->GetCollectibleCount(23) + p->GetCollectibleCount(24);
    if (trophies >= 1 && levelPicture_) {
        const CGSize picture = levelPicture_->contentSize();
        Ref<CCSprite> trophy = frameSprite("trophy.png");
        trophy->setPosition({picture.width, 0.2f * trophy->contentSize().height});
        trophy->setScale(0.5f);
        levelPicture_->addChild(trophy.get());
        auto badge = CCCounterDrell::counterWithNumber(trophies);
        badge->setPosition({picture.width + sized(20, 10), 0});
        levelPicture_->addChild(badge.get());
    }

    scheduleUpdate();
    ValidateAchievement();
    return true;
}

void StatsCell::setButtonColours(bool ready)
{
    if (!btn_lay_b || !btn_lay) return;
    btn_lay_b->setColor(ready ? kLight : kDark);
    btn_lay->setColor(ready ? kDark : kLight);
}

void StatsCell::placeChest(const char* frame, CGPoint at)
{
    if (Box) Box->removeFromParentAndCleanup(true);
    Ref<CCSprite> chest = frameSprite(frame);
    chest->setAnchorPoint({1, 0});
    chest->setPosition(at);
    sprite_->addChild(chest.get());
    Box = chest.get();
}

void StatsCell::showCounting(int32_t seconds)
{
    const std::string countdown = countdownText(seconds);
    btn_lay_b->setString(countdown);
    btn_lay->setString(countdown);
}

void StatsCell::showReady()
{
    tax_->setIsEnabled(true);
    const std::string caption = text("HQ_BUTTON_TAXES");
    btn_lay_b->setString(caption);
    btn_lay->setString(caption);
    setButtonColours(true);
    const CGSize box = tax_->contentSize();
    btn_lay_b->setPosition({box.width / 2 + 1, box.height / 2 - 1});
    btn_lay->setPosition({box.width / 2, box.height / 2});
    placeChest("chest_open.png", placed({276, 656}, {104, 278}));
    CurrentTaxes->setString(format("%d", Profile::sharedInstance()->CurrentTaxes));
}

void StatsCell::update(float)
{
    // An event overdue by up to a second still counts (as 0); one overdue by
    // one to two seconds, or none queued, makes the button ready.
    const auto seconds = static_cast<int32_t>(
        GlobalObject::sharedInstance()->GetTimeTillNotification(GlobalObject::kTaxEvent));
    if (seconds >= 0) {
        showCounting(seconds);
    } else if (seconds == -1 && !tax_->isEnabled()) {
        showReady();
    } else if (tax_->isEnabled()) {
        // The page can turn ready up to two seconds before the global tick
        // fires the event and fills the chest; the waiting gold follows then.
        const std::string waiting = format("%d", Profile::sharedInstance()->CurrentTaxes);
        if (CurrentTaxes->string() != waiting) CurrentTaxes->setString(waiting);
    }
}

void StatsCell::CollectTaxCallback(Object*)
{
    GlobalObject* global = GlobalObject::sharedInstance();
    Profile* p = Profile::sharedInstance();
    (void)global->PlaySoundEffect(kTaxEventSound);
    const int32_t taxes = taxForLevel(p->CityLevel);
    p->TaxesCollected += taxes;
    p->GoldCount += taxes;
    p->GoldEarned += taxes;
    p->CurrentTaxes = 0;
    ValidateAchievement();

    CurrentTaxes->setString("0");
    TaxesColl->setString(format(" %d", p->TaxesCollected));
    earnedlab->setString(format(" %d", p->GoldEarned));
    placeChest("chest_closed.png", placed({276, 656}, {98, 305}));
    tax_->setIsEnabled(false);
    // The screen holds the table, whose container holds this row.
    for (CCNode* up = parent(); up; up = up->parent()) {
        if (auto* screen = dynamic_cast<StatsScene*>(up)) {
            screen->UpdateBar();
            break;
        }
    }
    setButtonColours(false);

    const int index = std::min(2, static_cast<int>(3.0f * Random::random01()));
    global->GenerateNotification(static_cast<int32_t>(p->TaxTimeH), static_cast<int32_t>(p->TaxTimeM),
                                 static_cast<int32_t>(p->TaxTimeS), kTaxTexts[index], GlobalObject::kTaxEvent,
                                 true);
    showCounting(std::max(0, static_cast<int32_t>(global->GetTimeTillNotification(GlobalObject::kTaxEvent))));

    if (Ref<CCParticleSystemQuad> burst = CCParticleSystemQuad::particleWithFile("tax.plist")) {
        burst->setAutoRemoveOnFinish(true);
        const CGSize chest = Box->contentSize();
        burst->setPosition({chest.width / 2, chest.height / 2});
        Box->addChild(burst.get(), 3);
    }
    p->SaveInBcg();
}

void StatsCell::ValidateAchievement()
{
    GlobalObject* global = GlobalObject::sharedInstance();
    const int32_t collected = Profile::sharedInstance()->TaxesCollected;
    if (collected >= 1000) {
        const std::string id = GlobalObject::achievementIdentifier("deathandtaxes");
        if (!global->IsAchievementDone(id)) global->AchievementDone(id, "ACH_TAX10000", 20);
    } else if (collected >= 200) {
        const std::string id = GlobalObject::achievementIdentifier("taxcollector");
        if (!global->IsAchievementDone(id)) global->AchievementDone(id, "ACH_TAX1000", 10);
    }
}

void StatsCell::SetActive(bool active)
{
    if (menu_) menu_->setIsTouchEnabled(active);
}

void StatsCell::AchievementsCallback(Object*)
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    ShowAchievements();
}

void StatsCell::ScoresCallback(Object*)
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    ShowLeaderboards();
}

void StatsCell::ShowAchievements()
{
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service) return;
    presentAchievementsScreen(*service, [] {});
}

void StatsCell::ShowLeaderboards()
{
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service) return;
    presentLeaderboardScreen(*service, "", [] {});
}

} // namespace mw
