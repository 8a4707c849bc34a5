// The shared identity and sign-in record: its merge and equality rules, the
// resolver over its stores, and the four stores themselves.

#include <string>
#include <vector>

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "platform/CloudDocuments.h"
#include "platform/Keychain.h"
#include "social/services/CCCloudDataSharingStore.h"
#include "social/services/CCDataSharing.h"
#include "social/data/CCDataStore.h"
#include "social/session/CCPrivateSession.h"
#include "social/support/KeychainWrapper.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/RecordingKeychain.h"

namespace mw::test {
namespace {

HTTPCookie cookie(const std::string& name, const std::string& value,
                  const std::string& domain = CCPrivateSession::serviceHost())
{
    return *HTTPCookie::fromProperties(Value::dictionary(
        { { "Name", Value(name) }, { "Value", Value(value) }, { "Domain", Value(domain) }, { "Path", Value("/") } }));
}

CCDataSharingData record(std::optional<std::string> uuid, std::optional<double> uuidTime,
                         std::optional<std::string> token, std::optional<double> cookieTime)
{
    CCDataSharingData data;
    data.uuid = std::move(uuid);
    data.uuidTimestamp = uuidTime;
    if (token) data.cookies = std::vector<HTTPCookie> { cookie("REMEMBER_ME", "r"), cookie("JSESSIONID", *token) };
    data.cookieTimestamp = cookieTime;
    return data;
}

class FakeStore : public CCDataSharingStore {
public:
    FakeStore(std::string name, bool ready) : name_(std::move(name)), ready(ready) { }
    std::optional<CCDataSharingData> dataFromStore() override { return held; }
    void putDataToStore(const CCDataSharingData& data) override
    {
        held = data;
        ++puts;
    }
    void clearDataFromStore() override { held.reset(); }
    bool isReady() override { return ready; }
    std::string storeName() const override { return name_; }

    std::string name_;
    bool ready;
    std::optional<CCDataSharingData> held;
    int puts = 0;
};

class DataSharingTest : public SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        previousKeychain_ = Keychain::replaceSharedInstance(keychain_);
        previousCloud_ = CloudDocuments::replaceSharedInstance(cloud_);
        activate();
        RunLoop::main().drain();
    }
    void TearDown() override
    {
        RunLoop::main().drain();
        Keychain::replaceSharedInstance(previousKeychain_);
        CloudDocuments::replaceSharedInstance(previousCloud_);
        SocialFixture::TearDown();
    }
    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    std::shared_ptr<RecordingKeychain> keychain_ = std::make_shared<RecordingKeychain>();
    std::shared_ptr<CloudDocuments> cloud_ = std::make_shared<CloudDocuments>();
    std::shared_ptr<Keychain> previousKeychain_;
    std::shared_ptr<CloudDocuments> previousCloud_;
};

