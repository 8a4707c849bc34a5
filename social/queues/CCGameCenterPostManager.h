#pragma once

#include <map>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

class Notification;

// Scores (GKScore) and achievements (GKAchievement) waiting to be reported
// to the game centre, queued per player: the game-centre player id, or
// "none" while no player was known when the item was scheduled. At most two
// are reported at a time, only for the signed-in player; a failed report
// waits for a reachability change or retryAllPosts(). The queue is kept in
// the file "GCPostManager" (written whole, atomically, after every change
// that matters). Nothing is reported while setting 2 is "YES". Completions
// arrive on the main run loop; everything here is main thread.
class CCGameCenterPostManager : public Object {
public:
    static constexpr const char* kFileName = "GCPostManager";
    static constexpr const char* kNoPlayer = "none";
    static constexpr int kSlots = 2;
    using Items = std::vector<Ref<Object>>;
    using Queue = std::map<std::string, Items>;

    CCGameCenterPostManager();
    ~CCGameCenterPostManager() override;

    void scheduleDataForPost(const Ref<Object>& item, const std::string& playerKey);
    // Removes the player's scores of that category and achievements of that identifier.
    void clearPostQueueWithGameCenterId(const std::string& gameCenterId, const std::string& playerKey);
    void startPosting();
    void stopPosting() { isPosting_ = false; }
    void processOutstandingData();
    void retryAllPosts();
    void clearData();
    // The "none" list becomes the signed-in player's (replacing theirs).
    void convertNullUserDataToUseCurrentGameCenterUser();
    bool isItemBeingPosted(const Object* item, const std::string& playerKey) const;
    bool hasItemBeenPostedAndFailed(const Object* item, const std::string& playerKey) const;
    void reachabilityChanged(const Notification& notification);

    // Writes the queue now; false when it could not.
    bool writeToFile();
    void readFromFile();
    static std::string saveFilePath();

    const Queue& serverDataDictionary() const { return queue_; }
    const std::string& movedAsidePath() const { return movedAsidePath_; }

    // The file's bytes and back (the fuzz target uses them as the manager
    // does): false for bytes that are no queue; entries that are no score
    // or achievement are dropped, each logged.
    [[nodiscard]] static std::vector<uint8_t> encodeFile(const Queue& queue);
    [[nodiscard]] static bool decodeFile(const uint8_t* data, size_t size, Queue& queue, std::string* error = nullptr);

private:
    void doGameCenterPost(const Ref<Object>& item, const std::string& playerKey);
    void postItemFinished(const Ref<Object>& item, const std::string& playerKey, bool success);
    static bool contains(const Queue& lists, const Object* item, const std::string& playerKey);
    static void remove(Queue& lists, const Object* item, const std::string& playerKey);

    Queue queue_;
    Queue inFlight_;
    Queue failed_;
    bool isPosting_ = false;
    bool protectFile_ = false;
    std::string movedAsidePath_;
};

} // namespace mw
