#include "game/front/MainMenuPopUp.h"

#include <utility>

#include "audio/CDAudioManager.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCPropertyRegistry.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/scenes/CCBReader.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/transitions/CCTransitionFade.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/UserDefaults.h"
#include "game/boards/SessionHooks.h"
#include "game/front/MainMenuScene.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "game/village/CCCredits.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/VillageScene.h"
#include "platform/URLOpener.h"

namespace mw {
namespace {

constexpr int32_t kMenuSoundSet = 0;
constexpr const char* kBold = "HelveticaNeue-Bold";
constexpr const char* kPlain = "HelveticaNeue";
constexpr ccColor3B kShadow{151, 64, 10};
constexpr ccColor3B kBody{71, 57, 48};
constexpr ccColor3B kHold{206, 97, 24};
constexpr const char* kMusicOn = "main_menu_music_icon.png";
constexpr const char* kMusicOff = "main_menu_music_icon_disabled.png";
constexpr const char* kSoundOn = "main_menu_sounds_icon.png";
constexpr const char* kSoundOff = "main_menu_sounds_icon_disabled.png";
// The line under the version caption.
constexpr const char* kNoticeLine = "\xC2\xA9 Zandovar. All rights reserved.";

MainMenuPopUp::MenuSceneMaker& menuSceneMaker()
{
    static MainMenuPopUp::MenuSceneMaker maker;
    return maker;
}

void fadeToNewMenu()
{
    auto menu = MainMenuScene::scene();
    if (auto fade = CCTransitionFade::transitionWithDuration(0.3f, menu.get())) {
        CCDirector::sharedDirector()->replaceScene(fade.get());
    }
}

MainMenuPopUp::MenuSceneMaker& resetSceneMaker()
{
    static MainMenuPopUp::MenuSceneMaker maker = fadeToNewMenu;
    return maker;
}

void clickSound()
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
}

bool tablet()
{
    return GlobalObject::sharedInstance()->isIpad;
}

float sized(float onTablet, float onPhone)
{
    return tablet() ? onTablet : onPhone;
}

std::string text(const char* key)
{
    return LocalisationManager::sharedInstance()->getValue(key);
}

bool german()
{
    return LocalisationManager::sharedInstance()->getLang() == "de";
}

void show(CCNode* node, bool visible)
{
    if (node) node->setVisible(visible);
}

CGPoint ofBackground(const CCSprite* bcg, float x, float y)
{
    const CGSize size = bcg->contentSize();
    return {x * size.width, y * size.height};
}

// The image of a state icon; an empty node when the frame is not loaded.
Ref<CCSprite> icon(const char* frame)
{
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame)) {
        logLine("MainMenuPopUp: no frame %s", frame);
    }
    return CCSprite::spriteWithSpriteFrameName(frame);
}

void showIcons(CCMenuItemSprite* button, const char* normal, const char* selected)
{
    if (!button) return;
    Ref<CCSprite> up = icon(normal);
    Ref<CCSprite> down = icon(selected);
    button->setNormalImage(up.get());
    button->setSelectedImage(down.get());
}

Ref<CCLabelTTF> boxedLabel(const std::string& s, CGSize box, float size, ccColor3B colour)
{
    auto label =
        CCLabelTTF::labelWithString(s, box, UITextAlignmentCenter, UILineBreakModeWordWrap, kPlain, size);
    label->setColor(colour);
    return label;
}

std::string bundleEntry(const char* key)
{
    auto info = readPropertyListFile(Paths::pathForResource("Info.plist"));
    return info ? (*info)[key].asString() : std::string();
}

