// The ways of running the wheel test: the scalar division loop, which is the reference, and
// one vector kernel instantiated for each instruction set, trying 8 to 32 divisors at once.
#pragma once

#include <cstdint>

namespace nthprime {

// Each decides a block of candidates as WheelTest describes: a candidate is prime when no
// divisor coprime to 30 from 7 up to its floor(sqrt) divides it.
std::uint64_t primesAmongScalar(const std::uint32_t* candidates, unsigned count);

#ifdef NTHPRIME_X86_KERNELS
// These need a processor with SSE2, with AVX2, or with AVX-512F and AVX-512BW.
std::uint64_t primesAmongSse2(const std::uint32_t* candidates, unsigned count);
std::uint64_t primesAmongAvx2(const std::uint32_t* candidates, unsigned count);
std::uint64_t primesAmongAvx512(const std::uint32_t* candidates, unsigned count);
#endif

#ifdef NTHPRIME_NEON_KERNEL
std::uint64_t primesAmongNeon(const std::uint32_t* candidates, unsigned count);
#endif

// The scalar loop on one candidate: the reference of every other path.
bool isWheelPrimeScalar(std::uint32_t b);

}  // namespace nthprime
