// The wheel test with SSE2: 8 divisors, one wheel cycle, in each 128-bit vector.
// Every x86-64 processor has SSE2; a 32-bit x86 processor runs it only where it has it.
#include <emmintrin.h>

#include <cmath>
#include <cstdint>

#include "nth_prime.hpp"
#include "wheel_paths.hpp"

namespace nthprime::sse2 {
namespace {

// The operations of the kernel body (wheel_kernel_body.hpp) in this instruction set.
struct Ops {
  using Vec = __m128i;
  using Mask = __m128i;  // all ones in a marked lane
  static constexpr unsigned kLanes = 8;

  static Vec broadcast(std::uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
  static Vec load(const std::uint16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  }
  static Vec add(Vec a, Vec b) { return _mm_add_epi16(a, b); }
  static Vec sub(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
  static Vec bitXor(Vec a, Vec b) { return _mm_xor_si128(a, b); }
  static Vec mulLo(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
  static Vec mulHi(Vec a, Vec b) { return _mm_mulhi_epu16(a, b); }
  // SSE2 has no unsigned 16-bit maximum; one of the two saturated differences is zero.
  static Vec absDiff(Vec a, Vec b) {
    return _mm_or_si128(_mm_subs_epu16(a, b), _mm_subs_epu16(b, a));
  }
  static Mask zeroLanes(Vec v) { return _mm_cmpeq_epi16(v, _mm_setzero_si128()); }
  // Signed comparison, exact for lanes and bound below 2^15.
  static Mask lanesBelow(Vec v, std::uint16_t bound) {
    return _mm_cmplt_epi16(v, broadcast(bound));
  }
  static Mask both(Mask a, Mask b) { return _mm_and_si128(a, b); }
  static bool any(Mask m) { return _mm_movemask_epi8(m) != 0; }
};

}  // namespace

#include "wheel_kernel_body.hpp"

}  // namespace nthprime::sse2
