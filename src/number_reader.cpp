// The number reader: scans a decimal number character by character through the stream buffer,
// keeps only its leading significant digits, and converts that text correctly rounded.
#include "number_reader.hpp"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <iterator>
#include <limits>
#include <streambuf>
#include <system_error>

namespace nthprime {
namespace {

using Traits = std::char_traits<char>;

// A correctly rounded conversion only compares the number with the doubles and with the
// halfway points between adjacent ones, whose exact decimal expansions have at most 768
// significant digits; so 768 digits always suffice to round a double correctly. Keeping 800,
// and standing for any non-zero digit beyond them with one non-zero digit appended, leaves the
// number on the same side of every such point: the kept text rounds exactly as the whole does.
constexpr std::size_t kKeptDigits = 800;

// The exponent's digits stop counting above this: any larger exponent is far beyond a
// double's range with any mantissa, and the count stays far from the 64-bit limit.
constexpr std::int64_t kExponentSaturation = 1'000'000'000'000'000;  // 10^15

// Where the decimal point stands moves by one per integer digit or leading fraction zero; it
// stops at this bound, which no input reaches in centuries and which is far beyond the range.
constexpr std::int64_t kPointLimit = 100'000'000'000'000'000;  // 10^17

// The decimal exponent written into the kept text: beyond ±100000 every kept mantissa
// (0.1 <= m < 1) overflows or underflows a double (10^-324 .. 10^308) just as the full
// exponent does, and every conversion reads the short exponent without trouble.
constexpr std::int64_t kExponentClamp = 100'000;

// The kept number as plain decimal text, "-0.123e45" or "0", in place: the reader allocates
// nothing of its own. Room for "-0.", the kept digits, the sticky digit and "e-100000".
struct DecimalText {
  char characters[kKeptDigits + 16];
  std::size_t length;
};

// A decimal number as the scan keeps it: its value is sign × 0.digits × 10^(point + exponent).
class BoundedDecimal {
 public:
  void setNegative() { negative_ = true; }
  void setExponentNegative() { exponentNegative_ = true; }

  void addIntegerDigit(char digit) {
    if (keptCount_ == 0 && digit == '0') {
      return;  // a leading zero neither counts nor moves the point
    }
    keep(digit);
    if (point_ < kPointLimit) {
      ++point_;
    }
  }

  void addFractionDigit(char digit) {
    if (keptCount_ == 0 && digit == '0') {
      if (point_ > -kPointLimit) {
        --point_;  // 0.001 is 0.1 × 10^-2
      }
      return;
    }
    keep(digit);
  }

  void addExponentDigit(char digit) {
    if (exponent_ < kExponentSaturation) {
      exponent_ = exponent_ * 10 + (digit - '0');
    }
  }

  DecimalText text() const {
    DecimalText text{};
    char* out = text.characters;
    if (negative_) {
      *out++ = '-';
    }
    *out++ = '0';
    if (keptCount_ != 0) {
      *out++ = '.';
      out = std::copy_n(digits_, keptCount_, out);
      if (droppedNonZero_) {
        *out++ = '1';
      }
      *out++ = 'e';
      out = std::to_chars(out, std::end(text.characters), clampedExponent()).ptr;
    }
    text.length = static_cast<std::size_t>(out - text.characters);
    return text;
  }

 private:
  std::int64_t clampedExponent() const {
    const std::int64_t exponent = point_ + (exponentNegative_ ? -exponent_ : exponent_);
    return std::clamp(exponent, -kExponentClamp, kExponentClamp);
  }

  void keep(char digit) {
    if (keptCount_ < kKeptDigits) {
      digits_[keptCount_++] = digit;
    } else if (digit != '0') {
      droppedNonZero_ = true;
    }
  }

  char digits_[kKeptDigits] = {};
  std::size_t keptCount_ = 0;
  bool droppedNonZero_ = false;
  std::int64_t point_ = 0;
  std::int64_t exponent_ = 0;
  bool exponentNegative_ = false;
  bool negative_ = false;
};

// The stream buffer seen one character at a time: the character under the cursor is looked
// at, and taken only when it continues the number.
class Cursor {
 public:
  explicit Cursor(std::streambuf& buffer) : buffer_(buffer), current_(buffer.sgetc()) {}

