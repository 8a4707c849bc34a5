#pragma once

#include <cstdint>

#include "engine/director/EAGLView.h"
#include "foundation/Ref.h"
#include "platform/UIViewController.h"

namespace mw {

// The key window's root view controller: keeps the display in the two
// portrait orientations, sizes the GL view for a turn and passes turns on to
// the social session. Its view is the director's GL view.
class RootViewController : public UIViewController {
public:
    // Portrait (1) and upside down (2) only.
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;
    void willRotateToInterfaceOrientation(int orientation, double durationSeconds) override;
    void didRotateFromInterfaceOrientation(int previousOrientation) override;

    int32_t newOrientation = 1; // of the last will-rotate event
    float RotateDuration = 0;   // seconds, of the last will-rotate event
    // Laid out over the whole screen, status bar included (set at launch).
    bool wantsFullScreenLayout = false;
    // The director's GL view once launching made it; released on terminate.
    Ref<EAGLView> view;
};

} // namespace mw
