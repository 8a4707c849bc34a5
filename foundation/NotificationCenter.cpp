#include "foundation/NotificationCenter.h"

#include <algorithm>
#include <atomic>

#include "foundation/Shared.h"

namespace mw {

struct NotificationCenter::Entry {
    ObserverId id = 0;
    Object* observer = nullptr;
    SEL_CallO selector = nullptr;
    Callback callback;
    std::string name;
    Object* object = nullptr;
    // Cleared on removal, so a delivery holding a snapshot skips the entry.
    std::atomic<bool> active{true};

    bool matches(const Notification& n) const
    {
        return (name.empty() || name == n.name()) && (object == nullptr || object == n.object());
    }
};

NotificationCenter& NotificationCenter::defaultCenter() { return *Shared<NotificationCenter>::get(); }

NotificationCenter::ObserverId NotificationCenter::add(std::shared_ptr<Entry> entry)
{
    std::lock_guard<std::mutex> lock(mutex_);
    entry->id = nextId_++;
    entries_.push_back(entry);
    return entry->id;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(Object* observer, SEL_CallO selector,
                                                               const std::string& name, Object* object)
{
    if (!observer || !selector) {
        return 0;
    }
    auto entry = std::make_shared<Entry>();
    entry->observer = observer;
    entry->selector = selector;
    entry->name = name;
    entry->object = object;
    return add(std::move(entry));
}

NotificationCenter::ObserverId NotificationCenter::addObserver(Object* observer, const std::string& name,
                                                               Object* object, Callback callback)
{
    if (!callback) {
        return 0;
    }
    auto entry = std::make_shared<Entry>();
    entry->observer = observer;
    entry->callback = std::move(callback);
    entry->name = name;
    entry->object = object;
    return add(std::move(entry));
}

template <typename Match>
void NotificationCenter::removeWhere(Match match)
{
    // Entries leave the list under the lock but are destroyed after it, so a
    // callback whose captures remove observers in their destructors cannot
    // deadlock.
    std::vector<std::shared_ptr<Entry>> removed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto split = std::stable_partition(entries_.begin(), entries_.end(),
                                           [&](const std::shared_ptr<Entry>& e) { return !match(*e); });
        for (auto it = split; it != entries_.end(); ++it) {
            (*it)->active = false;
            removed.push_back(std::move(*it));
        }
        entries_.erase(split, entries_.end());
    }
}

void NotificationCenter::removeObserver(Object* observer)
{
    if (!observer) {
        return;
    }
    removeWhere([observer](const Entry& e) { return e.observer == observer; });
}

void NotificationCenter::removeObserver(Object* observer, const std::string& name, Object* object)
{
    if (!observer) {
        return;
    }
    removeWhere([&](const Entry& e) {
        return e.observer == observer && (name.empty() || e.name == name) &&
               (object == nullptr || e.object == object);
    });
}

void NotificationCenter::removeObserver(ObserverId id)
{
    if (id == 0) {
        return;
    }
    removeWhere([id](const Entry& e) { return e.id == id; });
}

void NotificationCenter::postNotification(const std::string& name, Object* object, std::any userInfo)
{
    postNotification(makeRef<Notification>(name, object, std::move(userInfo)));
}

void NotificationCenter::postNotification(const Ref<Notification>& posted)
{
    if (!posted) {
        return;
    }
    Ref<Notification> notification = posted; // alive even if the caller's Ref is dropped meanwhile
    // Deliver from a snapshot: observers may add and remove registrations
    // (their own or others') while being called.
    std::vector<std::shared_ptr<Entry>> targets;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : entries_) {
            if (entry->matches(*notification)) {
                targets.push_back(entry);
            }
        }
    }
    for (const auto& entry : targets) {
        if (!entry->active) {
            continue;
        }
        if (entry->selector) {
            (entry->observer->*(entry->selector))(notification.get());
        } else {
            entry->callback(*notification);
        }
    }
}

size_t NotificationCenter::observerCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

} // namespace mw
