// The vector wheel kernel with AVX2: 16 divisors, two wheel cycles, in each 256-bit vector.
// Compiled for AVX2; run only where the processor has it.
#include <immintrin.h>

#include <cmath>
#include <cstdint>

#include "contract.hpp"
#include "wheel_paths.hpp"

namespace nthprime::avx2 {
namespace {

// The operations of the kernel body (wheel_kernel_body.inc) in this instruction set.
struct Ops {
  using Vec = __m256i;
  // Zero in a marked lane: the saturated differences that decide a visit are its marks as they
  // are, and the vectors of a visit meet in one unsigned minimum, not in comparisons with zero
  // (docs/performance.md has what this and comparisons with an unsigned maximum measured).
  using Mask = __m256i;
  static constexpr unsigned kLanes = 16;

  static Vec broadcast(std::uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
  static Vec load(const std::uint16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  static void store(std::uint16_t* p, Vec v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
  }
  static Vec add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
  static Vec sub(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
  static Vec bitXor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
  static Vec mulLo(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
  static Vec mulHi(Vec a, Vec b) { return _mm256_mulhi_epu16(a, b); }

  // Eight lanes, widened to 32 bits, in float lanes: floor(65535 / d).
  static __m256i halfThresholds(__m256i widened) {
    return _mm256_cvttps_epi32(
        _mm256_div_ps(_mm256_set1_ps(65535.0F), _mm256_cvtepi32_ps(widened)));
  }
  // Widened and packed within each 128-bit half, so the lanes keep their order.
  static Vec divisionThresholds(Vec d) {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packus_epi32(halfThresholds(_mm256_unpacklo_epi16(d, zero)),
                               halfThresholds(_mm256_unpackhi_epi16(d, zero)));
  }
  // AVX2 has no unsigned comparison: a saturated difference is zero exactly where a <= b.
  static Mask atMost(Vec a, Vec b) { return _mm256_subs_epu16(a, b); }
  static Mask atMostInBoth(Vec a, Vec b, Vec c, Vec e) {
    return _mm256_or_si256(_mm256_subs_epu16(a, b), _mm256_subs_epu16(c, e));
  }
  // Zero where v <= bound - 1; the bound is at least 1.
  static Mask lanesBelow(Vec v, std::uint16_t bound) {
    return _mm256_subs_epu16(v, broadcast(static_cast<std::uint16_t>(bound - 1)));
  }
  static Mask both(Mask a, Mask b) { return _mm256_or_si256(a, b); }
  static bool any(Mask m) {
    const __m256i marked = _mm256_cmpeq_epi16(m, _mm256_setzero_si256());
    return !_mm256_testz_si256(marked, marked);
  }
  static Mask either(Mask a, Mask b) { return _mm256_min_epu16(a, b); }
  static bool anyOf(Mask a, Mask b) { return any(either(a, b)); }
};

}  // namespace

#include "wheel_kernel_body.inc"

}  // namespace nthprime::avx2
