#include "engine/effects/CCActionGrid3D.h"

#include <cmath>
#include <stdexcept>

#include "engine/base/ccContentScale.h"

namespace mw {

namespace {

constexpr float kPi = 3.1415927f;

// Below this sin θ the page curl counts as closed on its axis.
constexpr float kClosedCone = 1e-5f;

// The phase of a wave effect at progress t, formed in the order the effects share.
float phase(float t, int32_t waves) { return t * kPi * static_cast<float>(waves) * 2; }

CGPoint inPixels(CGPoint points)
{
    const float factor = CC_CONTENT_SCALE_FACTOR();
    return {points.x * factor, points.y * factor};
}

// Calls visit(pos) for every vertex, column by column.
template <typename Visit> void forEachVertex(ccGridSize size, Visit visit)
{
    for (int32_t i = 0; i < size.x + 1; ++i) {
        for (int32_t j = 0; j < size.y + 1; ++j) {
            visit(ccGridSize{i, j});
        }
    }
}

} // namespace

// ---------------------------------------------------------------- waves

Ref<CCAction> CCWaves3D::copy() const { return makeRef<CCWaves3D>(waves_, amplitude_, gridSize_, duration_); }

void CCWaves3D::update(float t)
{
    forEachVertex(gridSize_, [&](ccGridSize pos) {
        ccVertex3F v = originalVertex(pos);
        v.z += std::sin((v.x + v.y) * 0.01f + phase(t, waves_)) * amplitude_ * amplitudeRate_;
        setVertex(pos, v);
    });
}

Ref<CCAction> CCLiquid::copy() const { return makeRef<CCLiquid>(waves_, amplitude_, gridSize_, duration_); }

void CCLiquid::update(float t)
{
    for (int32_t i = 1; i < gridSize_.x; ++i) {
        for (int32_t j = 1; j < gridSize_.y; ++j) {
            ccVertex3F v = originalVertex({i, j});
            const float x = v.x;
            const float y = v.y;
            v.x = x + std::sin(x * 0.01f + phase(t, waves_)) * amplitude_ * amplitudeRate_;
            v.y = y + std::sin(y * 0.01f + phase(t, waves_)) * amplitude_ * amplitudeRate_;
            setVertex({i, j}, v);
        }
    }
}

Ref<CCAction> CCWaves::copy() const
{
    return makeRef<CCWaves>(waves_, amplitude_, horizontal_, vertical_, gridSize_, duration_);
}

void CCWaves::update(float t)
{
    forEachVertex(gridSize_, [&](ccGridSize pos) {
        ccVertex3F v = originalVertex(pos);
        if (vertical_) {
            v.x += std::sin(v.y * 0.01f + phase(t, waves_)) * amplitude_ * amplitudeRate_;
        }
        if (horizontal_) {
            v.y += std::sin(v.x * 0.01f + phase(t, waves_)) * amplitude_ * amplitudeRate_;
        }
        setVertex(pos, v);
    });
}

// ---------------------------------------------------------------- flips

CCFlipX3D::CCFlipX3D(ccGridSize gridSize, float duration) : CCGrid3DAction(gridSize, duration)
{
    if (gridSize.x != 1 || gridSize.y != 1) {
        throw std::logic_error("FlipX3D: Grid size must be (1,1)");
    }
}

void CCFlipX3D::update(float t)
{
    const float angle = kPi * t;
    const float mz = std::sin(angle);
    const float mx = std::cos(angle / 2);

    const ccVertex3F v0 = originalVertex({1, 1});
    const ccVertex3F v1 = originalVertex({0, 0});
    ccGridSize a{0, 0}, b{0, 1}, c{1, 0}, d{1, 1};
    float x0 = v0.x;
    if (!(v0.x > v1.x)) {
        c = {0, 0};
        d = {0, 1};
        a = {1, 0};
        b = {1, 1};
        x0 = v1.x;
    }
    const float dx = x0 - x0 * mx;
    const float dz = std::fabs(std::floor(x0 * mz / 4.0f));

    for (const ccGridSize pos : {a, b}) {
        ccVertex3F v = originalVertex(pos);
        v.x = dx;
        v.z += dz;
        setVertex(pos, v);
    }
    for (const ccGridSize pos : {c, d}) {
        ccVertex3F v = originalVertex(pos);
        v.x -= dx;
        v.z -= dz;
        setVertex(pos, v);
    }
}

void CCFlipY3D::update(float t)
{
    const float angle = kPi * t;
    const float mz = std::sin(angle);
    const float my = std::cos(angle / 2);

    const ccVertex3F v0 = originalVertex({1, 1});
    const ccVertex3F v1 = originalVertex({0, 0});
    ccGridSize a{0, 0}, b{0, 1}, c{1, 0}, d{1, 1};
    float y0 = v0.y;
    if (!(v0.y > v1.y)) {
        b = {0, 0};
        a = {0, 1};
        d = {1, 0};
        c = {1, 1};
        y0 = v1.y;
    }
    const float dy = y0 - y0 * my;
    const float dz = std::fabs(std::floor(y0 * mz / 4.0f));

    for (const ccGridSize pos : {a, c}) {
        ccVertex3F v = originalVertex(pos);
        v.y = dy;
        v.z += dz;
        setVertex(pos, v);
    }
    for (const ccGridSize pos : {b, d}) {
        ccVertex3F v = originalVertex(pos);
        v.y -= dy;
        v.z -= dz;
        setVertex(pos, v);
    }
}

// ---------------------------------------------------------------- lens, ripple, twirl

CCLens3D::CCLens3D(CGPoint position, float radius, ccGridSize gridSize, float duration)
    : CCGrid3DAction(gridSize, duration), radius_(radius)
{
    setPosition(position);
    dirty_ = true;
}

void CCLens3D::setPosition(CGPoint position)
{
    if (position.x == position_.x && position.y == position_.y) return;
    position_ = position;
    positionInPixels_ = inPixels(position);
    dirty_ = true;
}

Ref<CCAction> CCLens3D::copy() const { return makeRef<CCLens3D>(position_, radius_, gridSize_, duration_); }

void CCLens3D::update(float /*t*/)
{
    if (!dirty_) return;
    forEachVertex(gridSize_, [&](ccGridSize pos) {
        ccVertex3F v = originalVertex(pos);
        const float vx = positionInPixels_.x - v.x;
        const float vy = positionInPixels_.y - v.y;
        const float d = std::sqrt(vx * vx + vy * vy);
        if (d < radius_) {
            float p = (radius_ - d) / radius_;
            if (p == 0) p = 0.001f;
            const float n = std::exp(std::log(p) * lensEffect_) * radius_;
            if (d > 0) {
                // The unit vector towards the centre, scaled to n, has length n.
                const float ux = vx / d * n;
                const float uy = vy / d * n;
                v.z += std::sqrt(ux * ux + uy * uy) * lensEffect_;
            }
        }
        setVertex(pos, v);
    });
    dirty_ = false;
}

CCRipple3D::CCRipple3D(CGPoint position, float radius, int32_t waves, float amplitude, ccGridSize gridSize,
                       float duration)
    : CCAmplitudeEffect(gridSize, duration, amplitude), radius_(radius), waves_(waves)
{
    setPosition(position);
}

void CCRipple3D::setPosition(CGPoint position)
{
    position_ = position;
    positionInPixels_ = inPixels(position);
}

Ref<CCAction> CCRipple3D::copy() const
{
    return makeRef<CCRipple3D>(position_, radius_, waves_, amplitude_, gridSize_, duration_);
}

void CCRipple3D::update(float t)
{
    forEachVertex(gridSize_, [&](ccGridSize pos) {
        ccVertex3F v = originalVertex(pos);
        const float dx = positionInPixels_.x - v.x;
        const float dy = positionInPixels_.y - v.y;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d < radius_) {
            const float r = radius_ - d;
            const float fade = std::pow(r / radius_, 2.0f);
            v.z += std::sin(r * 0.1f + phase(t, waves_)) * amplitude_ * amplitudeRate_ * fade;
        }
        setVertex(pos, v);
    });
}

