#include "engine/base/UIAccelerometer.h"

#include "foundation/Shared.h"

namespace mw {

UIAccelerometer* UIAccelerometer::sharedAccelerometer() { return Shared<UIAccelerometer>::get(); }

void UIAccelerometer::purgeSharedAccelerometer() { Shared<UIAccelerometer>::purge(); }

} // namespace mw
