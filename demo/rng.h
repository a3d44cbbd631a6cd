#pragma once
// A small deterministic random source: the same seed gives the same sequence on
// every platform and compiler (unlike the standard distributions).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace scandrel::demo {

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}

    // splitmix64
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // low to high, both included
    int between(int low, int high) {
        const auto span = static_cast<uint64_t>(static_cast<int64_t>(high) - low + 1);
        return static_cast<int>(low + static_cast<int64_t>(next() % span));
    }
    // true with the given chance in percent
    bool percent(int chance) { return between(0, 99) < chance; }

    template <class T>
    const T& pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(between(0, static_cast<int>(items.size()) - 1))];
    }

private:
    uint64_t state_;
};

}  // namespace scandrel::demo
