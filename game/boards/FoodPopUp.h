#pragma once

#include <array>
#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"
#include "game/boards/PopUpOpener.h"

namespace mw {

class CCFoodBar;
class CCHoldButtonImage;
class CCLabelTTF;
class CCMenu;
class CCMenuItem;
class CCSprite;

// What the food pop-up asks of the screen it stands on: the map layer
// collects its waiting bonuses when the pop-up opens and stops when the mine
// starts; the HUD (the pop-up's parent) gets its input back when it closes
// and shows the new gold. Every operation defaults to doing nothing.
class FoodPopUpHost : public PopUpOpener {
public:
    void SetInputActive(bool) override {}
    // YES when an item was collected.
    virtual bool CollectAllBonuses() { return false; }
    virtual void StopWithRelease() {}
    virtual void UpdateTopBar() {}
};

// The pop-up between the village map and a mine session: each tap on a food
// takes one unit from the stock and adds its moves to the coming session's
// budget (Start_mineMoves) up to MaxMineMoves; with the market owned, gold
// buys ten moves at a time; the start button fades to the mine. Opening
// saves the profile and marks the session's return point; closing puts back
// every food and coin it took. The opener adds it at z-order 6 and switches
// its own input off.
class FoodPopUp : public CCNode {
public:
    static constexpr int kTagBadge = 936;
    static constexpr int kTagArrow = 435;
    static constexpr int kTagStartArrow = 436;
    static constexpr int kTagShadowLabel = 796;
    static constexpr int kTagFrontLabel = 698;
    static constexpr int kTagCoinPanel = 796;
    static constexpr int32_t kMovesPrice = 100;
    static constexpr int32_t kMovesBought = 10;

    // `mapLayer` may be null (no bonuses to collect, nothing to stop).
    static Ref<FoodPopUp> popUpWithLayer(FoodPopUpHost* mapLayer);
    bool initWithLayer(FoodPopUpHost* mapLayer);

    void AddFoodCallback(Object* sender);
    void ResetCallback(Object* sender);
    void MineCallback(Object* sender);
    void CloseCallback(Object* sender);
    void ResetState();
    void SetInputActive(bool active) override;
    void CloseMicro(Object* sender);
    void ClearAfterMicro();
    void MoveWithTutorial() override;

    // Scene-file members (held by the scene file's tree).
    CCNode* bcg = nullptr;
    CCNode* FoodsMenu = nullptr;
    CCHoldButtonImage* BreadButton = nullptr;
    CCHoldButtonImage* SoupButton = nullptr;
    CCHoldButtonImage* PieButton = nullptr;
    CCHoldButtonImage* FlockButton = nullptr;
    CCHoldButtonImage* DroveButton = nullptr;
    CCHoldButtonImage* HerdButton = nullptr;
    CCSprite* S1 = nullptr;
    CCSprite* S2 = nullptr;
    CCSprite* S3 = nullptr;
    CCSprite* S4 = nullptr;
    CCSprite* S5 = nullptr;
    CCSprite* S6 = nullptr;
    CCMenuItem* CraftButt = nullptr;
    CCMenuItem* CloseButton = nullptr;
    CCMenuItem* ResetButton = nullptr;
    CCNode* FoodBarMarker = nullptr;
    CCNode* StepsMarker = nullptr;

    Ref<CCFoodBar> FoodBar;
    Ref<CCFoodBar> cFoodBar;
    Ref<CCLabelTTF> MaxLabel;
    std::array<int32_t, 6> StarResources{}; // BREAD, SOUP, PIE, FLOCK, DROVE, HERD
    int32_t StartSteps = 0;
    std::array<bool, 6> AchievementHelper{}; // BREAD, SOUP, PIE, FLOCK, HERD, DROVE
    int32_t GoldUsed = 0;

    CCNode* sceneRoot() const { return sceneRoot_.get(); }
    CCMenu* foodsMenu() const;
    // The food button of a resource identifier (1..6), or null.
    CCHoldButtonImage* buttonOf(int32_t resource) const;

private:
    void setUpFoodButtons();
    void setUpLabels();
    void enableStart(bool enabled);
    void moveArrows(CCHoldButtonImage* sender, bool& stop);

    FoodPopUpHost* mapLayer_ = nullptr;
    Ref<CCNode> sceneRoot_;
};

} // namespace mw
