#pragma once

#include <cstdint>
#include <string>

#include "foundation/Geometry.h"

namespace mw {

class BoardHost;
class CCNode;

// The small services every board piece shares: the device facts the sizes
// hang on, granting an achievement once, and sounds by key.
namespace board {

// The global object's device kind (false when it has not been made).
bool isIpad();
bool isIp3();
// The running director's window, in points and in pixels.
CGSize winSize();
CGSize winSizeInPixels();
// Art drawn for large screens: the window is wider than 1024 pixels.
bool isWideWindow();

// Grants "com.zandovar.mw.<name>" with its banner key and points through the
// profile's achievement ledger, unless it is done already (or there is no ledger).
void grantAchievementOnce(const std::string& name, const std::string& textKey, int32_t points);

// Plays an effect by sound key through the global object (nothing when it
// has not been made, or sound is off).
void playSound(const std::string& key);

// The node's parent as a board, or null.
BoardHost* hostOf(const CCNode* node);

// random() / 2^31 in single precision: the game's uniform draw in [0, 1].
float uniform();

} // namespace board
} // namespace mw
