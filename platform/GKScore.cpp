#include "platform/GKScore.h"

namespace mw {

namespace {
const ArchivableRegistration<GKScore> registration("GKScore");
}

void GKScore::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString("category", category);
    coder.encodeInt64("value", value);
}

bool GKScore::initWithCoder(KeyedUnarchiver& coder)
{
    category = coder.decodeString("category");
    value = coder.decodeInt64("value");
    return !category.empty();
}

} // namespace mw
