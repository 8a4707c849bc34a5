#include "social/queues/CCFetchManager.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "platform/HTTPCookieStorage.h"
#include "platform/HTTPTransport.h"
#include "social/data/CCLumoraLog.h"
#include "social/queues/CCNeighbours.h"
#include "social/data/CCLumoraService.h"
#include "social/queues/CCQueueSession.h"
#include "social/queues/CCRecordArchive.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/Reachability.h"

namespace mw {

namespace {

int saturatingSum(int a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    if (sum > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (sum < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(sum);
}

bool holds(const std::vector<Ref<CCAbstractServerData>>& list, const CCAbstractServerData* record)
{
    return std::any_of(list.begin(), list.end(), [record](const auto& item) { return item.get() == record; });
}

const CCAbstractServerData* findUrl(const std::vector<Ref<CCAbstractServerData>>& list, const std::string& url)
{
    for (const auto& item : list)
        if (item->url() == url) return item.get();
    return nullptr;
}

bool isKindForTemporaryCache(int type)
{
    // Leaderboards, game-centre data, player data, achievements, affiliates,
    // configuration, cloud-store, message lists and the social kinds.
    return type >= 6 && type <= CCAbstractServerData::kLastDataType;
}

bool isCachablePage(const CCAbstractServerData& record)
{
    return record.dataType() == CCUIDescription::kDataType && !record.doNotCache();
}

bool wantsPermanentPage(const CCAbstractServerData& record)
{
    const auto* page = dynamic_cast<const CCUIDescription*>(&record);
    return page && page->isCacheControlInitial();
}

} // namespace

// ---- the shared manager ----

CCFetchManager* CCFetchManager::sharedInstance() { return Shared<CCFetchManager>::get(); }

CCFetchManager* CCFetchManager::sharedInstanceWithClearDataOnStart()
{
    if (CCFetchManager* current = Shared<CCFetchManager>::current()) return current;
    static std::mutex makeLock;
    std::lock_guard guard(makeLock);
    if (CCFetchManager* current = Shared<CCFetchManager>::current()) return current;
    (void)Shared<CCFetchManager>::replace(makeRef<CCFetchManager>(false));
    return Shared<CCFetchManager>::current();
}

void CCFetchManager::releaseSharedInstance()
{
    if (CCFetchManager* current = Shared<CCFetchManager>::current()) {
        current->stopFetching();
        current->cancelWriteToFileTimer();
    }
    Shared<CCFetchManager>::purge();
}

Ref<CCFetchManager> CCFetchManager::makeShared() { return makeRef<CCFetchManager>(true); }

CCFetchManager::CCFetchManager(bool readFile) : writer_(std::make_unique<RecordFileWriter>())
{
    permanentDataCache_.reserve(15);
    temporaryDataCache_.reserve(15);
    fetchQueue_.reserve(15);
    NotificationCenter::defaultCenter().addObserver(
        this, kReachabilityChangedNotification, nullptr,
        [this](const Notification& notification) { reachabilityChanged(notification); });
    if (readFile) readFromFile();
    // The first pass writes the cache as this run starts with it, an empty
    // one included, so the file never outlives a start that left it unread.
    noteCacheChanged();
}

CCFetchManager::~CCFetchManager()
{
    cancelWriteToFileTimer();
    // Pending changes go to the file now; a background write still running
    // finishes first (the file lock), and an older one never replaces this.
    if (cacheChanges_ != writtenChanges_ && !protectFile_) writeNow();
    for (Started& started : started_) detach(*started.record);
    started_.clear();
    NotificationCenter::defaultCenter().removeObserver(this);
}

// ---- fetching ----

void CCFetchManager::startFetching()
{
    isFetching_ = true;
    processOutstandingFetches();
}

void CCFetchManager::stopFetching()
{
    noteNeighbourCall("fetchManager stopFetching");
    isFetching_ = false;
    removeFetchQueueDelegates();
    fetchQueue_.clear();
    cancelWriteToFileTimer();
}

int CCFetchManager::queueServerData(const Ref<CCAbstractServerData>& record, int priority, int subPriority)
{
    if (!record) return 0;
    const int sum = saturatingSum(priority, subPriority);
    const std::string url = record->url();
    auto queued = std::find_if(fetchQueue_.begin(), fetchQueue_.end(),
                               [&url](const auto& item) { return item->url() == url; });
    if (queued != fetchQueue_.end()) {
        (*queued)->setFetchPriority(sum);
        (*queued)->setNetworkOpAttemptCount(0);
    } else {
        record->setFetchPriority(sum);
        record->setNetworkOpAttemptCount(0);
        record->setNetworkOpInProgress(false);
        fetchQueue_.push_back(record);
    }
    processOutstandingFetches();
    return statusForURL(url);
}

int CCFetchManager::queueServerDataForPost(const Ref<CCAbstractServerData>& record)
{
    if (!record) return 0;
    record->setFetchPriority(static_cast<int>(kUrgentPriority));
    record->setNetworkOpAttemptCount(0);
    record->setNetworkOpInProgress(false);
    fetchQueue_.push_back(record);
    processOutstandingFetches();
    return statusForURL(record->url());
}

void CCFetchManager::sortFetchQueue()
{
    auto before = [](const auto& a, const auto& b) { return a->fetchComparator(*b) < 0; };
    // Every pass sorts, and the queue is mostly in order already.
    if (!std::is_sorted(fetchQueue_.begin(), fetchQueue_.end(), before))
        std::stable_sort(fetchQueue_.begin(), fetchQueue_.end(), before);
}

void CCFetchManager::processOutstandingFetches()
{
    // A result reported from inside a start runs its pass after this one.
    if (passRunning_) {
        passAgain_ = true;
        return;
    }
    passRunning_ = true;
    do {
        passAgain_ = false;
        runPass();
    } while (passAgain_);
    passRunning_ = false;
}

void CCFetchManager::runPass()
{
    writeToFile();
    if (fetchQueue_.empty()) return;
    sortFetchQueue();
    // Transfers are signed with the session's identity: none go without it.
    CCQueueSession* session = CCQueueSession::installed();
    if (!session) return;
    if (session->reachability()) (void)session->reachability()->startNotifier();
    if (!session->isReadyForNetworkTransfers()) return;
    // The queue is in ascending priority: once the slots are taken, the first
    // record above the urgent priority ends what can start. Only that prefix
    // is walked, as a copy since a start may change the queue.
    auto mayTake = [](const CCAbstractServerData& record, int slots) {
        return slots > 0 || static_cast<unsigned>(record.fetchPriority()) <= kUrgentPriority;
    };
    size_t prefix = 0;
    for (int slots = kTransferSlots; prefix < fetchQueue_.size(); ++prefix) {
        const CCAbstractServerData& record = *fetchQueue_[prefix];
        if (slots <= 0 && record.fetchPriority() > static_cast<int>(kUrgentPriority)) break;
        if (mayTake(record, slots) && record.networkOpAttemptCount() < 2) --slots;
    }
    const std::vector<Ref<CCAbstractServerData>> walk(fetchQueue_.begin(),
                                                      fetchQueue_.begin() + static_cast<std::ptrdiff_t>(prefix));
    int slots = kTransferSlots;
    for (const Ref<CCAbstractServerData>& record : walk) {
        if (!mayTake(*record, slots)) continue;
        if (record->networkOpAttemptCount() >= 2) continue;
        if (!holds(fetchQueue_, record.get())) continue;
        --slots;
        if (record->networkOpInProgress()) continue;
        startRecord(record);
    }
}

void CCFetchManager::startRecord(const Ref<CCAbstractServerData>& record)
{
    auto known = std::find_if(started_.begin(), started_.end(),
                              [&record](const Started& item) { return item.record == record; });
    if (known == started_.end()) started_.push_back({record, record->url()});
    else known->requestedUrl = record->url();
    startTransfer(*record);
}

void CCFetchManager::reachabilityChanged(const Notification&)
{
    for (const auto& record : fetchQueue_) record->setNetworkOpAttemptCount(0);
    processOutstandingFetches();
}

// ---- look-ups ----

Ref<CCAbstractServerData> CCFetchManager::serverDataForURL(const std::string& url) const
{
    for (const auto* list : {&permanentDataCache_, &temporaryDataCache_, &fetchQueue_})
        for (const auto& record : *list)
            if (record->url() == url) return record;
    return nullptr;
}

int CCFetchManager::statusForURL(const std::string& url) const
{
    const int inQueue = findUrl(fetchQueue_, url) ? 1 : 0;
    if (findUrl(permanentDataCache_, url) || findUrl(temporaryDataCache_, url)) return 1 + inQueue;
    return 0;
}

void CCFetchManager::prefetchURL(const std::string& url)
{
    Ref<CCAbstractServerData> record = serverDataForURL(url);
    if (record && record->freshThisSession()) return;
    if (!record) record = Ref<CCAbstractServerData>(makeRef<CCUIDescription>(url, 100, 0));
    (void)queueServerData(record, 100, 0);
}

void CCFetchManager::attemptToPrefetchTabs()
{
    CCQueueSession* session = CCQueueSession::installed();
    const std::optional<std::string> caps = session ? session->themeCapsString() : std::nullopt;
    const std::string base = CCLumoraService::liteBaseUrl();
    for (const char* page : {"profile.cuid", "leaderboard.cuid", "achievements.cuid"}) prefetchURL(base + page);
    if (!caps || caps->find("challengestab") != std::string::npos) prefetchURL(base + "challenges.cuid");
    if (!caps || caps->find("giftingtab") != std::string::npos) prefetchURL(base + "gifts_and_market.cuid");
}

// ---- clearing ----

void CCFetchManager::clearUrlFromCacheList(const std::string& url, std::vector<Ref<CCAbstractServerData>>& list)
{
    auto goes = [&url](const Ref<CCAbstractServerData>& record) {
        const std::string& text = record->url();
        return text.empty() || text.compare(0, url.size(), url) == 0;
    };
    // Every answer clears its URL from both caches, which mostly hold
    // nothing of it: the list is rebuilt only when something goes.
    if (std::none_of(list.begin(), list.end(), goes)) return;
    std::vector<Ref<CCAbstractServerData>> kept;
    kept.reserve(list.size());
    bool removed = false;
    for (Ref<CCAbstractServerData>& record : list) {
        if (goes(record)) {
            detach(*record);
            removed = true;
        } else {
            kept.push_back(std::move(record));
        }
    }
    list = std::move(kept);
    if (removed && &list == &permanentDataCache_) noteCacheChanged();
}

void CCFetchManager::clearUrlFromCache(const std::string& url)
{
    noteNeighbourCall("fetchManager clearUrlFromCache " + url);
    clearUrlFromCacheList(url, permanentDataCache_);
    clearUrlFromCacheList(url, temporaryDataCache_);
    noteCacheChanged();
}

void CCFetchManager::clearUrlFromFetchQueue(const std::string& url) { clearUrlFromCacheList(url, fetchQueue_); }

void CCFetchManager::clearDataWithCompleteClean(bool complete)
{
    noteNeighbourCall(std::string("fetchManager clearDataWithCompleteClean ") + (complete ? "1" : "0"));
    if (complete) {
        for (auto* list : {&permanentDataCache_, &temporaryDataCache_}) {
            for (const auto& record : *list) detach(*record);
            *list = {};
        }
    } else {
        clearUnwantedItemsFromCache(permanentDataCache_);
        clearUnwantedItemsFromCache(temporaryDataCache_);
    }
    noteCacheChanged();
}

void CCFetchManager::clearUnwantedItemsFromCache(std::vector<Ref<CCAbstractServerData>>& list)
{
    std::vector<Ref<CCAbstractServerData>> kept;
    for (Ref<CCAbstractServerData>& record : list) {
        const std::string& url = record->url();
        const bool wanted = wantsPermanentPage(*record) || url.rfind("advert_global.img") != std::string::npos ||
                            url.rfind("splash.cuid") != std::string::npos;
        if (wanted) kept.push_back(std::move(record));
        else detach(*record);
    }
    if (&list == &permanentDataCache_ && kept.size() != list.size()) noteCacheChanged();
    list = std::move(kept);
}

bool CCFetchManager::imageDataShouldBeInPermanentCache(const CCAbstractServerData& record)
{
    if (!record.placeInPermanentCache()) return false;
    return record.url().empty() || record.url().find("advert_global.img") != std::string::npos;
}

void CCFetchManager::removeFetchQueueDelegates()
{
    for (const auto& record : fetchQueue_) detach(*record);
}

bool CCFetchManager::cookiesDefinedForServer() const
{
    return !HTTPCookieStorage::sharedInstance()->cookiesForURL(CCLumoraService::liteBaseUrl()).empty();
}

// ---- results ----

void CCFetchManager::announce(const std::string& url, int status, const CCAbstractServerData* record,
                              const std::string& redirect)
{
    Value info = Value::dictionary({{kInfoUrl, Value(url)}, {kInfoStatus, Value(status)}});
    if (record && record->postData()) info.set(kInfoWasPost, Value("YES"));
    if (!redirect.empty() && redirect != url) info.set(kInfoRedirectUrl, Value(redirect));
    NotificationCenter::defaultCenter().postNotification(url, this, std::move(info));
}

void CCFetchManager::removeFromQueue(const CCAbstractServerData* record)
{
    fetchQueue_.erase(std::remove_if(fetchQueue_.begin(), fetchQueue_.end(),
                                     [record](const auto& item) { return item.get() == record; }),
                      fetchQueue_.end());
}

void CCFetchManager::forgetStarted(const CCAbstractServerData* record)
{
    started_.erase(std::remove_if(started_.begin(), started_.end(),
                                  [record](const Started& item) { return item.record.get() == record; }),
                   started_.end());
}

void CCFetchManager::addToCache(const Ref<CCAbstractServerData>& record, bool permanent)
{
    auto& list = permanent ? permanentDataCache_ : temporaryDataCache_;
    if (holds(list, record.get())) return;
    list.push_back(record);
    if (permanent) noteCacheChanged();
}

void CCFetchManager::failedAttempt(CCAbstractServerData& record, bool shared, bool afterAnswer)
{
    if (record.networkOpAttemptCount() == 2) announce(record.url(), statusForURL(record.url()), nullptr, {});
    if (!shared) return;
    if (!afterAnswer) {
        processOutstandingFetches();
        return;
    }
    // The transfer lets go of its delegate only after this report: a start
    // from inside it would lose its own answer.
    Ref<CCFetchManager> self(this);
    RunLoop::performOnMain([self] {
        if (Shared<CCFetchManager>::current() == self.get()) self->processOutstandingFetches();
    });
}

void CCFetchManager::serverDataFinishedNetworkOpWithStatus(CCAbstractServerData* finished, int status)
{
    if (!finished) return;
    const Ref<CCAbstractServerData> record(finished); // kept through the handling
    const bool shared = Shared<CCFetchManager>::current() == this;
    std::string requested = record->url();
    for (const Started& started : started_)
        if (started.record == record) requested = started.requestedUrl;
    const std::string url = record->url();

    switch (status) {
    case 7: announce(requested, 3, nullptr, {}); return;
    case 5:
        if (requested.find("/challenge_start?challengeID=") != std::string::npos) {
            if (record->updatedDataAvailable()) {
                Ref<CCAbstractServerData> answer = record->serverDataFromUpdatedData();
                if (answer) addToCache(answer, false);
            }
            // Announced once: kept queued, the next pass would fetch it again.
            removeFromQueue(record.get());
            forgetStarted(record.get());
            announce(requested, 1, nullptr, {});
            return;
        }
        if (shared) {
            clearUrlFromCacheList(url, permanentDataCache_);
            clearUrlFromCacheList(url, temporaryDataCache_);
            clearUrlFromCacheList(url, fetchQueue_);
            forgetStarted(record.get());
            noteCacheChanged();
            processOutstandingFetches();
        }
        return;
    case 0: break;
    default: failedAttempt(*record, shared, false); return;
    }

    if (shared && shouldClearOnInitialConnection_ && !haveClearedOnInitialConnection_) {
        clearDataWithCompleteClean(true);
        shouldClearOnInitialConnection_ = false;
        haveClearedOnInitialConnection_ = true;
    }
    const bool hadData = record->dataAvailable();
    bool applied = false;
    if (record->updatedDataAvailable()) {
        Ref<CCAbstractServerData> answer = record->serverDataFromUpdatedData();
        const bool image = answer == record && answer->dataType() == CCImageData::kDataType && answer->image();
        // Bytes that describe nothing (no envelope, no picture) are no
        // answer for a record that has nothing yet: a failed attempt.
        if (!answer || (answer == record && !image && !hadData)) {
            record->setReceivedData({});
            failedAttempt(*record, shared, true);
            return;
        }
        answer->setFreshThisSession(true);
        if (shared) {
            clearUrlFromCacheList(url, permanentDataCache_);
            clearUrlFromCacheList(url, temporaryDataCache_);
            if (isCachablePage(*answer)) addToCache(answer, wantsPermanentPage(*answer));
            else if (answer->dataType() == CCImageData::kDataType)
                addToCache(answer, imageDataShouldBeInPermanentCache(*answer));
            else if (isKindForTemporaryCache(answer->dataType())) addToCache(answer, false);
        }
        writeToFile();
        applied = true;
    } else if (hadData) {
        record->setFreshThisSession(true);
        if (shared) {
            if (isCachablePage(*record)) addToCache(record, wantsPermanentPage(*record));
            else if (record->dataType() == CCImageData::kDataType) addToCache(record, false);
        }
        applied = true;
    } else {
        // An empty answer for a record without data leaves its page waiting
        // for ever unless it counts as a failure.
        failedAttempt(*record, shared, true);
        return;
    }
    removeFromQueue(record.get());
    forgetStarted(record.get());
    const HTTPResponse* response = record->urlResponse();
    const std::string finalUrl = response && !response->finalUrl.empty() ? response->finalUrl : url;
    if (applied) announce(requested, statusForURL(url), record.get(), finalUrl);
    if (shared) processOutstandingFetches();
}

// ---- the file ----

std::string CCFetchManager::saveFilePath() { return Paths::documentsPath(kFileName); }

size_t CCFetchManager::writeCount() const { return writer_->writeCount(); }

void CCFetchManager::writeToFile()
{
    if (cacheChanges_ == writtenChanges_) return;
    if (backgroundThreadRunning_) return; // the write pending or running picks this up
    if (protectFile_) return;
    if (isFetching_) {
        writeNow();
        return;
    }
    backgroundThreadRunning_ = true;
    writeToFileTimer_ = NSTimer::scheduledTimer(kWriteDelay, false, [this](NSTimer*) {
        writeToFileTimer_ = nullptr;
        startBackgroundWrite();
    });
}

void CCFetchManager::cancelWriteToFileTimer()
{
    if (!writeToFileTimer_) return;
    writeToFileTimer_->invalidate();
    writeToFileTimer_ = nullptr;
    // The write never started: a later change must be able to schedule one.
    backgroundThreadRunning_ = false;
}

void CCFetchManager::writeNow()
{
    const uint64_t generation = cacheChanges_;
    const RecordArchive::Snapshot snapshot = RecordArchive::snapshot(permanentDataCache_, kFileName);
    if (writer_->writeNow(snapshot, generation, saveFilePath())) writtenChanges_ = generation;
}

void CCFetchManager::startBackgroundWrite()
{
    const uint64_t generation = cacheChanges_;
    writer_->writeInBackground(RecordArchive::snapshot(permanentDataCache_, kFileName), generation, saveFilePath(),
                               [this](uint64_t written, bool ok) { backgroundWriteFinished(written, ok); });
}

void CCFetchManager::backgroundWriteFinished(uint64_t generation, bool ok)
{
    backgroundThreadRunning_ = false;
    if (!ok) return; // tried again at the next change
    writtenChanges_ = std::max(writtenChanges_, generation);
    // A change made while the write ran goes in a following one.
    writeToFile();
}

void CCFetchManager::readFromFile()
{
    std::vector<Ref<CCAbstractServerData>> records;
    const RecordArchive::ReadOutcome outcome =
        RecordArchive::readFile(saveFilePath(), records, kFileName, &movedAsidePath_);
    protectFile_ = outcome == RecordArchive::ReadOutcome::Unreadable;
    if (outcome == RecordArchive::ReadOutcome::Read) permanentDataCache_ = std::move(records);
    // What was read is what the file holds.
    writtenChanges_ = cacheChanges_;
}

std::vector<uint8_t> CCFetchManager::encodeFile(const std::vector<Ref<CCAbstractServerData>>& cache)
{
    return RecordArchive::encode(cache);
}

bool CCFetchManager::decodeFile(const uint8_t* data, size_t size, std::vector<Ref<CCAbstractServerData>>& cache,
                                std::string* error)
{
    return RecordArchive::decode(data, size, cache, kFileName, error);
}

// ---- transfers ----

void CCFetchManager::startTransfer(CCAbstractServerData& record)
{
    if (record.postData()) record.initiatePostWithDelegate(this);
    else record.initiateGetWithDelegate(this);
}

void CCFetchManager::detach(CCAbstractServerData& record)
{
    if (record.httpDelegate() == this) record.clearDelegate();
}

} // namespace mw
