#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/PixelSize.h"

struct SDL_Window;

namespace mw {

// Colour buffer layouts the game may ask for.
enum class GLColorFormat {
    RGBA8,  // 8 bits a channel
    RGB565, // 16-bit colour, no alpha: what the game asks for on the device
};

struct GLSurfaceFormat {
    GLColorFormat color = GLColorFormat::RGBA8;
    int depthBits = 16; // 0 (no depth buffer), 16 or 24
};


// An OpenGL ES 1.1 context together with the surface the engine draws on.
//
// The surface is always an offscreen framebuffer object of pixelSize() (or, on
// a driver without framebuffer objects, the headless pbuffer: framebuffer() is
// then 0). Drawing code binds framebuffer() (makeCurrent does so), draws, and
// calls swapBuffers(): a window context then shows the frame scaled into its
// window, a headless context just finishes the frame. Keeping one offscreen
// surface in both forms means the frame drawn, and read back, is the same
// whether or not a window shows it.
//
// A context belongs to the thread that made it current; none of it is
// thread-safe.
class GLContext {
public:
    virtual ~GLContext() = default;
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    // Makes the context current on this thread and binds framebuffer().
    [[nodiscard]] virtual bool makeCurrent() = 0;

    // Presents the finished frame; afterwards framebuffer() is bound again.
    virtual void swapBuffers() = 0;

    // Size of the drawing surface in pixels.
    virtual PixelSize pixelSize() const = 0;

    // Rebuilds the drawing surface at a new size (contents are lost). The
    // context must be current. Returns false, keeping the old surface, when the
    // new one cannot be made.
    [[nodiscard]] virtual bool resize(PixelSize size) = 0;

    // The framebuffer object the frame is drawn into (0: the context's own
    // surface).
    virtual unsigned framebuffer() const = 0;

    // Whether the frames are shown in a window.
    virtual bool hasWindow() const = 0;

    const GLSurfaceFormat& format() const { return format_; }

    // Reads the whole surface as RGBA8, 4 bytes a pixel, the TOP row first
    // (the order of image files; glReadPixels itself gives the bottom row
    // first). The context must be current.
    std::vector<uint8_t> readPixels() const;

    // A context without a window, for tests, benchmarks and the headless
    // driver: a surfaceless EGL display (pbuffer on the default display as the
    // fallback) with an offscreen framebuffer of the given size. Null, with
    // one log line, when no context can be made. The new context is current.
    [[nodiscard]] static std::unique_ptr<GLContext> createHeadless(PixelSize size, GLSurfaceFormat format = {});

    // The context of an SDL window created with the SDL_WINDOW_OPENGL flag
    // (its GL attributes set as AppWindow does): frames are drawn into an
    // offscreen surface of `surface` pixels and swapBuffers shows it scaled
    // into the window, keeping its aspect with black bars. The window is not
    // owned and must outlive the context. Null, with one log line, when no
    // OpenGL ES 1.1 context can be made or the driver lacks framebuffer
    // objects or draw_texture. The new context is current.
    [[nodiscard]] static std::unique_ptr<GLContext> createForWindow(SDL_Window* window, PixelSize surface,
                                                                    GLSurfaceFormat format = {});

protected:
    explicit GLContext(GLSurfaceFormat format) : format_(format) {}

private:
    GLSurfaceFormat format_;
};

} // namespace mw
