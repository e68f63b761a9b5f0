// The body of the vector wheel kernel, written once over a few operations on unsigned 16-bit
// lanes. Each instruction set's source includes it inside a namespace of its own (nthprime::sse2,
// ::avx2, ::avx512, ::neon), after its headers, <cmath>, <cstdint> and nth_prime.hpp, and after
// defining the operations as a struct Ops in an unnamed namespace. So every function here is
// compiled for that instruction set alone and belongs to that source alone: none has a copy
// elsewhere that the linker could pick instead, nor an inline one it could merge.
//
// Every divisor that counts is at most floor(sqrt(b)) < 2^16, so each lane holds one divisor
// d in 16 bits, and the lanes hold consecutive wheel divisors: 7, 11, 13, ..., 31, 37, ....
// Divisibility without dividing: with b = high * 2^16 + low and x the inverse of the odd d
// modulo 2^16, q = low * x mod 2^16 makes q * d end in the 16 bits of low, so
// b - q * d = (high - floor(q * d / 2^16)) * 2^16, and d divides b exactly when it divides
// u = |high - floor(q * d / 2^16)|, a number below 2^16. For that, q' = u * x mod 2^16 is u / d
// when d divides u, and then q' * d = u < 2^16; otherwise q' * d, the same as u modulo 2^16, is
// at least 2^16. So d divides b exactly when the high half of q' * d is zero.
// x comes from Newton's iteration x' = x * (2 - d * x), which doubles the correct low bits of
// x: from 3d xor 2, right to 5 bits, two steps give 20.
//
// The operations, for a vector type Vec of kLanes unsigned 16-bit lanes and a type Mask that
// marks lanes: broadcast, load (kLanes values), add, sub, bitXor, mulLo and mulHi (the low and
// the high 16 bits of the lane products), absDiff, zeroLanes (the lanes equal to zero),
// lanesBelow (the lanes less than a value below 2^15), both (of two masks) and any (lane).
#pragma once

namespace {

using Vec = Ops::Vec;
using Mask = Ops::Mask;

// A vector holds whole wheel cycles of eight divisors; each lane's next divisor lies kStride
// further on.
static_assert(Ops::kLanes % 8 == 0, "lanes hold whole wheel cycles");
constexpr std::uint32_t kStride = 30 * (Ops::kLanes / 8);

// floor(sqrt(b)) with this instruction set's floating-point operations, the same as
// nthprime::integerSquareRoot, whose name it hides here. A double holds every 32-bit value
// exactly and its square root is correctly rounded, close enough never to cross an integer
// below 2^32. Both conversions go through signed 32-bit values, b less 2^31 and the root below
// 2^16: 32-bit x86 has no unsigned ones but in the x87 unit, which the kernels do without.
std::uint32_t integerSquareRoot(std::uint32_t b) {
  const auto belowHalf = static_cast<std::int32_t>(b ^ 0x80000000u);  // b - 2^31
  const double root = std::sqrt(static_cast<double>(belowHalf) + 2147483648.0);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(root));
}

// The first kLanes wheel divisors, in lane order.
struct FirstDivisors {
  std::uint16_t lanes[Ops::kLanes];

  constexpr FirstDivisors() : lanes() {
    std::uint32_t divisor = 7;
    for (unsigned lane = 0; lane < Ops::kLanes; ++lane) {
      lanes[lane] = static_cast<std::uint16_t>(divisor);
      divisor += kWheelSteps[lane % 8];
    }
  }
};
constexpr FirstDivisors kFirstDivisors{};

Vec inverseModulo2To16(Vec d) {
  const Vec two = Ops::broadcast(2);
  Vec x = Ops::bitXor(Ops::add(Ops::add(d, d), d), two);
  for (int step = 0; step < 2; ++step) {
    x = Ops::mulLo(x, Ops::sub(two, Ops::mulLo(d, x)));
  }
  return x;
}

// A candidate still undecided: b = high * 2^16 + low in every lane, and its own limit.
struct Candidate {
  Vec low;
  Vec high;
  std::uint32_t limit;
  unsigned slot;  // its place in the block
};

// The lanes whose divisor d, with inverse x, divides the candidate.
Mask dividingLanes(const Candidate& c, Vec d, Vec x) {
  const Vec carried = Ops::mulHi(Ops::mulLo(c.low, x), d);
  const Vec u = Ops::absDiff(c.high, carried);
  return Ops::zeroLanes(Ops::mulHi(Ops::mulLo(u, x), d));
}

// The lanes whose divisor is at most the limit, found by their distance from lane 0, which
// never wraps; first <= limit < first + kStride.
Mask lanesUpTo(std::uint32_t limit, std::uint32_t first, Vec d) {
  const Vec distance = Ops::sub(d, Ops::broadcast(static_cast<std::uint16_t>(first)));
  return Ops::lanesBelow(distance, static_cast<std::uint16_t>(limit - first + 1));
}

// The candidates take each divisor vector in turn, so that its inverses are computed once for
// all of them; a candidate leaves at its first divisor, or after the vector that reaches its
// limit. Only there may lanes pass the limit, or pass 2^16 and wrap.
std::uint64_t primesAmongPending(Candidate* pending, unsigned pendingCount) {
  std::uint64_t primes = 0;
  const Vec stride = Ops::broadcast(kStride);
  Vec d = Ops::load(kFirstDivisors.lanes);
  for (std::uint32_t first = 7; pendingCount > 0; first += kStride) {  // first: lane 0's
    const Vec x = inverseModulo2To16(d);
    for (unsigned k = 0; k < pendingCount;) {
      const Candidate& c = pending[k];
      Mask found = dividingLanes(c, d, x);
      const bool lastVector = first + kStride > c.limit;
      if (lastVector) {
        found = Ops::both(found, lanesUpTo(c.limit, first, d));
      }
      const bool divided = Ops::any(found);
      if (divided || lastVector) {
        primes |= std::uint64_t{!divided} << c.slot;
        pending[k] = pending[--pendingCount];
      } else {
        ++k;
      }
    }
    d = Ops::add(d, stride);
  }
  return primes;
}

}  // namespace

// Bit j is set when candidates[j] is prime: no wheel divisor from 7 up to its floor(sqrt)
// divides it.
std::uint64_t primesAmong(const std::uint32_t* candidates, unsigned count) {
  Candidate pending[kWheelBlock];
  unsigned pendingCount = 0;
  std::uint64_t primes = 0;
  for (unsigned slot = 0; slot < count; ++slot) {
    const std::uint32_t b = candidates[slot];
    const std::uint32_t limit = integerSquareRoot(b);
    if (limit < 7) {
      primes |= std::uint64_t{1} << slot;
    } else {
      pending[pendingCount++] = {Ops::broadcast(static_cast<std::uint16_t>(b & 0xFFFF)),
                                 Ops::broadcast(static_cast<std::uint16_t>(b >> 16)), limit, slot};
    }
  }
  return primes | primesAmongPending(pending, pendingCount);
}
