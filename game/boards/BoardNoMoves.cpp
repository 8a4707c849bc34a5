// Whether any chain can still be drawn, the alert that says when none can,
// and the re-typing that unblocks the board.

#include <algorithm>
#include <array>
#include <utility>

#include "game/boards/Board.h"
#include "game/boards/Puzzle.h"
#include "game/state/Collectible.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/UpgradeAction.h"
#include "game/state/UpgradeItem.h"
#include "engine/support/CCArray.h"

namespace mw {

namespace {

// Candidate lists are at most the 36 tiles, or a few times that when a kind
// lists a connection group more than once.
constexpr size_t kInlineCandidates = 72;

// Flood walk over the candidates from `start`: every candidate within one
// cell of a reached tile is reached and counted, until `count` reaches
// `minimum`. `reached` marks what was reached (it may come pre-marked).
bool walkGroup(const std::vector<Puzzle*>& candidates, int32_t& count, int32_t minimum, const Puzzle* start,
               uint8_t* reached)
{
    if (count >= minimum) return true;
    const size_t n = candidates.size();
    std::array<const Puzzle*, kInlineCandidates> inlineQueue{};
    std::vector<const Puzzle*> heapQueue;
    const Puzzle** queue = inlineQueue.data();
    if (n + 1 > kInlineCandidates) {
        heapQueue.resize(n + 1);
        queue = heapQueue.data();
    }
    size_t head = 0, tail = 0;
    queue[tail++] = start;
    while (head < tail) {
        const Puzzle* from = queue[head++];
        for (size_t i = 0; i < n; ++i) {
            if (reached[i] || !Board::isPuzzleNeighborToPuzzle(from, candidates[i])) continue;
            reached[i] = 1;
            if (++count >= minimum) return true;
            queue[tail++] = candidates[i];
        }
    }
    return false;
}

struct ReachedMarks {
    explicit ReachedMarks(size_t n)
    {
        if (n > kInlineCandidates) heap.assign(n, 0);
    }
    uint8_t* data() { return heap.empty() ? inlineMarks.data() : heap.data(); }
    std::array<uint8_t, kInlineCandidates> inlineMarks{};
    std::vector<uint8_t> heap;
};

// Marks the start as counted when the caller counted it.
void markStart(const std::vector<Puzzle*>& candidates, const Puzzle* start, uint8_t* reached)
{
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (candidates[i] == start) reached[i] = 1;
    }
}

// Whether some start among the candidates reaches `minimum` tiles. A start
// already reached by an earlier walk lies in a group that walk has counted
// whole, so it is not walked again.
bool anyGroupReaches(const std::vector<Puzzle*>& candidates, int32_t firstCount, int32_t minimum)
{
    ReachedMarks reached(candidates.size());
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (reached.data()[i]) continue;
        int32_t count = firstCount;
        if (firstCount > 0) reached.data()[i] = 1;
        if (walkGroup(candidates, count, minimum, candidates[i], reached.data())) return true;
    }
    return false;
}

} // namespace

bool Board::CheckIsThereReqGroupInArray(const std::vector<Puzzle*>& candidates, int32_t& count,
                                        int32_t minimum, const Puzzle* start)
{
    if (start == nullptr) return count >= minimum;
    ReachedMarks reached(candidates.size());
    if (count > 0) markStart(candidates, start, reached.data());
    return walkGroup(candidates, count, minimum, start, reached.data());
}

bool Board::isThereNoMoves() const
{
    const Profile* profile = Profile::sharedInstance();
    for (int32_t kind : getAllPuzzleTypes()) {
        const Collectible* record = profile->GetCollectible(kind);
        if (!record || record->minGroup >= kMaxChain) continue;
        const std::vector<Puzzle*> tiles = getAllPuzzlesByType(kind);
        if (static_cast<int32_t>(tiles.size()) < record->minGroup) continue;
        if (anyGroupReaches(tiles, 1, record->minGroup)) return true;
    }
    for (int32_t group : getAllPuzzleConnectionGroups()) {
        const std::vector<Puzzle*> tiles = getAllPuzzlesByConnectionGroup(group);
        int32_t required = 0;
        for (const Puzzle* tile : tiles) {
            if (const Collectible* kind = tile->TargetCollectible())
                required = std::max(required, kind->minGroup);
        }
        if (static_cast<int32_t>(tiles.size()) < required) continue;
        if (anyGroupReaches(tiles, 0, required)) return true;
    }
    return false;
}

bool Board::checkMoves()
{
    // Once the board has left the stage (the session over, the village
    // showing) nothing is asked; a board not yet shown may ask.
    if (AlertActive || leftStage_) return false;
    if (isThereNoMoves()) return false;

    Profile* profile = Profile::sharedInstance();
    int32_t usableTools = 0;
    for (int32_t identifier : profile->ToolsDict) {
        const UpgradeItem* tool = profile->GetUpgrade(identifier);
        if (!tool || !(Mode == 1 ? tool->isField : tool->isMine)) continue;
        if (profile->GetUpgradeCount(identifier) <= 0 || !tool->Actions) continue;
        size_t targets = 0;
        for (uint32_t a = 0; a < tool->Actions->count(); ++a) {
            const auto* action = dynamic_cast<const UpgradeAction*>(tool->Actions->objectAtIndex(a));
            if (action && action->ID != 9) targets += getAllPuzzlesByType(action->Value1).size();
        }
        if (targets > 0) ++usableTools;
    }

    AlertActive = true;
    const LocalisationManager* strings = LocalisationManager::sharedInstance();
    std::vector<std::string> buttons{strings->getValue("NO_MORE_MOVES_NO")};
    std::string message;
    if (HasAnnyTool && usableTools > 0) {
        message = strings->getValue("NO_MORE_MOVES_A");
        buttons.push_back(strings->getValue("NO_MORE_MOVES_YES"));
    } else {
        message = strings->getValue("NO_MORE_MOVES_B");
    }
    alert_ = makeRef<AlertView>("", message, this, std::move(buttons));
    alert_->show();
    return false;
}

void Board::alertViewClickedButtonAtIndex(AlertView&, int index)
{
    // The re-typing button, or an alert that went without an answer: the
    // board must not stay without a chain.
    if (index <= 0) {
        shufflePuzzles();
    } else if (!ToolVisible) {
        ToolsCallback(nullptr);
    }
    AlertActive = false;
    alert_ = nullptr;
}

void Board::shufflePuzzles()
{
    struct Retyping {
        std::vector<int32_t> kinds;
        int32_t target;
    };
    std::vector<Retyping> plan;
    if (Mode == 0) {
        plan = {{{7, 4, 5, 8}, 1}};
    } else if (Mode == 1) {
        plan = {{{13, 12}, 10}, {{14, 15}, 11}};
    }
    for (const Retyping& step : plan) {
        std::vector<Puzzle*> tiles;
        for (int32_t kind : step.kinds) {
            for (Puzzle* tile : getAllPuzzlesByType(kind)) tiles.push_back(tile);
        }
        for (Puzzle* tile : tiles) (void)replacePuzzle(tile, step.target);
    }
}

} // namespace mw
