#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/AtomicFile.h"
#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"
#include "game/front/MainMenuPopUp.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "game/village/CCCredits.h"
#include "game/village/CCSeenCounter.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/TrickLayer.h"
#include "tests/game/front/MainMenuTestSupport.h"
#include "tests/support/FakeAudioSession.h"

namespace mw {
namespace {

float points(const CCLabelTTF* label)
{
    return label->fontSizeInPixels() / CC_CONTENT_SCALE_FACTOR();
}

// Stands where a board stands: it opens the pop-up and takes its input back.
class BoardOpener : public CCLayer {
public:
    void SetInputActive(bool active) override { inputs.push_back(active); }
    std::vector<bool> inputs;
};

// A map whose pending bonuses are always there to collect, so that it saves
// when it goes unless told not to.
class CollectingMap : public MapScene {
public:
    bool CollectAllBonuses() override
    {
        ++collections;
        return true;
    }
    void SetInputActive(bool active) override { inputs.push_back(active); }
    int collections = 0;
    std::vector<bool> inputs;
};

// The HUD over that map.
class MapHud : public GuiObject {
public:
    CCLayer* GetLayer() const override { return map.get(); }
    Ref<CollectingMap> map;
};

enum class Opener { MenuWithoutSave, MenuWithSave, Hud, Board };

class OptionsTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world_.run.ok()) << "no headless GL context";
        previousReset_ = MainMenuPopUp::setResetSceneMaker([this] { ++resets_; });
        previousMenu_ = MainMenuPopUp::setMenuSceneMaker([this] { ++menus_; });
    }
    void TearDown() override
    {
        MainMenuPopUp::setResetSceneMaker(previousReset_);
        MainMenuPopUp::setMenuSceneMaker(previousMenu_);
        hud_ = nullptr;
        board_ = nullptr;
    }
    bool tablet() const { return GlobalObject::sharedInstance()->isIpad; }
    std::string text(const char* key) { return world_.text(key); }

    // Opens the pop-up the way each opener does.
    MainMenuPopUp* open(Opener opener)
    {
        const CGSize win = ccWinSize();
        if (opener == Opener::MenuWithoutSave || opener == Opener::MenuWithSave) {
            if (opener == Opener::MenuWithSave) world_.saveVillage("Mossbury");
            MainMenuScene& menu = world_.start();
            menu.OptionsCallback();
            for (Object* child : *menu.children())
                if (auto* found = dynamic_cast<MainMenuPopUp*>(child)) return found;
            return nullptr;
        }
        auto scene = CCScene::node();
        world_.run.driver().director()->runWithScene(scene.get());
        world_.run.run(1.0 / 60);
        EXPECT_TRUE(world_.run.loadVillageSheets());
        auto popUp = MainMenuPopUp::popUp();
        popUp->setPosition({win.width / 2, win.height / 2});
        if (opener == Opener::Hud) {
            hud_ = makeRef<MapHud>();
            EXPECT_TRUE(hud_->initWithParent(nullptr));
            hud_->map = makeRef<CollectingMap>();
            EXPECT_TRUE(hud_->map->initWithGuiParentAndState(hud_.get(), 102, -1, -1));
            scene->addChild(hud_->map.get(), 0);
            scene->addChild(hud_.get(), 5);
            hud_->addChild(popUp.get(), GuiObject::kOptionsZ);
            // The map turns its input on as it enters; only the opener's switches count.
            hud_->map->inputs.clear();
            hud_->SetInputActive(false);
            hud_->map->SetInputActive(false);
        } else {
            board_ = makeRef<BoardOpener>();
            scene->addChild(board_.get());
            board_->addChild(popUp.get(), 6);
            board_->SetInputActive(false);
        }
        world_.run.run(1.0 / 60);
        return popUp.get();
    }
    static bool shows(CCNode* image, const char* frame)
    {
        auto* sprite = dynamic_cast<CCSprite*>(image);
        Ref<CCSpriteFrame> wanted = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame);
        return sprite && wanted && sprite->isFrameDisplayed(wanted.get());
    }
    static CGPoint ofBackground(const MainMenuPopUp* popUp, float x, float y)
    {
        const CGSize size = popUp->Bcg->contentSize();
        return {x * size.width, y * size.height};
    }
    // The face label of a button's caption (the last child added).
    static CCLabelTTF* captionOf(CCMenuItem* button)
    {
        CCLabelTTF* face = nullptr;
        for (Object* child : *button->children())
            if (auto* label = dynamic_cast<CCLabelTTF*>(child)) face = label;
        return face;
    }
    bool saveFileExists() const { return std::filesystem::exists(SaveFile::path()); }

    test::MenuWorld world_{GetParam()};
    Ref<MapHud> hud_;
    Ref<BoardOpener> board_;
    int resets_ = 0;
    int menus_ = 0;
    MainMenuPopUp::MenuSceneMaker previousReset_;
    MainMenuPopUp::MenuSceneMaker previousMenu_;
};

