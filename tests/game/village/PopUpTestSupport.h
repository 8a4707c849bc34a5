#pragma once

// Shared by the village screen tests: a device run with the village sheets,
// the packaged game data in the profile, achievements recorded in memory,
// and the sounds asked for recorded in order.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/base/ccContentScale.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/nodes/CCLayer.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "game/state/DataParser.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "tests/game/front/FrontTestSupport.h"
#include "tests/game/state/GameStateTestSupport.h"
#include "tests/support/SourceTree.h"

namespace mw::test {

// A node that records the hooks a pop-up sends to its parent.
class HookProbe : public CCLayer {
public:
    void SetInputActive(bool active) override { hooks.push_back(active ? "input on" : "input off"); }
    void MoveWithTutorial() override { hooks.push_back("move"); }
    void AfterBuildSeq() override { hooks.push_back("after build"); }

    std::vector<std::string> hooks;
};

// A targeted handler below everything that records the touches it is offered.
class TouchProbe : public CCLayer {
public:
    TouchProbe() { setIsTouchEnabled(true); }
    void registerWithTouchDispatcher() override
    {
        CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, false);
    }
    bool ccTouchBegan(UITouch*, const UIEvent&) override
    {
        ++began;
        return false;
    }
    int began = 0;
};

class VillageTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run_.ok()) << "no headless GL context";
        scene_ = run_.runPlainScene();
        GlobalObject* global = GlobalObject::sharedInstance();
        global->AudioState = GlobalObject::kAudioFailed; // silent; nothing waits for the engine
        ASSERT_TRUE(run_.loadVillageSheets());
        ASSERT_TRUE(DataParser().parseData(sourceTreePath("resources/test.xml")));
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        ledger_ = std::make_unique<RecordingLedger>();
        global->soundRequestListener = [this](const std::string& key) { sounds.push_back(key); };
        TallyAnalytics::clearRecordedEvents();
    }
    void TearDown() override
    {
        if (GlobalObject* global = Shared<GlobalObject>::current()) global->soundRequestListener = nullptr;
        ledger_.reset();
        TallyAnalytics::clearRecordedEvents();
    }

    bool tablet() const { return GlobalObject::sharedInstance()->isIpad; }
    float pick(float tablet, float phone) const { return this->tablet() ? tablet : phone; }
    CGSize win() { return run_.driver().director()->winSize(); }
    Profile& profile() { return *Profile::sharedInstance(); }
    std::string text(const char* key) { return LocalisationManager::sharedInstance()->getValue(key); }
    static float points(const CCLabelTTF* label)
    {
        return label->fontSizeInPixels() / CC_CONTENT_SCALE_FACTOR();
    }
    // A tap at a point in GL coordinates (origin at the bottom left).
    void tap(CGPoint point)
    {
        const CGPoint view = {point.x, win().height - point.y};
        Ref<UITouch> touch = run_.driver().touchDown(view);
        run_.driver().runFrames(1);
        run_.driver().touchUp(touch.get());
        run_.driver().runFrames(1);
    }
    // A press held for `seconds` before it lifts.
    void hold(CGPoint point, double seconds)
    {
        const CGPoint view = {point.x, win().height - point.y};
        Ref<UITouch> touch = run_.driver().touchDown(view);
        run_.run(seconds);
        run_.driver().touchUp(touch.get());
        run_.driver().runFrames(1);
    }
    // The window point of a node's centre.
    static CGPoint centreOf(CCNode* node)
    {
        const CGSize size = node->contentSize();
        return node->convertToWorldSpace({size.width / 2, size.height / 2});
    }
    std::vector<std::string> eventValues(const std::string& name)
    {
        std::vector<std::string> values;
        for (const auto& event : TallyAnalytics::recordedEvents()) {
            if (event.name != name) continue;
            auto found = event.parameters.find(name);
            values.push_back(found == event.parameters.end() ? std::string() : found->second);
        }
        return values;
    }

    DeviceRun run_{GetParam()};
    CCScene* scene_ = nullptr;
    std::unique_ptr<RecordingLedger> ledger_;
    std::vector<std::string> sounds;
};

} // namespace mw::test
