#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/director/CCDirector.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "game/defs/XMLManager.h"
#include "game/front/CCTransitionDoors.h"
#include "game/front/LoadingScene.h"
#include "game/front/MainMenuPopUp.h"
#include "game/front/MainMenuScene.h"
#include "game/state/LocalisationManager.h"
#include "tests/game/front/FrontTestSupport.h"

namespace mw {
namespace {

// A scene with a layer that counts the taps it is offered, and that notes
// when the doors hide it.
class ProbeScene : public CCScene {
public:
    class TapLayer : public CCLayer {
    public:
        void registerWithTouchDispatcher() override
        {
            CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true);
        }
        bool ccTouchBegan(UITouch*, const UIEvent&) override
        {
            ++taps;
            return true;
        }
        int taps = 0;
    };
    ProbeScene()
    {
        layer = makeRef<TapLayer>();
        layer->setIsTouchEnabled(true);
        addChild(layer.get());
    }
    void onHide() override { hidden = true; }
    Ref<TapLayer> layer;
    bool hidden = false;
};

bool frameLoaded(const char* name)
{
    return bool(CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name));
}
// "logo_MW_01.png" lives only in the menu sheet, "strzalka.png" only in the village's.
bool menuSheetLoaded() { return frameLoaded("logo_MW_01.png"); }
bool villageSheetsLoaded() { return frameLoaded("strzalka.png"); }

// What one refresh showed, at its time since the doors started.
struct Moment {
    double at;
    float left; // the left door's x
    float right; // the right door's x
    bool menuSheet;
    bool villageSheets;
    bool incomingBuilt;
    bool outgoingHidden;
    bool switched;
};

class DoorsTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run_.ok());
        out_ = makeRef<ProbeScene>();
        run_.driver().director()->runWithScene(out_.get());
        run_.run(1.0 / 60);
        GlobalObject* global = GlobalObject::sharedInstance();
        global->AudioState = GlobalObject::kAudioFailed; // silent, and nothing waits for the engine
        global->soundRequestListener = [this](const std::string& key) {
            sounds_.push_back({key, run_.driver().clock().monotonicSeconds()});
        };
        CCTransitionDoorsFromMenu::setIncomingSceneMaker([this] {
            in_ = makeRef<ProbeScene>();
            return Ref<CCScene>(in_);
        });
    }
    void TearDown() override
    {
        CCTransitionDoorsFromMenu::setIncomingSceneMaker(nullptr);
        if (auto* global = Shared<GlobalObject>::current()) global->soundRequestListener = nullptr;
    }
    bool tablet() { return GlobalObject::sharedInstance()->isIpad; }
    float width() { return run_.driver().director()->winSize().width; }

    // Starts the doors and follows them frame by frame for `seconds`.
    void follow(CCTransitionDoors* doors, double seconds, const std::function<void(const Moment&)>& each = {})
    {
        doors_ = doors;
        sounds_.clear();
        run_.driver().director()->replaceScene(doors);
        run_.run(1.0 / 60);
        start_ = run_.driver().clock().monotonicSeconds();
        while (run_.driver().clock().monotonicSeconds() - start_ < seconds) {
            run_.run(1.0 / 60);
            Moment m {};
            m.at = run_.driver().clock().monotonicSeconds() - start_;
            m.left = doors->leftDoor() ? doors->leftDoor()->position().x : NAN;
            m.right = doors->rightDoor() ? doors->rightDoor()->position().x : NAN;
            m.menuSheet = menuSheetLoaded();
            m.villageSheets = villageSheetsLoaded();
            m.incomingBuilt = doors->inScene() != nullptr;
            m.outgoingHidden = out_->hidden;
            m.switched = run_.driver().director()->runningScene() != doors;
            moments_.push_back(m);
            if (each) each(m);
        }
    }
    // The time of the first moment at which `test` holds, after `from`.
    std::optional<double> first(const std::function<bool(const Moment&)>& test, double from = 0) const
    {
        for (const Moment& m : moments_)
            if (m.at > from && test(m)) return m.at;
        return std::nullopt;
    }
    std::optional<double> soundAt(const std::string& key) const
    {
        for (const auto& [name, at] : sounds_)
            if (name == key) return at - start_;
        return std::nullopt;
    }
    void loadMenuSheet()
    {
        GlobalObject* global = GlobalObject::sharedInstance();
        ASSERT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(
            CCTransitionDoors::menuSheet(global->isIpad, global->isIp3,
                                         run_.driver().director()->winSizeInPixels().width)));
    }

    test::DeviceRun run_ {GetParam()};
    Ref<ProbeScene> out_;
    Ref<ProbeScene> in_;
    CCTransitionDoors* doors_ = nullptr;
    double start_ = 0;
    std::vector<std::pair<std::string, double>> sounds_; // key, clock time
    std::vector<Moment> moments_;
};

