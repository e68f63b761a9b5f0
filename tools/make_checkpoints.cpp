// Writes src/prime/checkpoints.cpp: the checkpoint bounds with their exact prime counts,
// found by a segmented sieve of Eratosthenes over the odd numbers up to 2^32.
//
// Usage: make_checkpoints [output-file]   (standard output when no file is named)
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

constexpr std::uint64_t kLimit = std::uint64_t{1} << 32;

// One bit per odd number; 32 KiB of bits is one level-1 data cache.
constexpr std::uint64_t kSegmentWords = 4096;
constexpr std::uint64_t kSegmentOdds = kSegmentWords * 64;
constexpr std::uint64_t kSegmentSpan = 2 * kSegmentOdds;

std::vector<std::uint64_t> checkpointBounds() {
  std::vector<std::uint64_t> bounds;
  for (int e = 5; e <= 22; ++e) {
    bounds.push_back((std::uint64_t{1} << e) / 30 * 30);
  }
  for (std::uint64_t k = 2; k <= 1024; ++k) {
    bounds.push_back((k << 22) / 30 * 30);
  }
  return bounds;
}

int popcount(std::uint64_t word) {
  return __builtin_popcountll(word);
}

// The odd primes below 2^16, enough to sieve everything below 2^32.
std::vector<std::uint32_t> oddSievingPrimes() {
  constexpr std::uint32_t kRoot = 1u << 16;
  std::vector<bool> composite(kRoot, false);
  std::vector<std::uint32_t> primes;
  for (std::uint32_t p = 3; p < kRoot; p += 2) {
    if (composite[p]) {
      continue;
    }
    primes.push_back(p);
    for (std::uint32_t m = p * p; m < kRoot; m += 2 * p) {
      composite[m] = true;
    }
  }
  return primes;
}

// The multiples of the smallest odd primes repeat every 3 * 5 * 7 * 11 * 13 odd numbers, so
// they are copied into each segment as a pattern instead of being crossed off one by one.
constexpr std::uint32_t kPresievedPrimes[] = {3, 5, 7, 11, 13};
constexpr std::uint64_t kPatternOdds = std::uint64_t{3} * 5 * 7 * 11 * 13;

class Pattern {
 public:
  Pattern() : words_((kPatternOdds + kSegmentOdds) / 64 + 2, 0) {
    for (const std::uint64_t p : kPresievedPrimes) {
      // Bit j stands for the odd number 2j + 1, a multiple of p when j = (p - 1) / 2 + k p.
      for (std::uint64_t j = (p - 1) / 2; j < words_.size() * 64; j += p) {
        words_[j / 64] |= std::uint64_t{1} << (j % 64);
      }
    }
  }

  // Bits [start, start + 64) of the pattern, for start below kPatternOdds + kSegmentOdds.
  std::uint64_t wordAt(std::uint64_t start) const {
    const std::uint64_t q = start / 64;
    const std::uint64_t s = start % 64;
    return s == 0 ? words_[q] : (words_[q] >> s) | (words_[q + 1] << (64 - s));
  }

 private:
  std::vector<std::uint64_t> words_;
};

// Sieves [low, low + kSegmentSpan): bit j stands for the odd number low + 2j + 1, and a set
// bit marks a composite (or 1).
class Segment {
 public:
  void sieve(std::uint64_t low, const Pattern& pattern, const std::vector<std::uint32_t>& primes) {
    low_ = low;
    words_.resize(kSegmentWords);
    const std::uint64_t phase = low / 2 % kPatternOdds;
    for (std::uint64_t w = 0; w < kSegmentWords; ++w) {
      words_[w] = pattern.wordAt(phase + 64 * w);
    }
    const std::uint64_t high = low + kSegmentSpan;
    for (const std::uint64_t p : primes) {
      if (p <= kPresievedPrimes[4]) {
        continue;
      }
      if (p * p >= high) {
        break;
      }
      std::uint64_t first = p * p;
      if (first < low) {
        first = (low + p - 1) / p * p;
        if (first % 2 == 0) {
          first += p;
        }
      }
      for (std::uint64_t j = (first - low) / 2; j < kSegmentOdds; j += p) {
        words_[j / 64] |= std::uint64_t{1} << (j % 64);
      }
    }
    if (low == 0) {
      words_[0] |= 1;  // 1 is not prime
      for (const std::uint64_t p : kPresievedPrimes) {
        words_[0] &= ~(std::uint64_t{1} << (p / 2));  // the pattern crossed off p itself
      }
    }
  }

  // Odd primes in [low, x]; x must lie in this segment.
  std::uint64_t countOddPrimesUpTo(std::uint64_t x) const {
    const std::uint64_t odds = (x - low_ + 1) / 2;  // odd numbers in [low, x]
    std::uint64_t composites = 0;
    for (std::uint64_t w = 0; w < odds / 64; ++w) {
      composites += popcount(words_[w]);
    }
    if (odds % 64 != 0) {
      const std::uint64_t mask = (std::uint64_t{1} << (odds % 64)) - 1;
      composites += popcount(words_[odds / 64] & mask);
    }
    return odds - composites;
  }

 private:
  std::uint64_t low_ = 0;
  std::vector<std::uint64_t> words_;
};

struct Count {
  std::uint64_t bound;
  std::uint64_t primes;
};

std::vector<Count> countPrimesAtBounds(const std::vector<std::uint64_t>& bounds) {
  const std::vector<std::uint32_t> primes = oddSievingPrimes();
  std::vector<Count> counts;
  std::uint64_t primesBelowSegment = 1;  // the prime 2
  const Pattern pattern;
  Segment segment;
  auto next = bounds.begin();
  for (std::uint64_t low = 0; low < kLimit && next != bounds.end(); low += kSegmentSpan) {
    segment.sieve(low, pattern, primes);
    const std::uint64_t high = low + kSegmentSpan;
    for (; next != bounds.end() && *next < high; ++next) {
      counts.push_back({*next, primesBelowSegment + segment.countOddPrimesUpTo(*next)});
    }
    primesBelowSegment += segment.countOddPrimesUpTo(high - 1);
  }
  return counts;
}

void writeTable(std::ostream& out, const std::vector<Count>& counts) {
  out << "// The checkpoint table: each bound with the exact number of primes up to it.\n"
         "// Generated by tools/make_checkpoints.cpp; do not edit.\n"
         "#include \"checkpoints.hpp\"\n"
         "\n"
         "namespace nthprime {\n"
         "\n"
         "const Checkpoint kCheckpoints[kCheckpointCount] = {\n";
  for (const Count& c : counts) {
    out << "    {" << c.bound << "u, " << c.primes << "u},\n";
  }
  out << "};\n"
         "\n"
         "}  // namespace nthprime\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<Count> counts = countPrimesAtBounds(checkpointBounds());
  if (argc < 2) {
    writeTable(std::cout, counts);
    return std::cout.flush() ? 0 : 1;
  }
  std::ofstream file(argv[1], std::ios::binary);
  writeTable(file, counts);
  file.close();
  if (!file) {
    std::cerr << "make_checkpoints: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
