#pragma once

#include <string>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// An optional per-node 3D view: eye, look-at centre and up vector. A node
// applies its camera around its anchor point in transform(), unless a grid
// effect is active on it. Eye and centre are taken in points and kept in
// pixels; the up vector is unitless.
class CCCamera : public Object {
public:
    // At rest: eye (0, 0, getZEye()), centre (0, 0, 0), up (0, 1, 0), not dirty.
    CCCamera();

    static Ref<CCCamera> camera() { return makeRef<CCCamera>(); }

    // The default eye distance: the single-precision epsilon (2^-23).
    static float getZEye();

    // Back to the rest position; locate() is then a no-op.
    void restore();
    // Applies the look-at to the current GL matrix when dirty. Does not
    // clear the flag: a moved camera is applied every frame until restore().
    void locate();

    // Each setter marks the camera dirty.
    void setEyeX(float x, float y, float z);
    void setCenterX(float x, float y, float z);
    void setUpX(float x, float y, float z);
    // Eye and centre in points; up as stored.
    void eyeX(float* x, float* y, float* z) const;
    void centerX(float* x, float* y, float* z) const;
    void upX(float* x, float* y, float* z) const;

    bool dirty() const { return dirty_; }
    void setDirty(bool dirty) { dirty_ = dirty; }

    // "<CCCamera = ADDRESS | center = (x,y,z)>" with the stored centre.
    std::string description() const;

private:
    float eyeX_ = 0, eyeY_ = 0, eyeZ_ = 0;
    float centerX_ = 0, centerY_ = 0, centerZ_ = 0;
    float upX_ = 0, upY_ = 1, upZ_ = 0;
    bool dirty_ = false;
};

} // namespace mw
