// The vector wheel tests, on every path this processor has, against a primality test of the
// tests' own (and the scalar division loop they stand in for against it and a sieve); a path
// this processor lacks is reported as skipped, by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "benchmark_indices.hpp"
#include "floating_point_environments.hpp"
#include "nth_prime.hpp"
#include "reference_primality.hpp"
#include "reference_sieve.hpp"
#include "walk.hpp"
#include "wheel_paths.hpp"

using namespace nthprime;
using testing_environments::FloatingPointEnvironment;
using testing_environments::floatingPointEnvironments;
using testing_environments::InEnvironment;

namespace {

bool isCoprimeTo30(std::uint32_t b) {
  return b % 2 != 0 && b % 3 != 0 && b % 5 != 0;
}

bool scalarLoop(std::uint32_t b) {
  return isWheelPrime(b, WheelPath::kScalar);
}

bool isPrime(std::uint32_t b) {
  return ReferencePrimality::isPrime(b);
}

// The wheel test with the reference's answers, for the walk.
void referencePrimesAmong(const std::uint32_t* candidates, unsigned count,
                          WheelBlockPrimes& primes) {
  primes = {};
  for (unsigned j = 0; j < count; ++j) {
    primes.words[j / 64] |= std::uint64_t{isPrime(candidates[j])} << j % 64;
  }
}

// The n-th prime, walked with the reference's answers.
std::uint32_t referenceNthPrime(PrimeIndex n) {
  return walkFromCheckpoint(n, referencePrimesAmong);
}

// The numbers coprime to 30 of [start, start + width).
std::vector<std::uint32_t> candidatesFrom(std::uint32_t start, std::uint32_t width) {
  std::vector<std::uint32_t> candidates;
  for (std::uint32_t b = start; b - start < width; ++b) {
    if (isCoprimeTo30(b)) {
      candidates.push_back(b);
    }
  }
  return candidates;
}

const ReferenceSieve& primesBelow2To16() {
  static const ReferenceSieve sieve(65535);
  return sieve;
}

}  // namespace

namespace nthprime {
void PrintTo(WheelPath path, std::ostream* out) {
  *out << wheelPathName(path);
}
}  // namespace nthprime

namespace {

class VectorPath : public testing::TestWithParam<WheelPath> {
 protected:
  void SetUp() override {
    if (!isWheelPathAvailable(GetParam())) {
      GTEST_SKIP() << "the " << wheelPathName(GetParam())
                   << " wheel test is not available in this build or on this processor";
    }
  }

  // Decides the candidates in full blocks, as the walk does, and compares every answer.
  void expectRightAnswers(const std::vector<std::uint32_t>& candidates) const {
    const WheelTest pathTest = wheelTestFor(GetParam());
    for (std::size_t start = 0; start < candidates.size(); start += kWheelBlock) {
      const auto count =
          static_cast<unsigned>(std::min<std::size_t>(kWheelBlock, candidates.size() - start));
      WheelBlockPrimes primes;
      pathTest(&candidates[start], count, primes);
      expectRightAnswers(&candidates[start], count, primes);
      if (HasFatalFailure()) {
        return;
      }
    }
  }

