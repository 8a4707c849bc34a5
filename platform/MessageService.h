#pragma once

#include <memory>
#include <string>
#include <vector>

namespace mw {

// The device's text messages, as the message composer uses them: whether a
// message can be sent at all, and sending one. The desktop cannot send (it
// answers what the device facts say); tests install a recording one. Main
// thread.
class MessageService {
public:
    // The composer's results.
    enum Result { kCancelled = 0, kSent = 1, kFailed = 2 };

    static std::shared_ptr<MessageService> sharedInstance();
    // Installs a service, or the desktop's again for null; answers the previous.
    static std::shared_ptr<MessageService> replaceSharedInstance(std::shared_ptr<MessageService> service);

    virtual ~MessageService() = default;
    virtual bool canSendText() = 0;
    // Sends `body` to the recipients (phone numbers or addresses as the
    // player left them); kSent or kFailed.
    virtual Result sendText(const std::vector<std::string>& recipients, const std::string& body) = 0;
};

} // namespace mw
