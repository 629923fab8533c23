// The Run engine equals the single-step path on random programs in random pieces (see
// EngineDifferential.h); this file is built twice, with computed goto and with the switch.

#include "EngineDifferential.h"

#include <gtest/gtest.h>

TEST(RunEngine, EqualsSingleStepsOnRandomProgramsInRandomPieces) {
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        const auto difference = tarveno::differential::round(seed, 60, seed % 4 ? 300 : 20000);
        ASSERT_FALSE(difference) << *difference;
    }
}
