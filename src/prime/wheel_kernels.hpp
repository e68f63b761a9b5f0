// The ways of running the wheel test: the scalar division loop, which is the reference, and
// one vector kernel instantiated for each instruction set, trying 8 to 32 divisors at once.
#pragma once

#include <cstdint>

namespace nthprime {

// Each tries the divisors coprime to 30 from 7 up to floor(sqrt(b)) and returns true when
// none divides b; b must be at least 7 and coprime to 30.
bool isWheelPrimeScalar(std::uint32_t b);

#ifdef NTHPRIME_X86_KERNELS
// These need a processor with SSE2, with AVX2, or with AVX-512F and AVX-512BW.
bool isWheelPrimeSse2(std::uint32_t b);
bool isWheelPrimeAvx2(std::uint32_t b);
bool isWheelPrimeAvx512(std::uint32_t b);
#endif

}  // namespace nthprime
