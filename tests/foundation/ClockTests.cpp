#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "foundation/Clock.h"

namespace mw {
namespace {

TEST(Clock, SystemClocksAdvanceAndWallTimeIsUnixTime)
{
    double before = Clock::monotonicSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    double after = Clock::monotonicSeconds();
    EXPECT_GE(after - before, 0.004);
    EXPECT_LT(after - before, 5.0);

    double unixNow = double(std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count());
    EXPECT_NEAR(unixNow, Clock::wallSeconds(), 2.0);
}

TEST(Clock, ManualSourceReplacesBothClocksUntilTheScopeEnds)
{
    auto manual = std::make_shared<ManualClock>(10.0, 1'700'000'000.0);
    {
        ScopedClockSource scope(manual);
        EXPECT_EQ(10.0, Clock::monotonicSeconds());
        EXPECT_EQ(1'700'000'000.0, Clock::wallSeconds());
        manual->advance(0.5);
        EXPECT_EQ(10.5, Clock::monotonicSeconds());
        EXPECT_EQ(1'700'000'000.5, Clock::wallSeconds());
        manual->setWall(42);
        EXPECT_EQ(42.0, Clock::wallSeconds());
        EXPECT_EQ(10.5, Clock::monotonicSeconds()) << "setting the date leaves the monotonic time alone";
    }
    EXPECT_GT(Clock::wallSeconds(), 1'600'000'000.0) << "the system clock is back";
    EXPECT_NE(manual, Clock::source());
}

} // namespace
} // namespace mw