CCTwirl::CCTwirl(CGPoint position, int32_t twirls, float amplitude, ccGridSize gridSize, float duration)
    : CCAmplitudeEffect(gridSize, duration, amplitude), twirls_(twirls)
{
    setPosition(position);
}

void CCTwirl::setPosition(CGPoint position)
{
    position_ = position;
    positionInPixels_ = inPixels(position);
}

Ref<CCAction> CCTwirl::copy() const
{
    return makeRef<CCTwirl>(position_, twirls_, amplitude_, gridSize_, duration_);
}

void CCTwirl::update(float t)
{
    const CGPoint c = positionInPixels_;
    forEachVertex(gridSize_, [&](ccGridSize pos) {
        ccVertex3F v = originalVertex(pos);
        const float ax = static_cast<float>(pos.x) - static_cast<float>(gridSize_.x) / 2.0f;
        const float ay = static_cast<float>(pos.y) - static_cast<float>(gridSize_.y) / 2.0f;
        const float r = std::sqrt(ax * ax + ay * ay);
        const float amp = amplitude_ * 0.1f * amplitudeRate_;
        const float a = r * std::cos(kPi / 2.0f + t * kPi * static_cast<float>(twirls_) * 2) * amp;
        const float dx = std::sin(a) * (v.y - c.y) + std::cos(a) * (v.x - c.x);
        const float dy = std::cos(a) * (v.y - c.y) - std::sin(a) * (v.x - c.x);
        v.x = c.x + dx;
        v.y = c.y + dy;
        setVertex(pos, v);
    });
}

