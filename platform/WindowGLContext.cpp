// The window form of GLContext: an SDL window with an OpenGL ES 1.1 context.
//
// The engine draws into an offscreen framebuffer of the device's pixel size,
// exactly as headless. Presenting copies that frame into a texture and draws
// it into the window with draw_texture, scaled to fit and letterboxed, so the
// window can have any size the desktop allows. draw_texture ignores the
// matrices and vertex arrays, which keeps the engine's GL state almost
// untouched; the little it does change is saved and restored.

#include <SDL.h>

#include <algorithm>

#include "foundation/Log.h"
#include "platform/GLContext.h"
#include "platform/GLExtensions.h"
#include "platform/Letterbox.h"
#include "platform/OffscreenFramebuffer.h"

namespace mw {

namespace {

int nextPowerOfTwo(int value)
{
    int result = 1;
    while (result < value) result <<= 1;
    return result;
}

void* sdlLoader(const char* name)
{
    return SDL_GL_GetProcAddress(name);
}

// The state presenting touches, put back afterwards so the engine's next frame
// starts from what it left.
class SavedState {
public:
    SavedState()
    {
        glGetIntegerv(GL_VIEWPORT, viewport_);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor_);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode_);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture_);
        for (size_t i = 0; i < std::size(kCaps); ++i) enabled_[i] = glIsEnabled(kCaps[i]);
    }
    ~SavedState()
    {
        for (size_t i = 0; i < std::size(kCaps); ++i) {
            if (enabled_[i]) glEnable(kCaps[i]); else glDisable(kCaps[i]);
        }
        glActiveTexture(activeTexture_);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glClearColor(clearColor_[0], clearColor_[1], clearColor_[2], clearColor_[3]);
        glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    }
    static constexpr GLenum kCaps[] = {GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_ALPHA_TEST,
                                       GL_STENCIL_TEST, GL_FOG, GL_COLOR_LOGIC_OP};

private:
    GLint viewport_[4] = {};
    GLfloat clearColor_[4] = {};
    GLint texture_ = 0;
    GLint envMode_ = GL_MODULATE;
    GLint activeTexture_ = GL_TEXTURE0;
    GLboolean enabled_[std::size(kCaps)] = {};
};

class WindowGLContext final : public GLContext {
public:
    WindowGLContext(SDL_Window* window, GLSurfaceFormat format) : GLContext(format), window_(window) {}

    ~WindowGLContext() override
    {
        if (!context_) return;
        SDL_GL_MakeCurrent(window_, context_);
        framebuffer_.destroy();
        if (presentTexture_) glDeleteTextures(1, &presentTexture_);
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }

    bool init(PixelSize surface)
    {
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) {
            logLine("GLContext: cannot create an OpenGL ES 1.1 context: %s", SDL_GetError());
            return false;
        }
        if (SDL_GL_MakeCurrent(window_, context_) != 0) {
            logLine("GLContext: cannot make the window context current: %s", SDL_GetError());
            return false;
        }
        // Pace frames by the display where the driver allows it; the frame
        // driver sleeps otherwise.
        SDL_GL_SetSwapInterval(1);
        if (!gl::loadExtensions(sdlLoader) || !gl::DrawTexiOES || !glHasExtension("GL_OES_draw_texture")) {
            logLine("GLContext: the driver lacks framebuffer objects or draw_texture");
            return false;
        }
        return resize(surface);
    }

    bool makeCurrent() override
    {
        if (SDL_GL_MakeCurrent(window_, context_) != 0) return false;
        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
        return true;
    }

    void swapBuffers() override
    {
        {
            SavedState saved;
            present();
        }
        SDL_GL_SwapWindow(window_);
        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
    }

    PixelSize pixelSize() const override { return framebuffer_.size(); }

    bool resize(PixelSize size) override
    {
        OffscreenFramebuffer replacement;
        if (!replacement.create(size, format())) {
            if (framebuffer_.framebuffer()) gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
            return false;
        }
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        // A copy from a framebuffer without alpha needs a texture without it.
        const GLenum layout = format().color == GLColorFormat::RGB565 ? GL_RGB : GL_RGBA;
        const GLenum type = format().color == GLColorFormat::RGB565 ? GL_UNSIGNED_SHORT_5_6_5 : GL_UNSIGNED_BYTE;
        textureSize_ = {nextPowerOfTwo(size.width), nextPowerOfTwo(size.height)};
        glTexImage2D(GL_TEXTURE_2D, 0, layout, textureSize_.width, textureSize_.height, 0, layout, type, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        const GLint crop[] = {0, 0, size.width, size.height};
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_CROP_RECT_OES, crop);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (glGetError() != GL_NO_ERROR) {
            logLine("GLContext: cannot make a %dx%d presentation texture", textureSize_.width, textureSize_.height);
            glDeleteTextures(1, &texture);
            gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
            return false;
        }
        if (presentTexture_) glDeleteTextures(1, &presentTexture_);
        presentTexture_ = texture;
        framebuffer_.swap(replacement);
        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
        return true;
    }

    unsigned framebuffer() const override { return framebuffer_.framebuffer(); }
    bool hasWindow() const override { return true; }

private:
    void present()
    {
        const PixelSize surface = framebuffer_.size();
        glActiveTexture(GL_TEXTURE0);
        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.framebuffer());
        glBindTexture(GL_TEXTURE_2D, presentTexture_);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, surface.width, surface.height);

        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
        int drawableWidth = 0, drawableHeight = 0;
        SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
        for (GLenum cap : SavedState::kCaps) glDisable(cap);
        glViewport(0, 0, drawableWidth, drawableHeight);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT); // the bars

        const Letterbox box(CGSize(float(surface.width), float(surface.height)),
                            CGSize(float(drawableWidth), float(drawableHeight)));
        const CGRect rect = box.viewRect();
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        // draw_texture counts y from the bottom of the window.
        const int x = int(rect.origin.x + 0.5f), width = int(rect.size.width + 0.5f);
        const int height = int(rect.size.height + 0.5f);
        const int y = drawableHeight - int(rect.origin.y + 0.5f) - height;
        gl::DrawTexiOES(x, y, 0, width, height);
    }

    SDL_Window* window_;
    SDL_GLContext context_ = nullptr;
    OffscreenFramebuffer framebuffer_;
    GLuint presentTexture_ = 0;
    PixelSize textureSize_;
};

} // namespace

std::unique_ptr<GLContext> GLContext::createForWindow(SDL_Window* window, PixelSize surface, GLSurfaceFormat format)
{
    if (!window) return nullptr;
    auto context = std::make_unique<WindowGLContext>(window, format);
    if (!context->init(surface)) return nullptr;
    return context;
}

} // namespace mw
