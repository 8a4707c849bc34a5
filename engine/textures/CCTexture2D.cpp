#include "engine/textures/CCTexture2D.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <typeinfo>

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDescription.h"
#include "engine/base/ccUtils.h"
#include "engine/gl/CCConfiguration.h"
#include "engine/textures/CCTexturePVR.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "platform/GLExtensions.h"
#include "platform/Image.h"

namespace mw {

namespace {

constexpr GLenum kGLCompressedRGBPVRTC4 = 0x8C00;
constexpr GLenum kGLCompressedRGBPVRTC2 = 0x8C01;
constexpr GLenum kGLCompressedRGBAPVRTC4 = 0x8C02;
constexpr GLenum kGLCompressedRGBAPVRTC2 = 0x8C03;
constexpr size_t kPVRTCMinimumDataSize = 32;

// Class-wide choices, written at start-up on the main thread.
CCTexture2DPixelFormat gDefaultAlphaPixelFormat = kCCTexture2DPixelFormat_Default;
bool gPVRHaveAlphaPremultiplied = false;

struct RawUpload {
    GLenum format;
    GLenum type;
};

// How initWithData uploads a format; throws for those it cannot take.
RawUpload rawUploadFor(CCTexture2DPixelFormat format)
{
    switch (format) {
    case kCCTexture2DPixelFormat_RGBA8888:
        return {GL_RGBA, GL_UNSIGNED_BYTE};
    case kCCTexture2DPixelFormat_RGB565:
        return {GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
    case kCCTexture2DPixelFormat_A8:
        return {GL_ALPHA, GL_UNSIGNED_BYTE};
    case kCCTexture2DPixelFormat_AI88:
        return {GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE};
    case kCCTexture2DPixelFormat_RGBA4444:
        return {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4};
    case kCCTexture2DPixelFormat_RGB5A1:
        return {GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1};
    default:
        throw std::invalid_argument("");
    }
}

bool isThirtyTwoBitCanvasFormat(CCTexture2DPixelFormat format)
{
    return format == kCCTexture2DPixelFormat_RGBA8888 || format == kCCTexture2DPixelFormat_RGBA4444 ||
           format == kCCTexture2DPixelFormat_RGB5A1;
}

// Errors left by earlier calls must not be taken for ours.
void discardPendingGLErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

} // namespace

CCTexture2D::~CCTexture2D()
{
    if (name_ != 0) {
        GLuint name = name_;
        glDeleteTextures(1, &name);
    }
}

bool CCTexture2D::initWithData(const void* data, CCTexture2DPixelFormat format, uint32_t pixelsWide,
                               uint32_t pixelsHigh, CGSize contentSize)
{
    const RawUpload upload = rawUploadFor(format);
    discardPendingGLErrors();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLuint name = 0;
    glGenTextures(1, &name);
    name_ = name;
    glBindTexture(GL_TEXTURE_2D, name);
    setAntiAliasTexParameters();
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(upload.format), static_cast<GLsizei>(pixelsWide),
                 static_cast<GLsizei>(pixelsHigh), 0, upload.format, upload.type, data);
    if (GLenum error = glGetError(); error != GL_NO_ERROR) {
        logLine("CCTexture2D: upload of %ux%u failed (GL error 0x%04X)", pixelsWide, pixelsHigh, error);
        glDeleteTextures(1, &name);
        name_ = 0;
        return false;
    }
    size_ = contentSize;
    width_ = pixelsWide;
    height_ = pixelsHigh;
    format_ = format;
    maxS_ = contentSize.width / static_cast<float>(pixelsWide);
    maxT_ = contentSize.height / static_cast<float>(pixelsHigh);
    hasPremultipliedAlpha_ = false;
    resolutionType_ = kCCResolutionUnknown;
    return true;
}

bool CCTexture2D::initWithImage(const Image* image, ccResolutionType resolutionType, bool jpg)
{
    const CCConfiguration* configuration = CCConfiguration::sharedConfiguration();
    std::optional<PreparedImage> prepared = prepareImage(
        image, {configuration->supportsNPOT(), configuration->maxTextureSize(), gDefaultAlphaPixelFormat}, jpg);
    return prepared && initWithPreparedImage(*prepared, resolutionType);
}

std::optional<CCTexture2D::PreparedImage> CCTexture2D::prepareImage(const Image* image, const CanvasRules& rules,
                                                                      bool jpg)
{
    if (!image || image->width() <= 0 || image->height() <= 0) {
        return std::nullopt;
    }
    const uint32_t imageWidth = static_cast<uint32_t>(image->width());
    const uint32_t imageHeight = static_cast<uint32_t>(image->height());
    const uint32_t width = rules.npot ? imageWidth : ccNextPOT(imageWidth);
    const uint32_t height = rules.npot ? imageHeight : ccNextPOT(imageHeight);
    const uint32_t maxSize = static_cast<uint32_t>(std::max(rules.maxTextureSize, 0));
    if (width > maxSize || height > maxSize) {
        return std::nullopt;
    }

    const bool isMask = image->colorSpace() == ImageColorSpace::None;
    const bool hasAlpha = image->hasAlpha();
    CCTexture2DPixelFormat format = kCCTexture2DPixelFormat_RGBA8888;
    if (isMask) {
        format = kCCTexture2DPixelFormat_A8;
    } else if ((hasAlpha || image->bitsPerComponent() >= 8) && !jpg) {
        format = rules.alphaFormat;
    }
    if (!isThirtyTwoBitCanvasFormat(format) && format != kCCTexture2DPixelFormat_RGB565 &&
        format != kCCTexture2DPixelFormat_A8) {
        throw std::invalid_argument("Invalid pixel format");
    }

    // The image lands in the top rows of the canvas: the first row in memory
    // is its top row, so texture coordinate (0, 0) is its top-left corner.
    PreparedImage prepared;
    prepared.format = format;
    prepared.pixelsWide = width;
    prepared.pixelsHigh = height;
    prepared.contentSize = CGSize(static_cast<float>(imageWidth), static_cast<float>(imageHeight));
    prepared.premultipliedAlpha = isThirtyTwoBitCanvasFormat(format) && hasAlpha && !isMask;
    const size_t pixels = static_cast<size_t>(width) * height;
    if (format == kCCTexture2DPixelFormat_A8) {
        prepared.bytes.reset(new uint8_t[pixels]());
        image->drawAlpha(prepared.bytes.get(), static_cast<int>(width), static_cast<int>(height));
    } else if (format == kCCTexture2DPixelFormat_RGBA8888) {
        // Written row by row straight into the upload buffer: no zero-filled
        // canvas first, only the padding of a power-of-two canvas is cleared.
        const size_t rowBytes = static_cast<size_t>(width) * 4;
        prepared.bytes.reset(new uint8_t[pixels * 4]);
        uint8_t* rgba = prepared.bytes.get();
        for (uint32_t row = 0; row < imageHeight; ++row) {
            uint8_t* line = rgba + row * rowBytes;
            image->premultipliedRow(row, 0, static_cast<int>(imageWidth), line);
            std::fill(line + imageWidth * 4, line + rowBytes, uint8_t{0});
        }
        std::fill(rgba + imageHeight * rowBytes, rgba + height * rowBytes, uint8_t{0});
    } else {
        // Packed as each row is premultiplied: the 16-bit canvas is the only
        // whole-image buffer.
        prepared.bytes.reset(new uint8_t[pixels * 2]);
        auto* packed = reinterpret_cast<uint16_t*>(prepared.bytes.get());
        std::vector<uint8_t> line(static_cast<size_t>(imageWidth) * 4);
        for (uint32_t row = 0; row < imageHeight; ++row) {
            uint16_t* out = packed + static_cast<size_t>(row) * width;
            image->premultipliedRow(row, 0, static_cast<int>(imageWidth), line.data());
            packPixels16Into(line.data(), imageWidth, format, out);
            std::fill(out + imageWidth, out + width, uint16_t{0});
        }
        std::fill(packed + static_cast<size_t>(imageHeight) * width, packed + pixels, uint16_t{0});
    }
    return prepared;
}

bool CCTexture2D::initWithPreparedImage(const PreparedImage& prepared, ccResolutionType resolutionType)
{
    if (!prepared.bytes ||
        !initWithData(prepared.bytes.get(), prepared.format, prepared.pixelsWide, prepared.pixelsHigh,
                      prepared.contentSize)) {
        return false;
    }
    hasPremultipliedAlpha_ = prepared.premultipliedAlpha;
    resolutionType_ = resolutionType;
    return true;
}

bool CCTexture2D::initWithPVRFile(const std::string& name)
{
    ccResolutionType resolutionType = kCCResolutionUnknown;
    const std::string fullPath = CCFileUtils::fullPathFromRelativePath(name, &resolutionType);
    Ref<CCTexturePVR> pvr = CCTexturePVR::pvrTextureWithContentsOfFile(fullPath);
    if (!pvr) {
        return false;
    }
    // The GL texture changes hands: this object deletes it from now on.
    pvr->setRetainName(true);
    name_ = pvr->name();
    maxS_ = 1.0f;
    maxT_ = 1.0f;
    width_ = pvr->width();
    height_ = pvr->height();
    size_ = CGSize(static_cast<float>(width_), static_cast<float>(height_));
    hasPremultipliedAlpha_ = gPVRHaveAlphaPremultiplied;
    format_ = pvr->format();
    pvr = nullptr;
    setAntiAliasTexParameters();
    resolutionType_ = resolutionType;
    return true;
}

size_t CCTexture2D::pvrtcDataSize(int bpp, int length)
{
    size_t side = length > 0 ? static_cast<size_t>(length) : 0;
    size_t bits = bpp > 0 ? static_cast<size_t>(bpp) : 0;
    return std::max(bits * side * side / 8, kPVRTCMinimumDataSize);
}

bool CCTexture2D::initWithPVRTCData(const void* data, int level, int bpp, bool hasAlpha, int length,
                                    CCTexture2DPixelFormat format)
{
    if (!CCConfiguration::sharedConfiguration()->supportsPVRTC()) {
        return false;
    }
    GLenum glFormat = 0;
    if (hasAlpha) {
        glFormat = bpp == 4 ? kGLCompressedRGBAPVRTC4 : kGLCompressedRGBAPVRTC2;
    } else {
        glFormat = bpp == 4 ? kGLCompressedRGBPVRTC4 : kGLCompressedRGBPVRTC2;
    }
    discardPendingGLErrors();
    GLuint name = 0;
    glGenTextures(1, &name);
    name_ = name;
    glBindTexture(GL_TEXTURE_2D, name);
    setAntiAliasTexParameters();
    glCompressedTexImage2D(GL_TEXTURE_2D, level, glFormat, length, length, 0,
                           static_cast<GLsizei>(pvrtcDataSize(bpp, length)), data);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        name_ = 0;
        return false;
    }
    size_ = CGSize(static_cast<float>(length), static_cast<float>(length));
    width_ = static_cast<uint32_t>(length);
    height_ = static_cast<uint32_t>(length);
    maxS_ = 1.0f;
    maxT_ = 1.0f;
    hasPremultipliedAlpha_ = gPVRHaveAlphaPremultiplied;
    format_ = format;
    return true;
}

