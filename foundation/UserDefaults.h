#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace mw {

// Small settings kept between runs: a property-list dictionary in the
// documents folder ("UserDefaults.plist").
//
// Thread-safe: every call takes the instance's lock. The file is read on the
// first call that needs it; changes stay in memory until synchronize() writes
// the file atomically. Reads fall back on the values given to
// registerDefaults, which are never written.
//
// A file whose content does not parse as a property-list dictionary is moved
// aside (and reported), and the defaults start empty. A file that cannot be
// read for another reason (permission, no file descriptors left, an I/O
// error) stays where it is: the error is logged, every later call tries the
// read again, and synchronize() refuses to write until a read has succeeded;
// changes made meanwhile are kept and laid over the file's values once it is
// read. A single value the reader does not accept is left out with a log
// line, and the others are kept.
class UserDefaults {
public:
    // The shared instance, built on first use; it lives until
    // resetStandardUserDefaults().
    static UserDefaults& standardUserDefaults();
    // Drops the shared instance without writing it, so that the next access
    // reads the file afresh (tests point MOSSWICK_HOME elsewhere between runs).
    static void resetStandardUserDefaults();

    // An instance over the given file (tests; the shared one uses the documents folder).
    explicit UserDefaults(std::string path);

    Value objectForKey(std::string_view key);
    int64_t integerForKey(std::string_view key) { return objectForKey(key).asInt64(); }
    float floatForKey(std::string_view key) { return objectForKey(key).asFloat(); }
    double doubleForKey(std::string_view key) { return objectForKey(key).asDouble(); }
    bool boolForKey(std::string_view key) { return objectForKey(key).asBool(); }
    // Strings as they are, numbers in decimal, anything else empty.
    std::string stringForKey(std::string_view key) { return objectForKey(key).asString(); }

    // Setting a null value removes the key. A value that cannot be written to
    // a property list (see writePropertyList) is refused and logged.
    void setObject(std::string_view key, Value value);
    void setInteger(std::string_view key, int64_t value) { setObject(key, Value::int64(value)); }
    void setFloat(std::string_view key, float value) { setObject(key, Value(value)); }
    void setDouble(std::string_view key, double value) { setObject(key, Value(value)); }
    void setBool(std::string_view key, bool value) { setObject(key, Value(value)); }
    void removeObjectForKey(std::string_view key) { setObject(key, Value()); }

    // Fallback values for keys that were never set (a dictionary; other kinds are ignored).
    void registerDefaults(const Value& defaults);

    // The stored values merged over the registered ones.
    Value dictionaryRepresentation();

    // Writes the stored values when they changed since the last write. False
    // (logged) when writing failed or the file could not be read yet; the
    // values stay in memory and are written by the next synchronize.
    bool synchronize();
    // As above, with the reason for a failure in `error` (when given).
    bool synchronize(std::string* error);

    const std::string& path() const { return path_; }

private:
    // True once the file has been read (or found missing, or moved aside).
    bool loadIfNeeded();
    // Logs a new reason once; answers false for loadIfNeeded.
    bool noteReadFailure(const std::string& reason);
    void adoptFileValues(Value fileValues);

    std::mutex lock_;
    std::string path_;
    bool loaded_ = false;
    bool dirty_ = false;
    // The file's values with the changes laid over them. Until the file is
    // read: only the values set so far, with the keys removed beside them.
    Value stored_ = Value::dictionary();
    std::set<std::string, std::less<>> removedBeforeLoad_;
    // Why the last read failed; empty after a successful one.
    std::string readError_;
    Value registered_ = Value::dictionary();
};

} // namespace mw
