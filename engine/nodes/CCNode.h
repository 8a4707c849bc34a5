#pragma once

#include <cstdint>
#include <string>

#include "engine/base/ccMacros.h"
#include "engine/support/CCArray.h"
#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {

class CCAction;
class CCCamera;
class CCGridBase;
class UITouch;

// The base of everything placed, drawn or updated on screen. A node has a
// position, anchor point, content size, rotation, scale and skew, a z-order,
// a tag, a visibility flag, a parent and children kept sorted by z-order and
// then by order of arrival.
//
// The public interface takes points; each node keeps pixel twins of its
// position, anchor point and content size (pixels = points x the content
// scale factor) and builds its transform from those.
//
// Ownership: a parent retains its children; a child does not retain its
// parent. Removing a child with clean-up also stops its actions and timers
// (and those of its descendants).
//
// Life cycle: a node runs between onEnter and onExit. While it is off stage,
// actions and timers made for it are registered paused; onEnter resumes them
// and onExit pauses them.
//
// Subclasses that override addChild(child, z, tag) should add
// `using CCNode::addChild;` to keep the shorter forms, which call it.
class CCNode : public Object {
public:
    CCNode();
    ~CCNode() override;

    static Ref<CCNode> node() { return makeRef<CCNode>(); }

    // ---- geometry (setters mark the transform dirty) ----
    float rotation() const { return rotation_; }
    virtual void setRotation(float degrees);  // clockwise positive
    // scaleX; the two scales are not compared.
    float scale() const { return scaleX_; }
    virtual void setScale(float scale);
    float scaleX() const { return scaleX_; }
    virtual void setScaleX(float scale);
    float scaleY() const { return scaleY_; }
    virtual void setScaleY(float scale);
    float skewX() const { return skewX_; }
    virtual void setSkewX(float degrees);
    float skewY() const { return skewY_; }
    virtual void setSkewY(float degrees);
    CGPoint position() const { return position_; }
    virtual void setPosition(CGPoint position);
    CGPoint positionInPixels() const { return positionInPixels_; }
    virtual void setPositionInPixels(CGPoint position);
    // Fraction of the content size: (0,0) bottom left, (1,1) top right.
    CGPoint anchorPoint() const { return anchorPoint_; }
    virtual void setAnchorPoint(CGPoint anchor);
    CGPoint anchorPointInPixels() const { return anchorPointInPixels_; }
    // Subclasses that show a window onto other content (the scroll view)
    // answer that content's size.
    virtual CGSize contentSize() const { return contentSize_; }
    virtual void setContentSize(CGSize size);
    CGSize contentSizeInPixels() const { return contentSizeInPixels_; }
    virtual void setContentSizeInPixels(CGSize size);
    // When set (the default), the anchor point is also the point that the
    // position places.
    bool isRelativeAnchorPoint() const { return isRelativeAnchorPoint_; }
    virtual void setIsRelativeAnchorPoint(bool relative);
    // OpenGL z of the node in points (kept in pixels); does not mark anything dirty.
    float vertexZ() const;
    virtual void setVertexZ(float z);
    // The parent-space rectangle enclosing the transformed content.
    CGRect boundingBox() const;
    CGRect boundingBoxInPixels() const;