[[maybe_unused]] const bool registered = [] {
    using P = MainMenuPopUp;
    CCPropertyRegistry& registry = CCPropertyRegistry::shared();
    const std::pair<const char*, void (P::*)(Object*)> selectors[] = {
        {"ChangeMusic:", &P::ChangeMusic},
        {"ChangeSound:", &P::ChangeSound},
        {"CloudCallback:", &P::CloudCallback},
        {"CloudYesCallback:", &P::CloudYesCallback},
        {"CloudNoCallback:", &P::CloudNoCallback},
        {"BackCloudCallback:", &P::BackCloudCallback},
        {"CreditsCallback:", &P::CreditsCallback},
        {"TermsCallback:", &P::TermsCallback},
        {"PrivacyCallback:", &P::PrivacyCallback},
        {"EULACallback:", &P::EULACallback},
        {"CreditsAboutCallback:", &P::CreditsAboutCallback},
        {"BackCreditsCallback:", &P::BackCreditsCallback},
        {"BackAboutCallback:", &P::BackAboutCallback},
        {"ResetCallback:", &P::ResetCallback},
        {"ResetYesCallback:", &P::ResetYesCallback},
        {"ResetNoCallback:", &P::ResetNoCallback},
        {"BackResetCallback:", &P::BackResetCallback},
        {"MenuCallback:", &P::MenuCallback},
        {"BackCallback:", &P::BackCallback},
        {"ContinueCallback:", &P::ContinueCallback},
    };
    for (const auto& [name, method] : selectors) registry.registerSelector<P>(name, method);
    const std::pair<const char*, CCMenu * P::*> menus[] = {
        {"ButtonL1Menu", &P::ButtonL1Menu},
        {"ButtonL2ResetMenu", &P::ButtonL2ResetMenu},
        {"ButtonL2CloudMenu", &P::ButtonL2CloudMenu},
        {"ButtonL3CloudMenu", &P::ButtonL3CloudMenu},
        {"AboutMenu", &P::AboutMenu},
    };
    for (const auto& [name, member] : menus) registry.registerMember<P, CCMenu>(name, member);
    registry.registerMember<P, CCMenuItemSprite>("MusicButton", &P::MusicButton);
    registry.registerMember<P, CCMenuItemSprite>("SoundButton", &P::SoundButton);
    const std::pair<const char*, CCMenuItem * P::*> items[] = {
        {"CloudButton", &P::CloudButton},
        {"CreditsButton", &P::CreditsButton},
        {"ResetGameButton", &P::ResetGameButton},
        {"MenuButton", &P::MenuButton},
        {"BackButton", &P::BackButton},
        {"ContinueButton", &P::ContinueButton},
        {"ResetNo", &P::ResetNo},
        {"BackResetButton", &P::BackResetButton},
        {"BackCloudButton", &P::BackCloudButton},
        {"BackCreditsButton", &P::BackCreditsButton},
        {"BackAboutButton", &P::BackAboutButton},
        {"TermsButton", &P::TermsButton},
        {"PrivacyButton", &P::PrivacyButton},
        {"EULAButton", &P::EULAButton},
        {"CreditsButtonE", &P::CreditsButtonE},
    };
    for (const auto& [name, member] : items) registry.registerMember<P, CCMenuItem>(name, member);
    registry.registerMember<P, CCHoldButtonImage>("ResetYes", &P::ResetYes);
    registry.registerMember<P, CCSprite>("Bcg", &P::Bcg);
    // The scene file makes its menus by class name. Registering the menu
    // here as well keeps the menu class linked into every program that shows
    // the pop-up, whether or not it uses menus elsewhere.
    registry.registerClass<CCMenu>("CCMenu");
    return true;
}();

// The boards and the village HUD, below the front end, open the options
// through the session's maker: this pop-up is the one they get.
[[maybe_unused]] const bool optionsMakerInstalled = [] {
    (void)session::setOptionsPopUpMaker([] { return Ref<CCNode>(MainMenuPopUp::popUp()); });
    return true;
}();

} // namespace

Ref<MainMenuPopUp> MainMenuPopUp::popUp()
{
    auto popUp = makeRef<MainMenuPopUp>();
    if (!popUp->init()) return nullptr;
    return popUp;
}

void MainMenuPopUp::caption(CCMenuItem* button, const char* key, float size)
{
    if (!button) return;
    const CGSize box = button->contentSize();
    auto shadow = CCLabelTTF::labelWithString(text(key), kBold, size);
    shadow->setColor(kShadow);
    shadow->setPosition({box.width / 2 + 1, box.height / 2 + 1});
    button->addChild(shadow.get(), 2);
    auto face = CCLabelTTF::labelWithString(text(key), kBold, size);
    face->setPosition({box.width / 2, box.height / 2});
    button->addChild(face.get(), 2);
}

