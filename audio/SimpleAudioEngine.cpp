#include "audio/SimpleAudioEngine.h"

#include <mutex>

#include "audio/CDAudioConstants.h"
#include "audio/CDAudioManager.h"
#include "audio/CDBufferManager.h"
#include "audio/CDLongAudioSource.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"
#include "foundation/Shared.h"

namespace mw {

namespace {

constexpr int kEffectsGroup = 0;

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

SimpleAudioEngine* SimpleAudioEngine::sharedEngine()
{
    std::lock_guard<std::mutex> lock(classLock());
    return Shared<SimpleAudioEngine>::get();
}

void SimpleAudioEngine::end()
{
    {
        std::lock_guard<std::mutex> lock(classLock());
        Shared<SimpleAudioEngine>::purge();
    }
    CDAudioManager::end();
}

SimpleAudioEngine::SimpleAudioEngine()
    : manager_(CDAudioManager::sharedManager()),
      engine_(manager_->soundEngine()),
      bufferManager_(makeRef<CDBufferManager>(engine_.get()))
{
}

SimpleAudioEngine::~SimpleAudioEngine() = default;

void SimpleAudioEngine::preloadEffect(const std::string& filePath)
{
    bufferManager_->bufferForFile(filePath, true);
}

void SimpleAudioEngine::unloadEffect(const std::string& filePath)
{
    bufferManager_->releaseBufferForFile(filePath);
}

uint32_t SimpleAudioEngine::playEffect(const std::string& filePath)
{
    return playEffect(filePath, 1.0f, 0.0f, 1.0f);
}

uint32_t SimpleAudioEngine::playEffect(const std::string& filePath, bool loop)
{
    return playEffect(filePath, 1.0f, 0.0f, 1.0f, loop);
}

uint32_t SimpleAudioEngine::playEffect(const std::string& filePath, float pitch, float pan, float gain)
{
    return playEffect(filePath, pitch, pan, gain, false);
}

uint32_t SimpleAudioEngine::playEffect(const std::string& filePath, float pitch, float pan, float gain,
                                       bool loop)
{
    const int soundId = bufferManager_->bufferForFile(filePath, true);
    if (soundId < 0) return kCDSoundSilent;
    return engine_->playSound(soundId, kEffectsGroup, pitch, pan, gain, loop);
}

void SimpleAudioEngine::stopEffect(uint32_t soundId) { engine_->stopSound(soundId); }

Ref<CDSoundSource> SimpleAudioEngine::soundSourceForFile(const std::string& filePath)
{
    const int soundId = bufferManager_->bufferForFile(filePath, true);
    if (soundId < 0) return nullptr;
    return engine_->soundSourceForSound(soundId, kEffectsGroup);
}

void SimpleAudioEngine::preloadBackgroundMusic(const std::string& filePath)
{
    manager_->preloadBackgroundMusic(filePath);
}

void SimpleAudioEngine::playBackgroundMusic(const std::string& filePath)
{
    playBackgroundMusic(filePath, true);
}

void SimpleAudioEngine::playBackgroundMusic(const std::string& filePath, bool loop)
{
    manager_->playBackgroundMusic(filePath, loop);
}

void SimpleAudioEngine::stopBackgroundMusic() { manager_->stopBackgroundMusic(); }

void SimpleAudioEngine::pauseBackgroundMusic() { manager_->pauseBackgroundMusic(); }

void SimpleAudioEngine::resumeBackgroundMusic() { manager_->resumeBackgroundMusic(); }

void SimpleAudioEngine::rewindBackgroundMusic() { manager_->rewindBackgroundMusic(); }

bool SimpleAudioEngine::isBackgroundMusicPlaying() const { return manager_->isBackgroundMusicPlaying(); }

bool SimpleAudioEngine::willPlayBackgroundMusic() const { return manager_->willPlayBackgroundMusic(); }

float SimpleAudioEngine::effectsVolume() const { return engine_->masterGain(); }

void SimpleAudioEngine::setEffectsVolume(float volume) { engine_->setMasterGain(volume); }

float SimpleAudioEngine::backgroundMusicVolume() const
{
    return manager_->audioSourceForChannel(0)->volume();
}

void SimpleAudioEngine::setBackgroundMusicVolume(float volume)
{
    manager_->audioSourceForChannel(0)->setVolume(volume);
}

void SimpleAudioEngine::setMute(bool mute)
{
    if (mute == mute_) return;
    mute_ = mute;
    manager_->setMute(mute);
}

void SimpleAudioEngine::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    manager_->setEnabled(enabled);
}

} // namespace mw
