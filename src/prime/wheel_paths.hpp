// The ways of running the wheel test and their entry points: the scalar loop, which is the
// reference, and one vector kernel per instruction set, each in a namespace of its own.
#pragma once

#include <cstdint>

#include "nth_prime.hpp"

namespace nthprime {

// Each primesAmong decides a block of candidates as WheelTest describes: a candidate is prime
// when no divisor coprime to 30 from 7 up to its floor(sqrt) divides it.
namespace scalar {
void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes);
// The scalar loop on one candidate.
bool isWheelPrime(std::uint32_t b);
}  // namespace scalar

// floor(65535 / d) for each of count odd divisors d, count a multiple of 32, computed the way
// a vector kernel computes it for each of its divisor vectors: there for its test.
using DivisorThresholds = void (*)(const std::uint16_t* divisors, std::uint16_t* thresholds,
                                   unsigned count);

// The same path's DivisorThresholds, or none for the scalar loop and a path that is not
// available.
DivisorThresholds divisorThresholdsFor(WheelPath path);

// For each of count odd divisors d, count a multiple of 64, its inverse modulo 2^32 and
// floor(65535 / d), computed the way a kernel in 32-bit lanes sets up each visit's divisors.
using WideDivisorSetUp = void (*)(const std::uint32_t* divisors, std::uint32_t* inverses,
                                  std::uint32_t* quotients, unsigned count);

// The same path's WideDivisorSetUp, or none for a path whose kernel has no 32-bit lanes or that
// is not available.
WideDivisorSetUp wideDivisorSetUpFor(WheelPath path);

// The vector kernels, defined where the build has them (see the table of paths in
// wheel_paths.cpp), and run only on a processor with their instruction set: SSE2, AVX2,
// AVX-512F with AVX-512BW, or AArch64's NEON.
namespace sse2 {
void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes);
void divisorThresholds(const std::uint16_t* divisors, std::uint16_t* thresholds, unsigned count);
}  // namespace sse2
namespace avx2 {
void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes);
void divisorThresholds(const std::uint16_t* divisors, std::uint16_t* thresholds, unsigned count);
}  // namespace avx2
namespace avx512 {
void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes);
void divisorThresholds(const std::uint16_t* divisors, std::uint16_t* thresholds, unsigned count);
}  // namespace avx512
namespace neon {
void primesAmong(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes);
void divisorSetUp(const std::uint32_t* divisors, std::uint32_t* inverses, std::uint32_t* thresholds,
                  unsigned count);
}  // namespace neon

}  // namespace nthprime