  // primes[j] is the path's answer for block[j].
  static void expectRightAnswers(const std::uint32_t* block, unsigned count,
                                 const WheelBlockPrimes& primes) {
    for (unsigned j = 0; j < count; ++j) {
      ASSERT_EQ(primes[j], isPrime(block[j])) << "b = " << block[j];
    }
  }
};

// Calls `test` with the stack pointer `misalignment` bytes below a boundary of
// kMisalignmentSpan bytes, in steps of what the processor's calling convention promises:
// 32-bit x86 keeps only 4 bytes of alignment, as the Windows program's callers may leave it;
// x86-64 keeps 16, never 32 or 64, and GCC cannot realign the stack for AVX2's 32-byte or
// AVX-512's 64-byte spill slots on 64-bit Windows, so a kernel must not take them as aligned.
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define NTHPRIME_MISALIGNED_STACK_CALL 1
extern "C" void callWithMisalignedStack(
    WheelTest test, const std::uint32_t* candidates, unsigned count, WheelBlockPrimes* primes,
    unsigned misalignment) __asm__("nthprime_call_with_misaligned_stack");
#if defined(__i386__)
constexpr unsigned kMisalignmentStep = 4;
constexpr unsigned kMisalignmentSpan = 16;
constexpr unsigned kBytesPushedBeforeTheCall = 16;  // a filler word and three arguments
__asm__(R"(
    .text
    .globl nthprime_call_with_misaligned_stack
nthprime_call_with_misaligned_stack:
    pushl %ebp
    movl %esp, %ebp
    andl $-16, %esp
    subl 24(%ebp), %esp
    subl $4, %esp
    pushl 20(%ebp)
    pushl 16(%ebp)
    pushl 12(%ebp)
    call *8(%ebp)
    movl %ebp, %esp
    popl %ebp
    ret
)");
#elif defined(_WIN64)
// The Windows x64 convention: arguments in rcx, rdx, r8, r9, the fifth on the stack above the
// 32 bytes of shadow space that every caller leaves.
constexpr unsigned kMisalignmentStep = 16;
constexpr unsigned kMisalignmentSpan = 64;
constexpr unsigned kBytesPushedBeforeTheCall = 32;  // the shadow space
__asm__(R"(
    .text
    .globl nthprime_call_with_misaligned_stack
nthprime_call_with_misaligned_stack:
    pushq %rbp
    movq %rsp, %rbp
    movl 48(%rbp), %eax
    andq $-64, %rsp
    subq %rax, %rsp
    subq $32, %rsp
    movq %rcx, %r10
    movq %rdx, %rcx
    movl %r8d, %edx
    movq %r9, %r8
    call *%r10
    movq %rbp, %rsp
    popq %rbp
    ret
)");
#else
// The System V convention: arguments in rdi, rsi, rdx, rcx, r8.
constexpr unsigned kMisalignmentStep = 16;
constexpr unsigned kMisalignmentSpan = 64;
constexpr unsigned kBytesPushedBeforeTheCall = 0;
__asm__(R"(
    .text
    .globl nthprime_call_with_misaligned_stack
nthprime_call_with_misaligned_stack:
    pushq %rbp
    movq %rsp, %rbp
    andq $-64, %rsp
    movl %r8d, %eax
    subq %rax, %rsp
    movq %rdi, %r10
    movq %rsi, %rdi
    movl %edx, %esi
    movq %rcx, %rdx
    call *%r10
    movq %rbp, %rsp
    popq %rbp
    ret
)");
#endif

// Where the callee's frame started, modulo the span, for the test of the call itself.
unsigned calleeFrameResidue = 0;
void recordFrameResidue(const std::uint32_t*, unsigned, WheelBlockPrimes&) {
  calleeFrameResidue = static_cast<unsigned>(
      reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) % kMisalignmentSpan);
}
#endif

}  // namespace

// The reference against a sieve, and against the composites that fool a weaker test: strong
// pseudoprimes to the base 2 (the first of them, and the one that passes 2, 3, 5 and 7 too),
// Carmichael numbers, and products of primes near 2^16.
TEST(ReferencePrimality, AgreesWithTheSieveBelow2To22AndFindsPseudoprimesComposite) {
  const ReferenceSieve sieve(1u << 22);
  for (std::uint32_t b = 0; b <= (1u << 22); ++b) {
    ASSERT_EQ(isPrime(b), sieve.isPrime(b)) << "b = " << b;
  }
  for (const std::uint32_t composite :
       {2047u, 3277u, 4033u, 3215031751u, 561u, 41041u, 4293001441u, 4294049777u}) {
    EXPECT_FALSE(isPrime(composite)) << composite;
  }
  EXPECT_TRUE(isPrime(4294967291u));
}

