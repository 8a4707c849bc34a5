#pragma once

#include <cstdint>
#include <functional>
#include <thread>

#include "engine/director/CCProjectionProtocol.h"
#include "engine/nodes/CCScene.h"
#include "engine/support/CCArray.h"
#include "engine/transitions/CCSceneDirector.h"
#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelAtlas;

class EAGLView;

// Projection kinds.
enum ccDirectorProjection : int32_t {
    kCCDirectorProjection2D = 0,     // orthographic, one unit a pixel
    kCCDirectorProjection3D = 1,     // perspective of 60 degrees (the default)
    kCCDirectorProjectionCustom = 2, // the projection delegate sets it up
    kCCDirectorProjectionDefault = kCCDirectorProjection3D,
};

// Frame driver kinds for setDirectorType.
enum ccDirectorType : int32_t {
    kCCDirectorTypeNSTimer = 0,
    kCCDirectorTypeMainLoop = 1,
    kCCDirectorTypeThreadMainLoop = 2,
    kCCDirectorTypeDisplayLink = 3,
    kCCDirectorTypeDefault = kCCDirectorTypeNSTimer,
};

// The one object that owns the screen: the running scene and the stack of
// scenes below it, when a requested scene change takes effect (at the start
// of the next frame, after the scheduler's tick), the time step of each
// frame, the window size in points and pixels, the default GL state and the
// projection.
//
// This base is independent of the device; CCDirectorIOS adds the frame itself
// and the device's orientation and content scale, and its frame drivers
// (timer, display link, headless) decide when frames are drawn. Every other
// part of the program reaches it through sharedDirector(). Main thread only.
//
// Ownership: the director retains the GL view, the running scene, the scene
// stack, the notification node and the projection delegate. The next scene is
// held by the stack (or a transition), not by the director.
class CCDirector : public Object, public CCSceneDirector {
public:
    // The one director, made on first use as the timer-driven kind. Once one
    // exists every call returns it, whichever class it is.
    static CCDirector* sharedDirector();
    // The director if one exists, without making one.
    static CCDirector* currentDirector();
    // Releases the shared director (stopping its driver first). The next
    // sharedDirector() makes a fresh one. For the end of the program and tests.
    static void purgeSharedDirector();
    // Makes the shared director of the given kind; see CCDirectorIOS. The
    // display-link kind is refused (false) where the screen's refreshes are
    // not reported (headless runs: CADisplayLink).
    static bool setDirectorType(int32_t type);

    CCDirector();
    ~CCDirector() override;

    // ---- scenes ----
    // Runs the first scene: pushScene, then startAnimation.
    void runWithScene(CCScene* scene);
    // Suspends the running scene (no cleanup) and runs `scene` from the next frame.
    void pushScene(CCScene* scene);
    // Replaces the running scene (it is cleaned up) from the next frame. A
    // scene must have been run first; otherwise the call is refused and logged.
    void replaceScene(CCScene* scene) override;
    // Goes back to the scene below (the popped one is cleaned up); popping the
    // last scene ends the director.
    void popScene();
    // Shuts the engine down: exits and cleans the running scene, empties the
    // stack, stops the driver, drops the frame-rate counter and the projection
    // delegate, runs purgeSharedObjects and releases the view. The director
    // itself stays, and so does the configuration.
    virtual void end();
    CCScene* runningScene() const override { return runningScene_.get(); }
    // The scene waiting for the next frame, or null.
    CCScene* nextScene() const { return nextScene_; }
    bool sendCleanupToScene() const override { return sendCleanupToScene_; }
    // The scene stack, bottom first (the last is the current or requested one).
    CCArray* scenesStack() const { return scenesStack_.get(); }

    // ---- frames ----
    double animationInterval() const { return animationInterval_; }
    // Seconds between frames; the driver applies it.
    virtual void setAnimationInterval(double interval) {}
    virtual void startAnimation() {}
    virtual void stopAnimation() {}
    // Draws one frame; the device director implements it.
    virtual void drawScene() {}
    // Pausing keeps drawing (slowly, every 0.25 s) but stops the scheduler.
    void pause();
    // Restores the interval saved by the first pause; the paused time is not
    // delivered as a time step.
    void resume();
    bool isPaused() const { return isPaused_; }
    // The next frame's time step will be 0 (after a jump of the clock).
    void setNextDeltaTimeZero(bool zero) { nextDeltaTimeZero_ = zero; }
    bool nextDeltaTimeZero() const { return nextDeltaTimeZero_; }
    // The current frame's time step in seconds.
    float deltaTime() const { return dt_; }
    uint32_t totalFrames() const { return totalFrames_; }
    // Frames per second as last measured by the counter.
    float frameRate() const { return frameRate_; }
    bool displayFPS() const { return displayFPS_; }
    // The frame-rate counter ("fps_images.png" cells from "."), made once by
    // the first GL view; null before that or when the image is missing.
    CCLabelAtlas* FPSLabel() const { return FPSLabel_.get(); }
    void setDisplayFPS(bool display) { displayFPS_ = display; }
    // The thread that draws (the one that made the director).
    std::thread::id runningThread() const { return runningThread_; }

