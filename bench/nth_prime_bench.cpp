// Google Benchmark timings of the search: nthPrime at representative indices and the wheel
// test on primes near 2^32, on every path, and the whole program for the worst-case query.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "benchmark_indices.hpp"
#include "nth_prime.hpp"
#include "walk.hpp"
#include "wheel_paths.hpp"

extern char** environ;

namespace nthprime {
namespace {

// A path the processor lacks still appears in the report, marked as skipped.
bool skipUnavailable(benchmark::State& state, WheelPath path) {
  if (isWheelPathAvailable(path)) {
    return false;
  }
  state.SkipWithError(
      (std::string("skipped: no ") + wheelPathName(path) + " on this processor").c_str());
  return true;
}

void timeNthPrime(benchmark::State& state, WheelPath path, PrimeIndex n) {
  if (skipUnavailable(state, path)) {
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(nthPrime(n, path));
  }
}

// The largest primes below 2^32: the candidates that need every divisor up to 65535.
std::vector<std::uint32_t> largestPrimes(std::size_t count) {
  std::vector<std::uint32_t> primes;
  for (std::uint32_t b = kLargestPrime32; primes.size() < count; b -= 2) {
    if (b % 3 != 0 && b % 5 != 0 && isWheelPrime(b, WheelPath::kScalar)) {
      primes.push_back(b);
    }
  }
  return primes;
}

// The numbers coprime to 30 just below 2^32, as the walk of the last bracket meets them.
std::vector<std::uint32_t> largestCandidates(std::size_t count) {
  std::vector<std::uint32_t> candidates;
  for (std::uint32_t b = 4294967295u; candidates.size() < count; b -= 2) {
    if (b % 3 != 0 && b % 5 != 0) {
      candidates.push_back(b);
    }
  }
  return candidates;
}

// The wheel test one candidate at a time, as isWheelPrime(b) runs it.
void timeWheelTestOneByOne(benchmark::State& state, WheelPath path) {
  if (skipUnavailable(state, path)) {
    return;
  }
  const std::vector<std::uint32_t> primes = largestPrimes(64);
  for (auto _ : state) {
    for (const std::uint32_t p : primes) {
      benchmark::DoNotOptimize(isWheelPrime(p, path));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(primes.size()));
}

// The kernel itself: the candidates in blocks of kWheelBlock, as the walk hands them over.
void timeWheelTestInBlocks(benchmark::State& state, WheelPath path,
                           const std::vector<std::uint32_t>& candidates) {
  if (skipUnavailable(state, path)) {
    return;
  }
  const WheelTest test = wheelTestFor(path);
  WheelBlockPrimes primes;
  for (auto _ : state) {
    for (std::size_t start = 0; start < candidates.size(); start += kWheelBlock) {
      test(&candidates[start], kWheelBlock, primes);
      benchmark::DoNotOptimize(primes);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(candidates.size()));
}

// The processor's clock: a chain of dependent additions of a register, one a cycle on every
// x86-64 and ARM64 core, so that times can be read as cycles ("GHz" is additions per
// nanosecond). Newer cores do additions of a constant and moves at register renaming, several a
// cycle, so the chain has neither: its addend is a register the compiler cannot see into.
void timeDependentAdditions(benchmark::State& state) {
  constexpr std::int64_t kAdditions = 1 << 20;
  std::uint64_t x = 0;
  std::uint64_t step = 1;
  asm volatile("" : "+r"(step));
  for (auto _ : state) {
    for (std::int64_t i = 0; i < kAdditions; i += 4) {
      // Each addition waits for the last: the barrier keeps the compiler from summing the steps
      // into one multiple of step.
      x += step;
      asm volatile("" : "+r"(x));
      x += step;
      asm volatile("" : "+r"(x));
      x += step;
      asm volatile("" : "+r"(x));
      x += step;
      asm volatile("" : "+r"(x));
    }
  }
  benchmark::DoNotOptimize(x);
  state.counters["GHz"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kAdditions / 1e9, benchmark::Counter::kIsRate);
}

// Starts the program with the index on its standard input and waits for it to end.
int runProgram(const std::string& input) {
  int toChild[2];
  if (pipe(toChild) != 0) {
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, toChild[1]);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char program[] = NTHPRIME_PROGRAM;
  char* argv[] = {program, nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  const bool written =
      write(toChild[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
  close(toChild[1]);
  int status = -1;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid || !written) {
    return -1;
  }
  return status;
}

void timeWholeProgram(benchmark::State& state, PrimeIndex n) {
  const std::string input = std::to_string(n) + "\n";
  for (auto _ : state) {
    if (runProgram(input) != 0) {
      state.SkipWithError("the program did not run to a clean exit");
      return;
    }
  }
}

void registerBenchmarks() {
  benchmark::RegisterBenchmark("clock/dependentAdditions", timeDependentAdditions)
      ->Unit(benchmark::kMicrosecond);
  for (const WheelPath path : kWheelPaths) {
    for (const BenchmarkIndex& index : benchmarkIndices()) {
      benchmark::RegisterBenchmark((std::string("nthPrime/") + wheelPathName(path) + "/" +
                                    index.name + "/" + std::to_string(index.n))
                                       .c_str(),
                                   timeNthPrime, path, index.n)
          ->Unit(benchmark::kMillisecond);
    }
  }
  // Both sets are a whole number of blocks.
  static const std::vector<std::uint32_t> primes = largestPrimes(kWheelBlock * (512 / kWheelBlock));
  static const std::vector<std::uint32_t> candidates = largestCandidates(kWheelBlock * 16);
  for (const WheelPath path : kWheelPaths) {
    const std::string name = wheelPathName(path);
    benchmark::RegisterBenchmark(("isWheelPrime/" + name).c_str(), timeWheelTestOneByOne, path)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("wheelTest/primes/" + name).c_str(), timeWheelTestInBlocks, path,
                                 primes)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("wheelTest/candidates/" + name).c_str(), timeWheelTestInBlocks,
                                 path, candidates)
        ->Unit(benchmark::kMicrosecond);
  }
  const PrimeIndex worst = benchmarkIndices().back().n;
  benchmark::RegisterBenchmark(("program/" + std::to_string(worst)).c_str(), timeWholeProgram,
                               worst)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

// Registered before main, which Google Benchmark's benchmark_main supplies.
[[maybe_unused]] const bool kRegistered = (registerBenchmarks(), true);

}  // namespace
}  // namespace nthprime
