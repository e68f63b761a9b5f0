// The checkpoint table: its bounds follow the placement rule, its counts are exact where a
// reference sieve can check them, and both strictly increase.
#include <gtest/gtest.h>

#include <cstdint>

#include "checkpoints.hpp"
#include "reference_sieve.hpp"

using namespace nthprime;

namespace {

// floor(X / 30) * 30 for X = 2^5 ... 2^22, then X = k * 2^22 for k = 2 ... 1024.
std::uint32_t ruleBound(std::size_t record) {
  const std::uint64_t x =
      record < 18 ? std::uint64_t{1} << (record + 5) : std::uint64_t{record - 16} << 22;
  return static_cast<std::uint32_t>(x / 30 * 30);
}

}  // namespace

TEST(CheckpointTable, BoundsFollowThePlacementRule) {
  for (std::size_t i = 0; i < kCheckpointCount; ++i) {
    EXPECT_EQ(kCheckpoints[i].bound, ruleBound(i)) << "record " << i;
  }
  // The rule's last record is X = 2^32: the table ends there, with no record after it.
  EXPECT_EQ(kCheckpoints[kCheckpointCount - 1].bound, 4294967280u);
}

TEST(CheckpointTable, BoundsAndCountsStrictlyIncrease) {
  for (std::size_t i = 1; i < kCheckpointCount; ++i) {
    EXPECT_LT(kCheckpoints[i - 1].bound, kCheckpoints[i].bound) << "record " << i;
    EXPECT_LT(kCheckpoints[i - 1].primeCount, kCheckpoints[i].primeCount) << "record " << i;
  }
  // The walk answers the indices between these two; the search answers the rest directly.
  EXPECT_EQ(kCheckpoints[0].primeCount, 10u);
  EXPECT_EQ(kCheckpoints[kCheckpointCount - 1].primeCount, 203280220u);
}

TEST(CheckpointTable, CountsMatchTheSieveUpTo2To24) {
  const ReferenceSieve sieve(1u << 24);
  std::uint32_t count = 0;
  std::uint32_t x = 0;
  for (std::size_t i = 0; i < kCheckpointCount && kCheckpoints[i].bound <= (1u << 24); ++i) {
    for (; x <= kCheckpoints[i].bound; ++x) {
      count += sieve.isPrime(x);
    }
    EXPECT_EQ(kCheckpoints[i].primeCount, count) << "bound " << kCheckpoints[i].bound;
  }
}
