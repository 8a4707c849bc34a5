#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace mw {

// Flag bits of a reachability answer.
namespace ReachabilityFlag {
inline constexpr uint32_t kTransientConnection = 0x1;
inline constexpr uint32_t kReachable = 0x2;
inline constexpr uint32_t kConnectionRequired = 0x4;
inline constexpr uint32_t kConnectionOnTraffic = 0x8;
inline constexpr uint32_t kInterventionRequired = 0x10;
inline constexpr uint32_t kConnectionOnDemand = 0x20;
inline constexpr uint32_t kIsLocalAddress = 0x10000;
inline constexpr uint32_t kIsDirect = 0x20000;
inline constexpr uint32_t kIsWWAN = 0x40000;
} // namespace ReachabilityFlag

// One thing whose reachability is asked: a host name or an IPv4 address.
class ReachabilityTarget {
public:
    virtual ~ReachabilityTarget() = default;
    // The current flags, or nothing when they cannot be read.
    virtual std::optional<uint32_t> flags() = 0;
    // Calls `changed` with the new flags whenever they change, from the main
    // run loop and never inside the call that caused the change; replaces an
    // earlier callback. False when changes cannot be watched.
    virtual bool startWatching(std::function<void(uint32_t flags)> changed) = 0;
    // No callback arrives afterwards, not even one already queued.
    virtual void stopWatching() = 0;
};

// The platform's network-reachability service. The desktop answers from the
// network interfaces: with only loopback up nothing is reachable; with another
// interface up and holding an address, everything is reachable and direct;
// never over mobile data. It notices changes by reading the interfaces again
// every few seconds while a target is watched. Main thread.
class NetworkReachability {
public:
    // The installed service (the desktop's unless another was installed).
    static std::shared_ptr<NetworkReachability> sharedInstance();
    // Installs a service, or the desktop's again for null; answers the previous.
    static std::shared_ptr<NetworkReachability>
    replaceSharedInstance(std::shared_ptr<NetworkReachability> service);

    virtual ~NetworkReachability() = default;
    // Null when no target can be made for the name.
    virtual std::unique_ptr<ReachabilityTarget> targetForHostName(const std::string& hostName) = 0;
    // The IPv4 address as its four bytes lie in memory (network order).
    virtual std::unique_ptr<ReachabilityTarget> targetForAddress(uint32_t addressInMemory) = 0;
};

} // namespace mw
