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

// The candidates of a walk, in walk order, decided a block at a time. A block never passes
// the far checkpoint of the bracket, which the answer lies before.
class Walk {
 public:
  Walk(std::uint32_t b, std::uint32_t w, PrimeIndex count, WheelTest isPrime)
      : b_(b), w_(w), count_(count), isPrime_(isPrime) {}

  // Counts primes upwards from b (remainder 1 modulo 30) until the n-th, below end.
  std::uint32_t up(PrimeIndex n, std::uint32_t end) {
    for (;;) {
      unsigned size = 0;
      for (; size < kWheelBlock && b_ < end; ++size) {
        block_[size] = b_;
        b_ += kWheelSteps[w_];
        w_ = (w_ + 1) % 8;
      }
      const std::uint64_t primes = isPrime_(block_, size);
      for (unsigned j = 0; j < size; ++j) {
        if ((primes >> j & 1) != 0 && ++count_ == n) {
          return block_[j];
        }
      }
    }
  }

  // Counts primes downwards from b (remainder 29 modulo 30) until the n-th, above end.
  std::uint32_t down(PrimeIndex n, std::uint32_t end) {
    for (;;) {
      unsigned size = 0;
      for (; size < kWheelBlock && b_ > end; ++size) {
        block_[size] = b_;
        b_ -= kWheelSteps[w_];
        w_ = (w_ + 7) % 8;
      }
      const std::uint64_t primes = isPrime_(block_, size);
      for (unsigned j = 0; j < size; ++j) {
        if ((primes >> j & 1) != 0 && --count_ == n) {
          return block_[j];
        }
      }
    }
  }

 private:
  std::uint32_t b_;  // the next candidate
  std::uint32_t w_;  // its wheel position
  // Walking up, the number of primes below b; walking down, one more than those up to b.
  PrimeIndex count_;
  WheelTest isPrime_;
  std::uint32_t block_[kWheelBlock];
};

}  // namespace

std::uint32_t walkFromCheckpoint(PrimeIndex n, WheelPath path) {
  const std::size_t i = bracketingRecord(n);
  const Checkpoint& below = kCheckpoints[i - 1];
  const Checkpoint& above = kCheckpoints[i];
  const PrimeIndex mid = (below.primeCount + above.primeCount) / 2;
  const WheelTest isPrime = wheelTestFor(path);
  if (n < mid) {
    return Walk(below.bound + 1, kWheelPositionAfterOne, below.primeCount, isPrime)
        .up(n, above.bound);
  }
  return Walk(above.bound - 1, kWheelPositionBeforeTwentyNine, above.primeCount + 1, isPrime)
      .down(n, below.bound);
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
