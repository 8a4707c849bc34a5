#pragma once

#include <string>

#include "engine/base/ccTypes.h"

namespace mw {

class CCNode;

// The captions of the village's picture buttons: a shadow label one point
// right and one point down under a face label at the button's centre, both
// "HelveticaNeue-Bold" at z-order 2 in the button.
namespace caption {

// The caption size a localised text calls for: under 8 characters (UTF-16
// units) 28 points on a tablet and 14 on a phone, otherwise 27 and 13.
float sizeFor(const std::string& text);
// Adds both labels of `text` to `button` (nothing for a null button).
void add(CCNode* button, const std::string& text, float size, ccColor3B shadow, ccColor3B face);
// The localised text of a key.
std::string localized(const char* key);

} // namespace caption
} // namespace mw
