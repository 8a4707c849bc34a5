#include "platform/NetworkInterfaces.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/socket.h>

#include <algorithm>
#include <mutex>

namespace mw {

namespace {

class DesktopNetworkInterfaces : public NetworkInterfaces {
public:
    std::optional<std::vector<InterfaceAddress>> addresses() override
    {
        ifaddrs* list = nullptr;
        if (getifaddrs(&list) != 0) return std::nullopt;
        std::vector<InterfaceAddress> entries;
        for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
            InterfaceAddress address;
            address.name = entry->ifa_name ? entry->ifa_name : "";
            const sockaddr* raw = entry->ifa_addr;
            if (raw && raw->sa_family == AF_PACKET) {
                const auto* link = reinterpret_cast<const sockaddr_ll*>(raw);
                address.family = InterfaceAddress::Family::LinkLayer;
                address.type = link->sll_hatype == ARPHRD_ETHER ? InterfaceAddress::Type::Ethernet
                                                                : InterfaceAddress::Type::Other;
                const size_t length = std::min<size_t>(link->sll_halen, sizeof link->sll_addr);
                address.address.assign(link->sll_addr, link->sll_addr + length);
            }
            entries.push_back(std::move(address));
        }
        freeifaddrs(list);
        addWifiAlias(entries);
        return entries;
    }

private:
    static void addWifiAlias(std::vector<InterfaceAddress>& entries)
    {
        const InterfaceAddress* chosen = nullptr;
        for (const InterfaceAddress& entry : entries) {
            if (entry.family != InterfaceAddress::Family::LinkLayer || entry.address.size() != 6) continue;
            if (entry.type != InterfaceAddress::Type::Ethernet) continue;
            if (!chosen || entry.name < chosen->name) chosen = &entry;
        }
        if (!chosen || chosen->name == "en0") return;
        InterfaceAddress alias = *chosen;
        alias.name = "en0";
        entries.push_back(std::move(alias));
    }
};

std::mutex gLock;
std::shared_ptr<NetworkInterfaces>& installed()
{
    static std::shared_ptr<NetworkInterfaces> source = std::make_shared<DesktopNetworkInterfaces>();
    return source;
}

} // namespace

std::shared_ptr<NetworkInterfaces> NetworkInterfaces::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<NetworkInterfaces>
NetworkInterfaces::replaceSharedInstance(std::shared_ptr<NetworkInterfaces> source)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!source) source = std::make_shared<DesktopNetworkInterfaces>();
    std::swap(source, installed());
    return source;
}

} // namespace mw
