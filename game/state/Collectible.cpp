#include "game/state/Collectible.h"

#include "game/state/ArchiveLists.h"

namespace mw {

namespace {
const ArchivableRegistration<Collectible> registration("Collectible");
} // namespace

void Collectible::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString("name", name);
    coder.encodeBool("isMineAvailable", isMineAvailable);
    coder.encodeBool("isFieldAvailable", isFieldAvailable);
    coder.encodeString("pngName", pngName);
    coder.encodeString("pngNameSummer", pngNameSummer);
    coder.encodeString("pngNameWinter", pngNameWinter);
    coder.encodeString("pngNameAutumn", pngNameAutumn);
    coder.encodeString("pngNameSpring", pngNameSpring);
    if (connGroups) coder.encodeItem("connGroups", archivedIntegers(*connGroups));
    coder.encodeInt32("ID", ID);
    coder.encodeInt32("nextCollectibleCount", nextCollectibleCount);
    coder.encodeInt32("nextCollectible", nextCollectible);
    coder.encodeInt32("nextResourceCount", nextResourceCount);
    coder.encodeInt32("nextResource", nextResource);
    coder.encodeInt32("minGroup", minGroup);
    coder.encodeFloat("probability", probability);
    coder.encodeFloat("probSpring", probSpring);
    coder.encodeFloat("probSummer", probSummer);
    coder.encodeFloat("probAutumn", probAutumn);
    coder.encodeFloat("probWinter", probWinter);
    coder.encodeBool("Seen", Seen);
    coder.encodeBool("MovesTime", MovesTime);
    coder.encodeBool("ConstAnim", ConstAnim);
    coder.encodeInt32("Points", Points);
    coder.encodeInt32("PointsColl", PointsColl);
    coder.encodeBool("isAnim", isAnim);
}

bool Collectible::initWithCoder(KeyedUnarchiver& coder)
{
    name = coder.decodeString("name");
    isMineAvailable = coder.decodeBool("isMineAvailable");
    isFieldAvailable = coder.decodeBool("isFieldAvailable");
    pngName = coder.decodeString("pngName");
    pngNameSummer = coder.decodeString("pngNameSummer");
    pngNameWinter = coder.decodeString("pngNameWinter");
    pngNameAutumn = coder.decodeString("pngNameAutumn");
    pngNameSpring = coder.decodeString("pngNameSpring");
    connGroups = decodeIntegers(coder, "connGroups");
    ID = coder.decodeInt32("ID");
    nextCollectibleCount = coder.decodeInt32("nextCollectibleCount");
    nextCollectible = coder.decodeInt32("nextCollectible");
    nextResourceCount = coder.decodeInt32("nextResourceCount");
    nextResource = coder.decodeInt32("nextResource");
    minGroup = coder.decodeInt32("minGroup");
    probability = coder.decodeFloat("probability");
    probSpring = coder.decodeFloat("probSpring");
    probSummer = coder.decodeFloat("probSummer");
    probAutumn = coder.decodeFloat("probAutumn");
    probWinter = coder.decodeFloat("probWinter");
    Seen = coder.decodeBool("Seen");
    MovesTime = coder.decodeBool("MovesTime");
    ConstAnim = coder.decodeBool("ConstAnim");
    Points = coder.decodeInt32("Points");
    PointsColl = coder.decodeInt32("PointsColl");
    isAnim = coder.decodeBool("isAnim");
    return true;
}

} // namespace mw
