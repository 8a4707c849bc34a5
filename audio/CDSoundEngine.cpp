#include "audio/CDSoundEngine.h"

#include <AL/al.h>

#include <algorithm>
#include <new>

#include "audio/CDAsynchBufferLoader.h"
#include "audio/CDAudioData.h"
#include "audio/CDBufferLoadRequest.h"
#include "audio/CDSoundSource.h"
#include "audio/CDUtilities.h"
#include "audio/OpenALDevice.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"

namespace mw {

namespace {

std::atomic<float> mixerSampleRate{0};

constexpr float kDefaultMixerRate = 44100;
// A bound on the buffer table, so that a wild identifier cannot make the
// engine generate millions of OpenAL buffers.
constexpr int kMaxBufferTotal = 4096;

ALint sourceState(ALuint source)
{
    ALint state = AL_INITIAL;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

} // namespace

void CDSoundEngine::setMixerSampleRate(float sampleRate) { mixerSampleRate.store(sampleRate); }

CDSoundEngine::CDSoundEngine()
{
    asynchLoadProgress_ = 0;
    buffers_.resize(kInitialBufferTotal);
    enabled_ = true;
    if (!startOpenAL()) return;
    const int all = sourceTotal_;
    defineSourceGroups(&all, 1);
    functioning_ = true;
    alGetListenerf(AL_GAIN, &preMuteGain_);
    mute_ = false;
    // The self-test needs source 0, which a device may not have given.
    if (sourceTotal_ > 0) {
        const ALuint source = sources_[0].sourceId;
        alSourcef(source, AL_GAIN, 0.0f);
        alSourcef(source, AL_GAIN, 0.7f);
        ALfloat readBack = 0;
        alGetSourcef(source, AL_GAIN, &readBack);
        getGainWorks_ = readBack == 0.7f;
    }
}

CDSoundEngine::~CDSoundEngine() { shutdown(); }

bool CDSoundEngine::startOpenAL()
{
    float rate = mixerSampleRate.load();
    if (rate <= 0) rate = kDefaultMixerRate;
    device_ = OpenALDevice::open(static_cast<int>(rate));
    if (!device_ || !device_->makeCurrent()) {
        device_.reset();
        return false;
    }
    generateBuffers(0, kInitialBufferTotal - 1);
    generateSources();
    alGetError();
    return true;
}

void CDSoundEngine::generateBuffers(int first, int last)
{
    for (int i = first; i <= last; ++i) {
        BufferInfo& buffer = buffers_[size_t(i)];
        alGetError();
        ALuint name = 0;
        alGenBuffers(1, &name);
        buffer.bufferId = name;
        buffer.bufferData = nullptr;
        buffer.bufferState = alGetError() != AL_NO_ERROR ? kCDBufferFailed : kCDBufferEmpty;
    }
}

void CDSoundEngine::generateSources()
{
    sourceTotal_ = 0;
    for (int i = 0; i < kMaxSources; ++i) {
        alGetError();
        ALuint name = 0;
        alGenSources(1, &name);
        if (alGetError() != AL_NO_ERROR) break;
        alSourcei(name, AL_BUFFER, 0);
        sources_[i].sourceId = name;
        sources_[i].usable = true;
        sources_[i].attachedBufferId = 0;
        ++sourceTotal_;
    }
    for (int i = sourceTotal_; i < kMaxSources; ++i) sources_[i].usable = false;
}

void CDSoundEngine::shutdown()
{
    joinLoaders();
    for (CDSoundSource* source : soundSources_) source->engineGone();
    soundSources_.clear();
    if (device_ && device_->isCurrent()) {
        // Deleting them is tidy; destroying the context would free them too,
        // which is all that can be done while another context is current.
        stopAllSounds();
        for (int i = 0; i < sourceTotal_; ++i) {
            alSourcei(sources_[i].sourceId, AL_BUFFER, 0);
            alDeleteSources(1, &sources_[i].sourceId);
        }
        std::lock_guard<std::mutex> lock(bufferLock_);
        for (const BufferInfo& buffer : buffers_) alDeleteBuffers(1, &buffer.bufferId);
        alGetError();
    }
    freeSourceGroups();
    {
        std::lock_guard<std::mutex> lock(bufferLock_);
        functioning_ = false;
        buffers_.clear();
    }
    for (SourceInfo& source : sources_) {
        source.usable = false;
        source.attachedBufferId = 0;
    }
    sourceTotal_ = 0;
    if (device_) device_->close();
    device_.reset();
}

ALCcontext* CDSoundEngine::openALContext() const { return device_ ? device_->context() : nullptr; }

// ---------------------------------------------------------------- groups

void CDSoundEngine::freeSourceGroups()
{
    if (!sourceGroups_.empty()) stopAllSounds();
    sourceGroups_.clear();
}

void CDSoundEngine::defineSourceGroups(const Value::Array& sizes)
{
    std::vector<int> counts;
    counts.reserve(sizes.size());
    for (const Value& size : sizes) counts.push_back(size.isNumber() ? size.asInt() : 0);
    defineSourceGroups(counts.data(), int(counts.size()));
}

void CDSoundEngine::defineSourceGroups(const int* sizes, int total)
{
    freeSourceGroups();
    if (!sizes || total <= 0) return;
    sourceGroups_.resize(size_t(total));
    int nextSource = 0;
    int asked = 0;
    for (int g = 0; g < total; ++g) {
        SourceGroup& group = sourceGroups_[size_t(g)];
        const int wanted = std::max(0, sizes[g]);
        asked += wanted;
        group.totalSources = std::min(wanted, sourceTotal_ - nextSource);
        group.sourceStatuses.resize(size_t(group.totalSources));
        for (int& status : group.sourceStatuses) status = (nextSource++) << 1;
    }
    if (asked > sourceTotal_)
        logLine("CDSoundEngine: source groups ask for %d sources, %d exist: the last groups get fewer", asked,
                sourceTotal_);
}

void CDSoundEngine::setSourceGroupNonInterruptible(int sourceGroupId, bool nonInterruptible)
{
    if (sourceGroupId < 0 || sourceGroupId >= int(sourceGroups_.size())) return;
    sourceGroups_[size_t(sourceGroupId)].nonInterruptible = nonInterruptible;
}

void CDSoundEngine::setSourceGroupEnabled(int sourceGroupId, bool enabled)
{
    if (sourceGroupId < 0 || sourceGroupId >= int(sourceGroups_.size())) return;
    sourceGroups_[size_t(sourceGroupId)].enabled = enabled;
    if (enabled) stopSourceGroup(sourceGroupId);
}

bool CDSoundEngine::sourceGroupEnabled(int sourceGroupId) const
{
    if (sourceGroupId < 0 || sourceGroupId >= int(sourceGroups_.size())) return false;
    return sourceGroups_[size_t(sourceGroupId)].enabled;
}

int CDSoundEngine::nextSourceInGroup(int sourceGroupId)
{
    if (sourceGroupId < 0 || sourceGroupId >= int(sourceGroups_.size())) return -1;
    SourceGroup& group = sourceGroups_[size_t(sourceGroupId)];
    if (group.totalSources == 0) return -1;
    group.currentIndex = group.startIndex;
    for (int checked = 0; checked < group.totalSources; ++checked) {
        const int position = group.currentIndex;
        const int status = group.sourceStatuses[size_t(position)];
        if ((status & 1) == 0) {
            const int sourceIndex = status >> 1;
            if (!group.nonInterruptible || sourceState(sources_[sourceIndex].sourceId) != AL_PLAYING) {
                group.startIndex = position + 1 == group.totalSources ? 0 : position + 1;
                return sourceIndex;
            }
        }
        group.currentIndex = position + 1 == group.totalSources ? 0 : position + 1;
    }
    return -1;
}

void CDSoundEngine::lockSource(int sourceIndex, bool lock)
{
    for (SourceGroup& group : sourceGroups_) {
        for (int& status : group.sourceStatuses) {
            if (status >> 1 == sourceIndex) {
                status = lock ? (status | 1) : (status & ~1);
                return;
            }
        }
    }
}

// ---------------------------------------------------------------- playing

uint32_t CDSoundEngine::playSound(int soundId, int sourceGroupId, float pitch, float pan, float gain,
                                  bool loop)
{
    if (!enabled_ || !functioning_) return kCDSoundSilent;
    ALuint bufferId = 0;
    {
        std::lock_guard<std::mutex> lock(bufferLock_);
        if (!inTable(soundId) || buffers_[size_t(soundId)].bufferState != kCDBufferLoaded)
            return kCDSoundSilent;
        bufferId = buffers_[size_t(soundId)].bufferId;
    }
    if (sourceGroupEnabled(sourceGroupId)) return kCDSoundSilent;
    const int sourceIndex = nextSourceInGroup(sourceGroupId);
    if (sourceIndex < 0) return kCDSoundNoSource;

    const ALuint source = sources_[sourceIndex].sourceId;
    alGetError();
    // A paused source (left so by a released sound source) refuses a new
    // buffer as a playing one does.
    const ALint state = sourceState(source);
    if (state == AL_PLAYING || state == AL_PAUSED) alSourceStop(source);
    alSourcei(source, AL_BUFFER, ALint(bufferId));
    alSourcef(source, AL_PITCH, pitch);
    alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcef(source, AL_GAIN, gain);
    alSource3f(source, AL_POSITION, pan, 0.0f, 0.0f);
    alGetError();
    alSourcePlay(source);
    const ALenum error = alGetError();
    if (error == AL_NO_ERROR) {
        sources_[sourceIndex].attachedBufferId = bufferId;
        return source;
    }
    lastErrorCode_ = error;
    if (!alcGetCurrentContext()) NotificationCenter::defaultCenter().postNotification(kCDN_BadAlContext);
    return kCDSoundNoSource;
}

void CDSoundEngine::stopSound(uint32_t sourceId)
{
    if (!functioning_) return;
    alSourceStop(sourceId);
    alGetError(); // a value that names no source is an error nobody asked about
}

void CDSoundEngine::stopSourceGroup(int sourceGroupId)
{
    if (!functioning_ || sourceGroupId < 0 || sourceGroupId >= int(sourceGroups_.size())) return;
    for (int status : sourceGroups_[size_t(sourceGroupId)].sourceStatuses)
        alSourceStop(sources_[status >> 1].sourceId);
}

void CDSoundEngine::stopAllSounds()
{
    for (int i = 0; i < sourceTotal_; ++i) alSourceStop(sources_[i].sourceId);
}

float CDSoundEngine::masterGain() const
{
    if (mute_ || !functioning_) return preMuteGain_;
    ALfloat gain = preMuteGain_;
    alGetListenerf(AL_GAIN, &gain);
    return gain;
}

void CDSoundEngine::setMasterGain(float gain)
{
    if (mute_ || !functioning_) {
        preMuteGain_ = gain;
        return;
    }
    alListenerf(AL_GAIN, gain);
}

void CDSoundEngine::setMute(bool mute)
{
    if (mute == mute_) return;
    if (functioning_) {
        if (mute) {
            alGetListenerf(AL_GAIN, &preMuteGain_);
            alListenerf(AL_GAIN, 0.0f);
        } else {
            alListenerf(AL_GAIN, preMuteGain_);
        }
    }
    mute_ = mute;
}

void CDSoundEngine::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled) stopAllSounds();
}

