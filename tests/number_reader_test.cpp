// The number reader against the correctly rounded value and the stream's own `>> double` on the
// same text: the value bit for bit, the stream state and what is left unread, over grammar edges,
// long digit runs, halfway points between doubles, range boundaries, huge exponents and seeded
// random texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "number_extraction.hpp"

namespace {

using namespace nthprime;

double fromBits(std::uint64_t bits) {
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A source without a buffer of its own, as standard input is when synchronised with C stdio:
// every character is fetched by a call, and nothing can be put back.
class OneCharacterAtATime : public std::streambuf {
 public:
  explicit OneCharacterAtATime(const std::string& text) : text_(text) {}

 protected:
  int_type underflow() override {
    return next_ < text_.size() ? traits_type::to_int_type(text_[next_]) : traits_type::eof();
  }
  int_type uflow() override {
    return next_ < text_.size() ? traits_type::to_int_type(text_[next_++]) : traits_type::eof();
  }

 private:
  const std::string& text_;
  std::size_t next_ = 0;
};

std::string describe(const Extraction& e) {
  char value[64];
  std::snprintf(value, sizeof value, "%.17g", fromBits(e.bits));
  return std::string(value) + (e.state & std::ios_base::failbit ? " fail" : "") +
         (e.state & std::ios_base::eofbit ? " eof" : "") + ", unread \"" + escaped(e.unread, 120) +
         "\"";
}

// Texts that this platform's own `>> double` reads wrongly, where the reader reads them right:
// the platform's fault, printed one line each as it is met (with a count at the end of the
// test), never taken as expected and never failing the test. glibc's `>>` may have none.
class PlatformFaults {
 public:
  void record(const std::string& text, const Extraction& stream, const Extraction& correct) {
    if (++count_ <= kShownInFull) {
      std::printf("[ PLATFORM ] this platform's >> double reads \"%s\" as %s; correctly: %s\n",
                  escaped(text, 120).c_str(), describe(stream).c_str(), describe(correct).c_str());
    }
  }

  // Prints and records how many texts of the finished test the platform got wrong.
  void report() {
    if (count_ != 0) {
      std::printf(
          "[ PLATFORM ] %zu texts of NumberReader.%s read wrongly by this platform's >> "
          "double (%zu shown above), read right by the reader\n",
          count_, testing::UnitTest::GetInstance()->current_test_info()->name(),
          std::min(count_, kShownInFull));
    }
    testing::Test::RecordProperty("platform_faults", static_cast<int>(count_));
    count_ = 0;
  }

 private:
  static constexpr std::size_t kShownInFull = 20;
  std::size_t count_ = 0;
};
PlatformFaults platformFaults;

// The reader, over a buffered and over an unbuffered source, must read the text correctly, and
// on glibc exactly as `>>` does; elsewhere a wrong `>>` is the platform's fault.
testing::AssertionResult readsCorrectly(const std::string& text) {
  const Extraction correct = extractedCorrectly(text);
  std::stringbuf buffered(text);
  OneCharacterAtATime unbuffered(text);
  for (std::streambuf* source :
       {static_cast<std::streambuf*>(&buffered), static_cast<std::streambuf*>(&unbuffered)}) {
    const Extraction got = extractedByReader(*source);
    if (got != correct) {
      return testing::AssertionFailure()
             << "text \"" << escaped(text, 120) << "\"\n  correct: " << describe(correct)
             << "\n  reader:  " << describe(got)
             << (source == &buffered ? " (buffered)" : " (unbuffered)");
    }
  }
  const Extraction stream = extractedByStream(text);
  if (stream != correct) {
    if (kStreamConversionIsExact) {
      return testing::AssertionFailure()
             << "text \"" << escaped(text, 120) << "\"\n  correct and reader: " << describe(correct)
             << "\n  stream: " << describe(stream);
    }
    platformFaults.record(text, stream, correct);
  }
  return testing::AssertionSuccess();
}

// Every test reports the platform's faults it met.
class NumberReader : public testing::Test {
 protected:
  void TearDown() override { platformFaults.report(); }
};

std::string repeat(char c, std::size_t count) {
  return std::string(count, c);
}

// ---- Exact decimal expansions of binary fractions. ----

// A non-negative integer in base 10^9 limbs, least significant first.
class BigDecimal {
 public:
  explicit BigDecimal(std::uint64_t value) {
    do {
      limbs_.push_back(static_cast<std::uint32_t>(value % kBase));
      value /= kBase;
    } while (value != 0);
  }

  void multiplyBy(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product % kBase);
      carry = product / kBase;
    }
    for (; carry != 0; carry /= kBase) {
      limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
    }
  }

