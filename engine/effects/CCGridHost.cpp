#include "engine/effects/CCGridHost.h"

#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"

namespace mw {

namespace {

CCGridHost*& installedHost()
{
    static CCGridHost* host = nullptr;
    return host;
}

} // namespace

CGSize CCGridHost::winSizeInPixels() const
{
    const CGSize points = ccWinSize();
    const float factor = CC_CONTENT_SCALE_FACTOR();
    return {points.width * factor, points.height * factor};
}

void ccSetGridHost(CCGridHost* host) { installedHost() = host; }

CCGridHost& ccGridHost()
{
    static CCGridHost fallback;
    CCGridHost* host = installedHost();
    return host ? *host : fallback;
}

} // namespace mw
