#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "foundation/Ref.h"

namespace mw {

class CCNode;
class CCScene;

// The ways out of a board session to screens that live elsewhere (the
// village, the tutorial pop-ups, the coin-pack list, the score service).
// The front end installs the makers; while one is missing the step is
// logged and skipped, so a session never stops on a screen it cannot make.
// Main thread only.
namespace session {

// The tutorial pop-up of a frame, built around its own origin.
using TutorialMaker = std::function<Ref<CCNode>(int32_t frame)>;
TutorialMaker setTutorialMaker(TutorialMaker maker);
// Adds the pop-up of `frame` to `parent` at the window's centre at `z`.
// False (logged) when no pop-up could be made: the caller goes on as if the
// frame had been shown and dismissed.
bool showTutorial(CCNode* parent, int32_t frame, int z);

// The animated overlay of a frame, covering the whole window from its origin.
using OverlayMaker = std::function<Ref<CCNode>(int32_t frame)>;
OverlayMaker setTutorialOverlayMaker(OverlayMaker maker);
// Adds the overlay of `frame` to `parent` at (0, 0) at `z`. False (logged
// once per frame) when none could be made.
bool showTutorialOverlay(CCNode* parent, int32_t frame, int z);

// The options pop-up the boards and the village HUD open, built around its
// own origin (null: none is shown, logged). The pop-up installs its own
// maker, so it is there wherever the pop-up is part of the program.
using OptionsPopUpMaker = std::function<Ref<CCNode>()>;
OptionsPopUpMaker setOptionsPopUpMaker(OptionsPopUpMaker maker);
Ref<CCNode> makeOptionsPopUp();

// The coin-pack list shown inside the buy panels (`guiParent` may be null).
using CoinPackListMaker = std::function<Ref<CCNode>(CCNode* guiParent)>;
CoinPackListMaker setCoinPackListMaker(CoinPackListMaker maker);
Ref<CCNode> makeCoinPackList(CCNode* guiParent);

// Scenes a session leaves to.
using SceneMaker = std::function<Ref<CCScene>()>;
SceneMaker setVillageSceneMaker(SceneMaker maker);
// Loads the sound set `soundSet`, fades (0.4 s) to the made scene and
// unloads the set of the scene left. Nothing but a log line without a maker.
void fadeTo(const SceneMaker& maker, int32_t soundSet, const char* what);
void fadeToVillage();
// The mine's scene sits on the boards' own floor: no maker is needed.
void fadeToMine();

// Scores for the game-centre service (the global object's by default).
using ScoreSink = std::function<void(const std::string& category, int32_t score)>;
ScoreSink setScoreSink(ScoreSink sink);
void reportScore(const std::string& category, int32_t score);

} // namespace session
} // namespace mw
