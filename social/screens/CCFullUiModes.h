#pragma once

#include <optional>
#include <string>

#include "foundation/NSTimer.h"
#include "foundation/Ref.h"

namespace mw {

class CCUIDescription;

// What the two full-UI controllers (the phone's full screen and the
// tablet's bar with its popovers) keep alike besides their pages: the launch
// addresses, the two modes (main, and basic when signed out) with the choice
// between them at start, the navigation description ("globalnav.cuid") that
// feeds their bars' badges, and the restart of fetching after a clean basic
// start. The controller derives from it beside its navigation base. Main thread.
class CCFullUiModes {
public:
    // The main mode is on (else the basic, signed-out mode).
    bool uiHasBeenActivated() const { return uiHasBeenActivated_; }
    // The first page has not been replaced yet.
    bool isFirstPageOfSession() const { return isFirstPageOfSession_; }
    // The first page of the main or basic mode, taken by its first use.
    const std::optional<std::string>& launchUrlStringMainNav() const { return launchUrlStringMainNav_; }
    const std::optional<std::string>& launchUrlStringBasicNav() const { return launchUrlStringBasicNav_; }
    // The navigation description, null before the first load.
    CCUIDescription* currentUIDescription() const { return currentUIDescription_.get(); }

    // Seconds after a basic start before fetching resumes.
    static constexpr double kFetchRestartDelay = 0.1;

protected:
    CCFullUiModes();
    ~CCFullUiModes();

    // With login required `url` becomes the main mode's first page, else the
    // basic mode's, and a basic start without one or with "logout" in it
    // counts as the day's first activation again.
    void setLaunchUrl(const std::optional<std::string>& url, bool loginRequired);
    // The main mode's first page: its launch address, else the basic
    // mode's, else `fallback` (a launch address is taken).
    std::optional<std::string> takeLaunchUrl(std::optional<std::string> fallback);
    // The main mode when the service is unreachable, or when a valid log-in
    // exists and this is not the day's first activation; otherwise the basic
    // mode, and the day's first activation is over.
    static bool mainModeAtStart();
    static std::string navigationDescriptionAddress();
    // Refreshes the navigation description (priority 400) when there is one;
    // else takes the cached or a new record and queues it (priority 1) unless
    // its data is there and final. Answers whether it was there and final.
    bool loadNavigationDescription();
    // Fetching resumes kFetchRestartDelay later; a restart still pending is
    // replaced. cancelFetchRestart drops a pending one (at clean-up).
    void restartFetchingSoon();
    void cancelFetchRestart();

    std::optional<std::string> launchUrlStringMainNav_;
    std::optional<std::string> launchUrlStringBasicNav_;
    Ref<CCUIDescription> currentUIDescription_;
    bool uiHasBeenActivated_ = false;
    bool isFirstPageOfSession_ = false;

private:
    Ref<NSTimer> fetchRestartTimer_;
};

} // namespace mw
