#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCAnimate.h"
#include "engine/actions/CCRepeat.h"
#include "engine/base/CCWinSize.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "game/defs/Road.h"
#include "game/defs/XMLManager.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/village/RoadWalker.h"
#include "game/village/WorkerFactory.h"
#include "tests/game/front/FrontTestSupport.h"
#include "tests/support/ScriptedRandom.h"
#include "tests/support/SourceTree.h"

namespace mw {
namespace {

// Two roads in the file's space (y down).
constexpr const char* kTwoRoads = R"(<?xml version="1.0"?>
<roads>
  <spline><curve><point x="10" y="20"/><point x="30" y="40"/><point x="50" y="60"/><point x="70" y="80"/></curve></spline>
  <spline><curve><point x="-5" y="100.5"/><point x="0" y="0"/><point x="160" y="240"/><point x="320" y="480"/></curve></spline>
</roads>
)";

Ref<XML> readRoads(const char* text)
{
    return XML::initWithString(text);
}

// Road construction: scale 2 from a window of 1024 points, y turned upwards.
TEST(RoadTest, PointsComeFromTheFileInScreenPointsRelativeToTheStart)
{
    struct Row {
        float height;
        int32_t index;
        CGPoint start, control1, control2, end;
    };
    const Row rows[] = {
        {480, 0, {10, 460}, {20, -20}, {40, -40}, {60, -60}},
        {480, 1, {-5, 379.5f}, {5, 100.5f}, {165, -139.5f}, {325, -379.5f}},
        {1024, 0, {20, 984}, {40, -40}, {80, -80}, {120, -120}},
        {2048, 1, {-10, 1847}, {10, 201}, {330, -279}, {650, -759}},
    };
    Ref<XML> file = readRoads(kTwoRoads);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "H " << row.height << " road " << row.index);
        Road road(file, row.index, row.height);
        EXPECT_EQ(road.StartPos(), row.start);
        EXPECT_EQ(road.RoadBez().controlPoint_1, row.control1);
        EXPECT_EQ(road.RoadBez().controlPoint_2, row.control2);
        EXPECT_EQ(road.RoadBez().endPosition, row.end);
        EXPECT_EQ(road.EndPos(), (CGPoint{row.start.x + row.end.x, row.start.y + row.end.y}));
    }
}

int32_t draw(double fraction)
{
    return static_cast<int32_t>(fraction * 2147483648.0);
}

// A device with the village sheets, the real game data in the profile, and
// the road file of a test in a bundle of its own.
class WalkerTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run_.ok()) << "no headless GL context";
        scene_ = run_.runPlainScene();
        (void)GlobalObject::sharedInstance();
        ASSERT_TRUE(run_.loadVillageSheets());
        DataParser parser;
        ASSERT_TRUE(parser.parseData(test::sourceTreePath("resources/test.xml")));
        layer_ = CCNode::node();
        scene_->addChild(layer_.get());
    }
    void TearDown() override { layer_ = nullptr; }

    // Reads `roads` as the device's road file.
    void useRoads(const std::string& roads)
    {
        test::TempDir bundle;
        const bool tablet = GlobalObject::sharedInstance()->isIpad;
        test::TempDir::writeText(bundle.file(tablet ? "roads_ipad.xml" : "roads_iphone.xml"), roads);
        test::ScopedEnv resources("MOSSWICK_RESOURCES", bundle.path());
        ScopedLogCapture quiet; // the animation templates are not in this bundle
        XMLManager::sharedInstance()->initXMLS();
    }
    static std::string roadFile(int count)
    {
        std::string text = "<?xml version=\"1.0\"?><roads>";
        for (int i = 0; i < count; ++i) {
            const int y = 100 + 40 * i;
            text += "<spline><curve><point x=\"20\" y=\"" + std::to_string(y) + "\"/><point x=\"80\" y=\"" +
                    std::to_string(y) + "\"/><point x=\"160\" y=\"" + std::to_string(y + 10) +
                    "\"/><point x=\"260\" y=\"" + std::to_string(y + 20) + "\"/></curve></spline>";
        }
        return text + "</roads>";
    }
    float height() const { return ccWinSize().height; }
    static bool shows(CCSprite* sprite, const std::string& frame)
    {
        Ref<CCSpriteFrame> wanted = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame);
        return sprite && wanted && sprite->isFrameDisplayed(wanted.get());
    }
    static CCAnimation* loopOf(CCSprite* part)
    {
        auto* loop = dynamic_cast<CCRepeatForever*>(part->getActionByTag(RoadWalker::kPartLoopTag));
        auto* animate = loop ? dynamic_cast<CCAnimate*>(loop->innerAction()) : nullptr;
        return animate ? animate->animation() : nullptr;
    }

    test::DeviceRun run_{GetParam()};
    CCScene* scene_ = nullptr;
    Ref<CCNode> layer_;
};

