// The main menu's way into a new game (the name alert, the clearing of the
// menu, the new profile and the intro) and its rename of a saved village.
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/director/CCDirector.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Utf16.h"
#include "game/defs/XMLManager.h"
#include "game/front/CCTransitionDoors.h"
#include "game/front/MainMenuScene.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/SaveNotices.h"
#include "platform/LocalNotifications.h"
#include "social/session/LumoraSlimlineSession.h"

namespace mw {

namespace {

constexpr size_t kLongestName = 11;

CGSize window() { return CCDirector::sharedDirector()->winSize(); }
std::string text(const std::string& key) { return LocalisationManager::sharedInstance()->getValue(key); }
void play(const char* sound) { (void)GlobalObject::sharedInstance()->PlaySoundEffect(sound); }

Ref<CCFiniteTimeAction> call(MainMenuScene* menu, SEL_Call step)
{
    return CCCallFunc::actionWithTarget(menu, step);
}

Ref<CCActionInterval> sineInOut(Ref<CCActionInterval> action)
{
    return CCEaseSineInOut::actionWithAction(std::move(action));
}

} // namespace

bool MainMenuScene::isValidVillageName(const std::string& utf8)
{
    const size_t units = utf16Length(utf8);
    return units >= 1 && units <= kLongestName;
}

void MainMenuScene::openNameAlert(const std::string& titleKey, const std::string& name)
{
    nameAlert = makeRef<AlertView>(text(titleKey), "\n" + text("MAX_11"), this,
                                   std::vector<std::string> {text("BUTTON_CANCEL"), text("BUTTON_OK")});
    nameAlert->hasTextField = true;
    nameAlert->text = name;
    nameAlert->show();
}

void MainMenuScene::openWarning()
{
    warningAlert = makeRef<AlertView>(text("MAX_WARNING"), text("MAX_INFO"), this,
                                      std::vector<std::string> {text("BUTTON_OK")});
    warningAlert->show();
}

void MainMenuScene::StartCallback()
{
    play("selection_menu");
    openNameAlert("MM_NAME_VILLAGE", "");
}

void MainMenuScene::RenameCallback()
{
    openNameAlert("MM_RENAME_VILLAGE", Profile::sharedInstance()->VillageName);
    REnameActive = true;
}

void MainMenuScene::alertViewClickedButtonAtIndex(AlertView& alert, int index)
{
    // The alerts are told apart by object: two of them may carry the same
    // title (two missing strings read alike).
    if (&alert == warningAlert.get()) {
        warningAlert = nullptr;
        if (REnameActive) {
            openNameAlert("MM_RENAME_VILLAGE", Profile::sharedInstance()->VillageName);
        } else {
            openNameAlert("MM_NAME_VILLAGE", "");
        }
        return;
    }
    if (&alert != nameAlert.get()) return;
    if (index != 1) return; // cancelled: the menu stays as it was
    const std::string name = alert.text;
    if (!isValidVillageName(name)) {
        openWarning();
        return;
    }
    if (REnameActive) {
        Profile* profile = Profile::sharedInstance();
        profile->VillageName = name;
        if (btMain) btMain->setString(profile->VillageName);
        // The menu never saves otherwise: a name left unsaved here would be
        // lost when the player quits from the menu.
        profile->Save();
        return;
    }
    LumoraSlimlineSession::deactivateLumoraUI();
    LumoraSlimlineSession::closeLumoraSession();
    StartGameBegining();
}

void MainMenuScene::StartGameBegining()
{
    const CGSize size = window();
    const bool tablet = GlobalObject::sharedInstance()->isIpad;
    auto clear = [](CCNode* node, float delay, CGPoint by) {
        if (node == nullptr) return;
        node->runAction(CCSequence::actions(
                            {CCDelayTime::actionWithDuration(delay).get(),
                             CCEaseSineIn::actionWithAction(CCMoveBy::actionWithDuration(0.5f, by)).get()})
                            .get());
    };
    clear(logo.get(), 0.4f, {0, size.height * 0.4f});
    clear(a.get(), 0.4f, {0, -size.height * 0.6f});
    clear(MenuItemContainer.get(), 0.2f, {0, -size.height * (tablet ? 0.1f : 0.2f)});
    runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.8f).get(),
                                   call(this, call_selector(MainMenuScene::StartSpiner)).get(),
                                   CCDelayTime::actionWithDuration(0.15f).get(),
                                   call(this, call_selector(MainMenuScene::StartDataParsing)).get()})
                  .get());
}

void MainMenuScene::StartSpiner()
{
    const CGSize size = window();
    spinner = makeRef<ActivityIndicatorView>(ActivityIndicatorView::kGray);
    // Root-view points run from the top of the screen.
    spinner->center = {size.width * 0.5f, size.height * 0.2f};
    spinner->addToRootView();
    spinner->startAnimating();
}

