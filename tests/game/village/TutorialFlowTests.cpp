#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "foundation/Format.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/SessionHooks.h"
#include "game/defs/Animation.h"
#include "game/defs/XMLManager.h"
#include "game/state/TutorialFrameDef.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/TutorialScreen.h"
#include "game/village/tutorial/TutorialAnim.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "tests/game/village/PopUpTestSupport.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::HookProbe;
using test::VillageWorld;

std::vector<std::string> partNames(const Animation* animation)
{
    std::vector<std::string> names;
    for (const Ref<ANIM_DEF>& part : animation->Animations) names.push_back(part->Name);
    return names;
}

// ---------------------------------------------------------------- the overlay

class TutorialOverlayTest : public test::VillageTest {
protected:
    void SetUp() override
    {
        test::VillageTest::SetUp();
        if (HasFatalFailure()) return;
        XMLManager::sharedInstance()->initXMLS();
    }
};

TEST_P(TutorialOverlayTest, EachOverlayShowsItsAnimationIconAndTextAndItsDismissalMovesOn)
{
    struct Case {
        int32_t frame;
        const char* animation; // null: the panel only
        std::vector<std::string> hooks;
        int32_t arrowFollowed; // -1: none
    } cases[] = {
        {10, "tutorial_01.xml", {"input on"}, 9},
        {25, "tutorial_01a.xml", {"input on"}, -1},
        {47, "tutorial_02.xml", {"input on", "move"}, -1},
        {69, "tutorial_03.xml", {"input on", "move"}, -1},
        {3, nullptr, {"input on"}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        TutorialFrameDef* def = profile().GetTutorialDef(c.frame);
        ASSERT_NE(def, nullptr);
        def->Done = false;
        for (auto& [n, other] : profile().TutorialDict) other->ArrowAfterDone = false;
        auto parent = makeRef<HookProbe>();
        scene_->addChild(parent.get());
        Ref<TutorialAnim> overlay = TutorialAnim::overlayWithTutorialState(c.frame);
        ASSERT_NE(overlay, nullptr);
        parent->addChild(overlay.get(), 5);
        run_.driver().runFrames(1);

        ASSERT_NE(overlay->panel(), nullptr);
        EXPECT_FLOAT_EQ(overlay->panel()->position().x, win().width / 2);
        EXPECT_FLOAT_EQ(overlay->panel()->position().y, win().height / 2);
        if (c.animation) {
            ASSERT_NE(overlay->animation(), nullptr);
            EXPECT_EQ(overlay->animation()->parent(), overlay->panel());
            EXPECT_EQ(partNames(overlay->animation()),
                      partNames(XMLManager::sharedInstance()->GetAnimationNamed(c.animation)));
        } else {
            EXPECT_EQ(overlay->animation(), nullptr);
        }
        ASSERT_NE(overlay->icon(), nullptr);
        Ref<CCSpriteFrame> icon = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(def->Icon);
        EXPECT_TRUE(overlay->icon()->isFrameDisplayed(icon.get()));
        bool textShown = false;
        for (size_t i = 0; i < overlay->panel()->children()->count(); ++i) {
            auto* label = dynamic_cast<CCLabelTTF*>(overlay->panel()->children()->objectAtIndex(i));
            if (label && label->string() == text(def->LangID.c_str())) textShown = true;
        }
        EXPECT_TRUE(textShown);

        // The continue button, as a tap reaches it.
        ASSERT_NE(overlay->continueButton(), nullptr);
        tap(centreOf(overlay->continueButton()));
        EXPECT_EQ(parent->hooks, c.hooks) << "the input comes back first";
        EXPECT_TRUE(def->Done);
        for (auto& [n, other] : profile().TutorialDict)
            EXPECT_EQ(other->ArrowAfterDone, n == c.arrowFollowed) << "frame " << n;
        EXPECT_EQ(overlay->parent(), nullptr);
        scene_->removeChild(parent.get(), true);
    }
}

TEST_P(TutorialOverlayTest, TheBoardsGetTheOverlayThroughTheSessionHook)
{
    auto board = makeRef<HookProbe>();
    session::OverlayMaker previous = session::setTutorialOverlayMaker(nullptr);
    EXPECT_FALSE(session::showTutorialOverlay(board.get(), 10, 5)) << "no maker: nothing";
    (void)session::setTutorialOverlayMaker(
        [](int32_t frame) -> Ref<CCNode> { return TutorialAnim::overlayWithTutorialState(frame); });
    EXPECT_FALSE(session::showTutorialOverlay(board.get(), 1000, 5)) << "a frame the data lacks";
    EXPECT_TRUE(session::showTutorialOverlay(board.get(), 10, 5));
    ASSERT_EQ(board->children()->count(), 1u);
    auto* overlay = dynamic_cast<TutorialAnim*>(board->children()->objectAtIndex(0));
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->zOrder(), 5);
    EXPECT_EQ(overlay->state(), 10);
    (void)session::setTutorialOverlayMaker(std::move(previous));
}

