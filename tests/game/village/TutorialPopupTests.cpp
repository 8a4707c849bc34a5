#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/state/Collectible.h"
#include "game/state/Resource.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeAction.h"
#include "game/state/UpgradeItem.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "tests/game/village/PopUpTestSupport.h"

namespace mw {
namespace {

using test::HookProbe;
using test::TouchProbe;

// An action started between two frames takes its first step at the next one.
constexpr double kLag = 1.0 / 60;

bool shows(const CCNode* node, const std::string& frame)
{
    auto* sprite = dynamic_cast<const CCSprite*>(node);
    Ref<CCSpriteFrame> wanted = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame);
    return sprite != nullptr && wanted && sprite->isFrameDisplayed(wanted.get());
}

void expectNear(CGPoint actual, CGPoint expected, float tolerance = 0.5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

// A parent that records the hooks and where the worker was when it was asked to spawn it.
class WorkerProbe : public HookProbe, public WorkerSpawnTarget {
public:
    void InstantSpawnWorkerOfType(int32_t upgrade) override
    {
        hooks.push_back("spawn " + std::to_string(upgrade));
        if (popUp && popUp->worker()) workerAt = popUp->worker()->position();
    }
    TutorialPopup* popUp = nullptr;
    CGPoint workerAt{};
};

class TutorialPopupTest : public test::VillageTest {
protected:
    Ref<TutorialFrameDef> frame(int32_t id, int32_t type, int placement = -1)
    {
        auto def = makeRef<TutorialFrameDef>();
        def->ID = id;
        def->Type = type;
        def->LangID = "TUTORIAL_0";
        def->WorkerIcon = "worker_elder.png";
        def->Icon = "b_camp.png";
        std::vector<bool> flags(6, false);
        if (placement >= 0) flags[static_cast<size_t>(placement)] = true;
        def->setBPlacements(flags);
        return def;
    }
    TutorialPopup* open(TutorialFrameDef* def, CCNode* parent, bool afterBuild = false)
    {
        shown_ = TutorialPopup::popUpWithFrame(def, afterBuild);
        if (!shown_) return nullptr;
        shown_->setPosition({win().width / 2, win().height / 2});
        parent->addChild(shown_.get(), 5);
        run_.driver().runFrames(1);
        return shown_.get();
    }
    CCLabelTTF* textOf(TutorialPopup* popUp)
    {
        return dynamic_cast<CCLabelTTF*>(popUp->bubble()->getChildByTag(TutorialPopup::kTagText));
    }
    // A tile kind that makes both a resource and another tile kind that exist.
    Collectible* makingKind()
    {
        for (int32_t id = 1; id <= 24; ++id) {
            Collectible* kind = profile().GetCollectible(id);
            if (kind && profile().GetResource(kind->nextResource) &&
                profile().GetCollectible(kind->nextCollectible))
                return kind;
        }
        return nullptr;
    }
    // A worker upgrade whose first action is of `kind` and names a tile kind it can show.
    int32_t workerWithAction(int32_t kind)
    {
        for (int32_t id = 1; id < Profile::kUpgradeSlots; ++id) {
            UpgradeItem* item = profile().GetUpgrade(id);
            if (!item || item->Type != 3 || !item->Actions || item->Actions->count() == 0) continue;
            auto* action = dynamic_cast<UpgradeAction*>(item->Actions->objectAtIndex(0));
            if (!action || action->ID != kind) continue;
            if (kind == 0 && profile().GetCollectible(action->IDAction)) return id;
            if (kind == 1) {
                for (int32_t tile = 0; tile <= 24; ++tile) {
                    Collectible* c = profile().GetCollectible(tile);
                    if (c && c->nextResource == action->IDAction) return id;
                }
            }
        }
        return 0;
    }

    Ref<TutorialPopup> shown_;
};

TEST_P(TutorialPopupTest, EachPlacementSlidesTheSpeakerInAndOpensItsBubble)
{
    struct Row {
        int placement; // -1: no flag set
        int32_t expected;
        CGPoint at;     // after the show, as fractions of the window
        float rotation; // of the worker after the show
        float bubbleRotation;
        bool mirrored;
    };
    const Row rows[] = {
        {0, 0, {-0.5f, 0.1f}, 15, -15, false},  {1, 1, {-0.5f, -0.1f}, 15, -15, false},
        {2, 2, {-0.3f, -0.42f}, 0, 0, false},   {3, 3, {0.3f, -0.42f}, 0, 0, true},
        {4, 4, {0.5f, -0.1f}, -15, 15, true},   {5, 5, {0.5f, 0.1f}, -15, 15, true},
        {-1, 0, {-0.5f, 0.1f}, 15, -15, false},
    };
    auto parent = makeRef<HookProbe>();
    scene_->addChild(parent.get());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.placement);
        auto def = frame(200, 100, row.placement);
        TutorialPopup* popUp = open(def.get(), parent.get());
        ASSERT_NE(popUp, nullptr);
        EXPECT_EQ(popUp->placementType(), row.expected);
        CCSprite* worker = popUp->worker();
        EXPECT_EQ(worker->anchorPoint(), (CGPoint{0.5f, 0}));
        EXPECT_FALSE(popUp->showed());
        EXPECT_EQ(popUp->bubble()->scale(), 0);
        run_.run(1.8 + kLag);
        const CGPoint end = {row.at.x * win().width, row.at.y * win().height};
        expectNear(worker->position(), end);
        EXPECT_NEAR(worker->rotation(), row.rotation, 0.01f);
        CCSprite* bubble = popUp->bubble();
        EXPECT_EQ(bubble->parent(), worker);
        EXPECT_EQ(bubble->flipX(), row.mirrored);
        EXPECT_EQ(bubble->anchorPoint(), row.mirrored ? (CGPoint{0.9f, 0.25f}) : (CGPoint{0.1f, 0.25f}));
        const CGSize body = worker->contentSize();
        expectNear(bubble->position(), {row.mirrored ? 0 : body.width, body.height});
        EXPECT_NEAR(bubble->scale(), 1.0f, 0.01f);
        EXPECT_NEAR(bubble->rotation(), row.bubbleRotation, 0.01f);
        const CGSize size = bubble->contentSize();
        expectNear(textOf(popUp)->position(),
                   {(row.mirrored ? 0.45f : 0.55f) * size.width, 0.5f * size.height});
        EXPECT_TRUE(popUp->showed());
        if (row.placement == 0 || row.placement == 3)
            run_.picture("tutorial_placement_" + std::to_string(row.placement));
        popUp->removeFromParentAndCleanup(true);
    }
}

