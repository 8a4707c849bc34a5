#pragma once

#include <string>

#include "engine/base/ccTypes.h"
#include "engine/menus/CCMenuItem.h"
#include "foundation/Geometry.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;
class CCNode;
class CCSprite;

// Small pieces the village's lists and pop-ups build their rows and panels
// from: the device's pick of a size, localised text, labels and captioned
// picture buttons. Every one tolerates missing art (logged) so a screen is
// still built, only without the picture.
namespace villageui {

inline constexpr const char* kFont = "HelveticaNeue";
inline constexpr const char* kBoldFont = "HelveticaNeue-Bold";

// The tablet value on a tablet, else the phone value.
float pick(float phone, float tablet);
bool onTablet();
CGSize winSize();

// The string table's text for a key.
std::string text(const std::string& key);
// The localised "<stem>_NAME" / "<stem>_DESC" / "<stem>_DESC_SHORT" of an
// upgrade identifier (stem: the profile's EnumNames at identifier - 1).
std::string upgradeText(int32_t upgrade, const char* suffix);

// A label sized to its text, or in a left-aligned word-wrapped box.
Ref<CCLabelTTF> label(const std::string& s, const char* font, float size, ccColor3B colour);
Ref<CCLabelTTF> boxLabel(const std::string& s, CGSize box, const char* font, float size, ccColor3B colour);

// A sprite of a frame; an empty sprite (logged) when the frame is missing.
Ref<CCSprite> sprite(const std::string& frame);
// The y to stand a picture on a baseline at `y`: its trim offset lifts it, so
// the frame's untrimmed bottom lands on the line.
float trimmedBase(CCSprite* picture, float y);

// A picture button of frames (disabled may be empty: none).
Ref<CCMenuItemSprite> button(const std::string& normal, const std::string& selected,
                             const std::string& disabled, CCMenuCallback callback);
// A caption drawn twice at z-order 2 in the button: the shadow at the centre
// moved by `shadowShift`, the front at the centre moved by `frontShift`.
void caption(CCNode* button, const std::string& s, float size, ccColor3B shadow, ccColor3B front,
             CGPoint shadowShift = {1, -1}, CGPoint frontShift = {0, 0});

// Plays a sound by key through the global object.
void playSound(const std::string& key);

} // namespace villageui
} // namespace mw
