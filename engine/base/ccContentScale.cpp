#include "engine/base/ccContentScale.h"

namespace mw {

namespace {
float contentScaleFactor = 1.0f;
}

float ccContentScaleFactor() { return contentScaleFactor; }

void ccSetContentScaleFactor(float factor) { contentScaleFactor = factor; }

} // namespace mw
