#pragma once

#include <mutex>
#include <utility>

#include "foundation/Ref.h"

namespace mw {

// The one shared instance of T, reached through T's sharedX() accessor.
//
// get() builds the instance with T's default constructor on first use;
// purge() drops it, so that the next get() builds a fresh one; replace()
// installs another (tests) and answers the previous. The slot is guarded by a
// lock of its own, but the instance is released outside it, so a destructor
// may reach get() of other shared instances.
template <typename T>
class Shared {
public:
    static T* get()
    {
        std::lock_guard<std::mutex> lock(mutex());
        Ref<T>& instance = slot();
        if (!instance) {
            instance = makeRef<T>();
        }
        return instance.get();
    }

    static void purge()
    {
        Ref<T> old;
        {
            std::lock_guard<std::mutex> lock(mutex());
            old = std::move(slot());
        }
    }

    static Ref<T> replace(Ref<T> instance)
    {
        std::lock_guard<std::mutex> lock(mutex());
        std::swap(slot(), instance);
        return instance;
    }

private:
    static Ref<T>& slot()
    {
        static Ref<T> instance;
        return instance;
    }
    static std::mutex& mutex()
    {
        static std::mutex lock;
        return lock;
    }
};

} // namespace mw
