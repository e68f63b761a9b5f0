// Differential fuzz target of the dialogue: runs it in-process on arbitrary bytes and checks
// every byte it writes against a model of the input rules of its own and a sieve of small primes,
// and the number reader against the correctly rounded reading and the stream's own `>> double`.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue.hpp"
#include "number_extraction.hpp"

namespace {

using nthprime::escaped;
using nthprime::extractedByReader;
using nthprime::extractedByStream;
using nthprime::extractedCorrectly;
using nthprime::Extraction;
using nthprime::kStreamConversionIsExact;
using nthprime::PrimeIndex;

const std::string kPrompt = "Input a positive integer (1 - 203280221) : ";
const std::string kRejection = "Invalid number! Range: 1 <= n <= 203280221\n";

// ---- The model of reading the number, written from the input rules alone. ----

// What the rules say one input reads as.
struct Reading {
  double value;     // 0 when no number can be read
  std::size_t end;  // where the scan stopped: the first character left unread
};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isSign(char c) {
  return c == '+' || c == '-';
}

std::size_t skipDigits(const std::string& text, std::size_t i) {
  while (i < text.size() && isDigit(text[i])) {
    ++i;
  }
  return i;
}

// Blanks, then [sign] digits [. digits] [e [sign] digits] with a digit somewhere in the
// mantissa. An exponent mark without digits after it spoils the whole number.
Reading readNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) {
    ++i;
  }
  const std::size_t start = i;
  if (i < text.size() && isSign(text[i])) {
    ++i;
  }
  const std::size_t integerStart = i;
  i = skipDigits(text, i);
  bool mantissaHasDigits = i > integerStart;
  if (i < text.size() && text[i] == '.') {
    const std::size_t fractionStart = ++i;
    i = skipDigits(text, i);
    mantissaHasDigits = mantissaHasDigits || i > fractionStart;
  }
  if (!mantissaHasDigits) {
    return {0.0, i};
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && isSign(text[i])) {
      ++i;
    }
    const std::size_t exponentStart = i;
    i = skipDigits(text, i);
    if (i == exponentStart) {
      return {0.0, i};
    }
  }
  // The lexeme is plain decimal text, so strtod converts all of it, correctly rounded where the
  // C library's strtod is exact (glibc's); elsewhere (the corpus replayed on Windows) the
  // C++ library's exact conversion of the whole lexeme stands in.
  const std::string lexeme = text.substr(start, i - start);
  if (!kStreamConversionIsExact) {
    std::ios_base::iostate ignored = std::ios_base::goodbit;
    return {nthprime::correctlyRounded(lexeme, ignored), i};
  }
  return {std::strtod(lexeme.c_str(), nullptr), i};
}

// ---- The oracle for small indices. ----

constexpr std::uint32_t kSieveLimit = 1u << 18;  // walks below this bound cost microseconds

const std::vector<std::uint32_t>& smallPrimes() {
  static const std::vector<std::uint32_t> primes = [] {
    std::vector<bool> composite(kSieveLimit, false);
    std::vector<std::uint32_t> found;
    for (std::uint32_t i = 2; i < kSieveLimit; ++i) {
      if (composite[i]) {
        continue;
      }
      found.push_back(i);
      for (std::uint64_t m = std::uint64_t{i} * i; m < kSieveLimit; m += i) {
        composite[m] = true;
      }
    }
    return found;
  }();
  return primes;
}

// ---- The search the dialogue is given: it records its calls. ----

struct SearchLog {
  int calls = 0;
  PrimeIndex index = 0;
  std::uint32_t answer = 0;
};
SearchLog searchLog;

// Real answers for small indices; above them a stand-in derived from n, so that the printed
// prime can still be traced to this call without a search of seconds.
std::uint32_t recordingSearch(PrimeIndex n) {
  ++searchLog.calls;
  searchLog.index = n;
  searchLog.answer = n <= smallPrimes().size() ? nthprime::nthPrime(n) : n ^ 0x5a5a5a5au;
  return searchLog.answer;
}

// ---- Comparing what the dialogue did with what the model expects. ----

