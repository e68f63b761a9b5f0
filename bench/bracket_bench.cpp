// Google Benchmark timings of how the cost grows with n: the longest walk of every 16th
// bracket on every wheel path, and primesieve's nth_prime on one thread at the same indices.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "benchmark_indices.hpp"
#include "nth_prime.hpp"

#ifdef NTHPRIME_HAVE_PRIMESIEVE
#include <primesieve.hpp>
#endif

namespace nthprime {
namespace {

constexpr std::size_t kEveryNthBracket = 16;

void timeWalk(benchmark::State& state, WheelPath path, PrimeIndex n) {
  if (!isWheelPathAvailable(path)) {
    state.SkipWithError(
        (std::string("skipped: no ") + wheelPathName(path) + " on this processor").c_str());
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(nthPrime(n, path));
  }
}

#ifdef NTHPRIME_HAVE_PRIMESIEVE
void timePrimesieve(benchmark::State& state, PrimeIndex n) {
  primesieve::set_num_threads(1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(primesieve::nth_prime(n));
  }
}
#endif

// Names are brackets/<path or primesieve>/<n>, bracket by bracket from low to high.
void registerBenchmarks() {
  for (std::size_t record = kEveryNthBracket; record < kCheckpointCount;
       record += kEveryNthBracket) {
    const PrimeIndex n = longestWalkIndex(record);
    for (const WheelPath path : kWheelPaths) {
      benchmark::RegisterBenchmark(
          (std::string("brackets/") + wheelPathName(path) + "/" + std::to_string(n)).c_str(),
          timeWalk, path, n)
          ->Unit(benchmark::kMillisecond);
    }
#ifdef NTHPRIME_HAVE_PRIMESIEVE
    benchmark::RegisterBenchmark(("brackets/primesieve/" + std::to_string(n)).c_str(),
                                 timePrimesieve, n)
        ->Unit(benchmark::kMillisecond);
#endif
  }
}

// Registered before main, which Google Benchmark's benchmark_main supplies.
[[maybe_unused]] const bool kRegistered = (registerBenchmarks(), true);

}  // namespace
}  // namespace nthprime
