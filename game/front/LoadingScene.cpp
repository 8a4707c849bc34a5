#include "game/front/LoadingScene.h"

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirector.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/transitions/CCTransitionFade.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"
#include "game/defs/XMLManager.h"
#include "game/front/CCTransitionDoors.h"
#include "game/front/MainMenuPopUp.h"
#include "game/front/MainMenuScene.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"

namespace mw {

namespace {

// Sound-set identifiers of the global object.
constexpr int32_t kMenuSoundSet = 0;
constexpr int32_t kCommonSoundSet = 3;

std::function<Ref<CCScene>()>& mainMenuMaker()
{
    static std::function<Ref<CCScene>()> maker;
    return maker;
}

Ref<CCFiniteTimeAction> after(float delay, LoadingScene* target, SEL_Call step)
{
    return CCSequence::actions(
        {CCDelayTime::actionWithDuration(delay).get(), CCCallFunc::actionWithTarget(target, step).get()});
}

} // namespace

Ref<CCScene> LoadingScene::scene()
{
    auto scene = CCScene::node();
    auto layer = makeRef<LoadingScene>();
    scene->addChild(layer.get());
    return scene;
}

void LoadingScene::setMainMenuMaker(std::function<Ref<CCScene>()> maker) { mainMenuMaker() = std::move(maker); }

std::pair<std::string, std::string> LoadingScene::logoFiles(bool isIp3, float windowWidthInPixels)
{
    if (isIp3) return {"main_interface_logotype_zandovar_small.png", "main_interface_logotype_quillfen_small.png"};
    if (windowWidthInPixels > 1024)
        return {"main_interface_logotype_zandovar_big.png", "main_interface_logotype_quillfen_big.png"};
    return {"main_interface_logotype_zandovar.png", "main_interface_logotype_quillfen.png"};
}

LoadingScene::LoadingScene()
{
    // From here on the options pop-up leads back to a menu through the doors.
    (void)MainMenuPopUp::setMenuSceneMaker(&CCTransitionDoorsToMenu::replaceRunningScene);
    CCDirector* director = CCDirector::sharedDirector();
    const CGSize window = director->winSize();
    end = true;
    addChild(CCLayerColor::layerWithColor({255, 255, 255, 255}, window.width, window.height).get());

    auto [publisher, studio] = logoFiles(GlobalObject::sharedInstance()->isIp3, director->winSizeInPixels().width);
    // A missing image leaves an empty sprite: the screen stays white.
    sp1 = CCSprite::spriteWithFile(publisher);
    if (!sp1) sp1 = makeRef<CCSprite>();
    sp2 = CCSprite::spriteWithFile(studio);
    if (!sp2) sp2 = makeRef<CCSprite>();
    const CGPoint centre{window.width / 2, window.height / 2};
    sp1->setPosition(centre);
    sp2->setPosition(centre);
    sp2->setOpacity(0);
    addChild(sp1.get());
    addChild(sp2.get());

    spinner = makeRef<ActivityIndicatorView>(ActivityIndicatorView::kGray);
    spinner->center = {window.width / 2, window.height * 0.86f};
    spinner->addToRootView();
    spinner->startAnimating();

    firstTime = true;
    runAction(after(1.5f, this, call_selector(LoadingScene::ChangeGfx1)).get());
}

LoadingScene::~LoadingScene()
{
    if (spinner) spinner->removeFromSuperview();
}

void LoadingScene::ChangeGfx1()
{
    if (firstTime) {
        XMLManager::sharedInstance()->initXMLS();
        firstTime = false;
        ChangeGfx1();
        return;
    }
    GlobalObject::sharedInstance()->LoadAudioFor(kCommonSoundSet);
    sp1->runAction(CCEaseSineOut::actionWithAction(CCFadeOut::actionWithDuration(0.3f)).get());
    sp2->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.3f).get(),
                                        CCEaseSineOut::actionWithAction(CCFadeIn::actionWithDuration(0.3f)).get()})
                       .get());
    runAction(after(2.0f, this, call_selector(LoadingScene::ChangeGfx2)).get());
}

bool LoadingScene::loadSavedGame()
{
    // The file itself says whether a game was saved: the user default may
    // have been lost with a damaged defaults file, or a kill may have come
    // between the first save and its note there.
    if (SaveFile::isMissing() && !UserDefaults::standardUserDefaults().boolForKey("Loaded"))
        return false;
    if (Profile::sharedInstance()->Load()) return true;
    logLine("LoadingScene: the saved game could not be loaded");
    return false;
}

void LoadingScene::ChangeGfx2()
{
    if (!end) return;
    if (!XMLManager::sharedInstance()->FinishedLoading) {
        // The definitions load on the main thread before the cross-fade, so
        // this only waits when a loader finished elsewhere: look again soon.
        runAction(after(0.1f, this, call_selector(LoadingScene::ChangeGfx2)).get());
        return;
    }
    spinner->removeFromSuperview();
    (void)loadSavedGame();
    end = false;
    GlobalObject::sharedInstance()->LoadAudioFor(kMenuSoundSet);
    Ref<CCScene> menu = mainMenuMaker() ? mainMenuMaker()() : Ref<CCScene>(MainMenuScene::scene());
    if (!menu) {
        logLine("LoadingScene: no main menu to open; an empty scene follows");
        menu = CCScene::node();
    }
    auto fade = CCTransitionFade::transitionWithDuration(0.5f, menu.get(), ccc3(255, 255, 255));
    CCDirector::sharedDirector()->replaceScene(fade ? static_cast<CCScene*>(fade.get()) : menu.get());
}

} // namespace mw
