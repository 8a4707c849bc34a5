#pragma once

#include <GLES/gl.h>

#include <memory>
#include <string_view>
#include <vector>

#include "engine/base/ccDrawingState.h"
#include "engine/gl/CCConfiguration.h"
#include "foundation/Ref.h"
#include "platform/Image.h"
#include "tests/support/GLTestContext.h"

namespace mw::test {

// The engine's node drawing state over the whole surface, but without
// blending, so the texture's stored colour reaches the surface as it is.
inline void useEngineDrawingState(const GLTestContext& gl)
{
    ccSetNodeDrawingState(static_cast<float>(gl.width()), static_cast<float>(gl.height()));
    ccSetAlphaBlending(false);
}

// Poses as a device whose GL lists `extensions` and takes textures up to
// maxTextureSize, on the given system, for the life of the object: the shared
// configuration is replaced, then put back.
class ScopedDevice {
public:
    ScopedDevice(std::string_view extensions, int32_t maxTextureSize,
                 std::string_view systemVersion = CCConfiguration::kSystemVersion)
        : previous_(CCConfiguration::replaceShared(
              CCConfiguration::posingAs(extensions, maxTextureSize, systemVersion)))
    {
    }
    ~ScopedDevice() { CCConfiguration::replaceShared(std::move(previous_)); }
    ScopedDevice(const ScopedDevice&) = delete;
    ScopedDevice& operator=(const ScopedDevice&) = delete;

private:
    std::unique_ptr<CCConfiguration> previous_;
};

// A width x height straight-alpha image whose pixel (x, y) (y from the top)
// is colours[(y * width + x) % colours.size()].
inline Ref<Image> patternImage(int width, int height, const std::vector<RGBA>& colours, bool withAlpha = true)
{
    std::vector<uint8_t> pixels;
    pixels.reserve(static_cast<size_t>(width) * height * 4);
    for (int i = 0; i < width * height; ++i) {
        const RGBA& c = colours[static_cast<size_t>(i) % colours.size()];
        pixels.insert(pixels.end(), {c.r, c.g, c.b, withAlpha ? c.a : uint8_t{255}});
    }
    return Image::fromRGBA(std::move(pixels), width, height, withAlpha ? ImageAlphaInfo::Last : ImageAlphaInfo::None);
}

} // namespace mw::test
