#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Image.h"
#include "tests/support/DecodedImages.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// A width x 1 opaque image of one grey level, written as PNG.
void writeGrey(const std::string& path, int width, uint8_t level)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * 4, level);
    Ref<Image> image = Image::fromRGBA(std::move(rgba), width, 1, ImageAlphaInfo::NoneSkipLast);
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(image->writePNG(path));
}

uint8_t firstLevel(const Ref<Image>& image) { return image ? image->pixels().at(0) : 0; }

TEST(ImageLoader, AnInstalledLoaderServesEveryLoadUntilItIsTakenAway)
{
    test::TempDir dir;
    writeGrey(dir.file("a.png"), 2, 40);
    std::vector<std::string> asked;
    Image::Loader previous = Image::replaceLoader([&asked](const std::string& path) {
        asked.push_back(path);
        return Image::readFile(path);
    });
    EXPECT_EQ(firstLevel(Image::load(dir.file("a.png"))), 40);
    EXPECT_EQ(Image::load(dir.file("missing.png")), nullptr);
    Image::Loader mine = Image::replaceLoader(previous);
    EXPECT_TRUE(mine);
    EXPECT_EQ(asked, (std::vector<std::string>{dir.file("a.png"), dir.file("missing.png")}));
    (void)Image::load(dir.file("a.png"));
    EXPECT_EQ(asked.size(), 2u) << "the loader put back no longer hears of loads";
}

TEST(DecodedImageStore, KeepsAnImageUntilItsFileChanges)
{
    test::TempDir dir;
    const std::string path = dir.file("sheet.png");
    writeGrey(path, 4, 10);
    test::DecodedImageStore store(1 << 20);
    Ref<Image> first = store.load(path);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(store.load(path), first) << "the same file gives the kept image";

    // Written again with other pixels and another size.
    writeGrey(path, 8, 200);
    Ref<Image> second = store.load(path);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->width(), 8);
    EXPECT_EQ(firstLevel(second), 200);
    EXPECT_EQ(store.keptBytes(), 8u * 4) << "the old image is let go";

    // Written again at the same size: the modification time tells.
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - std::chrono::seconds(5));
    writeGrey(path, 8, 90);
    EXPECT_EQ(firstLevel(store.load(path)), 90);
}

TEST(DecodedImageStore, KeepsNothingItCannotDecodeAndStaysWithinItsBudget)
{
    test::TempDir dir;
    test::TempDir::writeText(dir.file("broken.png"), "\x89PNG\r\n\x1a\n not really");
    test::DecodedImageStore store(3 * 16 * 4);
    EXPECT_EQ(store.load(dir.file("broken.png")), nullptr);
    EXPECT_EQ(store.load(dir.file("absent.png")), nullptr);
    EXPECT_EQ(store.keptBytes(), 0u);

    // Four images of 64 bytes in a budget of 192: the oldest goes.
    for (int n = 0; n < 4; ++n) writeGrey(dir.file(std::to_string(n) + ".png"), 16, uint8_t(n));
    std::vector<Ref<Image>> loaded;
    for (int n = 0; n < 4; ++n) loaded.push_back(store.load(dir.file(std::to_string(n) + ".png")));
    EXPECT_EQ(store.keptBytes(), 3u * 16 * 4);
    EXPECT_NE(store.load(dir.file("0.png")), loaded[0]) << "the oldest was decoded again";
    EXPECT_EQ(store.load(dir.file("3.png")), loaded[3]);
}

} // namespace
} // namespace mw