TEST_P(TutorialPopupTest, TheSpeakerStartsOffTheEdgeItSpeaksFrom)
{
    auto parent = makeRef<HookProbe>();
    scene_->addChild(parent.get());
    const float starts[6][2] = {{-0.5f, 0.1f}, {-0.5f, -0.1f}, {-0.3f, -0.5f},
                                {0.3f, -0.5f}, {0.5f, -0.1f},  {0.5f, 0.1f}};
    for (int placement = 0; placement < 6; ++placement) {
        SCOPED_TRACE(placement);
        auto def = frame(200, 100, placement);
        shown_ = TutorialPopup::popUpWithFrame(def.get());
        const float w = shown_->worker()->textureRect().size.width;
        const float shift = placement <= 1 ? -w / 2 : placement >= 4 ? w / 2 : 0;
        expectNear(shown_->worker()->position(),
                   {starts[placement][0] * win().width + shift, starts[placement][1] * win().height});
    }
}

TEST_P(TutorialPopupTest, KindsShowTheirPicturesAndCounters)
{
    Collectible* kind = makingKind();
    ASSERT_NE(kind, nullptr);
    const std::string kindPicture = kind->pngName + ".png";
    const std::string resourcePicture = profile().GetResource(kind->nextResource)->PngName + ".png";
    const std::string tilePicture = profile().GetCollectible(kind->nextCollectible)->pngName + ".png";
    struct Row {
        const char* name;
        int32_t type;
        int32_t relation;
        int32_t additional;
        int placement;
        std::vector<int> tags; // bubble children with these tags
    };
    const Row rows[] = {
        {"text only", 100, 0, 0, 0, {}},
        {"one icon", 101, 0, 0, 0, {TutorialPopup::kTagIcon}},
        {"one icon and a number", 101, 0, 7, 3, {TutorialPopup::kTagIcon, TutorialPopup::kTagIconCounter}},
        {"tile to resource",
         103,
         kind->ID,
         0,
         0,
         {TutorialPopup::kTagFirst, TutorialPopup::kTagSecond, TutorialPopup::kTagArrow,
          TutorialPopup::kTagFirstCounter, TutorialPopup::kTagSecondCounter}},
        {"tile to tile at 4",
         102,
         kind->ID,
         0,
         4,
         {TutorialPopup::kTagFirst, TutorialPopup::kTagSecond, TutorialPopup::kTagArrow,
          TutorialPopup::kTagFirstCounter, TutorialPopup::kTagSecondCounter}},
        {"no such tile kind", 103, 99, 0, 0, {}},
    };
    auto parent = makeRef<HookProbe>();
    scene_->addChild(parent.get());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto def = frame(200, row.type, row.placement);
        def->RelationID = row.relation;
        def->AdditionalNumber = row.additional;
        TutorialPopup* popUp = open(def.get(), parent.get());
        CCSprite* bubble = popUp->bubble();
        for (int tag = TutorialPopup::kTagIcon; tag <= TutorialPopup::kTagSecondCounter; ++tag) {
            const bool wanted = std::find(row.tags.begin(), row.tags.end(), tag) != row.tags.end();
            EXPECT_EQ(bubble->getChildByTag(tag) != nullptr, wanted) << "tag " << tag;
        }
        const CGSize size = bubble->contentSize();
        const float textX = row.placement >= 3 ? 0.45f : 0.55f;
        auto counterBeside = [&](int counterTag, int iconTag) {
            auto* icon = static_cast<CCSprite*>(bubble->getChildByTag(iconTag));
            const CGSize drawn = icon->textureRect().size;
            expectNear(bubble->getChildByTag(counterTag)->position(),
                       {icon->position().x + 0.4f * drawn.width * 0.6f,
                        icon->position().y + 0.1f * drawn.height * 0.6f});
            return static_cast<CCCounterDrell*>(bubble->getChildByTag(counterTag))->GetValue();
        };
        if (row.type == 101) {
            CCNode* icon = bubble->getChildByTag(TutorialPopup::kTagIcon);
            EXPECT_TRUE(shows(icon, "b_camp.png"));
            EXPECT_EQ(icon->scale(), 0.6f);
            EXPECT_EQ(icon->anchorPoint(), (CGPoint{0.5f, 0}));
            expectNear(icon->position(), {textX * size.width, 0.17f * size.height});
            if (row.additional) {
                EXPECT_EQ(counterBeside(TutorialPopup::kTagIconCounter, TutorialPopup::kTagIcon), 7);
            }
        }
        if ((row.type == 102 || row.type == 103) && row.relation == kind->ID) {
            CCNode* first = bubble->getChildByTag(TutorialPopup::kTagFirst);
            CCNode* second = bubble->getChildByTag(TutorialPopup::kTagSecond);
            CCNode* arrow = bubble->getChildByTag(TutorialPopup::kTagArrow);
            EXPECT_TRUE(shows(first, kindPicture));
            EXPECT_TRUE(shows(second, row.type == 103 ? resourcePicture : tilePicture));
            EXPECT_TRUE(shows(arrow, "Tutorial_red_arrow.png"));
            const bool fourth = row.placement == 4;
            expectNear(first->position(), {(fourth ? 0.25f : 0.35f) * size.width, 0.17f * size.height});
            expectNear(second->position(), {(fourth ? 0.65f : 0.55f) * size.width, 0.17f * size.height});
            expectNear(arrow->position(), {(fourth ? 0.46f : 0.75f) * size.width, 0.17f * size.height});
            EXPECT_EQ(first->scale(), 0.6f);
            EXPECT_EQ(arrow->scale(), 1.0f);
            EXPECT_EQ(counterBeside(TutorialPopup::kTagFirstCounter, TutorialPopup::kTagFirst),
                      row.type == 103 ? kind->nextResourceCount : kind->nextCollectibleCount);
            EXPECT_EQ(counterBeside(TutorialPopup::kTagSecondCounter, TutorialPopup::kTagSecond), 1);
        }
        popUp->removeFromParentAndCleanup(true);
    }
}

