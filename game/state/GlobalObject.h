#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "foundation/Geometry.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "game/state/AchievementLedger.h"
#include "game/state/GameCenterManager.h"
#include "game/state/PuzzleNotification.h"
#include "game/state/SaveFile.h"

namespace mw {

class SimpleAudioEngine;

// One achievement of the game's table: what callers pass when they grant it.
struct AchievementInfo {
    const char* name;    // the identifier is "com.zandovar.mw." + name
    const char* textKey; // the banner's string-table key
    int32_t points;
};

// The game's one service object: the device kind, the sound switches and
// per-scene sound sets, the timed events that make the village earn (with
// the local notification of taxes), and the achievements. It is a node only
// so that the scheduler can tick it; it is never added to a scene.
//
// Made on first use (sharedInstance), which reads the director's window
// size; it schedules its one-second tick, and records achievements and
// rides in the player's save for the profile. Main thread, except the
// audio start.
class GlobalObject : public CCNode, public AchievementLedger, public SaveParticipant,
                     public GameCenterManagerDelegate {
public:
    // Audio states.
    static constexpr int32_t kAudioNotStarted = 0;
    static constexpr int32_t kAudioStarting = 2;
    static constexpr int32_t kAudioReady = 300;
    static constexpr int32_t kAudioFailed = 1;
    // Event types.
    static constexpr int32_t kTaxEvent = 145;
    static constexpr int32_t kLastEventType = 146;

    // A window of this size in pixels decides the device kind.
    explicit GlobalObject(CGSize winSizeInPixels);
    // Reads the running director's window (none: a phone of no size).
    GlobalObject();
    ~GlobalObject() override;

    static GlobalObject* sharedInstance();
    static void purgeSharedInstance();

    // The 45 achievements, in registry order.
    static const std::vector<AchievementInfo>& achievementTable();
    static std::string achievementIdentifier(const char* name) { return std::string("com.zandovar.mw.") + name; }

    // ---- device
    bool isIpad = false; // the window is 1024 pixels high or more
    bool isIp3 = false;  // the window is exactly 320 pixels wide

    // ---- switches (stored in the user defaults by SaveTo)
    bool isSoundEnable = true;
    bool isCloudSave = true;
    bool CounterActive = true;
    bool isMusicEnable() const { return isMusicEnable_; }
    // On: restarts the last track asked for; off: stops the music.
    void setIsMusicEnable(bool enable);

    // ---- sounds
    std::atomic<int32_t> AudioState{kAudioNotStarted};
    std::atomic<SimpleAudioEngine*> SoundEngine{nullptr}; // set when the engine is ready; not owned
    Value ListOfSoundEffectFiles;             // sound key -> file, merged over every scene
    Value SoundEffectsState;                  // sound key -> loaded (boolean)
    int32_t CurrentSceneId = -1;
    std::string LastBcgSound;
    bool hasLastBcgSound = false;

    // The scene name of a sound-set identifier ("kMenuScene" for any unknown).
    static const char* GetSceneNameByID(int32_t scene);
    // The scene's key -> file dictionary from "SoundEffects.plist" (documents
    // first, else the bundle), or null; fills the merged list on first use.
    Value GetSoundEffectListForSceneWithID(int32_t scene);
    void LoadAudioFor(int32_t scene);
    void UnloadAudioFor(int32_t scene);
    // The facade's sound identifier, or 0 when nothing was played (sound off,
    // engine not ready, key not loaded).
    uint32_t PlaySoundEffect(const std::string& key);
    uint32_t PlaySoundEffectLoop(const std::string& key);
    void StopSoundEffect(uint32_t soundId);
    // Told the key of every effect asked for, played or not (scenario tests
    // follow a screen's sounds through it); empty for none.
    std::function<void(const std::string& key)> soundRequestListener;
    void PlayBackgroundTrack(const std::string& file);
    void StopBackgroudTrack();
    // Starts the audio engine once, on a thread of its own.
    void SetupAudioEngine();
    // The application became active again: the next tick restarts silent music.
    void Reinit() { ReinitActive = true; }
    bool ReinitActive = false;
    // The game's standard pop: scale 0.8 to 1.0 in 0.7 s, elastic.
    void DoTheBoing(CCNode* node);

    // ---- timed events
    std::map<int32_t, Ref<PuzzleNotification>> NotificationsQue; // type -> event
    // Queues an event of `type` due after the given time, replacing one of
    // the same type; with `active` also schedules a local notification.
    void GenerateNotification(int32_t hours, int32_t minutes, int32_t seconds, const std::string& langId,
                              int32_t type, bool active);
    void GenerateNotification(int32_t hours, int32_t minutes, int32_t seconds, int32_t type)
    {
        GenerateNotification(hours, minutes, seconds, "", type, false);
    }
    // Seconds until the event of `type` falls due (0 or less: due), or -1.
    float GetTimeTillNotification(int32_t type) const;
    void RemoveNotificationForTyp(int32_t type) { NotificationsQue.erase(type); }
    void CancelNotifications();
    // What a fired event does: taxes become collectable, or a building's
    // bonus becomes ready (and the village map hears of it).
    void ProcessNotification(int32_t type);
    // The one-second tick: music after reactivation, then every due event in
    // type order.
    void Update(float dt);
    void Stop();
    void Reset();
    void Start();
    // Told about a building whose bonus became ready (the village map, when
    // it is shown); empty for none.
    std::function<void(int32_t upgrade)> bonusReadyListener;

    // ---- achievements
    std::map<std::string, bool> AchievementsState;
    std::map<std::string, int32_t> AchievementsHelpers;
    bool DietAchievement = false;
    void SetDietAchievement(bool pending) { DietAchievement = pending; }
    bool GetDietAchievement() const { return DietAchievement; }
    void PropagateAchievementsArrays();
    bool IsAchievementDone(const std::string& identifier) override;
    void AchievementDone(const std::string& identifier, const std::string& desc, int32_t pts) override;
    int32_t GetAchievementHelperState(const std::string& identifier) override;
    void SetAchievementHelperState(const std::string& identifier, int32_t cnt) override;
    void ReportScore(const std::string& category, int32_t score);
    // Whether the game-centre screens can be offered: the service has a local
    // player and the system version, compared part by part as numbers, is
    // 4.1 or later.
    static bool isGameCenterAvailable();
    // "CFBundleVersion" of the bundle's Info.plist ("" when unreadable).
    static std::string bundleVersion();
    void initGameCenter();
    void processGameCenterAuth(const GameCenterResult& error) override;
    Ref<GameCenterManager> gameCenterManager;
    // Shows the banner of a granted achievement (the HUD's); empty: logged.
    std::function<void(const std::string& textKey, int32_t points)> achievementBanner;

    // ---- the save
    // Writes the four switches ("isSoundEnable", "isMusicEnable",
    // "isCloudSave", "DietAchievement") to the user defaults and synchronises.
    void SaveSettings();
    void SaveTo(SaveSnapshot& save) override;
    // False (with the reason) when the save's achievements or timed events
    // are there but do not decode.
    bool CanLoadFrom(const Value& save, std::string& reason) const override;
    void LoadFrom(const Value* save) override;

private:
    void LoadAudioForSceneWithID(int32_t scene);
    void UnloadAudioForSceneWithID(int32_t scene);
    uint32_t playEffect(const std::string& key, bool loop);
    // Waits in 0.1 s steps, at most 150, while the engine is starting.
    void waitForAudio();
    void scheduleTick();

    bool isMusicEnable_ = true;
    bool hasAudioBeenInitialized_ = false;
    std::thread audioStart_;
};

} // namespace mw
