// The social client's files: an unread file that cannot be moved aside stays
// unread, and nothing writes over it.

#include "platform/GKAchievement.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCGameCenterPostManager.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/UnmovableFile.h"

namespace mw::test {
namespace {

class SocialGuardedFilesTest : public SocialFixture {};

TEST_F(SocialGuardedFilesTest, AFileThatCannotBeMovedAsideIsNeverWrittenOver)
{
    CCDataStore* store = nullptr;
    Ref<CCAsyncPostManager> posts;
    Ref<CCFetchManager> fetches;
    Ref<CCGameCenterPostManager> gameCenterPosts;
    const GuardedFileKind kinds[] = {
        {"the data store",
         [] { return CCDataStore::saveFilePath(); },
         [&] {
             CCDataStore::purgeSharedInstance();
             store = CCDataStore::sharedInstance();
         },
         [&] {
             store->setValue("firstrun", Value("YES"));
             EXPECT_FALSE(store->writeToFile());
         },
         false,
         [] { CCDataStore::purgeSharedInstance(); }},
        {"the post queue",
         [] { return CCAsyncPostManager::saveFilePath(); },
         [&] { posts = makeRef<CCAsyncPostManager>(); },
         [&] { EXPECT_FALSE(posts->writeToFileNow()); },
         false,
         [&] { posts = nullptr; }},
        {"the fetch cache",
         [] { return CCFetchManager::saveFilePath(); },
         [&] { fetches = makeRef<CCFetchManager>(true); },
         [&] {
             fetches->clearDataWithCompleteClean(true);
             fetches = nullptr; // pending changes are written as it goes
         }},
        {"the game-centre post queue",
         [] { return CCGameCenterPostManager::saveFilePath(); },
         [&] { gameCenterPosts = makeRef<CCGameCenterPostManager>(); },
         [&] {
             gameCenterPosts->scheduleDataForPost(makeRef<GKAchievement>("a1", 50), "G:1");
             EXPECT_FALSE(gameCenterPosts->writeToFile());
         },
         false,
         [&] { gameCenterPosts = nullptr; }},
    };
    for (const GuardedFileKind& kind : kinds) {
        if (!checkFailedMoveAside(kind)) break;
        RunLoop::main().drain();
    }
}

} // namespace
} // namespace mw::test
