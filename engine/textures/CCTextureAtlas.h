#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/textures/CCTexture2D.h"
#include "engine/textures/ccQuadTypes.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// One texture and a growable array of quads, mirrored in a GL vertex buffer,
// with a fixed index buffer; draws any contiguous run of quads with one call.
//
// Indices are 16-bit, 6 per quad (4i, 4i+1, 4i+2, 4i+3, 4i+2, 4i+1), so an
// atlas holds at most kMaxCapacity quads: asking for more fails and leaves
// the atlas as it was. Editing operations keep within the capacity: one that
// would run past it does nothing and logs a line. Needs a current GL context
// from creation to destruction.
class CCTextureAtlas : public Object {
public:
    static constexpr uint32_t kMaxCapacity = 65536 / 4;

    // Null when the file cannot be loaded (through the shared texture cache)
    // or the capacity is past kMaxCapacity. A null texture draws untextured.
    [[nodiscard]] static Ref<CCTextureAtlas> textureAtlasWithTexture(CCTexture2D* texture, uint32_t capacity);
    [[nodiscard]] static Ref<CCTextureAtlas> textureAtlasWithFile(const std::string& file, uint32_t capacity);

    CCTextureAtlas() = default;
    ~CCTextureAtlas() override;
    CCTextureAtlas(const CCTextureAtlas&) = delete;
    CCTextureAtlas& operator=(const CCTextureAtlas&) = delete;

    [[nodiscard]] bool initWithTexture(CCTexture2D* texture, uint32_t capacity);
    [[nodiscard]] bool initWithFile(const std::string& file, uint32_t capacity);

    uint32_t totalQuads() const { return totalQuads_; }
    uint32_t capacity() const { return capacity_; }
    CCTexture2D* texture() const { return texture_.get(); }
    void setTexture(CCTexture2D* texture) { texture_ = texture; }
    // The quad array (capacity() slots). Asking for it marks the quads for
    // upload, since the caller may write through it.
    ccV3F_C4B_T2F_Quad* quads();
    // Exchanges the quad array with the caller's: the atlas takes `quads`
    // and hands its old array back through the same vector. Refused (false,
    // nothing exchanged) unless `quads` has exactly capacity() slots, since
    // the index and vertex buffers are sized for that. The count stays; the
    // new quads are uploaded before the next draw.
    [[nodiscard]] bool setQuads(std::vector<ccV3F_C4B_T2F_Quad>& quads);
    const std::vector<uint16_t>& indices() const { return indices_; }
    bool isDirty() const { return dirty_; }

    // Copies the quad into slot index; the count grows to index + 1 if lower.
    void updateQuad(const ccV3F_C4B_T2F_Quad& quad, uint32_t index);
    // Inserts before slot index, moving the later quads up.
    void insertQuad(const ccV3F_C4B_T2F_Quad& quad, uint32_t index);
    void insertQuads(const ccV3F_C4B_T2F_Quad* quads, uint32_t index, uint32_t amount);
    // Moves one quad (a run of amount quads) from oldIndex to newIndex,
    // shifting the quads in between.
    void insertQuadFromIndex(uint32_t oldIndex, uint32_t newIndex);
    void insertQuadsFromIndex(uint32_t oldIndex, uint32_t amount, uint32_t newIndex);
    void removeQuadAtIndex(uint32_t index);
    // Removes amount quads (cut at the count) and closes the gap.
    void removeQuadsAtIndex(uint32_t index, uint32_t amount);
    // Sets the count to 0; slots stay as they were.
    void removeAllQuads();
    // Adds to the count, nothing else (the caller filled the slots).
    void increaseTotalQuadsWith(uint32_t amount);
    // Moves the quads from `from` to the count, as one block, to start at `to`.
    void moveQuadsFromIndex(uint32_t from, uint32_t to);
    void fillWithEmptyQuadsFromIndex(uint32_t index, uint32_t amount);
    // New capacity, cutting the count when it shrinks; false (and nothing
    // changed) past kMaxCapacity.
    [[nodiscard]] bool resizeCapacity(uint32_t newCapacity);

    // Draws quads start .. start + n - 1 with the texture. Every slot changed
    // since the last draw is uploaded first (not only the drawn ones, so a
    // later draw of another run does not show stale quads). Blending, colour
    // arrays and matrices are the caller's.
    void drawNumberOfQuads(uint32_t n, uint32_t start);
    void drawNumberOfQuads(uint32_t n) { drawNumberOfQuads(n, 0); }
    void drawQuads() { drawNumberOfQuads(totalQuads_, 0); }

    // "<CCTextureAtlas = 0x... | totalQuads =  n>"
    std::string description() const;

private:
    // Fills the index array for every slot and refills both GL buffers.
    void initIndices();
    bool fits(uint64_t endSlot, const char* operation) const;
    // Widens the span of slots to upload before the next draw.
    void markDirty(uint32_t begin, uint32_t end);

    uint32_t totalQuads_ = 0;
    uint32_t capacity_ = 0;
    std::vector<ccV3F_C4B_T2F_Quad> quads_;
    std::vector<uint16_t> indices_;
    Ref<CCTexture2D> texture_;
    uint32_t buffersVBO_[2] = {0, 0};
    bool dirty_ = false;
    uint32_t dirtyBegin_ = 0;
    uint32_t dirtyEnd_ = 0;
};

} // namespace mw
