#include "engine/nodes/CCCamera.h"

#include <cfloat>
#include <cstdio>

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDescription.h"
#include "engine/base/ccGLU.h"

namespace mw {

CCCamera::CCCamera() { restore(); }

float CCCamera::getZEye() { return FLT_EPSILON; }

void CCCamera::restore()
{
    eyeX_ = eyeY_ = 0;
    eyeZ_ = getZEye();
    centerX_ = centerY_ = centerZ_ = 0;
    upX_ = 0;
    upY_ = 1;
    upZ_ = 0;
    dirty_ = false;
}

void CCCamera::locate()
{
    if (dirty_) {
        gluLookAt(eyeX_, eyeY_, eyeZ_, centerX_, centerY_, centerZ_, upX_, upY_, upZ_);
    }
}

void CCCamera::setEyeX(float x, float y, float z)
{
    const float factor = ccContentScaleFactor();
    eyeX_ = x * factor;
    eyeY_ = y * factor;
    eyeZ_ = z * factor;
    dirty_ = true;
}

void CCCamera::setCenterX(float x, float y, float z)
{
    const float factor = ccContentScaleFactor();
    centerX_ = x * factor;
    centerY_ = y * factor;
    centerZ_ = z * factor;
    dirty_ = true;
}

void CCCamera::setUpX(float x, float y, float z)
{
    upX_ = x;
    upY_ = y;
    upZ_ = z;
    dirty_ = true;
}

void CCCamera::eyeX(float* x, float* y, float* z) const
{
    const float factor = ccContentScaleFactor();
    *x = eyeX_ / factor;
    *y = eyeY_ / factor;
    *z = eyeZ_ / factor;
}

void CCCamera::centerX(float* x, float* y, float* z) const
{
    const float factor = ccContentScaleFactor();
    *x = centerX_ / factor;
    *y = centerY_ / factor;
    *z = centerZ_ / factor;
}

void CCCamera::upX(float* x, float* y, float* z) const
{
    *x = upX_;
    *y = upY_;
    *z = upZ_;
}

std::string CCCamera::description() const
{
    char centre[96];
    std::snprintf(centre, sizeof centre, "(%.2f,%.2f,%.2f)", centerX_, centerY_, centerZ_);
    return std::string("<")
        .append(ccClassName(typeid(*this)))
        .append(" = ")
        .append(ccAddressString(this))
        .append(" | center = ")
        .append(centre)
        .append(">");
}

} // namespace mw
