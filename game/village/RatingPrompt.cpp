#include "game/village/RatingPrompt.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "foundation/Clock.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "platform/ApplicationDelegate.h"
#include "platform/NetworkReachability.h"
#include "platform/URLOpener.h"

namespace mw {

namespace {

// Counting reads, changes and writes several defaults: one count at a time,
// so that counts made together are all kept.
std::mutex gCountLock;

// Threads still counting, so tests and shutdown can wait for them.
std::mutex gRunningLock;
std::condition_variable gRunningDone;
int gRunning = 0;

std::mutex gRunnerLock;
RatingPrompt::CountingRunner gRunner;

void startCounting(bool mayPrompt, bool significantEvent)
{
    // Read here, at the use: the counting thread may start frames later.
    const double now = Clock::wallSeconds();
    RatingPrompt* prompt = RatingPrompt::sharedInstance();
    {
        std::lock_guard<std::mutex> guard(gRunningLock);
        ++gRunning;
    }
    std::function<void()> work = [prompt, mayPrompt, significantEvent, now] {
        prompt->incrementAndRateOnThread(mayPrompt, significantEvent, now);
        std::lock_guard<std::mutex> guard(gRunningLock);
        if (--gRunning == 0) gRunningDone.notify_all();
    };
    RatingPrompt::CountingRunner runner;
    {
        std::lock_guard<std::mutex> guard(gRunnerLock);
        runner = gRunner;
    }
    if (runner) runner(std::move(work));
    else std::thread(std::move(work)).detach();
}

} // namespace

RatingPrompt* RatingPrompt::sharedInstance()
{
    static std::mutex lock;
    static std::atomic<RatingPrompt*> instance{nullptr};
    if (RatingPrompt* made = instance.load()) return made;
    std::lock_guard<std::mutex> guard(lock);
    if (!instance.load()) {
        // Lives to the end of the process.
        auto* made = new RatingPrompt();
        made->retain();
        NotificationCenter::defaultCenter().addObserver(nullptr, UIApplicationWillResignActiveNotification, nullptr,
                                                        [](const Notification&) { appWillResignActive(); });
        instance = made;
    }
    return instance.load();
}

void RatingPrompt::appLaunched(bool mayPrompt) { startCounting(mayPrompt, false); }

void RatingPrompt::appEnteredForeground(bool mayPrompt) { startCounting(mayPrompt, false); }

void RatingPrompt::userDidSignificantEvent(bool mayPrompt) { startCounting(mayPrompt, true); }

void RatingPrompt::appWillResignActive() { sharedInstance()->hideRatingAlert(); }

void RatingPrompt::waitForCounting()
{
    std::unique_lock<std::mutex> guard(gRunningLock);
    gRunningDone.wait(guard, [] { return gRunning == 0; });
}

RatingPrompt::CountingRunner RatingPrompt::setCountingRunner(CountingRunner runner)
{
    std::lock_guard<std::mutex> guard(gRunnerLock);
    return std::exchange(gRunner, std::move(runner));
}

void RatingPrompt::rateApp()
{
    std::string address = kReviewTemplate;
    address.replace(address.find("APP_ID"), 6, format("%d", kStoreAppID));
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(kRatedCurrentVersion, true);
    defaults.synchronize();
    URLOpener::sharedInstance()->openURL(address);
}

void RatingPrompt::increment(const char* counter, double now)
{
    std::lock_guard<std::mutex> guard(gCountLock);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const std::string version = GlobalObject::bundleVersion();
    std::string tracked = defaults.objectForKey(kCurrentVersion).asString();
    if (defaults.objectForKey(kCurrentVersion).isNull()) {
        defaults.setObject(kCurrentVersion, Value(version));
        tracked = version;
    }
    const bool use = std::string(counter) == kUseCount;
    if (tracked == version) {
        // A significant event dates the version's first use too, when no
        // use has dated it yet.
        if (defaults.doubleForKey(kFirstUseDate) == 0) defaults.setObject(kFirstUseDate, Value(now));
        defaults.setObject(counter, Value(static_cast<int32_t>(defaults.integerForKey(counter) + 1)));
    } else {
        defaults.setObject(kCurrentVersion, Value(version));
        defaults.setObject(kFirstUseDate, Value(use ? now : 0.0));
        defaults.setObject(kUseCount, Value(static_cast<int32_t>(use ? 1 : 0)));
        defaults.setObject(kSignificantEventCount, Value(static_cast<int32_t>(use ? 0 : 1)));
        defaults.setBool(kRatedCurrentVersion, false);
        defaults.setBool(kDeclinedToRate, false);
        defaults.setObject(kReminderRequestDate, Value(0.0));
    }
    defaults.synchronize();
}

void RatingPrompt::incrementUseCount(double now) { increment(kUseCount, now); }

void RatingPrompt::incrementSignificantEventCount(double now) { increment(kSignificantEventCount, now); }

bool RatingPrompt::ratingConditionsHaveBeenMet(double now)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (now - defaults.doubleForKey(kFirstUseDate) < kDaysUntilPrompt) return false;
    if (defaults.integerForKey(kUseCount) <= kUsesUntilPrompt) return false;
    if (defaults.integerForKey(kSignificantEventCount) < kSignificantEventsUntilPrompt) return false;
    if (defaults.boolForKey(kDeclinedToRate) || defaults.boolForKey(kRatedCurrentVersion)) return false;
    if (now - defaults.doubleForKey(kReminderRequestDate) < kTimeBeforeReminding) return false;
    return true;
}

