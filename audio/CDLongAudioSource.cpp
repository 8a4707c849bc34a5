#include "audio/CDLongAudioSource.h"

#include "audio/CDAudioManager.h"
#include "audio/CDLongAudioSourceDelegate.h"
#include "audio/CDUtilities.h"

namespace mw {

CDLongAudioSource::~CDLongAudioSource() { releasePlayer(); }

void CDLongAudioSource::releasePlayer()
{
    if (audioSourcePlayer_) audioSourcePlayer_->setDelegate(nullptr);
    audioSourcePlayer_ = nullptr;
}

void CDLongAudioSource::load(const std::string& filePath)
{
    if (state_ == 1 && filePath == audioSourceFilePath_) {
        if (audioSourcePlayer_) {
            audioSourcePlayer_->pause();
            audioSourcePlayer_->setCurrentTime(0);
        }
        return;
    }
    releasePlayer();
    audioSourceFilePath_ = filePath;
    audioSourcePlayer_ =
        AVAudioPlayer::playerWithContentsOfFile(CDUtilities::fullPathFromRelativePath(filePath));
    if (audioSourcePlayer_) {
        audioSourcePlayer_->prepareToPlay();
        audioSourcePlayer_->setDelegate(this);
        if (delegate_) delegate_->cdAudioSourceFileDidChange(this);
        audioSourcePlayer_->setVolume(mute_ ? 0.0f : volume_); // muted before the load: still muted
        audioSourcePlayer_->setNumberOfLoops(numberOfLoops_);
    }
    state_ = 1;
}

bool CDLongAudioSource::play()
{
    if (!enabled_) return false;
    systemPaused_ = false;
    return audioSourcePlayer_ && audioSourcePlayer_->play();
}

bool CDLongAudioSource::stop()
{
    if (!audioSourcePlayer_) return false;
    audioSourcePlayer_->stop();
    return true;
}

bool CDLongAudioSource::pause()
{
    if (!audioSourcePlayer_) return false;
    audioSourcePlayer_->pause();
    return true;
}

bool CDLongAudioSource::rewind()
{
    if (!audioSourcePlayer_) return false;
    audioSourcePlayer_->setCurrentTime(0);
    return true;
}

void CDLongAudioSource::resume()
{
    if (audioSourcePlayer_) audioSourcePlayer_->play();
}

bool CDLongAudioSource::isPlaying() const
{
    return state_ != 0 && audioSourcePlayer_ && audioSourcePlayer_->isPlaying();
}

void CDLongAudioSource::setVolume(float volume)
{
    volume_ = volume;
    if (audioSourcePlayer_ && !mute_) audioSourcePlayer_->setVolume(volume);
}

void CDLongAudioSource::setNumberOfLoops(int loops)
{
    if (audioSourcePlayer_) audioSourcePlayer_->setNumberOfLoops(loops);
    numberOfLoops_ = loops;
}

void CDLongAudioSource::setMute(bool mute)
{
    if (mute == mute_) return;
    mute_ = mute;
    if (audioSourcePlayer_) audioSourcePlayer_->setVolume(mute ? 0.0f : volume_);
}

void CDLongAudioSource::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled) {
        pause();
        rewind();
    }
}

void CDLongAudioSource::audioPlayerDidFinishPlaying(AVAudioPlayer*, bool)
{
    if (delegate_) delegate_->cdAudioSourceDidFinishPlaying(this);
}

void CDLongAudioSource::audioPlayerEndInterruption(AVAudioPlayer*)
{
    if (backgroundMusic_ && !CDAudioManager::willPlayBackgroundMusicNow()) return;
    if (audioSourcePlayer_) audioSourcePlayer_->play();
}

} // namespace mw