constexpr double kFrame = 1.0 / 60;

struct Expected {
    const char* what;
    std::function<bool(const Moment&)> test;
    double after; // look from here on
    double at; // seconds since the doors started
};

void expectMoments(const DoorsTest& fixture, const std::vector<Expected>& table,
                   const std::function<std::optional<double>(const Expected&)>& find)
{
    for (const Expected& row : table) {
        const std::optional<double> at = find(row);
        ASSERT_TRUE(at.has_value()) << row.what << " never happened";
        EXPECT_NEAR(*at, row.at, 1.5 * kFrame) << row.what;
    }
}

TEST_P(DoorsTest, FromTheMenuTimelineSheetsAndSounds)
{
    loadMenuSheet();
    auto doors = CCTransitionDoorsFromMenu::transitionWithDuration(0.6f);
    ASSERT_NE(doors, nullptr);
    EXPECT_FALSE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents()) << "off from creation";
    int overlaps = 0;
    follow(doors.get(), 2.0, [&](const Moment& m) { overlaps += m.menuSheet && m.villageSheets; });
    EXPECT_EQ(overlaps, 0) << "the menu sheet and the village sheets were loaded together";

    const float w = width();
    const std::vector<Expected> table = {
        {"doors shut", [&](const Moment& m) { return m.left == 0.5f * w && m.right == 0.5f * w; }, 0, 0.3},
        {"menu sheet dropped", [](const Moment& m) { return !m.menuSheet; }, 0, 0.6},
        {"village sheets loaded", [](const Moment& m) { return m.villageSheets; }, 0, 0.9},
        {"incoming scene built", [](const Moment& m) { return m.incomingBuilt; }, 0, 0.9},
        {"doors start opening", [&](const Moment& m) { return m.left < 0.5f * w; }, 1.0, 1.2 + kFrame},
        {"doors open", [&](const Moment& m) { return m.left == 0 && m.right == w; }, 1.0, 1.5},
        {"menu hidden", [](const Moment& m) { return m.outgoingHidden; }, 0, 1.2},
        {"scene switched", [](const Moment& m) { return m.switched; }, 0, 1.8 + kFrame},
    };
    expectMoments(*this, table, [&](const Expected& row) { return first(row.test, row.after); });
    const std::optional<double> closing
        = first([&](const Moment& m) { return m.left > 0 && m.left < 0.5f * w; });
    ASSERT_TRUE(closing);
    EXPECT_LT(*closing, 0.05);
    ASSERT_TRUE(soundAt("loader_close"));
    EXPECT_NEAR(*soundAt("loader_close"), 0, kFrame);
    ASSERT_TRUE(soundAt("loader_open"));
    EXPECT_NEAR(*soundAt("loader_open"), 1.2, 1.5 * kFrame);

    EXPECT_EQ(run_.driver().director()->runningScene(), in_.get());
    EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents());
    // The four sheets of the device's row, the first two in RGBA4444.
    const std::vector<std::string> sheets = test::villageSheetsFor(GetParam());
    const CCTexture2DPixelFormat formats[]
        = {kCCTexture2DPixelFormat_RGBA4444, kCCTexture2DPixelFormat_RGBA4444,
           kCCTexture2DPixelFormat_RGBA8888, kCCTexture2DPixelFormat_RGBA8888};
    for (size_t i = 0; i < sheets.size(); ++i) {
        const std::string texture = sheets[i].substr(0, sheets[i].size() - 6) + ".png";
        Ref<CCTexture2D> loaded = CCTextureCache::sharedTextureCache()->textureForKey(texture);
        ASSERT_NE(loaded, nullptr) << texture;
        EXPECT_EQ(loaded->pixelFormat(), formats[i]) << texture;
    }
    EXPECT_EQ(CCTexture2D::defaultAlphaPixelFormat(), kCCTexture2DPixelFormat_RGBA8888);
    GlobalObject* global = GlobalObject::sharedInstance();
    const std::string menuTexture = CCTransitionDoors::menuSheet(
        global->isIpad, global->isIp3, run_.driver().director()->winSizeInPixels().width);
    EXPECT_EQ(CCTextureCache::sharedTextureCache()->textureForKey(
                  menuTexture.substr(0, menuTexture.size() - 6) + ".png"),
              nullptr);
}

