#include "engine/effects/CCGrid3D.h"

#include <GLES/gl.h>

#include <cstring>

namespace mw {

namespace {

// Draws indexed triangles without the colour array, which the node drawing
// state keeps on.
void drawMesh(const std::vector<float>& vertices, const std::vector<float>& texCoordinates,
              const std::vector<uint16_t>& indices)
{
    glDisableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glTexCoordPointer(2, GL_FLOAT, 0, texCoordinates.data());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_SHORT, indices.data());
    glEnableClientState(GL_COLOR_ARRAY);
}

} // namespace

// ---------------------------------------------------------------- CCGrid3D

Ref<CCGrid3D> CCGrid3D::gridWithSize(ccGridSize gridSize)
{
    Ref<CCGrid3D> grid = makeRef<CCGrid3D>();
    if (!grid->initWithSize(gridSize)) return nullptr;
    return grid;
}

Ref<CCGrid3D> CCGrid3D::gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped)
{
    Ref<CCGrid3D> grid = makeRef<CCGrid3D>();
    grid->initWithSize(gridSize, texture, flipped);
    return grid;
}

ccVertex3F CCGrid3D::vertex(ccGridSize pos) const
{
    const size_t i = indexOf(pos);
    return {vertices_[i], vertices_[i + 1], vertices_[i + 2]};
}

ccVertex3F CCGrid3D::originalVertex(ccGridSize pos) const
{
    const size_t i = indexOf(pos);
    return {originalVertices_[i], originalVertices_[i + 1], originalVertices_[i + 2]};
}

void CCGrid3D::setVertex(ccGridSize pos, ccVertex3F vertex)
{
    const size_t i = indexOf(pos);
    vertices_[i] = vertex.x;
    vertices_[i + 1] = vertex.y;
    vertices_[i + 2] = vertex.z;
}

void CCGrid3D::calculateVertexPoints()
{
    const int32_t cols = gridSize_.x;
    const int32_t rows = gridSize_.y;
    const auto vertexCount = static_cast<size_t>((cols + 1) * (rows + 1));
    vertices_.assign(vertexCount * 3, 0);
    texCoordinates_.assign(vertexCount * 2, 0);
    indices_.assign(static_cast<size_t>(cols * rows) * 6, 0);

    for (int32_t x = 0; x < cols; ++x) {
        for (int32_t y = 0; y < rows; ++y) {
            const float x1 = static_cast<float>(x) * step_.x;
            const float x2 = x1 + step_.x;
            const float y1 = static_cast<float>(y) * step_.y;
            const float y2 = y1 + step_.y;
            const auto a = static_cast<uint16_t>(x * (rows + 1) + y);
            const auto b = static_cast<uint16_t>((x + 1) * (rows + 1) + y);
            const auto c = static_cast<uint16_t>((x + 1) * (rows + 1) + (y + 1));
            const auto d = static_cast<uint16_t>(x * (rows + 1) + (y + 1));
            const uint16_t cell[6] = {a, b, d, b, c, d};
            std::memcpy(&indices_[static_cast<size_t>(6 * (y * cols + x))], cell, sizeof cell);

            const uint16_t corners[4] = {a, b, c, d};
            const float xs[4] = {x1, x2, x2, x1};
            const float ys[4] = {y1, y1, y2, y2};
            for (int k = 0; k < 4; ++k) {
                vertices_[corners[k] * 3u] = xs[k];
                vertices_[corners[k] * 3u + 1] = ys[k];
                vertices_[corners[k] * 3u + 2] = 0;
                const ccVertex2F tex = texCoordOf(xs[k], ys[k]);
                texCoordinates_[corners[k] * 2u] = tex.x;
                texCoordinates_[corners[k] * 2u + 1] = tex.y;
            }
        }
    }
    originalVertices_ = vertices_;
}

void CCGrid3D::blit() { drawMesh(vertices_, texCoordinates_, indices_); }

void CCGrid3D::reuse()
{
    if (reuseGrid_ > 0) {
        originalVertices_ = vertices_;
        --reuseGrid_;
    }
}

// ---------------------------------------------------------------- CCTiledGrid3D

Ref<CCTiledGrid3D> CCTiledGrid3D::gridWithSize(ccGridSize gridSize)
{
    Ref<CCTiledGrid3D> grid = makeRef<CCTiledGrid3D>();
    if (!grid->initWithSize(gridSize)) return nullptr;
    return grid;
}

Ref<CCTiledGrid3D> CCTiledGrid3D::gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped)
{
    Ref<CCTiledGrid3D> grid = makeRef<CCTiledGrid3D>();
    grid->initWithSize(gridSize, texture, flipped);
    return grid;
}

namespace {

// The quad of twelve floats from `at`: corners bottom-left, bottom-right, top-left, top-right.
ccQuad3 quadFrom(const float* at)
{
    return {{at[0], at[1], at[2]}, {at[3], at[4], at[5]}, {at[6], at[7], at[8]}, {at[9], at[10], at[11]}};
}

} // namespace

ccQuad3 CCTiledGrid3D::tile(ccGridSize pos) const { return quadFrom(&vertices_[indexOf(pos)]); }

ccQuad3 CCTiledGrid3D::originalTile(ccGridSize pos) const { return quadFrom(&originalVertices_[indexOf(pos)]); }

void CCTiledGrid3D::setTile(ccGridSize pos, const ccQuad3& coords)
{
    float* at = &vertices_[indexOf(pos)];
    for (const ccVertex3F& corner : {coords.bl, coords.br, coords.tl, coords.tr}) {
        *at++ = corner.x;
        *at++ = corner.y;
        *at++ = corner.z;
    }
}

void CCTiledGrid3D::calculateVertexPoints()
{
    const int32_t cols = gridSize_.x;
    const int32_t rows = gridSize_.y;
    const auto cells = static_cast<size_t>(cols * rows);
    vertices_.assign(cells * 12, 0);
    texCoordinates_.assign(cells * 8, 0);
    indices_.assign(cells * 6, 0);

    size_t cell = 0;
    for (int32_t x = 0; x < cols; ++x) {
        for (int32_t y = 0; y < rows; ++y, ++cell) {
            const float x1 = static_cast<float>(x) * step_.x;
            const float x2 = x1 + step_.x;
            const float y1 = static_cast<float>(y) * step_.y;
            const float y2 = y1 + step_.y;
            const float xs[4] = {x1, x2, x1, x2};
            const float ys[4] = {y1, y1, y2, y2};
            for (size_t k = 0; k < 4; ++k) {
                vertices_[cell * 12 + k * 3] = xs[k];
                vertices_[cell * 12 + k * 3 + 1] = ys[k];
                const ccVertex2F tex = texCoordOf(xs[k], ys[k]);
                texCoordinates_[cell * 8 + k * 2] = tex.x;
                texCoordinates_[cell * 8 + k * 2 + 1] = tex.y;
            }
        }
    }
    for (size_t k = 0; k < cells; ++k) {
        const auto base = static_cast<uint16_t>(4 * k);
        const uint16_t quad[6] = {base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2),
                                  static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2),
                                  static_cast<uint16_t>(base + 3)};
        std::memcpy(&indices_[k * 6], quad, sizeof quad);
    }
    originalVertices_ = vertices_;
}

void CCTiledGrid3D::blit() { drawMesh(vertices_, texCoordinates_, indices_); }

void CCTiledGrid3D::reuse()
{
    if (reuseGrid_ > 0) {
        originalVertices_ = vertices_;
        --reuseGrid_;
    }
}

} // namespace mw
