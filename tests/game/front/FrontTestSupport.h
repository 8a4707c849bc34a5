#pragma once

// Shared by the front-end and village widget tests: the real frame loop of
// one device profile at a fixed step over a GL surface of the device's own
// size, the real bundle, and a scratch home folder (documents, caches, user
// defaults). Screenshots go to $MOSSWICK_TEST_PICTURES when it names a folder.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCScene.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/state/GlobalObject.h"
#include "platform/DeviceProfile.h"
#include "social/session/LumoraSlimlineSession.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw::test {

// The sheets the village and the boards load on each device (the menu's
// doors load the same rows).
inline std::vector<std::string> villageSheetsFor(const std::string& device)
{
    if (device == "phone")
        return {"Village-iPhone4-L.plist", "gameplay_iPhone4-L.plist", "gui_common-L.plist",
                "gui_iphone4n-L.plist"};
    if (device == "tablet")
        return {"Village-iPhone4-H.plist", "gameplay_iPhone4-H.plist", "gui_common-H.plist",
                "gui_ipadn.plist"};
    if (device == "tablet-hd")
        return {"Village-iPhone4-H2.plist", "gameplay_iPhone4-H2.plist", "gui_common-H2.plist",
                "gui_ipadn2.plist"};
    return {"Village-iPhone4-H.plist", "gameplay_iPhone4-H.plist", "gui_common-H.plist",
            "gui_iphone4n-H.plist"};
}

class DeviceRun {
public:
    // step: seconds per refresh (the picture drawn at every fourth one and
    // at the last of each run).
    explicit DeviceRun(std::string device, double step = 1.0 / 60)
        : device_(std::move(device))
    {
        const PixelSize pixels = DeviceProfile::named(device_)->pixelSize();
        gl_ = GLTestContext::acquire(pixels.width, pixels.height);
        if (gl_ == nullptr) return;
        resetSharedInstances();
        driver_ = HeadlessDriver::createWithContext(gl_->context(), *DeviceProfile::named(device_), step);
        if (!driver_) return;
        driver_->director()->setAnimationInterval(step);
        // Every fourth refresh and the last of each run draw: what a test
        // reads from the screen after a run is that moment's picture, at a
        // fraction of the drawing.
        driver_->setPictureEvery(kPictureEvery, true);
    }
    ~DeviceRun()
    {
        driver_.reset();
        resetSharedInstances();
    }
    DeviceRun(const DeviceRun&) = delete;
    DeviceRun& operator=(const DeviceRun&) = delete;

    static constexpr int kPictureEvery = 4;

    bool ok() const { return driver_ != nullptr; }
    HeadlessDriver& driver() { return *driver_; }
    const std::string& device() const { return device_; }
    GLTestContext& gl() { return *gl_; }

    // Runs a plain scene (for widgets) and lets one frame pass.
    CCScene* runPlainScene()
    {
        auto scene = CCScene::node();
        driver_->director()->runWithScene(scene.get());
        driver_->runFrames(1);
        return scene.get();
    }
    // Loads the village row of sheets of this device.
    bool loadVillageSheets()
    {
        bool all = true;
        for (const std::string& sheet : villageSheetsFor(device_))
            all = CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet) && all;
        return all;
    }
    // Whole refreshes for `seconds` of game time from now.
    void run(double seconds) { driver_->runFrames(static_cast<int>(std::lround(seconds / driver_->step()))); }
    // The same refreshes one at a time, `each` called after every one, for
    // a test that follows something frame by frame. They draw as a run does
    // (every fourth and the last), not each one as runs of a frame would.
    template <class Each> void runEach(double seconds, Each each)
    {
        const int refreshes = static_cast<int>(std::lround(seconds / driver_->step()));
        driver_->setPictureEvery(kPictureEvery, false);
        for (int i = 0; i < refreshes; ++i) {
            if (i + 1 == refreshes) driver_->setPictureEvery(kPictureEvery, true);
            driver_->runFrames(1);
            each();
        }
        driver_->setPictureEvery(kPictureEvery, true);
    }
    // Writes "<name>-<device>.png" into $MOSSWICK_TEST_PICTURES when it is set.
    void picture(const std::string& name)
    {
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver_->screenshot(std::string(dir) + "/" + name + "-" + device_ + ".png"));
        }
    }

    TempDir home;

private:
    ScopedEnv homeEnv_ {"MOSSWICK_HOME", home.path()};
    std::string device_;
    GLTestContext* gl_ = nullptr;
    std::unique_ptr<HeadlessDriver> driver_;
};

} // namespace mw::test