TEST_P(OptionsTest, FirstPageByOpener)
{
    // The scene file's places, as a board sees them.
    MainMenuPopUp* reference = open(Opener::Board);
    ASSERT_NE(reference, nullptr);
    ASSERT_TRUE(reference->MenuButton && reference->CreditsButton && reference->ResetGameButton);
    const CGPoint menuPlace = reference->MenuButton->position();
    const CGPoint aboutPlace = reference->CreditsButton->position();
    const CGPoint resetPlace = reference->ResetGameButton->position();
    EXPECT_EQ(captionOf(reference->MenuButton)->string(), text("MAIN_MENU_ID"));
    EXPECT_EQ(captionOf(reference->ResetGameButton)->string(), text("BUTTON_RESET"));
    EXPECT_EQ(points(captionOf(reference->ResetGameButton)), tablet() ? 28 : 14);
    EXPECT_EQ(reference->ResetYes->actionRunTime(), 3.0f);
    EXPECT_FALSE(reference->ResetYes->holdRepeatAction());
    world_.run.run(1.0);
    world_.run.picture("options-first-page");

    struct Row {
        Opener opener;
        bool menu, reset;
        CGPoint about, resetAt;
    };
    const Row rows[] = {
        {Opener::MenuWithoutSave, false, false, menuPlace, {}},
        {Opener::MenuWithSave, false, true, menuPlace, aboutPlace},
        {Opener::Hud, true, true, aboutPlace, resetPlace},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.opener));
        MainMenuPopUp* popUp = open(row.opener);
        ASSERT_NE(popUp, nullptr);
        EXPECT_EQ(popUp->MenuButton != nullptr, row.menu);
        EXPECT_EQ(popUp->ResetGameButton != nullptr, row.reset);
        EXPECT_EQ(popUp->CreditsButton->position(), row.about);
        if (row.reset) {
            EXPECT_EQ(popUp->ResetGameButton->position(), row.resetAt);
        }
        int items = 0;
        for (Object* child : *popUp->ButtonL1Menu->children())
            items += dynamic_cast<CCMenuItem*>(child) != nullptr;
        EXPECT_EQ(items, 8 - !row.menu - !row.reset);
        if (row.opener == Opener::MenuWithoutSave) {
            world_.run.run(1.0);
            world_.run.picture("options-menu-first-page");
        }
    }
}

