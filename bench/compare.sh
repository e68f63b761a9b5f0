#!/usr/bin/env bash
# Writes this machine's speed table, one markdown block for the docs: the worst query on every
# wheel path (Google Benchmark, read as cycles by its clock), and the whole program against
# primesieve, primecount and the 32-bit Windows program under Wine, where Wine runs it
# (hyperfine). The table alone goes to standard output, progress to standard error.
#
#   bash bench/compare.sh [--quick] [FILE]      (FILE: a copy of the table)
#
# --quick, or NTHPRIME_COMPARE_QUICK=1: a short run to try the script, marked so in the table.
# NTHPRIME_SIMULATE_NO_32_BIT=1: the Windows row left out, as where Wine cannot run it.
# Needs, on Debian 12 (wine32 after `dpkg --add-architecture i386`; googletest because the
# Windows build's preset requires its test dependencies):
#
#   apt-get install cmake ninja-build g++ libbenchmark-dev hyperfine primesieve-bin \
#     primecount-bin python3 git g++-mingw-w64-i686-posix googletest wine wine32:i386
set -euo pipefail
cd "$(dirname "$0")/.."

quick=${NTHPRIME_COMPARE_QUICK:-}
file=""
for arg in "$@"; do
  case $arg in
    --quick) quick=1 ;;
    -h | --help)
      sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
      exit 0
      ;;
    -*)
      echo "compare: unknown option $arg" >&2
      exit 2
      ;;
    *)
      # The query is the benchmarks' own worst one; a number here is most likely an index.
      if [[ $arg =~ ^[0-9]+$ ]]; then
        echo "compare: the argument is the table's file, not an index: the query is the" \
          "benchmarks' worst" >&2
        exit 2
      fi
      file=$arg
      ;;
  esac
done

# Everything but the table to standard error; the table to the standard output kept in 3.
exec 3>&1 1>&2

missing=()
for command in cmake ninja hyperfine primesieve primecount python3; do
  command -v "$command" >/dev/null || missing+=("$command")
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "compare: missing ${missing[*]}: see the apt-get line at the top of $0"
  exit 1
fi

# A step's output only when it fails.
quietly() {
  local log status=0
  log=$(mktemp)
  "$@" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "compare: '$*' failed:"
    cat "$log"
  fi
  rm -f "$log"
  return "$status"
}

load_at_start=$(cut -d ' ' -f 1 /proc/loadavg)
work=$(mktemp -d)
wine_started=""
cleanup() {
  rm -rf "$work"
  if [ -n "$wine_started" ]; then wineserver --kill || true; fi
}
trap cleanup EXIT

echo "compare: building the benchmarks (preset bench)"
quietly cmake --preset bench
quietly cmake --build --preset bench --target nthprime_bench nthprime
bench=build/bench/bench/nthprime_bench
clock=clock/dependentAdditions

# The worst query is the one the benchmarks time for it, so that both halves agree.
index=$("$bench" --benchmark_list_tests |
  sed -n -E 's|^nthPrime/[^/]+/last_bracket_worst/([0-9]+)$|\1|p' | sort -u)
if [[ ! $index =~ ^[0-9]+$ ]]; then
  echo "compare: expected one index among the last_bracket_worst benchmarks, got '${index}'"
  exit 1
fi

# Wine runs the 32-bit Windows program as a 32-bit Linux process, which some kernels refuse
# even where `wine --version` succeeds, so the program itself must answer.
no_windows=""
if ! wine_version=$(wine --version 2>&1); then
  no_windows="Wine cannot run here ($(tail -n 1 <<<"$wine_version"))"
elif ! quietly cmake --preset windows-i686 ||
  ! quietly cmake --build --preset windows-i686 --target nthprime; then
  no_windows="the Windows program did not build (its log is above)"