    // An optional node drawn after the scene every frame (retained).
    CCNode* notificationNode() const { return notificationNode_.get(); }
    void setNotificationNode(CCNode* node) { notificationNode_ = node; }
    // Whether the notification node paints every pixel of the frame: the
    // running scene is then not drawn (it still runs). Its owner says so
    // each frame.
    bool isSceneCovered() const { return sceneCovered_; }
    void setSceneCovered(bool covered) { sceneCovered_ = covered; }

    // ---- view, sizes and coordinates ----
    EAGLView* openGLView() const { return openGLView_.get(); }
    // Retains the view, takes the window size from its bounds and sets the
    // default GL state; the current view again changes nothing.
    virtual void setOpenGLView(EAGLView* view);
    // The view's new size (GL view layout): sizes and projection again.
    virtual void reshapeProjection(CGSize newWindowSize);
    virtual CGSize winSize() const { return winSizeInPoints_; }
    virtual CGSize winSizeInPixels() const { return winSizeInPixels_; }
    // The unrotated size in pixels.
    CGSize displaySizeInPixels() const { return winSizeInPixels_; }
    // View point (origin top left) to GL point (origin bottom left); zero here.
    virtual CGPoint convertToGL(CGPoint viewPoint) const { return CGPointZero; }
    virtual CGPoint convertToUI(CGPoint glPoint) const { return CGPointZero; }

    // ---- GL state ----
    // Blending (ONE, ONE_MINUS_SRC_ALPHA) on, or blending off.
    void setAlphaBlending(bool on);
    // Depth test (LEQUAL, clear depth 1) on, or off.
    void setDepthTest(bool on);
    int32_t projection() const { return projection_; }
    // Applies a projection kind; the device director implements it.
    virtual void setProjection(int32_t projection) {}
    // The eye distance of the 3D projection: pixel height / 1.1566.
    float getZEye() const;
    // Not owned; asked to set up the custom projection.
    CCProjectionProtocol* projectionDelegate() const { return projectionDelegate_; }
    void setProjectionDelegate(CCProjectionProtocol* delegate);

    // Memory warning: empties the bitmap-font description cache, then drops
    // the textures nobody uses.
    void purgeCachedData();

    // The one teardown order of the engine's shared instances: the touch
    // dispatcher, the accelerometer, the bitmap-font description cache, the
    // animation cache, the sprite-frame
    // cache, the action manager, the scheduler, the texture cache; each is
    // purged, and the next access makes a fresh one. end() runs it once the
    // scenes are gone; tests run it through test::resetSharedInstances.
    static void purgeSharedObjects();
    // Called before each shared object is purged by purgeSharedObjects, with
    // its class name; null for none. Lets tests see the order.
    using PurgeObserver = std::function<void(const char* sharedClass)>;
    static void setPurgeObserver(PurgeObserver observer);

protected:
    // Takes the time step from the monotonic clock (first thing in a frame).
    void calculateDeltaTime();
    // Switches to the waiting scene (inside the frame, before drawing).
    void setNextScene();
    // Counts the frame for the frames-per-second figure, shows the figure
    // every tenth of a second and draws the counter at the origin.
    void showFPS();
    void setGLDefaultValues();
    // The shared director made as T when none exists yet.
    template <typename T> static CCDirector* sharedDirectorOfKind()
    {
        if (!currentDirector()) installShared(makeRef<T>());
        return currentDirector();
    }
    static void installShared(Ref<CCDirector> director);

    Ref<EAGLView> openGLView_;
    double animationInterval_;
    double oldAnimationInterval_;
    bool displayFPS_ = false;
    uint32_t frames_ = 0;
    uint32_t totalFrames_ = 0;
    float accumDt_ = 0;
    float frameRate_ = 0;
    Ref<CCLabelAtlas> FPSLabel_;
    bool isPaused_ = false;
    Ref<CCScene> runningScene_;
    Ref<CCNode> notificationNode_;
    bool sceneCovered_ = false;
    CCScene* nextScene_ = nullptr;
    bool sendCleanupToScene_ = false;
    Ref<CCArray> scenesStack_;
    double lastUpdate_ = 0; // monotonic seconds
    float dt_ = 0;
    bool nextDeltaTimeZero_ = false;
    int32_t projection_ = kCCDirectorProjectionDefault;
    CCProjectionProtocol* projectionDelegate_ = nullptr;
    Ref<Object> projectionDelegateOwner_; // the delegate, when it is an Object
    CGSize winSizeInPoints_;
    CGSize winSizeInPixels_;
    std::thread::id runningThread_;
};

} // namespace mw
