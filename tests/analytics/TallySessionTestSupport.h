#pragma once

// The scene every analytics session test plays in: a scratch home for the
// client's files, scripted device services, a fake clock, and the client's
// process-wide state reset before and after.

#include <gtest/gtest.h>

#include <memory>

#include "analytics/TallyAutoIncrement.h"
#include "analytics/TallyFileCache.h"
#include "analytics/TallyImageCache.h"
#include "analytics/TallySession.h"
#include "analytics/TallySessionStore.h"
#include "analytics/TallyUtil.h"
#include "foundation/Clock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/TempDir.h"

namespace mw::test {

// 2026-06-15 12:00:00 UTC.
inline constexpr double kTestNow = 1781524800.0;

class TallySessionFixture : public ::testing::Test {
protected:
    TallySessionFixture() { resetClientState(); }
    ~TallySessionFixture() override { resetClientState(); }

    static void resetClientState()
    {
        TallySession::setCurrentSession(nullptr);
        TallySession::setEndOfSessionReportSender(nullptr);
        TallySession::resetPageViewClockForTesting();
        TallySessionStore::resetForTesting();
        TallyImageCache::purgeInstance();
        TallyFileCache::purgeInstance();
        TallyAutoIncrement::purgeSharedInstance();
        TallyUtil::resetSystemVersionForTesting();
        TallyUtil::setDebugLogEnabled(false);
        TallyUtil::setShowErrorInLogEnabled(false);
    }

    // A new current session as a launch makes it.
    Ref<TallySession> launch(const std::string& key = "QX3TR7WMB2KJ9PLD4HSZ")
    {
        return TallySession::createActiveTallySession(key, "1.2");
    }

    TempDir home_;
    ScopedEnv homeVariable_ { "MOSSWICK_HOME", home_.path() };
    ScopedDeviceServices services_;
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(0, kTestNow);
    ScopedClockSource scopedClock_ { clock_ };
};

} // namespace mw::test
