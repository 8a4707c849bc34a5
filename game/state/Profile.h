#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "game/state/Collectible.h"
#include "game/state/Resource.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"

namespace mw {

class AchievementLedger;
class SaveFile;
class SaveParticipant;
class SaveSnapshot;
class Value;

// The whole player state and the game-data tables, for the life of the
// process: stocks, collected tiles, owned upgrades, gold, experience and
// levels, the offer lists, the board settings, the village and statistics.
// Every screen reaches the one profile through sharedInstance() and reads and
// changes its fields directly; there is no undo and no change notification.
// All of it is used on the main thread.
//
// The game-data reader fills the tables of a new game; until then (or a
// load) the lookups answer null and the count lists hold zeros.
class Profile : public Object {
public:
    static constexpr int kResourceSlots = 25;  // resource and tile-kind identifiers 0..24; 0 never used
    static constexpr int kUpgradeSlots = 144;  // upgrade identifiers 0..143; 0 never used

    // A fresh profile with the defaults of a new process (see Profile.cpp).
    Profile();
    // Waits for a background save still being written.
    ~Profile() override;

    // The one profile, made on first use.
    static Profile* sharedInstance();
    // Destroys the profile; the next sharedInstance() makes a fresh one.
    static void purgeSharedInstance();

    // Where resource and building achievements are recorded (the global
    // object sets itself); null leaves them unchecked. Not owned; kept across
    // purges of the profile.
    static void setAchievementLedger(AchievementLedger* ledger);
    // The ledger set above, or null.
    static AchievementLedger* achievementLedger();

    // Owners whose entries ride in the save after the profile's, in the order
    // added (the global object, then the definitions manager). Not owned; kept
    // across purges of the profile; the owner removes itself before it dies.
    static void addSaveParticipant(SaveParticipant* participant);
    static void removeSaveParticipant(SaveParticipant* participant);

    // Saving and loading the player's game ("supersave.plist", see SaveFile).
    // All four are called on the main thread.
    //
    // SaveData: takes the state now and writes it before returning, after a
    // background write still running (one writer). False (logged) when the
    // file could not be written; the previous save then stays whole, the
    // player is told (once a session, SaveNotices::saveNotWritten; a failed
    // background save the same, on the main thread) and the next save tries
    // again. The first successful save sets Loaded and the user default
    // "Loaded".
    [[nodiscard]] bool SaveData();
    // SaveData, also while a background save runs: it waits for that write
    // and then writes this newer state (a commit right after SaveInBcg is
    // never skipped).
    void Save();
    // Takes the state now, on the calling thread, and writes it on a thread
    // of its own; returns at once. Asked for while a save runs, it is written
    // right after that one (the newest such request wins).
    void SaveInBcg();
    // Waits for a running save, then reads the save into the profile and the
    // participants, and rebuilds the offer lists, and sets Loaded. A missing,
    // unreadable or damaged file leaves everything as it was, clears Loaded
    // and answers false (logged; a damaged file is kept aside, see
    // SaveFile::read, and so is a whole one whose tables cannot be taken,
    // see SaveFile::setAsideAfterRead); for an unreadable or damaged one the
    // player is told whether it was moved aside or stays where it is
    // (SaveNotices::saveNotRead).
    [[nodiscard]] bool Load();
    // Before a new game's first save: a save on disk that this profile has
    // not loaded (one that could not be read, or was never read) is kept
    // aside under a name that says so, so that the new game does not write
    // over it (see SaveFile::keepUnreadAside). False (logged, the reason in
    // `error`) when it could not be kept; the new game's saves then fail and
    // leave it alone.
    [[nodiscard]] bool KeepUnloadedSaveAside(std::string* error = nullptr);
    // The save dictionary of the current state (what SaveData writes).
    SaveSnapshot TakeSnapshot();
    // Takes a save dictionary that has been read and checked into the
    // profile and the participants, and rebuilds the offer lists. False
    // (logged, the reason in `refusal`), with nothing changed, when one of
    // its tables or a participant's entries cannot be taken.
    [[nodiscard]] bool LoadFrom(const Value& save, std::string* refusal = nullptr);
    // The saver behind the four operations above (tests hook into its writes).
    SaveFile& saveFile();

