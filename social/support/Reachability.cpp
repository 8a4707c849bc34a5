#include "social/support/Reachability.h"

#include <cstring>

#include "foundation/NotificationCenter.h"

namespace mw {

namespace {

using namespace ReachabilityFlag;

uint32_t addressInMemory(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t address = 0;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

} // namespace

Ref<Reachability> Reachability::reachabilityWithHostName(const std::string& hostName)
{
    std::unique_ptr<ReachabilityTarget> target =
        NetworkReachability::sharedInstance()->targetForHostName(hostName);
    if (!target) return nullptr;
    Ref<Reachability> reachability(new Reachability(std::move(target)));
    reachability->key_ = hostName;
    return reachability;
}

Ref<Reachability> Reachability::reachabilityWithAddress(uint32_t address)
{
    std::unique_ptr<ReachabilityTarget> target =
        NetworkReachability::sharedInstance()->targetForAddress(address);
    if (!target) return nullptr;
    Ref<Reachability> reachability(new Reachability(std::move(target)));
    reachability->key_ = makeAddressKey(address);
    return reachability;
}

Ref<Reachability> Reachability::reachabilityForInternetConnection()
{
    Ref<Reachability> reachability = reachabilityWithAddress(0);
    if (reachability) reachability->setKey("InternetConnection");
    return reachability;
}

Ref<Reachability> Reachability::reachabilityForLocalWiFi()
{
    Ref<Reachability> reachability = reachabilityWithAddress(addressInMemory(169, 254, 0, 0));
    if (reachability) {
        reachability->key_ = "LocalWiFiConnection";
        reachability->isLocalWiFi_ = true;
    }
    return reachability;
}

std::string Reachability::makeAddressKey(uint32_t address)
{
    uint8_t bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}

Reachability::Reachability(std::unique_ptr<ReachabilityTarget> target) : target_(std::move(target)) {}

Reachability::~Reachability()
{
    stopNotifier();
}

bool Reachability::startNotifier()
{
    if (!target_) return false;
    // Started again, a watch would take the present as its new starting
    // point, so a change seen since its last look would never be announced.
    if (notifying_) return true;
    // The target stops calling when this object stops it, which its
    // destructor does, so the raw pointer never outlives the object.
    notifying_ = target_->startWatching([this](uint32_t) {
        NotificationCenter::defaultCenter().postNotification(kReachabilityChangedNotification, this);
    });
    return notifying_;
}

void Reachability::stopNotifier()
{
    if (target_) target_->stopWatching();
    notifying_ = false;
}

std::optional<uint32_t> Reachability::flags() const
{
    return target_ ? target_->flags() : std::nullopt;
}

// First match wins:
// 1. not reachable -> not reachable;
// 2. the local Wi-Fi object -> Wi-Fi when direct, else not reachable;
// 3. mobile data -> mobile data;
// 4. of the flags beyond reachable, local and direct, exactly transient plus
//    connection required -> not reachable;
// 5. transient -> Wi-Fi; 6. nothing else -> Wi-Fi;
// 7. connection required -> Wi-Fi, else not reachable.
NetworkStatus Reachability::networkStatusForFlags(uint32_t flags) const
{
    if (!(flags & kReachable)) return NotReachable;
    if (isLocalWiFi_) return (flags & kIsDirect) ? ReachableViaWiFi : NotReachable;
    if (flags & kIsWWAN) return ReachableViaWWAN;
    const uint32_t rest = flags & ~(kReachable | kIsLocalAddress | kIsDirect);
    if (rest == (kTransientConnection | kConnectionRequired)) return NotReachable;
    if (flags & kTransientConnection) return ReachableViaWiFi;
    if (rest == 0) return ReachableViaWiFi;
    return (flags & kConnectionRequired) ? ReachableViaWiFi : NotReachable;
}

NetworkStatus Reachability::currentReachabilityStatus() const
{
    const std::optional<uint32_t> current = flags();
    return current ? networkStatusForFlags(*current) : NotReachable;
}

bool Reachability::isConnectionRequired() const
{
    return (reachabilityFlags() & kConnectionRequired) != 0;
}

bool Reachability::isConnectionOnDemand() const
{
    const uint32_t current = reachabilityFlags();
    return (current & kConnectionRequired) && (current & (kConnectionOnTraffic | kConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const
{
    const uint32_t current = reachabilityFlags();
    return (current & kConnectionRequired) && (current & kInterventionRequired);
}

uint32_t Reachability::reachabilityFlags() const
{
    return flags().value_or(0);
}

} // namespace mw
