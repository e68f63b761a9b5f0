// What reading a number leaves behind (the value's bits, the stream state, the unread rest),
// by the stream's own `>> double` and by the number reader: what the test and the fuzzer compare.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <istream>
#include <iterator>
#include <sstream>
#include <string>

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