  bool atEnd() const { return Traits::eq_int_type(current_, Traits::eof()); }
  bool at(char c) const { return Traits::eq_int_type(current_, Traits::to_int_type(c)); }
  bool atSign() const { return at('+') || at('-'); }
  bool atDigit() const { return !atEnd() && character() >= '0' && character() <= '9'; }
  char character() const { return Traits::to_char_type(current_); }
  void advance() { current_ = buffer_.snextc(); }

 private:
  std::streambuf& buffer_;
  Traits::int_type current_;
};

// Takes [sign] digits [. digits] [e|E [sign] digits] into `number`, stopping at the first
// character that cannot continue it, as the stream's extraction does. Returns false when the
// text taken is no number: no digit in the mantissa, or no digit after an exponent mark. An
// exponent mark counts only after a mantissa digit; then it and its sign are taken either way.
bool scanNumber(Cursor& cursor, BoundedDecimal& number) {
  if (cursor.atSign()) {
    if (cursor.at('-')) {
      number.setNegative();
    }
    cursor.advance();
  }
  bool mantissaHasDigits = false;
  for (; cursor.atDigit(); cursor.advance()) {
    number.addIntegerDigit(cursor.character());
    mantissaHasDigits = true;
  }
  if (cursor.at('.')) {
    cursor.advance();
    for (; cursor.atDigit(); cursor.advance()) {
      number.addFractionDigit(cursor.character());
      mantissaHasDigits = true;
    }
  }
  if (!mantissaHasDigits) {
    return false;
  }
  if (!cursor.at('e') && !cursor.at('E')) {
    return true;
  }
  cursor.advance();
  if (cursor.atSign()) {
    if (cursor.at('-')) {
      number.setExponentNegative();
    }
    cursor.advance();
  }
  if (!cursor.atDigit()) {
    return false;
  }
  for (; cursor.atDigit(); cursor.advance()) {
    number.addExponentDigit(cursor.character());
  }
  return true;
}

// Whether the kept text (0.digits e exponent, its first digit non-zero) has a positive
// exponent: out of a double's range, such a number is too large, any other too small.
bool hasPositiveExponent(const DecimalText& text) {
  const char* const end = text.characters + text.length;
  const char* const mark = std::find(text.characters, end, 'e');
  return mark != end && mark + 1 != end && mark[1] != '-';
}

// Converts the kept text, correctly rounded, by the C++ library's own conversion, which is
// exact for text of any length and the same code on every platform. (The stream's `>> double`
// hands its text to the C library's strtod, which on some platforms, MinGW's, rounds long or
// far-scaled texts wrongly; glibc's agrees with this conversion bit for bit.) The edges are
// the stream's: an overflow gives the largest double of the number's sign and failbit, an
// underflow to nothing gives zero of its sign, and a subnormal comes back as it is.
double convert(const DecimalText& text, std::ios_base::iostate& state) {
  const char* const end = text.characters + text.length;
  double value = 0;
  const std::from_chars_result result = std::from_chars(text.characters, end, value);
  if (result.ec == std::errc::result_out_of_range) {
    const bool overflows = hasPositiveExponent(text);
    if (overflows) {
      state |= std::ios_base::failbit;
    }
    const double magnitude = overflows ? std::numeric_limits<double>::max() : 0.0;
    return text.characters[0] == '-' ? -magnitude : magnitude;
  }
  if (result.ec != std::errc() || result.ptr != end) {
    state |= std::ios_base::failbit;  // never for the kept text, which is always a number
    return 0;
  }
  return value;
}

}  // namespace

double readNumber(std::istream& in) {
  const std::istream::sentry sentry(in);  // flushes the tied output and skips white space
  if (!sentry) {
    return 0;
  }
  Cursor cursor(*in.rdbuf());
  BoundedDecimal number;
  std::ios_base::iostate state = std::ios_base::goodbit;
  double value = 0;
  if (scanNumber(cursor, number)) {
    value = convert(number.text(), state);
  } else {
    state |= std::ios_base::failbit;
  }
  if (cursor.atEnd()) {
    state |= std::ios_base::eofbit;
  }
  in.setstate(state);
  return value;
}

}  // namespace nthprime
