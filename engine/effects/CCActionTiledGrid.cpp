#include "engine/effects/CCActionTiledGrid.h"

#include <cmath>
#include <numeric>
#include <utility>

#include "engine/effects/CCGrid3D.h"
#include "engine/effects/CCGridHost.h"
#include "foundation/Random.h"

namespace mw {

namespace {

constexpr float kPi = 3.1415927f;

template <typename Visit> void forEachTile(ccGridSize size, Visit visit)
{
    for (int32_t i = 0; i < size.x; ++i) {
        for (int32_t j = 0; j < size.y; ++j) {
            visit(ccGridSize{i, j});
        }
    }
}

// The x of the four corners in corner order, then their y, then (if asked) their z.
void shakeQuad(ccQuad3& q, int32_t range, bool alsoZ)
{
    for (ccVertex3F* v : {&q.bl, &q.br, &q.tl, &q.tr}) v->x += ccShakeOffset(range);
    for (ccVertex3F* v : {&q.bl, &q.br, &q.tl, &q.tr}) v->y += ccShakeOffset(range);
    if (alsoZ) {
        for (ccVertex3F* v : {&q.bl, &q.br, &q.tl, &q.tr}) v->z += ccShakeOffset(range);
    }
}

// A shuffled table of cell numbers 0 ... count - 1, after reseeding when asked.
std::vector<int32_t> shuffledOrder(int32_t seed, size_t count)
{
    if (seed != -1) Random::srand(static_cast<uint32_t>(seed));
    std::vector<int32_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    CCShuffleTiles::shuffle(order);
    return order;
}

} // namespace

// ---------------------------------------------------------------- shaking

Ref<CCAction> CCShakyTiles3D::copy() const
{
    return makeRef<CCShakyTiles3D>(range_, shakeZ_, gridSize_, duration_);
}

void CCShakyTiles3D::update(float /*t*/)
{
    forEachTile(gridSize_, [&](ccGridSize pos) {
        ccQuad3 q = originalTile(pos);
        shakeQuad(q, range_, shakeZ_);
        setTile(pos, q);
    });
}

Ref<CCAction> CCShatteredTiles3D::copy() const
{
    return makeRef<CCShatteredTiles3D>(range_, shatterZ_, gridSize_, duration_);
}

void CCShatteredTiles3D::update(float /*t*/)
{
    if (once_) return;
    forEachTile(gridSize_, [&](ccGridSize pos) {
        ccQuad3 q = originalTile(pos);
        shakeQuad(q, range_, shatterZ_);
        setTile(pos, q);
    });
    once_ = true;
}

// ---------------------------------------------------------------- shuffling and switching off

void CCShuffleTiles::shuffle(std::vector<int32_t>& array)
{
    for (size_t i = array.size(); i-- > 0;) {
        const auto j = static_cast<size_t>(Random::rand()) % (i + 1);
        std::swap(array[i], array[j]);
    }
}

ccGridSize CCShuffleTiles::getDelta(ccGridSize pos) const
{
    const int32_t k = tilesOrder_[static_cast<size_t>(pos.x * gridSize_.y + pos.y)];
    return {k / gridSize_.y - pos.x, k % gridSize_.y - pos.y};
}

void CCShuffleTiles::startWithTarget(CCNode* target)
{
    CCTiledGrid3DAction::startWithTarget(target);
    const auto count = gridSize_.y > 0 && gridSize_.x > 0 ? static_cast<size_t>(gridSize_.x * gridSize_.y) : 0;
    tilesOrder_ = shuffledOrder(seed_, count);
    tiles_.clear();
    tiles_.reserve(count);
    forEachTile(gridSize_, [&](ccGridSize pos) {
        const CGPoint start{static_cast<float>(pos.x), static_cast<float>(pos.y)};
        tiles_.push_back({start, start, getDelta(pos)});
    });
}

void CCShuffleTiles::placeTile(ccGridSize pos, const ccShuffledTile& tile)
{
    ccQuad3 q = originalTile(pos);
    const CGPoint step = mesh()->step();
    const auto dx = static_cast<float>(static_cast<int32_t>(tile.position.x * step.x));
    const auto dy = static_cast<float>(static_cast<int32_t>(tile.position.y * step.y));
    for (ccVertex3F* v : {&q.bl, &q.br, &q.tl, &q.tr}) {
        v->x += dx;
        v->y += dy;
    }
    setTile(pos, q);
}

void CCShuffleTiles::update(float t)
{
    size_t k = 0;
    forEachTile(gridSize_, [&](ccGridSize pos) {
        ccShuffledTile& tile = tiles_[k++];
        tile.position = {static_cast<float>(tile.delta.x) * t, static_cast<float>(tile.delta.y) * t};
        placeTile(pos, tile);
    });
}

void CCTurnOffTiles::startWithTarget(CCNode* target)
{
    CCTiledGrid3DAction::startWithTarget(target);
    const auto count = gridSize_.y > 0 && gridSize_.x > 0 ? static_cast<size_t>(gridSize_.x * gridSize_.y) : 0;
    tilesOrder_ = shuffledOrder(seed_, count);
}

void CCTurnOffTiles::turnOnTile(ccGridSize pos) { setTile(pos, originalTile(pos)); }

void CCTurnOffTiles::turnOffTile(ccGridSize pos) { setTile(pos, ccQuad3{}); }

void CCTurnOffTiles::update(float t)
{
    const size_t count = tilesOrder_.size();
    const auto switchedOff = static_cast<size_t>(t * static_cast<float>(count));
    for (size_t i = 0; i < count; ++i) {
        const int32_t k = tilesOrder_[i];
        const ccGridSize pos{k / gridSize_.y, k % gridSize_.y};
        if (i < switchedOff) {
            turnOffTile(pos);
        } else {
            turnOnTile(pos);
        }
    }
}

// ---------------------------------------------------------------- fading

void CCFadeOutTRTiles::update(float t)
{
    forEachTile(gridSize_, [&](ccGridSize pos) {
        const float distance = testFunc(pos, t);
        if (distance == 0) {
            turnOffTile(pos);
        } else if (distance < 1) {
            transformTile(pos, distance);
        } else {
            turnOnTile(pos);
        }
    });
}

float CCFadeOutTRTiles::testFunc(ccGridSize pos, float t) const
{
    const float s = static_cast<float>(gridSize_.x) * t + static_cast<float>(gridSize_.y) * t;
    if (s == 0) return 1;
    return std::pow(static_cast<float>(pos.x + pos.y) / s, 6.0f);
}

void CCFadeOutTRTiles::turnOnTile(ccGridSize pos) { setTile(pos, originalTile(pos)); }

void CCFadeOutTRTiles::turnOffTile(ccGridSize pos) { setTile(pos, ccQuad3{}); }

void CCFadeOutTRTiles::transformTile(ccGridSize pos, float distance)
{
    ccQuad3 q = originalTile(pos);
    const CGPoint step = mesh()->step();
    const float k = 1 - distance;
    const float sx = step.x / 2 * k;
    const float sy = step.y / 2 * k;
    q.bl.x += sx;
    q.bl.y += sy;
    q.br.x -= sx;
    q.br.y += sy;
    q.tl.x += sx;
    q.tl.y -= sy;
    q.tr.x -= sx;
    q.tr.y -= sy;
    setTile(pos, q);
}

float CCFadeOutBLTiles::testFunc(ccGridSize pos, float t) const
{
    if (pos.x + pos.y == 0) return 1;
    const float s = static_cast<float>(gridSize_.x) * (1 - t) + static_cast<float>(gridSize_.y) * (1 - t);
    return std::pow(s / static_cast<float>(pos.x + pos.y), 6.0f);
}

float CCFadeOutUpTiles::testFunc(ccGridSize pos, float t) const
{
    const float s = static_cast<float>(gridSize_.y) * t;
    if (s == 0) return 1;
    return std::pow(static_cast<float>(pos.y) / s, 6.0f);
}

void CCFadeOutUpTiles::transformTile(ccGridSize pos, float distance)
{
    ccQuad3 q = originalTile(pos);
    const float sy = mesh()->step().y / 2 * (1 - distance);
    q.bl.y += sy;
    q.br.y += sy;
    q.tl.y -= sy;
    q.tr.y -= sy;
    setTile(pos, q);
}

float CCFadeOutDownTiles::testFunc(ccGridSize pos, float t) const
{
    if (pos.y == 0) return 1;
    return std::pow(static_cast<float>(gridSize_.y) * (1 - t) / static_cast<float>(pos.y), 6.0f);
}

// ---------------------------------------------------------------- waving and jumping

Ref<CCAction> CCWavesTiles3D::copy() const
{
    return makeRef<CCWavesTiles3D>(waves_, amplitude_, gridSize_, duration_);
}

void CCWavesTiles3D::update(float t)
{
    forEachTile(gridSize_, [&](ccGridSize pos) {
        ccQuad3 q = originalTile(pos);
        const float z = std::sin((q.bl.x + q.bl.y) * 0.01f + t * kPi * static_cast<float>(waves_) * 2) *
                        amplitude_ * amplitudeRate_;
        q.bl.z = q.br.z = q.tl.z = q.tr.z = z;
        setTile(pos, q);
    });
}

Ref<CCAction> CCJumpTiles3D::copy() const
{
    return makeRef<CCJumpTiles3D>(jumps_, amplitude_, gridSize_, duration_);
}

void CCJumpTiles3D::update(float t)
{
    const auto jumps = static_cast<float>(jumps_);
    const float z1 = std::sin(t * kPi * jumps * 2) * amplitude_ * amplitudeRate_;
    const float z2 = std::sin((t * jumps * 2 + 1) * kPi) * amplitude_ * amplitudeRate_;
    forEachTile(gridSize_, [&](ccGridSize pos) {
        ccQuad3 q = originalTile(pos);
        const float z = (pos.x + pos.y) % 2 == 0 ? z1 : z2;
        for (ccVertex3F* v : {&q.bl, &q.br, &q.tl, &q.tr}) v->z += z;
        setTile(pos, q);
    });
}

// ---------------------------------------------------------------- splitting

void CCSplitRows::startWithTarget(CCNode* target)
{
    CCTiledGrid3DAction::startWithTarget(target);
    winSize_ = ccGridHost().winSizeInPixels();
}

void CCSplitRows::update(float t)
{
    for (int32_t j = 0; j < gridSize_.y; ++j) {
        ccQuad3 q = originalTile({0, j});
        const float direction = j % 2 == 0 ? -1.0f : 1.0f;
        const float shift = t * (direction * winSize_.width);
        for (ccVertex3F* v : {&q.bl, &q.br, &q.tl, &q.tr}) v->x += shift;
        setTile({0, j}, q);
    }
}

void CCSplitCols::startWithTarget(CCNode* target)
{
    CCTiledGrid3DAction::startWithTarget(target);
    winSize_ = ccGridHost().winSizeInPixels();
}

void CCSplitCols::update(float t)
{
    for (int32_t i = 0; i < gridSize_.x; ++i) {
        ccQuad3 q = originalTile({i, 0});
        const float direction = i % 2 == 0 ? -1.0f : 1.0f;
        const float shift = t * (direction * winSize_.height);
        for (ccVertex3F* v : {&q.bl, &q.br, &q.tl, &q.tr}) v->y += shift;
        setTile({i, 0}, q);
    }
}

} // namespace mw
