// The wheel test: trial division by the numbers coprime to 30 up to the square root, and
// the one place that picks the widest way of running it that this processor has.
#include <initializer_list>

#include "nth_prime.hpp"
#include "wheel_kernels.hpp"

namespace nthprime {

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

std::uint64_t primesAmongScalar(const std::uint32_t* candidates, unsigned count) {
  std::uint64_t primes = 0;
  for (unsigned slot = 0; slot < count; ++slot) {
    if (isWheelPrimeScalar(candidates[slot])) {
      primes |= std::uint64_t{1} << slot;
    }
  }
  return primes;
}

const char* wheelPathName(WheelPath path) {
  switch (path) {
    case WheelPath::kSse2:
      return "sse2";
    case WheelPath::kAvx2:
      return "avx2";
    case WheelPath::kAvx512:
      return "avx512";
    case WheelPath::kNeon:
      return "neon";
    default:
      return "scalar";
  }
}

bool isWheelPathAvailable(WheelPath path) {
#ifdef NTHPRIME_X86_KERNELS
  // The compiler's processor check also asks the operating system whether it saves the
  // AVX and AVX-512 registers.
  __builtin_cpu_init();
#endif
  switch (path) {
    case WheelPath::kScalar:
      return true;
#ifdef NTHPRIME_X86_KERNELS
    case WheelPath::kSse2:
      return __builtin_cpu_supports("sse2");
    case WheelPath::kAvx2:
      return __builtin_cpu_supports("avx2");
    case WheelPath::kAvx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#endif
#ifdef NTHPRIME_NEON_KERNEL
    case WheelPath::kNeon:
      return true;  // every AArch64 processor has it
#endif
    default:
      return false;
  }
}

WheelPath widestWheelPath() {
  static const WheelPath widest = [] {
    for (const WheelPath path :
         {WheelPath::kAvx512, WheelPath::kAvx2, WheelPath::kSse2, WheelPath::kNeon}) {
      if (isWheelPathAvailable(path)) {
        return path;
      }
    }
    return WheelPath::kScalar;
  }();
  return widest;
}

WheelTest wheelTestFor(WheelPath path) {
  switch (path) {
#ifdef NTHPRIME_X86_KERNELS
    case WheelPath::kSse2:
      return primesAmongSse2;
    case WheelPath::kAvx2:
      return primesAmongAvx2;
    case WheelPath::kAvx512:
      return primesAmongAvx512;
#endif
#ifdef NTHPRIME_NEON_KERNEL
    case WheelPath::kNeon:
      return primesAmongNeon;
#endif
    default:
      return primesAmongScalar;
  }
}

bool isWheelPrime(std::uint32_t b) {
  return isWheelPrime(b, widestWheelPath());
}

bool isWheelPrime(std::uint32_t b, WheelPath path) {
  return wheelTestFor(path)(&b, 1) != 0;
}

}  // namespace nthprime
