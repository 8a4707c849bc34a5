#pragma once

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CCNode;

// One child of a parallax node: the share of the node's movement the child
// follows (ratio), its offset, and the child itself (not retained: the
// parallax node holds it as a child).
class CGPointObject : public Object {
public:
    CGPointObject(CGPoint ratio, CGPoint offset) : ratio_(ratio), offset_(offset) {}

    static Ref<CGPointObject> pointWithCGPoint(CGPoint ratio, CGPoint offset)
    {
        return makeRef<CGPointObject>(ratio, offset);
    }

    CGPoint ratio() const { return ratio_; }
    void setRatio(CGPoint ratio) { ratio_ = ratio; }
    CGPoint offset() const { return offset_; }
    void setOffset(CGPoint offset) { offset_ = offset; }
    CCNode* child() const { return child_; }
    void setChild(CCNode* child) { child_ = child; }

private:
    CGPoint ratio_;
    CGPoint offset_;
    CCNode* child_ = nullptr;
};

} // namespace mw
