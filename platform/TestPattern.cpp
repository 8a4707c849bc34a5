#include "platform/TestPattern.h"

#include <GLES/gl.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace mw {

namespace {

constexpr int kCheckerSize = 64;

void fillRect(float x0, float y0, float x1, float y1, const GLubyte colour[4])
{
    const GLfloat vertices[] = {x0, y0, x1, y0, x0, y1, x1, y1};
    glColor4ub(colour[0], colour[1], colour[2], colour[3]);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

// Points from the bottom-left, like the engine's drawing space.
void drawBars(CGSize points)
{
    static const GLubyte bars[][4] = {{192, 192, 192, 255}, {192, 192, 0, 255}, {0, 192, 192, 255},
                                      {0, 192, 0, 255},     {192, 0, 192, 255}, {192, 0, 0, 255},
                                      {0, 0, 192, 255}};
    const float width = points.width / 7;
    for (int i = 0; i < 7; ++i) {
        fillRect(i * width, points.height * 0.6f, (i + 1) * width, points.height, bars[i]);
    }
}

void drawRamp(CGSize points)
{
    const float y0 = points.height * 0.5f, y1 = points.height * 0.6f;
    const GLfloat vertices[] = {0, y0, points.width, y0, 0, y1, points.width, y1};
    const GLubyte colours[] = {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255};
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colours);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_COLOR_ARRAY);
}

void drawTexturedQuad(unsigned texture, CGSize points)
{
    const float side = points.width * 0.4f;
    const float x0 = points.width * 0.05f, y0 = points.height * 0.1f;
    const GLfloat vertices[] = {x0, y0, x0 + side, y0, x0, y0 + side, x0 + side, y0 + side};
    const GLfloat texCoords[] = {0, 0, 2, 0, 0, 2, 2, 2}; // the checkerboard twice each way
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glColor4ub(255, 255, 255, 255);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

void drawOrbit(CGSize points, double seconds)
{
    const float centreX = points.width * 0.72f, centreY = points.height * 0.25f;
    const float radius = points.width * 0.15f, half = points.width * 0.04f;
    const float x = centreX + radius * float(std::cos(seconds * 2.0));
    const float y = centreY + radius * float(std::sin(seconds * 2.0));
    static const GLubyte orange[4] = {255, 140, 0, 255};
    fillRect(x - half, y - half, x + half, y + half, orange);
}

void drawCrossHair(CGPoint topLeftPoint, CGSize points)
{
    const float x = topLeftPoint.x, y = points.height - topLeftPoint.y;
    const float arm = points.width * 0.06f, thickness = 1.5f;
    static const GLubyte white[4] = {255, 255, 255, 255};
    fillRect(x - arm, y - thickness, x + arm, y + thickness, white);
    fillRect(x - thickness, y - arm, x + thickness, y + arm, white);
}

std::vector<GLubyte> checkerboard()
{
    std::vector<GLubyte> texels;
    texels.reserve(kCheckerSize * kCheckerSize * 4);
    for (int y = 0; y < kCheckerSize; ++y) {
        for (int x = 0; x < kCheckerSize; ++x) {
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            const auto shade = static_cast<GLubyte>(x * 4);
            texels.insert(texels.end(), {light ? GLubyte(240) : shade, light ? GLubyte(240) : GLubyte(40),
                                         light ? GLubyte(240) : GLubyte(255 - shade), 255});
        }
    }
    return texels;
}

} // namespace

TestPattern::TestPattern()
{
    const std::vector<GLubyte> texels = checkerboard();
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kCheckerSize, kCheckerSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    texture_ = texture;
}

TestPattern::~TestPattern()
{
    GLuint texture = texture_;
    glDeleteTextures(1, &texture);
}

void TestPattern::draw(PixelSize surface, CGSize points, double seconds) const
{
    glViewport(0, 0, surface.width, surface.height);
    glClearColor(0.08f, 0.12f, 0.1f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, points.width, 0, points.height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnableClientState(GL_VERTEX_ARRAY);
    drawBars(points);
    drawRamp(points);
    drawTexturedQuad(texture_, points);
    drawOrbit(points, seconds);
    if (touch_) drawCrossHair(*touch_, points);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void TestPattern::touches(const UITouchSet& touches, const UIEvent& event, UITouchPhase phase)
{
    switch (phase) {
    case UITouchPhase::Began:
    case UITouchPhase::Moved:
        if (!touches.empty()) touch_ = touches.back()->locationInView();
        break;
    case UITouchPhase::Ended:
        // Another finger may still be down: follow it instead.
        touch_.reset();
        for (const Ref<UITouch>& touch : event.allTouches) {
            if (touch->phase() != UITouchPhase::Ended && touch->phase() != UITouchPhase::Cancelled) {
                touch_ = touch->locationInView();
            }
        }
        break;
    case UITouchPhase::Cancelled:
        touch_.reset();
        break;
    case UITouchPhase::Stationary:
        break;
    }
}

} // namespace mw
