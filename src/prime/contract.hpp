// The one way the search library stops a call outside its contract: a line on standard error,
// then the end of the program, instead of reading past a table or answering wrong.
#pragma once

#include <cstdint>

namespace nthprime {

// Writes "nthprime: <before><value><after>" and a line end to standard error and ends the
// program abnormally. Never returns.
[[noreturn]] void stopOutsideContract(const char* before, std::uint32_t value, const char* after);

}  // namespace nthprime
