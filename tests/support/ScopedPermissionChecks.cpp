#include "tests/support/ScopedPermissionChecks.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace mw::test {

namespace {

// The thread's own capability sets (the raw calls act on one thread).
bool getCaps(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool setCaps(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

constexpr uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

} // namespace

ScopedPermissionChecks::ScopedPermissionChecks()
{
    if (::geteuid() != 0) {
        active_ = true;
        return;
    }
    __user_cap_data_struct data[2] {};
    if (!getCaps(data)) return;
    savedEffective_[0] = data[0].effective;
    savedEffective_[1] = data[1].effective;
    data[0].effective &= ~kOverrides;
    if (!setCaps(data)) return;
    lowered_ = true;
    active_ = true;
}

ScopedPermissionChecks::~ScopedPermissionChecks()
{
    if (!lowered_) return;
    __user_cap_data_struct data[2] {};
    if (!getCaps(data)) return;
    data[0].effective = savedEffective_[0];
    data[1].effective = savedEffective_[1];
    (void)setCaps(data);
}

} // namespace mw::test
