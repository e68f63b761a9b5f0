// The wheel test in vector lanes: eight or sixteen unsigned 32-bit lanes hold one or two
// wheel cycles of divisors (7, 11, ..., 31, then 30 more per cycle), tested without dividing.
//
// Every divisor that counts is at most floor(sqrt(b)) < 2^16, so the work is done on the low
// 16 bits of each lane. With b = high * 2^16 + low and x the inverse of the odd d modulo 2^16:
// q = low * x mod 2^16 makes q * d end in the 16 bits of low, so b - q * d is
// (high - floor(q * d / 2^16)) * 2^16, and d divides b exactly when it divides
// u = |high - floor(q * d / 2^16)|, a number below 2^16. For that, q' = u * x mod 2^16 is u / d
// when d divides u, and then q' * d = u < 2^16; otherwise q' * d, the same as u modulo 2^16,
// is at least 2^16. So d divides b exactly when the high half of q' * d is zero.
// x comes from Newton's iteration x' = x * (2 - d * x), which doubles the correct low bits of
// x: from 3d xor 2, right to 5 bits, two steps give 20.
#include <immintrin.h>

#include "nth_prime.hpp"
#include "wheel_kernels.hpp"

namespace nthprime {
namespace {

#define NTHPRIME_AVX2 __attribute__((target("avx2")))
#define NTHPRIME_AVX512 __attribute__((target("avx512f,avx512bw")))

NTHPRIME_AVX2 __m256i inverseModulo2To16(__m256i d) {
  const __m256i two = _mm256_set1_epi32(2);
  __m256i x = _mm256_xor_si256(_mm256_add_epi32(_mm256_add_epi32(d, d), d), two);
  for (int step = 0; step < 2; ++step) {
    x = _mm256_mullo_epi16(x, _mm256_sub_epi16(two, _mm256_mullo_epi16(d, x)));
  }
  return x;
}

// All ones in the low half of each lane whose divisor divides b; its high half is garbage.
NTHPRIME_AVX2 __m256i dividingLanes(__m256i low, __m256i high, __m256i d) {
  const __m256i x = inverseModulo2To16(d);
  const __m256i carried = _mm256_mulhi_epu16(_mm256_mullo_epi16(low, x), d);
  const __m256i u =
      _mm256_sub_epi16(_mm256_max_epu16(high, carried), _mm256_min_epu16(high, carried));
  return _mm256_cmpeq_epi16(_mm256_mulhi_epu16(_mm256_mullo_epi16(u, x), d),
                            _mm256_setzero_si256());
}

NTHPRIME_AVX512 __m512i inverseModulo2To16(__m512i d) {
  const __m512i two = _mm512_set1_epi32(2);
  __m512i x = _mm512_xor_si512(_mm512_add_epi32(_mm512_add_epi32(d, d), d), two);
  for (int step = 0; step < 2; ++step) {
    x = _mm512_mullo_epi16(x, _mm512_sub_epi16(two, _mm512_mullo_epi16(d, x)));
  }
  return x;
}

// One bit for each lane whose divisor divides b.
NTHPRIME_AVX512 __mmask16 dividingLanes(__m512i low, __m512i high, __m512i d) {
  const __m512i x = inverseModulo2To16(d);
  const __m512i carried = _mm512_mulhi_epu16(_mm512_mullo_epi16(low, x), d);
  const __m512i u =
      _mm512_sub_epi16(_mm512_max_epu16(high, carried), _mm512_min_epu16(high, carried));
  return _mm512_testn_epi32_mask(_mm512_mulhi_epu16(_mm512_mullo_epi16(u, x), d),
                                 _mm512_set1_epi32(0xFFFF));
}

}  // namespace

NTHPRIME_AVX2 bool isWheelPrimeAvx2(std::uint32_t b) {
  const std::uint32_t limit = integerSquareRoot(b);
  const __m256i low = _mm256_set1_epi32(static_cast<int>(b & 0xFFFF));
  const __m256i high = _mm256_set1_epi32(static_cast<int>(b >> 16));
  const __m256i lowHalves = _mm256_set1_epi32(0xFFFF);
  const __m256i cycle = _mm256_set1_epi32(30);
  __m256i d = _mm256_setr_epi32(7, 11, 13, 17, 19, 23, 29, 31);
  // Two whole cycles at a time while the largest divisor of both is within the limit.
  for (std::uint32_t largest = 61; largest <= limit; largest += 60) {
    const __m256i next = _mm256_add_epi32(d, cycle);
    const __m256i found =
        _mm256_or_si256(dividingLanes(low, high, d), dividingLanes(low, high, next));
    if (!_mm256_testz_si256(found, lowHalves)) {
      return false;
    }
    d = _mm256_add_epi32(next, cycle);
  }
  // At most two cycles are left, and only their lanes up to the limit count. Divisors and
  // the limit stay below 2^17, so the signed comparisons are exact.
  const __m256i pastLimit = _mm256_set1_epi32(static_cast<int>(limit + 1));
  const __m256i next = _mm256_add_epi32(d, cycle);
  const __m256i found = _mm256_or_si256(
      _mm256_and_si256(dividingLanes(low, high, d), _mm256_cmpgt_epi32(pastLimit, d)),
      _mm256_and_si256(dividingLanes(low, high, next), _mm256_cmpgt_epi32(pastLimit, next)));
  return _mm256_testz_si256(found, lowHalves);
}

NTHPRIME_AVX512 bool isWheelPrimeAvx512(std::uint32_t b) {
  const std::uint32_t limit = integerSquareRoot(b);
  const __m512i low = _mm512_set1_epi32(static_cast<int>(b & 0xFFFF));
  const __m512i high = _mm512_set1_epi32(static_cast<int>(b >> 16));
  const __m512i twoCycles = _mm512_set1_epi32(60);
  __m512i d = _mm512_setr_epi32(7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 49, 53, 59, 61);
  // Two whole cycles at a time while the largest divisor of both is within the limit.
  for (std::uint32_t largest = 61; largest <= limit; largest += 60) {
    if (dividingLanes(low, high, d) != 0) {
      return false;
    }
    d = _mm512_add_epi32(d, twoCycles);
  }
  // The two cycles that cross the limit: only their lanes up to it count.
  const __mmask16 withinLimit =
      _mm512_cmple_epu32_mask(d, _mm512_set1_epi32(static_cast<int>(limit)));
  return (dividingLanes(low, high, d) & withinLimit) == 0;
}

}  // namespace nthprime
