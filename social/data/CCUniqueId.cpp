#include "social/data/CCUniqueId.h"

#include "platform/DeviceFacts.h"

namespace mw {

namespace {
constexpr const char* kUidKey = "CCUniqueId_uid";
const ArchivableRegistration<CCUniqueId> registration("CCUniqueId");
} // namespace

std::string CCUniqueId::createUniqueId() { return DeviceFacts::sharedInstance()->randomUUIDString(); }

void CCUniqueId::encodeWithCoder(KeyedArchiver& coder) const
{
    if (!uniqueId_.empty()) coder.encodeString(kUidKey, uniqueId_);
}

bool CCUniqueId::initWithCoder(KeyedUnarchiver& coder)
{
    uniqueId_ = coder.decodeString(kUidKey);
    return true;
}

} // namespace mw
