// The table of the wheel test's paths, the one place that knows each path's name, how to ask the
// processor for it and its kernel, and the choice of the widest path this processor has.
#include "wheel_paths.hpp"

#include <iterator>

#include "nth_prime.hpp"

namespace nthprime {
namespace {

bool always() {
  return true;
}

#if defined(__i386__) || defined(__x86_64__)
// The compiler's processor check also asks the operating system whether it saves the AVX and
// AVX-512 registers.
[[maybe_unused]] bool hasSse2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("sse2");
}
[[maybe_unused]] bool hasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
[[maybe_unused]] bool hasAvx512Bw() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
}
#endif

struct WheelPathRow {
  WheelPath path;
  const char* name;                    // in lower case
  bool (*processorHasIt)() = nullptr;  // none where this build has no kernel for the path
  WheelTest test = nullptr;
  DivisorThresholds thresholds = nullptr;  // a kernel in 16-bit lanes
  WideDivisorSetUp wideSetUp = nullptr;    // a kernel in 32-bit lanes
};

// Every path the program knows, widest first, so that the first one available is the one it
// runs; the scalar loop, last, always is. A vector kernel's row holds its functions where
// CMake built it: CMake's table of kernels defines NTHPRIME_KERNEL_<PATH> for each.
constexpr WheelPathRow kWheelPathTable[] = {
    {WheelPath::kAvx512, "avx512",
#ifdef NTHPRIME_KERNEL_AVX512
     hasAvx512Bw, avx512::primesAmong, avx512::divisorThresholds
#endif
    },
    {WheelPath::kAvx2, "avx2",
#ifdef NTHPRIME_KERNEL_AVX2
     hasAvx2, avx2::primesAmong, avx2::divisorThresholds
#endif
    },
    {WheelPath::kSse2, "sse2",
#ifdef NTHPRIME_KERNEL_SSE2
     hasSse2, sse2::primesAmong, sse2::divisorThresholds
#endif
    },
    // Every AArch64 processor has NEON.
    {WheelPath::kNeon, "neon",
#ifdef NTHPRIME_KERNEL_NEON
     always, neon::primesAmong, nullptr, neon::divisorSetUp
#endif
    },
    {WheelPath::kScalar, "scalar", always, scalar::primesAmong},
};

const WheelPathRow& rowOf(WheelPath path) {
  for (const WheelPathRow& row : kWheelPathTable) {
    if (row.path == path) {
      return row;
    }
  }
  return kWheelPathTable[std::size(kWheelPathTable) - 1];
}

bool isAvailable(const WheelPathRow& row) {
  return row.processorHasIt != nullptr && row.processorHasIt();
}

}  // namespace

const char* wheelPathName(WheelPath path) {
  return rowOf(path).name;
}

bool isWheelPathAvailable(WheelPath path) {
  return isAvailable(rowOf(path));
}

WheelPath widestWheelPath() {
  static const WheelPath widest = [] {
    for (const WheelPathRow& row : kWheelPathTable) {
      if (isAvailable(row)) {
        return row.path;
      }
    }
    return WheelPath::kScalar;
  }();
  return widest;
}

WheelTest wheelTestFor(WheelPath path) {
  const WheelPathRow& row = rowOf(path);
  return isAvailable(row) ? row.test : scalar::primesAmong;
}

DivisorThresholds divisorThresholdsFor(WheelPath path) {
  const WheelPathRow& row = rowOf(path);
  return isAvailable(row) ? row.thresholds : nullptr;
}

WideDivisorSetUp wideDivisorSetUpFor(WheelPath path) {
  const WheelPathRow& row = rowOf(path);
  return isAvailable(row) ? row.wideSetUp : nullptr;
}

bool isWheelPrime(std::uint32_t b) {
  return isWheelPrime(b, widestWheelPath());
}

bool isWheelPrime(std::uint32_t b, WheelPath path) {
  WheelBlockPrimes primes;
  wheelTestFor(path)(&b, 1, primes);
  return primes[0];
}

}  // namespace nthprime
