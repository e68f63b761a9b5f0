#!/usr/bin/env bash
# Plots the cost of the longest walk of every 16th bracket on each wheel path this processor
# has, and of primesieve's nth_prime on one thread, into docs/speed.svg (gnuplot-nox).
set -euo pipefail
cd "$(dirname "$0")/.."
# With --replot it plots the timings of the last run again, kept in build/bench/brackets.csv.
output=docs/speed.svg
timings=build/bench/brackets.csv

if [ "${1:-}" != --replot ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench >/dev/null
  ./build/bench/bench/nthprime_brackets --benchmark_min_time=0.2 \
    --benchmark_out="$timings" --benchmark_out_format=csv
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One data file per series: n and milliseconds of wall time, low to high; skipped paths have
# no rows.
awk -F, -v dir="$work" '$1 ~ /^"brackets\// && $9 != "true" {
  gsub(/"/, "", $1); split($1, name, "/")
  print name[3], $3 > (dir "/" name[2] ".dat")
}' "$timings"

machine=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
units=$(grep -o -w -E 'sse2|avx2|avx512bw|asimd' /proc/cpuinfo | sort -u | xargs)
commit=$(git rev-parse --short HEAD)$(git diff --quiet HEAD || echo +changes)
# One series per wheel path the run timed, as the benchmark names them.
series=""
for data in "$work"/*.dat; do
  name=$(basename "$data" .dat)
  if [ "$name" != primesieve ]; then
    series+="${series:+, }'$data' using 1:2 with linespoints title 'nthprime, $name'"
  fi
done
if [ -s "$work/primesieve.dat" ]; then
  series+=", '$work/primesieve.dat' using 1:2 with linespoints dashtype 2 lc rgb 'black'"
  series+=" title 'primesieve -n, 1 thread'"
fi

gnuplot <<GNUPLOT
set terminal svg size 960,600 dynamic font 'sans,13' background '#ffffff'
set output '$output'
set title "The longest walk of every 16th bracket: milliseconds against n\n{/*0.8 $machine, $(nproc) cores ($units), $(head -c 10 "$timings"), commit $commit}"
set xlabel 'n (index of the prime)'
set ylabel 'milliseconds (log scale)'
set logscale y
set format x '%.0s%c'
set grid ytics mytics xtics
set key bottom right noenhanced opaque
set autoscale xfix
plot $series
GNUPLOT
echo "wrote $output"
