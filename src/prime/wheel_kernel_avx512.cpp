// The vector wheel kernel with AVX-512BW: 32 divisors, four wheel cycles, in each 512-bit
// vector. Compiled for AVX-512F and AVX-512BW; run only where the processor has both.
#include <immintrin.h>

#include <cmath>
#include <cstdint>

#include "contract.hpp"
#include "wheel_paths.hpp"

namespace nthprime::avx512 {
namespace {

// The operations of the kernel body (wheel_kernel_body.inc) in this instruction set.
struct Ops {
  using Vec = __m512i;
  using Mask = __mmask32;
  static constexpr unsigned kLanes = 32;

  static Vec broadcast(std::uint16_t v) { return _mm512_set1_epi16(static_cast<short>(v)); }
  static Vec load(const std::uint16_t* p) { return _mm512_loadu_si512(p); }
  static void store(std::uint16_t* p, Vec v) { _mm512_storeu_si512(p, v); }
  static Vec add(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
  static Vec sub(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
  static Vec bitXor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
  static Vec mulLo(Vec a, Vec b) { return _mm512_mullo_epi16(a, b); }
  static Vec mulHi(Vec a, Vec b) { return _mm512_mulhi_epu16(a, b); }

  // Sixteen lanes, widened to 32 bits, in float lanes: floor(65535 / d). The conversions in
  // their zero-masked forms on every lane, as GCC 12 warns of the unmasked ones' placeholder.
  static __m512i halfThresholds(__m512i widened) {
    constexpr __mmask16 kAll = 0xFFFF;
    const __m512 quotient =
        _mm512_div_ps(_mm512_set1_ps(65535.0F), _mm512_maskz_cvtepi32_ps(kAll, widened));
    return _mm512_maskz_cvttps_epi32(kAll, quotient);
  }
  // Widened and packed within each 128-bit quarter, so the lanes keep their order.
  static Vec divisionThresholds(Vec d) {
    const __m512i zero = _mm512_setzero_si512();
    return _mm512_packus_epi32(halfThresholds(_mm512_unpacklo_epi16(d, zero)),
                               halfThresholds(_mm512_unpackhi_epi16(d, zero)));
  }
  static Mask atMost(Vec a, Vec b) { return _mm512_cmple_epu16_mask(a, b); }
  // A comparison into a mask, then one under it.
  static Mask atMostInBoth(Vec a, Vec b, Vec c, Vec e) {
    return _mm512_mask_cmple_epu16_mask(_mm512_cmple_epu16_mask(a, b), c, e);
  }
  static Mask lanesBelow(Vec v, std::uint16_t bound) {
    return _mm512_cmplt_epu16_mask(v, broadcast(bound));
  }
  static Mask both(Mask a, Mask b) { return a & b; }
  static bool any(Mask m) { return m != 0; }
  // Through general registers, not a kortest of both masks (docs/performance.md has what each
  // measured).
  static Mask either(Mask a, Mask b) { return a | b; }
  static bool anyOf(Mask a, Mask b) { return (a | b) != 0; }
};

}  // namespace

#include "wheel_kernel_body.inc"

}  // namespace nthprime::avx512
