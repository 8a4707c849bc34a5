#include "platform/Application.h"

#include "platform/ApplicationDelegate.h"
#include "platform/UIViewController.h"

namespace mw {

Application& Application::sharedApplication()
{
    static Application application;
    return application;
}

void Application::setApplicationIconBadgeNumber(int number)
{
    if (number == badge_) return;
    badge_ = number;
    if (badgeListener_) badgeListener_(number);
}

bool Application::rotateTo(int orientation, double durationSeconds)
{
    if (!rootViewController_ || orientation == orientation_) return false;
    if (!rootViewController_->shouldAutorotateToInterfaceOrientation(orientation)) return false;
    UIViewController* controller = rootViewController_;
    controller->willRotateToInterfaceOrientation(orientation, durationSeconds);
    int previous = orientation_;
    orientation_ = orientation;
    controller->didRotateFromInterfaceOrientation(previous);
    return true;
}

void Application::receiveLocalNotification(const LocalNotification& notification)
{
    if (delegate_) delegate_->applicationDidReceiveLocalNotification(notification);
}

void Application::reset()
{
    delegate_ = nullptr;
    rootViewController_ = nullptr;
    badgeListener_ = nullptr;
    badge_ = 0;
    orientation_ = 1;
}

} // namespace mw
