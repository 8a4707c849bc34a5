#pragma once

// The whole game launched through the headless driver as a player meets it:
// the real application delegate on one device profile at a fixed step, a
// fake clock, pinned random generators, a scratch home folder kept across
// relaunches, a scripted store and recording stand-ins for the outside
// services. Taps go through the touch dispatcher at a node's centre.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCScene.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "foundation/Shared.h"
#include "game/village/InAppPurchase.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/ResourceCostItem.h"
#include "game/state/UpgradeItem.h"
#include "game/village/MapScene.h"
#include "game/village/UpgradeCosts.h"
#include "platform/AlertView.h"
#include "platform/DeviceProfile.h"
#include "platform/Store.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RecordingOutsideServices.h"
#include "tests/support/RecordingPlatformServices.h"
#include "tests/support/RecordingReachability.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/game/boards/FieldBoardTestSupport.h"
#include "tests/support/ScriptedStore.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw::test {

// The default generators seeded once for the whole run: the boards' own
// seeding from the clock is ignored, so that a run repeats for a seed.
using PinnedRandom = PinnedSeedRandom;

// Every node under `root` (itself included) of type T, depth first.
template <class T> void collectNodes(CCNode* root, std::vector<T*>& found)
{
    if (!root) return;
    if (auto* node = dynamic_cast<T*>(root)) found.push_back(node);
    if (CCArray* children = root->children())
        for (Object* child : *children) collectNodes(static_cast<CCNode*>(child), found);
}
template <class T> std::vector<T*> nodesOf(CCNode* root)
{
    std::vector<T*> found;
    collectNodes(root, found);
    return found;
}

// Whether `node` and every ancestor is visible and it stands on the running scene.
inline bool onScreen(CCNode* node)
{
    CCNode* scene = CCDirector::sharedDirector()->runningScene();
    for (CCNode* at = node; at; at = at->parent()) {
        if (!at->visible()) return false;
        if (at == scene) return true;
    }
    return false;
}

class GameRun {
public:
    // `step`: game seconds a refresh, fixed for the whole run.
    GameRun(std::string device, double wallStart, uint32_t seed, double step = kStep)
        : device_(std::move(device)), wall_(wallStart), seed_(seed), step_(step)
    {
        for (int pack = 0; pack < InAppPurchase::kPackCount; ++pack)
            store->catalogue.push_back(
                {InAppPurchase::productIdentifier(pack), "", 0.99 + pack, "en_US@currency=USD", ""});
        previousStore_ = Store::replaceSharedInstance(store);
        previousCentre_ = GameCenter::replaceSharedInstance(gameCentre);
        previousOpener_ = URLOpener::replaceSharedInstance(links);
        previousNotifications_ = LocalNotifications::replaceSharedInstance(notifications);
        // No network: the rating prompt finds no connection and asks nothing.
        previousReachability_ = NetworkReachability::replaceSharedInstance(reachability);
    }
    ~GameRun()
    {
        stop();
        (void)Store::replaceSharedInstance(previousStore_);
        (void)GameCenter::replaceSharedInstance(previousCentre_);
        (void)URLOpener::replaceSharedInstance(previousOpener_);
        (void)LocalNotifications::replaceSharedInstance(previousNotifications_);
        (void)NetworkReachability::replaceSharedInstance(previousReachability_);
    }
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    // The process starts: a fresh driver, the delegate launched, two frames.
    bool launch()
    {
        const PixelSize pixels = DeviceProfile::named(device_)->pixelSize();
        GLTestContext* gl = GLTestContext::acquire(pixels.width, pixels.height);
        if (!gl) return false;
        resetSharedInstances();
        // A new process: the analytics client starts its session afresh.
        TallyAnalytics::resetForTesting();
        random_ = std::make_unique<ScopedRandomSource>(std::make_shared<PinnedRandom>(seed_));
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named(device_), step_);
        if (!driver_) return false;
        driver_->setPictureEvery(picturesWritten() ? 1 : pictureEvery);
        driver_->director()->setAnimationInterval(step_);
        driver_->clock().setWall(wall_);
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
        GlobalObject::sharedInstance()->soundRequestListener = [this](const std::string& key) {
            sounds.push_back(key);
        };
        driver_->runFrames(2);
        return true;
    }
    // The process ends (after a quit or without one).
    void stop()
    {
        if (!driver_) return;
        wall_ = driver_->clock().wallSeconds();
        if (auto* global = mw::Shared<GlobalObject>::current()) global->soundRequestListener = nullptr;
        while (AlertView* open = AlertViewPresenter::sharedPresenter().frontAlert()) {
            open->delegate = nullptr;
            open->dismissWithClickedButtonIndex(-1);
        }
        TallyAnalytics::resetForTesting();
        InAppPurchase::purgeSharedInstance();
        app_.reset();
        driver_.reset();
        resetSharedInstances();
        random_.reset();
    }

    HeadlessDriver& driver() { return *driver_; }
    // The wall clock: running, the driver's; stopped, where the next launch starts.
    double wallSeconds() const { return driver_ ? driver_->clock().wallSeconds() : wall_; }
    bool running() const { return driver_ != nullptr; }
    MosswickAppDelegate& app() { return *app_; }
    const std::string& device() const { return device_; }
    CGSize win() const { return CCDirector::sharedDirector()->winSize(); }
    CCScene* scene() const { return CCDirector::sharedDirector()->runningScene(); }
    template <class T> T* sceneAs() const { return dynamic_cast<T*>(scene()); }
    Profile& profile() { return *Profile::sharedInstance(); }
    static std::string text(const char* key) { return LocalisationManager::sharedInstance()->getValue(key); }

    // Whole refreshes for `seconds` of game time; the wall clock moves with them.
    void run(double seconds) { driver_->runFrames(static_cast<int>(std::lround(seconds / step_))); }
    // Refreshes until `done` holds, at most `seconds` of game time.
    bool runUntil(const std::function<bool()>& done, double seconds)
    {
        for (int frame = 0; frame < int(seconds / step_); ++frame) {
            if (done()) return true;
            driver_->runFrames(1);
        }
        return done();
    }
    // A finger down and up at a point in GL coordinates (origin bottom left).
    void tapAt(CGPoint gl)
    {
        const CGPoint view = {gl.x, win().height - gl.y};
        Ref<UITouch> touch = driver_->touchDown(view);
        driver_->touchUp(touch.get());
    }
    static CGPoint centreOf(CCNode* node)
    {
        return node->convertToWorldSpace({node->contentSize().width / 2, node->contentSize().height / 2});
    }
    void tap(CCNode* node)
    {
        ASSERT_NE(node, nullptr);
        tapAt(centreOf(node));
    }
    CGPoint centre() const { return {win().width / 2, win().height / 2}; }

    // Writes "<series>-<n>-<name>-<device>.png" into $MOSSWICK_TEST_PICTURES when it is set.
    void picture(const std::string& name)
    {
        ++pictures_;
        if (picturesWritten()) {
            char number[8];
            std::snprintf(number, sizeof number, "%02d", pictures_);
            const std::string dir = std::getenv("MOSSWICK_TEST_PICTURES");
            EXPECT_TRUE(driver_->screenshot(dir + "/" + pictureSeries + "-" + number + "-" + name + "-" + device_ +
                                            ".png"));
        }
    }
    bool picturesWritten() const
    {
        const char* dir = std::getenv("MOSSWICK_TEST_PICTURES");
        return picturesOn && dir && *dir;
    }
    int played(const std::string& key) const { return int(std::count(sounds.begin(), sounds.end(), key)); }

    static constexpr double kStep = 1.0 / 20;
    double step() const { return step_; }
    // The picture is drawn at every fourth step only (every step when
    // pictures are written, so that each shows its moment): the game runs
    // every step, and each screen is still drawn many times over, at a
    // quarter of the drawing's cost.
    static constexpr int kPictureEvery = 4;

    std::shared_ptr<ScriptedStore> store = std::make_shared<ScriptedStore>();
    std::shared_ptr<RecordingGameCenter> gameCentre = std::make_shared<RecordingGameCenter>();
    std::shared_ptr<RecordingURLOpener> links = std::make_shared<RecordingURLOpener>();
    std::shared_ptr<RecordingLocalNotifications> notifications = std::make_shared<RecordingLocalNotifications>();
    std::shared_ptr<RecordingReachability> reachability = std::make_shared<RecordingReachability>();
    std::vector<std::string> sounds;
    bool picturesOn = true;
    std::string pictureSeries = "whole";
    int pictureEvery = kPictureEvery;
    TempDir home;

