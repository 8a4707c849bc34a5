#include <gtest/gtest.h>

#include "engine/support/TGAlib.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// An 18-byte TGA header followed by the given pixel bytes.
std::vector<unsigned char> tgaFile(uint8_t type, int16_t width, int16_t height, uint8_t depth, bool topDown,
                                   const std::vector<unsigned char>& pixels)
{
    std::vector<unsigned char> file(18, 0);
    file[2] = type;
    file[12] = static_cast<unsigned char>(width & 0xFF);
    file[13] = static_cast<unsigned char>((width >> 8) & 0xFF);
    file[14] = static_cast<unsigned char>(height & 0xFF);
    file[15] = static_cast<unsigned char>((height >> 8) & 0xFF);
    file[16] = depth;
    file[17] = topDown ? 0x20 : 0x00;
    file.reserve(file.size() + pixels.size()); // GCC 12 warns of a false overflow otherwise
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

class TGATest : public ::testing::Test {
protected:
    std::unique_ptr<sImageTGA> load(const std::vector<unsigned char>& bytes)
    {
        std::string path = folder_.write("image" + std::to_string(counter_++) + ".tga", bytes);
        return tgaLoad(path.c_str());
    }
    test::TempDir folder_;
    int counter_ = 0;
};

TEST_F(TGATest, DecodesPlainGreyAndRunLengthImages)
{
    using Bytes = std::vector<unsigned char>;
    struct Case {
        const char* name;
        Bytes file;
        Bytes expected;
    };
    const Case cases[] = {
        // Top-down rows come back bottom-up, and B,G,R pixels as R,G,B.
        {"24-bit top-down 2x2",
         tgaFile(2, 2, 2, 24, true, {1, 2, 3, 4, 5, 6, /**/ 7, 8, 9, 10, 11, 12}),
         {9, 8, 7, 12, 11, 10, /**/ 3, 2, 1, 6, 5, 4}},
        {"32-bit bottom-up 2x1",
         tgaFile(2, 2, 1, 32, false, {1, 2, 3, 4, 5, 6, 7, 8}),
         {3, 2, 1, 4, 7, 6, 5, 8}},
        {"16-bit bytes kept", tgaFile(2, 2, 1, 16, false, {1, 2, 3, 4}), {1, 2, 3, 4}},
        {"grey 8-bit", tgaFile(3, 3, 1, 8, false, {10, 20, 30}), {10, 20, 30}},
        // 0x82: one pixel repeated 3 times; 0x02: three raw pixels.
        {"rle repeated", tgaFile(10, 3, 1, 24, false, {0x82, 1, 2, 3}), {3, 2, 1, 3, 2, 1, 3, 2, 1}},
        {"rle raw", tgaFile(10, 3, 1, 24, false, {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}), {3, 2, 1, 6, 5, 4, 9, 8, 7}},
        // A packet running past the image is cut at its end.
        {"rle packet past end", tgaFile(10, 2, 1, 8, false, {0x85, 7}), {7, 7}},
        {"rle mixed top-down", tgaFile(10, 2, 2, 8, true, {0x81, 1, 0x01, 2, 3}), {2, 3, 1, 1}},
        {"empty image", tgaFile(2, 0, 0, 32, false, {}), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = load(c.file);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->status, TGA_OK);
        EXPECT_EQ(image->flipped, 0);
        EXPECT_EQ(image->imageData, c.expected);
    }
}

TEST_F(TGATest, RefusesUnsupportedTruncatedAndHostileFiles)
{
    struct Case {
        const char* name;
        std::vector<unsigned char> file;
        TGAStatus expected;
    };
    const Case cases[] = {
        {"colour-mapped", tgaFile(1, 1, 1, 8, false, {0}), TGA_ERROR_INDEXED_COLOR},
        {"type 9", tgaFile(9, 1, 1, 8, false, {0}), TGA_ERROR_COMPRESSED_FILE},
        {"short header", std::vector<unsigned char>(17, 0), TGA_ERROR_READING_FILE},
        {"empty file", {}, TGA_ERROR_READING_FILE},
        {"plain data cut short", tgaFile(2, 2, 2, 24, false, {1, 2, 3, 4, 5, 6, 7}), TGA_ERROR_READING_FILE},
        {"rle header missing", tgaFile(10, 4, 1, 24, false, {0x80, 1, 2, 3}), TGA_ERROR_READING_FILE},
        {"rle pixel cut short", tgaFile(10, 2, 1, 24, false, {0x01, 1, 2, 3, 4}), TGA_ERROR_READING_FILE},
        // Headers no image can have, refused before any allocation.
        {"negative width", tgaFile(2, -2, 1, 8, false, {1, 2}), TGA_ERROR_READING_FILE},
        {"depth 12", tgaFile(2, 1, 1, 12, false, {1, 2}), TGA_ERROR_READING_FILE},
        {"depth 0", tgaFile(2, 1, 1, 0, false, {1}), TGA_ERROR_READING_FILE},
        {"depth 64", tgaFile(10, 1, 1, 64, false, {0x80, 1, 2, 3, 4, 5, 6, 7, 8}), TGA_ERROR_READING_FILE},
        {"32767 squared with 4 bytes", tgaFile(2, 32767, 32767, 32, false, {1, 2, 3, 4}), TGA_ERROR_READING_FILE},
        {"rle 32767 squared", tgaFile(10, 32767, 32767, 32, false, {0xFF, 1, 2, 3, 4}), TGA_ERROR_READING_FILE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = load(c.file);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->status, c.expected);
        EXPECT_TRUE(image->imageData.empty());
    }
    auto missing = tgaLoad(folder_.file("missing.tga").c_str());
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->status, TGA_ERROR_FILE_OPEN);
}

TEST_F(TGATest, LoadsFromAMemoryStream)
{
    std::vector<unsigned char> bytes = tgaFile(2, 1, 2, 8, true, {5, 6});
    std::FILE* stream = fmemopen(bytes.data(), bytes.size(), "rb");
    ASSERT_NE(stream, nullptr);
    auto image = tgaLoadFromStream(stream);
    std::fclose(stream);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->status, TGA_OK);
    EXPECT_EQ(image->width, 1);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->imageData, (std::vector<unsigned char>{6, 5}));
}

} // namespace
} // namespace mw