TEST_P(TutorialPopupTest, TheVillageNameGoesBeforeFrame54AndAfterTheTownFrames)
{
    profile().VillageName = "Mszana";
    const std::string body = text("TUTORIAL_0");
    const struct {
        int32_t id;
        std::string expected;
    } rows[] = {
        {54, "Mszana " + body},
        {73, body + " Mszana"},
        {75, body + " Mszana"},
        {76, body + " Mszana"},
        {78, body + " Mszana"},
        {81, body + " Mszana"},
        {53, body},
        {74, body},
    };
    auto parent = makeRef<HookProbe>();
    scene_->addChild(parent.get());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        auto def = frame(row.id, 100, 0);
        TutorialPopup* popUp = open(def.get(), parent.get());
        EXPECT_EQ(textOf(popUp)->string(), row.expected);
        EXPECT_EQ(points(textOf(popUp)), pick(20, 10));
        popUp->removeFromParentAndCleanup(true);
    }
}

TEST_P(TutorialPopupTest, TapsWaitForTheShowThenDismissAndNeverClaimTheTouch)
{
    for (bool afterBuild : {false, true}) {
        SCOPED_TRACE(afterBuild ? "after build" : "frame");
        auto parent = makeRef<HookProbe>();
        auto below = makeRef<TouchProbe>();
        scene_->addChild(below.get());
        scene_->addChild(parent.get());
        auto def = frame(200, 100, 2);
        TutorialPopup* popUp = open(def.get(), parent.get(), afterBuild);
        Ref<TutorialPopup> keep(popUp);
        run_.run(1.1);
        tap({win().width / 2, win().height / 2});
        EXPECT_FALSE(def->Done);
        EXPECT_TRUE(parent->hooks.empty());
        EXPECT_EQ(below->began, 1);
        run_.run(0.15);
        EXPECT_TRUE(popUp->showed());
        tap({10, 10});
        EXPECT_TRUE(def->Done);
        EXPECT_EQ(parent->hooks, std::vector<std::string>{afterBuild ? "after build" : "move"});
        EXPECT_EQ(below->began, 2);
        EXPECT_FALSE(popUp->showed());
        tap({10, 10});
        EXPECT_EQ(parent->hooks.size(), 1u) << "taps during the hide do nothing";
        EXPECT_EQ(below->began, 3);
        run_.run(0.45);
        EXPECT_EQ(popUp->parent(), parent.get());
        run_.run(0.1);
        EXPECT_EQ(popUp->parent(), nullptr) << "removed after 0.25 s and the 0.3 s slide";
        tap({10, 10});
        EXPECT_EQ(below->began, 4);
        below->removeFromParentAndCleanup(true);
        parent->removeFromParentAndCleanup(true);
    }
}

