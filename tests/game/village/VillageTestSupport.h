#pragma once

// A village on one device profile: the bundle's game data, map slots,
// animations, strings and sheets, a silent global object that records the
// sounds asked for, and helpers to put buildings on slots and to run a
// village scene.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/director/CCDirector.h"
#include "engine/menus/CCMenuItem.h"
#include "foundation/Random.h"
#include "foundation/UserDefaults.h"
#include "game/defs/MapObject.h"
#include "game/defs/XMLManager.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/VillageScene.h"
#include "tests/game/front/FrontTestSupport.h"
#include "tests/support/SourceTree.h"

namespace mw::test {

class VillageWorld {
public:
    explicit VillageWorld(const std::string& device, double step = 1.0 / 60)
        : run(device, step)
    {
        if (!run.ok()) return;
        GlobalObject* global = GlobalObject::sharedInstance();
        global->AudioState = GlobalObject::kAudioFailed; // silent; nothing waits for the engine
        global->soundRequestListener = [this](const std::string& key) { sounds.push_back(key); };
        DataParser parser;
        ready_ = parser.parseData(sourceTreePath("resources/test.xml"));
        XMLManager::sharedInstance()->initXMLS();
        XMLManager::sharedInstance()->ParseMapData();
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        ready_ = run.loadVillageSheets() && ready_;
        Random::srandom(7);
    }
    ~VillageWorld()
    {
        scene = nullptr;
        if (auto* global = Shared<GlobalObject>::current()) global->soundRequestListener = nullptr;
    }

    bool ready() const { return run.ok() && ready_; }
    bool tablet() const { return GlobalObject::sharedInstance()->isIpad; }
    Profile& profile() { return *Profile::sharedInstance(); }
    CGSize win() const { return CCDirector::sharedDirector()->winSize(); }

    // Puts `upgrade` on map slot `slot` and counts it as owned.
    void build(int32_t slot, int32_t upgrade)
    {
        auto& slots = XMLManager::sharedInstance()->MapObjects;
        ASSERT_TRUE(slots.count(slot)) << "no map slot " << slot;
        slots.at(slot)->IDBuild = upgrade;
        if (profile().GetUpgradeCount(upgrade) == 0) profile().increaseUpgradeCount(upgrade, 1);
    }
    MAP_OBJECT& slot(int32_t key) { return *XMLManager::sharedInstance()->MapObjects.at(key); }
    void markFrame(int32_t number, bool done, bool arrowDone)
    {
        if (TutorialFrameDef* frame = profile().GetTutorialDef(number)) {
            frame->Done = done;
            frame->ArrowAfterDone = arrowDone;
        }
    }
    // Every frame shown and dismissed with its arrow followed.
    void finishTutorial()
    {
        for (auto& [number, frame] : profile().TutorialDict) {
            frame->Done = true;
            frame->ArrowAfter = true;
            frame->ArrowAfterDone = true;
        }
    }
    // An established village: every tab open, taxes collected, a visit made,
    // the tutorial behind it.
    void established()
    {
        profile().TaxesCollected = 100;
        profile().MineVisits = 1;
        profile().GoldCount = 1234;
        profile().PlayerLevel = std::max(profile().PlayerLevel, 3);
        profile().VillageName = "Mossbrook";
        build(1, 88);
        build(3, 91);
        build(9, 29);
        build(21, 18);
        build(22, 19);
        build(23, 21);
        build(24, 28);
        build(49, 53);
        build(50, 61);
        build(10, 15);
        finishTutorial();
    }

    // A village scene run as the only scene, one frame later.
    VillageScene& start()
    {
        scene = VillageScene::scene();
        EXPECT_NE(scene, nullptr);
        if (CCDirector::sharedDirector()->runningScene() == nullptr) {
            CCDirector::sharedDirector()->runWithScene(scene.get());
        } else {
            CCDirector::sharedDirector()->replaceScene(scene.get());
        }
        run.driver().runFrames(1);
        return *scene;
    }
    GuiObject& hud() { return *scene->GetGUI(); }
    MapScene* map() { return dynamic_cast<MapScene*>(scene->GetLayer()); }

    // A tap at a point in GL coordinates (origin bottom left).
    void tap(CGPoint gl)
    {
        const CGPoint view = {gl.x, win().height - gl.y};
        Ref<UITouch> touch = run.driver().touchDown(view);
        run.driver().touchUp(touch.get());
    }
    // Where an item's centre is, in GL coordinates.
    static CGPoint centreOf(CCNode* node)
    {
        return node->convertToWorldSpace({node->contentSize().width / 2, node->contentSize().height / 2});
    }
    int played(const std::string& key) const
    {
        return static_cast<int>(std::count(sounds.begin(), sounds.end(), key));
    }

    DeviceRun run;
    Ref<VillageScene> scene;
    std::vector<std::string> sounds;

private:
    bool ready_ = false;
};

// The village's devices: the 320-pixel phone (where the map saves its
// animations), the high-resolution phone and tablet (what the screenshots show).
inline const char* const kVillageDevices[] = {"phone", "phone-hd", "tablet-hd"};

} // namespace mw::test
