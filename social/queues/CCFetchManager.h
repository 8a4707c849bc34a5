#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/NSTimer.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "social/queues/records/CCAbstractServerData.h"

namespace mw {

class Notification;
class RecordFileWriter;

// The service's documents (pages, images, player data, configurations ...)
// fetched by priority and kept. Records wait in a queue sorted by ascending
// priority (lower first, equal priorities in the order they were queued);
// at most six transfers run from one pass, beyond that only records of
// priority 10 or less start. Answers go to a permanent cache, kept across
// runs in the file "FetchManager" of the documents folder, or to a cache of
// this run, and every result is announced.
//
// Result notification: posted on the default centre with the fetch manager
// as object and the record's URL as name; the user info is a Value object:
//   kInfoUrl         the URL (same as the name)
//   kInfoStatus      statusForURL() after the result (0, 1 or 2), or the
//                    special values of the result handling (1, 3)
//   kInfoWasPost     "YES" when the record carried post bytes
//   kInfoRedirectUrl the final response URL when it differs from the URL
//
// Durability: the file is only ever replaced whole (an atomic write), so a
// kill at any moment leaves the last completed write. A file that does not
// read as a cache is moved aside under a dated name and reported, and the
// cache starts empty. With fetching off, changes are written 3 s later on a
// background thread, which works on a snapshot taken on the main thread and
// touches no record; with fetching on they are written at once. A new
// manager's first pass writes its cache even when nothing changed ("[]" for
// one that starts empty).
//
// Main thread only, except the background write.
class CCFetchManager : public Object, public CCServerDataHTTPDelegate {
public:
    static constexpr const char* kFileName = "FetchManager";
    static constexpr const char* kInfoUrl = "url";
    static constexpr const char* kInfoStatus = "status";
    static constexpr const char* kInfoWasPost = "waspost";
    static constexpr const char* kInfoRedirectUrl = "redirecturl";
    // Transfers one pass starts beyond those of urgent records.
    static constexpr int kTransferSlots = 6;
    // Records of this priority or less start even when no slot is left.
    static constexpr unsigned kUrgentPriority = 10;
    // Seconds a change waits, with fetching off, before it is written.
    static constexpr double kWriteDelay = 3.0;

    // The shared manager, reading the file when it is made.
    static CCFetchManager* sharedInstance();
    // The same, but when it has to be made now the file is left unread.
    static CCFetchManager* sharedInstanceWithClearDataOnStart();
    // stopFetching, cancels a pending write and drops the shared manager.
    static void releaseSharedInstance();
    // Used by the shared slot.
    static Ref<CCFetchManager> makeShared();

    explicit CCFetchManager(bool readFile = true);
    // Writes pending changes at once and detaches every record it started.
    ~CCFetchManager() override;

    // Fetching on: file writes happen at once; a pass follows.
    void startFetching();
    // Fetching off: every queued record is detached (its transfer
    // cancelled) and the queue emptied; a pending write is cancelled.
    void stopFetching();
    bool isFetching() const { return isFetching_; }

    // Queues a fetch at priority p + s (saturating at the int range). A URL
    // already queued keeps its queued record, which takes the new priority
    // and a fresh attempt count; the given record is then dropped. Answers
    // statusForURL() after the pass.
    int queueServerData(const Ref<CCAbstractServerData>& record, int priority, int subPriority);
    // Queues a post (priority 10, no duplicate check); statusForURL() after the pass.
    int queueServerDataForPost(const Ref<CCAbstractServerData>& record);
    // One pass: write when due, sort, start what the slots allow.
    void processOutstandingFetches();
    // Stable sort of the queue by ascending priority.
    void sortFetchQueue();
    void reachabilityChanged(const Notification& notification);

    // The first record for url in the permanent cache, the temporary cache,
    // then the queue; null when none.
    Ref<CCAbstractServerData> serverDataForURL(const std::string& url) const;
    // 0 no cached record; 1 cached, none queued; 2 cached and queued.
    int statusForURL(const std::string& url) const;

    // Queues url at priority 100 unless a record for it is fresh this session.
    void prefetchURL(const std::string& url);
    // The tab pages, by the theme's capabilities.
    void attemptToPrefetchTabs();

