#include "social/queues/CCGameCenterPostManager.h"

#include <algorithm>

#include "foundation/AtomicFile.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "platform/GKAchievement.h"
#include "platform/GKScore.h"
#include "platform/GameCenter.h"
#include "social/data/CCLumoraLog.h"
#include "social/queues/CCNeighbours.h"
#include "social/queues/CCQueueSession.h"
#include "foundation/GuardedFileRead.h"
#include "social/support/Reachability.h"

namespace mw {

namespace {

// Scores and achievements waiting to be posted: a file far larger is none of ours.
constexpr size_t kLargestQueue = size_t(4) << 20;

constexpr const char* kRootKey = "root";

bool isItem(const Ref<Object>& object) { return dynamicRef<GKScore>(object) || dynamicRef<GKAchievement>(object); }

CCGameCenterPostManager::Items itemsOf(const ArchiveItem& list)
{
    CCGameCenterPostManager::Items items;
    for (const ArchiveItem& entry : list.items()) {
        if (entry.kind() == ArchiveItem::Kind::Object && isItem(entry.object())) items.push_back(entry.object());
        else logLine("%sGCPostManager: an entry that is no score or achievement was dropped", kLumoraError);
    }
    return items;
}

} // namespace

CCGameCenterPostManager::CCGameCenterPostManager()
{
    readFromFile();
    NotificationCenter::defaultCenter().addObserver(
        this, kReachabilityChangedNotification, nullptr,
        [this](const Notification& notification) { reachabilityChanged(notification); });
}

CCGameCenterPostManager::~CCGameCenterPostManager() { NotificationCenter::defaultCenter().removeObserver(this); }

void CCGameCenterPostManager::scheduleDataForPost(const Ref<Object>& item, const std::string& playerKey)
{
    if (!item) return;
    queue_[playerKey].push_back(item);
    if (isPosting_) processOutstandingData();
    (void)writeToFile();
}

void CCGameCenterPostManager::clearPostQueueWithGameCenterId(const std::string& gameCenterId,
                                                             const std::string& playerKey)
{
    auto found = queue_.find(playerKey);
    if (found == queue_.end()) return;
    Items& items = found->second;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [&gameCenterId](const Ref<Object>& item) {
                                   if (auto score = dynamicRef<GKScore>(item)) return score->category == gameCenterId;
                                   if (auto achievement = dynamicRef<GKAchievement>(item))
                                       return achievement->identifier == gameCenterId;
                                   return false;
                               }),
                items.end());
}

void CCGameCenterPostManager::startPosting()
{
    noteNeighbourCall("gcPostManager startPosting");
    isPosting_ = true;
    processOutstandingData();
}

void CCGameCenterPostManager::processOutstandingData()
{
    CCQueueSession* session = CCQueueSession::installed();
    if (!session) return;
    const Value& avoid = session->valueForWorkaroundSetting(2);
    if (avoid.isString() && avoid.stringView() == "YES") return;
    (void)writeToFile();
    if (queue_.empty()) return;
    if (session->reachability()) (void)session->reachability()->startNotifier();
    std::shared_ptr<GameCenter> gameCenter = GameCenter::sharedInstance();
    if (!session->isGameCenterSupportEnabled() || !gameCenter || !gameCenter->isLocalPlayerAuthenticated()) return;
    const std::string player = gameCenter->localPlayerID();
    auto found = queue_.find(player);
    if (found == queue_.end() || found->second.empty()) return;
    int slots = kSlots;
    const Items walk = found->second;
    for (const Ref<Object>& item : walk) {
        if (slots <= 0) break;
        if (hasItemBeenPostedAndFailed(item.get(), player)) continue;
        // Items in flight hold their slot: never more than kSlots at once.
        --slots;
        if (isItemBeingPosted(item.get(), player)) continue;
        doGameCenterPost(item, player);
    }
}

void CCGameCenterPostManager::doGameCenterPost(const Ref<Object>& item, const std::string& playerKey)
{
    std::shared_ptr<GameCenter> gameCenter = GameCenter::sharedInstance();
    if (!gameCenter) return;
    Ref<CCGameCenterPostManager> self(this);
    auto finish = [self, item, playerKey](const char* failure) {
        return [self, item, playerKey, failure](const GameCenterResult& result) {
            if (result) {
                logLine("%s", failure);
                logLine("Error: %s", result->description.c_str());
                self->postItemFinished(item, playerKey, false);
                return;
            }
            self->postItemFinished(item, playerKey, true);
            RunLoop::performOnMain([self] { self->processOutstandingData(); });
        };
    };
    if (auto score = dynamicRef<GKScore>(item)) {
        inFlight_[playerKey].push_back(item);
        gameCenter->reportScore(score->value, score->category,
                                finish("An error occured posting to the game center leaderboards"));
    } else if (auto achievement = dynamicRef<GKAchievement>(item)) {
        inFlight_[playerKey].push_back(item);
        gameCenter->reportAchievement(achievement->identifier, achievement->percentComplete,
                                      finish("An error occured when posting Game Center acheivement"));
    }
}

