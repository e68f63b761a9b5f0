// The longest walks, on both sides of the midpoint of low, middle and high brackets,
// against primesieve's nth_prime. Slow: the last bracket's walks take seconds each.
#include <gtest/gtest.h>

#include <cstdint>
#include <primesieve.hpp>

#include "checkpoints.hpp"
#include "nth_prime.hpp"

using namespace nthprime;

namespace {

class CostlyIndices : public testing::TestWithParam<std::size_t> {};

}  // namespace

// Below the midpoint the walk goes up from the lower checkpoint, at it down from the upper.
TEST_P(CostlyIndices, LongestWalksOfTheBracketMatchPrimesieve) {
  const std::size_t record = GetParam();
  const PrimeIndex mid =
      (kCheckpoints[record - 1].primeCount + kCheckpoints[record].primeCount) / 2;
  for (const PrimeIndex n : {mid - 1, mid}) {
    EXPECT_EQ(nthPrime(n), primesieve::nth_prime(n)) << "record " << record << ", n = " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(LowMiddleHighBrackets, CostlyIndices,
                         testing::Values(1, 2, 8, 12, 17, 18, 19, 100, 400, 528, 777, 1000, 1040));
