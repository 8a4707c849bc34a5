// PNG through libpng. libpng reports errors by longjmp, so every function that
// calls setjmp keeps its results in objects owned by its caller: nothing that
// lives in the setjmp frame is changed between setjmp and a possible longjmp.

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/ImageCodecs.h"

namespace mw::codecs {

namespace {

struct PngReader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
    Image::Description* description = nullptr;
    std::vector<uint8_t>* pixels = nullptr;
    std::vector<png_bytep> rows;
    std::string* error = nullptr;
};

struct PngWriter {
    std::vector<uint8_t>* out = nullptr;
    std::string* error = nullptr;
};

void recordError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error) *error = message ? message : "libpng error";
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset) png_error(png, "file is truncated");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

void appendToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
    writer->out->insert(writer->out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Sets up the transformations that turn any PNG into 8-bit RGBA and records
// what the source was.
void describeAndNormalise(png_structp png, png_infop info, Image::Description& description)
{
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    description.width = static_cast<int>(png_get_image_width(png, info));
    description.height = static_cast<int>(png_get_image_height(png, info));
    description.fileType = ImageFileType::PNG;
    description.bitsPerComponent = colorType == PNG_COLOR_TYPE_PALETTE ? 8 : bitDepth;
    description.colorSpace = (colorType & PNG_COLOR_MASK_COLOR) ? ImageColorSpace::RGB : ImageColorSpace::Gray;
    description.alphaInfo = ((colorType & PNG_COLOR_MASK_ALPHA) || hasTransparency) ? ImageAlphaInfo::Last
                                                                                     : ImageAlphaInfo::None;

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (hasTransparency) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !hasTransparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// The part that may longjmp. Writes only through `reader`.
bool readImage(png_structp png, png_infop info, PngReader* reader)
{
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_read_fn(png, reader, readFromMemory);
    png_set_user_limits(png, Image::kMaxDimension, Image::kMaxDimension);
    png_read_info(png, info);
    if (int64_t{png_get_image_width(png, info)} * png_get_image_height(png, info) > Image::kMaxPixels) {
        png_error(png, "image has too many pixels");
    }
    describeAndNormalise(png, info, *reader->description);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(reader->description->width) * 4) {
        png_error(png, "unexpected row layout");
    }
    const size_t rowBytes = static_cast<size_t>(reader->description->width) * 4;
    reader->pixels->resize(rowBytes * static_cast<size_t>(reader->description->height));
    reader->rows.resize(static_cast<size_t>(reader->description->height));
    for (size_t row = 0; row < reader->rows.size(); ++row) {
        reader->rows[row] = reader->pixels->data() + row * rowBytes;
    }
    png_read_image(png, reader->rows.data());
    png_read_end(png, nullptr);
    return true;
}

// The part that may longjmp. Writes only through `writer`.
bool writeImage(png_structp png, png_infop info, const uint8_t* rows, int width, int height, int channels,
                PngWriter* writer)
{
    if (setjmp(png_jmpbuf(png))) return false;

    const int colorType = channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA
                        : channels == 3 ? PNG_COLOR_TYPE_RGB
                                        : PNG_COLOR_TYPE_GRAY;
    png_set_write_fn(png, writer, appendToVector, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(channels);
    for (int row = 0; row < height; ++row) {
        png_write_row(png, const_cast<png_bytep>(rows + static_cast<size_t>(row) * rowBytes));
    }
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool looksLikePNG(const uint8_t* data, size_t size)
{
    return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

bool decodePNG(const uint8_t* data, size_t size, Image::Description& description, std::vector<uint8_t>& pixels,
               std::string& error)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, recordError, ignoreWarning);
    if (!png) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory";
        return false;
    }
    PngReader reader;
    reader.data = data;
    reader.size = size;
    reader.description = &description;
    reader.pixels = &pixels;
    reader.error = &error;
    const bool ok = readImage(png, info, &reader);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) pixels.clear();
    return ok;
}

bool encodePNG(const uint8_t* rows, int width, int height, int channels, std::vector<uint8_t>& out,
               std::string& error)
{
    if (width <= 0 || height <= 0 || (channels != 1 && channels != 3 && channels != 4)) {
        error = "nothing to encode";
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, recordError, ignoreWarning);
    if (!png) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    PngWriter writer{&out, &error};
    const bool ok = writeImage(png, info, rows, width, height, channels, &writer);
    png_destroy_write_struct(&png, &info);
    if (!ok) out.clear();
    return ok;
}

} // namespace mw::codecs
