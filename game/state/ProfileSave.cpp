// The profile's part of the player's save: the entries it writes, in file
// order, and the load that takes them back.

#include <algorithm>

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "game/state/SaveNotices.h"

namespace mw {

namespace {

// How a scalar field stands in the file.
enum class Stored {
    Int,        // 32-bit integer
    Real,       // float
    Bool,
    IntAsReal,  // an integer field written as a real, read back truncated
    FloatAsInt, // a float field written truncated, read back as a float
};

struct Scalar {
    const char* key;
    Stored stored;
    int32_t Profile::*integer = nullptr;
    float Profile::*real = nullptr;
    bool Profile::*flag = nullptr;
};

constexpr Scalar integer(const char* key, int32_t Profile::*field) { return {key, Stored::Int, field}; }
constexpr Scalar integerAsReal(const char* key, int32_t Profile::*field)
{
    return {key, Stored::IntAsReal, field};
}
constexpr Scalar real(const char* key, float Profile::*field) { return {key, Stored::Real, nullptr, field}; }
constexpr Scalar realAsInteger(const char* key, float Profile::*field)
{
    return {key, Stored::FloatAsInt, nullptr, field};
}
constexpr Scalar flag(const char* key, bool Profile::*field) { return {key, Stored::Bool, nullptr, nullptr, field}; }

// The scalar entries that open the file, in the order they are written.
const Scalar kScalars[] = {
    integer("Start_mineMoves", &Profile::Start_mineMoves),
    integer("mineMoves", &Profile::mineMoves),
    integer("countryMoves", &Profile::countryMoves),
    integer("stepsToChangeSeason", &Profile::stepsToChangeSeason),
    integer("countryStepsForBar", &Profile::countryStepsForBar),
    integer("RatJumpProbability", &Profile::RatJumpProbability),
    integer("WolfJumpProbability", &Profile::WolfJumpProbability),
    integer("MovesPerFood", &Profile::MovesPerFood),
    integer("BuildingCount", &Profile::BuildingCount),
    integer("WorkersCount", &Profile::WorkersCount),
    integer("ToolsCount", &Profile::ToolsCount),
    integer("MaxMineMoves", &Profile::MaxMineMoves),
    integer("Language", &Profile::Language),
    flag("ConfigLoaded", &Profile::ConfigLoaded),
    flag("FoodHacked", &Profile::FoodHacked),
    integer("CurrentBuildingCount", &Profile::CurrentBuildingCount),
    integer("PlayerLevel", &Profile::PlayerLevel),
    real("Experience", &Profile::Experience),
    integerAsReal("GoldCount", &Profile::GoldCount),
    integer("CityLevel", &Profile::CityLevel),
    integer("MineVisits", &Profile::MineVisits),
    integer("FieldVisits", &Profile::FieldVisits),
    integer("InMineMoves", &Profile::InMineMoves),
    integer("InFieldMoves", &Profile::InFieldMoves),
    integer("ToolsUsed", &Profile::ToolsUsed),
    integer("WorkersBought", &Profile::WorkersBought),
    integer("TaxesCollected", &Profile::TaxesCollected),
    integer("MaxHarvestMine", &Profile::MaxHarvestMine),
    integer("MaxHarvestField", &Profile::MaxHarvestField),
    integer("TotalResColl", &Profile::TotalResColl),
    integer("TotalResSpend", &Profile::TotalResSpend),
    integer("RatsKilled", &Profile::RatsKilled),
    integer("WolfsKilled", &Profile::WolfsKilled),
    integer("PlantsByRats", &Profile::PlantsByRats),
    integer("AnimalsByWolfs", &Profile::AnimalsByWolfs),
    integer("MethanExplosions", &Profile::MethanExplosions),
    integer("CurrentTaxes", &Profile::CurrentTaxes),
    integer("BonusCoinGold", &Profile::BonusCoinGold),
    integer("MicroGoldCount1", &Profile::MicroGoldCount1),
    integer("MicroGoldCount2", &Profile::MicroGoldCount2),
    integer("MicroGoldCount3", &Profile::MicroGoldCount3),
    integer("MicroGoldCount4", &Profile::MicroGoldCount4),
    integer("MicroGoldCount5", &Profile::MicroGoldCount5),
    integer("MicroGoldCount6", &Profile::MicroGoldCount6),
    integer("CurrentTools", &Profile::CurrentTools),
    integer("GoldLevel1", &Profile::GoldLevel1),
    integer("GoldLevel2", &Profile::GoldLevel2),
    integer("GoldLevel3", &Profile::GoldLevel3),
    integer("GoldLevel4", &Profile::GoldLevel4),
    integer("GoldLevel5", &Profile::GoldLevel5),
    integer("GoldLevel6", &Profile::GoldLevel6),
    real("ExperienceStep", &Profile::ExperienceStep),
    real("LastExperienceStep", &Profile::LastExperienceStep),
    real("TempExperience", &Profile::TempExperience),
    integerAsReal("GoldSpent", &Profile::GoldSpent),
    integerAsReal("GoldEarned", &Profile::GoldEarned),
    realAsInteger("TaxTimeH", &Profile::TaxTimeH),
    realAsInteger("TaxTimeM", &Profile::TaxTimeM),
    realAsInteger("TaxTimeS", &Profile::TaxTimeS),
    integer("FingerLength", &Profile::FingerLength),
    integer("HighscoreFields", &Profile::HighscoreFields),
    integer("HighscoreMine", &Profile::HighscoreMine),
    integer("Points", &Profile::Points),
    integer("MoreMineMovesPrice", &Profile::MoreMineMovesPrice),
    integer("SaveFieldPrice", &Profile::SaveFieldPrice),
};

Value scalarValue(const Profile& profile, const Scalar& scalar)
{
    switch (scalar.stored) {
    case Stored::Int:
        return Value(profile.*scalar.integer);
    case Stored::Real:
        return Value(profile.*scalar.real);
    case Stored::Bool:
        return Value(profile.*scalar.flag);
    case Stored::IntAsReal:
        return Value(static_cast<float>(profile.*scalar.integer));
    case Stored::FloatAsInt:
        return Value(static_cast<int32_t>(profile.*scalar.real));
    }
    return Value();
}

void takeScalar(Profile& profile, const Scalar& scalar, const Value& stored)
{
    switch (scalar.stored) {
    case Stored::Int:
        profile.*scalar.integer = stored.asInt();
        return;
    case Stored::Real:
        profile.*scalar.real = stored.asFloat();
        return;
    case Stored::Bool:
        profile.*scalar.flag = stored.asBool();
        return;
    case Stored::IntAsReal:
        profile.*scalar.integer = static_cast<int32_t>(std::clamp(stored.asDouble(), -2147483648.0, 2147483647.0));
        return;
    case Stored::FloatAsInt:
        profile.*scalar.real = static_cast<float>(stored.asInt());
        return;
    }
}

Value integers(const std::vector<int32_t>& values)
{
    Value::Array items;
    items.reserve(values.size());
    for (int32_t value : values) items.emplace_back(value);
    return Value(std::move(items));
}

Value flags(const std::vector<bool>& values)
{
    Value::Array items;
    items.reserve(values.size());
    for (bool value : values) items.emplace_back(value);
    return Value(std::move(items));
}

std::vector<int32_t> integersOf(const Value& stored)
{
    std::vector<int32_t> values;
    values.reserve(stored.size());
    for (const Value& item : stored.asArray()) values.push_back(item.asInt());
    return values;
}

// A count list has a fixed length whatever the file held: the profile
// indexes it by identifier.
template <typename T>
std::vector<T> fixedLength(std::vector<T> values, size_t length)
{
    values.resize(length, T());
    return values;
}

// The table archived with itself as the root, under its own key.
template <typename Record>
void addTable(SaveSnapshot& save, const std::string& key, const std::map<int32_t, Ref<Record>>& table)
{
    ArchiveItem::Entries entries;
    entries.reserve(table.size());
    for (const auto& [identifier, record] : table) entries.emplace_back(Value(identifier), ArchiveItem(record));
    KeyedArchiver archiver;
    archiver.encodeItem(key, ArchiveItem::dictionary(std::move(entries)));
    (void)save.setArchive(key, archiver);
}

// The table under `key`, or nothing (logged) when the entry is there but
// does not decode. A missing entry reads as an empty table.
template <typename Record>
std::optional<std::map<int32_t, Ref<Record>>> decodeTable(const Value& save, const std::string& key,
                                                          std::string& reason)
{
    std::map<int32_t, Ref<Record>> table;
    const Value& stored = save[key];
    if (stored.isNull()) return table;
    const Value::Bytes& bytes = stored.asData();
    KeyedUnarchiver coder(bytes.data(), bytes.size());
    const ArchiveItem item = coder.decodeItem(key);
    if (!coder.ok()) {
        reason = "the table \"" + key + "\" does not decode: " + coder.error();
        logLine("Load: %s", reason.c_str());
        return std::nullopt;
    }
    for (const auto& [identifier, record] : item.entries()) {
        Ref<Record> typed = record.template objectAs<Record>();
        if (!typed) {
            reason = "the table \"" + key + "\" holds an entry of another kind";
            logLine("Load: %s", reason.c_str());
            return std::nullopt;
        }
        table[identifier.value().asInt()] = typed;
    }
    return table;
}

std::vector<SaveParticipant*>& participants()
{
    static std::vector<SaveParticipant*> list;
    return list;
}

} // namespace

Profile::~Profile() = default;

void Profile::addSaveParticipant(SaveParticipant* participant)
{
    if (participant) participants().push_back(participant);
}

void Profile::removeSaveParticipant(SaveParticipant* participant)
{
    std::erase(participants(), participant);
}

SaveFile& Profile::saveFile()
{
    if (!saveFile_) saveFile_ = std::make_unique<SaveFile>(&SaveActive);
    return *saveFile_;
}

SaveSnapshot Profile::TakeSnapshot()
{
    SaveSnapshot save;
    for (const Scalar& scalar : kScalars) save.setValue(scalar.key, scalarValue(*this, scalar));
    save.setValue("NeedToSorry", Value(NeedToSorry));
    save.setValue("SavedFieldPuzzles", integers(SavedFieldPuzzles));
    save.setValue("FieldSaved", Value(FieldSaved && !SavedFieldPuzzles.empty()));
    save.setValue("ExtraMineMoves", Value(ExtraMineMoves));
    save.setValue("VillageName", Value(VillageName));
    save.setValue("CanShowNextCollMine", Value(CanShowNextCollMine));
    save.setValue("CanShowNextCollField", Value(CanShowNextCollField));
    save.setValue("ToolsDict", integers(ToolsDict));
    save.setValue("BuildingsDict", integers(BuildingsDict));
    save.setValue("WorkersDict", integers(WorkersDict));
    save.setValue("ResourceCountArray", integers(ResourceCountArray));
    save.setValue("CollectibleCountArray", integers(CollectibleCountArray));
    save.setValue("UpgradesCountArray", integers(UpgradesCountArray));
    save.setValue("UpgradesSeenArray", flags(UpgradesSeenArray));
    save.setValue("LevelsArray", integers(LevelsArray));
    save.setValue("LevelsBonusArray", integers(LevelsBonusArray));
    addTable(save, "collectibleDict", collectibleDict);
    addTable(save, "TutorialDict", TutorialDict);
    addTable(save, "resourceDict", resourceDict);
    addTable(save, "UpgradesDict", UpgradesDict);
    addTable(save, "MicroResDict", MicroResDict);
    for (SaveParticipant* participant : participants()) participant->SaveTo(save);
    return save;
}

bool Profile::SaveData()
{
    const bool written = saveFile().write(TakeSnapshot());
    if (!written) {
        // The callers carry on with their step: the player hears of it here,
        // and the next save point tries again.
        SaveNotices::sharedInstance()->saveNotWritten();
    } else if (!Loaded) {
        UserDefaults::standardUserDefaults().setBool("Loaded", true);
        (void)UserDefaults::standardUserDefaults().synchronize();
        Loaded = true;
    }
    return written;
}

void Profile::Save()
{
    // Not skipped while a background save runs: this state is newer (a
    // commit right after SaveInBcg), and the saver writes it after that one.
    (void)SaveData();
}

void Profile::SaveInBcg()
{
    (void)saveFile().writeInBackground(TakeSnapshot(), [this](bool written) {
        if (!written) {
            RunLoop::performOnMain([] { SaveNotices::sharedInstance()->saveNotWritten(); });
            return;
        }
        if (Loaded) return;
        UserDefaults::standardUserDefaults().setBool("Loaded", true);
        (void)UserDefaults::standardUserDefaults().synchronize();
        Loaded = true;
    });
}

bool Profile::Load()
{
    SaveFile& file = saveFile();
    file.waitUntilIdle();
    SaveFile::Found found = SaveFile::Found::Nothing;
    std::optional<Value> save = file.read(nullptr, &found);
    std::string refusal;
    if (save && !LoadFrom(*save, &refusal)) {
        // Whole, but not a game this profile can take: kept for rescue, and
        // never written over where it cannot be moved.
        found = file.setAsideAfterRead(refusal);
        save.reset();
    }
    // The file decides whether a game exists, whatever the user defaults
    // said (they may have been lost beside a good save).
    Loaded = save.has_value();
    // Otherwise the player would only see a new game offered.
    if (found == SaveFile::Found::Damaged) SaveNotices::sharedInstance()->saveNotRead(true);
    if (found == SaveFile::Found::Unreadable || found == SaveFile::Found::DamagedInPlace)
        SaveNotices::sharedInstance()->saveNotRead(false);
    return save.has_value();
}

bool Profile::KeepUnloadedSaveAside(std::string* error)
{
    SaveFile& file = saveFile();
    file.waitUntilIdle();
    return file.keepUnreadAside(error).has_value();
}

bool Profile::LoadFrom(const Value& save, std::string* refusal)
{
    // Every owner is asked first, so that a refused save leaves all of the
    // state as it was.
    std::string reason;
    for (SaveParticipant* participant : participants()) {
        if (!participant->CanLoadFrom(save, reason)) {
            logLine("Load: %s", reason.c_str());
            if (refusal) *refusal = reason;
            return false;
        }
    }
    if (!ApplySave(save, reason)) {
        if (refusal) *refusal = reason;
        return false;
    }
    for (SaveParticipant* participant : participants()) participant->LoadFrom(&save);
    RegenerateBuyIndexes();
    return true;
}

bool Profile::ApplySave(const Value& save, std::string& reason)
{
    auto collectibles = decodeTable<Collectible>(save, "collectibleDict", reason);
    auto upgrades = decodeTable<UpgradeItem>(save, "UpgradesDict", reason);
    auto tutorial = decodeTable<TutorialFrameDef>(save, "TutorialDict", reason);
    auto resources = decodeTable<Resource>(save, "resourceDict", reason);
    auto goldPacks = decodeTable<Resource>(save, "MicroResDict", reason);
    if (!collectibles || !upgrades || !tutorial || !resources || !goldPacks) return false;

    for (const Scalar& scalar : kScalars) takeScalar(*this, scalar, save[scalar.key]);
    if (!NeedToSorry) NeedToSorry = save["NeedToSorry"].asBool();
    SavedFieldPuzzles = integersOf(save["SavedFieldPuzzles"]);
    FieldSaved = save["FieldSaved"].asBool();
    ExtraMineMoves = save["ExtraMineMoves"].asInt();
    VillageName = save["VillageName"].asString();
    CanShowNextCollMine = save["CanShowNextCollMine"].asBool();
    CanShowNextCollField = save["CanShowNextCollField"].asBool();
    ToolsDict = integersOf(save["ToolsDict"]);
    BuildingsDict = integersOf(save["BuildingsDict"]);
    WorkersDict = integersOf(save["WorkersDict"]);
    ResourceCountArray = fixedLength(integersOf(save["ResourceCountArray"]), kResourceSlots);
    CollectibleCountArray = fixedLength(integersOf(save["CollectibleCountArray"]), kResourceSlots);
    UpgradesCountArray = fixedLength(integersOf(save["UpgradesCountArray"]), kUpgradeSlots);
    std::vector<bool> seen;
    for (const Value& item : save["UpgradesSeenArray"].asArray()) seen.push_back(item.asBool());
    UpgradesSeenArray = fixedLength(std::move(seen), kUpgradeSlots);
    LevelsArray = integersOf(save["LevelsArray"]);
    LevelsBonusArray = integersOf(save["LevelsBonusArray"]);
    collectibleDict = std::move(*collectibles);
    UpgradesDict = std::move(*upgrades);
    TutorialDict = std::move(*tutorial);
    resourceDict = std::move(*resources);
    MicroResDict = std::move(*goldPacks);
    return true;
}

} // namespace mw
