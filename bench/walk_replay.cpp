// Replays the walk of one query with a vector kernel's exit rule and counts its work: the
// candidate-visits and divisor set-ups at a given number of wheel divisors a visit.
//
//   walk_replay <index> <divisors a visit>
//
// The walk is the program's own: walkFromCheckpoint hands every block it decides to the wheel
// test here, which decides it as the scalar loop does and counts.
// A candidate b with limit floor(sqrt(b)) takes the visits of lane 0 divisors 7, 7 + stride, ...
// (stride = 30 * divisors / 8) and leaves at the visit of its smallest wheel divisor, or after
// the visit that reaches its limit; a block's set-ups are those of its longest stay. Candidates
// whose limit lies in the first visit are counted apart: a kernel may decide them outside the
// visits (the NEON kernel does, below its visit's span squared). The x86 kernels set up their
// divisor vectors a round of kVisitsPerRound visits at a time, up to the last visit that a
// candidate of the block needs: those set-ups are counted too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "nth_prime.hpp"
#include "wheel_paths.hpp"

namespace nthprime {
namespace {

// As in wheel_kernel_body.inc.
constexpr std::uint64_t kVisitsPerRound = 8;

struct Replay {
  std::uint32_t stride = 0;
  std::uint64_t blocks = 0;
  std::uint64_t candidates = 0;
  std::uint64_t primes = 0;
  std::uint64_t firstVisitOnly = 0;
  std::uint64_t visits = 0;
  std::uint64_t setUps = 0;          // a visit at a time: a block's longest stay
  std::uint64_t setUpsInRounds = 0;  // in rounds, as far as the block's longest limit
};
Replay replay;

// The smallest wheel divisor from 7 up to limit that divides b, or 0: the scalar loop's order.
std::uint32_t smallestWheelDivisor(std::uint32_t b, std::uint32_t limit) {
  std::uint32_t w = 0;
  for (std::uint32_t m = 7; m <= limit; m += kWheelSteps[w], w = (w + 1) % 8) {
    if (b % m == 0) {
      return m;
    }
  }
  return 0;
}

// Decides the block as the scalar loop does and counts its work.
void replayBlock(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes) {
  primes = {};
  std::uint64_t longestStay = 0;
  std::uint64_t longestReach = 0;
  for (unsigned slot = 0; slot < count; ++slot) {
    const std::uint32_t b = candidates[slot];
    const std::uint32_t limit = integerSquareRoot(b);
    const std::uint32_t divisor = smallestWheelDivisor(b, limit);
    if (divisor == 0) {
      primes.words[slot / 64] |= std::uint64_t{1} << slot % 64;
      replay.primes += 1;
    }
    replay.candidates += 1;
    if (limit < 7 + replay.stride) {
      replay.firstVisitOnly += 1;
      continue;
    }
    const std::uint64_t stay = ((divisor != 0 ? divisor : limit) - 7) / replay.stride + 1;
    const std::uint64_t reach = (limit - 7) / replay.stride + 1;
    replay.visits += stay;
    longestStay = stay > longestStay ? stay : longestStay;
    longestReach = reach > longestReach ? reach : longestReach;
  }
  const std::uint64_t inRounds =
      (longestStay + kVisitsPerRound - 1) / kVisitsPerRound * kVisitsPerRound;
  replay.blocks += 1;
  replay.setUps += longestStay;
  replay.setUpsInRounds += inRounds < longestReach ? inRounds : longestReach;
}

}  // namespace
}  // namespace nthprime

using nthprime::replay;

int main(int argc, char** argv) {
  const unsigned long index = argc == 3 ? std::strtoul(argv[1], nullptr, 10) : 0;
  const unsigned long divisors = argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 0;
  if (index < 11 || index >= nthprime::kMaxPrimeIndex || divisors == 0 || divisors % 8 != 0) {
    std::fprintf(stderr,
                 "usage: walk_replay <index 11 ... %u> <divisors a visit, a multiple of 8>\n",
                 nthprime::kMaxPrimeIndex - 1);
    return 2;
  }
  replay.stride = static_cast<std::uint32_t>(30 * (divisors / 8));
  const std::uint32_t prime =
      nthprime::walkFromCheckpoint(static_cast<nthprime::PrimeIndex>(index), nthprime::replayBlock);
  std::printf(
      "index %lu prime %u divisors_per_visit %lu blocks %llu candidates %llu primes %llu "
      "first_visit_only %llu visits %llu setups %llu setups_in_rounds %llu\n",
      index, prime, divisors, static_cast<unsigned long long>(replay.blocks),
      static_cast<unsigned long long>(replay.candidates),
      static_cast<unsigned long long>(replay.primes),
      static_cast<unsigned long long>(replay.firstVisitOnly),
      static_cast<unsigned long long>(replay.visits),
      static_cast<unsigned long long>(replay.setUps),
      static_cast<unsigned long long>(replay.setUpsInRounds));
  return 0;
}
