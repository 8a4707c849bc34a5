#include "foundation/StartUpTrace.h"
#include "game/state/GlobalObject.h"

#include <chrono>
#include <cstdio>
#include <cmath>
#include <ctime>

#include "audio/CDAudioManager.h"
#include "audio/CDSoundEngine.h"
#include "audio/SimpleAudioEngine.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/director/CCDirector.h"
#include "engine/scheduler/CCScheduler.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "platform/DeviceFacts.h"
#include "platform/GameCenter.h"
#include "platform/LocalNotifications.h"

namespace mw {

namespace {

const std::vector<AchievementInfo> kAchievements = {
    {"summerinthecity", "ACH_CITYHALL", 20},  {"nowhiring", "ACH_HIRE1", 5},
    {"soupforall", "ACH_SOUP12", 15},         {"americanpie", "ACH_PIE5", 20},
    {"bigapple", "ACH_APPLE", 10},            {"wheresmycow", "ACH_COW", 10},
    {"girlsbestfriend", "ACH_DIAMOND", 10},   {"fortknox", "ACH_GOLDBAR10", 15},
    {"jackofalltrades", "ACH_TOOLS100", 10},  {"whatsupdoc", "ACH_CARROT1", 5},
    {"diamondsareforever", "ACH_DIAMBOX1", 15}, {"fieldsofgold", "ACH_TILES36", 15},
    {"kaboom", "ACH_GASBOOM", 5},             {"ontherocks", "ACH_RUMBLEPILE", 10},
    {"glitteringgold", "ACH_GOLD1", 10},      {"downtown", "ACH_TOWNHALL", 15},
    {"kinginmycastle", "ACH_CASTLE", 25},     {"quietasamouse", "ACH_RATEAT", 5},
    {"threelittlepigs", "ACH_PIGS3", 10},     {"achiever", "ACH_EXP500", 5},
    {"shinysilver", "ACH_SILVERBAR1", 5},     {"moo", "ACH_COWHEARD", 15},
    {"moneyfornothing", "ACH_COIN1", 20},     {"dusttodoust", "ACH_DIRT36", 15},
    {"deathandtaxes", "ACH_TAX10000", 20},    {"corporation", "ACH_WORK30", 20},
    {"superfarmer", "ACH_FIELD100", 15},      {"settler", "ACH_SETTLE", 5},
    {"villagepeople", "ACH_VILLAGE", 10},     {"taxcollector", "ACH_TAX1000", 10},
    {"firstcartload", "ACH_COALCART1", 5},    {"littleredridinghood", "ACH_WOLF50", 15},
    {"bigbadwolf", "ACH_WOLFEAT", 10},        {"chicksforfree", "ACH_FLOCK100", 10},
    {"trophyroom", "ACH_TROPHY", 25},         {"diy", "ACH_TOOL1", 5},
    {"golddigger", "ACH_TILESMINE1000", 15},  {"catandmouse", "ACH_RATKILL100", 10},
    {"diggit", "ACH_MINE50", 15},             {"bigachiever", "ACH_EXP5000", 10},
    {"greatharvest", "ACH_TILESFIELD500", 10}, {"balanceddiet", "ACH_ALLFOOD", 20},
    {"hoarder", "ACH_RES1000", 15},           {"shortwalk", "ACH_SHORT", 5},
    {"milestowalk", "ACH_LONG", 20},
};

constexpr const char* kDeathAndTaxes = "com.zandovar.mw.deathandtaxes";
constexpr const char* kSwitchKeys[] = {"isSoundEnable", "isMusicEnable", "isCloudSave", "DietAchievement"};

CGSize runningWindowInPixels()
{
    CCDirector* director = CCDirector::currentDirector();
    return director ? director->winSizeInPixels() : CGSize{0, 0};
}

std::string text(const std::string& key)
{
    return LocalisationManager::sharedInstance()->getValue(key);
}

template <typename Key, typename Item>
void archiveTable(SaveSnapshot& save, const char* key, const std::map<Key, Item>& table)
{
    ArchiveItem::Entries entries;
    for (const auto& [entryKey, item] : table) entries.emplace_back(Value(entryKey), ArchiveItem(item));
    KeyedArchiver archiver;
    archiver.encodeItem(key, ArchiveItem::dictionary(std::move(entries)));
    (void)save.setArchive(key, archiver);
}

// One of the tables a save holds: absent when the entry is missing (a save
// written before the table was kept), damaged (with the reason) when it is
// there but does not decode or holds an entry the table never keeps.
struct SavedTable {
    bool present = false;
    ArchiveItem::Entries entries;
    std::string damage; // empty when the table can be taken
};

using EntryFits = bool (*)(const Value& key, const ArchiveItem& item);

SavedTable savedTable(const Value& save, const char* key, EntryFits fits)
{
    SavedTable table;
    const Value& stored = save[key];
    if (stored.isNull()) return table;
    table.present = true;
    if (!stored.isData()) {
        table.damage = std::string("the table \"") + key + "\" is no archive";
        return table;
    }
    KeyedUnarchiver coder(stored.asData().data(), stored.asData().size());
    ArchiveItem item = coder.decodeItem(key);
    if (!coder.ok()) {
        table.damage = std::string("the table \"") + key + "\" does not decode: " + coder.error();
        return table;
    }
    for (const auto& [entryKey, entry] : item.entries()) {
        if (!fits(entryKey.value(), entry)) {
            table.damage = std::string("the table \"") + key + "\" holds an entry of another kind";
            return table;
        }
    }
    table.entries = item.entries();
    return table;
}

bool isTimedEvent(const Value& key, const ArchiveItem& item)
{
    return key.isInteger() && item.objectAs<PuzzleNotification>();
}

bool isAchievementState(const Value& key, const ArchiveItem& item)
{
    return key.isString() && item.kind() == ArchiveItem::Kind::Value && item.value().isNumber();
}

struct TableOfTheSave {
    const char* key;
    EntryFits fits;
};

// The tables the global object keeps in the save.
constexpr TableOfTheSave kSavedTables[] = {
    {"NotificationsQue", isTimedEvent},
    {"AchievementsState", isAchievementState},
    {"AchievementsHelpers", isAchievementState},
};

} // namespace

GlobalObject::GlobalObject(CGSize winSizeInPixels)
    : isIpad(winSizeInPixels.height >= 1024), isIp3(winSizeInPixels.width == 320)
{
    noteStartUpStep("globalObject " + std::to_string(int(winSizeInPixels.width)) + "x" +
                    std::to_string(int(winSizeInPixels.height)) + " isIp3 " + std::to_string(isIp3) + " isIpad " +
                    std::to_string(isIpad));
    scheduleTick();
    PropagateAchievementsArrays();
    Profile::setAchievementLedger(this);
    Profile::addSaveParticipant(this);
}

GlobalObject::GlobalObject() : GlobalObject(runningWindowInPixels()) {}

GlobalObject::~GlobalObject()
{
    if (audioStart_.joinable()) audioStart_.join();
    Profile::removeSaveParticipant(this);
    Profile::setAchievementLedger(nullptr);
    if (gameCenterManager) gameCenterManager->stop(); // its late results must not reach this object
}

GlobalObject* GlobalObject::sharedInstance()
{
    return Shared<GlobalObject>::get();
}

void GlobalObject::purgeSharedInstance()
{
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->Stop();
    Shared<GlobalObject>::purge();
}

const std::vector<AchievementInfo>& GlobalObject::achievementTable()
{
    return kAchievements;
}

void GlobalObject::scheduleTick()
{
    CCScheduler::sharedScheduler()->scheduleSelector(schedule_selector(GlobalObject::Update), this, 1.0f, false);
}

// ---- sounds ----

const char* GlobalObject::GetSceneNameByID(int32_t scene)
{
    switch (scene) {
    case 1:
        return "kMineScene";
    case 2:
        return "kFieldScene";
    case 3:
        return "kCommon";
    default:
        return "kMenuScene";
    }
}

Value GlobalObject::GetSoundEffectListForSceneWithID(int32_t scene)
{
    std::string file = Paths::documentsPath("SoundEffects.plist");
    if (!Paths::fileExists(file)) file = Paths::pathForResource("SoundEffects.plist");
    std::optional<Value> sets = file.empty() ? std::nullopt : readPropertyListFile(file);
    if (!sets || !sets->isDict()) return Value();
    if (ListOfSoundEffectFiles.empty()) {
        ListOfSoundEffectFiles = Value::dictionary();
        for (const auto& [sceneName, set] : sets->asDict()) {
            for (const auto& [key, soundFile] : set.asDict()) ListOfSoundEffectFiles.set(key, soundFile);
        }
    }
    if (SoundEffectsState.empty()) {
        SoundEffectsState = Value::dictionary();
        for (const auto& [key, soundFile] : ListOfSoundEffectFiles.asDict()) SoundEffectsState.set(key, Value(false));
    }
    return (*sets)[GetSceneNameByID(scene)];
}

void GlobalObject::LoadAudioFor(int32_t scene)
{
    if (scene == CurrentSceneId) return;
    CurrentSceneId = scene;
    LoadAudioForSceneWithID(scene);
}

void GlobalObject::UnloadAudioFor(int32_t scene)
{
    if (scene == CurrentSceneId) return;
    CurrentSceneId = -1;
    UnloadAudioForSceneWithID(scene);
}

void GlobalObject::waitForAudio()
{
    for (int step = 0; step < 150 && AudioState == kAudioStarting; ++step) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void GlobalObject::LoadAudioForSceneWithID(int32_t scene)
{
    waitForAudio();
    if (AudioState == kAudioFailed) return;
    const Value set = GetSoundEffectListForSceneWithID(scene);
    for (const auto& [key, file] : set.asDict()) {
        if (SoundEngine) SoundEngine.load()->preloadEffect(file.asString());
        SoundEffectsState.set(key, Value(true));
    }
}

void GlobalObject::UnloadAudioForSceneWithID(int32_t scene)
{
    const Value set = GetSoundEffectListForSceneWithID(scene);
    if (set.isNull() || AudioState != kAudioReady) return;
    for (const auto& [key, file] : set.asDict()) {
        SoundEffectsState.set(key, Value(false));
        if (SoundEngine) SoundEngine.load()->unloadEffect(file.asString());
    }
}

uint32_t GlobalObject::playEffect(const std::string& key, bool loop)
{
    if (soundRequestListener) soundRequestListener(key);
    if (!isSoundEnable || AudioState != kAudioReady || !SoundEngine) return 0;
    if (!SoundEffectsState[key].asBool()) return 0;
    return SoundEngine.load()->playEffect(ListOfSoundEffectFiles[key].asString(), loop);
}

uint32_t GlobalObject::PlaySoundEffect(const std::string& key)
{
    return playEffect(key, false);
}

uint32_t GlobalObject::PlaySoundEffectLoop(const std::string& key)
{
    return playEffect(key, true);
}

void GlobalObject::StopSoundEffect(uint32_t soundId)
{
    if (AudioState == kAudioReady && SoundEngine) SoundEngine.load()->stopEffect(soundId);
}

void GlobalObject::PlayBackgroundTrack(const std::string& file)
{
    if (hasLastBcgSound && LastBcgSound == file) return;
    LastBcgSound = file;
    hasLastBcgSound = true;
    if (!isMusicEnable_) return;
    for (int sleeps = 0; sleeps < 150 && AudioState != kAudioFailed && AudioState != kAudioReady; ++sleeps) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (AudioState != kAudioReady || !SoundEngine) return;
    if (SoundEngine.load()->isBackgroundMusicPlaying()) SoundEngine.load()->stopBackgroundMusic();
    SoundEngine.load()->preloadBackgroundMusic(file);
    SoundEngine.load()->playBackgroundMusic(file, true);
}

void GlobalObject::StopBackgroudTrack()
{
    if (SoundEngine) SoundEngine.load()->stopBackgroundMusic();
}

void GlobalObject::setIsMusicEnable(bool enable)
{
    isMusicEnable_ = enable;
    if (!enable) {
        StopBackgroudTrack();
        return;
    }
    const std::string track = LastBcgSound;
    const bool hadTrack = hasLastBcgSound && !track.empty();
    LastBcgSound.clear();
    if (hadTrack) PlayBackgroundTrack(track);
}

void GlobalObject::SetupAudioEngine()
{
    if (hasAudioBeenInitialized_) return;
    hasAudioBeenInitialized_ = true;
    // Marked here, not on the start-up thread, so that a sound-set load or a
    // track asked for right after this call waits for the engine instead of
    // finding it "not asked to start".
    AudioState = kAudioStarting;
    audioStart_ = std::thread([this] {
        CDSoundEngine::setMixerSampleRate(44100);
        CDAudioManager::initAsynchronously(2);
        while (CDAudioManager::sharedManagerState() != kCDManagerReady) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        CDAudioManager* manager = CDAudioManager::sharedManager();
        if (manager && manager->soundEngine() && manager->soundEngine()->functioning()) {
            manager->setResignBehavior(1, true);
            SoundEngine = SimpleAudioEngine::sharedEngine();
            AudioState = kAudioReady;
        } else {
            AudioState = kAudioFailed;
        }
    });
}

void GlobalObject::DoTheBoing(CCNode* node)
{
    if (!node) return;
    node->setScale(0.8f);
    auto scale = CCScaleTo::actionWithDuration(0.7f, 1.0f);
    auto elastic = CCEaseElasticOut::actionWithAction(scale, 0.4f);
    node->runAction(elastic.get());
}

// ---- timed events ----

void GlobalObject::GenerateNotification(int32_t hours, int32_t minutes, int32_t seconds, const std::string& langId,
                                        int32_t type, bool active)
{
    // Calendar arithmetic in local time: overflowing fields carry into the
    // next unit, and the fraction of the current second is dropped.
    const time_t now = static_cast<time_t>(std::floor(Clock::wallSeconds()));
    tm local{};
    localtime_r(&now, &local);
    local.tm_hour += hours;
    local.tm_min += minutes;
    local.tm_sec += seconds;
    local.tm_isdst = -1;
    const double due = static_cast<double>(mktime(&local));

    Ref<PuzzleNotification> event = makeRef<PuzzleNotification>();
    event->Type = type;
    event->Date = due;
    event->Text = text(langId);
    NotificationsQue[type] = event;
    if (!active) return;
    LocalNotification notification;
    notification.fireDateUnixTime = due;
    notification.badgeNumber = 1;
    notification.alertBody = event->Text;
    notification.alertAction = text("NOTIF_TAX_BUTTON");
    notification.soundName = "money_fields.wav";
    LocalNotifications::sharedInstance()->scheduleLocalNotification(notification);
}

float GlobalObject::GetTimeTillNotification(int32_t type) const
{
    auto it = NotificationsQue.find(type);
    if (it == NotificationsQue.end()) return -1.0f;
    return static_cast<float>(it->second->Date - Clock::wallSeconds());
}

void GlobalObject::CancelNotifications()
{
    LocalNotifications::sharedInstance()->cancelAllLocalNotifications();
    NotificationsQue.clear();
}

void GlobalObject::ProcessNotification(int32_t type)
{
    Profile* profile = Profile::sharedInstance();
    if (type == kTaxEvent) {
        const int32_t levels[] = {profile->GoldLevel1, profile->GoldLevel2, profile->GoldLevel3,
                                  profile->GoldLevel4, profile->GoldLevel5, profile->GoldLevel6};
        if (profile->CityLevel >= 1 && profile->CityLevel <= 6) profile->CurrentTaxes = levels[profile->CityLevel - 1];
        return;
    }
    if (UpgradeItem* upgrade = profile->GetUpgrade(type)) upgrade->BonusReady = true;
    if (bonusReadyListener) bonusReadyListener(type);
}

void GlobalObject::Update(float)
{
    if (ReinitActive) {
        CDAudioManager* manager = SoundEngine.load() ? SoundEngine.load()->audioManager() : nullptr;
        if (isMusicEnable_ && manager && !manager->isBackgroundMusicPlaying() && !manager->isOtherAudioPlaying()) {
            setIsMusicEnable(false);
            setIsMusicEnable(true);
        }
        ReinitActive = false;
    }
    const double now = Clock::wallSeconds();
    for (int32_t type = 0; type <= kLastEventType; ++type) {
        auto it = NotificationsQue.find(type);
        if (it == NotificationsQue.end() || it->second->Date > now) continue;
        const int32_t firing = it->second->Type;
        NotificationsQue.erase(it);
        ProcessNotification(firing);
    }
}

void GlobalObject::Stop()
{
    // Nothing is scheduled without a scheduler (one ended at the program's end).
    if (CCScheduler* scheduler = Shared<CCScheduler>::current())
        scheduler->unscheduleSelector(schedule_selector(GlobalObject::Update), this);
}

void GlobalObject::Reset()
{
    CancelNotifications();
    AchievementsState.clear();
    AchievementsHelpers.clear();
    PropagateAchievementsArrays();
}

void GlobalObject::Start()
{
    initGameCenter();
    scheduleTick();
}

// ---- achievements ----

void GlobalObject::PropagateAchievementsArrays()
{
    AchievementsState.clear();
    AchievementsHelpers.clear();
    for (const AchievementInfo& achievement : kAchievements) {
        AchievementsState[achievementIdentifier(achievement.name)] = false;
        AchievementsHelpers[achievementIdentifier(achievement.name)] = 0;
    }
}

bool GlobalObject::IsAchievementDone(const std::string& identifier)
{
    auto it = AchievementsState.find(identifier);
    return it != AchievementsState.end() && it->second;
}

void GlobalObject::AchievementDone(const std::string& identifier, const std::string& desc, int32_t pts)
{
    (void)PlaySoundEffect("achievement");
    Profile::sharedInstance()->Points += 1000;
    AchievementsState[identifier] = true;
    if (achievementBanner) {
        achievementBanner(desc, pts);
    } else {
        logLine("Achievement: %s (%d pts)", text(desc).c_str(), pts);
    }
    if (!gameCenterManager) gameCenterManager = makeRef<GameCenterManager>();
    if (gameCenterManager->UserLoged) {
        gameCenterManager->submitAchievement(identifier, 100.0);
    } else {
        auto achievement = makeRef<GKAchievement>(identifier, 100.0);
        gameCenterManager->saveAchievementToDevice(*achievement);
    }
}

int32_t GlobalObject::GetAchievementHelperState(const std::string& identifier)
{
    auto it = AchievementsHelpers.find(identifier);
    return it == AchievementsHelpers.end() ? 0 : it->second;
}

void GlobalObject::SetAchievementHelperState(const std::string& identifier, int32_t cnt)
{
    AchievementsHelpers[identifier] = cnt;
}

void GlobalObject::ReportScore(const std::string& category, int32_t score)
{
    if (gameCenterManager) gameCenterManager->reportScore(score, category);
}

std::string GlobalObject::bundleVersion()
{
    auto info = readPropertyListFile(Paths::pathForResource("Info.plist"));
    return info ? (*info)["CFBundleVersion"].asString() : std::string();
}

bool GlobalObject::isGameCenterAvailable()
{
    // Without a local player to sign in, the achievements and leaderboards
    // screens would lead nowhere.
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service || !service->hasLocalPlayer() || !service->canLoadPlayers()) return false;
    std::shared_ptr<DeviceFacts> facts = DeviceFacts::sharedInstance();
    if (!facts) return false;
    int major = 0, minor = 0;
    if (std::sscanf(facts->systemVersion().c_str(), "%d.%d", &major, &minor) < 1) return false;
    return major > 4 || (major == 4 && minor >= 1);
}

void GlobalObject::initGameCenter()
{
    // A new manager at every start; the old one stops hearing sign-ins and
    // its late results reach nobody. Unsent achievements wait in its file.
    if (gameCenterManager) gameCenterManager->stop();
    gameCenterManager = makeRef<GameCenterManager>();
    gameCenterManager->setDelegate(this);
    gameCenterManager->authenticateLocalUser();
}

void GlobalObject::processGameCenterAuth(const GameCenterResult& error)
{
    if (!gameCenterManager || error) return;
    gameCenterManager->UserLoged = true;
    gameCenterManager->retrieveAchievementsFromDevice();
}

// ---- the save ----

void GlobalObject::SaveSettings()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const bool switches[] = {isSoundEnable, isMusicEnable_, isCloudSave, DietAchievement};
    for (size_t i = 0; i < std::size(kSwitchKeys); ++i) defaults.setBool(kSwitchKeys[i], switches[i]);
    (void)defaults.synchronize();
}