TEST_P(TutorialPopupTest, TheWorkerFormCountsTheChangeAndFliesTheWorkerOff)
{
    for (int32_t kind : {0, 1}) {
        SCOPED_TRACE(kind);
        const int32_t worker = workerWithAction(kind);
        ASSERT_NE(worker, 0) << "the game data has a worker of action kind " << kind;
        UpgradeItem* item = profile().GetUpgrade(worker);
        auto* action = static_cast<UpgradeAction*>(item->Actions->objectAtIndex(0));
        Collectible* tile = nullptr;
        if (kind == 0) tile = profile().GetCollectible(action->IDAction);
        for (int32_t id = 0; kind == 1 && id <= 24 && tile == nullptr; ++id) {
            Collectible* c = profile().GetCollectible(id);
            if (c && c->nextResource == action->IDAction) tile = c;
        }
        const int32_t n = kind == 0 ? tile->nextCollectibleCount : tile->nextResourceCount;

        auto parent = makeRef<WorkerProbe>();
        scene_->addChild(parent.get());
        Ref<TutorialPopup> popUp = TutorialPopup::popUpWithWorkerType(worker);
        ASSERT_NE(popUp, nullptr);
        parent->popUp = popUp.get();
        popUp->setPosition({win().width / 2, win().height / 2});
        parent->addChild(popUp.get());
        sounds.clear();
        EXPECT_EQ(popUp->placementType(), 3);
        EXPECT_TRUE(shows(popUp->worker(), item->PngName + ".png"));
        EXPECT_TRUE(shows(popUp->bubble(), "popup_workers_resources.png"));
        EXPECT_TRUE(popUp->bubble()->flipX());
        EXPECT_TRUE(shows(popUp->bubble()->getChildByTag(TutorialPopup::kTagFirst), tile->pngName + ".png"));
        EXPECT_EQ(popUp->changingCounter()->GetValue(), n - action->Value1);
        EXPECT_EQ(popUp->changeCounter()->GetValue(), action->Value1);
        const CGPoint changeAt = popUp->changeCounter()->position();
        run_.run(1.2 + 2 * kLag);
        EXPECT_TRUE(popUp->showed());
        EXPECT_EQ(popUp->changingCounter()->GetValue(), n);
        EXPECT_EQ(sounds, std::vector<std::string>{TutorialPopup::IsWomen(worker) ? "worker2" : "worker1"});
        run_.run(0.6 + kLag);
        expectNear(popUp->changeCounter()->position(), {changeAt.x, changeAt.y + pick(60, 30)});
        EXPECT_EQ(popUp->changeCounter()->opacity(), 0);

        tap({10, 10});
        EXPECT_FALSE(popUp->showed());
        run_.run(1.2);
        EXPECT_TRUE(parent->hooks.empty());
        run_.run(0.2);
        EXPECT_EQ(parent->hooks, (std::vector<std::string>{"spawn " + std::to_string(worker), "input on"}));
        expectNear(parent->workerAt,
                   tablet() ? CGPoint{0.58f * win().width, -95} : CGPoint{0.5f * win().width, -46});
        EXPECT_EQ(popUp->parent(), nullptr);
        parent->removeFromParentAndCleanup(true);
    }
}

