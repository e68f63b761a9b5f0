// Calls outside the search library's contract stop the program with one line on standard error,
// instead of reading past the checkpoint table, overflowing a block or walking for ever.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "nth_prime.hpp"
#include "walk.hpp"
#include "wheel_paths.hpp"

using namespace nthprime;

namespace {

// The whole of standard error: the message and its line end (CR LF where a Windows program's
// text streams write one), as a regular expression that both GoogleTest's POSIX and its simple
// expressions read alike: parentheses escaped, the control characters themselves. Under
// qemu-user, the emulator adds a line of its own on the abort.
std::string aloneOnStandardError(const std::string& message) {
  std::string pattern = "^nthprime: ";
  for (const char c : message) {
    pattern += c == '(' || c == ')' ? std::string("\\") + c : std::string(1, c);
  }
#ifdef _WIN32
  return pattern + "\r?\n$";
#else
  return pattern + "\n(qemu: uncaught target signal 6 \\(Aborted\\) - core dumped\n)?$";
#endif
}

// A wheel test that finds no prime: the walk never meets its answer.
void findsNoPrime(const std::uint32_t*, unsigned, WheelBlockPrimes& primes) {
  primes = {};
}

}  // namespace

TEST(ContractDeathTest, NthPrimeStopsOutsideItsIndices) {
  EXPECT_DEATH(nthPrime(0),
               aloneOnStandardError("nthPrime(0): the index must be from 1 to 203280221"));
  EXPECT_DEATH(nthPrime(kMaxPrimeIndex + 1),
               aloneOnStandardError("nthPrime(203280222): the index must be from 1 to 203280221"));
  EXPECT_DEATH(nthPrime(4294967295u, WheelPath::kScalar),
               aloneOnStandardError("nthPrime(4294967295): the index must be from 1 to 203280221"));
}

TEST(ContractDeathTest, IsWheelPrimeStopsBelowSevenAndOnMultiplesOfTwoThreeAndFive) {
  for (const std::uint32_t b : {0u, 1u, 5u, 9u, 25u, 98u, 4294967295u}) {
    EXPECT_DEATH(isWheelPrime(b), aloneOnStandardError("isWheelPrime(" + std::to_string(b) +
                                                       "): b must be at least 7 and coprime to 30"))
        << "b = " << b;
  }
}

TEST(ContractDeathTest, EveryPathStopsWhenHandedMoreCandidatesThanABlock) {
  const std::vector<std::uint32_t> candidates(kWheelBlock + 1, 4294967291u);
  for (const WheelPath path : kWheelPaths) {
    if (!isWheelPathAvailable(path)) {
      continue;
    }
    EXPECT_DEATH(
        {
          WheelBlockPrimes primes;
          wheelTestFor(path)(candidates.data(), kWheelBlock + 1, primes);
        },
        aloneOnStandardError("the wheel test was handed 257 candidates, more than a block"))
        << wheelPathName(path);
  }
}

// 1000 walks down from (8190, 1027), 700 up from (4080, 562): neither may pass the other end.
TEST(ContractDeathTest, AWalkThatMissesItsAnswerStopsAtTheFarCheckpoint) {
  for (const PrimeIndex n : {1000u, 700u}) {
    EXPECT_DEATH(walkFromCheckpoint(n, findsNoPrime),
                 aloneOnStandardError("the walk to prime number " + std::to_string(n) +
                                      " reached its far checkpoint: the wheel test is wrong"));
  }
}

TEST(ContractDeathTest, TheWalkStopsOutsideItsIndices) {
  for (const PrimeIndex n : {10u, kMaxPrimeIndex}) {
    EXPECT_DEATH(walkFromCheckpoint(n, wheelTestFor(WheelPath::kScalar)),
                 aloneOnStandardError("walkFromCheckpoint(" + std::to_string(n) +
                                      "): the walk answers 11 ... 203280220"));
  }
}
