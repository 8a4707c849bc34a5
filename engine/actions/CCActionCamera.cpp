#include "engine/actions/CCActionCamera.h"

#include <cfloat>
#include <math.h>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/ccCurveConstants.h"
#include "engine/base/ccMacros.h"
#include "engine/nodes/CCCamera.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCActionCamera::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    CCCamera* camera = target->camera();
    camera->centerX(&centerXOrig_, &centerYOrig_, &centerZOrig_);
    camera->eyeX(&eyeXOrig_, &eyeYOrig_, &eyeZOrig_);
    camera->upX(&upXOrig_, &upYOrig_, &upZOrig_);
}

Ref<CCFiniteTimeAction> CCActionCamera::reverse() const
{
    // A copy rather than this very action, so that the two may run at once.
    return CCReverseTime::actionWithAction(copyAs<CCFiniteTimeAction>(*this).get());
}

CCOrbitCamera::CCOrbitCamera(float duration, float radius, float deltaRadius, float angleZ, float deltaAngleZ,
                             float angleX, float deltaAngleX)
    : CCActionCamera(duration),
      radius_(radius),
      deltaRadius_(deltaRadius),
      angleZ_(angleZ),
      deltaAngleZ_(deltaAngleZ),
      angleX_(angleX),
      deltaAngleX_(deltaAngleX),
      radDeltaZ_(CC_DEGREES_TO_RADIANS(deltaAngleZ)),
      radDeltaX_(CC_DEGREES_TO_RADIANS(deltaAngleX))
{
}

Ref<CCAction> CCOrbitCamera::copy() const
{
    return makeRef<CCOrbitCamera>(duration_, radius_, deltaRadius_, angleZ_, deltaAngleZ_, angleX_, deltaAngleX_);
}

void CCOrbitCamera::startWithTarget(CCNode* target)
{
    CCActionCamera::startWithTarget(target);
    radZ_ = CC_DEGREES_TO_RADIANS(angleZ_);
    radX_ = CC_DEGREES_TO_RADIANS(angleX_);
}

void CCOrbitCamera::update(float t)
{
    if (!target_) return;
    const float r = (radius_ + deltaRadius_ * t) * CCCamera::getZEye();
    const float za = radZ_ + radDeltaZ_ * t;
    const float xa = radX_ + radDeltaX_ * t;
    target_->camera()->setEyeX(centerXOrig_ + sinf(za) * cosf(xa) * r, centerYOrig_ + sinf(za) * sinf(xa) * r,
                               centerZOrig_ + cosf(za) * r);
}

void CCOrbitCamera::sphericalRadius(float* radius, float* zenith, float* azimuth) const
{
    if (!target_) return;
    float eyeX, eyeY, eyeZ, centerX, centerY, centerZ;
    CCCamera* camera = target_->camera();
    camera->eyeX(&eyeX, &eyeY, &eyeZ);
    camera->centerX(&centerX, &centerY, &centerZ);
    const float x = eyeX - centerX, y = eyeY - centerY, z = eyeZ - centerZ;
    float r = sqrtf(x * x + y * y + z * z);
    float s = sqrtf(x * x + y * y);
    if (s == 0) s = FLT_EPSILON;
    if (r == 0) r = FLT_EPSILON;
    *zenith = acosf(z / r);
    *azimuth = x < 0 ? kCCPi - asinf(y / s) : asinf(y / s);
    *radius = r / CCCamera::getZEye();
}

} // namespace mw
