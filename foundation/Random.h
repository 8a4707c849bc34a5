#pragma once

#include <cstdint>
#include <memory>

namespace mw {

// The generators the game draws from, standing in for the C library's
// random()/srandom(), rand()/srand() and the platform's arc4random().
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // 0 ... 2^31 - 1.
    virtual int32_t random() = 0;
    virtual void srandom(uint32_t seed) = 0;
    // 0 ... 2^31 - 1, from a sequence of its own (srand does not move random()).
    virtual int32_t rand() = 0;
    virtual void srand(uint32_t seed) = 0;
    virtual uint32_t arc4random() = 0;
    // arc4random is meant to be unpredictable; tests seed it to repeat a run.
    virtual void seedArc4random(uint64_t seed) = 0;
};

// random() and rand() are the C library's additive feedback generator (the
// same numbers glibc's random() gives for a seed). Like the C library they
// start as if seeded with 1 when nobody seeds them, so an unseeded run repeats.
// arc4random starts from std::random_device unless seeded. Not thread-safe on
// its own: the Random facade serialises calls.
class DefaultRandomSource : public RandomSource {
public:
    DefaultRandomSource();
    int32_t random() override;
    void srandom(uint32_t seed) override;
    int32_t rand() override;
    void srand(uint32_t seed) override;
    uint32_t arc4random() override;
    void seedArc4random(uint64_t seed) override;

private:
    // The 31-word additive feedback table with its two running positions.
    struct Additive {
        int32_t table[31];
        int front = 3;
        int rear = 0;
        void seed(uint32_t seed);
        int32_t next();
    };
    Additive random_;
    Additive rand_;
    uint64_t arc4State_ = 0;
};

// The process-wide generators. Every call goes to the installed source under
// one lock, so any thread may draw.
class Random {
public:
    static int32_t random();
    static void srandom(uint32_t seed);
    static int32_t rand();
    static void srand(uint32_t seed);
    static uint32_t arc4random();
    // Uniform in 0 ... n - 1 without modulo bias; 0 when n < 2.
    static uint32_t arc4random_uniform(uint32_t n);
    static void seedArc4random(uint64_t seed);
    // random() x 2^-31 formed in single precision: [0, 1], where the largest
    // draws round up to exactly 1 as the game's arithmetic expects.
    static float random01();
    // random() x 2^-30 - 1 in single precision: [-1, 1].
    static float randomMinus1To1();

    // Installs a source (a fresh DefaultRandomSource for null); answers the previous.
    static std::shared_ptr<RandomSource> setSource(std::shared_ptr<RandomSource> source);
};

// Installs a source for the life of a scope (a test), then restores the previous.
class ScopedRandomSource {
public:
    explicit ScopedRandomSource(std::shared_ptr<RandomSource> source)
        : previous_(Random::setSource(std::move(source))) {}
    ~ScopedRandomSource() { Random::setSource(std::move(previous_)); }
    ScopedRandomSource(const ScopedRandomSource&) = delete;
    ScopedRandomSource& operator=(const ScopedRandomSource&) = delete;

private:
    std::shared_ptr<RandomSource> previous_;
};

} // namespace mw
