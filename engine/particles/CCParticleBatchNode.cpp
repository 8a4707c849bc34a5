#include "engine/particles/CCParticleBatchNode.h"

#include <GLES/gl.h>

#include <algorithm>

#include "engine/nodes/CCGridProtocol.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Value.h"

namespace mw {

CCParticleBatchNode::CCParticleBatchNode() = default;
CCParticleBatchNode::~CCParticleBatchNode() = default;

Ref<CCParticleBatchNode> CCParticleBatchNode::particleBatchNodeWithFile(const std::string& image)
{
    return particleBatchNodeWithFile(image, kDefaultCapacity, true, false);
}

Ref<CCParticleBatchNode> CCParticleBatchNode::particleBatchNodeWithFile(const std::string& image, uint32_t capacity,
                                                                        bool useQuad, bool additiveBlending)
{
    auto batch = makeRef<CCParticleBatchNode>();
    return batch->initWithFile(image, capacity, useQuad, additiveBlending) ? batch : nullptr;
}

Ref<CCParticleBatchNode> CCParticleBatchNode::particleBatchNodeWithTexture(CCTexture2D* texture, uint32_t capacity,
                                                                           bool, bool additiveBlending)
{
    auto batch = makeRef<CCParticleBatchNode>();
    return batch->initWithTexture(texture, capacity, true, additiveBlending) ? batch : nullptr;
}

Ref<CCParticleBatchNode> CCParticleBatchNode::particleBatchNodeWithTexture(CCTexture2D* texture)
{
    return particleBatchNodeWithTexture(texture, kDefaultCapacity, true, false);
}

bool CCParticleBatchNode::extractTextureFromPlist(const std::string& plistFile)
{
    std::optional<Value> dict = readPropertyListFile(CCFileUtils::fullPathFromRelativePath(plistFile));
    if (!dict || !dict->isDict()) {
        logLine("CCParticleBatchNode: cannot read %s", plistFile.c_str());
        return false;
    }
    Ref<CCTexture2D> texture = CCParticleSystem::textureForDictionary(*dict);
    return texture != nullptr;
}

bool CCParticleBatchNode::initWithFile(const std::string& image, uint32_t capacity, bool useQuad,
                                       bool additiveBlending)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(image);
    if (!texture) {
        logLine("CCParticleBatchNode: cannot load %s", image.c_str());
        return false;
    }
    return initWithTexture(texture.get(), capacity, useQuad, additiveBlending);
}

bool CCParticleBatchNode::initWithTexture(CCTexture2D* texture, uint32_t capacity, bool useQuad,
                                          bool additiveBlending)
{
    useQuad_ = useQuad;
    reorderDirty_ = false;
    if (useQuad_) {
        textureAtlas_ = CCTextureAtlas::textureAtlasWithTexture(texture, capacity);
        if (!textureAtlas_) return false;
    }
    if (additiveBlending) {
        this->additiveBlending();
    } else {
        normalBlending();
    }
    children_ = makeRef<CCArray>(5);
    return true;
}

void CCParticleBatchNode::setTextureAtlas(CCTextureAtlas* atlas) { textureAtlas_ = atlas; }

CCTexture2D* CCParticleBatchNode::texture() const { return textureAtlas_ ? textureAtlas_->texture() : nullptr; }

void CCParticleBatchNode::setTexture(CCTexture2D* texture)
{
    if (!textureAtlas_) return;
    textureAtlas_->setTexture(texture);
    if (texture && !texture->hasPremultipliedAlpha() && blendFunc_ == kCCBlendFuncDefault) {
        blendFunc_ = kCCBlendFuncAlpha;
    }
}

void CCParticleBatchNode::updateBlendFunc()
{
    if (texture() && !texture()->hasPremultipliedAlpha()) blendFunc_ = kCCBlendFuncAlpha;
}

void CCParticleBatchNode::switchBlendingBetweenMultipliedAndPreMultiplied()
{
    blendFunc_.src = blendFunc_.src == CC_GL_ONE ? CC_GL_SRC_ALPHA : CC_GL_ONE;
    blendFunc_.dst = CC_GL_ONE_MINUS_SRC_ALPHA;
}