else
  export WINEDEBUG=-all WINEPREFIX="$PWD/build/windows-i686/wineprefix" DISPLAY=
  # One persistent Wine server, so that no run pays for starting Wine's services. It needs
  # the prefix's folder, which a fresh build has not made yet.
  mkdir -p "$WINEPREFIX"
  wineserver --kill 2>/dev/null || true
  wineserver --persistent </dev/null >/dev/null 2>&1
  wine_started=1
  # Where it fails, the program's own run below says why.
  wineboot --init >/dev/null 2>&1 || true
  if [ -n "${NTHPRIME_SIMULATE_NO_32_BIT:-}" ]; then
    answer="simulated: NTHPRIME_SIMULATE_NO_32_BIT is set"
  else
    answer=$(echo 1 | wine build/windows-i686/nthprime.exe 2>&1 | tr -d '\r' | tail -n 1) || true
  fi
  if [[ $answer != *"prime(1) = 2,"* ]]; then
    no_windows="Wine cannot run here (${answer:-no output})"
  fi
fi
if [ -n "$no_windows" ]; then
  echo "$no_windows: no Windows rows"
fi

if [ -n "$quick" ]; then
  settle=(--benchmark_repetitions=1 --benchmark_min_time=0.01)
  timing=(--warmup 0 --runs 3)
  runs=3
else
  # Repetitions interleaved, so that the clock is read over the same spell as the searches.
  settle=(--benchmark_repetitions=5 --benchmark_enable_random_interleaving=true)
  timing=(--warmup 2 --runs 10)
  runs=10
fi

echo "compare: Google Benchmark, the clock and the worst query $index on every path"
"$bench" --benchmark_filter="^$clock\$|^nthPrime/[^/]+/last_bracket_worst/$index\$" \
  "${settle[@]}" --benchmark_display_aggregates_only=true \
  --benchmark_out="$work/benchmarks.json" --benchmark_out_format=json

reference="echo $index | nthprime"
commands=(-n "$reference" "echo $index | ./build/bench/nthprime")
windows_rows=()
if [ -z "$no_windows" ]; then
  commands+=(-n "echo $index | wine nthprime.exe"
    "echo $index | wine build/windows-i686/nthprime.exe")
  windows_rows=(--versions wine)
else
  windows_rows=(--missing "echo $index | wine nthprime.exe=$no_windows")
fi
for command in "primesieve $index -n --threads=1" "primesieve $index -n --threads=$(nproc)" \
  "primecount $index -n"; do
  commands+=(-n "$command" "$command")
done
echo "compare: hyperfine, the whole programs"
hyperfine "${timing[@]}" --style basic --export-json "$work/hyperfine.json" "${commands[@]}"

# The milliseconds each program prints for its search alone, without its start-up.
reported() {  # FILE, then the program's command
  local out=$1
  shift
  for _ in $(seq "$runs"); do
    echo "$index" | "$@" | tr -d '\r' | sed -n -E 's/.*Time : ([0-9]+) msec.*/\1/p'
  done >"$out"
  if [ "$(wc -l <"$out")" -ne "$runs" ]; then
    echo "compare: '$*' did not print its search time on each of $runs runs"
    exit 1
  fi
}
echo "compare: the search times the programs report"
reported "$work/nthprime.ms" ./build/bench/nthprime
reported_rows=(--reported nthprime "$work/nthprime.ms")
if [ -z "$no_windows" ]; then
  reported "$work/nthprime.exe.ms" wine build/windows-i686/nthprime.exe
  reported_rows+=(--reported "nthprime.exe under Wine" "$work/nthprime.exe.ms")
fi

python3 bench/speed-table.py --root . --build build/bench \
  --benchmarks "$work/benchmarks.json" --clock "$clock" --hyperfine "$work/hyperfine.json" \
  --reference "$reference" "${reported_rows[@]}" "${windows_rows[@]}" \
  --versions primesieve primecount hyperfine --load-at-start "$load_at_start" \
  ${quick:+--quick} >"$work/table.md"
cat "$work/table.md" >&3
if [ -n "$file" ]; then
  cp "$work/table.md" "$file"
  echo "compare: the table is also in $file"
fi
