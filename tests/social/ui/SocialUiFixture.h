#pragma once

// The social screens over the real frame loop: the scratch world of the
// session tests, a headless driver of one device profile running a plain
// scene, the view layer's window installed above it, and the shipped theme
// (or the test variant) current.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCScene.h"
#include "foundation/Paths.h"
#include "platform/DeviceProfile.h"
#include "platform/Image.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCTheming.h"
#include "social/ui/UIView.h"
#include "social/ui/UIWindow.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SourceTree.h"

namespace mw::test {

class SocialUiTest : public SocialFixture {
protected:
    // Starts the driver for `device` with `theme` current ("variant": the
    // test-only archive with background and status-bar skins).
    void start(const std::string& device = "phone-hd", const std::string& theme = "mosswick_01")
    {
        GLTestContext* gl = GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr) << "no headless GL context";
        facts_->pad = device.rfind("tablet", 0) == 0;
        device_ = device;
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named(device));
        ASSERT_NE(driver_, nullptr);
        scene_ = CCScene::node();
        // The menu's moss green under the social screens.
        Ref<CCLayerColor> ground = makeRef<CCLayerColor>(ccColor4B {70, 96, 52, 255});
        scene_->addChild(ground.get());
        driver_->director()->runWithScene(scene_.get());
        window_ = UIWindow::makeKeyWindow(*driver_->director());
        window_->install();
        useTheme(theme);
        CCPrivateSession::sharedInstance()->setCurrentDeviceOrientation(1);
        driver_->runFrames(1);
    }

    void useTheme(const std::string& theme)
    {
        std::string name = theme;
        if (theme == "variant") {
            // The variant is copied into a bundle of its own under the name
            // the game uses.
            const std::string bundle = home_.path() + "/variant_bundle";
            std::filesystem::create_directories(bundle);
            std::filesystem::copy_file(sourcePath("tests/data/social/mosswick_01_variant.lumoratheme"),
                                       bundle + "/mosswick_01.lumoratheme",
                                       std::filesystem::copy_options::overwrite_existing);
            bundleEnv_.reset();
            bundleEnv_ = std::make_unique<ScopedEnv>("MOSSWICK_RESOURCES", bundle);
            name = "mosswick_01";
            CCTheming::releaseSharedInstance();
        }
        ASSERT_EQ(CCTheming::sharedInstance()->setCurrentTheme(name), name);
    }

    void TearDown() override
    {
        if (window_) window_->uninstall();
        UIView::removeAllAnimations();
        window_ = nullptr;
        RunLoop::main().drain();
        scene_ = nullptr;
        driver_.reset();
        bundleEnv_.reset();
        SocialFixture::TearDown();
    }

    static std::string sourcePath(const std::string& relative)
    {
        return sourceTreePath(relative);
    }

    // Runs the frame loop for `seconds` of the driver's fixed step.
    void runSeconds(double seconds)
    {
        driver_->runFrames(static_cast<int>(std::lround(seconds / driver_->step())));
    }

    // The screen as a PNG under the build's test output folder; answers its path.
    std::string shoot(const std::string& name)
    {
        driver_->runFrames(1);
        const std::string folder = std::filesystem::temp_directory_path().string() + "/mosswick_social_ui";
        std::filesystem::create_directories(folder);
        const std::string path = folder + "/" + name + ".png";
        EXPECT_TRUE(driver_->screenshot(path));
        return path;
    }

    // The colour at a point of the screen (points, top-left origin).
    RGBA pixelAt(CGPoint point)
    {
        const std::vector<uint8_t> pixels = driver_->readPixels();
        const DeviceProfile& profile = *DeviceProfile::named(device_);
        const int width = static_cast<int>(profile.pointSize.width * profile.scale);
        const int x = static_cast<int>(point.x * profile.scale);
        const int y = static_cast<int>(point.y * profile.scale);
        const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
        return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
    }

    std::string device_;
    std::unique_ptr<HeadlessDriver> driver_;
    Ref<CCScene> scene_;
    Ref<UIWindow> window_;
    std::unique_ptr<ScopedEnv> bundleEnv_;
};

} // namespace mw::test
