// The end of the program with each screen the game can show left up: the
// game runs in a child process as the program runs it headless (the real
// application delegate, the driver's own GL context, the real start-up and
// the program's own end, MosswickAppDelegate::endProgram), a screen is
// opened, and the process ends as the program ends. Under the sanitizers an
// end that frees or reaches something in the wrong order prints a report and
// fails the child's exit status; the child also says when its end left a
// screen, an animation or an upload going, made a shared instance again, or
// let the game run during the process's static destructors.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "analytics/TallyAnalytics.h"
#include "analytics/TallySessionSender.h"
#include "app/SocialServiceRouting.h"
#include "audio/CDAudioManager.h"
#include "audio/CDSoundEngine.h"
#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/tables/CCTableView.h"
#include "engine/transitions/CCTransitionScene.h"
#include "foundation/AtomicFile.h"
#include "foundation/Paths.h"
#include "foundation/Shared.h"
#include "game/boards/Board.h"
#include "game/boards/BoardTooltip.h"
#include "game/boards/CCTooltip.h"
#include "game/boards/CountryBoard.h"
#include "game/boards/CountrySideScene.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/MineBoard.h"
#include "game/village/InAppPopUp.h"
#include "game/front/LoadingScene.h"
#include "game/front/MainMenuPopUp.h"
#include "game/front/MainMenuScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/village/RatingPrompt.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/village/AchievementPopUp.h"
#include "game/village/EndGameFrame.h"
#include "game/village/GuiObject.h"
#include "game/village/LevelUpPopUp.h"
#include "game/village/MapScene.h"
#include "game/village/VillageScene.h"
#include "game/village/hud/HirePopUp.h"
#include "game/village/screens/MicroLayer.h"
#include "game/village/screens/ShopLayer.h"
#include "game/village/screens/ShopPopUp.h"
#include "game/village/screens/UpgradeListLayer.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "platform/AlertView.h"
#include "platform/DeviceProfile.h"
#include "platform/GLContext.h"
#include "platform/HTTPTransport.h"
#include "platform/RootView.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/screens/CCModalControllers.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/services/CCTheming.h"
#include "social/ui/UITableView.h"
#include "social/ui/UIView.h"
#include "social/ui/UIWindow.h"
#include "tests/game/front/InGameRoute.h"
#include "tests/game/front/WholeGameSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// The program's surface (app/main.cpp); a coarser frame step than its own,
// so that each screen comes up in few frames.
constexpr GLSurfaceFormat kGameFormat {GLColorFormat::RGB565, 16};
constexpr double kStep = 1.0 / 10;
// What a child answers when its screen never came up (not a sanitizer's code).
constexpr int kScreenNotReached = 3;
// Written by the child as the process's static destructors begin.
constexpr const char* kStaticDestructionMarker = "program end: exit";
constexpr int32_t kFields = 91, kGrainPicker = 9, kEarthTool = 24;

// The analytics client's own sender, counting the uploads under way; the
// report of a pause (the quit's first) may be held back so that it is still
// going when the program ends.
class CountingSender : public TallyReportSender {
public:
    explicit CountingSender(double holdSeconds) : holdSeconds(holdSeconds) {}
    void send(const TallyUpload& upload) override
    {
        ++running;
        if (upload.purpose == TallyUpload::Purpose::Pause) {
            ++pausesStarted;
            std::this_thread::sleep_for(std::chrono::duration<double>(holdSeconds));
        }
        TallySessionSender().send(upload);
        --running;
    }
    const double holdSeconds;
    std::atomic<int> running {0};
    std::atomic<int> pausesStarted {0};
};

