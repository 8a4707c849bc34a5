// The effects on a mesh of separate tiles: shaking, shattering, shuffling,
// switching off, fading towards a corner or an edge, waving, jumping, and
// splitting by rows or columns. Each update writes every tile from its
// original quad. Coordinates are pixels of the grid's texture.

#pragma once

#include <cstdint>
#include <vector>

#include "engine/effects/CCActionGrid.h"
#include "foundation/Geometry.h"

namespace mw {

// Moves every tile's corners by random whole pixels of -range ... range - 1 at every update.
class CCShakyTiles3D : public CCTiledGrid3DAction {
public:
    // A range of 0 leaves the tiles as they are; a negative range shakes as its size.
    CCShakyTiles3D(int32_t range, bool shakeZ, ccGridSize gridSize, float duration)
        : CCTiledGrid3DAction(gridSize, duration), range_(range), shakeZ_(shakeZ)
    {
    }
    static Ref<CCShakyTiles3D> actionWithRange(int32_t range, bool shakeZ, ccGridSize gridSize, float duration)
    {
        return makeRef<CCShakyTiles3D>(range, shakeZ, gridSize, duration);
    }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    int32_t range_;
    bool shakeZ_;
};

// Throws the tiles apart once, at the first update of the object's life; they then stay.
class CCShatteredTiles3D : public CCTiledGrid3DAction {
public:
    // The range as CCShakyTiles3D takes it.
    CCShatteredTiles3D(int32_t range, bool shatterZ, ccGridSize gridSize, float duration)
        : CCTiledGrid3DAction(gridSize, duration), range_(range), shatterZ_(shatterZ)
    {
    }
    static Ref<CCShatteredTiles3D> actionWithRange(int32_t range, bool shatterZ, ccGridSize gridSize,
                                                   float duration)
    {
        return makeRef<CCShatteredTiles3D>(range, shatterZ, gridSize, duration);
    }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    int32_t range_;
    bool once_ = false;
    bool shatterZ_;
};

// One tile of a shuffle: where it is (in cells), where it started, and how far it goes.
struct ccShuffledTile {
    CGPoint position;
    CGPoint startPosition;
    ccGridSize delta;
};

// Slides every tile to another cell of a shuffled order. A seed other than -1
// reseeds rand() at every start, so the same seed gives the same order.
class CCShuffleTiles : public CCTiledGrid3DAction {
public:
    CCShuffleTiles(int32_t seed, ccGridSize gridSize, float duration)
        : CCTiledGrid3DAction(gridSize, duration), seed_(seed)
    {
    }
    static Ref<CCShuffleTiles> actionWithSeed(int32_t seed, ccGridSize gridSize, float duration)
    {
        return makeRef<CCShuffleTiles>(seed, gridSize, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCShuffleTiles>(seed_, gridSize_, duration_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

    // Fisher-Yates on rand(), from the last entry down.
    static void shuffle(std::vector<int32_t>& array);
    // The shuffled cell's offset from (x, y), in cells.
    ccGridSize getDelta(ccGridSize pos) const;
    // Writes the tile's original quad moved by its current position.
    void placeTile(ccGridSize pos, const ccShuffledTile& tile);
    // The shuffled cell numbers (x * rows + y), set at start.
    const std::vector<int32_t>& tilesOrder() const { return tilesOrder_; }

private:
    int32_t seed_;
    std::vector<int32_t> tilesOrder_;
    std::vector<ccShuffledTile> tiles_;
};

// Switches the tiles off one by one in a shuffled order.
class CCTurnOffTiles : public CCTiledGrid3DAction {
public:
    CCTurnOffTiles(int32_t seed, ccGridSize gridSize, float duration)
        : CCTiledGrid3DAction(gridSize, duration), seed_(seed)
    {
    }
    static Ref<CCTurnOffTiles> actionWithSeed(int32_t seed, ccGridSize gridSize, float duration)
    {
        return makeRef<CCTurnOffTiles>(seed, gridSize, duration);
    }
    // In the order the shared random sequence gives (seed -1: not reseeded).
    static Ref<CCTurnOffTiles> actionWithSize(ccGridSize gridSize, float duration)
    {
        return makeRef<CCTurnOffTiles>(-1, gridSize, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCTurnOffTiles>(seed_, gridSize_, duration_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    void turnOnTile(ccGridSize pos);
    void turnOffTile(ccGridSize pos);
    const std::vector<int32_t>& tilesOrder() const { return tilesOrder_; }

private:
    int32_t seed_;
    std::vector<int32_t> tilesOrder_;
};

// Fades the tiles out towards the top-right corner: tiles shrink and vanish
// as the front passes them.
class CCFadeOutTRTiles : public CCTiledGrid3DAction {
public:
    using CCTiledGrid3DAction::CCTiledGrid3DAction;
    static Ref<CCFadeOutTRTiles> actionWithSize(ccGridSize gridSize, float duration)
    {
        return makeRef<CCFadeOutTRTiles>(gridSize, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCFadeOutTRTiles>(gridSize_, duration_); }
    void update(float t) override;

    // 0: the tile is off; below 1: shrunk by that much; else whole.
    virtual float testFunc(ccGridSize pos, float t) const;
    void turnOnTile(ccGridSize pos);
    void turnOffTile(ccGridSize pos);
    virtual void transformTile(ccGridSize pos, float distance);
};

// Fades towards the bottom-left corner.
class CCFadeOutBLTiles : public CCFadeOutTRTiles {
public:
    using CCFadeOutTRTiles::CCFadeOutTRTiles;
    static Ref<CCFadeOutBLTiles> actionWithSize(ccGridSize gridSize, float duration)
    {
        return makeRef<CCFadeOutBLTiles>(gridSize, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCFadeOutBLTiles>(gridSize_, duration_); }
    float testFunc(ccGridSize pos, float t) const override;
};

// Fades upwards by rows; tiles shrink vertically only.
class CCFadeOutUpTiles : public CCFadeOutTRTiles {
public:
    using CCFadeOutTRTiles::CCFadeOutTRTiles;
    static Ref<CCFadeOutUpTiles> actionWithSize(ccGridSize gridSize, float duration)
    {
        return makeRef<CCFadeOutUpTiles>(gridSize, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCFadeOutUpTiles>(gridSize_, duration_); }
    float testFunc(ccGridSize pos, float t) const override;
    void transformTile(ccGridSize pos, float distance) override;
};

// Fades downwards by rows.
class CCFadeOutDownTiles : public CCFadeOutUpTiles {
public:
    using CCFadeOutUpTiles::CCFadeOutUpTiles;
    static Ref<CCFadeOutDownTiles> actionWithSize(ccGridSize gridSize, float duration)
    {
        return makeRef<CCFadeOutDownTiles>(gridSize, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCFadeOutDownTiles>(gridSize_, duration_); }
    float testFunc(ccGridSize pos, float t) const override;
};

// Tiled effects with an amplitude and a rate (1 at first) that scales it.
using CCTiledAmplitudeEffect = CCAmplitudeEffectOn<CCTiledGrid3DAction>;

// Lifts whole tiles along z by a sine of their bottom-left corner.
class CCWavesTiles3D : public CCTiledAmplitudeEffect {
public:
    CCWavesTiles3D(int32_t waves, float amplitude, ccGridSize gridSize, float duration)
        : CCTiledAmplitudeEffect(gridSize, duration, amplitude), waves_(waves)
    {
    }
    static Ref<CCWavesTiles3D> actionWithWaves(int32_t waves, float amplitude, ccGridSize gridSize,
                                               float duration)
    {
        return makeRef<CCWavesTiles3D>(waves, amplitude, gridSize, duration);
    }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    int32_t waves_;
};

// Neighbouring tiles jump along z in opposite phase.
class CCJumpTiles3D : public CCTiledAmplitudeEffect {
public:
    CCJumpTiles3D(int32_t jumps, float amplitude, ccGridSize gridSize, float duration)
        : CCTiledAmplitudeEffect(gridSize, duration, amplitude), jumps_(jumps)
    {
    }
    static Ref<CCJumpTiles3D> actionWithJumps(int32_t jumps, float amplitude, ccGridSize gridSize,
                                              float duration)
    {
        return makeRef<CCJumpTiles3D>(jumps, amplitude, gridSize, duration);
    }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    int32_t jumps_;
};

// Slides alternate rows out to the left and right by a window width.
class CCSplitRows : public CCTiledGrid3DAction {
public:
    CCSplitRows(int32_t rows, float duration) : CCTiledGrid3DAction({1, rows}, duration), rows_(rows) {}
    static Ref<CCSplitRows> actionWithRows(int32_t rows, float duration)
    {
        return makeRef<CCSplitRows>(rows, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCSplitRows>(rows_, duration_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    int32_t rows_;
    CGSize winSize_{};
};

// Slides alternate columns out downwards and upwards by a window height.
class CCSplitCols : public CCTiledGrid3DAction {
public:
    CCSplitCols(int32_t cols, float duration) : CCTiledGrid3DAction({cols, 1}, duration), cols_(cols) {}
    static Ref<CCSplitCols> actionWithCols(int32_t cols, float duration)
    {
        return makeRef<CCSplitCols>(cols, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCSplitCols>(cols_, duration_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    int32_t cols_;
    CGSize winSize_{};
};

} // namespace mw