void CCParticleBatchNode::normalBlending()
{
    blendFunc_.src = texture() && texture()->hasPremultipliedAlpha() ? CC_GL_ONE : CC_GL_SRC_ALPHA;
    blendFunc_.dst = CC_GL_ONE_MINUS_SRC_ALPHA;
}

void CCParticleBatchNode::additiveBlending() { blendFunc_ = {CC_GL_SRC_ALPHA, CC_GL_ONE}; }

uint32_t CCParticleBatchNode::searchNewPositionInChildrenForZ(int z) const
{
    const uint32_t count = children_ ? children_->count() : 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (children_->objectAtIndexAs<CCNode>(i)->zOrder() > z) return i;
    }
    return count;
}

void CCParticleBatchNode::addChild(CCNode* child, int z, int tag)
{
    if (!child) return;
    auto* system = dynamic_cast<CCParticleSystemQuad*>(child);
    if (!system) {
        logLine("CCParticleBatchNode: only quad particle systems can be added; not added");
        return;
    }
    if (!textureAtlas_) {
        logLine("CCParticleBatchNode: a batch without quads takes no particle systems; not added");
        return;
    }
    if (system->parent()) {
        logLine("CCParticleBatchNode: child already added to another parent; not added");
        return;
    }
    if (textureAtlas_->totalQuads() + static_cast<uint64_t>(system->totalParticles()) > CCTextureAtlas::kMaxCapacity) {
        logLine("CCParticleBatchNode: %u more quads do not fit one atlas; not added", system->totalParticles());
        return;
    }
    const uint32_t position = addChildHelper(system, z, tag);
    uint32_t atlasStart = 0;
    if (position > 0) {
        auto* previous = children_->objectAtIndexAs<CCParticleSystem>(position - 1);
        atlasStart = previous->atlasIndex() + previous->totalParticles();
    }
    system->useBatchNode(this);
    insertChild(system, atlasStart);
}

uint32_t CCParticleBatchNode::addChildHelper(CCParticleSystem* child, int z, int tag)
{
    if (!children_) children_ = makeRef<CCArray>(4);
    const uint32_t position = searchNewPositionInChildrenForZ(z);
    children_->insertObject(child, position);
    child->setTag(tag);
    child->_setZOrder(z);
    child->setParent(this);
    if (isRunning_) {
        child->onEnter();
        child->onEnterTransitionDidFinish();
    }
    return position;
}

void CCParticleBatchNode::insertChild(CCParticleSystem* system, uint32_t index)
{
    system->setAtlasIndex(index);
    const uint32_t amount = system->totalParticles();
    const uint32_t needed = textureAtlas_->totalQuads() + amount;
    if (textureAtlas_->capacity() < needed) {
        if (!increaseAtlasCapacityTo(needed)) return;
        textureAtlas_->fillWithEmptyQuadsFromIndex(textureAtlas_->capacity() - amount, amount);
    }
    if (index + amount != textureAtlas_->totalQuads()) {
        textureAtlas_->moveQuadsFromIndex(index, index + amount);
    }
    textureAtlas_->increaseTotalQuadsWith(amount);
    system->batchNodeInitialization();
    updateAllAtlasIndexes();
}

void CCParticleBatchNode::removeChild(CCNode* child, bool cleanup)
{
    if (!child || !children_ || !children_->containsObject(child)) return;
    auto* system = static_cast<CCParticleSystem*>(child);
    Ref<CCParticleSystem> keepAlive(system);
    removeChildFromAtlas(system, cleanup);
    CCNode::removeChild(child, cleanup);
    updateAllAtlasIndexes();
}

void CCParticleBatchNode::removeChildAtIndex(uint32_t index, bool cleanup)
{
    if (!children_ || index >= children_->count()) return;
    removeChild(children_->objectAtIndexAs<CCNode>(index), cleanup);
}

