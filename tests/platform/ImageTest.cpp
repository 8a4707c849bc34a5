#include <png.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <zlib.h>

#include "foundation/Log.h"
#include "platform/Image.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// ---------------------------------------------------------------------------
// Fixture files, written with libpng and libjpeg directly so that every PNG
// colour type and depth can be produced (our own encoder writes only 8-bit
// grey, RGB and RGBA).

struct PngSpec {
    int colorType;
    int bitDepth;
    std::vector<uint8_t> rows; // packed samples, as libpng takes them
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha; // tRNS for palette images
};

PngSpec pngSpec(int colorType, int bitDepth, std::vector<uint8_t> rows, std::vector<png_color> palette = {},
                std::vector<uint8_t> paletteAlpha = {})
{
    return PngSpec{colorType, bitDepth, std::move(rows), std::move(palette), std::move(paletteAlpha)};
}

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

std::vector<uint8_t> writeTestPNG(const PngSpec& spec, int width, int height)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "fixture PNG could not be written";
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, width, height, spec.bitDepth, spec.colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty()) {
        png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    }
    if (!spec.paletteAlpha.empty()) {
        png_set_tRNS(png, info, spec.paletteAlpha.data(), static_cast<int>(spec.paletteAlpha.size()), nullptr);
    }
    png_write_info(png, info);
    const size_t rowBytes = spec.rows.size() / height;
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(spec.rows.data() + y * rowBytes));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<uint8_t> writeTestJPEG(const std::vector<uint8_t>& samples, int width, int height, int components)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * width * components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// PNGs are 2x1; JPEGs are 32x16 with a left and a right half, so that the
// lossy chroma blocks do not mix the two colours. `left` is pixel (0, 0),
// `right` the top-right pixel.
struct DecodeCase {
    const char* name;
    std::vector<uint8_t> file;
    int width;
    int bitsPerComponent;
    ImageAlphaInfo alpha;
    ImageColorSpace colorSpace;
    ImageFileType fileType;
    uint8_t left[4];  // expected premultiplied RGBA
    uint8_t right[4];
    int tolerance;    // JPEG is lossy
};

// Samples of a 32x16 JPEG whose left half is `left` and right half `right`.
std::vector<uint8_t> halves(std::vector<uint8_t> left, std::vector<uint8_t> right)
{
    std::vector<uint8_t> samples;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            const auto& colour = x < 16 ? left : right;
            samples.insert(samples.end(), colour.begin(), colour.end());
        }
    }
    return samples;
}

