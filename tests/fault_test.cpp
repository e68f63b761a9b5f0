// The built program under hostile conditions: closed or empty input, huge inputs fed through a
// pipe (and the memory they take), input that ends mid-number, output that cannot be written,
// and an interrupt.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// The built program, after the emulator that runs it where it is built for another machine.
const char* const kCommand[] = {NTHPRIME_COMMAND};

// Started through an emulator, whose own memory counts in the program's resident set.
const bool kEmulated = std::size(kCommand) > 1;

const std::string kPrompt = "Input a positive integer (1 - 203280221) : ";
const std::string kRejection = kPrompt + "Invalid number! Range: 1 <= n <= 203280221\n";

// A program that stops reading its input must not end this test with SIGPIPE.
[[maybe_unused]] const bool kBrokenPipesIgnored = signal(SIGPIPE, SIG_IGN) != SIG_ERR;

// How a standard stream of the program is set up.
struct Stream {
  // kReaderGone: a pipe whose reading end is closed before the program writes.
  enum Kind { kPipe, kClosed, kFile, kReaderGone } kind = kPipe;
  std::string path;  // for kFile
};

// Produces the program's input piece by piece: returns false once there is no more.
using Feeder = std::function<bool(std::string& chunk)>;

// Called whenever more standard output has arrived, with the process id and all output so far.
using Watcher = std::function<void(pid_t, const std::string&)>;

struct Options {
  Stream in;
  Stream out;
  Feeder feed = [](std::string&) { return false; };
  bool keepInputOpen = false;   // leave the input pipe open after the feeder is done
  bool sigpipeIgnored = false;  // start the program with SIGPIPE ignored, as this test has it
  Watcher watch = [](pid_t, const std::string&) {};
  std::chrono::seconds timeout{60};
};

struct Outcome {
  bool timedOut = false;
  int waitStatus = 0;
  std::string out;
  std::string err;
  long peakKiB = 0;  // the program's maximum resident set
  double seconds = 0;
};

bool exitedWith(const Outcome& o, int status) {
  return !o.timedOut && WIFEXITED(o.waitStatus) && WEXITSTATUS(o.waitStatus) == status;
}

// One line of text ending in a line feed, such as the program's message about a failed write.
bool isOneLine(const std::string& text) {
  return std::regex_match(text, std::regex("[^\n]+\n"));
}

void setUpStream(posix_spawn_file_actions_t* actions, int fd, const Stream& stream, int pipeEnd,
                 int openFlags) {
  switch (stream.kind) {
    case Stream::kPipe:
    case Stream::kReaderGone:
      posix_spawn_file_actions_adddup2(actions, pipeEnd, fd);
      break;
    case Stream::kClosed:
      posix_spawn_file_actions_addclose(actions, fd);
      break;
    case Stream::kFile:
      posix_spawn_file_actions_addopen(actions, fd, stream.path.c_str(), openFlags, 0);
      break;
  }
}

// Appends what is readable on fd; returns false at its end.
bool drain(int fd, std::string& into) {
  char buffer[65536];
  const ssize_t got = read(fd, buffer, sizeof buffer);
  if (got > 0) {
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
  }
  return got < 0 && (errno == EINTR || errno == EAGAIN);
}

