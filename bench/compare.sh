#!/usr/bin/env bash
# Times nthprime against primesieve and primecount on this machine in one run: the Google
# Benchmark suite, then hyperfine over whole commands that find the same n-th prime, the
# 32-bit Windows program under Wine among them, and the search time each program reports.
# Needs the Debian packages libbenchmark-dev, hyperfine, primesieve-bin, primecount,
# g++-mingw-w64-i686-posix and wine. Where Wine cannot run (a kernel that runs no 32-bit
# programs), the Windows rows are left out, and it says so.
set -euo pipefail
cd "$(dirname "$0")/.."
index=${1:-203185709}  # the longest walk of the last bracket

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
windows=()
if wine --version >/dev/null 2>&1; then
  cmake --preset windows-i686 >/dev/null
  cmake --build --preset windows-i686 --target nthprime >/dev/null
  export WINEDEBUG=-all WINEPREFIX="$PWD/build/windows-i686/wineprefix" DISPLAY=
  # One persistent Wine server, so that no run pays for starting Wine's services.
  wineserver --kill 2>/dev/null || true
  wineserver --persistent </dev/null >/dev/null 2>&1
  wineboot --init
  trap 'wineserver --kill' EXIT
  windows=(-n "nthprime.exe under Wine" "echo $index | wine build/windows-i686/nthprime.exe")
else
  echo "Wine cannot run here ($(wine --version 2>&1 | tail -n 1)): no Windows rows"
fi

lscpu | grep -E '^(Model name|CPU\(s\))'
echo "Vector units: $(grep -o -w -E 'sse2|avx2|avx512f|avx512bw' /proc/cpuinfo | sort -u | xargs)"
primesieve --version | head -1
primecount --version | head -1
[ ${#windows[@]} -eq 0 ] || wine --version

./build/bench/bench/nthprime_bench --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true

table=$(mktemp)
trap 'rm -f "$table"; [ ${#windows[@]} -eq 0 ] || wineserver --kill' EXIT
hyperfine --warmup 1 --runs 10 --style basic --export-markdown "$table" \
  -n "nthprime" "echo $index | ./build/bench/nthprime" \
  "${windows[@]}" \
  -n "primesieve -n, 1 thread" "primesieve $index -n --threads=1" \
  -n "primesieve -n, $(nproc) threads" "primesieve $index -n" \
  -n "primecount -n" "primecount $index -n"
cat "$table"

# The milliseconds each program prints for its search alone, without any start-up: the mean
# of 10 runs.
reported() {
  for _ in $(seq 10); do
    echo "$index" | "$@" | tr -d '\r' | sed -n -E 's/.*Time : ([0-9]+) msec/\1/p'
  done | awk '{ sum += $1 } END { printf "%.1f ms\n", sum / NR }'
}
echo "search time reported by nthprime: $(reported ./build/bench/nthprime)"
if [ ${#windows[@]} -ne 0 ]; then
  echo "search time reported by nthprime.exe under Wine: $(reported wine build/windows-i686/nthprime.exe)"
fi