bool RatingPrompt::connectedToNetwork()
{
    auto target = NetworkReachability::sharedInstance()->targetForAddress(0);
    std::optional<uint32_t> flags = target ? target->flags() : std::nullopt;
    if (!flags) {
        logLine("Error. Could not recover network reachability flags");
        return false;
    }
    const bool reachable = (*flags & ReachabilityFlag::kReachable) != 0;
    const bool needsConnection = (*flags & ReachabilityFlag::kConnectionRequired) != 0;
    const bool transient = (*flags & ReachabilityFlag::kTransientConnection) != 0;
    // The probe wakes a sleeping link; its answer is not waited for. The
    // transport lives on the main thread, and its fixed address is always one
    // it can send to, so the request counts as made.
    Ref<RatingPrompt> keep(this);
    RunLoop::performOnMain([keep] {
        HTTPRequest request;
        request.url = kProbeURL;
        request.timeoutSeconds = 20;
        request.headers["Cache-Control"] = "no-cache";
        keep->probe_ = HTTPTransport::sharedInstance()->start(request, keep.get());
    });
    return (reachable && !needsConnection) || transient;
}

void RatingPrompt::incrementAndRateOnThread(bool mayPrompt, bool significantEvent, double now)
{
    if (significantEvent) incrementSignificantEventCount(now);
    else incrementUseCount(now);
    if (mayPrompt && ratingConditionsHaveBeenMet(now) && connectedToNetwork()) {
        Ref<RatingPrompt> keep(this);
        RunLoop::performOnMain([keep] { keep->showRatingAlert(); });
    }
}

void RatingPrompt::showRatingAlert()
{
    LocalisationManager* strings = LocalisationManager::sharedInstance();
    ratingAlert = makeRef<AlertView>(strings->getValue("RATE_HEAD"), strings->getValue("RATE_TEXT"), this,
                                     std::vector<std::string>{strings->getValue("RATE_NO"),
                                                              strings->getValue("RATE_YES"),
                                                              strings->getValue("RATE_LATER")});
    ratingAlert->show();
}

void RatingPrompt::hideRatingAlert()
{
    if (ratingAlert && ratingAlert->isVisible()) ratingAlert->dismissWithClickedButtonIndex(-1);
}

void RatingPrompt::alertViewClickedButtonAtIndex(AlertView&, int index)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    switch (index) {
    case 0:
        defaults.setBool(kDeclinedToRate, true);
        defaults.synchronize();
        break;
    case 1: rateApp(); break;
    case 2:
        defaults.setObject(kReminderRequestDate, Value(Clock::wallSeconds()));
        defaults.synchronize();
        break;
    default: break;
    }
}

} // namespace mw