TEST_P(OptionsTest, TheMusicSwitchIsOffAndDisabledWhileOtherAudioPlays)
{
    test::ScopedFakeAudioSession session;
    struct Row {
        bool otherAudio, music;
        const char *normal, *selected;
        bool enabled;
    };
    const Row rows[] = {
        {true, true, "main_menu_music_icon_disabled.png", "main_menu_music_icon.png", false},
        {false, true, "main_menu_music_icon.png", "main_menu_music_icon_disabled.png", true},
        {false, false, "main_menu_music_icon_disabled.png", "main_menu_music_icon.png", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.otherAudio << row.music);
        session->otherAudioPlaying = row.otherAudio;
        GlobalObject::sharedInstance()->setIsMusicEnable(row.music);
        MainMenuPopUp* popUp = open(Opener::Board);
        EXPECT_TRUE(shows(popUp->MusicButton->normalImage(), row.normal));
        EXPECT_TRUE(shows(popUp->MusicButton->selectedImage(), row.selected));
        EXPECT_EQ(popUp->MusicButton->isEnabled(), row.enabled);
    }
    // Switched, the icons follow the state.
    session->otherAudioPlaying = false;
    GlobalObject::sharedInstance()->setIsMusicEnable(true);
    MainMenuPopUp* popUp = open(Opener::Board);
    popUp->MusicButton->activate();
    EXPECT_FALSE(GlobalObject::sharedInstance()->isMusicEnable());
    EXPECT_TRUE(shows(popUp->MusicButton->normalImage(), "main_menu_music_icon_disabled.png"));
}

TEST_P(OptionsTest, EachPressOfTheSoundSwitchGivesOneClick)
{
    MainMenuPopUp* popUp = open(Opener::Board);
    GlobalObject* global = GlobalObject::sharedInstance();
    std::vector<std::pair<std::string, bool>> asked; // key, heard
    global->soundRequestListener = [&](const std::string& key) {
        asked.emplace_back(key, global->isSoundEnable);
    };
    global->isSoundEnable = true;
    popUp->SoundButton->activate();
    EXPECT_FALSE(global->isSoundEnable);
    EXPECT_EQ(asked, (std::vector<std::pair<std::string, bool>>{{"selection_menu", true}})) << "heard before";
    EXPECT_TRUE(shows(popUp->SoundButton->normalImage(), "main_menu_sounds_icon_disabled.png"));
    asked.clear();
    popUp->SoundButton->activate();
    EXPECT_TRUE(global->isSoundEnable);
    EXPECT_EQ(asked, (std::vector<std::pair<std::string, bool>>{{"selection_menu", false},
                                                                {"selection_menu", true}}))
        << "heard after";
    EXPECT_TRUE(shows(popUp->SoundButton->normalImage(), "main_menu_sounds_icon.png"));
}