void GlobalObject::SaveTo(SaveSnapshot& save)
{
    SaveSettings();
    archiveTable(save, "NotificationsQue", NotificationsQue);
    archiveTable(save, "AchievementsState", AchievementsState);
    archiveTable(save, "AchievementsHelpers", AchievementsHelpers);
}

bool GlobalObject::CanLoadFrom(const Value& save, std::string& reason) const
{
    // Taking the rest of a save whose achievements or timed events do not
    // decode would leave them empty, and the next save would write that
    // over the player's: the save is refused whole instead.
    for (const TableOfTheSave& table : kSavedTables) {
        SavedTable saved = savedTable(save, table.key, table.fits);
        if (!saved.damage.empty()) {
            reason = std::move(saved.damage);
            return false;
        }
    }
    return true;
}

void GlobalObject::LoadFrom(const Value* save)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    isSoundEnable = defaults.boolForKey("isSoundEnable");
    isMusicEnable_ = defaults.boolForKey("isMusicEnable");
    isCloudSave = defaults.boolForKey("isCloudSave");
    DietAchievement = defaults.boolForKey("DietAchievement");
    if (!save) return;
    // A table left out of the save (one written before it was kept) leaves
    // this one as it is; one that is there has been checked by CanLoadFrom.
    SavedTable events = savedTable(*save, kSavedTables[0].key, kSavedTables[0].fits);
    SavedTable states = savedTable(*save, kSavedTables[1].key, kSavedTables[1].fits);
    SavedTable counters = savedTable(*save, kSavedTables[2].key, kSavedTables[2].fits);
    if (events.present && events.damage.empty()) {
        NotificationsQue.clear();
        for (const auto& [type, event] : events.entries)
            NotificationsQue[type.value().asInt()] = event.objectAs<PuzzleNotification>();
    }
    if (states.present && states.damage.empty()) {
        AchievementsState.clear();
        for (const auto& [identifier, done] : states.entries)
            AchievementsState[identifier.value().asString()] = done.value().asBool();
    }
    if (counters.present && counters.damage.empty()) {
        AchievementsHelpers.clear();
        for (const auto& [identifier, count] : counters.entries)
            AchievementsHelpers[identifier.value().asString()] = count.value().asInt();
    }
    if (!AchievementsState.count(kDeathAndTaxes)) {
        AchievementsState[kDeathAndTaxes] = false;
        AchievementsHelpers[kDeathAndTaxes] = 0;
    }
}

} // namespace mw
