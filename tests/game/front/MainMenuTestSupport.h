#pragma once

// The main menu's world for a test: a device run, the definitions and the
// string table loaded, and recording stand-ins for the game centre, the
// outside links and the local notifications, with every sound asked for
// noted with its time.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/director/CCDirector.h"
#include "game/defs/XMLManager.h"
#include "game/front/MainMenuScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "platform/AlertView.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/session/LumoraSlimlineSession.h"
#include "tests/game/front/FrontTestSupport.h"
#include "tests/support/RecordingOutsideServices.h"
#include "tests/support/RecordingPlatformServices.h"
#include "tests/support/ScriptedDeviceServices.h"

namespace mw::test {

// After the menu asked the social screens to go, none of the pull tab is on
// screen: it is gone, or (with no service answering here) still waiting off
// screen for its first page, which ignores the request until it reports
// leaving.
inline bool noPullTabOnScreen()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    CCPullTabViewController* tab = session ? session->pullTabController() : nullptr;
    return tab == nullptr || tab->state() == CCPullTabViewController::kStateOffscreen;
}

class MenuWorld {
public:
    explicit MenuWorld(const std::string& device, double step = 1.0 / 60)
        : run(device, step)
    {
        previousCentre_ = GameCenter::replaceSharedInstance(gameCentre);
        previousOpener_ = URLOpener::replaceSharedInstance(links);
        previousNotifications_ = LocalNotifications::replaceSharedInstance(notifications);
        if (!run.ok()) return;
        GlobalObject* global = GlobalObject::sharedInstance();
        global->AudioState = GlobalObject::kAudioFailed; // silent, and nothing waits for the engine
        global->soundRequestListener = [this](const std::string& key) {
            sounds.emplace_back(key, run.driver().clock().monotonicSeconds());
        };
        XMLManager::sharedInstance()->initXMLS();
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        // The social session as start-up makes it: its pull tab needs an activated session.
        LumoraSlimlineSession::initWithAppID(MosswickAppDelegate::kSocialAppID, nullptr, 1.0,
                                             MosswickAppDelegate::kSocialTheme, MosswickAppDelegate::kSocialSecret);
    }
    ~MenuWorld()
    {
        // Alerts outlive scenes in the shared presenter: close them unanswered.
        while (AlertView* open = alert()) {
            open->delegate = nullptr;
            open->dismissWithClickedButtonIndex(-1);
        }
        menu = nullptr;
        if (auto* global = Shared<GlobalObject>::current()) global->soundRequestListener = nullptr;
        (void)GameCenter::replaceSharedInstance(previousCentre_);
        (void)URLOpener::replaceSharedInstance(previousOpener_);
        (void)LocalNotifications::replaceSharedInstance(previousNotifications_);
    }

    // A new menu run as the only scene (its plates come at once).
    MainMenuScene& start()
    {
        menu = MainMenuScene::scene();
        if (run.driver().director()->runningScene() == nullptr) {
            run.driver().director()->runWithScene(menu.get());
        } else {
            run.driver().director()->replaceScene(menu.get());
        }
        run.run(2.0 / 60);
        return *menu;
    }
    // A saved village of this name in the documents folder.
    void saveVillage(const std::string& name)
    {
        Profile* profile = Profile::sharedInstance();
        profile->VillageName = name;
        EXPECT_TRUE(profile->SaveData());
    }
    AlertView* alert() { return AlertViewPresenter::sharedPresenter().frontAlert(); }
    int soundsNamed(const std::string& key) const
    {
        int count = 0;
        for (const auto& [name, at] : sounds)
            count += name == key;
        return count;
    }
    std::string text(const char* key) { return LocalisationManager::sharedInstance()->getValue(key); }

    DeviceRun run;
    Ref<MainMenuScene> menu;
    std::shared_ptr<RecordingGameCenter> gameCentre = std::make_shared<RecordingGameCenter>();
    std::shared_ptr<RecordingURLOpener> links = std::make_shared<RecordingURLOpener>();
    std::shared_ptr<RecordingLocalNotifications> notifications
        = std::make_shared<RecordingLocalNotifications>();
    std::vector<std::pair<std::string, double>> sounds; // key, clock time

private:
    std::shared_ptr<GameCenter> previousCentre_;
    std::shared_ptr<URLOpener> previousOpener_;
    std::shared_ptr<LocalNotifications> previousNotifications_;
};

} // namespace mw::test
