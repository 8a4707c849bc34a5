#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace mw::test {

// Two pages exactly 4 GiB apart, so objects placed at their starts share the
// low 32 bits of their addresses: a table keyed by only part of an address
// takes them for one. ok() is false when the pages could not be placed there
// (the caller skips); both are unmapped when this goes away.
class AliasedPages {
public:
    static constexpr size_t kPageSize = 4096;

    explicit AliasedPages(uintptr_t tag)
    {
        const uintptr_t base = tag << 32;
        low_ = map(base);
        high_ = map(base + (uintptr_t{1} << 32));
    }
    ~AliasedPages()
    {
        if (low_) munmap(low_, kPageSize);
        if (high_) munmap(high_, kPageSize);
    }
    AliasedPages(const AliasedPages&) = delete;
    AliasedPages& operator=(const AliasedPages&) = delete;

    bool ok() const { return low_ && high_; }
    void* low() const { return low_; }
    void* high() const { return high_; }

private:
    static void* map(uintptr_t address)
    {
        void* page = mmap(reinterpret_cast<void*>(address), kPageSize, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        return page == MAP_FAILED ? nullptr : page;
    }

    void* low_ = nullptr;
    void* high_ = nullptr;
};

} // namespace mw::test
