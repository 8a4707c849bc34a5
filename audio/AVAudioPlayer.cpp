#include "audio/AVAudioPlayer.h"

#include <AL/al.h>

#include <any>
#include <cmath>

#include "audio/OpenALDevice.h"
#include "platform/AVAudioSession.h"
#include "platform/AudioDecoder.h"

namespace mw {

Ref<AVAudioPlayer> AVAudioPlayer::playerWithContentsOfFile(const std::string& path)
{
    std::shared_ptr<OpenALDevice> device = OpenALDevice::current();
    if (!device) return nullptr;
    std::unique_ptr<AudioDecoder> decoder = AudioDecoder::openFile(path, AudioSampleKind::Signed16);
    if (!decoder) return nullptr;
    Ref<AVAudioPlayer> player(new AVAudioPlayer(std::move(decoder), std::move(device)));
    return player->source_ != 0 ? player : nullptr;
}

AVAudioPlayer::AVAudioPlayer(std::unique_ptr<AudioDecoder> decoder, std::shared_ptr<OpenALDevice> device)
    : decoder_(std::move(decoder)), device_(std::move(device))
{
    const AudioFormat& format = decoder_->format();
    alFormat_ = format.channels > 1 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    scratch_.resize(size_t(kFramesPerBuffer) * size_t(format.bytesPerFrame()));

    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) return;
    ALuint buffers[kQueuedBuffers] = {};
    alGenBuffers(kQueuedBuffers, buffers);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(1, &source);
        return;
    }
    source_ = source;
    freeBuffers_.assign(buffers, buffers + kQueuedBuffers);
    // Music sits at the listener, not in the scene.
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source_, AL_POSITION, 0.0f, 0.0f, 0.0f);
    interruptionObserver_ = NotificationCenter::defaultCenter().addObserver(
        nullptr, AVAudioSessionInterruptionNotification, nullptr, [this](const Notification& notice) {
            const bool* began = std::any_cast<bool>(&notice.userInfo());
            if (began) interruption(*began);
        });
}

AVAudioPlayer::~AVAudioPlayer()
{
    stopTimer();
    if (interruptionObserver_) NotificationCenter::defaultCenter().removeObserver(interruptionObserver_);
    if (!live()) return; // a closed context took its objects with it
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    alDeleteSources(1, &source_);
    for (const QueuedBuffer& queued : queue_) freeBuffers_.push_back(queued.buffer);
    alDeleteBuffers(ALsizei(freeBuffers_.size()), freeBuffers_.data());
    alGetError();
}

bool AVAudioPlayer::live() const { return source_ != 0 && device_ && device_->isCurrent(); }

// ---------------------------------------------------------------- the queue

bool AVAudioPlayer::fillBuffer(unsigned buffer)
{
    const int bytesPerFrame = decoder_->format().bytesPerFrame();
    // Twice at most: the end of one pass and the start of the next.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (decoderAtEnd_) {
            if (!loopsRemain() || !decoder_->rewind()) return false;
            ++loopsPlayed_;
            decodePosition_ = 0;
            decoderAtEnd_ = false;
        }
        const int64_t frames = decoder_->read(scratch_.data(), kFramesPerBuffer);
        if (frames < kFramesPerBuffer) decoderAtEnd_ = true;
        if (frames == 0) continue;
        alBufferData(buffer, alFormat_, scratch_.data(), ALsizei(frames * bytesPerFrame),
                     decoder_->format().sampleRate);
        ALuint name = buffer;
        alSourceQueueBuffers(source_, 1, &name);
        queue_.push_back(QueuedBuffer{buffer, decodePosition_, frames});
        decodePosition_ += frames;
        return true;
    }
    return false;
}

void AVAudioPlayer::fillFreeBuffers()
{
    while (!freeBuffers_.empty() && fillBuffer(freeBuffers_.back())) freeBuffers_.pop_back();
}

void AVAudioPlayer::unqueueProcessed()
{
    ALint processed = 0;
    alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0 && !queue_.empty(); --processed) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source_, 1, &buffer);
        queue_.pop_front();
        freeBuffers_.push_back(buffer);
    }
}

