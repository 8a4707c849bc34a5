#include "game/state/ResourceCostItem.h"

namespace mw {

namespace {
const ArchivableRegistration<ResourceCostItem> registration("ResourceCostItem");
} // namespace

void ResourceCostItem::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeInt32("ResourceId", ResourceId);
    coder.encodeInt32("ResourceQuantity", ResourceQuantity);
}

bool ResourceCostItem::initWithCoder(KeyedUnarchiver& coder)
{
    ResourceId = coder.decodeInt32("ResourceId");
    ResourceQuantity = coder.decodeInt32("ResourceQuantity");
    return true;
}

} // namespace mw
