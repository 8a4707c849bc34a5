#pragma once

#include "analytics/TallyProtocolData.h"
#include "foundation/Value.h"

namespace mw {

// How the analytics archives keep a date: the seconds since 2001-01-01 UTC as
// a real. A property-list date keeps whole seconds only, and the reports
// count milliseconds from these dates.
inline Value archiveDateValue(double unixSeconds)
{
    return Value(unixSeconds - Value::kReferenceDateUnixTime);
}

// The date of an archived value (a real as written above, or a property-list
// date); missing for anything else.
inline TallyDate dateFromArchiveValue(const Value& value)
{
    if (value.isReal()) return value.asDouble() + Value::kReferenceDateUnixTime;
    if (value.isDate()) return value.asUnixTime();
    return std::nullopt;
}

} // namespace mw
