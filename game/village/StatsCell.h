#pragma once

#include <cstdint>
#include <string>

#include "engine/tables/CCTableViewCell.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;
class CCMenu;
class CCMenuItemSprite;
class CCSprite;

// The one row of the statistics screen, which holds the whole page: the
// village's level, picture and name, the headline scores, two columns of
// statistics, the tax chest with its collect button and countdown, and the
// game-centre buttons where the service is there.
//
// The tax button has two states: counting (a tax event is queued: countdown
// shown, button disabled) and ready (none queued: button enabled, chest
// open, the waiting gold shown). Collecting moves it from ready to counting;
// the global object's tick fires the event in any scene.
class StatsCell : public CCTableViewCell {
public:
    // The picture upgrade and title key of a city level; none (0, empty)
    // outside 1..6, where the page shows no picture and no title and the
    // taxes collect nothing.
    struct Level {
        int32_t pictureUpgrade;
        const char* titleKey;
    };
    static Level levelOf(int32_t cityLevel);
    // The tax per collection at a city level (0 outside 1..6).
    static int32_t taxForLevel(int32_t cityLevel);
    // "hh:mm:ss" of whole seconds; hours take three digits from 100 hours.
    static std::string countdownText(int32_t seconds);
    // The three texts a tax notification may carry.
    static constexpr const char* kTaxTexts[] = {"NOTIF_TAX_TEXT_1", "NOTIF_TAX_TEXT_2", "NOTIF_TAX_TEXT_3"};

    static Ref<StatsCell> cellWithIndex(uint32_t index);
    bool initWithIndex(uint32_t index);

    // The tax state of this frame (see the class comment).
    void update(float dt) override;
    // Collects the waiting taxes: sound, gold, labels, a closed chest, the
    // next tax event with its notification, a burst and a background save.
    void CollectTaxCallback(Object* sender);
    // The tax achievements: 1000 collected grants the 20-point one, else 200
    // the 10-point one (one looked at per call).
    void ValidateAchievement();
    // Key label at z-order 4 (left column style).
    CCLabelTTF* GenerateLeftText(const std::string& key);
    // " %d" value label at z-order 4.
    CCLabelTTF* GenerateRightText(int32_t value);
    // Switches the page's buttons.
    void SetActive(bool active) override;
    void AchievementsCallback(Object* sender);
    void ScoresCallback(Object* sender);
    void ShowAchievements();
    void ShowLeaderboards();

    // ---- the page's parts, for the screen and tests (owned by the tree)
    CCMenu* menu() const { return menu_.get(); }
    CCMenuItemSprite* taxButton() const { return tax_; }
    CCLabelTTF* pointsLabel() const { return PTLabel; }
    CCLabelTTF* bestLabel() const { return PTMLabel; }
    CCLabelTTF* distanceLabel() const { return PTFLabel; }
    CCLabelTTF* earnedLabel() const { return earnedlab; }
    CCLabelTTF* currentTaxesLabel() const { return CurrentTaxes; }
    CCLabelTTF* taxesCollectedLabel() const { return TaxesColl; }
    CCLabelTTF* buttonShadowText() const { return btn_lay_b; }
    CCLabelTTF* buttonText() const { return btn_lay; }
    CCSprite* chest() const { return Box; }
    CCSprite* background() const { return sprite_; }
    CCSprite* levelPicture() const { return levelPicture_; }
    CCLabelTTF* levelTitle() const { return levelTitle_; }
    // The value label written next to a statistics key, or null.
    CCLabelTTF* valueForKey(const std::string& key) const;

private:
    void addStatistic(float x, float y, const std::string& key, int32_t value, CCLabelTTF** keep = nullptr);
    void placeChest(const char* frame, CGPoint at);
    void showReady();
    void showCounting(int32_t seconds);
    void setButtonColours(bool ready);

    Ref<CCMenu> menu_;
    CCLabelTTF* PTLabel = nullptr;
    CCLabelTTF* PTMLabel = nullptr;
    CCLabelTTF* PTFLabel = nullptr;
    CCLabelTTF* earnedlab = nullptr;
    CCMenuItemSprite* tax_ = nullptr;
    CCLabelTTF* CurrentTaxes = nullptr;
    CCLabelTTF* TaxesColl = nullptr;
    CCLabelTTF* btn_lay_b = nullptr;
    CCLabelTTF* btn_lay = nullptr;
    CCSprite* Box = nullptr;
    CCSprite* sprite_ = nullptr;
    CCSprite* levelPicture_ = nullptr;
    CCLabelTTF* levelTitle_ = nullptr;
    std::vector<std::pair<std::string, CCLabelTTF*>> values_;
};

} // namespace mw