// The game in the child process, launched as the program launches it.
class ChildGame {
public:
    ChildGame(const char* device, bool social, double uploadHoldSeconds)
    {
        // The view layer's animations and the root view's lists are used
        // before anything else, as a test's reset uses them: were they kept
        // in static storage, whatever they still held at exit would die
        // after everything it uses.
        (void)RootView::sharedRootView();
        (void)UIView::runningAnimationCount();
        const DeviceProfile* profile = DeviceProfile::named(device);
        DeviceProfile::setCurrent(*profile);
        // No transfer leaves the machine: the social hosts go to the
        // loopback service or to a closed port, the analytics host to a
        // closed port.
        if (social) {
            routeToSocialServiceFromEnvironment();
        } else {
            std::vector<std::string> closed;
            for (const std::string& host : {CCPrivateSession::serviceHost(), CCPrivateSession::telemetryHost()})
                for (const char* port : {":443", ":80"}) closed.push_back(host + port + ":127.0.0.1:9");
            HTTPTransport::setConnectTo(closed);
        }
        ::setenv("MOSSWICK_ANALYTICS_HOST", "127.0.0.1:9", 1);
        uploads_ = std::make_shared<CountingSender>(uploadHoldSeconds);
        TallyAnalytics::setReportSender(uploads_);
        CDSoundEngine::setMixerSampleRate(44100);
        CDAudioManager::initAsynchronously(kCDModeFxPlusMusicIfNoOtherAudio);
        driver_ = HeadlessDriver::createForApplication(*profile, kGameFormat, kStep);
        if (!driver_) notReached("no headless driver");
        game_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(game_.get());
        driver_->lifeCycle().launch();
    }

