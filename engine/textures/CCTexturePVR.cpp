#include "engine/textures/CCTexturePVR.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/support/CCFileUtils.h"
#include "engine/support/ZipUtils.h"
#include "foundation/Log.h"

namespace mw {

namespace {

constexpr GLenum kGLBGRA = 0x80E1;
constexpr GLenum kGLCompressedRGBAPVRTC4 = 0x8C02;
constexpr GLenum kGLCompressedRGBAPVRTC2 = 0x8C03;
constexpr GLenum kGLNone = 0xFFFFFFFF;

constexpr uint8_t kPVRTypePVRTC2 = 0x18;
constexpr uint8_t kPVRTypePVRTC4 = 0x19;
constexpr uint8_t kPVRTypeBGRA8888 = 0x1A;

struct PVRFormatRow {
    uint8_t type;
    GLenum internalFormat;
    GLenum format;
    GLenum glType;
    uint32_t bitsPerPixel;
    bool compressed;
    CCTexture2DPixelFormat pixelFormat;
};

// Searched in this order for the file's pixel type.
constexpr PVRFormatRow kFormatTable[] = {
    {0x10, GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 16, false, kCCTexture2DPixelFormat_RGBA4444},
    {0x11, GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 16, false, kCCTexture2DPixelFormat_RGB5A1},
    {0x12, GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, 32, false, kCCTexture2DPixelFormat_RGBA8888},
    {0x13, GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 16, false, kCCTexture2DPixelFormat_RGB565},
    {0x15, GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, 24, false, kCCTexture2DPixelFormat_RGB888},
    {0x1B, GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE, 8, false, kCCTexture2DPixelFormat_A8},
    {0x16, GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE, 8, false, kCCTexture2DPixelFormat_I8},
    {0x17, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, 16, false, kCCTexture2DPixelFormat_AI88},
    {kPVRTypePVRTC2, kGLCompressedRGBAPVRTC2, kGLNone, kGLNone, 2, true, kCCTexture2DPixelFormat_PVRTC2},
    {kPVRTypePVRTC4, kGLCompressedRGBAPVRTC4, kGLNone, kGLNone, 4, true, kCCTexture2DPixelFormat_PVRTC4},
    {kPVRTypeBGRA8888, GL_RGBA, kGLBGRA, GL_UNSIGNED_BYTE, 32, false, kCCTexture2DPixelFormat_RGBA8888},
};
constexpr uint32_t kFormatTableRows = sizeof(kFormatTable) / sizeof(kFormatTable[0]);

// Header words (little-endian 32-bit) by byte offset.
constexpr size_t kOffsetHeight = 4;
constexpr size_t kOffsetWidth = 8;
constexpr size_t kOffsetFlags = 16;
constexpr size_t kOffsetDataLength = 20;
constexpr size_t kOffsetAlphaMask = 40;
constexpr size_t kOffsetTag = 44;

uint32_t readWord(const unsigned char* header, size_t offset)
{
    const unsigned char* p = header + offset;
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

bool isPowerOfTwo(uint32_t x)
{
    return x != 0 && (x & (x - 1)) == 0;
}

std::string lowerCased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void reportPendingGLError(const char* where)
{
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        logLine("OpenGL error 0x%04X in %s", error, where);
    }
}

// a x b, or UINT64_MAX when the product does not fit: sizes come from the file.
uint64_t saturatingProduct(uint64_t a, uint64_t b)
{
    return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

// The most bytes one level of the given row at the given size takes in the
// file: whole blocks, never fewer than 2 x 2 of them. A level takes no more
// than this, and less where the data ends first.
uint64_t levelSize(const PVRFormatRow& row, uint32_t width, uint32_t height)
{
    uint64_t blockSize = 1;
    uint64_t across = width;
    uint64_t down = height;
    if (row.type == kPVRTypePVRTC2) {
        blockSize = 32;
        across = width / 8;
        down = height / 4;
    } else if (row.type == kPVRTypePVRTC4) {
        blockSize = 16;
        across = width / 4;
        down = height / 4;
    }
    across = std::max<uint64_t>(across, 2);
    down = std::max<uint64_t>(down, 2);
    return saturatingProduct(across * down, blockSize * row.bitsPerPixel / 8);
}

// The bytes the upload of one level reads: a compressed level is handed over
// whole, so it needs all its blocks; an uncompressed one is read pixel by
// pixel (unpack alignment 1), so a side of 1 needs no padding to a block of 2.
// Writers store uncompressed levels tight, which is why the two differ.
uint64_t uploadSize(const PVRFormatRow& row, uint32_t width, uint32_t height)
{
    if (row.compressed) {
        return levelSize(row, width, height);
    }
    return saturatingProduct(uint64_t{width} * height, row.bitsPerPixel / 8);
}

} // namespace

CCTexturePVR::~CCTexturePVR()
{
    if (name_ != 0 && !retainName_) {
        GLuint name = name_;
        glDeleteTextures(1, &name);
    }
}

Ref<CCTexturePVR> CCTexturePVR::pvrTextureWithContentsOfFile(const std::string& path)
{
    Ref<CCTexturePVR> texture = makeRef<CCTexturePVR>();
    return texture->initWithContentsOfFile(path) ? texture : nullptr;
}

Ref<CCTexturePVR> CCTexturePVR::pvrTextureWithContentsOfURL(const std::string& url)
{
    Ref<CCTexturePVR> texture = makeRef<CCTexturePVR>();
    return texture->initWithContentsOfURL(url) ? texture : nullptr;
}

bool CCTexturePVR::initWithContentsOfURL(const std::string& url)
{
    static const std::string kFileScheme = "file://";
    if (url.compare(0, kFileScheme.size(), kFileScheme) != 0) {
        return false;
    }
    return initWithContentsOfFile(url.substr(kFileScheme.size()));
}

bool CCTexturePVR::initWithContentsOfFile(const std::string& path)
{
    const std::string lower = lowerCased(path);
    std::vector<unsigned char> data;
    int64_t length = -1;
    if (endsWith(lower, ".ccz")) {
        length = ccInflateCCZFile(path.c_str(), data);
    } else if (endsWith(lower, ".gz")) {
        length = ccInflateGZipFile(path.c_str(), data);
    } else {
        length = ccLoadFileIntoMemory(path.c_str(), data);
    }
    if (length < 0) {
        logLine("CCTexturePVR: cannot read %s", path.c_str());
        return false;
    }
    reset();
    const CCConfiguration& configuration = *CCConfiguration::sharedConfiguration();
    // A file without pixel data would give a texture of some size with no
    // GL texture behind it; it is refused like any other unreadable file.
    bool ok = unpackPVRData(data.data(), data.size(), configuration) && numberOfMipmaps_ > 0 &&
              createGLTexture(configuration);
    // The level records point into data, which is about to go.
    for (CCPVRMipmap& level : mipmaps_) {
        level.address = nullptr;
    }
    if (!ok) {
        logLine("CCTexturePVR: cannot load %s", path.c_str());
    }
    return ok;
}

void CCTexturePVR::reset()
{
    mipmaps_ = {};
    numberOfMipmaps_ = 0;
    tableFormatIndex_ = UINT32_MAX;
    width_ = 0;
    height_ = 0;
    hasAlpha_ = false;
    retainName_ = false;
    if (name_ != 0) {
        GLuint name = name_;
        glDeleteTextures(1, &name);
        name_ = 0;
    }
}

bool CCTexturePVR::unpackPVRData(const unsigned char* data, size_t length, const CCConfiguration& configuration)
{
    numberOfMipmaps_ = 0;
    if (!data || length < kCCPVRHeaderSize) {
        return false;
    }
    if (std::memcmp(data + kOffsetTag, "PVR!", 4) != 0) {
        return false;
    }
    uint32_t width = readWord(data, kOffsetWidth);
    uint32_t height = readWord(data, kOffsetHeight);
    if (width == 0 || height == 0) {
        return false;
    }
    if (!configuration.supportsNPOT() && (!isPowerOfTwo(width) || !isPowerOfTwo(height))) {
        return false;
    }
    const uint8_t type = static_cast<uint8_t>(readWord(data, kOffsetFlags) & 0xFF);
    uint32_t row = 0;
    while (row < kFormatTableRows && kFormatTable[row].type != type) {
        ++row;
    }
    if (row == kFormatTableRows) {
        return false;
    }
    const PVRFormatRow& format = kFormatTable[row];
    if (type == kPVRTypeBGRA8888 && !configuration.supportsBGRA8888()) {
        return false;
    }
    // The header's data length may not reach past the bytes actually loaded.
    const uint64_t dataLength = readWord(data, kOffsetDataLength);
    if (dataLength > length - kCCPVRHeaderSize) {
        return false;
    }

    tableFormatIndex_ = row;
    width_ = width;
    height_ = height;
    hasAlpha_ = readWord(data, kOffsetAlphaMask) != 0;
    format_ = format.pixelFormat;

    uint64_t offset = 0;
    int levels = 0;
    while (offset < dataLength) {
        const uint64_t levelLength = std::min(dataLength - offset, levelSize(format, width, height));
        // A level shorter than its upload reads would make GL read past the
        // data, and more levels than the records hold would overrun them.
        if (levels == kCCPVRMipmapMax || levelLength < uploadSize(format, width, height)) {
            numberOfMipmaps_ = 0;
            return false;
        }
        mipmaps_[static_cast<size_t>(levels)] = {data + kCCPVRHeaderSize + offset,
                                                 static_cast<uint32_t>(levelLength)};
        ++levels;
        offset += levelLength;
        width = std::max<uint32_t>(width / 2, 1);
        height = std::max<uint32_t>(height / 2, 1);
    }
    numberOfMipmaps_ = levels;
    return true;
}

bool CCTexturePVR::createGLTexture(const CCConfiguration& configuration)
{
    if (numberOfMipmaps_ <= 0 || tableFormatIndex_ >= kFormatTableRows) {
        return true;
    }
    const PVRFormatRow& format = kFormatTable[tableFormatIndex_];
    if (format.compressed && !configuration.supportsPVRTC()) {
        return false;
    }
    if (name_ != 0) {
        GLuint old = name_;
        glDeleteTextures(1, &old);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLuint name = 0;
    glGenTextures(1, &name);
    name_ = name;
    glBindTexture(GL_TEXTURE_2D, name);
    reportPendingGLError("CCTexturePVR::createGLTexture");

    GLsizei width = static_cast<GLsizei>(width_);
    GLsizei height = static_cast<GLsizei>(height_);
    for (int level = 0; level < numberOfMipmaps_; ++level) {
        const CCPVRMipmap& mip = mipmaps_[static_cast<size_t>(level)];
        if (format.compressed) {
            glCompressedTexImage2D(GL_TEXTURE_2D, level, format.internalFormat, width, height, 0,
                                   static_cast<GLsizei>(mip.len), mip.address);
        } else {
            glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(format.internalFormat), width, height, 0,
                         format.format, format.glType, mip.address);
        }
        if (glGetError() != GL_NO_ERROR) {
            return false;
        }
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
    }
    return true;
}

} // namespace mw