void CCGameCenterPostManager::postItemFinished(const Ref<Object>& item, const std::string& playerKey, bool success)
{
    if (success) {
        remove(queue_, item.get(), playerKey);
        (void)writeToFile();
    } else {
        failed_[playerKey].push_back(item);
    }
    remove(inFlight_, item.get(), playerKey);
}

bool CCGameCenterPostManager::contains(const Queue& lists, const Object* item, const std::string& playerKey)
{
    auto found = lists.find(playerKey);
    if (found == lists.end()) return false;
    return std::any_of(found->second.begin(), found->second.end(),
                       [item](const Ref<Object>& entry) { return entry.get() == item; });
}

void CCGameCenterPostManager::remove(Queue& lists, const Object* item, const std::string& playerKey)
{
    auto found = lists.find(playerKey);
    if (found == lists.end()) return;
    Items& items = found->second;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [item](const Ref<Object>& entry) { return entry.get() == item; }),
                items.end());
    if (items.empty()) lists.erase(found);
}

bool CCGameCenterPostManager::isItemBeingPosted(const Object* item, const std::string& playerKey) const
{
    return contains(inFlight_, item, playerKey);
}

bool CCGameCenterPostManager::hasItemBeenPostedAndFailed(const Object* item, const std::string& playerKey) const
{
    return contains(failed_, item, playerKey);
}

void CCGameCenterPostManager::convertNullUserDataToUseCurrentGameCenterUser()
{
    std::shared_ptr<GameCenter> gameCenter = GameCenter::sharedInstance();
    const std::string player = gameCenter ? gameCenter->localPlayerID() : std::string();
    auto none = queue_.find(kNoPlayer);
    if (queue_.empty() || player.empty() || none == queue_.end()) return;
    Items items = std::move(none->second);
    queue_.erase(none);
    queue_[player] = std::move(items);
    (void)writeToFile();
}

void CCGameCenterPostManager::reachabilityChanged(const Notification&)
{
    failed_.clear();
    processOutstandingData();
}

void CCGameCenterPostManager::retryAllPosts()
{
    noteNeighbourCall("gcPostManager retryAllPosts");
    (void)writeToFile();
    failed_.clear();
    processOutstandingData();
}

void CCGameCenterPostManager::clearData()
{
    stopPosting();
    queue_.clear();
}

// ---- the file ----

std::string CCGameCenterPostManager::saveFilePath() { return Paths::documentsPath(kFileName); }

std::vector<uint8_t> CCGameCenterPostManager::encodeFile(const Queue& queue)
{
    ArchiveItem::Entries entries;
    for (const auto& [key, items] : queue) {
        ArchiveItem::Items list(items.begin(), items.end());
        entries.emplace_back(Value(key), ArchiveItem::array(std::move(list)));
    }
    KeyedArchiver archiver;
    archiver.encodeItem(kRootKey, ArchiveItem::dictionary(std::move(entries)));
    return archiver.encodedData();
}

bool CCGameCenterPostManager::decodeFile(const uint8_t* data, size_t size, Queue& queue, std::string* error)
{
    queue.clear();
    KeyedUnarchiver unarchiver(data, size);
    if (!unarchiver.containsValueForKey(kRootKey)) {
        if (error) *error = unarchiver.ok() ? "the archive holds no root" : unarchiver.error();
        return false;
    }
    const ArchiveItem root = unarchiver.decodeItem(kRootKey);
    if (root.kind() == ArchiveItem::Kind::Array) {
        // The older layout: one list, of no player.
        Items items = itemsOf(root);
        if (!items.empty()) queue[kNoPlayer] = std::move(items);
        return true;
    }
    if (root.kind() != ArchiveItem::Kind::Dictionary) {
        if (error) *error = "the root is no queue";
        return false;
    }
    for (const auto& [key, list] : root.entries()) {
        if (!key.value().isString() || list.kind() != ArchiveItem::Kind::Array) {
            logLine("%sGCPostManager: an entry that is no player's list was dropped", kLumoraError);
            continue;
        }
        Items items = itemsOf(list);
        if (!items.empty()) queue[key.value().asString()] = std::move(items);
    }
    return true;
}

bool CCGameCenterPostManager::writeToFile()
{
    if (protectFile_) return false;
    const std::vector<uint8_t> bytes = encodeFile(queue_);
    if (bytes.empty()) return false;
    return AtomicFile::write(saveFilePath(), bytes.data(), bytes.size());
}

void CCGameCenterPostManager::readFromFile()
{
    queue_.clear();
    const GuardedRead outcome = readGuardedFile(
        saveFilePath(), std::string(kLumoraError) + "GCPostManager", kLargestQueue,
        [this](const std::vector<uint8_t>& bytes, std::string* error) {
            return decodeFile(bytes.data(), bytes.size(), queue_, error);
        },
        &movedAsidePath_);
    if (outcome != GuardedRead::Read) queue_.clear();
    protectFile_ = outcome == GuardedRead::Unreadable;
}

} // namespace mw
