#include "engine/director/CCDirector.h"

#include <GLES/gl.h>

#include "engine/base/ccDrawingState.h"
#include "engine/base/ccViewSpace.h"
#include "engine/base/CCWinSize.h"
#include "engine/base/UIAccelerometer.h"
#include "engine/director/CCDirectorTimer.h"
#include "engine/director/EAGLView.h"
#include "engine/labels/CCBMFontConfigurationCache.h"
#include "engine/labels/CCLabelAtlas.h"
#include "engine/labels/CCLabelBMFont.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/scheduler/CCScheduler.h"
#include "engine/sprites/CCAnimationCache.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTextureCache.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Clock.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"

namespace mw {

namespace {

constexpr double kDefaultAnimationInterval = 1.0 / 60;
constexpr double kPausedAnimationInterval = 1.0 / 4;
constexpr uint32_t kSceneStackCapacity = 10;
// Accumulated time after which the frame-rate figure is refreshed.
constexpr float kFPSUpdateInterval = 0.1f;

CCDirector::PurgeObserver& purgeObserver()
{
    static CCDirector::PurgeObserver observer;
    return observer;
}

// The node tree reaches the window size and the touch conversion through
// these, so that it need not know the director.
CGSize directorWinSize()
{
    CCDirector* director = CCDirector::currentDirector();
    return director ? director->winSize() : CGSizeZero;
}

CCSceneDirector* directorOfScenes()
{
    return CCDirector::currentDirector();
}

CGPoint directorToGL(CGPoint point)
{
    CCDirector* director = CCDirector::currentDirector();
    return director ? director->convertToGL(point) : point;
}

CGPoint directorToUI(CGPoint point)
{
    CCDirector* director = CCDirector::currentDirector();
    return director ? director->convertToUI(point) : point;
}

} // namespace

CCDirector* CCDirector::sharedDirector()
{
    return sharedDirectorOfKind<CCDirectorTimer>();
}

CCDirector* CCDirector::currentDirector()
{
    return Shared<CCDirector>::current();
}

void CCDirector::installShared(Ref<CCDirector> director)
{
    (void)Shared<CCDirector>::replace(std::move(director));
    ccSetWinSizeProvider(&directorWinSize);
    ccSetViewSpaceConversions(&directorToGL, &directorToUI);
    ccSetSceneDirectorProvider(&directorOfScenes);
}

void CCDirector::purgeSharedDirector()
{
    Ref<CCDirector> old = Shared<CCDirector>::replace(nullptr);
    if (!old) return;
    // A running driver (timer, display link) holds the director: let go of it.
    old->stopAnimation();
    ccSetWinSizeProvider(nullptr);
    ccSetViewSpaceConversions(nullptr, nullptr);
    ccSetSceneDirectorProvider(nullptr);
}

void CCDirector::setPurgeObserver(PurgeObserver observer)
{
    purgeObserver() = std::move(observer);
}

CCDirector::CCDirector()
    : animationInterval_(kDefaultAnimationInterval), oldAnimationInterval_(kDefaultAnimationInterval),
      scenesStack_(CCArray::arrayWithCapacity(kSceneStackCapacity)),
      // Starting from now keeps a frame drawn before startAnimation (the
      // view's first layout draws one) from delivering the clock's whole
      // reading as one step.
      lastUpdate_(Clock::monotonicSeconds())
{
}

CCDirector::~CCDirector() = default;

// ---------------------------------------------------------------- scenes

void CCDirector::runWithScene(CCScene* scene)
{
    if (!scene) {
        logLine("Director: runWithScene needs a scene");
        return;
    }
    pushScene(scene);
    startAnimation();
}

void CCDirector::pushScene(CCScene* scene)
{
    if (!scene) {
        logLine("Director: pushScene needs a scene");
        return;
    }
    sendCleanupToScene_ = false;
    scenesStack_->addObject(scene);
    nextScene_ = scene;
}

void CCDirector::replaceScene(CCScene* scene)
{
    if (!scene || scenesStack_->count() == 0) {
        logLine("Director: replaceScene needs a scene and a scene run before it");
        return;
    }
    sendCleanupToScene_ = true;
    scenesStack_->replaceObjectAtIndex(scenesStack_->count() - 1, scene);
    nextScene_ = scene;
}

void CCDirector::popScene()
{
    if (scenesStack_->count() == 0) {
        logLine("Director: popScene without a scene");
        return;
    }
    scenesStack_->removeLastObject();
    if (scenesStack_->count() == 0) {
        end();
        return;
    }
    sendCleanupToScene_ = true;
    nextScene_ = static_cast<CCScene*>(scenesStack_->lastObject());
}

void CCDirector::setNextScene()
{
    const bool runningIsTransition = runningScene_ && runningScene_->isTransition();
    const bool nextIsTransition = nextScene_ && nextScene_->isTransition();

    // A transition takes the outgoing scene over and exits it itself.
    if (!nextIsTransition && runningScene_) {
        runningScene_->onExit();
        if (sendCleanupToScene_) runningScene_->cleanup();
    }
    runningScene_ = nextScene_;
    nextScene_ = nullptr;
    // A scene handed over by a transition has been entered by the transition.
    if (!runningIsTransition && runningScene_) {
        runningScene_->onEnter();
        runningScene_->onEnterTransitionDidFinish();
    }
}

void CCDirector::end()
{
    if (runningScene_) {
        runningScene_->onExit();
        runningScene_->cleanup();
    }
    runningScene_ = nullptr;
    nextScene_ = nullptr;
    scenesStack_->removeAllObjects();
    stopAnimation();
    FPSLabel_ = nullptr;
    setProjectionDelegate(nullptr);
    purgeSharedObjects();
    openGLView_ = nullptr;
}

// Each shared instance goes before the ones it refers to, so that nothing
// dropped later reaches one already gone (which would make a fresh one):
// - the touch dispatcher first: its handlers hold the delegates, nodes that
//   may hold actions, timers and textures;
// - the accelerometer (a delegate it does not own);
// - the bitmap-font descriptions (labels keep theirs);
// - animations before sprite frames, both before the texture cache;
// - the action manager before the scheduler, so that it leaves the scheduler
//   it is registered with instead of making a fresh one;
// - the texture cache last.
void CCDirector::purgeSharedObjects()
{
    struct Step {
        const char* sharedClass;
        void (*purge)();
    };
    static constexpr Step kOrder[] = {
        {"CCTouchDispatcher", &CCTouchDispatcher::purgeSharedDispatcher},
        {"UIAccelerometer", &UIAccelerometer::purgeSharedAccelerometer},
        {"CCBMFontConfigurationCache", &CCBMFontConfigurationCache::purgeSharedCache},
        {"CCAnimationCache", &CCAnimationCache::purgeSharedAnimationCache},
        {"CCSpriteFrameCache", &CCSpriteFrameCache::purgeSharedSpriteFrameCache},
        {"CCActionManager", &CCActionManager::purgeSharedManager},
        {"CCScheduler", &CCScheduler::purgeSharedScheduler},
        {"CCTextureCache", &CCTextureCache::purgeSharedTextureCache},
    };
    for (const Step& step : kOrder) {
        if (purgeObserver()) purgeObserver()(step.sharedClass);
        step.purge();
    }
}

// ---------------------------------------------------------------- frames

void CCDirector::pause()
{
    if (isPaused_) return;
    oldAnimationInterval_ = animationInterval_;
    // Frames go on, slowly, so the screen still shows the paused scene.
    setAnimationInterval(kPausedAnimationInterval);
    isPaused_ = true;
}

void CCDirector::resume()
{
    if (!isPaused_) return;
    setAnimationInterval(oldAnimationInterval_);
    lastUpdate_ = Clock::monotonicSeconds();
    isPaused_ = false;
    dt_ = 0;
}

void CCDirector::calculateDeltaTime()
{
    const double now = Clock::monotonicSeconds();
    if (nextDeltaTimeZero_) {
        dt_ = 0;
        nextDeltaTimeZero_ = false;
    } else {
        dt_ = static_cast<float>(now - lastUpdate_);
        if (dt_ < 0) dt_ = 0;
    }
    lastUpdate_ = now;
}

void CCDirector::showFPS()
{
    ++frames_;
    accumDt_ += dt_;
    if (accumDt_ > kFPSUpdateInterval) {
        frameRate_ = static_cast<float>(frames_) / accumDt_;
        frames_ = 0;
        accumDt_ = 0;
        if (FPSLabel_) FPSLabel_->setString(format("%.1f", frameRate_));
    }
    // Its own draw only: the counter sits at the origin of the frame, the
    // lower-left corner of the screen.
    if (FPSLabel_) FPSLabel_->draw();
}

// ---------------------------------------------------------------- view

void CCDirector::setOpenGLView(EAGLView* view)
{
    if (!view) {
        logLine("Director: setOpenGLView needs a view");
        return;
    }
    if (view == openGLView_.get()) return;
    openGLView_ = view;
    const CGSize size = view->bounds().size;
    winSizeInPoints_ = size;
    winSizeInPixels_ = size;
    setGLDefaultValues();
}

void CCDirector::reshapeProjection(CGSize newWindowSize)
{
    winSizeInPoints_ = newWindowSize;
    winSizeInPixels_ = newWindowSize;
    setProjection(projection_);
}

void CCDirector::setGLDefaultValues()
{
    setAlphaBlending(true);
    setDepthTest(true);
    setProjection(projection_);
    glClearColor(0, 0, 0, 1);
    if (!FPSLabel_) {
        // The counter is small and plain: a 16-bit texture is enough.
        const CCTexture2DPixelFormat previous = CCTexture2D::defaultAlphaPixelFormat();
        CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA4444);
        FPSLabel_ = CCLabelAtlas::labelWithString("00.0", "fps_images.png", 16, 24, '.');
        CCTexture2D::setDefaultAlphaPixelFormat(previous);
    }
}

void CCDirector::setAlphaBlending(bool on)
{
    ccSetAlphaBlending(on);
}

void CCDirector::setDepthTest(bool on)
{
    if (on) {
        glClearDepthf(1.0f);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
}

float CCDirector::getZEye() const
{
    return winSizeInPixels_.height / 1.1566f;
}

void CCDirector::setProjectionDelegate(CCProjectionProtocol* delegate)
{
    projectionDelegate_ = delegate;
    projectionDelegateOwner_ = dynamic_cast<Object*>(delegate);
}

void CCDirector::purgeCachedData()
{
    CCLabelBMFont::purgeCachedData();
    CCTextureCache::sharedTextureCache()->removeUnusedTextures();
}

} // namespace mw
