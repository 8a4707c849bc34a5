#include "foundation/GuardedPropertyList.h"

#include "foundation/PropertyList.h"

namespace mw {

GuardedRead readGuardedPropertyList(const std::string& path, const std::string& logName, size_t limit,
                                    bool (Value::*isKind)() const, const char* what, std::optional<Value>& root)
{
    const GuardedRead read =
        readGuardedFile(path, logName, limit, [&](const std::vector<uint8_t>& bytes, std::string* error) {
            root = readPropertyList(bytes.data(), bytes.size(), error);
            if (root && !((*root).*isKind)()) *error = what;
            return root && ((*root).*isKind)();
        });
    if (read != GuardedRead::Read) root.reset();
    return read;
}

} // namespace mw
