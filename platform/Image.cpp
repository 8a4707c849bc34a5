#include "platform/Image.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "platform/ImageCodecs.h"

namespace mw {

namespace {

// Files larger than this are not images the game ships; refusing them early
// keeps a stray path from being read into memory whole.
constexpr std::streamoff kMaxFileBytes = 256 * 1024 * 1024;

// channel * alpha / 255, rounded to nearest: the same as (channel * alpha +
// 127) / 255 for every pair of bytes, without a division.
inline uint8_t premultiply(unsigned channel, unsigned alpha)
{
    const unsigned product = channel * alpha + 128;
    return static_cast<uint8_t>((product + (product >> 8)) >> 8);
}

uint8_t unpremultiply(uint8_t channel, uint8_t alpha)
{
    if (alpha == 0) return 0;
    return static_cast<uint8_t>(std::min(255, (channel * 255 + alpha / 2) / alpha));
}

bool sizeIsValid(int width, int height)
{
    return width > 0 && height > 0 && width <= Image::kMaxDimension && height <= Image::kMaxDimension &&
           int64_t{width} * height <= Image::kMaxPixels;
}

// Through AtomicFile, so that a failed write never leaves a torn image behind
// under the name (a screenshot replaces the last one whole or not at all).
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return !bytes.empty() && AtomicFile::write(path, bytes.data(), bytes.size()); // failures logged there
}

// The part of the image that lands on the canvas, in image coordinates.
struct Clip {
    int firstX, firstY, endX, endY;
    bool empty() const { return firstX >= endX || firstY >= endY; }
};

Clip clipTo(int imageWidth, int imageHeight, int canvasWidth, int canvasHeight, int x, int y)
{
    return {std::max(0, -x), std::max(0, -y), std::min(imageWidth, canvasWidth - x),
            std::min(imageHeight, canvasHeight - y)};
}

} // namespace

Image::Image(const Description& description, std::vector<uint8_t> pixels)
    : width_(description.width),
      height_(description.height),
      bitsPerComponent_(description.bitsPerComponent),
      alphaInfo_(description.alphaInfo),
      colorSpace_(description.colorSpace),
      fileType_(description.fileType),
      pixels_(std::move(pixels))
{
}

Ref<Image> Image::decode(const uint8_t* data, size_t size, std::string_view nameForLog)
{
    const std::string name(nameForLog);
    if (!data || size == 0) {
        logLine("Image: %s is empty", name.c_str());
        return nullptr;
    }
    Description description;
    std::vector<uint8_t> pixels;
    std::string error;
    bool decoded = false;
    if (codecs::looksLikePNG(data, size)) {
        decoded = codecs::decodePNG(data, size, description, pixels, error);
    } else if (codecs::looksLikeJPEG(data, size)) {
        decoded = codecs::decodeJPEG(data, size, description, pixels, error);
    } else {
        error = "neither PNG nor JPEG";
    }
    if (decoded && !sizeIsValid(description.width, description.height)) {
        decoded = false;
        error = "unsupported size";
    }
    if (!decoded) {
        logLine("Image: cannot decode %s: %s", name.c_str(), error.c_str());
        return nullptr;
    }
    return Ref<Image>(new Image(description, std::move(pixels)));
}

namespace {

std::mutex& loaderMutex()
{
    static std::mutex mutex;
    return mutex;
}

Image::Loader& installedLoader()
{
    static Image::Loader loader;
    return loader;
}

} // namespace

Image::Loader Image::replaceLoader(Loader loader)
{
    std::lock_guard<std::mutex> lock(loaderMutex());
    std::swap(installedLoader(), loader);
    return loader;
}

Ref<Image> Image::load(const std::string& path)
{
    Loader loader;
    {
        std::lock_guard<std::mutex> lock(loaderMutex());
        loader = installedLoader();
    }
    return loader ? loader(path) : readFile(path);
}

