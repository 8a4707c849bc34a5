#include "game/state/PuzzleNotification.h"

namespace mw {

namespace {
const ArchivableRegistration<PuzzleNotification> registration("PuzzleNotification");
} // namespace

void PuzzleNotification::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeInt32("Type", Type);
    coder.encodeValue("Date", Value::dateFromUnixTime(Date));
    coder.encodeString("Text", Text);
}

bool PuzzleNotification::initWithCoder(KeyedUnarchiver& coder)
{
    Type = coder.decodeInt32("Type");
    Date = coder.decodeValue("Date").asUnixTime();
    Text = coder.decodeString("Text");
    return true;
}

} // namespace mw
