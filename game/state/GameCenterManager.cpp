#include "game/state/GameCenterManager.h"

#include "foundation/GuardedFileRead.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

// Achievements and scores waiting to be sent: a file far larger is none of ours.
constexpr size_t kLargestOfflineFile = size_t(4) << 20;
constexpr const char* kAchievementsKey = "Achievements";
}

GameCenterManager::GameCenterManager()
{
    observer_ = NotificationCenter::defaultCenter().addObserver(
        nullptr, GKPlayerAuthenticationDidChangeNotificationName, nullptr,
        [this](const Notification&) { ChangedStatus(); });
}

GameCenterManager::~GameCenterManager() { stop(); }

void GameCenterManager::stop()
{
    if (observer_) NotificationCenter::defaultCenter().removeObserver(observer_);
    observer_ = 0;
    delegate_ = nullptr;
    *alive_ = false;
}

template <typename Call>
void GameCenterManager::tellDelegate(Call call)
{
    std::weak_ptr<bool> alive = alive_;
    Ref<GameCenterManager> keep(this);
    RunLoop::main().perform([alive, keep, call] {
        auto flag = alive.lock();
        if (flag && *flag && keep->delegate_) call(*keep->delegate_);
    });
}

void GameCenterManager::authenticateLocalUser()
{
    auto service = GameCenter::sharedInstance();
    if (service->isLocalPlayerAuthenticated()) return;
    Ref<GameCenterManager> keep(this);
    service->authenticateLocalPlayer([keep](const GameCenterResult& error) {
        keep->tellDelegate([error](GameCenterManagerDelegate& d) { d.processGameCenterAuth(error); });
    });
}

void GameCenterManager::ChangedStatus()
{
    const bool signedIn = GameCenter::sharedInstance()->isLocalPlayerAuthenticated();
    if (signedIn && !UserLoged) {
        UserLoged = true;
        retrieveAchievementsFromDevice();
    } else if (!signedIn && UserLoged) {
        UserLoged = false;
    }
}

std::string GameCenterManager::UserName() const { return GameCenter::sharedInstance()->localPlayerID(); }

void GameCenterManager::submitAchievement(const std::string& identifier, double percentComplete)
{
    if (!cache_) {
        Ref<GameCenterManager> keep(this);
        GameCenter::sharedInstance()->loadAchievements(
            [keep, identifier, percentComplete](const std::vector<Ref<GKAchievement>>& loaded,
                                                const GameCenterResult& error) {
                if (error) {
                    // Kept for the next sign-in rather than lost.
                    auto achievement = makeRef<GKAchievement>(identifier, percentComplete);
                    keep->saveAchievementToDevice(*achievement);
                    keep->tellDelegate([error](GameCenterManagerDelegate& d) { d.achievementSubmitted(nullptr, error); });
                    return;
                }
                if (!keep->cache_) {
                    keep->cache_.emplace();
                    for (const auto& achievement : loaded) (*keep->cache_)[achievement->identifier] = achievement;
                }
                keep->submitAchievement(identifier, percentComplete);
            });
        return;
    }
    auto found = cache_->find(identifier);
    if (found != cache_->end()) {
        GKAchievement& known = *found->second;
        if (known.percentComplete >= 100 || percentComplete <= known.percentComplete) return;
        known.percentComplete = percentComplete;
        report(found->second);
        return;
    }
    auto achievement = makeRef<GKAchievement>(identifier, percentComplete);
    (*cache_)[identifier] = achievement;
    report(achievement);
}

void GameCenterManager::report(const Ref<GKAchievement>& achievement)
{
    Ref<GameCenterManager> keep(this);
    GameCenter::sharedInstance()->reportAchievement(
        achievement->identifier, achievement->percentComplete,
        [keep, achievement](const GameCenterResult& error) { keep->submitted(achievement, error); });
}

void GameCenterManager::submitted(const Ref<GKAchievement>& achievement, const GameCenterResult& error)
{
    if (error && achievement) saveAchievementToDevice(*achievement);
    tellDelegate([achievement, error](GameCenterManagerDelegate& d) { d.achievementSubmitted(achievement.get(), error); });
}

std::string GameCenterManager::offlineFilePath() { return Paths::documentsPath("GameCenterSave.txt"); }

std::optional<std::vector<Ref<GKAchievement>>> GameCenterManager::decodeOfflineAchievements(
    const Value::Bytes& archive)
{
    KeyedUnarchiver unarchiver(archive);
    if (!unarchiver.ok()) return std::nullopt;
    ArchiveItem root = unarchiver.decodeItem(kAchievementsKey);
    if (!unarchiver.ok() || (root.kind() != ArchiveItem::Kind::Array && !root.isNull())) return std::nullopt;
    std::vector<Ref<GKAchievement>> achievements;
    for (const ArchiveItem& item : root.items()) {
        auto achievement = item.objectAs<GKAchievement>();
        if (!achievement) return std::nullopt;
        achievements.push_back(achievement);
    }
    return achievements;
}

