#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include <string>
#include <vector>

#include "analytics/TallyFileCache.h"
#include "analytics/TallyImageCache.h"
#include "foundation/Paths.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/analytics/TallySessionTestSupport.h"

namespace mw {
namespace {

class TallyCacheTest : public test::TallySessionFixture {
protected:
    Ref<TallyFileCache> files_ = TallyFileCache::createInstance("KEY", "78");
};

ArchiveItem picture(int i)
{
    return ArchiveItem(Value(std::vector<uint8_t> { uint8_t(i), uint8_t(i >> 8), 0x89 }));
}

TEST_F(TallyCacheTest, FileNamesAndAgentVersionBinding)
{
    EXPECT_EQ(files_->createFilePath("thing", true),
              Paths::cachesPath("Tally") + "/tallyCache_thing_KEY_78.archive");
    EXPECT_EQ(files_->createFilePath("thing", false),
              Paths::cachesPath("Tally") + "/tallyCache_thing_KEY_.archive");
    ASSERT_TRUE(files_->save(ArchiveItem(Value("bound")), "thing", true));
    ASSERT_TRUE(files_->save(ArchiveItem(Value("free")), "loose", false));
    const TallyFileCache otherVersion("KEY", "79");
    EXPECT_FALSE(otherVersion.get("thing", true).has_value());
    ASSERT_TRUE(otherVersion.get("loose", false).has_value());
    EXPECT_EQ(otherVersion.get("loose", false)->value(), Value("free"));
    EXPECT_EQ(files_->get("thing")->value(), Value("bound"));
    EXPECT_TRUE(files_->remove("thing"));
    EXPECT_FALSE(files_->remove("thing"));
    EXPECT_FALSE(files_->get("thing").has_value());
}

// A name becomes part of a file path: one that could leave the folder is refused.
TEST_F(TallyCacheTest, NamesThatLeaveTheFolderAreRefused)
{
    for (const char* name : { "../escape", "a/b", "..", "x..y", "" }) {
        EXPECT_FALSE(files_->save(ArchiveItem(Value("v")), name, false)) << name;
        EXPECT_FALSE(files_->get(name, false).has_value()) << name;
        EXPECT_FALSE(files_->remove(name, false)) << name;
    }
    const Ref<TallyImageCache> images = TallyImageCache::createInstance(files_);
    EXPECT_FALSE(images->save(picture(1), "../../documents/x"));
    EXPECT_FALSE(images->get("../../documents/x").has_value());
    EXPECT_TRUE(images->storedIds().empty());
    EXPECT_FALSE(Paths::fileExists(Paths::cachesPath("documents")));
}

TEST_F(TallyCacheTest, LeastRecentlyUsedReplacement)
{
    const Ref<TallyImageCache> images = TallyImageCache::createInstance(files_);
    EXPECT_EQ(images->maxImageCached(), 400);
    for (int i = 1; i <= 400; ++i) ASSERT_TRUE(images->save(picture(i), std::to_string(i)));
    // A stored id evicts nothing and becomes the newest.
    ASSERT_TRUE(images->save(picture(1), "1"));
    EXPECT_EQ(images->storedIds().size(), 400u);
    EXPECT_EQ(images->lru().back(), "1");
    // A read moves an id last: 2 is now evicted after 3.
    ASSERT_TRUE(images->get("2").has_value());
    ASSERT_TRUE(images->save(picture(401), "401"));
    EXPECT_EQ(images->storedIds().size(), 400u);
    EXPECT_FALSE(images->get("3").has_value());
    EXPECT_TRUE(images->get("2").has_value());
    EXPECT_FALSE(Paths::fileExists(files_->createFilePath("tallyImage3", false)));
    // A file deleted behind the cache's back answers nothing and leaves the index.
    ASSERT_EQ(unlink(files_->createFilePath("tallyImage5", false).c_str()), 0);
    EXPECT_FALSE(images->get("5").has_value());
    EXPECT_EQ(images->storedIds().size(), 399u);
    EXPECT_EQ(std::count(images->lru().begin(), images->lru().end(), "5"), 0);
}

TEST_F(TallyCacheTest, IndexArchiveRoundTripAndEmptyStart)
{
    const Ref<TallyImageCache> empty = TallyImageCache::createInstance(files_);
    EXPECT_TRUE(empty->storedIds().empty());
    EXPECT_EQ(empty->cacheUpdateTimestamp(), 0);
    ASSERT_TRUE(empty->save(picture(7), "7"));
    ASSERT_TRUE(empty->save(picture(8), "8"));
    empty->setCacheUpdateTimestamp(1781524800123);

    KeyedArchiver archiver;
    empty->encodeWithCoder(archiver);
    std::vector<std::string> keys;
    const Value fields = archiver.archiveValue()["$top"];
    for (const auto& [key, value] : fields.asDict()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string> { "index", "maxImageCached", "lru", "cacheUpdateTimestamp" }));

    ASSERT_TRUE(files_->save(ArchiveItem(Ref<TallyImageCache>(empty)), "imageCache", false));
    const Ref<TallyImageCache> back = TallyImageCache::recreateInstance(files_);
    ASSERT_NE(back, empty);
    EXPECT_EQ(back->storedIds(), (std::vector<std::string> { "7", "8" }));
    EXPECT_EQ(back->lru(), (std::vector<std::string> { "7", "8" }));
    EXPECT_EQ(back->cacheUpdateTimestamp(), 1781524800123);
    EXPECT_EQ(back->maxImageCached(), 400);
    EXPECT_EQ(back->fileCache(), files_);
    EXPECT_TRUE(back->get("8").has_value());
}

TEST_F(TallyCacheTest, ReportCarriesTheImageCacheWhenAdsAreAskedFor)
{
    const Ref<TallySession> session = launch();
    TallyFileCache::purgeInstance();
    EXPECT_TRUE(test::readReport(TallySession::dataForSessions({}, {})).imageIds.empty());
    EXPECT_FALSE(TallyImageCache::instance());
    const test::DecodedReport withAds =
        test::readReport(TallySession::dataForSessions({}, { true, false, false, false }));
    ASSERT_TRUE(TallyImageCache::instance());
    EXPECT_TRUE(withAds.imageIds.empty());
    ASSERT_TRUE(TallyImageCache::instance()->save(picture(1), "9001"));
    TallyImageCache::instance()->setCacheUpdateTimestamp(42);
    const test::DecodedReport later = test::readReport(TallySession::dataForSessions({}, {}));
    EXPECT_EQ(later.imageIds, std::vector<int64_t> { 9001 });
    EXPECT_EQ(later.imageCacheTime, 42);
    EXPECT_EQ(TallyFileCache::instance()->apiKey(), "QX3TR7WMB2KJ9PLD4HSZ");
}

} // namespace
} // namespace mw
