#include "engine/gl/CCConfiguration.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <cstdlib>
#include <memory>

#include "foundation/Log.h"
#include "foundation/Shared.h"

namespace mw {

namespace {

constexpr uint32_t kSystem4 = 0x04000000;

// GL_MAX_SAMPLES_APPLE, from the multisample extension Mesa's GLES 1 lacks.
constexpr GLenum kMaxSamplesApple = 0x8D57;

} // namespace

CCConfiguration* CCConfiguration::sharedConfiguration() { return Shared<CCConfiguration>::get(); }

void CCConfiguration::purgeSharedConfiguration() { Shared<CCConfiguration>::purge(); }

std::unique_ptr<CCConfiguration>
CCConfiguration::replaceShared(std::unique_ptr<CCConfiguration> configuration)
{
    return Shared<CCConfiguration>::replace(std::move(configuration));
}

std::unique_ptr<CCConfiguration>
CCConfiguration::posingAs(std::string_view extensions, int32_t maxTextureSize, std::string_view systemVersion)
{
    return std::unique_ptr<CCConfiguration>(
        new CCConfiguration(Posing{}, extensions, maxTextureSize, systemVersion));
}

CCConfiguration::CCConfiguration(Posing, std::string_view extensions, int32_t maxTextureSize,
                                 std::string_view systemVersion)
    : maxTextureSize_(maxTextureSize), OSVersion_(packSystemVersion(systemVersion)), extensions_(extensions)
{
    readExtensionFlags();
}

CCConfiguration::CCConfiguration(std::string_view systemVersion)
{
    OSVersion_ = packSystemVersion(systemVersion);

    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    extensions_ = extensions ? extensions : "";
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maxModelviewStackDepth_);

    // Asking for the sample limit of an extension the driver lacks would only
    // raise a GL error: without it there is no multisampling.
    if (OSVersion_ >= kSystem4 && checkForGLExtension("GL_APPLE_framebuffer_multisample")) {
        glGetIntegerv(kMaxSamplesApple, &maxSamplesAllowed_);
    }

    readExtensionFlags();

    // The one engine line that goes to standard output (through the sink,
    // which still silences or captures it); the values read are kept.
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        logLineTo(LogStream::standardOutput, "OpenGL error 0x%04X in %s", error, "-[CCConfiguration init]");
    }
}

// Only these names count: the texture code was written for the limits of
// the limited NPOT extension, and Mesa's EXT name for BGRA source data is not
// one the compressed-texture reader knows, so it refuses such files there.
void CCConfiguration::readExtensionFlags()
{
    supportsPVRTC_ = checkForGLExtension("GL_IMG_texture_compression_pvrtc");
    supportsNPOT_ = checkForGLExtension("GL_APPLE_texture_2D_limited_npot");
    supportsBGRA8888_ = checkForGLExtension("GL_IMG_texture_format_BGRA8888") ||
                        checkForGLExtension("GL_APPLE_texture_format_BGRA8888");
    supportsDiscardFramebuffer_ = checkForGLExtension("GL_EXT_discard_framebuffer");
}

bool CCConfiguration::checkForGLExtension(std::string_view name) const
{
    return extensionListHas(extensions_, name);
}

bool CCConfiguration::extensionListHas(std::string_view extensions, std::string_view name)
{
    while (!extensions.empty()) {
        const size_t space = extensions.find(' ');
        if (extensions.substr(0, space) == name) return true;
        if (space == std::string_view::npos) break;
        extensions.remove_prefix(space + 1);
    }
    return false;
}

uint32_t CCConfiguration::packSystemVersion(std::string_view version)
{
    uint32_t packed = 0;
    uint32_t multiplier = 0x1000000;
    while (multiplier != 0) {
        const size_t dot = version.find('.');
        const std::string component(version.substr(0, dot));
        packed += static_cast<uint32_t>(std::atoi(component.c_str())) * multiplier;
        multiplier >>= 8;
        if (dot == std::string_view::npos) break;
        version.remove_prefix(dot + 1);
    }
    return packed;
}

} // namespace mw
