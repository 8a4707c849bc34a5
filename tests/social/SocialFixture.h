#pragma once

// A scratch world for the social session's tests: an empty documents folder,
// a clock the test moves, and scripted device facts, reachability, cookies,
// location and address book. Every shared instance is reset before and after.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/RunLoop.h"
#include "platform/AddressBook.h"
#include "platform/DeviceFacts.h"
#include "platform/HTTPCookieStorage.h"
#include "platform/LocationService.h"
#include "platform/NetworkReachability.h"
#include "social/data/CCLumoraLog.h"
#include "social/session/LumoraSlimlineSession.h"
#include "tests/support/RecordingCookieStorage.h"
#include "tests/support/RecordingReachability.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw::test {

class ScriptedLocationService : public LocationService {
public:
    bool servicesEnabled() override { return enabled; }
    void start(double accuracyMeters, UpdateHandler handler) override
    {
        accuracy = accuracyMeters;
        handler_ = std::move(handler);
        running = true;
    }
    void stop() override { running = false; }
    // Hands a location to the running updates through the main loop.
    void deliver(Location location)
    {
        if (!running || !handler_) return;
        RunLoop::main().perform([handler = handler_, location] { handler(location); });
    }

    bool enabled = true;
    bool running = false;
    double accuracy = 0;

private:
    UpdateHandler handler_;
};

class ScriptedAddressBook : public AddressBook {
public:
    std::vector<Person> people() override { return book; }
    std::vector<Person> book;
};

inline constexpr const char* kAppId = "4817302956";
inline constexpr const char* kSecret = "zk4wq8nrt2vyhc6md0xfa3sj5gpb1e";
inline constexpr double kWallStart = 1'700'000'000;

class SocialFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSharedInstances();
        RunLoop::main().drain();
        EnablePublicAPILog(true);
        previousFacts_ = DeviceFacts::replaceSharedInstance(facts_);
        previousReachability_ = NetworkReachability::replaceSharedInstance(reachability_);
        previousCookies_ = HTTPCookieStorage::replaceSharedInstance(cookies_);
        previousLocation_ = LocationService::replaceSharedInstance(location_);
        previousBook_ = AddressBook::replaceSharedInstance(book_);
    }
    void TearDown() override
    {
        resetSharedInstances();
        RunLoop::main().drain();
        EnablePublicAPILog(true);
        DeviceFacts::replaceSharedInstance(previousFacts_);
        NetworkReachability::replaceSharedInstance(previousReachability_);
        HTTPCookieStorage::replaceSharedInstance(previousCookies_);
        LocationService::replaceSharedInstance(previousLocation_);
        AddressBook::replaceSharedInstance(previousBook_);
    }

    // The game's launch call with its id, version and theme (or others).
    void activate(const std::string& appId = kAppId, const std::string& theme = "mosswick_01")
    {
        LumoraSlimlineSession::initWithAppID(appId, nullptr, 1.0, theme, kSecret);
    }

    TempDir home_;
    ScopedEnv homeEnv_ {"MOSSWICK_HOME", home_.path()};
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(0, kWallStart);
    ScopedClockSource clockScope_ {clock_};
    std::shared_ptr<ScriptedDeviceFacts> facts_ = std::make_shared<ScriptedDeviceFacts>();
    std::shared_ptr<RecordingReachability> reachability_ = std::make_shared<RecordingReachability>();
    std::shared_ptr<RecordingCookieStorage> cookies_ = std::make_shared<RecordingCookieStorage>();
    std::shared_ptr<ScriptedLocationService> location_ = std::make_shared<ScriptedLocationService>();
    std::shared_ptr<ScriptedAddressBook> book_ = std::make_shared<ScriptedAddressBook>();

private:
    std::shared_ptr<DeviceFacts> previousFacts_;
    std::shared_ptr<NetworkReachability> previousReachability_;
    std::shared_ptr<HTTPCookieStorage> previousCookies_;
    std::shared_ptr<LocationService> previousLocation_;
    std::shared_ptr<AddressBook> previousBook_;
};

} // namespace mw::test
