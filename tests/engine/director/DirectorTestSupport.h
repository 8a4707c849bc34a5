#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/director/CCDirector.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/CCDirectorTimer.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCScene.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "platform/DeviceProfile.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SharedInstances.h"

namespace mw::test {

// What happened to the recording scenes, in order: "A:enter", "A:exit", ...
using Journal = std::vector<std::string>;

// A scene that writes its life cycle into a journal.
class RecordingScene : public CCScene {
public:
    RecordingScene(std::string name, Journal& journal, bool transition = false)
        : name_(std::move(name)), journal_(journal), transition_(transition)
    {
    }
    ~RecordingScene() override { journal_.push_back(name_ + ":gone"); }

    void onEnter() override
    {
        journal_.push_back(name_ + ":enter");
        CCScene::onEnter();
    }
    void onEnterTransitionDidFinish() override
    {
        journal_.push_back(name_ + ":entered");
        CCScene::onEnterTransitionDidFinish();
    }
    void onExit() override
    {
        journal_.push_back(name_ + ":exit");
        CCScene::onExit();
    }
    void cleanup() override
    {
        journal_.push_back(name_ + ":cleanup");
        CCScene::cleanup();
    }
    bool isTransition() const override { return transition_; }

private:
    std::string name_;
    Journal& journal_;
    bool transition_;
};

// Whether the director's frame driver runs, whichever of the two kinds the
// screen gave it.
inline bool isAnimating(CCDirector& director)
{
    if (auto* timer = dynamic_cast<CCDirectorTimer*>(&director)) return timer->isAnimating();
    if (auto* link = dynamic_cast<CCDirectorDisplayLink*>(&director)) return link->isAnimating();
    return false;
}

// A headless driver for the device over the test process's GL context, torn
// down (director ended and released) after each test.
class DirectorTest : public ::testing::Test {
protected:
    // Headless screens report no refreshes (the timer director); tests of
    // the display-link director ask for a screen that reports them.
    explicit DirectorTest(const char* device = "phone",
                          HeadlessDriver::Refreshes refreshes = HeadlessDriver::Refreshes::NotReported)
        : device_(device), refreshes_(refreshes)
    {
    }

    void SetUp() override
    {
        GLTestContext* gl = GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr) << "no headless GL context";
        resetSharedInstances();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named(device_),
                                                    HeadlessDriver::kDefaultStep, refreshes_);
        ASSERT_NE(driver_, nullptr);
    }
    void TearDown() override
    {
        driver_.reset();
        resetSharedInstances();
    }

public:
    HeadlessDriver& driver() { return *driver_; }
    CCDirectorIOS& director() { return *driver_->director(); }

protected:
    const char* device_;
    HeadlessDriver::Refreshes refreshes_;
    std::unique_ptr<HeadlessDriver> driver_;
};

} // namespace mw::test