TEST_P(TutorialPopupTest, HiringAchievementsFirstHireThenFiftyWorkers)
{
    const struct {
        int32_t workersBought;
        std::vector<std::string> grants;
    } rows[] = {
        {1, {"com.zandovar.mw.nowhiring ACH_HIRE1 5"}},      {30, {}}, {49, {}},
        {50, {"com.zandovar.mw.corporation ACH_WORK30 20"}}, {80, {}},
    };
    const int32_t worker = workerWithAction(0);
    auto parent = makeRef<WorkerProbe>();
    scene_->addChild(parent.get());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.workersBought);
        profile().WorkersBought = row.workersBought;
        ledger_->grants.clear();
        Ref<TutorialPopup> popUp = TutorialPopup::popUpWithWorkerType(worker);
        popUp->setPosition({win().width / 2, win().height / 2});
        parent->addChild(popUp.get());
        run_.run(1.3);
        tap({10, 10});
        EXPECT_EQ(ledger_->grants, row.grants);
        run_.run(1.5);
    }
}

TEST_P(TutorialPopupTest, TheExtraHelperIsAnnouncedAndWomenSpeakWithTheSecondVoice)
{
    Ref<TutorialPopup> helper = TutorialPopup::popUpWithWorkerType(105);
    ASSERT_NE(helper, nullptr);
    auto* label = dynamic_cast<CCLabelTTF*>(helper->bubble()->getChildByTag(TutorialPopup::kTagText));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->string(), text("HIRED_TEXT"));
    const CGSize size = helper->bubble()->contentSize();
    expectNear(label->position(), {size.width / 2, size.height / 2});
    for (int32_t id : {7, 8, 65, 66}) EXPECT_TRUE(TutorialPopup::IsWomen(id)) << id;
    for (int32_t id : {9, 105, 64, 67}) EXPECT_FALSE(TutorialPopup::IsWomen(id)) << id;

    auto parent = makeRef<WorkerProbe>();
    scene_->addChild(parent.get());
    Ref<TutorialPopup> woman = TutorialPopup::popUpWithWorkerType(7);
    ASSERT_NE(woman, nullptr);
    woman->setPosition({win().width / 2, win().height / 2});
    parent->addChild(woman.get());
    sounds.clear();
    run_.run(1.3);
    EXPECT_EQ(sounds, std::vector<std::string>{"worker2"});
    run_.picture("tutorial_worker");
}

INSTANTIATE_TEST_SUITE_P(Devices, TutorialPopupTest, ::testing::Values("phone", "tablet"));

} // namespace
} // namespace mw
