#pragma once

#include <cstdint>
#include <string>

#include "engine/labels/CCAtlasNode.h"
#include "engine/labels/CCLabelProtocol.h"

namespace mw {

// A text in a fixed-width bitmap font given as one image: a grid of equal
// cells holding consecutive character codes, row by row from the top left,
// starting at mapStartChar. Each byte of the text becomes one quad, side by
// side from left to right (single-byte text: one cell per byte). The
// director's frame-rate counter is one.
class CCLabelAtlas : public CCAtlasNode, public CCLabelProtocol {
public:
    // Null (one log line) when the image cannot be loaded.
    static Ref<CCLabelAtlas> labelWithString(const std::string& text, const std::string& charMapFile,
                                             uint32_t itemWidth, uint32_t itemHeight, uint8_t startCharMap);

    CCLabelAtlas() = default;
    ~CCLabelAtlas() override = default;

    // Cell size in points. Call once on a fresh label.
    [[nodiscard]] bool initWithString(const std::string& text, const std::string& charMapFile,
                                      uint32_t itemWidth, uint32_t itemHeight, uint8_t startCharMap);

    // Grows the atlas to the text's length when needed, rebuilds the quads
    // and sets the content size to (length x cell width, cell height).
    void setString(const std::string& text) override;
    const std::string& string() const override { return string_; }

    void updateAtlasValues() override;

private:
    std::string string_;
    uint8_t mapStartChar_ = 0;
};

} // namespace mw
