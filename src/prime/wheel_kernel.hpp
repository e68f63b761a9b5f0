// The wheel test in vector lanes, written once over a few operations on unsigned 16-bit lanes;
// each instruction set supplies the operations and instantiates it in a source of its own.
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

#include <cstdint>

#include "nth_prime.hpp"

namespace nthprime {

template <class Ops>
struct WheelKernel {
  using Vec = typename Ops::Vec;
  using Mask = typename Ops::Mask;

  // A vector holds whole wheel cycles of eight divisors; each lane's next divisor lies
  // kStride further on, and its last lane's divisor kSpan past its first.
  static_assert(Ops::kLanes % 8 == 0, "lanes hold whole wheel cycles");
  static constexpr std::uint32_t kStride = 30 * (Ops::kLanes / 8);
  static constexpr std::uint32_t kSpan = kStride - 6;

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
  static constexpr FirstDivisors kFirstDivisors{};

  static Vec inverseModulo2To16(Vec d) {
    const Vec two = Ops::broadcast(2);
    Vec x = Ops::bitXor(Ops::add(Ops::add(d, d), d), two);
    for (int step = 0; step < 2; ++step) {
      x = Ops::mulLo(x, Ops::sub(two, Ops::mulLo(d, x)));
    }
    return x;
  }

  // The lanes whose divisor d divides b = high * 2^16 + low.
  static Mask dividingLanes(Vec low, Vec high, Vec d) {
    const Vec x = inverseModulo2To16(d);
    const Vec carried = Ops::mulHi(Ops::mulLo(low, x), d);
    const Vec u = Ops::absDiff(high, carried);
    return Ops::zeroLanes(Ops::mulHi(Ops::mulLo(u, x), d));
  }

  // True when no wheel divisor from 7 up to floor(sqrt(b)) divides b.
  static bool isPrime(std::uint32_t b) {
    const std::uint32_t limit = integerSquareRoot(b);
    const Vec low = Ops::broadcast(static_cast<std::uint16_t>(b & 0xFFFF));
    const Vec high = Ops::broadcast(static_cast<std::uint16_t>(b >> 16));
    const Vec stride = Ops::broadcast(kStride);
    Vec d = Ops::load(kFirstDivisors.lanes);
    std::uint32_t first = 7;  // the divisor in lane 0, which may pass 2^16 only in the last vector
    for (; first + kSpan <= limit; first += kStride) {
      if (Ops::any(dividingLanes(low, high, d))) {
        return false;
      }
      d = Ops::add(d, stride);
    }
    if (first > limit) {
      return true;
    }
    // The last vector crosses the limit, and its divisors may wrap past 65535: only lanes up
    // to the limit count, found by their distance from lane 0, which never wraps.
    const Vec distance = Ops::sub(d, Ops::broadcast(static_cast<std::uint16_t>(first)));
    const Mask counted = Ops::lanesBelow(distance, static_cast<std::uint16_t>(limit - first + 1));
    return !Ops::any(Ops::both(dividingLanes(low, high, d), counted));
  }
};

}  // namespace nthprime
