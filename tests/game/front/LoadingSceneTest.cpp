#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/transitions/CCTransitionFade.h"
#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"
#include "game/defs/XMLManager.h"
#include "game/front/LoadingScene.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "platform/DeviceProfile.h"
#include "platform/RootView.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// The main menu as the loading scene sees it: some scene it did not make.
class MenuStandIn : public CCScene {};

// A headless run of the loading scene at one frame every 1/30 s, over a
// scratch data folder and the real bundle.
class LoadingSceneTest : public ::testing::Test {
protected:
    void start(const char* device = "phone")
    {
        // A surface of the device's own size, so screenshots show the screen.
        const PixelSize pixels = DeviceProfile::named(device)->pixelSize();
        gl_ = test::GLTestContext::acquire(pixels.width, pixels.height);
        ASSERT_NE(gl_, nullptr);
        test::resetSharedInstances();
        driver_ = HeadlessDriver::createWithContext(gl_->context(), *DeviceProfile::named(device), 1.0 / 30);
        ASSERT_NE(driver_, nullptr);
        driver_->director()->setAnimationInterval(1.0 / 30);
        LoadingScene::setMainMenuMaker([this] {
            menu_ = makeRef<MenuStandIn>();
            return Ref<CCScene>(menu_);
        });
        auto scene = LoadingScene::scene();
        layer_ = static_cast<LoadingScene*>(scene->children()->objectAtIndexAs<CCNode>(0));
        driver_->director()->runWithScene(scene.get());
    }
    void TearDown() override
    {
        LoadingScene::setMainMenuMaker(nullptr);
        layer_ = nullptr;
        menu_ = nullptr;
        driver_.reset();
        test::resetSharedInstances();
    }
    // Runs to the frame at which the scene's own clock shows `seconds`. The
    // scene enters at the end of the first frame and its actions' first step
    // (the second frame) takes no time, so its clock reads 0 at the second
    // frame and every later frame adds exactly 1/30 s.
    void runTo(double seconds)
    {
        const int target = kSceneClockStart + static_cast<int>(std::lround(seconds * 30));
        driver_->runFrames(target - frames_);
        frames_ = target;
    }
    static constexpr int kSceneClockStart = 2;
    static constexpr double kFrame = 1.0 / 30;

    // The screen sampled on a grid over its middle (where the logos sit), as
    // distances from white; saved as "<name>.png" when MOSSWICK_TEST_PICTURES
    // names a folder.
    std::vector<int> sampleMiddle(const std::string& name)
    {
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver_->screenshot(std::string(dir) + "/" + name + ".png"));
        }
        std::vector<int> samples;
        const int w = gl_->width(), h = gl_->height(), stride = std::max(2, w / 80);
        for (int y = h * 3 / 8; y < h * 5 / 8; y += stride) {
            for (int x = w / 8; x < w * 7 / 8; x += stride) {
                const test::RGBA c = gl_->readPixel(x, y);
                samples.push_back(3 * 255 - c.r - c.g - c.b);
            }
        }
        return samples;
    }
    static double inkedShare(const std::vector<int>& samples)
    {
        const auto inked = std::count_if(samples.begin(), samples.end(), [](int d) { return d > 60; });
        return samples.empty() ? 0 : double(inked) / double(samples.size());
    }

    test::TempDir home_;
    test::ScopedEnv homeEnv_{"MOSSWICK_HOME", home_.path()};
    test::GLTestContext* gl_ = nullptr;
    std::unique_ptr<HeadlessDriver> driver_;
    LoadingScene* layer_ = nullptr;
    Ref<MenuStandIn> menu_;
    int frames_ = 0;
};

TEST(LoadingSceneLogos, ChosenByTheSmallPhoneFlagThenTheWidth)
{
    struct Row {
        bool isIp3;
        float width;
        const char* publisher;
    };
    const Row rows[] = {
        {true, 320, "main_interface_logotype_zandovar_small.png"},
        {true, 2048, "main_interface_logotype_zandovar_small.png"},
        {false, 640, "main_interface_logotype_zandovar.png"},
        {false, 768, "main_interface_logotype_zandovar.png"},
        {false, 1024, "main_interface_logotype_zandovar.png"},
        {false, 1536, "main_interface_logotype_zandovar_big.png"},
    };
    for (const Row& row : rows) {
        auto [publisher, studio] = LoadingScene::logoFiles(row.isIp3, row.width);
        EXPECT_EQ(publisher, row.publisher) << row.width;
        std::string expectedStudio = row.publisher;
        expectedStudio.replace(expectedStudio.find("zandovar"), 8, "quillfen");
        EXPECT_EQ(studio, expectedStudio);
    }
}