TEST_P(WalkerTest, PartsFollowTheKind)
{
    struct Row {
        int32_t kind;
        const char* lower;
        const char* body;
        bool skirt;
    };
    const Row rows[] = {
        {7, "picker_carrot_skirt.png", "picker_carrot_small.png", true},
        {8, "picker_apple_skirt.png", "picker_apple_small.png", true},
        {65, "farmer_cow_skirt.png", "farmer_cow_small.png", true},
        {66, "farmer_carrot_skirt.png", "farmer_carrot_small.png", true},
        {RoadWalker::kVillager, "legs_0001.png", "worker_base_small.png", false},
        {1, "legs_0001.png", "pick_iron_small.png", false},
        {4, "legs_0001.png", "hammer_stone_small.png", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        auto walker = RoadWalker::walkerOfKind(row.kind);
        EXPECT_EQ(RoadWalker::IsWomen(row.kind), row.skirt);
        EXPECT_TRUE(shows(walker->lower(), row.lower));
        EXPECT_TRUE(shows(walker->body(), row.body));
        ASSERT_EQ(walker->children()->count(), 3u);
        EXPECT_EQ(walker->children()->objectAtIndex(0), walker->lower()) << "parts in the order added";
        EXPECT_EQ(walker->children()->objectAtIndex(2), walker->hands());
        const float h = walker->lower()->contentSize().height;
        EXPECT_GT(h, 0);
        EXPECT_EQ(walker->body()->position(), (CGPoint{0, 0.7f * h}));
        EXPECT_EQ(walker->hands()->position(), (CGPoint{0, 0.3f * h}));
        for (CCSprite* part : {walker->lower(), walker->body(), walker->hands()})
            EXPECT_EQ(part->anchorPoint(), (CGPoint{0.5f, 0}));

        struct Loop {
            CCSprite* part;
            const char* stem;
            bool animated;
        };
        for (const Loop& loop :
             {Loop{walker->hands(), "hands", true}, Loop{walker->lower(), "legs", !row.skirt},
              Loop{walker->body(), "", false}}) {
            CCAnimation* animation = loopOf(loop.part);
            ASSERT_EQ(animation != nullptr, loop.animated) << loop.stem;
            if (!animation) continue;
            EXPECT_FLOAT_EQ(animation->delayPerUnit(), 1.0f / 24);
            ASSERT_EQ(animation->frames().size(), 24u);
            for (int frame = 1; frame <= 24; ++frame) {
                char name[32];
                std::snprintf(name, sizeof name, "%s_%04d.png", loop.stem, frame);
                EXPECT_EQ(animation->frames()[frame - 1]->spriteFrame(),
                          CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name).get())
                    << name;
            }
        }
        walker->setFlipX(true);
        for (CCSprite* part :
             {walker->lower(), walker->body(), walker->hands(), static_cast<CCSprite*>(walker.get())})
            EXPECT_TRUE(part->flipX());
    }
}

TEST_P(WalkerTest, KindsShownAreEachOwnedWorkerOnceThenTheVillagersTheHomesAndTheStockAllow)
{
    useRoads(roadFile(3));
    Profile* p = Profile::sharedInstance();
    p->increaseUpgradeCount(8, 3); // three of one kind show once
    p->increaseUpgradeCount(2, 1);
    p->increaseUpgradeCount(21, 1); // a building: not a walker
    struct Row {
        int32_t homes31, homes34, stock;
        int32_t without;
        std::vector<int32_t> kinds;
        int32_t left;
    };
    const int32_t V = RoadWalker::kVillager;
    const Row rows[] = {
        {0, 0, 5, WorkerFactory::kNoKind, {2, 8, V}, WorkerFactory::kNoKind},    // 1 home, stock 5
        {1, 1, 2, WorkerFactory::kNoKind, {2, 8, V, V}, WorkerFactory::kNoKind}, // 3 homes, stock 2
        {1, 1, 9, 8, {2, V, V, V}, 8},                                           // 3 homes, 8 left out
        {0, 0, 0, 2, {8}, 2},                                                    // no stock: no villagers
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.homes31 << "/" << row.homes34 << "/" << row.stock);
        p->UpgradesCountArray[31] = row.homes31;
        p->UpgradesCountArray[34] = row.homes34;
        p->SetResourceCount(17, row.stock);
        auto factory = WorkerFactory::factoryWithWorkersState(layer_.get(), row.without);
        EXPECT_EQ(factory->CurrentWorkers, row.kinds);
        EXPECT_EQ(factory->LastWorkerType, row.left);
        factory->RandomlySortWorkersOnStage();
        ASSERT_EQ(factory->CurrentWorkersPointers.size(), row.kinds.size());
        for (size_t i = 0; i < row.kinds.size(); ++i) {
            EXPECT_EQ(factory->CurrentWorkersPointers[i]->kind(), row.kinds[i]);
            EXPECT_EQ(factory->CurrentWorkersPointers[i]->parent(), layer_.get());
            EXPECT_EQ(factory->CurrentWorkersPointers[i]->GetBaseMovetime(), 30.0f);
        }
        factory->Stop();
        layer_->removeAllChildrenWithCleanup(true);
    }
}

