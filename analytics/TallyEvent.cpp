#include "analytics/TallyEvent.h"

#include "analytics/TallyArchiveDate.h"
#include "analytics/TallyAutoIncrement.h"
#include "foundation/Clock.h"

namespace mw {

namespace {
const ArchivableRegistration<TallyEvent> registration("TallyEvent");
} // namespace

Ref<TallyEvent> TallyEvent::eventWithName(std::string name, bool timed, Value parameters)
{
    auto event = makeRef<TallyEvent>();
    event->name_ = std::move(name);
    event->timed_ = timed;
    event->parameters_ = std::move(parameters);
    event->started_ = Clock::wallSeconds();
    event->eventLogId_ = TallyAutoIncrement::instance().nextCountFor(TallyAutoIncrement::kEventCounter);
    return event;
}

void TallyEvent::closeAtSessionEnd(double sessionEnd)
{
    if (!isUnterminated() && !automaticallyEnded_) return;
    ended_ = sessionEnd;
    automaticallyEnded_ = true;
}

int64_t TallyEvent::startOffsetFromSessionStart(double sessionStart) const
{
    return TallyProtocolData::timeIntervalFrom(sessionStart, started_);
}

int64_t TallyEvent::duration() const
{
    if (!timed_ || !ended_) return 0;
    return TallyProtocolData::timeIntervalFrom(started_, ended_);
}

std::string TallyEvent::parameterText(const Value& value) { return value.asString(); }

void TallyEvent::appendData(double sessionStart, TallyProtocolData::Bytes& data) const
{
    using P = TallyProtocolData;
    P::appendUshort(static_cast<uint16_t>(eventLogId_), data);
    P::appendString(name_, data);
    const ValueDictionary& parameters = parameters_.asDict();
    P::appendUshort(static_cast<uint16_t>(parameters.size()), data);
    for (const auto& [key, value] : parameters) {
        P::appendString(key, data);
        P::appendString(parameterText(value), data);
    }
    P::appendLong(startOffsetFromSessionStart(sessionStart), data);
    P::appendLong(duration(), data);
}

TallyProtocolData::Bytes TallyEvent::dataRelativeToSessionStart(double sessionStart) const
{
    TallyProtocolData::Bytes data;
    appendData(sessionStart, data);
    return data;
}

void TallyEvent::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString("name", name_);
    coder.encodeValue("started", archiveDateValue(started_));
    if (ended_) coder.encodeValue("ended", archiveDateValue(*ended_));
    coder.encodeBool("timed", timed_);
    coder.encodeValue("parameters", parameters_);
    coder.encodeBool("automaticallyEnded", automaticallyEnded_);
    coder.encodeInt32("eventLogId", eventLogId_);
}

bool TallyEvent::initWithCoder(KeyedUnarchiver& coder)
{
    setName(coder.decodeString("name"));
    setStarted(dateFromArchiveValue(coder.decodeValue("started")).value_or(0));
    setEnded(dateFromArchiveValue(coder.decodeValue("ended")));
    setTimed(coder.decodeBool("timed"));
    const Value parameters = coder.decodeValue("parameters");
    setParameters(parameters.isDict() ? parameters : Value());
    setAutomaticallyEnded(coder.decodeBool("automaticallyEnded"));
    setEventLogId(coder.decodeInt32("eventLogId"));
    return true;
}

} // namespace mw
