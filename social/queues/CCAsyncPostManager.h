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

class CCDataStore;
class Notification;
class RecordFileWriter;

// The queue of records that must reach the service (telemetry, device
// tokens, challenge results, signed posts), sent by POST in the order
// scheduled, at most two at a time, and kept in the file "PostManager" so
// that nothing is lost when the game ends before the network comes back.
// Nothing is sent while numbered setting 2 (avoid background activity) is
// "YES".
//
// Result notification: named by the record's URL, object the manager, user
// info a Value object {"url": the URL, "status": 1 posted / 0 given up after
// two attempts}.
//
// Durability: scheduleDataForPost() writes the file before it returns (an
// atomic write of a snapshot), so a scheduled post survives a kill at any
// later moment. The changes that follow answers are written 3 s later on a
// background thread that works on a snapshot and touches neither records
// nor the data store. Every queue write, at once or delayed, also stores
// the news flag under kSeenNewsKey with its current value, on the main
// thread, and writes the data store the first time and whenever the value
// kept there differed. Main thread only.
class CCAsyncPostManager : public Object, public CCServerDataHTTPDelegate {
public:
    static constexpr const char* kFileName = "PostManager";
    static constexpr const char* kSeenNewsKey = "PostManager_haveSeenGlobalNews";
    static constexpr int kSlots = 2;
    static constexpr double kWriteDelay = 3.0;
    // A null post goes only while the social screens were seen this recently.
    static constexpr double kNullPostMaxMinutes = 1440;

    // Reads the file; observes the profile page (until the news are seen)
    // and reachability changes.
    CCAsyncPostManager();
    // Writes pending changes at once and detaches every record it started.
    ~CCAsyncPostManager() override;

    // Appends, writes the file, and sends at once while posting is on.
    void scheduleDataForPost(const Ref<CCAbstractServerData>& record);
    void startPosting();
    void stopPosting() { isPosting_ = false; }
    bool isPosting() const { return isPosting_; }
    // One pass: sends what is eligible, at most kSlots at a time.
    void processOutstandingData();
    // Every record gets fresh attempts; the file is written; a pass.
    void retryAllPosts();
    void clearData();
    // Removes the records not in transfer whose URL contains text, and
    // those without URL.
    void clearPostsWithPartialUrlString(const std::string& text);
    // The same for the records whose URL carries the query item name=value
    // whole (urlHasQueryItem): the post of one id leaves another id's alone
    // even when one id begins with the other.
    void clearPostsWithQueryItem(const std::string& name, const std::string& value);
    void removeServerDataFromManagerWithUrl(const std::string& url);
    // YES while a post of the queue is in transfer.
    bool isWaitingForResponsesFromServer() const;
    void reachabilityChanged(const Notification& notification);
    void fetchUpdateNotification(const Notification& notification);
    void serverDataFinishedNetworkOpWithStatus(CCAbstractServerData* record, int status) override;

    // The delayed write (3 s, background thread).
    void writeToFile();
    // The file now, on this thread.
    bool writeToFileNow();
    void readFromFile();
    static std::string saveFilePath();

    const std::vector<Ref<CCAbstractServerData>>& serverDataArray() const { return serverDataArray_; }
    bool haveSeenGlobalNews() const { return haveSeenGlobalNews_; }
    // Files written so far, and where an unreadable file was moved aside.
    size_t writeCount() const;
    const std::string& movedAsidePath() const { return movedAsidePath_; }

private:
    bool isEligible(const CCAbstractServerData& record) const;
    void announce(const std::string& url, int status);
    void removeRecord(const CCAbstractServerData* record);
    void clearPostsWhoseUrl(const std::function<bool(const std::string&)>& matches);
    void forgetStarted(const CCAbstractServerData* record);
    void noteChanged() { ++changes_; }
    void backgroundWriteFinished(uint64_t generation, bool ok);
    // The queue now, then the flag into `store` (none: the flag is not kept).
    bool writeQueueNow(CCDataStore* store);
    void storeSeenNews(CCDataStore* store);

    std::vector<Ref<CCAbstractServerData>> serverDataArray_;
    // Records this manager started, queued or not: detached at teardown.
    std::vector<Ref<CCAbstractServerData>> started_;
    // Records read from the file and not yet answered: the run that wrote
    // them may already have sent them.
    std::vector<Ref<CCAbstractServerData>> readBack_;
    bool isPosting_ = false;
    bool haveSeenGlobalNews_ = false;
    bool observingNews_ = false;
    bool seenNewsWritten_ = false; // the flag is in the store's file as it stands
    bool protectFile_ = false;
    bool passRunning_ = false;
    bool passAgain_ = false;
    bool writePending_ = false;
    Ref<NSTimer> writeToFileTimer_;
    uint64_t changes_ = 1;
    uint64_t writtenChanges_ = 0;
    std::string movedAsidePath_;
    std::unique_ptr<RecordFileWriter> writer_;
};

} // namespace mw
