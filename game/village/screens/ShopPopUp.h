#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCCounterDrell;
class CCHoldButton;
class CCLabelTTF;
class CCMenu;
class CCMenuItemSprite;
class CCSprite;

// The shop's modal deal pop-ups: a quantity of one resource, stepped with
// plus and minus buttons that repeat every 0.18 s while held, its total
// price, the player's gold, a confirm and a close button. The shop adds one
// to the HUD at the window's centre (z-order 3) and switches its own and
// the HUD's input off; closing gives both back, reloads the shop in place,
// refreshes the HUD's gold and removes the pop-up.
//
// The shop opens a buy pop-up only when one unit is affordable and a sell
// pop-up only when one unit is in stock, so the quantity starts at 1 with
// every button enabled.
class TradePopUp : public CCNode {
public:
    // Builds the pop-up for a resource identifier; false (logged) for one
    // without a record.
    bool initWithResourceType(int32_t resource);

    // One step up within the limit / down to 0; a refused step plays no
    // sound. The total always shows quantity × unit price afterwards.
    void PlusCallback(Object* sender);
    void MinusCallback(Object* sender);
    // Makes the deal for the quantity shown (0 changes no amounts but still
    // logs and saves), saves and waits, then closes.
    void GoodCallback(Object* sender);
    // Closes without a deal.
    void BadCallback(Object* sender);

    int32_t resourceType() const { return Type; }
    int32_t quantity() const;
    CCHoldButton* plusButton() const { return plus.get(); }
    CCHoldButton* minusButton() const { return minus.get(); }
    CCMenuItemSprite* confirmButton() const { return confirm_.get(); }
    CCMenuItemSprite* closeButton() const { return close_.get(); }
    CCLabelTTF* total() const { return aauto.get(); }
    CCLabelTTF* goldLabel() const { return gold_.get(); }
    CCSprite* background() const { return bcg_.get(); }
    CCMenu* menu() const { return menu_.get(); }

protected:
    // What sets the two kinds apart.
    virtual bool selling() const = 0;

private:
    int32_t unitPrice() const;
    // The most units the deal may reach now: what the gold pays for, or the stock.
    bool canStepUp(int32_t quantity) const;
    void showTotal();
    void close();

    int32_t Type = 0;
    Ref<CCCounterDrell> cntr;
    Ref<CCHoldButton> plus;
    Ref<CCHoldButton> minus;
    Ref<CCLabelTTF> aauto;
    Ref<CCSprite> bcg_;
    Ref<CCMenu> menu_;
    Ref<CCMenuItemSprite> confirm_;
    Ref<CCMenuItemSprite> close_;
    Ref<CCLabelTTF> gold_;
};

// Buys units for gold: Value each, up to what the gold pays for.
class BuyPopUp : public TradePopUp {
public:
    static Ref<BuyPopUp> popUpWithResourceType(int32_t resource);

protected:
    bool selling() const override { return false; }
};

// Sells units from the stock: ValueSell each, up to the stock.
class SellPopUp : public TradePopUp {
public:
    static Ref<SellPopUp> popUpWithResourceType(int32_t resource);

protected:
    bool selling() const override { return true; }
};

} // namespace mw