[[noreturn]] void fail(const std::string& what, const std::string& input,
                       const std::string& output) {
  std::fprintf(stderr,
               "dialogue disagrees with the model: %s\n  input:  \"%s\"\n  output: \"%s\"\n",
               what.c_str(), escaped(input).c_str(), escaped(output).c_str());
  std::abort();
}

// Plain decimal digits without leading zeros, as the elapsed milliseconds are written.
bool isWholeNumber(const std::string& text) {
  return !text.empty() && (text == "0" || text[0] != '0') &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

void checkAnswer(const std::string& input, const std::string& output, PrimeIndex n) {
  if (searchLog.calls != 1 || searchLog.index != n) {
    fail("the search was not called exactly once with " + std::to_string(n), input, output);
  }
  if (n <= smallPrimes().size() && searchLog.answer != smallPrimes()[n - 1]) {
    fail("nthPrime(" + std::to_string(n) + ") = " + std::to_string(searchLog.answer) +
             ", the sieve says " + std::to_string(smallPrimes()[n - 1]),
         input, output);
  }
  const std::string head = kPrompt + "working...\n\n--> prime(" + std::to_string(n) +
                           ") = " + std::to_string(searchLog.answer) + ",  Time : ";
  const std::string tail = " msec\n";
  const bool framed = output.size() > head.size() + tail.size() &&
                      output.compare(0, head.size(), head) == 0 &&
                      output.compare(output.size() - tail.size(), tail.size(), tail) == 0;
  if (!framed ||
      !isWholeNumber(output.substr(head.size(), output.size() - head.size() - tail.size()))) {
    fail("expected the answer for index " + std::to_string(n), input, output);
  }
}

void checkDialogue(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  searchLog = SearchLog{};
  const int status = nthprime::runDialogue(in, out, recordingSearch);
  in.clear();
  const std::string unread(std::istreambuf_iterator<char>(in), {});
  const std::string output = out.str();

  if (status != 0) {
    fail("exit status " + std::to_string(status), input, output);
  }
  const Reading reading = readNumber(input);
  if (unread != input.substr(reading.end)) {
    fail("the read stopped elsewhere than at byte " + std::to_string(reading.end), input, output);
  }
  const bool inRange = reading.value >= 1.0 && reading.value <= 203280221.0;
  if (!inRange) {
    if (searchLog.calls != 0 || output != kPrompt + kRejection) {
      fail("expected the rejection", input, output);
    }
    return;
  }
  checkAnswer(input, output, static_cast<PrimeIndex>(reading.value));
}

// ---- The number reader against the correct reading and the stream's on the same bytes. ----

void printExtraction(const char* who, const Extraction& e) {
  std::fprintf(stderr, "  %s: bits %016llx, state %d, %zu unread\n", who,
               static_cast<unsigned long long>(e.bits), static_cast<int>(e.state), e.unread.size());
}

// The reader must read every input correctly, and on glibc exactly as `>>` does. Where the
// platform's own `>>` is wrong (the corpus replayed on Windows), that is said, not failed.
void checkReader(const std::string& input) {
  const Extraction correct = extractedCorrectly(input);
  const Extraction stream = extractedByStream(input);
  std::stringbuf source(input);
  const Extraction got = extractedByReader(source);
  const bool streamIsWrong = stream != correct;
  if (got != correct || (streamIsWrong && kStreamConversionIsExact)) {
    std::fprintf(stderr, "number reader and >> disagree with the correct reading\n");
    printExtraction("correct", correct);
    printExtraction("reader ", got);
    printExtraction("stream ", stream);
    std::fprintf(stderr, "  input: \"%s\"\n", escaped(input).c_str());
    std::abort();
  }
  if (streamIsWrong) {
    std::printf(
        "[ PLATFORM ] this platform's >> double reads \"%s\" wrongly (bits %016llx, "
        "state %d; correctly %016llx, state %d)\n",
        escaped(input, 120).c_str(), static_cast<unsigned long long>(stream.bits),
        static_cast<int>(stream.state), static_cast<unsigned long long>(correct.bits),
        static_cast<int>(correct.state));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  checkReader(input);
  checkDialogue(input);
  return 0;
}
