#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/support/CCFileUtils.h"
#include "engine/text/TextLayoutTypes.h"
#include "engine/textures/CCTexture2DPixelFormat.h"
#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class Image;
class UIFont;
class ZFont;
struct TextFont;

// Sampling parameters as GL enumerants: minification filter, magnification
// filter, wrap S, wrap T.
struct ccTexParams {
    uint32_t minFilter = 0;
    uint32_t magFilter = 0;
    uint32_t wrapS = 0;
    uint32_t wrapT = 0;
};

// One OpenGL ES texture and what is needed to map it: its pixel format, its
// pixel size, the size of the meaningful content inside it and the texture
// coordinates of the content's right and bottom edges. Immutable after
// creation apart from its sampling parameters.
//
// Every init function needs a current GL context and is called once on a
// fresh object; on failure it returns false and the object holds no texture.
// The GL texture is deleted with the object.
class CCTexture2D : public Object {
public:
    CCTexture2D() = default;
    ~CCTexture2D() override;
    CCTexture2D(const CCTexture2D&) = delete;
    CCTexture2D& operator=(const CCTexture2D&) = delete;

    // Uploads `data` (pixelsWide x pixelsHigh pixels of `format`, rows
    // packed) as level 0. contentSize is the meaningful part, in pixels.
    // Throws std::invalid_argument for the formats that cannot be uploaded
    // this way (RGB888, I8, PVRTC and unknown numbers).
    [[nodiscard]] bool initWithData(const void* data, CCTexture2DPixelFormat format, uint32_t pixelsWide,
                                    uint32_t pixelsHigh, CGSize contentSize);

    // Draws the image into a canvas of texture size (powers of two unless the
    // GL offers otherwise), image at the top-left, and uploads it in the
    // default alpha pixel format (RGBA8888 when the image is opaque with
    // fewer than 8 bits per component, or when jpg is set; A8 for masks).
    // False for a missing or empty image or one larger than the GL's maximum.
    // Throws std::invalid_argument when the default format is one an image
    // cannot be drawn into.
    [[nodiscard]] bool initWithImage(const Image* image, ccResolutionType resolutionType = kCCResolutionUnknown,
                                     bool jpg = false);

    // What initWithImage decides from the GL and the class-wide format.
    struct CanvasRules {
        bool npot = false;
        int maxTextureSize = 0;
        CCTexture2DPixelFormat alphaFormat = kCCTexture2DPixelFormat_RGBA8888;
    };
    // An image drawn and converted, ready to upload.
    struct PreparedImage {
        CCTexture2DPixelFormat format = kCCTexture2DPixelFormat_RGBA8888;
        uint32_t pixelsWide = 0;
        uint32_t pixelsHigh = 0;
        CGSize contentSize;
        bool premultipliedAlpha = false;
        std::unique_ptr<uint8_t[]> bytes; // pixelsWide x pixelsHigh of format
    };
    // The canvas initWithImage would upload, made without GL, so that any
    // thread may make it (the rules are read on the GL's thread first).
    // Nothing for a missing or empty image or one larger than the maximum;
    // throws as initWithImage does.
    [[nodiscard]] static std::optional<PreparedImage> prepareImage(const Image* image, const CanvasRules& rules,
                                                                   bool jpg = false);
    // Uploads a prepared image (the GL's thread); false when the upload fails.
    [[nodiscard]] bool initWithPreparedImage(const PreparedImage& prepared,
                                             ccResolutionType resolutionType = kCCResolutionUnknown);

