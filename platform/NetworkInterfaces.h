#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mw {

// One address of a network interface.
struct InterfaceAddress {
    enum class Family { LinkLayer, Other };
    enum class Type { Ethernet, Other };

    std::string name;
    Family family = Family::Other;
    Type type = Type::Other;
    std::vector<uint8_t> address; // the hardware address for a link-layer entry
};

// The device's interface address list. The desktop reads the kernel's list
// and reports the first interface in name order that is not the loopback and
// has a 6-byte hardware address under the name "en0" too (the name the phone
// gives its Wi-Fi interface); tests script every entry. Safe from any thread.
class NetworkInterfaces {
public:
    static std::shared_ptr<NetworkInterfaces> sharedInstance();
    // Installs a list source, or the desktop's again for null; answers the previous.
    static std::shared_ptr<NetworkInterfaces>
    replaceSharedInstance(std::shared_ptr<NetworkInterfaces> source);

    virtual ~NetworkInterfaces() = default;
    // Every entry, or nothing when the list cannot be read.
    virtual std::optional<std::vector<InterfaceAddress>> addresses() = 0;
};

} // namespace mw
