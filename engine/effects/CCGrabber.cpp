#include "engine/effects/CCGrabber.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <stdexcept>

#include "engine/textures/CCTexture2D.h"
#include "platform/GLExtensions.h"

namespace mw {

namespace {

GLint boundFramebuffer()
{
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &bound);
    return bound;
}

} // namespace

CCGrabber::CCGrabber()
{
    if (!gl::GenFramebuffersOES || !gl::BindFramebufferOES || !gl::FramebufferTexture2DOES ||
        !gl::CheckFramebufferStatusOES || !gl::DeleteFramebuffersOES) {
        throw std::runtime_error("Frame Grabber: no framebuffer objects in this GL context");
    }
    gl::GenFramebuffersOES(1, &fbo_);
}

CCGrabber::~CCGrabber()
{
    if (fbo_ && gl::DeleteFramebuffersOES) {
        gl::DeleteFramebuffersOES(1, &fbo_);
    }
}

void CCGrabber::grab(CCTexture2D* texture)
{
    oldFBO_ = boundFramebuffer();
    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
    gl::FramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, texture->name(), 0);
    const GLenum status = gl::CheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
    if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
        throw std::runtime_error("Frame Grabber: Could not attach texture to framebuffer");
    }
}

void CCGrabber::beforeRender(CCTexture2D* /*texture*/)
{
    oldFBO_ = boundFramebuffer();
    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void CCGrabber::afterRender(CCTexture2D* /*texture*/) { gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_)); }

} // namespace mw
