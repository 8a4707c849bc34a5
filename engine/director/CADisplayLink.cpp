#include "engine/director/CADisplayLink.h"

#include <algorithm>

namespace mw {

namespace {

// The links receiving refreshes, in the order they were added (retained).
std::vector<Ref<CADisplayLink>>& activeLinks()
{
    static std::vector<Ref<CADisplayLink>> links;
    return links;
}

bool& refreshesReported()
{
    static bool reported = true;
    return reported;
}

} // namespace

bool CADisplayLink::screenRefreshesReported() { return refreshesReported(); }

void CADisplayLink::setScreenRefreshesReported(bool reported) { refreshesReported() = reported; }

Ref<CADisplayLink> CADisplayLink::displayLinkWithTarget(Object* target, SEL_CallO selector)
{
    return makeRef<CADisplayLink>(target, selector);
}

void CADisplayLink::setFrameInterval(int interval)
{
    frameInterval_ = std::max(1, interval);
}

void CADisplayLink::addToRunLoop()
{
    if (added_ || invalidated_) return;
    added_ = true;
    target_ = pendingTarget_;
    refreshesCounted_ = 0;
    activeLinks().push_back(Ref<CADisplayLink>(this));
}

void CADisplayLink::invalidate()
{
    if (invalidated_) return;
    invalidated_ = true;
    Ref<CADisplayLink> keepAlive(this); // the list may hold the last reference
    auto& links = activeLinks();
    links.erase(std::remove(links.begin(), links.end(), keepAlive), links.end());
    target_ = nullptr;
    pendingTarget_ = nullptr;
}

void CADisplayLink::displayDidRefresh(double timestamp)
{
    // A callback may add or invalidate links: walk a snapshot, and skip the
    // links invalidated meanwhile.
    const std::vector<Ref<CADisplayLink>> links = activeLinks();
    for (const Ref<CADisplayLink>& link : links) {
        if (link->invalidated_) continue;
        if (++link->refreshesCounted_ < link->frameInterval_) continue;
        link->refreshesCounted_ = 0;
        link->timestamp_ = timestamp;
        Ref<Object> target = link->target_;
        (target.get()->*(link->selector_))(link.get());
    }
}

size_t CADisplayLink::activeLinkCount()
{
    return activeLinks().size();
}

} // namespace mw
