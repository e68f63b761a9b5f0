// The n-th prime search: direct answers and the checkpoint walk, which runs the wheel test
// on each candidate. Unsigned 32-bit arithmetic over constant tables; nothing is allocated.
#include "nth_prime.hpp"

#include <algorithm>

namespace nthprime {
namespace {

// Wheel positions of the first candidate of a walk: bound + 1 has remainder 1 modulo 30,
// so the step after it is entry 7; bound - 1 has remainder 29, reached by entry 5.
constexpr std::uint32_t kWheelPositionAfterOne = 7;
constexpr std::uint32_t kWheelPositionBeforeTwentyNine = 5;

constexpr unsigned kFirstWheelBlock = 64;

// The first record counting at least n primes. Record 0 counts 10 and the last counts
// kMaxPrimeIndex - 1, so for the walk's indices this is one of records 1 ... 1040.
std::size_t bracketingRecord(PrimeIndex n) {
  std::size_t i = 0;
  while (kCheckpoints[i].primeCount < n) {
    ++i;
  }
  return i;
}

// Walks from the candidate b at wheel position w, up or down, towards end, which it never
// reaches: the answer lies before the far checkpoint of the bracket. count is the number of
// primes below b walking up, one more than those up to b walking down. The candidates are
// decided a block at a time, then counted in walk order until the n-th prime. The blocks grow
// from kFirstWheelBlock to kWheelBlock candidates: a short walk decides few candidates past its
// answer, a long one shares each divisor's work among many.
template <bool kUpwards>
std::uint32_t walk(std::uint32_t b, std::uint32_t w, PrimeIndex count, std::uint32_t end,
                   PrimeIndex n, WheelTest isPrime) {
  std::uint32_t block[kWheelBlock];
  for (unsigned limit = kFirstWheelBlock;; limit = std::min(2 * limit, kWheelBlock)) {
    unsigned size = 0;
    for (; size < limit && (kUpwards ? b < end : b > end); ++size) {
      block[size] = b;
      if (kUpwards) {
        b += kWheelSteps[w];
        w = (w + 1) % 8;
      } else {
        b -= kWheelSteps[w];
        w = (w + 7) % 8;
      }
    }
    WheelBlockPrimes primes;
    isPrime(block, size, primes);
    for (unsigned j = 0; j < size; ++j) {
      if (primes[j] && (kUpwards ? ++count : --count) == n) {
        return block[j];
      }
    }
  }
}

}  // namespace

std::uint32_t walkFromCheckpoint(PrimeIndex n, WheelPath path) {
  return walkFromCheckpoint(n, wheelTestFor(path));
}

std::uint32_t walkFromCheckpoint(PrimeIndex n, WheelTest isPrime) {
  const std::size_t i = bracketingRecord(n);
  const Checkpoint& below = kCheckpoints[i - 1];
  const Checkpoint& above = kCheckpoints[i];
  const PrimeIndex mid = (below.primeCount + above.primeCount) / 2;
  if (n < mid) {
    return walk<true>(below.bound + 1, kWheelPositionAfterOne, below.primeCount, above.bound, n,
                      isPrime);
  }
  return walk<false>(above.bound - 1, kWheelPositionBeforeTwentyNine, above.primeCount + 1,
                     below.bound, n, isPrime);
}

std::uint32_t nthPrime(PrimeIndex n) {
  return nthPrime(n, widestWheelPath());
}

std::uint32_t nthPrime(PrimeIndex n, WheelPath path) {
  if (n < 11) {
    return kSmallPrimes[n];
  }
  if (n == kMaxPrimeIndex) {
    return kLargestPrime32;
  }
  return walkFromCheckpoint(n, path);
}

}  // namespace nthprime
