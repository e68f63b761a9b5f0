// Stops a call outside the search library's contract with a one-line message on standard
// error, so that a misuse shows where it happens instead of as a wrong prime later.
#include "contract.hpp"

#include <cstdio>
#include <cstdlib>

namespace nthprime {

void stopOutsideContract(const char* before, std::uint32_t value, const char* after) {
  // Standard error is unbuffered; if the line cannot be written, nobody is left to be told.
  static_cast<void>(std::fprintf(stderr, "nthprime: %s%lu%s\n", before,
                                 static_cast<unsigned long>(value), after));
  std::abort();
}

}  // namespace nthprime
