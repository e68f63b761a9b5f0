// The wheel test's paths inside the search library: each path's entry points, declared from the
// list in wheel_paths.def, and the lookups in the table of paths (wheel_paths.cpp).
#pragma once

#include <cstdint>

#include "nth_prime.hpp"
#include "walk.hpp"

namespace nthprime {

// What a vector kernel computes once per divisor for all the candidates of a block, computed as
// the kernel computes it, for its tests: for each of count odd divisors d (count a multiple of
// 64; 3 <= d < 2^17, and d < 2^16 in 16-bit lanes), the inverse of d modulo 2^(lane width) and
// floor(65535 / d). Returns the lane width in bits, 16 or 32.
using DivisorSetUp = unsigned (*)(const std::uint32_t* divisors, unsigned count,
                                  std::uint32_t* inverses, std::uint32_t* thresholds);

// The scalar loop, the reference of every other path.
namespace scalar {
void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes);
// The smallest wheel divisor from 7 up to limit that divides b, or 0 if there is none: the
// divisor that decides b on every path.
std::uint32_t smallestWheelDivisor(std::uint32_t b, std::uint32_t limit);
}  // namespace scalar

// The vector kernels, each in the namespace of its name, defined where the build has them
// and run only where the processor has their instruction set (see the table of paths).
#define NTHPRIME_WHEEL_PATH(enumerator, name, family, flags, check)                              \
  namespace name {                                                                               \
  void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes);   \
  unsigned setUpDivisors(const std::uint32_t* divisors, unsigned count, std::uint32_t* inverses, \
                         std::uint32_t* thresholds);                                             \
  }
#include "wheel_paths.def"
#undef NTHPRIME_WHEEL_PATH

// The wheel test on a given path; where this build or processor lacks it, the scalar loop.
WheelTest wheelTestFor(WheelPath path);

// The divisor set-up of a given vector path, or none for the scalar loop and a path that is not
// available.
DivisorSetUp divisorSetUpFor(WheelPath path);

// The kernels in 16-bit lanes set up their divisor vectors this many visits at a time (a
// round), for all the candidates of a block still undecided; the replay of a walk's work
// counts their set-ups in rounds too.
constexpr unsigned kVisitsPerRound = 8;

}  // namespace nthprime
