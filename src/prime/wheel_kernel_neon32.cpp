// The vector wheel kernel for 32-bit ARM with NEON (Advanced SIMD), in the compiler's generic
// vector types: 4 divisors in the 32-bit lanes of each 128-bit vector, sixteen vectors a visit.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "contract.hpp"
#include "wheel_paths.hpp"

#ifndef __ARM_NEON
#error "the NEON kernel is compiled for NEON (-mfpu=neon)"
#endif

namespace nthprime::neon32 {
namespace {

#include "wheel_generic_vector_ops.inc"
using Ops = GenericVectorOps;

}  // namespace

#include "wheel_kernel_body_u32.inc"

}  // namespace nthprime::neon32