TEST(ScalarLoop, AgreesWithTheSieveBelow2To20AndTheReferenceNear2To31And2To32) {
  const ReferenceSieve sieve(1u << 20);
  for (std::uint32_t b = 7; b <= (1u << 20); ++b) {
    if (isCoprimeTo30(b)) {
      ASSERT_EQ(scalarLoop(b), sieve.isPrime(b)) << "b = " << b;
    }
  }
  constexpr std::uint32_t kWidth = 20000;
  for (const std::uint32_t start : {1u << 31, 4294967295u - kWidth}) {
    for (const std::uint32_t b : candidatesFrom(start, kWidth)) {
      ASSERT_EQ(scalarLoop(b), isPrime(b)) << "b = " << b;
    }
  }
}

TEST_P(VectorPath, AgreesWithTheReferenceOnWindowsOfAMillionNumbers) {
  constexpr std::uint32_t kWidth = 1000000;
  for (const std::uint32_t start : {7u, 1u << 31, 4294967295u - kWidth}) {
    expectRightAnswers(candidatesFrom(start, kWidth));
  }
}

// Wherever the root falls in a vector of divisors, its last lane included, and whatever
// else shares the block: the largest prime of every root from 7 to 65535, and the
// composites the search for it passes.
TEST_P(VectorPath, AgreesWithTheReferenceForEveryRoot) {
  std::vector<std::uint32_t> candidates;
  for (std::uint32_t root = 7; root <= 65535; ++root) {
    for (std::uint32_t b = (root + 1) * (root + 1) - 1;; --b) {
      if (isCoprimeTo30(b)) {
        candidates.push_back(b);
        if (isPrime(b)) {
          break;
        }
      }
    }
  }
  expectRightAnswers(candidates);
}

TEST_P(VectorPath, FindsSquaresOfPrimesAndProductsOfPrimesNear2To16Composite) {
  const ReferenceSieve& small = primesBelow2To16();
  for (PrimeIndex i = 4; i <= small.primeCount(); ++i) {  // primes from 7
    const std::uint32_t p = small.nthPrime(i);
    ASSERT_FALSE(isWheelPrime(p * p, GetParam())) << p << "^2";
    ASSERT_TRUE(isWheelPrime(p, GetParam())) << p;
  }
  // Their smallest divisor is the last or nearly the last divisor tried.
  const PrimeIndex top = small.primeCount();
  for (PrimeIndex i = top - 150; i <= top; ++i) {
    for (PrimeIndex j = i; j <= top; ++j) {
      const std::uint32_t b = small.nthPrime(i) * small.nthPrime(j);
      ASSERT_FALSE(isWheelPrime(b, GetParam())) << small.nthPrime(i) << " * " << small.nthPrime(j);
    }
  }
}

#ifdef NTHPRIME_MISALIGNED_STACK_CALL
// The call really leaves the stack at every offset from the boundary that the convention
// allows: the callee's frame starts below the call's stack pointer by the return address and
// the saved frame pointer.
TEST(MisalignedStackCall, ReachesEveryOffsetTheConventionAllows) {
  for (unsigned misalignment = 0; misalignment < kMisalignmentSpan;
       misalignment += kMisalignmentStep) {
    WheelBlockPrimes primes;
    callWithMisalignedStack(recordFrameResidue, nullptr, 0, &primes, misalignment);
    const unsigned below = misalignment + kBytesPushedBeforeTheCall + 2 * sizeof(void*);
    EXPECT_EQ(calleeFrameResidue,
              (kMisalignmentSpan - below % kMisalignmentSpan) % kMisalignmentSpan)
        << "the stack " << misalignment << " bytes off";
  }
}

// A kernel that spilled a vector to a slot it took to be aligned would fault here.
TEST_P(VectorPath, AgreesWithTheReferenceOnAMisalignedStack) {
  std::vector<std::uint32_t> candidates;
  for (std::uint32_t b = 4294967291u; candidates.size() < kWheelBlock; b -= 2) {
    if (isCoprimeTo30(b)) {
      candidates.push_back(b);
    }
  }
  for (unsigned misalignment = 0; misalignment < kMisalignmentSpan;
       misalignment += kMisalignmentStep) {
    SCOPED_TRACE(testing::Message() << "the stack " << misalignment << " bytes off");
    WheelBlockPrimes primes;
    callWithMisalignedStack(wheelTestFor(GetParam()), candidates.data(), kWheelBlock, &primes,
                            misalignment);
    expectRightAnswers(candidates.data(), kWheelBlock, primes);
  }
}
#endif

