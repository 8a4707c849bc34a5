#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <memory>
#include <thread>
#include <type_traits>
#include <vector>

#include "foundation/Shared.h"

namespace mw {
namespace {

// Each test uses its own Tag, so each has a slot of its own and counts of its own.
template <int Tag>
class Counted : public Object {
public:
    Counted() { ++made; }
    ~Counted() override { ++destroyed; }

    static inline std::atomic<int> made{0};
    static inline std::atomic<int> destroyed{0};
};

template <int Tag>
class Special : public Counted<Tag> {};

TEST(SharedTest, GetMakesOneInstanceAndAPurgeLetsTheNextGetMakeAFreshOne)
{
    using T = Counted<1>;
    T* first = Shared<T>::get();
    EXPECT_EQ(Shared<T>::get(), first);
    EXPECT_EQ(Shared<T>::current(), first);
    EXPECT_EQ(T::made, 1);

    Ref<T> held(first);
    Shared<T>::purge();
    EXPECT_EQ(Shared<T>::current(), nullptr) << "a purge does not make one";
    EXPECT_EQ(T::destroyed, 0) << "whoever retained the purged instance keeps it";
    T* second = Shared<T>::get();
    EXPECT_NE(second, first);
    EXPECT_EQ(T::made, 2);
    held = nullptr;
    EXPECT_EQ(T::destroyed, 1);

    Shared<T>::purge();
    EXPECT_EQ(T::destroyed, 2) << "the slot held the only reference";
}

TEST(SharedTest, ReplaceInstallsAnInstanceAndHandsBackTheOneItReplaced)
{
    using T = Counted<2>;
    T* made = Shared<T>::get();
    auto special = makeRef<Special<2>>();
    Ref<T> previous = Shared<T>::replace(special);
    EXPECT_EQ(previous.get(), made);
    EXPECT_EQ(Shared<T>::get(), special.get());

    Ref<T> installed = Shared<T>::replace(nullptr);
    EXPECT_EQ(installed.get(), special.get());
    EXPECT_EQ(Shared<T>::current(), nullptr);
    EXPECT_EQ(T::made, 2) << "no instance beyond the two";
}

struct Plain {
    static inline int alive = 0;
    Plain() { ++alive; }
    ~Plain() { --alive; }
};

TEST(SharedTest, AClassThatIsNotReferenceCountedIsOwnedByItsSlot)
{
    static_assert(std::is_same_v<Shared<Plain>::Holder, std::unique_ptr<Plain>>);
    static_assert(std::is_same_v<Shared<Counted<3>>::Holder, Ref<Counted<3>>>);
    Plain* first = Shared<Plain>::get();
    EXPECT_EQ(Shared<Plain>::get(), first);
    std::unique_ptr<Plain> previous = Shared<Plain>::replace(std::make_unique<Plain>());
    EXPECT_EQ(previous.get(), first);
    EXPECT_EQ(Plain::alive, 2);
    previous.reset();
    Shared<Plain>::purge();
    EXPECT_EQ(Plain::alive, 0);
}

// An instance whose destructor reaches its own shared slot, as a purged
// manager's teardown may reach the manager again.
class ReachesItself : public Object {
public:
    ~ReachesItself() override
    {
        if (reachOnDestroy) reached = Shared<ReachesItself>::get();
    }
    static inline bool reachOnDestroy = false;
    static inline ReachesItself* reached = nullptr;
};

TEST(SharedTest, APurgedInstanceMayReachItsOwnSlotWhileItIsDestroyed)
{
    (void)Shared<ReachesItself>::get();
    ReachesItself::reachOnDestroy = true;
    Shared<ReachesItself>::purge();  // would deadlock if released under the slot's lock
    ReachesItself::reachOnDestroy = false;
    ASSERT_NE(ReachesItself::reached, nullptr);
    EXPECT_EQ(Shared<ReachesItself>::current(), ReachesItself::reached) << "it found a fresh one";
    Shared<ReachesItself>::purge();
}

// Slow to make, so that threads arriving together all find the slot empty.
class SlowToMake : public Object {
public:
    SlowToMake()
    {
        ++made;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    static inline std::atomic<int> made{0};
};

TEST(SharedTest, ThreadsArrivingTogetherShareTheOneInstanceMade)
{
    constexpr int kThreads = 8;
    std::latch start(kThreads);
    std::vector<SlowToMake*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            seen[i] = Shared<SlowToMake>::get();
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(SlowToMake::made, 1);
    for (SlowToMake* instance : seen) EXPECT_EQ(instance, seen[0]);
    Shared<SlowToMake>::purge();
}

} // namespace
} // namespace mw
