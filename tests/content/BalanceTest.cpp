// A seeded bot plays a new village from the bundled game data through the
// profile and upgrade code: simple mine and field sessions on a 6 x 6 grid
// filled from the data's spawn weights, chains credited as the data says,
// and the purchases a sensible player makes between sessions. It checks
// that the first levels come at a sensible pace and that gold, food and
// goods neither run out for good nor pile up, and prints what it saw.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/content/GameDataSupport.h"

namespace mw {
namespace {

using test::actionsOf;
using test::requiredUpgrades;

constexpr int kSide = 6;
constexpr int kMine = 0;
constexpr int kField = 1;
constexpr int32_t kPeople = 17;
constexpr int32_t kFoods[] = {3, 1, 4, 2, 5, 6}; // the order a player feeds the miners: cheapest first
constexpr int kSessionsPerSitting = 3;           // then the player is away long enough for taxes and bonuses
constexpr int32_t kMarket = 18;
constexpr int32_t kWorkshop = 19;
constexpr int32_t kWell = 116;
constexpr int32_t kGrainPicker = 9;

// City level set by each settlement building.
const std::map<int32_t, int32_t> kCityLevels = {{88, 1}, {101, 2}, {89, 3}, {27, 4}, {90, 5}, {38, 6}};

struct LevelRow {
    int level = 0;
    int sessions = 0;
    int32_t gold = 0;
    int32_t food = 0; // units of the six foods
    int32_t planks = 0;
    int32_t blocks = 0;
    int32_t buildings = 0;
    int32_t workers = 0;
};

class Bot {
public:
    explicit Bot(uint32_t seed) : rng_(seed) { recordLevels(); }

    Profile* p = Profile::sharedInstance();
    int sessions = 0;
    int mineSessions = 0;
    int fieldSessions = 0;
    int sessionsWithoutFood = 0; // a mine was wanted, but neither food nor gold bought moves
    int32_t peakStock = 0;
    int32_t peakStockResource = 0;
    int32_t peakGold = 0;
    std::vector<LevelRow> rows;
    std::vector<std::string> log;

    // Plays until `level` is reached or `limit` sessions have been played.
    void playTo(int level, int limit)
    {
        bankExperience();
        recordLevels();
        while (p->PlayerLevel < level && sessions < limit) {
            const bool mine = wantsMine();
            if (mine) {
                playMine();
            }
            else {
                playField();
            }
            ++sessions;
            bankExperience();
            if (sessions % kSessionsPerSitting == 0) comeBack();
            lastMode_ = "village";
            shop();
            bankExperience();
            recordLevels();
            track();
        }
    }

    int32_t food() const
    {
        int32_t units = 0;
        for (int32_t f : kFoods)
            units += p->GetResourceCount(f);
        return units;
    }
    int32_t foodMoves() const
    {
        int32_t moves = 0;
        for (int32_t f : kFoods)
            moves += p->GetResourceCount(f) * p->GetResource(f)->Moves;
        return moves;
    }