class LoadingSceneTimeline : public LoadingSceneTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LoadingSceneTimeline, LoadsOnceCrossFadesAndHandsOverThroughWhite)
{
    start(GetParam());
    ASSERT_NE(layer_, nullptr);
    runTo(0.5);
    EXPECT_FALSE(XMLManager::sharedInstance()->FinishedLoading);
    EXPECT_EQ(RootView::sharedRootView().spinners().size(), 1u);
    EXPECT_EQ(layer_->sp1->opacity(), 255);
    EXPECT_EQ(layer_->sp2->opacity(), 0);
    const std::vector<int> publisher = sampleMiddle(std::string("loading-0.5-") + GetParam());
    EXPECT_GT(inkedShare(publisher), 0.02) << "the publisher's logo is on the white screen";
    runTo(1.5 - kFrame);
    EXPECT_TRUE(layer_->firstTime);
    EXPECT_FALSE(XMLManager::sharedInstance()->FinishedLoading);
    runTo(1.5);
    EXPECT_TRUE(XMLManager::sharedInstance()->FinishedLoading);
    EXPECT_FALSE(layer_->firstTime);
    EXPECT_TRUE(GlobalObject::sharedInstance()->SoundEffectsState["achievement"].asBool()) << "common set";
    EXPECT_EQ(layer_->sp1->opacity(), 255) << "the cross-fade's first step shows its start";
    EXPECT_EQ(layer_->sp2->opacity(), 0);
    runTo(1.6);
    EXPECT_GT(layer_->sp1->opacity(), 0);
    EXPECT_LT(layer_->sp1->opacity(), 255);
    EXPECT_EQ(layer_->sp2->opacity(), 0);
    runTo(1.8 - kFrame);
    EXPECT_GT(layer_->sp1->opacity(), 0);
    runTo(1.8);
    EXPECT_EQ(layer_->sp1->opacity(), 0) << "the publisher's logo is gone 0.3 s after the load";
    EXPECT_EQ(layer_->sp2->opacity(), 0) << "the studio's logo waits until 1.8 s";
    runTo(1.8 + kFrame);
    EXPECT_GT(layer_->sp2->opacity(), 0);
    runTo(2.1 - kFrame);
    EXPECT_LT(layer_->sp2->opacity(), 255);
    runTo(2.1);
    EXPECT_EQ(layer_->sp2->opacity(), 255);
    runTo(2.2);
    const std::vector<int> studio = sampleMiddle(std::string("loading-2.2-") + GetParam());
    EXPECT_GT(inkedShare(studio), 0.02) << "the studio's logo is on the white screen";
    ASSERT_EQ(studio.size(), publisher.size());
    int changed = 0;
    for (size_t i = 0; i < studio.size(); ++i) changed += std::abs(studio[i] - publisher[i]) > 60;
    EXPECT_GT(changed, int(studio.size() / 50)) << "the studio's logo replaced the publisher's";
    runTo(3.5 - kFrame);
    EXPECT_TRUE(layer_->end);
    EXPECT_EQ(menu_, nullptr);
    EXPECT_EQ(RootView::sharedRootView().spinners().size(), 1u);
    runTo(3.5); // 2.0 s after the load, to the frame
    EXPECT_FALSE(layer_->end);
    EXPECT_TRUE(RootView::sharedRootView().spinners().empty());
    auto* fade = dynamic_cast<CCTransitionFade*>(driver_->director()->runningScene());
    ASSERT_NE(fade, nullptr);
    EXPECT_NE(dynamic_cast<MenuStandIn*>(fade->inScene()), nullptr);
    EXPECT_FLOAT_EQ(fade->duration(), 0.5f);
    EXPECT_EQ(fade->color().r + fade->color().g + fade->color().b, 3 * 255) << "through white";
    const GlobalObject& g = *GlobalObject::sharedInstance();
    EXPECT_TRUE(g.SoundEffectsState["bonus_collect"].asBool()) << "menu set";
    EXPECT_TRUE(g.SoundEffectsState["achievement"].asBool()) << "common set still loaded";

    // A second call of the last step changes nothing.
    CCScene* running = driver_->director()->runningScene();
    layer_->ChangeGfx2();
    EXPECT_EQ(driver_->director()->runningScene(), running);
}

INSTANTIATE_TEST_SUITE_P(Devices, LoadingSceneTimeline, ::testing::Values("phone", "tablet-hd"));

// The save file decides: the user default "Loaded" may have been lost with a
// damaged settings file, or never written when a kill came between the first
// save and its note there.
TEST_F(LoadingSceneTest, TheSavedGameLoadsWheneverThereIsASaveFile)
{
    struct Row {
        const char* name;
        std::optional<bool> loaded;
        const char* save; // nullptr: none; "good": a real save; else these bytes
        bool profileLoaded;
    };
    const Row rows[] = {
        {"absent", std::nullopt, "good", true},
        {"no", false, "good", true},
        {"yes with a save", true, "good", true},
        {"yes with a damaged save", true, "<plist><dict><key>Gold", false},
        {"yes without a save", true, nullptr, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir home;
        test::ScopedEnv env("MOSSWICK_HOME", home.path());
        test::resetSharedInstances();
        if (row.save != nullptr && std::string(row.save) == "good") {
            Profile::sharedInstance()->GoldCount = 321;
            ASSERT_TRUE(Profile::sharedInstance()->SaveData());
        } else if (row.save != nullptr) {
            Paths::createDirectories(Paths::documentsDirectory());
            test::TempDir::writeText(Paths::documentsPath("supersave.plist"), row.save);
        }
        Profile::purgeSharedInstance();
        UserDefaults::resetStandardUserDefaults();
        if (row.loaded) UserDefaults::standardUserDefaults().setBool("Loaded", *row.loaded);
        else UserDefaults::standardUserDefaults().removeObjectForKey("Loaded");
        ASSERT_TRUE(UserDefaults::standardUserDefaults().synchronize()); // start() reads the defaults afresh

        frames_ = 0;
        start();
        runTo(3.5);
        EXPECT_NE(menu_, nullptr) << "the menu follows in every case";
        EXPECT_EQ(Profile::sharedInstance()->GoldCount == 321, row.profileLoaded);
        EXPECT_EQ(Profile::sharedInstance()->Loaded, row.profileLoaded);
        if (row.save != nullptr && std::string(row.save) != "good") {
            int aside = 0;
            for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory()))
                if (entry.path().filename().string().find(".corrupt-") != std::string::npos) ++aside;
            EXPECT_EQ(aside, 1) << "the damaged save is kept aside";
        }
        TearDown();
    }
}

} // namespace
} // namespace mw
