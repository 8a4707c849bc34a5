#include "tests/support/GLTestContext.h"

#include <cstdlib>

#include "platform/GLExtensions.h"
#include "platform/Image.h"
#include "tests/support/DecodedImages.h"

namespace mw::test {

std::ostream& operator<<(std::ostream& out, const RGBA& c)
{
    return out << "RGBA(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
}

bool nearColor(RGBA actual, RGBA expected, int tolerance)
{
    return std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance && std::abs(actual.a - expected.a) <= tolerance;
}

GLTestContext* GLTestContext::acquire(int width, int height)
{
    // Made once and never destroyed: tearing Mesa down at exit while other
    // static objects still hold GL names only causes trouble.
    static GLTestContext* shared = [] () -> GLTestContext* {
        auto context = GLContext::createHeadless({64, 64}, GLSurfaceFormat{GLColorFormat::RGBA8, 16});
        return context ? new GLTestContext(std::move(context)) : nullptr;
    }();
    if (!shared) return nullptr;
    // Render tests load the bundle's sheets test after test.
    keepDecodedImages();
    if (!shared->context_->makeCurrent()) {
        ADD_FAILURE() << "cannot make the test GL context current";
        return nullptr;
    }
    if ((shared->width() != width || shared->height() != height) && !shared->resize(width, height)) {
        return nullptr;
    }
    shared->resetState();
    return shared;
}

bool GLTestContext::resize(int width, int height)
{
    if (!context_->resize({width, height})) {
        ADD_FAILURE() << "cannot resize the test GL surface to " << width << "x" << height;
        return false;
    }
    resetState();
    return true;
}

void GLTestContext::resetState()
{
    if (gl::framebufferObjectsLoaded() && context_->framebuffer()) {
        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, context_->framebuffer());
    }
    glViewport(0, 0, width(), height());
    for (GLenum mode : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
    for (GLenum cap : {GL_BLEND, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_ALPHA_TEST, GL_SCISSOR_TEST, GL_CULL_FACE,
                       GL_LIGHTING, GL_FOG, GL_STENCIL_TEST, GL_POINT_SPRITE_OES}) {
        glDisable(cap);
    }
    for (GLenum array : {GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_NORMAL_ARRAY}) {
        glDisableClientState(array);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBlendFunc(GL_ONE, GL_ZERO);
    glColor4f(1, 1, 1, 1);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 0);
    glClearDepthf(1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    while (glGetError() != GL_NO_ERROR) {
    }
}

RGBA GLTestContext::readPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height()) {
        ADD_FAILURE() << "readPixel(" << x << ", " << y << ") outside the " << width() << "x" << height()
                      << " surface";
        return {};
    }
    if (gl::framebufferObjectsLoaded() && context_->framebuffer()) {
        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, context_->framebuffer());
    }
    uint8_t pixel[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

std::vector<uint8_t> GLTestContext::readRGBA() const
{
    return context_->readPixels();
}

bool GLTestContext::savePNG(const std::string& path) const
{
    Ref<Image> image = Image::fromRGBA(readRGBA(), width(), height(), ImageAlphaInfo::PremultipliedLast);
    return image && image->writePNG(path);
}

} // namespace mw::test
