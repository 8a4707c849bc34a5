#include "audio/CDAsynchBufferLoader.h"

#include "audio/CDAudioConstants.h"
#include "audio/CDBufferLoadRequest.h"
#include "audio/CDSoundEngine.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"

namespace mw {

CDAsynchBufferLoader::CDAsynchBufferLoader(std::vector<Ref<CDBufferLoadRequest>> loadRequests,
                                           CDSoundEngine* soundEngine)
    : loadRequests_(std::move(loadRequests)), soundEngine_(soundEngine)
{
}

void CDAsynchBufferLoader::main()
{
    soundEngine_->setAsynchLoadProgress(0);
    const float step = loadRequests_.empty() ? 0.0f : 1.0f / float(loadRequests_.size());
    for (const Ref<CDBufferLoadRequest>& request : loadRequests_) {
        if (soundEngine_->loadsCancelled()) return;
        if (request) (void)soundEngine_->loadBuffer(request->soundId(), request->filePath());
        soundEngine_->setAsynchLoadProgress(soundEngine_->asynchLoadProgress() + step);
    }
    soundEngine_->setAsynchLoadProgress(1.0f);
    RunLoop::performOnMain(
        [] { NotificationCenter::defaultCenter().postNotification(kCDN_AsynchLoadComplete); });
}

} // namespace mw
