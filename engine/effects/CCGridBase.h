#pragma once

#include <cstdint>
#include <string>

#include "engine/base/ccTypes.h"
#include "engine/nodes/CCGridProtocol.h"
#include "foundation/Geometry.h"
#include "foundation/Ref.h"

namespace mw {

class CCGrabber;
class CCTexture2D;

// A grid's four corners of one cell: bottom-left, bottom-right, top-left, top-right.
struct ccQuad3 {
    ccVertex3F bl, br, tl, tr;
    friend bool operator==(const ccQuad3&, const ccQuad3&) = default;
};

// An off-screen picture of a node drawn back as a mesh that grid actions
// bend. While active, the node's visit draws into the grid's texture
// (beforeDraw) and the grid then draws the texture through its mesh
// (afterDraw). The two meshes, CCGrid3D and CCTiledGrid3D, derive from it.
// Grids need a current GL context with framebuffer objects.
class CCGridBase : public CCGridProtocol {
public:
    // Switches the grid off, so the director's projection comes back.
    ~CCGridBase() override;

    bool active() const override { return active_; }
    // Switching off (even when already off) re-applies the director's projection.
    void setActive(bool active);

    // How many following grid actions may take this grid over with its distortion.
    int32_t reuseGrid() const { return reuseGrid_; }
    void setReuseGrid(int32_t times) { reuseGrid_ = times; }

    ccGridSize gridSize() const { return gridSize_; }
    // Pixels of the texture per cell, horizontally and vertically.
    CGPoint step() const { return step_; }
    void setStep(CGPoint step) { step_ = step; }
    CCTexture2D* texture() const { return texture_.get(); }
    void setTexture(CCTexture2D* texture);
    CCGrabber* grabber() const { return grabber_.get(); }
    void setGrabber(CCGrabber* grabber);

    bool isTextureFlipped() const { return isTextureFlipped_; }
    // A change recomputes the mesh.
    void setIsTextureFlipped(bool flipped);

    // Lays the undistorted mesh out again (current and original vertices).
    virtual void calculateVertexPoints() = 0;
    // Draws the texture through the current mesh.
    virtual void blit() = 0;
    // With reuses left, makes the current mesh the original and counts one down.
    virtual void reuse() = 0;

    void beforeDraw() override;
    void afterDraw(CCNode* target) override;
    // Orthographic over the window in pixels (z -1024 to 1024).
    void set2DProjection();
    // Perspective of 60 degrees looking at the display's centre from the eye distance.
    void set3DProjection();
    // Rotates the drawing for an upside-down or landscape device.
    void applyLandscape();

    // "<CLASS = ADDRESS | Dimensions = COLSxROWS>"
    std::string description() const;

protected:
    CCGridBase();
    // Takes a texture of the window's size made for the grid; false (logged)
    // when no texture could be made. Throws as the grabber does.
    [[nodiscard]] bool initWithSize(ccGridSize gridSize);
    // Retains the texture, sets the step, makes the grabber (which throws
    // when the texture cannot be attached) and lays the mesh out.
    void initWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped);

    // The texture coordinate of mesh point (x, y) in pixels.
    ccVertex2F texCoordOf(float x, float y) const;

    bool active_ = false;
    int32_t reuseGrid_ = 0;
    ccGridSize gridSize_{};
    Ref<CCTexture2D> texture_;
    CGPoint step_{};
    Ref<CCGrabber> grabber_;
    bool isTextureFlipped_ = false;
};

} // namespace mw
