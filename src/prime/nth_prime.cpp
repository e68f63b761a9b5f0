// The n-th prime search: dispatch, the checkpoint walk and the trial-division wheel test.
// Everything here is unsigned 32-bit arithmetic over constant tables; nothing is allocated.
#include "nth_prime.hpp"

#include <cmath>

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

std::uint32_t walkUp(const Checkpoint& from, PrimeIndex n) {
  PrimeIndex count = from.primeCount;
  std::uint32_t b = from.bound + 1;
  std::uint32_t w = kWheelPositionAfterOne;
  for (;;) {
    if (isWheelPrime(b) && ++count == n) {
      return b;
    }
    b += kWheelSteps[w];
    w = (w + 1) % 8;
  }
}

std::uint32_t walkDown(const Checkpoint& from, PrimeIndex n) {
  PrimeIndex count = from.primeCount + 1;
  std::uint32_t b = from.bound - 1;
  std::uint32_t w = kWheelPositionBeforeTwentyNine;
  for (;;) {
    if (isWheelPrime(b) && --count == n) {
      return b;
    }
    b -= kWheelSteps[w];
    w = (w + 7) % 8;
  }
}

}  // namespace

std::uint32_t integerSquareRoot(std::uint32_t b) {
  // A double holds every 32-bit value exactly and its square root is correctly rounded,
  // which is close enough to never cross an integer for b below 2^32.
  return static_cast<std::uint32_t>(std::sqrt(static_cast<double>(b)));
}

bool isWheelPrime(std::uint32_t b) {
  const std::uint32_t limit = integerSquareRoot(b);
  std::uint32_t w = 0;
  for (std::uint32_t m = 7; m <= limit; m += kWheelSteps[w], w = (w + 1) % 8) {
    if (b % m == 0) {
      return false;
    }
  }
  return true;
}

std::uint32_t walkFromCheckpoint(PrimeIndex n) {
  const std::size_t i = bracketingRecord(n);
  const Checkpoint& below = kCheckpoints[i - 1];
  const Checkpoint& above = kCheckpoints[i];
  const PrimeIndex mid = (below.primeCount + above.primeCount) / 2;
  return n < mid ? walkUp(below, n) : walkDown(above, n);
}

std::uint32_t nthPrime(PrimeIndex n) {
  if (n < 11) {
    return kSmallPrimes[n];
  }
  if (n == kMaxPrimeIndex) {
    return kLargestPrime32;
  }
  return walkFromCheckpoint(n);
}

}  // namespace nthprime
