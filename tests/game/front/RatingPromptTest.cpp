#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "game/village/RatingPrompt.h"
#include "platform/AlertView.h"
#include "platform/ApplicationDelegate.h"
#include "platform/NetworkReachability.h"
#include "tests/support/RecordingOutsideServices.h"
#include "tests/support/RecordingReachability.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

constexpr double kDay = 86400;
constexpr double kNow = 2'000'000'000;

class RatingPromptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        previousReachability_ = NetworkReachability::replaceSharedInstance(reachability_);
        previousTransport_ = HTTPTransport::replaceSharedInstance(transport_);
        previousOpener_ = URLOpener::replaceSharedInstance(opener_);
        reachability_->setFlags("0.0.0.0", ReachabilityFlag::kReachable);
    }
    void TearDown() override
    {
        RatingPrompt::waitForCounting();
        RatingPrompt::sharedInstance()->hideRatingAlert();
        RunLoop::main().drain();
        NetworkReachability::replaceSharedInstance(previousReachability_);
        HTTPTransport::replaceSharedInstance(previousTransport_);
        URLOpener::replaceSharedInstance(previousOpener_);
        UserDefaults::resetStandardUserDefaults();
    }
    UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }
    // The counters of this version as if `uses` uses had been counted, the
    // first `daysAgo` days ago.
    void counted(int uses, double daysAgo)
    {
        defaults().setObject(RatingPrompt::kCurrentVersion, Value("1.0"));
        defaults().setObject(RatingPrompt::kFirstUseDate, Value(kNow - daysAgo * kDay));
        defaults().setObject(RatingPrompt::kUseCount, Value(static_cast<int32_t>(uses)));
        defaults().setObject(RatingPrompt::kSignificantEventCount, Value(0));
        defaults().setBool(RatingPrompt::kDeclinedToRate, false);
        defaults().setBool(RatingPrompt::kRatedCurrentVersion, false);
        defaults().setObject(RatingPrompt::kReminderRequestDate, Value(0.0));
    }
    // One counted use as the counting thread does it, here on the main thread.
    bool countPrompts(bool mayPrompt = true)
    {
        RatingPrompt::sharedInstance()->incrementAndRateOnThread(mayPrompt, false, Clock::wallSeconds());
        RunLoop::main().drain();
        AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
        return alert && alert == RatingPrompt::sharedInstance()->ratingAlert.get();
    }

    test::TempDir home_;
    test::ScopedEnv homeEnv_{"MOSSWICK_HOME", home_.path()};
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(0, kNow);
    ScopedClockSource scopedClock_{clock_};
    std::shared_ptr<test::RecordingReachability> reachability_ = std::make_shared<test::RecordingReachability>();
    std::shared_ptr<test::RecordingHTTPTransport> transport_ = std::make_shared<test::RecordingHTTPTransport>();
    std::shared_ptr<test::RecordingURLOpener> opener_ = std::make_shared<test::RecordingURLOpener>();
    std::shared_ptr<NetworkReachability> previousReachability_;
    std::shared_ptr<HTTPTransport> previousTransport_;
    std::shared_ptr<URLOpener> previousOpener_;
};

