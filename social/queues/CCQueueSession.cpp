#include "social/queues/CCQueueSession.h"

#include <atomic>

namespace mw {
namespace {

std::atomic<CCQueueSession*> gInstalled{nullptr};
// Constant-initialised, so the session may hand it in from a static
// initialiser of its own.
std::atomic<CCQueueSession::Maker> gMaker{nullptr};

} // namespace

CCQueueSession* CCQueueSession::installed() { return gInstalled.load(std::memory_order_acquire); }

void CCQueueSession::install(CCQueueSession* session)
{
    gInstalled.store(session, std::memory_order_release);
}

CCQueueSession* CCQueueSession::shared()
{
    makeIfNone();
    return installed();
}

void CCQueueSession::makeIfNone()
{
    if (installed()) return;
    if (Maker maker = gMaker.load(std::memory_order_acquire)) maker();
}

void CCQueueSession::setMaker(Maker maker) { gMaker.store(maker, std::memory_order_release); }

} // namespace mw