  // Multiplies by base^power in steps small enough for one limb's product.
  void multiplyByPower(std::uint32_t base, int power, std::uint32_t step, int stepPower) {
    for (; power >= stepPower; power -= stepPower) {
      multiplyBy(step);
    }
    for (; power > 0; --power) {
      multiplyBy(base);
    }
  }

  std::string digits() const {
    std::string text = std::to_string(limbs_.back());
    for (std::size_t i = limbs_.size() - 1; i-- > 0;) {
      char limb[16];
      std::snprintf(limb, sizeof limb, "%09u", static_cast<unsigned>(limbs_[i]));
      text += limb;
    }
    return text;
  }

 private:
  static constexpr std::uint32_t kBase = 1'000'000'000;
  std::vector<std::uint32_t> limbs_;
};

// An exact decimal: the integer `digits` times 10^exponent.
struct Decimal {
  std::string digits;
  int exponent;
};

// The exact value odd × 2^power.
Decimal exactly(std::uint64_t odd, int power) {
  BigDecimal number(odd);
  if (power >= 0) {
    number.multiplyByPower(2, power, 1u << 30, 30);
    return {number.digits(), 0};
  }
  number.multiplyByPower(5, -power, 1'220'703'125, 13);  // 5^13; odd × 5^k / 10^k
  return {number.digits(), power};
}

// The point halfway between a positive finite double and the next one up.
Decimal halfwayAbove(double x) {
  const std::uint64_t bits = bitsOf(x);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const int biased = static_cast<int>(bits >> 52);
  const std::uint64_t mantissa = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int power = biased == 0 ? -1074 : biased - 1075;
  return exactly(2 * mantissa + 1, power - 1);  // (m + 1/2) × 2^power
}

std::string asText(const std::string& digits, long long exponent) {
  return digits + "e" + std::to_string(exponent);
}

// A text and what it rounds to, known from how the text was made, not from any conversion.
struct KnownRounding {
  std::string text;
  double value;    // as the stream gives it: the largest double for an overflow
  bool overflows;  // the correctly rounded value is beyond the largest double
};

// The halfway point above x exactly (a tie: to the even one of x and the next double up), just
// above it (a 1 after `zeros` zeros: the next one up) and just below it (the last digit lowered,
// then nines: x), also written as a fraction after leading zeros, and negated.
std::vector<KnownRounding> textsAroundHalfway(double x, std::size_t zeros) {
  const Decimal h = halfwayAbove(x);
  const double up = std::nextafter(x, std::numeric_limits<double>::infinity());
  const bool upOverflows = std::isinf(up);
  const double above = upOverflows ? DBL_MAX : up;
  const bool xIsEven = (bitsOf(x) & 1) == 0;
  const double tie = xIsEven ? x : above;
  const bool tieOverflows = !xIsEven && upOverflows;
  std::string lowered = h.digits;  // one unit less in the last digit, borrowing over zeros
  std::size_t last = lowered.size() - 1;
  for (; lowered[last] == '0'; --last) {
    lowered[last] = '9';
  }
  --lowered[last];
  const long long e = h.exponent;
  const auto length = static_cast<long long>(h.digits.size());
  const auto more = static_cast<long long>(zeros) + 1;
  return {
      {asText(h.digits, e), tie, tieOverflows},
      {asText(h.digits + repeat('0', zeros) + "1", e - more), above, upOverflows},
      {asText(lowered + repeat('9', zeros) + "9", e - more), x, false},
      {"0." + repeat('0', 37) + asText(h.digits, e + length + 37), tie, tieOverflows},
      {"-00" + asText(h.digits + repeat('0', zeros) + "1", e - more), -above, upOverflows},
  };
}

// The reader reads the text as made, and so does the correct reading the other tests hold it to.
testing::AssertionResult roundsAsMade(const KnownRounding& known) {
  const testing::AssertionResult asTheCorrectReading = readsCorrectly(known.text);
  if (!asTheCorrectReading) {
    return asTheCorrectReading;
  }
  std::stringbuf source(known.text);
  const Extraction got = extractedByReader(source);
  const bool failed = (got.state & std::ios_base::failbit) != 0;
  if (got.bits != bitsOf(known.value) || failed != known.overflows) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.17g%s", known.value,
                  known.overflows ? " fail" : "");
    return testing::AssertionFailure()
           << "text \"" << escaped(known.text, 120) << "\"\n  made to round to " << expected
           << "\n  reader: " << describe(got);
  }
  return testing::AssertionSuccess();
}

