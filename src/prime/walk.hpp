// The checkpoint walk inside the search library: its tables, the blocks of candidates it hands
// the wheel test, and the walk itself, for the library's paths, its tests and its benchmarks.
#pragma once

#include <algorithm>
#include <cstdint>

#include "checkpoints.hpp"
#include "nth_prime.hpp"

namespace nthprime {

// kSmallPrimes[n] is the n-th prime for n = 1 ... 10; entry 0 is unused.
inline constexpr std::uint32_t kSmallPrimes[11] = {0, 2, 3, 5, 7, 11, 13, 17, 19, 23, 29};

// Gaps between consecutive numbers coprime to 30, starting from 7: 7, 11, 13, ..., 29, 31, 37.
// A wheel position w is an index into it: kWheelSteps[w] leads from the w-th remainder of the
// cycle (7, 11, 13, 17, 19, 23, 29, 1) to the next.
inline constexpr std::uint32_t kWheelSteps[8] = {4, 2, 4, 2, 4, 6, 2, 6};

// The wheel test decides candidates a block at a time, so that they share the work that
// depends on the divisors alone. A walk's first block holds kFirstWheelBlock candidates and
// each after it twice as many, up to kWheelBlock: a short walk decides few candidates past its
// answer, a long one shares each divisor's work among many.
constexpr unsigned kWheelBlock = 256;
constexpr unsigned kFirstWheelBlock = 64;

// Which candidates of a block are prime: bit j % 64 of words[j / 64] stands for candidate j.
struct WheelBlockPrimes {
  std::uint64_t words[kWheelBlock / 64];

  bool operator[](unsigned j) const { return (words[j / 64] >> (j % 64) & 1) != 0; }
};

// Sets primes to the primes among the candidates: one path's wheel test. count is at most
// kWheelBlock (more stops the program), and every candidate is at least 7 and coprime to 30.
using WheelTest = void (*)(const std::uint32_t* candidates, unsigned count,
                           WheelBlockPrimes& primes);

// The candidates of a walk in the blocks it hands the wheel test: from b at wheel position w,
// upwards or downwards, each candidate before end. Walking up, end is at most 2^32 - 6, so that
// no step past the last candidate wraps.
template <bool kUpwards>
class WheelWalk {
 public:
  WheelWalk(std::uint32_t b, std::uint32_t w, std::uint32_t end) : b_(b), w_(w), end_(end) {}

  // Fills block with the walk's next candidates and returns how many: 0 once it reaches end.
  unsigned nextBlock(std::uint32_t (&block)[kWheelBlock]) {
    unsigned size = 0;
    for (; size < blockSize_ && (kUpwards ? b_ < end_ : b_ > end_); ++size) {
      block[size] = b_;
      if (kUpwards) {
        b_ += kWheelSteps[w_];
        w_ = (w_ + 1) % 8;
      } else {
        b_ -= kWheelSteps[w_];
        w_ = (w_ + 7) % 8;
      }
    }
    blockSize_ = std::min(2 * blockSize_, kWheelBlock);
    return size;
  }

 private:
  std::uint32_t b_;
  std::uint32_t w_;
  std::uint32_t end_;
  unsigned blockSize_ = kFirstWheelBlock;
};

// The n-th prime, for 11 <= n <= kMaxPrimeIndex - 1, found by walking from the checkpoint
// nearer in prime count of the two that bracket n, deciding its candidates with the given
// wheel test (a tool that counts the walk's work passes its own). A walk that reaches its far
// checkpoint without the n-th prime, which only a wrong wheel test can make it do, stops the
// program.
std::uint32_t walkFromCheckpoint(PrimeIndex n, WheelTest isPrime);

}  // namespace nthprime