// ---------------------------------------------------------------- sound sources

Ref<CDSoundSource> CDSoundEngine::soundSourceForSound(int soundId, int sourceGroupId)
{
    if (!functioning_) return nullptr;
    const int sourceIndex = nextSourceInGroup(sourceGroupId);
    if (sourceIndex < 0) return nullptr;
    Ref<CDSoundSource> source = makeRef<CDSoundSource>(sources_[sourceIndex].sourceId, sourceIndex, this);
    soundSources_.push_back(source.get());
    lockSource(sourceIndex, true);
    if (!attachBuffer(sourceIndex, soundId)) return nullptr; // the object goes, unlocking its source
    source->soundId_ = soundId;
    source->setPitch(1.0f);
    source->setPan(0.0f);
    source->setGain(1.0f);
    source->setLooping(false);
    return source;
}

bool CDSoundEngine::attachBuffer(int sourceIndex, int soundId)
{
    ALuint bufferId = 0;
    {
        std::lock_guard<std::mutex> lock(bufferLock_);
        if (!inTable(soundId)) return false;
        bufferId = buffers_[size_t(soundId)].bufferId;
    }
    const ALuint source = sources_[sourceIndex].sourceId;
    const ALint state = sourceState(source);
    if (state == AL_PLAYING || state == AL_PAUSED) alSourceStop(source);
    alGetError();
    alSourcei(source, AL_BUFFER, ALint(bufferId));
    const ALenum error = alGetError();
    if (error != AL_NO_ERROR) {
        lastErrorCode_ = error;
        return false;
    }
    sources_[sourceIndex].attachedBufferId = bufferId;
    return true;
}

