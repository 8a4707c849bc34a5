#pragma once

namespace mw {

// What the pull tab tells the object that made it (the session).
class CCPullTabViewControllerDelegate {
public:
    virtual ~CCPullTabViewControllerDelegate() = default;
    // The pull tab has left the screen; the owner lets it go now (the
    // controller keeps itself alive until this call returns).
    virtual void onPullTabViewControllerDeactivated() = 0;
};

} // namespace mw
