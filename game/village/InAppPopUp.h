#pragma once

#include <cstdint>
#include <string>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"
#include "game/village/InAppFrame.h"

namespace mw {

class CCLabelTTF;
class CCMenuItemSprite;
class CCSprite;

// The modal frame shown while a coin-pack payment runs. The coin-pack list
// makes it, adds it at the window's centre at z-order 5 of the village scene
// (or of a board's scene), attaches it to the purchase service and asks for
// the payment; the service then reports progress, failure or success here.
//
// Connecting (no button) -> in progress -> failed (done button b2; later
// reports may still change the text, and a late success still wins) or
// succeeded (done button b3 and the gold row; final, though a further
// purchase's success updates the row). The done button
// detaches the frame from the service, gives the input back to whatever lies
// under it and removes the frame; reports after that reach nothing.
class InAppPopUp : public CCNode, public InAppFrame {
public:
    static Ref<InAppPopUp> popUp();
    bool initFrame();
    ~InAppPopUp() override;

    // Progress text in the header, unless the purchase succeeded.
    void SetText(const std::string& text) override;
    // The failure text and the done button b2, unless the purchase succeeded.
    void Failed(const std::string& text) override;
    // Switches to the success state with the gold the pack brought and logs
    // the purchase; a further success (another purchase) is logged too and
    // its gold replaces the row's.
    void Success(int32_t gold) override;
    // Detaches, gives the input back (see the class comment), removes the frame.
    void DoneCallback(Object* sender);
    // Makes the service forget the frame, then DoneCallback.
    void CancelCallback(Object* sender);

    bool succeeded() const { return succes; }
    CCSprite* background() const { return bcg.get(); }
    CCLabelTTF* headerLabel() const { return header.get(); }
    CCMenuItemSprite* failedButton() const { return b2.get(); }
    CCMenuItemSprite* successButton() const { return b3.get(); }
    // The "+n" row (null until a success).
    CCNode* goldRow() const { return goldRow_.get(); }

private:
    void giveInputBack();

    Ref<CCSprite> bcg;
    Ref<CCLabelTTF> header;
    Ref<CCMenuItemSprite> b2;
    Ref<CCMenuItemSprite> b3;
    Ref<CCNode> goldRow_;
    bool succes = false;
};

} // namespace mw
