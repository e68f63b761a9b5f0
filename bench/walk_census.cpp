// Counts the work of one walk as the vector kernels do it: the candidates and primes, and per
// vector width the candidate-visits and divisor set-ups, by replaying the walk with the kernel's
// exit rule and the scalar loop's smallest divisors. Turns a measured time into cycles a visit.
//
//   nthprime_census [n]   the walk of index n (default: the longest walk of the last bracket)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "benchmark_indices.hpp"
#include "nth_prime.hpp"

namespace nthprime {
namespace {

// The walk's blocks grow as in nth_prime.cpp: 64 candidates, then 128, then kWheelBlock.
constexpr unsigned kFirstBlock = 64;
// The kernel sets up the divisor vectors of this many visits at a time (wheel_kernel_body.inc).
constexpr std::uint32_t kVisitsPerRound = 8;

// The smallest wheel divisor from 7 up to floor(sqrt(b)) that divides b, or 0 for a prime.
std::uint32_t smallestDivisor(std::uint32_t b) {
  const std::uint32_t limit = integerSquareRoot(b);
  std::uint32_t w = 0;
  for (std::uint32_t m = 7; m <= limit; m += kWheelSteps[w], w = (w + 1) % 8) {
    if (b % m == 0) {
      return m;
    }
  }
  return 0;
}

struct Decided {
  std::uint32_t b;
  std::uint32_t divisor;  // 0 for a prime
};

// The candidates of the walk to n, block by block, as the walk decides them: the last block
// whole, though the answer may lie inside it.
std::vector<std::vector<Decided>> walkBlocks(PrimeIndex n) {
  std::size_t i = 0;
  while (kCheckpoints[i].primeCount < n) {
    ++i;
  }
  const Checkpoint& below = kCheckpoints[i - 1];
  const Checkpoint& above = kCheckpoints[i];
  const bool upwards = n < (below.primeCount + above.primeCount) / 2;
  std::uint32_t b = upwards ? below.bound + 1 : above.bound - 1;
  std::uint32_t w = upwards ? 7 : 5;  // the wheel positions after 1 and before 29 modulo 30
  PrimeIndex count = upwards ? below.primeCount : above.primeCount + 1;
  std::vector<std::vector<Decided>> blocks;
  for (unsigned size = kFirstBlock;; size = size * 2 < kWheelBlock ? size * 2 : kWheelBlock) {
    std::vector<Decided> block;
    for (unsigned j = 0; j < size; ++j) {
      block.push_back({b, smallestDivisor(b)});
      b = upwards ? b + kWheelSteps[w] : b - kWheelSteps[w];
      w = upwards ? (w + 1) % 8 : (w + 7) % 8;
    }
    blocks.push_back(block);
    for (const Decided& c : block) {
      if (c.divisor == 0 && (upwards ? ++count : --count) == n) {
        return blocks;
      }
    }
  }
}

struct Census {
  std::uint64_t visits = 0;         // candidate-visits: a candidate leaves at its divisor's visit
  std::uint64_t setUps = 0;         // visits whose divisor vectors a block sets up, in rounds
  std::uint64_t setUpsByVisit = 0;  // the same, a visit at a time
};

// Vectors of `lanes` divisors, two a visit.
Census censusOf(const std::vector<std::vector<Decided>>& blocks, std::uint32_t lanes) {
  const std::uint32_t stride = 30 * (lanes / 8) * 2;
  Census census;
  for (const std::vector<Decided>& block : blocks) {
    std::uint32_t lastLeaving = 0;
    std::uint32_t lastOfAll = 0;
    for (const Decided& c : block) {
      const std::uint32_t lastVisit = (integerSquareRoot(c.b) - 7) / stride;
      const std::uint32_t leaving = c.divisor == 0 ? lastVisit : (c.divisor - 7) / stride;
      census.visits += leaving + 1;
      lastLeaving = leaving > lastLeaving ? leaving : lastLeaving;
      lastOfAll = lastVisit > lastOfAll ? lastVisit : lastOfAll;
    }
    const std::uint32_t rounds = lastLeaving / kVisitsPerRound + 1;
    const std::uint32_t inRounds = rounds * kVisitsPerRound;
    census.setUps += inRounds < lastOfAll + 1 ? inRounds : lastOfAll + 1;
    census.setUpsByVisit += lastLeaving + 1;
  }
  return census;
}

}  // namespace
}  // namespace nthprime

int main(int argc, char** argv) {
  using namespace nthprime;
  const PrimeIndex n = argc > 1 ? static_cast<PrimeIndex>(std::strtoul(argv[1], nullptr, 10))
                                : benchmarkIndices().back().n;
  if (n < 11 || n >= kMaxPrimeIndex) {
    (void)std::fprintf(stderr, "the index must lie from 11 to %u\n", kMaxPrimeIndex - 1);
    return 2;
  }
  const auto blocks = walkBlocks(n);
  std::uint64_t candidates = 0;
  std::uint64_t primes = 0;
  for (const auto& block : blocks) {
    candidates += block.size();
    for (const Decided& c : block) {
      primes += c.divisor == 0 ? 1 : 0;
    }
  }
  std::printf("index %u: %zu blocks, %llu candidates, %llu primes\n", n, blocks.size(),
              static_cast<unsigned long long>(candidates), static_cast<unsigned long long>(primes));
  for (const std::uint32_t lanes : {8u, 16u, 32u}) {
    const Census census = censusOf(blocks, lanes);
    std::printf(
        "%2u lanes (%u divisors a visit): %llu visits, %llu set-ups in rounds of %u "
        "(%llu a visit at a time)\n",
        lanes, 2 * lanes, static_cast<unsigned long long>(census.visits),
        static_cast<unsigned long long>(census.setUps), kVisitsPerRound,
        static_cast<unsigned long long>(census.setUpsByVisit));
  }
  return 0;
}
