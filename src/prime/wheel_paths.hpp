// The ways of running the wheel test and their entry points: the scalar loop, which is the
// reference, and one vector kernel per instruction set, each in a namespace of its own.
#pragma once

#include <cstdint>

#include "nth_prime.hpp"

namespace nthprime {

// Each decides a block of candidates as WheelTest describes: a candidate is prime when no
// divisor coprime to 30 from 7 up to its floor(sqrt) divides it.
namespace scalar {
std::uint64_t primesAmong(const std::uint32_t* candidates, unsigned count);
// The scalar loop on one candidate.
bool isWheelPrime(std::uint32_t b);
}  // namespace scalar

// The vector kernels, defined where the build has them (see the table of paths in
// wheel_paths.cpp), and run only on a processor with their instruction set: SSE2, AVX2,
// AVX-512F with AVX-512BW, or AArch64's NEON.
namespace sse2 {
std::uint64_t primesAmong(const std::uint32_t* candidates, unsigned count);
}
namespace avx2 {
std::uint64_t primesAmong(const std::uint32_t* candidates, unsigned count);
}
namespace avx512 {
std::uint64_t primesAmong(const std::uint32_t* candidates, unsigned count);
}
namespace neon {
std::uint64_t primesAmong(const std::uint32_t* candidates, unsigned count);
}

}  // namespace nthprime
