#include "game/boards/CCExpPoints.h"

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

CCExpPoints::CCExpPoints(int32_t points, float x, float y, bool experience) : points_(points)
{
    const bool tablet = widgetOnTablet();
    setPosition({x, y});
    label_ = CCLabelTTF::labelWithString(format(experience ? "+%d EXP" : "+%d", points), "HelveticaNeue-Bold",
                                         tablet ? 26 : 13);
    addChild(label_.get());

    // The text pops in, rises by a random height and fades in its last 0.2 s.
    const float r = static_cast<float>(Random::random()) / 2147483648.0f;
    label_->setScale(0);
    label_->runAction(CCSpawn::actions({
        CCEaseElasticOut::actionWithAction(CCScaleTo::actionWithDuration(0.8f, 1.0f), 0.3f).get(),
        CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(kLifetime, {0, 50 + 15 * r})).get(),
        CCSequence::actionOne(CCDelayTime::actionWithDuration(1.0f).get(),
                              CCFadeOut::actionWithDuration(0.2f).get())
            .get(),
    }).get());

    auto leave = CCCallBlockN::actionWithBlock([](CCNode* node) { node->removeFromParentAndCleanup(true); });
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(kLifetime).get(), leave.get()).get());

    if (auto burst = CCParticleSystemQuad::particleWithFile("exp.plist")) {
        burst->setAutoRemoveOnFinish(true);
        addChild(burst.get(), kBurstZ);
    } else {
        logLine("CCExpPoints: no exp.plist; the label shows without its sparks");
    }
}

} // namespace mw