TEST_P(WalkerTest, FirstWalkDirectionAndRandomStartLaterWalksFromTheirBeginning)
{
    useRoads(roadFile(1));
    Road* road = XMLManager::sharedInstance()->GetRoad(0);
    ASSERT_NE(road, nullptr);
    struct Row {
        bool first;      // InitWalk, else ReInitWalk
        bool mayReverse; // ReInitWalk's flag
        double r, u, start;
        bool fromEnd;
    };
    const Row rows[] = {
        {true, true, 0.75, 0.2, 0.5, true},    {true, true, 0.25, 0.0, 0.4, false},
        {true, true, 0.5, 0.9, 0.1, false}, // exactly a half keeps the start
        {false, true, 0.75, 0.2, 0.5, true},   {false, true, 0.25, 0.2, 0.5, false},
        {false, false, 0.75, 0.2, 0.5, false}, // the hired worker's walk never turns
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.first ? "first" : "later") << " r " << row.r);
        ScopedRandomSource scripted(std::make_shared<test::ScriptedRandom>(
            std::vector<int32_t>{draw(row.r), draw(row.u), draw(row.start)}));
        auto walker = RoadWalker::walkerOfKind(1);
        layer_->addChild(walker.get());
        if (row.first) {
            walker->InitWalk(road, 30);
        } else {
            walker->ReInitWalk(road, 30, row.mayReverse);
        }
        const CGPoint begin = row.fromEnd ? road->EndPos() : road->StartPos();
        EXPECT_EQ(walker->position(), begin);
        EXPECT_EQ(walker->flipX(), row.fromEnd);
        EXPECT_EQ(walker->zOrder(), static_cast<int>(height() - road->StartPos().y));
        EXPECT_EQ(walker->GetBaseMovetime(), 30.0f);
        CCAction* walk = walker->getActionByTag(RoadWalker::kWalkTag);
        ASSERT_NE(walk, nullptr);
        const float seconds = 30 + 15 * static_cast<float>(row.u);
        EXPECT_NEAR(static_cast<CCFiniteTimeAction*>(walk)->duration(), seconds, 1e-3);

        run_.run(1.0 / 60);
        // The first walk jumps to a random point of itself; later ones start at their beginning.
        const ccBezierConfig curve = row.fromEnd ? ccBezierReversed(road->RoadBez()) : road->RoadBez();
        const float progress = row.first ? static_cast<float>(row.start) : 0.0f;
        const CGPoint along = ccBezierPointAt(curve, progress);
        EXPECT_NEAR(walker->position().x, begin.x + along.x, 1.5);
        EXPECT_NEAR(walker->position().y, begin.y + along.y, 1.5);
        walker->removeFromParentAndCleanup(true);
    }
}

TEST_P(WalkerTest, AWalkEndsOnAnotherRandomRoadAndAOneRoadFileSendsWalkersBackAndForth)
{
    useRoads(roadFile(1));
    Road* road = XMLManager::sharedInstance()->GetRoad(0);
    // r above a half the first time (from the end), below it the next (from the start).
    ScopedRandomSource scripted(std::make_shared<test::ScriptedRandom>(
        std::vector<int32_t>{draw(0.75), draw(0), draw(0.99), draw(0.25), draw(0)}));
    auto walker = RoadWalker::walkerOfKind(RoadWalker::kVillager);
    layer_->addChild(walker.get());
    walker->InitWalk(road, 2);
    EXPECT_TRUE(walker->flipX());
    run_.run(0.2);
    // The next walk has begun on the same road, from its start, facing on.
    EXPECT_FALSE(walker->flipX());
    EXPECT_NE(walker->getActionByTag(RoadWalker::kWalkTag), nullptr);
    EXPECT_NEAR(walker->position().x, road->StartPos().x, 30);
    EXPECT_EQ(walker->GetBaseMovetime(), 2.0f);
}