bool MainMenuPopUp::init()
{
    const CGSize win = CCDirector::sharedDirector()->winSize();
    auto dim = CCLayerColor::layerWithColor(ccc4(0, 0, 0, 128), win.width, win.height);
    dim->setPosition({-win.width / 2, -win.height / 2});
    addChild(dim.get());

    const char* file = tablet() ? "Options.ccb" : "Options_small.ccb";
    sceneRoot_ = CCBReader::nodeGraphFromFile(file, this);
    if (!sceneRoot_) {
        logLine("MainMenuPopUp: cannot read %s", file);
        return true;
    }
    addChild(sceneRoot_.get());

    const float size = sized(28, 14);
    const float aboutSize = german() ? size - sized(5, 3) : size;
    const std::pair<CCMenuItem*, const char*> firstPage[] = {
        {ResetGameButton, "BUTTON_RESET"}, {CloudButton, "BUTTON_CLOUD"}, {MenuButton, "MAIN_MENU_ID"},
        {CreditsButton, "BUTTON_ABOUT"},   {ResetYes, "BUTTON_YES"},      {ResetNo, "BUTTON_NO"},
    };
    for (const auto& [button, key] : firstPage) caption(button, key, size);
    const std::pair<CCMenuItem*, const char*> aboutPage[] = {
        {TermsButton, "TARVO_TOS_BUTTON"},
        {PrivacyButton, "TARVO_PP_BUTTON"},
        {EULAButton, "TARVO_EULA_BUTTON"},
        {CreditsButtonE, "CREDITS_BUTTON"},
    };
    for (const auto& [button, key] : aboutPage) caption(button, key, aboutSize);

    if (ResetYes) {
        ResetYes->SetActionRunTime(3.0f);
        ResetYes->SetHoldRepeatAction(false);
    }

    if (Bcg) {
        const float bodySize = german() ? sized(17, 8) : sized(20, 10);
        AboutText =
            boxedLabel(text("TARVO_TEXT"), tablet() ? CGSize{460, 170} : CGSize{240, 85}, bodySize, kBody);
        AboutText->setPosition(ofBackground(Bcg, 0.5f, 0.55f));
        AboutText->setVisible(false);
        Bcg->addChild(AboutText.get());
    }

    showMusicState();
    showSoundState();

    // On the main menu there is no menu to go back to, and nothing to reset
    // before a game has been saved.
    if (dynamic_cast<MainMenuScene*>(CCDirector::sharedDirector()->runningScene())) {
        const CGPoint menuPlace = MenuButton ? MenuButton->position() : CGPoint{0, 0};
        const CGPoint aboutPlace = CreditsButton ? CreditsButton->position() : CGPoint{0, 0};
        if (MenuButton) {
            MenuButton->removeFromParentAndCleanup(true);
            MenuButton = nullptr;
            if (CreditsButton) CreditsButton->setPosition(menuPlace);
        }
        if (ResetGameButton) {
            if (Profile::sharedInstance()->Loaded) {
                ResetGameButton->setPosition(aboutPlace);
            } else {
                ResetGameButton->removeFromParentAndCleanup(true);
                ResetGameButton = nullptr;
            }
        }
    }

    if (Bcg) {
        Napis1Parent = makeRef<CCNode>();
        Napis1Parent->setPosition(ofBackground(Bcg, 0.5f, 0.59f));
        Bcg->addChild(Napis1Parent.get());
        auto version = CCLabelTTF::labelWithString(
            format("%@ ver %@", bundleEntry("CFBundleName"), bundleEntry("CFBundleVersion")), kBold,
            sized(38, 19));
        version->setColor(kBody);
        auto notice = CCLabelTTF::labelWithString(kNoticeLine, kPlain, sized(20, 10));
        notice->setColor(kBody);
        const float v = version->contentSize().height;
        const float c = notice->contentSize().height;
        version->setPosition({0, (0.84f * v + c) / 2});
        notice->setPosition({0, (0.84f * v + c) / 2 - 0.84f * v});
        Napis1Parent->addChild(version.get());
        Napis1Parent->addChild(notice.get());
    }

    GlobalObject::sharedInstance()->DoTheBoing(sceneRoot_.get());
    return true;
}

