#include "platform/LocationService.h"

#include <mutex>

namespace mw {

namespace {

class DesktopLocationService : public LocationService {
public:
    bool servicesEnabled() override { return false; }
    void start(double, UpdateHandler) override {}
    void stop() override {}
};

std::mutex gLock;
std::shared_ptr<LocationService>& installed()
{
    static std::shared_ptr<LocationService> service = std::make_shared<DesktopLocationService>();
    return service;
}

} // namespace

std::shared_ptr<LocationService> LocationService::sharedInstance()
{
    std::lock_guard guard(gLock);
    return installed();
}

std::shared_ptr<LocationService> LocationService::replaceSharedInstance(std::shared_ptr<LocationService> service)
{
    std::lock_guard guard(gLock);
    if (!service) service = std::make_shared<DesktopLocationService>();
    std::swap(service, installed());
    return service;
}

} // namespace mw
