#include "engine/rendering/CCRenderTexture.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/base/ccUtils.h"
#include "engine/sprites/CCSprite.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "platform/GLExtensions.h"
#include "platform/Image.h"

namespace mw {

namespace {

// The screen's size in pixels: what the viewport is outside begin/end.
CGSize displaySizeInPixels()
{
    const CGSize points = ccWinSize();
    const float factor = CC_CONTENT_SCALE_FACTOR();
    return {points.width * factor, points.height * factor};
}

GLint boundFramebuffer()
{
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &bound);
    return bound;
}

} // namespace

Ref<CCRenderTexture> CCRenderTexture::renderTextureWithWidth(int width, int height,
                                                             CCTexture2DPixelFormat format)
{
    Ref<CCRenderTexture> node = makeRef<CCRenderTexture>();
    node->initWithWidth(width, height, format);
    return node;
}

CCRenderTexture::~CCRenderTexture()
{
    if (fbo_ && gl::DeleteFramebuffersOES) {
        gl::DeleteFramebuffersOES(1, &fbo_);
    }
}

void CCRenderTexture::initWithWidth(int width, int height, CCTexture2DPixelFormat format)
{
    // Checked before any GL work: a negative size would not even convert to pixels.
    if (width <= 0 || height <= 0) {
        throw std::invalid_argument("Render Texture: a size of " + std::to_string(width) + " x " +
                                    std::to_string(height) + " points holds no pixels");
    }
    if (!gl::GenFramebuffersOES || !gl::BindFramebufferOES || !gl::FramebufferTexture2DOES ||
        !gl::CheckFramebufferStatusOES) {
        throw std::runtime_error(
            "Render Texture: Could not attach texture to framebuffer (no framebuffer objects)");
    }
    oldFBO_ = boundFramebuffer();

    const float factor = CC_CONTENT_SCALE_FACTOR();
    const auto pixelsWide = static_cast<uint32_t>(static_cast<float>(width) * factor);
    const auto pixelsHigh = static_cast<uint32_t>(static_cast<float>(height) * factor);
    const uint32_t textureWide = ccNextPOT(pixelsWide);
    const uint32_t textureHigh = ccNextPOT(pixelsHigh);

    pixelFormat_ = format;
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    {
        const std::vector<uint8_t> zeroes(static_cast<size_t>(textureWide) * textureHigh * 4, 0);
        if (!texture->initWithData(zeroes.data(), format, textureWide, textureHigh,
                                   {static_cast<float>(pixelsWide), static_cast<float>(pixelsHigh)})) {
            throw std::runtime_error("Render Texture: Could not make the texture");
        }
    }

    gl::GenFramebuffersOES(1, &fbo_);
    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
    gl::FramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, texture->name(),
                                0);
    if (gl::CheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
        throw std::runtime_error("Render Texture: Could not attach texture to framebuffer");
    }
    texture->setAliasTexParameters();

    Ref<CCSprite> sprite = CCSprite::spriteWithTexture(texture.get());
    texture_ = texture.get();
    sprite_ = sprite.get();
    // GL's rows start at the bottom; the sprite shows them the right way up.
    sprite_->setScaleY(-1);
    addChild(sprite_);
    sprite_->setBlendFunc(kCCBlendFuncDefault);

    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
}

void CCRenderTexture::begin()
{
    glPushMatrix();
    const CGSize textureSize = texture_->contentSizeInPixels();
    const CGSize display = displaySizeInPixels();
    // Scales the screen's coordinates so that they land on the texture's pixels.
    const float widthRatio = display.width / textureSize.width;
    const float heightRatio = display.height / textureSize.height;
    glOrthof(-1.0f / widthRatio, 1.0f / widthRatio, -1.0f / heightRatio, 1.0f / heightRatio, -1, 1);
    glViewport(0, 0, static_cast<GLsizei>(textureSize.width), static_cast<GLsizei>(textureSize.height));

    oldFBO_ = boundFramebuffer();
    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
    ccBeginNodeDrawing();
}

void CCRenderTexture::beginWithClear(float r, float g, float b, float a)
{
    begin();
    GLfloat previous[4] = {0, 0, 0, 0};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, previous);
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(previous[0], previous[1], previous[2], previous[3]);
}

void CCRenderTexture::end()
{
    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
    glPopMatrix();
    const CGSize display = displaySizeInPixels();
    glViewport(0, 0, static_cast<GLsizei>(display.width), static_cast<GLsizei>(display.height));
}

void CCRenderTexture::clear(float r, float g, float b, float a)
{
    beginWithClear(r, g, b, a);
    end();
}

std::vector<uint8_t> CCRenderTexture::readPixelsTopFirst(int* width, int* height)
{
    const CGSize size = texture_->contentSizeInPixels();
    const int w = static_cast<int>(size.width);
    const int h = static_cast<int>(size.height);
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    std::vector<uint8_t> bottomFirst;
    std::vector<uint8_t> topFirst;
    try {
        bottomFirst.resize(rowBytes * h);
        topFirst.resize(rowBytes * h);
    } catch (const std::bad_alloc&) {
        logLine("CCRenderTexture: no memory to read %dx%d pixels", w, h);
        return {};
    }
    begin();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomFirst.data());
    end();
    for (int row = 0; row < h; ++row) {
        std::memcpy(&topFirst[rowBytes * row], &bottomFirst[rowBytes * (h - 1 - row)], rowBytes);
    }
    *width = w;
    *height = h;
    return topFirst;
}

Ref<Image> CCRenderTexture::getUIImageFromBuffer()
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels = readPixelsTopFirst(&width, &height);
    if (pixels.empty()) {
        return nullptr;
    }
    return Image::fromRGBA(std::move(pixels), width, height, ImageAlphaInfo::PremultipliedLast);
}

std::vector<uint8_t> CCRenderTexture::getUIImageAsDataFromBuffer(tImageFormat format)
{
    if (format == kCCImageFormatRawData) {
        int width = 0;
        int height = 0;
        return readPixelsTopFirst(&width, &height);
    }
    Ref<Image> image = getUIImageFromBuffer();
    if (!image) {
        return {};
    }
    return format == kCCImageFormatPNG ? image->encodePNG() : image->encodeJPEG(1.0f);
}

bool CCRenderTexture::saveBuffer(const std::string& name, tImageFormat format)
{
    const std::vector<uint8_t> data = getUIImageAsDataFromBuffer(format);
    if (data.empty()) {
        logLine("CCRenderTexture: nothing to save to %s", name.c_str());
        return false;
    }
    return AtomicFile::write(CCFileUtils::fullPathFromRelativePath(name), data.data(), data.size());
}

} // namespace mw