void CDSoundEngine::forgetSoundSource(CDSoundSource* source)
{
    auto found = std::find(soundSources_.begin(), soundSources_.end(), source);
    if (found == soundSources_.end()) return;
    soundSources_.erase(found);
    lockSource(source->sourceIndex_, false);
}

// ---------------------------------------------------------------- buffers

bool CDSoundEngine::loadBuffer(int soundId, const std::string& filePath)
{
    const std::optional<CDAudioData> data =
        CDGetOpenALAudioData(CDUtilities::fullPathFromRelativePath(filePath));
    if (!data) return loadBufferFromData(soundId, nullptr, 0, 0, 0);
    return loadBufferFromData(soundId, data->bytes.data(), data->format, int(data->bytes.size()),
                              data->frequency);
}

bool CDSoundEngine::loadBufferFromData(int soundId, const void* soundData, int format, int size, int freq)
{
    std::lock_guard<std::mutex> lock(bufferLock_);
    if (soundId < 0 || !functioning_) return false;
    if (soundId >= int(buffers_.size()) && !growBufferTable(soundId)) return false;
    BufferInfo& buffer = buffers_[size_t(soundId)];
    if (!soundData) {
        buffer.bufferState = kCDBufferFailed;
        return false;
    }
    if (buffer.bufferState != kCDBufferEmpty && !unloadBufferLocked(soundId)) return false;
    alGetError();
    alBufferData(buffer.bufferId, format, soundData, size, freq);
    const ALenum error = alGetError();
    if (error != AL_NO_ERROR) {
        lastErrorCode_ = error;
        buffer.bufferState = kCDBufferFailed;
        return false;
    }
    buffer.format = format;
    buffer.sizeInBytes = size;
    buffer.frequencyInHertz = freq;
    buffer.bufferState = kCDBufferLoaded;
    return true;
}