    // ---- plain properties ----
    bool visible() const { return visible_; }
    virtual void setVisible(bool visible) { visible_ = visible; }
    int zOrder() const { return zOrder_; }
    // Writes the z-order only; nothing is re-sorted (reorderChild does that).
    void _setZOrder(int z) { zOrder_ = z; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    CCNode* parent() const { return parent_; }
    void setParent(CCNode* parent) { parent_ = parent; }
    void* userData() const { return userData_; }
    void setUserData(void* data) { userData_ = data; }
    uint32_t orderOfArrival() const { return orderOfArrival_; }
    void setOrderOfArrival(uint32_t order) { orderOfArrival_ = order; }
    bool isRunning() const { return isRunning_; }
    // The grid effect (retained); null normally.
    CCGridBase* grid() const { return grid_.get(); }
    void setGrid(CCGridBase* grid);
    // The node's camera, created on first use and kept by the node.
    CCCamera* camera();
    // Whether a camera was ever created (without creating one).
    bool hasCamera() const { return camera_ != nullptr; }

    // ---- children ----
    // The children in drawing order once sorted; null until the first child.
    CCArray* children() const { return children_.get(); }
    // Adds a child that has no parent yet. When this node runs, the child
    // enters at once (onEnter, then onEnterTransitionDidFinish).
    virtual void addChild(CCNode* child, int z, int tag);
    void addChild(CCNode* child, int z);
    void addChild(CCNode* child);
    // Gives the child a new z-order and arrival number; it goes after its
    // siblings of the same z-order at the next sort.
    virtual void reorderChild(CCNode* child, int z);
    // The first child with the tag in the current order, or null.
    CCNode* getChildByTag(int tag) const;
    // Ignores null and nodes that are not children. A running child exits
    // at once; with cleanup its actions and timers go too.
    virtual void removeChild(CCNode* child, bool cleanup);
    void removeChildByTag(int tag, bool cleanup);
    virtual void removeAllChildrenWithCleanup(bool cleanup);
    // Nothing happens without a parent.
    void removeFromParentAndCleanup(bool cleanup);
    // Re-sorts the children by z-order and arrival when an add or reorder
    // asked for it.
    virtual void sortAllChildren();

    // ---- life cycle (each cascades to the children) ----
    virtual void onEnter();
    virtual void onEnterTransitionDidFinish();
    virtual void onExitTransitionDidStart();
    virtual void onExit();
    // Stops all actions and unschedules all selectors of this subtree.
    virtual void cleanup();

    // ---- drawing ----
    // Draws the subtree: children with negative z first, then the node, then
    // the other children, inside the node's transform. Invisible nodes draw
    // nothing, children included.
    virtual void visit();
    // Draws the node itself; the base draws nothing.
    virtual void draw() {}
    // Applies the node's transform (and camera) to the current GL matrix.
    virtual void transform();
    // Applies the ancestors' transforms, from the root down.
    void transformAncestors();

    // ---- actions (through the shared action manager) ----
    // Runs the action on this node (paused while the node is off stage) and
    // returns it.
    CCAction* runAction(CCAction* action);
    void stopAllActions();
    void stopAction(CCAction* action);
    void stopActionByTag(int tag);
    CCAction* getActionByTag(int tag) const;
    uint32_t numberOfRunningActions() const;

    // ---- scheduling (through the shared scheduler; paused while off stage) ----
    // Every frame.
    void schedule(SEL_Update selector);
    // Every `interval` seconds (0: every frame), for ever.
    void schedule(SEL_Update selector, float interval);
    // `repeat` + 1 times, first after `delay` seconds.
    void schedule(SEL_Update selector, float interval, unsigned int repeat, float delay);
    // Once, after `delay` seconds.
    void scheduleOnce(SEL_Update selector, float delay);
    // A null selector is ignored.
    void unschedule(SEL_Update selector);
    void unscheduleAllSelectors();
    // Calls update(dt) every frame at priority 0 (or the given priority).
    void scheduleUpdate();
    void scheduleUpdateWithPriority(int priority);
    void unscheduleUpdate();
    // The per-frame callback of scheduleUpdate; empty here.
    virtual void update(float dt) {}
    // Pause / resume the node's timers and updates, then its actions.
    void pauseSchedulerAndActions();
    void resumeSchedulerAndActions();

    // ---- coordinate spaces (points) ----
    CGAffineTransform nodeToParentTransform();
    CGAffineTransform parentToNodeTransform();
    CGAffineTransform nodeToWorldTransform();
    CGAffineTransform worldToNodeTransform();
    CGPoint convertToNodeSpace(CGPoint worldPoint);
    CGPoint convertToWorldSpace(CGPoint nodePoint);
    // Relative to the anchor point instead of the lower-left corner.
    CGPoint convertToNodeSpaceAR(CGPoint worldPoint);
    CGPoint convertToWorldSpaceAR(CGPoint nodePoint);
    // World space to the view's coordinates (through the director's conversion).
    CGPoint convertToWindowSpace(CGPoint nodePoint);
    // A touch's location in this node's space (through the director's conversion).
    CGPoint convertTouchToNodeSpace(const UITouch* touch);
    CGPoint convertTouchToNodeSpaceAR(const UITouch* touch);

    // ---- the game's hooks: every node accepts them; screens override them ----
    // Enables or disables the node's touch input.
    virtual void SetInputActive(bool active) {}
    // Sent after a building sequence or an upgrade.
    virtual void AfterBuildSeq() {}
    // Advances the tutorial by one step.
    virtual void MoveWithTutorial() {}

    // "<CLASS = ADDRESS | Tag = TAG>"
    virtual std::string description() const;

protected:
    // Marks the transform, the inverse and the GL matrix for rebuilding.
    void markTransformDirty();
    void insertChild(CCNode* child, int z);
    void detachChild(CCNode* child, bool cleanup);

    float rotation_ = 0;
    float scaleX_ = 1;
    float scaleY_ = 1;
    CGPoint position_;
    CGPoint positionInPixels_;
    float skewX_ = 0;
    float skewY_ = 0;
    bool visible_ = true;
    CGPoint anchorPointInPixels_;
    CGPoint anchorPoint_;
    bool isRelativeAnchorPoint_ = true;
    CGSize contentSize_;
    CGSize contentSizeInPixels_;
    CGAffineTransform transform_;
    CGAffineTransform inverse_;
    float transformGL_[16] = {};
    float vertexZ_ = 0;  // pixels
    Ref<CCCamera> camera_;
    Ref<CCGridBase> grid_;
    int zOrder_ = 0;
    Ref<CCArray> children_;
    CCNode* parent_ = nullptr;
    int tag_ = kCCNodeTagInvalid;
    void* userData_ = nullptr;
    bool isRunning_ = false;
    uint32_t orderOfArrival_ = 0;
    bool isTransformDirty_ = true;
    bool isInverseDirty_ = true;
    bool isReorderChildDirty_ = false;
    bool isTransformGLDirty_ = true;
};

} // namespace mw
