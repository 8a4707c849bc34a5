#include "audio/CDAudioManager.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "audio/CDLongAudioSource.h"
#include "audio/CDSoundEngine.h"
#include "audio/OpenALDevice.h"
#include "foundation/Log.h"
#include "foundation/NSTimer.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "platform/ApplicationDelegate.h"

namespace mw {

namespace {

// What the class keeps besides its shared instance.
struct ClassState {
    // The lock of the class; recursive, as initAsynchronously configures
    // under it.
    std::recursive_mutex lock;
    std::atomic<int> state{kCDManagerNotStarted};
    bool configured = false;
    int configuredMode = kCDModeFxPlusMusicIfNoOtherAudio;
    std::thread starter;

    ~ClassState()
    {
        if (starter.joinable()) starter.join();
    }
};

ClassState& classState()
{
    static ClassState shared;
    return shared;
}

// Observers run on the main thread, whichever thread built the manager.
void postOnMain(const char* name)
{
    if (RunLoop::main().isOwnerThread()) {
        NotificationCenter::defaultCenter().postNotification(name);
    } else {
        RunLoop::performOnMain([name] { NotificationCenter::defaultCenter().postNotification(name); });
    }
}

} // namespace

// ---------------------------------------------------------------- the shared manager

CDAudioManager* CDAudioManager::sharedManager()
{
    ClassState& c = classState();
    std::lock_guard<std::recursive_mutex> lock(c.lock);
    if (CDAudioManager* existing = Shared<CDAudioManager>::current()) return existing;
    const int mode = c.configured ? c.configuredMode : kCDModeFxPlusMusicIfNoOtherAudio;
    (void)Shared<CDAudioManager>::replace(makeRef<CDAudioManager>(mode));
    c.state = kCDManagerReady;
    postOnMain(kCDN_AudioManagerInitialised);
    return Shared<CDAudioManager>::current();
}

void CDAudioManager::initAsynchronously(int mode)
{
    ClassState& c = classState();
    std::lock_guard<std::recursive_mutex> lock(c.lock);
    if (c.state != kCDManagerNotStarted) return;
    c.state = kCDManagerStarting;
    configure(mode);
    c.starter = std::thread([] { sharedManager(); });
}

void CDAudioManager::configure(int mode)
{
    ClassState& c = classState();
    std::lock_guard<std::recursive_mutex> lock(c.lock);
    c.configured = true;
    c.configuredMode = mode;
}

int CDAudioManager::sharedManagerState() { return classState().state.load(); }

void CDAudioManager::end()
{
    ClassState& c = classState();
    std::thread starter;
    {
        std::lock_guard<std::recursive_mutex> lock(c.lock);
        starter = std::move(c.starter);
    }
    if (starter.joinable()) starter.join();
    Ref<CDAudioManager> ending;
    {
        std::lock_guard<std::recursive_mutex> lock(c.lock);
        ending = Shared<CDAudioManager>::replace(nullptr);
    }
    // Also what stray references still reach turns silent at once.
    if (ending) ending->shutdown();
}

bool CDAudioManager::willPlayBackgroundMusicNow()
{
    const CDAudioManager* manager = Shared<CDAudioManager>::current();
    return manager && manager->willPlayBackgroundMusic();
}

// ---------------------------------------------------------------- life

CDAudioManager::CDAudioManager()
    : CDAudioManager(classState().configured ? classState().configuredMode : kCDModeFxPlusMusicIfNoOtherAudio)
{
}

CDAudioManager::CDAudioManager(int mode)
{
    AVAudioSession::sharedInstance()->setDelegate(this);
    setMode(mode);
    soundEngine_ = makeRef<CDSoundEngine>();
    for (Ref<CDLongAudioSource>& channel : audioSourceChannels_) channel = makeRef<CDLongAudioSource>();
    audioSourceChannels_[0]->setBackgroundMusic(true);
    audioSourceChannels_[0]->setDelegate(this);
    badContextObserver_ = NotificationCenter::defaultCenter().addObserver(
        this, kCDN_BadAlContext, nullptr, [this](const Notification&) { badAlContextHandler(); });
}

CDAudioManager::~CDAudioManager() { shutdown(); }

void CDAudioManager::shutdown()
{
    if (shutDown_) return;
    shutDown_ = true;
    stopBackgroundMusic();
    if (reactivationTimer_) reactivationTimer_->invalidate();
    reactivationTimer_ = nullptr;
    NotificationCenter::defaultCenter().removeObserver(this);
    const std::shared_ptr<AVAudioSession> session = AVAudioSession::sharedInstance();
    if (session->delegate() == this) session->setDelegate(nullptr);
    audioSessionSetActive(false);
    // The players' OpenAL objects live in the engine's context: they go first.
    for (const Ref<CDLongAudioSource>& channel : audioSourceChannels_) channel->releasePlayer();
    soundEngine_->shutdown();
}

// ---------------------------------------------------------------- modes and session

void CDAudioManager::setMode(int mode)
{
    mode_ = mode;
    switch (mode) {
    case kCDModeFxOnly:
        audioSessionCategory_ = AVAudioSessionCategoryAmbient;
        willPlayBackgroundMusic_ = false;
        break;
    case kCDModeFxPlusMusic:
        audioSessionCategory_ = AVAudioSessionCategorySoloAmbient;
        willPlayBackgroundMusic_ = true;
        break;
    case kCDModeMediaPlayback:
        audioSessionCategory_ = AVAudioSessionCategoryPlayback;
        willPlayBackgroundMusic_ = true;
        break;
    case kCDModePlayAndRecord:
        audioSessionCategory_ = AVAudioSessionCategoryPlayAndRecord;
        willPlayBackgroundMusic_ = true;
        break;
    default: {
        const bool otherAudio = isOtherAudioPlaying();
        audioSessionCategory_ =
            otherAudio ? AVAudioSessionCategoryAmbient : AVAudioSessionCategorySoloAmbient;
        willPlayBackgroundMusic_ = !otherAudio;
        break;
    }
    }
    audioSessionSetCategory(audioSessionCategory_);
}

bool CDAudioManager::isOtherAudioPlaying() { return AVAudioSession::sharedInstance()->isOtherAudioPlaying(); }

bool CDAudioManager::isDeviceMuted() { return AVAudioSession::sharedInstance()->audioRoute().empty(); }

bool CDAudioManager::audioSessionSetCategory(const std::string& category)
{
    return AVAudioSession::sharedInstance()->setCategory(category);
}

bool CDAudioManager::audioSessionSetActive(bool active)
{
    if (!AVAudioSession::sharedInstance()->setActive(active)) return false;
    audioSessionActive_ = active;
    return true;
}

// ---------------------------------------------------------------- music and channels

void CDAudioManager::playBackgroundMusic(const std::string& filePath, bool loop)
{
    CDLongAudioSource* music = audioSourceChannels_[0].get();
    music->load(filePath);
    if (!willPlayBackgroundMusic_ || mute_) return;
    music->setNumberOfLoops(loop ? -1 : 0);
    music->play();
}

void CDAudioManager::preloadBackgroundMusic(const std::string& filePath)
{
    audioSourceChannels_[0]->load(filePath);
}

void CDAudioManager::stopBackgroundMusic() { audioSourceChannels_[0]->stop(); }

void CDAudioManager::pauseBackgroundMusic() { audioSourceChannels_[0]->pause(); }

void CDAudioManager::resumeBackgroundMusic()
{
    if (!willPlayBackgroundMusic_ || mute_) return;
    audioSourceChannels_[0]->resume();
}

void CDAudioManager::rewindBackgroundMusic() { audioSourceChannels_[0]->rewind(); }

bool CDAudioManager::isBackgroundMusicPlaying() const { return audioSourceChannels_[0]->isPlaying(); }

void CDAudioManager::setBackgroundMusicCompletionListener(Object* listener, SEL_Call selector)
{
    backgroundMusicCompletionListener_ = listener;
    backgroundMusicCompletionSelector_ = listener ? selector : nullptr;
}

void CDAudioManager::cdAudioSourceDidFinishPlaying(CDLongAudioSource*)
{
    if (backgroundMusicCompletionListener_ && backgroundMusicCompletionSelector_)
        (backgroundMusicCompletionListener_->*backgroundMusicCompletionSelector_)();
}

CDLongAudioSource* CDAudioManager::audioSourceForChannel(int channel) const
{
    if (channel < 0 || channel > 1) return nullptr;
    return audioSourceChannels_[channel].get();
}

CDLongAudioSource* CDAudioManager::audioSourceLoad(const std::string& filePath, int channel)
{
    CDLongAudioSource* source = audioSourceForChannel(channel);
    if (source) source->load(filePath);
    return source;
}

void CDAudioManager::setMute(bool mute)
{
    if (mute == mute_) return;
    mute_ = mute;
    soundEngine_->setMute(mute);
    for (const Ref<CDLongAudioSource>& channel : audioSourceChannels_) channel->setMute(mute);
}

void CDAudioManager::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    soundEngine_->setEnabled(enabled);
    for (const Ref<CDLongAudioSource>& channel : audioSourceChannels_) channel->setEnabled(enabled);
}