bool CDSoundEngine::growBufferTable(int soundId)
{
    const int total = int(buffers_.size());
    const int newTotal = total + ((soundId - total) / kBufferTotalStep + 1) * kBufferTotalStep;
    if (newTotal > kMaxBufferTotal) {
        logLine("CDSoundEngine: sound identifier %d is beyond the %d buffers an engine keeps", soundId,
                kMaxBufferTotal);
        return false;
    }
    try {
        buffers_.resize(size_t(newTotal));
    } catch (const std::bad_alloc&) {
        return false;
    }
    generateBuffers(total, newTotal - 1);
    return true;
}

bool CDSoundEngine::unloadBuffer(int soundId)
{
    std::lock_guard<std::mutex> lock(bufferLock_);
    return unloadBufferLocked(soundId);
}

bool CDSoundEngine::unloadBufferLocked(int soundId)
{
    if (!inTable(soundId)) return false;
    BufferInfo& buffer = buffers_[size_t(soundId)];
    ALuint bufferId = buffer.bufferId;
    for (int i = 0; bufferId != 0 && i < sourceTotal_; ++i) {
        if (sources_[i].attachedBufferId != bufferId) continue;
        alSourceStop(sources_[i].sourceId);
        alGetError();
        alSourcei(sources_[i].sourceId, AL_BUFFER, 0);
        if (alGetError() == AL_NO_ERROR) sources_[i].attachedBufferId = 0;
    }
    alGetError();
    alDeleteBuffers(1, &bufferId);
    ALenum error = alGetError();
    if (error == AL_NO_ERROR) {
        alGenBuffers(1, &bufferId);
        error = alGetError();
    }
    if (error != AL_NO_ERROR) {
        lastErrorCode_ = error;
        buffer.bufferState = kCDBufferFailed;
        return false;
    }
    buffer = BufferInfo{};
    buffer.bufferId = bufferId;
    return true;
}

