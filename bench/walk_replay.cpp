// Replays the walk of one query with the vector kernels' exit rule and counts its work: the
// candidate-visits and divisor set-ups at each given number of wheel divisors a visit.
//
//   walk_replay <index | benchmark index name> <divisors a visit>...
//
// A benchmark index name is one of bench/benchmark_indices.hpp's: last_bracket_worst is the
// worst query. One line per number of divisors a visit, of words and values:
//   index, prime             the query and its answer
//   divisors_per_visit       this line's number of divisors a visit
//   blocks, candidates, primes, first_block, largest_block
//                            the blocks the walk handed the wheel test, their candidates, the
//                            primes among them, and the first block's size and the largest's
//   walked_primes, first_prime
//                            the primes the walk counted, from first_prime to the answer (the
//                            rest of its last block's primes lie past the answer)
//   divisors_first_prime, divisors_answer
//                            the wheel divisors from 7 up to the square root of first_prime and
//                            of the answer, all of which the wheel test tries on a prime
//   first_visit_only, visits, setups, setups_in_rounds
//                            the work at this number of divisors a visit (below)
//   divisor_tests            the divisions of the scalar loop: for each candidate, the wheel
//                            divisors up to its smallest wheel divisor, or to its square root
//
// The walk is the program's own: walkFromCheckpoint hands every block it decides to the wheel
// test here, which takes it through the paths' own scaffolding (wheel_common.inc), decides it
// with the scalar loop's divisor search and counts.
// A candidate b with limit floor(sqrt(b)) takes the visits of lane 0 divisors 7, 7 + stride, ...
// (stride = 30 * divisors / 8) and leaves at the visit of its smallest wheel divisor, or after
// the visit that reaches its limit; a block's set-ups are those of its longest stay. Candidates
// whose limit lies in the first visit are counted apart: a kernel may decide them outside the
// visits (the NEON kernel does, below its visit's span squared). The x86 kernels set up their
// divisor vectors a round of kVisitsPerRound visits at a time, up to the last visit that a
// candidate of the block needs: those set-ups are counted too.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "benchmark_indices.hpp"
#include "contract.hpp"
#include "walk.hpp"
#include "wheel_paths.hpp"

namespace nthprime::replay {

#include "wheel_common.inc"

namespace {

// What the walk hands the wheel test, whatever the width of a visit.
struct Walk {
  std::uint64_t blocks = 0;
  std::uint64_t candidates = 0;
  unsigned firstBlock = 0;
  unsigned largestBlock = 0;
  std::uint64_t divisorTests = 0;
  std::vector<std::uint32_t> primes;  // in walk order
};

// The kernels' work at one number of divisors a visit.
struct Width {
  unsigned long divisors = 0;
  std::uint32_t stride = 0;
  std::uint64_t firstVisitOnly = 0;
  std::uint64_t visits = 0;
  std::uint64_t setUps = 0;          // a visit at a time: a block's longest stay
  std::uint64_t setUpsInRounds = 0;  // in rounds, as far as the block's longest limit
};

Walk walk;
std::vector<Width> widths;

// The wheel divisors 7, 11, 13, ... up to m: the numbers coprime to 30 up to m, less 1.
std::uint32_t wheelDivisorsUpTo(std::uint32_t m) {
  constexpr std::uint32_t kResidues[8] = {1, 7, 11, 13, 17, 19, 23, 29};
  std::uint32_t coprime = m / 30 * 8;
  for (const std::uint32_t residue : kResidues) {
    coprime += residue <= m % 30 ? 1 : 0;
  }
  return m < 7 ? 0 : coprime - 1;
}

// Decides the block as the scalar loop does and counts its work at every width.
void replayBlock(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes) {
  std::vector<std::uint64_t> longestStay(widths.size());
  std::vector<std::uint64_t> longestReach(widths.size());
  startBlock(candidates, count, primes, [&](std::uint32_t b, std::uint32_t limit, unsigned) {
    const std::uint32_t divisor = scalar::smallestWheelDivisor(b, limit);
    walk.candidates += 1;
    walk.divisorTests += wheelDivisorsUpTo(divisor != 0 ? divisor : limit);
    if (divisor == 0) {
      walk.primes.push_back(b);
    }
    for (std::size_t i = 0; i < widths.size(); ++i) {
      Width& width = widths[i];
      if (limit < 7 + width.stride) {
        width.firstVisitOnly += 1;
        continue;
      }
      const std::uint64_t stay = ((divisor != 0 ? divisor : limit) - 7) / width.stride + 1;
      const std::uint64_t reach = (limit - 7) / width.stride + 1;
      width.visits += stay;
      longestStay[i] = stay > longestStay[i] ? stay : longestStay[i];
      longestReach[i] = reach > longestReach[i] ? reach : longestReach[i];
    }
    return divisor == 0 ? Verdict::kPrime : Verdict::kComposite;
  });
  walk.firstBlock = walk.blocks == 0 ? count : walk.firstBlock;
  walk.largestBlock = count > walk.largestBlock ? count : walk.largestBlock;
  walk.blocks += 1;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const std::uint64_t inRounds =
        (longestStay[i] + kVisitsPerRound - 1) / kVisitsPerRound * kVisitsPerRound;
    widths[i].setUps += longestStay[i];
    widths[i].setUpsInRounds += inRounds < longestReach[i] ? inRounds : longestReach[i];
  }
}

// The wheel divisors 7, 11, 13, ... up to floor(sqrt(p)).
std::uint32_t wheelDivisorsTried(std::uint32_t p) {
  return wheelDivisorsUpTo(integerSquareRoot(p));
}

// The index given by its number or by its name among the benchmark indices; 0 if neither.
unsigned long indexNamed(const char* text) {
  char* end = nullptr;
  const unsigned long index = std::strtoul(text, &end, 10);
  if (end != text && *end == '\0') {
    return index;
  }
  for (const BenchmarkIndex& named : benchmarkIndices()) {
    if (std::strcmp(named.name, text) == 0) {
      return named.n;
    }
  }
  return 0;
}

}  // namespace
}  // namespace nthprime::replay

