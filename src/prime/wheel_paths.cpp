// The table of the wheel test's paths, the one place that knows how to ask the processor for
// each path and where its kernel is, and the choice of the widest path this processor has.
#include "wheel_paths.hpp"

#include <iterator>

#include "contract.hpp"

#if defined(__linux__) && (defined(__arm__) || defined(__s390x__))
#include <sys/auxv.h>
#endif

namespace nthprime {
namespace {

#if defined(__i386__) || defined(__x86_64__)
// The compiler's processor check also asks the operating system whether it saves the AVX and
// AVX-512 registers.
#define x86Has(feature) (__builtin_cpu_init(), __builtin_cpu_supports(feature))
#endif

#if defined(__linux__) && (defined(__arm__) || defined(__s390x__))
// A hardware capability that Linux reports: it reports a vector unit only where it also saves
// the unit's registers.
#define linuxHas(capability) ((getauxval(AT_HWCAP) & (capability)) != 0)
#endif

struct KernelRow {
  WheelPath path;
  bool (*processorHasIt)();
  WheelTest test;
  DivisorSetUp setUp;
};

// The kernels this build has, widest first, as CMake wrote their lines of wheel_paths.def into
// built_wheel_kernels.inc; the scalar loop, last, runs on every processor.
constexpr KernelRow kKernels[] = {
#define NTHPRIME_WHEEL_PATH(enumerator, name, family, flags, check)                   \
  {WheelPath::enumerator, [] { return static_cast<bool>(check); }, name::primesAmong, \
   name::setUpDivisors},
#include "built_wheel_kernels.inc"
#undef NTHPRIME_WHEEL_PATH
    {WheelPath::kScalar, [] { return true; }, scalar::primesAmong, nullptr},
};

// The path's row where this build has its kernel and this processor can run it.
const KernelRow* availableRow(WheelPath path) {
  for (const KernelRow& row : kKernels) {
    if (row.path == path) {
      return row.processorHasIt() ? &row : nullptr;
    }
  }
  return nullptr;
}

}  // namespace

const char* wheelPathName(WheelPath path) {
  switch (path) {
#define NTHPRIME_WHEEL_PATH(enumerator, name, family, flags, check) \
  case WheelPath::enumerator:                                       \
    return #name;
#include "wheel_paths.def"
#undef NTHPRIME_WHEEL_PATH
    case WheelPath::kScalar:
      break;
  }
  return "scalar";
}

bool isWheelPathAvailable(WheelPath path) {
  return availableRow(path) != nullptr;
}

WheelPath widestWheelPath() {
  static const WheelPath widest = [] {
    for (const KernelRow& row : kKernels) {
      if (row.processorHasIt()) {
        return row.path;
      }
    }
    return WheelPath::kScalar;
  }();
  return widest;
}

WheelTest wheelTestFor(WheelPath path) {
  const KernelRow* row = availableRow(path);
  return row != nullptr ? row->test : scalar::primesAmong;
}

DivisorSetUp divisorSetUpFor(WheelPath path) {
  const KernelRow* row = availableRow(path);
  return row != nullptr ? row->setUp : nullptr;
}

bool isWheelPrime(std::uint32_t b) {
  return isWheelPrime(b, widestWheelPath());
}

bool isWheelPrime(std::uint32_t b, WheelPath path) {
  if (b < 7 || b % 2 == 0 || b % 3 == 0 || b % 5 == 0) {
    stopOutsideContract("isWheelPrime(", b, "): b must be at least 7 and coprime to 30");
  }
  WheelBlockPrimes primes;
  wheelTestFor(path)(&b, 1, primes);
  return primes[0];
}

}  // namespace nthprime
