#pragma once

#include <functional>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCMenuItem;

// A screen that opens the options pop-up: the pop-up switches the opener's
// input back on when it closes.
class PopUpOpener {
public:
    virtual ~PopUpOpener() = default;
    virtual void SetInputActive(bool active) = 0;
};

// The options pop-up, in its least form: a dimmed screen with the options
// scene file over it, a way back to the opener and a way back to the main
// menu. The opener places it at the window's centre (the pop-up is built
// around its own origin), adds it as a child at z-order 6 and switches its
// own input off; the opener must be a PopUpOpener to get its input back.
class MainMenuPopUp : public CCNode {
public:
    // Builds the pop-up; a scene file that cannot be read leaves the dim
    // layer alone (logged), so the pop-up can still be closed from code.
    static Ref<MainMenuPopUp> popUp();
    bool init();

    // Closes the pop-up: click sound when a sender is given, the opener's
    // input on again, the pop-up removed from its parent.
    void BackCallback(Object* sender);
    // Back to the main menu, dropping the running board session: the profile
    // is read back from the save file, then the menu maker replaces the scene.
    void MenuCallback(Object* sender);

    // The one way to the main menu scene (the front end points it at its
    // door transition). Replacing it returns the previous maker. By default
    // nothing is made and the attempt is logged.
    using MenuSceneMaker = std::function<void()>;
    static MenuSceneMaker setMenuSceneMaker(MenuSceneMaker maker);

    // The scene file's root (null when it could not be read) and the members
    // the pop-up uses; the scene file's other members are not kept.
    CCNode* sceneRoot() const { return sceneRoot_.get(); }
    CCNode* Bcg = nullptr;
    CCMenuItem* MenuButton = nullptr;
    CCMenuItem* BackButton = nullptr;

private:
    Ref<CCNode> sceneRoot_;
};

} // namespace mw
