#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mw {

// Extended attributes of files. Linux keeps a program's own attributes in
// the "user." namespace, so a name is stored as "user.<name>". The desktop
// calls the kernel; tests may install a fake. Safe from any thread.
class ExtendedAttributes {
public:
    static std::shared_ptr<ExtendedAttributes> sharedInstance();
    // Installs an implementation, or the desktop's again for null; answers the previous.
    static std::shared_ptr<ExtendedAttributes>
    replaceSharedInstance(std::shared_ptr<ExtendedAttributes> store);

    virtual ~ExtendedAttributes() = default;
    // Sets the attribute; false when the file or its file system refuses it.
    virtual bool set(const std::string& path, const std::string& name, const std::vector<uint8_t>& value) = 0;
    // The attribute's value; nothing when it is not set or cannot be read.
    virtual std::optional<std::vector<uint8_t>> get(const std::string& path, const std::string& name) = 0;
};

} // namespace mw
