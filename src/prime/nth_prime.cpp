// The n-th prime search: direct answers and the checkpoint walk, which runs the wheel test
// on each candidate. Unsigned 32-bit arithmetic over constant tables; nothing is allocated.
#include "nth_prime.hpp"

#include "contract.hpp"
#include "walk.hpp"
#include "wheel_paths.hpp"

namespace nthprime {
namespace {

// Wheel positions of the first candidate of a walk: bound + 1 has remainder 1 modulo 30,
// so the step after it is entry 7; bound - 1 has remainder 29, reached by entry 5.
constexpr std::uint32_t kWheelPositionAfterOne = 7;
constexpr std::uint32_t kWheelPositionBeforeTwentyNine = 5;

// The first record counting at least n primes. Record 0 counts 10 and the last counts
// kMaxPrimeIndex - 1, so for the walk's indices this is one of records 1 ... 1040.
std::size_t bracketingRecord(PrimeIndex n) {
  std::size_t i = 0;
  while (kCheckpoints[i].primeCount < n) {
    ++i;
  }
  return i;
}

// Walks from the candidate b at wheel position w, up or down, towards end, the far checkpoint's
// bound: the answer lies before it. count is the number of primes below b walking up, one more
// than those up to b walking down. The candidates of each block are counted in walk order.
template <bool kUpwards>
std::uint32_t walk(std::uint32_t b, std::uint32_t w, PrimeIndex count, std::uint32_t end,
                   PrimeIndex n, WheelTest isPrime) {
  WheelWalk<kUpwards> candidates(b, w, end);
  std::uint32_t block[kWheelBlock];
  while (const unsigned size = candidates.nextBlock(block)) {
    WheelBlockPrimes primes;
    isPrime(block, size, primes);
    for (unsigned j = 0; j < size; ++j) {
      if (primes[j] && (kUpwards ? ++count : --count) == n) {
        return block[j];
      }
    }
  }
  stopOutsideContract("the walk to prime number ", n,
                      " reached its far checkpoint: the wheel test is wrong");
}

}  // namespace

std::uint32_t walkFromCheckpoint(PrimeIndex n, WheelTest isPrime) {
  if (n < 11 || n >= kMaxPrimeIndex) {
    stopOutsideContract("walkFromCheckpoint(", n, "): the walk answers 11 ... 203280220");
  }
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
  if (n - 1 >= kMaxPrimeIndex) {  // n = 0 wraps
    stopOutsideContract("nthPrime(", n, "): the index must be from 1 to 203280221");
  }
  if (n < 11) {
    return kSmallPrimes[n];
  }
  if (n == kMaxPrimeIndex) {
    return kLargestPrime32;
  }
  return walkFromCheckpoint(n, wheelTestFor(path));
}

}  // namespace nthprime