    // The village between sessions: the first settlement stands, the fields are built.
    void shop()
    {
        if (p->GetUpgradeCount(kGrainPicker) > 0 && revealByCode(kWorkshop)) {
            // The field tutorial's workshop step tops the goods up for it.
            if (p->GetResourceCount(10) <= 1) p->increaseResource(10, 2);
            if (p->GetResourceCount(7) <= 0) p->increaseResource(7, 1);
        }
        // The map tutorial tops the goods up for the bakery and the cottage.
        if (p->PlayerLevel >= 2 && p->GetUpgradeCount(28) < 1) {
            const int32_t least[][2] = {{3, 1}, {4, 2}, {13, 2}, {15, 1}};
            for (const auto& [res, n] : least)
                p->SetResourceCount(res, std::max(p->GetResourceCount(res), n));
        }
        if (p->GetUpgradeCount(29) > 0 && p->GetUpgradeCount(21) < 1) {
            p->SetResourceCount(10, std::max(p->GetResourceCount(10), 2));
        }
        for (bool bought = true; bought;) {
            bought = false;
            p->RegenerateBuyIndexes();
            // The settlement chain first, then the buildings and workers in offer order.
            std::vector<int32_t> offers;
            for (int32_t id : p->BuildingsDict) {
                if (kCityLevels.count(id))
                    offers.insert(offers.begin(), id);
                else
                    offers.push_back(id);
            }
            offers.insert(offers.end(), p->WorkersDict.begin(), p->WorkersDict.end());
            saveFor(offers);
            for (int32_t id : offers) {
                if (buy(id)) {
                    bought = true;
                    break;
                }
            }
        }
        sellSurplus();
    }

private:
    std::mt19937 rng_;
    std::map<int32_t, int32_t> reserved_; // goods kept for the next settlement building
    std::array<std::array<int32_t, kSide>, kSide> grid_{};
    std::deque<int32_t> queued_; // reward tiles dealt before random ones
    int season_ = 0;
    bool wellRevealed_ = false;
    bool marketRevealed_ = false;
    const char* lastMode_ = "village";

    double uniform() { return static_cast<double>(rng_()) / 4294967296.0; }

    bool revealByCode(int32_t upgrade)
    {
        UpgradeItem* u = p->GetUpgrade(upgrade);
        if (!u || !u->isHidden) return false;
        u->isHidden = false;
        log.push_back("revealed " + p->EnumNames[static_cast<size_t>(upgrade - 1)]);
        return true;
    }

    bool wantsMine()
    {
        if (p->GetUpgradeCount(29) < 1) return false;
        // Alternate, and go to the fields when the larder is low.
        const bool enoughFood = foodMoves() >= p->MaxMineMoves / 2 || p->GoldCount >= 400;
        if (!enoughFood) {
            ++sessionsWithoutFood;
            return false;
        }
        return mineSessions <= fieldSessions;
    }

    // ---- board
    int32_t draw(int mode)
    {
        if (!queued_.empty()) {
            const int32_t kind = queued_.front();
            queued_.pop_front();
            return kind;
        }
        double total = 0;
        std::vector<std::pair<int32_t, double>> weights;
        for (const auto& [id, c] : p->collectibleDict) {
            double w = 0;
            if (mode == kMine && c->isMineAvailable) w = c->probability;
            if (mode == kField && c->isFieldAvailable) {
                const float seasonal[4] = {c->probSpring, c->probSummer, c->probAutumn, c->probWinter};
                w = seasonal[season_];
            }
            if (w > 0) {
                weights.emplace_back(id, w);
                total += w;
            }
        }
        double r = uniform() * total;
        for (const auto& [id, w] : weights) {
            if (r < w) return id;
            r -= w;
        }
        return weights.back().first;
    }

    bool connects(int32_t a, int32_t b) const
    {
        if (a == b) return true;
        const Collectible* ca = p->GetCollectible(a);
        const Collectible* cb = p->GetCollectible(b);
        if (!ca || !cb || !ca->connGroups || !cb->connGroups) return false;
        for (int32_t g : *ca->connGroups) {
            if (std::find(cb->connGroups->begin(), cb->connGroups->end(), g) != cb->connGroups->end())
                return true;
        }
        return false;
    }

    // The tiles connected to (r, c) through neighbours (diagonals too), in the
    // order a finger would reach them, at most `cap`.
    std::vector<std::pair<int, int>> component(int r0, int c0, int cap) const
    {
        std::vector<std::pair<int, int>> found = {{r0, c0}};
        std::array<std::array<bool, kSide>, kSide> seen{};
        seen[r0][c0] = true;
        for (size_t i = 0; i < found.size() && static_cast<int>(found.size()) < cap; ++i) {
            const auto [r, c] = found[i];
            for (int dr = -1; dr <= 1; ++dr) {
                for (int dc = -1; dc <= 1; ++dc) {
                    const int nr = r + dr, nc = c + dc;
                    if (nr < 0 || nc < 0 || nr >= kSide || nc >= kSide || seen[nr][nc]) continue;
                    if (!connects(grid_[r0][c0], grid_[nr][nc])) continue;
                    seen[nr][nc] = true;
                    if (static_cast<int>(found.size()) < cap) found.emplace_back(nr, nc);
                }
            }
        }
        return found;
    }