    HeadlessDriver& driver() { return *driver_; }
    CCScene* scene() const { return CCDirector::sharedDirector()->runningScene(); }
    template <class T> T* sceneAs() const { return dynamic_cast<T*>(scene()); }
    void run(double seconds) { driver_->runFrames(static_cast<int>(seconds / kStep + 0.5)); }
    // Frames until `done` holds; the child ends as not reached after `seconds`.
    void until(const std::function<bool()>& done, double seconds, const char* what)
    {
        for (int frame = 0; frame < int(seconds / kStep); ++frame) {
            if (done()) return;
            driver_->runFrames(1);
            // The loopback service answers on threads of its own.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!done()) notReached(what);
    }
    // A finger down and up at a point of the window (points, origin top left).
    void tapWindow(CGPoint point)
    {
        Ref<UITouch> touch = driver_->touchDown(point);
        driver_->runFrames(1);
        driver_->touchUp(touch.get());
        driver_->runFrames(1);
    }

    [[noreturn]] static void notReached(const char* what)
    {
        std::fprintf(stderr, "program end: not reached: %s\n", what);
        std::fflush(stderr);
        std::_Exit(kScreenNotReached);
    }

    // The screen is up: the process ends as the program's does (app/main.cpp:
    // the program's end, then the delegate and the driver go, the sound
    // engine is ended, exit). What the program showed must be gone before
    // the static destructors run, and nothing of the game runs in them.
    [[noreturn]] void end(const char* screen)
    {
        std::fprintf(stderr, "program end: ending with %s up\n", screen);
        std::fflush(stderr);
        const int pausesBefore = uploads_->pausesStarted;
        MosswickAppDelegate::endProgram(driver_->lifeCycle());
        // The quit sends the pause's report on a thread of its own: a held
        // one is going once that thread has run, and must be over once the
        // program's end is. A quit that never sent it would leave nothing
        // going either, so its start is waited for and required.
        if (uploads_->holdSeconds > 0) {
            for (int wait = 0; uploads_->pausesStarted == pausesBefore && wait < 2000; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (uploads_->pausesStarted == pausesBefore) notReached("the quit's analytics report, never sent");
        }
        const bool uploading = uploads_->running != 0;
        game_.reset();
        driver_.reset();
        CDAudioManager::end();
        const auto left = [](bool still, const char* what) {
            if (still) std::fprintf(stderr, "program end: left at exit: %s\n", what);
        };
        left(!RootView::sharedRootView().modalScreens().empty(), "a modal screen");
        left(!RootView::sharedRootView().spinners().empty(), "a spinner");
        left(!AlertViewPresenter::sharedPresenter().visibleAlerts().empty(), "an alert");
        left(UIView::runningAnimationCount() != 0, "a running view animation");
        left(CCWorkaroundController::liveCount() != 0, "a social notice");
        left(uploading, "an analytics upload");
        std::fprintf(stderr, "%s\n", kStaticDestructionMarker);
        std::fflush(stderr);
        std::exit(0);
    }

private:
    std::shared_ptr<CountingSender> uploads_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> game_;
};

// ---------------------------------------------------------------- the front end

MainMenuScene* toTheMenu(ChildGame& game)
{
    game.until([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 20, "the main menu");
    // The plates come once the menu is in.
    game.until([&] { return game.sceneAs<MainMenuScene>()->menu3m != nullptr; }, 5, "the menu's plates");
    game.run(0.5);
    return game.sceneAs<MainMenuScene>();
}

VillageScene* intoTheVillage(ChildGame& game)
{
    toTheMenu(game)->ContinueCallback();
    game.until([&] { return game.sceneAs<VillageScene>() != nullptr; }, 15, "the village through the doors");
    game.run(0.5);
    return game.sceneAs<VillageScene>();
}

template <class T> T* first(CCNode* root)
{
    const std::vector<T*> found = test::nodesOf<T>(root);
    return found.empty() ? nullptr : found.front();
}

// The village's layer `layer` from the HUD's switch.
VillageScene* onLayer(ChildGame& game, int32_t layer)
{
    VillageScene* village = intoTheVillage(game);
    village->ChangeLayer(layer);
    game.run(0.5);
    if (village->currentLayerId() != layer) ChildGame::notReached("the village layer");
    return village;
}

// The hire pop-up of a list layer's upgrade, opened as its row opens it.
void hirePopUpOn(ChildGame& game, int32_t layer, int32_t upgrade)
{
    VillageScene* village = onLayer(game, layer);
    auto* list = dynamic_cast<UpgradeListLayer*>(village->GetLayer());
    if (!list) ChildGame::notReached("an upgrade list");
    list->ShowPopUpWithUpgrade(upgrade, true);
    game.until([&] { return first<HirePopUp>(village->GetGUI()) != nullptr; }, 2, "the hire pop-up");
    game.run(0.3);
}

MapScene* onTheMap(ChildGame& game)
{
    VillageScene* village = intoTheVillage(game);
    auto* map = dynamic_cast<MapScene*>(village->GetLayer());
    if (!map) ChildGame::notReached("the map");
    return map;
}

FoodPopUp* foodPopUp(ChildGame& game)
{
    MapScene* map = onTheMap(game);
    map->MineCallback(nullptr);
    GuiObject* hud = game.sceneAs<VillageScene>()->GetGUI();
    game.until([&] { return first<FoodPopUp>(hud) != nullptr; }, 2, "the food pop-up");
    game.run(0.3);
    return first<FoodPopUp>(hud);
}

FieldPopUp* fieldPopUp(ChildGame& game)
{
    MapScene* map = onTheMap(game);
    map->FieldCallback(nullptr);
    GuiObject* hud = game.sceneAs<VillageScene>()->GetGUI();
    game.until([&] { return first<FieldPopUp>(hud) != nullptr; }, 2, "the field pop-up");
    game.run(0.3);
    return first<FieldPopUp>(hud);
}

Board* inTheMine(ChildGame& game)
{
    FoodPopUp* food = foodPopUp(game);
    // Ten moves for gold (the market is owned).
    if (food->ResetButton) food->ResetButton->activate();
    game.run(0.3);
    if (!food->CraftButt || !food->CraftButt->isEnabled()) ChildGame::notReached("the food pop-up's craft button");
    food->CraftButt->activate();
    game.until([] { return test::InGameRoute::runningMineBoard() != nullptr; }, 5, "the mine");
    game.run(1);
    return test::InGameRoute::runningMineBoard();
}

Board* inTheFields(ChildGame& game)
{
    FieldPopUp* popUp = fieldPopUp(game);
    if (popUp->buttons()->children()->count() < 2) ChildGame::notReached("the field pop-up's buttons");
    static_cast<CCMenuItem*>(popUp->buttons()->children()->objectAtIndex(1))->activate();
    CountryBoard* board = nullptr;
    game.until(
        [&] {
            CCScene* scene = game.scene();
            auto* layer =
                scene ? dynamic_cast<CountrySideScene*>(scene->getChildByTag(CountrySideScene::kTagLayer)) : nullptr;
            board = layer ? layer->board() : nullptr;
            return board != nullptr;
        },
        5, "the fields");
    game.run(1);
    return board;
}

// ---------------------------------------------------------------- the social screens

CCPrivateSession* socialSession() { return Shared<CCPrivateSession>::current(); }
CCPullTabViewController* pullTab()
{
    CCPrivateSession* session = socialSession();
    return session ? session->pullTabController() : nullptr;
}
int pullTabState() { return pullTab() ? pullTab()->state() : -1; }

CGPoint centreOf(CGRect rect) { return {rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2}; }

// The pull tab over the menu, showing its news banner.
void pullTabWithNews(ChildGame& game)
{
    toTheMenu(game);
    game.until([] { return pullTabState() == CCPullTabViewController::kStateNews; }, 15, "the pull tab's news");
}

// A strip item's centre in the window.
CGPoint stripItem(const std::string& itemId)
{
    CCSkinnedView* strip = pullTab()->visiblePullTabView();
    const Value& skin = CCTheming::sharedInstance()->getSkinDescription(pullTab()->portraitSkinName());
    const Value& item = CCSkinnedView::skinItemForId(itemId, skin);
    const CGRect rect {item["x"].asFloat(), item["y"].asFloat(), item["w"].asFloat(), item["h"].asFloat()};
    return centreOf(strip->convertRectToView(rect, UIWindow::keyWindow()));
}

std::string shownPageUrl()
{
    CCGenericTableViewController* page = pullTab() ? pullTab()->primaryViewController() : nullptr;
    return page && page->currentUIDescription() ? page->currentUIDescription()->url() : std::string();
}

// The pull tab's profile page (state 2), opened from its strip.
void pullTabPage(ChildGame& game)
{
    pullTabWithNews(game);
    game.until([] { return pullTabState() == CCPullTabViewController::kStateTabVisible; }, 5, "the strip alone");
    game.tapWindow(stripItem("profile"));
    game.until([] { return shownPageUrl().find("profile.cuid") != std::string::npos; }, 5, "the profile page");
    game.run(0.5);
}

CGPoint pageRow(int index)
{
    UITableView* table = pullTab()->primaryViewController()->tableView();
    return centreOf(table->convertRectToView(table->rectForRowAtIndexPath({0, index}), UIWindow::keyWindow()));
}

// The full social UI (the phone's navigation, the tablet's tabs) on a tab,
// still sliding in.
CCNavControllerBase* fullUi(ChildGame& game)
{
    toTheMenu(game);
    CCPrivateSession* session = socialSession();
    if (!session) ChildGame::notReached("the social session");
    session->activateMainUIOnTabId("profile");
    game.until([&] { return session->rootViewController() != nullptr; }, 5, "the full social UI");
    return session->rootViewController();
}

// The social screens end with their views still moving: the view layer's
// animations hold them until the program's end takes the animations down.
[[noreturn]] void endWithAnimationsRunning(ChildGame& game, const char* screen)
{
    if (UIView::runningAnimationCount() == 0) ChildGame::notReached("a running view animation");
    game.end(screen);
}

// ---------------------------------------------------------------- the table

struct ScreenCase {
    const char* name;
    const char* device;
    bool social;                          // with the loopback social service
    std::function<void()> before;         // the home folder's save, before the launch
    std::function<void(ChildGame&)> open; // ends with game.end(...)
    double uploadHoldSeconds = 0;         // how long a pause's analytics report is held back
};

void PrintTo(const ScreenCase& screen, std::ostream* out) { *out << screen.name; }

void aSavedVillage() { test::saveAVillagePastTutorials(); }
void aPlayerForTheMine() { test::saveAPlayerForTheMine(); }
void aVillageBeforeItsTutorials()
{
    test::saveAVillagePastTutorials([](Profile& p) {
        for (auto& [id, frame] : p.TutorialDict) {
            frame->Done = false;
            frame->ArrowAfterDone = false;
        }
    });
}
void aDamagedSave()
{
    (void)Paths::createDirectories(Paths::documentsDirectory());
    if (!AtomicFile::write(SaveFile::path(), std::string("<?xml version=\"1.0\"?><plist><dict><key>Gold"))) std::abort();
}

// The screens a scene leaves on when the program ends. Those a later row
// opens over a layer or a board (the village's lists under their pop-ups,
// a board under its summary, the options pop-up over one board, the pull
// tab under its notice, the navigation under its overlays) are not repeated
// on their own.
const ScreenCase kCases[] = {
    // ---- the front end
    {"Loading", "phone", false, nullptr,
     [](ChildGame& game) {
         game.until(
             [&] {
                 const std::vector<LoadingScene*> loading = test::nodesOf<LoadingScene>(game.scene());
                 return !loading.empty() && loading.front()->spinner != nullptr;
             },
             5, "the loading scene's spinner");
         game.end("the loading scene");
     }},
    {"DamagedSaveNotice", "phone", false, aDamagedSave,
     [](ChildGame& game) {
         toTheMenu(game);
         game.until([] { return AlertViewPresenter::sharedPresenter().frontAlert() != nullptr; }, 3,
                    "the notice of the unread save");
         game.end("the notice of the unread save");
     }},
    {"GameCentreScreens", "phone", false, nullptr,
     [](ChildGame& game) {
         MainMenuScene* menu = toTheMenu(game);
         menu->ShowAchievements();
         menu->ShowLeaderboards();
         game.until([] { return RootView::sharedRootView().modalScreens().size() == 2; }, 5,
                    "the achievements and leaderboard screens");
         game.run(0.5);
         game.end("the achievements and leaderboard screens");
     }},
    {"OptionsCredits", "phone", false, aSavedVillage,
     [](ChildGame& game) {
         MainMenuScene* menu = toTheMenu(game);
         menu->OptionsCallback();
         game.until([&] { return first<MainMenuPopUp>(menu) != nullptr; }, 2, "the options pop-up");
         MainMenuPopUp* options = first<MainMenuPopUp>(menu);
         options->CreditsCallback(nullptr);
         options->CreditsAboutCallback(nullptr);
         if (!options->credits()) ChildGame::notReached("the credits");
         game.run(0.5);
         game.end("the options pop-up's credits, scrolling");
     }},
    {"NewVillageAlert", "phone", false, nullptr,
     [](ChildGame& game) {
         toTheMenu(game)->StartCallback();
         if (!AlertViewPresenter::sharedPresenter().frontAlert()) ChildGame::notReached("the name alert");
         game.driver().typeText("Mossbury");
         game.run(0.3);
         game.end("the new village's name alert");
     }},
    {"RenameWarning", "phone", false, aSavedVillage,
     [](ChildGame& game) {
         MainMenuScene* menu = toTheMenu(game);
         menu->RenameCallback();
         game.driver().typeText("A name far too long");
         game.driver().pressAlertButton(1);
         if (!menu->warningAlert) ChildGame::notReached("the warning alert");
         game.run(0.3);
         game.end("the rename warning");
     }},
    {"Intro", "phone", false, nullptr,
     [](ChildGame& game) {
         MainMenuScene* menu = toTheMenu(game);
         menu->StartCallback();
         game.driver().typeText("Mossbury");
         game.driver().pressAlertButton(1);
         game.until([&] { return menu->IntroText != nullptr; }, 10, "the intro");
         game.run(1);
         game.end("the new village's intro");
     }},
    {"Doors", "phone", false, aSavedVillage,
     [](ChildGame& game) {
         toTheMenu(game)->ContinueCallback();
         game.until([&] { return game.sceneAs<CCTransitionScene>() != nullptr; }, 3, "the doors");
         game.run(0.3);
         if (!game.sceneAs<CCTransitionScene>()) ChildGame::notReached("the doors, still closing");
         game.end("the doors between the menu and the village");
     }},
    // ---- the village's layers and pop-ups
    {"Statistics", "tablet", false, aSavedVillage,
     [](ChildGame& game) {
         onLayer(game, VillageScene::kStatsLayer);
         game.end("the statistics");
     }},
    {"BuildPopUp", "phone", false, aSavedVillage,
     [](ChildGame& game) {
         hirePopUpOn(game, VillageScene::kBuildingsLayer, kFields);
         game.end("the build pop-up");
     }},
    {"HirePopUp", "phone", false, aSavedVillage,
     [](ChildGame& game) {
         hirePopUpOn(game, VillageScene::kWorkersLayer, kGrainPicker);
         game.end("the hire pop-up");
     }},
    {"CraftPopUp", "phone", false, aPlayerForTheMine,
     [](ChildGame& game) {
         hirePopUpOn(game, VillageScene::kToolsLayer, kEarthTool);
         game.end("the craft pop-up");
     }},
    {"ShopBuyPopUp", "phone", false, aPlayerForTheMine,
     [](ChildGame& game) {
         VillageScene* village = onLayer(game, VillageScene::kShopLayer);
         auto* shop = dynamic_cast<ShopLayer*>(village->GetLayer());
         if (!shop) ChildGame::notReached("the shop");
         shop->ShowBuyPopUpWithResource(ShopLayer::shopOrder().front());
         game.until([&] { return first<BuyPopUp>(village) != nullptr; }, 2, "the buy pop-up");
         game.run(0.3);
         game.end("the shop's buy pop-up");
     }},
    {"PurchasePopUp", "phone", false, aPlayerForTheMine,
     [](ChildGame& game) {
         VillageScene* village = onLayer(game, VillageScene::kMicroLayer);
         auto* packs = dynamic_cast<MicroLayer*>(village->GetLayer());
         auto* row = packs ? dynamic_cast<TradeCell*>(packs->table()->cellAtIndex(0)) : nullptr;
         if (!row) ChildGame::notReached("the first coin pack");
         row->buyButton()->activate();
         game.until([&] { return first<InAppPopUp>(village) != nullptr; }, 2, "the purchase pop-up");
         game.run(0.5);
         game.end("the purchase pop-up and the store's question");
     }},
    {"LevelUpAndAchievement", "phone", false, aSavedVillage,
     [](ChildGame& game) {
         intoTheVillage(game);
         // Experience waiting to be banked by the HUD's bar, enough for a level.
         Profile* profile = Profile::sharedInstance();
         profile->TempExperience = profile->ExperienceStep - profile->Experience + 5;
         game.until([&] { return first<LevelUpPopUp>(game.scene()) != nullptr; }, 5, "the level-up pop-up");
         // A granted achievement slides its banner over the scene.
         GlobalObject::sharedInstance()->achievementBanner("ACH_HIRE1", 5);
         game.run(0.2);
         if (!first<AchievementPopUp>(game.scene())) ChildGame::notReached("the achievement banner");
         game.end("the level-up pop-up under a sliding achievement banner");
     }},
    {"TutorialOnTheMap", "phone", false, aVillageBeforeItsTutorials,
     [](ChildGame& game) {
         intoTheVillage(game);
         game.until([&] { return first<TutorialPopup>(game.scene()) != nullptr; }, 5, "a tutorial frame");
         game.run(1);
         game.end("a tutorial frame");
     }},
    {"EverythingBuilt", "phone", false, aSavedVillage,
     [](ChildGame& game) {
         MapScene* map = onTheMap(game);
         // A finger held on the map, as when scrolling it.
         const CGSize win = CCDirector::sharedDirector()->winSize();
         Ref<UITouch> finger = game.driver().touchDown({win.width / 2, win.height / 2});
         game.run(0.2);
         // The village is finished, and the rating prompt asks.
         Profile::sharedInstance()->CityLevel = 6;
         map->AfterBuildSeq();
         if (!first<EndGameFrame>(game.sceneAs<VillageScene>()->GetGUI())) ChildGame::notReached("the closing frame");
         RatingPrompt::sharedInstance()->showRatingAlert();
         game.run(0.3);
         game.end("the closing frame under a finger, and the rating prompt");
     }},
    {"MapBuildingTooltip", "phone", false, aSavedVillage,
     [](ChildGame& game) {
         MapScene* map = onTheMap(game);
         // The tooltip a finger on a building shows, over the first
         // building of the map that the profile knows.
         Ref<CCTooltip> tooltip;
         CCArray* children = map->pageParent() ? map->pageParent()->children() : nullptr;
         for (size_t i = 0; children && i < children->count() && !tooltip; ++i) {
             auto* node = static_cast<CCNode*>(children->objectAtIndex(i));
             const UpgradeItem* upgrade = Profile::sharedInstance()->GetUpgrade(node->tag());
             if (!upgrade) continue;
             tooltip = CCTooltip::tooltipWithBuildingInfo(upgrade->ID, static_cast<int32_t>(node->position().x),
                                                          static_cast<int32_t>(node->position().y));
             if (tooltip) {
                 tooltip->setPosition(node->position());
                 map->addChild(tooltip.get(), 10);
             }
         }
         if (!tooltip) ChildGame::notReached("a building's tooltip");
         game.run(0.3);
         game.end("a building's tooltip on the map");
     }},
    {"FoodPopUp", "phone", false, aPlayerForTheMine,
     [](ChildGame& game) {
         foodPopUp(game);
         game.end("the food pop-up");
     }},
    {"FieldPopUp", "phone", false, aPlayerForTheMine,
     [](ChildGame& game) {
         fieldPopUp(game);
         game.end("the field pop-up");
     }},
    // ---- the boards
    {"MineSummary", "phone", false, aPlayerForTheMine,
     [](ChildGame& game) {
         Board* board = inTheMine(game);
         board->ShowEndOfSession(1);
         game.until([&] { return first<EndOfPopUp>(game.scene()) != nullptr; }, 3, "the mine's summary");
         game.run(1);
         game.end("the mine's summary");
     }},
    {"BoardTooltips", "phone", false, aPlayerForTheMine,
     [](ChildGame& game) {
         Board* board = inTheMine(game);
         // The chain's next-piece and error tooltips and the resource
         // tooltip, as a finger held on the board leaves them.
         Ref<BoardTooltip> next = BoardTooltip::tooltipWithNumber("", 1);
         Ref<BoardTooltip> error = BoardTooltip::tooltipWithError(1);
         Ref<CCTooltip> resource = CCTooltip::tooltipWithResource(1);
         if (!next || !error || !resource) ChildGame::notReached("the board's tooltips");
         const CGSize win = CCDirector::sharedDirector()->winSize();
         next->setPosition({win.width / 3, win.height / 2});
         error->setPosition({win.width / 2, win.height / 2});
         resource->setPosition({2 * win.width / 3, win.height / 2});
         board->addChild(next.get(), 5, Board::kTagTooltip);
         board->addChild(error.get(), 5);
         board->addChild(resource.get(), 5);
         game.run(0.3);
         game.end("the board's tooltips");
     }},
    {"MineOptions", "phone", false, aPlayerForTheMine,
     [](ChildGame& game) {
         Board* board = inTheMine(game);
         board->MenuCallback(nullptr);
         game.until([&] { return first<MainMenuPopUp>(board) != nullptr; }, 2, "the mine's options");
         game.run(0.5);
         game.end("the mine's options");
     }},
    {"FieldSummary", "tablet", false, aPlayerForTheMine,
     [](ChildGame& game) {
         Board* board = inTheFields(game);
         board->ShowEndOfSession(1);
         game.until([&] { return first<EndOfPopUp>(game.scene()) != nullptr; }, 3, "the fields' summary");
         game.run(1);
         game.end("the fields' summary");
     }},
    // ---- the analytics report of the quit, still going as the program ends
    {"AnalyticsUpload", "phone", false, nullptr,
     [](ChildGame& game) {
         toTheMenu(game);
         game.end("the menu, its quit's report held back");
     },
     1.0},
    // ---- the social screens, served by the loopback service, moving
    {"PullTabSliding", "phone", true, nullptr,
     [](ChildGame& game) {
         pullTabWithNews(game);
         pullTab()->resetLumoraPullTabState();
         game.run(kStep);
         endWithAnimationsRunning(game, "the pull tab sliding shut");
     }},
    {"PullTabPushingAPage", "phone-hd", true, nullptr,
     [](ChildGame& game) {
         pullTabPage(game);
         game.tapWindow(pageRow(0));
         game.until([] { return pullTab()->incomingViewController() != nullptr; }, 2, "a page sliding in");
         endWithAnimationsRunning(game, "a page sliding in");
     }},
    {"PullTabDialog", "phone", true, nullptr,
     [](ChildGame& game) {
         pullTabPage(game);
         game.tapWindow(pageRow(0));
         game.until([] { return shownPageUrl().find("friends.cuid") != std::string::npos; }, 5, "the second page");
         game.run(0.5);
         game.tapWindow(pageRow(1));
         game.until([] { return pullTab()->primaryViewController()->modalViewController() != nullptr; }, 3,
                    "the confirmation dialog");
         endWithAnimationsRunning(game, "the confirmation dialog coming up");
     }},
    {"PullTabPicker", "tablet", true, nullptr,
     [](ChildGame& game) {
         pullTabPage(game);
         UIView* row = pullTab()->primaryViewController()->view();
         pullTab()->initiateImagePickerWithType(0, CCPrivateSession::liteBaseUrl() + "upload_image",
                                                CGRect {10, 40, 300, 44}, row);
         if (!pullTab()->imagePickerPopover()) ChildGame::notReached("the picture picker");
         endWithAnimationsRunning(game, "the picture picker opening");
     }},
    {"Notice", "phone", true, nullptr,
     [](ChildGame& game) {
         pullTabWithNews(game);
         socialSession()->presentPopupNotificationWithTitle("Mosswick", "A notice over the game");
         game.until([] { return socialSession()->popupIsActive(); }, 3, "the notice");
         game.run(0.4);
         endWithAnimationsRunning(game, "a notice over the pull tab's news");
     }},
    {"PhoneNavigationOverlays", "phone", true, nullptr,
     [](ChildGame& game) {
         CCNavControllerBase* root = fullUi(game);
         root->blockUserInput(true);
         root->initiateSendSMSMessage("Come and play", {"+44 20 7946 0000"});
         root->initiateAffiliateRedirect("https://" + CCPrivateSession::serviceHost() + "/lite/redirect");
         root->initiateImagePickerWithType(0, CCPrivateSession::liteBaseUrl() + "upload_image",
                                           CGRect {10, 40, 300, 44}, root->view());
         // The picker is presented on the next turn.
         game.run(kStep);
         endWithAnimationsRunning(game, "the phone's social navigation and its overlays, sliding in");
     }},
    {"PadTabs", "tablet", true, nullptr,
     [](ChildGame& game) {
         fullUi(game);
         endWithAnimationsRunning(game, "the tablet's social tabs, sliding in");
     }},
    {"SplashDialog", "phone", true, nullptr,
     [](ChildGame& game) {
         toTheMenu(game);
         socialSession()->activateSplashDialog();
         game.until([] { return socialSession()->sessionDialog() != nullptr; }, 3, "the splash dialog");
         endWithAnimationsRunning(game, "the splash dialog coming up");
     }},
    {"EmbeddedView", "tablet", true, nullptr,
     [](ChildGame& game) {
         toTheMenu(game);
         CCPrivateSession* session = socialSession();
         session->activateLumoraEmbeddedUIOnPage("profile.cuid", UIWindow::keyWindow(), CGRect {40, 80, 320, 320});
         game.until([&] { return session->isLumoraEmbeddedUIActive(); }, 3, "the embedded view");
         game.run(1);
         game.end("the embedded view");
     }},
};

// Runs `program` in a forked child whose output goes to `log`: its wait
// status, or nothing when it had not ended after `seconds` (it is killed).
// The test process has no thread of its own running when it forks.
std::optional<int> runInChild(const std::function<void()>& program, const std::string& log, double seconds)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        program();
        std::_Exit(kScreenNotReached);
    }
    if (child < 0) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(child, &status, WNOHANG) == child) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return std::nullopt;
}

class ProgramEndTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ProgramEndTest, EndsInOrderWithTheScreenUp)
{
    const ScreenCase& screen = GetParam();
    test::TempDir folder;
    const std::string home = folder.path() + "/home";
    // The service tool is a process of its own, so that the test process
    // runs no thread when it forks the game.
    std::unique_ptr<test::ChildProcess> service;
    std::vector<std::string> routing;
    if (screen.social) {
        service = std::make_unique<test::ChildProcess>(test::ChildProcess::builtProgram("mosswick_social_service"),
                                                       std::vector<std::string> {}, std::vector<std::string> {},
                                                       folder.file("service.log"), test::ChildProcess::Output::ToPipe);
        ASSERT_TRUE(service->started());
        for (int i = 0; i < 2; ++i) {
            const std::optional<std::string> line = service->readLine(30);
            ASSERT_TRUE(line) << test::TempDir::readText(folder.file("service.log"));
            routing.push_back(*line);
        }
    }
    const std::string log = folder.file("game.log");
    const std::optional<int> status = runInChild(
        [&] {
            ::setenv("MOSSWICK_HOME", home.c_str(), 1);
            for (const std::string& entry : routing) {
                const size_t equals = entry.find('=');
                ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
            }
            if (screen.before) screen.before();
            ChildGame game(screen.device, screen.social, screen.uploadHoldSeconds);
            screen.open(game);
        },
        log, 55);
    const std::string output = test::TempDir::readText(log);
    if (service) (void)service->stop(SIGTERM, 20);
    ASSERT_TRUE(status) << "the game did not end\n" << output;
    ASSERT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) != kScreenNotReached) << output;
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status << "\n" << output;
    for (const char* report : {"Sanitizer", "runtime error", "program end: left at exit",
                               "shared instance made after the program's end began"})
        EXPECT_EQ(output.find(report), std::string::npos) << report << "\n" << output;
    // The game's own lines (the social session's trace among them) all come
    // before the static destructors.
    const size_t exit = output.find(kStaticDestructionMarker);
    ASSERT_NE(exit, std::string::npos) << output;
    EXPECT_EQ(output.find("-->", exit), std::string::npos) << output.substr(exit);
}

INSTANTIATE_TEST_SUITE_P(Screens, ProgramEndTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace mw