    // Lookups: the record (owned by the profile's table) or null.
    Collectible* GetCollectible(int32_t kind) const;
    Resource* GetResource(int32_t resource) const;      // goods 1..17
    Resource* GetMicroResource(int32_t resource) const; // gold packs 19..24
    UpgradeItem* GetUpgrade(int32_t upgrade) const;
    TutorialFrameDef* GetTutorialDef(int32_t frame) const;
    // The kind's isAnim / ConstAnim; false for an unknown kind.
    bool IsAnimCollectible(int32_t kind) const;
    bool IsConstAnimCollectible(int32_t kind) const;
    // The records shown in a mode (0 mine, 1 field), by ascending
    // identifier; empty for other modes.
    std::vector<Ref<Resource>> GetResourcesForMode(int32_t mode) const;
    std::vector<Ref<Collectible>> GetCollectiblesForMode(int32_t mode) const;

    // Counts, indexed by identifier. An identifier outside the count list is
    // logged and reads as 0 / changes nothing.
    int32_t GetResourceCount(int32_t resource) const;
    void SetResourceCount(int32_t resource, int32_t cnt);
    // Adds a signed amount; spending (a negative amount) of anything but the
    // workers (17) also counts in TotalResSpend.
    void increaseResource(int32_t resource, int32_t by);
    int32_t GetCollectibleCount(int32_t kind) const;
    // Adds tiles of a kind and turns every full `nextResourceCount` of them
    // into units of its resource (0 tiles: converts only).
    void increaseCollectible(int32_t kind, int32_t by);
    int32_t GetUpgradeCount(int32_t upgrade) const;
    // Adds to the owned count, then checks the building achievements.
    void increaseUpgradeCount(int32_t upgrade, int32_t by);

    // New-item flags: YES while an upgrade is newly available and not yet looked at.
    void SetObjectSeen(int32_t upgrade);
    void SetObjectNotSeen(int32_t upgrade);
    bool WasObjectSeen(int32_t upgrade) const;
    int32_t GetNotSeenCount() const;
    int32_t GetNotSeenCountBuildings() const;
    int32_t GetNotSeenCountWorkers() const;
    int32_t GetNotSeenCountTools() const;

    // Achievements of making `add` units of a resource, and of owning a building.
    void ValidateResourceAchievement(int32_t resource, int32_t add);
    void ValidateUpgradeAchievement(int32_t upgrade);

    // Experience: with `stage` the amount goes to StageExp, else with
    // `gameplay` to TempExperience, else to the village total, which raises
    // PlayerLevel by at most one per call ("Level Up!" is logged).
    void AddExp(float amount, bool gameplay, bool stage);
    void AddExp(float amount, bool gameplay) { AddExp(amount, gameplay, false); }
    // Rebuilds the three offer lists and their counts from the upgrade table.
    void RegenerateBuyIndexes();

    // Persistence flags.
    std::atomic<bool> Loaded{false};     // a save exists
    std::atomic<bool> SaveActive{false}; // a save is being written (on any thread)
    bool ConfigLoaded = false; // the game data has been read into this profile

    // Counts by identifier.
    std::vector<int32_t> ResourceCountArray;
    std::vector<int32_t> CollectibleCountArray;
    std::vector<int32_t> UpgradesCountArray;
    std::vector<bool> UpgradesSeenArray;

    // Game-data tables, by identifier.
    std::map<int32_t, Ref<Collectible>> collectibleDict;
    std::map<int32_t, Ref<Resource>> resourceDict;  // 1..17
    std::map<int32_t, Ref<Resource>> MicroResDict;  // 19..24
    std::map<int32_t, Ref<UpgradeItem>> UpgradesDict;
    std::map<int32_t, Ref<TutorialFrameDef>> TutorialDict;

    // Offer lists (upgrade identifiers in offer order) and their lengths.
    std::vector<int32_t> BuildingsDict;
    std::vector<int32_t> WorkersDict;
    std::vector<int32_t> ToolsDict;
    int32_t BuildingCount = 0;
    int32_t WorkersCount = 0;
    int32_t ToolsCount = 0;

