// The Run engine's differential check (tests/core/EngineDifferential.h) for as long as asked:
// rounds of random programs in random pieces, each against single steps, until the time is
// up or a difference is found. Not a test: run it for an hour before a release.
//
// Usage: tarveno_engine_soak SECONDS [FIRST_SEED]

#include "core/EngineDifferential.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tarveno_engine_soak SECONDS [FIRST_SEED]\n");
        return 2;
    }
    const double seconds = std::strtod(argv[1], nullptr);
    uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000000;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    uint64_t rounds = 0, steps = 0;
    double reported = 0;
    while (elapsed() < seconds) {
        // Long pieces now and then, so that chunks, hooks and counts meet many times.
        const uint64_t longest = seed % 4 ? 500 : 200000;
        if (const auto difference = tarveno::differential::round(seed, 100, longest, &steps)) {
            std::printf("difference after %.0f s: %s\n", elapsed(), difference->c_str());
            return 1;
        }
        ++seed;
        ++rounds;
        if (elapsed() - reported >= 60) {
            reported = elapsed();
            std::printf("%.0f s: %llu rounds, %llu steps, next seed %llu\n", reported,
                        static_cast<unsigned long long>(rounds), static_cast<unsigned long long>(steps),
                        static_cast<unsigned long long>(seed));
            std::fflush(stdout);
        }
    }
    std::printf("no difference in %.0f s: %llu rounds, %llu steps\n", elapsed(),
                static_cast<unsigned long long>(rounds), static_cast<unsigned long long>(steps));
    return 0;
}
