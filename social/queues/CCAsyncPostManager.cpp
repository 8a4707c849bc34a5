#include "social/queues/CCAsyncPostManager.h"

#include <algorithm>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/Shared.h"
#include "social/data/CCDataStore.h"
#include "social/data/CCLumoraLog.h"
#include "social/queues/CCNeighbours.h"
#include "social/data/CCLumoraService.h"
#include "social/queues/CCQueueSession.h"
#include "social/queues/CCRecordArchive.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/Reachability.h"
#include "social/support/URLUtilities.h"

namespace mw {

namespace {

bool isYesSetting(const Value& value) { return value.isString() && value.stringView() == "YES"; }

std::string newsPageUrl() { return CCLumoraService::liteBaseUrl() + "profile.cuid"; }

} // namespace

CCAsyncPostManager::CCAsyncPostManager() : writer_(std::make_unique<RecordFileWriter>())
{
    readFromFile();
    // The flag takes its place among the store's keys now, not at whichever
    // moment the first queue write comes: the store's file then reads the
    // same from run to run. Written with the queue.
    CCDataStore* store = CCDataStore::sharedInstance();
    if (!store->containsKey(kSeenNewsKey)) store->setValue(kSeenNewsKey, Value(haveSeenGlobalNews_));
    if (!haveSeenGlobalNews_) {
        observingNews_ = true;
        NotificationCenter::defaultCenter().addObserver(
            this, newsPageUrl(), nullptr,
            [this](const Notification& notification) { fetchUpdateNotification(notification); });
    }
    NotificationCenter::defaultCenter().addObserver(
        this, kReachabilityChangedNotification, nullptr,
        [this](const Notification& notification) { reachabilityChanged(notification); });
}

CCAsyncPostManager::~CCAsyncPostManager()
{
    if (writeToFileTimer_) writeToFileTimer_->invalidate();
    // A store already let go is not brought back for the flag.
    if (changes_ != writtenChanges_) (void)writeQueueNow(Shared<CCDataStore>::current());
    for (const auto& record : started_)
        if (record->httpDelegate() == this) record->clearDelegate();
    started_.clear();
    NotificationCenter::defaultCenter().removeObserver(this);
}

// ---- scheduling and passes ----

void CCAsyncPostManager::scheduleDataForPost(const Ref<CCAbstractServerData>& record)
{
    if (!record) return;
    serverDataArray_.push_back(record);
    noteChanged();
    // On disk before anything relies on it: a kill from here on keeps it.
    (void)writeToFileNow();
    if (isPosting_) processOutstandingData();
}

void CCAsyncPostManager::startPosting()
{
    noteNeighbourCall("postManager startPosting");
    isPosting_ = true;
    processOutstandingData();
}

bool CCAsyncPostManager::isEligible(const CCAbstractServerData& record) const
{
    CCQueueSession* session = CCQueueSession::installed();
    if (record.dataType() == CCNullPost::kDataType) {
        if (!session || !session->hasActivatedUI()) return false;
        if (session->minsSinceLumoraLastViewed() > kNullPostMaxMinutes) return false;
    }
    if (record.dataType() == CCAnalyticData::kDataType) {
        return session && (session->alwaysPostAnalytics() || session->isUserTOSAccepted());
    }
    return true;
}

void CCAsyncPostManager::processOutstandingData()
{
    if (passRunning_) {
        passAgain_ = true;
        return;
    }
    CCQueueSession* session = CCQueueSession::installed();
    // Posts are signed with the session's identity: none go without it.
    if (!session || isYesSetting(session->valueForWorkaroundSetting(2))) return;
    if (!session->isReadyForNetworkTransfers()) return;
    passRunning_ = true;
    do {
        passAgain_ = false;
        writeToFile();
        if (serverDataArray_.empty()) break;
        if (session->reachability()) (void)session->reachability()->startNotifier();
        int slots = kSlots;
        const std::vector<Ref<CCAbstractServerData>> walk = serverDataArray_;
        for (const Ref<CCAbstractServerData>& record : walk) {
            if (slots <= 0) break;
            if (std::find(serverDataArray_.begin(), serverDataArray_.end(), record) == serverDataArray_.end())
                continue;
            if (record->networkOpAttemptCount() > 1 || !isEligible(*record)) continue;
            --slots;
            if (record->networkOpInProgress()) continue;
            if (std::find(started_.begin(), started_.end(), record) == started_.end()) started_.push_back(record);
            record->initiatePostWithDelegate(this);
        }
    } while (passAgain_);
    passRunning_ = false;
}

void CCAsyncPostManager::retryAllPosts()
{
    noteNeighbourCall("postManager retryAllPosts");
    for (const auto& record : serverDataArray_) record->setNetworkOpAttemptCount(0);
    writeToFile();
    processOutstandingData();
}

void CCAsyncPostManager::reachabilityChanged(const Notification&)
{
    for (const auto& record : serverDataArray_) record->setNetworkOpAttemptCount(0);
    processOutstandingData();
}

void CCAsyncPostManager::clearData()
{
    stopPosting();
    for (const auto& record : serverDataArray_)
        if (record->httpDelegate() == this) record->clearDelegate();
    serverDataArray_.clear();
    noteChanged();
}

void CCAsyncPostManager::clearPostsWithPartialUrlString(const std::string& text)
{
    clearPostsWhoseUrl([&text](const std::string& url) { return url.find(text) != std::string::npos; });
}

void CCAsyncPostManager::clearPostsWithQueryItem(const std::string& name, const std::string& value)
{
    clearPostsWhoseUrl([&](const std::string& url) { return urlHasQueryItem(url, name, value); });
}

void CCAsyncPostManager::clearPostsWhoseUrl(const std::function<bool(const std::string&)>& matches)
{
    const size_t before = serverDataArray_.size();
    serverDataArray_.erase(std::remove_if(serverDataArray_.begin(), serverDataArray_.end(),
                                          [&matches](const auto& record) {
                                              if (record->url().empty()) return true;
                                              return !record->networkOpInProgress() && matches(record->url());
                                          }),
                           serverDataArray_.end());
    if (serverDataArray_.size() != before) noteChanged();
}

void CCAsyncPostManager::removeServerDataFromManagerWithUrl(const std::string& url)
{
    const size_t before = serverDataArray_.size();
    serverDataArray_.erase(std::remove_if(serverDataArray_.begin(), serverDataArray_.end(),
                                          [&url](const auto& record) { return record->url() == url; }),
                           serverDataArray_.end());
    if (serverDataArray_.size() != before) noteChanged();
}

bool CCAsyncPostManager::isWaitingForResponsesFromServer() const
{
    return std::any_of(serverDataArray_.begin(), serverDataArray_.end(),
                       [](const auto& record) { return record->networkOpInProgress(); });
}

// ---- results ----

void CCAsyncPostManager::announce(const std::string& url, int status)
{
    NotificationCenter::defaultCenter().postNotification(
        url, this, Value::dictionary({{"url", Value(url)}, {"status", Value(status)}}));
}

void CCAsyncPostManager::removeRecord(const CCAbstractServerData* record)
{
    const size_t before = serverDataArray_.size();
    serverDataArray_.erase(std::remove_if(serverDataArray_.begin(), serverDataArray_.end(),
                                          [record](const auto& item) { return item.get() == record; }),
                           serverDataArray_.end());
    if (serverDataArray_.size() != before) noteChanged();
}

void CCAsyncPostManager::forgetStarted(const CCAbstractServerData* record)
{
    started_.erase(std::remove_if(started_.begin(), started_.end(),
                                  [record](const auto& item) { return item.get() == record; }),
                   started_.end());
}

void CCAsyncPostManager::serverDataFinishedNetworkOpWithStatus(CCAbstractServerData* finished, int status)
{
    if (!finished) return;
    const Ref<CCAbstractServerData> record(finished);
    const std::string url = record->url();
    if (status == kNetworkOpOk) {
        removeRecord(record.get());
        forgetStarted(record.get());
        // A record read back from the file may have reached the service in
        // the run that wrote it (answered less than 3 s before a kill). Its
        // second answer goes to the file at once, so that a kill now does
        // not send it a third time.
        const auto readBack = std::find(readBack_.begin(), readBack_.end(), record);
        if (readBack != readBack_.end()) {
            readBack_.erase(readBack);
            (void)writeToFileNow();
        }
        if (!url.empty()) announce(url, 1);
        processOutstandingData();
        return;
    }
    if (status == kNetworkOpFailedAfter404 || status == kNetworkOpRedirectedNullPost)
        record->setNetworkOpAttemptCount(2);
    if (status == kNetworkOpGone) {
        removeServerDataFromManagerWithUrl(url);
        forgetStarted(record.get());
    }
    if (record->networkOpAttemptCount() == 2) announce(url, 0);
    processOutstandingData();
}

void CCAsyncPostManager::fetchUpdateNotification(const Notification& notification)
{
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    if (!info || (*info)["status"].asInt() != 1) return;
    haveSeenGlobalNews_ = true;
    // Kept at once: the next queue write may be a long way off.
    storeSeenNews(CCDataStore::sharedInstance());
    if (observingNews_) {
        observingNews_ = false;
        NotificationCenter::defaultCenter().removeObserver(this, newsPageUrl(), nullptr);
    }
    processOutstandingData();
}

// ---- the file ----

std::string CCAsyncPostManager::saveFilePath() { return Paths::documentsPath(kFileName); }

size_t CCAsyncPostManager::writeCount() const { return writer_->writeCount(); }

void CCAsyncPostManager::writeToFile()
{
    if (changes_ == writtenChanges_ || writePending_ || protectFile_) return;
    writePending_ = true;
    writeToFileTimer_ = NSTimer::scheduledTimer(kWriteDelay, false, [this](NSTimer*) {
        writeToFileTimer_ = nullptr;
        const uint64_t generation = changes_;
        writer_->writeInBackground(RecordArchive::snapshot(serverDataArray_, kFileName), generation,
                                   saveFilePath(),
                                   [this](uint64_t written, bool ok) { backgroundWriteFinished(written, ok); });
    });
}

void CCAsyncPostManager::storeSeenNews(CCDataStore* store)
{
    if (!store) return;
    const Value flag(haveSeenGlobalNews_);
    // The store's file is written whole and synced: only a flag that is not
    // kept as it stands, or not yet written by this manager, is worth that
    // (a minute tick that posts stays one write of the store).
    if (seenNewsWritten_ && store->valueForKey(kSeenNewsKey) == flag) return;
    store->setValue(kSeenNewsKey, flag);
    seenNewsWritten_ = store->writeToFile();
}

void CCAsyncPostManager::backgroundWriteFinished(uint64_t generation, bool ok)
{
    writePending_ = false;
    // The store is the main thread's: the background write leaves the flag
    // to this, its end on the main thread, whether or not it succeeded.
    storeSeenNews(CCDataStore::sharedInstance());
    if (!ok) return;
    writtenChanges_ = std::max(writtenChanges_, generation);
    writeToFile();
}

bool CCAsyncPostManager::writeToFileNow() { return writeQueueNow(CCDataStore::sharedInstance()); }

bool CCAsyncPostManager::writeQueueNow(CCDataStore* store)
{
    const uint64_t generation = changes_;
    const bool written = !protectFile_ && writer_->writeNow(RecordArchive::snapshot(serverDataArray_, kFileName),
                                                            generation, saveFilePath());
    if (written) writtenChanges_ = std::max(writtenChanges_, generation);
    storeSeenNews(store);
    return written;
}

void CCAsyncPostManager::readFromFile()
{
    const Value& seen = CCDataStore::sharedInstance()->valueForKey(kSeenNewsKey);
    if (!seen.isNull()) haveSeenGlobalNews_ = seen.asBool();
    std::vector<Ref<CCAbstractServerData>> records;
    const RecordArchive::ReadOutcome outcome =
        RecordArchive::readFile(saveFilePath(), records, kFileName, &movedAsidePath_);
    protectFile_ = outcome == RecordArchive::ReadOutcome::Unreadable;
    serverDataArray_.clear();
    bool dropped = false;
    for (Ref<CCAbstractServerData>& record : records) {
        // Device tokens and the like are sent again when they come again.
        if (record->doNotCache()) dropped = true;
        else serverDataArray_.push_back(std::move(record));
    }
    readBack_ = serverDataArray_;
    writtenChanges_ = dropped ? 0 : changes_;
}

} // namespace mw