TEST_F(RatingPromptTest, PromptsOnlyWhenEveryConditionHolds)
{
    using F = std::optional<uint32_t>;
    struct Row {
        const char* name;
        int usesBefore;
        double daysAgo;
        F flags;
        bool declined, rated;
        double laterDaysAgo; // < 0: never
        bool mayPrompt;
        bool prompts;
    };
    const Row rows[] = {
        {"21st use at five days", 20, 5, ReachabilityFlag::kReachable, false, false, -1, true, true},
        {"20th use at five days", 19, 5, ReachabilityFlag::kReachable, false, false, -1, true, false},
        {"21st use at four days", 20, 4.9, ReachabilityFlag::kReachable, false, false, -1, true, false},
        {"flags unreadable", 30, 9, std::nullopt, false, false, -1, true, false},
        {"connection required", 30, 9, ReachabilityFlag::kReachable | ReachabilityFlag::kConnectionRequired, false,
         false, -1, true, false},
        {"transient connection", 30, 9, ReachabilityFlag::kTransientConnection, false, false, -1, true, true},
        {"not reachable", 30, 9, 0u, false, false, -1, true, false},
        {"declined", 30, 9, ReachabilityFlag::kReachable, true, false, -1, true, false},
        {"rated", 30, 9, ReachabilityFlag::kReachable, false, true, -1, true, false},
        {"later a day ago", 30, 9, ReachabilityFlag::kReachable, false, false, 1, true, false},
        {"later two days ago", 30, 9, ReachabilityFlag::kReachable, false, false, 2, true, true},
        {"may not prompt", 30, 9, ReachabilityFlag::kReachable, false, false, -1, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UserDefaults::resetStandardUserDefaults();
        counted(row.usesBefore, row.daysAgo);
        reachability_->setFlags("0.0.0.0", row.flags);
        defaults().setBool(RatingPrompt::kDeclinedToRate, row.declined);
        defaults().setBool(RatingPrompt::kRatedCurrentVersion, row.rated);
        if (row.laterDaysAgo >= 0)
            defaults().setObject(RatingPrompt::kReminderRequestDate, Value(kNow - row.laterDaysAgo * kDay));
        EXPECT_EQ(countPrompts(row.mayPrompt), row.prompts);
        EXPECT_EQ(defaults().integerForKey(RatingPrompt::kUseCount), row.usesBefore + 1) << "counted in every case";
        RatingPrompt::sharedInstance()->hideRatingAlert();
    }
}

TEST_F(RatingPromptTest, EachAnswerChangesOnlyItsKeys)
{
    struct Row {
        int index;
        bool declined, rated;
        double reminder;
        size_t opened;
    };
    const Row rows[] = {
        {0, true, false, 0, 0}, {1, false, true, 0, 1}, {2, false, false, kNow, 0}, {-1, false, false, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.index);
        UserDefaults::resetStandardUserDefaults();
        opener_->opened.clear();
        counted(25, 9);
        ASSERT_TRUE(countPrompts());
        AlertViewPresenter::sharedPresenter().frontAlert()->dismissWithClickedButtonIndex(row.index);
        EXPECT_EQ(defaults().boolForKey(RatingPrompt::kDeclinedToRate), row.declined);
        EXPECT_EQ(defaults().boolForKey(RatingPrompt::kRatedCurrentVersion), row.rated);
        EXPECT_EQ(defaults().doubleForKey(RatingPrompt::kReminderRequestDate), row.reminder);
        EXPECT_EQ(defaults().integerForKey(RatingPrompt::kUseCount), 26);
        ASSERT_EQ(opener_->opened.size(), row.opened);
        if (row.opened) {
            EXPECT_EQ(opener_->opened[0], "itms-apps://apps.zandovar.com/WebObjects/MZStore.woa/wa/"
                                          "viewContentsUserReviews?type=Purple+Software&id=482913570");
        }
    }
    EXPECT_EQ(transport_->urls.back(), RatingPrompt::kProbeURL);
}

TEST_F(RatingPromptTest, NewVersionStartsCountingAgain)
{
    defaults().setObject(RatingPrompt::kCurrentVersion, Value("0.9"));
    defaults().setObject(RatingPrompt::kUseCount, Value(40));
    defaults().setObject(RatingPrompt::kSignificantEventCount, Value(3));
    defaults().setBool(RatingPrompt::kDeclinedToRate, true);
    defaults().setBool(RatingPrompt::kRatedCurrentVersion, true);
    defaults().setObject(RatingPrompt::kReminderRequestDate, Value(5.0));
    RatingPrompt::sharedInstance()->incrementUseCount();
    EXPECT_EQ(defaults().objectForKey(RatingPrompt::kCurrentVersion).asString(), "1.0");
    EXPECT_EQ(defaults().integerForKey(RatingPrompt::kUseCount), 1);
    EXPECT_EQ(defaults().integerForKey(RatingPrompt::kSignificantEventCount), 0);
    EXPECT_EQ(defaults().doubleForKey(RatingPrompt::kFirstUseDate), kNow);
    EXPECT_FALSE(defaults().boolForKey(RatingPrompt::kDeclinedToRate));
    EXPECT_FALSE(defaults().boolForKey(RatingPrompt::kRatedCurrentVersion));
    EXPECT_EQ(defaults().doubleForKey(RatingPrompt::kReminderRequestDate), 0);
}

// The first count of a version dates its first use, whether a use or a
// significant event; an event on a new version leaves the date to the next use.
TEST_F(RatingPromptTest, TheFirstCountOfAVersionDatesItsFirstUse)
{
    constexpr double kEarlier = kNow - 3 * kDay;
    struct Row {
        const char* name;
        bool event;
        const char* storedVersion; // null: nothing stored yet
        double firstUseBefore;
        double firstUse;
        int uses, events;
    };
    const Row rows[] = {
        {"use, nothing stored", false, nullptr, 0, kNow, 1, 0},
        {"use, undated", false, "1.0", 0, kNow, 5, 2},
        {"use, dated", false, "1.0", kEarlier, kEarlier, 5, 2},
        {"event, nothing stored", true, nullptr, 0, kNow, 0, 1},
        {"event, undated", true, "1.0", 0, kNow, 4, 3},
        {"event, dated", true, "1.0", kEarlier, kEarlier, 4, 3},
        {"event, new version", true, "0.9", kEarlier, 0, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const char* key : {RatingPrompt::kCurrentVersion, RatingPrompt::kFirstUseDate,
                                RatingPrompt::kUseCount, RatingPrompt::kSignificantEventCount})
            defaults().removeObjectForKey(key);
        if (row.storedVersion) {
            counted(4, 0);
            defaults().setObject(RatingPrompt::kCurrentVersion, Value(row.storedVersion));
            defaults().setObject(RatingPrompt::kFirstUseDate, Value(row.firstUseBefore));
            defaults().setObject(RatingPrompt::kSignificantEventCount, Value(2));
        }
        if (row.event) RatingPrompt::sharedInstance()->incrementSignificantEventCount();
        else RatingPrompt::sharedInstance()->incrementUseCount();
        EXPECT_EQ(defaults().objectForKey(RatingPrompt::kCurrentVersion).asString(), "1.0");
        EXPECT_EQ(defaults().doubleForKey(RatingPrompt::kFirstUseDate), row.firstUse);
        EXPECT_EQ(defaults().integerForKey(RatingPrompt::kUseCount), row.uses);
        EXPECT_EQ(defaults().integerForKey(RatingPrompt::kSignificantEventCount), row.events);
    }
}

TEST_F(RatingPromptTest, ResigningActiveDismissesWithoutAnAnswer)
{
    counted(25, 9);
    ASSERT_TRUE(countPrompts());
    NotificationCenter::defaultCenter().postNotification(UIApplicationWillResignActiveNotification);
    EXPECT_EQ(AlertViewPresenter::sharedPresenter().frontAlert(), nullptr);
    EXPECT_FALSE(defaults().boolForKey(RatingPrompt::kDeclinedToRate));
    EXPECT_EQ(defaults().doubleForKey(RatingPrompt::kReminderRequestDate), 0);
    EXPECT_TRUE(countPrompts()) << "the next counted use may prompt again";
}

TEST_F(RatingPromptTest, UsesCountedTogetherAreAllKept)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 125; ++i) RatingPrompt::sharedInstance()->incrementUseCount();
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(defaults().integerForKey(RatingPrompt::kUseCount), 1000);
}

