#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "foundation/Random.h"
#include "tests/support/ScriptedRandom.h"

namespace mw {
namespace {

class RandomTest : public ::testing::Test {
protected:
    // Every test starts from fresh generators and leaves none behind.
    ScopedRandomSource fresh_{std::make_shared<DefaultRandomSource>()};
};

// The game's rolls were written against the C library's random(): the same
// seed must give the same numbers (compared with glibc's own generator).
TEST_F(RandomTest, RandomRepeatsTheCLibrarySequence)
{
    for (uint32_t seed : {1u, 0u, 42u, 1700000000u, 0x80000000u, 0xFFFFFFFFu}) {
        ::srandom(seed);
        Random::srandom(seed);
        for (int i = 0; i < 50; ++i) {
            ASSERT_EQ(::random(), Random::random()) << "seed " << seed << " draw " << i;
        }
    }
}

TEST_F(RandomTest, UnseededRandomStartsLikeSeedOne)
{
    std::vector<int32_t> unseeded;
    for (int i = 0; i < 10; ++i) unseeded.push_back(Random::random());
    Random::srandom(1);
    for (int32_t expected : unseeded) EXPECT_EQ(expected, Random::random());
}

TEST_F(RandomTest, RandAndRandomAreSeparateSequences)
{
    Random::srandom(7);
    Random::srand(7);
    int32_t fromRandom = Random::random();
    Random::rand();
    Random::rand();
    Random::srand(99); // must not move random()
    Random::srandom(7);
    EXPECT_EQ(fromRandom, Random::random());

    Random::srand(5);
    int32_t a = Random::rand();
    Random::random();
    Random::srand(5);
    EXPECT_EQ(a, Random::rand());
}

TEST_F(RandomTest, SeededArc4randomRepeatsAndUniformStaysInRange)
{
    Random::seedArc4random(123);
    std::vector<uint32_t> first;
    for (int i = 0; i < 20; ++i) first.push_back(Random::arc4random());
    Random::seedArc4random(123);
    for (uint32_t v : first) EXPECT_EQ(v, Random::arc4random());

    EXPECT_EQ(0u, Random::arc4random_uniform(0));
    EXPECT_EQ(0u, Random::arc4random_uniform(1));
    std::set<uint32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        uint32_t v = Random::arc4random_uniform(6);
        ASSERT_LT(v, 6u);
        seen.insert(v);
    }
    EXPECT_EQ(6u, seen.size());
    for (int i = 0; i < 100; ++i) {
        ASSERT_LT(Random::arc4random_uniform(0x80000001u), 0x80000001u);
    }
}

TEST_F(RandomTest, UnitFloatsFollowTheGamesSinglePrecisionArithmetic)
{
    struct Case {
        int32_t draw;
        float unit;
        float signedUnit;
    };
    const Case cases[] = {
        {0, 0.0f, -1.0f},
        {1 << 30, 0.5f, 0.0f},
        {0x7FFFFFFF, 1.0f, 1.0f}, // rounds up to 2^31 as a float
    };
    for (const Case& c : cases) {
        ScopedRandomSource scripted(std::make_shared<test::ScriptedRandom>(c.draw));
        EXPECT_EQ(c.unit, Random::random01()) << c.draw;
        EXPECT_EQ(c.signedUnit, Random::randomMinus1To1()) << c.draw;
    }
}

} // namespace
} // namespace mw
