#!/usr/bin/env bash
# Compares the Windows program's answers under Wine with the Linux program's at the benchmark
# indices: the whole output, with CR LF made LF and the milliseconds left out.
set -euo pipefail
cd "$(dirname "$0")/.."
export NTHPRIME_WINEPREFIX="$PWD/build/windows-i686/wineprefix"

answer() {
  tr -d '\r' | sed -E 's/Time : [^ ]+ msec/Time : ... msec/'
}

indices=$(./build/bench/bench/nthprime_bench --benchmark_list_tests \
  --benchmark_filter='^nthPrime/scalar/' | sed 's|.*/||')
for n in $indices; do
  linux=$(echo "$n" | build/default/nthprime | answer)
  windows=$(echo "$n" | cmake/wine-run.sh build/windows-i686/nthprime.exe | answer)
  if [ "$linux" != "$windows" ]; then
    echo "index $n: the Windows program differs"
    diff <(echo "$linux") <(echo "$windows") || true
    exit 1
  fi
  echo "index $n: the same output on both: $(tail -1 <<<"$linux")"
done
