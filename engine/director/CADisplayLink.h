#pragma once

#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {

// A callback tied to the refresh of the screen: once added, it calls its
// target's selector (with the link as argument) at every frameInterval-th
// refresh. Whatever shows the frames reports each refresh through
// displayDidRefresh: the window's loop after it has waited for the next
// refresh (vsync, or a timer where there is none), the headless driver after
// each fixed step. Main thread only.
//
// A link added to the refreshes retains its target until it is invalidated,
// as the platform's display link did.
class CADisplayLink : public Object {
public:
    // A link that is not yet added; the target is retained once it is.
    static Ref<CADisplayLink> displayLinkWithTarget(Object* target, SEL_CallO selector);
    CADisplayLink(Object* target, SEL_CallO selector) : pendingTarget_(target), selector_(selector) {}

    // Refreshes per call; values below 1 are taken as 1 (0 used to mean
    // "undefined" on the device).
    int frameInterval() const { return frameInterval_; }
    void setFrameInterval(int interval);
    // Joins the refreshes; the next call comes frameInterval refreshes later.
    void addToRunLoop();
    // Leaves the refreshes for good and lets go of the target.
    void invalidate();
    bool isValid() const { return !invalidated_; }
    // The time of the refresh that made the last call (monotonic seconds).
    double timestamp() const { return timestamp_; }

    // Reports one screen refresh at `timestamp` (monotonic seconds): every
    // link added before it counts it, and those at their interval fire, in
    // the order they were added.
    static void displayDidRefresh(double timestamp);
    // Links currently receiving refreshes.
    static size_t activeLinkCount();

    // Whether what shows the frames reports the screen's refreshes, so that
    // display links can fire: a window does; the headless driver steps a
    // clock instead and turns this off while it runs, which makes the
    // display-link director unavailable there. True unless a driver says
    // otherwise.
    static bool screenRefreshesReported();
    static void setScreenRefreshesReported(bool reported);

private:
    Object* pendingTarget_;
    Ref<Object> target_;
    SEL_CallO selector_ = nullptr;
    int frameInterval_ = 1;
    int refreshesCounted_ = 0;
    double timestamp_ = 0;
    bool added_ = false;
    bool invalidated_ = false;
};

} // namespace mw
