#include "platform/DeviceProfile.h"

#include <algorithm>
#include <cmath>

namespace mw {

namespace {

DeviceProfile& currentProfile()
{
    static DeviceProfile profile = DeviceProfile::all().front();
    return profile;
}

} // namespace

PixelSize DeviceProfile::pixelSize() const
{
    return {static_cast<int>(std::lround(pointSize.width * scale)),
            static_cast<int>(std::lround(pointSize.height * scale))};
}

PixelSize DeviceProfile::windowSizeToFit(PixelSize usable) const
{
    const PixelSize full = pixelSize();
    if (usable.width <= 0 || usable.height <= 0) return full;
    const double factor = std::min({1.0, double(usable.width) / full.width, double(usable.height) / full.height});
    return {std::max(1, static_cast<int>(std::floor(full.width * factor))),
            std::max(1, static_cast<int>(std::floor(full.height * factor)))};
}

const std::vector<DeviceProfile>& DeviceProfile::all()
{
    static const std::vector<DeviceProfile> profiles = {
        {"phone", {320, 480}, 1, false},
        {"phone-hd", {320, 480}, 2, false},
        {"tablet", {768, 1024}, 1, true},
        {"tablet-hd", {768, 1024}, 2, true},
    };
    return profiles;
}

const DeviceProfile* DeviceProfile::named(std::string_view name)
{
    for (const DeviceProfile& profile : all()) {
        if (profile.name == name) return &profile;
    }
    return nullptr;
}

const DeviceProfile& DeviceProfile::current()
{
    return currentProfile();
}

void DeviceProfile::setCurrent(const DeviceProfile& profile)
{
    currentProfile() = profile;
}

} // namespace mw
