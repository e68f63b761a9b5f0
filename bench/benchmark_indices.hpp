// The indices the benchmarks time, and that the tests walk on every path: one answered
// directly, one at a checkpoint's edge, and the longest walk of a low, a middle and the last
// bracket.
#pragma once

#include <cstddef>
#include <vector>

#include "checkpoints.hpp"
#include "nth_prime.hpp"

namespace nthprime {

struct BenchmarkIndex {
  const char* name;
  PrimeIndex n;
};

// The index of the bracket that ends at the record whose walk counts the most primes: just
// below the midpoint when walking up from the record before, the midpoint when walking down.
inline PrimeIndex longestWalkIndex(std::size_t record) {
  const PrimeIndex low = kCheckpoints[record - 1].primeCount;
  const PrimeIndex high = kCheckpoints[record].primeCount;
  const PrimeIndex mid = (low + high) / 2;
  const PrimeIndex upward = mid - 1 - low;
  const PrimeIndex downward = high - mid + 1;
  return downward >= upward ? mid : mid - 1;
}

// Records 18, 528 and 1040 end the brackets at 2^23, 2^31 and the top of 2^32.
inline std::vector<BenchmarkIndex> benchmarkIndices() {
  return {
      {"direct", 10},
      {"checkpoint_edge", kCheckpoints[528].primeCount},
      {"low_bracket_worst", longestWalkIndex(18)},
      {"middle_bracket_worst", longestWalkIndex(528)},
      {"last_bracket_worst", longestWalkIndex(kCheckpointCount - 1)},
  };
}

}  // namespace nthprime
