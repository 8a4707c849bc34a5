#pragma once

#include <cstdint>
#include <vector>

#include "foundation/Random.h"

namespace mw::test {

// A random source whose random() answers a script, round and round (one
// value: always that value), so a test knows every draw and can reach the
// ends of the range. The other generators are the default ones. Install it
// with ScopedRandomSource.
class ScriptedRandom : public DefaultRandomSource {
public:
    explicit ScriptedRandom(std::vector<int32_t> draws) : draws_(std::move(draws)) {}
    explicit ScriptedRandom(int32_t always) : draws_{always} {}

    int32_t random() override { return draws_[next_++ % draws_.size()]; }

private:
    std::vector<int32_t> draws_;
    size_t next_ = 0;
};

} // namespace mw::test