    // Experience and levels.
    int32_t PlayerLevel = 0;
    float Experience = 0;
    float ExperienceStep = 0;     // the total that reaches the next level
    float LastExperienceStep = 0; // the total at which this level was reached
    float TempExperience = 0;     // earned, waiting for the experience bar
    float StageExp = 0;           // earned in the running board session
    std::vector<int32_t> LevelsArray;      // experience threshold by level
    std::vector<int32_t> LevelsBonusArray; // reward by level
    int32_t Points = 0;                    // score points for the leaderboard
    int32_t LastSendPoints = 0;

    // Board settings and board state.
    int32_t CurrentMode = 0; // 0 mine, 1 field
    int32_t Start_mineMoves = 0;
    int32_t mineMoves = 0;
    int32_t MaxMineMoves = 0;
    int32_t MovesPerFood = 0;
    int32_t ExtraMineMoves = 0;
    int32_t MoreMineMovesPrice = 0;
    int32_t MineBonusBought = 0;
    int32_t countryMoves = 0;
    int32_t countryStepsForBar = 0;
    int32_t stepsToChangeSeason = 0;
    int32_t RatJumpProbability = 0;  // percent per move
    int32_t WolfJumpProbability = 0; // percent per move
    int32_t SaveFieldPrice = 0;
    std::vector<int32_t> SavedFieldPuzzles; // the 36 tile kinds of a kept field board
    bool FieldSaved = false;
    std::vector<int32_t> SavedMinePuzzles;
    bool CanShowNextCollMine = false;
    bool CanShowNextCollField = false;
    bool FoodHacked = false;

    // Village.
    std::string VillageName;
    int32_t CityLevel = 0;
    int32_t GoldCount = 0;
    int32_t CurrentBuildingCount = 0;
    int32_t CurrentTaxes = 0;
    int32_t GoldLevel1 = 0;
    int32_t GoldLevel2 = 0;
    int32_t GoldLevel3 = 0;
    int32_t GoldLevel4 = 0;
    int32_t GoldLevel5 = 0;
    int32_t GoldLevel6 = 0;
    float TaxTimeH = 0;
    float TaxTimeM = 0;
    float TaxTimeS = 0;
    int32_t MicroGoldCount1 = 0;
    int32_t MicroGoldCount2 = 0;
    int32_t MicroGoldCount3 = 0;
    int32_t MicroGoldCount4 = 0;
    int32_t MicroGoldCount5 = 0;
    int32_t MicroGoldCount6 = 0;
    int32_t BonusCoinGold = 0;
    bool TriedInApps = false;

    // Statistics.
    int32_t MineVisits = 0;
    int32_t FieldVisits = 0;
    int32_t InMineMoves = 0;
    int32_t InFieldMoves = 0;
    int32_t ToolsUsed = 0;
    int32_t CurrentTools = 0;
    int32_t WorkersBought = 0;
    int32_t TaxesCollected = 0;
    int32_t HighscoreMine = 0;
    int32_t HighscoreFields = 0;
    int32_t MaxHarvestMine = 0;
    int32_t MaxHarvestField = 0;
    int32_t TotalResColl = 0;
    int32_t TotalResSpend = 0;
    int32_t RatsKilled = 0;
    int32_t WolfsKilled = 0;
    int32_t PlantsByRats = 0;
    int32_t AnimalsByWolfs = 0;
    int32_t MethanExplosions = 0;
    int32_t FingerLength = 0;
    int32_t GoldEarned = 0;
    int32_t GoldSpent = 0;

    // Text keys of the upgrade (N at N-1) and resource identifiers.
    std::vector<std::string> EnumNames;
    std::vector<std::string> EnumResNames;

    int32_t Language = 0;
    bool NeedToSorry = false;

private:
    // Takes a checked save dictionary into the fields and tables; false
    // (nothing changed, the reason in `reason`) when one of the tables does
    // not decode.
    bool ApplySave(const Value& save, std::string& reason);

    std::unique_ptr<SaveFile> saveFile_;

    // The slot of an identifier in a count list of `slots`, or -1 (logged).
    static int slotOf(int32_t identifier, int slots, const char* what);
    int32_t notSeenIn(const std::vector<int32_t>& upgrades) const;
};

} // namespace mw
