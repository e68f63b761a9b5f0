// Proves a way of running the wheel test on every candidate below 2^32: each number from 7
// up coprime to 30, handed to it in blocks as the walk hands them, against a sieve of its own.
//
//   exhaustive_test <path> [end [start]]   check the path from start (default 0, rounded down to
//                                          a segment's start) below end (default 2^32); exit 77
//                                          when this processor or build lacks it
//   exhaustive_test --widest               print the name of the widest path this processor has
//
// A long run (the whole range under an emulator takes hours) can so be split or resumed.
//
// The sieve is a segmented sieve of Eratosthenes over odd numbers, one bit each, and the
// segments are shared out among all the processor's cores. Each segment, a whole number of
// wheel cycles like a bracket between two checkpoints, is walked as the walk walks a bracket,
// by the walk's own code: up from its first candidate or down from its last, in blocks growing
// from the first block's size to a whole block. The segments alternate in direction.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "nth_prime.hpp"
#include "walk.hpp"
#include "wheel_paths.hpp"

using namespace nthprime;

namespace {

constexpr std::uint64_t k2To32 = std::uint64_t{1} << 32;
constexpr std::uint64_t kPrimesBelow2To32 = 203280221;
constexpr int kSkipped = 77;

// A whole number of wheel cycles, so that every segment starts at a multiple of 30.
constexpr std::uint64_t kSegmentLength = 30 * (1 << 17);
constexpr std::uint32_t kResidues[8] = {1, 7, 11, 13, 17, 19, 23, 29};

// The wheel position of each remainder modulo 30 that is coprime to 30: the step from it is
// kWheelSteps[position].
std::uint32_t wheelPosition(std::uint32_t remainder) {
  constexpr std::uint32_t kInWalkOrder[8] = {7, 11, 13, 17, 19, 23, 29, 1};
  return static_cast<std::uint32_t>(std::find(kInWalkOrder, kInWalkOrder + 8, remainder) -
                                    kInWalkOrder);
}

bool isCandidate(std::uint64_t b) {
  return b >= 7 && b % 2 != 0 && b % 3 != 0 && b % 5 != 0;
}

// The odd primes below 2^16, which are all the sieve needs below 2^32.
std::vector<std::uint32_t> oddPrimesBelow2To16() {
  std::vector<bool> composite(1 << 16);
  std::vector<std::uint32_t> primes;
  for (std::uint32_t p = 3; p < (1u << 16); p += 2) {
    if (!composite[p]) {
      primes.push_back(p);
      for (std::uint32_t m = p * p; m < (1u << 16); m += 2 * p) {
        composite[m] = true;
      }
    }
  }
  return primes;
}

// One bit per odd number of [start, start + kSegmentLength): bit i stands for start + 2i + 1.
class Segment {
 public:
  explicit Segment(const std::vector<std::uint32_t>& primes) : primes_(primes) {}

  void sieve(std::uint64_t start) {
    start_ = start;
    bits_.assign(kSegmentLength / 2 / 64, ~std::uint64_t{0});
    const std::uint64_t end = start + kSegmentLength;
    for (const std::uint64_t p : primes_) {
      if (p * p >= end) {
        break;
      }
      std::uint64_t m = std::max(p * p, (start + p - 1) / p * p);
      if (m % 2 == 0) {
        m += p;
      }
      for (; m < end; m += 2 * p) {
        const std::uint64_t i = (m - start) / 2;
        bits_[i / 64] &= ~(std::uint64_t{1} << (i % 64));
      }
    }
  }

  // b must be odd and in the segment.
  bool isPrime(std::uint64_t b) const {
    const std::uint64_t i = (b - start_) / 2;
    return (bits_[i / 64] >> (i % 64) & 1) != 0;
  }

 private:
  const std::vector<std::uint32_t>& primes_;
  std::uint64_t start_ = 0;
  std::vector<std::uint64_t> bits_;
};

struct Tally {
  std::uint64_t candidates = 0;
  std::uint64_t primes = 0;
  std::uint64_t disagreements = 0;
};

unsigned workerCount() {
  return std::max(1u, std::thread::hardware_concurrency());
}

class Proof {
 public:
  Proof(WheelPath path, std::uint64_t start, std::uint64_t end)
      : isPrime_(wheelTestFor(path)), end_(end), nextSegment_(start / kSegmentLength) {}

  Tally run() {
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < workerCount(); ++t) {
      threads.emplace_back([this] { work(); });
    }
    for (std::thread& thread : threads) {
      thread.join();
    }
    return total_;
  }