void CCTexture2D::PVRImagesHavePremultipliedAlpha(bool premultiplied)
{
    gPVRHaveAlphaPremultiplied = premultiplied;
}

CGSize CCTexture2D::contentSize() const
{
    const float scale = ccContentScaleFactor();
    return CGSize(size_.width / scale, size_.height / scale);
}

std::string CCTexture2D::description() const
{
    return format("<%@ = %@ | Name = %i | Dimensions = %ix%i | Coordinates = (%.2f, %.2f)>",
                  ccClassName(typeid(*this)), ccAddressString(this), name_, width_, height_, maxS_, maxT_);
}

uint32_t CCTexture2D::bitsPerPixelForFormat(CCTexture2DPixelFormat format)
{
    switch (format) {
    case kCCTexture2DPixelFormat_RGBA8888:
        return 32;
    case kCCTexture2DPixelFormat_RGB888:
        return 24;
    case kCCTexture2DPixelFormat_RGB565:
    case kCCTexture2DPixelFormat_AI88:
    case kCCTexture2DPixelFormat_RGBA4444:
    case kCCTexture2DPixelFormat_RGB5A1:
        return 16;
    case kCCTexture2DPixelFormat_A8:
    case kCCTexture2DPixelFormat_I8:
        return 8;
    case kCCTexture2DPixelFormat_PVRTC4:
        return 4;
    case kCCTexture2DPixelFormat_PVRTC2:
        return 2;
    default:
        return UINT32_MAX;
    }
}

