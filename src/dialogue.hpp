// The console dialogue: one prompt, one number read, then the rejection line or the prime
// with the milliseconds its search took.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "prime/nth_prime.hpp"

namespace nthprime {

// Maps a validated index to its prime; nthPrime in the program, a recording stand-in in the
// fuzzer, which cannot afford a search of seconds for every index it tries.
using PrimeSearch = std::uint32_t (*)(PrimeIndex);

// Runs the whole dialogue on the given streams and returns the exit status it asks for.
int runDialogue(std::istream& in, std::ostream& out, PrimeSearch search = nthPrime);

}  // namespace nthprime
