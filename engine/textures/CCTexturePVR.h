#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/gl/CCConfiguration.h"
#include "engine/textures/CCTexture2DPixelFormat.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// One mipmap level inside the loaded file data.
struct CCPVRMipmap {
    const unsigned char* address = nullptr;
    uint32_t len = 0;
};

inline constexpr int kCCPVRMipmapMax = 16;
inline constexpr size_t kCCPVRHeaderSize = 52;

// A texture read from a PVR version-2 file, plain or in a gzip or CCZ
// container, with all its mipmap levels uploaded to one GL texture.
//
// Level records point into the caller's file data only between
// unpackPVRData() and createGLTexture(); the file initialiser frees the data
// right after the upload. The GL texture is deleted with this object unless
// retainName is set, which a CCTexture2D does when it takes the name over.
class CCTexturePVR : public Object {
public:
    CCTexturePVR() = default;
    ~CCTexturePVR() override;
    CCTexturePVR(const CCTexturePVR&) = delete;
    CCTexturePVR& operator=(const CCTexturePVR&) = delete;

    // Reads and uploads the file at a full path (".ccz", ".gz" or plain, by
    // the lower-cased name); null on any failure, including a file without
    // pixel data. Needs a current GL context.
    [[nodiscard]] static Ref<CCTexturePVR> pvrTextureWithContentsOfFile(const std::string& path);
    // The same for a "file://" URL; any other URL gives null.
    [[nodiscard]] static Ref<CCTexturePVR> pvrTextureWithContentsOfURL(const std::string& url);

    [[nodiscard]] bool initWithContentsOfFile(const std::string& path);
    [[nodiscard]] bool initWithContentsOfURL(const std::string& url);

    // Parses a PVR image held by the caller and records its levels. Refuses
    // (false) a header shorter than 52 bytes, a wrong tag, an unknown pixel
    // type, sizes of 0 or (without the configuration's NPOT support) not
    // powers of two, BGRA8888 data without its support, a data length past
    // the bytes given, a level shorter than its upload reads and more than 16
    // levels. A level takes its size in whole blocks (at least 2 x 2) or what
    // is left of the data, whichever is less, so uncompressed levels may be
    // stored tight or padded to 2 x 2. The file readers pass the shared
    // configuration.
    [[nodiscard]] bool unpackPVRData(const unsigned char* data, size_t length,
                                     const CCConfiguration& configuration);
    // Uploads the recorded levels; compressed levels need the configuration's
    // PVRTC support. With no levels recorded nothing is made (name stays 0)
    // and the result is true.
    [[nodiscard]] bool createGLTexture(const CCConfiguration& configuration);

    uint32_t name() const { return name_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    bool hasAlpha() const { return hasAlpha_; }
    void setRetainName(bool retain) { retainName_ = retain; }
    bool retainName() const { return retainName_; }
    CCTexture2DPixelFormat format() const { return format_; }
    int numberOfMipmaps() const { return numberOfMipmaps_; }
    // Level i (0 <= i < numberOfMipmaps()).
    const CCPVRMipmap& mipmap(int i) const { return mipmaps_[static_cast<size_t>(i)]; }

private:
    void reset();

    std::array<CCPVRMipmap, kCCPVRMipmapMax> mipmaps_{};
    int numberOfMipmaps_ = 0;
    uint32_t tableFormatIndex_ = UINT32_MAX;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t name_ = 0;
    bool hasAlpha_ = false;
    bool retainName_ = false;
    CCTexture2DPixelFormat format_ = kCCTexture2DPixelFormat_Default;
};

} // namespace mw