// ---------------------------------------------------------------- application events

void CDAudioManager::setResignBehavior(int resignBehavior, bool autoHandle)
{
    resignBehavior_ = resignBehavior;
    if (!autoHandle || isObservingAppEvents_) return;
    isObservingAppEvents_ = true;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, UIApplicationWillResignActiveNotification, nullptr,
                       [this](const Notification&) { applicationWillResignActive(); });
    center.addObserver(this, UIApplicationDidBecomeActiveNotification, nullptr,
                       [this](const Notification&) { applicationDidBecomeActive(); });
    center.addObserver(this, UIApplicationWillTerminateNotification, nullptr,
                       [this](const Notification&) { applicationWillTerminate(); });
}

void CDAudioManager::applicationWillResignActive()
{
    resigned_ = true;
    audioSessionSetCategory(AVAudioSessionCategoryAmbient);
    if (resignBehavior_ == kCDResignStopAndResume) {
        for (const Ref<CDLongAudioSource>& channel : audioSourceChannels_) {
            const bool playing = channel->isPlaying();
            channel->setSystemPaused(playing);
            if (playing) channel->setSystemPauseLocation(channel->audioSourcePlayer()->currentTime());
            channel->stop();
        }
    } else if (resignBehavior_ == kCDResignStop) {
        for (const Ref<CDLongAudioSource>& channel : audioSourceChannels_) channel->stop();
    }
}

