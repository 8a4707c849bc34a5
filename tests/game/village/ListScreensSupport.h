#pragma once

// Shared by the list-screen and hire pop-up tests: a device run with the
// village sheets, a new game read from the bundled game data, a village
// scene whose HUD names the list under test as its layer, and the sounds
// and tutorial frames asked for.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/menus/CCMenuItem.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/tables/CCTableView.h"
#include "foundation/Paths.h"
#include "foundation/ValueObject.h"
#include "game/boards/SessionHooks.h"
#include "game/state/DataParser.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/ResourceCostItem.h"
#include "game/state/UpgradeItem.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/nodes/CCLayerColor.h"
#include "game/village/CCSeenCounter.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/GuiObject.h"
#include "game/village/VillageScene.h"
#include "tests/game/front/FrontTestSupport.h"

namespace mw::test {

// The HUD of the tests: a real one, whose current layer is the list under
// test (the village scene shows its own layers only once they are wired in).
class ProbeHud : public GuiObject {
public:
    CCLayer* GetLayer() const override { return layer ? layer : GuiObject::GetLayer(); }
    CCLayer* layer = nullptr;
};

inline bool shows(CCNode* node, const std::string& frame)
{
    auto* sprite = dynamic_cast<CCSprite*>(node);
    Ref<CCSpriteFrame> wanted = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame);
    return sprite != nullptr && wanted && sprite->isFrameDisplayed(wanted.get());
}

// The normal picture of a menu item sprite.
inline CCNode* normalImage(CCMenuItem* item)
{
    auto* sprite = dynamic_cast<CCMenuItemSprite*>(item);
    return sprite != nullptr ? sprite->normalImage() : nullptr;
}

// A node's children (empty for none).
inline std::vector<CCNode*> kids(const CCNode* node)
{
    std::vector<CCNode*> all;
    if (node == nullptr || node->children() == nullptr) return all;
    for (Object* child : *node->children()) all.push_back(static_cast<CCNode*>(child));
    return all;
}

inline Ref<CCArray> idArray(const std::vector<int32_t>& ids)
{
    auto array = CCArray::array();
    for (int32_t id : ids) array->addObject(ValueObject::with(Value(id)).get());
    return array;
}

inline void setCosts(UpgradeItem* upgrade, std::initializer_list<std::pair<int32_t, int32_t>> lines)
{
    upgrade->ResourceCostArr.clear();
    for (auto [resource, quantity] : lines) {
        auto line = makeRef<ResourceCostItem>();
        line->ResourceId = resource;
        line->ResourceQuantity = quantity;
        upgrade->ResourceCostArr.push_back(line);
    }
}

class VillageListTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run_.ok()) << "no headless GL context";
        (void)run_.runPlainScene();
        // Silent: the map plays its track, and nothing may wait for an engine never started.
        GlobalObject::sharedInstance()->AudioState = GlobalObject::kAudioFailed;
        ASSERT_TRUE(run_.loadVillageSheets());
        DataParser parser;
        ASSERT_TRUE(parser.parseData(Paths::pathForResource("test.xml")));
        profile()->PlayerLevel = 1;
        LocalisationManager* strings = LocalisationManager::sharedInstance();
        strings->setLang("en");
        strings->parseCSVFile("stringdb.csv");
        GlobalObject::sharedInstance()->soundRequestListener = [this](const std::string& key) {
            sounds.push_back(key);
        };
        previousTutorials_ = session::setTutorialMaker([this](int32_t frame) -> Ref<CCNode> {
            tutorials.push_back(frame);
            return CCNode::node();
        });
        scene_ = VillageScene::scene();
        ASSERT_TRUE(scene_);
        hud_ = makeRef<ProbeHud>();
        ASSERT_TRUE(hud_->initWithParent(scene_.get()));
        scene_->addChild(hud_.get(), 5);
        // The scene's own stand-in for the lists, so that a pop-up's way to
        // the map builds the map afresh.
        scene_->ChangeLayer(VillageScene::kBuildingsLayer);
        CCDirector::sharedDirector()->replaceScene(scene_.get());
        run_.run(1.0 / 60);
    }
    void TearDown() override
    {
        session::setTutorialMaker(previousTutorials_);
        if (GlobalObject* global = Shared<GlobalObject>::current()) global->soundRequestListener = nullptr;
    }

    bool tablet() const { return GlobalObject::sharedInstance()->isIpad; }
    float pick(float phone, float tab) const { return tablet() ? tab : phone; }
    static Profile* profile() { return Profile::sharedInstance(); }
    static UpgradeItem* upgrade(int32_t id) { return Profile::sharedInstance()->GetUpgrade(id); }

    // Shows `layer` under the HUD as the scene's content and the HUD's layer.
    void show(CCLayer* layer)
    {
        scene_->addChild(layer, 0);
        hud_->layer = layer;
        run_.run(1.0 / 60);
    }

    // A tap at a point in the window's coordinates (origin bottom left).
    void tap(CGPoint point, double hold = 1.0 / 60)
    {
        const float height = CCDirector::sharedDirector()->winSize().height;
        Ref<UITouch> touch = run_.driver().touchDown({point.x, height - point.y});
        run_.run(hold);
        run_.driver().touchUp(touch.get());
        run_.run(1.0 / 60);
    }
    // A tap on the centre of a node.
    void tapNode(CCNode* node, double hold = 1.0 / 60)
    {
        const CGSize size = node->contentSize();
        tap(node->convertToWorldSpace({size.width / 2, size.height / 2}), hold);
    }
    int count(const std::string& sound) const { return static_cast<int>(std::count(sounds.begin(), sounds.end(), sound)); }

    DeviceRun run_ {GetParam()};
    Ref<VillageScene> scene_;
    Ref<ProbeHud> hud_;
    std::vector<std::string> sounds;
    std::vector<int32_t> tutorials;

private:
    session::TutorialMaker previousTutorials_;
};

} // namespace mw::test
