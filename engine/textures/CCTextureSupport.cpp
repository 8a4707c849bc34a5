#include "engine/textures/CCTextureSupport.h"

#include <GLES/gl.h>

#include <cstring>
#include <optional>

namespace mw {

namespace {

std::optional<CCTextureSupport>& overrideSlot()
{
    static std::optional<CCTextureSupport> slot;
    return slot;
}

// Whole-word match in the space-separated extension string.
bool hasExtension(const char* extensions, const char* name)
{
    if (!extensions) {
        return false;
    }
    const size_t length = std::strlen(name);
    for (const char* at = extensions; (at = std::strstr(at, name)) != nullptr; at += length) {
        bool startsWord = at == extensions || at[-1] == ' ';
        bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) {
            return true;
        }
    }
    return false;
}

} // namespace

CCTextureSupport CCTextureSupport::current()
{
    if (overrideSlot()) {
        return *overrideSlot();
    }
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    CCTextureSupport support;
    // Only the limited non-power-of-two extension the textures were written
    // for counts; Mesa's general one is not asked for, so textures are padded.
    support.npot = hasExtension(extensions, "GL_APPLE_texture_2D_limited_npot");
    // Mesa names BGRA source data with the EXT prefix; the feature is the same.
    support.bgra8888 = hasExtension(extensions, "GL_IMG_texture_format_BGRA8888") ||
                       hasExtension(extensions, "GL_APPLE_texture_format_BGRA8888") ||
                       hasExtension(extensions, "GL_EXT_texture_format_BGRA8888");
    support.pvrtc = hasExtension(extensions, "GL_IMG_texture_compression_pvrtc");
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    support.maxTextureSize = maxSize;
    return support;
}

void CCTextureSupport::setOverride(const CCTextureSupport* fixed)
{
    if (fixed) {
        overrideSlot() = *fixed;
    } else {
        overrideSlot().reset();
    }
}

} // namespace mw
