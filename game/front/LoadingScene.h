#pragma once

#include <functional>
#include <string>

#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCScene.h"
#include "engine/sprites/CCSprite.h"
#include "platform/ActivityIndicatorView.h"

namespace mw {

// The first scene: the publisher's logo on white with a spinner; at 1.5 s the
// definitions load (the screen waits meanwhile), the common sounds load and
// the logos cross-fade to the studio's; 2.0 s later the spinner goes, the
// saved game loads when there is a save file (or the user default "Loaded"
// says there is one: a damaged defaults file must not hide a good save), the
// menu sounds load, and a 0.5 s fade through white brings in the main menu.
// Runs once per process.
class LoadingScene : public CCLayer {
public:
    // A plain scene holding a new loading layer as its only child.
    [[nodiscard]] static Ref<CCScene> scene();
    // Makes the scene the loading screen hands over to; without one (null),
    // a new main menu.
    static void setMainMenuMaker(std::function<Ref<CCScene>()> maker);

    // Builds the screen and starts the timeline.
    LoadingScene();
    ~LoadingScene() override;

    // The two timed steps (called by the layer's own action sequences).
    void ChangeGfx1();
    void ChangeGfx2();

    // The second step's load of the saved game: it loads when there is a
    // save file or the user default "Loaded" says there is one. Answers
    // whether a game was loaded (the profile's Loaded).
    static bool loadSavedGame();

    // The logo files for a device: the small-phone flag, then the window
    // width in pixels (above 1024: the big images). Publisher first.
    static std::pair<std::string, std::string> logoFiles(bool isIp3, float windowWidthInPixels);

    Ref<CCSprite> sp1;                  // the publisher's logo
    Ref<CCSprite> sp2;                  // the studio's logo
    Ref<ActivityIndicatorView> spinner; // on the root view while the definitions load
    bool end = true;                    // until the scene handed over to the menu
    bool firstTime = true;              // until the definitions were loaded
};

} // namespace mw
