// The console dialogue: the prompt, the number read and checked, the timed search and the
// result line; and the program's millisecond clock.
#include "dialogue.hpp"

#include <cstdint>
#include <istream>
#include <ostream>

#include "nth_prime.hpp"
#include "number_reader.hpp"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // MinGW's C++ headers may define it already
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <chrono>
#endif

namespace nthprime {
namespace {

// The platform's millisecond counter of elapsed real time, wrapping modulo 2^32. It cannot
// throw: it is read during static initialisation, where nothing could catch an exception.
#ifdef _WIN32
std::uint32_t systemTicks() noexcept {
  return GetTickCount();
}
#else
std::uint32_t systemTicks() noexcept {
  const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}
#endif

// Taken during static initialisation, before the dialogue starts.
const std::uint32_t kStartTicks = systemTicks();

// The difference of two readings read as signed, so that it stays exact across a wrap.
double elapsedMilliseconds(std::uint32_t start, std::uint32_t end) {
  return static_cast<double>(static_cast<std::int32_t>(end - start));
}

}  // namespace

static_assert(kMaxPrimeIndex == 203280221, "the prompt and the rejection line name the range");

std::uint32_t tickClock() {
  return systemTicks() - kStartTicks;
}

int runDialogue(std::istream& in, std::ostream& out, PrimeSearch search, TickClock clock) {
  out << "Input a positive integer (1 - 203280221) : ";
  const double value = readNumber(in);  // 0 when no number can be read
  if (!(value >= 1.0 && value <= kMaxPrimeIndex)) {
    out << "Invalid number! Range: 1 <= n <= 203280221" << std::endl;
    return 0;
  }
  const auto n = static_cast<PrimeIndex>(value);
  out << "working..." << std::endl;
  const std::uint32_t start = clock();
  const std::uint32_t p = search(n);
  const std::uint32_t end = clock();
  out << std::endl;
  out << "--> prime(" << n << ") = " << p << ",  Time : " << elapsedMilliseconds(start, end)
      << " msec" << std::endl;
  return 0;
}

}  // namespace nthprime
