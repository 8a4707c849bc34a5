#include "game/state/UpgradeItem.h"

#include "foundation/ValueObject.h"
#include "game/state/ArchiveLists.h"
#include "game/state/UpgradeAction.h"

namespace mw {

namespace {

const ArchivableRegistration<UpgradeItem> registration("UpgradeItem");

template <typename Item>
bool holdsOnly(const CCArray* array)
{
    if (!array) return true;
    for (Object* item : *array) {
        if (!dynamic_cast<Item*>(item)) return false;
    }
    return true;
}

} // namespace

void UpgradeItem::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString("PngName", PngName);
    coder.encodeString("Name", Name);
    ArchiveItem::Items costs(ResourceCostArr.begin(), ResourceCostArr.end());
    coder.encodeItem("ResourceCostArr", ArchiveItem::array(std::move(costs)));
    coder.encodeObject("Actions", Actions);
    coder.encodeObject("ReqUpgrades", ReqUpgrades);
    if (BonusResources) coder.encodeItem("BonusResources", archivedCounts(*BonusResources));
    if (BonusTools) coder.encodeItem("BonusTools", archivedCounts(*BonusTools));
    coder.encodeInt32("ID", ID);
    coder.encodeInt32("Type", Type);
    coder.encodeInt32("ReqLevel", ReqLevel);
    coder.encodeInt32("NextUpdateEnum", NextUpdateEnum);
    coder.encodeInt32("StageMaxQuantity", StageMaxQuantity);
    coder.encodeInt32("Priority", Priority);
    coder.encodeInt32("Points", Points);
    coder.encodeInt32("Money", Money);
    coder.encodeInt32("Group", Group);
    coder.encodeBool("isHidden", isHidden);
    coder.encodeBool("DoneWithThat", DoneWithThat);
    coder.encodeBool("isMine", isMine);
    coder.encodeBool("isField", isField);
    coder.encodeBool("isAnim", isAnim);
    coder.encodeInt32("BonusTime", BonusTime);
    coder.encodeInt32("BonusMoney", BonusMoney);
    coder.encodeBool("BonusReady", BonusReady);
}

bool UpgradeItem::initWithCoder(KeyedUnarchiver& coder)
{
    PngName = coder.decodeString("PngName");
    Name = coder.decodeString("Name");
    ResourceCostArr.clear();
    const ArchiveItem costs = coder.decodeItem("ResourceCostArr");
    for (const ArchiveItem& item : costs.items()) {
        if (Ref<ResourceCostItem> cost = item.objectAs<ResourceCostItem>()) ResourceCostArr.push_back(cost);
    }
    Actions = coder.decodeObjectOfClass<CCArray>("Actions");
    ReqUpgrades = coder.decodeObjectOfClass<CCArray>("ReqUpgrades");
    // Readers cast the items: an archive with anything else in the two lists is refused.
    if (!holdsOnly<UpgradeAction>(Actions) || !holdsOnly<ValueObject>(ReqUpgrades)) return false;
    BonusResources = decodeCounts(coder, "BonusResources");
    BonusTools = decodeCounts(coder, "BonusTools");
    ID = coder.decodeInt32("ID");
    Type = coder.decodeInt32("Type");
    ReqLevel = coder.decodeInt32("ReqLevel");
    NextUpdateEnum = coder.decodeInt32("NextUpdateEnum");
    StageMaxQuantity = coder.decodeInt32("StageMaxQuantity");
    Priority = coder.decodeInt32("Priority");
    Points = coder.decodeInt32("Points");
    Money = coder.decodeInt32("Money");
    Group = coder.decodeInt32("Group");
    isHidden = coder.decodeBool("isHidden");
    DoneWithThat = coder.decodeBool("DoneWithThat");
    isMine = coder.decodeBool("isMine");
    isField = coder.decodeBool("isField");
    isAnim = coder.decodeBool("isAnim");
    BonusTime = coder.decodeInt32("BonusTime");
    BonusMoney = coder.decodeInt32("BonusMoney");
    BonusReady = coder.decodeBool("BonusReady");
    return true;
}

} // namespace mw
