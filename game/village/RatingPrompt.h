#pragma once

#include <functional>
#include <memory>
#include <string>

#include "foundation/Clock.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/AlertView.h"
#include "platform/HTTPTransport.h"

namespace mw {

// Counts the uses of each version of the game and, once the player has used
// it for five days and more than twenty times while online, asks whether they
// want to rate it (rate, no, later). Counting runs on a thread of its own,
// one count at a time; the alert lives on the main thread. The counters are
// user defaults. The time of a use is read when the use is reported, on the
// reporting thread, and travels with the count: a counting thread that gets
// a core late still dates the use as it happened.
class RatingPrompt : public Object, public AlertViewDelegate, public HTTPConnectionDelegate {
public:
    static constexpr const char* kCurrentVersion = "kRatingPromptCurrentVersion";
    static constexpr const char* kFirstUseDate = "kRatingPromptFirstUseDate";
    static constexpr const char* kUseCount = "kRatingPromptUseCount";
    static constexpr const char* kSignificantEventCount = "kRatingPromptSignificantEventCount";
    static constexpr const char* kRatedCurrentVersion = "kRatingPromptRatedCurrentVersion";
    static constexpr const char* kDeclinedToRate = "kRatingPromptDeclinedToRate";
    static constexpr const char* kReminderRequestDate = "kRatingPromptReminderRequestDate";

    static constexpr double kDaysUntilPrompt = 432000;   // seconds since the first use
    static constexpr int kUsesUntilPrompt = 20;          // more than this many uses
    static constexpr int kSignificantEventsUntilPrompt = 0;
    static constexpr double kTimeBeforeReminding = 172800; // seconds since "later"

    // The game's numeric identifier in the store and the store's host.
    static constexpr int kStoreAppID = 482913570;
    static constexpr const char* kReviewTemplate =
        "itms-apps://apps.zandovar.com/WebObjects/MZStore.woa/wa/viewContentsUserReviews?"
        "type=Purple+Software&id=APP_ID";
    // The page asked for when checking the network (its answer is ignored).
    static constexpr const char* kProbeURL = "http://www.zandovar.com/";

    static RatingPrompt* sharedInstance();
    // Counts a use on a thread of its own; with mayPrompt the alert may follow
    // on the main thread.
    static void appLaunched(bool mayPrompt = true);
    static void appEnteredForeground(bool mayPrompt);
    static void userDidSignificantEvent(bool mayPrompt);
    // Dismisses the alert without an answer.
    static void appWillResignActive();
    static void rateApp();
    // Waits for the counting threads started so far (tests, shutdown).
    static void waitForCounting();
    // Where one count's work runs: a new detached thread unless replaced (a
    // test holds the work back with its own). Null restores the thread.
    // Answers the previous runner (null for the thread).
    using CountingRunner = std::function<void(std::function<void()> work)>;
    static CountingRunner setCountingRunner(CountingRunner runner);

    // `now` is the time of the use or event, in seconds since 1970; the
    // default reads the clock on the calling thread.
    void incrementUseCount(double now = Clock::wallSeconds());
    void incrementSignificantEventCount(double now = Clock::wallSeconds());
    bool ratingConditionsHaveBeenMet(double now = Clock::wallSeconds());
    bool connectedToNetwork();
    void showRatingAlert();
    void hideRatingAlert();
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override;

    Ref<AlertView> ratingAlert;

    // One counted use or event made at `now` and, when allowed and due, the
    // prompt (the counting thread's work; public so the threads and tests
    // reach it).
    void incrementAndRateOnThread(bool mayPrompt, bool significantEvent, double now);

private:
    void increment(const char* counter, double now);
    std::unique_ptr<HTTPConnection> probe_;
};

} // namespace mw