private:
    ScopedEnv homeEnv_ {"MOSSWICK_HOME", home.path()};
    // Reports go nowhere: a closed local port.
    ScopedEnv analyticsEnv_ {"MOSSWICK_ANALYTICS_HOST", "127.0.0.1:9"};
    ScopedDeviceServices services_;
    std::string device_;
    double wall_;
    uint32_t seed_;
    double step_;
    int pictures_ = 0;
    std::unique_ptr<ScopedRandomSource> random_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
    std::shared_ptr<Store> previousStore_;
    std::shared_ptr<GameCenter> previousCentre_;
    std::shared_ptr<URLOpener> previousOpener_;
    std::shared_ptr<LocalNotifications> previousNotifications_;
    std::shared_ptr<NetworkReachability> previousReachability_;
};

// Enough of every good (and gold) an upgrade costs; with `reveal`, a hidden
// upgrade is revealed too, as the play left out would have revealed it.
inline void stockFor(Profile& p, int32_t upgrade, bool reveal = false)
{
    UpgradeItem* item = p.GetUpgrade(upgrade);
    ASSERT_NE(item, nullptr);
    for (const Ref<ResourceCostItem>& cost : item->ResourceCostArr) {
        const int32_t price = upgradecosts::unitPrice(*item, *cost, p.GetUpgradeCount(upgrade));
        if (p.GetResourceCount(cost->ResourceId) < price) p.SetResourceCount(cost->ResourceId, price);
    }
    if (p.GoldCount < item->Money) p.GoldCount = item->Money;
    if (reveal && item->isHidden) {
        p.SetObjectSeen(upgrade);
        item->isHidden = false;
    }
}

// The markers of the slots a map offers the building being placed.
inline std::vector<CCNode*> buildMarkers(MapScene& map)
{
    std::vector<CCNode*> markers;
    if (CCMenu* menu = map.menu())
        for (Object* child : *menu->children())
            if (static_cast<CCNode*>(child)->tag() % MapScene::kBuildMarkerFactor == 0 &&
                static_cast<CCNode*>(child)->tag() > 0)
                markers.push_back(static_cast<CCNode*>(child));
    return markers;
}

} // namespace mw::test
