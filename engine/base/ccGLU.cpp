#include "engine/base/ccGLU.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mw {

namespace {

struct Vec3 {
    float x, y, z;
};

Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Leaves a zero vector as it is rather than dividing by zero.
Vec3 normalisedIfNonZero(Vec3 v)
{
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0) {
        return v;
    }
    return {v.x / length, v.y / length, v.z / length};
}

} // namespace

void gluPerspective(float fovyDegrees, float aspect, float zNear, float zFar)
{
    const float ymax = zNear * std::tan(fovyDegrees * std::numbers::pi_v<float> / 360.0f);
    const float xmax = ymax * aspect;
    glFrustumf(-xmax, xmax, -ymax, ymax, zNear, zFar);
}

void ccLookAtRotation(float eyeX, float eyeY, float eyeZ,
                      float centerX, float centerY, float centerZ,
                      float upX, float upY, float upZ, float m[16])
{
    const Vec3 forward = normalisedIfNonZero({eyeX - centerX, eyeY - centerY, eyeZ - centerZ});
    const Vec3 up{upX, upY, upZ};
    // The up vector of the view is built from the side vector before it is
    // normalised; the result is normalised afterwards, so only the direction counts.
    const Vec3 sideRaw = cross(up, forward);
    const Vec3 viewUp = normalisedIfNonZero(cross(forward, sideRaw));
    const Vec3 side = normalisedIfNonZero(sideRaw);

    std::fill(m, m + 16, 0.0f);
    m[0] = side.x;
    m[4] = side.y;
    m[8] = side.z;
    m[1] = viewUp.x;
    m[5] = viewUp.y;
    m[9] = viewUp.z;
    m[2] = forward.x;
    m[6] = forward.y;
    m[10] = forward.z;
    m[15] = 1;
}

void gluLookAt(float eyeX, float eyeY, float eyeZ,
               float centerX, float centerY, float centerZ,
               float upX, float upY, float upZ)
{
    float m[16];
    ccLookAtRotation(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ, m);
    glMultMatrixf(m);
    glTranslatef(-eyeX, -eyeY, -eyeZ);
}

} // namespace mw
