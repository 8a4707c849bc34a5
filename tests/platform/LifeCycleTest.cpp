#include <SDL.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "platform/LifeCycle.h"
#include "tests/support/RecordingApplicationDelegate.h"

namespace mw {
namespace {

class RecordingApp : public test::RecordingApplicationDelegate {
public:
    void applicationDidFinishLaunching() override { calls.push_back("launched"); }
};

SDL_Event windowEvent(SDL_WindowEventID id)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = id;
    return event;
}

SDL_Event plainEvent(Uint32 type)
{
    SDL_Event event{};
    event.type = type;
    return event;
}

using Calls = std::vector<std::string>;

TEST(LifeCycle, MapsWindowEventsInThePhonesOrder)
{
    struct Case { const char* name; std::vector<SDL_Event> events; Calls expected; };
    const Case cases[] = {
        {"focus lost and regained", {windowEvent(SDL_WINDOWEVENT_FOCUS_LOST), windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)},
         {"resign", "active"}},
        {"minimise then restore then focus",
         {windowEvent(SDL_WINDOWEVENT_FOCUS_LOST), windowEvent(SDL_WINDOWEVENT_MINIMIZED),
          windowEvent(SDL_WINDOWEVENT_RESTORED), windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)},
         {"resign", "background", "foreground", "active"}},
        {"minimise without focus loss first", {windowEvent(SDL_WINDOWEVENT_MINIMIZED)}, {"resign", "background"}},
        {"focus comes back before restore",
         {windowEvent(SDL_WINDOWEVENT_MINIMIZED), windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED),
          windowEvent(SDL_WINDOWEVENT_RESTORED)},
         {"resign", "background", "foreground", "active"}},
        {"repeated events count once",
         {windowEvent(SDL_WINDOWEVENT_HIDDEN), windowEvent(SDL_WINDOWEVENT_MINIMIZED),
          windowEvent(SDL_WINDOWEVENT_SHOWN), windowEvent(SDL_WINDOWEVENT_RESTORED)},
         {"resign", "background", "foreground"}},
        {"quit while active", {plainEvent(SDL_QUIT)}, {"resign", "background", "terminate"}},
        {"quit while in the background",
         {windowEvent(SDL_WINDOWEVENT_MINIMIZED), plainEvent(SDL_QUIT)}, {"resign", "background", "terminate"}},
        {"nothing after terminate",
         {plainEvent(SDL_QUIT), windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), plainEvent(SDL_QUIT),
          plainEvent(SDL_APP_LOWMEMORY)},
         {"resign", "background", "terminate"}},
        {"low memory", {plainEvent(SDL_APP_LOWMEMORY)}, {"memory"}},
    };
    for (const Case& c : cases) {
        RecordingApp app;
        LifeCycle lifeCycle;
        lifeCycle.setDelegate(&app);
        lifeCycle.launch();
        app.calls.clear();
        for (const SDL_Event& event : c.events) lifeCycle.handleEvent(event);
        EXPECT_EQ(app.calls, c.expected) << c.name;
    }
}

// Parts that follow the life-cycle on their own get notices, each right after
// the delegate heard the same event.
TEST(LifeCycle, PostsEachNoticeAfterTheDelegatesCall)
{
    RecordingApp app;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    std::vector<NotificationCenter::ObserverId> observers;
    const std::pair<const char*, const char*> notices[] = {
        {UIApplicationWillResignActiveNotification, "resign notice"},
        {UIApplicationDidBecomeActiveNotification, "active notice"},
        {UIApplicationDidEnterBackgroundNotification, "background notice"},
        {UIApplicationWillEnterForegroundNotification, "foreground notice"},
        {UIApplicationSignificantTimeChangeNotification, "time notice"},
        {UIApplicationWillTerminateNotification, "terminate notice"},
    };
    for (const auto& [name, label] : notices) {
        observers.push_back(center.addObserver(nullptr, name, nullptr,
                                               [&app, label = std::string(label)](const Notification&) {
                                                   app.calls.push_back(label);
                                               }));
    }
    LifeCycle lifeCycle;
    lifeCycle.setDelegate(&app);
    lifeCycle.launch();
    lifeCycle.handleEvent(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    lifeCycle.handleEvent(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    lifeCycle.handleEvent(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
    lifeCycle.handleEvent(windowEvent(SDL_WINDOWEVENT_RESTORED));
    lifeCycle.checkClock(1'700'000'000, 100);
    lifeCycle.checkClock(1'700'007'200, 101);
    lifeCycle.handleEvent(plainEvent(SDL_QUIT));
    for (NotificationCenter::ObserverId id : observers) center.removeObserver(id);
    EXPECT_EQ(app.calls, (Calls{"launched", "active", "active notice", "resign", "resign notice", "active",
                                "active notice", "resign", "resign notice", "background", "background notice",
                                "foreground", "foreground notice", "time", "time notice", "background",
                                "background notice", "terminate", "terminate notice"}));
}

TEST(LifeCycle, LaunchesOnceAndIgnoresEventsBeforeLaunch)
{
    RecordingApp app;
    LifeCycle lifeCycle;
    lifeCycle.setDelegate(&app);
    EXPECT_TRUE(lifeCycle.handleEvent(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)));
    EXPECT_TRUE(app.calls.empty());
    lifeCycle.launch();
    lifeCycle.launch();
    EXPECT_EQ(app.calls, (Calls{"launched", "active"}));
    EXPECT_TRUE(lifeCycle.isActive());
    EXPECT_FALSE(lifeCycle.handleEvent(windowEvent(SDL_WINDOWEVENT_MOVED)));
}

TEST(LifeCycle, ClockJumpsAndNewDaysAreSignificant)
{
    RecordingApp app;
    LifeCycle lifeCycle;
    lifeCycle.setDelegate(&app);
    lifeCycle.launch();
    app.calls.clear();
    const double noon = 1'700'000'000; // some afternoon
    lifeCycle.checkClock(noon, 100);        // baseline
    lifeCycle.checkClock(noon + 30, 130);   // normal progress
    lifeCycle.checkClock(noon + 35, 130.5); // drift below a minute
    EXPECT_TRUE(app.calls.empty());
    lifeCycle.checkClock(noon + 7200, 131); // the wall clock jumped two hours
    EXPECT_EQ(app.calls, (Calls{"time"}));
    lifeCycle.checkClock(noon + 7201, 132);
    EXPECT_EQ(app.calls.size(), 1u) << "the new offset is the baseline";
    lifeCycle.checkClock(noon + 7201 + 86400, 86400 + 132); // a day later, steadily
    EXPECT_EQ(app.calls.size(), 2u) << "a new day";
}

} // namespace
} // namespace mw
