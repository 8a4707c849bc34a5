#include "engine/labels/CCLabelAtlas.h"

#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "foundation/Log.h"

namespace mw {

Ref<CCLabelAtlas> CCLabelAtlas::labelWithString(const std::string& text, const std::string& charMapFile,
                                                uint32_t itemWidth, uint32_t itemHeight, uint8_t startCharMap)
{
    Ref<CCLabelAtlas> label = makeRef<CCLabelAtlas>();
    return label->initWithString(text, charMapFile, itemWidth, itemHeight, startCharMap) ? label : nullptr;
}

bool CCLabelAtlas::initWithString(const std::string& text, const std::string& charMapFile, uint32_t itemWidth,
                                  uint32_t itemHeight, uint8_t startCharMap)
{
    if (!initWithTileFile(charMapFile, itemWidth, itemHeight, static_cast<uint32_t>(text.size()))) {
        return false;
    }
    mapStartChar_ = startCharMap;
    setString(text);
    return true;
}

void CCLabelAtlas::setString(const std::string& text)
{
    const auto length = static_cast<uint32_t>(text.size());
    if (length > textureAtlas_->capacity() && !textureAtlas_->resizeCapacity(length)) {
        // More cells than an atlas can index: show as many as fit.
        logLine("CCLabelAtlas: %u characters do not fit an atlas; text cut", length);
        string_ = text.substr(0, textureAtlas_->capacity());
    } else {
        string_ = text;
    }
    updateAtlasValues();
    const auto shown = static_cast<uint32_t>(string_.size());
    setContentSizeInPixels({static_cast<float>(shown * itemWidth_), static_cast<float>(itemHeight_)});
    quadsToDraw_ = shown;
}

void CCLabelAtlas::updateAtlasValues()
{
    CCTexture2D* image = texture();
    const float textureWide = static_cast<float>(image->pixelsWide());
    const float textureHigh = static_cast<float>(image->pixelsHigh());
    const float cellWide = static_cast<float>(itemWidth_);
    const float cellHigh = static_cast<float>(itemHeight_);
    for (uint32_t i = 0; i < string_.size(); ++i) {
        // Codes below the start character wrap around, as unsigned bytes do.
        const auto cell = static_cast<uint8_t>(static_cast<uint8_t>(string_[i]) - mapStartChar_);
        const uint32_t row = itemsPerRow_ ? cell / itemsPerRow_ : 0;
        const uint32_t column = itemsPerRow_ ? cell % itemsPerRow_ : 0;

        const float left = static_cast<float>(column) * cellWide / textureWide;
        const float top = static_cast<float>(row) * cellHigh / textureHigh;
        const float right = left + cellWide / textureWide;
        const float bottom = top + cellHigh / textureHigh;

        ccV3F_C4B_T2F_Quad quad{};
        quad.tl.texCoords = {left, top};
        quad.bl.texCoords = {left, bottom};
        quad.tr.texCoords = {right, top};
        quad.br.texCoords = {right, bottom};
        const float x = static_cast<float>(i) * cellWide;
        quad.bl.vertices = {x, 0, 0};
        quad.br.vertices = {x + cellWide, 0, 0};
        quad.tl.vertices = {x, cellHigh, 0};
        quad.tr.vertices = {x + cellWide, cellHigh, 0};
        textureAtlas_->updateQuad(quad, i);
    }
}

} // namespace mw
