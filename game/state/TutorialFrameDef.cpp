#include "game/state/TutorialFrameDef.h"

namespace mw {

namespace {
const ArchivableRegistration<TutorialFrameDef> registration("TutorialFrameDef");
} // namespace

void TutorialFrameDef::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeInt32("ID", ID);
    coder.encodeString("LangID", LangID);
    coder.encodeString("Icon", Icon);
    coder.encodeString("WorkerIcon", WorkerIcon);
    ArchiveItem::Items placements;
    for (bool placement : bPlacements) placements.emplace_back(Value(placement));
    coder.encodeItem("bPlacements", ArchiveItem::array(std::move(placements)));
    coder.encodeInt32("Type", Type);
    coder.encodeInt32("AdditionalNumber", AdditionalNumber);
    coder.encodeInt32("RelationID", RelationID);
    coder.encodeBool("Done", Done);
    coder.encodeBool("ArrowAfter", ArrowAfter);
    coder.encodeBool("ArrowAfterDone", ArrowAfterDone);
}

void TutorialFrameDef::setBPlacements(std::vector<bool> placements)
{
    if (placements.size() < kPlacementCount) placements.resize(kPlacementCount, false);
    bPlacements = std::move(placements);
}

namespace {

// Fields read strictly by kind: a value of another kind reads as a missing
// key would, never as a number parsed out of a string or the like.
int32_t numberOf(KeyedUnarchiver& coder, std::string_view key)
{
    const Value value = coder.decodeValue(key);
    return value.isInteger() || value.isReal() || value.isBool() ? value.asInt() : 0;
}

bool flagOf(KeyedUnarchiver& coder, std::string_view key)
{
    const Value value = coder.decodeValue(key);
    return (value.isBool() || value.isInteger() || value.isReal()) && value.asBool();
}

std::string textOf(KeyedUnarchiver& coder, std::string_view key)
{
    const Value value = coder.decodeValue(key);
    return value.isString() ? value.asString() : std::string();
}

} // namespace

bool TutorialFrameDef::initWithCoder(KeyedUnarchiver& coder)
{
    ID = numberOf(coder, "ID");
    LangID = textOf(coder, "LangID");
    Icon = textOf(coder, "Icon");
    WorkerIcon = textOf(coder, "WorkerIcon");
    std::vector<bool> placements;
    const ArchiveItem list = coder.decodeItem("bPlacements");
    for (const ArchiveItem& item : list.items()) {
        const Value& flag = item.value();
        placements.push_back((flag.isBool() || flag.isInteger() || flag.isReal()) && flag.asBool());
    }
    setBPlacements(std::move(placements));
    Type = numberOf(coder, "Type");
    AdditionalNumber = numberOf(coder, "AdditionalNumber");
    RelationID = numberOf(coder, "RelationID");
    Done = flagOf(coder, "Done");
    ArrowAfter = flagOf(coder, "ArrowAfter");
    ArrowAfterDone = flagOf(coder, "ArrowAfterDone");
    return true;
}

} // namespace mw
