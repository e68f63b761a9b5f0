// The n-th prime search and the wheel test, against a reference sieve and the known
// edges of the walk.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "checkpoints.hpp"
#include "floating_point_environments.hpp"
#include "nth_prime.hpp"
#include "reference_sieve.hpp"

#if defined(__i386__) && !defined(__SSE_MATH__) && defined(__GNUC__)
#include <xmmintrin.h>
#endif

using namespace nthprime;
using testing_environments::FloatingPointEnvironment;
using testing_environments::floatingPointEnvironments;
using testing_environments::InEnvironment;

namespace {

// a * b in the unit where the kernels compute: on 32-bit x86 built for the x87 unit, in SSE's,
// which the flushing modes are set for.
#if defined(__i386__) && !defined(__SSE_MATH__) && defined(__GNUC__)
__attribute__((target("sse"))) float productInKernelsUnit(float a, float b) {
  volatile float x = a;  // read at run time, never folded by the compiler
  volatile float y = b;
  return _mm_cvtss_f32(_mm_mul_ss(_mm_set_ss(x), _mm_set_ss(y)));
}
#else
float productInKernelsUnit(float a, float b) {
  volatile float x = a;  // read at run time, never folded by the compiler
  volatile float y = b;
  return x * y;
}
#endif

constexpr std::uint32_t kSieveLimit = 1u << 24;

const ReferenceSieve& sieve() {
  static const ReferenceSieve s(kSieveLimit);
  return s;
}

}  // namespace

TEST(NthPrime, AnswersTheSmallestAndTheLargestIndexDirectly) {
  for (PrimeIndex n = 1; n <= 10; ++n) {
    EXPECT_EQ(nthPrime(n), sieve().nthPrime(n)) << "n = " << n;
  }
  EXPECT_EQ(nthPrime(kMaxPrimeIndex), 4294967291u);
}

TEST(NthPrime, WalksFromTheFirstCandidateAndStopsAtTheRightPrime) {
  EXPECT_EQ(nthPrime(11), 31u);  // first candidate of the first walk up
  EXPECT_EQ(nthPrime(12), 37u);
  EXPECT_EQ(nthPrime(13), 41u);       // the midpoint of (30, 10)..(60, 17) walks down past 49
  EXPECT_EQ(nthPrime(17), 59u);       // a checkpoint's own count: its first candidate below
  EXPECT_EQ(nthPrime(6542), 65521u);  // the first candidate above (65520, 6541)
  EXPECT_EQ(nthPrime(kMaxPrimeIndex - 1), 4294967279u);  // below the last checkpoint
}

TEST(NthPrime, MatchesTheSieveForEveryIndexThroughTheThirteenthCheckpoint) {
  const PrimeIndex last = kCheckpoints[12].primeCount;
  for (PrimeIndex n = 1; n <= last; ++n) {
    ASSERT_EQ(nthPrime(n), sieve().nthPrime(n)) << "n = " << n;
  }
}

TEST(NthPrime, MatchesTheSieveAroundEveryCheckpointAndMidpointBelowItsLimit) {
  for (std::size_t i = 1; kCheckpoints[i].bound <= kSieveLimit; ++i) {
    const PrimeIndex low = kCheckpoints[i - 1].primeCount;
    const PrimeIndex high = kCheckpoints[i].primeCount;
    const PrimeIndex mid = (low + high) / 2;
    for (const PrimeIndex n : {low + 1, low + 2, mid - 1, mid, mid + 1, high - 1, high}) {
      ASSERT_EQ(nthPrime(n), sieve().nthPrime(n)) << "record " << i << ", n = " << n;
    }
  }
}

TEST(IsWheelPrime, FindsSquaresOfPrimesAndProductsNearTheRootComposite) {
  EXPECT_FALSE(isWheelPrime(49));   // the divisor bound is inclusive
  EXPECT_FALSE(isWheelPrime(361));  // 19 * 19
  const ReferenceSieve small(1u << 16);
  for (PrimeIndex i = 4; i <= small.primeCount(); ++i) {  // primes from 7
    const std::uint32_t p = small.nthPrime(i);
    ASSERT_FALSE(isWheelPrime(p * p)) << p << "^2";
  }
  // The largest primes below 2^16 and their products, the last divisors a candidate needs.
  const PrimeIndex top = small.primeCount();
  for (PrimeIndex i = top - 40; i <= top; ++i) {
    for (PrimeIndex j = i; j <= top; ++j) {
      const std::uint32_t b = small.nthPrime(i) * small.nthPrime(j);
      ASSERT_FALSE(isWheelPrime(b)) << small.nthPrime(i) << " * " << small.nthPrime(j);
    }
  }
}

TEST(IsWheelPrime, KnowsTheLargestPrimesBelow2To32) {
  EXPECT_TRUE(isWheelPrime(4294967291u));
  EXPECT_TRUE(isWheelPrime(4294967279u));
  EXPECT_FALSE(isWheelPrime(4294967213u));  // 57139 * 75167: a divisor near the root
  EXPECT_FALSE(isWheelPrime(4294967293u));  // 9241 * 464773
}

// The environments are what they are named for, so that the tests in them test something: a
// product that rounds differently in each direction, and one whose exact value is subnormal.
TEST(FloatingPointEnvironments, RoundAndFlushAsNamed) {
  for (const FloatingPointEnvironment& environment : floatingPointEnvironments()) {
    SCOPED_TRACE(environment.name);
    const std::string name = environment.name;
    const InEnvironment in(environment);
    volatile float third = 1.0F;
    third = third / 3.0F;  // below 1/3 when rounded down or toward zero
    const float tiny = productInKernelsUnit(1e-30F, 1e-10F);
    const bool roundedDown =
        name.find("downward") != std::string::npos || name.find("toward zero") != std::string::npos;
    EXPECT_EQ(third * 3.0F < 1.0F, roundedDown);
    EXPECT_EQ(tiny == 0.0F, name.find("flushed") != std::string::npos);
  }
}

// Wherever a root can go wrong: at every square, just below it and just above it, in every
// floating-point environment a host may call the library in.
TEST(IntegerSquareRoot, IsExactAtEverySquareAndBesideItInEveryFloatingPointEnvironment) {
  for (const FloatingPointEnvironment& environment : floatingPointEnvironments()) {
    SCOPED_TRACE(environment.name);
    const InEnvironment in(environment);
    for (std::uint32_t k = 1; k < 65536; ++k) {
      ASSERT_EQ(integerSquareRoot(k * k), k);
      ASSERT_EQ(integerSquareRoot(k * k - 1), k - 1);
      ASSERT_EQ(integerSquareRoot(k * k + 1), k == 1 ? 1 : k);
    }
    EXPECT_EQ(integerSquareRoot(0), 0u);
    EXPECT_EQ(integerSquareRoot(4294967295u), 65535u);
  }
}