    void fill(int mode)
    {
        for (auto& row : grid_) {
            for (int32_t& cell : row)
                cell = draw(mode);
        }
    }

    // Removes the cells, lets the columns fall and refills from the top.
    void refill(const std::vector<std::pair<int, int>>& cells, int mode)
    {
        std::array<std::array<bool, kSide>, kSide> gone{};
        for (const auto& [r, c] : cells)
            gone[r][c] = true;
        for (int c = 0; c < kSide; ++c) {
            std::vector<int32_t> column;
            for (int r = kSide - 1; r >= 0; --r) {
                if (!gone[r][c]) column.push_back(grid_[r][c]);
            }
            while (static_cast<int>(column.size()) < kSide)
                column.push_back(draw(mode));
            for (int r = kSide - 1, i = 0; r >= 0; --r, ++i)
                grid_[r][c] = column[static_cast<size_t>(i)];
        }
    }

    // Credits one tile as the tile's removal does.
    void credit(int32_t kind)
    {
        const Collectible* c = p->GetCollectible(kind);
        if (!c) return;
        if (c->PointsColl > 0) p->AddExp(static_cast<float>(c->PointsColl), true);
        if (kind == 21 || kind == 22) p->GoldCount += p->BonusCoinGold;
        if (kind == 23 || kind == 24) p->GoldCount += 1000;
        const int32_t resource = c->nextResource;
        const int32_t before = resource > 0 ? p->GetResourceCount(resource) : 0;
        p->increaseCollectible(kind, 1);
        if (resource > 0) {
            const int32_t made = p->GetResourceCount(resource) - before;
            if (const Resource* r = p->GetResource(resource); r && made > 0)
                p->AddExp(float(made * r->Points), true);
        }
    }

    // One turn: the best chain the player sees; false when the board has none (it is shuffled).
    bool turn(int mode, bool& costsMove)
    {
        std::vector<std::pair<int, int>> best;
        double bestScore = 0;
        for (int r = 0; r < kSide; ++r) {
            for (int c = 0; c < kSide; ++c) {
                const Collectible* kind = p->GetCollectible(grid_[r][c]);
                if (!kind || kind->minGroup > 35) continue;
                std::vector<std::pair<int, int>> chain = component(r, c, 12);
                if (static_cast<int>(chain.size()) < std::max(kind->minGroup, 1)) continue;
                const double score =
                    static_cast<double>(chain.size()) * (1.0 + kind->PointsColl + kind->Points / 10.0);
                if (score > bestScore) {
                    bestScore = score;
                    best = std::move(chain);
                }
            }
        }
        if (best.empty()) return false;
        const int32_t first = grid_[best[0].first][best[0].second];
        bool oneKind = true;
        costsMove = false;
        for (const auto& [r, c] : best) {
            const int32_t kind = grid_[r][c];
            oneKind = oneKind && kind == first;
            const Collectible* k = p->GetCollectible(kind);
            costsMove = costsMove || (k && k->MovesTime);
            credit(kind);
        }
        const Collectible* k = p->GetCollectible(first);
        if (oneKind && k && k->nextCollectibleCount >= 1) {
            const int32_t rewards = static_cast<int32_t>(best.size()) / k->nextCollectibleCount;
            for (int32_t i = 0; i < rewards; ++i)
                queued_.push_back(k->nextCollectible);
            if (rewards > 0 && k->Points > 0) p->AddExp(float(rewards * k->Points), true);
        }
        refill(best, mode);
        if (mode == kMine) explodeGas();
        if (mode == kField) animals();
        return true;
    }

