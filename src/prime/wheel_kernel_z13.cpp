// The vector wheel kernel for IBM Z with the vector facility (z13 and later), in the compiler's
// generic vector types: 4 divisors in the 32-bit lanes of each 128-bit vector, big-endian.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "contract.hpp"
#include "wheel_paths.hpp"

#ifndef __VX__
#error "the z13 kernel is compiled for the vector facility (-march=z13)"
#endif

namespace nthprime::z13 {
namespace {

#include "wheel_generic_vector_ops.inc"
using Ops = GenericVectorOps;

}  // namespace

#include "wheel_kernel_body_u32.inc"

}  // namespace nthprime::z13
