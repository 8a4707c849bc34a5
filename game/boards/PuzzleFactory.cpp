#include "game/boards/PuzzleFactory.h"

#include <cmath>
#include <utility>

#include "foundation/Clock.h"
#include "foundation/Random.h"
#include "game/boards/BoardHost.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/Puzzle.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/Profile.h"

namespace mw {

namespace {

constexpr const char* kNotFound = "not found";

// The session's seed: the wall clock to the microsecond, so that two boards
// opened within one second still roll differently.
uint32_t sessionSeed()
{
    const double now = Clock::wallSeconds();
    const auto micros = static_cast<uint64_t>(now * 1e6);
    return static_cast<uint32_t>(micros ^ (micros >> 32));
}

} // namespace

PuzzleFactory::PuzzleFactory(int32_t mode, ResourceBoard* panel) : mode_(mode), panel_(panel)
{
    const Profile* profile = Profile::sharedInstance();
    const std::vector<Ref<Collectible>> kinds = profile->GetCollectiblesForMode(mode);
    float mineSum = 0;
    std::array<float, 4> seasonSums{};
    for (const Ref<Collectible>& kind : kinds) {
        mineSum += kind->probability;
        seasonSums[0] += kind->probSpring;
        seasonSums[1] += kind->probSummer;
        seasonSums[2] += kind->probAutumn;
        seasonSums[3] += kind->probWinter;
    }
    for (const Ref<Collectible>& kind : kinds) {
        const int32_t id = kind->ID;
        keys_.push_back(id);
        if (mode == 0) {
            minePercents_[id] = mineSum > 0 ? static_cast<int32_t>(kind->probability * 100 / mineSum) : 0;
            minePictures_[id] = kind->pngName + ".png";
        } else {
            const std::array<float, 4> chances{kind->probSpring, kind->probSummer, kind->probAutumn,
                                               kind->probWinter};
            for (size_t s = 0; s < 4; ++s)
                seasonPercents_[s][id] = seasonSums[s] > 0 ? chances[s] / seasonSums[s] * 100 : 0;
            fieldPictures_[id] = {kind->pngNameSpring + ".png", kind->pngNameSummer + ".png",
                                  kind->pngNameAutumn + ".png", kind->pngNameWinter + ".png"};
        }
        collectionsDict_[id] = kind->nextCollectibleCount;
        collectedAssociatedDict_[id] = kind->nextCollectible;
    }
    // Seeded once for the session; refills never reseed.
    const uint32_t seed = sessionSeed();
    Random::srandom(seed);
    Random::srand(static_cast<uint32_t>(Clock::wallSeconds()));
}

int32_t PuzzleFactory::minePercent(int32_t kind) const
{
    auto it = minePercents_.find(kind);
    return it == minePercents_.end() ? 0 : it->second;
}

float PuzzleFactory::seasonPercent(int32_t season, int32_t kind) const
{
    const auto& table = seasonPercents_[static_cast<size_t>(season >= 0 && season <= 2 ? season : 3)];
    auto it = table.find(kind);
    return it == table.end() ? 0 : it->second;
}

float PuzzleFactory::percentOf(int32_t kind) const
{
    return mode_ == 0 ? static_cast<float>(minePercent(kind)) : seasonPercent(season_, kind);
}

int32_t PuzzleFactory::kindForRoll(int32_t roll) const
{
    float before = 0;
    int32_t lastWeighted = -1;
    for (int32_t kind : keys_) {
        const float percent = percentOf(kind);
        const float after = before + percent;
        if (percent > 0) {
            if (before <= static_cast<float>(roll) && after >= static_cast<float>(roll)) return kind;
            lastWeighted = kind;
        }
        before = after;
    }
    // The truncated mine percents may total less than the roll can reach,
    // and a season may have no chances at all: the table still deals.
    if (lastWeighted < 0 && !keys_.empty()) return keys_.back();
    return lastWeighted;
}

int32_t PuzzleFactory::kindAfterExplodeForRoll(float roll)
{
    float total = 0;
    for (const auto& [kind, percent] : kAfterExplode) {
        total += static_cast<float>(percent);
        if (total > roll) return kind;
    }
    return kAfterExplode.back().first;
}

std::string PuzzleFactory::pictureOf(int32_t kind) const
{
    if (mode_ == 0) {
        auto it = minePictures_.find(kind);
        return it == minePictures_.end() ? kNotFound : it->second;
    }
    auto it = fieldPictures_.find(kind);
    if (it == fieldPictures_.end()) return kNotFound;
    return it->second[static_cast<size_t>(season_ >= 0 && season_ <= 2 ? season_ : 3)];
}

Ref<Puzzle> PuzzleFactory::buildTile(int32_t kind, bool constAnimEverywhere)
{
    Ref<Puzzle> tile;
    const Profile* profile = Profile::sharedInstance();
    std::string picture = pictureOf(kind);
    // A forced kind may come from outside the mode's table (a tool's kind):
    // it still shows its own picture.
    if (picture == kNotFound && forcedActive_ && kind == forcedKind_) {
        if (const Collectible* record = profile->GetCollectible(kind)) {
            const std::array<std::string, 4> seasonal{record->pngNameSpring, record->pngNameSummer,
                                                      record->pngNameAutumn, record->pngNameWinter};
            picture = (mode_ == 0 ? record->pngName
                                  : seasonal[static_cast<size_t>(season_ >= 0 && season_ <= 2 ? season_ : 3)]) +
                      ".png";
        }
    }
    if (mode_ == 0) {
        tile = Puzzle::puzzleWithPng(picture, kind);
    } else {
        const bool constAnim = profile->IsConstAnimCollectible(kind) && (constAnimEverywhere || board::isIpad());
        tile = Puzzle::puzzleWithFieldMode(picture, constAnim, profile->IsAnimCollectible(kind));
    }
    tile->SetType(kind);
    return tile;
}

bool PuzzleFactory::markSeen(int32_t kind, ResourceBoard* panel)
{
    Profile* profile = Profile::sharedInstance();
    Collectible* record = profile->GetCollectible(kind);
    if (record == nullptr || record->Seen) return false;
    record->Seen = true;
    if (Resource* made = profile->GetResource(record->nextResource)) made->Seen = true;
    if (panel) panel->RefreshNotSeenIcons();
    return true;
}

void PuzzleFactory::deal(Puzzle& tile, ResourceBoard* panel)
{
    tile.SetResourceBoard(panel);
    (void)markSeen(tile.GetType(), panel);
    const Collectible* record = tile.TargetCollectible();
    if (record && record->minGroup >= 36) tile.CanCollect = false;
}

Ref<Puzzle> PuzzleFactory::createPuzzle(ResourceBoard* panel)
{
    if (!nextObjects_.empty()) {
        Ref<Puzzle> queued = nextObjects_.front();
        nextObjects_.pop_front();
        queued->SetResourceBoard(panel);
        (void)markSeen(queued->GetType(), panel);
        return queued;
    }
    const int32_t roll = static_cast<int32_t>(board::uniform() * 99.0f + 1.0f);
    const int32_t rolled = kindForRoll(roll);
    const int32_t kind = forcedActive_ ? forcedKind_ : rolled;
    if (kind < 0) return nullptr;
    Ref<Puzzle> tile = buildTile(kind, forcedActive_);
    deal(*tile, panel);
    return tile;
}

std::vector<Ref<Puzzle>> PuzzleFactory::createPuzzles(int32_t count, ResourceBoard* panel)
{
    std::vector<Ref<Puzzle>> batch;
    while (!nextObjects_.empty())
        batch.push_back(createPuzzle(panel));
    while (static_cast<int32_t>(batch.size()) < count) {
        Ref<Puzzle> tile = createPuzzle(panel);
        if (!tile) break;
        batch.push_back(std::move(tile));
    }
    forcedActive_ = false;
    forcedKind_ = -1;
    randomSortArray(batch);
    return batch;
}

Ref<Puzzle> PuzzleFactory::createPuzzleWithType(int32_t kind, ResourceBoard* panel)
{
    const bool known = mode_ == 0 ? minePictures_.count(kind) > 0 : fieldPictures_.count(kind) > 0;
    if (!known) return nullptr;
    Ref<Puzzle> tile;
    const int32_t panelMode = panel ? panel->GetMode() : mode_;
    if (panelMode == 0) {
        tile = Puzzle::puzzleWithPng(pictureOf(kind), kind);
        tile->SetType(kind);
    } else {
        const Profile* profile = Profile::sharedInstance();
        tile = Puzzle::puzzleWithFieldMode(pictureOf(kind), profile->IsConstAnimCollectible(kind),
                                           profile->IsAnimCollectible(kind));
        tile->SetType(kind);
    }
    deal(*tile, panel);
    return tile;
}

Ref<Puzzle> PuzzleFactory::createPuzzleAfterExplode(ResourceBoard* panel)
{
    const int32_t kind = kindAfterExplodeForRoll(board::uniform() * 100.0f);
    auto it = minePictures_.find(kind);
    Ref<Puzzle> tile = Puzzle::puzzleWithPng(it == minePictures_.end() ? kNotFound : it->second, kind);
    tile->SetType(kind);
    deal(*tile, panel);
    return tile;
}

void PuzzleFactory::updateQueue(const std::vector<Puzzle*>& chain)
{
    if (chain.empty() || chain.front() == nullptr) return;
    const int32_t kind = chain.front()->GetType();
    auto perReward = collectionsDict_.find(kind);
    if (perReward == collectionsDict_.end()) return;
    const int32_t k = perReward->second;
    const int32_t n = static_cast<int32_t>(chain.size());
    if (k < 1 || n < k) return;

    Profile* profile = Profile::sharedInstance();
    const Collectible* record = profile->GetCollectible(kind);
    const int32_t reward = collectedAssociatedDict_[kind];
    for (int32_t i = 0; i < n / k; ++i) {
        Ref<Puzzle> tile = buildTile(reward, true);
        tile->SetResourceBoard(panel_);
        const bool newlySeen = markSeen(reward, panel_);
        if (newlySeen && reward == 12 && panel_) {
            BoardHost* host = board::hostOf(panel_);
            TutorialFrameDef* carrotFrame = profile->GetTutorialDef(50);
            if (host && !(carrotFrame && carrotFrame->Done)) {
                host->PodTutorialHack();
                if (TutorialFrameDef* frame = profile->GetTutorialDef(49)) {
                    frame->Done = true;
                    frame->ArrowAfterDone = true;
                }
            }
        }
        if (const Collectible* made = tile->TargetCollectible(); made && made->minGroup >= 36) {
            tile->CanCollect = false;
        }
        nextObjects_.push_back(tile);
        if (record) profile->AddExp(static_cast<float>(record->Points), true, true);
    }
}

void PuzzleFactory::nextSpawnSetTo(int32_t kind)
{
    forcedActive_ = true;
    forcedKind_ = kind;
}

void PuzzleFactory::randomSortArray(std::vector<Ref<Puzzle>>& tiles)
{
    const size_t count = tiles.size();
    for (size_t i = 0; i < count; ++i) {
        const size_t j = i + Random::arc4random() % (count - i);
        std::swap(tiles[i], tiles[j]);
    }
}

} // namespace mw
