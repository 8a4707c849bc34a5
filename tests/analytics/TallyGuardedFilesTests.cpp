// The analytics client's files: an unread file that cannot be moved aside
// stays unread, and nothing writes over it.

#include <gtest/gtest.h>

#include "analytics/TallyAdStateCallbacks.h"
#include "analytics/TallySession.h"
#include "analytics/TallySessionStore.h"
#include "tests/analytics/TallySessionTestSupport.h"
#include "tests/support/UnmovableFile.h"

namespace mw {
namespace {

using Bytes = TallySessionStore::Bytes;

class TallyGuardedFilesTest : public test::TallySessionFixture {
protected:
    void SetUp() override { TallySessionStore::setApplicationKey(kKey); }
    void TearDown() override { TallyAdStateCallbacks::resetForTesting(); }

    static constexpr const char* kKey = "QX3TR7WMB2KJ9PLD4HSZ";
};

TEST_F(TallyGuardedFilesTest, AFileThatCannotBeMovedAsideIsNeverWrittenOver)
{
    Ref<TallySession> session;
    const test::GuardedFileKind kinds[] = {
        {"the stored sessions",
         [] { return TallySessionStore::sessionsFilePath(); },
         [] { TallySessionStore::addToSavedSessions(Bytes {1}); },
         [] { TallySessionStore::addToSavedSessions(Bytes {2}); },
         true},
        {"the ad-state callbacks",
         [] { return TallySessionStore::adStateCallbacksFilePath(); },
         [] {
             TallyAdStateCallbacks::resetForTesting();
             (void)TallyAdStateCallbacks::savedAdStateCallbacks();
         },
         [] { TallyAdStateCallbacks::setSavedAdStateCallbacks({{"https://ads.example/a", 1}}); },
         false},
        {"the first-use date",
         [] { return TallySessionStore::initialTimestampFilePath(); },
         [] { EXPECT_EQ(TallySessionStore::initialTimestamp(test::kTestNow), test::kTestNow); },
         [] { EXPECT_EQ(TallySessionStore::initialTimestamp(test::kTestNow + 5), test::kTestNow + 5); },
         true},
        {"the current session",
         [] { return TallySessionStore::currentSessionFilePath(); },
         [&] { session = launch(kKey); },
         [&] {
             session->pauseSession();
             session->resumeSession();
         },
         false,
         [&] { session = nullptr; }},
    };
    for (const test::GuardedFileKind& kind : kinds) {
        if (!test::checkFailedMoveAside(kind)) break;
    }
}

} // namespace
} // namespace mw
