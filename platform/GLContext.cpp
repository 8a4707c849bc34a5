#include "platform/GLContext.h"

#include <cstring>

#include "platform/GLExtensions.h"

namespace mw {

std::vector<uint8_t> GLContext::readPixels() const
{
    const PixelSize size = pixelSize();
    if (size.width <= 0 || size.height <= 0) return {};
    if (gl::framebufferObjectsLoaded() && framebuffer() != 0) {
        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer());
    }
    const size_t rowBytes = static_cast<size_t>(size.width) * 4;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<size_t>(size.height));
    GLint oldAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size.width, size.height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);

    std::vector<uint8_t> topDown(bottomUp.size());
    for (int row = 0; row < size.height; ++row) {
        std::memcpy(topDown.data() + static_cast<size_t>(row) * rowBytes,
                    bottomUp.data() + static_cast<size_t>(size.height - 1 - row) * rowBytes, rowBytes);
    }
    return topDown;
}

} // namespace mw
