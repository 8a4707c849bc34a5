#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/ccTypes.h"
#include "engine/nodes/CCNode.h"
#include "engine/rendering/CCProgressTimerProtocol.h"

namespace mw {

class CCSprite;
class CCTexture2D;

// The kinds of progress display.
enum CCProgressTimerType : int32_t {
    kCCProgressTimerTypeRadialCCW = 0,         // sector grows counter-clockwise from 12 o'clock
    kCCProgressTimerTypeRadialCW = 1,          // sector grows clockwise from 12 o'clock
    kCCProgressTimerTypeHorizontalBarLR = 2,   // bar grows from the left edge
    kCCProgressTimerTypeHorizontalBarRL = 3,   // bar grows from the right edge
    kCCProgressTimerTypeVerticalBarBT = 4,     // bar grows from the bottom edge
    kCCProgressTimerTypeVerticalBarTB = 5,     // bar grows from the top edge
};

// Shows part of a sprite's image according to a percentage: a pie-shaped
// sector sweeping around the anchor point (radial types) or a rectangle
// growing from one edge (bar types).
//
// The geometry is built by the first setPercentage with a new value and
// dropped by setType and setSprite; until then the timer draws nothing.
// Vertex colours come from the sprite when the vertices are (re)allocated.
// The progress actions drive it through CCProgressTimerProtocol.
class CCProgressTimer : public CCNode, public CCProgressTimerProtocol {
public:
    static Ref<CCProgressTimer> progressWithTexture(CCTexture2D* texture);
    // Null (one log line) when the texture cache cannot load the file.
    static Ref<CCProgressTimer> progressWithFile(const std::string& file);

    CCProgressTimer() = default;
    ~CCProgressTimer() override;

    // Call once on a fresh timer: type radial counter-clockwise, 0 %, anchor
    // (0.5, 0.5), content size of the sprite made from the texture.
    void initWithTexture(CCTexture2D* texture);
    [[nodiscard]] bool initWithFile(const std::string& file);

    float percentage() const override { return percentage_; }
    // Clamped to 0..100; an unchanged value does nothing. The value as given
    // (unclamped) is also kept as the true percentage.
    void setPercentage(float percentage) override;
    // A free value for the game (it may exceed 100); setPercentage writes it too.
    float true_percentage() const { return truePercentage_; }
    void setTrue_percentage(float value) { truePercentage_ = value; }
    CCProgressTimerType type() const { return type_; }
    void setType(CCProgressTimerType type);
    // The sprite supplying texture, colour, opacity, flips and blending (held).
    CCSprite* sprite() const { return sprite_.get(); }
    void setSprite(CCSprite* sprite);

    // The geometry being drawn (a fan for radial types, a strip for bars).
    const std::vector<ccV2F_C4B_T2F>& vertexData() const { return vertexData_; }

    void draw() override;

private:
    // Corner i of a radial timer in the order the sector reaches them, in
    // texture space before scaling by the texture's maxima.
    CGPoint boundaryTexCoord(int index) const;
    void updateProgress();
    void updateRadial();
    void updateBar();
    void updateColor();
    ccVertex2F vertexFromTexCoord(CGPoint texCoord) const;
    // Mirrors a texture coordinate for the sprite's flips.
    void mirror(ccV2F_C4B_T2F& vertex, CGPoint textureMax) const;
    // The texture coordinate and matching position of one vertex.
    void setVertex(ccV2F_C4B_T2F& vertex, CGPoint texCoord, CGPoint textureMax) const;
    CGPoint textureMax() const;

    CCProgressTimerType type_ = kCCProgressTimerTypeRadialCCW;
    float percentage_ = 0;
    Ref<CCSprite> sprite_;
    float truePercentage_ = 0;
    std::vector<ccV2F_C4B_T2F> vertexData_;
};

} // namespace mw