// Starts the program, feeds its input, gathers its output until both output streams have
// ended, and waits for it; a program still running at the timeout is killed and reported.
Outcome runProgram(Options options) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 ||
      pipe2(errPipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2 failed";
    return {};
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  setUpStream(&actions, 0, options.in, inPipe[0], O_RDONLY);
  setUpStream(&actions, 1, options.out, outPipe[1], O_WRONLY);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);

  // A test runner may have SIGINT or SIGPIPE ignored; the program must get the defaults.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  if (!options.sigpipeIgnored) {
    sigaddset(&defaults, SIGPIPE);
  }
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> argv;
  for (const char* word : kCommand) {
    argv.push_back(const_cast<char*>(word));
  }
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << argv[0];
    return {};
  }

  Outcome outcome;
  int inFd = inPipe[1];
  int outFd = outPipe[0];
  if (options.out.kind == Stream::kReaderGone) {
    close(outFd);
    outFd = -1;
  }
  int errFd = errPipe[0];
  fcntl(inFd, F_SETFL, O_NONBLOCK);
  std::string pending;
  std::size_t written = 0;  // of pending
  bool fed = false;
  const auto started = std::chrono::steady_clock::now();
  const auto deadline = started + options.timeout;

  while ((outFd >= 0 || errFd >= 0) && std::chrono::steady_clock::now() < deadline) {
    if (written == pending.size()) {
      pending.clear();
      written = 0;
    }
    if (inFd >= 0 && pending.empty() && !fed && !options.feed(pending)) {
      fed = true;
    }
    if (inFd >= 0 && fed && pending.empty() && !options.keepInputOpen) {
      close(inFd);
      inFd = -1;
    }
    pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {-1, POLLOUT, 0}};
    if (!pending.empty()) {
      fds[2].fd = inFd;
    }
    poll(fds, 3, 100);
    if (fds[0].revents != 0) {
      if (drain(outFd, outcome.out)) {
        options.watch(pid, outcome.out);
      } else {
        close(outFd);
        outFd = -1;
      }
    }
    if (fds[1].revents != 0 && !drain(errFd, outcome.err)) {
      close(errFd);
      errFd = -1;
    }
    if (fds[2].revents != 0) {
      const ssize_t put = write(inFd, pending.data() + written, pending.size() - written);
      if (put > 0) {
        written += static_cast<std::size_t>(put);
      } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
        pending.clear();  // the program stopped reading: the rest cannot matter
        written = 0;
        fed = true;
        close(inFd);
        inFd = -1;
      }
    }
  }
  for (const int fd : {inFd, outFd, errFd}) {
    if (fd >= 0) {
      close(fd);
    }
  }
  rusage usage{};
  while (wait4(pid, &outcome.waitStatus, WNOHANG, &usage) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      outcome.timedOut = true;
      kill(pid, SIGKILL);
      wait4(pid, &outcome.waitStatus, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  outcome.peakKiB = usage.ru_maxrss;
  outcome.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return outcome;
}

// Feeds the given bytes in one piece.
Feeder bytes(std::string text) {
  return [text = std::move(text), done = false](std::string& chunk) mutable {
    if (done) {
      return false;
    }
    chunk = text;
    done = true;
    return true;
  };
}

// Feeds `count` copies of `piece` in chunks of about 1 MiB, then `tail`.
Feeder repeated(const std::string& piece, std::size_t count, std::string tail) {
  const std::size_t perChunk = (1u << 20) / piece.size() + 1;
  return [piece, count, perChunk, tail = std::move(tail), sent = std::size_t{0},
          done = false](std::string& chunk) mutable {
    if (done) {
      return false;
    }
    if (sent == count) {
      chunk = tail;
      done = true;
      return true;
    }
    const std::size_t now = std::min(perChunk, count - sent);
    chunk.clear();
    chunk.reserve(now * piece.size());
    for (std::size_t i = 0; i < now; ++i) {
      chunk += piece;
    }
    sent += now;
    return true;
  };
}

// Feeds what `first` feeds, then what `second` does.
Feeder followedBy(Feeder first, Feeder second) {
  return [first = std::move(first), second = std::move(second),
          firstDone = false](std::string& chunk) mutable {
    if (!firstDone && first(chunk)) {
      return true;
    }
    firstDone = true;
    return second(chunk);
  };
}

Options piped(Feeder feed) {
  Options options;
  options.feed = std::move(feed);
  return options;
}

void expectRejection(const Outcome& o) {
  EXPECT_FALSE(o.timedOut) << "the program did not finish";
  EXPECT_TRUE(exitedWith(o, 0)) << "wait status " << o.waitStatus;
  EXPECT_EQ(o.out, kRejection);
  EXPECT_EQ(o.err, "");
}

void expectAnswer(const Outcome& o, const std::string& index, const std::string& prime) {
  EXPECT_FALSE(o.timedOut) << "the program did not finish";
  EXPECT_TRUE(exitedWith(o, 0)) << "wait status " << o.waitStatus;
  const std::regex answer(std::regex_replace(kPrompt, std::regex(R"([()])"), R"(\$&)") +
                          "working...\n\n--> prime\\(" + index + "\\) = " + prime +
                          ",  Time : (0|[1-9][0-9]*) msec\n");
  EXPECT_TRUE(std::regex_match(o.out, answer)) << "output: [" << o.out << "]";
  EXPECT_EQ(o.err, "");
}

}  // namespace

