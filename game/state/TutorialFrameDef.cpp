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

bool TutorialFrameDef::initWithCoder(KeyedUnarchiver& coder)
{
    ID = coder.decodeInt32("ID");
    LangID = coder.decodeString("LangID");
    Icon = coder.decodeString("Icon");
    WorkerIcon = coder.decodeString("WorkerIcon");
    bPlacements.clear();
    const ArchiveItem placements = coder.decodeItem("bPlacements");
    for (const ArchiveItem& item : placements.items()) {
        bPlacements.push_back(item.value().asBool());
    }
    Type = coder.decodeInt32("Type");
    AdditionalNumber = coder.decodeInt32("AdditionalNumber");
    RelationID = coder.decodeInt32("RelationID");
    Done = coder.decodeBool("Done");
    ArrowAfter = coder.decodeBool("ArrowAfter");
    ArrowAfterDone = coder.decodeBool("ArrowAfterDone");
    return true;
}

} // namespace mw
