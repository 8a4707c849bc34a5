#include "platform/MessageService.h"

#include <mutex>

#include "foundation/Log.h"
#include "platform/DeviceFacts.h"

namespace mw {

namespace {

class DesktopMessageService : public MessageService {
public:
    bool canSendText() override { return DeviceFacts::sharedInstance()->canSendText(); }
    Result sendText(const std::vector<std::string>& recipients, const std::string&) override
    {
        logLine("[MessageService] no message service on this machine; %zu recipient(s) not sent to",
                recipients.size());
        return kFailed;
    }
};

std::mutex gLock;
std::shared_ptr<MessageService>& installed()
{
    static std::shared_ptr<MessageService> service = std::make_shared<DesktopMessageService>();
    return service;
}

} // namespace

std::shared_ptr<MessageService> MessageService::sharedInstance()
{
    std::lock_guard guard(gLock);
    return installed();
}

std::shared_ptr<MessageService> MessageService::replaceSharedInstance(std::shared_ptr<MessageService> service)
{
    std::lock_guard guard(gLock);
    if (!service) service = std::make_shared<DesktopMessageService>();
    std::swap(service, installed());
    return service;
}

} // namespace mw
