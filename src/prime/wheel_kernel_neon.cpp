// The vector wheel kernel with NEON (Advanced SIMD): 8 divisors, one wheel cycle, in each
// 128-bit vector. Every AArch64 processor has it.
#include <arm_neon.h>

#include <cmath>
#include <cstdint>

#include "wheel_paths.hpp"

namespace nthprime::neon {
namespace {

// The operations of the kernel body (wheel_kernel_body.inc) in this instruction set.
struct Ops {
  using Vec = uint16x8_t;
  using Mask = uint16x8_t;  // all ones in a marked lane
  static constexpr unsigned kLanes = 8;

  static Vec broadcast(std::uint16_t v) { return vdupq_n_u16(v); }
  static Vec load(const std::uint16_t* p) { return vld1q_u16(p); }
  static void store(std::uint16_t* p, Vec v) { vst1q_u16(p, v); }
  static Vec add(Vec a, Vec b) { return vaddq_u16(a, b); }
  static Vec sub(Vec a, Vec b) { return vsubq_u16(a, b); }
  static Vec bitXor(Vec a, Vec b) { return veorq_u16(a, b); }
  static Vec mulLo(Vec a, Vec b) { return vmulq_u16(a, b); }
  // The high halves of the widened products, lanes 0-3 and 4-7.
  static Vec mulHi(Vec a, Vec b) {
    const uint32x4_t low = vmull_u16(vget_low_u16(a), vget_low_u16(b));
    const uint32x4_t high = vmull_high_u16(a, b);
    return vuzp2q_u16(vreinterpretq_u16_u32(low), vreinterpretq_u16_u32(high));
  }

  // Four lanes, widened to 32 bits, in float lanes: floor(65535 / d).
  static uint32x4_t quarterThresholds(uint32x4_t widened) {
    return vcvtq_u32_f32(vdivq_f32(vdupq_n_f32(65535.0F), vcvtq_f32_u32(widened)));
  }
  static Vec divisionThresholds(Vec d) {
    return vcombine_u16(vmovn_u32(quarterThresholds(vmovl_u16(vget_low_u16(d)))),
                        vmovn_u32(quarterThresholds(vmovl_high_u16(d))));
  }
  static Mask atMostInBoth(Vec a, Vec b, Vec c, Vec e) {
    return vandq_u16(vcleq_u16(a, b), vcleq_u16(c, e));
  }
  static Mask lanesBelow(Vec v, std::uint16_t bound) { return vcltq_u16(v, vdupq_n_u16(bound)); }
  static Mask both(Mask a, Mask b) { return vandq_u16(a, b); }
  static bool any(Mask m) { return vmaxvq_u16(m) != 0; }
  static bool anyOf(Mask a, Mask b) { return any(vorrq_u16(a, b)); }
};

}  // namespace

#include "wheel_kernel_body.inc"

}  // namespace nthprime::neon
