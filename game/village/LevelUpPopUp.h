#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCMenuItem;
class CCSprite;

// The celebration of a new player level, opened by the experience bar on the
// HUD at the window's centre (the HUD's and the layer's input off). Making it
// pays the level's gold reward (0 for a level the bonus list does not
// reach), plays "level_up" and saves in the background; it then shows rays,
// the trophy, "LEVEL" and the number in letter images, the reward line and
// sparks until its continue button closes it.
class LevelUpPopUp : public CCNode {
public:
    static Ref<LevelUpPopUp> popUp();
    bool init();
    ~LevelUpPopUp() override;

    // Closes: the HUD's top bar, its input and the layer's back on, the
    // layer's tutorial check, then the pop-up leaves its parent.
    void CloseCallback(Object* sender);
    void AddBlik();
    void ShowAllChildren();
    void SpawnParticle(float dt);

    // The reward of `level`: entry level - 1 of the levels' bonus list, 0
    // beyond it.
    static int32_t rewardForLevel(int32_t level);
    // The letter images of a level's word: "L", "E", "V", "E", "L", digits.
    static std::vector<std::string> letterFrames(int32_t level);

    int32_t bonus() const { return Bonus; }
    CCSprite* background() const { return bcg.get(); }
    CCSprite* trophy() const { return ico.get(); }
    CCNode* rewardLine() const { return rew.get(); }
    CCNode* levelWord() const { return word_.get(); }
    CCMenuItem* continueButton() const { return continue_; }
    // Half the side of the box the sparks fall in, around the pop-up's origin.
    static float sparkRadius();

private:
    void buildContent(bool tablet);
    void addContinueButton(CGPoint at, float captionSize);

    Ref<CCSprite> ico;
    int32_t Bonus = 0;
    Ref<CCNode> rew;
    Ref<CCSprite> bcg;
    Ref<CCNode> word_;
    CCMenuItem* continue_ = nullptr; // held by its menu
};

} // namespace mw