// Back to the start of the file with nothing queued; the source is stopped.
void AVAudioPlayer::restartDecoding()
{
    alSourceStop(source_);
    unqueueProcessed();
    decoder_->rewind();
    decodePosition_ = 0;
    decoderAtEnd_ = false;
}

void AVAudioPlayer::update()
{
    if (!device_ || !device_->isOpen()) {
        // The engine has shut down: nothing will ever play again.
        playing_ = false;
        stopTimer();
        return;
    }
    // Another context is current, or none during an interruption.
    if (!live()) return;
    const Ref<AVAudioPlayer> keepAlive(this); // the delegate may let go of the player
    unqueueProcessed();
    if (!playing_) return;
    fillFreeBuffers();
    ALint state = AL_STOPPED;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) return;
    if (!queue_.empty()) {
        alSourcePlay(source_); // the queue ran dry before this refill
        return;
    }
    finish();
}

void AVAudioPlayer::finish()
{
    playing_ = false;
    stopTimer();
    restartDecoding();
    loopsPlayed_ = 0;
    if (delegate_) delegate_->audioPlayerDidFinishPlaying(this, true);
}

// ---------------------------------------------------------------- transport

bool AVAudioPlayer::prepareToPlay()
{
    if (!live()) return false;
    unqueueProcessed();
    fillFreeBuffers();
    return !queue_.empty();
}

bool AVAudioPlayer::play()
{
    if (!prepareToPlay()) return false;
    alSourcePlay(source_);
    playing_ = true;
    startTimer();
    return true;
}

void AVAudioPlayer::pause()
{
    if (!playing_) return;
    playing_ = false;
    stopTimer();
    if (live()) alSourcePause(source_);
}

void AVAudioPlayer::stop() { pause(); }

double AVAudioPlayer::currentTime() const
{
    const int rate = decoder_->format().sampleRate;
    if (queue_.empty()) return double(decodePosition_) / rate;
    ALint offset = 0;
    if (live()) alGetSourcei(source_, AL_SAMPLE_OFFSET, &offset);
    // The offset counts from the first queued buffer; the buffers of one
    // queue may belong to two passes of the file.
    int64_t remaining = offset;
    for (const QueuedBuffer& queued : queue_) {
        if (remaining < queued.frames) return double(queued.startFrame + remaining) / rate;
        remaining -= queued.frames;
    }
    return double(decodePosition_) / rate;
}

void AVAudioPlayer::setCurrentTime(double seconds)
{
    if (!live()) return;
    const bool wasPlaying = playing_;
    restartDecoding();
    int64_t skip = std::llround(std::max(0.0, seconds) * decoder_->format().sampleRate);
    while (skip > 0) {
        const int64_t frames = decoder_->read(scratch_.data(), std::min<int64_t>(skip, kFramesPerBuffer));
        if (frames == 0) {
            decoderAtEnd_ = true;
            break;
        }
        skip -= frames;
        decodePosition_ += frames;
    }
    if (wasPlaying) {
        fillFreeBuffers();
        alSourcePlay(source_);
    }
}

void AVAudioPlayer::setVolume(float volume)
{
    volume_ = volume;
    if (live()) alSourcef(source_, AL_GAIN, volume);
}

// ---------------------------------------------------------------- timer and interruptions

void AVAudioPlayer::startTimer()
{
    if (timer_) return;
    timer_ = NSTimer::scheduledTimer(kUpdateInterval, true, [this](NSTimer*) { update(); });
}

void AVAudioPlayer::stopTimer()
{
    if (!timer_) return;
    timer_->invalidate();
    timer_ = nullptr;
}

void AVAudioPlayer::interruption(bool began)
{
    const Ref<AVAudioPlayer> keepAlive(this);
    if (began) {
        pause();
        if (delegate_) delegate_->audioPlayerBeginInterruption(this);
    } else if (delegate_) {
        delegate_->audioPlayerEndInterruption(this);
    }
}

} // namespace mw