void MainMenuScene::StartDataParsing()
{
    Profile* profile = Profile::sharedInstance();
    if (nameAlert) profile->VillageName = nameAlert->text;
    DataParser parser;
    // A copy in the caches folder is preferred; the parser falls back to the
    // bundle's when it refuses that copy.
    if (!parser.parseData(DataParser::gameDataPath()))
        logLine("MainMenuScene: no game data for the new village");
    XMLManager::sharedInstance()->LoadFrom(nullptr);
    // A save that could not be loaded stays the player's: the new village is
    // written beside it, never over it. When it cannot be set aside, the
    // saves that follow are refused, and the player reads that reason rather
    // than one about the disk.
    std::string notKept;
    if (!profile->KeepUnloadedSaveAside(&notKept)) {
        logLine("MainMenuScene: the new village is not saved over the old save, which cannot be set aside: "
                "%s",
                notKept.c_str());
        SaveNotices::sharedInstance()->oldSaveNotSetAside();
    }
    profile->Save();
    play("selection_menu");
    if (spinner) {
        spinner->removeFromSuperview();
        spinner = nullptr;
    }
    runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.2f).get(),
                                   call(this, call_selector(MainMenuScene::StartIntroSequenc)).get()})
                  .get());
}

void MainMenuScene::StartIntroSequenc()
{
    LocalNotifications::sharedInstance()->cancelAllLocalNotifications();
    const CGSize size = window();
    const bool tablet = GlobalObject::sharedInstance()->isIpad;
    const float travel = tablet ? 254.0f : 150.0f;
    if (bacground) {
        auto first = sineInOut(CCMoveBy::actionWithDuration(0.8f * MoveTime, {-travel, 0}));
        auto last = CCSpawn::actions(
            {sineInOut(CCMoveBy::actionWithDuration(0.3f * MoveTime, {-0.8f * travel, 0})).get(),
             CCDelayTime::actionWithDuration(0.2f * MoveTime).get(),
             sineInOut(CCScaleTo::actionWithDuration(0.3f * MoveTime, 1.3f)).get()});
        bacground->runAction(CCSequence::actions({first.get(), last.get()}).get());
    }
    runAction(CCSequence::actions({CCDelayTime::actionWithDuration(1.1f * MoveTime).get(),
                                   call(this, call_selector(MainMenuScene::StartChangeScene)).get()})
                  .get());
    play("intro1");

    const std::string page
        = format("%@ %@", Profile::sharedInstance()->VillageName.c_str(), text("INTRO_01").c_str());
    IntroText
        = CCLabelTTF::labelWithString(page, {size.width * 0.8f, size.height * 0.18f}, UITextAlignmentCenter,
                                      UILineBreakModeWordWrap, "HelveticaNeue", tablet ? 34.0f : 17.0f);
    IntroText->setColor(ccc3(42, 91, 180));
    IntroText->setOpacity(0);
    IntroText->setPosition({size.width * 0.5f, size.height * 0.78f});
    addChild(IntroText.get(), 1);
    IntroText->runAction(
        CCSequence::actions({sineInOut(CCFadeIn::actionWithDuration(fadetime)).get(),
                             CCDelayTime::actionWithDuration(timePerText - 2 * fadetime).get(),
                             sineInOut(CCFadeOut::actionWithDuration(fadetime)).get(),
                             call(this, call_selector(MainMenuScene::StartChangeText)).get()})
            .get());
}

void MainMenuScene::StartChangeText()
{
    if (LumoraSlimlineSession::isLumoraUIActive()) LumoraSlimlineSession::deactivateLumoraUI();
    ++tNumber;
    switch (tNumber) {
    case 1:
        play("intro2");
        IntroText->setString(text("INTRO_02"));
        break;
    case 2:
        play("intro3");
        IntroText->setString(text("INTRO_03"));
        break;
    default:
        play("intro4");
        IntroText->setString(
            format("%@ %@.", text("INTRO_04").c_str(), Profile::sharedInstance()->VillageName.c_str()));
        break;
    }
    auto fadeIn = sineInOut(CCFadeIn::actionWithDuration(fadetime));
    if (tNumber > 2) {
        IntroText->runAction(fadeIn.get());
        return;
    }
    IntroText->runAction(
        CCSequence::actions({fadeIn.get(), CCDelayTime::actionWithDuration(timePerText - 2 * fadetime).get(),
                             sineInOut(CCFadeOut::actionWithDuration(fadetime)).get(),
                             call(this, call_selector(MainMenuScene::StartChangeText)).get()})
            .get());
}

void MainMenuScene::StartChangeScene()
{
    play("selection_menu");
    leaveThroughDoors();
}

} // namespace mw
