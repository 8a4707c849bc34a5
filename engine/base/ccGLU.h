#pragma once

namespace mw {

// The two classic GL utility functions, acting on the current GL matrix
// (rendering thread only).

// Multiplies the current matrix by a perspective projection.
void gluPerspective(float fovyDegrees, float aspect, float zNear, float zFar);

// Multiplies the current matrix by the view from eye towards centre.
void gluLookAt(float eyeX, float eyeY, float eyeZ,
               float centerX, float centerY, float centerZ,
               float upX, float upY, float upZ);

// The rotation part of gluLookAt as a column-major matrix (no translation),
// separate so it can be checked without a GL context.
void ccLookAtRotation(float eyeX, float eyeY, float eyeZ,
                      float centerX, float centerY, float centerZ,
                      float upX, float upY, float upZ, float m[16]);

} // namespace mw