TEST_P(OptionsTest, EveryPageOpensAndClosesWithItsTexts)
{
    MainMenuPopUp* popUp = open(Opener::Hud);
    ASSERT_NE(popUp->Bcg, nullptr);
    const float body = tablet() ? 2 : 1;
    ASSERT_NE(popUp->aboutText(), nullptr);
    EXPECT_FALSE(popUp->aboutText()->visible());
    EXPECT_EQ(popUp->aboutText()->position(), ofBackground(popUp, 0.5f, 0.55f));
    EXPECT_EQ(popUp->captionNode()->position(), ofBackground(popUp, 0.5f, 0.59f));
    EXPECT_TRUE(popUp->captionNode()->visible());

    // Cloud: the question, then the answer sets the flag and goes back.
    popUp->CloudCallback(popUp->CloudButton);
    EXPECT_FALSE(popUp->ButtonL1Menu->visible());
    EXPECT_TRUE(popUp->ButtonL2CloudMenu->visible());
    ASSERT_NE(popUp->cloudText(), nullptr);
    EXPECT_EQ(popUp->cloudText()->string(), text("CLOUD_TEXT"));
    EXPECT_EQ(popUp->cloudText()->position(), ofBackground(popUp, 0.5f, 0.36f));
    EXPECT_EQ(popUp->cloudText()->parent(), popUp->Bcg);
    world_.run.run(1.0);
    world_.run.picture("options-cloud");
    Ref<CCLabelTTF> cloud(popUp->cloudText());
    popUp->CloudNoCallback(nullptr);
    EXPECT_FALSE(GlobalObject::sharedInstance()->isCloudSave);
    EXPECT_EQ(popUp->cloudText(), nullptr);
    EXPECT_EQ(cloud->parent(), nullptr);
    EXPECT_TRUE(popUp->ButtonL1Menu->visible());
    EXPECT_FALSE(popUp->ButtonL2CloudMenu->visible());
    popUp->CloudCallback(nullptr);
    popUp->CloudYesCallback(nullptr);
    EXPECT_TRUE(GlobalObject::sharedInstance()->isCloudSave);

    // About, then the credits from it, then back twice.
    popUp->CreditsCallback(popUp->CreditsButton);
    EXPECT_FALSE(popUp->ButtonL1Menu->visible());
    EXPECT_TRUE(popUp->AboutMenu->visible());
    EXPECT_TRUE(popUp->aboutText()->visible());
    EXPECT_FALSE(popUp->captionNode()->visible());
    EXPECT_EQ(points(captionOf(popUp->TermsButton)), tablet() ? 28 : 14);
    world_.run.run(0.2);
    world_.run.picture("options-about");
    popUp->CreditsAboutCallback(popUp->CreditsButtonE);
    ASSERT_NE(popUp->credits(), nullptr);
    EXPECT_EQ(popUp->credits()->parent(), popUp->Bcg);
    EXPECT_EQ(popUp->credits()->position(), ofBackground(popUp, 0.5f, 0.17f));
    EXPECT_EQ(popUp->upperMask()->position(), ofBackground(popUp, 0.5f, 0.48f));
    EXPECT_EQ(popUp->lowerMask()->position(), ofBackground(popUp, 0.5f, 0.18f));
    EXPECT_EQ(popUp->lowerMask()->rotation(), 180);
    EXPECT_TRUE(popUp->ButtonL3CloudMenu->visible());
    EXPECT_FALSE(popUp->AboutMenu->visible());
    EXPECT_FALSE(popUp->aboutText()->visible());
    EXPECT_TRUE(popUp->captionNode()->visible());
    world_.run.run(6.0);
    world_.run.picture("options-credits");
    Ref<CCCredits> credits(popUp->credits());
    popUp->BackCreditsCallback(nullptr);
    EXPECT_EQ(popUp->credits(), nullptr);
    EXPECT_EQ(credits->parent(), nullptr);
    EXPECT_EQ(popUp->upperMask(), nullptr);
    EXPECT_TRUE(popUp->AboutMenu->visible());
    EXPECT_FALSE(popUp->ButtonL3CloudMenu->visible());
    EXPECT_TRUE(popUp->aboutText()->visible());
    EXPECT_FALSE(popUp->captionNode()->visible());
    popUp->BackAboutCallback(nullptr);
    EXPECT_TRUE(popUp->ButtonL1Menu->visible());
    EXPECT_FALSE(popUp->AboutMenu->visible());
    EXPECT_FALSE(popUp->aboutText()->visible());
    EXPECT_TRUE(popUp->captionNode()->visible());

    // Reset page: the question and the hold instruction, gone with either way back.
    for (void (MainMenuPopUp::*back)(Object*) :
         {&MainMenuPopUp::ResetNoCallback, &MainMenuPopUp::BackResetCallback}) {
        popUp->ResetCallback(nullptr);
        EXPECT_TRUE(popUp->ButtonL2ResetMenu->visible());
        EXPECT_FALSE(popUp->ButtonL1Menu->visible());
        ASSERT_NE(popUp->resetText(), nullptr);
        EXPECT_EQ(popUp->resetText()->string(), text("RESET_TEXT"));
        EXPECT_EQ(popUp->resetText()->position(), ofBackground(popUp, 0.5f, 0.42f));
        EXPECT_EQ(popUp->resetHoldText()->position(), ofBackground(popUp, 0.5f, 0.33f));
        EXPECT_EQ(popUp->resetHoldText()->color(), (ccColor3B{206, 97, 24}));
        EXPECT_EQ(points(popUp->resetText()), 11 * body);
        world_.run.run(0.2);
        world_.run.picture("options-reset");
        (popUp->*back)(nullptr);
        EXPECT_EQ(popUp->resetText(), nullptr);
        EXPECT_EQ(popUp->resetHoldText(), nullptr);
        EXPECT_TRUE(popUp->ButtonL1Menu->visible());
        EXPECT_FALSE(popUp->ButtonL2ResetMenu->visible());
    }
    EXPECT_EQ(resets_, 0);
}

