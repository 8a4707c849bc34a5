#pragma once

#include <atomic>
#include <cstdint>

namespace mw {

// Base of every reference-counted class.
//
// An object is born with a count of 0: the first Ref that takes it raises the
// count to 1, and the object is deleted when the last Ref lets go. Raw pointers
// never own. Caches that drop "unused" entries compare retainCount() with 1,
// so nothing may keep a stray Ref to a cached object across a purge.
class Object {
public:
    Object() = default;
    Object(const Object&) : count_(0) {}
    Object& operator=(const Object&) { return *this; }
    virtual ~Object() = default;

    void retain() const { count_.fetch_add(1, std::memory_order_relaxed); }

    // Deletes the object when the count drops to 0.
    void release() const
    {
        if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            delete this;
        }
    }

    int32_t retainCount() const { return count_.load(std::memory_order_relaxed); }

private:
    mutable std::atomic<int32_t> count_{0};
};

} // namespace mw
