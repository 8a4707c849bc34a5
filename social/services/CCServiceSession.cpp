#include "social/services/CCServiceSession.h"

#include <atomic>

namespace mw {
namespace {

std::atomic<CCServiceSession*> gInstalled{nullptr};

} // namespace

CCServiceSession* CCServiceSession::installed() { return gInstalled.load(std::memory_order_acquire); }

void CCServiceSession::install(CCServiceSession* session)
{
    gInstalled.store(session, std::memory_order_release);
}

CCServiceSession* CCServiceSession::shared()
{
    makeIfNone();
    return installed();
}

} // namespace mw
