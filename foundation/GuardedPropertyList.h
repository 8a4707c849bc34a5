#pragma once

// A guarded read of a file that holds one property list of a known kind (the
// desktop stand-ins' stores): a list that does not parse, or whose root is of
// another kind, is moved aside like any other file that does not decode.

#include <optional>
#include <string>

#include "foundation/GuardedFileRead.h"
#include "foundation/Value.h"

namespace mw {

// Reads `path` through readGuardedFile (logging as `logName`, at most `limit`
// bytes). `isKind` is the root's expected kind (&Value::isArray or
// &Value::isDict); `what` names it in the reason ("no cookie list"). On Read,
// `root` holds the list; on any other outcome it is empty.
GuardedRead readGuardedPropertyList(const std::string& path, const std::string& logName, size_t limit,
                                    bool (Value::*isKind)() const, const char* what, std::optional<Value>& root);

} // namespace mw