TEST_P(WalkerTest, TheHiredWorkerWalksInOnTheEntryRoadOrAnyWhenTheFileHasFewer)
{
    struct Row {
        int roads;
        int32_t without;
        int expectedRoad; // -1: no walker
    };
    const Row rows[] = {
        {5, 7, 2},  {3, 7, 2},
        {1, 7, 0},                                   // fewer than three roads: the one there is
        {0, 7, -1}, {3, WorkerFactory::kNoKind, -1}, // nobody left out: nobody walks in
    };
    Profile::sharedInstance()->increaseUpgradeCount(7, 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.roads << " roads");
        useRoads(roadFile(row.roads));
        ScopedLogCapture log;
        auto factory = WorkerFactory::factoryWithWorkersState(layer_.get(), row.without);
        factory->RandomlySortWorkersOnStage();
        const size_t before = factory->CurrentWorkersPointers.size();
        factory->InstantSpawnWorkerOfType();
        if (row.expectedRoad < 0) {
            EXPECT_EQ(factory->CurrentWorkersPointers.size(), before);
        } else {
            ASSERT_EQ(factory->CurrentWorkersPointers.size(), before + 1);
            RoadWalker* hired = factory->CurrentWorkersPointers.back().get();
            EXPECT_EQ(hired->kind(), row.without);
            EXPECT_EQ(factory->CurrentWorkers.back(), row.without);
            Road* entry = XMLManager::sharedInstance()->GetRoad(row.expectedRoad);
            EXPECT_EQ(hired->position(), entry->StartPos());
            EXPECT_FALSE(hired->flipX());
        }
        if (row.roads == 0) {
            EXPECT_EQ(before, 0u) << "no roads, no walkers";
        }
        factory->Stop();
        layer_->removeAllChildrenWithCleanup(true);
    }
}

TEST_P(WalkerTest, AFileWithoutRoadsGivesNoRandomRoadAndNoWalkers)
{
    useRoads("<?xml version=\"1.0\"?><roads/>");
    EXPECT_EQ(XMLManager::sharedInstance()->RoadCount(), 0);
    EXPECT_EQ(XMLManager::sharedInstance()->GetRandomRoad(), nullptr);
    Profile::sharedInstance()->increaseUpgradeCount(1, 1);
    auto factory = WorkerFactory::factoryWithWorkersState(layer_.get());
    factory->RandomlySortWorkersOnStage();
    EXPECT_TRUE(factory->CurrentWorkersPointers.empty());
    EXPECT_EQ(layer_->children() ? layer_->children()->count() : 0u, 0u);
    factory->Stop();
}

TEST_P(WalkerTest, DepthIsSortedEveryThreeTenthsOfASecondAndNotInBetween)
{
    useRoads(roadFile(3));
    Profile* p = Profile::sharedInstance();
    for (int32_t worker : {1, 2, 3, 4}) p->increaseUpgradeCount(worker, 1);
    // The factory stays off the stage: only these calls step it.
    auto factory = WorkerFactory::factoryWithWorkersState(layer_.get());
    factory->RandomlySortWorkersOnStage();
    ASSERT_EQ(factory->CurrentWorkersPointers.size(), 4u);
    auto zOrders = [&] {
        std::vector<int> z;
        for (const auto& walker : factory->CurrentWorkersPointers) z.push_back(walker->zOrder());
        return z;
    };
    auto depths = [&] {
        std::vector<int> z;
        for (const auto& walker : factory->CurrentWorkersPointers)
            z.push_back(static_cast<int>(height() - walker->position().y));
        return z;
    };
    run_.run(1.0);
    const std::vector<int> atStart = zOrders();
    ASSERT_NE(atStart, depths()) << "the walkers moved off their roads' starts";
    factory->update(0.15f);
    factory->update(0.14f);
    EXPECT_EQ(zOrders(), atStart) << "0.29 s: not yet";
    factory->update(0.02f);
    EXPECT_EQ(zOrders(), depths());
    EXPECT_EQ(factory->TimeCum, 0);
    const std::vector<int> sorted = zOrders();
    run_.run(1.0);
    factory->update(0.1f);
    EXPECT_EQ(zOrders(), sorted) << "between two sorts the order stays";
    factory->Stop();
}

INSTANTIATE_TEST_SUITE_P(Devices, WalkerTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