TEST_P(DoorsTest, ToTheMenuTimelineAndSheets)
{
    ASSERT_TRUE(run_.loadVillageSheets());
    XMLManager::sharedInstance()->initXMLS();
    LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
    auto doors = CCTransitionDoorsToMenu::transitionWithDuration(0.6f);
    ASSERT_NE(doors, nullptr);
    int overlaps = 0;
    follow(doors.get(), 1.7, [&](const Moment& m) { overlaps += m.menuSheet && m.villageSheets; });
    EXPECT_EQ(overlaps, 0);
    const float w = width();
    const std::vector<Expected> table = {
        {"doors shut", [&](const Moment& m) { return m.left == 0.5f * w; }, 0, 0.3},
        {"left scene hidden", [](const Moment& m) { return m.outgoingHidden; }, 0, 0.6},
        {"village sheets dropped", [](const Moment& m) { return !m.villageSheets; }, 0, 0.6},
        {"menu built, its sheet loaded", [](const Moment& m) { return m.incomingBuilt && m.menuSheet; }, 0,
         0.6},
        {"doors start opening", [&](const Moment& m) { return m.left < 0.5f * w; }, 0.7, 0.9 + kFrame},
        {"doors open", [&](const Moment& m) { return m.left == 0 && m.right == w; }, 0.7, 1.2},
        {"scene switched", [](const Moment& m) { return m.switched; }, 0, 1.5 + kFrame},
    };
    expectMoments(*this, table, [&](const Expected& row) { return first(row.test, row.after); });
    ASSERT_TRUE(soundAt("loader_open"));
    EXPECT_NEAR(*soundAt("loader_open"), 0.9, 1.5 * kFrame);
    EXPECT_NE(dynamic_cast<MainMenuScene*>(run_.driver().director()->runningScene()), nullptr);
}

TEST_P(DoorsTest, DoorImageScaleAndHandlesPerDevice)
{
    struct Row {
        const char* device;
        const char* image;
        float doorScale;
        float handleScale;
    };
    const Row rows[] = {
        {"phone", "loading_doors_ip3.png", 1, 1},
        {"phone-hd", "loading_doors_ip4.png", 1, 1},
        {"tablet", "loading_doors_ipad.png", 1, 1},
        {"tablet-hd", "loading_doors_ipad.png", 2, 0.5f},
    };
    const Row* row = nullptr;
    for (const Row& candidate : rows)
        if (std::string(candidate.device) == GetParam()) row = &candidate;
    ASSERT_NE(row, nullptr);
    GlobalObject* global = GlobalObject::sharedInstance();
    EXPECT_EQ(CCTransitionDoors::doorImage(global->isIpad, global->isIp3), row->image);

    for (int direction = 0; direction < 2; ++direction) {
        SCOPED_TRACE(direction == 0 ? "from the menu" : "to the menu");
        if (direction == 0) {
            loadMenuSheet();
        } else {
            ASSERT_TRUE(run_.loadVillageSheets());
        }
        Ref<CCTransitionDoors> doors;
        if (direction == 0) {
            doors = Ref<CCTransitionDoors>(CCTransitionDoorsFromMenu::transitionWithDuration(0.6f).get());
        } else {
            doors = Ref<CCTransitionDoors>(CCTransitionDoorsToMenu::transitionWithDuration(0.6f).get());
        }
        run_.driver().director()->replaceScene(doors.get());
        run_.run(2.0 / 60);
        CCSprite* left = doors->leftDoor();
        CCSprite* right = doors->rightDoor();
        ASSERT_NE(left, nullptr);
        EXPECT_EQ(left->texture(), CCTextureCache::sharedTextureCache()->textureForKey(row->image).get());
        EXPECT_EQ(left->scale(), row->doorScale);
        EXPECT_EQ(right->scale(), row->doorScale);
        EXPECT_TRUE(right->flipX());
        EXPECT_EQ(left->anchorPoint(), (CGPoint {1, 0}));
        EXPECT_EQ(right->anchorPoint(), (CGPoint {0, 0}));
        EXPECT_EQ(left->parent(), out_.get());
        EXPECT_EQ(left->zOrder(), 5);
        ASSERT_EQ(left->children()->count(), 1u);
        ASSERT_EQ(right->children()->count(), 1u);
        auto* leftHandle = left->children()->objectAtIndexAs<CCSprite>(0);
        auto* rightHandle = right->children()->objectAtIndexAs<CCSprite>(0);
        const float offset = direction == 0 ? 0.0f : 1.0f;
        const CGRect door = left->textureRect();
        EXPECT_EQ(leftHandle->position(), (CGPoint {door.size.width + offset, door.size.height * 0.5f}));
        EXPECT_EQ(rightHandle->position(), (CGPoint {-offset, door.size.height * 0.5f}));
        EXPECT_EQ(leftHandle->anchorPoint(), (CGPoint {1, 0.5f}));
        EXPECT_EQ(rightHandle->anchorPoint(), (CGPoint {0, 0.5f}));
        EXPECT_EQ(leftHandle->scale(), row->handleScale);
        EXPECT_EQ(rightHandle->scale(), row->handleScale);
        EXPECT_TRUE(leftHandle->isFrameDisplayed(
            CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("loading_tab2.png").get()));
        // Let this one finish before the next direction starts.
        run_.run(2.0);
        out_ = makeRef<ProbeScene>();
        run_.driver().director()->replaceScene(out_.get());
        run_.run(2.0 / 60);
    }
}