void CDAudioManager::applicationDidBecomeActive()
{
    if (!resigned_) return;
    resigned_ = false;
    setMode(mode_); // in mode 2 other audio may have started or stopped meanwhile
    if (resignBehavior_ != kCDResignStopAndResume || !willPlayBackgroundMusic_) return;
    for (const Ref<CDLongAudioSource>& channel : audioSourceChannels_) {
        if (!channel->systemPaused()) continue;
        channel->resume();
        channel->setSystemPaused(false);
    }
}

void CDAudioManager::applicationWillTerminate() { stopBackgroundMusic(); }

// ---------------------------------------------------------------- interruptions

void CDAudioManager::audioSessionInterrupted()
{
    if (interrupted_) return;
    interrupted_ = true;
    if (reactivationTimer_) reactivationTimer_->invalidate();
    reactivationTimer_ = nullptr;
    audioSessionSetActive(false);
    if (alcGetCurrentContext()) alcMakeContextCurrent(nullptr);
}

void CDAudioManager::audioSessionResumed()
{
    if (!interrupted_) return;
    interrupted_ = false;
    reactivateSession(kReactivationRetries);
    restoreOpenALContext();
}

void CDAudioManager::endInterruptionWithFlags(unsigned flags)
{
    if (flags == 1) audioSessionResumed();
}

void CDAudioManager::reactivateSession(int retriesLeft)
{
    if (audioSessionSetActive(true)) return;
    if (retriesLeft <= 0) {
        logLine("CDAudioManager: the audio session could not be activated again");
        return;
    }
    reactivationTimer_ = NSTimer::scheduledTimer(kReactivationDelay, false, [this, retriesLeft](NSTimer*) {
        reactivationTimer_ = nullptr;
        if (!interrupted_) reactivateSession(retriesLeft - 1);
    });
}

void CDAudioManager::restoreOpenALContext()
{
    if (alcGetCurrentContext()) return;
    std::shared_ptr<OpenALDevice> device = soundEngine_->openALDevice();
    if (device && device->makeCurrent()) alGetError();
}

void CDAudioManager::badAlContextHandler()
{
    if (interrupted_ && !alcGetCurrentContext()) audioSessionResumed();
}

} // namespace mw
