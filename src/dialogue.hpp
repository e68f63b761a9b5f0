// The console dialogue: one prompt, one number read, then the rejection line or the prime
// with the milliseconds its search took.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "nth_prime.hpp"

namespace nthprime {

// Maps a validated index to its prime; nthPrime in the program, a recording stand-in in the
// fuzzer, which cannot afford a search of seconds for every index it tries.
using PrimeSearch = std::uint32_t (*)(PrimeIndex);

// Milliseconds of elapsed real time, wrapping modulo 2^32; only differences of two readings
// are used. tickClock in the program, a scripted one in the tests.
using TickClock = std::uint32_t (*)();

// The program's clock: the platform's millisecond counter less its reading at start-up, which
// is taken during static initialisation, before the dialogue starts.
std::uint32_t tickClock();

// Runs the whole dialogue on the given streams and returns the exit status it asks for. The
// clock is read once just before the search and once just after it.
int runDialogue(std::istream& in, std::ostream& out, PrimeSearch search = nthPrime,
                TickClock clock = tickClock);

}  // namespace nthprime
