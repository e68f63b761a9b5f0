// The wheel test with AVX-512BW: 32 divisors, four wheel cycles, in each 512-bit vector.
// Compiled for AVX-512F and AVX-512BW; run only where the processor has both.
#include <immintrin.h>

#include <cmath>
#include <cstdint>

#include "nth_prime.hpp"
#include "wheel_paths.hpp"

namespace nthprime::avx512 {
namespace {

// The operations of the kernel body (wheel_kernel_body.hpp) in this instruction set.
struct Ops {
  using Vec = __m512i;
  using Mask = __mmask32;
  static constexpr unsigned kLanes = 32;

  static Vec broadcast(std::uint16_t v) { return _mm512_set1_epi16(static_cast<short>(v)); }
  static Vec load(const std::uint16_t* p) { return _mm512_loadu_si512(p); }
  static Vec add(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
  static Vec sub(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
  static Vec bitXor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
  static Vec mulLo(Vec a, Vec b) { return _mm512_mullo_epi16(a, b); }
  static Vec mulHi(Vec a, Vec b) { return _mm512_mulhi_epu16(a, b); }
  static Vec absDiff(Vec a, Vec b) {
    return _mm512_sub_epi16(_mm512_max_epu16(a, b), _mm512_min_epu16(a, b));
  }
  static Mask zeroLanes(Vec v) { return _mm512_testn_epi16_mask(v, v); }
  static Mask lanesBelow(Vec v, std::uint16_t bound) {
    return _mm512_cmplt_epu16_mask(v, broadcast(bound));
  }
  static Mask both(Mask a, Mask b) { return a & b; }
  static bool any(Mask m) { return m != 0; }
};

}  // namespace

#include "wheel_kernel_body.hpp"

}  // namespace nthprime::avx512
