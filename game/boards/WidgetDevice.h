#pragma once

#include "foundation/Shared.h"
#include "game/state/GlobalObject.h"

namespace mw {

// Whether the small widgets take their tablet sizes. They ask the global
// object without creating it, so that a widget made before it (a test, a
// tool) takes the phone sizes instead of fixing the device kind early.
inline bool widgetOnTablet()
{
    const GlobalObject* global = Shared<GlobalObject>::current();
    return global != nullptr && global->isIpad;
}

} // namespace mw