Ref<Image> Image::readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        logLine("Image: cannot open %s", path.c_str());
        return nullptr;
    }
    const std::streamoff length = file.tellg();
    if (length < 0 || length > kMaxFileBytes) {
        logLine("Image: %s is too large to be an image", path.c_str());
        return nullptr;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), length);
    if (!file) {
        logLine("Image: cannot read %s", path.c_str());
        return nullptr;
    }
    return decode(bytes.data(), bytes.size(), path);
}

Ref<Image> Image::fromRGBA(std::vector<uint8_t> pixels, int width, int height, ImageAlphaInfo alpha)
{
    const bool knownAlpha = alpha == ImageAlphaInfo::None || alpha == ImageAlphaInfo::NoneSkipLast ||
        alpha == ImageAlphaInfo::Last || alpha == ImageAlphaInfo::PremultipliedLast;
    if (!knownAlpha || !sizeIsValid(width, height) ||
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        logLine("Image: RGBA pixels do not match %dx%d", width, height);
        return nullptr;
    }
    Description description;
    description.width = width;
    description.height = height;
    description.alphaInfo = alpha;
    return Ref<Image>(new Image(description, std::move(pixels)));
}

Ref<Image> Image::fromAlpha(std::vector<uint8_t> coverage, int width, int height)
{
    if (!sizeIsValid(width, height) || coverage.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        logLine("Image: alpha mask does not match %dx%d", width, height);
        return nullptr;
    }
    Description description;
    description.width = width;
    description.height = height;
    description.alphaInfo = ImageAlphaInfo::Only;
    description.colorSpace = ImageColorSpace::None;
    return Ref<Image>(new Image(description, std::move(coverage)));
}

bool Image::hasAlpha() const
{
    const int info = static_cast<int>(alphaInfo_);
    return info >= static_cast<int>(ImageAlphaInfo::PremultipliedLast) && info <= static_cast<int>(ImageAlphaInfo::First);
}

void Image::premultipliedPixel(size_t index, uint8_t out[4]) const
{
    premultipliedRow(index / static_cast<size_t>(width_), static_cast<int>(index % static_cast<size_t>(width_)), 1,
                     out);
}

void Image::premultipliedRow(size_t row, int first, int count, uint8_t* out) const
{
    const size_t start = row * static_cast<size_t>(width_) + static_cast<size_t>(first);
    const size_t pixels = static_cast<size_t>(count);
    // One loop per kind, so that the per-pixel work is a few integer
    // operations the compiler can vectorise (a texture sheet is millions of
    // pixels).
    switch (alphaInfo_) {
    case ImageAlphaInfo::Only: {
        const uint8_t* in = pixels_.data() + start;
        for (size_t i = 0; i < pixels; ++i, out += 4) {
            out[0] = out[1] = out[2] = 0;
            out[3] = in[i];
        }
        break;
    }
    case ImageAlphaInfo::Last: {
        const uint8_t* in = pixels_.data() + start * 4;
        for (size_t i = 0; i < pixels * 4; i += 4) {
            const unsigned alpha = in[i + 3];
            out[i] = premultiply(in[i], alpha);
            out[i + 1] = premultiply(in[i + 1], alpha);
            out[i + 2] = premultiply(in[i + 2], alpha);
            out[i + 3] = static_cast<uint8_t>(alpha);
        }
        break;
    }
    case ImageAlphaInfo::PremultipliedLast:
        std::copy_n(pixels_.data() + start * 4, pixels * 4, out);
        break;
    default: { // opaque: the fourth byte means nothing
        const uint8_t* in = pixels_.data() + start * 4;
        for (size_t i = 0; i < pixels * 4; i += 4) {
            out[i] = in[i];
            out[i + 1] = in[i + 1];
            out[i + 2] = in[i + 2];
            out[i + 3] = 255;
        }
        break;
    }
    }
}

