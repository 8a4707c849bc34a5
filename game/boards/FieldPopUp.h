#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCMenu;
class CCSprite;

// The gate to a field session, opened by the village map over the HUD: it
// explains the fields, shows the price of a session and offers to close or
// to pay. Paying with enough gold spends it and fades into the field scene;
// with too little it slides in the coin-pack panel.
//
// The opener adds the pop-up to the HUD at z-order 6 and switches its own
// input and the HUD's off; closing gives both back (through CCNode's
// SetInputActive, and the HUD's current layer when the HUD is a VillageGate).
class FieldPopUp : public CCNode {
public:
    static constexpr int32_t kPrice = 30;
    static constexpr int kTagCoinPanel = 796;
    static constexpr int32_t kTutorialFrame = 29;
    // The tutorial pop-up stands over the buttons and the coin-pack panel.
    static constexpr int kTutorialZ = 7;

    // `layer` is the village map (not kept).
    // Collects its bonuses and saves the profile before anything is paid.
    static Ref<FieldPopUp> popUpWithLayer(CCNode* layer);
    bool initWithLayer(CCNode* layer);

    // ---- buttons
    void Close(CCNode* sender);
    void BuyMore(CCNode* sender);
    void Play(CCNode* sender);
    void CloseMicro(CCNode* sender);
    // Pays and replaces the running scene with the fields.
    void SwitchScene();
    void ClearAfterMicro();

    // Switches the buttons' touches; nothing when they already are so.
    void SetInputActive(bool active) override;
    void MoveWithTutorial() override { SetInputActive(true); }

    // Presents the tutorial pop-up of `frame` (the session's tutorial maker)
    // over the pop-up at z-order 7 at the window's centre. YES when it was
    // shown: the opener then keeps the input off until the pop-up's dismissal
    // sends MoveWithTutorial. NO (logged once) when none could be made.
    bool ShowTutorialFrame(int32_t frame);

    CCSprite* background() const { return bcg.get(); }
    CCMenu* buttons() const { return menu.get(); }
    // The coin-pack panel while it is shown, or null.
    CCNode* coinPanel() const;

protected:
    Ref<CCSprite> bcg;
    Ref<CCMenu> menu;

private:
    void buildLayout();
};

} // namespace mw