namespace {

// What a kernel computes once per divisor vector, for all the candidates of a block, must be
// exact for every divisor its lanes can hold, whatever the floating-point environment: the
// inverse modulo 2^(lane width), and the threshold floor(65535 / d) below which the inverse
// marks d's multiples. Every odd d from 3 below 2^16 in 16-bit lanes, below 2^17 (past the last
// visit's divisors, 65535 and a visit's span) in 32-bit lanes.
void expectExactSetUp(DivisorSetUp setUp) {
  std::vector<std::uint32_t> divisors;
  for (std::uint32_t d = 3; d < (1u << 17); d += 2) {
    divisors.push_back(d);
  }
  divisors.resize((divisors.size() + 63) / 64 * 64, 3);  // a multiple of 64
  std::vector<std::uint32_t> inverses(divisors.size());
  std::vector<std::uint32_t> thresholds(divisors.size());
  const unsigned laneBits = setUp(divisors.data(), static_cast<unsigned>(divisors.size()),
                                  inverses.data(), thresholds.data());
  ASSERT_TRUE(laneBits == 16 || laneBits == 32) << laneBits;
  const std::uint32_t laneMask = laneBits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  for (std::size_t i = 0; i < divisors.size() && divisors[i] <= laneMask; ++i) {
    const std::uint32_t d = divisors[i];
    ASSERT_EQ(d * inverses[i] & laneMask, 1u) << "d = " << d << ", x = " << inverses[i];
    ASSERT_EQ(thresholds[i], 65535 / d) << "d = " << d;
  }
}

// The indices that the walk answers near a checkpoint, on both sides of it and at its far
// end: short walks over candidates that need every divisor up to their root.
std::vector<PrimeIndex> shortWalksOfLargeCandidates() {
  return {kCheckpoints[528].primeCount - 300, kCheckpoints[528].primeCount + 300,
          kCheckpoints[kCheckpointCount - 1].primeCount - 300, kMaxPrimeIndex - 1};
}

}  // namespace

TEST_P(VectorPath, SetsUpEveryOddDivisorExactlyInEveryFloatingPointEnvironment) {
  const DivisorSetUp setUp = divisorSetUpFor(GetParam());
  ASSERT_NE(setUp, nullptr);
  for (const FloatingPointEnvironment& environment : floatingPointEnvironments()) {
    SCOPED_TRACE(environment.name);
    const InEnvironment in(environment);
    expectExactSetUp(setUp);
  }
}

TEST_P(VectorPath, WalksToTheRightAnswersInEveryFloatingPointEnvironment) {
  for (const PrimeIndex n : shortWalksOfLargeCandidates()) {
    const std::uint32_t expected = referenceNthPrime(n);
    for (const FloatingPointEnvironment& environment : floatingPointEnvironments()) {
      const InEnvironment in(environment);
      ASSERT_EQ(nthPrime(n, GetParam()), expected) << "n = " << n << ", " << environment.name;
    }
  }
}

TEST_P(VectorPath, WalksToTheRightAnswersForTheBenchmarkIndices) {
  static std::map<PrimeIndex, std::uint32_t> answers;  // shared by the paths
  for (const BenchmarkIndex& index : benchmarkIndices()) {
    if (index.n < 11) {
      continue;  // answered directly, on no path
    }
    if (answers.count(index.n) == 0) {
      answers[index.n] = referenceNthPrime(index.n);
    }
    EXPECT_EQ(nthPrime(index.n, GetParam()), answers[index.n]) << index.name;
  }
}

// Every path but the scalar loop, which kWheelPaths lists last.
static_assert(kWheelPaths[std::size(kWheelPaths) - 1] == WheelPath::kScalar);
std::vector<WheelPath> vectorPaths() {
  return {std::begin(kWheelPaths), std::end(kWheelPaths) - 1};
}

INSTANTIATE_TEST_SUITE_P(Wheel, VectorPath, testing::ValuesIn(vectorPaths()),
                         [](const testing::TestParamInfo<WheelPath>& info) {
                           return std::string(wheelPathName(info.param));
                         });
