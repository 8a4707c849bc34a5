#pragma once

#include <cstdint>

namespace mw::test {

// While it lives, the calling thread is held to the files' permission bits
// even when it runs as root, so that a test can make a file it cannot read
// (chmod 0) for root too: the capabilities that override the bits, and the
// one that lets root change the bits of a file it does not own, are lowered
// from the thread's effective set (kept in its permitted set, so the
// destructor raises them again). Threads started meanwhile inherit the
// lowered set. For any other user the bits apply anyway and nothing changes.
class ScopedPermissionChecks {
public:
    ScopedPermissionChecks();
    ~ScopedPermissionChecks();
    ScopedPermissionChecks(const ScopedPermissionChecks&) = delete;
    ScopedPermissionChecks& operator=(const ScopedPermissionChecks&) = delete;

    // False when the bits still do not apply (root, and the capabilities
    // could not be lowered): a test then skips what needs them.
    bool active() const { return active_; }

private:
    bool active_ = false;
    bool lowered_ = false;
    uint32_t savedEffective_[2] = {0, 0};
};

} // namespace mw::test
