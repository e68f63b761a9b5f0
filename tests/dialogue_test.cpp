// The dialogue driven in-process: how the number is read, which values are rejected, the
// exact bytes written, and that nothing after the number is consumed.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "dialogue.hpp"

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

TEST(Dialogue, RejectsTextThatIsNotANumber) {
  for (const char* input :
       {"", "\n", "   \n\n\t", "abc\n", ".\n", "-\n", "+\n", "- 5\n", "12e\n", "12e+\n", "3E-x\n",
        "inf\n", "nan\n", "infinity\n", "e5\n", "0x1F\n", "1e", "1e-"}) {
    expectRejected(input);
  }
}
