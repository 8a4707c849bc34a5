#pragma once

#include "engine/menus/CCMenuItem.h"

namespace mw {

// A sprite menu button that shrinks to 0.92 of its scale while pressed and
// grows back when released, both in 0.1 s. A press during the way back
// starts from the scale it had before the first press, so quick taps never
// leave it smaller. A disabled button does not move.
class CCDownSizeButton : public CCMenuItemSprite {
public:
    using CCMenuItemSprite::CCMenuItemSprite;

    static Ref<CCDownSizeButton> itemFromNormalSprite(CCNode* normal, CCNode* selected,
                                                      CCNode* disabled = nullptr,
                                                      CCMenuCallback callback = {})
    {
        return makeRef<CCDownSizeButton>(normal, selected, disabled, std::move(callback));
    }
    // A button of one sheet frame for both looks, or null when the frame is
    // not loaded.
    static Ref<CCDownSizeButton> itemFromFrameName(const std::string& frame, CCMenuCallback callback);

    void selected() override;
    void unselected() override;

    float originalScale() const { return originalScale_; }

private:
    float originalScale_ = 1.0f;
};

} // namespace mw
