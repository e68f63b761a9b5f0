// The dialogue driven in-process: how the number is read, which values are rejected, the
// exact bytes written, that nothing after the number is consumed, and the elapsed time taken
// from a scripted clock.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "dialogue.hpp"

using nthprime::PrimeIndex;
using nthprime::runDialogue;

namespace {

const std::string kPrompt = "Input a positive integer (1 - 203280221) : ";
const std::string kRejection = "Invalid number! Range: 1 <= n <= 203280221\n";

struct Run {
  int status;
  std::string output;
  std::string unread;  // what the dialogue left in its input
};

Run run(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  const int status = runDialogue(in, out);
  in.clear();
  return {status, out.str(), std::string(std::istreambuf_iterator<char>(in), {})};
}

// Plain decimal digits without leading zeros, as the elapsed milliseconds are written.
bool isWholeNumber(const std::string& text) {
  return !text.empty() && (text == "0" || text[0] != '0') &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

void expectRejected(const std::string& input) {
  const Run r = run(input);
  EXPECT_EQ(r.status, 0) << "input \"" << input << "\"";
  EXPECT_EQ(r.output, kPrompt + kRejection) << "input \"" << input << "\"";
}

void expectAnswer(const std::string& input, const std::string& index, const std::string& prime) {
  const Run r = run(input);
  EXPECT_EQ(r.status, 0) << "input \"" << input << "\"";
  const std::string head =
      kPrompt + "working...\n\n--> prime(" + index + ") = " + prime + ",  Time : ";
  const std::string tail = " msec\n";
  EXPECT_TRUE(
      r.output.size() > head.size() + tail.size() && r.output.compare(0, head.size(), head) == 0 &&
      r.output.compare(r.output.size() - tail.size(), tail.size(), tail) == 0 &&
      isWholeNumber(r.output.substr(head.size(), r.output.size() - head.size() - tail.size())))
      << "input \"" << input << "\" wrote\n"
      << r.output;
}

// ---- A scripted clock, and what the dialogue had done whenever it was read. ----

struct ClockScript {
  std::uint32_t readings[2] = {};  // what the first and the second reading return
  int reads = 0;
  int readsBeforeSearch = -1;
  std::size_t outputAtRead[2] = {};  // bytes written when the clock was read
  std::size_t outputAtSearch = 0;
};
ClockScript script;
const std::ostringstream* watchedOutput = nullptr;

std::uint32_t scriptedClock() {
  const int reading = script.reads++;
  if (reading >= 2) {
    return 0;  // a third reading fails the test that counts them
  }
  script.outputAtRead[reading] = watchedOutput->str().size();
  return script.readings[reading];
}

std::uint32_t watchedSearch(PrimeIndex n) {
  script.readsBeforeSearch = script.reads;
  script.outputAtSearch = watchedOutput->str().size();
  return nthprime::nthPrime(n);
}

// The dialogue's whole output for the input 1000 with a clock that reads start, then end.
std::string outputTiming(std::uint32_t start, std::uint32_t end) {
  script = ClockScript{};
  script.readings[0] = start;
  script.readings[1] = end;
  std::istringstream in("1000\n");
  std::ostringstream out;
  watchedOutput = &out;
  runDialogue(in, out, watchedSearch, scriptedClock);
  return out.str();
}

std::string answerTaking(const std::string& milliseconds) {
  return kPrompt + "working...\n\n--> prime(1000) = 7919,  Time : " + milliseconds + " msec\n";
}

}  // namespace

TEST(Dialogue, AnswersAndPrintsTheTruncatedIndex) {
  expectAnswer("1\n", "1", "2");
  expectAnswer("12.9\n", "12", "37");
  expectAnswer("1e3\n", "1000", "7919");
  expectAnswer("1E3\n", "1000", "7919");
  expectAnswer("+7\n", "7", "17");
  expectAnswer("5.\n", "5", "11");
  expectAnswer("1.9", "1", "2");
  expectAnswer("2.03280221e8\n", "203280221", "4294967291");
  expectAnswer("203280221\n", "203280221", "4294967291");
  expectAnswer("203280221.0\n", "203280221", "4294967291");
  expectAnswer("203280220.9\n", "203280220", "4294967279");
  expectAnswer("0.1e2\n", "10", "29");
  expectAnswer(std::string(1000, '0') + "17\n", "17", "59");
  expectAnswer("17." + std::string(1000, '9') + "e-0\n", "18", "61");  // rounds up to 18.0
}

TEST(Dialogue, SkipsWhiteSpaceAndStopsAtTheFirstCharacterThatCannotContinue) {
  expectAnswer("\n\n   \t42abc\n", "42", "181");
  expectAnswer("\v\f\r 11\n", "11", "31");
  expectAnswer("12.5.3\n", "12", "37");
  expectAnswer("1e5x\n", "100000", "1299709");
  expectAnswer("1,000\n", "1", "2");  // no thousands separator
  expectAnswer("13 14\n", "13", "41");
}

TEST(Dialogue, LeavesEverythingAfterTheNumberUnread) {
  EXPECT_EQ(run("  42abc\nmore\n").unread, "abc\nmore\n");
  EXPECT_EQ(run("7\n8\n").unread, "\n8\n");
  EXPECT_EQ(run("12.5.3").unread, ".3");
}

TEST(Dialogue, RejectsNumbersOutOfRange) {
  for (const char* input :
       {"0\n", "0.9999\n", "-5\n", "-0\n", ".5\n", "203280221.0001\n", "203280221.5\n",
        "203280222\n", "4294967296\n", "1e9\n", "1e999\n", "-1e999\n", "2e308\n", "1e-999\n"}) {
    expectRejected(input);
  }
}

// The range is checked on the value rounded to the nearest double. Halfway between 203280221
// and the next double up a tie goes to the even 203280221; any non-zero digit after the tie,
// however far, rounds up and out of range.
TEST(Dialogue, ChecksTheRangeOnTheRoundedValue) {
  const std::string halfway = "203280221.00000001490116119384765625";
  expectAnswer("203280221.00000001\n", "203280221", "4294967291");
  expectAnswer("0.99999999999999999\n", "1", "2");
  expectAnswer(halfway + "\n", "203280221", "4294967291");
  expectRejected(halfway + std::string(900, '0') + "1\n");
  expectAnswer(halfway.substr(0, halfway.size() - 1) + "4" + std::string(900, '9') + "\n",
               "203280221", "4294967291");
}

TEST(Dialogue, RejectsTextThatIsNotANumber) {
  for (const char* input :
       {"", "\n", "   \n\n\t", "abc\n", ".\n", "-\n", "+\n", "- 5\n", "12e\n", "12e+\n", "3E-x\n",
        "inf\n", "nan\n", "infinity\n", "e5\n", "0x1F\n", "1e", "1e-"}) {
    expectRejected(input);
  }
}

TEST(ElapsedTime, IsTheDifferenceOfTheTwoReadingsAlsoAcrossTheCountersWrap) {
  EXPECT_EQ(outputTiming(0xFFFFFFF0u, 0x10u), answerTaking("32"));
  EXPECT_EQ(outputTiming(123, 123), answerTaking("0"));
  EXPECT_EQ(outputTiming(0, 15), answerTaking("15"));
  EXPECT_EQ(outputTiming(0x10u, 0), answerTaking("-16"));  // the difference is read as signed
}

TEST(ElapsedTime, PlainDigitsBelowAMillionMillisecondsAndTheExponentFormFromIt) {
  EXPECT_EQ(outputTiming(7, 7 + 999'999), answerTaking("999999"));
  EXPECT_EQ(outputTiming(7, 7 + 1'000'000), answerTaking("1e+06"));
  EXPECT_EQ(outputTiming(0xFFFF0000u, 0xFFFF0000u + 1'234'567u), answerTaking("1.23457e+06"));
  EXPECT_EQ(outputTiming(0, 0x7FFFFFFFu), answerTaking("2.14748e+09"));
}

TEST(ElapsedTime, TheClockIsReadJustBeforeAndJustAfterTheSearch) {
  const std::string output = outputTiming(1, 2);
  const std::size_t working = (kPrompt + "working...\n").size();
  EXPECT_EQ(script.reads, 2);
  EXPECT_EQ(script.readsBeforeSearch, 1);
  EXPECT_EQ(script.outputAtRead[0], working);  // after "working..." is written
  EXPECT_EQ(script.outputAtSearch, working);
  EXPECT_EQ(script.outputAtRead[1], working);  // before anything more is written
  EXPECT_EQ(output, answerTaking("1"));
}

TEST(ElapsedTime, ARejectedNumberNeverReadsTheClock) {
  script = ClockScript{};
  std::istringstream in("0\n");
  std::ostringstream out;
  watchedOutput = &out;
  runDialogue(in, out, watchedSearch, scriptedClock);
  EXPECT_EQ(script.reads, 0);
  EXPECT_EQ(script.readsBeforeSearch, -1);
}
