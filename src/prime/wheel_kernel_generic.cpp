// The vector wheel kernel in the compiler's generic vector types, for every processor that GCC
// or Clang builds for: in its vector unit where it has one, in general registers where not.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "contract.hpp"
#include "wheel_paths.hpp"

namespace nthprime::generic {
namespace {

// The vector units of 128 bits that a build's baseline may have. Elsewhere the compiler would
// take the vectors apart into general registers, where one lane at a time does better
// (docs/performance.md).
#if defined(__SSE2__) || defined(__ARM_NEON) || defined(__ALTIVEC__) || defined(__VX__) || \
    defined(__mips_msa) || defined(__loongarch_sx)
#include "wheel_generic_vector_ops.inc"
using Ops = GenericVectorOps;
#else
#include "wheel_general_register_ops.inc"
using Ops = GeneralRegisterOps;
#endif

}  // namespace

#include "wheel_kernel_body_u32.inc"

}  // namespace nthprime::generic
