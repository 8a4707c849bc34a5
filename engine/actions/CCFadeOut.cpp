#include "engine/actions/CCFadeOut.h"

#include "engine/actions/CCFadeIn.h"
#include "engine/actions/ccColorByte.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCFadeOut::update(float t)
{
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_)) rgba->setOpacity(ccColorByte(255 * (1 - t)));
}

Ref<CCFiniteTimeAction> CCFadeOut::reverse() const { return makeRef<CCFadeIn>(duration_); }

} // namespace mw