// ---- switches

void MainMenuPopUp::showMusicState()
{
    if (!MusicButton) return;
    if (CDAudioManager::sharedManager()->isOtherAudioPlaying()) {
        showIcons(MusicButton, kMusicOff, kMusicOn);
        MusicButton->setIsEnabled(false);
        return;
    }
    const bool on = GlobalObject::sharedInstance()->isMusicEnable();
    showIcons(MusicButton, on ? kMusicOn : kMusicOff, on ? kMusicOff : kMusicOn);
}

void MainMenuPopUp::showSoundState()
{
    const bool on = GlobalObject::sharedInstance()->isSoundEnable;
    showIcons(SoundButton, on ? kSoundOn : kSoundOff, on ? kSoundOff : kSoundOn);
}

void MainMenuPopUp::ChangeMusic(Object*)
{
    clickSound();
    GlobalObject* global = GlobalObject::sharedInstance();
    global->setIsMusicEnable(!global->isMusicEnable());
    const bool on = global->isMusicEnable();
    showIcons(MusicButton, on ? kMusicOn : kMusicOff, on ? kMusicOff : kMusicOn);
}

void MainMenuPopUp::ChangeSound(Object*)
{
    // Heard only while sound was on; switched on, the click comes after.
    clickSound();
    GlobalObject* global = GlobalObject::sharedInstance();
    global->isSoundEnable = !global->isSoundEnable;
    showSoundState();
    if (global->isSoundEnable) clickSound();
}

// ---- pages

void MainMenuPopUp::showFirstPage(bool visible)
{
    show(ButtonL1Menu, visible);
}

void MainMenuPopUp::CloudCallback(Object*)
{
    clickSound();
    showFirstPage(false);
    show(ButtonL2CloudMenu, true);
    if (!Bcg) return;
    if (CloudText) CloudText->removeFromParentAndCleanup(true);
    CloudText =
        boxedLabel(text("CLOUD_TEXT"), tablet() ? CGSize{350, 170} : CGSize{175, 85}, sized(23, 12), kBody);
    CloudText->setPosition(ofBackground(Bcg, 0.5f, 0.36f));
    Bcg->addChild(CloudText.get());
}

void MainMenuPopUp::CloudYesCallback(Object*)
{
    clickSound();
    GlobalObject::sharedInstance()->isCloudSave = true;
    BackCloudCallback(nullptr);
}

void MainMenuPopUp::CloudNoCallback(Object*)
{
    clickSound();
    GlobalObject::sharedInstance()->isCloudSave = false;
    BackCloudCallback(nullptr);
}

void MainMenuPopUp::BackCloudCallback(Object* sender)
{
    if (sender) clickSound();
    if (CloudText) {
        CloudText->removeFromParentAndCleanup(true);
        CloudText = nullptr;
    }
    showFirstPage(true);
    show(ButtonL2CloudMenu, false);
}

void MainMenuPopUp::CreditsCallback(Object*)
{
    clickSound();
    showFirstPage(false);
    show(AboutMenu, true);
    show(AboutText.get(), true);
    show(Napis1Parent.get(), false);
}

void MainMenuPopUp::BackAboutCallback(Object*)
{
    clickSound();
    showFirstPage(true);
    show(AboutMenu, false);
    show(AboutText.get(), false);
    show(Napis1Parent.get(), true);
}