TEST_F(RatingPromptTest, CounterOfTheWrongTypeReadsForgivingly)
{
    defaults().setObject(RatingPrompt::kCurrentVersion, Value("1.0"));
    defaults().setObject(RatingPrompt::kUseCount, Value("7 uses"));
    defaults().setObject(RatingPrompt::kFirstUseDate, Value(true));
    RatingPrompt::sharedInstance()->incrementUseCount();
    EXPECT_EQ(defaults().integerForKey(RatingPrompt::kUseCount), 8);
}

// Under load the counting thread gets a core frames after the use: what it
// stores and decides goes by the time of the use, not by when it runs.
TEST_F(RatingPromptTest, ACountThatStartsLateGoesByTheTimeOfTheUse)
{
    // Holds each count's work until the test runs it; whatever is left runs
    // at the end, so that no count is still pending when the test ends.
    struct HeldCounts {
        HeldCounts()
        {
            RatingPrompt::setCountingRunner([this](std::function<void()> work) {
                std::lock_guard<std::mutex> guard(lock);
                works.push_back(std::move(work));
            });
        }
        ~HeldCounts()
        {
            RatingPrompt::setCountingRunner(nullptr);
            for (auto& work : take()) work();
        }
        std::vector<std::function<void()>> take()
        {
            std::lock_guard<std::mutex> guard(lock);
            return std::exchange(works, {});
        }
        std::mutex lock;
        std::vector<std::function<void()>> works;
    } held;

    struct Row {
        const char* name;
        void (*report)(bool);
        const char* storedVersion; // null: nothing stored yet
        int usesBefore;
        double firstUseDaysAgo;
        double firstUse; // expected, in days before the use
        bool prompts;
    };
    const Row rows[] = {
        {"first launch", RatingPrompt::appLaunched, nullptr, 0, 0, 0, false},
        {"foreground on a new version", RatingPrompt::appEnteredForeground, "0.9", 7, 30, 0, false},
        {"21st use, five days less a minute after the first", RatingPrompt::appLaunched, "1.0", 20,
         5 - 60 / kDay, 5 - 60 / kDay, false},
        {"21st use, five days after the first", RatingPrompt::appLaunched, "1.0", 20, 5, 5, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UserDefaults::resetStandardUserDefaults();
        clock_->setWall(kNow);
        if (row.storedVersion) {
            counted(row.usesBefore, row.firstUseDaysAgo);
            defaults().setObject(RatingPrompt::kCurrentVersion, Value(row.storedVersion));
        }
        row.report(true);
        // The counting thread gets its core a day later.
        clock_->advance(kDay);
        std::vector<std::function<void()>> works = held.take();
        ASSERT_EQ(works.size(), 1u) << "the count waits for the test";
        std::thread late(works[0]);
        late.join();
        RunLoop::main().drain();
        EXPECT_EQ(defaults().doubleForKey(RatingPrompt::kFirstUseDate), kNow - row.firstUse * kDay);
        AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
        EXPECT_EQ(alert && alert == RatingPrompt::sharedInstance()->ratingAlert.get(), row.prompts);
        RatingPrompt::sharedInstance()->hideRatingAlert();
    }
}

TEST_F(RatingPromptTest, LaunchCountsOnAThreadOfItsOwn)
{
    RatingPrompt::appLaunched(false);
    RatingPrompt::appEnteredForeground(false);
    RatingPrompt::waitForCounting();
    EXPECT_EQ(defaults().integerForKey(RatingPrompt::kUseCount), 2);
}

} // namespace
} // namespace mw
