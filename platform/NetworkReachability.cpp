#include "platform/NetworkReachability.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "foundation/NSTimer.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

// How often a watched target reads the interfaces again.
constexpr double kPollSeconds = 3.0;

// Reachable and direct when an interface other than loopback is up and
// running with an address; not reachable otherwise.
std::optional<uint32_t> interfaceFlags()
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return std::nullopt;
    bool connected = false;
    for (const ifaddrs* entry = list; entry && !connected; entry = entry->ifa_next) {
        if (!entry->ifa_addr || (entry->ifa_flags & IFF_LOOPBACK)) continue;
        if (!(entry->ifa_flags & IFF_UP) || !(entry->ifa_flags & IFF_RUNNING)) continue;
        const int family = entry->ifa_addr->sa_family;
        connected = family == AF_INET || family == AF_INET6;
    }
    ::freeifaddrs(list);
    return connected ? ReachabilityFlag::kReachable | ReachabilityFlag::kIsDirect : 0u;
}

class InterfaceTarget : public ReachabilityTarget {
public:
    ~InterfaceTarget() override { stopWatching(); }

    // A dump of the interfaces costs a netlink round trip, and callers ask
    // once per network request: an answer less than a second old stands.
    std::optional<uint32_t> flags() override
    {
        const auto now = std::chrono::steady_clock::now();
        if (!lastRead_ || now - lastReadAt_ >= std::chrono::seconds(1)) {
            lastRead_ = interfaceFlags();
            lastReadAt_ = now;
        }
        return *lastRead_;
    }

    bool startWatching(std::function<void(uint32_t)> changed) override
    {
        stopWatching();
        auto state = std::make_shared<Watch>();
        state->changed = std::move(changed);
        state->last = interfaceFlags();
        // The timer holds the watch weakly: the watch holds the timer.
        std::weak_ptr<Watch> weak = state;
        state->timer = NSTimer::timer(kPollSeconds, true, [weak](NSTimer*) {
            const std::shared_ptr<Watch> state = weak.lock();
            if (!state) return;
            const std::optional<uint32_t> now = interfaceFlags();
            if (now && now != state->last) {
                state->last = now;
                state->changed(*now);
            }
        });
        RunLoop::main().addTimer(state->timer);
        watch_ = state;
        return true;
    }

    void stopWatching() override
    {
        if (watch_) watch_->timer->invalidate();
        watch_.reset();
    }

private:
    struct Watch {
        std::function<void(uint32_t)> changed;
        std::optional<uint32_t> last;
        Ref<NSTimer> timer;
    };
    std::shared_ptr<Watch> watch_;
    std::optional<std::optional<uint32_t>> lastRead_;
    std::chrono::steady_clock::time_point lastReadAt_;
};

class DesktopReachability : public NetworkReachability {
public:
    std::unique_ptr<ReachabilityTarget> targetForHostName(const std::string& hostName) override
    {
        if (hostName.empty()) return nullptr;
        return std::make_unique<InterfaceTarget>();
    }
    std::unique_ptr<ReachabilityTarget> targetForAddress(uint32_t) override
    {
        return std::make_unique<InterfaceTarget>();
    }
};

std::mutex gLock;
std::shared_ptr<NetworkReachability>& installed()
{
    static std::shared_ptr<NetworkReachability> service = std::make_shared<DesktopReachability>();
    return service;
}

} // namespace

std::shared_ptr<NetworkReachability> NetworkReachability::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<NetworkReachability> NetworkReachability::replaceSharedInstance(
    std::shared_ptr<NetworkReachability> service)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!service) service = std::make_shared<DesktopReachability>();
    std::swap(service, installed());
    return service;
}

} // namespace mw
