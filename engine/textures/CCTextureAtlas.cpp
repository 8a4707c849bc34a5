#include "engine/textures/CCTextureAtlas.h"

#include <GLES/gl.h>

#include <algorithm>
#include <typeinfo>

#include "engine/base/ccDescription.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

namespace mw {

namespace {

constexpr ccV3F_C4B_T2F_Quad kEmptyQuad{};
constexpr size_t kIndicesPerQuad = 6;

} // namespace

Ref<CCTextureAtlas> CCTextureAtlas::textureAtlasWithTexture(CCTexture2D* texture, uint32_t capacity)
{
    Ref<CCTextureAtlas> atlas = makeRef<CCTextureAtlas>();
    return atlas->initWithTexture(texture, capacity) ? atlas : nullptr;
}

Ref<CCTextureAtlas> CCTextureAtlas::textureAtlasWithFile(const std::string& file, uint32_t capacity)
{
    Ref<CCTextureAtlas> atlas = makeRef<CCTextureAtlas>();
    return atlas->initWithFile(file, capacity) ? atlas : nullptr;
}

CCTextureAtlas::~CCTextureAtlas()
{
    if (buffersVBO_[0] != 0 || buffersVBO_[1] != 0) {
        GLuint buffers[2] = {buffersVBO_[0], buffersVBO_[1]};
        glDeleteBuffers(2, buffers);
    }
}

bool CCTextureAtlas::initWithFile(const std::string& file, uint32_t capacity)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(file);
    if (!texture) {
        logLine("CCTextureAtlas: cannot load %s", file.c_str());
        return false;
    }
    return initWithTexture(texture.get(), capacity);
}

bool CCTextureAtlas::initWithTexture(CCTexture2D* texture, uint32_t capacity)
{
    if (capacity > kMaxCapacity) {
        logLine("CCTextureAtlas: %u quads are past the %u that 16-bit indices address", capacity, kMaxCapacity);
        return false;
    }
    capacity_ = capacity;
    totalQuads_ = 0;
    texture_ = texture;
    quads_.assign(capacity, kEmptyQuad);
    indices_.assign(static_cast<size_t>(capacity) * kIndicesPerQuad, 0);
    GLuint buffers[2] = {0, 0};
    glGenBuffers(2, buffers);
    buffersVBO_[0] = buffers[0];
    buffersVBO_[1] = buffers[1];
    dirty_ = false;
    markDirty(0, capacity_);
    initIndices();
    return true;
}