bool CDSoundEngine::validateBufferId(int soundId) const
{
    std::lock_guard<std::mutex> lock(bufferLock_);
    return inTable(soundId) && buffers_[size_t(soundId)].bufferState == kCDBufferLoaded;
}

float CDSoundEngine::bufferDurationInSeconds(int soundId) const
{
    std::lock_guard<std::mutex> lock(bufferLock_);
    if (!inTable(soundId) || buffers_[size_t(soundId)].bufferState != kCDBufferLoaded) return -1;
    const BufferInfo& buffer = buffers_[size_t(soundId)];
    float factor = 0;
    switch (buffer.format) {
    case kCDFormatMono8: factor = 1.0f; break;
    case kCDFormatMono16:
    case kCDFormatStereo8: factor = 0.5f; break;
    case kCDFormatStereo16: factor = 0.25f; break;
    default: break;
    }
    if (buffer.frequencyInHertz <= 0) return 0;
    return float(buffer.sizeInBytes) / float(buffer.frequencyInHertz) * factor;
}

int CDSoundEngine::bufferSizeInBytes(int soundId) const
{
    std::lock_guard<std::mutex> lock(bufferLock_);
    if (!inTable(soundId) || buffers_[size_t(soundId)].bufferState != kCDBufferLoaded) return -1;
    return buffers_[size_t(soundId)].sizeInBytes;
}

int CDSoundEngine::bufferFrequencyInHertz(int soundId) const
{
    std::lock_guard<std::mutex> lock(bufferLock_);
    if (!inTable(soundId) || buffers_[size_t(soundId)].bufferState != kCDBufferLoaded) return -1;
    return buffers_[size_t(soundId)].frequencyInHertz;
}

int CDSoundEngine::bufferState(int soundId) const
{
    std::lock_guard<std::mutex> lock(bufferLock_);
    return inTable(soundId) ? buffers_[size_t(soundId)].bufferState : -1;
}

int CDSoundEngine::bufferTotal() const
{
    std::lock_guard<std::mutex> lock(bufferLock_);
    return int(buffers_.size());
}

// ---------------------------------------------------------------- asynchronous loads

void CDSoundEngine::loadBuffersAsynchronously(std::vector<Ref<CDBufferLoadRequest>> loadRequests)
{
    std::lock_guard<std::mutex> lock(loadersLock_);
    // Threads of earlier loads that have ended are joined here.
    for (auto it = loaders_.begin(); it != loaders_.end();) {
        if (!it->finished->load()) {
            ++it;
            continue;
        }
        it->thread.join();
        it = loaders_.erase(it);
    }
    setAsynchLoadProgress(0);
    Ref<CDAsynchBufferLoader> loader = makeRef<CDAsynchBufferLoader>(std::move(loadRequests), this);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([loader, finished] {
        loader->main();
        finished->store(true);
    });
    loaders_.push_back(Loader{std::move(thread), std::move(finished)});
}

void CDSoundEngine::joinLoaders()
{
    std::vector<Loader> running;
    {
        std::lock_guard<std::mutex> lock(loadersLock_);
        running.swap(loaders_);
    }
    if (running.empty()) return;
    loadsCancelled_ = true;
    for (Loader& loader : running) loader.thread.join();
    loadsCancelled_ = false;
}

} // namespace mw
