// Feeds arbitrary text to the server data envelope reader, then every reader
// of the record kinds on what it gives. A record that reads must write again
// with its queue fields, and that text must read back to the same record
// (kind, address, priority, caching, whole-second time and data).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <algorithm>
#include <filesystem>

#include "foundation/Log.h"
#include "fuzz/ScratchFolder.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCNeighbours.h"
#include "social/queues/records/CCAbstractServerData.h"
#include "social/queues/records/CCServerRecords.h"

namespace {

[[noreturn]] void mismatch(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "server_data_envelope: %s\n%s\n", what, detail.c_str());
    std::abort();
}

void readEveryAccessor(mw::CCAbstractServerData& record)
{
    (void)record.dataAvailable();
    (void)record.description();
    if (auto* page = dynamic_cast<mw::CCUIDescription*>(&record)) {
        // Every read of the page, then prefetching into the fetch manager
        // stand-in (a few groups and items: a page may claim any count).
        const int groups = std::min(page->numberOfGroups(), 8);
        for (int g = -1; g <= groups; ++g) {
            (void)page->titleForGroup(g);
            const int items = std::min(page->itemsInGroup(g), 16);
            for (int i = -1; i <= items; ++i) (void)page->elementForItem(i, g), (void)page->elementTypeForItem(i, g);
        }
        for (int t = -1; t <= std::min(page->numberOfTabs(), 8); ++t) (void)page->elementForTab(t);
        (void)page->flatUIElement(), (void)page->viewTitle(), (void)page->eventDictionary(), (void)page->uiType();
        (void)page->isCacheControlMutable(), (void)page->isCacheControlInitial(), (void)page->isUIControlOpen();
        (void)page->isUIControlClosed(), (void)page->containsActivateUi(), (void)page->uiElementForRedirect();
        page->queuePrefetchItemsWithBasePriority(100);
        (void)page->queuePrefetchImageUrls();
        page->queuePrefetchImageUrlByRowIndex(0);
        mw::CCFetchManager::releaseSharedInstance();
    } else if (auto* player = dynamic_cast<mw::CCPlayerData*>(&record)) {
        (void)player->lumoraAlias(), (void)player->lumoraUser(), (void)player->facebookUser();
        (void)player->twitterUser(), (void)player->lumoraFriends(), (void)player->gameFriends();
        (void)player->gifts(), (void)player->giftsLeft(), (void)player->badge(), (void)player->lumoraplayerid();
        (void)player->lumorafriendids(), (void)player->goods(), (void)player->balances();
    } else if (auto* config = dynamic_cast<mw::CCConfigurationData*>(&record)) {
        (void)config->configName(), (void)config->configDataType(), (void)config->configData();
    } else if (auto* save = dynamic_cast<mw::CCCloudStoreSaveData*>(&record)) {
        (void)save->keys(), (void)save->currentUserId(), (void)save->currentUserFriendCode();
    } else if (auto* summary = dynamic_cast<mw::CCCloudStoreSummaryData*>(&record)) {
        (void)summary->summaryItems(), (void)summary->userIsLocked(), (void)summary->currentUserId();
        (void)summary->currentUserFriendCode();
    } else if (auto* messages = dynamic_cast<mw::CCMessageListData*>(&record)) {
        (void)messages->messages();
    } else if (auto* social = dynamic_cast<mw::CCSocialPlayerData*>(&record)) {
        (void)social->friends(), (void)social->socialRating(), (void)social->userId();
    } else if (auto* neighbours = dynamic_cast<mw::CCSocialNeighboursData*>(&record)) {
        (void)neighbours->neighbours(), (void)neighbours->otherUsers();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    mw::fuzz::useScratchHome("envelope");
    // Each page makes a fetch manager, whose release writes the cache it
    // started with: a synced file per input. A folder where its file goes
    // keeps it from writing at all.
    std::filesystem::create_directories(mw::CCFetchManager::saveFilePath());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    mw::Ref<mw::CCAbstractServerData> record;
    try {
        record = mw::CCAbstractServerData::serverDataFromJSONData(text);
    } catch (const mw::ServerDataNoInit&) {
        return 0;
    }
    if (!record) return 0;
    readEveryAccessor(*record);

    const std::optional<std::string> written = record->JSONRepresentationWithInternal(true);
    if (!written) mismatch("a read record does not write", std::string(text));
    mw::Ref<mw::CCAbstractServerData> back;
    try {
        back = mw::CCAbstractServerData::serverDataFromJSONData(*written);
    } catch (const mw::ServerDataNoInit&) {
        mismatch("written text does not read", *written);
    }
    if (!back) mismatch("written text gives no record", *written);
    const auto seconds = [](const mw::CCAbstractServerData& r) {
        return mw::CCAbstractServerData::wholeSeconds(r.timeStamp().value_or(0));
    };
    bool same = back->dataType() == record->dataType() && back->url() == record->url() &&
                seconds(*back) == seconds(*record) && back->mainData() == record->mainData();
    if (!record->url().empty())
        same = same && back->fetchPriority() == record->fetchPriority() && back->doNotCache() == record->doNotCache();
    if (!same) mismatch("record changed through writing", std::string(text) + "\n" + *written);
    return 0;
}
