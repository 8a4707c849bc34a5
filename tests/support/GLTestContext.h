#pragma once

// A headless OpenGL ES 1.1 context for render tests.
//
// One context exists per test process; it is made on first use and lives until
// the process ends (Mesa does not like contexts made and torn down hundreds of
// times). Typical use:
//
//     class MyRenderTest : public mw::test::GLRenderTest {};   // 64x64 surface
//     TEST_F(MyRenderTest, DrawsRed) {
//         ... draw with GL ...
//         EXPECT_TRUE(nearColor(gl().readPixel(10, 10), {255, 0, 0, 255}));
//     }
//
// Or without the fixture: `GLTestContext* gl = GLTestContext::acquire(128, 64);`
// (null when no context can be made; the reason is logged).
//
// Coordinates of readPixel() are those of glReadPixels: the ORIGIN IS THE
// BOTTOM-LEFT pixel of the surface, y grows upwards. readRGBA() returns the
// whole surface top row first, like an image file.

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/GLContext.h"

namespace mw::test {

struct RGBA {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const RGBA&, const RGBA&) = default;
};

std::ostream& operator<<(std::ostream& out, const RGBA& c);

// Whether every channel differs by at most `tolerance`.
bool nearColor(RGBA actual, RGBA expected, int tolerance = 2);

class GLTestContext {
public:
    // The process's context with a surface of width x height pixels (RGBA8
    // colour, 16-bit depth), current on this thread, its framebuffer bound and
    // the GL state reset (see resetState). A different size rebuilds the
    // surface. Null when no headless context can be made.
    static GLTestContext* acquire(int width, int height);

    GLContext& context() { return *context_; }
    int width() const { return context_->pixelSize().width; }
    int height() const { return context_->pixelSize().height; }

    // Rebuilds the surface at a new size (the contents are lost).
    [[nodiscard]] bool resize(int width, int height);

    // Puts the fixed-function state back to what GL starts with, plus: the
    // surface's framebuffer bound, viewport on the whole surface, identity
    // matrices, clear colour transparent black and the buffers cleared. Tests
    // call it (acquire does) so one test's state does not leak into the next.
    void resetState();

    // One pixel; origin at the bottom-left, as glReadPixels. Outside the
    // surface gives {0,0,0,0} and a test failure.
    RGBA readPixel(int x, int y) const;

    // The whole surface as RGBA8, top row first.
    std::vector<uint8_t> readRGBA() const;

    // Writes the surface as a PNG file (for looking at a failing test).
    bool savePNG(const std::string& path) const;

private:
    explicit GLTestContext(std::unique_ptr<GLContext> context) : context_(std::move(context)) {}
    std::unique_ptr<GLContext> context_;
};

// Fixture giving each test a fresh-state surface; override the size with the
// constructor arguments of a subclass.
class GLRenderTest : public ::testing::Test {
protected:
    explicit GLRenderTest(int width = 64, int height = 64) : width_(width), height_(height) {}
    void SetUp() override
    {
        context_ = GLTestContext::acquire(width_, height_);
        ASSERT_NE(context_, nullptr) << "no headless GL context";
    }
    GLTestContext& gl() { return *context_; }

private:
    int width_;
    int height_;
    GLTestContext* context_ = nullptr;
};

} // namespace mw::test
