#include "social/data/CCLumoraLog.h"

#include <atomic>

namespace mw {

namespace {
std::atomic<bool> gPublicApiLog {true};
} // namespace

bool AllowPublicAPILog() { return gPublicApiLog.load(std::memory_order_relaxed); }

void EnablePublicAPILog(bool enabled) { gPublicApiLog.store(enabled, std::memory_order_relaxed); }

} // namespace mw