    // Three or more resting gas tiles touching prime and blow up with their neighbours.
    void explodeGas()
    {
        for (int r = 0; r < kSide; ++r) {
            for (int c = 0; c < kSide; ++c) {
                if (grid_[r][c] != 3) continue;
                std::vector<std::pair<int, int>> gas = component(r, c, 36);
                if (gas.size() < 3) continue;
                std::vector<std::pair<int, int>> blast;
                for (const auto& [gr, gc] : gas) {
                    for (int dr = -1; dr <= 1; ++dr) {
                        for (int dc = -1; dc <= 1; ++dc) {
                            const int nr = gr + dr, nc = gc + dc;
                            if (nr < 0 || nc < 0 || nr >= kSide || nc >= kSide) continue;
                            if (std::find(blast.begin(), blast.end(), std::make_pair(nr, nc)) ==
                                blast.end()) {
                                blast.emplace_back(nr, nc);
                            }
                        }
                    }
                }
                for (const auto& [br, bc] : blast) {
                    if (grid_[br][bc] != 3) credit(grid_[br][bc]);
                }
                ++p->MethanExplosions;
                refill(blast, kMine);
                return;
            }
        }
    }

    // Rabbits and wolves leap onto their prey now and then, leaving grass or wood.
    void animals()
    {
        const struct {
            int32_t animal, leaves;
            int32_t chance;
            std::array<int32_t, 3> prey;
        } kinds[] = {{17, 10, p->RatJumpProbability, {12, 19, 13}},
                     {18, 11, p->WolfJumpProbability, {14, 15, 16}}};
        for (const auto& a : kinds) {
            for (int r = 0; r < kSide; ++r) {
                for (int c = 0; c < kSide; ++c) {
                    // An animal that starts counting jumps three refills later: about chance / 100 per
                    // refill.
                    if (grid_[r][c] != a.animal || uniform() * 100 >= a.chance) continue;
                    std::vector<std::pair<int, int>> prey;
                    for (int pr = 0; pr < kSide; ++pr) {
                        for (int pc = 0; pc < kSide; ++pc) {
                            if (std::find(a.prey.begin(), a.prey.end(), grid_[pr][pc]) != a.prey.end())
                                prey.emplace_back(pr, pc);
                        }
                    }
                    if (prey.empty()) continue;
                    const auto [pr, pc] =
                        prey[static_cast<size_t>(uniform() * static_cast<double>(prey.size()))];
                    grid_[pr][pc] = a.animal;
                    grid_[r][c] = a.leaves;
                }
            }
        }
    }

    void playBoard(int mode, int moves)
    {
        season_ = 0;
        queued_.clear();
        fill(mode);
        const int perSeason = std::max(p->stepsToChangeSeason, 1);
        int used = 0;
        for (int guard = 0; used < moves && guard < 1000; ++guard) {
            bool costs = false;
            if (!turn(mode, costs)) {
                fill(mode); // no chain left: the board is shuffled
                continue;
            }
            if (!costs) continue;
            ++used;
            if (mode == kField && used % perSeason == 0) season_ = (season_ + 1) % 4;
        }
    }

    void playMine()
    {
        int32_t moves = 0;
        for (int32_t f : kFoods) {
            const Resource* r = p->GetResource(f);
            while (moves + r->Moves <= p->MaxMineMoves && p->GetResourceCount(f) > 0) {
                moves += r->Moves;
                p->increaseResource(f, -1);
            }
        }
        while (moves < p->MaxMineMoves - 5 && p->GoldCount >= 300) {
            p->GoldCount -= 100; // ten moves from the food pop-up
            moves = std::min(moves + 10, p->MaxMineMoves);
        }
        ++mineSessions;
        ++p->MineVisits;
        lastMode_ = "mine";
        playBoard(kMine, moves);
        if (p->GetUpgradeCount(kWorkshop) > 0 && !wellRevealed_) {
            wellRevealed_ = revealByCode(kWell);
            if (p->GetResourceCount(10) <= 1) p->increaseResource(10, 2);
        }
    }