// Doubles where rounding is hardest: both ends of the subnormals, the change to normal
// numbers, around 1 and 2^53, and the largest double, whose upper halfway point overflows.
std::vector<double> hardDoubles() {
  return {std::numeric_limits<double>::denorm_min(),
          2 * std::numeric_limits<double>::denorm_min(),
          DBL_MIN - std::numeric_limits<double>::denorm_min(),
          DBL_MIN,
          std::nextafter(DBL_MIN, 1.0),
          std::nextafter(1.0, 0.0),
          1.0,
          203280221.0,
          9007199254740992.0,
          9007199254740993.0 * 3,
          std::nextafter(DBL_MAX, 0.0),
          DBL_MAX};
}

// ---- Seeded random texts, the same on every platform. ----

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : engine_(seed) {}

  std::size_t below(std::size_t bound) { return static_cast<std::size_t>(engine_() % bound); }
  bool chance(std::size_t percent) { return below(100) < percent; }
  char oneOf(const std::string& characters) { return characters[below(characters.size())]; }
  std::uint64_t bits() { return engine_(); }

  // Mostly short runs, now and then one past the kept digits.
  std::size_t runLength() {
    if (chance(5)) {
      return 700 + below(400);
    }
    return chance(30) ? 0 : below(24);
  }

  // Random digits, or runs of one digit that carry when rounded.
  std::string digits(std::size_t count) {
    std::string run;
    const char same = chance(30) ? oneOf("09") : 0;
    for (std::size_t i = 0; i < count; ++i) {
      run += same != 0 ? same : oneOf("0123456789");
    }
    return run;
  }

  std::string text() {
    std::string text;
    for (std::size_t blanks = chance(30) ? below(4) : 0; blanks > 0; --blanks) {
      text += oneOf(" \t\n\v\f\r");
    }
    if (chance(40)) {
      text += oneOf("+-");
    }
    if (chance(20)) {
      text += repeat('0', below(chance(10) ? 2000 : 10));
    }
    text += digits(runLength());
    if (chance(50)) {
      text += '.';
      text += digits(runLength());
    }
    if (chance(50)) {
      text += oneOf("eE");
      if (chance(50)) {
        text += oneOf("+-");
      }
      text += repeat('0', chance(10) ? below(30) : 0);
      text += digits(chance(10) ? 15 + below(15) : below(5));
    }
    for (std::size_t tail = below(4); tail > 0; --tail) {
      text += oneOf("0123456789.eE+- x\n");
    }
    return text;
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace

TEST_F(NumberReader, EveryShortTextOverTheSyntaxCharacters) {
  const std::string alphabet = "07.eE+- x";
  std::vector<std::string> texts = {""};
  for (std::size_t length = 1; length <= 5; ++length) {
    std::vector<std::string> longer;
    for (const std::string& text : texts) {
      ASSERT_TRUE(readsCorrectly(text));
      for (const char c : alphabet) {
        longer.push_back(text + c);
      }
    }
    texts = std::move(longer);
  }
  for (const std::string& text : texts) {
    ASSERT_TRUE(readsCorrectly(text));
  }
}

TEST_F(NumberReader, GrammarEdges) {
  for (const char* text : {"",
                           " ",
                           "\t\n\v\f\r 42abc",
                           "\xa0 5",
                           "\x85 5",
                           "+",
                           "-",
                           ".",
                           "+.",
                           "-.",
                           "..",
                           "e5",
                           ".e5",
                           "+e5",
                           "12e",
                           "12E",
                           "12e+",
                           "12e-",
                           "12e+x",
                           "3E-x",
                           "12e+-5",
                           "12ee5",
                           "1e5e3",
                           "1e5.3",
                           "5.e3",
                           ".5",
                           "5.",
                           "1..2",
                           "12.5.3",
                           "- 5",
                           "--1",
                           "+-1",
                           "0x1F",
                           "inf",
                           "nan",
                           "infinity",
                           "1,000",
                           "1e+05",
                           "1E-0",
                           "-0",
                           "+0.0e0",
                           "-0.0e-5",
                           "0e999999",
                           "-.0",
                           "000",
                           "000.000e000",
                           "1e3\n",
                           "17",
                           "1e",
                           "1e-",
                           "203280221.0001"}) {
    ASSERT_TRUE(readsCorrectly(text));
  }
}

TEST_F(NumberReader, LongRunsOfZerosAndDigitsAreReadThrough) {
  for (const std::size_t count : {799, 800, 801, 1000, 5000, 100'000}) {
    SCOPED_TRACE(count);
    ASSERT_TRUE(readsCorrectly(repeat('0', count) + "17x"));
    ASSERT_TRUE(readsCorrectly("-" + repeat('0', count) + "." + repeat('0', count) + "1e" +
                               std::to_string(count + 3)));
    ASSERT_TRUE(readsCorrectly("17." + repeat('9', count) + "e-0"));
    ASSERT_TRUE(readsCorrectly("1" + repeat('0', count) + "e-" + std::to_string(count)));
    ASSERT_TRUE(readsCorrectly("0." + repeat('0', count) + "1e+" + std::to_string(count + 1)));
    ASSERT_TRUE(readsCorrectly("1" + repeat('0', count) + ".5"));
    ASSERT_TRUE(readsCorrectly("4" + repeat('9', count) + "e-" + std::to_string(count)));
    ASSERT_TRUE(readsCorrectly("1e" + repeat('0', count) + "5"));
    ASSERT_TRUE(readsCorrectly(repeat('5', count) + "." + repeat('5', count)));
  }
}

TEST_F(NumberReader, AroundHalfwayPointsBetweenAdjacentDoubles) {
  Generator generator(20240521);
  std::vector<double> doubles = hardDoubles();
  for (int i = 0; i < 40; ++i) {
    double x = fromBits(generator.bits() & ~(std::uint64_t{1} << 63));
    if (std::isfinite(x)) {
      doubles.push_back(x);
    }
  }
  for (const double x : doubles) {
    const Decimal h = halfwayAbove(x);
    SCOPED_TRACE(testing::Message() << h.digits.size() << " digits");
    // Beyond the kept digits by far, and with the 1 landing just before, on and after them.
    std::vector<std::size_t> zeros = {1000};
    for (std::size_t position = 798; position <= 802; ++position) {
      if (position > h.digits.size()) {
        zeros.push_back(position - h.digits.size() - 1);
      }
    }
    for (const std::size_t z : zeros) {
      for (const KnownRounding& known : textsAroundHalfway(x, z)) {
        ASSERT_TRUE(roundsAsMade(known));
      }
    }
  }
}

TEST_F(NumberReader, SubnormalAndOverflowBoundaries) {
  for (const char* text : {"4.9406564584124654e-324",
                           "2.4703282292062327e-324",
                           "2.4703282292062328e-324",
                           "-2.4703282292062327e-324",
                           "1e-400",
                           "-1e-400",
                           "2.2250738585072011e-308",
                           "2.2250738585072014e-308",
                           "1.7976931348623157e308",
                           "1.7976931348623158e308",
                           "1.7976931348623159e308",
                           "-1.7976931348623159e308",
                           "1e309",
                           "-1e309",
                           "1e999",
                           "2e308",
                           "0.1e-323",
                           "0.1e310",
                           "1e-320",
                           "123456789e-330"}) {
    ASSERT_TRUE(readsCorrectly(text));
  }
}

TEST_F(NumberReader, HugeAndSaturatedExponents) {
  const std::string zeros = repeat('0', 20'000);
  const std::vector<std::string> texts = {"1e999999999999999999999",
                                          "1e-999999999999999999999",
                                          "-1e99999999999999999999999999999999",
                                          "0e99999999999999999999",
                                          "-0.0e-9999999999999999999",
                                          "1e+1000000000",
                                          "0." + zeros + "1e+1000000000",
                                          "0." + zeros + "1e+20001",
                                          "0." + zeros + "1e+20000",
                                          "0." + zeros + "1e+20300",
                                          "1" + zeros + "e-20000",
                                          "1" + zeros + "e-20320",
                                          "1" + zeros + "e-19700",
                                          "0.1e100000",
                                          "0.1e100001",
                                          "0.1e-99999",
                                          "1e-100000",
                                          "1e" + zeros + "3",
                                          "1e-" + zeros + "3",
                                          "1e1000000000000000",
                                          "1e999999999999999",
                                          "1e-1000000000000000"};
  for (const std::string& text : texts) {
    ASSERT_TRUE(readsCorrectly(text));
  }
}

TEST_F(NumberReader, SeededRandomTexts) {
  Generator generator(0x6e74687072696d65);
  for (int i = 0; i < 100'000; ++i) {
    ASSERT_TRUE(readsCorrectly(generator.text())) << "text number " << i;
  }
}

TEST_F(NumberReader, SeededRandomDoublesWrittenInFull) {
  Generator generator(7919);
  for (int i = 0; i < 20'000; ++i) {
    const double x = fromBits(generator.bits());
    char text[64];
    std::snprintf(text, sizeof text, i % 2 == 0 ? "%.17g" : "%.25e", x);
    ASSERT_TRUE(readsCorrectly(text));
  }
}