void CCTexture2D::setDefaultAlphaPixelFormat(CCTexture2DPixelFormat format) { gDefaultAlphaPixelFormat = format; }

CCTexture2DPixelFormat CCTexture2D::defaultAlphaPixelFormat() { return gDefaultAlphaPixelFormat; }

std::vector<uint16_t> CCTexture2D::packPixels16(const uint8_t* rgba, size_t pixelCount, CCTexture2DPixelFormat format)
{
    std::vector<uint16_t> packed(pixelCount);
    packPixels16Into(rgba, pixelCount, format, packed.data());
    return packed;
}

void CCTexture2D::packPixels16Into(const uint8_t* rgba, size_t pixelCount, CCTexture2DPixelFormat format,
                                   uint16_t* packed)
{
    // One loop per format, so that each compiles to a tight (vectorised) loop.
    switch (format) {
    case kCCTexture2DPixelFormat_RGBA4444:
        for (size_t i = 0; i < pixelCount; ++i, rgba += 4)
            packed[i] = static_cast<uint16_t>(((rgba[0] >> 4) << 12) | ((rgba[1] >> 4) << 8) |
                                              ((rgba[2] >> 4) << 4) | (rgba[3] >> 4));
        break;
    case kCCTexture2DPixelFormat_RGB5A1:
        for (size_t i = 0; i < pixelCount; ++i, rgba += 4)
            packed[i] = static_cast<uint16_t>(((rgba[0] >> 3) << 11) | ((rgba[1] >> 3) << 6) |
                                              ((rgba[2] >> 3) << 1) | (rgba[3] >> 7));
        break;
    case kCCTexture2DPixelFormat_RGB565:
        for (size_t i = 0; i < pixelCount; ++i, rgba += 4)
            packed[i] = static_cast<uint16_t>(((rgba[0] >> 3) << 11) | ((rgba[1] >> 2) << 5) | (rgba[2] >> 3));
        break;
    default:
        throw std::invalid_argument("Invalid pixel format");
    }
}

