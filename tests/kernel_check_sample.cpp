// What the checks of the kernel objects must find, in an object of its own that no program
// links: an inline function with external linkage, which the compiler emits as a weak or
// COMDAT copy, and on x86 x87 arithmetic and a call to the library's square root.
#include <cmath>

namespace nthprime::sample {

inline __attribute__((noinline)) unsigned twice(unsigned v) {
  return 2 * v;
}

unsigned callsAnInlineFunction(unsigned v) {
  return twice(v) + 1;
}

long double squareInExtendedPrecision(long double v) {
  return v * v;
}

double squareRootWithErrno(double v) {
  return std::sqrt(v);
}

}  // namespace nthprime::sample
