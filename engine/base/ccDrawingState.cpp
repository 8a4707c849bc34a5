#include "engine/base/ccDrawingState.h"

#include <GLES/gl.h>

namespace mw {

void ccSet2DProjection(float width, float height, float depthScale)
{
    glViewport(0, 0, GLsizei(width), GLsizei(height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, width, 0, height, -1024 * depthScale, 1024 * depthScale);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ccSetAlphaBlending(bool on)
{
    if (on) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
}

void ccBeginNodeDrawing()
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
}

void ccEndNodeDrawing()
{
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void ccSetNodeDrawingState(float width, float height)
{
    ccSet2DProjection(width, height);
    ccSetAlphaBlending(true);
    ccBeginNodeDrawing();
}

} // namespace mw