TEST_P(OptionsTest, TheGermanAboutPageTakesSmallerSizes)
{
    UserDefaults::standardUserDefaults().setInteger("lang_key", 3); // German
    (void)Shared<LocalisationManager>::replace(makeRef<LocalisationManager>());
    LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
    ASSERT_EQ(LocalisationManager::sharedInstance()->getLang(), "de");
    MainMenuPopUp* popUp = open(Opener::Board);
    for (CCMenuItem* button :
         {popUp->TermsButton, popUp->PrivacyButton, popUp->EULAButton, popUp->CreditsButtonE})
        EXPECT_EQ(points(captionOf(button)), tablet() ? 23 : 11);
    EXPECT_EQ(points(captionOf(popUp->CloudButton)), tablet() ? 28 : 14);
    EXPECT_EQ(points(popUp->aboutText()), tablet() ? 17 : 8);
    EXPECT_EQ(captionOf(popUp->TermsButton)->string(), "AGB");
    popUp->CreditsCallback(nullptr);
    world_.run.run(1.0);
    world_.run.picture("options-about-de");
}

TEST_P(OptionsTest, LegalPagesByLanguage)
{
    struct Row {
        const char* language;
        void (MainMenuPopUp::*page)(Object*);
        const char* path; // none: nothing opens
    };
    const Row rows[] = {
        {"en", &MainMenuPopUp::PrivacyCallback, "/legalapp/WEBPRIVACY/US/en/MW/"},
        {"de", &MainMenuPopUp::TermsCallback, "/legalapp/WEBTERMS/US/de/MW/"},
        {"pl", &MainMenuPopUp::TermsCallback, "/legalapp/WEBTERMS/US/pl/MW/"},
        {"de", &MainMenuPopUp::EULACallback, "/legalapp/mobileeula/US/de/OTHER/"},
        {"pl", &MainMenuPopUp::EULACallback, "/legalapp/mobileeula/US/en/OTHER/"},
        {"fr", &MainMenuPopUp::PrivacyCallback, nullptr},
    };
    MainMenuPopUp* popUp = open(Opener::Board);
    world_.sounds.clear();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.language);
        world_.links->opened.clear();
        LocalisationManager::sharedInstance()->setLang(row.language);
        (popUp->*row.page)(nullptr);
        if (row.path) {
            EXPECT_EQ(world_.links->opened,
                      std::vector<std::string>{std::string(MainMenuPopUp::kLegalHost) + row.path});
        } else {
            EXPECT_TRUE(world_.links->opened.empty());
        }
    }
    EXPECT_TRUE(world_.sounds.empty()) << "the legal pages play nothing";
}

TEST_P(OptionsTest, TheCreditsScrollByTheirHeightAndMoreInThirtySecondsThenJumpBack)
{
    MainMenuPopUp* popUp = open(Opener::Board);
    popUp->CreditsCallback(nullptr);
    popUp->CreditsAboutCallback(nullptr);
    CCCredits* credits = popUp->credits();
    ASSERT_NE(credits, nullptr);
    const float start = credits->position().y;
    const float distance = credits->GetHeight() + (tablet() ? 120 : 60);
    world_.run.run(15.0);
    EXPECT_NEAR(credits->position().y - start, distance / 2, distance * 0.01);
    world_.run.run(14.9);
    EXPECT_NEAR(credits->position().y - start, distance, distance * 0.01);
    world_.run.run(0.2);
    EXPECT_LT(credits->position().y - start, distance * 0.02) << "back at the start";
}

