#pragma once

#include <functional>
#include <memory>

namespace mw {

// Where the device is, coarsely. Updates arrive on the main thread through
// the run loop after start(), until stop(). The desktop has no location
// service: it is never enabled and sends nothing; tests install a fake that
// scripts a location. Main thread.
class LocationService {
public:
    struct Location {
        double latitude = 0;
        double longitude = 0;
    };
    using UpdateHandler = std::function<void(const Location& location)>;

    static std::shared_ptr<LocationService> sharedInstance();
    // Installs a service, or the desktop's again for null; answers the previous.
    static std::shared_ptr<LocationService> replaceSharedInstance(std::shared_ptr<LocationService> service);

    virtual ~LocationService() = default;
    // Whether the user allows location services at all.
    virtual bool servicesEnabled() = 0;
    // Begins updates at about the given accuracy; a second start replaces the handler.
    virtual void start(double accuracyMeters, UpdateHandler handler) = 0;
    virtual void stop() = 0;
};

} // namespace mw