void CCTextureAtlas::initIndices()
{
    for (uint32_t i = 0; i < capacity_; ++i) {
        const uint16_t first = static_cast<uint16_t>(i * 4);
        uint16_t* slot = &indices_[static_cast<size_t>(i) * kIndicesPerQuad];
        slot[0] = first;
        slot[1] = static_cast<uint16_t>(first + 1);
        slot[2] = static_cast<uint16_t>(first + 2);
        slot[3] = static_cast<uint16_t>(first + 3);
        slot[4] = static_cast<uint16_t>(first + 2);
        slot[5] = static_cast<uint16_t>(first + 1);
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffersVBO_[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(ccV3F_C4B_T2F_Quad) * capacity_), quads_.data(),
                 GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffersVBO_[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(uint16_t) * indices_.size()), indices_.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

bool CCTextureAtlas::fits(uint64_t endSlot, const char* operation) const
{
    if (endSlot <= capacity_) {
        return true;
    }
    logLine("CCTextureAtlas: %s runs past the capacity of %u quads", operation, capacity_);
    return false;
}

void CCTextureAtlas::markDirty(uint32_t begin, uint32_t end)
{
    end = std::min(end, capacity_);
    if (begin >= end) {
        return;
    }
    dirtyBegin_ = dirty_ ? std::min(dirtyBegin_, begin) : begin;
    dirtyEnd_ = dirty_ ? std::max(dirtyEnd_, end) : end;
    dirty_ = true;
}

ccV3F_C4B_T2F_Quad* CCTextureAtlas::quads()
{
    markDirty(0, capacity_);
    return quads_.data();
}

bool CCTextureAtlas::setQuads(std::vector<ccV3F_C4B_T2F_Quad>& quads)
{
    if (quads.size() != capacity_) {
        logLine("CCTextureAtlas: setQuads needs %u quads, got %zu", capacity_, quads.size());
        return false;
    }
    quads_.swap(quads);
    markDirty(0, capacity_);
    return true;
}

void CCTextureAtlas::updateQuad(const ccV3F_C4B_T2F_Quad& quad, uint32_t index)
{
    if (!fits(uint64_t{index} + 1, "updateQuad")) {
        return;
    }
    totalQuads_ = std::max(totalQuads_, index + 1);
    quads_[index] = quad;
    markDirty(index, index + 1);
}

void CCTextureAtlas::insertQuad(const ccV3F_C4B_T2F_Quad& quad, uint32_t index)
{
    insertQuads(&quad, index, 1);
}

void CCTextureAtlas::insertQuads(const ccV3F_C4B_T2F_Quad* quads, uint32_t index, uint32_t amount)
{
    if (index > totalQuads_ || !fits(uint64_t{totalQuads_} + amount, "insertQuads")) {
        return;
    }
    auto at = quads_.begin() + index;
    std::move_backward(at, quads_.begin() + totalQuads_, quads_.begin() + totalQuads_ + amount);
    std::copy(quads, quads + amount, at);
    totalQuads_ += amount;
    markDirty(index, totalQuads_);
}

void CCTextureAtlas::insertQuadFromIndex(uint32_t oldIndex, uint32_t newIndex)
{
    insertQuadsFromIndex(oldIndex, 1, newIndex);
}

void CCTextureAtlas::insertQuadsFromIndex(uint32_t oldIndex, uint32_t amount, uint32_t newIndex)
{
    if (oldIndex == newIndex || amount == 0) {
        return;
    }
    if (!fits(uint64_t{std::max(oldIndex, newIndex)} + amount, "insertQuadsFromIndex")) {
        return;
    }
    // Moving a run is a rotation of the span it crosses.
    auto base = quads_.begin();
    if (newIndex < oldIndex) {
        std::rotate(base + newIndex, base + oldIndex, base + oldIndex + amount);
    } else {
        std::rotate(base + oldIndex, base + oldIndex + amount, base + newIndex + amount);
    }
    markDirty(std::min(oldIndex, newIndex), std::max(oldIndex, newIndex) + amount);
}

void CCTextureAtlas::removeQuadAtIndex(uint32_t index)
{
    removeQuadsAtIndex(index, 1);
}

void CCTextureAtlas::removeQuadsAtIndex(uint32_t index, uint32_t amount)
{
    if (index >= totalQuads_) {
        return;
    }
    amount = std::min(amount, totalQuads_ - index);
    std::move(quads_.begin() + index + amount, quads_.begin() + totalQuads_, quads_.begin() + index);
    markDirty(index, totalQuads_);
    totalQuads_ -= amount;
}

void CCTextureAtlas::removeAllQuads()
{
    totalQuads_ = 0;
}

void CCTextureAtlas::increaseTotalQuadsWith(uint32_t amount)
{
    if (fits(uint64_t{totalQuads_} + amount, "increaseTotalQuadsWith")) {
        totalQuads_ += amount;
    }
}

void CCTextureAtlas::moveQuadsFromIndex(uint32_t from, uint32_t to)
{
    if (from >= totalQuads_ || !fits(uint64_t{to} + (totalQuads_ - from), "moveQuadsFromIndex")) {
        return;
    }
    const uint32_t count = totalQuads_ - from;
    std::vector<ccV3F_C4B_T2F_Quad> block(quads_.begin() + from, quads_.begin() + from + count);
    std::copy(block.begin(), block.end(), quads_.begin() + to);
    markDirty(to, to + count);
}

void CCTextureAtlas::fillWithEmptyQuadsFromIndex(uint32_t index, uint32_t amount)
{
    if (fits(uint64_t{index} + amount, "fillWithEmptyQuadsFromIndex")) {
        std::fill_n(quads_.begin() + index, amount, kEmptyQuad);
        markDirty(index, index + amount);
    }
}

bool CCTextureAtlas::resizeCapacity(uint32_t newCapacity)
{
    if (newCapacity == capacity_) {
        return true;
    }
    if (newCapacity > kMaxCapacity) {
        logLine("CCTextureAtlas: %u quads are past the %u that 16-bit indices address", newCapacity, kMaxCapacity);
        return false;
    }
    totalQuads_ = std::min(totalQuads_, newCapacity);
    capacity_ = newCapacity;
    quads_.resize(newCapacity, kEmptyQuad);
    indices_.resize(static_cast<size_t>(newCapacity) * kIndicesPerQuad);
    initIndices();
    markDirty(0, capacity_);
    return true;
}

void CCTextureAtlas::drawNumberOfQuads(uint32_t n, uint32_t start)
{
    if (n == 0 || !fits(uint64_t{start} + n, "drawNumberOfQuads")) {
        return;
    }
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
    glBindBuffer(GL_ARRAY_BUFFER, buffersVBO_[0]);
    if (dirty_) {
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(sizeof(ccV3F_C4B_T2F_Quad) * dirtyBegin_),
                        static_cast<GLsizeiptr>(sizeof(ccV3F_C4B_T2F_Quad) * (dirtyEnd_ - dirtyBegin_)),
                        &quads_[dirtyBegin_]);
        dirty_ = false;
    }
    constexpr GLsizei stride = sizeof(ccV3F_C4B_T2F);
    glVertexPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(ccV3F_C4B_T2F, vertices)));
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, reinterpret_cast<const void*>(offsetof(ccV3F_C4B_T2F, colors)));
    glTexCoordPointer(2, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(ccV3F_C4B_T2F, texCoords)));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffersVBO_[1]);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(n * kIndicesPerQuad), GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(sizeof(uint16_t) * kIndicesPerQuad * start));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

std::string CCTextureAtlas::description() const
{
    return format("<%@ = %@ | totalQuads =  %u>", ccClassName(typeid(*this)), ccAddressString(this), totalQuads_);
}

} // namespace mw
