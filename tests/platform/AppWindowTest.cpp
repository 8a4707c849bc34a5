#include <SDL.h>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/AlertView.h"
#include "platform/AppWindow.h"
#include "platform/TestPattern.h"
#include "tests/support/GLTestContext.h"

namespace mw {
namespace {

class RecordingApp : public ApplicationDelegate {
public:
    void applicationWillResignActive() override { calls.push_back("resign"); }
    void applicationDidEnterBackground() override { calls.push_back("background"); }
    void applicationWillTerminate() override { calls.push_back("terminate"); }
    std::vector<std::string> calls;
};

class CountingTouches : public TouchDelegate {
public:
    void touches(const UITouchSet&, const UIEvent&, UITouchPhase phase) override
    {
        if (phase == UITouchPhase::Began) ++began;
        if (phase == UITouchPhase::Cancelled) ++cancelled;
    }
    int began = 0, cancelled = 0;
};

// Needs a window system (run under xvfb-run to exercise it); skipped without.
TEST(AppWindow, OpensDrawsAndQuitsOnEscape)
{
    if (!AppWindow::hasDisplay()) GTEST_SKIP() << "no display";
    const DeviceProfile& profile = *DeviceProfile::named("phone-hd");
    std::unique_ptr<AppWindow> window = AppWindow::open(profile, {GLColorFormat::RGB565, 16});
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->context().hasWindow());
    EXPECT_EQ(window->context().pixelSize(), profile.pixelSize());

    TestPattern pattern;
    pattern.draw(window->context().pixelSize(), profile.pointSize, 0);
    window->context().swapBuffers();
    // Presenting leaves the offscreen frame intact for read-back.
    const std::vector<uint8_t> frame = window->context().readPixels();
    ASSERT_EQ(frame.size(), 640u * 960u * 4u);
    EXPECT_GT(frame[0], 150) << "top-left is the first (light grey) colour bar";

    RecordingApp app;
    CountingTouches touches;
    window->lifeCycle().setDelegate(&app);
    window->touches().setDelegate(&touches);
    window->lifeCycle().launch();
    int width = 0, height = 0;
    SDL_GetWindowSize(SDL_GL_GetCurrentWindow(), &width, &height);
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.button = SDL_BUTTON_LEFT;
    press.button.x = width / 2;
    press.button.y = height / 2;
    window->handleEvent(press);
    EXPECT_EQ(touches.began, 1);

    SDL_Event escape{};
    escape.type = SDL_KEYDOWN;
    escape.key.keysym.sym = SDLK_ESCAPE;
    window->handleEvent(escape);
    EXPECT_TRUE(window->hasQuit());
    EXPECT_FALSE(window->pollEvents());
    EXPECT_EQ(touches.cancelled, 1) << "the held button is cancelled on quit";
    EXPECT_EQ(app.calls, (std::vector<std::string>{"resign", "background", "terminate"}));
}

// A window opened after another was closed in the same process draws as
// the first did, and hears nothing that was left queued for the first.
TEST(AppWindow, OpensAgainAfterOneClosed)
{
    if (!AppWindow::hasDisplay()) GTEST_SKIP() << "no display";
    const DeviceProfile& profile = *DeviceProfile::named("phone");
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::unique_ptr<AppWindow> window = AppWindow::open(profile, {GLColorFormat::RGB565, 16});
        ASSERT_TRUE(window);
        EXPECT_TRUE(window->pollEvents()) << "nothing of the window before";
        TestPattern pattern;
        pattern.draw(window->context().pixelSize(), profile.pointSize, 0);
        window->context().swapBuffers();
        const std::vector<uint8_t> frame = window->context().readPixels();
        ASSERT_EQ(frame.size(), 320u * 480u * 4u);
        EXPECT_GT(frame[0], 150) << "top-left is the first (light grey) colour bar";
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        ASSERT_EQ(SDL_PushEvent(&quit), 1); // left unread when the window goes
    }
}

class Answer : public AlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override
    {
        answered = alert.text + " " + std::to_string(index);
    }
    std::string answered;
};

TEST(AppWindow, TypingGoesToTheFrontAlertAndReturnPressesItsLastButton)
{
    if (!AppWindow::hasDisplay()) GTEST_SKIP() << "no display";
    std::unique_ptr<AppWindow> window = AppWindow::open(*DeviceProfile::named("phone"), {GLColorFormat::RGB565, 16});
    ASSERT_TRUE(window);
    Answer answer;
    auto alert = makeRef<AlertView>("Name", "", &answer, std::vector<std::string>{"Cancel", "OK"});
    alert->hasTextField = true;
    alert->show();
    auto key = [&](SDL_Keycode code) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = code;
        window->handleEvent(event);
    };
    for (const char* typed : {"Gr", "ód", "🐔"}) {
        SDL_Event text{};
        text.type = SDL_TEXTINPUT;
        std::strncpy(text.text.text, typed, sizeof text.text.text - 1);
        window->handleEvent(text);
    }
    EXPECT_EQ(alert->text, "Gród🐔");
    key(SDLK_BACKSPACE);
    key(SDLK_RETURN);
    EXPECT_EQ(answer.answered, "Gród 1");
    EXPECT_FALSE(window->hasQuit());
}

// The test pattern through the headless context: bars on top, the cross-hair
// under the touch.
class TestPatternTest : public test::GLRenderTest {
protected:
    TestPatternTest() : GLRenderTest(320, 480) {}
};

TEST_F(TestPatternTest, BarsOnTopAndCrossHairUnderTheTouch)
{
    TestPattern pattern;
    Ref<UITouch> touch = makeRef<UITouch>(CGPoint(250, 400), 0.0);
    pattern.touches({touch}, UIEvent{{touch}, 0}, UITouchPhase::Began);
    pattern.draw({320, 480}, CGSize(320, 480), 0);
    // readPixel counts from the bottom: y = 479 is the top row.
    EXPECT_TRUE(test::nearColor(gl().readPixel(5, 475), {192, 192, 192, 255}, 4)) << gl().readPixel(5, 475);
    EXPECT_TRUE(test::nearColor(gl().readPixel(315, 475), {0, 0, 192, 255}, 4)) << gl().readPixel(315, 475);
    EXPECT_TRUE(test::nearColor(gl().readPixel(250, 480 - 400), {255, 255, 255, 255}, 4));

    touch->setPhase(UITouchPhase::Ended); // as the touch source delivers it
    pattern.touches({touch}, UIEvent{{touch}, 0}, UITouchPhase::Ended);
    pattern.draw({320, 480}, CGSize(320, 480), 0);
    EXPECT_FALSE(test::nearColor(gl().readPixel(250, 480 - 400), {255, 255, 255, 255}, 4));
}

} // namespace
} // namespace mw
