// The game played end to end (the route of the in-game analytics run) with
// recording fakes under the social client: the parts of the client the game
// never starts stay unstarted through all of it.

#include <gtest/gtest.h>

#include <memory>

#include "platform/CloudDocuments.h"
#include "social/services/CCCloudDataSharingStore.h"
#include "tests/game/front/DormantSocialChecks.h"
#include "tests/game/front/InGameRoute.h"

namespace mw {
namespace {

using test::InGameRoute;

class SocialDormantInGameTest : public ::testing::Test {
protected:
    SocialDormantInGameTest()
    {
        // Every container the social client could ask for resolves: a lookup
        // would be counted, not refused.
        cloud_->setResolvableContainers({"test1", "test3", CCCloudDataSharingStore::kSharedContainer});
        previousCloud_ = CloudDocuments::replaceSharedInstance(cloud_);
    }
    ~SocialDormantInGameTest() override
    {
        route_.stop();
        CloudDocuments::replaceSharedInstance(previousCloud_);
    }

    // The analytics reports go to a loopback service that accepts them.
    test::ReportServiceAndStore outside_;
    test::ScriptedStore& store_ = *outside_.store;
    std::shared_ptr<CloudDocuments> cloud_ = std::make_shared<CloudDocuments>();
    std::shared_ptr<CloudDocuments> previousCloud_;
    InGameRoute route_ {1.0 / 30};
};

// Launch, the menu's Continue into the village, a coin pack bought, the
// mine's food pop-up and a mine session with a tool, a level gained, a
// pause and a return: after each stage the social client's periphery is
// still unstarted.
TEST_F(SocialDormantInGameTest, ThePlayedGameStartsNoneOfTheSocialPeriphery)
{
    route_.launch(test::kRouteStart, [] { test::saveAPlayerForTheMine(); });
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(route_.framesUntil([] { return InGameRoute::runningAs<MainMenuScene>() != nullptr; }, 10))
        << "the loading scene";
    {
        SCOPED_TRACE("the main menu");
        test::expectSocialPeripheryDormant(store_, *cloud_);
    }
    VillageScene* village = route_.continueIntoTheVillage(3);
    ASSERT_NE(village, nullptr);
    ASSERT_NO_FATAL_FAILURE(route_.buyTheFirstCoinPack(*village, store_));
    {
        SCOPED_TRACE("a coin pack bought");
        test::expectSocialPeripheryDormant(store_, *cloud_);
    }

    FoodPopUp* food = route_.openTheMineFoodPopUp(*village);
    ASSERT_NE(food, nullptr);
    food->ResetButton->activate();
    ASSERT_NO_FATAL_FAILURE(route_.playTheMineWithTheEarthTool(*food)); // grants an achievement
    test::gainALevel();

    auto& life = route_.driver().lifeCycle();
    life.focusLost();
    route_.driver().clock().advance(11);
    life.focusGained();
    route_.driver().runFrames(30);
    InGameRoute::settleUploads();
    SCOPED_TRACE("the mine, a level and a pause");
    test::expectSocialPeripheryDormant(store_, *cloud_);
}

} // namespace
} // namespace mw
