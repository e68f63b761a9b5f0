// What reading a number leaves behind (the value's bits, the stream state, the unread rest),
// by the number reader, by the stream's own `>> double` and as it should be: what the test and
// the fuzzer compare.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <istream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <system_error>

#include "number_reader.hpp"

namespace nthprime {

struct Extraction {
  std::uint64_t bits;  // the value's bit pattern, so that -0 and 0 differ
  std::ios_base::iostate state;
  std::string unread;

  bool operator==(const Extraction& other) const {
    return bits == other.bits && state == other.state && unread == other.unread;
  }
  bool operator!=(const Extraction& other) const { return !(*this == other); }
};

inline std::uint64_t bitsOf(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

inline Extraction extractionLeftBy(std::istream& in, double value) {
  const std::ios_base::iostate state = in.rdstate();
  in.clear();
  return {bitsOf(value), state, std::string(std::istreambuf_iterator<char>(in), {})};
}

inline Extraction extractedByStream(const std::string& text) {
  std::istringstream in(text);
  double value = 0;  // the dialogue's value when the stream reads none
  in >> value;
  return extractionLeftBy(in, value);
}

inline Extraction extractedByReader(std::streambuf& source) {
  std::istream in(&source);
  const double value = readNumber(in);
  return extractionLeftBy(in, value);
}

// Whether this platform's own `>> double` must read every text correctly: libstdc++ hands the
// text to the C library's strtod, which glibc rounds correctly at any length; MinGW's does not
// (there a wrong reading is reported as the platform's fault, not taken as expected).
#ifdef __GLIBC__
constexpr bool kStreamConversionIsExact = true;
#else
constexpr bool kStreamConversionIsExact = false;
#endif

// The power of ten of the number's first non-zero digit (0 for "5", -1 for "0.5", 2 for
// "0.1e3"), with the exponent's digits saturated far beyond a double's range: whether a number
// out of that range is too large (a power of at least 0) or too small.
inline long long leadingPowerOfTen(const std::string& number) {
  long long power = 0;
  bool seenNonZero = false;
  bool inFraction = false;
  std::size_t i = 0;
  for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
    const char c = number[i];
    if (c == '.') {
      inFraction = true;
    } else if (c >= '1' && c <= '9' && !seenNonZero) {
      seenNonZero = true;
      power += inFraction ? -1 : 0;
    } else if (c >= '0' && c <= '9') {
      power += seenNonZero ? (inFraction ? 0 : 1) : (inFraction ? -1 : 0);
    }
  }
  long long exponent = 0;
  const bool negative = i + 1 < number.size() && number[i + 1] == '-';
  for (++i; i < number.size(); ++i) {
    if (number[i] >= '0' && number[i] <= '9' && exponent < 1'000'000'000'000'000) {
      exponent = exponent * 10 + (number[i] - '0');
    }
  }
  return power + (negative ? -exponent : exponent);
}

// The number `text` spells (already known to be the whole of what `>>` took, blanks skipped),
// correctly rounded: std::from_chars over all of it, libstdc++'s own exact conversion, which
// is the same code on every platform, has no length limit, and agrees with glibc's strtod bit
// for bit where both are tested. The stream's edges: the largest double with failbit for an
// overflow, zero of the number's sign for an underflow, 0 with failbit for text that is no
// number.
inline double correctlyRounded(const std::string& text, std::ios_base::iostate& state) {
  const char* first = text.data();
  const char* const last = first + text.size();
  if (first != last && *first == '+') {
    ++first;  // from_chars takes a minus sign only
  }
  double value = 0;
  const std::from_chars_result result = std::from_chars(first, last, value);
  if (result.ptr != last || result.ec == std::errc::invalid_argument) {
    state |= std::ios_base::failbit;
    return 0;
  }
  if (result.ec == std::errc::result_out_of_range) {
    const bool overflows = leadingPowerOfTen(text) >= 0;
    if (overflows) {
      state |= std::ios_base::failbit;
    }
    const double magnitude = overflows ? std::numeric_limits<double>::max() : 0.0;
    return *first == '-' ? -magnitude : magnitude;
  }
  return value;
}

// What reading `text` should leave: where the stream's extraction stops and whether it meets
// the end (libstdc++'s own scan of the syntax, the same on every platform), with the value and
// the failbit of the text it took, correctly rounded, in place of the platform's conversion.
inline Extraction extractedCorrectly(const std::string& text) {
  Extraction correct = extractedByStream(text);
  const std::size_t taken = text.size() - correct.unread.size();
  const std::size_t start = std::min(text.find_first_not_of(" \t\n\v\f\r"), taken);
  correct.state &= ~std::ios_base::failbit;
  correct.bits = bitsOf(correctlyRounded(text.substr(start, taken - start), correct.state));
  return correct;
}

// Printable text: other bytes as \xNN, and at most `limit` of them shown.
inline std::string escaped(const std::string& bytes, std::size_t limit = 200) {
  std::string text;
  for (const unsigned char c : bytes.substr(0, limit)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", c);
    text += (c >= 0x20 && c < 0x7f && c != '\\') ? std::string(1, static_cast<char>(c)) : hex;
  }
  return bytes.size() > limit ? text + "... (" + std::to_string(bytes.size()) + " bytes)" : text;
}

}  // namespace nthprime