void CCTexture2D::setTexParameters(const ccTexParams& params)
{
    glBindTexture(GL_TEXTURE_2D, name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(params.minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(params.magFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(params.wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(params.wrapT));
}

void CCTexture2D::setAntiAliasTexParameters()
{
    setTexParameters({GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE});
}

void CCTexture2D::setAliasTexParameters()
{
    setTexParameters({GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE});
}

void CCTexture2D::generateMipmap()
{
    if (!gl::GenerateMipmapOES && !gl::loadExtensions()) {
        logLine("CCTexture2D: the GL cannot generate mipmaps");
    }
    if (!gl::GenerateMipmapOES) {
        return;
    }
    glBindTexture(GL_TEXTURE_2D, name_);
    gl::GenerateMipmapOES(GL_TEXTURE_2D);
}

void CCTexture2D::drawAtPoint(CGPoint point) const
{
    drawQuad(point.x, point.y, static_cast<float>(width_) * maxS_, static_cast<float>(height_) * maxT_);
}

void CCTexture2D::drawInRect(CGRect rect) const
{
    drawQuad(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}

void CCTexture2D::drawQuad(float x, float y, float width, float height) const
{
    const GLfloat texCoords[] = {0, maxT_, maxS_, maxT_, 0, 0, maxS_, 0};
    const GLfloat vertices[] = {x, y, x + width, y, x, y + height, x + width, y + height};
    glBindTexture(GL_TEXTURE_2D, name_);
    glDisableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glEnableClientState(GL_COLOR_ARRAY);
}

} // namespace mw
