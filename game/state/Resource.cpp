#include "game/state/Resource.h"

namespace mw {

namespace {
const ArchivableRegistration<Resource> registration("Resource");
} // namespace

void Resource::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeInt32("ID", ID);
    coder.encodeString("Name", Name);
    coder.encodeString("PngName", PngName);
    coder.encodeBool("MineAvailable", MineAvailable);
    coder.encodeBool("FieldAvailable", FieldAvailable);
    coder.encodeInt32("CollectibleEnum", CollectibleEnum);
    coder.encodeInt32("Value", Value);
    coder.encodeInt32("ValueSell", ValueSell);
    coder.encodeBool("MicroRes", MicroRes);
    coder.encodeBool("SpecialRes", SpecialRes);
    coder.encodeInt32("Moves", Moves);
    coder.encodeInt32("AtStart", AtStart);
    coder.encodeBool("GenerateFood", GenerateFood);
    coder.encodeBool("Seen", Seen);
    coder.encodeInt32("Points", Points);
}

bool Resource::initWithCoder(KeyedUnarchiver& coder)
{
    ID = coder.decodeInt32("ID");
    Name = coder.decodeString("Name");
    PngName = coder.decodeString("PngName");
    MineAvailable = coder.decodeBool("MineAvailable");
    FieldAvailable = coder.decodeBool("FieldAvailable");
    CollectibleEnum = coder.decodeInt32("CollectibleEnum");
    Value = coder.decodeInt32("Value");
    ValueSell = coder.decodeInt32("ValueSell");
    MicroRes = coder.decodeBool("MicroRes");
    SpecialRes = coder.decodeBool("SpecialRes");
    Moves = coder.decodeInt32("Moves");
    AtStart = coder.decodeInt32("AtStart");
    GenerateFood = coder.decodeBool("GenerateFood");
    Seen = coder.decodeBool("Seen");
    Points = coder.decodeInt32("Points");
    return true;
}

} // namespace mw
