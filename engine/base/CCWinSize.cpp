#include "engine/base/CCWinSize.h"

namespace mw {

namespace {
ccWinSizeProvider winSizeProvider = nullptr;
}

void ccSetWinSizeProvider(ccWinSizeProvider provider)
{
    winSizeProvider = provider;
}

CGSize ccWinSize()
{
    return winSizeProvider ? winSizeProvider() : CGSizeZero;
}

} // namespace mw
