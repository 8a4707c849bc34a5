// The headless form of GLContext: EGL without a window system.
//
// Mesa's surfaceless platform needs neither X nor a GPU (llvmpipe renders on
// the CPU), so tests and the headless driver run anywhere. eglGetDisplay with
// the default display would try X11 and fail without one; it is only the last
// resort.

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

#include "foundation/Log.h"
#include "platform/GLContext.h"
#include "platform/GLExtensions.h"
#include "platform/OffscreenFramebuffer.h"

namespace mw {

namespace {

// EGL displays are shared process-wide: eglTerminate would end every other
// context on the display, and it makes Mesa unload its driver, after which
// its remaining allocations can no longer be traced to it. So a display,
// once initialised, stays so until the process ends.
struct SharedDisplay {
    EGLDisplay display = EGL_NO_DISPLAY;
    bool initialised = false;
};

SharedDisplay g_surfaceless;
SharedDisplay g_default;

bool clientExtension(const char* name)
{
    const char* list = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    return list && std::strstr(list, name) != nullptr;
}

bool acquire(SharedDisplay& shared, EGLDisplay display)
{
    if (display == EGL_NO_DISPLAY) return false;
    if (!shared.initialised) {
        EGLint major = 0, minor = 0;
        if (!eglInitialize(display, &major, &minor)) return false;
        shared.display = display;
        shared.initialised = true;
    }
    return true;
}

EGLConfig chooseConfig(EGLDisplay display, const GLSurfaceFormat& format, bool needPbuffer)
{
    const bool is565 = format.color == GLColorFormat::RGB565;
    const EGLint attributes[] = {
        EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT,
        EGL_SURFACE_TYPE, needPbuffer ? EGL_PBUFFER_BIT : EGL_DONT_CARE,
        EGL_RED_SIZE, is565 ? 5 : 8,
        EGL_GREEN_SIZE, is565 ? 6 : 8,
        EGL_BLUE_SIZE, is565 ? 5 : 8,
        EGL_ALPHA_SIZE, is565 ? 0 : 8,
        EGL_DEPTH_SIZE, format.depthBits,
        EGL_NONE,
    };
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) return nullptr;
    return config;
}

class HeadlessGLContext final : public GLContext {
public:
    HeadlessGLContext(GLSurfaceFormat format, SharedDisplay& shared) : GLContext(format), shared_(shared) {}

    ~HeadlessGLContext() override
    {
        // The framebuffer's GL names belong to this context: delete them while
        // it is current, then give the thread back whatever context it had.
        const EGLContext previous = eglGetCurrentContext();
        const EGLDisplay previousDisplay = eglGetCurrentDisplay();
        const EGLSurface previousDraw = eglGetCurrentSurface(EGL_DRAW);
        const EGLSurface previousRead = eglGetCurrentSurface(EGL_READ);
        if (context_ != EGL_NO_CONTEXT) {
            if (eglMakeCurrent(display(), surface_, surface_, context_)) framebuffer_.destroy();
            if (previous != EGL_NO_CONTEXT && previous != context_) {
                eglMakeCurrent(previousDisplay, previousDraw, previousRead, previous);
            } else {
                eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            }
            eglDestroyContext(display(), context_);
        }
        if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display(), surface_);
    }

    bool init(PixelSize size, bool surfaceless)
    {
        eglBindAPI(EGL_OPENGL_ES_API);
        EGLConfig config = chooseConfig(display(), format(), !surfaceless);
        if (!config) return false;
        const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
        context_ = eglCreateContext(display(), config, EGL_NO_CONTEXT, contextAttributes);
        if (context_ == EGL_NO_CONTEXT) return false;

        if (surfaceless && eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) {
            (void)gl::loadExtensions();
            if (framebuffer_.create(size, format())) {
                size_ = size;
                return true;
            }
        }
        // No surfaceless context or no framebuffer objects: draw into a
        // pbuffer instead (needs a config that allows one).
        if (surfaceless) {
            eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroyContext(display(), context_);
            context_ = EGL_NO_CONTEXT;
            return init(size, false);
        }
        return createPbuffer(config, size);
    }

    bool makeCurrent() override
    {
        if (!eglMakeCurrent(display(), surface_, surface_, context_)) return false;
        if (framebuffer_.framebuffer()) gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
        return true;
    }

    void swapBuffers() override
    {
        // Nothing shows the frame; finishing it keeps timings honest and makes
        // a following read-back see every draw.
        glFinish();
        if (framebuffer_.framebuffer()) gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
    }

    PixelSize pixelSize() const override { return size_; }

    bool resize(PixelSize size) override
    {
        if (framebuffer_.framebuffer()) {
            OffscreenFramebuffer replacement;
            if (!replacement.create(size, format())) {
                gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
                return false;
            }
            framebuffer_.swap(replacement); // the old buffers go with `replacement`
            size_ = size;
            return true;
        }
        EGLSurface old = surface_;
        if (!createPbuffer(config_, size)) {
            surface_ = old;
            makeCurrent();
            return false;
        }
        eglDestroySurface(display(), old);
        return true;
    }

    unsigned framebuffer() const override { return framebuffer_.framebuffer(); }
    bool hasWindow() const override { return false; }

private:
    EGLDisplay display() const { return shared_.display; }

    bool createPbuffer(EGLConfig config, PixelSize size)
    {
        config_ = config;
        const EGLint attributes[] = {EGL_WIDTH, size.width, EGL_HEIGHT, size.height, EGL_NONE};
        EGLSurface surface = eglCreatePbufferSurface(display(), config, attributes);
        if (surface == EGL_NO_SURFACE) return false;
        if (!eglMakeCurrent(display(), surface, surface, context_)) {
            eglDestroySurface(display(), surface);
            return false;
        }
        surface_ = surface;
        size_ = size;
        (void)gl::loadExtensions();
        return true;
    }

    SharedDisplay& shared_;
    EGLContext context_ = EGL_NO_CONTEXT;
    EGLSurface surface_ = EGL_NO_SURFACE;
    EGLConfig config_ = nullptr;
    OffscreenFramebuffer framebuffer_;
    PixelSize size_;
};

std::unique_ptr<GLContext> tryDisplay(SharedDisplay& shared, EGLDisplay display, PixelSize size,
                                      GLSurfaceFormat format, bool surfaceless)
{
    if (!acquire(shared, display)) return nullptr;
    auto context = std::make_unique<HeadlessGLContext>(format, shared);
    if (!context->init(size, surfaceless)) return nullptr; // the destructor releases the display
    return context;
}

} // namespace

std::unique_ptr<GLContext> GLContext::createHeadless(PixelSize size, GLSurfaceFormat format)
{
    if (size.width <= 0 || size.height <= 0) {
        logLine("GLContext: invalid headless size %dx%d", size.width, size.height);
        return nullptr;
    }
    if (clientExtension("EGL_MESA_platform_surfaceless")) {
        EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (auto context = tryDisplay(g_surfaceless, display, size, format, true)) return context;
    }
    if (auto context = tryDisplay(g_default, eglGetDisplay(EGL_DEFAULT_DISPLAY), size, format, false)) {
        return context;
    }
    logLine("GLContext: no headless OpenGL ES 1.1 context (EGL error 0x%04X)", eglGetError());
    return nullptr;
}

} // namespace mw
