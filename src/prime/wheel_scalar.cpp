// The wheel test's scalar loop, the reference of every other path, and the integer square root
// that the rest of the library uses.
#include <cmath>
#include <cstdint>

#include "contract.hpp"
#include "wheel_paths.hpp"

namespace nthprime {
namespace scalar {

#include "wheel_common.inc"

std::uint32_t smallestWheelDivisor(std::uint32_t b, std::uint32_t limit) {
  std::uint32_t w = 0;
  for (std::uint32_t m = 7; m <= limit; m += kWheelSteps[w], w = (w + 1) % 8) {
    if (b % m == 0) {
      return m;
    }
  }
  return 0;
}

void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes) {
  startBlock(candidates, count, primes, [](std::uint32_t b, std::uint32_t limit, unsigned) {
    return smallestWheelDivisor(b, limit) == 0 ? Verdict::kPrime : Verdict::kComposite;
  });
}

}  // namespace scalar

std::uint32_t integerSquareRoot(std::uint32_t b) {
  return scalar::integerSquareRoot(b);
}

}  // namespace nthprime
