#include "engine/actions/CCFadeIn.h"

#include "engine/actions/CCFadeOut.h"
#include "engine/actions/ccColorByte.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCFadeIn::update(float t)
{
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_)) rgba->setOpacity(ccColorByte(255 * t));
}

Ref<CCFiniteTimeAction> CCFadeIn::reverse() const { return makeRef<CCFadeOut>(duration_); }

} // namespace mw