std::vector<DecodeCase> decodeCases()
{
    std::vector<DecodeCase> cases;
    cases.push_back({"png rgba", writeTestPNG(pngSpec(PNG_COLOR_TYPE_RGB_ALPHA, 8, {200, 100, 50, 128, 10, 20, 30, 255}), 2, 1), 2,
                     8, ImageAlphaInfo::Last, ImageColorSpace::RGB, ImageFileType::PNG,
                     {100, 50, 25, 128}, {10, 20, 30, 255}, 1});
    cases.push_back({"png rgb", writeTestPNG(pngSpec(PNG_COLOR_TYPE_RGB, 8, {200, 100, 50, 10, 20, 30}), 2, 1), 2,
                     8, ImageAlphaInfo::None, ImageColorSpace::RGB, ImageFileType::PNG,
                     {200, 100, 50, 255}, {10, 20, 30, 255}, 0});
    cases.push_back({"png gray", writeTestPNG(pngSpec(PNG_COLOR_TYPE_GRAY, 8, {0, 180}), 2, 1), 2,
                     8, ImageAlphaInfo::None, ImageColorSpace::Gray, ImageFileType::PNG,
                     {0, 0, 0, 255}, {180, 180, 180, 255}, 0});
    cases.push_back({"png gray 1-bit", writeTestPNG(pngSpec(PNG_COLOR_TYPE_GRAY, 1, {0b0100'0000}), 2, 1), 2,
                     1, ImageAlphaInfo::None, ImageColorSpace::Gray, ImageFileType::PNG,
                     {0, 0, 0, 255}, {255, 255, 255, 255}, 0});
    cases.push_back({"png gray+alpha", writeTestPNG(pngSpec(PNG_COLOR_TYPE_GRAY_ALPHA, 8, {200, 0, 100, 255}), 2, 1), 2,
                     8, ImageAlphaInfo::Last, ImageColorSpace::Gray, ImageFileType::PNG,
                     {0, 0, 0, 0}, {100, 100, 100, 255}, 0});
    cases.push_back({"png palette+tRNS",
                     writeTestPNG(pngSpec(PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, {{255, 0, 0}, {0, 0, 255}}, {64, 255}), 2, 1), 2,
                     8, ImageAlphaInfo::Last, ImageColorSpace::RGB, ImageFileType::PNG,
                     {64, 0, 0, 64}, {0, 0, 255, 255}, 1});
    cases.push_back({"png palette opaque", writeTestPNG(pngSpec(PNG_COLOR_TYPE_PALETTE, 4, {0x10}, {{1, 2, 3}, {40, 50, 60}}), 2, 1), 2,
                     8, ImageAlphaInfo::None, ImageColorSpace::RGB, ImageFileType::PNG,
                     {40, 50, 60, 255}, {1, 2, 3, 255}, 0});
    cases.push_back({"png rgba 16-bit",
                     writeTestPNG(pngSpec(PNG_COLOR_TYPE_RGB_ALPHA, 16, {0xFF, 0xFF, 0, 0, 0, 0, 0x80, 0x00,
                                                                  0, 0, 0x80, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}), 2, 1), 2,
                     16, ImageAlphaInfo::Last, ImageColorSpace::RGB, ImageFileType::PNG,
                     {128, 0, 0, 128}, {0, 128, 255, 255}, 1});
    cases.push_back({"jpeg rgb", writeTestJPEG(halves({250, 10, 10}, {10, 10, 250}), 32, 16, 3), 32,
                     8, ImageAlphaInfo::None, ImageColorSpace::RGB, ImageFileType::JPEG,
                     {250, 10, 10, 255}, {10, 10, 250, 255}, 6});
    cases.push_back({"jpeg gray", writeTestJPEG(halves({30}, {220}), 32, 16, 1), 32,
                     8, ImageAlphaInfo::None, ImageColorSpace::Gray, ImageFileType::JPEG,
                     {30, 30, 30, 255}, {220, 220, 220, 255}, 3});
    return cases;
}

void expectPixel(const uint8_t* actual, const uint8_t* expected, int tolerance, const std::string& where)
{
    for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(actual[c], expected[c], tolerance) << where << " channel " << c;
    }
}

TEST(ImageDecode, ReportsSourceAndPremultipliesPixels)
{
    for (const DecodeCase& c : decodeCases()) {
        SCOPED_TRACE(c.name);
        Ref<Image> image = Image::decode(c.file.data(), c.file.size(), c.name);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->width(), c.width);
        EXPECT_EQ(image->bitsPerComponent(), c.bitsPerComponent);
        EXPECT_EQ(image->alphaInfo(), c.alpha);
        EXPECT_EQ(image->colorSpace(), c.colorSpace);
        EXPECT_EQ(image->fileType(), c.fileType);
        EXPECT_EQ(image->hasAlpha(), c.alpha == ImageAlphaInfo::Last);
        const std::vector<uint8_t> canvas = image->premultipliedRGBA(c.width, 1);
        expectPixel(canvas.data(), c.left, c.tolerance, "left");
        expectPixel(canvas.data() + (c.width - 1) * 4, c.right, c.tolerance, "right");
    }
}

TEST(ImageDecode, DrawsIntoALargerCanvasAtAnOffset)
{
    // A 2x2 image into a 4x4 power-of-two canvas: top-left placement keeps
    // the first image row in the first canvas row; an offset moves it and
    // clips at the edges.
    const std::vector<uint8_t> file = writeTestPNG(
        pngSpec(PNG_COLOR_TYPE_RGB, 8, {255, 0, 0, 0, 255, 0, /* row 2 */ 0, 0, 255, 255, 255, 255}), 2, 2);
    Ref<Image> image = Image::decode(file.data(), file.size());
    ASSERT_TRUE(image);
    std::vector<uint8_t> canvas = image->premultipliedRGBA(4, 4);
    auto at = [&](int x, int y) { return canvas.data() + (y * 4 + x) * 4; };
    const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
    const uint8_t clear[4] = {0, 0, 0, 0};
    expectPixel(at(0, 0), red, 0, "top-left");
    expectPixel(at(0, 1), blue, 0, "second row");
    expectPixel(at(2, 0), clear, 0, "padding right");
    expectPixel(at(0, 2), clear, 0, "padding below");

    std::fill(canvas.begin(), canvas.end(), 0);
    image->drawRGBA(canvas.data(), 4, 4, 3, -1); // only the bottom-left pixel lands
    expectPixel(at(3, 0), blue, 0, "offset pixel");
    expectPixel(at(2, 0), clear, 0, "left of offset");
    EXPECT_EQ(std::count(canvas.begin(), canvas.end(), 0), 4 * 4 * 4 - 2) << "only blue and its alpha set";

    std::vector<uint8_t> mask(16, 7);
    image->drawAlpha(mask.data(), 4, 4, 1, 1);
    EXPECT_EQ(mask[0], 7) << "outside the image is untouched";
    EXPECT_EQ(mask[5], 255);
    EXPECT_EQ(mask[2 * 4 + 2], 255);
    EXPECT_EQ(mask[3 * 4 + 3], 7);
}

TEST(ImageDecode, BadInputFailsWithOneLogLine)
{
    const std::vector<uint8_t> png = writeTestPNG(pngSpec(PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(64 * 64 * 3, 90)), 64, 64);
    const std::vector<uint8_t> jpeg = writeTestJPEG(std::vector<uint8_t>(64 * 64 * 3, 90), 64, 64, 3);
    std::vector<uint8_t> corruptPng = png;
    corruptPng[40] ^= 0xFF; // inside IHDR: the CRC no longer matches
    std::vector<uint8_t> hugePng = writeTestPNG(pngSpec(PNG_COLOR_TYPE_GRAY, 8, {0}), 1, 1);
    hugePng[16] = 0x7F; // width 0x7F000001 in IHDR
    // 16384 x 16384 is within the side limit but a gigabyte of pixels: refused
    // from the header alone (the CRC is mended so only the size can fail).
    std::vector<uint8_t> tooManyPixels = writeTestPNG(pngSpec(PNG_COLOR_TYPE_GRAY, 8, {0}), 1, 1);
    for (int at : {16, 20}) {
        tooManyPixels[at] = 0x00, tooManyPixels[at + 1] = 0x00, tooManyPixels[at + 2] = 0x40, tooManyPixels[at + 3] = 0x00;
    }
    const uLong ihdrCrc = crc32(0, tooManyPixels.data() + 12, 17);
    for (int i = 0; i < 4; ++i) tooManyPixels[29 + i] = static_cast<uint8_t>(ihdrCrc >> (24 - 8 * i));
    std::vector<uint8_t> garbageJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 2, 3};

    // `reason`, where given, must show in the log line: it tells a refusal by
    // size from a later failure on the missing data.
    struct Case { const char* name; std::vector<uint8_t> bytes; const char* reason = nullptr; };
    const Case cases[] = {
        {"truncated png", {png.begin(), png.begin() + png.size() / 2}},
        {"png signature only", {png.begin(), png.begin() + 8}},
        {"corrupt png header", corruptPng},
        {"absurd png width", hugePng},
        {"png of a gigapixel", tooManyPixels, "too many pixels"},
        {"truncated jpeg", {jpeg.begin(), jpeg.begin() + jpeg.size() / 2}},
        {"garbage jpeg", garbageJpeg},
        {"not an image", {'h', 'e', 'l', 'l', 'o'}},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        ScopedLogCapture log;
        Ref<Image> image = Image::decode(c.bytes.data(), c.bytes.size(), c.name);
        EXPECT_FALSE(image) << c.name;
        EXPECT_EQ(log.lines().size(), 1u) << c.name;
        EXPECT_TRUE(log.contains(c.name)) << c.name;
        if (c.reason) {
            EXPECT_TRUE(log.contains(c.reason)) << c.name;
        }
    }
}

