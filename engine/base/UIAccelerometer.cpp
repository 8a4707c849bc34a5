#include "engine/base/UIAccelerometer.h"

namespace mw {

UIAccelerometer* UIAccelerometer::sharedAccelerometer()
{
    static UIAccelerometer shared;
    return &shared;
}

} // namespace mw