TEST(DataSharingRecord, MergeTable)
{
    struct Row {
        const char* name;
        CCDataSharingData mine, theirs;
        std::optional<std::string> uuid, token;
        std::optional<double> cookieTime;
    };
    const Row rows[] = {
        { "identity only theirs", record({}, {}, {}, {}), record("B", 9, {}, {}), "B", {}, {} },
        { "identity only mine", record("A", 10, {}, {}), record({}, {}, {}, {}), "A", {}, {} },
        { "earlier identity wins", record("A", 10, {}, {}), record("B", 9, {}, {}), "B", {}, {} },
        { "identity tie keeps mine", record("A", 10, {}, {}), record("B", 10, {}, {}), "A", {}, {} },
        { "only their token", record("A", 1, {}, {}), record({}, {}, "t2", 5), "A", "t2", 5 },
        { "only my token", record("A", 1, "t1", 2), record({}, {}, {}, 9), "A", "t1", 2 },
        { "different tokens, later date", record("A", 1, "t1", 2), record({}, {}, "t2", 5), "A", "t2", 5 },
        { "different tokens, earlier date", record("A", 1, "t1", 6), record({}, {}, "t2", 5), "A", "t1", 6 },
        { "different tokens tie", record("A", 1, "t1", 5), record({}, {}, "t2", 5), "A", "t1", 5 },
        { "equal tokens by dates", record("A", 1, "t1", 2), record({}, {}, "t1", 7), "A", "t1", 7 },
        { "no tokens, only their date", record("A", 1, {}, {}), record({}, {}, {}, 3), "A", {}, 3 },
        { "no tokens, neither date", record("A", 1, {}, {}), record({}, {}, {}, {}), "A", {}, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CCDataSharingData merged = row.mine;
        merged.mergeWithSharingStore(row.theirs);
        EXPECT_EQ(merged.uuid, row.uuid);
        EXPECT_EQ(merged.securityTokenFromCookies(), row.token);
        EXPECT_EQ(merged.cookieTimestamp, row.cookieTime);
    }
    // A winning side without cookies leaves this record's cookies.
    CCDataSharingData mine = record("A", 1, {}, {});
    mine.cookies = std::vector<HTTPCookie> { cookie("REMEMBER_ME", "keep") };
    mine.mergeWithSharingStore(record({}, {}, {}, 8));
    ASSERT_TRUE(mine.cookies);
    EXPECT_EQ(mine.cookies->size(), 1u);
    EXPECT_EQ(mine.cookieTimestamp, 8);
}

TEST(DataSharingRecord, EqualityIgnoresTheCookieDate)
{
    struct Row {
        const char* name;
        CCDataSharingData a, b;
        bool equal;
    };
    const Row rows[] = {
        { "same", record("A", 1, "t", 2), record("A", 1, "t", 2), true },
        { "cookie date differs", record("A", 1, "t", 2), record("A", 1, "t", 99), true },
        { "identity differs", record("A", 1, "t", 2), record("B", 1, "t", 2), false },
        { "identity date differs", record("A", 1, "t", 2), record("A", 3, "t", 2), false },
        { "token differs", record("A", 1, "t", 2), record("A", 1, "u", 2), false },
        { "cookies on one side", record("A", 1, "t", 2), record("A", 1, {}, 2), false },
        { "no identity on one side", record({}, 1, {}, {}), record("A", 1, {}, {}), false },
    };
    for (const Row& row : rows) EXPECT_EQ(row.a.isEqual(&row.b), row.equal) << row.name;
    const CCDataSharingData one = record("A", 1, {}, {});
    EXPECT_FALSE(one.isEqual(nullptr));
    EXPECT_TRUE(one.isEqual(&one));
}

TEST(DataSharingRecord, ArchiveRoundTripsAndRefusesOtherContents)
{
    const CCDataSharingData full = record("A-1", 1000.5, "tok", 2000.25);
    const std::vector<uint8_t> bytes = full.archive();
    const std::string text(bytes.begin(), bytes.end());
    for (const char* key :
         { CCDataSharingData::kUuidKey, CCDataSharingData::kUuidTimestampKey, CCDataSharingData::kCookiesKey,
           CCDataSharingData::kCookieTimestampKey, CCDataSharingData::kCookiePropertiesKey })
        EXPECT_NE(text.find(key), std::string::npos) << key;
    auto back = CCDataSharingData::unarchive(bytes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(&full));
    EXPECT_EQ(back->cookieTimestamp, 2000.25);
    EXPECT_EQ(back->cookies->size(), 2u);

    const std::vector<uint8_t> empty = CCDataSharingData().archive();
    EXPECT_EQ(std::string(empty.begin(), empty.end()).find(CCDataSharingData::kUuidKey), std::string::npos)
        << "absent fields are not archived";
    EXPECT_TRUE(CCDataSharingData::unarchive(empty));

    const std::string other = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>$class</key>"
                              "<string>Something</string></dict></plist>";
    std::string error;
    EXPECT_FALSE(CCDataSharingData::unarchive(std::vector<uint8_t>(other.begin(), other.end()), &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(DataSharingTest, AResolverWritesOneIdentityToEveryReadyStore)
{
    auto a = makeRef<FakeStore>("a", true);
    auto b = makeRef<FakeStore>("b", true);
    auto c = makeRef<FakeStore>("c", false);
    auto d = makeRef<FakeStore>("d", true);
    auto sharing = CCDataSharing::initWithImplementationList(
        std::vector<CCDataSharing::Entry> { Ref<Object>(a), Ref<Object>(b), Ref<Object>(c), Ref<Object>(d),
                                            Ref<Object>(makeRef<Object>()), std::string("NoSuchStore") });
    EXPECT_EQ(sharing->stores().size(), 4u) << "what is no store is skipped";
    ASSERT_TRUE(sharing->uuid());
    for (FakeStore* store : { a.get(), b.get(), d.get() }) {
        ASSERT_TRUE(store->held) << store->name_;
        EXPECT_EQ(store->held->uuid, sharing->uuid());
    }
    EXPECT_FALSE(c->held) << "an unready store is not written";

    // A store holding another value gets the base; those equal to it are left.
    b->held = record("OTHER", clock_->wallSeconds() + 50, {}, {});
    a->puts = b->puts = d->puts = 0;
    sharing->resolveDssImplementations();
    EXPECT_EQ(b->held->uuid, sharing->uuid());
    EXPECT_EQ(b->puts, 1);
    EXPECT_EQ(a->puts + d->puts, 0);
}

TEST_F(DataSharingTest, IsUpdatedWaitsForEveryStoreOrFourSeconds)
{
    auto ready = makeRef<FakeStore>("ready", true);
    auto late = makeRef<FakeStore>("late", false);
    auto all = CCDataSharing::initWithImplementationList(std::vector<CCDataSharing::Entry> { Ref<Object>(ready) });
    EXPECT_TRUE(all->isUpdated());
    auto sharing = CCDataSharing::initWithImplementationList(
        std::vector<CCDataSharing::Entry> { Ref<Object>(ready), Ref<Object>(late) });
    session()->setDataSharing(sharing);
    clock_->advance(3.9);
    RunLoop::main().drain();
    EXPECT_FALSE(sharing->isUpdated());
    EXPECT_FALSE(session()->isReadyForNetworkTransfers());
    clock_->advance(0.1);
    RunLoop::main().drain();
    EXPECT_TRUE(sharing->isUpdated());
    EXPECT_TRUE(session()->isReadyForNetworkTransfers());
    EXPECT_TRUE(CCDataSharing::initWithImplementationList(std::nullopt)->isUpdated());
    session()->setDataSharing(nullptr);
}

TEST_F(DataSharingTest, TheLocalAndKeychainStoresKeepTheArchive)
{
    const CCDataSharingData data = record("A", 5, "t", 6);
    CCLocalDataSharingStore local;
    EXPECT_FALSE(local.dataFromStore());
    local.putDataToStore(data);
    CCDataStore::purgeSharedInstance();
    ASSERT_TRUE(local.dataFromStore()) << "written to the data store's file";
    EXPECT_TRUE(local.dataFromStore()->isEqual(&data));
    EXPECT_TRUE(CCDataStore::sharedInstance()->valueForKey(CCLocalDataSharingStore::kKey).isData());
    local.clearDataFromStore();
    EXPECT_FALSE(local.dataFromStore());

    CCKeychainDataSharingStore keychain;
    EXPECT_TRUE(keychain.isReady());
    keychain.putDataToStore(data);
    EXPECT_TRUE(keychain.dataFromStore()->isEqual(&data));
    EXPECT_EQ(keychain.wrapper().service(), "datasharing");
    EXPECT_EQ(keychain.wrapper().account(), "zandovar");
    EXPECT_TRUE(keychain.wrapper().accessGroup()) << "shared through an access group";
    keychain.clearDataFromStore();
    EXPECT_FALSE(keychain.dataFromStore());

    // Every access group refused: the store is never ready.
    for (const char* team : KeychainWrapper::kTeamIdentifiers)
        keychain_->refusedGroups.insert(std::string(team) + ".sharedstore");
    keychain_->refuseWrites = true;
    CCKeychainDataSharingStore refused;
    EXPECT_FALSE(refused.isReady());
}

TEST_F(DataSharingTest, TheCookieStoreReadsOnlyTheServicesSignInCookies)
{
    cookies_->plant(cookie("JSESSIONID", "one"));
    cookies_->plant(cookie("REMEMBER_ME", "r"));
    cookies_->plant(cookie("OTHER", "x"));
    cookies_->plant(cookie("JSESSIONID", "elsewhere", "other.example"));
    CCCookieDataSharingStore store;
    auto data = store.dataFromStore();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->cookies->size(), 2u);
    EXPECT_EQ(data->cookieTimestamp, CCCookieDataSharingStore::kUnchangedDate);
    EXPECT_EQ(store.dataFromStore()->cookieTimestamp, CCCookieDataSharingStore::kUnchangedDate);

    clock_->setWall(kWallStart + 500);
    cookies_->plant(cookie("JSESSIONID", "two"));
    EXPECT_EQ(store.dataFromStore()->cookieTimestamp, kWallStart + 500) << "a token change dates the record";

    store.clearDataFromStore();
    EXPECT_FALSE(store.dataFromStore());
    EXPECT_EQ(cookies_->cookies().size(), 2u) << "only the sign-in cookies of the service go";

    store.putDataToStore(record({}, {}, "three", 1));
    EXPECT_EQ(store.dataFromStore()->securityTokenFromCookies(), "three");
}

TEST_F(DataSharingTest, TheCloudStoreNeedsAContainer)
{
    struct Row {
        const char* name;
        std::vector<std::string> resolvable;
        std::string container; // "" none
    };
    const Row rows[] = {
        { "none", {}, "" },
        { "only the second", { "test1" }, "test1" },
        { "only the third", { "test3" }, "test3" },
        { "the publisher's first",
          { CCCloudDataSharingStore::kSharedContainer, "test1" },
          CCCloudDataSharingStore::kSharedContainer },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        cloud_->setResolvableContainers(row.resolvable);
        ScopedLogCapture log;
        int readyPosts = 0;
        auto store = makeRef<CCCloudDataSharingStore>();
        auto id = NotificationCenter::defaultCenter().addObserver(
            nullptr, CCDataSharingStore::kReadyNotification, store.get(), [&](const Notification&) { ++readyPosts; });
        RunLoop::main().drain();
        NotificationCenter::defaultCenter().removeObserver(id);
        if (row.container.empty()) {
            EXPECT_TRUE(log.contains("Lumora Error: no ubiquity containers are configured"));
            EXPECT_FALSE(store->isReady());
            EXPECT_EQ(readyPosts, 0);
        } else {
            ASSERT_TRUE(store->ubiquityContainerUrl());
            EXPECT_NE(store->ubiquityContainerUrl()->find(row.container), std::string::npos);
            EXPECT_TRUE(store->isReady());
            EXPECT_EQ(readyPosts, 1);
        }
    }
}

TEST_F(DataSharingTest, TheCloudStoreSavesMergesConflictsAndResolvesAgain)
{
    cloud_->setResolvableContainers({ "test1" });
    auto store = makeRef<CCCloudDataSharingStore>();
    const CCDataSharingData mine = record("A", 100, "t1", 10);
    store->putDataToStore(mine);
    EXPECT_FALSE(store->document()->dataSharingData()) << "a put before the first open does nothing";
    RunLoop::main().drain();
    EXPECT_FALSE(store->dataFromStore()) << "an empty file holds no record";
    store->putDataToStore(mine);
    RunLoop::main().drain();
    EXPECT_TRUE(store->dataFromStore()->isEqual(&mine));

    // The saved file is the archive: a fresh store reads it back.
    auto again = makeRef<CCCloudDataSharingStore>();
    RunLoop::main().drain();
    ASSERT_TRUE(again->dataFromStore());
    EXPECT_TRUE(again->dataFromStore()->isEqual(&mine));

    // A conflict: the latest version is merged, the others removed, the result
    // saved.
    const std::string path = store->document()->path();
    cloud_->addConflictVersion(path, record("OLD", 50, {}, {}).archive(), 1000);
    cloud_->addConflictVersion(path, record("B", 90, "t2", 20).archive(), 3000);
    cloud_->addConflictVersion(path, record("C", 10, {}, {}).archive(), 2000);
    store->document()->setDocumentState(CloudDocument::kInConflict);
    EXPECT_TRUE(store->resolvingConflict());
    RunLoop::main().runUntil([&] { return !store->resolvingConflict(); }, 5);
    EXPECT_FALSE(store->resolvingConflict()) << "the merged record was saved";
    EXPECT_TRUE(cloud_->unresolvedConflictVersionsOfItemAtPath(path).empty());
    ASSERT_TRUE(store->dataFromStore());
    EXPECT_EQ(store->dataFromStore()->uuid, "B") << "the latest version, whose identity is earlier";
    EXPECT_EQ(store->dataFromStore()->securityTokenFromCookies(), "t2");

    // Editing disabled, then normal: the session's resolver resolves again.
    auto fake = makeRef<FakeStore>("fake", true);
    auto sharing = CCDataSharing::initWithImplementationList(std::vector<CCDataSharing::Entry> { Ref<Object>(fake) });
    session()->setDataSharing(sharing);
    fake->puts = 0;
    fake->held.reset();
    store->document()->setDocumentState(CloudDocument::kEditingDisabled);
    EXPECT_EQ(fake->puts, 0);
    store->document()->setDocumentState(CloudDocument::kNormal);
    EXPECT_EQ(fake->puts, 1);
    session()->setDataSharing(nullptr);
}

TEST_F(DataSharingTest, ADocumentHoldingSomethingElseFailsToLoadAndClearsItsRecord)
{
    cloud_->setResolvableContainers({ "test3" });
    auto probe = makeRef<CCCloudDataSharingStore>();
    RunLoop::main().drain();
    const std::string path = probe->document()->path();
    ASSERT_TRUE(AtomicFile::write(path, std::string("not an archive")));
    auto store = makeRef<CCCloudDataSharingStore>();
    store->document()->setDataSharingData(record("X", 1, {}, {}));
    ScopedLogCapture log;
    RunLoop::main().drain();
    EXPECT_TRUE(store->isReady()) << "the open completed, though it failed";
    EXPECT_FALSE(store->dataFromStore());
    EXPECT_TRUE(log.contains("holds no shared record"));
}

} // namespace
} // namespace mw::test