TEST(ImageEncode, PNGRoundTripKeepsPixelsAndAlpha)
{
    // Straight alpha in, straight alpha back: premultiplied input is divided
    // out on encoding.
    struct Case { const char* name; ImageAlphaInfo alpha; std::vector<uint8_t> pixels; ImageAlphaInfo decodedAlpha;
                  std::vector<uint8_t> decodedPixels; };
    const Case cases[] = {
        {"straight", ImageAlphaInfo::Last, {10, 20, 30, 40, 255, 0, 0, 0, 1, 2, 3, 255, 9, 9, 9, 9},
         ImageAlphaInfo::Last, {10, 20, 30, 40, 255, 0, 0, 0, 1, 2, 3, 255, 9, 9, 9, 9}},
        {"premultiplied", ImageAlphaInfo::PremultipliedLast, {64, 32, 0, 128, 0, 0, 0, 0, 1, 2, 3, 255, 10, 10, 10, 255},
         ImageAlphaInfo::Last, {128, 64, 0, 128, 0, 0, 0, 0, 1, 2, 3, 255, 10, 10, 10, 255}},
        {"opaque", ImageAlphaInfo::NoneSkipLast, {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0},
         ImageAlphaInfo::None, {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<Image> source = Image::fromRGBA(c.pixels, 2, 2, c.alpha);
        ASSERT_TRUE(source);
        const std::vector<uint8_t> png = source->encodePNG();
        Ref<Image> decoded = Image::decode(png.data(), png.size());
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->alphaInfo(), c.decodedAlpha);
        EXPECT_EQ(decoded->pixels(), c.decodedPixels);
    }
}

TEST(ImageEncode, JPEGAndFilesRoundTrip)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) pixels.insert(pixels.end(), {uint8_t(x * 16), uint8_t(y * 16), 128, 255});
    }
    Ref<Image> source = Image::fromRGBA(pixels, 16, 16, ImageAlphaInfo::PremultipliedLast);
    ASSERT_TRUE(source);
    test::TempDir dir;
    const std::string jpegPath = dir.file("a.jpg"), pngPath = dir.file("a.png");
    ASSERT_TRUE(source->writeJPEG(jpegPath, 0.9f));
    ASSERT_TRUE(source->writePNG(pngPath));

    Ref<Image> jpeg = Image::load(jpegPath);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->fileType(), ImageFileType::JPEG);
    EXPECT_EQ(jpeg->width(), 16);
    for (size_t i = 0; i < pixels.size(); ++i) ASSERT_NEAR(jpeg->pixels()[i], pixels[i], 12) << "byte " << i;
    Ref<Image> png = Image::load(pngPath);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->pixels(), pixels);

    // Lower quality gives a smaller file.
    EXPECT_LT(source->encodeJPEG(0.1f).size(), source->encodeJPEG(1.0f).size());

    ScopedLogCapture log;
    EXPECT_FALSE(Image::load(dir.file("missing.png")));
    EXPECT_FALSE(source->writePNG(dir.file("no-such-dir/x.png")));
    EXPECT_EQ(log.lines().size(), 2u);
}

TEST(ImageEncode, WrappersRejectMismatchedSizes)
{
    ScopedLogCapture log;
    EXPECT_FALSE(Image::fromRGBA(std::vector<uint8_t>(15), 2, 2, ImageAlphaInfo::Last));
    EXPECT_FALSE(Image::fromRGBA(std::vector<uint8_t>(16), 2, 2, ImageAlphaInfo::First));
    EXPECT_FALSE(Image::fromAlpha(std::vector<uint8_t>(3), 2, 2));
    EXPECT_FALSE(Image::fromRGBA({}, 0, 0, ImageAlphaInfo::Last));
    EXPECT_EQ(log.lines().size(), 4u);

    Ref<Image> mask = Image::fromAlpha({0, 128, 255, 64}, 2, 2);
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->colorSpace(), ImageColorSpace::None);
    EXPECT_EQ(mask->alphaInfo(), ImageAlphaInfo::Only);
    EXPECT_FALSE(mask->hasAlpha()) << "the texture code treats masks apart";
    const std::vector<uint8_t> canvas = mask->premultipliedRGBA(2, 2);
    EXPECT_EQ(canvas[7], 128);
    EXPECT_EQ(canvas[4], 0);
}

} // namespace
} // namespace mw