    void playField()
    {
        ++fieldSessions;
        ++p->FieldVisits;
        lastMode_ = "field";
        playBoard(kField, 4 * p->stepsToChangeSeason);
        if (p->GetUpgradeCount(kWell) > 0 && !marketRevealed_) marketRevealed_ = revealByCode(kMarket);
    }

    // Moves the session's experience into the level, as the village's bar does.
    void bankExperience()
    {
        const float earned = p->TempExperience;
        p->TempExperience = 0;
        log.push_back(format("%d: +%.0f exp (%s)", sessions, earned, lastMode_));
        int level = p->PlayerLevel;
        p->AddExp(earned, false);
        for (int guard = 0; guard < 100; ++guard) {
            if (p->PlayerLevel != level) {
                level = p->PlayerLevel;
                const int32_t reward = p->LevelsBonusArray[static_cast<size_t>(level - 1)];
                p->GoldCount += reward;
                p->GoldEarned += reward;
                p->AddExp(0, false);
            }
            else {
                break;
            }
        }
    }

    // Back after a while: the taxes and every building's timed bonus wait.
    void comeBack()
    {
        const int32_t taxes[] = {p->GoldLevel1, p->GoldLevel2, p->GoldLevel3,
                                 p->GoldLevel4, p->GoldLevel5, p->GoldLevel6};
        const int32_t tax = p->CityLevel >= 1 && p->CityLevel <= 6 ? taxes[p->CityLevel - 1] : 0;
        p->GoldCount += tax;
        p->TaxesCollected += tax;
        for (const auto& [id, u] : p->UpgradesDict) {
            if (u->Type != 2 || u->BonusTime < 1 || p->GetUpgradeCount(id) < 1) continue;
            p->GoldCount += u->BonusMoney;
            for (const auto& [res, n] : u->BonusResources.value_or(std::map<int32_t, int32_t>{}))
                p->increaseResource(res, n);
            for (const auto& [tool, n] : u->BonusTools.value_or(std::map<int32_t, int32_t>{}))
                p->increaseUpgradeCount(tool, n);
        }
    }

    int32_t price(const UpgradeItem& u, const ResourceCostItem& cost) const
    {
        if (u.Type == 3 && cost.ResourceId != kPeople && u.ID != 105) {
            return cost.ResourceQuantity * (p->GetUpgradeCount(u.ID) + 1);
        }
        return cost.ResourceQuantity;
    }

    bool requirementsMet(const UpgradeItem& u) const
    {
        for (int32_t r : requiredUpgrades(u)) {
            if (p->GetUpgradeCount(r) < 1) return false;
        }
        return u.ReqLevel <= 0 || p->PlayerLevel >= u.ReqLevel;
    }

    // A player saves for the next settlement building once it may be built,
    // and buys what is missing for it at the market when gold allows.
    void saveFor(const std::vector<int32_t>& offers)
    {
        reserved_.clear();
        for (int32_t id : offers) {
            const UpgradeItem* u = p->GetUpgrade(id);
            if (!kCityLevels.count(id) || !u || !requirementsMet(*u) || p->GetUpgradeCount(id) > 0) continue;
            for (const auto& cost : u->ResourceCostArr)
                reserved_[cost->ResourceId] = cost->ResourceQuantity;
            if (p->GetUpgradeCount(kMarket) < 1) return;
            for (const auto& [res, n] : reserved_) {
                const int32_t missing = n - p->GetResourceCount(res);
                const int32_t price = missing * p->GetResource(res)->Value;
                if (missing > 0 && p->GoldCount >= price + 300) {
                    p->GoldCount -= price;
                    p->increaseResource(res, missing);
                }
            }
            return;
        }
    }

