// Both sides of every checkpoint against independent libraries: the index of the last
// prime at or below a bound comes from primecount, the primes themselves from primesieve.
#include <gtest/gtest.h>

#include <cstdint>
#include <primecount.hpp>
#include <primesieve.hpp>

#include "checkpoints.hpp"
#include "nth_prime.hpp"

using namespace nthprime;

TEST(CheckpointEdgesOracle, BothSidesOfEveryCheckpoint) {
  for (std::size_t i = 0; i < kCheckpointCount; ++i) {
    const std::uint64_t bound = kCheckpoints[i].bound;
    const auto below = static_cast<PrimeIndex>(primecount::pi(static_cast<std::int64_t>(bound)));
    const std::uint64_t lastAtOrBelow = primesieve::nth_prime(-1, bound + 1);
    const std::uint64_t firstAbove = primesieve::nth_prime(1, bound);
    ASSERT_EQ(nthPrime(below), lastAtOrBelow) << "record " << i << ", n = " << below;
    ASSERT_EQ(nthPrime(below + 1), firstAbove) << "record " << i << ", n = " << below + 1;
  }
}
