// The grid and chain queries every turn uses, and the tile swaps in place.

#include <algorithm>

#include "game/boards/Board.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/Collectible.h"
#include "game/state/Profile.h"

namespace mw {

namespace {

template <typename T> void appendOnce(std::vector<T>& list, T value)
{
    if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

} // namespace

Puzzle* Board::puzzleAt(int row, int column) const
{
    if (row < 0 || row >= kSize || column < 0 || column >= kSize) return nullptr;
    return puzzlesArray[static_cast<size_t>(row)][static_cast<size_t>(column)].get();
}

CGPoint Board::cellPosition(int row, int column) const
{
    return {static_cast<float>(halfWidth) +
                (static_cast<float>(column) - 2.5f) * static_cast<float>(distStep),
            static_cast<float>(yOffset - row * distStep)};
}

std::vector<Puzzle*> Board::chainTiles() const
{
    std::vector<Puzzle*> tiles;
    tiles.reserve(chainArray.size());
    for (const Ref<Puzzle>& tile : chainArray) tiles.push_back(tile.get());
    return tiles;
}

std::vector<Puzzle*> Board::getAllPuzzlesByType(int32_t kind) const
{
    std::vector<Puzzle*> found;
    for (const auto& row : puzzlesArray) {
        for (const Ref<Puzzle>& tile : row) {
            if (tile && tile->GetType() == kind) found.push_back(tile.get());
        }
    }
    return found;
}

std::vector<Puzzle*> Board::getAllPuzzlesByType(int32_t kind, const std::vector<Puzzle*>& from)
{
    std::vector<Puzzle*> found;
    for (Puzzle* tile : from) {
        if (tile && tile->GetType() == kind) found.push_back(tile);
    }
    return found;
}

std::vector<Puzzle*> Board::getAllPuzzlesByConnectionGroup(int32_t group) const
{
    std::vector<Puzzle*> found;
    for (const auto& row : puzzlesArray) {
        for (const Ref<Puzzle>& tile : row) {
            const Collectible* kind = tile ? tile->TargetCollectible() : nullptr;
            if (!kind || !kind->connGroups) continue;
            // A kind listing the group twice lists its tiles twice.
            for (int32_t listed : *kind->connGroups) {
                if (listed == group) found.push_back(tile.get());
            }
        }
    }
    return found;
}

std::vector<int32_t> Board::getAllPuzzleTypes() const
{
    std::vector<int32_t> kinds;
    forEachByColumn([&](Puzzle* tile) { appendOnce(kinds, tile->GetType()); });
    return kinds;
}

std::vector<int32_t> Board::getAllPuzzleConnectionGroups() const
{
    std::vector<int32_t> groups;
    forEachByColumn([&](Puzzle* tile) {
        const Collectible* kind = tile->TargetCollectible();
        if (!kind || !kind->connGroups) return;
        for (int32_t group : *kind->connGroups) appendOnce(groups, group);
    });
    return groups;
}

std::vector<Puzzle*> Board::findAllNeighbors(const std::vector<Puzzle*>& tiles) const
{
    std::vector<Puzzle*> found;
    for (const auto& row : puzzlesArray) {
        for (const Ref<Puzzle>& tile : row) {
            if (!tile) continue;
            const bool near = std::any_of(tiles.begin(), tiles.end(), [&](const Puzzle* other) {
                return other && isPuzzleNeighborToPuzzle(tile.get(), other);
            });
            if (near) found.push_back(tile.get());
        }
    }
    return found;
}

int32_t Board::countPuzzlesFromChainByType(int32_t kind) const
{
    return static_cast<int32_t>(
        std::count_if(chainArray.begin(), chainArray.end(),
                      [kind](const Ref<Puzzle>& tile) { return tile->GetType() == kind; }));
}

int32_t Board::getChainIndexForPuzzle(const Puzzle* tile) const
{
    int32_t below = 0;
    for (const Ref<Puzzle>& member : chainArray) {
        if (member.get() == tile) return 0;
        if (member->column == tile->column && member->row > tile->row) ++below;
    }
    return below;
}

Puzzle* Board::replacePuzzle(Puzzle* old, int32_t kind)
{
    if (old == nullptr || !CurrentPuzzleFactory) return nullptr;
    Ref<Puzzle> fresh = CurrentPuzzleFactory->createPuzzleWithType(kind, resourceBoard.get());
    if (!fresh) return nullptr;
    Ref<Puzzle> keep(old);
    fresh->setPosition(old->position());
    fresh->row = old->row;
    fresh->column = old->column;
    if (Puzzle* slot = puzzleAt(old->row, old->column); slot == old) {
        puzzlesArray[static_cast<size_t>(old->row)][static_cast<size_t>(old->column)] = fresh;
    }
    addChild(fresh.get(), 0);
    old->removeFromParentAndCleanup(true);
    return fresh.get();
}

void Board::removePuzzlesFromChain(Puzzle* tile)
{
    if (tile == nullptr) return;
    Ref<Puzzle> keep(tile);
    Profile::sharedInstance()->increaseCollectible(tile->GetType(), 1);
    if (resourceBoard) {
        if (const Collectible* kind = tile->TargetCollectible())
            resourceBoard->updateBoard(kind->nextResource);
    }
    tile->removeFromParentAndCleanup(true);
    std::erase_if(chainArray, [tile](const Ref<Puzzle>& member) { return member.get() == tile; });
}

} // namespace mw