// ---------------------------------------------------------------- shaking and page curl

Ref<CCAction> CCShaky3D::copy() const { return makeRef<CCShaky3D>(range_, shakeZ_, gridSize_, duration_); }

void CCShaky3D::update(float /*t*/)
{
    forEachVertex(gridSize_, [&](ccGridSize pos) {
        ccVertex3F v = originalVertex(pos);
        v.x += ccShakeOffset(range_);
        v.y += ccShakeOffset(range_);
        if (shakeZ_) v.z += ccShakeOffset(range_);
        setVertex(pos, v);
    });
}

void CCPageTurn3D::update(float t)
{
    const float tt = std::max(0.0f, t - 0.25f);
    const float ay = -100 - tt * tt * 500;
    const float theta = kPi / 2 - (kPi / 2) * std::sqrt(t);
    const float sinTheta = std::sin(theta);
    const float cosTheta = std::cos(theta);
    // At the end of the turn the cone closes on its axis and the curl divides
    // by sin θ = 0. The page then lies flat along the axis, which is where the
    // curl tends: x 0, y at the vertex's distance from the axis point, z 0.5.
    // Just before that the curl differs from the flat page by less than
    // R × sin θ, a small part of a pixel.
    const bool closed = std::fabs(sinTheta) < kClosedCone;

    forEachVertex(gridSize_, [&](ccGridSize pos) {
        const ccVertex3F p = originalVertex(pos);
        const float R = std::sqrt(p.x * p.x + (p.y - ay) * (p.y - ay));
        if (closed) {
            setVertex(pos, {0, R + ay, 0.5f});
            return;
        }
        const float r = R * sinTheta;
        const float alpha = std::asin(p.x / R);
        const float beta = alpha / sinTheta;
        const float cosBeta = std::cos(beta);
        ccVertex3F v;
        v.x = static_cast<double>(beta) <= static_cast<double>(kPi) ? r * std::sin(beta) : 0;
        v.y = R + ay - r * (1 - cosBeta) * sinTheta;
        v.z = r * (1 - cosBeta) * cosTheta / 7;
        if (v.z < 0.5f) v.z = 0.5f;
        setVertex(pos, v);
    });
}

} // namespace mw