using nthprime::replay::walk;
using nthprime::replay::widths;

int main(int argc, char** argv) {
  const unsigned long index = argc >= 3 ? nthprime::replay::indexNamed(argv[1]) : 0;
  bool usable = index >= 11 && index < nthprime::kMaxPrimeIndex;
  for (int i = 2; i < argc && usable; ++i) {
    nthprime::replay::Width width;
    width.divisors = std::strtoul(argv[i], nullptr, 10);
    width.stride = static_cast<std::uint32_t>(30 * (width.divisors / 8));
    usable = width.divisors != 0 && width.divisors % 8 == 0 && width.divisors <= (1u << 16);
    widths.push_back(width);
  }
  if (!usable) {
    std::fprintf(stderr,
                 "usage: walk_replay <index 11 ... %u, or a benchmark index's name> "
                 "<divisors a visit, a multiple of 8>...\n",
                 nthprime::kMaxPrimeIndex - 1);
    return 2;
  }
  const std::uint32_t prime = nthprime::walkFromCheckpoint(static_cast<nthprime::PrimeIndex>(index),
                                                           nthprime::replay::replayBlock);
  // The answer is among the last block's primes; those after it lie past the answer.
  std::size_t walked = walk.primes.size();
  while (walked > 0 && walk.primes[walked - 1] != prime) {
    --walked;
  }
  if (walked == 0) {
    std::fprintf(stderr, "walk_replay: the answer %u is not among the primes walked\n", prime);
    return 1;
  }
  const std::uint32_t firstPrime = walk.primes.front();
  for (const nthprime::replay::Width& width : widths) {
    std::printf(
        "index %lu prime %u divisors_per_visit %lu blocks %llu candidates %llu primes %zu "
        "first_visit_only %llu visits %llu setups %llu setups_in_rounds %llu first_block %u "
        "largest_block %u walked_primes %zu first_prime %u divisors_first_prime %u "
        "divisors_answer %u divisor_tests %llu\n",
        index, prime, width.divisors, static_cast<unsigned long long>(walk.blocks),
        static_cast<unsigned long long>(walk.candidates), walk.primes.size(),
        static_cast<unsigned long long>(width.firstVisitOnly),
        static_cast<unsigned long long>(width.visits),
        static_cast<unsigned long long>(width.setUps),
        static_cast<unsigned long long>(width.setUpsInRounds), walk.firstBlock, walk.largestBlock,
        walked, firstPrime, nthprime::replay::wheelDivisorsTried(firstPrime),
        nthprime::replay::wheelDivisorsTried(prime),
        static_cast<unsigned long long>(walk.divisorTests));
  }
  return 0;
}
