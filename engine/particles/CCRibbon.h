#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCTextureProtocol.h"
#include "foundation/Ref.h"

namespace mw {

class CCTexture2D;

// A run of up to kEntries points of a ribbon: each entry is the vertex pair
// across the band at one point, with its texture coordinates, colours and the
// ribbon-clock time it was added. Drawn straight from its own memory.
class CCRibbonSegment : public Object {
public:
    static constexpr uint32_t kEntries = 50;

    CCRibbonSegment() { reset(); }
    void reset();
    // Draws the visible entries as one triangle strip, faded by age; a clock
    // of exactly 0 draws unfaded in colour (its alpha included).
    void draw(float curTime, float fadeTime, ccColor4B colour);
    std::string description() const;

    float verts[kEntries * 6] = {};
    float coords[kEntries * 4] = {};
    uint8_t colors[kEntries * 8] = {};
    float creationTime[kEntries] = {};
    bool finished = false;
    uint32_t end = 0;    // entries written
    uint32_t begin = 0;  // first entry not yet faded
};

// A textured band following a series of points, each fading out fadeTime
// seconds after it was added. The band's edges lie half a point's width to
// each side of the path; the texture repeats every textureLength pixels
// along it. Fully faded segments are reused. The owner drives the clock
// with update(dt); points are appended with addPointAt. Needs a current GL
// context to draw.
class CCRibbon : public CCNode, public CCTextureProtocol {
public:
    CCRibbon() = default;
    ~CCRibbon() override;

    // The image through the shared texture cache (repeating, linear); a
    // ribbon without a loadable image draws untextured.
    [[nodiscard]] static Ref<CCRibbon> ribbonWithWidth(float width, const std::string& image, float length,
                                                       ccColor4B colour, float fade);
    void initWithWidth(float width, const std::string& image, float length, ccColor4B colour, float fade);

    // Appends a point (location in points) of the given width; the first
    // point is only recorded.
    void addPointAt(CGPoint location, float width);
    // Advances the ribbon clock (the ribbon does not schedule itself).
    void update(float dt) override;
    void draw() override;

    CCTexture2D* texture() const override { return texture_.get(); }
    // Holds the texture; the content size becomes its pixel size.
    void setTexture(CCTexture2D* texture) override;
    ccBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ccBlendFunc blend) override { blendFunc_ = blend; }
    ccColor4B color() const { return color_; }
    void setColor(ccColor4B colour) { color_ = colour; }
    float textureLength() const { return textureLength_; }
    void setTextureLength(float length) { textureLength_ = length; }

    // Segments in drawing order (the last receives new points), and those
    // kept for reuse.
    const std::vector<Ref<CCRibbonSegment>>& segments() const { return segments_; }
    const std::vector<Ref<CCRibbonSegment>>& deletedSegments() const { return deletedSegments_; }
    float currentTime() const { return curTime_; }

    // Which side of the line l1-l2 p lies on, by the sign.
    static float sideOfLine(CGPoint p, CGPoint l1, CGPoint l2);
    // p rotated by the angle (radians).
    static CGPoint rotatePoint(CGPoint p, float rotation);

private:
    std::vector<Ref<CCRibbonSegment>> segments_;
    std::vector<Ref<CCRibbonSegment>> deletedSegments_;
    CGPoint lastLocation_;
    float texVPos_ = 0;
    float curTime_ = 0;
    float fadeTime_ = 0;
    float delta_ = 0;
    float lastWidth_ = 0;
    bool pastFirstPoint_ = false;
    Ref<CCTexture2D> texture_;
    float textureLength_ = 0;
    ccColor4B color_{};
    ccBlendFunc blendFunc_ = kCCBlendFuncAlpha;
};

} // namespace mw
