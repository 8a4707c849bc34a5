#include "platform/AVAudioSession.h"

#include <mutex>

#include "foundation/NotificationCenter.h"

namespace mw {

namespace {

class StubAudioSession : public AVAudioSession {
public:
    bool setCategory(const std::string&) override { return true; }
    bool setActive(bool) override { return true; }
    bool isOtherAudioPlaying() override { return false; }
    std::string audioRoute() override { return "Speaker"; }
};

struct Installed {
    std::mutex mutex;
    std::shared_ptr<AVAudioSession> session = std::make_shared<StubAudioSession>();
};

Installed& installed()
{
    static Installed shared;
    return shared;
}

} // namespace

std::shared_ptr<AVAudioSession> AVAudioSession::sharedInstance()
{
    std::lock_guard<std::mutex> lock(installed().mutex);
    return installed().session;
}

std::shared_ptr<AVAudioSession> AVAudioSession::replaceSharedInstance(std::shared_ptr<AVAudioSession> session)
{
    if (!session) session = std::make_shared<StubAudioSession>();
    std::lock_guard<std::mutex> lock(installed().mutex);
    std::swap(installed().session, session);
    return session;
}

void AVAudioSession::reportInterruptionBegan()
{
    if (AVAudioSessionDelegate* told = delegate()) told->beginInterruption();
    NotificationCenter::defaultCenter().postNotification(AVAudioSessionInterruptionNotification, nullptr,
                                                         true);
}

void AVAudioSession::reportInterruptionEnded(unsigned flags)
{
    if (AVAudioSessionDelegate* told = delegate()) told->endInterruptionWithFlags(flags);
    NotificationCenter::defaultCenter().postNotification(AVAudioSessionInterruptionNotification, nullptr,
                                                         false);
}

} // namespace mw
