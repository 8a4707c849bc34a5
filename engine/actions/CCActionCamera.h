// The camera actions: the base that reads a node's camera, and the orbit around it.

#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// The base of the actions that move a node's camera instead of the node:
// at start it remembers the camera's centre, eye and up vector.
class CCActionCamera : public CCActionInterval {
public:
    using CCActionInterval::CCActionInterval;

    // Reads the target's camera (creating it when the node has none yet).
    void startWithTarget(CCNode* target) override;
    // The same camera move played backwards (on a copy of this action).
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float centerXOrig_ = 0, centerYOrig_ = 0, centerZOrig_ = 0;
    float eyeXOrig_ = 0, eyeYOrig_ = 0, eyeZOrig_ = 0;
    float upXOrig_ = 0, upYOrig_ = 0, upZOrig_ = 0;
};

// Moves the eye of a node's camera on a sphere around the camera's centre
// at start: the radius (in units of the camera's eye distance), the zenith
// (from +z) and the azimuth (in the x-y plane from +x towards +y, degrees)
// change linearly over the duration. The centre and up vector are left as
// they are, and the camera keeps the last eye position after the action.
class CCOrbitCamera : public CCActionCamera {
public:
    CCOrbitCamera(float duration, float radius, float deltaRadius, float angleZ, float deltaAngleZ, float angleX,
                  float deltaAngleX);

    static Ref<CCOrbitCamera> actionWithDuration(float duration, float radius, float deltaRadius, float angleZ,
                                                 float deltaAngleZ, float angleX, float deltaAngleX)
    {
        return makeRef<CCOrbitCamera>(duration, radius, deltaRadius, angleZ, deltaAngleZ, angleX, deltaAngleX);
    }

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

    // The target camera's eye relative to its centre: the radius in units of
    // the eye distance, zenith and azimuth in radians.
    void sphericalRadius(float* radius, float* zenith, float* azimuth) const;

private:
    float radius_;
    float deltaRadius_;
    float angleZ_;
    float deltaAngleZ_;
    float angleX_;
    float deltaAngleX_;
    float radZ_ = 0;
    float radDeltaZ_;
    float radX_ = 0;
    float radDeltaX_;
};

} // namespace mw
