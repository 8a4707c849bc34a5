#pragma once

#include <functional>
#include <string>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"
#include "game/boards/PopUpOpener.h"

namespace mw {

class CCCredits;
class CCHoldButtonImage;
class CCLabelTTF;
class CCMenu;
class CCMenuItem;
class CCMenuItemSprite;
class CCSprite;
class GuiObject;

// The modal options pop-up, opened by the main menu, the village HUD and the
// boards: the music and sound switches, the cloud-save question, the about
// page with its legal links and the scrolling credits, the game reset (held
// for three seconds to confirm), the way back to the main menu through the
// doors and the way back to the opener.
//
// The opener places it at the window's centre (it is built around its own
// origin), adds it as a child (z-order 7 on the HUD, 6 elsewhere) and
// switches its own input off; the pop-up gives the input back when it closes.
// Its layout comes from the options scene file; every button may be absent
// from the file and is then skipped.
class MainMenuPopUp : public CCNode {
public:
    // The publisher's legal-documents server the legal pages are opened on.
    static constexpr const char* kLegalHost = "https://legal.zandovar.example";

    // Builds the pop-up; a scene file that cannot be read leaves the dim
    // layer alone (logged), so the pop-up can still be closed from code.
    static Ref<MainMenuPopUp> popUp();
    bool init();

    // ---- switches
    // Music on or off (the background music stops or starts again).
    void ChangeMusic(Object* sender);
    // Sound on or off; each press gives one audible click.
    void ChangeSound(Object* sender);

    // ---- pages
    void CloudCallback(Object* sender);
    void CloudYesCallback(Object* sender);
    void CloudNoCallback(Object* sender);
    void BackCloudCallback(Object* sender);
    void CreditsCallback(Object* sender);
    void BackAboutCallback(Object* sender);
    void CreditsAboutCallback(Object* sender);
    void BackCreditsCallback(Object* sender);
    void ResetCallback(Object* sender);
    void ResetNoCallback(Object* sender);
    void BackResetCallback(Object* sender);
    // The legal pages for the string table's language ("en", "de", "pl");
    // another language opens nothing.
    void TermsCallback(Object* sender);
    void PrivacyCallback(Object* sender);
    void EULACallback(Object* sender);
    // The address of a legal page ("terms", "privacy", "licence") for a
    // language; empty when the language has none.
    static std::string legalAddress(const std::string& page, const std::string& language);

    // ---- leaving
    // Resets the game: the village under the pop-up is torn down without
    // saving, a running background save is waited for, the profile, the
    // timed events, the notifications and the achievements start afresh, the
    // save file is deleted and a new main menu fades in.
    void ResetYesCallback(Object* sender);
    // Back to the main menu: from the village the map's bonuses are
    // collected and the game saved; from a board the session is dropped by
    // reading the save back.
    void MenuCallback(Object* sender);
    // Closes the pop-up, writing the settings to the user defaults, and
    // gives the opener (and, on the HUD, its current layer) the input back.
    void BackCallback(Object* sender);
    // Closes the pop-up over the HUD without writing the settings; over any
    // other opener it acts as BackCallback.
    void ContinueCallback(Object* sender);

    // The one way to the main menu scene through the doors (the front end
    // points it at its door transition). Replacing it returns the previous
    // maker. By default nothing is made and the attempt is logged.
    using MenuSceneMaker = std::function<void()>;
    static MenuSceneMaker setMenuSceneMaker(MenuSceneMaker maker);
    // The reset's way to a new main menu (by default a fade of 0.3 s to a
    // new menu scene).
    static MenuSceneMaker setResetSceneMaker(MenuSceneMaker maker);

    // The scene file's root (null when it could not be read).
    CCNode* sceneRoot() const { return sceneRoot_.get(); }

    // ---- members the scene file fills (owned by the file's tree)
    CCMenu* ButtonL1Menu = nullptr;
    CCMenu* ButtonL2ResetMenu = nullptr;
    CCMenu* ButtonL2CloudMenu = nullptr;
    CCMenu* ButtonL3CloudMenu = nullptr;
    CCMenu* AboutMenu = nullptr;
    CCMenuItemSprite* MusicButton = nullptr;
    CCMenuItemSprite* SoundButton = nullptr;
    CCMenuItem* CloudButton = nullptr;
    CCMenuItem* CreditsButton = nullptr;
    CCMenuItem* ResetGameButton = nullptr;
    CCMenuItem* MenuButton = nullptr;
    CCMenuItem* BackButton = nullptr;
    CCMenuItem* ContinueButton = nullptr; // first page: ContinueCallback
    CCHoldButtonImage* ResetYes = nullptr;
    CCMenuItem* ResetNo = nullptr;
    CCMenuItem* BackResetButton = nullptr;
    CCMenuItem* BackCloudButton = nullptr;
    CCMenuItem* BackCreditsButton = nullptr;
    CCMenuItem* BackAboutButton = nullptr;
    CCMenuItem* TermsButton = nullptr;
    CCMenuItem* PrivacyButton = nullptr;
    CCMenuItem* EULAButton = nullptr;
    CCMenuItem* CreditsButtonE = nullptr;
    CCSprite* Bcg = nullptr;

    // ---- what the pop-up makes (null while its page is closed)
    CCLabelTTF* aboutText() const { return AboutText.get(); }
    CCNode* captionNode() const { return Napis1Parent.get(); }
    CCLabelTTF* resetText() const { return ResetText.get(); }
    CCLabelTTF* resetHoldText() const { return ResetText2.get(); }
    CCLabelTTF* cloudText() const { return CloudText.get(); }
    CCCredits* credits() const { return Credits.get(); }
    CCSprite* upperMask() const { return Mask1.get(); }
    CCSprite* lowerMask() const { return Mask2.get(); }

    // Seconds of the credits' scroll and its tag.
    static constexpr float kCreditsScrollSeconds = 30;
    static constexpr int kCreditsScrollTag = 0x43524544;

private:
    void caption(CCMenuItem* button, const char* key, float size);
    void showMusicState();
    void showSoundState();
    void showFirstPage(bool show);
    void removeResetTexts();
    void removeCredits();
    void openLegal(const char* page);
    // The HUD when the pop-up sits on it, else null.
    GuiObject* hud() const;
    void tearDownVillage();

    Ref<CCNode> sceneRoot_;
    Ref<CCLabelTTF> AboutText;
    Ref<CCNode> Napis1Parent;
    Ref<CCLabelTTF> ResetText;
    Ref<CCLabelTTF> ResetText2;
    Ref<CCLabelTTF> CloudText;
    Ref<CCCredits> Credits;
    Ref<CCSprite> Mask1;
    Ref<CCSprite> Mask2;
};

} // namespace mw
