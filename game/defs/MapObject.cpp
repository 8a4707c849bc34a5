#include "game/defs/MapObject.h"

namespace mw {

namespace {
const ArchivableRegistration<MAP_OBJECT> registration("MAP_OBJECT");
} // namespace

void MAP_OBJECT::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeInt32("ID", ID);
    coder.encodeInt32("GroupID", GroupID);
    coder.encodeInt32("isTree", isTree);
    coder.encodeInt32("IDBuild", IDBuild);
    coder.encodeInt32("x", x);
    coder.encodeInt32("y", y);
    coder.encodeString("Name", Name);
}

bool MAP_OBJECT::initWithCoder(KeyedUnarchiver& coder)
{
    ID = coder.decodeInt32("ID");
    GroupID = coder.decodeInt32("GroupID");
    isTree = coder.decodeInt32("isTree");
    IDBuild = coder.decodeInt32("IDBuild");
    x = coder.decodeInt32("x");
    y = coder.decodeInt32("y");
    Name = coder.decodeString("Name");
    return true;
}

} // namespace mw
