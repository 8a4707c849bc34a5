#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCScene.h"
#include "engine/sprites/CCSprite.h"
#include "game/defs/Animation.h"
#include "game/front/MainMenuPopUp.h"
#include "game/front/SingleFileDownloader.h"
#include "platform/ActivityIndicatorView.h"
#include "platform/AlertView.h"

namespace mw {

// The title screen: the background with three waving flags, the logo, the
// icon row (two outside links and, where the game centre is available, its
// two screens) and, once the screen is in, three animated plates: the
// village name or a welcome, continue or new game, and options. It shows the
// social service's pull tab while it lives.
//
// From here the player continues the saved village through the doors, names
// a new village (a name alert, the clearing of the menu, the new profile and
// a narrated intro of four pages before the doors), renames the saved one,
// or opens the options pop-up. It is also the file downloader's listener.
//
// Built by the loading scene once per process, by the doors back from the
// village or a board, and by a game reset; a menu is never reused.
class MainMenuScene : public CCScene,
                      public PopUpOpener,
                      public AlertViewDelegate,
                      public SingleFileDownloaderDelegate {
public:
    // The outside links of the two social icons.
    static constexpr const char* kFacebookAddress = "https://social.example.com/mosswick";
    static constexpr const char* kTwitterAddress = "http://microblog.example.org/zandovar";
    // Tag of the "Config Downloaded!" label.
    static constexpr int kDownloadLabelTag = 998;
    // Tags of the icon buttons in MenuItemContainer.
    enum IconTag { kFacebookTag = 1, kTwitterTag = 2, kAchievementsTag = 3, kScoresTag = 4 };

    // The background image of a device: the small phone's, else by the
    // window's width in pixels (above 1200: the largest).
    static std::string backgroundImage(bool isIp3, float windowWidthInPixels);

    // A new menu: the background, flags, logo and icons (the plates come
    // when the screen has come in).
    MainMenuScene();
    ~MainMenuScene() override;
    [[nodiscard]] static Ref<MainMenuScene> scene() { return makeRef<MainMenuScene>(); }

    // Builds the plates' animation and the three plates, and starts the
    // game-centre sign-in.
    void onEnterTransitionDidFinish() override;
    // Hides the content while the doors cover it.
    void onHide() override;

    // ---- plate and icon buttons
    void ContinueCallback();
    void StartCallback();
    void RenameCallback();
    // Opens the options pop-up over the menu (z-order 6), whose closing
    // gives the menu its input back.
    void OptionsCallback();
    void AchievementsCallback();
    void ScoresCallback();
    void FacebookCallback();
    void TwitterCallback();
    // The menu's touch input: the icon row and each plate's menu.
    void SetInputActive(bool active) override;

    // ---- game-centre screens
    void ShowAchievements();
    // Reports the three scores first.
    void ShowLeaderboards();
    void DismissModalViewCintroller();

    // ---- naming a new village, renaming, the intro
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override;
    void StartGameBegining();
    void StartSpiner();
    void StartDataParsing();
    void StartIntroSequenc();
    void StartChangeText();
    void StartChangeScene();
    // Whether a village name is acceptable: 1 to 11 UTF-16 units.
    static bool isValidVillageName(const std::string& utf8);

    // ---- the downloader's listener
    void downloadFinished(Object* sender) override;
    void removeLabel();

    // The members, named as the rest of the game knows them.
    Ref<AlertView> nameAlert; // the open name or rename alert (its field holds the name)
    Ref<AlertView> warningAlert; // the open warning
    Ref<CCMenu> MenuItemContainer;
    Ref<CCMenuItemLabel> btMain; // the village-name button (with a saved game)
    Ref<CCMenu> menu1m, menu2m, menu3m;
    CCSprite* menu1 = nullptr; // the first plate (a part of `a`)
    bool REnameActive = false;
    Ref<CCSprite> logo;
    Ref<CCSprite> bacground;
    Ref<Animation> a;
    Ref<ActivityIndicatorView> spinner;
    Ref<CCLabelTTF> IntroText;
    int32_t tNumber = 0;
    float timePerText = 6.3f;
    float MoveTime = 25.2f;
    float fadetime = 0.5f;

private:
    void buildFlags();
    void buildIcons();
    void buildPlates();
    // A plate's text button with its shadow, in a menu of its own at the
    // plate's centre lowered by `lower` points.
    Ref<CCMenu> plateButton(CCSprite* plate, const std::string& key, SEL_Call action, float lower);
    // Opens the name alert (titleKey "MM_NAME_VILLAGE") or the rename alert.
    void openNameAlert(const std::string& titleKey, const std::string& text);
    void openWarning();
    void presentScreen(const std::function<void(std::function<void()> done)>& present);
    // Leaves for the village through the doors, with the menu's sound set.
    void leaveThroughDoors();
};

} // namespace mw
