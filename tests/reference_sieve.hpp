// A plain sieve of Eratosthenes, written independently of the program, used as the
// reference for everything below its limit.
#pragma once

#include <cstdint>
#include <vector>

class ReferenceSieve {
 public:
  explicit ReferenceSieve(std::uint32_t limit) : isPrime_(limit + 1, true) {
    isPrime_[0] = false;
    isPrime_[1] = false;
    for (std::uint64_t p = 2; p * p <= limit; ++p) {
      if (isPrime_[p]) {
        for (std::uint64_t m = p * p; m <= limit; m += p) {
          isPrime_[m] = false;
        }
      }
    }
    primes_.push_back(0);  // so that primes_[n] is the n-th prime
    for (std::uint32_t x = 2; x <= limit; ++x) {
      if (isPrime_[x]) {
        primes_.push_back(x);
      }
    }
  }

  bool isPrime(std::uint32_t x) const { return isPrime_[x]; }
  std::uint32_t nthPrime(std::uint32_t n) const { return primes_[n]; }
  std::uint32_t primeCount() const { return static_cast<std::uint32_t>(primes_.size() - 1); }

 private:
  std::vector<bool> isPrime_;
  std::vector<std::uint32_t> primes_;
};
