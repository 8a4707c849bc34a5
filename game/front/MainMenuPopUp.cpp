#include "game/front/MainMenuPopUp.h"

#include <utility>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/director/CCDirector.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/scenes/CCBReader.h"
#include "foundation/Log.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"

namespace mw {
namespace {

constexpr int32_t kMenuSoundSet = 0;

MainMenuPopUp::MenuSceneMaker& menuSceneMaker()
{
    static MainMenuPopUp::MenuSceneMaker maker;
    return maker;
}

void clickSound()
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
}

[[maybe_unused]] const bool registered = [] {
    CCPropertyRegistry& registry = CCPropertyRegistry::shared();
    registry.registerSelector<MainMenuPopUp>("BackCallback:", &MainMenuPopUp::BackCallback);
    registry.registerSelector<MainMenuPopUp>("MenuCallback:", &MainMenuPopUp::MenuCallback);
    registry.registerMember<MainMenuPopUp, CCNode>("Bcg", &MainMenuPopUp::Bcg);
    registry.registerMember<MainMenuPopUp, CCMenuItem>("MenuButton", &MainMenuPopUp::MenuButton);
    registry.registerMember<MainMenuPopUp, CCMenuItem>("BackButton", &MainMenuPopUp::BackButton);
    // The scene file makes its menus by class name. Registering the menu
    // here as well keeps the menu class linked into every program that shows
    // the pop-up, whether or not it uses menus elsewhere.
    registry.registerClass<CCMenu>("CCMenu");
    return true;
}();

} // namespace

Ref<MainMenuPopUp> MainMenuPopUp::popUp()
{
    auto popUp = makeRef<MainMenuPopUp>();
    if (!popUp->init()) return nullptr;
    return popUp;
}

bool MainMenuPopUp::init()
{
    const CGSize win = CCDirector::sharedDirector()->winSize();
    auto dim = CCLayerColor::layerWithColor(ccc4(0, 0, 0, 128), win.width, win.height);
    dim->setPosition({-win.width / 2, -win.height / 2});
    addChild(dim.get());

    const char* file = GlobalObject::sharedInstance()->isIpad ? "Options.ccb" : "Options_small.ccb";
    sceneRoot_ = CCBReader::nodeGraphFromFile(file, this);
    if (!sceneRoot_) {
        logLine("MainMenuPopUp: cannot read %s", file);
        return true;
    }
    addChild(sceneRoot_.get());
    return true;
}

void MainMenuPopUp::BackCallback(Object* sender)
{
    if (sender) clickSound();
    // Keep this node alive while it takes itself off its parent.
    Ref<MainMenuPopUp> self(this);
    if (auto* opener = dynamic_cast<PopUpOpener*>(parent())) opener->SetInputActive(true);
    removeFromParentAndCleanup(true);
}

void MainMenuPopUp::MenuCallback(Object*)
{
    // Only boards open this pop-up for now: their running session is dropped.
    (void)Profile::sharedInstance()->Load();
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

MainMenuPopUp::MenuSceneMaker MainMenuPopUp::setMenuSceneMaker(MenuSceneMaker maker)
{
    return std::exchange(menuSceneMaker(), std::move(maker));
}

} // namespace mw
