#include <gtest/gtest.h>

#include <memory>

#include "engine/textures/CCTexturePVR.h"
#include "tests/engine/textures/PVRTestFiles.h"

namespace mw {
namespace {

using test::makePVRFile;
using test::makeTightPVRFile;
using test::mipChainBytes;
using test::PVRFileFields;
using test::tightLevelSizes;
using test::TightPVRFields;

// Devices the reader is shown: without any of the extensions it asks about,
// with all of them, with the APPLE BGRA name alone, and with Mesa's names for
// BGRA data and NPOT sizes, which the reader does not count.
const std::unique_ptr<CCConfiguration> kNoExtensionsDevice = CCConfiguration::posingAs("", 0);
const std::unique_ptr<CCConfiguration> kAllExtensionsDevice = CCConfiguration::posingAs(
    "GL_APPLE_texture_2D_limited_npot GL_IMG_texture_format_BGRA8888 GL_IMG_texture_compression_pvrtc", 4096);
const std::unique_ptr<CCConfiguration> kMesaDevice =
    CCConfiguration::posingAs("GL_EXT_texture_format_BGRA8888 GL_OES_texture_npot", 4096);
const std::unique_ptr<CCConfiguration> kAppleBGRADevice =
    CCConfiguration::posingAs("GL_APPLE_texture_format_BGRA8888", 4096);
const CCConfiguration& kNoExtensions = *kNoExtensionsDevice;
const CCConfiguration& kAllExtensions = *kAllExtensionsDevice;

struct AcceptedCase {
    const char* name;
    PVRFileFields fields;
    const CCConfiguration& support;
    CCTexture2DPixelFormat format;
    std::vector<uint32_t> levelSizes;
};

TEST(TexturePVRParse, AcceptedPixelTypesAndLevelSizes)
{
    const AcceptedCase cases[] = {
        {"PVRTC4 256 with 9 levels (blocks never below 2x2)",
         {256, 256, 0x19, 32768 + 8192 + 2048 + 512 + 128 + 4 * 32}, kNoExtensions, kCCTexture2DPixelFormat_PVRTC4,
         {32768, 8192, 2048, 512, 128, 32, 32, 32, 32}},
        {"PVRTC2 32x32", {32, 32, 0x18, 256 + 64 + 32 + 32}, kNoExtensions, kCCTexture2DPixelFormat_PVRTC2,
         {256, 64, 32, 32}},
        {"RGBA8888 64 level 0 only", {64, 64, 0x12, 16384}, kNoExtensions, kCCTexture2DPixelFormat_RGBA8888, {16384}},
        {"RGBA4444 chain", {8, 4, 0x10, mipChainBytes(8, 4, 16)}, kNoExtensions, kCCTexture2DPixelFormat_RGBA4444,
         {64, 16, 8, 8}},
        {"RGB5A1", {4, 4, 0x11, 32}, kNoExtensions, kCCTexture2DPixelFormat_RGB5A1, {32}},
        {"RGB565 chain", {4, 4, 0x13, mipChainBytes(4, 4, 16)}, kNoExtensions, kCCTexture2DPixelFormat_RGB565,
         {32, 8, 8}},
        {"RGB888", {4, 2, 0x15, 24}, kNoExtensions, kCCTexture2DPixelFormat_RGB888, {24}},
        {"A8 chain", {16, 16, 0x1B, mipChainBytes(16, 16, 8)}, kNoExtensions, kCCTexture2DPixelFormat_A8,
         {256, 64, 16, 4, 4}},
        {"I8", {2, 2, 0x16, 4}, kNoExtensions, kCCTexture2DPixelFormat_I8, {4}},
        {"AI88", {2, 2, 0x17, 8}, kNoExtensions, kCCTexture2DPixelFormat_AI88, {8}},
        {"BGRA8888 with support", {2, 2, 0x1A, 16}, kAllExtensions, kCCTexture2DPixelFormat_RGBA8888, {16}},
        {"BGRA8888 with the APPLE name alone", {2, 2, 0x1A, 16}, *kAppleBGRADevice, kCCTexture2DPixelFormat_RGBA8888,
         {16}},
        {"NPOT with support", {6, 3, 0x12, 72}, kAllExtensions, kCCTexture2DPixelFormat_RGBA8888, {72}},
        // Writers store uncompressed levels tight: a side of 1 is not padded
        // to 2, so such a level holds less than its size in 2 x 2 blocks.
        {"RGBA8888 1x1, one level of 4 bytes", {1, 1, 0x12, 4}, kNoExtensions,
         kCCTexture2DPixelFormat_RGBA8888, {4}},
        {"RGBA8888 tight chain", {4, 4, 0x12, 64 + 16 + 4}, kNoExtensions, kCCTexture2DPixelFormat_RGBA8888,
         {64, 16, 4}},
        {"A8 tight chain", {16, 16, 0x1B, 256 + 64 + 16 + 4 + 1}, kNoExtensions, kCCTexture2DPixelFormat_A8,
         {256, 64, 16, 4, 1}},
        // Where one side reaches 1 first, the level counted in 2 x 2 blocks
        // takes the rest of the data (8 + 4 + 2 bytes of 4x1, 2x1 and 1x1).
        {"RGB565 tight chain, wider than high", {8, 2, 0x13, 32 + 8 + 4 + 2}, kNoExtensions,
         kCCTexture2DPixelFormat_RGB565, {32, 14}},
        // Bytes after the data length are not pixel data.
        {"trailing bytes", {2, 2, 0x12, 16, 0xFF, 40}, kNoExtensions, kCCTexture2DPixelFormat_RGBA8888, {16}},
    };
    for (const AcceptedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> file = makePVRFile(c.fields);
        Ref<CCTexturePVR> pvr = makeRef<CCTexturePVR>();
        ASSERT_TRUE(pvr->unpackPVRData(file.data(), file.size(), c.support));
        EXPECT_EQ(pvr->format(), c.format);
        EXPECT_EQ(pvr->width(), c.fields.width);
        EXPECT_EQ(pvr->height(), c.fields.height);
        ASSERT_EQ(pvr->numberOfMipmaps(), static_cast<int>(c.levelSizes.size()));
        const unsigned char* expectedAddress = file.data() + 52;
        for (size_t i = 0; i < c.levelSizes.size(); ++i) {
            EXPECT_EQ(pvr->mipmap(static_cast<int>(i)).len, c.levelSizes[i]) << "level " << i;
            EXPECT_EQ(pvr->mipmap(static_cast<int>(i)).address, expectedAddress) << "level " << i;
            expectedAddress += c.levelSizes[i];
        }
    }
}

// Files as texture tools write them, every level tight down to 1 x 1: each
// level is found where the tool put it, at the length it gave it.
TEST(TexturePVRParse, TightLevelsAsToolsWriteThem)
{
    const TightPVRFields cases[] = {
        {8, 8, 0x10}, {8, 8, 0x11}, {8, 8, 0x12}, {8, 8, 0x13}, {8, 8, 0x15}, {8, 8, 0x16}, {8, 8, 0x17},
        {8, 8, 0x1A}, {8, 8, 0x1B}, {1, 1, 0x12}, {64, 64, 0x12, 1}, {4, 4, 0x15, 2},
    };
    for (const TightPVRFields& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " type " << int{c.pixelType}
                                        << " levels " << c.levels);
        const std::vector<unsigned char> file = makeTightPVRFile(c);
        const std::vector<uint32_t> sizes = tightLevelSizes(c);
        Ref<CCTexturePVR> pvr = makeRef<CCTexturePVR>();
        ASSERT_TRUE(pvr->unpackPVRData(file.data(), file.size(), kAllExtensions));
        ASSERT_EQ(pvr->numberOfMipmaps(), static_cast<int>(sizes.size()));
        const unsigned char* expectedAddress = file.data() + 52;
        for (size_t i = 0; i < sizes.size(); ++i) {
            EXPECT_EQ(pvr->mipmap(static_cast<int>(i)).len, sizes[i]) << "level " << i;
            EXPECT_EQ(pvr->mipmap(static_cast<int>(i)).address, expectedAddress) << "level " << i;
            expectedAddress += sizes[i];
        }
    }
}

TEST(TexturePVRParse, AlphaComesFromTheAlphaMask)
{
    Ref<CCTexturePVR> pvr = makeRef<CCTexturePVR>();
    auto opaque = makePVRFile({2, 2, 0x13, 8, 0});
    ASSERT_TRUE(pvr->unpackPVRData(opaque.data(), opaque.size(), kNoExtensions));
    EXPECT_FALSE(pvr->hasAlpha());
    auto alpha = makePVRFile({2, 2, 0x12, 16, 0xFF000000});
    ASSERT_TRUE(pvr->unpackPVRData(alpha.data(), alpha.size(), kNoExtensions));
    EXPECT_TRUE(pvr->hasAlpha());
}

TEST(TexturePVRParse, RejectedTruncatedAndHostileFiles)
{
    struct Case {
        const char* name;
        std::vector<unsigned char> file;
        const CCConfiguration& support;
    };
    auto shortened = [](std::vector<unsigned char> file, size_t keep) {
        file.resize(keep);
        return file;
    };
    const Case cases[] = {
        {"pixel type 0x14", makePVRFile({8, 8, 0x14, 256}), kAllExtensions},
        {"wrong tag", makePVRFile({8, 8, 0x12, 256, 0xFF, -1, "PVR?"}), kAllExtensions},
        {"NPOT without support", makePVRFile({6, 4, 0x12, 96}), kNoExtensions},
        {"BGRA without support", makePVRFile({2, 2, 0x1A, 16}), kNoExtensions},
        {"BGRA with Mesa's names only", makePVRFile({2, 2, 0x1A, 16}), *kMesaDevice},
        {"NPOT with Mesa's names only", makePVRFile({6, 4, 0x12, 96}), *kMesaDevice},
        {"zero width", makePVRFile({0, 4, 0x12, 32}), kAllExtensions},
        {"header cut at 51 bytes", shortened(makePVRFile({2, 2, 0x12, 16}), 51), kAllExtensions},
        {"empty", {}, kAllExtensions},
        // The header promises more data than the file holds.
        {"data length past the file", makePVRFile({64, 64, 0x12, 16384, 0xFF, 100}), kAllExtensions},
        {"data length 4 GiB", makePVRFile({2, 2, 0x12, 0xFFFFFFFF, 0xFF, 16}), kAllExtensions},
        // A level shorter than its size would make the upload read past it.
        {"level 0 cut short", makePVRFile({64, 64, 0x12, 1000}), kAllExtensions},
        {"last level cut short", makePVRFile({4, 4, 0x12, 64 + 10}), kAllExtensions},
        {"tight 1x1 level a byte short", makePVRFile({2, 2, 0x12, 16 + 3}), kAllExtensions},
        {"1x1 file a byte short", makePVRFile({1, 1, 0x12, 3}), kAllExtensions},
        // Compressed levels are uploaded whole: a level's blocks must all be there.
        {"PVRTC4 last level cut short", makePVRFile({8, 8, 0x19, 32 + 31}), kAllExtensions},
        // 17 levels of a 1x1 A8 image (4 bytes each) overrun 16 records.
        {"17 levels", makePVRFile({1, 1, 0x1B, 17 * 4}), kAllExtensions},
        {"huge size small data", makePVRFile({1u << 31, 1u << 31, 0x12, 64}), kAllExtensions},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCTexturePVR> pvr = makeRef<CCTexturePVR>();
        EXPECT_FALSE(pvr->unpackPVRData(c.file.data(), c.file.size(), c.support));
        EXPECT_EQ(pvr->numberOfMipmaps(), 0);
    }
    Ref<CCTexturePVR> pvr = makeRef<CCTexturePVR>();
    auto sixteen = makePVRFile({1, 1, 0x1B, 16 * 4});
    EXPECT_TRUE(pvr->unpackPVRData(sixteen.data(), sixteen.size(), kAllExtensions));
    EXPECT_EQ(pvr->numberOfMipmaps(), 16);
}

} // namespace
} // namespace mw
