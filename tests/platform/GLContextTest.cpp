#include <GLES/gl.h>

#include <gtest/gtest.h>

#include <memory>

#include "platform/GLExtensions.h"
#include "tests/support/GLTestContext.h"

namespace mw {
namespace {

using test::GLRenderTest;
using test::nearColor;
using test::RGBA;

class HeadlessGLTest : public GLRenderTest {
protected:
    HeadlessGLTest() : GLRenderTest(64, 32) {}

    // A quad in pixel coordinates (orthographic projection on the surface).
    void drawQuad(float x0, float y0, float x1, float y1, const GLfloat* texCoords = nullptr)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrthof(0, float(gl().width()), 0, float(gl().height()), -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat vertices[] = {x0, y0, x1, y0, x0, y1, x1, y1};
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, vertices);
        if (texCoords) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
        }
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
};

TEST_F(HeadlessGLTest, ReportsAnES1ContextWithoutWindow)
{
    EXPECT_FALSE(gl().context().hasWindow());
    EXPECT_EQ(gl().context().pixelSize(), (PixelSize{64, 32}));
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_NE(std::string(version).find("ES-CM 1.1"), std::string::npos) << version;
}

TEST_F(HeadlessGLTest, ColouredQuadCoversOnlyItsPixels)
{
    glColor4f(1, 0, 0, 1);
    drawQuad(8, 4, 24, 12);
    EXPECT_TRUE(nearColor(gl().readPixel(8, 4), {255, 0, 0, 255})) << gl().readPixel(8, 4);
    EXPECT_TRUE(nearColor(gl().readPixel(23, 11), {255, 0, 0, 255}));
    EXPECT_TRUE(nearColor(gl().readPixel(24, 12), {0, 0, 0, 0})) << "quad bleeds past its corner";
    EXPECT_TRUE(nearColor(gl().readPixel(7, 4), {0, 0, 0, 0}));
}

TEST_F(HeadlessGLTest, TexturedQuadSamplesEachTexel)
{
    // 2x2 texture: red, green / blue, white, drawn over a 32x32 block so each
    // texel covers 16x16 pixels; nearest filtering keeps the colours exact.
    const uint8_t texels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    const GLfloat texCoords[] = {0, 0, 1, 0, 0, 1, 1, 1};
    drawQuad(32, 0, 64, 32, texCoords);
    glDeleteTextures(1, &texture);

    // The first texel row (t = 0) is at the bottom of the quad.
    struct Case { int x, y; RGBA expected; };
    const Case cases[] = {
        {36, 4, {255, 0, 0, 255}},   {60, 4, {0, 255, 0, 255}},
        {36, 28, {0, 0, 255, 255}},  {60, 28, {255, 255, 255, 255}},
        {10, 10, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(nearColor(gl().readPixel(c.x, c.y), c.expected))
            << "at " << c.x << "," << c.y << ": " << gl().readPixel(c.x, c.y);
    }
}

TEST_F(HeadlessGLTest, ReadPixelsPutsTheTopRowFirst)
{
    glColor4f(0, 0, 1, 1);
    drawQuad(0, 0, 64, 1); // bottom row only
    const std::vector<uint8_t> rgba = gl().readRGBA();
    ASSERT_EQ(rgba.size(), 64u * 32u * 4u);
    const size_t lastRow = 31u * 64u * 4u;
    EXPECT_EQ(rgba[lastRow + 2], 255);
    EXPECT_EQ(rgba[2], 0);
}

TEST_F(HeadlessGLTest, ResizeRebuildsTheSurface)
{
    ASSERT_TRUE(gl().resize(20, 10));
    EXPECT_EQ(gl().width(), 20);
    EXPECT_EQ(gl().height(), 10);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(nearColor(gl().readPixel(19, 9), {0, 255, 0, 255}));
    EXPECT_EQ(gl().readRGBA().size(), 20u * 10u * 4u);
    // An impossible size fails and keeps the old surface.
    EXPECT_FALSE(gl().context().resize({1 << 20, 4}));
    EXPECT_EQ(gl().context().pixelSize(), (PixelSize{20, 10}));
}

TEST_F(HeadlessGLTest, SecondContextComesAndGoesWithoutDisturbingTheFirst)
{
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    {
        std::unique_ptr<GLContext> other = GLContext::createHeadless({8, 8}, {GLColorFormat::RGB565, 0});
        ASSERT_TRUE(other);
        EXPECT_EQ(other->pixelSize(), (PixelSize{8, 8}));
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        const std::vector<uint8_t> pixels = other->readPixels();
        ASSERT_EQ(pixels.size(), 8u * 8u * 4u);
        EXPECT_EQ(pixels[0], 255) << "565 red reads back as full red";
        EXPECT_EQ(pixels[2], 0);
        ASSERT_TRUE(gl().context().makeCurrent());
    } // destroyed while the first context is current
    EXPECT_TRUE(nearColor(gl().readPixel(1, 1), {0, 0, 255, 255})) << gl().readPixel(1, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(HeadlessGLTest, DepthBufferIsAttached)
{
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    // A nearer quad drawn first hides a farther one drawn later.
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 64, 0, 32, -1, 1);
    const GLfloat nearQuad[] = {0, 0, 0.5f, 64, 0, 0.5f, 0, 32, 0.5f, 64, 32, 0.5f};
    const GLfloat farQuad[] = {0, 0, -0.5f, 64, 0, -0.5f, 0, 32, -0.5f, 64, 32, -0.5f};
    glEnableClientState(GL_VERTEX_ARRAY);
    glColor4f(1, 0, 0, 1);
    glVertexPointer(3, GL_FLOAT, 0, nearQuad);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glColor4f(0, 1, 0, 1);
    glVertexPointer(3, GL_FLOAT, 0, farQuad);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_VERTEX_ARRAY);
    EXPECT_TRUE(nearColor(gl().readPixel(30, 15), {255, 0, 0, 255})) << gl().readPixel(30, 15);
}

TEST_F(HeadlessGLTest, ExtensionFunctionsAreLoaded)
{
    EXPECT_TRUE(gl::framebufferObjectsLoaded());
    struct Case { const char* extension; bool loaded; };
    const Case cases[] = {
        {"GL_OES_framebuffer_object", gl::GenFramebuffersOES && gl::BindFramebufferOES &&
                                          gl::FramebufferTexture2DOES && gl::GenerateMipmapOES &&
                                          gl::GetRenderbufferParameterivOES},
        {"GL_OES_draw_texture", gl::DrawTexfOES && gl::DrawTexiOES},
        {"GL_OES_mapbuffer", gl::MapBufferOES && gl::UnmapBufferOES},
    };
    for (const Case& c : cases) {
        if (glHasExtension(c.extension)) {
            EXPECT_TRUE(c.loaded) << c.extension;
        }
    }
    EXPECT_TRUE(glHasExtension("GL_OES_framebuffer_object"));
    EXPECT_FALSE(glHasExtension("GL_OES_framebuffer")) << "a prefix of a name is not a match";
    EXPECT_FALSE(glHasExtension(""));
}

TEST_F(HeadlessGLTest, TextureFramebufferRendersIntoTexture)
{
    // What render textures do: draw into a texture through a second
    // framebuffer, then show it on the surface.
    GLuint texture = 0, framebuffer = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 16, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl::GenFramebuffersOES(1, &framebuffer);
    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
    gl::FramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, texture, 0);
    ASSERT_EQ(gl::CheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GLenum(GL_FRAMEBUFFER_COMPLETE_OES));
    glViewport(0, 0, 16, 16);
    glClearColor(1, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, gl().context().framebuffer());
    glViewport(0, 0, gl().width(), gl().height());
    glEnable(GL_TEXTURE_2D);
    const GLfloat texCoords[] = {0, 0, 1, 0, 0, 1, 1, 1};
    drawQuad(0, 0, 16, 16, texCoords);
    gl::DeleteFramebuffersOES(1, &framebuffer);
    glDeleteTextures(1, &texture);
    EXPECT_TRUE(nearColor(gl().readPixel(8, 8), {255, 255, 0, 255})) << gl().readPixel(8, 8);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
} // namespace mw
