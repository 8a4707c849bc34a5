#include "foundation/Random.h"

#include <mutex>
#include <random>

namespace mw {

// The additive feedback generator: table[i] = table[i-31] + table[i-3] over
// 32-bit words, answering the top 31 bits. Seeding fills the table from a
// Park-Miller sequence and throws away the first 310 results.
void DefaultRandomSource::Additive::seed(uint32_t seed)
{
    if (seed == 0) {
        seed = 1;
    }
    int32_t word = static_cast<int32_t>(seed);
    table[0] = word;
    for (int i = 1; i < 31; ++i) {
        // 16807 * word % (2^31 - 1) without overflowing 32 bits (Schrage).
        int32_t hi = word / 127773;
        int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) {
            word += 2147483647;
        }
        table[i] = word;
    }
    front = 3;
    rear = 0;
    for (int i = 0; i < 310; ++i) {
        next();
    }
}

int32_t DefaultRandomSource::Additive::next()
{
    uint32_t sum = static_cast<uint32_t>(table[front]) + static_cast<uint32_t>(table[rear]);
    table[front] = static_cast<int32_t>(sum);
    front = (front + 1) % 31;
    rear = (rear + 1) % 31;
    return static_cast<int32_t>(sum >> 1);
}

DefaultRandomSource::DefaultRandomSource()
{
    random_.seed(1);
    rand_.seed(1);
    std::random_device device;
    arc4State_ = (uint64_t(device()) << 32) ^ device();
}

int32_t DefaultRandomSource::random() { return random_.next(); }
void DefaultRandomSource::srandom(uint32_t seed) { random_.seed(seed); }
int32_t DefaultRandomSource::rand() { return rand_.next(); }
void DefaultRandomSource::srand(uint32_t seed) { rand_.seed(seed); }

// splitmix64: small, fast and well mixed; arc4random needs no more here.
uint32_t DefaultRandomSource::arc4random()
{
    uint64_t z = (arc4State_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<uint32_t>(z >> 32);
}

void DefaultRandomSource::seedArc4random(uint64_t seed) { arc4State_ = seed; }

namespace {

struct Installed {
    std::mutex mutex;
    std::shared_ptr<RandomSource> source = std::make_shared<DefaultRandomSource>();
};

Installed& installed()
{
    static Installed instance;
    return instance;
}

template <typename F>
auto withSource(F&& f)
{
    Installed& state = installed();
    std::lock_guard<std::mutex> lock(state.mutex);
    return f(*state.source);
}

} // namespace

int32_t Random::random() { return withSource([](RandomSource& s) { return s.random(); }); }
void Random::srandom(uint32_t seed) { withSource([seed](RandomSource& s) { s.srandom(seed); }); }
int32_t Random::rand() { return withSource([](RandomSource& s) { return s.rand(); }); }
void Random::srand(uint32_t seed) { withSource([seed](RandomSource& s) { s.srand(seed); }); }
uint32_t Random::arc4random() { return withSource([](RandomSource& s) { return s.arc4random(); }); }
void Random::seedArc4random(uint64_t seed)
{
    withSource([seed](RandomSource& s) { s.seedArc4random(seed); });
}

uint32_t Random::arc4random_uniform(uint32_t n)
{
    if (n < 2) {
        return 0;
    }
    // Draws below 2^32 mod n would make the low results likelier; redraw them.
    uint32_t floor = (0u - n) % n;
    return withSource([n, floor](RandomSource& s) {
        uint32_t r;
        do {
            r = s.arc4random();
        } while (r < floor);
        return r % n;
    });
}

float Random::random01() { return static_cast<float>(random()) * (1.0f / 2147483648.0f); }

float Random::randomMinus1To1() { return static_cast<float>(random()) * (1.0f / 1073741824.0f) - 1.0f; }

std::shared_ptr<RandomSource> Random::setSource(std::shared_ptr<RandomSource> source)
{
    if (!source) {
        source = std::make_shared<DefaultRandomSource>();
    }
    Installed& state = installed();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::swap(state.source, source);
    return source;
}

} // namespace mw
