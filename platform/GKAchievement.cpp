#include "platform/GKAchievement.h"

namespace mw {

namespace {
const ArchivableRegistration<GKAchievement> registration("GKAchievement");
}

void GKAchievement::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString("identifier", identifier);
    coder.encodeDouble("percentComplete", percentComplete);
}

bool GKAchievement::initWithCoder(KeyedUnarchiver& coder)
{
    identifier = coder.decodeString("identifier");
    percentComplete = coder.decodeDouble("percentComplete");
    return !identifier.empty();
}

} // namespace mw
