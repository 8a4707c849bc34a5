#include "audio/CDBufferManager.h"

#include "audio/CDSoundEngine.h"

namespace mw {

CDBufferManager::CDBufferManager(CDSoundEngine* engine) : soundEngine_(engine) { loadedBuffers_.reserve(64); }

int CDBufferManager::bufferForFile(const std::string& filePath, bool create)
{
    const auto found = loadedBuffers_.find(filePath);
    if (found != loadedBuffers_.end()) return found->second;
    if (!create || !soundEngine_) return -1;
    int soundId;
    if (!freedBuffers_.empty()) {
        soundId = freedBuffers_.back();
        freedBuffers_.pop_back();
    } else {
        soundId = nextBufferId_++;
    }
    if (!soundEngine_->loadBuffer(soundId, filePath)) {
        freedBuffers_.push_back(soundId);
        return -1;
    }
    loadedBuffers_.emplace(filePath, soundId);
    return soundId;
}

void CDBufferManager::releaseBufferForFile(const std::string& filePath)
{
    const auto found = loadedBuffers_.find(filePath);
    if (found == loadedBuffers_.end()) return;
    if (soundEngine_) soundEngine_->unloadBuffer(found->second);
    freedBuffers_.push_back(found->second);
    loadedBuffers_.erase(found);
}

} // namespace mw
