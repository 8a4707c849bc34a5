#include "social/queues/CCQueueSession.h"

#include <atomic>

namespace mw {
namespace {

std::atomic<CCQueueSession*> gInstalled{nullptr};

} // namespace

CCQueueSession* CCQueueSession::installed() { return gInstalled.load(std::memory_order_acquire); }

void CCQueueSession::install(CCQueueSession* session)
{
    gInstalled.store(session, std::memory_order_release);
}

} // namespace mw
