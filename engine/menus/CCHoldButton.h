// The hold-to-repeat buttons: menu buttons that fire while the finger stays
// on them instead of when it lifts.

#pragma once

#include "engine/menus/CCMenuItem.h"

namespace mw {

// The timing both hold buttons share, over the item kind they draw as.
//
// Pressed (selected), the button counts the time held; once the count passes
// the hold time it fires and starts counting again from 0 (the time beyond
// the hold time is not carried over), and keeps doing so while held when
// repeating is on; with repeating off it stops after the first firing.
// Released (unselected) before anything fired, it fires once. The menu's
// activation at the end of a touch adds nothing. Firing ignores the enabled
// flag: disabling a held button does not stop it; the end of the touch does.
template <typename Item> class CCHoldButtonOf : public Item {
public:
    using Item::Item;

    // Seconds of holding before the button fires; 0 until set (it then
    // fires at the first frame after the press).
    void SetActionRunTime(float seconds) { ActionRunTime = seconds; }
    // Keep firing every hold time while held; off until set.
    void SetHoldRepeatAction(bool repeat) { HoldRepeatAction = repeat; }

    void activate() override { }

    void selected() override
    {
        Counter = 0;
        RunAtLOnce = false;
        this->scheduleUpdate();
        Item::selected();
    }

    void unselected() override
    {
        this->unscheduleUpdate();
        Item::unselected();
        if (Counter < ActionRunTime && !RunAtLOnce && firesOnShortTap()) this->invokeCallback();
    }

    void update(float dt) override
    {
        Counter += dt;
        if (Counter <= ActionRunTime) return;
        RunAtLOnce = true;
        this->invokeCallback();
        Counter = 0;
        if (!HoldRepeatAction) {
            this->unscheduleUpdate();
            afterSingleFiring();
        }
    }

    float actionRunTime() const { return ActionRunTime; }
    bool holdRepeatAction() const { return HoldRepeatAction; }

protected:
    // Whether a release before the hold time fires once.
    virtual bool firesOnShortTap() const { return true; }
    // What follows the one firing of a button that does not repeat.
    virtual void afterSingleFiring() { }

    float ActionRunTime = 0;
    float Counter = 0; // seconds held since the press or the last firing
    bool HoldRepeatAction = false;
    bool RunAtLOnce = false; // fired during the current press
};

// A hold button drawn with three nodes. A short tap fires once on release.
class CCHoldButton : public CCHoldButtonOf<CCMenuItemSprite> {
public:
    using CCHoldButtonOf::CCHoldButtonOf;

    static Ref<CCHoldButton> itemFromNormalSprite(CCNode* normal, CCNode* selected,
                                                  CCNode* disabled = nullptr, CCMenuCallback callback = {})
    {
        return makeRef<CCHoldButton>(normal, selected, disabled, std::move(callback));
    }
};

// A hold button drawn with three image files. A short tap fires only when
// repeating is on, and a button that does not repeat shows its normal state
// as soon as it has fired, while the finger is still down: a long-hold
// confirmation that a tap cannot trigger.
class CCHoldButtonImage : public CCHoldButtonOf<CCMenuItemImage> {
public:
    using CCHoldButtonOf::CCHoldButtonOf;

    // Null when the normal image cannot be loaded (the sprite logs it).
    static Ref<CCHoldButtonImage> itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                      const std::string& disabled = {},
                                                      CCMenuCallback callback = {});

protected:
    bool firesOnShortTap() const override { return HoldRepeatAction; }
    void afterSingleFiring() override { unselected(); }
};

} // namespace mw