TEST_P(TutorialOverlayTest, EveryLanguageFitsTheTextAboveTheContinueButton)
{
    Ref<UIFont> body = UIFont::fontWithName("HelveticaNeue", pick(28, 14));
    Ref<UIFont> bold = UIFont::fontWithName("HelveticaNeue-Bold", pick(24, 12));
    ASSERT_TRUE(body && bold);
    const CGSize box = tablet() ? CGSize{400, 290} : CGSize{200, 145};
    LocalisationManager* strings = LocalisationManager::sharedInstance();
    for (const char* language : {"en", "de", "pl"}) {
        strings->setLang(language);
        strings->parseCSVFile("stringdb.csv");
        const float caption = sizeWithFont(strings->getValue("TAP_TO_CONT"), bold.get()).height;
        for (int32_t frame : {10, 25, 47, 69}) {
            const std::string text = strings->getValue(format("TUTORIAL_%d", frame));
            const CGSize used = sizeWithFont(text, body.get(), {box.width, 100000});
            // The text hangs from the top of its box, whose centre is the button's.
            EXPECT_LE(used.height, (box.height - caption) / 2) << language << ", frame " << frame << ": " << text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, TutorialOverlayTest, ::testing::Values("phone", "tablet"));

// ---------------------------------------------------------------- hooks on the village

// A content layer that records the tutorial hooks the HUD passes it.
class RecordingLayer : public CCLayer, public TutorialScreen {
public:
    void ValidateAndPlayTutorial() override { hooks.push_back("validate"); }
    void MoveWithTutorial() override { hooks.push_back("move"); }
    void AfterBuildSeq() override { hooks.push_back("after build"); }
    std::vector<std::string> hooks;
};

class TutorialHookTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
        previous_ = VillageScene::replaceLayerMakerForTesting([this](GuiObject*, int32_t layer) -> Ref<CCLayer> {
            if (!recording_) return nullptr;
            layer_ = makeRef<RecordingLayer>();
            madeFor_ = layer;
            return layer_;
        });
    }
    void TearDown() override { VillageScene::replaceLayerMakerForTesting(previous_); }

    // The village showing a recording layer in place of `layer`.
    RecordingLayer& show(int32_t layer)
    {
        recording_ = true;
        world.scene->ChangeLayer(layer == VillageScene::kMapLayer ? VillageScene::kShopLayer : VillageScene::kMapLayer);
        world.scene->ChangeLayer(layer);
        EXPECT_EQ(madeFor_, layer);
        layer_->hooks.clear();
        return *layer_;
    }

    VillageWorld world{GetParam()};
    VillageScene::LayerMaker previous_;
    Ref<RecordingLayer> layer_;
    int32_t madeFor_ = -1;
    bool recording_ = false;
};

TEST_P(TutorialHookTest, HooksFromThePopUpsReachTheLayerShown)
{
    world.start();
    struct Case {
        int32_t layer;
        std::vector<std::string> onMove;
    } cases[] = {
        {VillageScene::kMapLayer, {"validate"}},   {VillageScene::kStatsLayer, {"validate"}},
        {VillageScene::kShopLayer, {"move"}},      {VillageScene::kBuildingsLayer, {"move"}},
        {VillageScene::kWorkersLayer, {}},         {VillageScene::kToolsLayer, {}},
        {VillageScene::kMicroLayer, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layer);
        RecordingLayer& layer = show(c.layer);
        CCTutorialParent* forward = world.hud().GetTutorialParent();
        forward->MoveWithTutorial();
        EXPECT_EQ(layer.hooks, c.onMove);
        layer.hooks.clear();
        forward->AfterBuildSeq();
        EXPECT_EQ(layer.hooks, std::vector<std::string>{"after build"});
    }
    // A HUD without a village scene drops them.
    Ref<GuiObject> alone = GuiObject::guiWithParent(nullptr);
    ASSERT_NE(alone, nullptr);
    alone->GetTutorialParent()->MoveWithTutorial();
    alone->GetTutorialParent()->AfterBuildSeq();
    alone->GetTutorialParent()->InstantSpawnWorkerOfType();
}