TEST(NoInput, ClosedStandardInputIsRejected) {
  Options options;
  options.in.kind = Stream::kClosed;
  expectRejection(runProgram(options));
}

TEST(NoInput, EmptyStandardInputIsRejected) {
  Options options;
  options.in = {Stream::kFile, "/dev/null"};
  expectRejection(runProgram(options));
}

TEST(NoInput, InputEndingInsideANumberIsRejectedAtOnce) {
  for (const char* input : {"-", "+", "  -", "12e", "12E", "12e+", "3e-", ".", "+."}) {
    SCOPED_TRACE(input);
    expectRejection(runProgram(piped(bytes(input))));
  }
}

TEST(NoInput, InputEndingRightAfterANumberIsAnswered) {
  expectAnswer(runProgram(piped(bytes("17"))), "17", "59");
  expectAnswer(runProgram(piped(bytes("1e3"))), "1000", "7919");
}

TEST(HugeInput, HundredMegabytesOfBlanksAndBlankLinesBeforeANumber) {
  const std::string blanks = " \t \n\n  \r\n\v\f";  // 12 bytes
  expectAnswer(runProgram(piped(repeated(blanks, 100'000'000 / blanks.size(), "42abc\n"))), "42",
               "181");
}

TEST(HugeInput, NumbersWrittenWithAMillionDigits) {
  const std::size_t million = 1'000'000;
  expectRejection(runProgram(piped(bytes("1" + std::string(million - 1, '0') + "\n"))));
  expectAnswer(runProgram(piped(bytes(std::string(million - 2, '0') + "17\n"))), "17", "59");
  expectAnswer(runProgram(piped(bytes("17." + std::string(million - 2, '9') + "\n"))), "18", "61");
  // 10^-1000001 * 10^1000005 = 10^4: the digits must not be cut before the exponent applies.
  expectAnswer(runProgram(piped(bytes("0." + std::string(million, '0') + "1e1000005\n"))), "10000",
               "104729");
}

// The digits of a long number are read through, not kept: eight megabytes of them take no
// more memory than a short number does.
TEST(HugeInput, ALongNumberIsReadInBoundedMemory) {
  const Outcome shortNumber = runProgram(piped(bytes("1000.0\n")));
  const Outcome longNumber =
      runProgram(piped(followedBy(bytes("1000."), repeated(std::string(4096, '0'), 2048, "\n"))));
  expectAnswer(shortNumber, "1000", "7919");
  expectAnswer(longNumber, "1000", "7919");
  EXPECT_LT(longNumber.peakKiB - shortNumber.peakKiB, 2048)
      << "peak resident set " << longNumber.peakKiB << " KiB against " << shortNumber.peakKiB
      << " KiB for a short number";
}

