// The vector wheel kernel with NEON (Advanced SIMD): 4 divisors in the 32-bit lanes of each
// 128-bit vector, sixteen vectors a visit. Every AArch64 processor has it.
#include <arm_neon.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "contract.hpp"
#include "wheel_paths.hpp"

namespace nthprime::neon {
namespace {

// The operations of the kernel body in 32-bit lanes (wheel_kernel_body_u32.inc).
struct Ops {
  using Vec = uint32x4_t;
  using Mask = uint32x4_t;  // all ones in a marked lane
  using Half = uint16x8_t;
  using HalfMask = uint16x8_t;
  using Bounds = Half;  // floor(65535 / d)
  static constexpr unsigned kLanes = 4;

  static Vec broadcast(std::uint32_t v) { return vdupq_n_u32(v); }
  static Half broadcast16(std::uint16_t v) { return vdupq_n_u16(v); }
  static Vec load(const std::uint32_t* p) { return vld1q_u32(p); }
  static void store(std::uint32_t* p, Vec v) { vst1q_u32(p, v); }
  // The lower kLanes 16-bit lanes of v, then the upper, widened to 32 bits.
  static void store(std::uint32_t* p, Half v) {
    vst1q_u32(p, vmovl_u16(vget_low_u16(v)));
    vst1q_u32(p + kLanes, vmovl_high_u16(v));
  }

  static Vec add(Vec a, Vec b) { return vaddq_u32(a, b); }
  static Half add(Half a, Half b) { return vaddq_u16(a, b); }
  static Vec sub(Vec a, Vec b) { return vsubq_u32(a, b); }
  static Half sub(Half a, Half b) { return vsubq_u16(a, b); }
  static Half bitXor(Half a, Half b) { return veorq_u16(a, b); }
  static Vec mulLo(Vec a, Vec b) { return vmulq_u32(a, b); }
  static Half mulLo(Half a, Half b) { return vmulq_u16(a, b); }

  static Half lowHalves(Vec a, Vec b) {
    return vuzp1q_u16(vreinterpretq_u16_u32(a), vreinterpretq_u16_u32(b));
  }
  static Vec widenLow(Half h) { return vmovl_u16(vget_low_u16(h)); }
  static Vec widenHigh(Half h) { return vmovl_high_u16(h); }

  // The lanes where the 64-bit product a * b has no high bits.
  static Mask productFits(Vec a, Vec b) {
    const uint32x4_t high =
        vuzp2q_u32(vreinterpretq_u32_u64(vmull_u32(vget_low_u32(a), vget_low_u32(b))),
                   vreinterpretq_u32_u64(vmull_high_u32(a, b)));
    return vceqzq_u32(high);
  }

  // floor(65535 / d) for odd 3 <= d < 2^17, exact in every floating-point environment, with no
  // division. The proof needs of the floating-point unit only that each rounded operation is
  // within 2^-23 of its exact result, relative, as every rounding mode makes it; no operand or
  // result is subnormal, infinite or not a number, so FPCR's flush-to-zero and default-NaN
  // bits change nothing, and the one step that must round a particular way carries its rounding
  // in the instruction.
  //
  // d as a float: the bits of 2^23 with d in the low mantissa bits are the float 2^23 + d, and
  // less 2^23 that is d, exactly, with no conversion instruction (Neoverse N1 runs those on one
  // of its two vector pipes only).
  //
  // y, close to 1 / d: FRECPE's estimate y0, whatever the rounding mode, then two of Newton's
  // steps y' = y * (2 - d * y), with FRECPS computing 2 - d * y rounded once. With
  // d * y = 1 - e, the exact step gives 1 - e^2, and its two roundings add at most
  // 2^-22 (1 + 2^-24); so from FRECPE's 8 bits (|e0| < 2^-8) |e1| < 2^-16 + 2^-21.9 and
  // |e2| < 2^-21.9.
  //
  // With 65535 = K d + j, 0 <= j < d, R = 65535.5 / d = K + (j + 1/2) / d lies in
  // [K + 1/(2d), K + 1 - 1/(2d)]. q = 65535.5 * y rounded once is R (1 - e2) within 2^-23 R:
  // |q - R| < R (2^-21.9 + 2^-23) < 2^-5.3 / d < 1/(2d), so K < q < K + 1, and FCVTZU, which
  // truncates whatever FPCR's rounding mode, gives K.
  static Vec quotients(Vec d) {
    const float32x4_t twoTo23 = vdupq_n_f32(8388608.0F);
    const float32x4_t df =
        vsubq_f32(vreinterpretq_f32_u32(vorrq_u32(d, vreinterpretq_u32_f32(twoTo23))), twoTo23);
    float32x4_t y = vrecpeq_f32(df);
    y = vmulq_f32(y, vrecpsq_f32(df, y));
    y = vmulq_f32(y, vrecpsq_f32(df, y));
    return vcvtq_u32_f32(vmulq_f32(y, vdupq_n_f32(65535.5F)));
  }
  static Bounds firstLookBounds(Vec a, Vec b) { return lowHalves(quotients(a), quotients(b)); }
  static HalfMask mayDivide(Vec a, Vec b, Bounds bounds) {
    return vcleq_u16(vuzp2q_u16(vreinterpretq_u16_u32(a), vreinterpretq_u16_u32(b)), bounds);
  }

  static Mask atMost(Vec a, Vec b) { return vcleq_u32(a, b); }
  static Mask both(Mask a, Mask b) { return vandq_u32(a, b); }
  static Mask either(Mask a, Mask b) { return vorrq_u32(a, b); }
  static HalfMask either(HalfMask a, HalfMask b) { return vorrq_u16(a, b); }
  static bool any(Mask m) { return vmaxvq_u32(m) != 0; }
  // Each lane's mask narrowed to a byte, the eight bytes tested in a general register.
  static bool any(HalfMask m) {
    return vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(m, 4)), 0) != 0;
  }
};

}  // namespace

#include "wheel_kernel_body_u32.inc"

}  // namespace nthprime::neon
