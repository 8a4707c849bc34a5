#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// How the fourth byte of a pixel is meant; the values are the platform's
// bitmap alpha numbering, which the texture code compares against.
enum class ImageAlphaInfo : int {
    None = 0,
    PremultipliedLast = 1,
    PremultipliedFirst = 2,
    Last = 3,
    First = 4,
    NoneSkipLast = 5,
    NoneSkipFirst = 6,
    Only = 7, // an alpha mask without colour
};

enum class ImageColorSpace {
    None, // a mask: alpha only
    Gray,
    RGB,  // also palette images, which are expanded to RGB
};

enum class ImageFileType { None, PNG, JPEG };

// A decoded bitmap: the stand-in for the platform's image object and its
// PNG/JPEG codecs.
//
// Pixels are kept as 8-bit RGBA rows, top row first (one byte a pixel for
// masks). The reported bitsPerComponent, colorSpace and alphaInfo describe the
// SOURCE (a 16-bit grey PNG reports 16 and Gray), because the texture code
// picks its pixel format from them. Decoders report ImageAlphaInfo::Last for
// any PNG with an alpha channel or a transparency chunk and None otherwise.
class Image : public Object {
public:
    // Largest width or height accepted, so a hostile header cannot make the
    // decoder allocate gigabytes.
    static constexpr int kMaxDimension = 16384;
    // Largest pixel count accepted (64 MiB of RGBA): the buffer is allocated
    // from the header before the data is read, so a few hostile bytes must
    // not claim a gigabyte.
    static constexpr int64_t kMaxPixels = int64_t{1} << 24;

    // Decodes PNG or JPEG bytes (told apart by their signature). Null, with
    // one log line naming `nameForLog`, for anything unreadable: unknown
    // format, truncated or corrupt data, absurd dimensions.
    [[nodiscard]] static Ref<Image> decode(const uint8_t* data, size_t size, std::string_view nameForLog = "<memory>");
    // Reads and decodes a file; null with one log line on failure. Goes
    // through the installed loader, else readFile.
    [[nodiscard]] static Ref<Image> load(const std::string& path);
    // Reads and decodes a file, every time.
    [[nodiscard]] static Ref<Image> readFile(const std::string& path);
    // Test programs load the same bundle files test after test, and may
    // install a loader that keeps what it decoded (an image never changes
    // once made). It is called from any thread. Null puts back readFile.
    // Answers the loader it replaces.
    using Loader = std::function<Ref<Image>(const std::string& path)>;
    static Loader replaceLoader(Loader loader);

    // Wraps RGBA8 pixels (top row first, width*height*4 bytes). `alpha` tells
    // how to read the fourth byte: None/NoneSkipLast (ignored, opaque), Last
    // (straight alpha) or PremultipliedLast. Null for a size mismatch or
    // another alpha kind.
    [[nodiscard]] static Ref<Image> fromRGBA(std::vector<uint8_t> pixels, int width, int height,
                                             ImageAlphaInfo alpha);
    // Wraps an alpha mask, one byte a pixel. Null for a size mismatch.
    [[nodiscard]] static Ref<Image> fromAlpha(std::vector<uint8_t> coverage, int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerComponent() const { return bitsPerComponent_; }
    ImageAlphaInfo alphaInfo() const { return alphaInfo_; }
    ImageColorSpace colorSpace() const { return colorSpace_; }
    ImageFileType fileType() const { return fileType_; }
    // Premultiplied or straight alpha, first or last (the texture code's test).
    bool hasAlpha() const;

    // The stored pixels: RGBA8 (straight or premultiplied as alphaInfo says),
    // or one byte a pixel for a mask; top row first.
    const std::vector<uint8_t>& pixels() const { return pixels_; }

    // Draws the image into a premultiplied RGBA8 canvas of canvasWidth x
    // canvasHeight (4 bytes a pixel, rows top first, no padding) with its
    // top-left corner at (x, y) counted from the canvas's top-left. The image
    // replaces what it covers (no blending); parts outside the canvas are
    // clipped; the rest of the canvas is untouched. Opaque images get alpha
    // 255; a mask draws black with its coverage as alpha.
    void drawRGBA(uint8_t* canvas, int canvasWidth, int canvasHeight, int x = 0, int y = 0) const;
    // The same into a one-byte-a-pixel alpha canvas: the image's alpha (255
    // for opaque images).
    void drawAlpha(uint8_t* canvas, int canvasWidth, int canvasHeight, int x = 0, int y = 0) const;
    // Pixels first .. first + count - 1 of `row` (all inside the image) as
    // premultiplied RGBA8, 4 bytes each, into `out`: a row of drawRGBA, for
    // callers that convert as they go instead of keeping a whole canvas.
    void premultipliedRow(size_t row, int first, int count, uint8_t* out) const;
    // A transparent canvas of the given size with the image drawn at its
    // top-left, e.g. a power-of-two texture; empty when a size is negative.
    std::vector<uint8_t> premultipliedRGBA(int canvasWidth, int canvasHeight) const;

    // PNG bytes: RGBA when the image has alpha (straight, as PNG wants), RGB
    // when opaque, 8-bit grey for a mask. Empty (and one log line) on failure.
    [[nodiscard]] std::vector<uint8_t> encodePNG() const;
    // Baseline JPEG bytes with quality 0..1 (clamped); alpha is dropped after
    // compositing over black. Empty (and one log line) on failure.
    [[nodiscard]] std::vector<uint8_t> encodeJPEG(float quality) const;
    [[nodiscard]] bool writePNG(const std::string& path) const;
    [[nodiscard]] bool writeJPEG(const std::string& path, float quality) const;

    // Fields of a freshly decoded image; the codecs fill them in.
    struct Description {
        int width = 0;
        int height = 0;
        int bitsPerComponent = 8;
        ImageAlphaInfo alphaInfo = ImageAlphaInfo::None;
        ImageColorSpace colorSpace = ImageColorSpace::RGB;
        ImageFileType fileType = ImageFileType::None;
    };
    Image(const Description& description, std::vector<uint8_t> pixels);

private:
    // The colour of pixel i as premultiplied RGBA.
    void premultipliedPixel(size_t index, uint8_t out[4]) const;

    int width_ = 0;
    int height_ = 0;
    int bitsPerComponent_ = 8;
    ImageAlphaInfo alphaInfo_ = ImageAlphaInfo::None;
    ImageColorSpace colorSpace_ = ImageColorSpace::RGB;
    ImageFileType fileType_ = ImageFileType::None;
    std::vector<uint8_t> pixels_;
};

} // namespace mw
