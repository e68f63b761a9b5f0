// The n-th prime below 2^32: direct answers for the smallest and the largest index,
// otherwise a walk over the numbers coprime to 30 from the nearest checkpoint.
#pragma once

#include <cstdint>

#include "checkpoints.hpp"

namespace nthprime {

// 1-based position in the increasing sequence of primes: index 1 is 2.
using PrimeIndex = std::uint32_t;

// The number of primes below 2^32, and the last of them.
constexpr PrimeIndex kMaxPrimeIndex = 203280221;
constexpr std::uint32_t kLargestPrime32 = 4294967291u;

// kSmallPrimes[n] is the n-th prime for n = 1 ... 10; entry 0 is unused.
inline constexpr std::uint32_t kSmallPrimes[11] = {0, 2, 3, 5, 7, 11, 13, 17, 19, 23, 29};

// Gaps between consecutive numbers coprime to 30, starting from 7: 7, 11, 13, ..., 29, 31, 37.
inline constexpr std::uint32_t kWheelSteps[8] = {4, 2, 4, 2, 4, 6, 2, 6};

// Ways of running the wheel test, all with the same answers: the scalar division loop, and
// one vector kernel trying 8 (SSE2, NEON), 16 (AVX2) or 32 (AVX-512BW) divisors at once.
enum class WheelPath { kScalar, kSse2, kAvx2, kAvx512, kNeon };
inline constexpr WheelPath kWheelPaths[] = {WheelPath::kScalar, WheelPath::kSse2, WheelPath::kAvx2,
                                            WheelPath::kAvx512, WheelPath::kNeon};

// The path's name in lower case: "scalar", "sse2", "avx2", "avx512" or "neon".
const char* wheelPathName(WheelPath path);

// Whether this build and this processor can run the path; the scalar loop always can.
bool isWheelPathAvailable(WheelPath path);

// The widest available path: the one that nthPrime(n) and isWheelPrime(b) use.
WheelPath widestWheelPath();

// The n-th prime, for 1 <= n <= kMaxPrimeIndex; the path must be available.
std::uint32_t nthPrime(PrimeIndex n);
std::uint32_t nthPrime(PrimeIndex n, WheelPath path);

// True when b is prime; b must be at least 7 and coprime to 30. Tries every divisor
// coprime to 30 from 7 up to floor(sqrt(b)), composite divisors included.
bool isWheelPrime(std::uint32_t b);
bool isWheelPrime(std::uint32_t b, WheelPath path);

// The wheel test decides candidates a block at a time, so that they share the work that
// depends on the divisors alone.
constexpr unsigned kWheelBlock = 256;

// Which candidates of a block are prime: bit j % 64 of words[j / 64] stands for candidate j.
struct WheelBlockPrimes {
  std::uint64_t words[kWheelBlock / 64];

  bool operator[](unsigned j) const { return (words[j / 64] >> (j % 64) & 1) != 0; }
};

// Sets primes to the primes among the candidates; count is at most kWheelBlock, and every
// candidate is at least 7 and coprime to 30.
using WheelTest = void (*)(const std::uint32_t* candidates, unsigned count,
                           WheelBlockPrimes& primes);

// The wheel test on a given path, which must be available.
WheelTest wheelTestFor(WheelPath path);

// The n-th prime, for 11 <= n <= kMaxPrimeIndex - 1, found by walking from the checkpoint
// nearer in prime count of the two that bracket n, deciding its candidates with the given path
// or wheel test (a tool that counts the walk's work passes its own).
std::uint32_t walkFromCheckpoint(PrimeIndex n, WheelPath path = widestWheelPath());
std::uint32_t walkFromCheckpoint(PrimeIndex n, WheelTest isPrime);

// floor(sqrt(b)), exact for every 32-bit b. Each vector kernel has its own, compiled for its
// own instruction set.
std::uint32_t integerSquareRoot(std::uint32_t b);

}  // namespace nthprime