void MainMenuPopUp::CreditsAboutCallback(Object*)
{
    clickSound();
    showFirstPage(false);
    show(ButtonL3CloudMenu, true);
    if (Bcg) {
        removeCredits();
        Credits = CCCredits::credits();
        Credits->setPosition(ofBackground(Bcg, 0.5f, 0.17f));
        Bcg->addChild(Credits.get());
        const float distance = Credits->GetHeight() + sized(120, 60);
        auto up = CCMoveBy::actionWithDuration(kCreditsScrollSeconds, {0, distance});
        auto back = CCMoveBy::actionWithDuration(0, {0, -distance});
        auto scroll = CCRepeatForever::actionWithAction(CCSequence::actionOne(up.get(), back.get()).get());
        scroll->setTag(kCreditsScrollTag);
        Credits->runAction(scroll.get());

        Mask1 = icon("popup_credits_mask.png");
        Mask1->setPosition(ofBackground(Bcg, 0.5f, 0.48f));
        Bcg->addChild(Mask1.get());
        Mask2 = icon("popup_credits_mask.png");
        Mask2->setRotation(180);
        Mask2->setPosition(ofBackground(Bcg, 0.5f, 0.18f));
        Bcg->addChild(Mask2.get());
    }
    show(AboutText.get(), false);
    show(Napis1Parent.get(), true);
    show(AboutMenu, false);
}

void MainMenuPopUp::removeCredits()
{
    for (CCNode* node : {static_cast<CCNode*>(Credits.get()), static_cast<CCNode*>(Mask1.get()),
                         static_cast<CCNode*>(Mask2.get())}) {
        if (node) node->removeFromParentAndCleanup(true);
    }
    Credits = nullptr;
    Mask1 = nullptr;
    Mask2 = nullptr;
}

void MainMenuPopUp::BackCreditsCallback(Object*)
{
    clickSound();
    showFirstPage(false);
    show(ButtonL3CloudMenu, false);
    show(AboutMenu, true);
    if (Credits) removeCredits();
    show(AboutText.get(), true);
    show(Napis1Parent.get(), false);
}

void MainMenuPopUp::ResetCallback(Object*)
{
    clickSound();
    showFirstPage(false);
    show(ButtonL2ResetMenu, true);
    if (!Bcg) return;
    removeResetTexts();
    const CGSize box = tablet() ? CGSize{400, 170} : CGSize{200, 85};
    ResetText = boxedLabel(text("RESET_TEXT"), box, sized(22, 11), kBody);
    ResetText->setPosition(ofBackground(Bcg, 0.5f, 0.42f));
    Bcg->addChild(ResetText.get());
    ResetText2 = boxedLabel(text("RESET_HOLD"), box, sized(22, 11), kHold);
    ResetText2->setPosition(ofBackground(Bcg, 0.5f, 0.33f));
    Bcg->addChild(ResetText2.get());
}

void MainMenuPopUp::removeResetTexts()
{
    if (ResetText) ResetText->removeFromParentAndCleanup(true);
    if (ResetText2) ResetText2->removeFromParentAndCleanup(true);
    ResetText = nullptr;
    ResetText2 = nullptr;
}

void MainMenuPopUp::ResetNoCallback(Object* sender)
{
    if (sender) clickSound();
    removeResetTexts();
    BackResetCallback(nullptr);
}

void MainMenuPopUp::BackResetCallback(Object* sender)
{
    if (sender) clickSound();
    showFirstPage(true);
    show(ButtonL2ResetMenu, false);
    removeResetTexts();
}

// ---- legal pages

std::string MainMenuPopUp::legalAddress(const std::string& page, const std::string& language)
{
    if (language != "en" && language != "de" && language != "pl") return {};
    std::string path;
    if (page == "privacy") {
        path = "/legalapp/WEBPRIVACY/US/" + language + "/MW/";
    } else if (page == "terms") {
        path = "/legalapp/WEBTERMS/US/" + language + "/MW/";
    } else if (page == "licence") {
        // There is no Polish licence page: the English one stands in.
        path = "/legalapp/mobileeula/US/" + (language == "pl" ? std::string("en") : language) + "/OTHER/";
    } else {
        return {};
    }
    return std::string(kLegalHost) + path;
}

void MainMenuPopUp::openLegal(const char* page)
{
    const std::string address = legalAddress(page, LocalisationManager::sharedInstance()->getLang());
    if (address.empty()) return;
    (void)URLOpener::sharedInstance()->openURL(address);
}

void MainMenuPopUp::TermsCallback(Object*)
{
    openLegal("terms");
}

void MainMenuPopUp::PrivacyCallback(Object*)
{
    openLegal("privacy");
}

void MainMenuPopUp::EULACallback(Object*)
{
    openLegal("licence");
}

