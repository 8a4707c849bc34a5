#include "platform/ExtendedAttributes.h"

#include <sys/xattr.h>

#include <mutex>

namespace mw {

namespace {

class DesktopExtendedAttributes : public ExtendedAttributes {
public:
    bool set(const std::string& path, const std::string& name, const std::vector<uint8_t>& value) override
    {
        return ::setxattr(path.c_str(), ("user." + name).c_str(), value.data(), value.size(), 0) == 0;
    }

    std::optional<std::vector<uint8_t>> get(const std::string& path, const std::string& name) override
    {
        const std::string key = "user." + name;
        const ssize_t size = ::getxattr(path.c_str(), key.c_str(), nullptr, 0);
        if (size < 0) return std::nullopt;
        std::vector<uint8_t> value(static_cast<size_t>(size));
        const ssize_t read = ::getxattr(path.c_str(), key.c_str(), value.data(), value.size());
        if (read < 0) return std::nullopt;
        value.resize(static_cast<size_t>(read));
        return value;
    }
};

std::mutex gLock;
std::shared_ptr<ExtendedAttributes>& installed()
{
    static std::shared_ptr<ExtendedAttributes> store = std::make_shared<DesktopExtendedAttributes>();
    return store;
}

} // namespace

std::shared_ptr<ExtendedAttributes> ExtendedAttributes::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<ExtendedAttributes>
ExtendedAttributes::replaceSharedInstance(std::shared_ptr<ExtendedAttributes> store)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!store) store = std::make_shared<DesktopExtendedAttributes>();
    std::swap(store, installed());
    return store;
}

} // namespace mw
