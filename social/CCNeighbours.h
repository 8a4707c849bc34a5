#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "social/records/CCAbstractServerData.h"

namespace mw {

// The session's neighbours that later work builds in full: the fetch
// manager, the post queue and the session telemetry. Until then each is a
// stand-in under its real name that records the calls made on it, in one
// list in call order, so that tests see what the session asked and when.
// Main thread.
void noteNeighbourCall(std::string call);
std::vector<std::string> neighbourCalls();
void clearNeighbourCalls();

// The page and image fetcher. Posts its notifications (named by the URL, user
// info "url" and "status") with itself as the object.
class CCFetchManager : public Object {
public:
    static CCFetchManager* sharedInstance();
    static void releaseSharedInstance();

    void startFetching() { noteNeighbourCall("fetchManager startFetching"); }
    void stopFetching() { noteNeighbourCall("fetchManager stopFetching"); }
    void clearDataWithCompleteClean(bool complete)
    {
        noteNeighbourCall(std::string("fetchManager clearDataWithCompleteClean ") + (complete ? "1" : "0"));
    }
    // Whether the page fetched from url asks for the player's data to be
    // refreshed (its cache control); a test scripts the pages that do.
    bool pageUpdatesPlayerData(const std::string& url) const { return updatingPages_.count(url) != 0; }
    void setPageUpdatesPlayerData(const std::string& url) { updatingPages_.insert(url); }

    // The cached record for a URL, from a table the test scripts; null when unknown.
    Ref<CCAbstractServerData> serverDataForURL(const std::string& url) const
    {
        auto found = records_.find(url);
        return found == records_.end() ? Ref<CCAbstractServerData>() : found->second;
    }
    void setServerDataForURL(const std::string& url, Ref<CCAbstractServerData> record)
    {
        records_[url] = std::move(record);
    }
    // Recorded as "fetchManager queueServerData <url> <priority> <sub-priority>";
    // the record is kept in queued().
    void queueServerData(const Ref<CCAbstractServerData>& record, int priority, int subPriority)
    {
        noteNeighbourCall("fetchManager queueServerData " + record->url() + " " + std::to_string(priority) + " " +
                          std::to_string(subPriority));
        queued_.push_back(record);
    }
    const std::vector<Ref<CCAbstractServerData>>& queued() const { return queued_; }
    // Drops the cached records whose URL equals url (after a redirect to it).
    // Recorded as "fetchManager clearUrlFromCache <url>".
    void clearUrlFromCache(const std::string& url)
    {
        noteNeighbourCall("fetchManager clearUrlFromCache " + url);
        records_.erase(url);
    }

private:
    std::set<std::string> updatingPages_;
    std::map<std::string, Ref<CCAbstractServerData>> records_;
    std::vector<Ref<CCAbstractServerData>> queued_;
};

// The queue of posts to the service ("postManager"), and the game centre's
// queue ("gcPostManager"), recorded under their names.
class CCAsyncPostManager : public Object {
public:
    explicit CCAsyncPostManager(std::string name = "postManager") : name_(std::move(name)) {}
    void startPosting() { noteNeighbourCall(name_ + " startPosting"); }
    void retryAllPosts() { noteNeighbourCall(name_ + " retryAllPosts"); }

private:
    std::string name_;
};

} // namespace mw
