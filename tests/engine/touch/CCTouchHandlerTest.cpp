#include <gtest/gtest.h>

#include "engine/touch/CCStandardTouchHandler.h"
#include "engine/touch/CCTargetedTouchHandler.h"
#include "tests/engine/touch/TouchTestDelegates.h"

namespace mw {
namespace {

using test::CallLog;
using test::LoggingStandard;
using test::LoggingTargeted;

struct MaskCase {
    const char* name;
    int32_t declared;
    int32_t targetedMask;  // began is always part of a targeted mask
    int32_t standardMask;
};

TEST(CCTouchHandler, EnabledSelectorsComeFromTheDeclaredCallbacks)
{
    const MaskCase cases[] = {
        {"none", 0, kCCTouchBeganBit, 0},
        {"began only", kCCTouchBeganBit, kCCTouchBeganBit, kCCTouchBeganBit},
        {"moved", kCCTouchMovedBit, kCCTouchBeganBit | kCCTouchMovedBit, kCCTouchMovedBit},
        {"began and ended", kCCTouchBeganBit | kCCTouchEndedBit, kCCTouchBeganBit | kCCTouchEndedBit,
         kCCTouchBeganBit | kCCTouchEndedBit},
        {"all", kCCTouchAllBits, kCCTouchAllBits, kCCTouchAllBits},
        {"stray bits ignored", 0x30 | kCCTouchCancelledBit, kCCTouchBeganBit | kCCTouchCancelledBit,
         kCCTouchCancelledBit},
    };
    CallLog log;
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto targeted = makeRef<LoggingTargeted>("t", log, true, c.declared);
        auto standard = makeRef<LoggingStandard>("s", log, c.declared);
        EXPECT_EQ(CCTargetedTouchHandler::handlerWithDelegate(targeted.get(), 0, true)->enabledSelectors(),
                  c.targetedMask);
        EXPECT_EQ(CCStandardTouchHandler::handlerWithDelegate(standard.get(), 0)->enabledSelectors(),
                  c.standardMask);
    }
}

TEST(CCTouchHandler, MaskIsReadOnceAtCreation)
{
    CallLog log;
    auto delegate = makeRef<LoggingTargeted>("t", log, true, kCCTouchBeganBit);
    auto handler = CCTargetedTouchHandler::handlerWithDelegate(delegate.get(), 0, false);
    delegate->setCallbacks(kCCTouchAllBits);
    EXPECT_EQ(handler->enabledSelectors(), kCCTouchBeganBit);
}

TEST(CCTouchHandler, FreshHandlerCarriesItsArgumentsAndNoMarks)
{
    CallLog log;
    auto delegate = makeRef<LoggingTargeted>("t", log);
    auto plain = CCTargetedTouchHandler::handlerWithDelegate(delegate.get(), -128, true);
    EXPECT_EQ(plain->priority(), -128);
    EXPECT_EQ(plain->tag(), 0);
    EXPECT_EQ(plain->disable(), 0);
    EXPECT_FALSE(plain->remove());
    EXPECT_TRUE(plain->swallowsTouches());
    EXPECT_TRUE(plain->claimedTouches().empty());

    auto tagged = CCTargetedTouchHandler::handlerWithDelegate(delegate.get(), 5, false, 7, 1);
    EXPECT_EQ(tagged->tag(), 7);
    EXPECT_EQ(tagged->disable(), 1);
    EXPECT_FALSE(tagged->swallowsTouches());
    EXPECT_EQ(tagged->delegate(), static_cast<CCTouchDelegate*>(delegate.get()));
}

TEST(CCTouchHandler, KeepsItsDelegateAliveAndLetsGoOfIt)
{
    CallLog log;
    auto first = makeRef<LoggingStandard>("a", log);
    auto second = makeRef<LoggingStandard>("b", log);
    {
        auto handler = CCStandardTouchHandler::handlerWithDelegate(first.get(), 0);
        EXPECT_EQ(first->retainCount(), 2);
        handler->setDelegate(second.get());
        EXPECT_EQ(first->retainCount(), 1);
        EXPECT_EQ(second->retainCount(), 2);
    }
    EXPECT_EQ(second->retainCount(), 1);
}

TEST(CCTouchHandler, KindIsKnownWithoutGuessing)
{
    CallLog log;
    auto targetedDelegate = makeRef<LoggingTargeted>("t", log);
    auto standardDelegate = makeRef<LoggingStandard>("s", log);
    auto targeted = CCTargetedTouchHandler::handlerWithDelegate(targetedDelegate.get(), 0, false);
    auto standard = CCStandardTouchHandler::handlerWithDelegate(standardDelegate.get(), 0);
    auto base = CCTouchHandler::handlerWithDelegate(standardDelegate.get(), 0);
    EXPECT_EQ(targeted->asTargeted(), targeted.get());
    EXPECT_EQ(targeted->asStandard(), nullptr);
    EXPECT_EQ(standard->asStandard(), standard.get());
    EXPECT_EQ(standard->asTargeted(), nullptr);
    EXPECT_EQ(base->asTargeted(), nullptr);
    EXPECT_EQ(base->asStandard(), nullptr);
    EXPECT_EQ(base->enabledSelectors(), 0);
}

} // namespace
} // namespace mw
