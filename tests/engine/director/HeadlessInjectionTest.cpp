#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/nodes/CCScene.h"
#include "platform/AlertView.h"
#include "platform/Application.h"
#include "platform/ApplicationDelegate.h"
#include "platform/UIViewController.h"
#include "tests/engine/director/DirectorTestSupport.h"
#include "tests/support/RecordingApplicationDelegate.h"

namespace mw::test {
namespace {

class RecordingApp : public RecordingApplicationDelegate, public UIViewController, public AlertViewDelegate {
public:
    bool shouldAutorotateToInterfaceOrientation(int o) override { return o == 1 || o == 2; }
    void willRotateToInterfaceOrientation(int o, double) override { calls.push_back("rotate " + std::to_string(o)); }
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override
    {
        calls.push_back("alert " + std::to_string(index) + " " + alert.text);
    }
};

using HeadlessInjectionTest = DirectorTest;

TEST_F(HeadlessInjectionTest, DriverDeliversLifeCycleTimeJumpsRotationsAndAlertInput)
{
    RecordingApp app;
    Application::sharedApplication().setRootViewController(&app);
    driver().lifeCycle().setDelegate(&app);
    auto scene = CCScene::node();
    director().runWithScene(scene);
    driver().lifeCycle().launch();
    driver().runFrames(3);
    driver().lifeCycle().focusLost();
    driver().lifeCycle().focusGained();
    driver().lifeCycle().memoryWarning();
    driver().clock().setWall(driver().clock().wallSeconds() + 3600); // as after a suspend
    driver().runFrames(1);
    EXPECT_FALSE(driver().rotateTo(3));
    EXPECT_TRUE(driver().rotateTo(2));
    auto alert = makeRef<AlertView>("Name", "", &app, std::vector<std::string>{"Cancel", "OK"});
    alert->hasTextField = true;
    EXPECT_FALSE(driver().typeText("x"));
    alert->show();
    EXPECT_TRUE(driver().typeText("Łódź"));
    EXPECT_TRUE(driver().pressBackspace());
    EXPECT_TRUE(driver().pressAlertButton(1));
    driver().lifeCycle().quit();
    EXPECT_EQ(app.calls, (std::vector<std::string>{"active", "resign", "active", "memory", "time", "rotate 2",
                                                   "alert 1 Łód", "resign", "background", "terminate"}));
}

} // namespace
} // namespace mw::test
