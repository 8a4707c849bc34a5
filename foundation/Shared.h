#pragma once

#include <atomic>
#include <concepts>
#include <memory>
#include <mutex>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "foundation/Log.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

namespace shared_detail {
inline std::atomic<bool> programEnding {false};
} // namespace shared_detail

// The program's end has begun: its teardown ends the shared instances in
// their order, so from here on nothing may make one. A get() that still has
// to (a destructor, or a late caller, reaching an instance the teardown has
// ended) makes it as before but logs one line naming the class, which the
// tests of the program's end look for. Set once, by the program's end.
inline void beginProgramEnd() { shared_detail::programEnding.store(true, std::memory_order_release); }
inline bool isProgramEnding() { return shared_detail::programEnding.load(std::memory_order_acquire); }

// What holds a shared instance: a Ref for reference-counted classes (code that
// retained the instance keeps it alive across a purge), a unique_ptr otherwise.
template <typename T>
using SharedHolder = std::conditional_t<std::is_base_of_v<Object, T>, Ref<T>, std::unique_ptr<T>>;

// The one instance of T that the program reaches through T's sharedX(); every
// shared instance uses this, so they are all made, dropped and swapped alike.
//
// get() makes the instance on first use. purge() drops it, and the next get()
// makes a fresh one. replace() installs one made elsewhere (a test double, a
// subclass chosen at run time, as the director's kind) and hands back the one
// it replaced. All of them are safe from any thread. The pointer get()
// answers stays valid until the instance is purged or replaced; a thread that
// may outlive that holds a Ref.
//
// The instance is made under the slot's lock, so its constructor may reach
// other shared instances but not its own. An instance being dropped is
// released after the lock is let go. A destructor never makes a shared
// instance: it reaches the ones it needs through current() and does without
// when there is none (its own slot is already empty while it runs).
//
// Nothing is released at process exit: the slots outlive every static
// destructor, so a late caller never finds a destroyed lock or instance.
// Orderly teardown is the program's end (the director's end for the engine's
// instances; in tests, test::resetSharedInstances).
template <typename T>
class Shared {
public:
    using Holder = SharedHolder<T>;

    // The instance, made with T's default constructor when there is none (or
    // with T::makeShared() where T has one; that may answer null).
    static T* get()
    {
        if (T* instance = current()) return instance;
        return makeIfNone();
    }

    // The instance, or null when none was made since the last purge.
    static T* current() { return slot().instance.load(std::memory_order_acquire); }

    // Drops the instance; the next get() makes a fresh one.
    static void purge() { (void)replace(nullptr); }

    // Installs `instance` (null for none) and answers the one it replaces.
    [[nodiscard]] static Holder replace(Holder instance)
    {
        Slot& s = slot();
        std::lock_guard guard(s.lock);
        s.instance.store(instance.get(), std::memory_order_release);
        std::swap(s.holder, instance);
        return instance;
    }

private:
    struct Slot {
        std::mutex lock;
        Holder holder;
        // The holder's pointer, readable without the lock.
        std::atomic<T*> instance{nullptr};
    };

    static Slot& slot()
    {
        static Slot* const slot = new Slot();
        return *slot;
    }

    static Holder makeDefault()
    {
        if constexpr (requires { { T::makeShared() } -> std::convertible_to<Holder>; }) {
            // A class whose making can fail: null leaves the slot empty, and
            // the next get() tries again.
            return T::makeShared();
        } else if constexpr (std::is_base_of_v<Object, T>) {
            return makeRef<T>();
        } else {
            return std::make_unique<T>();
        }
    }

    static T* makeIfNone()
    {
        Slot& s = slot();
        std::lock_guard guard(s.lock);
        if (!s.holder) {
            if (isProgramEnding()) logLine("shared instance made after the program's end began: %s", typeid(T).name());
            s.holder = makeDefault();
            s.instance.store(s.holder.get(), std::memory_order_release);
        }
        return s.holder.get();
    }
};

} // namespace mw