    // Buys one upgrade with goods (keeping food for a mine session), or with
    // gold when the market stands and gold is plentiful.
    bool buy(int32_t id)
    {
        UpgradeItem* u = p->GetUpgrade(id);
        if (!u || !requirementsMet(*u)) return false;
        if (u->Type == 2 && (u->Group <= 0 || p->GetUpgradeCount(id) >= u->StageMaxQuantity)) return false;
        if (u->Type == 3 && p->GetUpgradeCount(id) >= u->StageMaxQuantity) return false;
        bool covered = !u->ResourceCostArr.empty();
        int32_t foodMovesSpent = 0;
        for (const auto& cost : u->ResourceCostArr) {
            const auto kept = reserved_.find(cost->ResourceId);
            const int32_t keep = kCityLevels.count(id) || kept == reserved_.end() ? 0 : kept->second;
            covered = covered && p->GetResourceCount(cost->ResourceId) - keep >= price(*u, *cost);
            if (cost->ResourceId >= 1 && cost->ResourceId <= 6)
                foodMovesSpent += price(*u, *cost) * p->GetResource(cost->ResourceId)->Moves;
        }
        const bool keepsFood = p->GetUpgradeCount(29) < 1 || foodMovesSpent == 0 ||
                               foodMoves() - foodMovesSpent >= p->MaxMineMoves / 2;
        const bool byGold =
            u->Type != 3 && u->Money > 0 && p->GetUpgradeCount(kMarket) > 0 && p->GoldCount >= u->Money + 500;
        if (!(covered && keepsFood) && !byGold) return false;
        if (covered && keepsFood) {
            for (const auto& cost : u->ResourceCostArr)
                p->increaseResource(cost->ResourceId, -price(*u, *cost));
        }
        else {
            p->GoldCount -= u->Money;
            p->GoldSpent -= u->Money;
        }
        if (u->Type == 2) {
            p->CurrentBuildingCount += 1;
            p->increaseUpgradeCount(id, 1);
            for (UpgradeAction* a : actionsOf(*u))
                a->RunAction(nullptr);
            if (p->GetUpgradeCount(id) >= u->StageMaxQuantity) u->DoneWithThat = true;
            if (const auto city = kCityLevels.find(id); city != kCityLevels.end())
                p->CityLevel = city->second;
            if (u->Points > 0) p->AddExp(static_cast<float>(u->Points), true); // the bonus of a new building
        }
        else {
            p->AddExp(static_cast<float>(u->Points), true);
            p->increaseUpgradeCount(id, 1);
            if (id != 105) p->WorkersBought += 1;
            for (UpgradeAction* a : actionsOf(*u))
                a->RunAction(nullptr);
        }
        log.push_back(std::to_string(sessions) + ": " + p->EnumNames[static_cast<size_t>(id - 1)]);
        return true;
    }

    // The shop buys what piles up (the market opens it).
    void sellSurplus()
    {
        if (p->GetUpgradeCount(kMarket) < 1) return;
        for (const auto& [id, r] : p->resourceDict) {
            if (id == kPeople) continue;
            const int32_t extra = p->GetResourceCount(id) - 60;
            if (extra > 0 && r->ValueSell > 0) {
                p->increaseResource(id, -extra);
                p->GoldCount += extra * r->ValueSell;
            }
        }
    }

    void recordLevels()
    {
        while (static_cast<int>(rows.size()) < p->PlayerLevel) {
            LevelRow row;
            row.level = static_cast<int>(rows.size()) + 1;
            row.sessions = sessions;
            row.gold = p->GoldCount;
            row.food = food();
            row.planks = p->GetResourceCount(13);
            row.blocks = p->GetResourceCount(10);
            row.buildings = p->CurrentBuildingCount;
            for (const auto& [id, u] : p->UpgradesDict) {
                if (u->Type == 3) row.workers += p->GetUpgradeCount(id);
            }
            rows.push_back(row);
        }
    }