// Touches through the driver: holding Yes for 2.9 s of frame time does
// nothing; past 3 s the game resets.
TEST_P(OptionsTest, HoldingYesForThreeSecondsResets)
{
    MainMenuPopUp* popUp = open(Opener::Board);
    Profile::sharedInstance()->VillageName = "Old";
    popUp->ResetCallback(nullptr);
    world_.run.run(1.0);
    CCHoldButtonImage* yes = popUp->ResetYes;
    const CGSize box = yes->contentSize();
    const CGPoint world = yes->convertToWorldSpace({box.width / 2, box.height / 2});
    Ref<UITouch> touch = world_.run.driver().touchDown({world.x, ccWinSize().height - world.y});
    world_.run.run(2.9);
    EXPECT_EQ(resets_, 0);
    EXPECT_EQ(Profile::sharedInstance()->VillageName, "Old");
    world_.run.run(0.2);
    EXPECT_EQ(resets_, 1);
    EXPECT_NE(Profile::sharedInstance()->VillageName, "Old");
    world_.run.driver().touchUp(touch.get());
    EXPECT_EQ(resets_, 1) << "the release fires nothing more";
}

TEST_P(OptionsTest, AResetLeavesNothingOfTheOldGameFromEveryOpener)
{
    for (Opener opener : {Opener::MenuWithSave, Opener::Hud, Opener::Board}) {
        SCOPED_TRACE(static_cast<int>(opener));
        resets_ = 0;
        MainMenuPopUp* popUp = open(opener);
        ASSERT_NE(popUp, nullptr);
        Profile* old = Profile::sharedInstance();
        old->VillageName = "Old";
        old->GoldCount = 77;
        ASSERT_TRUE(old->SaveData());
        GlobalObject* global = GlobalObject::sharedInstance();
        global->GenerateNotification(1, 0, 0, "NOTIF_TAX_TEXT_1", GlobalObject::kTaxEvent, true);
        global->AchievementsState["com.zandovar.mw.settler"] = true;
        global->initGameCenter();
        Ref<GameCenterManager> oldManager = global->gameCenterManager;
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        defaults.setBool("MapDefLoaded", true);
        defaults.setBool("DietAchievement", true);
        // A background save still being written when the player lets go.
        old->saveFile().setWriteHookForTesting(
            [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
        old->SaveInBcg();
        ASSERT_TRUE(old->SaveActive);
        Ref<CollectingMap> map = hud_ ? hud_->map : nullptr;
        if (map) map->Stop(); // bonuses were collected on the map

        popUp->ResetYesCallback(popUp->ResetYes);
        Profile* fresh = Profile::sharedInstance();
        EXPECT_EQ(fresh->VillageName, Profile().VillageName);
        EXPECT_EQ(fresh->GoldCount, 0);
        EXPECT_FALSE(fresh->Loaded);
        EXPECT_TRUE(global->NotificationsQue.empty());
        EXPECT_TRUE(world_.notifications->scheduled.empty());
        EXPECT_FALSE(global->IsAchievementDone("com.zandovar.mw.settler"));
        EXPECT_NE(global->gameCenterManager, oldManager);
        EXPECT_NE(global->gameCenterManager, nullptr);
        EXPECT_FALSE(defaults.boolForKey("MapDefLoaded"));
        EXPECT_FALSE(defaults.boolForKey("DietAchievement"));
        EXPECT_FALSE(defaults.boolForKey("Loaded"));
        EXPECT_EQ(resets_, 1);
        // The village under the pop-up goes without saving.
        if (map) {
            EXPECT_TRUE(map->noSave());
            // The scene that held it goes as the new menu comes.
            if (map->parent()) map->removeFromParentAndCleanup(true);
            if (hud_->parent()) hud_->removeFromParentAndCleanup(true);
            hud_ = nullptr;
            map = nullptr;
        }
        world_.run.run(0.5);
        EXPECT_FALSE(saveFileExists());
        EXPECT_FALSE(UserDefaults::standardUserDefaults().boolForKey("Loaded"));
    }
}

// The reset deletes the game that was played. A file that has taken the
// save's place since this game read or wrote it is not that game: it is kept
// aside, never deleted.
TEST_P(OptionsTest, AResetKeepsAFileInTheSavesPlaceThatTheGameNeverReadAside)
{
    MainMenuPopUp* popUp = open(Opener::MenuWithSave);
    ASSERT_NE(popUp, nullptr);
    const std::string other = "another copy of a village";
    ASSERT_TRUE(AtomicFile::write(SaveFile::path(), other));
    popUp->ResetYesCallback(nullptr);
    world_.run.run(0.5);
    EXPECT_FALSE(saveFileExists());
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("supersave.plist.", 0) == 0) kept.push_back(name);
    }
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].rfind("supersave.plist.unread-", 0), 0u) << kept[0];
    EXPECT_EQ(test::TempDir::readText(Paths::documentsPath(kept[0])), other);
}

