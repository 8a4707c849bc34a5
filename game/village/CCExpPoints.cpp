#include "game/village/CCExpPoints.h"

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/labels/CCLabelTTF.h"
#include "foundation/Format.h"
#include "foundation/Shared.h"
#include "game/state/GlobalObject.h"

namespace mw {

CCExpPoints::CCExpPoints(int32_t points, float x, float y, const char* text) : points_(points)
{
    const GlobalObject* global = Shared<GlobalObject>::current();
    const bool tablet = global != nullptr && global->isIpad;
    setPosition({x, y});
    auto label = CCLabelTTF::labelWithString(format(text, points), "HelveticaNeue-Bold", tablet ? 24 : 12);
    label->setColor(ccc3(255, 236, 120));
    addChild(label.get());
    auto rise = CCMoveBy::actionWithDuration(1.0f, {0, tablet ? 60.0f : 30.0f});
    auto fade = CCSequence::actionOne(CCDelayTime::actionWithDuration(0.6f).get(),
                                      CCFadeOut::actionWithDuration(0.4f).get());
    label->runAction(fade.get());
    auto end = CCCallBlockN::actionWithBlock([](CCNode* node) { node->removeFromParentAndCleanup(true); });
    runAction(CCSequence::actionOne(rise.get(), end.get()).get());
}

} // namespace mw
