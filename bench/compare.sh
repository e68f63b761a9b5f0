#!/usr/bin/env bash
# Times nthprime against primesieve and primecount on this machine in one run: the Google
# Benchmark suite, then hyperfine over whole commands that find the same n-th prime.
# Needs the Debian packages libbenchmark-dev, hyperfine, primesieve-bin and primecount.
set -euo pipefail
cd "$(dirname "$0")/.."
index=${1:-203185709}  # the longest walk of the last bracket

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
lscpu | grep -E '^(Model name|CPU\(s\))'
echo "Vector units: $(grep -o -w -E 'avx2|avx512f|avx512bw' /proc/cpuinfo | sort -u | xargs)"
primesieve --version | head -1
primecount --version | head -1

./build/bench/bench/nthprime_bench --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true

table=$(mktemp)
trap 'rm -f "$table"' EXIT
hyperfine --warmup 1 --runs 10 --style basic --export-markdown "$table" \
  -n "nthprime" "echo $index | ./build/bench/nthprime" \
  -n "primesieve -n, 1 thread" "primesieve $index -n --threads=1" \
  -n "primesieve -n, $(nproc) threads" "primesieve $index -n" \
  -n "primecount -n" "primecount $index -n"
cat "$table"
