#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "foundation/Ref.h"

namespace mw {
namespace {

// An observer that writes what it receives into a shared journal.
class Listener : public Object {
public:
    Listener(std::vector<std::string>& journal, std::string tag) : journal_(journal), tag_(std::move(tag)) {}
    void onNotification(Object* sent)
    {
        auto* n = static_cast<Notification*>(sent);
        journal_.push_back(tag_ + ":" + n->name());
    }

private:
    std::vector<std::string>& journal_;
    std::string tag_;
};

class NotificationCenterTest : public ::testing::Test {
protected:
    Ref<Listener> listener(const std::string& tag) { return makeRef<Listener>(journal_, tag); }
    void record(Object* observer, const std::string& tag, const std::string& name, Object* object = nullptr)
    {
        center_.addObserver(observer, name, object,
                            [this, tag](const Notification& n) { journal_.push_back(tag + ":" + n.name()); });
    }

    NotificationCenter center_;
    std::vector<std::string> journal_;
};

TEST_F(NotificationCenterTest, ObserversAreFilteredByNameAndObject)
{
    Ref<Object> board = makeRef<Object>();
    Ref<Object> other = makeRef<Object>();
    Ref<Listener> a = listener("a");
    center_.addObserver(a, callO_selector(Listener::onNotification), "Tick", nullptr);
    record(a, "b", "Tick", board);
    record(a, "c", "", board);
    record(a, "d", "", nullptr);

    struct Post {
        const char* name;
        Object* object;
        std::vector<std::string> expected;
    };
    const Post posts[] = {
        {"Tick", board, {"a:Tick", "b:Tick", "c:Tick", "d:Tick"}},
        {"Tick", other, {"a:Tick", "d:Tick"}},
        {"Tick", nullptr, {"a:Tick", "d:Tick"}},
        {"Tock", board, {"c:Tock", "d:Tock"}},
        {"Tock", nullptr, {"d:Tock"}},
    };
    for (const Post& p : posts) {
        journal_.clear();
        center_.postNotification(p.name, p.object);
        EXPECT_EQ(p.expected, journal_) << p.name;
    }
}

TEST_F(NotificationCenterTest, DeliveryCarriesObjectAndUserInfo)
{
    Ref<Object> sender = makeRef<Object>();
    int received = 0;
    Object* seenObject = nullptr;
    center_.addObserver(nullptr, "Gold", nullptr, [&](const Notification& n) {
        received = std::any_cast<int>(n.userInfo());
        seenObject = n.object();
    });
    center_.postNotification("Gold", sender, 250);
    EXPECT_EQ(250, received);
    EXPECT_EQ(sender.get(), seenObject);
}

TEST_F(NotificationCenterTest, RemovalDuringDeliveryStopsLaterCalls)
{
    Ref<Object> first = makeRef<Object>();
    Ref<Object> second = makeRef<Object>();
    Ref<Object> third = makeRef<Object>();
    // first removes second, and itself; third adds a newcomer.
    center_.addObserver(first, "Go", nullptr, [&](const Notification&) {
        journal_.push_back("first");
        center_.removeObserver(second);
        center_.removeObserver(first);
    });
    record(second, "second", "Go");
    center_.addObserver(third, "Go", nullptr, [&](const Notification&) {
        journal_.push_back("third");
        record(third, "newcomer", "Go");
    });

    center_.postNotification("Go");
    EXPECT_EQ((std::vector<std::string>{"first", "third"}), journal_);

    journal_.clear();
    center_.postNotification("Go");
    EXPECT_EQ((std::vector<std::string>{"third", "newcomer:Go"}), journal_);
}

TEST_F(NotificationCenterTest, RemovalByNameObjectAndId)
{
    Ref<Object> observer = makeRef<Object>();
    Ref<Object> board = makeRef<Object>();
    record(observer, "tick-board", "Tick", board);
    record(observer, "tick-any", "Tick");
    record(observer, "tock", "Tock");
    auto byId = [&](const Notification&) { journal_.push_back("by-id"); };
    auto id = center_.addObserver(nullptr, "Tock", nullptr, byId);

    center_.removeObserver(observer, "Tick", board);
    center_.postNotification("Tick", board);
    EXPECT_EQ((std::vector<std::string>{"tick-any:Tick"}), journal_);

    center_.removeObserver(id);
    center_.removeObserver(observer, "", nullptr);
    EXPECT_EQ(0u, center_.observerCount());
    center_.removeObserver(nullptr); // harmless
}

TEST_F(NotificationCenterTest, AnObserverMayKeepTheNotification)
{
    Ref<Notification> kept;
    auto keep = [&](const Notification& n) { kept = const_cast<Notification*>(&n); };
    center_.addObserver(nullptr, "Keep", nullptr, keep);
    center_.postNotification("Keep", nullptr, std::string("payload"));
    ASSERT_TRUE(kept);
    EXPECT_EQ("payload", std::any_cast<std::string>(kept->userInfo()));
}

TEST_F(NotificationCenterTest, RegistrationFromManyThreadsWhilePosting)
{
    std::atomic<int> calls{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                auto count = [&](const Notification&) { ++calls; };
                auto id = center_.addObserver(nullptr, "Ping", nullptr, count);
                center_.postNotification("Ping");
                center_.removeObserver(id);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_GE(calls.load(), 800);
    EXPECT_EQ(0u, center_.observerCount());
}

} // namespace
} // namespace mw
