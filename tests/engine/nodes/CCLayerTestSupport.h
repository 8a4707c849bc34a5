#pragma once

#include <gtest/gtest.h>

#include "engine/base/CCWinSize.h"
#include "engine/base/UIAccelerometer.h"
#include "engine/base/ccContentScale.h"
#include "engine/touch/CCTouchDispatcher.h"

namespace mw::test {

// Gives layer tests a 320 x 480 window, scale 1, and a shared touch
// dispatcher and accelerometer with nobody registered, before and after.
class LayerTest : public ::testing::Test {
protected:
    static CGSize phoneWindow() { return {320, 480}; }

    void SetUp() override
    {
        ccSetWinSizeProvider(&phoneWindow);
        ccSetContentScaleFactor(1);
        resetInput();
    }
    void TearDown() override
    {
        resetInput();
        ccSetContentScaleFactor(1);
        ccSetWinSizeProvider(nullptr);
    }
    static void resetInput()
    {
        CCTouchDispatcher::sharedDispatcher()->removeAllDelegates();
        CCTouchDispatcher::sharedDispatcher()->setDispatchEvents(true);
        UIAccelerometer::sharedAccelerometer()->setDelegate(nullptr);
    }
    static CCTouchDispatcher& dispatcher() { return *CCTouchDispatcher::sharedDispatcher(); }
};

} // namespace mw::test
