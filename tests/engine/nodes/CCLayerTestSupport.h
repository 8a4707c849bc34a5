#pragma once

#include <gtest/gtest.h>

#include "engine/base/CCWinSize.h"
#include "engine/base/UIAccelerometer.h"
#include "engine/base/ccContentScale.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "tests/support/SharedInstances.h"

namespace mw::test {

// Gives layer tests a 320 x 480 window, scale 1, and fresh shared instances
// (a touch dispatcher and an accelerometer with nobody registered), before and after.
class LayerTest : public ::testing::Test {
protected:
    static CGSize phoneWindow() { return {320, 480}; }

    void SetUp() override
    {
        resetSharedInstances();  // first: releasing a director left behind clears the window size
        ccSetWinSizeProvider(&phoneWindow);
        ccSetContentScaleFactor(1);
    }
    void TearDown() override
    {
        resetSharedInstances();
        ccSetContentScaleFactor(1);
        ccSetWinSizeProvider(nullptr);
    }
    static CCTouchDispatcher& dispatcher() { return *CCTouchDispatcher::sharedDispatcher(); }
};

} // namespace mw::test