// ---- leaving

GuiObject* MainMenuPopUp::hud() const
{
    return dynamic_cast<GuiObject*>(parent());
}

void MainMenuPopUp::tearDownVillage()
{
    GuiObject* gui = hud();
    if (!gui) return;
    // Torn down now, without the map's save on destruction: a save after
    // the reset would write the fresh profile and mark a game as loaded.
    VillageScene* village = gui->villageScene();
    if (auto* gate = dynamic_cast<VillageGate*>(gui->GetLayer())) gate->StopWithRelease();
    if (village) village->onHide();
}

void MainMenuPopUp::ResetYesCallback(Object* sender)
{
    if (sender) clickSound();
    Ref<MainMenuPopUp> self(this);
    tearDownVillage();

    // Deleted by the saver that wrote it, after any save still being written,
    // which would otherwise land after the delete.
    std::string notDeleted;
    if (!Profile::sharedInstance()->saveFile().remove(&notDeleted))
        logLine("Unable to delete file: %s", notDeleted.c_str());
    Profile::purgeSharedInstance();
    GlobalObject* global = GlobalObject::sharedInstance();
    global->Stop();
    global->Reset();
    global->Start();
    Profile* fresh = Profile::sharedInstance();
    const int32_t current = global->CurrentSceneId;
    if (current != kMenuSoundSet) {
        global->LoadAudioFor(kMenuSoundSet);
        if (current >= 0) global->UnloadAudioFor(current);
    }
    fresh->Loaded = false;
    if (const MenuSceneMaker& maker = resetSceneMaker()) maker();

    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setBool("MapDefLoaded", false);
    defaults.setBool("DietAchievement", false);
    defaults.setBool("Loaded", false);
    (void)defaults.synchronize();
    clickSound();
}

void MainMenuPopUp::MenuCallback(Object*)
{
    if (GuiObject* gui = hud()) {
        if (auto* map = dynamic_cast<MapScene*>(gui->GetLayer())) (void)map->CollectAllBonuses();
        Profile::sharedInstance()->Save();
    } else {
        // A board's running session is dropped.
        (void)Profile::sharedInstance()->Load();
    }
    clickSound();
    GlobalObject* global = GlobalObject::sharedInstance();
    const int32_t leaving = global->CurrentSceneId;
    global->LoadAudioFor(kMenuSoundSet);
    if (const MenuSceneMaker& maker = menuSceneMaker()) {
        maker();
    } else {
        logLine("MainMenuPopUp: no main menu to go back to");
    }
    if (leaving >= 0 && leaving != kMenuSoundSet) global->UnloadAudioFor(leaving);
}

void MainMenuPopUp::BackCallback(Object* sender)
{
    if (sender) clickSound();
    GlobalObject::sharedInstance()->SaveSettings();
    // Keep this node alive while it takes itself off its parent.
    Ref<MainMenuPopUp> self(this);
    if (GuiObject* gui = hud()) {
        if (CCNode* layer = gui->GetLayer()) {
            layer->SetInputActive(true);
            gui->SetInputActive(true);
        }
    } else if (CCNode* opener = parent()) {
        opener->SetInputActive(true);
    }
    removeFromParentAndCleanup(true);
}

void MainMenuPopUp::ContinueCallback(Object* sender)
{
    GuiObject* gui = hud();
    if (!gui) {
        // One scene file serves every opener; only the HUD has a layer to continue on.
        BackCallback(sender);
        return;
    }
    clickSound();
    Ref<MainMenuPopUp> self(this);
    if (CCNode* layer = gui->GetLayer()) layer->SetInputActive(true);
    gui->SetInputActive(true);
    removeFromParentAndCleanup(true);
}

MainMenuPopUp::MenuSceneMaker MainMenuPopUp::setMenuSceneMaker(MenuSceneMaker maker)
{
    return std::exchange(menuSceneMaker(), std::move(maker));
}

MainMenuPopUp::MenuSceneMaker MainMenuPopUp::setResetSceneMaker(MenuSceneMaker maker)
{
    return std::exchange(resetSceneMaker(), std::move(maker));
}

} // namespace mw
