#include "game/village/CCTooltip.h"

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/labels/CCLabelTTF.h"
#include "foundation/Shared.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"

namespace mw {

Ref<CCTooltip> CCTooltip::tooltipWithResource(int32_t resource)
{
    auto tooltip = makeRef<CCTooltip>();
    tooltip->resource_ = resource;
    const Profile* profile = Profile::sharedInstance();
    std::string key;
    if (resource >= 1 && static_cast<size_t>(resource) <= profile->EnumResNames.size()) {
        key = profile->EnumResNames[static_cast<size_t>(resource - 1)];
    }
    const GlobalObject* global = Shared<GlobalObject>::current();
    const bool tablet = global != nullptr && global->isIpad;
    auto label = CCLabelTTF::labelWithString(LocalisationManager::sharedInstance()->getValue(key),
                                             "HelveticaNeue-Bold", tablet ? 22 : 11);
    label->setAnchorPoint({0.5f, 0});
    tooltip->addChild(label.get());
    return tooltip;
}

void CCTooltip::ChangeVisible(bool visible)
{
    if (visible) return;
    auto shrink = CCScaleTo::actionWithDuration(0.1f, 0);
    auto end = CCCallBlockN::actionWithBlock([](CCNode* node) { node->removeFromParentAndCleanup(true); });
    runAction(CCSequence::actionOne(shrink.get(), end.get()).get());
}

} // namespace mw
