#include "engine/labels/CCBMFontConfigurationCache.h"

#include "foundation/Shared.h"

namespace mw {

CCBMFontConfigurationCache* CCBMFontConfigurationCache::sharedCache()
{
    return Shared<CCBMFontConfigurationCache>::get();
}

void CCBMFontConfigurationCache::purgeSharedCache() { Shared<CCBMFontConfigurationCache>::purge(); }

CCBMFontConfiguration* CCBMFontConfigurationCache::configurationForFile(const std::string& fntFile)
{
    Ref<CCBMFontConfiguration>& slot = configurations_[fntFile];
    if (!slot) slot = CCBMFontConfiguration::configurationWithFNTFile(fntFile);
    return slot.get();
}

} // namespace mw
