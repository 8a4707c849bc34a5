#pragma once

#include <cstdint>

#include "engine/sprites/CCSprite.h"
#include "foundation/Ref.h"

namespace mw {

class CCMenu;
class CCMenuItem;
class CCMenuItemSprite;
class MineBoard;

// The pop-up that closes a board session, added to the board at z-order 15.
//   mode 0: the mine's summary (continue to the village, or buy more moves);
//   mode 1: the field's summary (continue, or buy keeping the field);
//   mode 3: the question whether to leave the session (no: back to the
//           board; yes: back to the village, the session dropped).
// The summaries record the session in the profile when they open: the
// record of the mode, the experience achievements and the scores. The
// session's experience moves to the experience waiting to be credited once:
// at opening in the field, at continue in the mine. A mine session may pass
// through several summaries, one per end of its moves.
class EndOfPopUp : public CCSprite {
public:
    static constexpr int kTagCoinPanel = 796;
    static constexpr int kZOrder = 15;

    // `board` is the mine board of a mode-0 summary (null otherwise).
    static Ref<EndOfPopUp> popUpWithMode(int32_t mode, int32_t tiles = 0, MineBoard* board = nullptr);
    bool initWithMode(int32_t mode, int32_t tiles, MineBoard* board);

    void CloseCallback(Object* sender);
    void ReturnToVillageCallback(Object* sender);
    void ContinueCallback(Object* sender);
    void BuyCallbackMine(Object* sender);
    void BuyCallback(Object* sender);
    // Switches the menu's touches (only when the state differs).
    void SetInputActive(bool active) override;
    void CloseMicro(Object* sender);
    void ClearAfterMicro();
    void SpawnParticle(float dt);
    void AddBlik();
    void BoingBadge(CCNode* badge);

    int32_t mode() const { return mode_; }
    bool isRecord() const { return record_; }
    // The price of the buy button as it was shown.
    int32_t shownPrice() const { return price_; }

    MineBoard* SpecialParent = nullptr; // not retained: the board owns the pop-up
    Ref<CCSprite> bcg;
    Ref<CCSprite> ico;
    Ref<CCMenu> menu;
    Ref<CCMenuItemSprite> InstantButton;
    Ref<CCMenuItemSprite> ContinueButton;

private:
    void buildQuestion();
    void buildSummary(int32_t mode, int32_t tiles);
    void grantExperienceAchievements();
    void openCoinPanel();
    // The board (or nothing) gets its input back and the pop-up leaves it.
    void leaveBoard();

    int32_t mode_ = 0;
    bool record_ = false;
    int32_t price_ = 0;
    bool particles_ = false;
};

} // namespace mw
