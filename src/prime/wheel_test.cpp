// The wheel test: trial division by the numbers coprime to 30 up to the square root, and
// the one place that picks the widest way of running it that this processor has.
#include <cmath>

#include "nth_prime.hpp"
#include "wheel_kernels.hpp"

namespace nthprime {

std::uint32_t integerSquareRoot(std::uint32_t b) {
  // A double holds every 32-bit value exactly and its square root is correctly rounded,
  // which is close enough to never cross an integer for b below 2^32.
  return static_cast<std::uint32_t>(std::sqrt(static_cast<double>(b)));
}

bool isWheelPrimeScalar(std::uint32_t b) {
  const std::uint32_t limit = integerSquareRoot(b);
  std::uint32_t w = 0;
  for (std::uint32_t m = 7; m <= limit; m += kWheelSteps[w], w = (w + 1) % 8) {
    if (b % m == 0) {
      return false;
    }
  }
  return true;
}

bool isWheelPathAvailable(WheelPath path) {
  switch (path) {
    case WheelPath::kScalar:
      return true;
#ifdef NTHPRIME_VECTOR_WHEEL
    case WheelPath::kAvx2:
      return __builtin_cpu_supports("avx2");
    case WheelPath::kAvx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#endif
    default:
      return false;
  }
}

WheelPath widestWheelPath() {
  static const WheelPath widest = isWheelPathAvailable(WheelPath::kAvx512) ? WheelPath::kAvx512
                                  : isWheelPathAvailable(WheelPath::kAvx2) ? WheelPath::kAvx2
                                                                           : WheelPath::kScalar;
  return widest;
}

WheelTest wheelTestFor(WheelPath path) {
  switch (path) {
#ifdef NTHPRIME_VECTOR_WHEEL
    case WheelPath::kAvx2:
      return isWheelPrimeAvx2;
    case WheelPath::kAvx512:
      return isWheelPrimeAvx512;
#endif
    default:
      return isWheelPrimeScalar;
  }
}

bool isWheelPrime(std::uint32_t b) {
  return wheelTestFor(widestWheelPath())(b);
}

}  // namespace nthprime
