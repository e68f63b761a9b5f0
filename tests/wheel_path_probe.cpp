// Prints the widest wheel path this processor has, then the benchmark indices one a line: what
// the tests that run the program on an emulated processor need to know of the search.
#include <cstdio>

#include "benchmark_indices.hpp"
#include "nth_prime.hpp"

int main() {
  std::printf("%s\n", nthprime::wheelPathName(nthprime::widestWheelPath()));
  for (const nthprime::BenchmarkIndex& index : nthprime::benchmarkIndices()) {
    std::printf("%u\n", index.n);
  }
  return 0;
}
