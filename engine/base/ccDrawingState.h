#pragma once

namespace mw {

// The GL state the engine draws its nodes in, written once. The director sets
// it in pieces, each when it changes (the projection with the surface, the
// blending when asked, the node state around every visit of the scene);
// code that draws nodes without a director (tests, benchmarks) sets it whole
// with ccSetNodeDrawingState. All of it needs a current GL context (rendering
// thread only).

// Viewport over width x height pixels and an orthographic projection with one
// unit a pixel, origin at the bottom left, depth from -1024 to 1024 times
// depthScale; the model-view matrix is the identity and stays current.
void ccSet2DProjection(float width, float height, float depthScale = 1);

// On: premultiplied-alpha blending (GL_ONE, GL_ONE_MINUS_SRC_ALPHA), the
// engine's default. Off: no blending.
void ccSetAlphaBlending(bool on);

// What every node's draw expects to find: 2D texturing and the vertex, colour
// and texture-coordinate arrays on. ccEndNodeDrawing switches them off again.
void ccBeginNodeDrawing();
void ccEndNodeDrawing();

// The state a node meets in the director's 2D frame on a width x height
// surface: the projection, blending on, the node state begun.
void ccSetNodeDrawingState(float width, float height);

} // namespace mw
