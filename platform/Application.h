#pragma once

#include <functional>

#include "platform/LocalNotifications.h"

namespace mw {

class ApplicationDelegate;
class UIViewController;

// The application object: the icon badge, the delegate that hears the
// life-cycle and received notifications, the key window's root view
// controller and the interface orientation. A desktop has no icon: the
// window shows the badge in its title. Main thread.
class Application {
public:
    static Application& sharedApplication();

    // Not owned; may be null.
    void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }
    ApplicationDelegate* delegate() const { return delegate_; }

    int applicationIconBadgeNumber() const { return badge_; }
    // Tells the badge listener when the number changes.
    void setApplicationIconBadgeNumber(int number);
    // The window's way of showing the badge; null for none.
    void setBadgeListener(std::function<void(int badge)> listener) { badgeListener_ = std::move(listener); }

    // The key window's root view controller (not owned; may be null).
    void setRootViewController(UIViewController* controller) { rootViewController_ = controller; }
    UIViewController* rootViewController() const { return rootViewController_; }

    // The device turned: the root view controller is asked, and when it
    // allows the orientation it hears will-rotate with the duration, the
    // orientation changes, then did-rotate with the previous one. Answers
    // whether the interface turned (false without a controller or for the
    // current orientation).
    bool rotateTo(int orientation, double durationSeconds = 0.3);
    int interfaceOrientation() const { return orientation_; }
    // The status bar follows the interface (1 to 4, as the phone numbers them).
    int statusBarOrientation() const { return orientation_; }
    void setStatusBarOrientation(int orientation) { orientation_ = orientation; }

    // A local notification reached the running application: the delegate hears it.
    void receiveLocalNotification(const LocalNotification& notification);

    // Back to the state at start (tests).
    void reset();

private:
    ApplicationDelegate* delegate_ = nullptr;
    UIViewController* rootViewController_ = nullptr;
    std::function<void(int)> badgeListener_;
    int badge_ = 0;
    int orientation_ = 1;
};

} // namespace mw
