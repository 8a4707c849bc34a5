#include "engine/nodes/CCParallaxNode.h"

#include "engine/nodes/CGPointObject.h"
#include "foundation/Log.h"

namespace mw {

CCParallaxNode::CCParallaxNode() : parallaxArray_(makeRef<CCArray>(5)) {}

void CCParallaxNode::addChild(CCNode* child, int z, CGPoint ratio, CGPoint offset)
{
    if (!child) {
        return;
    }
    if (child->parent()) {
        // The node would refuse the child below; a record kept for it would
        // hold a pointer the node does not own and visit() would move a node
        // that may be gone.
        logLine("CCParallaxNode: child already has a parent; not added");
        return;
    }
    auto record = CGPointObject::pointWithCGPoint(ratio, offset);
    record->setChild(child);
    parallaxArray_->addObject(record);

    child->setPosition({position_.x * ratio.x + offset.x, position_.y * ratio.y + offset.y});
    CCNode::addChild(child, z, child->tag());
}

void CCParallaxNode::addChild(CCNode*, int, int)
{
    logLine("CCParallaxNode: children need a ratio and an offset; child not added");
}

void CCParallaxNode::removeChild(CCNode* child, bool cleanup)
{
    for (uint32_t i = 0; i < parallaxArray_->count(); ++i) {
        if (parallaxArray_->objectAtIndexAs<CGPointObject>(i)->child() == child) {
            parallaxArray_->removeObjectAtIndex(i);
            break;
        }
    }
    CCNode::removeChild(child, cleanup);
}

void CCParallaxNode::removeAllChildrenWithCleanup(bool cleanup)
{
    parallaxArray_->removeAllObjects();
    CCNode::removeAllChildrenWithCleanup(cleanup);
}

CGPoint CCParallaxNode::absolutePosition() const
{
    CGPoint position = position_;
    for (const CCNode* ancestor = parent_; ancestor; ancestor = ancestor->parent()) {
        const CGPoint step = ancestor->position();
        position.x += step.x;
        position.y += step.y;
    }
    return position;
}

void CCParallaxNode::visit()
{
    const CGPoint position = absolutePosition();
    if (!placed_ || position.x != lastPosition_.x || position.y != lastPosition_.y) {
        for (Object* item : *parallaxArray_) {
            auto* record = static_cast<CGPointObject*>(item);
            const CGPoint ratio = record->ratio();
            const CGPoint offset = record->offset();
            record->child()->setPosition({-position.x + position.x * ratio.x + offset.x,
                                          -position.y + position.y * ratio.y + offset.y});
        }
        lastPosition_ = position;
        placed_ = true;
    }
    CCNode::visit();
}

} // namespace mw
