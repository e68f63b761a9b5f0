#!/usr/bin/env bash
# Compares a Windows program's answers under Wine with the Linux program's at the benchmark
# indices: the whole output, with CR LF made LF and the milliseconds left out. Its argument is
# the Windows build's preset: windows-i686 (the default, under Wine's 32-bit loader) or
# windows-x86_64 (under its 64-bit loader).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-windows-i686}
case $preset in
  windows-i686) run=cmake/wine-run.sh ;;
  windows-x86_64) run=cmake/wine64-run.sh ;;
  *) echo "usage: $0 [windows-i686|windows-x86_64]" >&2; exit 2 ;;
esac
export NTHPRIME_WINEPREFIX="$PWD/build/$preset/wineprefix"

answer() {
  tr -d '\r' | sed -E 's/Time : [^ ]+ msec/Time : ... msec/'
}

indices=$(./build/bench/bench/nthprime_bench --benchmark_list_tests \
  --benchmark_filter='^nthPrime/scalar/' | sed 's|.*/||')
for n in $indices; do
  linux=$(echo "$n" | build/default/nthprime | answer)
  windows=$(echo "$n" | "$run" "build/$preset/nthprime.exe" | answer)
  if [ "$linux" != "$windows" ]; then
    echo "index $n: the Windows program ($preset) differs"
    diff <(echo "$linux") <(echo "$windows") || true
    exit 1
  fi
  echo "index $n: the same output on both: $(tail -1 <<<"$linux")"
done