void Image::drawRGBA(uint8_t* canvas, int canvasWidth, int canvasHeight, int x, int y) const
{
    if (!canvas || canvasWidth <= 0 || canvasHeight <= 0) return;
    const Clip clip = clipTo(width_, height_, canvasWidth, canvasHeight, x, y);
    if (clip.empty()) return;
    for (int row = clip.firstY; row < clip.endY; ++row) {
        uint8_t* out = canvas + (static_cast<size_t>(row + y) * canvasWidth + (clip.firstX + x)) * 4;
        premultipliedRow(static_cast<size_t>(row), clip.firstX, clip.endX - clip.firstX, out);
    }
}

void Image::drawAlpha(uint8_t* canvas, int canvasWidth, int canvasHeight, int x, int y) const
{
    if (!canvas || canvasWidth <= 0 || canvasHeight <= 0) return;
    const Clip clip = clipTo(width_, height_, canvasWidth, canvasHeight, x, y);
    if (clip.empty()) return;
    for (int row = clip.firstY; row < clip.endY; ++row) {
        uint8_t* out = canvas + static_cast<size_t>(row + y) * canvasWidth + (clip.firstX + x);
        const size_t first = static_cast<size_t>(row) * width_;
        for (int column = clip.firstX; column < clip.endX; ++column) {
            uint8_t pixel[4];
            premultipliedPixel(first + column, pixel);
            *out++ = pixel[3];
        }
    }
}

std::vector<uint8_t> Image::premultipliedRGBA(int canvasWidth, int canvasHeight) const
{
    if (canvasWidth < 0 || canvasHeight < 0) return {};
    std::vector<uint8_t> canvas(static_cast<size_t>(canvasWidth) * static_cast<size_t>(canvasHeight) * 4, 0);
    drawRGBA(canvas.data(), canvasWidth, canvasHeight);
    return canvas;
}

std::vector<uint8_t> Image::encodePNG() const
{
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    std::vector<uint8_t> rows;
    int channels = 4;
    if (alphaInfo_ == ImageAlphaInfo::Only) {
        channels = 1;
        rows = pixels_;
    } else if (hasAlpha()) {
        rows = pixels_;
        if (alphaInfo_ == ImageAlphaInfo::PremultipliedLast) {
            for (size_t i = 0; i < count; ++i) {
                uint8_t* p = rows.data() + i * 4;
                p[0] = unpremultiply(p[0], p[3]);
                p[1] = unpremultiply(p[1], p[3]);
                p[2] = unpremultiply(p[2], p[3]);
            }
        }
    } else {
        channels = 3;
        rows.resize(count * 3);
        for (size_t i = 0; i < count; ++i) std::copy_n(pixels_.data() + i * 4, 3, rows.data() + i * 3);
    }
    std::vector<uint8_t> out;
    std::string error;
    if (!codecs::encodePNG(rows.data(), width_, height_, channels, out, error)) {
        logLine("Image: cannot encode PNG: %s", error.c_str());
        return {};
    }
    return out;
}

std::vector<uint8_t> Image::encodeJPEG(float quality) const
{
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    std::vector<uint8_t> rgb(count * 3);
    for (size_t i = 0; i < count; ++i) {
        uint8_t pixel[4];
        premultipliedPixel(i, pixel); // over black
        std::copy_n(pixel, 3, rgb.data() + i * 3);
    }
    const int percent = static_cast<int>(std::clamp(quality, 0.0f, 1.0f) * 100.0f + 0.5f);
    std::vector<uint8_t> out;
    std::string error;
    if (!codecs::encodeJPEG(rgb.data(), width_, height_, percent, out, error)) {
        logLine("Image: cannot encode JPEG: %s", error.c_str());
        return {};
    }
    return out;
}

bool Image::writePNG(const std::string& path) const
{
    return writeFile(path, encodePNG());
}

bool Image::writeJPEG(const std::string& path, float quality) const
{
    return writeFile(path, encodeJPEG(quality));
}

} // namespace mw