TEST_P(DoorsTest, TapsDuringTheDoorsReachNeitherScene)
{
    loadMenuSheet();
    auto doors = CCTransitionDoorsFromMenu::transitionWithDuration(0.6f);
    const CGPoint point {50, 50};
    follow(doors.get(), 1.9, [&](const Moment& m) {
        for (double at : {0.1, 0.5, 1.0, 1.3, 1.7}) {
            if (std::abs(m.at - at) < kFrame / 2) {
                Ref<UITouch> touch = run_.driver().touchDown(point);
                run_.driver().touchUp(touch.get());
            }
        }
    });
    ASSERT_NE(in_, nullptr);
    EXPECT_EQ(out_->layer->taps, 0);
    EXPECT_EQ(in_->layer->taps, 0);
    Ref<UITouch> touch = run_.driver().touchDown(point);
    run_.driver().touchUp(touch.get());
    EXPECT_EQ(in_->layer->taps, 1) << "after the switch taps arrive again";
}

TEST_P(DoorsTest, ADoorTransitionDroppedBeforeItsSwitchGivesTouchesBack)
{
    {
        auto doors = CCTransitionDoorsToMenu::transitionWithDuration(0.6f);
        ASSERT_NE(doors, nullptr);
        EXPECT_FALSE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents());
        // Replaced before it ran: the second replacement of one frame wins.
        run_.driver().director()->replaceScene(doors.get());
        auto other = makeRef<ProbeScene>();
        run_.driver().director()->replaceScene(other.get());
        doors = nullptr;
        run_.run(2.0 / 60);
    }
    EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents());
    {
        auto doors = CCTransitionDoorsFromMenu::transitionWithDuration(0.6f);
        ASSERT_NE(doors, nullptr);
    }
    EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents()) << "made and dropped unrun";
}

TEST_P(DoorsTest, PicturesMidCloseAndMidOpen)
{
    XMLManager::sharedInstance()->initXMLS();
    LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
    auto menu = MainMenuScene::scene();
    run_.driver().director()->replaceScene(menu.get());
    run_.run(2.0); // the plates have come in
    const int w = run_.gl().width(), h = run_.gl().height();
    auto same = [](test::RGBA a, test::RGBA b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    const test::RGBA menuEdge = run_.gl().readPixel(2, h / 2);
    const test::RGBA menuMiddle = run_.gl().readPixel(w / 2, h / 2);

    auto doors = CCTransitionDoorsFromMenu::transitionWithDuration(0.6f);
    run_.driver().director()->replaceScene(doors.get());
    run_.run(0.15 + kFrame);
    run_.picture("doors-mid-close");
    EXPECT_FALSE(same(run_.gl().readPixel(2, h / 2), menuEdge)) << "a door covers the edge";
    EXPECT_TRUE(same(run_.gl().readPixel(w / 2, h / 2), menuMiddle)) << "the menu still shows in the middle";

    run_.run(1.2);
    run_.picture("doors-mid-open");
    const test::RGBA black {0, 0, 0, 255};
    EXPECT_FALSE(same(run_.gl().readPixel(2, h / 2), black))
        << "the opening doors show over the incoming scene";
    EXPECT_TRUE(same(run_.gl().readPixel(w / 2, h / 2), black))
        << "the incoming (empty) scene shows in the middle";
}

TEST_P(DoorsTest, TheOptionsPopUpLeadsBackToTheMenuThroughTheDoors)
{
    // The loading scene points the pop-up's way back at the doors.
    auto loading = LoadingScene::scene();
    const MainMenuPopUp::MenuSceneMaker maker = MainMenuPopUp::setMenuSceneMaker(nullptr);
    ASSERT_TRUE(maker);
    maker();
    run_.run(2.0 / 60);
    EXPECT_NE(dynamic_cast<CCTransitionDoorsToMenu*>(run_.driver().director()->runningScene()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Devices, DoorsTest, ::testing::Values("phone", "phone-hd", "tablet", "tablet-hd"));

} // namespace
} // namespace mw