    void track()
    {
        peakGold = std::max(peakGold, p->GoldCount);
        for (const auto& [id, r] : p->resourceDict) {
            if (id != kPeople && p->GetResourceCount(id) > peakStock) {
                peakStock = p->GetResourceCount(id);
                peakStockResource = id;
            }
        }
    }
};

void printTable(const Bot& bot, uint32_t seed)
{
    std::printf("seed %u\nlevel  sessions  gold  food  planks  blocks  buildings  workers\n", seed);
    for (const LevelRow& row : bot.rows) {
        std::printf("%5d  %8d  %4d  %4d  %6d  %6d  %9d  %7d\n", row.level, row.sessions, row.gold, row.food,
                    row.planks, row.blocks, row.buildings, row.workers);
    }
    std::printf("mine sessions %d, field sessions %d, peak stock %d of resource %d, peak gold %d\n",
                bot.mineSessions, bot.fieldSessions, bot.peakStock, bot.peakStockResource, bot.peakGold);
}

void printLogOnFailure(const Bot& bot)
{
    if (!::testing::Test::HasFailure()) return;
    for (const std::string& line : bot.log)
        std::printf("%s\n", line.c_str());
}

// Seeds of the bot: each plays its own village.
constexpr uint32_t kSeeds[] = {20261210, 7, 4242};

TEST(BalanceTest, ANewVillageReachesLevelFiveAtASensiblePace)
{
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        test::BundledGameData fresh;
        ASSERT_TRUE(fresh.loaded) << "test.xml: the game's reader refused " << fresh.path;
        Bot bot(seed);
        bot.shop(); // the fields, from what a new village holds
        bot.playTo(5, 60);
        printTable(bot, seed);
        ASSERT_GE(bot.rows.size(), 5u) << "test.xml: level 5 not reached in 60 sessions";
        EXPECT_EQ(bot.p->GetUpgradeCount(91), 1) << "test.xml: a new village cannot build the fields";
        EXPECT_EQ(bot.rows[1].sessions, 0) << "test.xml: the fields do not give level 2";
        for (int level = 3; level <= 5; ++level) {
            const int took = bot.rows[level - 1].sessions - bot.rows[level - 2].sessions;
            EXPECT_GE(took, 1) << "test.xml: level " << level << " comes within one session";
            EXPECT_LE(took, 6) << "test.xml: level " << level << " takes " << took << " sessions";
        }
        EXPECT_LE(bot.rows[4].sessions, 15) << "test.xml: level 5 takes too long";
        EXPECT_LE(bot.peakStock, 120) << "test.xml: resource " << bot.peakStockResource << " piles up";
        EXPECT_LE(bot.peakGold, 3000) << "test.xml: gold piles up";
        EXPECT_GT(bot.mineSessions, bot.sessions / 4) << "test.xml: food rarely allows a mine session";
        EXPECT_LE(bot.sessionsWithoutFood, bot.sessions / 3) << "test.xml: the mine often waits for food";
        EXPECT_GE(bot.rows[4].buildings, 6) << "test.xml: too few buildings by level 5";
        printLogOnFailure(bot);
    }
}

// Further on the village keeps growing: the bot does not get stuck, the
// settlement grows, and later levels take longer than the first ones.
TEST(BalanceTest, TheVillageKeepsGrowing)
{
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        test::BundledGameData fresh;
        ASSERT_TRUE(fresh.loaded) << "test.xml: the game's reader refused " << fresh.path;
        Bot bot(seed);
        bot.shop(); // the fields, from what a new village holds
        bot.playTo(12, 200);
        printTable(bot, seed);
        ASSERT_GE(bot.rows.size(), 12u) << "test.xml: level 12 not reached in 200 sessions";
        const int early = bot.rows[4].sessions - bot.rows[2].sessions;
        const int late = bot.rows[11].sessions - bot.rows[9].sessions;
        EXPECT_GT(late, early) << "test.xml: later levels are not slower";
        EXPECT_GE(bot.p->CityLevel, 2) << "test.xml: the settlement never grows";
        EXPECT_GE(bot.rows[11].buildings, 20) << "test.xml: the village stops building";
        EXPECT_LE(bot.peakStock, 200) << "test.xml: resource " << bot.peakStockResource << " piles up";
        EXPECT_LE(bot.peakGold, 8000) << "test.xml: gold piles up";
        EXPECT_LE(bot.sessionsWithoutFood, bot.sessions / 3) << "test.xml: the mine often waits for food";
        printLogOnFailure(bot);
    }
}

} // namespace
} // namespace mw