void CCParticleBatchNode::removeChildFromAtlas(CCParticleSystem* system, bool cleanup)
{
    if (textureAtlas_) {
        textureAtlas_->removeQuadsAtIndex(system->atlasIndex(), system->totalParticles());
        textureAtlas_->fillWithEmptyQuadsFromIndex(textureAtlas_->totalQuads(), system->totalParticles());
    }
    if (!cleanup) system->useSelfRender();
}

void CCParticleBatchNode::removeAllChildrenWithCleanup(bool cleanup)
{
    if (children_) {
        for (Object* item : *children_) static_cast<CCParticleSystem*>(item)->useSelfRender();
    }
    CCNode::removeAllChildrenWithCleanup(cleanup);
    if (textureAtlas_) textureAtlas_->removeAllQuads();
}

void CCParticleBatchNode::reorderChild(CCNode* child, int z)
{
    if (!child || !children_ || !children_->containsObject(child) || z == child->zOrder()) return;
    auto* system = static_cast<CCParticleSystem*>(child);
    if (children_->count() == 1) {
        system->_setZOrder(z);
        return;
    }
    reorderDirty_ = true;
    Ref<CCParticleSystem> keepAlive(system);
    const uint32_t oldIndex = children_->indexOfObject(system);
    children_->removeObjectAtIndex(oldIndex);
    const uint32_t newIndex = searchNewPositionInChildrenForZ(z);
    if (newIndex != oldIndex && textureAtlas_) {
        const uint32_t count = children_->count();
        uint32_t target = newIndex == count
                              ? textureAtlas_->totalQuads()
                              : children_->objectAtIndexAs<CCParticleSystem>(std::min(newIndex, count - 1))->atlasIndex();
        if (system->zOrder() < z) target -= system->totalParticles();
        moveSystem(system, target);
    }
    children_->insertObject(system, newIndex);
    system->_setZOrder(z);
    updateAllAtlasIndexes();
}

void CCParticleBatchNode::moveSystem(CCParticleSystem* system, uint32_t newIndex)
{
    textureAtlas_->insertQuadsFromIndex(system->atlasIndex(), system->totalParticles(), newIndex);
}

void CCParticleBatchNode::updateAllAtlasIndexes()
{
    if (!children_) return;
    uint32_t index = 0;
    for (Object* item : *children_) {
        auto* system = static_cast<CCParticleSystem*>(item);
        system->setAtlasIndex(index);
        index += system->totalParticles();
    }
}

bool CCParticleBatchNode::increaseAtlasCapacityTo(uint32_t quantity)
{
    if (!textureAtlas_->resizeCapacity(quantity)) {
        logLine("CCParticleBatchNode: cannot grow the atlas to %u quads", quantity);
        return false;
    }
    return true;
}

void CCParticleBatchNode::disableParticle(uint32_t index)
{
    if (!textureAtlas_ || index >= textureAtlas_->capacity()) return;
    ccV3F_C4B_T2F_Quad& quad = textureAtlas_->quads()[index];
    for (ccV3F_C4B_T2F* corner : {&quad.tl, &quad.bl, &quad.tr, &quad.br}) {
        corner->vertices.x = 0;
        corner->vertices.y = 0;
    }
}

void CCParticleBatchNode::visit()
{
    if (!visible_) return;
    glPushMatrix();
    CCGridProtocol* activeGrid = (grid_ && grid_->active()) ? grid_.get() : nullptr;
    if (activeGrid) {
        activeGrid->beforeDraw();
        transformAncestors();
    }
    if (reorderDirty_ && children_) {
        for (Object* item : *children_) static_cast<CCParticleSystem*>(item)->updateWithNoTime();
        reorderDirty_ = false;
    }
    transform();
    draw();
    if (activeGrid) activeGrid->afterDraw(this);
    glPopMatrix();
}

void CCParticleBatchNode::draw()
{
    CCNode::draw();
    if (!textureAtlas_ || textureAtlas_->totalQuads() == 0) return;
    const bool newBlend = blendFunc_ != kCCBlendFuncDefault;
    if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);
    textureAtlas_->drawQuads();
    if (newBlend) glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
}

} // namespace mw