Value::Bytes GameCenterManager::encodeOfflineAchievements(const std::vector<Ref<GKAchievement>>& achievements)
{
    ArchiveItem::Items items;
    for (const auto& achievement : achievements) items.emplace_back(achievement);
    KeyedArchiver archiver;
    archiver.encodeItem(kAchievementsKey, ArchiveItem::array(std::move(items)));
    return archiver.encodedData();
}

std::optional<Value> GameCenterManager::parseOfflineFile(const uint8_t* bytes, size_t size)
{
    auto value = readPropertyList(bytes, size);
    if (!value || !value->isDict()) return std::nullopt;
    if (!value->asDict().contains(kAchievementsKey)) return value;
    const Value& archive = (*value)[kAchievementsKey];
    if (!archive.isData() || !decodeOfflineAchievements(archive.asData())) return std::nullopt;
    return value;
}

std::optional<Value> GameCenterManager::readOfflineFile()
{
    const std::string path = offlineFilePath();
    std::optional<Value> value;
    const GuardedRead read = readGuardedFile(
        path, "GameCenter: " + path, kLargestOfflineFile, [&](const std::vector<uint8_t>& bytes, std::string* error) {
            value = parseOfflineFile(bytes.data(), bytes.size());
            if (!value) *error = "no offline achievements";
            return value.has_value();
        });
    if (read == GuardedRead::Unreadable) return std::nullopt; // still in place: never written over
    if (read == GuardedRead::Read) return value;
    return Value(Value::Dictionary());
}

void GameCenterManager::saveAchievementToDevice(GKAchievement& achievement)
{
    std::optional<Value> file = readOfflineFile();
    if (!file) {
        logLine("GameCenter: achievement %s not kept: the offline file cannot be trusted",
                achievement.identifier.c_str());
        return;
    }
    Value::Dictionary dictionary = file->asDict();
    std::vector<Ref<GKAchievement>> kept;
    if (const Value* archive = dictionary.find(kAchievementsKey)) {
        kept = *decodeOfflineAchievements(archive->asData());
        dictionary.remove(kAchievementsKey);
    }
    kept.push_back(Ref<GKAchievement>(&achievement));
    dictionary.set(kAchievementsKey, Value(encodeOfflineAchievements(kept)));
    Paths::createDirectories(Paths::documentsDirectory());
    if (!writePropertyListFile(offlineFilePath(), Value(std::move(dictionary))))
        logLine("GameCenter: achievement %s could not be kept", achievement.identifier.c_str());
}

void GameCenterManager::retrieveAchievementsFromDevice()
{
    if (!Paths::fileExists(offlineFilePath())) return;
    std::optional<Value> file = readOfflineFile();
    if (!file || !file->asDict().contains(kAchievementsKey)) return;
    Value::Dictionary dictionary = file->asDict();
    std::vector<Ref<GKAchievement>> kept = *decodeOfflineAchievements(dictionary.find(kAchievementsKey)->asData());
    dictionary.remove(kAchievementsKey);
    if (!writePropertyListFile(offlineFilePath(), Value(std::move(dictionary)))) {
        // Sending now could store them a second time: leave them for a later sign-in.
        logLine("GameCenter: the offline achievements could not be taken out of the file");
        return;
    }
    for (const auto& achievement : kept) submitAchievement(achievement->identifier, 100.0);
}

void GameCenterManager::reportScore(int64_t score, const std::string& category)
{
    Ref<GameCenterManager> keep(this);
    GameCenter::sharedInstance()->reportScore(score, category, [keep](const GameCenterResult& error) {
        keep->tellDelegate([error](GameCenterManagerDelegate& d) { d.scoreReported(error); });
    });
}

void GameCenterManager::reloadHighScoresForCategory(const std::string& category)
{
    Ref<GameCenterManager> keep(this);
    GameCenter::sharedInstance()->loadTopScore(
        category, [keep](const std::optional<LeaderboardEntry>& top, const GameCenterResult& error) {
            keep->tellDelegate([top, error](GameCenterManagerDelegate& d) { d.reloadScoresComplete(top, error); });
        });
}

void GameCenterManager::resetAchievements()
{
    cache_.reset();
    Ref<GameCenterManager> keep(this);
    GameCenter::sharedInstance()->resetAchievements([keep](const GameCenterResult& error) {
        keep->tellDelegate([error](GameCenterManagerDelegate& d) { d.achievementResetResult(error); });
    });
}

void GameCenterManager::mapPlayerIDtoPlayer(const std::string& playerID)
{
    Ref<GameCenterManager> keep(this);
    GameCenter::sharedInstance()->loadPlayers(
        {playerID}, [keep, playerID](const std::vector<GameCenterPlayer>& players, const GameCenterResult& error) {
            std::optional<GameCenterPlayer> match;
            for (const auto& player : players)
                if (player.playerID == playerID) match = player;
            keep->tellDelegate([match, error](GameCenterManagerDelegate& d) { d.mappedPlayerIDToPlayer(match, error); });
        });
}

} // namespace mw