 private:
  void work() {
    Segment segment(primes_);
    Tally tally;
    for (;;) {
      const std::uint64_t start = nextSegment_.fetch_add(1) * kSegmentLength;
      if (start >= end_) {
        break;
      }
      segment.sieve(start);
      check(segment, start, std::min(start + kSegmentLength, end_), tally);
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    total_.candidates += tally.candidates;
    total_.primes += tally.primes;
    total_.disagreements += tally.disagreements;
  }

  // Every candidate of [start, end), handed over as a walk of a bracket hands it over. A walk
  // up stops before its end, which must leave room for a step: the last segment below 2^32 is
  // walked down.
  void check(const Segment& segment, std::uint64_t start, std::uint64_t end, Tally& tally) {
    const bool upwards = (start / kSegmentLength) % 2 == 1 && end <= k2To32 - 6;
    std::uint64_t b = upwards ? std::max<std::uint64_t>(start, 7) : end - 1;
    while (!isCandidate(b)) {
      b += upwards ? 1 : -1;
    }
    const std::uint32_t position = wheelPosition(static_cast<std::uint32_t>(b % 30));
    if (upwards) {
      checkWalk(
          segment,
          WheelWalk<true>(static_cast<std::uint32_t>(b), position, static_cast<std::uint32_t>(end)),
          tally);
    } else {
      checkWalk(segment,
                WheelWalk<false>(static_cast<std::uint32_t>(b), (position + 7) % 8,
                                 static_cast<std::uint32_t>(std::max<std::uint64_t>(start, 6))),
                tally);
    }
  }

  template <typename Walk>
  void checkWalk(const Segment& segment, Walk walk, Tally& tally) {
    std::uint32_t block[kWheelBlock];
    while (const unsigned size = walk.nextBlock(block)) {
      compare(segment, block, size, tally);
    }
  }

  void compare(const Segment& segment, const std::uint32_t* block, unsigned size, Tally& tally) {
    WheelBlockPrimes primes;
    isPrime_(block, size, primes);
    for (unsigned j = 0; j < size; ++j) {
      const bool expected = segment.isPrime(block[j]);
      tally.candidates += 1;
      tally.primes += expected ? 1 : 0;
      if (primes[j] != expected) {
        report(block[j], expected);
        tally.disagreements += 1;
      }
    }
  }

  void report(std::uint32_t b, bool expected) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (reported_++ < 20) {
      std::printf("  %u: the sieve says %s, the wheel test does not\n", b,
                  expected ? "prime" : "composite");
    }
  }

  const WheelTest isPrime_;
  const std::uint64_t end_;
  const std::vector<std::uint32_t> primes_ = oddPrimesBelow2To16();
  std::atomic<std::uint64_t> nextSegment_;
  std::mutex mutex_;
  Tally total_;
  unsigned reported_ = 0;
};

// The numbers coprime to 30 from 7 below end: eight in every 30, less 1.
std::uint64_t candidatesBelow(std::uint64_t end) {
  std::uint64_t count = end / 30 * 8;
  for (const std::uint32_t residue : kResidues) {
    count += residue < end % 30 ? 1 : 0;
  }
  return count - 1;
}

// Those from start, a multiple of 30, below end.
std::uint64_t candidatesIn(std::uint64_t start, std::uint64_t end) {
  return candidatesBelow(end) - (start == 0 ? 0 : candidatesBelow(start));
}

std::uint64_t argumentOr(int argc, char** argv, int position, std::uint64_t otherwise) {
  return argc > position
             ? std::min<std::uint64_t>(std::strtoull(argv[position], nullptr, 0), k2To32)
             : otherwise;
}

bool pathNamed(const char* name, WheelPath& path) {
  for (const WheelPath candidate : kWheelPaths) {
    if (std::strcmp(name, wheelPathName(candidate)) == 0) {
      path = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--widest") == 0) {
    std::printf("%s\n", wheelPathName(widestWheelPath()));
    return 0;
  }
  WheelPath path = WheelPath::kScalar;
  if (argc < 2 || argc > 4 || !pathNamed(argv[1], path)) {
    std::fprintf(stderr, "usage: exhaustive_test");
    for (const WheelPath candidate : kWheelPaths) {
      std::fprintf(stderr, "%c%s", candidate == kWheelPaths[0] ? ' ' : '|',
                   wheelPathName(candidate));
    }
    std::fprintf(stderr, " [end [start]] | --widest\n");
    return 2;
  }
  if (!isWheelPathAvailable(path)) {
    std::printf("skipped: the %s wheel test is not available in this build or on this processor\n",
                argv[1]);
    return kSkipped;
  }
  const std::uint64_t end = argumentOr(argc, argv, 2, k2To32);
  const std::uint64_t start =
      std::min(argumentOr(argc, argv, 3, 0), end) / kSegmentLength * kSegmentLength;
  const auto started = std::chrono::steady_clock::now();
  const Tally tally = Proof(path, start, end).run();
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
  std::printf(
      "%s: %llu candidates coprime to 30 from %llu below %llu, %llu of them prime, "
      "%llu disagreements with the sieve (%.1f s, %u threads)\n",
      argv[1], static_cast<unsigned long long>(tally.candidates),
      static_cast<unsigned long long>(std::max<std::uint64_t>(start, 7)),
      static_cast<unsigned long long>(end), static_cast<unsigned long long>(tally.primes),
      static_cast<unsigned long long>(tally.disagreements), seconds.count(), workerCount());
  bool proven = tally.disagreements == 0 && tally.candidates == candidatesIn(start, end);
  if (start == 0 && end == k2To32 &&
      tally.primes != kPrimesBelow2To32 - 3) {  // 2, 3 and 5 are no candidates
    std::printf("the sieve is wrong: it counts %llu primes below 2^32\n",
                static_cast<unsigned long long>(tally.primes + 3));
    proven = false;
  }
  return proven ? 0 : 1;
}