    // ---- text: A8 textures whose alpha is the text's coverage ----
    // The text (UTF-8) drawn white from the top-left of a box of `dimensions`
    // pixels, in `font` at its size, broken and aligned as asked. The texture
    // is the box with each side (truncated to whole pixels) rounded up to a
    // power of two; the content size is the box. Not premultiplied. False for
    // a null font, a box smaller than a pixel, or a canvas or upload that
    // cannot be made.
    [[nodiscard]] bool initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                      UILineBreakMode lineBreakMode, UIFont* font);
    [[nodiscard]] bool initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                      UILineBreakMode lineBreakMode, ZFont* font);
    [[nodiscard]] bool initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                      UILineBreakMode lineBreakMode, const TextFont& font);
    // The same with the font found by name at `fontSize` pixels: the
    // platform font of that name first, else the font manager's TrueType
    // font; false (one log line) when neither exists.
    [[nodiscard]] bool initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                      UILineBreakMode lineBreakMode, const std::string& fontName,
                                      float fontSize);
    // Word wrap.
    [[nodiscard]] bool initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                      const std::string& fontName, float fontSize);
    // A box of the text's own size (measured on one line), centred, word wrap.
    [[nodiscard]] bool initWithString(std::string_view text, const std::string& fontName, float fontSize);

    // Reads a PVR file (plain, .gz or .ccz) found through the file utilities.
    [[nodiscard]] bool initWithPVRFile(const std::string& name);
    // Uploads one square PVRTC image of side `length`; false without PVRTC
    // support in the GL.
    [[nodiscard]] bool initWithPVRTCData(const void* data, int level, int bpp, bool hasAlpha, int length,
                                         CCTexture2DPixelFormat format);
    // Bytes of one PVRTC image: bpp x length^2 / 8, at least 32.
    static size_t pvrtcDataSize(int bpp, int length);
    // Whether textures made from PVR data are flagged premultiplied.
    static void PVRImagesHavePremultipliedAlpha(bool premultiplied);

    CGSize contentSizeInPixels() const { return size_; }
    // contentSizeInPixels divided by the content scale factor.
    CGSize contentSize() const;
    CCTexture2DPixelFormat pixelFormat() const { return format_; }
    uint32_t pixelsWide() const { return width_; }
    uint32_t pixelsHigh() const { return height_; }
    uint32_t name() const { return name_; }
    float maxS() const { return maxS_; }
    void setMaxS(float maxS) { maxS_ = maxS; }
    float maxT() const { return maxT_; }
    void setMaxT(float maxT) { maxT_ = maxT; }
    bool hasPremultipliedAlpha() const { return hasPremultipliedAlpha_; }
    ccResolutionType resolutionType() const { return resolutionType_; }
    void setResolutionType(ccResolutionType type) { resolutionType_ = type; }
    // "<CCTexture2D = 0x... | Name = n | Dimensions = wxh | Coordinates = (s, t)>"
    std::string description() const;

    // Bits per pixel of a format; all ones for an unknown number.
    static uint32_t bitsPerPixelForFormat(CCTexture2DPixelFormat format);
    uint32_t bitsPerPixelForFormat() const { return bitsPerPixelForFormat(format_); }
    // The format images are uploaded in; starts as RGBA8888.
    static void setDefaultAlphaPixelFormat(CCTexture2DPixelFormat format);
    static CCTexture2DPixelFormat defaultAlphaPixelFormat();

    // Packs RGBA8888 pixels (bytes R, G, B, A) into RGBA4444, RGB5A1 or
    // RGB565 words by keeping the top bits of each channel.
    static std::vector<uint16_t> packPixels16(const uint8_t* rgba, size_t pixelCount, CCTexture2DPixelFormat format);
    // The same into `packed` (pixelCount entries).
    static void packPixels16Into(const uint8_t* rgba, size_t pixelCount, CCTexture2DPixelFormat format,
                                 uint16_t* packed);

    // Binds the texture and sets its filters and wrap modes.
    void setTexParameters(const ccTexParams& params);
    // Linear filtering, clamped to the edge.
    void setAntiAliasTexParameters();
    // Nearest filtering, clamped to the edge.
    void setAliasTexParameters();
    // Asks GL for the mipmap chain (no size check).
    void generateMipmap();

    // Draw the content at a point (its pixel size) or stretched over a rect,
    // in the current GL coordinate space. Expect the engine's default state
    // (2D texturing, vertex and texture-coordinate arrays on).
    void drawAtPoint(CGPoint point) const;
    void drawInRect(CGRect rect) const;

private:
    void drawQuad(float x, float y, float width, float height) const;

    uint32_t name_ = 0;
    CGSize size_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    CCTexture2DPixelFormat format_ = kCCTexture2DPixelFormat_Default;
    float maxS_ = 0;
    float maxT_ = 0;
    bool hasPremultipliedAlpha_ = false;
    ccResolutionType resolutionType_ = kCCResolutionUnknown;
};

} // namespace mw
