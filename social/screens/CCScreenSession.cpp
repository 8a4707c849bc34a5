#include "social/screens/CCScreenSession.h"

#include <atomic>

namespace mw {
namespace {

std::atomic<CCScreenSession*> gInstalled{nullptr};

} // namespace

CCScreenSession* CCScreenSession::installed() { return gInstalled.load(std::memory_order_acquire); }

void CCScreenSession::install(CCScreenSession* session)
{
    gInstalled.store(session, std::memory_order_release);
}

CCScreenSession* CCScreenSession::shared()
{
    makeIfNone();
    return installed();
}

} // namespace mw
