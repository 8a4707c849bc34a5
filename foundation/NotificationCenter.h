#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/Notification.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {

// Named events between loosely coupled parts.
//
// Delivery is synchronous, on the posting thread, to the observers registered
// when the post began, in order of registration. An observer removed during a
// delivery (by itself or by another) is not called afterwards in it; an
// observer added during a delivery is first called by the next post.
// Registration and removal are safe from any thread. Observers and the
// objects they filter on are not retained: remove an observer before it dies.
class NotificationCenter {
public:
    using Callback = std::function<void(const Notification&)>;
    // Answered by the add functions; 0 when nothing was registered.
    using ObserverId = uint64_t;

    // The program's centre. It is never ended: objects leave it from their
    // destructors whenever they die, the program's end included.
    static NotificationCenter& defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // Calls the selector on observer with the Notification (as its Object*)
    // for posts of name (empty: any name) from object (null: any object).
    // A null observer or selector registers nothing.
    ObserverId addObserver(Object* observer, SEL_CallO selector, const std::string& name, Object* object);
    // Calls callback likewise. observer only serves removeObserver(observer)
    // and may be null when the caller keeps the id instead.
    ObserverId addObserver(Object* observer, const std::string& name, Object* object, Callback callback);

    // Removes every registration of observer.
    void removeObserver(Object* observer);
    // Removes observer's registrations that match: an empty name removes those
    // of every name, a null object those of every object.
    void removeObserver(Object* observer, const std::string& name, Object* object);
    void removeObserver(ObserverId id);

    void postNotification(const std::string& name, Object* object = nullptr, std::any userInfo = {});
    // The notification is held by a Ref for the delivery, so an observer may
    // keep it by retaining it.
    void postNotification(const Ref<Notification>& notification);

    // Registrations currently held (for tests and leak checks).
    size_t observerCount() const;

private:
    struct Entry;

    ObserverId add(std::shared_ptr<Entry> entry);
    template <typename Match>
    void removeWhere(Match match);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
    ObserverId nextId_ = 1;
};

} // namespace mw
