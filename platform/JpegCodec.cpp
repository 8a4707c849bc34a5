// JPEG through libjpeg. Its default error handler calls exit(), so an error
// manager of our own longjmps back instead; as in the PNG codec, the setjmp
// frame writes its results only through objects its caller owns.

#include <cstdio> // jpeglib.h needs FILE and size_t first

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "platform/ImageCodecs.h"

namespace mw::codecs {

namespace {

struct ErrorManager {
    jpeg_error_mgr base; // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf jump;
    std::string* error = nullptr;
};

void recordMessage(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    char text[JMSG_LENGTH_MAX] = {};
    (*info->err->format_message)(info, text);
    if (manager->error) *manager->error = text;
}

[[noreturn]] void failDecoding(j_common_ptr info)
{
    recordMessage(info);
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// libjpeg treats a file that ends early as a warning and pads the picture with
// grey; a truncated file is an error here, like in the PNG decoder.
void failOnTruncation(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) failDecoding(info);
}

struct JpegDecode {
    Image::Description* description = nullptr;
    std::vector<uint8_t>* pixels = nullptr;
    std::vector<uint8_t> scanline;
};

void describe(const jpeg_decompress_struct& info, Image::Description& description)
{
    description.width = static_cast<int>(info.output_width);
    description.height = static_cast<int>(info.output_height);
    description.bitsPerComponent = 8;
    description.alphaInfo = ImageAlphaInfo::None;
    description.colorSpace = info.out_color_space == JCS_GRAYSCALE ? ImageColorSpace::Gray : ImageColorSpace::RGB;
    description.fileType = ImageFileType::JPEG;
}

// Expands one decoded scanline (grey, RGB or inverted CMYK, as Adobe writes
// it) into RGBA.
void expandScanline(const jpeg_decompress_struct& info, const uint8_t* in, uint8_t* out)
{
    for (JDIMENSION x = 0; x < info.output_width; ++x, out += 4) {
        switch (info.out_color_space) {
        case JCS_GRAYSCALE:
            out[0] = out[1] = out[2] = in[x];
            break;
        case JCS_CMYK: {
            const uint8_t* p = in + x * 4;
            out[0] = static_cast<uint8_t>(p[0] * p[3] / 255);
            out[1] = static_cast<uint8_t>(p[1] * p[3] / 255);
            out[2] = static_cast<uint8_t>(p[2] * p[3] / 255);
            break;
        }
        default:
            std::memcpy(out, in + x * 3, 3);
            break;
        }
        out[3] = 255;
    }
}

bool readImage(jpeg_decompress_struct* info, ErrorManager* errors, const uint8_t* data, size_t size,
               JpegDecode* decode)
{
    if (setjmp(errors->jump)) return false;

    jpeg_create_decompress(info);
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    if (info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK) {
        info->out_color_space = JCS_CMYK;
    } else if (info->jpeg_color_space != JCS_GRAYSCALE) {
        info->out_color_space = JCS_RGB;
    }
    if (info->image_width > static_cast<JDIMENSION>(Image::kMaxDimension) ||
        info->image_height > static_cast<JDIMENSION>(Image::kMaxDimension) ||
        int64_t{info->image_width} * info->image_height > Image::kMaxPixels) {
        ERREXIT1(info, JERR_IMAGE_TOO_BIG, Image::kMaxDimension);
    }
    jpeg_start_decompress(info);
    describe(*info, *decode->description);

    const size_t rowBytes = static_cast<size_t>(info->output_width) * 4;
    decode->pixels->resize(rowBytes * info->output_height);
    decode->scanline.resize(static_cast<size_t>(info->output_width) * static_cast<size_t>(info->output_components));
    while (info->output_scanline < info->output_height) {
        const size_t row = info->output_scanline;
        JSAMPROW line = decode->scanline.data();
        if (jpeg_read_scanlines(info, &line, 1) != 1) ERREXIT(info, JERR_INPUT_EMPTY);
        expandScanline(*info, decode->scanline.data(), decode->pixels->data() + row * rowBytes);
    }
    jpeg_finish_decompress(info);
    return true;
}

struct JpegEncode {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

bool writeImage(jpeg_compress_struct* info, ErrorManager* errors, const uint8_t* rgbRows, int width, int height,
                int quality, JpegEncode* encode)
{
    if (setjmp(errors->jump)) return false;

    jpeg_create_compress(info);
    jpeg_mem_dest(info, &encode->buffer, &encode->size);
    info->image_width = static_cast<JDIMENSION>(width);
    info->image_height = static_cast<JDIMENSION>(height);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    while (info->next_scanline < info->image_height) {
        JSAMPROW line = const_cast<JSAMPROW>(rgbRows + info->next_scanline * rowBytes);
        jpeg_write_scanlines(info, &line, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

void initErrors(ErrorManager& errors, std::string& error)
{
    jpeg_std_error(&errors.base);
    errors.base.error_exit = failDecoding;
    errors.base.output_message = recordMessage;
    errors.base.emit_message = failOnTruncation;
    errors.error = &error;
}

} // namespace

bool looksLikeJPEG(const uint8_t* data, size_t size)
{
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool decodeJPEG(const uint8_t* data, size_t size, Image::Description& description, std::vector<uint8_t>& pixels,
                std::string& error)
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    initErrors(errors, error);
    info.err = &errors.base;
    JpegDecode decode;
    decode.description = &description;
    decode.pixels = &pixels;
    const bool ok = readImage(&info, &errors, data, size, &decode);
    jpeg_destroy_decompress(&info);
    if (!ok) pixels.clear();
    return ok;
}

bool encodeJPEG(const uint8_t* rgbRows, int width, int height, int quality, std::vector<uint8_t>& out,
                std::string& error)
{
    if (width <= 0 || height <= 0) {
        error = "nothing to encode";
        return false;
    }
    jpeg_compress_struct info{};
    ErrorManager errors{};
    initErrors(errors, error);
    info.err = &errors.base;
    JpegEncode encode;
    const bool ok = writeImage(&info, &errors, rgbRows, width, height, std::clamp(quality, 1, 100), &encode);
    jpeg_destroy_compress(&info);
    if (ok) out.assign(encode.buffer, encode.buffer + encode.size);
    std::free(encode.buffer); // jpeg_mem_dest's buffer is malloc'd and left to us
    return ok;
}

} // namespace mw::codecs
