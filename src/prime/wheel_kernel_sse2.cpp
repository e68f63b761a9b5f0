// The vector wheel kernel with SSE2: 8 divisors, one wheel cycle, in each 128-bit vector.
// Every x86-64 processor has SSE2; a 32-bit x86 processor runs it only where it has it.
#include <emmintrin.h>

#include <cmath>
#include <cstdint>

#include "contract.hpp"
#include "wheel_paths.hpp"

namespace nthprime::sse2 {
namespace {

// The operations of the kernel body (wheel_kernel_body.inc) in this instruction set.
struct Ops {
  using Vec = __m128i;
  using Mask = __m128i;  // all ones in a marked lane
  static constexpr unsigned kLanes = 8;

  static Vec broadcast(std::uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
  static Vec load(const std::uint16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  }
  static void store(std::uint16_t* p, Vec v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static Vec add(Vec a, Vec b) { return _mm_add_epi16(a, b); }
  static Vec sub(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
  static Vec bitXor(Vec a, Vec b) { return _mm_xor_si128(a, b); }
  static Vec mulLo(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
  static Vec mulHi(Vec a, Vec b) { return _mm_mulhi_epu16(a, b); }

  // Four lanes, widened to 32 bits, in float lanes: floor(65535 / d).
  static __m128i quarterThresholds(__m128i widened) {
    return _mm_cvttps_epi32(_mm_div_ps(_mm_set1_ps(65535.0F), _mm_cvtepi32_ps(widened)));
  }
  // The 32-bit lanes' low halves, packed: SSE2 packs only with signed saturation, so each is
  // sign-extended first and packs to itself.
  static Vec lowHalves(__m128i a, __m128i b) {
    return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16),
                           _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
  }
  static Vec divisionThresholds(Vec d) {
    const __m128i zero = _mm_setzero_si128();
    return lowHalves(quarterThresholds(_mm_unpacklo_epi16(d, zero)),
                     quarterThresholds(_mm_unpackhi_epi16(d, zero)));
  }
  // SSE2 has no unsigned comparison: a saturated difference is zero exactly where a <= b.
  static Mask atMost(Vec a, Vec b) {
    return _mm_cmpeq_epi16(_mm_subs_epu16(a, b), _mm_setzero_si128());
  }
  static Mask atMostInBoth(Vec a, Vec b, Vec c, Vec e) {
    const Vec excess = _mm_or_si128(_mm_subs_epu16(a, b), _mm_subs_epu16(c, e));
    return _mm_cmpeq_epi16(excess, _mm_setzero_si128());
  }
  // Signed comparison, exact for lanes and bound below 2^15.
  static Mask lanesBelow(Vec v, std::uint16_t bound) {
    return _mm_cmplt_epi16(v, broadcast(bound));
  }
  static Mask both(Mask a, Mask b) { return _mm_and_si128(a, b); }
  static bool any(Mask m) { return _mm_movemask_epi8(m) != 0; }
  static Mask either(Mask a, Mask b) { return _mm_or_si128(a, b); }
  static bool anyOf(Mask a, Mask b) { return any(_mm_or_si128(a, b)); }
};

}  // namespace

#include "wheel_kernel_body.inc"

}  // namespace nthprime::sse2
