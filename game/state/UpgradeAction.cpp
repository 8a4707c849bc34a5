#include "game/state/UpgradeAction.h"

#include "engine/base/CGPointExtension.h"
#include "game/state/Profile.h"

namespace mw {

namespace {

const ArchivableRegistration<UpgradeAction> registration("UpgradeAction");

// A spawn weight or an animal's chance, held to 0..100.
float heldToPercent(float value)
{
    return clampf(value, 0.0f, 100.0f);
}

} // namespace

void UpgradeAction::RunAction(UpgradeActionTarget* board)
{
    Profile* profile = Profile::sharedInstance();
    switch (ID) {
    case 0:
        if (Collectible* kind = profile->GetCollectible(IDAction)) kind->nextCollectibleCount += Value1;
        break;
    case 1:
        // The first kind, by identifier, that produces the resource; its held
        // tiles are converted at once by the new threshold.
        for (int32_t identifier = 0; identifier < Profile::kResourceSlots; ++identifier) {
            Collectible* kind = profile->GetCollectible(identifier);
            if (kind && kind->nextResource == IDAction) {
                kind->nextResourceCount += Value1;
                profile->increaseCollectible(identifier, 0);
                break;
            }
        }
        break;
    case 2:
        if (Collectible* kind = profile->GetCollectible(IDAction)) {
            kind->probability = heldToPercent(kind->probability + Probability);
            kind->probAutumn = heldToPercent(kind->probAutumn + ProbAutumn);
            kind->probSpring = heldToPercent(kind->probSpring + ProbSpring);
            kind->probSummer = heldToPercent(kind->probSummer + ProbSummer);
            kind->probWinter = heldToPercent(kind->probWinter + ProbWinter);
        }
        break;
    case 3:
        if (UpgradeItem* upgrade = profile->GetUpgrade(Value1)) {
            if (upgrade->isHidden) profile->SetObjectSeen(Value1);
            upgrade->isHidden = false;
        }
        break;
    case 6:
        if (Collectible* kind = profile->GetCollectible(Value1)) {
            if (!kind->connGroups) kind->connGroups.emplace();
            kind->connGroups->push_back(Value2);
        }
        break;
    case 10:
        profile->WolfJumpProbability =
            static_cast<int32_t>(heldToPercent(static_cast<float>(profile->WolfJumpProbability) + Value1));
        break;
    case 11:
        profile->RatJumpProbability =
            static_cast<int32_t>(heldToPercent(static_cast<float>(profile->RatJumpProbability) + Value1));
        break;
    case 12:
        profile->MovesPerFood += Value1;
        break;
    case 13:
        profile->MaxMineMoves += Value1;
        break;
    case 14:
        profile->increaseResource(Value1, Value2);
        break;
    case 15:
        profile->stepsToChangeSeason += Value1;
        break;
    case 16:
        if (Collectible* kind = profile->GetCollectible(Value1)) kind->minGroup += Value2;
        break;
    case 17:
        if (Collectible* kind = profile->GetCollectible(Value1)) kind->MovesTime = Value2 == 1;
        break;
    case 19: {
        const int32_t hours = Value2 / 3600;
        const int32_t minutes = (Value2 - hours * 3600) / 60;
        const int32_t seconds = Value2 - hours * 3600 - minutes * 60;
        profile->TaxTimeH += static_cast<float>(hours);
        profile->TaxTimeM += static_cast<float>(minutes);
        profile->TaxTimeS += static_cast<float>(seconds);
        break;
    }
    case 20:
        if (UpgradeItem* upgrade = profile->GetUpgrade(Value1)) {
            upgrade->ReqLevel += Value2;
            upgrade->Priority += Value2;
        }
        break;
    case 22:
        profile->CanShowNextCollMine = true;
        break;
    case 23:
        profile->CanShowNextCollField = true;
        break;
    case 4: // the board collects every tile of kind Value1
        if (board) {
            board->collectPuzzlesOfType(Value1);
            board->clearActivePuzzles();
        }
        break;
    case 8: // the board re-types kind Value1 into Value2
        if (board) board->replacePuzzlesOfTo(Value1, Value2);
        break;
    case 9: // the board's generator spawns kind Value1 next
        if (board) board->nextSpawnSetTo(Value1);
        break;
    default: // 5, 7, 18, 21 and unknown kinds do nothing
        break;
    }
}

void UpgradeAction::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString("name", name);
    coder.encodeInt32("ID", ID);
    coder.encodeInt32("Value1", Value1);
    coder.encodeInt32("Value2", Value2);
    coder.encodeInt32("IDAction", IDAction);
    coder.encodeFloat("ProbSpring", ProbSpring);
    coder.encodeFloat("ProbSummer", ProbSummer);
    coder.encodeFloat("ProbAutumn", ProbAutumn);
    coder.encodeFloat("ProbWinter", ProbWinter);
    coder.encodeFloat("Probability", Probability);
}

bool UpgradeAction::initWithCoder(KeyedUnarchiver& coder)
{
    name = coder.decodeString("name");
    ID = coder.decodeInt32("ID");
    Value1 = coder.decodeInt32("Value1");
    Value2 = coder.decodeInt32("Value2");
    IDAction = coder.decodeInt32("IDAction");
    ProbSpring = coder.decodeFloat("ProbSpring");
    ProbSummer = coder.decodeFloat("ProbSummer");
    ProbAutumn = coder.decodeFloat("ProbAutumn");
    ProbWinter = coder.decodeFloat("ProbWinter");
    Probability = coder.decodeFloat("Probability");
    return true;
}

} // namespace mw