    // Removes from list every record whose URL begins with url (and every
    // record without URL), detaching each.
    void clearUrlFromCacheList(const std::string& url, std::vector<Ref<CCAbstractServerData>>& list);
    // The same on both caches; the file is written again.
    void clearUrlFromCache(const std::string& url);
    void clearUrlFromFetchQueue(const std::string& url);
    // YES: both caches emptied. NO: only "basedata" pages and the
    // "advert_global.img" and "splash.cuid" records stay.
    void clearDataWithCompleteClean(bool complete);
    void clearDataOnFirstConnection() { shouldClearOnInitialConnection_ = true; }
    void clearUnwantedItemsFromCache(std::vector<Ref<CCAbstractServerData>>& list);
    static bool imageDataShouldBeInPermanentCache(const CCAbstractServerData& record);

    // Writes the permanent cache when it changed since the last write (at
    // once with fetching on, after kWriteDelay with it off).
    void writeToFile();
    void cancelWriteToFileTimer();
    // Replaces the permanent cache with the file's.
    void readFromFile();
    static std::string saveFilePath();
    // Detaches every queued record.
    void removeFetchQueueDelegates();
    bool cookiesDefinedForServer() const;

    // The transfer result of a record this manager started.
    void serverDataFinishedNetworkOpWithStatus(CCAbstractServerData* record, int status) override;

    // Read-outs.
    const std::vector<Ref<CCAbstractServerData>>& permanentDataCache() const { return permanentDataCache_; }
    const std::vector<Ref<CCAbstractServerData>>& temporaryDataCache() const { return temporaryDataCache_; }
    const std::vector<Ref<CCAbstractServerData>>& fetchQueue() const { return fetchQueue_; }
    bool backgroundWriteRunning() const { return backgroundThreadRunning_; }
    // Files written so far (counted when the write completed) and where an
    // unreadable file was moved at the last read (empty when none).
    size_t writeCount() const;
    const std::string& movedAsidePath() const { return movedAsidePath_; }

    // The file's bytes for a cache and back (the fuzz target and the
    // benchmark use them as the manager does). decodeFile answers false,
    // with the reason, for bytes that are no cache; entries that are no
    // records are dropped, each logged.
    [[nodiscard]] static std::vector<uint8_t> encodeFile(const std::vector<Ref<CCAbstractServerData>>& cache);
    [[nodiscard]] static bool decodeFile(const uint8_t* data, size_t size,
                                         std::vector<Ref<CCAbstractServerData>>& cache, std::string* error = nullptr);

private:
    // A record this manager started, with the URL it was asked for (a
    // redirect changes the record's own URL).
    struct Started {
        Ref<CCAbstractServerData> record;
        std::string requestedUrl;
    };
    void runPass();
    void startRecord(const Ref<CCAbstractServerData>& record);
    void startTransfer(CCAbstractServerData& record);
    // Cancels the record's transfer and forgets this manager as its delegate.
    void detach(CCAbstractServerData& record);
    void announce(const std::string& url, int status, const CCAbstractServerData* record,
                  const std::string& redirect);
    void failedAttempt(CCAbstractServerData& record, bool shared, bool afterAnswer);
    // Removal goes by the record itself, never by equal data.
    void removeFromQueue(const CCAbstractServerData* record);
    void forgetStarted(const CCAbstractServerData* record);
    void addToCache(const Ref<CCAbstractServerData>& record, bool permanent);
    void noteCacheChanged() { ++cacheChanges_; }
    void writeNow();
    void startBackgroundWrite();
    void backgroundWriteFinished(uint64_t generation, bool ok);

    std::vector<Ref<CCAbstractServerData>> permanentDataCache_;
    std::vector<Ref<CCAbstractServerData>> temporaryDataCache_;
    std::vector<Ref<CCAbstractServerData>> fetchQueue_;
    std::vector<Started> started_;
    bool isFetching_ = false;
    bool haveClearedOnInitialConnection_ = false;
    bool shouldClearOnInitialConnection_ = false;
    // A delayed write is pending or its background thread is running.
    bool backgroundThreadRunning_ = false;
    // The file could not be read: nothing writes over it this run.
    bool protectFile_ = false;
    bool passRunning_ = false;
    bool passAgain_ = false;
    Ref<NSTimer> writeToFileTimer_;
    // Changes of the permanent cache so far, and the count last written.
    uint64_t cacheChanges_ = 0;
    uint64_t writtenChanges_ = 0;
    std::string movedAsidePath_;
    std::unique_ptr<RecordFileWriter> writer_;
};

} // namespace mw
