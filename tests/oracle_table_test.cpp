// Every checkpoint's count against primecount's pi(x), an independent prime-counting
// implementation.
#include <gtest/gtest.h>

#include <primecount.hpp>

#include "checkpoints.hpp"

using namespace nthprime;

TEST(CheckpointTableOracle, EveryCountEqualsPrimecountsPi) {
  for (std::size_t i = 0; i < kCheckpointCount; ++i) {
    const Checkpoint& c = kCheckpoints[i];
    ASSERT_EQ(c.primeCount, primecount::pi(static_cast<std::int64_t>(c.bound)))
        << "record " << i << ", bound " << c.bound;
  }
}