TEST_P(OptionsTest, AfterAResetTheNewMenuOffersNoContinue)
{
    MainMenuPopUp::setResetSceneMaker(previousReset_);
    MainMenuPopUp* popUp = open(Opener::MenuWithSave);
    popUp->ResetCallback(nullptr);
    popUp->ResetYesCallback(nullptr);
    world_.run.run(1.0);
    auto* menu = dynamic_cast<MainMenuScene*>(world_.run.driver().director()->runningScene());
    ASSERT_NE(menu, nullptr);
    world_.run.run(1.0);
    EXPECT_EQ(menu->btMain, nullptr) << "no village name: no saved game";
    EXPECT_FALSE(saveFileExists());
}

TEST_P(OptionsTest, BackToTheMenuFromTheVillageCollectsAndSaves)
{
    MainMenuPopUp* popUp = open(Opener::Hud);
    Profile::sharedInstance()->GoldCount = 55;
    EXPECT_FALSE(saveFileExists());
    popUp->MenuCallback(popUp->MenuButton);
    EXPECT_EQ(hud_->map->collections, 1);
    ASSERT_TRUE(saveFileExists());
    Profile::sharedInstance()->GoldCount = 0;
    ASSERT_TRUE(Profile::sharedInstance()->Load());
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 55);
    EXPECT_EQ(menus_, 1);
}

TEST_P(OptionsTest, BackWritesTheSettingsAndContinueElsewhereActsAsBack)
{
    struct Row {
        Opener opener;
        bool viaContinue;
        bool writes;
    };
    for (const Row& row : {Row{Opener::Hud, false, true}, Row{Opener::Hud, true, false},
                           Row{Opener::Board, false, true}, Row{Opener::Board, true, true}}) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(row.opener) << " continue " << row.viaContinue);
        UserDefaults::standardUserDefaults().setBool("isSoundEnable", true);
        MainMenuPopUp* popUp = open(row.opener);
        Ref<MainMenuPopUp> keep(popUp);
        GlobalObject::sharedInstance()->isSoundEnable = false;
        // Each through the first page's own button.
        CCMenuItem* button = row.viaContinue ? popUp->ContinueButton : popUp->BackButton;
        ASSERT_NE(button, nullptr);
        ASSERT_EQ(button->parent(), popUp->ButtonL1Menu);
        button->activate();
        EXPECT_EQ(popUp->parent(), nullptr);
        EXPECT_EQ(UserDefaults::standardUserDefaults().boolForKey("isSoundEnable"), !row.writes);
        if (row.opener == Opener::Hud) {
            EXPECT_TRUE(hud_->IsActive());
            EXPECT_EQ(hud_->map->inputs, (std::vector<bool>{false, true}));
        } else {
            EXPECT_EQ(board_->inputs, (std::vector<bool>{false, true}));
        }
        GlobalObject::sharedInstance()->isSoundEnable = true;
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, OptionsTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
