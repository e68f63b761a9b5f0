// Replays the walk of one query with a vector kernel's exit rule and counts its work: the
// candidate-visits and divisor set-ups at a given number of wheel divisors a visit.
//
//   walk_replay <index> <divisors a visit>
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

#include "contract.hpp"
#include "walk.hpp"
#include "wheel_paths.hpp"

namespace nthprime::replay {

#include "wheel_common.inc"

namespace {

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
Replay tally;

// Decides the block as the scalar loop does and counts its work.
void replayBlock(const std::uint32_t* candidates, unsigned count, WheelBlockPrimes& primes) {
  std::uint64_t longestStay = 0;
  std::uint64_t longestReach = 0;
  startBlock(candidates, count, primes, [&](std::uint32_t b, std::uint32_t limit, unsigned) {
    const std::uint32_t divisor = scalar::smallestWheelDivisor(b, limit);
    tally.candidates += 1;
    tally.primes += divisor == 0 ? 1 : 0;
    if (limit >= 7 + tally.stride) {
      const std::uint64_t stay = ((divisor != 0 ? divisor : limit) - 7) / tally.stride + 1;
      const std::uint64_t reach = (limit - 7) / tally.stride + 1;
      tally.visits += stay;
      longestStay = stay > longestStay ? stay : longestStay;
      longestReach = reach > longestReach ? reach : longestReach;
    } else {
      tally.firstVisitOnly += 1;
    }
    return divisor == 0 ? Verdict::kPrime : Verdict::kComposite;
  });
  const std::uint64_t inRounds =
      (longestStay + kVisitsPerRound - 1) / kVisitsPerRound * kVisitsPerRound;
  tally.blocks += 1;
  tally.setUps += longestStay;
  tally.setUpsInRounds += inRounds < longestReach ? inRounds : longestReach;
}

}  // namespace
}  // namespace nthprime::replay

using nthprime::replay::tally;

int main(int argc, char** argv) {
  const unsigned long index = argc == 3 ? std::strtoul(argv[1], nullptr, 10) : 0;
  const unsigned long divisors = argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 0;
  if (index < 11 || index >= nthprime::kMaxPrimeIndex || divisors == 0 || divisors % 8 != 0) {
    std::fprintf(stderr,
                 "usage: walk_replay <index 11 ... %u> <divisors a visit, a multiple of 8>\n",
                 nthprime::kMaxPrimeIndex - 1);
    return 2;
  }
  tally.stride = static_cast<std::uint32_t>(30 * (divisors / 8));
  const std::uint32_t prime = nthprime::walkFromCheckpoint(static_cast<nthprime::PrimeIndex>(index),
                                                           nthprime::replay::replayBlock);
  std::printf(
      "index %lu prime %u divisors_per_visit %lu blocks %llu candidates %llu primes %llu "
      "first_visit_only %llu visits %llu setups %llu setups_in_rounds %llu\n",
      index, prime, divisors, static_cast<unsigned long long>(tally.blocks),
      static_cast<unsigned long long>(tally.candidates),
      static_cast<unsigned long long>(tally.primes),
      static_cast<unsigned long long>(tally.firstVisitOnly),
      static_cast<unsigned long long>(tally.visits), static_cast<unsigned long long>(tally.setUps),
      static_cast<unsigned long long>(tally.setUpsInRounds));
  return 0;
}
