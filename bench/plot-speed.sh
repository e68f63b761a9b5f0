#!/usr/bin/env bash
# Plots the cost of the longest walk of every 16th bracket on each wheel path this processor
# has, and of primesieve's nth_prime on one thread, into docs/speed.svg (gnuplot-nox).
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/speed.svg}

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

./build/bench/bench/nthprime_brackets --benchmark_min_time=0.2 \
  --benchmark_out="$work/brackets.csv" --benchmark_out_format=csv
# One data file per series: n and milliseconds of wall time, low to high; skipped paths have
# no rows.
awk -F, -v dir="$work" '$1 ~ /^"brackets\// && $9 != "true" {
  gsub(/"/, "", $1); split($1, name, "/")
  print name[3], $3 > (dir "/" name[2] ".dat")
}' "$work/brackets.csv"

machine=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
units=$(grep -o -w -E 'sse2|avx2|avx512bw|asimd' /proc/cpuinfo | sort -u | xargs)
series=""
for name in scalar sse2 avx2 avx512 neon primesieve; do
  if [ -s "$work/$name.dat" ]; then
    title=$name
    [ "$name" = primesieve ] && title="primesieve nth\\\\_prime, 1 thread"
    series+="${series:+, }'$work/$name.dat' using 1:2 with linespoints title '$title'"
  fi
done

gnuplot <<GNUPLOT
set terminal svg size 960,600 dynamic font 'sans,13' background '#ffffff'
set output '$output'
set title "The longest walk of every 16th bracket: milliseconds against n\n{/*0.8 $machine, $(nproc) cores ($units), $(date -u +%Y-%m-%d)}"
set xlabel 'n (index of the prime)'
set ylabel 'milliseconds (log scale)'
set logscale y
set format x '%.0s%c'
set grid ytics mytics xtics
set key top left
plot $series
GNUPLOT
echo "wrote $output"