// 1 GiB of digits through a pipe (labelled slow): the answer, within 16 MiB of memory. Through
// an emulator, whose own memory counts, the same margin over a short number's peak applies.
TEST(SlowInput, AGibibyteOfDigitsInBoundedMemory) {
  const Outcome shortNumber = runProgram(piped(bytes("1000.0\n")));
  Options options =
      piped(followedBy(bytes("1000."), repeated(std::string(1 << 16, '0'), 1 << 14, "\n")));
  options.timeout = std::chrono::seconds(900);
  const Outcome o = runProgram(options);
  std::printf(
      "1 GiB of digits read in %.1f s; peak resident set %ld KiB (%ld KiB for a short "
      "number)\n",
      o.seconds, o.peakKiB, shortNumber.peakKiB);
  expectAnswer(o, "1000", "7919");
  EXPECT_LT(o.peakKiB - shortNumber.peakKiB, 2048);
  if (!kEmulated) {
    EXPECT_LE(o.peakKiB, 16 * 1024);
  }
}

TEST(FailedOutput, ClosedStandardOutputIsAWriteFailure) {
  for (const char* input : {"1000\n", "abc\n"}) {
    SCOPED_TRACE(input);
    Options options = piped(bytes(input));
    options.out.kind = Stream::kClosed;
    const Outcome o = runProgram(options);
    EXPECT_TRUE(exitedWith(o, 1)) << "wait status " << o.waitStatus;
    EXPECT_TRUE(isOneLine(o.err)) << "standard error: [" << o.err << "]";
  }
}

TEST(FailedOutput, FullDeviceAfterAnAnswerIsAWriteFailure) {
  Options options = piped(bytes("1000\n"));
  options.out = {Stream::kFile, "/dev/full"};
  const Outcome o = runProgram(options);
  EXPECT_TRUE(exitedWith(o, 1)) << "wait status " << o.waitStatus;
  EXPECT_TRUE(isOneLine(o.err)) << "standard error: [" << o.err << "]";
}

// A reader that has gone away ends the program by SIGPIPE at its first write, as it ends other
// filters, without a message; with SIGPIPE ignored the write fails like any other.
TEST(FailedOutput, AReaderThatHasGoneEndsTheProgramBySigpipe) {
  Options options = piped(bytes("1000\n"));
  options.out.kind = Stream::kReaderGone;
  const Outcome o = runProgram(options);
  EXPECT_FALSE(o.timedOut) << "the program did not finish";
  EXPECT_TRUE(WIFSIGNALED(o.waitStatus) && WTERMSIG(o.waitStatus) == SIGPIPE)
      << "wait status " << o.waitStatus;
  EXPECT_EQ(o.err, "");
}

TEST(FailedOutput, AReaderThatHasGoneWithSigpipeIgnoredIsAWriteFailure) {
  Options options = piped(bytes("1000\n"));
  options.out.kind = Stream::kReaderGone;
  options.sigpipeIgnored = true;
  const Outcome o = runProgram(options);
  EXPECT_TRUE(exitedWith(o, 1)) << "wait status " << o.waitStatus;
  EXPECT_TRUE(isOneLine(o.err)) << "standard error: [" << o.err << "]";
}

TEST(Interrupt, WhileWaitingForInputTheDefaultActionEndsTheProgram) {
  Options options;
  options.keepInputOpen = true;  // the program waits for a number that never comes
  bool sent = false;
  options.watch = [&sent](pid_t pid, const std::string& out) {
    if (!sent && out == kPrompt) {
      kill(pid, SIGINT);
      sent = true;
    }
  };
  options.timeout = std::chrono::seconds(20);
  const Outcome o = runProgram(options);
  ASSERT_TRUE(sent) << "no prompt came: [" << o.out << "]";
  EXPECT_FALSE(o.timedOut) << "the interrupt did not end the program";
  EXPECT_TRUE(WIFSIGNALED(o.waitStatus) && WTERMSIG(o.waitStatus) == SIGINT)
      << "wait status " << o.waitStatus;
  EXPECT_EQ(o.out, kPrompt);
  EXPECT_EQ(o.err, "");
}
