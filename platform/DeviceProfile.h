#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/Geometry.h"
#include "platform/PixelSize.h"

namespace mw {

// The screen the game believes it runs on: a portrait phone or tablet, at
// content scale 1 or 2 (pixels = points x scale).
struct DeviceProfile {
    std::string name;   // "phone", "phone-hd", "tablet", "tablet-hd"
    CGSize pointSize;   // portrait, in points
    float scale = 1;
    bool isTablet = false;

    PixelSize pixelSize() const;

    // The largest window size (in the units of `usable`) that fits `usable`
    // with the screen's aspect kept and that is not larger than pixelSize():
    // the window shrinks to fit the desktop but never blows a small screen up.
    PixelSize windowSizeToFit(PixelSize usable) const;

    // Every profile, phone first.
    static const std::vector<DeviceProfile>& all();
    // The profile called `name`, or null.
    static const DeviceProfile* named(std::string_view name);

    // The profile of this run ("phone" until set). Set once at start-up,
    // before other threads read it.
    static const DeviceProfile& current();
    static void setCurrent(const DeviceProfile& profile);
};

} // namespace mw
