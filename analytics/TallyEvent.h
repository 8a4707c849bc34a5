#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analytics/TallyProtocolData.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

// One logged event of an analytics session: its name, its parameters, when it
// started and, for a timed event, when it ended. The session keeps its events
// in logging order, archives them with itself and writes each as an event
// record with times counted from the session's start.
class TallyEvent : public Object, public Archivable {
public:
    // An empty event; decoding fills it.
    TallyEvent() = default;
    // A new event started now and numbered by the shared event counter.
    // `parameters` is a dictionary or null.
    static Ref<TallyEvent> eventWithName(std::string name, bool timed = false, Value parameters = {});

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    double started() const { return started_; }
    void setStarted(double unixSeconds) { started_ = unixSeconds; }
    // Empty while a timed event is open, and always for an untimed one.
    const TallyDate& ended() const { return ended_; }
    void setEnded(TallyDate ended) { ended_ = ended; }
    bool timed() const { return timed_; }
    void setTimed(bool timed) { timed_ = timed; }
    // Set when the session closed the event itself (it then moves the end to
    // each later end of the session).
    bool automaticallyEnded() const { return automaticallyEnded_; }
    void setAutomaticallyEnded(bool automatic) { automaticallyEnded_ = automatic; }
    // A dictionary of parameters, or null.
    const Value& parameters() const { return parameters_; }
    void setParameters(Value parameters) { parameters_ = std::move(parameters); }
    int32_t eventLogId() const { return eventLogId_; }
    void setEventLogId(int32_t id) { eventLogId_ = id; }

    // A timed event with no end yet.
    bool isUnterminated() const { return timed_ && !ended_; }
    // The session's closing of its events at an end or pause: an open event,
    // or one this closed before, takes `sessionEnd` as its end and is marked
    // automatically ended; an event the caller ended keeps its end.
    void closeAtSessionEnd(double sessionEnd);
    // Milliseconds from the session start to the event's start, in 64 bits
    // (a session may run for longer than 32 bits of milliseconds).
    int64_t startOffsetFromSessionStart(double sessionStart) const;
    // Milliseconds from start to end; 0 for an untimed or open event.
    int64_t duration() const;

    // Appends the event record: number (16 bits, modulo 2^16), name,
    // parameter count and key/value texts, start offset and duration (64 bits).
    void appendData(double sessionStart, TallyProtocolData::Bytes& data) const;
    TallyProtocolData::Bytes dataRelativeToSessionStart(double sessionStart) const;

    // The text a parameter key or value is written as: a string as it is, a
    // number as its decimal text.
    static std::string parameterText(const Value& value);

    std::string className() const override { return "TallyEvent"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;

private:
    std::string name_;
    double started_ = 0;
    TallyDate ended_;
    bool timed_ = false;
    bool automaticallyEnded_ = false;
    Value parameters_;
    int32_t eventLogId_ = 0;
};

} // namespace mw
