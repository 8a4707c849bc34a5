#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "engine/textures/CCTexture2DPixelFormat.h"

namespace mw {

class CCSprite;
class CCTexture2D;
class Image;

// Image formats of the read-back operations.
enum tImageFormat : int32_t {
    kCCImageFormatJPG = 0,  // JPEG at quality 1.0
    kCCImageFormatPNG = 1,
    kCCImageFormatRawData = 2,  // RGBA, 8 bits a channel, rows from the top
};

// A node that lets other nodes draw into a texture instead of the screen: it
// owns an offscreen framebuffer whose colour target is a texture, and a
// sprite (its only child) showing that texture. Between begin() and end()
// everything drawn goes into the texture; the content can be read back as an
// image, encoded as PNG or JPEG, or saved to a file.
//
// The window size (ccWinSize) times the content scale is taken as the
// screen's size in pixels, which end() restores as the viewport. Needs a
// current GL context from creation to destruction.
class CCRenderTexture : public CCNode {
public:
    // Width and height in points. Throws std::runtime_error("Render Texture:
    // Could not attach texture to framebuffer") when the framebuffer is not
    // complete, and std::invalid_argument for a width or height that is not
    // positive or a format textures cannot be made of (see
    // CCTexture2D::initWithData).
    static Ref<CCRenderTexture>
    renderTextureWithWidth(int width, int height,
                           CCTexture2DPixelFormat format = kCCTexture2DPixelFormat_RGBA8888);

    CCRenderTexture() = default;
    ~CCRenderTexture() override;

    // Call once on a fresh node; throws as the factory does.
    void initWithWidth(int width, int height,
                       CCTexture2DPixelFormat format = kCCTexture2DPixelFormat_RGBA8888);

    // Starts drawing into the texture, in the screen's coordinates scaled to
    // the texture. Pair every begin with an end.
    void begin();
    // begin(), then clears colour and depth to the colour (0..1 channels);
    // the GL clear colour is left as it was.
    void beginWithClear(float r, float g, float b, float a);
    // Back to the framebuffer bound at begin, the matrix and the viewport as
    // before.
    void end();
    // Fills the texture with the colour.
    void clear(float r, float g, float b, float a);

    // The content (the texture's content size in pixels, top row first):
    // raw RGBA bytes, PNG or JPEG. Empty when it cannot be read or encoded.
    std::vector<uint8_t> getUIImageAsDataFromBuffer(tImageFormat format);
    // The content as an image; null when it cannot be read.
    Ref<Image> getUIImageFromBuffer();
    // Writes getUIImageAsDataFromBuffer atomically to the full path of the
    // name (through the file utilities). False (logged) when nothing could be
    // read or written. Without a format: JPEG.
    [[nodiscard]] bool saveBuffer(const std::string& name, tImageFormat format = kCCImageFormatJPG);

    CCSprite* sprite() const { return sprite_; }
    void setSprite(CCSprite* sprite) { sprite_ = sprite; }
    CCTexture2D* texture() const { return texture_; }

private:
    // The texture's pixels, top row first; empty when they cannot be read.
    std::vector<uint8_t> readPixelsTopFirst(int* width, int* height);

    uint32_t fbo_ = 0;
    int32_t oldFBO_ = 0;
    CCTexture2D* texture_ = nullptr;  // held by the sprite
    CCSprite* sprite_ = nullptr;      // held as the only child
    CCTexture2DPixelFormat pixelFormat_ = kCCTexture2DPixelFormat_RGBA8888;
};

} // namespace mw
