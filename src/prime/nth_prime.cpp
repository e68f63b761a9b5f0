// The n-th prime search: direct answers and the checkpoint walk, which runs the wheel test
// on each candidate. Unsigned 32-bit arithmetic over constant tables; nothing is allocated.
#include "nth_prime.hpp"

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

std::uint32_t walkUp(const Checkpoint& from, PrimeIndex n, WheelTest isPrime) {
  PrimeIndex count = from.primeCount;
  std::uint32_t b = from.bound + 1;
  std::uint32_t w = kWheelPositionAfterOne;
  for (;;) {
    if (isPrime(b) && ++count == n) {
      return b;
    }
    b += kWheelSteps[w];
    w = (w + 1) % 8;
  }
}

std::uint32_t walkDown(const Checkpoint& from, PrimeIndex n, WheelTest isPrime) {
  PrimeIndex count = from.primeCount + 1;
  std::uint32_t b = from.bound - 1;
  std::uint32_t w = kWheelPositionBeforeTwentyNine;
  for (;;) {
    if (isPrime(b) && --count == n) {
      return b;
    }
    b -= kWheelSteps[w];
    w = (w + 7) % 8;
  }
}

}  // namespace

std::uint32_t walkFromCheckpoint(PrimeIndex n, WheelPath path) {
  const std::size_t i = bracketingRecord(n);
  const Checkpoint& below = kCheckpoints[i - 1];
  const Checkpoint& above = kCheckpoints[i];
  const PrimeIndex mid = (below.primeCount + above.primeCount) / 2;
  const WheelTest isPrime = wheelTestFor(path);
  return n < mid ? walkUp(below, n, isPrime) : walkDown(above, n, isPrime);
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
