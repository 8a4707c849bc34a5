#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace mw {

// What the GL implementation and the system offer, measured once: the
// largest texture side, the modelview stack depth, multisampling, four GL
// extensions and the system version. The texture code and the GL view consult
// it. Made on first use, which must come after a GL context is current (main
// thread only). Tests can pose as other devices (posingAs, replaceShared).
class CCConfiguration {
public:
    // The version of the phone system this build stands in for; the texture
    // cache and the driver choice compare against it.
    static constexpr const char* kSystemVersion = "5.1.1";

    // The one configuration, measured against the current context on first use.
    static CCConfiguration* sharedConfiguration();
    // Drops the shared configuration; the next sharedConfiguration() measures
    // the current context again.
    static void purgeSharedConfiguration();

    // Measures the current context; systemVersion is a dotted version text.
    // A GL error left pending by the queries (or before them) is printed to
    // standard output as "OpenGL error 0x0500 in -[CCConfiguration init]".
    explicit CCConfiguration(std::string_view systemVersion = kSystemVersion);

    // For tests: the configuration of a device whose GL lists `extensions`
    // (names separated by single spaces) and takes textures up to
    // maxTextureSize pixels a side; GL is not asked anything.
    static std::unique_ptr<CCConfiguration> posingAs(std::string_view extensions, int32_t maxTextureSize,
                                                     std::string_view systemVersion = kSystemVersion);
    // For tests: makes `configuration` the shared one and answers the one it
    // replaces (null when none was made yet); with null, the next
    // sharedConfiguration() measures the current context again. Pointers to
    // the replaced configuration stay good as long as the caller keeps it.
    static std::unique_ptr<CCConfiguration> replaceShared(std::unique_ptr<CCConfiguration> configuration);

    int32_t maxTextureSize() const { return maxTextureSize_; }
    int32_t maxModelviewStackDepth() const { return maxModelviewStackDepth_; }
    // GL_IMG_texture_compression_pvrtc.
    bool supportsPVRTC() const { return supportsPVRTC_; }
    // GL_APPLE_texture_2D_limited_npot (only that one: the texture code was
    // written for its limits).
    bool supportsNPOT() const { return supportsNPOT_; }
    // GL_IMG_texture_format_BGRA8888 or GL_APPLE_texture_format_BGRA8888.
    bool supportsBGRA8888() const { return supportsBGRA8888_; }
    // GL_EXT_discard_framebuffer.
    bool supportsDiscardFramebuffer() const { return supportsDiscardFramebuffer_; }
    // The system version, one component a byte: 4.3.1 is 0x04030100.
    uint32_t OSVersion() const { return OSVersion_; }

    // Whether the extension string lists the name as a whole word.
    bool checkForGLExtension(std::string_view name) const;

    // Packs a dotted version text one component a byte, major first; a fifth
    // component and beyond add nothing, a non-number counts as 0.
    static uint32_t packSystemVersion(std::string_view version);
    // Whether `extensions` (words separated by single spaces) holds `name`.
    static bool extensionListHas(std::string_view extensions, std::string_view name);

private:
    struct Posing {};
    CCConfiguration(Posing, std::string_view extensions, int32_t maxTextureSize,
                    std::string_view systemVersion);
    void readExtensionFlags();

    int32_t maxTextureSize_ = 0;
    int32_t maxModelviewStackDepth_ = 0;
    bool supportsPVRTC_ = false;
    bool supportsNPOT_ = false;
    bool supportsBGRA8888_ = false;
    bool supportsDiscardFramebuffer_ = false;
    uint32_t OSVersion_ = 0;
    int32_t maxSamplesAllowed_ = 0;
    std::string extensions_;
};

} // namespace mw
