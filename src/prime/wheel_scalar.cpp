// The wheel test's scalar loop, the reference of every other path, and the integer square root
// that the rest of the program uses.
#include <cmath>

#include "nth_prime.hpp"
#include "wheel_paths.hpp"

namespace nthprime {

// A double holds every 32-bit value exactly and its square root is correctly rounded, which is
// close enough never to cross an integer below 2^32.
std::uint32_t integerSquareRoot(std::uint32_t b) {
  return static_cast<std::uint32_t>(std::sqrt(static_cast<double>(b)));
}

namespace scalar {

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

void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes) {
  primes = {};
  for (unsigned slot = 0; slot < count; ++slot) {
    if (isWheelPrime(candidates[slot])) {
      primes.words[slot / 64] |= std::uint64_t{1} << slot % 64;
    }
  }
}

}  // namespace scalar
}  // namespace nthprime
