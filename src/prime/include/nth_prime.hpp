// The n-th prime below 2^32: what a program that links the search library calls. Every entry
// point stops the program with a one-line message on standard error when called outside its
// contract, and gives the same answers whatever the caller's floating-point environment.
#pragma once

#include <cstdint>

namespace nthprime {

// 1-based position in the increasing sequence of primes: index 1 is 2.
using PrimeIndex = std::uint32_t;

// The number of primes below 2^32, and the last of them.
constexpr PrimeIndex kMaxPrimeIndex = 203280221;
constexpr std::uint32_t kLargestPrime32 = 4294967291u;

// The n-th prime, for 1 <= n <= kMaxPrimeIndex.
std::uint32_t nthPrime(PrimeIndex n);

// True when b is prime, for b >= 7 and coprime to 30. Tries every divisor coprime to 30 from 7
// up to floor(sqrt(b)), composite divisors included.
bool isWheelPrime(std::uint32_t b);

// floor(sqrt(b)), exact for every 32-bit b.
std::uint32_t integerSquareRoot(std::uint32_t b);

// Ways of running the wheel test, all with the same answers: the scalar division loop, and a
// vector kernel per instruction set, listed in wheel_paths.def.
enum class WheelPath {
#define NTHPRIME_WHEEL_PATH(enumerator, name, family, flags, check) enumerator,
#include "wheel_paths.def"
#undef NTHPRIME_WHEEL_PATH
  kScalar
};

// Every path, widest first; the scalar loop, last, runs everywhere.
inline constexpr WheelPath kWheelPaths[] = {
#define NTHPRIME_WHEEL_PATH(enumerator, name, family, flags, check) WheelPath::enumerator,
#include "wheel_paths.def"
#undef NTHPRIME_WHEEL_PATH
    WheelPath::kScalar};

// The path's name in lower case, as wheel_paths.def gives it, or "scalar".
const char* wheelPathName(WheelPath path);

// Whether this build and this processor can run the path; the scalar loop always can.
bool isWheelPathAvailable(WheelPath path);

// The widest available path: the one that nthPrime(n) and isWheelPrime(b) take.
WheelPath widestWheelPath();

// The same on a given path. Where this build or processor lacks it, the scalar loop runs.
std::uint32_t nthPrime(PrimeIndex n, WheelPath path);
bool isWheelPrime(std::uint32_t b, WheelPath path);

}  // namespace nthprime