TEST_P(TutorialHookTest, AnAfterBuildFrameOnTheMapReachesAfterBuildSeqNeverMoveWithTutorial)
{
    world.start();
    struct Case {
        bool afterBuild;
        std::vector<std::string> hooks;
    } cases[] = {{true, {"after build"}}, {false, {"validate"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.afterBuild);
        RecordingLayer& layer = show(VillageScene::kMapLayer);
        TutorialFrameDef* frame = world.profile().GetTutorialDef(72);
        frame->Done = false;
        Ref<TutorialPopup> popUp = TutorialPopup::popUpWithFrame(frame, c.afterBuild);
        popUp->setPosition({world.win().width / 2, world.win().height / 2});
        world.hud().GetTutorialParent()->addChild(popUp.get());
        world.run.run(1.3);
        world.tap({world.win().width / 2, world.win().height / 2});
        world.run.driver().runFrames(1);
        EXPECT_TRUE(frame->Done);
        EXPECT_EQ(layer.hooks, c.hooks);
        world.run.run(1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, TutorialHookTest, ::testing::ValuesIn(test::kVillageDevices));

// ---------------------------------------------------------------- the food pop-up

// A village with the tutorial pop-ups the game makes, recording each frame
// asked for; the map's pop-ups are found on the HUD.
class MapPopUpTutorialTest : public ::testing::TestWithParam<const char*> {
protected:
    explicit MapPopUpTutorialTest(double step = 1.0 / 60) : world(GetParam(), step) {}
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
        previous_ = session::setTutorialMaker([this](int32_t frame) -> Ref<CCNode> {
            raised.push_back(frame);
            return TutorialPopup::popUpWithFrame(world.profile().GetTutorialDef(frame));
        });
    }
    void TearDown() override { (void)session::setTutorialMaker(std::move(previous_)); }
    template <typename PopUp> PopUp* popUpOnHud()
    {
        CCArray* children = world.hud().children();
        for (size_t i = 0; children && i < children->count(); ++i) {
            if (auto* popUp = dynamic_cast<PopUp*>(children->objectAtIndex(i))) return popUp;
        }
        return nullptr;
    }

    VillageWorld world;
    session::TutorialMaker previous_;
    std::vector<int32_t> raised;
};

class FoodTutorialTest : public MapPopUpTutorialTest {
protected:
    FoodPopUp* foodPopUp() { return popUpOnHud<FoodPopUp>(); }
};

TEST_P(FoodTutorialTest, ClosingWithoutAMineSessionMakesFrames23And24DueAgain)
{
    world.markFrame(23, false, false);
    world.markFrame(24, false, false);
    world.start();
    world.map()->MineCallback(nullptr);
    ASSERT_NE(foodPopUp(), nullptr);
    EXPECT_EQ(raised, std::vector<int32_t>{23});
    // Both frames shown and dismissed, the bread arrow still waiting.
    world.markFrame(23, true, true);
    world.markFrame(24, true, false);
    foodPopUp()->CloseCallback(nullptr);
    for (int32_t n : {23, 24}) {
        EXPECT_FALSE(world.profile().GetTutorialDef(n)->Done) << n;
        EXPECT_FALSE(world.profile().GetTutorialDef(n)->ArrowAfterDone) << n;
    }
    world.run.run(0.5);
    world.map()->MineCallback(nullptr);
    EXPECT_EQ(raised, (std::vector<int32_t>{23, 23})) << "the next visit starts the food lesson again";
}

INSTANTIATE_TEST_SUITE_P(Devices, FoodTutorialTest, ::testing::ValuesIn(test::kVillageDevices));

// ---------------------------------------------------------------- the field pop-up

// The field pop-up opened from the map as a finger opens it, with the
// tutorial pop-ups the game makes. A refresh every 1/20 s is enough for
// the shows and slides and keeps the big tablet quick.
class FieldTutorialTest : public MapPopUpTutorialTest {
protected:
    FieldTutorialTest() : MapPopUpTutorialTest(1.0 / 20) {}
    FieldPopUp* fieldPopUp() { return popUpOnHud<FieldPopUp>(); }
    static std::vector<TutorialPopup*> framesOn(CCNode* node)
    {
        std::vector<TutorialPopup*> found;
        for (size_t i = 0; node->children() && i < node->children()->count(); ++i) {
            if (auto* popUp = dynamic_cast<TutorialPopup*>(node->children()->objectAtIndex(i)))
                found.push_back(popUp);
        }
        return found;
    }
    CGPoint centre() { return {world.win().width / 2, world.win().height / 2}; }
    CCNode* closeButton(FieldPopUp* popUp)
    {
        return static_cast<CCNode*>(popUp->buttons()->children()->objectAtIndex(0));
    }
};

TEST_P(FieldTutorialTest, Frame29CoversTheFieldPopUpAndHoldsItsButtonsUntilItIsTapped)
{
    world.markFrame(29, false, false);
    world.start();
    world.map()->FieldCallback(nullptr);
    FieldPopUp* popUp = fieldPopUp();
    ASSERT_NE(popUp, nullptr);
    EXPECT_EQ(raised, std::vector<int32_t>{29});
    std::vector<TutorialPopup*> frames = framesOn(popUp);
    ASSERT_EQ(frames.size(), 1u) << "the frame stands on the pop-up itself";
    TutorialPopup* frame = frames[0];
    ASSERT_NE(frame->frameDef(), nullptr);
    EXPECT_EQ(frame->frameDef()->ID, 29);
    EXPECT_EQ(frame->zOrder(), 7) << "over the buttons (the coin panel stands at 2)";
    EXPECT_FLOAT_EQ(frame->position().x, centre().x);
    EXPECT_FLOAT_EQ(frame->position().y, centre().y);
    EXPECT_FALSE(popUp->buttons()->isTouchEnabled());

    // Close is not taken while the frame is up: during its show a tap does
    // nothing at all; once it has ended a tap only dismisses the frame.
    Ref<FieldPopUp> keep(popUp);
    world.run.run(0.6);
    const CGPoint close = VillageWorld::centreOf(closeButton(popUp));
    world.tap(close);
    EXPECT_EQ(popUp->parent(), &world.hud());
    EXPECT_FALSE(world.profile().GetTutorialDef(29)->Done);
    EXPECT_FALSE(popUp->buttons()->isTouchEnabled());
    world.run.run(0.8);
    world.run.picture("field-pop-up-frame29");
    ASSERT_TRUE(frame->showed());
    world.tap(close);
    EXPECT_TRUE(world.profile().GetTutorialDef(29)->Done) << "the tap dismisses the frame";
    EXPECT_EQ(popUp->parent(), &world.hud()) << "and reaches no button";
    EXPECT_TRUE(popUp->buttons()->isTouchEnabled()) << "the dismissal hands the input back";
    world.run.run(0.8);
    EXPECT_TRUE(framesOn(popUp).empty()) << "the frame slid out and went";
    world.tap(close);
    EXPECT_EQ(popUp->parent(), nullptr) << "the buttons answer again";
    EXPECT_TRUE(world.map()->isTouchEnabled());

    // Frame 29 done: the next visit shows the buttons at once.
    world.run.run(0.2);
    world.map()->FieldCallback(nullptr);
    ASSERT_NE(fieldPopUp(), nullptr);
    EXPECT_TRUE(framesOn(fieldPopUp()).empty());
    EXPECT_TRUE(fieldPopUp()->buttons()->isTouchEnabled());
    EXPECT_EQ(raised, std::vector<int32_t>{29});
}

// The pop-up's rules know no device; the phones keep the test short.
INSTANTIATE_TEST_SUITE_P(Devices, FieldTutorialTest, ::testing::Values("phone", "phone-hd"));

} // namespace
} // namespace mw
