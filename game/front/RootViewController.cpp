#include "game/front/RootViewController.h"

#include "engine/director/CCDirectorIOS.h"
#include "engine/director/EAGLView.h"
#include "social/session/LumoraSlimlineSession.h"

namespace mw {

bool RootViewController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    return orientation == 1 || orientation == 2;
}

void RootViewController::willRotateToInterfaceOrientation(int orientation, double durationSeconds)
{
    // The view takes the screen's bounds, in pixels where the screen has more
    // than one per point (origin untouched).
    if (auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::currentDirector())) {
        if (EAGLView* view = director->openGLView()) {
            CGRect frame{CGPointZero, director->winSize()};
            const float scale = director->contentScaleFactor();
            if (scale != 1) {
                frame.size.width *= scale;
                frame.size.height *= scale;
            }
            view->setFrame(frame);
        }
    }
    newOrientation = orientation;
    RotateDuration = static_cast<float>(durationSeconds);
    LumoraSlimlineSession::willRotateToInterfaceOrientation(orientation, durationSeconds);
}

void RootViewController::didRotateFromInterfaceOrientation(int previousOrientation)
{
    LumoraSlimlineSession::didRotateFromInterfaceOrientation(previousOrientation);
}

} // namespace mw
