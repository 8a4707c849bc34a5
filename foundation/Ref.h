#pragma once

#include <cstddef>
#include <functional>
#include <utility>

#include "foundation/Object.h"

namespace mw {

// Owning smart pointer over an Object: copying retains, destruction releases.
// Ref<T>(raw) retains the raw pointer, so a fresh object (count 0) handed to a
// Ref is owned by it alone. Dropping a returned Ref is almost always a slip
// (an object made for nothing, a loader's null unseen), hence [[nodiscard]];
// where it is meant, say so with a cast to void.
template <typename T>
class [[nodiscard]] Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    Ref(T* raw) : ptr_(raw) { if (ptr_) ptr_->retain(); }
    Ref(const Ref& other) : Ref(other.ptr_) {}
    Ref(Ref&& other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
    template <typename U>
    Ref(const Ref<U>& other) : Ref(static_cast<T*>(other.get())) {}
    template <typename U>
    Ref(Ref<U>&& other) noexcept : ptr_(static_cast<T*>(other.detach())) {}
    ~Ref() { if (ptr_) ptr_->release(); }

    Ref& operator=(const Ref& other) { reset(other.ptr_); return *this; }
    Ref& operator=(Ref&& other) noexcept
    {
        if (this != &other) {
            T* old = ptr_;
            ptr_ = other.ptr_;
            other.ptr_ = nullptr;
            if (old) old->release();
        }
        return *this;
    }
    Ref& operator=(T* raw) { reset(raw); return *this; }
    Ref& operator=(std::nullptr_t) { reset(nullptr); return *this; }

    // Retains the new pointer before releasing the old one, so assigning an
    // object to the Ref that already holds it is safe.
    void reset(T* raw = nullptr)
    {
        if (raw) raw->retain();
        T* old = ptr_;
        ptr_ = raw;
        if (old) old->release();
    }

    // Gives up ownership without releasing; the caller takes over the count.
    T* detach() { T* p = ptr_; ptr_ = nullptr; return p; }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // Only a Ref that outlives the expression hands out its pointer: a
    // temporary (a convenience constructor's result) would release the object
    // at the end of the statement and leave the raw pointer dangling.
    operator T*() const& { return ptr_; }
    operator T*() const&& = delete;

private:
    T* ptr_ = nullptr;
};

// Comparisons go through the conversion to T*, so a named Ref compares with
// another Ref, a raw pointer or nullptr alike; no operator== of its own keeps
// C++20's rewritten comparisons unambiguous.

// Builds a fresh object and hands it to a Ref.
template <typename T, typename... Args>
Ref<T> makeRef(Args&&... args)
{
    return Ref<T>(new T(std::forward<Args>(args)...));
}

// Downcast that keeps ownership; null when the object is not a T.
template <typename T, typename U>
Ref<T> dynamicRef(const Ref<U>& r)
{
    return Ref<T>(dynamic_cast<T*>(r.get()));
}

} // namespace mw

template <typename T>
struct std::hash<mw::Ref<T>> {
    size_t operator()(const mw::Ref<T>& r) const noexcept { return std::hash<T*>()(r.get()); }
};
