#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/NetworkReachability.h"

namespace mw {

// Posted on the main thread, with the Reachability as its object, when the
// reachability of a watched target changes.
inline constexpr const char* kReachabilityChangedNotification = "NetworkReachabilityChangedNotification";

// Network status.
enum NetworkStatus : int { NotReachable = 0, ReachableViaWWAN = 1, ReachableViaWiFi = 2 };

// Whether the service host, or the network at all, can be reached now and
// over which kind of link, with a notification when that changes. Main thread.
class Reachability : public Object {
public:
    // Each is null when the platform cannot make the target.
    static Ref<Reachability> reachabilityWithHostName(const std::string& hostName);
    // The IPv4 address as its four bytes lie in memory.
    static Ref<Reachability> reachabilityWithAddress(uint32_t addressInMemory);
    // The zero address: the network in general. Key "InternetConnection".
    static Ref<Reachability> reachabilityForInternetConnection();
    // The link-local network 169.254.0.0. Key "LocalWiFiConnection"; only
    // this object gets the local Wi-Fi rule (see networkStatusForFlags).
    static Ref<Reachability> reachabilityForLocalWiFi();
    // "a.b.c.d" of the four bytes, the first byte in memory first.
    static std::string makeAddressKey(uint32_t addressInMemory);

    // Takes over the target; a null target makes an object that can read nothing.
    explicit Reachability(std::unique_ptr<ReachabilityTarget> target);
    ~Reachability() override;

    // Starts posting kReachabilityChangedNotification on changes; false when
    // the platform cannot watch the target. A running watch is kept as it is.
    bool startNotifier();
    // No notification arrives afterwards (also done on destruction).
    void stopNotifier();

    // The status from the current flags; NotReachable when they cannot be read.
    NetworkStatus currentReachabilityStatus() const;
    // The status rules, first match wins (see the .cpp).
    NetworkStatus networkStatusForFlags(uint32_t flags) const;

    // Each is false when the flags cannot be read.
    bool isReachable() const { return currentReachabilityStatus() != NotReachable; }
    bool isReachableViaWWAN() const { return currentReachabilityStatus() == ReachableViaWWAN; }
    bool isReachableViaWiFi() const { return currentReachabilityStatus() == ReachableViaWiFi; }
    bool isConnectionRequired() const;
    bool connectionRequired() const { return isConnectionRequired(); }
    bool isConnectionOnDemand() const;
    bool isInterventionRequired() const;
    // The raw flags, 0 when they cannot be read.
    uint32_t reachabilityFlags() const;

    // Equal keys make equal objects.
    bool isEqual(const Reachability* other) const { return other && other->key_ == key_; }
    const std::string& key() const { return key_; }
    // A key set by hand never makes the object the local Wi-Fi one.
    void setKey(std::string key)
    {
        key_ = std::move(key);
        isLocalWiFi_ = false;
    }

private:
    std::optional<uint32_t> flags() const;

    std::string key_;
    bool isLocalWiFi_ = false;
    bool notifying_ = false;
    std::unique_ptr<ReachabilityTarget> target_;
};

} // namespace mw
