// The console dialogue: one prompt, one number read, then the rejection line or the prime
// with the milliseconds its search took.
#pragma once

#include <iosfwd>

namespace nthprime {

// Runs the whole dialogue on the given streams and returns the exit status it asks for.
int runDialogue(std::istream& in, std::ostream& out);

}  // namespace nthprime
