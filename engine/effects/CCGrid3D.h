// The two meshes of the grid effects: a continuous one whose neighbouring
// cells share corners, and one of separate quads, a quad per cell.

#pragma once

#include <cstdint>
#include <vector>

#include "engine/effects/CCGridBase.h"

namespace mw {

// (columns + 1) x (rows + 1) shared vertices, numbered column by column: the
// vertex of column x and row y is x * (rows + 1) + y. For waves, lenses and
// page curls.
class CCGrid3D : public CCGridBase {
public:
    // A grid over a new texture of the window's size; null (logged) when no
    // texture could be made.
    static Ref<CCGrid3D> gridWithSize(ccGridSize gridSize);
    // A grid over the given texture (retained).
    static Ref<CCGrid3D> gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped);

    // Vertices of column 0..columns and row 0..rows; not bounds-checked.
    ccVertex3F vertex(ccGridSize pos) const;
    ccVertex3F originalVertex(ccGridSize pos) const;
    void setVertex(ccGridSize pos, ccVertex3F vertex);

    void calculateVertexPoints() override;
    void blit() override;
    void reuse() override;

    size_t vertexCount() const { return vertices_.size() / 3; }
    size_t indexCount() const { return indices_.size(); }
    const std::vector<float>& texCoordinates() const { return texCoordinates_; }

private:
    size_t indexOf(ccGridSize pos) const { return static_cast<size_t>(pos.x * (gridSize_.y + 1) + pos.y) * 3; }

    std::vector<float> texCoordinates_;
    std::vector<float> vertices_;
    std::vector<float> originalVertices_;
    std::vector<uint16_t> indices_;
};

// columns x rows separate quads, the cell of column x and row y being number
// x * rows + y. For tiles that move, fade or vanish one by one.
class CCTiledGrid3D : public CCGridBase {
public:
    static Ref<CCTiledGrid3D> gridWithSize(ccGridSize gridSize);
    static Ref<CCTiledGrid3D> gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped);

    // Quads of column 0..columns-1 and row 0..rows-1; not bounds-checked.
    ccQuad3 tile(ccGridSize pos) const;
    ccQuad3 originalTile(ccGridSize pos) const;
    void setTile(ccGridSize pos, const ccQuad3& coords);

    void calculateVertexPoints() override;
    void blit() override;
    void reuse() override;

    size_t quadCount() const { return vertices_.size() / 12; }
    size_t indexCount() const { return indices_.size(); }
    const std::vector<float>& texCoordinates() const { return texCoordinates_; }

private:
    size_t indexOf(ccGridSize pos) const { return static_cast<size_t>(pos.x * gridSize_.y + pos.y) * 12; }

    std::vector<float> texCoordinates_;
    std::vector<float> vertices_;
    std::vector<float> originalVertices_;
    std::vector<uint16_t> indices_;
};

} // namespace mw
